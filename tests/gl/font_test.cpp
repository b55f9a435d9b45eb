// Text through CGLFont with Allegro's built-in 8x8 font: placement, colour,
// blending, alignment and the formatting rules, each text read back against
// one drawn another way.
#include "frontend_fixture.h"

#include <algorithm>
#include <functional>
#include <string>

using namespace frontendtest;

namespace {

using FontTest = Screen;

TEST_F(FontTest, TextStartsAtThePointInItsColourAndBrightensWhatLiesBeneath) {
  ClearScreen(0, 0, 255);
  CGLFont(font).Printf(100, 200, makecol(255, 0, 0), "HHHH");
  // One / one-minus-source-colour: red over blue gives magenta between blue strokes.
  const Rect ink = ReadRect(98, 198, 40, 12);
  int left = 99, top = 99;
  for (int y = 0; y < ink.h; ++y)
    for (int x = 0; x < ink.w; ++x) {
      const Pixel& p = ink.At(x, y);
      ASSERT_TRUE(p == Blue || p == (Pixel{255, 0, 255})) << p;
      if (p == Blue) continue;
      left = std::min(left, x);
      top = std::min(top, y);
    }
  EXPECT_TRUE(left >= 2 && left <= 3 && top >= 2 && top <= 3) << left << "," << top;
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(std::vector<GLint>({src, dst}), std::vector<GLint>({GL_ONE, GL_ONE_MINUS_SRC_COLOR}));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

// Each text must show the same pixels in the block as its reference, which
// must show some ink.
TEST_F(FontTest, AlignmentPercentSignsAndTheCutAt255CharactersMatchTheirReference) {
  CGLFont text(font);
  const int c = makecol(255, 255, 255);
  const std::string cut = std::string(254, 'I') + "W" + std::string(745, 'I'), percents(300, '%');
  const struct {
    const char* name;
    std::function<void()> draw, reference;
    int x, y, w, h;
  } cases[] = {
      {"centre", [&] { text.PrintfCentre(400, 100, c, "%s%c%s", "AB", 'C', "DE"); },
       [&] { text.Printf(380, 100, c, "ABCDE"); }, 300, 95, 200, 20},
      {"right", [&] { text.PrintfRight(420, 100, c, "ABC%s", "DE"); }, [&] { text.Printf(380, 100, c, "ABCDE"); },
       300, 95, 200, 20},
      // A second formatting pass would turn "%%" into one sign and "%d" into a number.
      {"percent signs", [&] { text.Printf(100, 100, c, "Name: %s", "%%%d"); },
       [&] {
         for (int x : {148, 156, 164}) text.Printf(x, 100, c, "%%");
         text.Printf(172, 100, c, "d");
       },
       148, 100, 32, 8},
      // Character 255 is the W: a right-aligned text ends with it at the edge.
      {"cut", [&] { text.PrintfRight(800, 300, c, "%s", cut.c_str()); }, [&] { text.Printf(792, 300, c, "W"); },
       792, 295, 8, 18},
      {"cut percent signs", [&] { text.PrintfRight(800, 300, c, "%s", percents.c_str()); },
       [&] { text.Printf(792, 300, c, "%%"); }, 792, 295, 8, 18},
  };
  for (const auto& row : cases) {
    ClearScreen(0, 0, 0);
    row.reference();
    const Rect reference = ReadRect(row.x, row.y, row.w, row.h);
    EXPECT_FALSE(AllBlack(reference)) << row.name;
    ClearScreen(0, 0, 0);
    row.draw();
    EXPECT_EQ(ReadRect(row.x, row.y, row.w, row.h).pixels, reference.pixels) << row.name;
  }
}

}  // namespace
