// The menu, small and medium fonts in the order the game takes them.
#include <gtest/gtest.h>

#include "data_support.h"

TEST(FontData, ThreeProportionalFontsSizedForTheirScreensDrawEveryCharacter) {
  ASSERT_TRUE(data_test::StartAllegro());
  DATAFILE* data = load_datafile((data_test::kData + "/font.dat").c_str());
  ASSERT_NE(data, nullptr);
  // Menu items stand 30 pixels apart, debriefing lines 20, HUD lines 12.
  const int heights[][2] = {{24, 29}, {11, 14}, {16, 20}};
  BITMAP* canvas = create_bitmap_ex(32, 64, 64);
  for (int f = 0; f < 3; ++f) {
    ASSERT_EQ(data[f].type, DAT_FONT) << f;
    FONT* font = static_cast<FONT*>(data[f].dat);
    const int height = text_height(font);
    EXPECT_TRUE(height >= heights[f][0] && height <= heights[f][1]) << "font " << f << ": " << height;
    EXPECT_GT(text_length(font, "M"), text_length(font, "i")) << "font " << f;
    for (char c = ' '; c <= '~'; ++c) {
      const char text[2] = {c, '\0'};
      clear_to_color(canvas, 0);
      textout_ex(canvas, font, text, 0, 0, makecol32(255, 255, 255), -1);
      int ink = 0;
      for (int y = 0; y < canvas->h; ++y)
        for (int x = 0; x < canvas->w; ++x) ink += (getpixel(canvas, x, y) & 0xffffff) != 0;
      const int width = text_length(font, text);
      EXPECT_TRUE(width > 0 && width < height * 2 && (ink > 0) == (c != ' ')) << "font " << f << ", '" << c << "'";
    }
  }
  destroy_bitmap(canvas);
  unload_datafile(data);
}
