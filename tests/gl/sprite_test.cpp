// Sprites: texture sizes and padding, the three mask modes, orientation,
// rotation, scale, mirroring and the release of textures.
#include "gl_harness.h"

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

struct Quarters {
  Pixel topLeft, topRight, bottomLeft, bottomRight;
};

// The colours 12 pixels in from the centre towards each corner.
Quarters QuartersAround(int x, int y, int dx, int dy) {
  return {ReadPixel(x - dx, y - dy), ReadPixel(x + dx, y - dy), ReadPixel(x - dx, y + dy), ReadPixel(x + dx, y + dy)};
}

}  // namespace

using SpriteTest = Screen;

TEST_F(SpriteTest, TextureSizesArePaddedToPowersOfTwo) {
  BITMAP* bmp = MakeFilledBitmap(100, 50, 255, 0, 0);
  CGLSprite sprite(bmp, MaskAlpha);
  destroy_bitmap(bmp);
  EXPECT_EQ(sprite.W(), 100.0f);
  EXPECT_EQ(sprite.H(), 50.0f);
  EXPECT_EQ(sprite.TextureW(), 128.0f);
  EXPECT_EQ(sprite.TextureH(), 64.0f);
  EXPECT_FLOAT_EQ(sprite.U(), 0.78125f);
  EXPECT_FLOAT_EQ(sprite.V(), 0.78125f);
  EXPECT_EQ(sprite.Mask(), MaskAlpha);
  EXPECT_NE(sprite.TextureName(), 0u);

  BITMAP* square = MakeFilledBitmap(64, 64, 0, 255, 0);
  CGLSprite exact(square, MaskNone);
  destroy_bitmap(square);
  EXPECT_EQ(exact.TextureW(), 64.0f);
  EXPECT_EQ(exact.TextureH(), 64.0f);
  EXPECT_EQ(exact.U(), 1.0f);
  EXPECT_EQ(exact.V(), 1.0f);

  BITMAP* dot = MakeFilledBitmap(1, 1, 0, 0, 255);
  CGLSprite tiny(dot, MaskNone);
  destroy_bitmap(dot);
  EXPECT_EQ(tiny.TextureW(), 2.0f);
  EXPECT_EQ(tiny.TextureH(), 2.0f);
  EXPECT_EQ(tiny.U(), 0.5f);
  EXPECT_EQ(tiny.V(), 0.5f);
}

TEST_F(SpriteTest, PaddedBitmapHoldsTheImageTopLeftOnMagenta) {
  BITMAP* bmp = MakeFilledBitmap(100, 50, 255, 0, 0);
  BITMAP* padded = CGLSprite::MakeNewBmp(bmp);
  ASSERT_NE(padded, nullptr);
  EXPECT_EQ(padded->w, 128);
  EXPECT_EQ(padded->h, 64);
  EXPECT_EQ(getpixel(padded, 0, 0), makecol(255, 0, 0));
  EXPECT_EQ(getpixel(padded, 99, 49), makecol(255, 0, 0));
  EXPECT_EQ(getpixel(padded, 100, 0), makecol(255, 0, 255));
  EXPECT_EQ(getpixel(padded, 0, 50), makecol(255, 0, 255));
  EXPECT_EQ(getpixel(padded, 127, 63), makecol(255, 0, 255));
  destroy_bitmap(padded);
  destroy_bitmap(bmp);
}

TEST_F(SpriteTest, DrawShowsTheImageUprightCentredOnThePoint) {
  BITMAP* bmp = MakeQuarters();
  CGLSprite sprite(bmp, MaskNone);
  destroy_bitmap(bmp);
  sprite.Draw(400, 300, 0, 1, 1);
  const Quarters q = QuartersAround(400, 300, 25, 12);
  EXPECT_EQ(q.topLeft, Red);
  EXPECT_EQ(q.topRight, Green);
  EXPECT_EQ(q.bottomLeft, Blue);
  EXPECT_EQ(q.bottomRight, Yellow);
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
  BITMAP* bmp = MakeQuarters();
  CGLSprite sprite(bmp, MaskNone);
  destroy_bitmap(bmp);

  sprite.Draw(400, 300, 90, 1, 1);
  // A quarter turn clockwise: the top-left quarter ends top-right.
  Quarters q = QuartersAround(400, 300, 12, 25);
  EXPECT_EQ(q.topRight, Red);
  EXPECT_EQ(q.bottomRight, Green);
  EXPECT_EQ(q.topLeft, Blue);
  EXPECT_EQ(q.bottomLeft, Yellow);
  EXPECT_EQ(ReadPixel(430, 300), Black);
  EXPECT_EQ(ReadPixel(400, 345), Green);

  ClearScreen(0, 0, 0);
  sprite.Draw(400, 300, 0, 2, 1);
  q = QuartersAround(400, 300, 95, 45);
  EXPECT_EQ(q.topLeft, Red);
  EXPECT_EQ(q.topRight, Green);
  EXPECT_EQ(q.bottomLeft, Blue);
  EXPECT_EQ(q.bottomRight, Yellow);
  EXPECT_EQ(ReadPixel(505, 300), Black);
  EXPECT_EQ(ReadPixel(400, 205), Black);
}

TEST_F(SpriteTest, HFlipMirrorsWhateverTheCullingStateAndKeepsThatState) {
  BITMAP* bmp = MakeQuarters();
  CGLSprite sprite(bmp, MaskAlpha);
  destroy_bitmap(bmp);

  DrawTriangle(0, 0, 1, 0, 0, 1, CColor3(0, 0, 0));
  ASSERT_TRUE(glIsEnabled(GL_CULL_FACE));
  sprite.DrawHFlip(200, 300, 0, 1, 1);
  Quarters q = QuartersAround(200, 300, 25, 12);
  EXPECT_EQ(q.topLeft, Green);
  EXPECT_EQ(q.topRight, Red);
  EXPECT_EQ(q.bottomLeft, Yellow);
  EXPECT_EQ(q.bottomRight, Blue);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));

  // Mirrored first, then turned: the mirrored top-left (green) ends top-right.
  sprite.DrawHFlip(600, 300, 90, 1, 1);
  q = QuartersAround(600, 300, 12, 25);
  EXPECT_EQ(q.topRight, Green);
  EXPECT_EQ(q.bottomRight, Red);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));

  DrawRect(0, 0, 1, 1, CColor3(0, 0, 0));
  ASSERT_FALSE(glIsEnabled(GL_CULL_FACE));
  ClearScreen(0, 0, 0);
  sprite.DrawHFlip(200, 300, 0, 1, 1);
  EXPECT_EQ(ReadPixel(175, 288), Green);
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));

  // Draw leaves culling as it found it too.
  sprite.Draw(400, 300, 0, 1, 1);
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
  BITMAP* bmp = MakeFilledBitmap(64, 64, 255, 0, 0);
  CGLSprite none(bmp, MaskNone);
  CGLSprite alpha(bmp, MaskAlpha);
  CGLSprite additive(bmp, MaskAdditive);
  destroy_bitmap(bmp);

  ClearScreen(0, 0, 255);
  none.Draw(100, 100, 0, 1, 0.5f);
  alpha.Draw(300, 100, 0, 1, 0.5f);
  additive.Draw(500, 100, 0, 1, 0.5f);
  EXPECT_EQ(ReadPixel(100, 100), Red);
  EXPECT_TRUE(Near(ReadPixel(300, 100), Pixel{128, 0, 128}, 2)) << ReadPixel(300, 100);
  EXPECT_TRUE(Near(ReadPixel(500, 100), Pixel{128, 0, 255}, 2)) << ReadPixel(500, 100);
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

  CGLSprite empty;
  EXPECT_EQ(empty.TextureName(), 0u);
  EXPECT_EQ(empty.W(), 0.0f);
  EXPECT_EQ(empty.Mask(), MaskNone);
}

TEST_F(SpriteTest, LoadFromFileReadsABitmapFile) {
  BITMAP* bmp = MakeQuarters();
  ASSERT_EQ(save_bitmap("quarters.bmp", bmp, nullptr), 0);
  destroy_bitmap(bmp);
  CGLSprite sprite("quarters.bmp", MaskAlpha);
  EXPECT_EQ(sprite.W(), 100.0f);
  EXPECT_EQ(sprite.H(), 50.0f);
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
