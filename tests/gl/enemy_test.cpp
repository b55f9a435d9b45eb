// Enemy ships in flight on the real display: the flight paths and their edges, pitching frames, the crash and
// its payment, ramming, and drawing.
#include <algorithm>
#include <set>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>

#include "ship_support.h"

using namespace gltest;
using namespace shiptest;

namespace {

class EnemyFlight : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    srand(7);
    FillSprites(CShipNPC::Data1, 8, 40, 20);
    FillSprites(CShipNPC::Data2, 1, 30, 30);
    StandInPlayer();
    Player->Shields = Player->MaxShields = 1000;
    Player->Pos = CVector2(790, 590);  // far from every flight path
  }
  // A flying ship of set 1 (40 x 20, 7 frames) with a shadow, worth 50.
  CShipNPC* Flyer(int behaviour, float x, float y, float acc, float maxSpeed, const std::string& extra = "") {
    return Spawn("Data 1 7 Acc " + std::to_string(acc) + " MaxSpeed " + std::to_string(maxSpeed) +
                     " Hostile 1 Shields 100 Shadow 1 Ground 0 Value 50 " + extra,
                 behaviour, x, y);
  }
  void Run(CShipNPC* ship, int ticks) {
    for (int i = 0; i < ticks; ++i) ship->Update(Player);
  }
  void Fall(CShipNPC* ship) {
    for (int i = 0; i < 1000 && ship->State == 1; ++i) ship->Update(Player);
  }
};

// A ship ends in the tick that starts beyond -100 or 900 across, and leaving pays nothing. Every path keeps
// within its top speed; the sine wave weaves at its top speed and flies on at half of it.
TEST_F(EnemyFlight, EveryFlightPathLeavesByItsSideWithoutPay) {
  const struct {
    int behaviour;
    float x, y, acc, maxSpeed;
    int side, behaviourAtTheEnd;  // side -1 left, 1 right, 0 never
    float weave;                  // vertical speed reached at some point
  } paths[] = {
      {1, -90, 100, 0.1f, 3, -1, 1, 0},    {2, 600, 300, 0.1f, 2, -1, 2, 1.9f}, {4, 404, 300, 0.1f, 2, -1, 4, 0},
      {5, 204, 400, 0.1f, 2, 1, 5, 0},     {6, 204, 400, 0.1f, 2, -1, 2, 0},    {10, 100, 290, 0.5f, 2, 0, 10, 0},
  };
  for (const auto& p : paths) {
    SCOPED_TRACE(p.behaviour);
    CShipNPC* ship = Flyer(p.behaviour, p.x, p.y, p.acc, p.maxSpeed);
    float fastest = 0;
    for (int tick = 0; tick < 10000 && ship->State == 0; ++tick) {
      const float x = ship->Pos.x;
      ship->Update(Player);
      ASSERT_EQ(ship->State == 3, x < -100 || x > 900) << tick;
      ASSERT_LE(std::fabs(ship->Vel.y), p.maxSpeed + 1e-4f) << tick;
      fastest = std::max(fastest, std::fabs(ship->Vel.y));
    }
    EXPECT_EQ(ship->State, p.side == 0 ? 0 : 3);
    EXPECT_EQ(ship->Pos.x > 400, p.side >= 0);
    EXPECT_EQ(ship->Behaviour, p.behaviourAtTheEnd);
    EXPECT_GE(fastest, p.weave);
    for (float x : {-100.0f, 900.0f}) {
      CShipNPC* edge = Flyer(p.behaviour, x, p.y, p.acc, p.maxSpeed);
      edge->Update(Player);
      EXPECT_EQ(edge->State, 0) << "at " << x << " still in the field";
    }
    EXPECT_TRUE(p.behaviour != 2 || std::fabs(ship->Vel.x + 1.05f) < 0.06f) << ship->Vel.x;
  }
  EXPECT_EQ(std::tuple(Player->Score, Player->Kills, Globals::ScreenShake), std::tuple(0, 0, 0));
  EXPECT_TRUE(Explosions.empty());
}

// The dive turns in the tick that starts below the 350 line (at 350 it still dives) and then climbs; the loop
// climbs after half width until above y 200.
TEST_F(EnemyFlight, DiveAndLoopTurnAtTheirLines) {
  CShipNPC* dive = Flyer(3, 700, 347, 0.5f, 3);
  Run(dive, 3);
  EXPECT_TRUE(IsAt(dive->Pos, 691, 356));
  EXPECT_TRUE(IsAt(dive->Vel, -3, 3));
  Run(dive, 1);
  EXPECT_FLOAT_EQ(dive->Vel.y, 2.5f);
  Run(dive, 30);
  EXPECT_FLOAT_EQ(dive->Vel.y, -3.0f);
  CShipNPC* loop = Flyer(4, 404, 300, 0.1f, 2);
  Run(loop, 3);
  EXPECT_TRUE(IsAt(loop->Pos, 398, 300));
  Run(loop, 1);
  loop->Pos.y = 200;
  loop->Update(Player);
  EXPECT_LT(loop->Phase, 2.0f) << "at 200 it still climbs";
  for (int ticks = 0; loop->Phase < 2 && ticks < 1000; ++ticks) {
    const float y = loop->Pos.y;
    loop->Update(Player);
    EXPECT_EQ(loop->Phase < 2, y >= 200) << ticks;
  }
}

TEST_F(EnemyFlight, GroundTurretSweepsDriftsAndFiresUpOnlyWhenThePlayerIsClose) {
  CShipNPC* turret =
      Spawn("Data 1 7 Acc 0 MaxSpeed 0 Hostile 1 Weapon 0 1000 Shields 10 Shadow 1 Ground 1", 7, 500, 530);
  std::set<int> seen;
  for (int tick = 0; tick < 200; ++tick) {
    const float x = turret->Pos.x;
    Player->Pos = CVector2(x - 50, 300);  // exactly 50 away: out of reach
    turret->Update(Player);
    seen.insert(turret->Frame);
    ASSERT_FLOAT_EQ(turret->Pos.x, x - 1.0f);
  }
  EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(Bullets.empty());
  Player->Pos.x = turret->Pos.x - 49;
  Run(turret, 300);
  ASSERT_FALSE(Bullets.empty());
  for (TBullet* bullet : Bullets) EXPECT_LT(bullet->Vel.y, 0.0f);
  turret->Pos.x = -50;
  for (int state : {0, 3}) {
    turret->Update(Player);
    EXPECT_EQ(turret->State, state);
  }
}

// It closes on its destination, draws a new one within bounds once within 30 pixels, and rotates its weapons.
TEST_F(EnemyFlight, GlideRedrawsItsDestinationWithinBounds) {
  Player->CloakTimer = 100000;  // not fired at
  CShipNPC* ship = Flyer(8, 500, 200, 0.1f, 3, "Weapon 0 10 Weapon 8 10 Weapon 9 10");
  int redraws = 0;
  for (int tick = 0; tick < 3000; ++tick) {
    const CVector2 pos = ship->Pos, dest(ship->DestX, ship->DestY);
    const int weapon = ship->Weapon;
    ship->Update(Player);
    ASSERT_LE(std::fabs(ship->Pos.x - dest.x), std::fabs(pos.x - dest.x)) << tick;
    ASSERT_LE(std::fabs(ship->Pos.y - dest.y), std::fabs(pos.y - dest.y)) << tick;
    const bool near = std::fabs(ship->Pos.x - dest.x) < 30 && std::fabs(ship->Pos.y - dest.y) < 30;
    ASSERT_EQ(near, ship->DestX != dest.x || ship->DestY != dest.y) << tick;
    redraws += near;
    ASSERT_TRUE(ship->DestX >= 300 && ship->DestX <= 790 && ship->DestY >= 20 && ship->DestY <= 400) << tick;
    ASSERT_EQ(ship->Weapon, weapon == 0 ? 8 : (weapon == 8 ? 9 : 0)) << tick;
  }
  EXPECT_GT(redraws, 20);
  EXPECT_TRUE(Bullets.empty());
}

TEST_F(EnemyFlight, HunterKeepsLevelWithThePlayerAndHoldsFireWhileCloaked) {
  Player->Pos = CVector2(100, 450);
  Player->CloakTimer = 100000;
  CShipNPC* ship = Flyer(9, 600, 100, 0.1f, 3, "Weapon 0 1000");
  for (int tick = 0; tick < 400; ++tick) {
    ship->Update(Player);
    ASSERT_TRUE(ship->DestY == 450 && ship->DestX >= 400 && ship->DestX <= 790) << tick;
  }
  EXPECT_TRUE(Bullets.empty());
  // Visible again: fired at, but only from within 50 pixels of its level.
  Player->CloakTimer = 0;
  for (const auto& [y, fires] : {std::pair{400.0f, false}, {400.5f, true}}) {
    for (int tick = 0; tick < 300; ++tick) {
      ship->Pos = CVector2(600, y);
      ship->Update(Player);
    }
    EXPECT_EQ(Bullets.empty(), !fires) << y;
  }
  // It follows the player to a new level and hovers about it; while the player fades in it keeps its destination.
  Player->Pos.y = 200;
  Run(ship, 300);
  for (int tick = 0; tick < 300; ++tick) {
    ship->Update(Player);
    ASSERT_LT(std::fabs(ship->Pos.y - 200), 30.0f) << tick;
  }
  Player->State = 4;
  Player->Pos.y = 50;
  ship->Update(Player);
  EXPECT_FLOAT_EQ(ship->DestY, 200.0f);
}

TEST_F(EnemyFlight, AShipTakingTheMemoryOfAFallenFriendIsStillHitByItsMine) {
  CShipNPC* friendly = Spawn("Data 1 7 Acc 0.1 MaxSpeed 2 Hostile 0 Weapon 8 1 Shields 100 Shadow 0 Ground 0", 0,
                             300, 300, false);
  friendly->Shoot(1);
  delete friendly;
  Ships.clear();
  CShipNPC* newcomer = Flyer(0, 300, 300, 0.1f, 2);  // the allocator may hand it the same memory
  ASSERT_EQ(Bullets.size(), 1u);
  Bullets[0]->Update();
  Bullets[0]->CheckCollision(newcomer);
  EXPECT_EQ(newcomer->Shields, 90);
  EXPECT_TRUE(Bullets[0]->Dead);
}

TEST_F(EnemyFlight, PitchFrameFollowsVerticalSpeedAndStaysInTheSet) {
  CShipNPC* ship = Flyer(0, 400, 300, 0.1f, 3);
  const std::tuple<float, float, int> cases[] = {{3, 0.0f, 3}, {3, -1.5f, 0}, {3, -1.6f, 0}, {3, 1.4f, 6}, {3, 5.0f, 6},
                                                 {3, -9.0f, 0}, {3, 0.2f, 3},  {3, 0.5f, 4},  {3, NAN, 0},
                                                 {0, -1.0f, 0}, {0, 0.0f, 3},  {0, 1.0f, 6}};
  for (const auto& [maxSpeed, vy, frame] : cases) {
    ship->MaxSpeed = maxSpeed;
    ship->Vel = CVector2(0, vy);
    ship->Update(Player);
    EXPECT_EQ(ship->Frame, frame) << maxSpeed << " " << vy;
  }
}

// A shot-down flyer falls until the ground line and pays there, an escort pays its value but no kill; a ground
// unit explodes where it stands.
TEST_F(EnemyFlight, CrashPaysValueAndKillAtTheGround) {
  CShipNPC* counted = Flyer(0, 300, 540, 0.1f, 3);
  CShipNPC* escort = Spawn("Data 1 7 Acc 0 MaxSpeed 3 Hostile 1 Shields 5 Shadow 0 Ground 0 Value 30", 0, 500, 540,
                           false);
  CShipNPC* turret = Spawn("Data 1 7 Acc 0 MaxSpeed 0 Hostile 1 Shields 10 Shadow 0 Ground 1 Value 20", 1, 400, 500);
  counted->TakeDamage(100);
  for (int ticks = 0; counted->State == 1 && ticks < 1000; ++ticks) {
    const float y = counted->Pos.y;
    counted->Update(Player);
    ASSERT_EQ(counted->State == 3, y >= 550);
    ASSERT_LT(counted->Angle, 0.0f);
  }
  ASSERT_EQ(std::tuple(Player->Score, Player->Kills, Globals::ScreenShake, Explosions.size()),
            std::tuple(50, 1, 20, size_t{1}));
  EXPECT_EQ(std::pair(Explosions[0]->Size, Explosions[0]->NumTrails), std::pair(1.0f, 2));
  escort->TakeDamage(5);
  Fall(escort);
  turret->TakeDamage(10);
  turret->Update(Player);
  EXPECT_EQ(std::tuple(turret->State, turret->Angle, turret->Frame), std::tuple(3, 0.0f, 3));
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
       {std::tuple{100.0f, 324.9f, 4, 0, 85, 1000}, {100.0f, 325.0f, 0, 0, 85, 1000}, {145.0f, 300.0f, 0, 0, 85, 1000},
        {144.9f, 300.0f, 0, 0, 60, 975}, {55.1f, 275.1f, 0, 50, 35, 950}, {100.0f, 300.0f, 0, 0, 10, 925},
        {100.0f, 300.0f, 0, 0, 0, 900}}) {
    ship->Pos = CVector2(x, y);
    std::tie(Player->State, Player->CloakTimer) = std::pair(state, cloak);
    ship->Update(Player);
    EXPECT_EQ(std::pair(ship->Shields, Player->Shields), std::pair(shields, playerShields)) << x << "," << y;
  }
  ASSERT_EQ(std::pair(ship->State, Explosions.empty()), std::pair(1, false));
  EXPECT_EQ(std::pair(Explosions[0]->Size, Explosions[0]->NumTrails), std::pair(1.5f, 0));
  Fall(ship);
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
       {std::tuple{1, 1, 0, red, blue, 197, 102}, {10, 1, 0, blue, red, 203, 102}, {10, 0, 0, blue, red, 203, 0},
        {10, 1, 3, black, black, 203, 0}}) {
    std::tie(ship->Behaviour, ship->State, Globals::GFXLevel) = std::tuple(behaviour, state, gfx);
    ClearScreen(0, 0, 0);
    ship->Draw();
    const std::string at = std::to_string(behaviour) + " " + std::to_string(gfx) + " " + std::to_string(state);
    EXPECT_EQ(std::pair(ReadPixel(190, 200), ReadPixel(210, 200)), std::pair(left, right)) << at;
    EXPECT_NEAR(ReadPixel(shadowX, 550).r, shadow, 3) << at;
    EXPECT_EQ(ReadPixel(193, 550), black) << at;
  }
}

}  // namespace
