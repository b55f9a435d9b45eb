// The landscape: start positions, the three layers' scrolling and wraps,
// the star colours and where everything is drawn.
#include "frontend_fixture.h"

#include <cstdlib>

#include "world/background.h"

using namespace frontendtest;
using gltest::Pixel;
using gltest::ReadPixel;

namespace {

class BackgroundTest : public FrontEndTest {};

// The stand-ins: hills 1024x100 (top half magenta), ground 1024x50,
// planet 100x100.
const Pixel HillBlue{0, 0, 200};
const Pixel Soil{120, 80, 40};
const Pixel Yellow{255, 255, 0};

}  // namespace

TEST_F(BackgroundTest, StartsAtTheScreenEdgeWithThePlanetSomewhereAhead) {
  for (unsigned seed : {1u, 2u, 3u, 99u}) {
    srand(seed);
    CBackground sky;
    EXPECT_FLOAT_EQ(sky.HillsX, 800.0f);
    EXPECT_FLOAT_EQ(sky.GroundX, 800.0f);
    EXPECT_GE(sky.EarthX, 400.0f);
    EXPECT_LE(sky.EarthX, 1600.0f);
  }
}

// Grey stars all over the screen, now and then a dim one tinted red.
TEST_F(BackgroundTest, StarsLieOnTheScreenGreyOrDimAndReddish) {
  srand(42);
  CBackground sky;
  int reddish = 0;
  for (const Point& star : sky.Stars) {
    ASSERT_TRUE(star.Pos.x >= 0 && star.Pos.x <= 800 && star.Pos.y >= 0 && star.Pos.y <= 600);
    const float b = star.Colour.b;
    ASSERT_TRUE(b >= 0.2f && b <= 1.0f && star.Colour.g == b) << b;
    if (star.Colour.r != b) {
      ++reddish;
      ASSERT_TRUE(b < 0.25f && star.Colour.r >= 0.5f && star.Colour.r <= 1.0f) << b << " " << star.Colour.r;
    }
  }
  EXPECT_GT(reddish, 0);
  EXPECT_LT(reddish, 60);
}

TEST_F(BackgroundTest, LayersScrollAtTheirSpeedsAndWrap) {
  CBackground sky;
  sky.EarthX = 1200.0f;
  sky.Scroll();
  EXPECT_NEAR(sky.EarthX, 1199.97f, 1e-3);
  EXPECT_FLOAT_EQ(sky.HillsX, 799.75f);
  EXPECT_FLOAT_EQ(sky.GroundX, 799.0f);
  for (int i = 1; i < 799; ++i) sky.Scroll();
  EXPECT_FLOAT_EQ(sky.GroundX, 1.0f);
  sky.Scroll();  // the 800th reaches 0 and wraps by the ground's width
  EXPECT_FLOAT_EQ(sky.GroundX, 1024.0f);
  EXPECT_FLOAT_EQ(sky.HillsX, 600.0f);

  sky.HillsX = 0.25f;
  sky.Scroll();
  EXPECT_FLOAT_EQ(sky.HillsX, 1024.0f);

  sky.EarthX = -1199.99f;
  sky.Scroll();
  EXPECT_FLOAT_EQ(sky.EarthX, 1200.0f);  // below -1.5 x 800: back far right
  sky.EarthX = -1199.0f;
  sky.Scroll();
  EXPECT_NEAR(sky.EarthX, -1199.03f, 1e-3);
}

TEST_F(BackgroundTest, DrawsStarsPlanetHillsAndGroundInPlace) {
  CBackground sky;
  for (Point& star : sky.Stars) {
    star.Pos = CVector2(0, 0);
    star.Colour = CColor3(0, 0, 0);
  }
  sky.Stars[0] = Point{CVector2(799.9f, 10.5f), CColor3(1, 0, 0)};
  sky.Stars[1] = Point{CVector2(300.2f, 420.99f), CColor3(0.5f, 0.5f, 0.5f)};
  sky.EarthX = 600.0f;
  sky.HillsX = 100.0f;
  sky.GroundX = 300.0f;
  gltest::ClearScreen(0, 0, 0);
  sky.Draw();

  EXPECT_EQ(ReadPixel(799, 10), (Pixel{255, 0, 0}));
  EXPECT_EQ(ReadPixel(798, 10), (Pixel{0, 0, 0}));
  EXPECT_EQ(ReadPixel(799, 11), (Pixel{0, 0, 0}));
  EXPECT_TRUE(Near(ReadPixel(300, 420), Pixel{128, 128, 128}));
  EXPECT_EQ(ReadPixel(300, 421), (Pixel{0, 0, 0}));

  // Planet centred at (600, 200).
  EXPECT_EQ(ReadPixel(550, 150), Yellow);
  EXPECT_EQ(ReadPixel(649, 249), Yellow);
  EXPECT_EQ(ReadPixel(549, 200), (Pixel{0, 0, 0}));
  EXPECT_EQ(ReadPixel(600, 250), (Pixel{0, 0, 0}));

  // Ground: bottom 50 rows; hills just above, their magenta half see-through.
  EXPECT_EQ(ReadPixel(0, 599), Soil);
  EXPECT_EQ(ReadPixel(799, 550), Soil);
  EXPECT_EQ(ReadPixel(400, 549), HillBlue);
  EXPECT_EQ(ReadPixel(0, 500), HillBlue);
  EXPECT_EQ(ReadPixel(400, 499), (Pixel{0, 0, 0}));
  EXPECT_EQ(ReadPixel(400, 450), (Pixel{0, 0, 0}));
}
