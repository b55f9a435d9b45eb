// The 2D view and the untextured primitives, read back from the screen,
// with the texturing, blending and culling state they leave behind.
#include "frontend_fixture.h"

using namespace frontendtest;

namespace {

using PrimitiveTest = Screen;
const Pixel Half{128, 0, 128};  // half red over blue

bool Enabled(GLenum capability) { return glIsEnabled(capability) == GL_TRUE; }

void RawTriangles() {
  EXPECT_TRUE(Enabled(GL_CULL_FACE) && Enabled(GL_TEXTURE_2D) && Enabled(GL_BLEND));
  EXPECT_FALSE(Enabled(GL_DEPTH_TEST) || Enabled(GL_LIGHTING));
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_ONE, GL_ZERO);
  glBegin(GL_TRIANGLES);
  const float clockwiseThenNot[] = {100, 100, 200, 100, 100, 200, 300, 100, 300, 200, 400, 100};
  for (int i = 0; i < 12; i += 2) glVertex2f(clockwiseThenNot[i], clockwiseThenNot[i + 1]);
  glEnd();
}

// Each call on a screen of one colour: the probes, then culling as left behind (rects and flat circles leave it
// off, triangles turn it on, points, lines and blended circles keep it), texturing off, and the blend set.
TEST_F(PrimitiveTest, EachCallPaintsItsPixelsAndLeavesItsState) {
  const struct {
    Pixel background;
    std::function<void()> draw;
    std::vector<Probe> probes;
    bool culling;
    GLint blendSrc;  // 0: not checked
  } cases[] = {
      {Black, RawTriangles, {{120, 120, White}, {320, 120, Black}}, true, 0},  // the view culls counter-clockwise
      {White, [] { DrawRect(0, 300, 800, 315, CColor3(0, 0, 0)); },
       {{0, 300, Black}, {799, 314, Black}, {400, 299, White}, {400, 315, White}}, false, GL_ONE},
      {Black, [] { DrawRect(500, 50, 450, 100, CColor4(1, 1, 1, 1)); }, {{470, 70, White}}, false, GL_SRC_ALPHA},
      {Blue, [] { DrawRect(100, 100, 200, 200, CColor4(1, 0, 0, 0.5f)); }, {{150, 150, Half}}, false, GL_SRC_ALPHA},
      {Blue,
       [] {
         glBlendFunc(GL_SRC_ALPHA, GL_ONE);
         DrawRect(500, 100, 600, 200, CColor3(1, 0, 0));
       },
       {{550, 150, Red}}, false, GL_ONE},
      {Black,
       [] {
         DrawRect(0, 0, 1, 1, CColor3(0, 0, 0));  // culling off, for the triangle to turn on
         DrawTriangle(300, 100, 300, 200, 400, 100, CColor3(1, 0, 0));
       },
       {{320, 120, Red}, {390, 190, Black}}, true, 0},
      {Black, [] { DrawPoint(10.5f, 10.5f, CColor3(1, 0, 0)); }, {{10, 10, Red}, {11, 10, Black}, {10, 11, Black}},
       true, 0},
      {Black, [] { DrawLine(20, 30.5f, 60, 30.5f, CColor3(1, 1, 1)); },
       {{21, 30, White}, {58, 30, White}, {40, 31, Black}}, true, 0},
      {Blue, [] { DrawPoint(10.5f, 10.5f, CColor4(1, 0, 0, 0.5f)); }, {{10, 10, Half}}, true, 0},
      {Blue, [] { DrawLine(20, 30.5f, 60, 30.5f, CColor4(1, 0, 0, 0.5f)); }, {{40, 30, Half}}, true, 0},
      // Rim vertices right, down, left and up: a square on its corner; no wedges draw nothing (and never loop).
      {Black, [] { DrawCircle(400, 300, 100, 4, CColor3(1, 1, 1)); },
       {{490, 300, White}, {310, 300, White}, {440, 260, White}, {460, 360, Black}, {505, 300, Black}}, false, 0},
      {Black, [] { DrawCircle(100, 300, 50, 0, CColor3(1, 1, 1)); }, {{100, 300, Black}}, false, 0},
      // Points at 45 degrees just inside and just outside the radius.
      {Blue, [] { DrawCircle(200, 200, 50, 64, CColor4(1, 0, 0, 0.5f)); },
       {{200, 200, Half}, {233, 233, Half}, {238, 238, Blue}}, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Setup2D();
    ClearScreen(c.background.r, c.background.g, c.background.b);
    glColor3f(1, 1, 1);
    c.draw();
    ExpectPixels(c.probes);
    EXPECT_EQ(Enabled(GL_CULL_FACE), c.culling);
    EXPECT_FALSE(Enabled(GL_TEXTURE_2D));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    const GLint blendDst = c.blendSrc == GL_ONE ? GL_ZERO : GL_ONE_MINUS_SRC_ALPHA;
    EXPECT_TRUE(c.blendSrc == 0 || (src == c.blendSrc && dst == blendDst)) << src << ", " << dst;
  }
}

}  // namespace
