// Enemy ships in flight on the real 800x600 display: the flight paths and
// their edges, pitching frames, the crash and its payment, ramming, and drawing.
#include <algorithm>
#include <cmath>
#include <string>

#include "gl_harness.h"
#include "ship_support.h"

using namespace gltest;
using namespace shiptest;

namespace {

// Enemy frames of known sizes (set 1: 40 x 20; set 2: 30 x 30).
void FillSet(CGLSprite* sprites, int count, int w, int h) {
  for (int i = 0; i < count; ++i) {
    BITMAP* bmp = MakeFilledBitmap(w, h, 40 + 20 * i, 200, 80);
    sprites[i].MakeFromBmp(bmp, MaskAlpha);
    destroy_bitmap(bmp);
  }
}

class EnemyFlight : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    srand(7);
    FillSet(CShipNPC::Data1, 8, 40, 20);
    FillSet(CShipNPC::Data2, 1, 30, 30);
    StandInPlayer();
    Player->Shields = Player->MaxShields = 1000;
  }

  // A flying ship of set 1 with 7 frames and a shadow.
  CShipNPC* Flyer(int behaviour, float x, float y, float acc, float maxSpeed, const std::string& extra = "") {
    return Spawn("Data 1 7 Acc " + std::to_string(acc) + " MaxSpeed " + std::to_string(maxSpeed) +
                     " Hostile 1 Shields 100 Shadow 1 Ground 0 Value 50 " + extra,
                 behaviour, x, y);
  }

  // The player far from every flight path, out of reach of ramming.
  void PlayerAside() { Player->Pos = CVector2(790, 590); }
};

// A ship ends in the tick that starts beyond -100 or 900 across; leaving pays
// nothing. Each path runs until it has left (or, for the escort, for good).
TEST_F(EnemyFlight, EveryFlightPathLeavesByItsSideWithoutPay) {
  PlayerAside();
  const struct {
    int behaviour;
    float x, y, acc, maxSpeed;
    int side;  // -1 left, 1 right, 0 never
    int behaviourAtTheEnd;
  } paths[] = {
      {1, -90, 100, 0.1f, 3, -1, 1},  {2, 600, 300, 0.1f, 2, -1, 2}, {4, 404, 300, 0.1f, 2, -1, 4},
      {5, 204, 400, 0.1f, 2, 1, 5},   {6, 204, 400, 0.1f, 2, -1, 2}, {10, 100, 290, 0.5f, 2, 0, 10},
  };
  for (const auto& p : paths) {
    SCOPED_TRACE(p.behaviour);
    CShipNPC* ship = Flyer(p.behaviour, p.x, p.y, p.acc, p.maxSpeed);
    for (int tick = 0; tick < 10000 && ship->State == 0; ++tick) {
      const float x = ship->Pos.x;
      ship->Update(Player);
      ASSERT_EQ(ship->State == 3, x < -100 || x > 900) << tick;
    }
    EXPECT_EQ(ship->State, p.side == 0 ? 0 : 3);
    EXPECT_EQ(ship->Pos.x > 400, p.side >= 0);
    EXPECT_EQ(ship->Behaviour, p.behaviourAtTheEnd);
  }
  EXPECT_EQ(Player->Score, 0);
  EXPECT_EQ(Player->Kills, 0);
  EXPECT_TRUE(Explosions.empty());
  EXPECT_EQ(Globals::ScreenShake, 0);
}

TEST_F(EnemyFlight, SineWaveSlowsToHalfSpeedAndWeavesWithinItsTopSpeed) {
  PlayerAside();
  CShipNPC* ship = Flyer(2, 600, 300, 0.1f, 2);
  float lo = 0, hi = 0;
  for (int tick = 0; tick < 70; ++tick) {
    ship->Update(Player);
    lo = std::min(lo, ship->Vel.y);
    hi = std::max(hi, ship->Vel.y);
  }
  EXPECT_LT(lo, -1.9f);
  EXPECT_GT(hi, 1.9f);
  EXPECT_GE(lo, -2.0f);
  EXPECT_LE(hi, 2.0f);
  EXPECT_LE(ship->Vel.x, -1.0f);
  EXPECT_GT(ship->Vel.x, -1.11f);
}

TEST_F(EnemyFlight, DiveTurnsAtThe350Line) {
  PlayerAside();
  CShipNPC* ship = Flyer(3, 700, 341, 0.5f, 3);
  // At 350 exactly it still dives.
  const float ys[] = {344, 347, 350, 353, 356};
  for (float y : ys) {
    ship->Update(Player);
    EXPECT_FLOAT_EQ(ship->Pos.y, y);
    EXPECT_FLOAT_EQ(ship->Vel.x, -3.0f);
  }
  // The tick that starts below the line turns it; the climb begins after.
  EXPECT_FLOAT_EQ(ship->Phase, 10.0f);
  EXPECT_FLOAT_EQ(ship->Vel.y, 3.0f);
  ship->Update(Player);
  EXPECT_FLOAT_EQ(ship->Vel.y, 2.5f);
  for (int tick = 0; tick < 30; ++tick) ship->Update(Player);
  EXPECT_FLOAT_EQ(ship->Vel.y, -3.0f);
}

TEST_F(EnemyFlight, LoopStagesChangeAtHalfWidthAndY200) {
  PlayerAside();
  CShipNPC* ship = Flyer(4, 404, 300, 0.1f, 2);
  for (float x : {402.0f, 400.0f, 398.0f}) {
    ship->Update(Player);
    EXPECT_FLOAT_EQ(ship->Pos.x, x);
    EXPECT_LT(ship->Phase, 1.0f);
  }
  ship->Update(Player);
  EXPECT_FLOAT_EQ(ship->Phase, 1.1f);
  EXPECT_FLOAT_EQ(ship->Vel.y, 0.0f);
  int ticks = 0;
  while (ship->Phase < 2 && ticks++ < 1000) {
    const float y = ship->Pos.y;
    ship->Update(Player);
    EXPECT_EQ(ship->Phase < 2, y >= 200);
  }
}

TEST_F(EnemyFlight, GroundTurretSweepsDriftsAndFiresUpOnlyWhenThePlayerIsClose) {
  CShipNPC* turret = Spawn("Data 1 7 Acc 0 MaxSpeed 0 Hostile 1 Weapon 0 1000 Shields 10 Shadow 1 Ground 1", 7, 500, 530);
  Player->Pos = CVector2(450, 300);  // exactly 50 away: out of reach
  bool seen[7] = {};
  for (int tick = 0; tick < 200; ++tick) {
    const float x = turret->Pos.x;
    turret->Update(Player);
    ASSERT_GE(turret->Frame, 0);
    ASSERT_LE(turret->Frame, 6);
    seen[turret->Frame] = true;
    EXPECT_FLOAT_EQ(turret->Pos.x, x - 1.0f);
    Player->Pos.x = turret->Pos.x - 50;
  }
  for (bool frame : seen) EXPECT_TRUE(frame);
  EXPECT_TRUE(Bullets.empty());

  Player->Pos.x = turret->Pos.x - 49;
  for (int tick = 0; tick < 300; ++tick) turret->Update(Player);
  ASSERT_FALSE(Bullets.empty());
  for (TBullet* bullet : Bullets) EXPECT_LT(bullet->Vel.y, 0.0f);

  turret->Pos.x = -50;
  turret->Update(Player);
  EXPECT_EQ(turret->State, 0);
  turret->Update(Player);
  EXPECT_EQ(turret->State, 3);
}

TEST_F(EnemyFlight, GlideMovesItselfAndRedrawsItsDestinationWithin30Pixels) {
  PlayerAside();
  Player->CloakTimer = 100000;  // not fired at: the rounds only rotate
  CShipNPC* ship = Flyer(8, 500, 200, 0.1f, 3, "Weapon 0 10 Weapon 8 10 Weapon 9 10");
  int redraws = 0;
  for (int tick = 0; tick < 3000; ++tick) {
    const CVector2 pos = ship->Pos;
    const float destX = ship->DestX, destY = ship->DestY;
    const int weapon = ship->Weapon;
    ship->Update(Player);
    // It closes on its destination and draws a new one once within 30 pixels.
    ASSERT_LE(std::fabs(ship->Pos.x - destX), std::fabs(pos.x - destX)) << tick;
    ASSERT_LE(std::fabs(ship->Pos.y - destY), std::fabs(pos.y - destY)) << tick;
    const bool near = std::fabs(ship->Pos.x - destX) < 30 && std::fabs(ship->Pos.y - destY) < 30;
    EXPECT_EQ(near, ship->DestX != destX || ship->DestY != destY) << tick;
    if (near) ++redraws;
    EXPECT_GE(ship->DestX, 300.0f);
    EXPECT_LE(ship->DestX, 790.0f);
    EXPECT_GE(ship->DestY, 20.0f);
    EXPECT_LE(ship->DestY, 400.0f);
    EXPECT_EQ(ship->Weapon, weapon == 0 ? 8 : (weapon == 8 ? 9 : 0)) << tick;
  }
  EXPECT_GT(redraws, 20);
  EXPECT_TRUE(Bullets.empty());
  EXPECT_EQ(ship->State, 0);
}

TEST_F(EnemyFlight, HunterKeepsLevelWithThePlayerAndHoldsFireWhileCloaked) {
  Player->Pos = CVector2(100, 450);
  CShipNPC* ship = Flyer(9, 600, 100, 0.1f, 3, "Weapon 0 1000");
  Player->CloakTimer = 100000;
  for (int tick = 0; tick < 400; ++tick) {
    ship->Update(Player);
    EXPECT_FLOAT_EQ(ship->DestY, 450.0f);
    EXPECT_GE(ship->DestX, 400.0f);
    EXPECT_LE(ship->DestX, 790.0f);
  }
  EXPECT_TRUE(Bullets.empty());
  // Visible again: fired at, but only from within 50 pixels of its level.
  Player->CloakTimer = 0;
  for (int tick = 0; tick < 600; ++tick) {
    const float y = ship->Pos.y;
    const size_t fired = Bullets.size();
    ship->Update(Player);
    if (Bullets.size() > fired) {
      EXPECT_LT(std::fabs(y - 450), 50.0f) << tick;
    }
  }
  EXPECT_FALSE(Bullets.empty());
  // It follows the player to a new level and hovers about it.
  Player->Pos.y = 200;
  float lo = 1000, hi = -1000;
  for (int tick = 0; tick < 600; ++tick) {
    ship->Update(Player);
    if (tick >= 300) {
      lo = std::min(lo, ship->Pos.y);
      hi = std::max(hi, ship->Pos.y);
    }
  }
  EXPECT_GT(lo, 170.0f);
  EXPECT_LT(hi, 230.0f);
  // While the player fades in the hunter keeps its last destination.
  Player->State = 4;
  Player->Pos.y = 50;
  ship->Update(Player);
  EXPECT_FLOAT_EQ(ship->DestY, 200.0f);
  EXPECT_EQ(ship->State, 0);
}

TEST_F(EnemyFlight, AShipTakingTheMemoryOfAFallenFriendIsStillHitByItsMine) {
  PlayerAside();
  CShipNPC* friendly =
      Spawn("Data 1 7 Acc 0.1 MaxSpeed 2 Hostile 0 Weapon 8 1 Shields 100 Shadow 0 Ground 0", 0, 300, 300, false);
  friendly->Shoot(1);
  delete friendly;
  Ships.clear();
  // The allocator may well hand the same memory to the newcomer.
  CShipNPC* newcomer = Flyer(0, 300, 300, 0.1f, 2);
  ASSERT_EQ(Bullets.size(), 1u);
  Bullets[0]->Update();
  Bullets[0]->CheckCollision(newcomer);
  EXPECT_EQ(newcomer->Shields, 90);
  EXPECT_TRUE(Bullets[0]->Dead);
}

TEST_F(EnemyFlight, PitchFrameFollowsVerticalSpeedAndStaysInTheSet) {
  PlayerAside();
  CShipNPC* ship = Flyer(0, 400, 300, 0.1f, 3);
  const std::pair<float, int> cases[] = {{0.0f, 3}, {-1.5f, 0}, {-1.6f, 0}, {1.4f, 6},
                                         {5.0f, 6}, {-9.0f, 0}, {0.2f, 3}, {0.5f, 4}};
  for (const auto& c : cases) {
    ship->Vel = CVector2(0, c.first);
    ship->Update(Player);
    EXPECT_EQ(ship->Frame, c.second) << c.first;
  }
  ship->Vel.y = NAN;
  ship->Update(Player);
  EXPECT_EQ(ship->Frame, 0);
  ship->MaxSpeed = 0;
  for (float vy : {-1.0f, 0.0f, 1.0f}) {
    ship->Vel = CVector2(0, vy);
    ship->Pos = CVector2(400, 300);
    ship->Update(Player);
    EXPECT_GE(ship->Frame, 0);
    EXPECT_LE(ship->Frame, 6);
  }
  EXPECT_EQ(ship->Frame, 6);
}

TEST_F(EnemyFlight, CrashPaysValueAndKill) {
  PlayerAside();
  CShipNPC* counted = Flyer(0, 300, 540, 0.1f, 3);
  CShipNPC* escort = Spawn("Data 1 7 Acc 0 MaxSpeed 3 Hostile 1 Shields 5 Shadow 0 Ground 0 Value 30", 0, 500, 540, false);
  counted->TakeDamage(100);
  escort->TakeDamage(5);
  ASSERT_EQ(counted->State, 1);
  int ticks = 0;
  while (counted->State == 1 && ticks++ < 100) {
    const float y = counted->Pos.y;
    counted->Update(Player);
    EXPECT_EQ(counted->State == 3, y >= 550);
  }
  EXPECT_FLOAT_EQ(counted->Angle, -0.5f * ticks);
  EXPECT_EQ(Player->Score, 50);
  EXPECT_EQ(Player->Kills, 1);
  EXPECT_EQ(Globals::ScreenShake, 20);
  ASSERT_EQ(Explosions.size(), 1u);
  EXPECT_FLOAT_EQ(Explosions[0]->Size, 1.0f);
  EXPECT_EQ(Explosions[0]->NumTrails, 2);
  while (escort->State == 1 && ticks++ < 200) escort->Update(Player);
  EXPECT_EQ(Player->Score, 80);
  EXPECT_EQ(Player->Kills, 1);
  EXPECT_EQ(Explosions.size(), 2u);
}

TEST_F(EnemyFlight, GroundUnitExplodesWhereItStands) {
  PlayerAside();
  CShipNPC* turret = Spawn("Data 1 7 Acc 0 MaxSpeed 0 Hostile 1 Shields 10 Shadow 0 Ground 1 Value 20", 1, 400, 500);
  turret->TakeDamage(10);
  turret->Update(Player);
  EXPECT_EQ(turret->State, 3);
  EXPECT_FLOAT_EQ(turret->Angle, 0.0f);
  EXPECT_EQ(turret->Frame, 3);
  EXPECT_EQ(Player->Score, 20);
  ASSERT_EQ(Explosions.size(), 1u);
  EXPECT_FLOAT_EQ(Explosions[0]->Pos.y, 500.0f);
}

TEST_F(EnemyFlight, RammingCostsBothShipsEveryTickOfOverlap) {
  // Boxes 40x20 and 50x30: they overlap while 45 apart across, 25 down.
  CShipNPC* ship = Spawn("Data 1 7 Acc 0 MaxSpeed 3 Hostile 1 Shields 60 Shadow 0 Ground 0 Value 40", 0, 145, 300);
  ship->Update(Player);
  EXPECT_EQ(ship->Shields, 60);
  ship->Pos.x = 144.9f;
  ship->Update(Player);
  EXPECT_EQ(ship->Shields, 35);
  EXPECT_EQ(Player->Shields, 975);
  ASSERT_EQ(Explosions.size(), 1u);
  EXPECT_FLOAT_EQ(Explosions[0]->Size, 1.5f);
  EXPECT_EQ(Explosions[0]->NumTrails, 0);
  // Cloaked makes no difference to a collision.
  Player->CloakTimer = 50;
  ship->Update(Player);
  EXPECT_EQ(ship->Shields, 10);
  EXPECT_EQ(Player->Shields, 950);
  ship->Update(Player);
  EXPECT_EQ(ship->State, 1);
  EXPECT_EQ(Player->Shields, 925);
  // Shot down by ramming, it pays when it crashes.
  while (ship->State == 1 && Explosions.size() < 10) ship->Update(Player);
  EXPECT_EQ(Player->Score, 40);
  EXPECT_EQ(Player->Kills, 1);
  EXPECT_EQ(Player->Shields, 925);

  CShipNPC* other = Spawn("Data 1 7 Acc 0 MaxSpeed 3 Hostile 1 Shields 60 Shadow 0 Ground 0", 0, 100, 324.9f);
  Player->State = 4;
  other->Update(Player);
  EXPECT_EQ(other->Shields, 60);
  Player->State = 0;
  other->Update(Player);
  EXPECT_EQ(other->Shields, 35);
  other->Pos.y = 325;
  other->Update(Player);
  EXPECT_EQ(other->Shields, 35);
}

TEST_F(EnemyFlight, DrawsTheShipAndItsShadowMirroredForEscorts) {
  // A sprite red on its left half, blue on its right.
  BITMAP* bmp = MakeFilledBitmap(40, 20, 255, 0, 0);
  rectfill(bmp, 20, 0, 39, 19, makecol32(0, 0, 255));
  for (int i = 0; i < 8; ++i) CShipNPC::Data1[i].MakeFromBmp(bmp, MaskAlpha);
  destroy_bitmap(bmp);

  CShipNPC* ship = Flyer(1, 200, 200, 0.1f, 3);
  ClearScreen(0, 0, 0);
  ship->Draw();
  EXPECT_EQ(ReadPixel(190, 200), (Pixel{255, 0, 0}));
  EXPECT_EQ(ReadPixel(210, 200), (Pixel{0, 0, 255}));
  // Shadow at the ground line, a quarter size (100 / 350), 40 % opaque.
  const Pixel shadow = ReadPixel(197, 550);
  EXPECT_NEAR(shadow.r, 102, 3);
  EXPECT_EQ(ReadPixel(193, 550), (Pixel{0, 0, 0}));

  ship->Behaviour = 10;
  ClearScreen(0, 0, 0);
  ship->Draw();
  EXPECT_EQ(ReadPixel(190, 200), (Pixel{0, 0, 255}));
  EXPECT_EQ(ReadPixel(210, 200), (Pixel{255, 0, 0}));
  EXPECT_NEAR(ReadPixel(203, 550).r, 102, 3);

  Globals::GFXLevel = 0;
  ClearScreen(0, 0, 0);
  ship->Draw();
  EXPECT_EQ(ReadPixel(203, 550), (Pixel{0, 0, 0}));
  Globals::GFXLevel = 1;

  ship->State = 3;
  ClearScreen(0, 0, 0);
  ship->Draw();
  EXPECT_EQ(ReadPixel(190, 200), (Pixel{0, 0, 0}));
  Setup2D();
}

}  // namespace
