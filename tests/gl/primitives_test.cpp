// The untextured primitives read back from the screen, with the culling and texturing they leave behind.
#include "frontend_fixture.h"

using namespace frontendtest;

namespace {

using PrimitiveTest = Screen;
const Pixel Half{128, 0, 128};  // half red over blue

// Each call over one colour, after the lit, depth-tested intro's state which the 2D view must undo: rects and flat
// circles leave culling off, triangles turn it on, the rest keep it.
TEST_F(PrimitiveTest, EachCallPaintsItsPixelsAndLeavesItsState) {
  const struct {
    Pixel background;
    std::function<void()> draw;
    std::vector<Probe> probes;
    bool culling;
  } cases[] = {
      {White, [] { DrawRect(0, 300, 800, 315, CColor3(0, 0, 0)); },
       {{0, 300, Black}, {799, 314, Black}, {400, 299, White}, {400, 315, White}}, false},
      {Blue, [] { DrawRect(100, 100, 200, 200, CColor4(1, 0, 0, 0.5f)); }, {{150, 150, Half}}, false},
      {Black, [] { DrawTriangle(300, 100, 300, 200, 400, 100, CColor3(1, 0, 0)); },  // after a rect: culling was off
       {{320, 120, Red}, {390, 190, Black}}, true},
      {Black, [] { DrawPoint(10.5f, 10.5f, CColor3(1, 0, 0)); }, {{10, 10, Red}, {11, 10, Black}}, true},
      {Black, [] { DrawLine(20, 30.5f, 60, 30.5f, CColor3(1, 1, 1)); },
       {{21, 30, White}, {58, 30, White}, {40, 31, Black}}, true},
      // Rim vertices right, down, left and up: a square on its corner.
      {Black, [] { DrawCircle(400, 300, 100, 4, CColor3(1, 1, 1)); },
       {{490, 300, White}, {310, 300, White}, {440, 260, White}, {460, 360, Black}, {505, 300, Black}}, false},
      // Points at 45 degrees just inside and just outside the radius.
      {Blue, [] { DrawCircle(200, 200, 50, 64, CColor4(1, 0, 0, 0.5f)); },
       {{200, 200, Half}, {233, 233, Half}, {238, 238, Blue}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    glDisable(GL_BLEND);
    for (GLenum capability : {GL_LIGHTING, GL_DEPTH_TEST}) glEnable(capability);
    Setup2D();
    ClearScreen(c.background.r, c.background.g, c.background.b);
    glColor3f(1, 1, 1);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);  // additive: the opaque calls must set their own blend
    c.draw();
    ExpectPixels(c.probes);
    EXPECT_EQ(glIsEnabled(GL_CULL_FACE), c.culling);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  }
}

}  // namespace
