// Sprites: texture sizes and padding, the three mask modes, orientation,
// rotation, scale, mirroring and the release of textures.
#include "gl_harness.h"

#include <array>
#include <cmath>
#include <memory>
#include <utility>

using namespace gltest;

namespace {

const Pixel Black{0, 0, 0};
const Pixel Red{255, 0, 0};
const Pixel Green{0, 255, 0};
const Pixel Blue{0, 0, 255};
const Pixel Yellow{255, 255, 0};
const Pixel Magenta{255, 0, 255};

// 100 x 50 with a colour per quarter, so that every turn and mirror shows.
BITMAP* MakeQuarters() {
  BITMAP* bmp = create_bitmap_ex(32, 100, 50);
  rectfill(bmp, 0, 0, 49, 24, makecol32(255, 0, 0));
  rectfill(bmp, 50, 0, 99, 24, makecol32(0, 255, 0));
  rectfill(bmp, 0, 25, 49, 49, makecol32(0, 0, 255));
  rectfill(bmp, 50, 25, 99, 49, makecol32(255, 255, 0));
  return bmp;
}

// The colours dx, dy from the centre towards each corner (top left, top
// right, bottom left, bottom right), those points turned clockwise by
// `angle` degrees about the centre.
void ExpectQuarters(float x, float y, int dx, int dy, Pixel tl, Pixel tr, Pixel bl, Pixel br, float angle = 0) {
  const double a = angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
  const std::pair<int, int> corners[] = {{-dx, -dy}, {dx, -dy}, {-dx, dy}, {dx, dy}};
  const Pixel colours[] = {tl, tr, bl, br};
  for (int i = 0; i < 4; ++i) {
    const auto [cx, cy] = corners[i];
    EXPECT_EQ(ReadPixel(static_cast<int>(std::floor(x + cx * c - cy * s + 1e-4)),
                        static_cast<int>(std::floor(y + cx * s + cy * c + 1e-4))),
              colours[i])
        << "corner " << i << " at " << angle;
  }
}

// A sprite made from (and releasing) the bitmap.
std::unique_ptr<CGLSprite> SpriteOf(BITMAP* bmp, MaskMode mask) {
  auto sprite = std::make_unique<CGLSprite>(bmp, mask);
  destroy_bitmap(bmp);
  return sprite;
}

}  // namespace

using SpriteTest = Screen;

TEST_F(SpriteTest, TextureSizesArePaddedToPowersOfTwo) {
  const struct {
    int w, h;
    float textureW, textureH, u, v;
  } cases[] = {{100, 50, 128, 64, 0.78125f, 0.78125f}, {64, 64, 64, 64, 1, 1}, {1, 1, 2, 2, 0.5f, 0.5f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.w);
    const auto sprite = SpriteOf(MakeFilledBitmap(c.w, c.h, 255, 0, 0), MaskAlpha);
    EXPECT_EQ(sprite->W(), static_cast<float>(c.w));
    EXPECT_EQ(sprite->H(), static_cast<float>(c.h));
    EXPECT_EQ(sprite->TextureW(), c.textureW);
    EXPECT_EQ(sprite->TextureH(), c.textureH);
    EXPECT_FLOAT_EQ(sprite->U(), c.u);
    EXPECT_FLOAT_EQ(sprite->V(), c.v);
  }
}

TEST_F(SpriteTest, PaddedBitmapHoldsTheImageTopLeftOnMagenta) {
  BITMAP* bmp = MakeFilledBitmap(100, 50, 255, 0, 0);
  BITMAP* padded = CGLSprite::MakeNewBmp(bmp);
  ASSERT_NE(padded, nullptr);
  EXPECT_EQ(padded->w, 128);
  EXPECT_EQ(padded->h, 64);
  EXPECT_EQ(getpixel(padded, 99, 49), makecol(255, 0, 0));
  EXPECT_EQ(getpixel(padded, 100, 0), makecol(255, 0, 255));
  EXPECT_EQ(getpixel(padded, 0, 50), makecol(255, 0, 255));
  destroy_bitmap(padded);
  destroy_bitmap(bmp);
}

TEST_F(SpriteTest, DrawShowsTheImageUprightCentredOnThePoint) {
  SpriteOf(MakeQuarters(), MaskNone)->Draw(400, 300, 0, 1, 1);
  ExpectQuarters(400, 300, 25, 12, Red, Green, Blue, Yellow);
  // Exactly 100 x 50: the padding lies outside the drawn part of the texture.
  EXPECT_EQ(ReadPixel(350, 275), Red);
  EXPECT_EQ(ReadPixel(449, 324), Yellow);
  EXPECT_EQ(ReadPixel(349, 300), Black);
  EXPECT_EQ(ReadPixel(450, 300), Black);
  EXPECT_EQ(ReadPixel(400, 274), Black);
  EXPECT_EQ(ReadPixel(400, 325), Black);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(SpriteTest, PositiveAngleTurnsClockwiseAndScaleGrowsAboutTheCentre) {
  const auto sprite = SpriteOf(MakeQuarters(), MaskNone);
  sprite->Draw(400, 300, 90, 1, 1);
  // A quarter turn clockwise: the top-left quarter ends top-right.
  ExpectQuarters(400, 300, 25, 12, Red, Green, Blue, Yellow, 90);
  EXPECT_EQ(ReadPixel(430, 300), Black);
  EXPECT_EQ(ReadPixel(400, 345), Green);

  ClearScreen(0, 0, 0);
  sprite->Draw(400, 300, 0, 2, 1);
  ExpectQuarters(400, 300, 95, 45, Red, Green, Blue, Yellow);
  EXPECT_EQ(ReadPixel(505, 300), Black);
  EXPECT_EQ(ReadPixel(400, 205), Black);

  // Any angle, at a sub-pixel position.
  ClearScreen(0, 0, 0);
  sprite->Draw(400.3f, 300.6f, 33, 1, 1);
  ExpectQuarters(400.3f, 300.6f, 25, 12, Red, Green, Blue, Yellow, 33);
}

// Sprites place their corners themselves, not through the model-view matrix:
// the picture still moves with a shaken view, which they leave unchanged.
TEST_F(SpriteTest, DrawingFollowsAndKeepsTheModelView) {
  const auto sprite = SpriteOf(MakeQuarters(), MaskAlpha);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(3.0f, -2.0f, 0.0f);
  std::array<float, 16> before{}, after{};
  glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
  sprite->DrawHFlip(400.3f, 300.6f, 217.5f, 1, 1);
  glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
  glPopMatrix();
  EXPECT_EQ(after, before);
  ExpectQuarters(403.3f, 298.6f, 25, 12, Green, Red, Yellow, Blue, 217.5f);
}

TEST_F(SpriteTest, HFlipMirrorsWhateverTheCullingStateAndKeepsThatState) {
  const auto sprite = SpriteOf(MakeQuarters(), MaskAlpha);
  DrawTriangle(0, 0, 1, 0, 0, 1, CColor3(0, 0, 0));
  ASSERT_TRUE(glIsEnabled(GL_CULL_FACE));
  sprite->DrawHFlip(200, 300, 0, 1, 1);
  ExpectQuarters(200, 300, 25, 12, Green, Red, Yellow, Blue);
  // Mirrored first, then turned: the mirrored top-left (green) ends top-right.
  sprite->DrawHFlip(600, 300, 90, 1, 1);
  ExpectQuarters(600, 300, 25, 12, Green, Red, Yellow, Blue, 90);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));

  DrawRect(0, 0, 1, 1, CColor3(0, 0, 0));
  ASSERT_FALSE(glIsEnabled(GL_CULL_FACE));
  ClearScreen(0, 0, 0);
  sprite->DrawHFlip(200, 300, 0, 1, 1);
  EXPECT_EQ(ReadPixel(175, 288), Green);
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  // Draw leaves culling as it found it too.
  sprite->Draw(400, 300, 0, 1, 1);
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(SpriteTest, MaskedModesHideMagentaAndPaddingUnmaskedShowsMagenta) {
  BITMAP* bmp = MakeFilledBitmap(100, 50, 255, 0, 0);
  rectfill(bmp, 40, 20, 59, 29, makecol32(255, 0, 255));
  CGLSprite none(bmp, MaskNone);
  CGLSprite alpha(bmp, MaskAlpha);
  CGLSprite additive(bmp, MaskAdditive);
  destroy_bitmap(bmp);

  ClearScreen(0, 0, 255);
  none.Draw(150, 100, 0, 1, 1);
  alpha.Draw(400, 100, 0, 1, 1);
  additive.Draw(650, 100, 0, 1, 1);
  EXPECT_EQ(ReadPixel(150, 100), Magenta);
  EXPECT_EQ(ReadPixel(400, 100), Blue);
  EXPECT_EQ(ReadPixel(650, 100), Blue);
  EXPECT_EQ(ReadPixel(400 - 25, 100), Red);
  EXPECT_EQ(ReadPixel(650 - 25, 100), Magenta);  // red added to blue

  // Scaled up, the image's edge texels sit beside the padding: a masked
  // sprite must not bleed the magenta of its padding into the picture or
  // around it (over green, any blue would be that fringe).
  ClearScreen(0, 255, 0);
  alpha.Draw(400, 300, 0, 4, 1);
  const Rect edge = ReadRect(590, 190, 20, 220);
  for (const Pixel& p : edge.pixels) ASSERT_LE(p.b, 4) << p;
  EXPECT_EQ(ReadPixel(590, 300), Red);
  EXPECT_EQ(ReadPixel(610, 300), Green);
}

TEST_F(SpriteTest, AlphaIsOpaqueHalfOrAddedByMaskMode) {
  const struct {
    MaskMode mask;
    Pixel seen;
  } modes[] = {{MaskNone, Red}, {MaskAlpha, {128, 0, 128}}, {MaskAdditive, {128, 0, 255}}};
  ClearScreen(0, 0, 255);
  for (const auto& m : modes) {
    SpriteOf(MakeFilledBitmap(64, 64, 255, 0, 0), m.mask)->Draw(100, 100, 0, 1, 0.5f);
    EXPECT_TRUE(Near(ReadPixel(100, 100), m.seen, 2)) << m.mask << ": " << ReadPixel(100, 100);
    ClearScreen(0, 0, 255);
  }
}

TEST_F(SpriteTest, DeletingOrReloadingASpriteReleasesItsTexture) {
  BITMAP* bmp = MakeFilledBitmap(32, 32, 255, 0, 0);
  auto* sprite = new CGLSprite(bmp, MaskAlpha);
  const GLuint first = sprite->TextureName();
  ASSERT_TRUE(glIsTexture(first));

  // Keep the next name busy so that the reload cannot reuse the first one.
  GLuint other = 0;
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  sprite->MakeFromBmp(bmp, MaskNone);
  const GLuint second = sprite->TextureName();
  EXPECT_TRUE(glIsTexture(second));
  if (second != first) {
    EXPECT_FALSE(glIsTexture(first));
  }
  EXPECT_EQ(sprite->Mask(), MaskNone);

  delete sprite;
  EXPECT_FALSE(glIsTexture(second));
  glDeleteTextures(1, &other);
  destroy_bitmap(bmp);
}

TEST_F(SpriteTest, LoadFromFileReadsABitmapFile) {
  BITMAP* bmp = MakeQuarters();
  ASSERT_EQ(save_bitmap("quarters.bmp", bmp, nullptr), 0);
  destroy_bitmap(bmp);
  CGLSprite sprite("quarters.bmp", MaskAlpha);
  sprite.Draw(400, 300, 0, 1, 1);
  EXPECT_EQ(ReadPixel(375, 288), Red);
  EXPECT_EQ(ReadPixel(425, 312), Yellow);
}

TEST_F(SpriteTest, LoadFromMissingFileEndsWithTheWholePathInTheMessage) {
  const std::string path = "data/" + std::string(300, 'x') + "/missing.bmp";
  CGLSprite sprite;
  EXPECT_EXIT(
      {
        InstallMessageStandIn();
        sprite.LoadFromFile(path.c_str(), MaskAlpha);
      },
      testing::ExitedWithCode(1), "Error loading file: " + path);
}

TEST_F(SpriteTest, SpriteOutlivingTheDisplayIsDestroyedQuietly) {
  // Sprite arrays with static lifetime are destroyed after Allegro has shut
  // down the display, and with it the context that held their textures.
  EXPECT_EXIT(
      {
        static CGLSprite survivor;
        BITMAP* bmp = MakeFilledBitmap(16, 16, 255, 0, 0);
        survivor.MakeFromBmp(bmp, MaskAlpha);
        destroy_bitmap(bmp);
        allegro_exit();
        exit(0);
      },
      testing::ExitedWithCode(0), "");
}
