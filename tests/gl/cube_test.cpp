// The logo cube in the intro's perspective view: where it lands on the screen, which way its faces run and how its
// texture sits.
#include <GL/glu.h>

#include <array>

#include "frontend_fixture.h"
#include "graphics/cube.h"

using namespace frontendtest;

namespace {

void Render() { Cube(0, 0, 0, 1.2f, 1.2f, 1.2f).Render(); }

// The polygons that pass clipping and culling, counted in feedback mode.
int CountPolygons() {
  std::array<GLfloat, 4096> buffer{};
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  Render();
  const int used = glRenderMode(GL_RENDER);
  int polygons = 0;
  for (int i = 0; i < used; ++polygons) i += 2 + 2 * static_cast<int>(buffer[static_cast<size_t>(i + 1)]);
  return polygons;
}

// The intro's projection, untextured, unblended and unculled.
class CubeTest : public Screen {
  void SetUp() override {
    Screen::SetUp();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30.0, 800.0 / 600.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_ONE, GL_ZERO);
  }
  void TearDown() override { Setup2D(); }  // later fixtures build textures before their own Setup2D
};

// The near face of a cube of 1.2 at distance 4 spans 0.6 / 3.4 / tan 15° of the half height, about 197.6 pixels
// from the centre; moved to distance 10 by the model-view and its own centre together, about 71 pixels.
TEST_F(CubeTest, SpansItsSizeAroundWhereTheModelViewAndItsCentrePutIt) {
  glTranslatef(0, 0, -4);
  Render();
  ExpectPixels({{205, 105, White}, {595, 495, White}, {199, 300, Black}, {400, 99, Black}}, 0);
  ClearScreen(0, 0, 0);
  glTranslatef(-1, -2, -9);
  std::array<GLfloat, 16> before{}, after{};
  glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
  Cube(1, 2, 3, 1.2f, 1.2f, 1.2f).Render();
  glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
  EXPECT_EQ(after, before);  // the cube undoes its own move
  ExpectPixels({{332, 232, White}, {475, 300, Black}, {400, 375, Black}}, 0);
}

// Below and right of the viewer three faces turn towards it: with clockwise fronts exactly those survive back-face
// culling. Straight ahead only the front does, and it shows the picture (quarters red, green, blue, yellow) upright
// and unmirrored.
TEST_F(CubeTest, FacesRunClockwiseAndTheFrontShowsThePictureUpright) {
  glTranslatef(0.9f, -0.9f, -8);
  const int all = CountPolygons();
  glEnable(GL_CULL_FACE);
  EXPECT_EQ(CountPolygons(), all / 2);
  glLoadIdentity();
  glTranslatef(0, 0, -4);
  EXPECT_EQ(CountPolygons(), all / 6);
  BITMAP* bmp = MakeFilledBitmap(64, 64, 255, 255, 0);
  rectfill(bmp, 0, 0, 31, 31, makecol32(255, 0, 0));
  rectfill(bmp, 32, 0, 63, 31, makecol32(0, 255, 0));
  rectfill(bmp, 0, 32, 31, 63, makecol32(0, 0, 255));
  CGLSprite logo(bmp, MaskNone);
  destroy_bitmap(bmp);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, logo.TextureName());
  Render();
  ExpectPixels({{300, 200, Red}, {500, 200, {0, 255, 0}}, {300, 400, Blue}, {500, 400, {255, 255, 0}}}, 0);
}

}  // namespace
