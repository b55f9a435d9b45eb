// Power-ups: the pickup box, what each kind gives in every player state, the
// standing and rising text, and what is drawn.
#include <gtest/gtest.h>

#include <allegro.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gl_harness.h"
#include "ship_support.h"
#include "graphics/gltwodee.h"
#include "powerups/powerup.h"
#include "ships/player.h"

using namespace gltest;
using namespace shiptest;

namespace {

class Powerups : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    StandInPlayer();
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

// Every kind is taken in every player state; only an alive ship is healed,
// and ammunition for no known weapon gives nothing.
TEST_F(Powerups, EachKindGivesItsDueInEveryStateAndSaysWhat) {
  enum { Life, Shield, Ammo };
  const struct {
    int state, kind, value, amount, lives, shields, ammo;
    const char* text;
  } cases[] = {
      {0, Life, 0, 0, 4, 4, 0, "Extra life"}, {1, Life, 0, 0, 4, 4, 0, nullptr},  {4, Life, 0, 0, 4, 4, 0, nullptr},
      {0, Ammo, 9, 3, 3, 4, 3, nullptr},      {1, Ammo, 9, 3, 3, 4, 3, nullptr},  {4, Ammo, 9, 3, 3, 4, 3, nullptr},
      {0, Shield, 3, 0, 3, 7, 0, nullptr},    {0, Shield, 50, 0, 3, 10, 0, "+50 shield"},
      {1, Shield, 5, 0, 3, 4, 0, nullptr},    {4, Shield, 5, 0, 3, 4, 0, nullptr},
      {0, Ammo, 12, 5, 3, 4, 0, "5 x None"},  {0, Ammo, -1, 5, 3, 4, 0, "5 x None"},
      {0, Ammo, 1000, 5, 3, 4, 0, "5 x None"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << c.state << ", kind " << c.kind << ", " << c.value);
    Player->State = c.state;
    Player->Lives = 3;
    Player->MaxShields = 10;
    Player->Shields = 4;
    std::fill(Player->Ammo, Player->Ammo + 12, 0);
    CPowerup powerup = c.kind == Life ? CPowerup(101, 300)
                       : c.kind == Shield ? CPowerup(101, 300, c.value)
                                          : CPowerup(101, 300, c.value, c.amount);
    EXPECT_TRUE(Drift(powerup, 1));
    EXPECT_EQ(Player->Lives, c.lives);
    EXPECT_EQ(Player->Shields, c.shields);
    int ammo = 0;
    for (int id = 0; id < 12; ++id) ammo += Player->Ammo[id];
    EXPECT_EQ(ammo, c.ammo);
    if (c.text != nullptr) ExpectText(powerup, c.text);
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
