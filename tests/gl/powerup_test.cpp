// Power-ups: the pickup box, what each kind gives in every player state, the
// standing and rising text, and what is drawn.
#include <gtest/gtest.h>

#include <allegro.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gl_harness.h"
#include "graphics/gltwodee.h"
#include "powerups/powerup.h"
#include "ships/player.h"

using namespace gltest;

namespace {

class Powerups : public testing::Test {
 protected:
  void SetUp() override {
    for (CGLSprite& sprite : Frames) {
      BITMAP* bmp = MakeFilledBitmap(50, 30, 200, 200, 200);
      sprite.MakeFromBmp(bmp, MaskAlpha);
      destroy_bitmap(bmp);
    }
    Player = new CPlayerShip(100, 300, &Explosions, &Bullets);
    OwnSprites = Player->Sprites;
    Player->Sprites = Frames;
    Player->State = 0;
    SavedFont = Globals::MediumFont;
    if (SavedFont == nullptr) Globals::MediumFont = new CGLFont(font);
  }

  void TearDown() override {
    Player->Sprites = OwnSprites;
    delete Player;
    if (SavedFont == nullptr) {
      delete Globals::MediumFont;
      Globals::MediumFont = nullptr;
    }
  }

  // Ticks until picked up, at most `ticks`; true when it was.
  bool Drift(CPowerup& powerup, int ticks) {
    for (int i = 0; i < ticks && powerup.Timer == 0; ++i) powerup.Update(Player);
    return powerup.Timer != 0;
  }

  // Left and right ends of the white pixels drawn around a text line at y.
  std::pair<int, int> WhiteSpan(int y) {
    const Rect rect = ReadRect(0, y - 20, ScreenW, 40);
    int left = ScreenW, right = -1;
    for (int row = 0; row < rect.h; ++row) {
      for (int col = 0; col < rect.w; ++col) {
        if (rect.At(col, row) == (Pixel{255, 255, 255})) {
          left = std::min(left, col);
          right = std::max(right, col);
        }
      }
    }
    return {left, right};
  }

  // The text of a taken power-up spans the width of `text`, centred on x.
  void ExpectText(CPowerup& powerup, const char* text) {
    ClearScreen(0, 0, 0);
    powerup.Draw();
    const auto span = WhiteSpan(static_cast<int>(powerup.Pos.y));
    const int width = Globals::MediumFont->TextWidth(text);
    EXPECT_NEAR(span.second - span.first + 1, width, 4) << text;
    EXPECT_NEAR((span.first + span.second) / 2.0, powerup.Pos.x, 4) << text;
    Setup2D();
  }

  CGLSprite Frames[8];
  std::vector<CExplosion*> Explosions;
  std::vector<TBullet*> Bullets;
  CPlayerShip* Player = nullptr;
  CGLSprite* OwnSprites = nullptr;
  CGLFont* SavedFont = nullptr;
};

TEST_F(Powerups, PickupBoxIsStrict) {
  // Frame 50x30: picked up closer than 32 across and 22 down.
  CPowerup across(133, 300, 4, 20);
  across.Update(Player);
  EXPECT_FLOAT_EQ(across.Pos.x, 132.0f);
  EXPECT_EQ(across.Timer, 0);
  across.Update(Player);
  EXPECT_EQ(across.Timer, 50);
  EXPECT_EQ(Player->Ammo[4], 20);
  ExpectText(across, "20 x Medium Bomb");

  CPowerup below(101, 322, 4, 20);
  EXPECT_FALSE(Drift(below, 1));
  CPowerup above(101, 278.1f, 4, 20);
  EXPECT_TRUE(Drift(above, 1));
  EXPECT_EQ(Player->Ammo[4], 40);
}

TEST_F(Powerups, TextStandsFor49TicksThenRisesAndGoes) {
  CPowerup life(101, 300);
  ASSERT_TRUE(Drift(life, 1));
  EXPECT_EQ(Player->Lives, 4);
  const CVector2 at = life.Pos;
  for (int tick = 0; tick < 49; ++tick) {
    life.Update(Player);
    ASSERT_TRUE(life.Pos.x == at.x && life.Pos.y == at.y) << tick;
  }
  EXPECT_EQ(life.Timer, 1);
  // Rising from y 300: -10 is not yet gone, -15 is.
  for (int tick = 1; tick <= 62; ++tick) {
    life.Update(Player);
    EXPECT_FLOAT_EQ(life.Pos.y, 300.0f - 5 * tick);
    EXPECT_FALSE(life.Dead);
  }
  life.Update(Player);
  EXPECT_TRUE(life.Dead);
  EXPECT_EQ(Player->Lives, 4);
}

TEST_F(Powerups, ShieldsHealOnlyAnAliveShipButAreAlwaysTaken) {
  Player->MaxShields = 10;
  Player->Shields = 4;
  CPowerup small(101, 300, 3);
  ASSERT_TRUE(Drift(small, 1));
  EXPECT_EQ(Player->Shields, 7);

  CPowerup full(101, 300, 50);
  ASSERT_TRUE(Drift(full, 1));
  EXPECT_EQ(Player->Shields, 10);
  ExpectText(full, "+50 shield");

  for (int state : {1, 4}) {
    Player->State = state;
    Player->Shields = 4;
    CPowerup wasted(101, 300, 5);
    EXPECT_TRUE(Drift(wasted, 1)) << state;
    EXPECT_EQ(Player->Shields, 4) << state;
  }
}

TEST_F(Powerups, LivesAndAmmunitionInAnyState) {
  for (int state : {0, 1, 4}) {
    Player->State = state;
    CPowerup life(101, 300);
    CPowerup ammo(101, 300, 9, 3);
    ASSERT_TRUE(Drift(life, 1));
    ASSERT_TRUE(Drift(ammo, 1));
  }
  EXPECT_EQ(Player->Lives, 6);
  EXPECT_EQ(Player->Ammo[9], 9);
  CPowerup life(101, 300);
  ASSERT_TRUE(Drift(life, 1));
  ExpectText(life, "Extra life");
}

TEST_F(Powerups, AmmunitionForAnUnknownWeaponIsTakenAndGivesNothing) {
  int before[12];
  std::copy(Player->Ammo, Player->Ammo + 12, before);
  for (int weapon : {12, -1, 1000}) {
    CPowerup odd(101, 300, weapon, 5);
    EXPECT_TRUE(Drift(odd, 1));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(Player->Ammo[i], before[i]);
    ExpectText(odd, "5 x None");
  }
}

TEST_F(Powerups, WaitingIconDriftsLeftAndIsDrawn) {
  BITMAP* bmp = MakeFilledBitmap(16, 16, 0, 255, 0);
  CGLSprite icon(bmp, MaskAdditive);
  destroy_bitmap(bmp);
  CGLSprite* saved = CPowerup::ShieldSprite;
  CPowerup::ShieldSprite = &icon;
  CPowerup shield(600, 100, 5);
  CPowerup::ShieldSprite = saved;
  for (int tick = 0; tick < 100; ++tick) shield.Update(Player);
  EXPECT_FLOAT_EQ(shield.Pos.x, 500.0f);
  EXPECT_FLOAT_EQ(shield.Pos.y, 100.0f);
  EXPECT_EQ(shield.Timer, 0);
  ClearScreen(0, 0, 0);
  shield.Draw();
  EXPECT_EQ(ReadPixel(500, 100), (Pixel{0, 255, 0}));
  EXPECT_EQ(ReadPixel(510, 100), (Pixel{0, 0, 0}));
  Setup2D();
}

}  // namespace

namespace {

TEST(PowerupData, LoadsTheThreeIconsAdditiveAndUnloadsThem) {
  LoadPowerupData();
  for (CGLSprite* icon : {CPowerup::AmmoSprite, CPowerup::ShieldSprite, CPowerup::LifeSprite}) {
    ASSERT_NE(icon, nullptr);
    EXPECT_GT(icon->W(), 0.0f);
    EXPECT_EQ(icon->Mask(), MaskAdditive);
  }
  EXPECT_EQ(CPowerup(0, 0).Sprite, CPowerup::LifeSprite);
  EXPECT_EQ(CPowerup(0, 0, 1, 2).Sprite, CPowerup::AmmoSprite);
  EXPECT_EQ(CPowerup(0, 0, 5).Sprite, CPowerup::ShieldSprite);
  UnloadPowerupData();
  EXPECT_TRUE(CPowerup::AmmoSprite == nullptr && CPowerup::ShieldSprite == nullptr && CPowerup::LifeSprite == nullptr);
  UnloadPowerupData();  // twice is harmless
}

}  // namespace
