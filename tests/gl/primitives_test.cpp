// The 2D view and the untextured primitives, read back from the screen,
// including the texturing, blending and culling state they leave behind.
#include "gl_harness.h"

using namespace gltest;

namespace {

const Pixel Black{0, 0, 0};
const Pixel White{255, 255, 255};
const Pixel Blue{0, 0, 255};
const Pixel Red{255, 0, 0};

bool Enabled(GLenum capability) { return glIsEnabled(capability) == GL_TRUE; }

GLint BlendSrc() {
  GLint value = 0;
  glGetIntegerv(GL_BLEND_SRC, &value);
  return value;
}

GLint BlendDst() {
  GLint value = 0;
  glGetIntegerv(GL_BLEND_DST, &value);
  return value;
}

// A raw triangle, as the game's geometry would send it, with culling on.
void RawTriangle(float x1, float y1, float x2, float y2, float x3, float y3) {
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_ONE, GL_ZERO);
  glColor3f(1, 1, 1);
  glBegin(GL_TRIANGLES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glVertex2f(x3, y3);
  glEnd();
}

}  // namespace

using Setup2DTest = Screen;
using PrimitiveTest = Screen;

TEST_F(Setup2DTest, CullsPolygonsThatRunCounterClockwiseOnTheScreen) {
  EXPECT_TRUE(Enabled(GL_CULL_FACE));
  EXPECT_TRUE(Enabled(GL_TEXTURE_2D));
  EXPECT_TRUE(Enabled(GL_BLEND));
  EXPECT_FALSE(Enabled(GL_DEPTH_TEST));
  EXPECT_FALSE(Enabled(GL_LIGHTING));
  // Clockwise on the screen: top-left, top-right, bottom-left.
  RawTriangle(100, 100, 200, 100, 100, 200);
  EXPECT_EQ(ReadPixel(120, 120), White);
  // Counter-clockwise: top-left, bottom-left, top-right.
  RawTriangle(300, 100, 300, 200, 400, 100);
  EXPECT_EQ(ReadPixel(320, 120), Black);
}

TEST_F(PrimitiveTest, RectPaintsTheBlackBandAndLeavesCullingOff) {
  ClearScreen(255, 255, 255);
  DrawRect(0, 300, 800, 315, CColor3(0, 0, 0));
  for (int x : {0, 400, 799}) {
    EXPECT_EQ(ReadPixel(x, 300), Black) << x;
    EXPECT_EQ(ReadPixel(x, 314), Black) << x;
    EXPECT_EQ(ReadPixel(x, 299), White) << x;
    EXPECT_EQ(ReadPixel(x, 315), White) << x;
  }
  EXPECT_FALSE(Enabled(GL_CULL_FACE));
  EXPECT_FALSE(Enabled(GL_TEXTURE_2D));

  // Still off after the CColor4 overload, which also ignores the winding.
  Setup2D();
  DrawRect(500, 50, 450, 100, CColor4(1, 1, 1, 1));
  EXPECT_EQ(ReadPixel(470, 70), White);
  EXPECT_FALSE(Enabled(GL_CULL_FACE));
}

TEST_F(PrimitiveTest, CounterClockwiseTriangleIsDrawnAndCullingIsOnAfterwards) {
  DrawRect(0, 0, 1, 1, CColor3(0, 0, 0));
  ASSERT_FALSE(Enabled(GL_CULL_FACE));
  DrawTriangle(300, 100, 300, 200, 400, 100, CColor3(1, 0, 0));
  EXPECT_EQ(ReadPixel(320, 120), Red);
  EXPECT_EQ(ReadPixel(390, 190), Black);
  EXPECT_TRUE(Enabled(GL_CULL_FACE));
  EXPECT_FALSE(Enabled(GL_TEXTURE_2D));

  DrawTriangle(500, 100, 500, 200, 600, 100, CColor4(1, 0, 0, 1));
  EXPECT_EQ(ReadPixel(520, 120), Red);
  EXPECT_TRUE(Enabled(GL_CULL_FACE));
}

TEST_F(PrimitiveTest, Color4BlendsWithWhatIsBeneathAndColor3ReplacesIt) {
  ClearScreen(0, 0, 255);
  DrawRect(100, 100, 200, 200, CColor4(1, 0, 0, 0.5f));
  EXPECT_TRUE(Near(ReadPixel(150, 150), Pixel{128, 0, 128}, 2)) << ReadPixel(150, 150);

  // Alpha 1 still goes through the alpha blend.
  DrawRect(300, 100, 400, 200, CColor4(1, 0, 0, 1));
  EXPECT_EQ(BlendSrc(), GL_SRC_ALPHA);
  EXPECT_EQ(BlendDst(), GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(ReadPixel(350, 150), Red);
  DrawRect(300, 100, 400, 200, CColor4(0, 1, 0, 0));
  EXPECT_EQ(ReadPixel(350, 150), Red);

  // A CColor3 primitive is opaque whatever blend was set before it.
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  DrawRect(500, 100, 600, 200, CColor3(1, 0, 0));
  EXPECT_EQ(ReadPixel(550, 150), Red);
  EXPECT_EQ(BlendSrc(), GL_ONE);
  EXPECT_EQ(BlendDst(), GL_ZERO);
}

TEST_F(PrimitiveTest, PointsAndLinesLeaveCullingAloneAndTexturingOff) {
  DrawPoint(10.5f, 10.5f, CColor3(1, 0, 0));
  EXPECT_EQ(ReadPixel(10, 10), Red);
  EXPECT_EQ(ReadPixel(11, 10), Black);
  EXPECT_EQ(ReadPixel(10, 11), Black);
  DrawLine(20, 30.5f, 60, 30.5f, CColor3(1, 1, 1));
  EXPECT_EQ(ReadPixel(21, 30), White);
  EXPECT_EQ(ReadPixel(58, 30), White);
  EXPECT_EQ(ReadPixel(40, 31), Black);
  EXPECT_EQ(ReadPixel(40, 29), Black);
  EXPECT_TRUE(Enabled(GL_CULL_FACE));
  EXPECT_FALSE(Enabled(GL_TEXTURE_2D));

  ClearScreen(0, 0, 255);
  DrawPoint(10.5f, 10.5f, CColor4(1, 0, 0, 0.5f));
  DrawLine(20, 30.5f, 60, 30.5f, CColor4(1, 0, 0, 0.5f));
  EXPECT_TRUE(Near(ReadPixel(10, 10), Pixel{128, 0, 128}, 2)) << ReadPixel(10, 10);
  EXPECT_TRUE(Near(ReadPixel(40, 30), Pixel{128, 0, 128}, 2)) << ReadPixel(40, 30);
  EXPECT_TRUE(Enabled(GL_CULL_FACE));
}

TEST_F(PrimitiveTest, FourSegmentCircleIsAClosedDiamond) {
  DrawCircle(400, 300, 100, 4, CColor3(1, 1, 1));
  // The rim vertices lie at right, down, left and up: a square on its corner,
  // closed on the last wedge.
  for (auto [x, y] : {std::pair{490, 300}, {400, 390}, {310, 300}, {400, 210}, {440, 260}, {360, 340}})
    EXPECT_EQ(ReadPixel(x, y), White) << x << "," << y;
  for (auto [x, y] : {std::pair{460, 360}, {340, 240}, {340, 360}, {460, 240}, {505, 300}})
    EXPECT_EQ(ReadPixel(x, y), Black) << x << "," << y;
  EXPECT_FALSE(Enabled(GL_CULL_FACE));

  // No wedges, nothing drawn (and no endless rim loop).
  ClearScreen(0, 0, 0);
  DrawCircle(400, 300, 100, 0, CColor3(1, 1, 1));
  DrawCircle(400, 300, 100, -3, CColor4(1, 1, 1, 1));
  EXPECT_EQ(ReadPixel(400, 300), Black);
}

TEST_F(PrimitiveTest, RoundCircleIsFrontFacingAndItsColor4OverloadKeepsCulling) {
  ClearScreen(0, 0, 255);
  ASSERT_TRUE(Enabled(GL_CULL_FACE));
  DrawCircle(200, 200, 50, 64, CColor4(1, 0, 0, 0.5f));
  EXPECT_TRUE(Enabled(GL_CULL_FACE));
  EXPECT_TRUE(Near(ReadPixel(200, 200), Pixel{128, 0, 128}, 2)) << ReadPixel(200, 200);
  // Points at 45 degrees, just inside and just outside the radius.
  EXPECT_TRUE(Near(ReadPixel(233, 233), Pixel{128, 0, 128}, 2)) << ReadPixel(233, 233);
  EXPECT_EQ(ReadPixel(238, 238), Blue);

  DrawRect(0, 0, 1, 1, CColor3(0, 0, 1));
  DrawCircle(500, 200, 50, 64, CColor4(1, 0, 0, 1));
  EXPECT_FALSE(Enabled(GL_CULL_FACE));
  EXPECT_EQ(ReadPixel(540, 200), Red);
}
