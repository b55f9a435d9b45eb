#include <algorithm>
#include <numeric>

#include "powerups/powerup.h"
#include "ship_support.h"

using namespace shiptest;

namespace {

class Powerups : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    StandInPlayer();
  }
  bool Drift(CPowerup& powerup, int ticks) {
    for (int i = 0; i < ticks && powerup.Timer == 0; ++i) powerup.Update(Player);
    return powerup.Timer != 0;
  }
};

// The player's frame is 50 x 30: picked up closer than 32 across and 22 down, after the power-up's move (1 left).
// Until then it shows its icon.
TEST_F(Powerups, PickupBoxIsStrictAndTheWaitingIconDrifts) {
  for (const auto& [x, y, taken] : {std::tuple{132.0f, 300.0f, false}, {131.9f, 300.0f, true}, {101.0f, 322.0f, false},
                                    {101.0f, 321.9f, true}, {101.0f, 278.0f, false}, {101.0f, 278.1f, true}}) {
    CPowerup powerup(x + 1, y, 4, 20);
    EXPECT_EQ(Drift(powerup, 1), taken) << x << "," << y;
  }
  CGLSprite icon;
  FillSprites(&icon, 1, 16, 16);
  CPowerup shield(500, 100, 5);
  shield.Sprite = &icon;
  ClearScreen(0, 0, 0);
  shield.Draw();
  EXPECT_EQ(std::pair(ReadPixel(500, 100), ReadPixel(510, 100)), std::pair(Pixel{40, 200, 80}, Pixel{}));
}

// Taken, the text stands for 49 ticks, then rises 5 a tick from y 300: at -10 it is not yet gone, at -15 it is.
TEST_F(Powerups, TextStandsFor49TicksThenRisesAndGoes) {
  CPowerup life(101, 300);
  ASSERT_TRUE(Drift(life, 1));
  for (int tick = -48; tick <= 63; ++tick) {
    life.Update(Player);
    ASSERT_TRUE(life.Dead == (tick == 63) && IsAt(life.Pos, 100, tick <= 0 ? 300.0f : 300.0f - 5 * tick)) << tick;
  }
}

// Every kind is taken in every player state; only an alive ship is healed, and ammunition for no known weapon
// gives nothing. The text spans its width, centred on the power-up.
TEST_F(Powerups, EachKindGivesItsDueInEveryStateAndSaysWhat) {
  for (const auto& [state, given, lives, shields, ammo, text] :
       {std::tuple{0, CPowerup(101, 300), 4, 4, 0, "Extra life"}, {1, CPowerup(101, 300), 4, 4, 0, nullptr},
        {4, CPowerup(101, 300, 9, 3), 3, 4, 3, nullptr}, {0, CPowerup(101, 300, 4, 20), 3, 4, 20, "20 x Medium Bomb"},
        {0, CPowerup(101, 300, 3), 3, 7, 0, nullptr}, {0, CPowerup(101, 300, 50), 3, 10, 0, "+50 shield"},
        {4, CPowerup(101, 300, 5), 3, 4, 0, nullptr}, {0, CPowerup(101, 300, 12, 5), 3, 4, 0, "5 x None"},
        {0, CPowerup(101, 300, -1, 5), 3, 4, 0, "5 x None"}}) {
    SCOPED_TRACE(testing::Message() << "state " << state << ", lives " << lives << ", shields " << shields);
    Player->State = state;
    Player->Lives = 3;
    Player->MaxShields = 10;
    Player->Shields = 4;
    std::fill(Player->Ammo, Player->Ammo + 12, 0);
    CPowerup powerup = given;
    EXPECT_TRUE(Drift(powerup, 1));
    EXPECT_EQ(std::tuple(Player->Lives, Player->Shields, std::accumulate(Player->Ammo, Player->Ammo + 12, 0)),
              std::tuple(lives, shields, ammo));
    if (text == nullptr) continue;
    ClearScreen(0, 0, 0);
    powerup.Draw();
    const int x = static_cast<int>(powerup.Pos.x), y = static_cast<int>(powerup.Pos.y) - 20;
    const int half = Globals::MediumFont->TextWidth(text) / 2;
    EXPECT_EQ(Changed(x - half - 44, y, 40, 40, Pixel{}) + Changed(x + half + 4, y, 40, 40, Pixel{}), 0);
    EXPECT_TRUE(Changed(x - half, y, 4, 40, Pixel{}) > 0 && Changed(x + half - 4, y, 4, 40, Pixel{}) > 0);
  }
}

}  // namespace
