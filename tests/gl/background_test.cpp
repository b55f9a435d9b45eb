// The landscape over the fixture's stand-in pictures.
#include "frontend_fixture.h"
#include "world/background.h"

using namespace frontendtest;

namespace {

using BackgroundTest = FrontEndTest;

TEST_F(BackgroundTest, StartsAtTheScreenEdgeUnderGreyStarsAndNowAndThenADimReddishOne) {
  int reddish = 0;
  srand(1);
  CBackground sky;
  EXPECT_TRUE(sky.HillsX == 800 && sky.GroundX == 800 && sky.EarthX >= 400 && sky.EarthX <= 1600) << sky.EarthX;
  for (const Point& star : sky.Stars) {
    const float r = star.Colour.r, b = star.Colour.b;
    ASSERT_TRUE(b >= 0.2f && b <= 1.0f && star.Colour.g == b && (r == b || (b < 0.25f && r >= 0.5f && r <= 1)))
        << b << " " << r;
    reddish += r != b;
  }
  EXPECT_TRUE(reddish > 0 && reddish < 300 / 5) << reddish;
}

// Each row one scroll from a given position. Then the drawing: stars on whole pixels; the planet centred at
// (600, 200); the ground in the bottom 50 rows, the hills' opaque half just above.
TEST_F(BackgroundTest, LayersScrollAtTheirSpeedsWrapAndDrawInPlace) {
  using B = CBackground;
  const struct {
    float B::*layer;
    float from, to;
  } cases[] = {{&B::EarthX, 1200, 1199.97f}, {&B::EarthX, -1199, -1199.03f}, {&B::EarthX, -1199.99f, 1200},
               {&B::HillsX, 800, 799.75f},   {&B::HillsX, 0.25f, 1024},      {&B::GroundX, 800, 799},
               {&B::GroundX, 1, 1024}};
  B sky;
  for (const auto& c : cases) {
    sky.*c.layer = c.from;
    sky.Scroll();
    EXPECT_NEAR(sky.*c.layer, c.to, 1e-3) << c.from;
  }
  for (Point& star : sky.Stars) star = Point{CVector2(799.9f, 10.5f), CColor3(1, 0, 0)};
  sky.Stars[1] = Point{CVector2(300.2f, 420.99f), CColor3(0.5f, 0.5f, 0.5f)};
  sky.EarthX = 600.0f;
  sky.HillsX = 100.0f;
  sky.GroundX = 300.0f;
  sky.Draw();
  const Pixel yellow{255, 255, 0}, soil{120, 80, 40}, hill{0, 0, 200};
  ExpectPixels({{799, 10, Red}, {798, 10, Black}, {799, 11, Black}, {300, 420, {128, 128, 128}}, {300, 421, Black},
                {550, 150, yellow}, {649, 249, yellow}, {549, 200, Black}, {600, 250, Black}, {0, 599, soil},
                {799, 550, soil}, {400, 549, hill}, {0, 500, hill}, {400, 499, Black}});
}

}  // namespace
