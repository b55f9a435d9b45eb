// Sprites: texture sizes and padding, the three mask modes, orientation, rotation, scale, mirroring and the
// release of textures.
#include <array>
#include <cmath>
#include <string>
#include <tuple>

#include "gl_harness.h"

using namespace gltest;

namespace {

const Pixel Black{0, 0, 0}, Red{255, 0, 0}, Green{0, 255, 0}, Blue{0, 0, 255}, Yellow{255, 255, 0};

// 100 x 50 with a colour per quarter, so that every turn and mirror shows.
BITMAP* MakeQuarters() {
  BITMAP* bmp = MakeFilledBitmap(100, 50, 255, 0, 0);
  rectfill(bmp, 50, 0, 99, 24, makecol32(0, 255, 0));
  rectfill(bmp, 0, 25, 49, 49, makecol32(0, 0, 255));
  rectfill(bmp, 50, 25, 99, 49, makecol32(255, 255, 0));
  return bmp;
}

using SpriteTest = Screen;

// The image lies top left in a power-of-two bitmap padded with magenta.
TEST_F(SpriteTest, TexturesArePaddedToPowersOfTwo) {
  const int magenta = makecol(255, 0, 255), red = makecol(255, 0, 0);
  for (const auto& [w, h, textureW, textureH] : {std::array{100, 50, 128, 64}, {64, 64, 64, 64}, {1, 1, 2, 2}}) {
    BITMAP* bmp = MakeFilledBitmap(w, h, 255, 0, 0);
    BITMAP* padded = CGLSprite::MakeNewBmp(bmp);
    ASSERT_EQ(std::pair(padded->w, padded->h), std::pair(textureW, textureH));
    EXPECT_EQ(std::tuple(getpixel(padded, w - 1, h - 1), getpixel(padded, std::min(w, textureW - 1), 0),
                         getpixel(padded, 0, std::min(h, textureH - 1))),
              std::tuple(red, w < textureW ? magenta : red, h < textureH ? magenta : red))
        << w;
    destroy_bitmap(padded);
    const CGLSprite sprite(bmp, MaskAlpha);
    destroy_bitmap(bmp);
    EXPECT_EQ(std::tuple(sprite.W(), sprite.H(), sprite.TextureW(), sprite.TextureH()),
              (std::tuple<float, float, float, float>(w, h, textureW, textureH)));
  }
}

// Positive angles turn clockwise about the centre, scale grows about it, a mirror comes before the turn. Sprites
// place their corners themselves: the picture moves with a shaken model-view, which they leave unchanged, and
// they keep culling and texturing as they found them.
TEST_F(SpriteTest, TurnsScalesAndMirrorsAboutTheCentreWhateverTheState) {
  BITMAP* bmp = MakeQuarters();
  CGLSprite sprite(bmp, MaskAlpha);
  destroy_bitmap(bmp);
  const struct {
    float x, y, angle, scale;
    bool flip, cull;
    int outX, outY;  // just outside the picture, from its centre
  } draws[] = {{400, 300, 0, 1, false, true, 50, 0},  {400, 300, 0, 2, false, true, 105, 0},
               {400.3f, 300.6f, 33, 1, false, false, 0, -60}, {200, 300, 0, 1, true, true, 0, -26},
               {600, 300, 90, 1, true, true, 0, 51},  {400.3f, 300.6f, 217.5f, 1, true, false, 0, 60}};
  for (const auto& d : draws) {
    SCOPED_TRACE(testing::Message() << d.angle << (d.flip ? " mirrored" : "") << (d.cull ? " culling" : ""));
    ClearScreen(0, 0, 0);
    DrawRect(0, 0, 1, 1, CColor3(0, 0, 0));  // turns culling off, a triangle turns it on
    if (d.cull) DrawTriangle(0, 0, 1, 0, 0, 1, CColor3(0, 0, 0));
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(3.0f, -2.0f, 0.0f);
    std::array<float, 16> before{}, after{};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    if (d.flip) sprite.DrawHFlip(d.x, d.y, d.angle, d.scale, 1);
    else sprite.Draw(d.x, d.y, d.angle, d.scale, 1);
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    glPopMatrix();
    EXPECT_TRUE(after == before && glIsEnabled(GL_CULL_FACE) == d.cull && glIsEnabled(GL_TEXTURE_2D));
    // The colours towards each corner, turned clockwise by the angle: red, green, blue, yellow, or mirrored.
    const double a = d.angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const double dx = d.scale > 1 ? 95 : 25, dy = d.scale > 1 ? 45 : 12;
    const Pixel colours[] = {Red, Green, Blue, Yellow};
    for (int i = 0; i < 4; ++i) {
      const double cx = (i % 2 ? dx : -dx), cy = (i / 2 ? dy : -dy);
      const double x = d.x + 3 + cx * c - cy * s, y = d.y - 2 + cx * s + cy * c;
      EXPECT_EQ(ReadPixel(static_cast<int>(std::floor(x + 1e-4)), static_cast<int>(std::floor(y + 1e-4))),
                colours[i ^ d.flip])
          << i;
    }
    EXPECT_EQ(ReadPixel(static_cast<int>(d.x) + 3 + d.outX, static_cast<int>(d.y) - 2 + d.outY), Black);
  }
}

// Over blue: unmasked shows magenta, alpha hides it, additive adds red; alpha halves, additive adds at half.
// Scaled up, the edge texels sit beside the padding: over green, any blue would be a magenta fringe.
TEST_F(SpriteTest, MaskModesHideMagentaAndBlend) {
  const struct {
    MaskMode mask;
    Pixel magenta, red, half;
  } modes[] = {{MaskNone, {255, 0, 255}, Red, Red},
               {MaskAlpha, Blue, Red, {128, 0, 128}},
               {MaskAdditive, Blue, {255, 0, 255}, {128, 0, 255}}};
  BITMAP* bmp = MakeFilledBitmap(100, 50, 255, 0, 0);
  rectfill(bmp, 40, 20, 59, 29, makecol32(255, 0, 255));
  for (const auto& m : modes) {
    CGLSprite sprite(bmp, m.mask);
    ClearScreen(0, 0, 255);
    sprite.Draw(400, 100, 0, 1, 1);
    sprite.Draw(400, 300, 0, 1, 0.5f);
    EXPECT_EQ(std::pair(ReadPixel(400, 100), ReadPixel(375, 100)), std::pair(m.magenta, m.red)) << m.mask;
    EXPECT_TRUE(Near(ReadPixel(375, 300), m.half)) << m.mask << ": " << ReadPixel(375, 300);
  }
  CGLSprite alpha(bmp, MaskAlpha);
  destroy_bitmap(bmp);
  ClearScreen(0, 255, 0);
  alpha.Draw(400, 300, 0, 4, 1);
  for (const Pixel& p : ReadRect(590, 190, 20, 220).pixels) ASSERT_LE(p.b, 4) << p;
  EXPECT_EQ(std::pair(ReadPixel(590, 300), ReadPixel(610, 300)), std::pair(Red, Green));
}

// A sprite loads a bitmap file, of which only the image is drawn, or ends with the whole path in the message;
// reloading or deleting it releases its texture. Sprites with static lifetime are destroyed quietly after
// Allegro has shut down the display, and with it the context that held their textures.
TEST_F(SpriteTest, LoadsReloadsAndReleasesItsTexture) {
  BITMAP* bmp = MakeQuarters();
  ASSERT_EQ(save_bitmap("quarters.bmp", bmp, nullptr), 0);
  auto* sprite = new CGLSprite("quarters.bmp", MaskAlpha);
  sprite->Draw(400, 300, 0, 1, 1);
  for (const auto& [x, y, colour] : {std::tuple{350, 275, Red}, {449, 324, Yellow}, {349, 300, Black},
                                     {450, 300, Black}, {400, 274, Black}, {400, 325, Black}})
    EXPECT_EQ(ReadPixel(x, y), colour) << x << "," << y;
  const std::string path = "data/" + std::string(300, 'x') + "/missing.bmp";
  EXPECT_EXIT(sprite->LoadFromFile(path.c_str(), MaskAlpha), testing::ExitedWithCode(1), "Error loading file: " + path);
  const GLuint first = sprite->TextureName();
  GLuint other = 0;  // keeps the next name busy so that the reload cannot reuse the first one
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  sprite->MakeFromBmp(bmp, MaskNone);
  const GLuint second = sprite->TextureName();
  EXPECT_TRUE(glIsTexture(second) && (second == first || !glIsTexture(first)) && sprite->Mask() == MaskNone);
  delete sprite;
  EXPECT_FALSE(glIsTexture(second));
  glDeleteTextures(1, &other);
  EXPECT_EXIT(
      {
        static CGLSprite survivor;
        survivor.MakeFromBmp(bmp, MaskAlpha);
        allegro_exit();
        exit(0);
      },
      testing::ExitedWithCode(0), "");
  destroy_bitmap(bmp);
}

}  // namespace
