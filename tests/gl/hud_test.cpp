#include "powerups/powerup.h"
#include "ship_support.h"

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
  int DrawOn(const Pixel& bg, int x = 0, int y = 0, int w = 800, int h = ScreenH) {
    ClearScreen(bg.r, bg.g, bg.b);
    Player->Draw();
    return Changed(x, y, w, h, bg);
  }
};

// Green from x 2 to 97 and 3 to 13 above the bottom in a black frame; the last green column keeps the fraction
// (2 + 28.8 at 3 shields) rather than rounding first. Lives never show below zero; a weapon id outside the
// catalogue reads as "None: 0"; the weapon name fades above the ship.
TEST_F(Hud, ShieldBarLivesScoreWeaponAndItsFadingName) {
  const int y = ScreenH - 7, textY = static_cast<int>(300 - Player->Sprites[Player->Frame].H());
  Player->Lives = 0;
  EXPECT_EQ(DrawOn(Navy, 340, textY, 120, 8), 0);
  for (const auto& [x, py, colour] : {std::tuple{1, y, Black}, {2, y, Green}, {97, y, Green}, {98, y, Black},
                                      {100, y, Navy}, {50, ScreenH - 13, Green}, {50, ScreenH - 3, Green},
                                      {50, ScreenH - 14, Black}, {50, ScreenH - 2, Black}, {50, ScreenH - 16, Navy}})
    EXPECT_EQ(ReadPixel(x, py), colour) << x << "," << py;
  EXPECT_GT(Changed(1, ScreenH - 42, 80, 10, Navy), 0) << "score";
  const auto zero = ReadRect(105, ScreenH - 15, 24, 15).pixels, gun = ReadRect(1, ScreenH - 30, 120, 10).pixels;
  for (auto [shields, lastGreen] : {std::pair{3, 30}, {0, 1}}) {
    Player->Shields = shields;
    DrawOn(Navy);
    EXPECT_EQ(ReadPixel(lastGreen, y), lastGreen > 1 ? Green : Black) << shields;
    EXPECT_EQ(ReadPixel(lastGreen + 1, y), Black) << shields;
  }
  Player->Lives = -1;
  Player->WeaponText = "Machine Gun";
  Player->WeaponTextFade = 255;
  EXPECT_GT(DrawOn(Navy, 340, textY, 120, 8), 0);
  EXPECT_EQ(ReadRect(105, ScreenH - 15, 24, 15).pixels, zero);
  Player->Lives = 3;
  Player->Weapon = 40;
  DrawOn(Navy);
  EXPECT_NE(ReadRect(105, ScreenH - 15, 24, 15).pixels, zero);
  EXPECT_TRUE(ReadRect(1, ScreenH - 30, 120, 10).pixels != gun && Changed(1, ScreenH - 30, 120, 10, Navy) > 0);
}

// The ship and its shadow on the ground, but no shadow at the lowest detail, cloaked or fading in, and nothing
// at all once finished; a cartridge case is one small point.
TEST_F(Hud, ShipShadowAndCasesAreDrawnWhereTheyBelong) {
  const int w = static_cast<int>(Player->Sprites[3].W()), h = static_cast<int>(Player->Sprites[3].H());
  for (const auto& [gfx, cloak, state, ship, shadow] :
       {std::tuple{1, 0, int(Alive), true, true}, {0, 0, int(Alive), true, false}, {1, 10, int(Alive), true, false},
        {1, 0, int(Respawning), true, false}, {1, 0, int(Finished), false, false}}) {
    Globals::GFXLevel = gfx;
    Player->CloakTimer = cloak;
    Player->State = state;
    EXPECT_EQ(DrawOn(Grey, 400 - w / 2, 300 - h / 2, w, h) > w * h / 10, ship) << state;
    EXPECT_EQ(Changed(380, 540, 40, 20, Grey) > 0, shadow) << gfx << cloak << state;
  }
  Player->State = Alive;
  Player->Casings.push_back(new CVector3(200, 400, 0));
  DrawOn(Black);
  EXPECT_TRUE(!Near(ReadPixel(200, 400), Black) && ReadPixel(205, 400) == Black);
}

// Every loader fills its sprites with the mask its pictures need. Each projectile and a fireball show at their
// place; the rocket without its trail is no taller than its picture; the beam is a thin blue line ahead of its start.
TEST(DataLoaders, FillEverySpriteWithItsMaskForEachProjectileToDrawInPlace) {
  LoadShipData();
  LoadExplosionData();
  LoadWeaponData();
  LoadPowerupData();
  std::vector<std::pair<const CGLSprite*, MaskMode>> sprites = {
      {CBomb::Sprite, MaskAlpha}, {CRocket::Sprite, MaskAlpha}, {CMissile::Sprite, MaskAlpha},
      {CMine::Sprite, MaskAlpha}, {CExplosion::FireSprite, MaskAdditive}, {CPowerup::AmmoSprite, MaskAdditive},
      {CPowerup::ShieldSprite, MaskAdditive}, {CPowerup::LifeSprite, MaskAdditive}};
  for (int set = 1; set <= 12; ++set)
    for (int i = 0; i < CShipNPC::SpriteSetSize(set); ++i) sprites.push_back({&CShipNPC::SpriteSet(set)[i], MaskAlpha});
  for (const CGLSprite& frame : CExplosion::Sprites) sprites.push_back({&frame, MaskAdditive});
  for (const auto& [sprite, mask] : sprites)
    ASSERT_TRUE(sprite && sprite->W() * sprite->H() > 0 && sprite->TextureName() != 0 && sprite->Mask() == mask);
  srand(29);
  std::vector<CExplosion*> explosions;
  auto* rocket = new CRocket(300, 100, 0.1f, 0, &explosions, false);
  std::vector<TBullet*> drawn = {new CBomb(100, 100, CVector2(), &explosions, 1.3f, false), rocket,
                                 new CMine(500, 100, &explosions, true), new CMissile(700, 100, &explosions, false),
                                 new CBulletMG(100, 300, false, false), new CPlasmaBeam(200, 400, &explosions, false)};
  ClearScreen(0, 0, 0);
  for (TBullet* b : drawn) b->Draw();
  CExplosion(300, 300, 1, 1.0f).Draw();
  for (TBullet* b : drawn)
    EXPECT_GT(Changed(static_cast<int>(b->Pos.x) - 4, static_cast<int>(b->Pos.y) - 2, 8, 4, Black), 0) << b->Pos.x;
  EXPECT_GT(Changed(290, 290, 20, 20, Black), 0);
  EXPECT_GT(ReadPixel(700, 399).b, 200);
  EXPECT_EQ(std::pair(ReadPixel(150, 399), ReadPixel(700, 402)), std::pair(Black, Black));
  rocket->Trail.NumParticles = 0;
  ClearScreen(0, 0, 0);
  rocket->Draw();
  const int h = static_cast<int>(CRocket::Sprite->H());
  EXPECT_GT(Changed(200, 100 - h / 2 + 1, 200, h - 2, Black), 0);
  EXPECT_EQ(Changed(200, 100 - h / 2 - 3 * h, 200, 3 * h - 1, Black), 0);
  DeleteAll(drawn);
  Setup2D();
  UnloadPowerupData();
  UnloadPowerupData();  // twice is harmless
  UnloadWeaponData();
  UnloadExplosionData();
}

}  // namespace
