// Sprites place their corners themselves instead of through the model-view
// matrix (so that the renderer can take many sprites in one go): the picture
// must stay the one the matrix transform gives, under whatever view the
// caller has set up, and the matrix must be left alone.
#include "gl_harness.h"

#include <array>
#include <cmath>

using namespace gltest;

namespace {

// The sprite drawn the matrix way: move, turn, scale, one triangle strip.
void DrawThroughMatrix(const CGLSprite& sprite, float x, float y, float angle, float xScale, float scale,
                       float alpha) {
  glEnable(GL_TEXTURE_2D);
  if (sprite.Mask() == MaskAdditive) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  } else if (sprite.Mask() == MaskAlpha) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    glBlendFunc(GL_ONE, GL_ZERO);
  }
  const bool culling = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
  glDisable(GL_CULL_FACE);
  glPushMatrix();
  glTranslatef(x, y, 0.0f);
  glRotatef(angle, 0.0f, 0.0f, 1.0f);
  glScalef(xScale * scale, scale, scale);
  glBindTexture(GL_TEXTURE_2D, sprite.TextureName());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glColor4f(1.0f, 1.0f, 1.0f, sprite.Mask() == MaskNone ? 1.0f : alpha);
  const float w = sprite.W() / 2, h = sprite.H() / 2;
  glBegin(GL_TRIANGLE_STRIP);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(-w, -h);
  glTexCoord2f(sprite.U(), 1.0f);
  glVertex2f(w, -h);
  glTexCoord2f(0.0f, 1.0f - sprite.V());
  glVertex2f(-w, h);
  glTexCoord2f(sprite.U(), 1.0f - sprite.V());
  glVertex2f(w, h);
  glEnd();
  glPopMatrix();
  if (culling) glEnable(GL_CULL_FACE);
}

std::array<float, 16> ModelView() {
  std::array<float, 16> m{};
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

// Pixels of the two pictures that differ by more than rounding of the
// filtered texels.
int Differences(const Rect& a, const Rect& b) {
  int count = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) count += Near(a.pixels[i], b.pixels[i], 3) ? 0 : 1;
  return count;
}

}  // namespace

using SpriteTransformTest = Screen;

TEST_F(SpriteTransformTest, CornersPlacedByTheSpriteGiveTheMatrixPicture) {
  BITMAP* bmp = create_bitmap_ex(32, 60, 28);
  clear_to_color(bmp, makecol32(255, 0, 255));
  rectfill(bmp, 0, 0, 29, 13, makecol32(250, 40, 30));
  rectfill(bmp, 30, 0, 59, 13, makecol32(30, 240, 60));
  rectfill(bmp, 0, 14, 29, 27, makecol32(40, 60, 250));
  circlefill(bmp, 45, 20, 6, makecol32(255, 0, 255));
  struct Case {
    MaskMode mask;
    float angle, scale, alpha;
    bool mirrored;
  };
  const Case cases[] = {
      {MaskNone, 0.0f, 1.0f, 1.0f, false},     {MaskAlpha, 0.0f, 0.37f, 0.4f, false},
      {MaskAlpha, 33.0f, 1.0f, 1.0f, false},    {MaskAdditive, -90.0f, 1.6f, 0.7f, false},
      {MaskAlpha, 217.5f, 0.8f, 0.9f, true},    {MaskAlpha, 0.0f, 1.0f, 1.0f, true},
      {MaskAdditive, 359.0f, 2.5f, 0.25f, false},
  };
  for (MaskMode mask : {MaskNone, MaskAlpha, MaskAdditive}) {
    CGLSprite sprite(bmp, mask);
    for (const Case& c : cases) {
      if (c.mask != mask) continue;
      SCOPED_TRACE(::testing::Message() << "mask " << mask << ", angle " << c.angle << ", scale " << c.scale
                                        << (c.mirrored ? ", mirrored" : ""));
      // A shaken view, as the mission applies it, moves both pictures.
      glMatrixMode(GL_MODELVIEW);
      glPushMatrix();
      glTranslatef(3.0f, -2.0f, 0.0f);
      const std::array<float, 16> before = ModelView();

      ClearScreen(20, 30, 40);
      DrawThroughMatrix(sprite, 400.3f, 300.6f, c.angle, c.mirrored ? -1.0f : 1.0f, c.scale, c.alpha);
      const Rect expected = ReadRect(300, 200, 200, 200);

      ClearScreen(20, 30, 40);
      if (c.mirrored) {
        sprite.DrawHFlip(400.3f, 300.6f, c.angle, c.scale, c.alpha);
      } else {
        sprite.Draw(400.3f, 300.6f, c.angle, c.scale, c.alpha);
      }
      const Rect drawn = ReadRect(300, 200, 200, 200);
      EXPECT_EQ(ModelView(), before);
      glPopMatrix();

      // Turned quads may round an edge pixel the other way; nothing more.
      EXPECT_LE(Differences(expected, drawn), c.angle == 0.0f ? 0 : 8);
    }
  }
  destroy_bitmap(bmp);
}
