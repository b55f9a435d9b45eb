// The menu, small and medium fonts in the order the game takes them.
#include <gtest/gtest.h>

#include "data_support.h"

TEST(FontData, ThreeProportionalFontsSizedForTheirScreensDrawEveryCharacter) {
  ASSERT_TRUE(data_test::StartAllegro());
  DATAFILE* data = load_datafile((data_test::kData + "/font.dat").c_str());
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data_test::Count(data), 3);
  // Menu items stand 30 pixels apart, debriefing lines 20, HUD lines 12.
  const int heights[][2] = {{24, 29}, {11, 14}, {16, 20}};
  BITMAP* canvas = create_bitmap_ex(32, 64, 64);
  for (int f = 0; f < 3; ++f) {
    SCOPED_TRACE("font " + std::to_string(f));
    ASSERT_EQ(data[f].type, DAT_FONT);
    FONT* font = static_cast<FONT*>(data[f].dat);
    const int height = text_height(font);
    EXPECT_TRUE(height >= heights[f][0] && height <= heights[f][1]) << height;
    EXPECT_GT(text_length(font, "M"), text_length(font, "i"));
    EXPECT_EQ(text_length(font, "Mi"), text_length(font, "M") + text_length(font, "i"));
    for (char c = 32; c <= 126; ++c) {
      const char text[2] = {c, '\0'};
      EXPECT_TRUE(text_length(font, text) > 0 && text_length(font, text) < height * 2) << "character " << c;
      clear_to_color(canvas, 0);
      textout_ex(canvas, font, text, 0, 0, makecol32(255, 255, 255), -1);
      int ink = 0;
      for (int y = 0; y < canvas->h; ++y)
        for (int x = 0; x < canvas->w; ++x) ink += (getpixel(canvas, x, y) & 0xffffff) != 0;
      EXPECT_EQ(ink > 0, c != ' ') << "character " << c << " draws nothing";
    }
  }
  destroy_bitmap(canvas);
  unload_datafile(data);
}
