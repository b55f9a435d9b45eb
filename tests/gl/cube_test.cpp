// The logo cube in the intro's perspective view: where it lands, which way its faces run, how its texture sits.
#include <GL/glu.h>

#include <array>

#include "frontend_fixture.h"
#include "graphics/cube.h"

using namespace frontendtest;

namespace {

// The polygons that pass clipping and culling, counted in feedback mode.
int CountPolygons() {
  std::array<GLfloat, 4096> buffer{};
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  Cube(0, 0, 0, 1.2f, 1.2f, 1.2f).Render();
  const int used = glRenderMode(GL_RENDER);
  int polygons = 0;
  for (int i = 0; i < used; ++polygons) i += 2 + 2 * static_cast<int>(buffer[static_cast<size_t>(i + 1)]);
  return polygons;
}

class CubeTest : public Screen {
  void TearDown() override { Setup2D(); }  // later fixtures build textures before their own Setup2D
};

// Below and right of the viewer three faces turn towards it: with clockwise fronts exactly those survive back-face
// culling. Straight ahead at distance 4 the front spans 0.6 / 3.4 / tan 15° of the half height (about 197.6
// pixels) either side of the centre, showing the picture (quarters red, green, blue, yellow) upright and unmirrored.
// Moved to distance 10 by the model-view and its own centre together, it spans about 71 pixels and undoes its move.
TEST_F(CubeTest, FacesRunClockwiseAndTheFrontShowsThePictureUprightWhereTheCubeIs) {
  glMatrixMode(GL_PROJECTION);  // the intro's view
  glLoadIdentity();
  gluPerspective(30.0, 800.0 / 600.0, 1.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_CULL_FACE);
  glTranslatef(0.9f, -0.9f, -8);
  const int all = CountPolygons();
  glEnable(GL_CULL_FACE);
  EXPECT_EQ(CountPolygons(), all / 2);
  glLoadIdentity();
  glTranslatef(0, 0, -4);
  BITMAP* bmp = MakeFilledBitmap(64, 64, 255, 255, 0);
  for (const auto& [x, y, colour] : {Probe{0, 0, Red}, {32, 0, {0, 255, 0}}, {0, 32, Blue}})
    rectfill(bmp, x, y, x + 31, y + 31, makecol32(colour.r, colour.g, colour.b));
  CGLSprite logo(bmp, MaskNone);
  destroy_bitmap(bmp);
  glBindTexture(GL_TEXTURE_2D, logo.TextureName());
  Cube(0, 0, 0, 1.2f, 1.2f, 1.2f).Render();
  const Pixel green{0, 255, 0}, yellow{255, 255, 0};
  ExpectPixels({{205, 105, Red}, {500, 200, green}, {300, 400, Blue}, {595, 495, yellow}, {199, 300, Black},
                {400, 99, Black}}, 100);  // the edges blend with the opposite side of the picture
  ClearScreen(0, 0, 0);
  glTranslatef(-1, -2, -9);
  std::array<GLfloat, 16> before{}, after{};
  glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
  Cube(1, 2, 3, 1.2f, 1.2f, 1.2f).Render();
  glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
  EXPECT_EQ(after, before);
  ExpectPixels({{332, 232, Red}, {475, 300, Black}, {400, 375, Black}}, 100);
}

}  // namespace
