// The generated pictures and fonts, loaded through the calls the game uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "data_support.h"
#include "ships/enemy.h"

namespace {

using namespace data_test;

bool IsMask(BITMAP* b, int x, int y) { return getpixel(b, x, y) == bitmap_mask_color(b); }

// What a picture shows; a pixel blended towards magenta is a pink fringe on screen.
struct Survey {
  int solid = 0, fringe = 0, edgeSolid = 0, edgeLit = 0, moonStray = 0;
  unsigned long light = 0, digest = 0;
};

Survey Look(BITMAP* b) {
  Survey s;
  for (int y = 0; y < b->h; ++y)
    for (int x = 0; x < b->w; ++x) {
      if (IsMask(b, x, y)) continue;
      const int c = getpixel(b, x, y), r = getr32(c), g = getg32(c), bl = getb32(c);
      const bool edge = x == 0 || y == 0 || x == b->w - 1 || y == b->h - 1;
      ++s.solid;
      s.fringe += (255 - r) + g + (255 - bl) < 150;
      s.edgeSolid += edge;
      s.edgeLit += edge && std::max({r, g, bl}) > 8;
      s.light += r + g + bl;
      s.digest = s.digest * 31 + (c & 0xffffff) + x * 7 + y;
      // Lit top rows or right columns would end the moon's glow in an edge; the menu text from x 200 lies over it.
      s.moonStray += y < 12 || x >= b->w - 12 ? r + g + bl > 0 : x >= 190 && r + g + bl > 450;
    }
  return s;
}

// Sprite sets hold flight frames climbing to level to diving, then a shadow when there are several; a turret's
// frames turn the barrel inside one box. Additive pictures are drawn brightened, so black is their clear colour.
enum Kind { Ship, Turret, Additive, Opaque, Moon, Hills, Ground };
struct Picture {
  std::string file;
  int minW, maxW, minH, maxH;
  Kind kind;
  int count = 1;  // bitmaps in a datafile
};

TEST(Art, PicturesAndSpriteSetsHaveTheirSizesAndCleanMasks) {
  ASSERT_TRUE(StartAllegro());
  std::vector<Picture> all = {{"player.dat", 50, 80, 8, 64, Ship, 8}, {"explosion.dat", 48, 128, 8, 128, Additive, 15},
      {"bomb.bmp", 16, 32, 6, 14, Ship}, {"rocket.bmp", 20, 36, 5, 12, Ship}, {"mine.bmp", 12, 26, 12, 26, Ship},
      {"earth.bmp", 160, 220, 160, 220, Ship}, {"fire.bmp", 8, 24, 8, 24, Additive},
      {"powerammo.bmp", 24, 40, 24, 40, Additive}, {"powerheal.bmp", 24, 40, 24, 40, Additive},
      {"powerlife.bmp", 24, 40, 24, 40, Additive}, {"logo.bmp", 300, 700, 80, 220, Additive},
      {"hills.bmp", 800, 2048, 60, 250, Hills}, {"ground.bmp", 800, 2048, 50, 50, Ground},
      {"moon.bmp", 200, 400, 200, 400, Moon}, {"quenby.bmp", 256, 256, 256, 256, Opaque},
      {"exit.bmp", 256, 800, 200, 600, Opaque}};
  const int widths[][2] = {{36, 70}, {20, 60}, {36, 70}, {70, 112}, {60, 112}, {36, 80}, {24, 70}, {36, 70},
                           {20, 60}, {70, 112}, {20, 60}, {24, 70}};
  for (int set = 1; set <= 12; ++set)
    all.push_back({"enemy" + std::to_string(set) + ".dat", widths[set - 1][0], widths[set - 1][1], 8, 64,
                   set == 7 || set == 12 ? Turret : Ship, CShipNPC::SpriteSetSize(set)});
  for (const Picture& p : all) {
    SCOPED_TRACE(p.file);
    const std::string path = kData + "/" + p.file;
    std::vector<BITMAP*> b;
    DATAFILE* d = p.file.find(".dat") != std::string::npos ? load_datafile(path.c_str()) : nullptr;
    for (int i = 0; d && d[i].type == DAT_BITMAP; ++i) b.push_back(static_cast<BITMAP*>(d[i].dat));
    if (!d) b.push_back(load_bitmap(path.c_str(), nullptr));
    ASSERT_TRUE(b.size() == static_cast<size_t>(p.count) && b.back()) << b.size();
    const int n = p.count, frames = n > 1 && p.kind != Additive ? n - 1 : n;
    std::vector<Survey> s;
    for (int i = 0; i < n; ++i) {
      s.push_back(Look(b[i]));
      const bool solid = s[i].solid == b[i]->w * b[i]->h;
      EXPECT_TRUE(p.kind == Opaque || p.kind == Moon || p.kind == Ground ? solid : s[i].fringe == 0) << i;
      EXPECT_TRUE(p.kind > Turret || (s[i].edgeSolid == 0 && s[i].solid > 20)) << i << " touches its border";
      EXPECT_TRUE(p.kind != Additive || s[i].edgeLit == 0) << i << " is not black at its border";
      EXPECT_TRUE(p.kind != Moon || s[i].moonStray == 0) << s[i].moonStray << " pixels lit where it must be dark";
      EXPECT_TRUE(i >= frames || (b[i]->w >= p.minW && b[i]->w <= p.maxW && b[i]->h >= p.minH && b[i]->h <= p.maxH))
          << i << ": " << b[i]->w << "x" << b[i]->h;
      const bool turning = i == 0 || (b[i]->w == b[0]->w && b[i]->h == b[0]->h && s[i].digest != s[i - 1].digest);
      EXPECT_TRUE(p.kind != Turret || i >= frames || turning) << "turret frame " << i;
    }
    EXPECT_TRUE(frames == n || (b[frames]->h * 2 < b[frames / 2]->h + 2 && s[frames].light / s[frames].solid < 120))
        << "a shadow is flat and dark";
    EXPECT_TRUE(p.kind != Turret || s[0].digest != s[frames - 1].digest) << "the barrel leans both ways";
    EXPECT_TRUE(p.file != "player.dat" || (b[0]->h > b[3]->h && b[6]->h > b[3]->h)) << "the tilted frames";
    EXPECT_TRUE(n != 15 || s[14].light * 3 < s[2].light) << "the fireball fades out";
    // Landscape strips repeat side by side, stand on the ground line and the hills leave the sky clear.
    for (int y = 0; p.kind >= Hills && y < b[0]->h; ++y)
      ASSERT_EQ(getpixel(b[0], 0, y), getpixel(b[0], b[0]->w - 1, y)) << "left and right columns differ at y " << y;
    for (int x = 0; p.kind >= Hills && x < b[0]->w; ++x)
      ASSERT_TRUE(!IsMask(b[0], x, b[0]->h - 1) && (p.kind == Ground || IsMask(b[0], x, 0))) << "gap or peak at " << x;
    d ? unload_datafile(d) : destroy_bitmap(b[0]);
  }
}

TEST(Art, ThreeProportionalFontsSizedForTheirScreensDrawEveryCharacter) {
  ASSERT_TRUE(StartAllegro());
  DATAFILE* data = load_datafile((kData + "/font.dat").c_str());
  ASSERT_NE(data, nullptr);
  // The menu, small and medium fonts as the game takes them: menu items stand 30 pixels apart, HUD lines 12 and
  // debriefing lines 20.
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
      const int width = text_length(font, text);
      const bool ink = Look(canvas).light > 0;
      EXPECT_TRUE(width > 0 && width < height * 2 && ink == (c != ' ')) << "font " << f << ", '" << c << "'";
    }
  }
  destroy_bitmap(canvas);
  unload_datafile(data);
}

}  // namespace
