// What the player's ship, its head-up display, the projectiles and the
// explosions put on the screen, read back from the back buffer.
#include "ship_support.h"

#include "gl_harness.h"
#include "powerups/powerup.h"

#include <utility>
#include <vector>

using namespace gltest;
using namespace shiptest;

namespace {

const Pixel Black{0, 0, 0};
const Pixel Green{0, 255, 0};

// Number of pixels in a block that differ from the background colour.
int Changed(int x, int y, int w, int h, const Pixel& background) {
  const Rect rect = ReadRect(x, y, w, h);
  int count = 0;
  for (const Pixel& p : rect.pixels) count += Near(p, background, 8) ? 0 : 1;
  return count;
}

class Hud : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    MakeAlive();
    Player->Pos = CVector2(400, 300);
  }
  void TearDown() override {
    PlayerFixture::TearDown();
    Setup2D();
  }
  void DrawOn(int r, int g, int b) {
    ClearScreen(r, g, b);
    Player->Draw();
  }
};

}  // namespace

TEST_F(Hud, ShieldBarIsNinetySixPixelsTimesTheShieldRatio) {
  const int barY = ScreenH - 7;
  const Pixel navy{0, 0, 128};
  DrawOn(0, 0, 128);
  // Green from x 2 to 97 and y 3 to 13 from the bottom, in a black frame.
  const struct {
    int x, y;
    Pixel colour;
  } full[] = {{1, barY, Black},          {2, barY, Green},          {97, barY, Green},         {98, barY, Black},
              {99, barY, Black},         {100, barY, navy},         {50, ScreenH - 13, Green}, {50, ScreenH - 3, Green},
              {50, ScreenH - 14, Black}, {50, ScreenH - 2, Black},  {50, ScreenH - 16, navy}};
  for (const auto& p : full) EXPECT_EQ(ReadPixel(p.x, p.y), p.colour) << p.x << "," << p.y;

  // The last green column per shield level; 2 + 28.8 at 3: the fraction is
  // kept, not rounded to a whole pixel first.
  for (auto [shields, lastGreen] : {std::pair{5, 49}, {3, 30}, {0, 1}}) {
    Player->Shields = shields;
    DrawOn(0, 0, 128);
    if (lastGreen > 1) {
      EXPECT_EQ(ReadPixel(lastGreen, barY), Green) << shields;
    }
    EXPECT_EQ(ReadPixel(lastGreen + 1, barY), Black) << shields;
  }
}

TEST_F(Hud, LivesShowAsZeroOnceNegative) {
  const int x = 105, y = ScreenH - 15, w = 24, h = 15;
  Player->Lives = 0;
  DrawOn(0, 0, 0);
  const Rect zero = ReadRect(x, y, w, h);
  EXPECT_GT(Changed(x, y, w, h, Black), 0);
  Player->Lives = -1;
  DrawOn(0, 0, 0);
  EXPECT_EQ(ReadRect(x, y, w, h).pixels, zero.pixels);
  Player->Lives = 3;
  DrawOn(0, 0, 0);
  EXPECT_NE(ReadRect(x, y, w, h).pixels, zero.pixels);
}

TEST_F(Hud, TextsAndTheFadingWeaponNameAboveTheShip) {
  DrawOn(0, 0, 0);
  EXPECT_GT(Changed(1, ScreenH - 42, 80, 10, Black), 0) << "score";
  EXPECT_GT(Changed(1, ScreenH - 30, 80, 10, Black), 0) << "weapon and ammunition";
  const int textY = static_cast<int>(300 - Player->Sprites[Player->Frame].H());
  EXPECT_EQ(Changed(340, textY, 120, 8, Black), 0);

  Player->WeaponText = "Machine Gun";
  Player->WeaponTextFade = 255;
  DrawOn(0, 0, 0);
  EXPECT_GT(Changed(340, textY, 120, 8, Black), 0);
  EXPECT_EQ(Changed(340, textY - 20, 120, 8, Black), 0);

  // A weapon id outside the catalogue reads as "None: 0".
  Player->WeaponTextFade = 0;
  Player->Weapon = 0;
  DrawOn(0, 0, 0);
  const Rect machineGun = ReadRect(1, ScreenH - 30, 120, 10);
  Player->Weapon = 40;
  DrawOn(0, 0, 0);
  EXPECT_NE(ReadRect(1, ScreenH - 30, 120, 10).pixels, machineGun.pixels);
  EXPECT_GT(Changed(1, ScreenH - 30, 120, 10, Black), 0);
}

TEST_F(Hud, ShipCasesAndShadowAreDrawnWhereTheyBelong) {
  const Pixel grey{128, 128, 128};
  const float w = Player->Sprites[3].W();
  const float h = Player->Sprites[3].H();
  const int bx = static_cast<int>(400 - w / 2), by = static_cast<int>(300 - h / 2);
  DrawOn(128, 128, 128);
  const int visible = Changed(bx, by, static_cast<int>(w), static_cast<int>(h), grey);
  EXPECT_GT(visible, static_cast<int>(w * h / 10));
  EXPECT_EQ(Changed(600, 100, 100, 100, grey), 0);
  EXPECT_GT(Changed(380, 540, 40, 20, grey), 0) << "shadow on the ground";

  Player->Casings.push_back(new CVector3(200, 400, 0));
  DrawOn(0, 0, 0);
  EXPECT_FALSE(Near(ReadPixel(200, 400), Black));
  EXPECT_EQ(ReadPixel(205, 400), Black);

  for (int setting : {0, 1, 2}) {
    Globals::GFXLevel = setting == 0 ? 0 : 1;
    Player->CloakTimer = setting == 1 ? 10 : 0;
    Player->State = setting == 2 ? Respawning : Alive;
    DrawOn(128, 128, 128);
    EXPECT_EQ(Changed(380, 540, 40, 20, grey), 0) << "setting " << setting;
  }
  Globals::GFXLevel = 1;
}

TEST_F(Hud, NothingAtAllOnceFinished) {
  Player->State = Finished;
  Player->WeaponTextFade = 255;
  DrawOn(0, 0, 0);
  EXPECT_EQ(Changed(0, 0, ScreenW, ScreenH, Black), 0);
}

// Every loader fills its sprites from the generated data with the mask its
// pictures need, and the unloaders let them go.
TEST(DataLoaders, FillEverySpriteWithItsMask) {
  LoadShipData();
  LoadExplosionData();
  LoadWeaponData();
  LoadPowerupData();
  std::vector<std::pair<const CGLSprite*, MaskMode>> sprites;
  for (int set = 1; set <= 12; ++set)
    for (int i = 0; i < CShipNPC::SpriteSetSize(set); ++i) sprites.push_back({&CShipNPC::SpriteSet(set)[i], MaskAlpha});
  for (const CGLSprite& frame : CExplosion::Sprites) sprites.push_back({&frame, MaskAdditive});
  for (const CGLSprite* sprite : {CBomb::Sprite, CRocket::Sprite, CMissile::Sprite, CMine::Sprite})
    sprites.push_back({sprite, MaskAlpha});
  for (const CGLSprite* sprite :
       {CExplosion::FireSprite, CPowerup::AmmoSprite, CPowerup::ShieldSprite, CPowerup::LifeSprite})
    sprites.push_back({sprite, MaskAdditive});
  for (size_t i = 0; i < sprites.size(); ++i) {
    ASSERT_NE(sprites[i].first, nullptr) << i;
    EXPECT_GT(sprites[i].first->W() * sprites[i].first->H(), 0.0f) << i;
    EXPECT_NE(sprites[i].first->TextureName(), 0u) << i;
    EXPECT_EQ(sprites[i].first->Mask(), sprites[i].second) << i;
  }
  EXPECT_NE(CRocket::Sprite, CMissile::Sprite);
  EXPECT_EQ(CPowerup(0, 0).Sprite, CPowerup::LifeSprite);
  EXPECT_EQ(CPowerup(0, 0, 1, 2).Sprite, CPowerup::AmmoSprite);
  EXPECT_EQ(CPowerup(0, 0, 5).Sprite, CPowerup::ShieldSprite);
  UnloadPowerupData();
  UnloadPowerupData();  // twice is harmless
  UnloadWeaponData();
  UnloadExplosionData();
  EXPECT_TRUE(CPowerup::AmmoSprite == nullptr && CPowerup::ShieldSprite == nullptr && CPowerup::LifeSprite == nullptr);
  EXPECT_EQ(CBomb::Sprite, nullptr);
  EXPECT_EQ(CExplosion::FireSprite, nullptr);
}

TEST(EffectData, EveryKindOfProjectileDrawsAtItsPositionAtItsSize) {
  LoadExplosionData();
  LoadWeaponData();
  srand(29);
  std::vector<CExplosion*> explosions;
  std::vector<TBullet*> drawn = {new CBomb(100, 100, CVector2(), &explosions, 1.3f, false),
                                 new CRocket(300, 100, 0.1f, 0, &explosions, false),
                                 new CMine(500, 100, &explosions, true),
                                 new CMissile(700, 100, &explosions, false),
                                 new CBulletMG(100, 300, false, false)};
  CExplosion fireball(300, 300, 1, 1.0f);
  ClearScreen(0, 0, 0);
  for (TBullet* b : drawn) b->Draw();
  fireball.Draw();
  for (TBullet* b : drawn) EXPECT_GT(Changed(static_cast<int>(b->Pos.x) - 4, static_cast<int>(b->Pos.y) - 2, 8, 4, Black), 0);
  EXPECT_GT(Changed(290, 290, 20, 20, Black), 0);

  // The rocket alone, without its trail: no taller than its picture.
  static_cast<CRocket*>(drawn[1])->Trail.NumParticles = 0;
  ClearScreen(0, 0, 0);
  drawn[1]->Draw();
  const int h = static_cast<int>(CRocket::Sprite->H());
  EXPECT_GT(Changed(200, 100 - h / 2 + 1, 200, h - 2, Black), 0);
  EXPECT_EQ(Changed(200, 100 - h / 2 - 3 * h, 200, 3 * h - 1, Black), 0);
  EXPECT_EQ(Changed(200, 100 + h / 2 + 1, 200, 3 * h, Black), 0);
  DeleteAll(drawn);

  CPlasmaBeam beam(200, 400, &explosions, false);
  ClearScreen(0, 0, 0);
  beam.Draw();
  EXPECT_GT(ReadPixel(700, 399).b, 200);
  EXPECT_EQ(ReadPixel(150, 399), Black);
  EXPECT_EQ(ReadPixel(700, 402), Black);
  Setup2D();
  UnloadWeaponData();
  UnloadExplosionData();
}
