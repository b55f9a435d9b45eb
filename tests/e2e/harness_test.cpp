// The harness itself: screenshot decoding and the scratch directory it sets
// up and removes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/harness.h"

namespace {

namespace fs = std::filesystem;

TEST(Harness, DecodesBinaryPpmAndRejectsOtherImages) {
  const std::string pixels = std::string("\x01\x02\x03\xff\x00\x80", 6);
  const std::optional<e2e::Image> image = e2e::DecodePpm("P6\n# import\n2 1\n255\n" + pixels);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 1);
  EXPECT_EQ(image->At(1, 0).r, 255);
  EXPECT_EQ(image->At(1, 0).b, 128);
  EXPECT_EQ(image->CountLit(0, 0, 2, 1), 2);
  EXPECT_EQ(image->Brightest(0, 0, 2, 1).r, 255);

  EXPECT_FALSE(e2e::DecodePpm("P6\n2 1\n65535\n" + pixels + pixels).has_value()) << "16-bit samples";
  EXPECT_FALSE(e2e::DecodePpm("P6\n2 2\n255\n" + pixels).has_value()) << "too few pixels";
  EXPECT_FALSE(e2e::DecodePpm("P3\n1 1\n255\n1 2 3\n").has_value()) << "text PPM";
}

TEST(Harness, ScratchDirectoryHoldsTheDataAndGoesAway) {
  std::string dir;
  {
    e2e::GameHarness game({"font.dat"});
    dir = game.Dir();
    ASSERT_FALSE(dir.empty());
    EXPECT_FALSE(game.FileExists("data/font.dat"));
    EXPECT_TRUE(fs::is_directory(dir + "/data"));
    EXPECT_TRUE(game.Messages().empty());
  }
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_TRUE(fs::exists(VARNOK_DATA_DIR "/font.dat")) << "removing the scratch folder must not touch the data";

  e2e::GameHarness game;
  EXPECT_TRUE(game.FileExists("data/font.dat"));
}

}  // namespace
