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

// Positive angles turn clockwise about the centre, scale grows about it, a mirror comes before the turn. Sprites
// place their corners themselves: the picture moves with a shaken model-view, which they leave unchanged, and
// they leave culling and texturing on.
TEST_F(SpriteTest, TurnsScalesAndMirrorsAboutTheCentreWhateverTheState) {
  BITMAP* bmp = MakeQuarters();
  CGLSprite sprite(bmp, MaskAlpha);
  destroy_bitmap(bmp);
  DrawTriangle(0, 0, 1, 0, 0, 1, CColor3(0, 0, 0));  // leaves culling on, which a mirrored sprite must keep
  // (outX, outY) lies just outside the picture, from its centre.
  for (const auto& [px, py, angle, scale, flip, outX, outY] :
       {std::tuple{400.0f, 300.0f, 0.0f, 1.0f, false, 50, 0}, {400, 300, 0, 2, false, 105, 0},
        {400.3f, 300.6f, 33, 1, false, 0, -60}, {200, 300, 0, 1, true, 0, -26}, {600, 300, 90, 1, true, 0, 51},
        {400.3f, 300.6f, 217.5f, 1, true, 0, 60}}) {
    SCOPED_TRACE(testing::Message() << angle << (flip ? " mirrored" : ""));
    ClearScreen(0, 0, 0);
    glPushMatrix();
    glTranslatef(3.0f, -2.0f, 0.0f);
    std::array<float, 16> before{}, after{};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    if (flip) sprite.DrawHFlip(px, py, angle, scale, 1);
    else sprite.Draw(px, py, angle, scale, 1);
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    glPopMatrix();
    EXPECT_TRUE(after == before && glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_TEXTURE_2D));
    // The colours towards each corner, turned clockwise by the angle: red, green, blue, yellow, or mirrored.
    const double a = angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const double dx = scale > 1 ? 95 : 25, dy = scale > 1 ? 45 : 12;
    const Pixel colours[] = {Red, Green, Blue, Yellow};
    const auto at = [](double v) { return static_cast<int>(std::floor(v + 1e-4)); };
    for (int i = 0; i < 4; ++i) {
      const double cx = (i % 2 ? dx : -dx), cy = (i / 2 ? dy : -dy);
      EXPECT_EQ(ReadPixel(at(px + 3 + cx * c - cy * s), at(py - 2 + cx * s + cy * c)), colours[i ^ flip]) << i;
    }
    EXPECT_EQ(ReadPixel(static_cast<int>(px) + 3 + outX, static_cast<int>(py) - 2 + outY), Black);
  }
}

// Over blue: unmasked shows magenta, alpha hides it, additive adds red; alpha halves, additive adds at half.
// Scaled up, the edge texels sit beside the padding: over green, any blue would be a magenta fringe.
TEST_F(SpriteTest, MaskModesHideMagentaAndBlend) {
  BITMAP* bmp = MakeFilledBitmap(100, 50, 255, 0, 0);
  rectfill(bmp, 40, 20, 59, 29, makecol32(255, 0, 255));
  for (const auto& [mask, magenta, red, half] : {std::tuple{MaskNone, Pixel{255, 0, 255}, Red, Red},
                                                 {MaskAlpha, Blue, Red, {128, 0, 128}},
                                                 {MaskAdditive, Blue, {255, 0, 255}, {128, 0, 255}}}) {
    CGLSprite sprite(bmp, mask);
    ClearScreen(0, 0, 255);
    sprite.Draw(400, 100, 0, 1, 1);
    sprite.Draw(400, 300, 0, 1, 0.5f);
    EXPECT_EQ(std::pair(ReadPixel(400, 100), ReadPixel(375, 100)), std::pair(magenta, red)) << mask;
    EXPECT_TRUE(Near(ReadPixel(375, 300), half)) << mask << ": " << ReadPixel(375, 300);
  }
  CGLSprite alpha(bmp, MaskAlpha);
  destroy_bitmap(bmp);
  ClearScreen(0, 255, 0);
  alpha.Draw(400, 300, 0, 4, 1);
  for (const Pixel& p : ReadRect(590, 190, 20, 220).pixels) ASSERT_LE(p.b, 4) << p;
  EXPECT_EQ(std::pair(ReadPixel(590, 300), ReadPixel(610, 300)), std::pair(Red, Green));
}

// A sprite loads a bitmap file, of which only the image is drawn, or ends with the whole path in the message;
// deleting it releases its texture. Sprites with static lifetime are destroyed quietly after
// Allegro has shut down the display, and with it the context that held their textures.
TEST_F(SpriteTest, LoadsAndReleasesItsTexture) {
  BITMAP* bmp = MakeQuarters();
  ASSERT_EQ(save_bitmap("quarters.bmp", bmp, nullptr), 0);
  auto* sprite = new CGLSprite("quarters.bmp", MaskAlpha);
  sprite->Draw(400, 300, 0, 1, 1);
  for (const auto& [x, y, colour] : {std::tuple{350, 275, Red}, {449, 324, Yellow}, {349, 300, Black},
                                     {450, 300, Black}, {400, 274, Black}, {400, 325, Black}})
    EXPECT_EQ(ReadPixel(x, y), colour) << x << "," << y;
  const std::string path = "data/" + std::string(300, 'x') + "/missing.bmp";
  EXPECT_EXIT(sprite->LoadFromFile(path.c_str(), MaskAlpha), testing::ExitedWithCode(1), "Error loading file: " + path);
  const GLuint texture = sprite->TextureName();
  delete sprite;
  EXPECT_FALSE(glIsTexture(texture));
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
