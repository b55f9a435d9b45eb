// What the player's ship, its head-up display, the projectiles and the explosions put on the screen, and the
// loaders of their pictures.
#include <utility>
#include <vector>

#include "powerups/powerup.h"
#include "ship_support.h"

using namespace gltest;
using namespace shiptest;

namespace {

const Pixel Black{0, 0, 0}, Green{0, 255, 0}, Navy{0, 0, 128}, Grey{128, 128, 128};

class Hud : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    MakeAlive();
    Player->Pos = CVector2(400, 300);
  }
  void DrawOn(const Pixel& background) {
    ClearScreen(background.r, background.g, background.b);
    Player->Draw();
  }
};

// Green from x 2 to 97 and from 3 to 13 above the bottom, in a black frame; at lower shields the last green
// column keeps the fraction (2 + 28.8 at 3) rather than rounding to a whole pixel first.
TEST_F(Hud, ShieldBarIsNinetySixPixelsTimesTheShieldRatio) {
  const int y = ScreenH - 7;
  DrawOn(Navy);
  for (const auto& [x, py, colour] : {std::tuple{1, y, Black}, {2, y, Green}, {97, y, Green}, {98, y, Black},
                                      {99, y, Black}, {100, y, Navy}, {50, ScreenH - 13, Green},
                                      {50, ScreenH - 3, Green}, {50, ScreenH - 14, Black}, {50, ScreenH - 2, Black},
                                      {50, ScreenH - 16, Navy}})
    EXPECT_EQ(ReadPixel(x, py), colour) << x << "," << py;
  for (auto [shields, lastGreen] : {std::pair{5, 49}, {3, 30}, {0, 1}}) {
    Player->Shields = shields;
    DrawOn(Navy);
    EXPECT_EQ(ReadPixel(lastGreen, y), lastGreen > 1 ? Green : Black) << shields;
    EXPECT_EQ(ReadPixel(lastGreen + 1, y), Black) << shields;
  }
}

// Score, weapon and lives (never below zero) at the bottom; the weapon name fades above the ship; a weapon id
// outside the catalogue reads as "None: 0".
TEST_F(Hud, TextsShowLivesScoreWeaponAndTheFadingWeaponName) {
  const auto read = [](int x, int y, int w, int h) { return ReadRect(x, y, w, h).pixels; };
  const int textY = static_cast<int>(300 - Player->Sprites[Player->Frame].H());
  Player->Lives = 0;
  DrawOn(Black);
  const auto zero = read(105, ScreenH - 15, 24, 15), machineGun = read(1, ScreenH - 30, 120, 10);
  EXPECT_GT(Changed(105, ScreenH - 15, 24, 15, Black), 0);
  EXPECT_GT(Changed(1, ScreenH - 42, 80, 10, Black), 0) << "score";
  EXPECT_GT(Changed(1, ScreenH - 30, 80, 10, Black), 0) << "weapon and ammunition";
  EXPECT_EQ(Changed(340, textY, 120, 8, Black), 0);
  Player->Lives = -1;
  Player->WeaponText = "Machine Gun";
  Player->WeaponTextFade = 255;
  DrawOn(Black);
  EXPECT_EQ(read(105, ScreenH - 15, 24, 15), zero);
  EXPECT_GT(Changed(340, textY, 120, 8, Black), 0);
  EXPECT_EQ(Changed(340, textY - 20, 120, 8, Black), 0);
  Player->Lives = 3;
  Player->Weapon = 40;
  DrawOn(Black);
  EXPECT_NE(read(105, ScreenH - 15, 24, 15), zero);
  EXPECT_NE(read(1, ScreenH - 30, 120, 10), machineGun);
  EXPECT_GT(Changed(1, ScreenH - 30, 120, 10, Black), 0);
}

// The ship at its place and its shadow on the ground, but no shadow at the lowest detail, cloaked or fading in,
// and nothing at all once finished; a cartridge case is one small point.
TEST_F(Hud, ShipShadowAndCasesAreDrawnWhereTheyBelong) {
  const float w = Player->Sprites[3].W(), h = Player->Sprites[3].H();
  const struct {
    int gfx, cloak, state;
    bool ship, shadow;
  } cases[] = {{1, 0, Alive, true, true},       {0, 0, Alive, true, false},    {1, 10, Alive, true, false},
               {1, 0, Respawning, true, false}, {1, 0, Finished, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.gfx << " " << c.cloak << " " << c.state);
    Globals::GFXLevel = c.gfx;
    Player->CloakTimer = c.cloak;
    Player->State = c.state;
    Player->WeaponTextFade = 255;
    DrawOn(Grey);
    const int ship = Changed(static_cast<int>(400 - w / 2), static_cast<int>(300 - h / 2), static_cast<int>(w),
                             static_cast<int>(h), Grey);
    EXPECT_EQ(ship > w * h / 10, c.ship);
    EXPECT_EQ(Changed(380, 540, 40, 20, Grey) > 0, c.shadow);
    EXPECT_EQ(Changed(600, 100, 100, 100, Grey), 0);
    EXPECT_EQ(Changed(0, 0, ScreenW, ScreenH, Grey) == 0, c.state == Finished) << "the display";
  }
  Player->State = Alive;
  Player->Casings.push_back(new CVector3(200, 400, 0));
  DrawOn(Black);
  EXPECT_FALSE(Near(ReadPixel(200, 400), Black));
  EXPECT_EQ(ReadPixel(205, 400), Black);
}

// Every loader fills its sprites from the generated data with the mask its pictures need, and the unloaders
// let them go (twice is harmless).
TEST(DataLoaders, FillEverySpriteWithItsMask) {
  LoadShipData();
  LoadExplosionData();
  LoadWeaponData();
  LoadPowerupData();
  std::vector<std::pair<const CGLSprite*, MaskMode>> sprites = {
      {CBomb::Sprite, MaskAlpha},         {CRocket::Sprite, MaskAlpha},         {CMissile::Sprite, MaskAlpha},
      {CMine::Sprite, MaskAlpha},         {CExplosion::FireSprite, MaskAdditive}, {CPowerup::AmmoSprite, MaskAdditive},
      {CPowerup::ShieldSprite, MaskAdditive}, {CPowerup::LifeSprite, MaskAdditive}};
  for (int set = 1; set <= 12; ++set)
    for (int i = 0; i < CShipNPC::SpriteSetSize(set); ++i) sprites.push_back({&CShipNPC::SpriteSet(set)[i], MaskAlpha});
  for (const CGLSprite& frame : CExplosion::Sprites) sprites.push_back({&frame, MaskAdditive});
  for (const auto& [sprite, mask] : sprites) {
    ASSERT_NE(sprite, nullptr);
    EXPECT_TRUE(sprite->W() * sprite->H() > 0 && sprite->TextureName() != 0 && sprite->Mask() == mask)
        << sprite->W() << " x " << sprite->H() << ", texture " << sprite->TextureName() << ", mask " << mask;
  }
  EXPECT_NE(CRocket::Sprite, CMissile::Sprite);
  EXPECT_EQ(CPowerup(0, 0).Sprite, CPowerup::LifeSprite);
  EXPECT_EQ(CPowerup(0, 0, 1, 2).Sprite, CPowerup::AmmoSprite);
  EXPECT_EQ(CPowerup(0, 0, 5).Sprite, CPowerup::ShieldSprite);
  UnloadPowerupData();
  UnloadPowerupData();
  UnloadWeaponData();
  UnloadExplosionData();
  for (const CGLSprite* sprite : {CPowerup::AmmoSprite, CPowerup::ShieldSprite, CPowerup::LifeSprite, CBomb::Sprite,
                                  CExplosion::FireSprite})
    EXPECT_EQ(sprite, nullptr);
}

// Each projectile and a fireball show at their place; the rocket without its trail is no taller than its
// picture; the beam is a thin blue line ahead of its start.
TEST(EffectData, EveryKindOfProjectileDrawsAtItsPositionAtItsSize) {
  LoadExplosionData();
  LoadWeaponData();
  srand(29);
  std::vector<CExplosion*> explosions;
  std::vector<TBullet*> drawn = {new CBomb(100, 100, CVector2(), &explosions, 1.3f, false),
                                 new CRocket(300, 100, 0.1f, 0, &explosions, false),
                                 new CMine(500, 100, &explosions, true), new CMissile(700, 100, &explosions, false),
                                 new CBulletMG(100, 300, false, false)};
  CExplosion fireball(300, 300, 1, 1.0f);
  ClearScreen(0, 0, 0);
  for (TBullet* b : drawn) b->Draw();
  fireball.Draw();
  for (TBullet* b : drawn)
    EXPECT_GT(Changed(static_cast<int>(b->Pos.x) - 4, static_cast<int>(b->Pos.y) - 2, 8, 4, Black), 0) << b->Pos.x;
  EXPECT_GT(Changed(290, 290, 20, 20, Black), 0);

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

}  // namespace
