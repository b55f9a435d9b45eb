#include <algorithm>
#include <tuple>

#include "ship_support.h"

using namespace shiptest;

namespace {

class EnemyFlight : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    srand(7);
    Globals::ScreenShake = 0;
    FillSprites(CShipNPC::Data1, 8, 40, 20);
    StandInPlayer();
    Player->Shields = Player->MaxShields = 1000;
    Player->Pos = CVector2(790, 590);  // far from every flight path
  }
  CShipNPC* Flyer(int behaviour, float x, float y, float acc, float maxSpeed, const std::string& extra = "") {
    return Spawn("Data 1 7 Acc " + std::to_string(acc) + " MaxSpeed " + std::to_string(maxSpeed) +
                     " Hostile 1 Shields 100 Shadow 1 Ground 0 Value 50 " + extra,
                 behaviour, x, y);
  }
  void Run(CShipNPC* ship, int ticks) {
    for (int i = 0; i < ticks && ship->State != Finished; ++i) ship->Update(Player);
  }
};

// A ship ends in the tick that starts beyond -100 or 900 across (at -100 it is still in the field), and leaving
// pays nothing. Every path keeps within its top speed; the sine wave weaves at its top speed and flies on at half.
TEST_F(EnemyFlight, EveryFlightPathLeavesByItsSideWithoutPay) {
  // side: -1 left, 1 right, 0 never; weave: a vertical speed reached at some point; vx: the last horizontal one
  for (const auto& [behaviour, x0, y0, acc, side, behaviourAtTheEnd, weave, vx] :
       {std::tuple{1, -90.0f, 100.0f, 0.1f, -1, 1, 0.0f, -2.0f}, {2, 600, 300, 0.1f, -1, 2, 1.9f, -1.05f},
        {4, 404, 300, 0.1f, -1, 4, 0, -2}, {5, 204, 400, 0.1f, 1, 5, 0, 2.05f}, {6, 204, 400, 0.1f, -1, 2, 0, -1.05f},
        {10, 100, 290, 0.5f, 0, 10, 0, 0}}) {
    CShipNPC* ship = Flyer(behaviour, x0, y0, acc, 2);
    float fastest = 0;
    for (int tick = 0; tick < 10000 && ship->State == Alive; ++tick) {
      const float x = ship->Pos.x;
      ship->Update(Player);
      ASSERT_EQ(ship->State == Finished, x < -100 || x > 900) << behaviour << " " << tick;
      fastest = std::max(fastest, std::fabs(ship->Vel.y));
    }
    EXPECT_EQ(std::tuple(ship->State, ship->Pos.x > 400, ship->Behaviour),
              std::tuple(side == 0 ? Alive : Finished, side >= 0, behaviourAtTheEnd))
        << behaviour;
    EXPECT_GE(fastest, weave) << behaviour;
    EXPECT_NEAR(ship->Vel.x, vx, 0.06f) << behaviour;
    Run(Flyer(behaviour, -100, y0, acc, 2), 1);
    EXPECT_EQ(Ships.back()->State, Alive) << behaviour;
  }
  EXPECT_EQ(std::tuple(Player->Score, Player->Kills, Globals::ScreenShake, Explosions.size()),
            std::tuple(0, 0, 0, size_t{0}));
}

// The dive turns in the tick that starts below the 350 line (at 350 it still dives) and then climbs; the loop
// climbs once left of the middle (at 400 it flies on) until above y 200.
TEST_F(EnemyFlight, DiveAndLoopTurnAtTheirLines) {
  CShipNPC* dive = Flyer(3, 700, 347, 0.5f, 3);
  Run(dive, 3);
  EXPECT_TRUE(IsAt(dive->Pos, 691, 356));
  Run(dive, 1);
  EXPECT_FLOAT_EQ(dive->Vel.y, 2.5f);
  Run(dive, 30);
  EXPECT_FLOAT_EQ(dive->Vel.y, -3.0f);
  CShipNPC* loop = Flyer(4, 404, 300, 0.1f, 2);
  Run(loop, 4);
  EXPECT_TRUE(IsAt(loop->Pos, 396, 300));
  loop->Pos.y = 200;
  for (int ticks = 0; loop->Phase < 2 && ticks < 1000; ++ticks) {
    const float y = loop->Pos.y;
    loop->Update(Player);
    ASSERT_EQ(loop->Phase < 2, y >= 200) << ticks;
  }
}

// A glider closes on its destination, redraws it within bounds once within 30 pixels and rotates its weapons. A
// hunter flies level with the player also when cloaked, but holds its fire.
TEST_F(EnemyFlight, GliderAndHunterSteerAndHoldFireAtACloakedPlayer) {
  Player->CloakTimer = 100000;
  CShipNPC* ship = Flyer(8, 500, 200, 0.1f, 3, "Weapon 0 10 Weapon 8 10 Weapon 9 10");
  for (int tick = 0; tick < 3000; ++tick) {
    const CVector2 dest(ship->DestX, ship->DestY);
    const int weapon = ship->Weapon;
    ship->Update(Player);
    const bool near = std::fabs(ship->Pos.x - dest.x) < 30 && std::fabs(ship->Pos.y - dest.y) < 30;
    ASSERT_EQ(near, ship->DestX != dest.x || ship->DestY != dest.y) << tick;
    ASSERT_TRUE(ship->DestX >= 300 && ship->DestX <= 790 && ship->DestY >= 20 && ship->DestY <= 400) << tick;
    ASSERT_EQ(ship->Weapon, weapon == 0 ? 8 : (weapon == 8 ? 9 : 0)) << tick;
  }
  Player->Pos = CVector2(100, 450);
  CShipNPC* hunter = Flyer(9, 600, 100, 0.1f, 3, "Weapon 0 1000");
  Run(hunter, 400);
  EXPECT_TRUE(hunter->DestY == 450 && std::fabs(hunter->Pos.y - 450) < 50 && Bullets.empty()) << hunter->Pos.y;
}

// The frame follows the vertical speed within 0..6; without a top speed only level flight or the extremes; NaN: 0.
TEST_F(EnemyFlight, PitchFrameFollowsVerticalSpeedAndStaysInTheSet) {
  CShipNPC* ship = Flyer(0, 400, 300, 0.1f, 3);
  for (const auto& [maxSpeed, vy, frame] : {std::tuple{3.0f, 0.5f, 4}, {3.0f, -1.6f, 0}, {3.0f, 1.5f, 6},
                                            {3.0f, NAN, 0}, {0.0f, -1.0f, 0}, {0.0f, 0.0f, 3}, {0.0f, 1.0f, 6}}) {
    ship->MaxSpeed = maxSpeed;
    ship->Vel = CVector2(0, vy);
    ship->Update(Player);
    EXPECT_EQ(ship->Frame, frame) << maxSpeed << " " << vy;
  }
}

// A shot-down flyer falls nose down until the ground line and pays there, an escort pays its value but no kill;
// a ground unit explodes where it stands.
TEST_F(EnemyFlight, CrashPaysValueAndKillAtTheGround) {
  CShipNPC* counted = Flyer(0, 300, 540, 0.1f, 3);
  CShipNPC* escort = Spawn("Data 1 7 Acc 0 MaxSpeed 3 Hostile 1 Shields 5 Shadow 0 Ground 0 Value 30", 0, 500, 540,
                           false);
  CShipNPC* turret = Spawn("Data 1 7 Acc 0 MaxSpeed 0 Hostile 1 Shields 10 Shadow 0 Ground 1 Value 20", 1, 400, 500);
  counted->TakeDamage(100);
  for (int ticks = 0; counted->State == Dying && ticks < 1000; ++ticks) {
    const float y = counted->Pos.y;
    counted->Update(Player);
    ASSERT_EQ(counted->State == Finished, y >= 550);
    ASSERT_LT(counted->Angle, 0.0f);
  }
  ASSERT_EQ(std::tuple(Player->Score, Player->Kills, Globals::ScreenShake, Explosions.size()),
            std::tuple(50, 1, 20, size_t{1}));
  escort->TakeDamage(5);
  Run(escort, 1000);
  turret->TakeDamage(10);
  turret->Update(Player);
  EXPECT_EQ(std::tuple(turret->State, turret->Angle, turret->Frame), std::tuple(Finished, 0.0f, 3));
  EXPECT_EQ(std::pair(Player->Score, Player->Kills), std::pair(100, 2)) << "the escort pays no kill";
  ASSERT_EQ(Explosions.size(), 3u);
  EXPECT_FLOAT_EQ(Explosions[2]->Pos.y, 500.0f);
}

// Boxes 40 x 20 and 50 x 30 overlap while under 45 apart across and 25 down; cloaked or not, both pay 25 a tick;
// a player fading in is not rammed; shot down by ramming, the enemy pays when it crashes.
TEST_F(EnemyFlight, RammingCostsBothShipsEveryTickOfOverlap) {
  CShipNPC* ship = Spawn("Data 1 7 Acc 0 MaxSpeed 3 Hostile 1 Shields 85 Shadow 0 Ground 0 Value 40", 0, 100, 324.9f);
  Player->Pos = CVector2(100, 300);
  for (const auto& [x, y, state, cloak, shields, playerShields] :
       {std::tuple{100.0f, 324.9f, Respawning, 0, 85, 1000}, {100.0f, 325.0f, Alive, 0, 85, 1000},
        {145.0f, 300.0f, Alive, 0, 85, 1000}, {144.9f, 300.0f, Alive, 0, 60, 975}, {55.1f, 275.1f, Alive, 50, 35, 950},
        {100.0f, 300.0f, Alive, 0, 10, 925}, {100.0f, 300.0f, Alive, 0, 0, 900}}) {
    ship->Pos = CVector2(x, y);
    Player->State = state;
    Player->CloakTimer = cloak;
    ship->Update(Player);
    EXPECT_EQ(std::pair(ship->Shields, Player->Shields), std::pair(shields, playerShields)) << x << "," << y;
  }
  ASSERT_EQ(std::pair(ship->State, Explosions.size()), std::pair(int(Dying), size_t{4}));
  Run(ship, 1000);
  EXPECT_EQ(std::tuple(Player->Score, Player->Kills, Player->Shields), std::tuple(40, 1, 900));
}

// The shadow lies at the ground line, a quarter size (100 / 350) and 40 % opaque; escorts are mirrored.
TEST_F(EnemyFlight, DrawsTheShipAndItsShadowMirroredForEscorts) {
  BITMAP* bmp = MakeFilledBitmap(40, 20, 255, 0, 0);
  rectfill(bmp, 20, 0, 39, 19, makecol32(0, 0, 255));
  for (CGLSprite& frame : CShipNPC::Data1) frame.MakeFromBmp(bmp, MaskAlpha);
  destroy_bitmap(bmp);
  CShipNPC* ship = Flyer(1, 200, 200, 0.1f, 3);
  const Pixel red{255, 0, 0}, blue{0, 0, 255}, black{};
  for (const auto& [behaviour, gfx, state, left, right, shadowX, shadow] :
       {std::tuple{1, 1, Alive, red, blue, 197, 102}, {10, 1, Alive, blue, red, 203, 102},
        {10, 0, Alive, blue, red, 203, 0}, {10, 1, Finished, black, black, 203, 0}}) {
    ship->Behaviour = behaviour;
    ship->State = state;
    Globals::GFXLevel = gfx;
    ClearScreen(0, 0, 0);
    ship->Draw();
    EXPECT_EQ(std::tuple(ReadPixel(190, 200), ReadPixel(210, 200), ReadPixel(193, 550)), std::tuple(left, right, black))
        << behaviour << " " << gfx << " " << state;
    EXPECT_NEAR(ReadPixel(shadowX, 550).r, shadow, 3) << behaviour << " " << gfx << " " << state;
  }
}

}  // namespace
