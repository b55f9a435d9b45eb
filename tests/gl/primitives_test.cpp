// The 2D view and the untextured primitives, read back from the screen,
// with the texturing, blending and culling state they leave behind.
#include "frontend_fixture.h"

#include <functional>
#include <vector>

using namespace frontendtest;

namespace {

using PrimitiveTest = Screen;
const Pixel Half{128, 0, 128};  // half red over blue

bool Enabled(GLenum capability) { return glIsEnabled(capability) == GL_TRUE; }

// Each call on a screen of one colour from the 2D view's state: the probes,
// then culling as left behind (rects and flat circles ignore the winding and
// leave it off, triangles turn it on, points, lines and blended circles keep
// it), texturing off, and the blend a CColor3 or CColor4 call sets.
TEST_F(PrimitiveTest, EachCallPaintsItsPixelsAndLeavesItsState) {
  const struct {
    const char* name;
    Pixel background;
    std::function<void()> draw;
    std::vector<Probe> probes;
    bool culling;
    GLint blendSrc;  // 0: not checked
  } cases[] = {
      // The view itself culls what runs counter-clockwise on the screen.
      {"raw triangles", Black,
       [] {
         EXPECT_TRUE(Enabled(GL_CULL_FACE) && Enabled(GL_TEXTURE_2D) && Enabled(GL_BLEND));
         EXPECT_FALSE(Enabled(GL_DEPTH_TEST) || Enabled(GL_LIGHTING));
         glDisable(GL_TEXTURE_2D);
         glBlendFunc(GL_ONE, GL_ZERO);
         glColor3f(1, 1, 1);
         glBegin(GL_TRIANGLES);
         const float clockwiseThenNot[] = {100, 100, 200, 100, 100, 200, 300, 100, 300, 200, 400, 100};
         for (int i = 0; i < 12; i += 2) glVertex2f(clockwiseThenNot[i], clockwiseThenNot[i + 1]);
         glEnd();
       },
       {{120, 120, White}, {320, 120, Black}}, true, 0},
      {"band", White, [] { DrawRect(0, 300, 800, 315, CColor3(0, 0, 0)); },
       {{0, 300, Black}, {799, 314, Black}, {400, 299, White}, {400, 315, White}}, false, GL_ONE},
      {"rect either way round", Black, [] { DrawRect(500, 50, 450, 100, CColor4(1, 1, 1, 1)); }, {{470, 70, White}},
       false, GL_SRC_ALPHA},
      {"half alpha rect", Blue, [] { DrawRect(100, 100, 200, 200, CColor4(1, 0, 0, 0.5f)); }, {{150, 150, Half}},
       false, GL_SRC_ALPHA},
      {"clear rect over red", Blue,
       [] {
         DrawRect(300, 100, 400, 200, CColor4(1, 0, 0, 1));
         DrawRect(300, 100, 400, 200, CColor4(0, 1, 0, 0));
       },
       {{350, 150, Red}}, false, GL_SRC_ALPHA},
      {"opaque whatever the blend", Blue,
       [] {
         glBlendFunc(GL_SRC_ALPHA, GL_ONE);
         DrawRect(500, 100, 600, 200, CColor3(1, 0, 0));
       },
       {{550, 150, Red}}, false, GL_ONE},
      {"counter-clockwise triangle", Black,
       [] {
         DrawRect(0, 0, 1, 1, CColor3(0, 0, 0));
         DrawTriangle(300, 100, 300, 200, 400, 100, CColor3(1, 0, 0));
         DrawTriangle(500, 100, 500, 200, 600, 100, CColor4(1, 0, 0, 1));
       },
       {{320, 120, Red}, {390, 190, Black}, {520, 120, Red}}, true, 0},
      {"point and line", Black,
       [] {
         DrawPoint(10.5f, 10.5f, CColor3(1, 0, 0));
         DrawLine(20, 30.5f, 60, 30.5f, CColor3(1, 1, 1));
       },
       {{10, 10, Red}, {11, 10, Black}, {10, 11, Black}, {21, 30, White}, {58, 30, White}, {40, 31, Black}},
       true, 0},
      {"blended point and line", Blue,
       [] {
         DrawPoint(10.5f, 10.5f, CColor4(1, 0, 0, 0.5f));
         DrawLine(20, 30.5f, 60, 30.5f, CColor4(1, 0, 0, 0.5f));
       },
       {{10, 10, Half}, {40, 30, Half}}, true, 0},
      // Rim vertices right, down, left and up: a square on its corner,
      // closed on the last wedge; no wedges draw nothing (and never loop).
      {"four-segment circle", Black,
       [] {
         DrawCircle(400, 300, 100, 4, CColor3(1, 1, 1));
         DrawCircle(100, 300, 50, 0, CColor3(1, 1, 1));
         DrawCircle(100, 300, 50, -3, CColor4(1, 1, 1, 1));
       },
       {{490, 300, White}, {400, 390, White}, {310, 300, White}, {400, 210, White}, {440, 260, White},
        {360, 340, White}, {460, 360, Black}, {340, 240, Black}, {505, 300, Black}, {100, 300, Black}},
       false, 0},
      // Points at 45 degrees just inside and just outside the radius.
      {"round blended circle", Blue, [] { DrawCircle(200, 200, 50, 64, CColor4(1, 0, 0, 0.5f)); },
       {{200, 200, Half}, {233, 233, Half}, {238, 238, Blue}}, true, 0},
      {"round circle after a rect", Blue,
       [] {
         DrawRect(0, 0, 1, 1, CColor3(0, 0, 1));
         DrawCircle(500, 200, 50, 64, CColor4(1, 0, 0, 1));
       },
       {{540, 200, Red}}, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Setup2D();
    ClearScreen(c.background.r, c.background.g, c.background.b);
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
