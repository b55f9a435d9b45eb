// The start-up font frame: one line in each font, each in its own colour.
// It lasts until the game object takes over the screen after start-up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e/harness.h"

namespace {

bool Near(e2e::Rgb got, e2e::Rgb want) {
  return std::abs(got.r - want.r) <= 12 && std::abs(got.g - want.g) <= 12 && std::abs(got.b - want.b) <= 12;
}

TEST(FontFrame, EachFontDrawsCrispTextInTheGivenColour) {
  e2e::GameHarness game;
  ASSERT_TRUE(game.Start());
  ASSERT_TRUE(game.WaitForWindow()) << game.GameOutput();

  // Menu font at (200, 200) light grey, medium at (200, 300) white, small at
  // (200, 350) blue. The frame may come a moment after the window.
  const std::optional<e2e::Image> shot =
      game.WaitForScreen([](const e2e::Image& image) { return image.CountLit(200, 350, 600, 366) > 0; });
  ASSERT_TRUE(shot.has_value()) << game.GameOutput();
  ASSERT_EQ(shot->width, 800);

  // Text lies right of and below its position, within its font's height.
  EXPECT_GT(shot->CountLit(200, 200, 400, 230), 100);
  EXPECT_GT(shot->CountLit(200, 300, 600, 320), 100);
  EXPECT_GT(shot->CountLit(200, 350, 600, 366), 50);
  EXPECT_EQ(shot->CountLit(0, 0, 800, 195), 0) << "nothing above the menu line";
  EXPECT_EQ(shot->CountLit(0, 0, 195, 600), 0) << "nothing left of the text";

  // Solid strokes take exactly the colour the text was printed in.
  const e2e::Rgb menu = shot->Brightest(200, 200, 400, 230);
  const e2e::Rgb medium = shot->Brightest(200, 300, 600, 320);
  const e2e::Rgb small = shot->Brightest(200, 350, 600, 366);
  EXPECT_TRUE(Near(menu, {200, 200, 200})) << menu.r << "," << menu.g << "," << menu.b;
  EXPECT_TRUE(Near(medium, {255, 255, 255})) << medium.r << "," << medium.g << "," << medium.b;
  EXPECT_TRUE(Near(small, {100, 100, 255})) << small.r << "," << small.g << "," << small.b;

  if (HasFailure()) {
    const std::string saved = testing::TempDir() + "varnok_font_frame.ppm";
    if (e2e::WritePpm(*shot, saved)) ADD_FAILURE() << "screen saved to " << saved;
  }
  EXPECT_EQ(game.QuitFromMainMenu().value_or(-1), 0) << game.GameOutput();
}

}  // namespace
