// The landscape: where it starts, the star colours, the three layers'
// scrolling and wraps, and where everything is drawn (stand-in pictures:
// hills 1024x100 with a see-through top half, ground 1024x50, planet 100x100).
#include "frontend_fixture.h"

#include <cstdlib>

#include "world/background.h"

using namespace frontendtest;

namespace {

using BackgroundTest = FrontEndTest;

TEST_F(BackgroundTest, StartsAtTheScreenEdgeUnderGreyStarsAndNowAndThenADimReddishOne) {
  int reddish = 0;
  for (unsigned seed : {1u, 2u, 3u, 99u}) {
    srand(seed);
    CBackground sky;
    EXPECT_EQ(std::vector<float>({sky.HillsX, sky.GroundX}), std::vector<float>({800, 800}));
    EXPECT_TRUE(sky.EarthX >= 400 && sky.EarthX <= 1600) << sky.EarthX;
    for (const Point& star : sky.Stars) {
      ASSERT_TRUE(star.Pos.x >= 0 && star.Pos.x <= 800 && star.Pos.y >= 0 && star.Pos.y <= 600);
      const float r = star.Colour.r, b = star.Colour.b;
      ASSERT_TRUE(b >= 0.2f && b <= 1.0f && star.Colour.g == b) << b;
      ASSERT_TRUE(r == b || (b < 0.25f && r >= 0.5f && r <= 1.0f)) << b << " " << r;
      reddish += r != b;
    }
  }
  EXPECT_GT(reddish, 0);
  EXPECT_LT(reddish, 4 * 60);
}

// One scroll from a given position: the layer's new position.
TEST_F(BackgroundTest, LayersScrollAtTheirSpeedsAndWrap) {
  const struct {
    float CBackground::*layer;
    float from, to;
  } cases[] = {{&CBackground::EarthX, 1200, 1199.97f},   {&CBackground::EarthX, -1199, -1199.03f},
               {&CBackground::EarthX, -1199.99f, 1200},  {&CBackground::HillsX, 800, 799.75f},
               {&CBackground::HillsX, 0.25f, 1024},      {&CBackground::GroundX, 800, 799},
               {&CBackground::GroundX, 1, 1024}};
  CBackground sky;
  for (const auto& c : cases) {
    sky.*c.layer = c.from;
    sky.Scroll();
    EXPECT_NEAR(sky.*c.layer, c.to, 1e-3) << c.from;
  }
}

TEST_F(BackgroundTest, DrawsStarsPlanetHillsAndGroundInPlace) {
  CBackground sky;
  for (Point& star : sky.Stars) star = Point{CVector2(0, 0), CColor3(0, 0, 0)};
  sky.Stars[0] = Point{CVector2(799.9f, 10.5f), CColor3(1, 0, 0)};
  sky.Stars[1] = Point{CVector2(300.2f, 420.99f), CColor3(0.5f, 0.5f, 0.5f)};
  sky.EarthX = 600.0f;
  sky.HillsX = 100.0f;
  sky.GroundX = 300.0f;
  ClearScreen(0, 0, 0);
  sky.Draw();
  // Stars on whole pixels; the planet centred at (600, 200); the ground in
  // the bottom 50 rows, the hills' blue half just above.
  const Pixel yellow{255, 255, 0}, soil{120, 80, 40}, hill{0, 0, 200};
  ExpectPixels({{799, 10, Red}, {798, 10, Black}, {799, 11, Black}, {300, 420, {128, 128, 128}}, {300, 421, Black},
                {550, 150, yellow}, {649, 249, yellow}, {549, 200, Black}, {600, 250, Black}, {0, 599, soil},
                {799, 550, soil}, {400, 549, hill}, {0, 500, hill}, {400, 499, Black}, {400, 450, Black}});
}

}  // namespace
