// The logo cube in the intro's perspective view: where it lands on the
// screen, which way its faces run and how its texture sits.
#include "gl_harness.h"

#include <GL/glu.h>

#include <array>

#include "graphics/cube.h"

using namespace gltest;

namespace {

const Pixel Black{0, 0, 0};
const Pixel White{255, 255, 255};

std::array<GLfloat, 16> ModelView() {
  std::array<GLfloat, 16> m{};
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

// Renders the cube in feedback mode and counts the polygons that pass
// clipping and culling.
int CountPolygons() {
  std::array<GLfloat, 4096> buffer{};
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  Cube(0, 0, 0, 1.2f, 1.2f, 1.2f).Render();
  const int used = glRenderMode(GL_RENDER);
  int polygons = 0;
  for (int i = 0; i < used;) {
    const auto token = static_cast<GLenum>(buffer[static_cast<size_t>(i)]);
    if (token == GL_POLYGON_TOKEN) {
      const int vertices = static_cast<int>(buffer[static_cast<size_t>(i + 1)]);
      ++polygons;
      i += 2 + vertices * 2;
    } else if (token == GL_PASS_THROUGH_TOKEN || token == GL_POINT_TOKEN) {
      i += 2 + (token == GL_POINT_TOKEN ? 1 : 0);
    } else {
      i += 1 + 4;  // line tokens: two 2D vertices
    }
  }
  return polygons;
}

}  // namespace

// The intro's projection, untextured and unlit, culling and depth off.
class CubeTest : public Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30.0, 800.0 / 600.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_ONE, GL_ZERO);
    glColor3f(1, 1, 1);
  }
  void TearDown() override { Setup2D(); }
};

TEST_F(CubeTest, SpansItsSizeAroundWhereTheModelViewPutsIt) {
  glTranslatef(0, 0, -4);
  const auto before = ModelView();
  Cube(0, 0, 0, 1.2f, 1.2f, 1.2f).Render();
  EXPECT_EQ(ModelView(), before);
  // The near face, 0.6 from the centre at distance 3.4, reaches 0.6 / 3.4 /
  // tan 15° of the half height: about 197.6 pixels from the screen centre.
  for (auto [x, y] : {std::pair{205, 300}, {595, 300}, {400, 105}, {400, 495}, {205, 105}, {595, 495}})
    EXPECT_EQ(ReadPixel(x, y), White) << x << "," << y;
  for (auto [x, y] : {std::pair{199, 300}, {601, 300}, {400, 99}, {400, 501}})
    EXPECT_EQ(ReadPixel(x, y), Black) << x << "," << y;
}

TEST_F(CubeTest, CentreIsAddedToTheCurrentModelView) {
  glTranslatef(-1, -2, -13);
  const auto before = ModelView();
  Cube(1, 2, 3, 1.2f, 1.2f, 1.2f).Render();
  EXPECT_EQ(ModelView(), before);
  // Centred on the screen at distance 10: the near face spans 0.6 / 9.4 of
  // tan 15° on either side, about 71 pixels.
  EXPECT_EQ(ReadPixel(400 - 68, 300 - 68), White);
  EXPECT_EQ(ReadPixel(400 + 75, 300), Black);
  EXPECT_EQ(ReadPixel(400, 300 + 75), Black);
}

TEST_F(CubeTest, FacesRunClockwiseSeenFromOutside) {
  // With the cube below and right of the viewer, three faces turn towards
  // it (front, left, top): with clockwise fronts those are exactly the
  // polygons that survive back-face culling. Straight ahead, only the front.
  glTranslatef(0.9f, -0.9f, -8);
  glFrontFace(GL_CW);
  const int all = CountPolygons();
  ASSERT_GT(all, 0);
  ASSERT_EQ(all % 6, 0);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  EXPECT_EQ(CountPolygons(), all / 2);
  glCullFace(GL_FRONT);
  EXPECT_EQ(CountPolygons(), all / 2);
  glCullFace(GL_BACK);
  glLoadIdentity();
  glTranslatef(0, 0, -4);
  EXPECT_EQ(CountPolygons(), all / 6);
}

TEST_F(CubeTest, FrontFaceShowsThePictureUprightAndUnmirrored) {
  BITMAP* bmp = create_bitmap_ex(32, 64, 64);
  rectfill(bmp, 0, 0, 31, 31, makecol32(255, 0, 0));
  rectfill(bmp, 32, 0, 63, 31, makecol32(0, 255, 0));
  rectfill(bmp, 0, 32, 31, 63, makecol32(0, 0, 255));
  rectfill(bmp, 32, 32, 63, 63, makecol32(255, 255, 0));
  CGLSprite logo(bmp, MaskNone);
  destroy_bitmap(bmp);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, logo.TextureName());
  glEnable(GL_DEPTH_TEST);
  glTranslatef(0, 0, -4);
  Cube(0, 0, 0, 1.2f, 1.2f, 1.2f).Render();
  glDisable(GL_DEPTH_TEST);
  EXPECT_EQ(ReadPixel(300, 200), (Pixel{255, 0, 0}));
  EXPECT_EQ(ReadPixel(500, 200), (Pixel{0, 255, 0}));
  EXPECT_EQ(ReadPixel(300, 400), (Pixel{0, 0, 255}));
}
