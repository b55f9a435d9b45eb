// The generated pictures load through the calls the game uses, have the sizes
// the screen layout needs and keep clean mask edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "data_support.h"
#include "ships/enemy.h"

namespace {

using namespace data_test;

BITMAP* LoadBmp(const std::string& name) { return load_bitmap((kData + "/" + name).c_str(), nullptr); }
bool IsMask(BITMAP* b, int x, int y) { return getpixel(b, x, y) == bitmap_mask_color(b); }

bool Same(BITMAP* a, BITMAP* b) {
  for (int y = 0; y < a->h; ++y)
    for (int x = 0; x < a->w; ++x)
      if (getpixel(a, x, y) != getpixel(b, x, y)) return false;
  return true;
}

// What a picture shows: solid pixels, those blended towards magenta (a pink fringe
// on screen), solid and lit ones along the border, and the light it gives.
struct Survey {
  int solid = 0, fringe = 0, edgeSolid = 0, edgeLit = 0;
  long light = 0;
};

Survey Look(BITMAP* b) {
  Survey s;
  for (int y = 0; y < b->h; ++y)
    for (int x = 0; x < b->w; ++x) {
      if (IsMask(b, x, y)) continue;
      const int c = getpixel(b, x, y), depth = bitmap_color_depth(b);
      const int r = getr_depth(depth, c), g = getg_depth(depth, c), bl = getb_depth(depth, c);
      const bool edge = x == 0 || y == 0 || x == b->w - 1 || y == b->h - 1;
      ++s.solid;
      s.fringe += (255 - r) + g + (255 - bl) < 150;
      s.edgeSolid += edge;
      s.edgeLit += edge && std::max({r, g, bl}) > 8;
      s.light += r + g + bl;
    }
  return s;
}

// The player's set (0) and the twelve enemy sets: flight frames climbing to level
// to diving, then a shadow when there are several; the explosion's frames.
TEST(Art, SpriteSetsHoldTheGamesSpritesWithCleanMasks) {
  ASSERT_TRUE(StartAllegro());
  const struct {
    int set, minW, maxW;  // set 0 is the player's, -1 the explosion's
    bool turret;          // frames turn the barrel inside one box
  } sets[] = {{0, 50, 80, false}, {1, 36, 70, false}, {2, 20, 60, false},   {3, 36, 70, false},   {4, 70, 112, false},
              {5, 60, 112, false}, {6, 36, 80, false}, {7, 24, 70, true},   {8, 36, 70, false},   {9, 20, 60, false},
              {10, 70, 112, false}, {11, 20, 60, false}, {12, 24, 70, true}, {-1, 48, 128, false}};
  for (const auto& set : sets) {
    const std::string file =
        set.set > 0 ? "enemy" + std::to_string(set.set) + ".dat" : set.set ? "explosion.dat" : "player.dat";
    SCOPED_TRACE(file);
    DATAFILE* d = load_datafile((kData + "/" + file).c_str());
    ASSERT_NE(d, nullptr);
    const int n = set.set > 0 ? CShipNPC::SpriteSetSize(set.set) : set.set ? 15 : 8;
    const int frames = n > 1 && set.set >= 0 ? n - 1 : n, maxH = set.set < 0 ? 128 : 64;
    ASSERT_EQ(Count(d), n);
    std::vector<BITMAP*> b;
    std::vector<Survey> s;
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(d[i].type, DAT_BITMAP) << i;
      b.push_back(static_cast<BITMAP*>(d[i].dat));
      s.push_back(Look(b[i]));
      EXPECT_TRUE(bitmap_color_depth(b[i]) >= 24 && s[i].fringe == 0) << "sprite " << i;
      // A ship stays clear of its border; an explosion, drawn additively, is black there.
      EXPECT_TRUE(set.set < 0 ? s[i].edgeLit == 0 : s[i].edgeSolid == 0 && s[i].solid > 20) << "sprite " << i;
      EXPECT_TRUE(i >= frames || (b[i]->w >= set.minW && b[i]->w <= set.maxW && b[i]->h >= 8 && b[i]->h <= maxH))
          << "sprite " << i << ": " << b[i]->w << "x" << b[i]->h;
      const bool turning = i == 0 || (b[i]->w == b[0]->w && b[i]->h == b[0]->h && !Same(b[i], b[i - 1]));
      EXPECT_TRUE(!set.turret || i >= frames || turning) << "turret frame " << i;
    }
    if (frames < n) {
      EXPECT_LT(b[frames]->h * 2, b[frames / 2]->h + 2) << "a shadow is flat";
      EXPECT_LT(s[frames].light / s[frames].solid, 120) << "a shadow is dark";
    }
    EXPECT_TRUE(!set.turret || !Same(b[0], b[frames - 1])) << "the barrel leans both ways";
    EXPECT_TRUE(set.set != 0 || (b[0]->h > b[3]->h && b[6]->h > b[3]->h)) << "the player's tilted frames";
    EXPECT_TRUE(set.set >= 0 || s[14].light * 3 < s[2].light) << "the fireball fades out";
    unload_datafile(d);
  }
}

TEST(Art, PicturesLoadWithTheirSizesAndMasks) {
  ASSERT_TRUE(StartAllegro());
  enum Kind { Additive, Opaque, Ship, Hills, Ground };
  const struct {
    const char* file;
    int minW, maxW, minH, maxH;
    Kind kind;
  } pictures[] = {
      {"bomb.bmp", 16, 32, 6, 14, Ship},           {"rocket.bmp", 20, 36, 5, 12, Ship},
      {"mine.bmp", 12, 26, 12, 26, Ship},          {"fire.bmp", 8, 24, 8, 24, Additive},
      {"powerammo.bmp", 24, 40, 24, 40, Additive}, {"powerheal.bmp", 24, 40, 24, 40, Additive},
      {"powerlife.bmp", 24, 40, 24, 40, Additive}, {"hills.bmp", 800, 2048, 60, 250, Hills},
      {"ground.bmp", 800, 2048, 50, 50, Ground},   {"earth.bmp", 160, 220, 160, 220, Ship},
      {"logo.bmp", 300, 700, 80, 220, Additive},  // from y 20, clear of the menu at 245
      {"moon.bmp", 200, 400, 200, 400, Opaque},    {"quenby.bmp", 256, 256, 256, 256, Opaque},  // a texture
      {"exit.bmp", 256, 800, 200, 600, Opaque}};
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.file);
    BITMAP* b = LoadBmp(p.file);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->w >= p.minW && b->w <= p.maxW && b->h >= p.minH && b->h <= p.maxH) << b->w << "x" << b->h;
    const Survey s = Look(b);
    EXPECT_TRUE(p.kind == Opaque || p.kind == Ground ? s.solid == b->w * b->h : s.fringe == 0) << "holes or fringe";
    EXPECT_TRUE(p.kind != Ship || (s.edgeSolid == 0 && s.solid > 20)) << "touches its border";
    EXPECT_TRUE(p.kind != Additive || s.edgeLit == 0) << "not black at its border";
    // Landscape strips repeat side by side, stand on the ground line and the hills leave the sky clear.
    const bool strip = p.kind == Hills || p.kind == Ground;
    for (int y = 0; strip && y < b->h; ++y)
      ASSERT_EQ(getpixel(b, 0, y), getpixel(b, b->w - 1, y)) << "left and right columns differ at y " << y;
    for (int x = 0; strip && x < b->w; ++x)
      ASSERT_TRUE(!IsMask(b, x, b->h - 1) && (p.kind == Ground || IsMask(b, x, 0))) << "gap or peak at x " << x;
    destroy_bitmap(b);
  }
}

TEST(Art, TheMoonFadesToBlackAtItsEdgesAndStaysDimBehindTheMenu) {
  ASSERT_TRUE(StartAllegro());
  BITMAP* moon = LoadBmp("moon.bmp");
  ASSERT_NE(moon, nullptr);
  // It sits in the bottom-left corner of a black screen: lit pixels in its top
  // rows or right columns would end the glow in a visible edge. The menu text
  // from x 200, y 250 lies over it.
  int edge = 0, bright = 0;
  for (int y = 0; y < moon->h; ++y)
    for (int x = 0; x < moon->w; ++x) {
      const int c = getpixel(moon, x, y), light = getr32(c) + getg32(c) + getb32(c);
      edge += (y < 12 || x >= moon->w - 12) && light > 0;
      bright += y >= moon->h - 250 && x >= 190 && light > 3 * 150;
    }
  EXPECT_EQ(edge, 0);
  EXPECT_LT(bright, 30);
  destroy_bitmap(moon);
}

}  // namespace
