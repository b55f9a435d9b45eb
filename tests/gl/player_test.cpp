// The player's ship stepped tick by tick: steering, limits, weapon selection, firing, the fall and crash, lives,
// the fade-in and the cartridge cases.
#include <algorithm>
#include <tuple>
#include <typeinfo>
#include <utility>

#include "ship_support.h"

using namespace shiptest;

namespace {

class PlayerShip : public PlayerFixture {
 protected:
  // A fresh press: released for a tick, then pressed for one.
  int Press(int k) {
    key[k] = 0;
    Tick();
    key[k] = 1;
    Tick();
    key[k] = 0;
    return Player->Weapon;
  }
};

TEST_F(PlayerShip, FadeInLasts203TicksAndIgnoresDamageButMayFire) {
  EXPECT_FLOAT_EQ(Player->Fade, -0.01f);
  Player->Ammo[0] = 5;
  key[KEY_SPACE] = 1;
  Tick();
  EXPECT_EQ(Bullets.size(), 1u);
  Player->TakeDamage(5);
  Tick(201);
  EXPECT_EQ(std::pair(Player->State, Player->Shields), std::pair(int(Respawning), 10));
  Tick();
  Player->TakeDamage(5);
  EXPECT_EQ(std::pair(Player->State, Player->Shields), std::pair(int(Alive), 5));
}

// Down wins over Up; speed decays without a key; the ship flies backwards at half speed.
TEST_F(PlayerShip, SteersWithInertiaWithinItsLimitsTestedBeforeTheMove) {
  MakeAlive();
  Player->Pos = CVector2(400, 200);
  key[KEY_UP] = key[KEY_DOWN] = 1;
  Tick();
  EXPECT_FLOAT_EQ(Player->Pos.y, 200.09f);
  key[KEY_UP] = key[KEY_DOWN] = 0;
  Tick();
  EXPECT_FLOAT_EQ(Player->Vel.y, 0.09f * 0.97f);
  Player->Vel.y = 5.0f;  // at full speed with Down held the speed decays for that tick
  key[KEY_DOWN] = 1;
  Tick();
  EXPECT_FLOAT_EQ(Player->Vel.y, 4.85f);
  key[KEY_DOWN] = 0;
  Player->Vel = CVector2();
  key[KEY_LEFT] = 1;
  for (int i = 0; i < 60; ++i) {
    Player->Pos = CVector2(600, 200);
    Tick();
    ASSERT_GE(Player->Vel.x, -2.59f);
  }
  EXPECT_LT(Player->Vel.x, -2.4f);
  key[KEY_LEFT] = 0;

  const float w = Player->Sprites[3].W(), h = Player->Sprites[3].H();
  Player->Pos = CVector2(w / 2 - 1, h / 2 - 1);
  Player->Vel = CVector2(-2, -2);
  Tick();
  EXPECT_TRUE(IsAt(Player->Pos, w / 2, h / 2));
  EXPECT_TRUE(IsAt(Player->Vel, 0, 0));
  // Just inside the lowest height the ship overshoots by one tick's speed.
  Player->Pos = CVector2(800 - w / 2, 449);
  Player->Vel = CVector2(3, 3);
  key[KEY_DOWN] = key[KEY_RIGHT] = 1;
  Tick();
  EXPECT_TRUE(Player->Pos.x > 800 - w / 2 && Player->Pos.y > 452);
  Tick();
  EXPECT_TRUE(IsAt(Player->Pos, 800 - w / 2, 450));
}

// Twelve ids; a held key steps once; unarmed weapons are skipped; the name shows and fades.
TEST_F(PlayerShip, WeaponSelectionStepsOncePerPressToTheNextArmedWeapon) {
  MakeAlive();
  key[KEY_ALT] = 1;
  Tick();
  EXPECT_EQ(Player->Weapon, 0) << "nothing armed: round to the same";
  EXPECT_EQ(Player->WeaponText, "Machine Gun");
  EXPECT_EQ(Player->WeaponTextFade, 247);
  Player->Ammo[4] = 3;
  Player->Ammo[9] = 1;
  Tick(5);
  EXPECT_EQ(Player->Weapon, 0);
  EXPECT_EQ(Press(KEY_ALT), 4);
  EXPECT_EQ(Player->WeaponText, "Medium Bomb");
  EXPECT_EQ(Press(KEY_ALT), 9);
  EXPECT_EQ(Press(KEY_X), 4);
  EXPECT_EQ(Press(KEY_X), 9) << "backwards wraps below 0 to 11";
  EXPECT_EQ(Player->WeaponText, "Homing Missile");
  Tick(40);
  EXPECT_LE(Player->WeaponTextFade, 0);

  // An id outside the catalogue fires nothing and steps back into it.
  for (int& ammo : Player->Ammo) ammo = 5;
  Player->Weapon = 12;
  key[KEY_SPACE] = 1;
  Tick();
  Player->Shoot();
  EXPECT_TRUE(Bullets.empty());
  EXPECT_EQ(std::count(Player->Ammo, Player->Ammo + 12, 5), 12);
  key[KEY_SPACE] = 0;
  EXPECT_EQ(Press(KEY_ALT), 0);
  Player->Weapon = -7;
  EXPECT_EQ(Press(KEY_X), 11);
}

// Each weapon's projectiles, where they start and how they fly; held fire shoots again exactly on reload.
TEST_F(PlayerShip, EveryWeaponFiresItsProjectilesAndReloads) {
  const struct {
    int id, reload;
    size_t projectiles;
    const std::type_info& kind;
    float dx, dy, size, accelY;
    size_t casings;
  } weapons[] = {
      {0, 15, 1, typeid(CBulletMG), 35, 0, 0, 0, 1},    {1, 25, 1, typeid(CLaser), 35, 0, 0, 0, 0},
      {2, 15, 3, typeid(CBulletMG), 35, -10, 0, 0, 1},  {3, 70, 1, typeid(CBomb), 0, 0, 0.5f, 0, 0},
      {4, 70, 1, typeid(CBomb), 0, 0, 0.9f, 0, 0},      {5, 70, 1, typeid(CBomb), 0, 0, 1.3f, 0, 0},
      {6, 100, 1, typeid(CRocket), 0, 15, 0, 0, 0},     {7, 100, 1, typeid(CRocket), 0, 15, 0, 0.05f, 0},
      {8, 30, 1, typeid(CMine), 0, 0, 0, 0, 0},         {9, 100, 1, typeid(CMissile), 0, 15, 0, 0, 0},
      {10, 150, 1, typeid(CPlasmaBeam), 30, 0, 0, 0, 0},
  };
  for (const auto& w : weapons) {
    SCOPED_TRACE(GetWeaponName(w.id));
    TearDown();
    SetUp();
    MakeAlive();
    Player->Pos = CVector2(300, 200);
    Player->Vel = CVector2(1, -1);
    Player->Weapon = w.id;
    Player->Ammo[w.id] = 3;
    Player->Shoot();
    ASSERT_EQ(Bullets.size(), w.projectiles);
    EXPECT_EQ(typeid(*Bullets[0]), w.kind);
    EXPECT_FALSE(Bullets[0]->Hostile);
    EXPECT_TRUE(IsAt(Bullets[0]->Pos, 300 + w.dx, 200 + w.dy));
    EXPECT_EQ(Player->Casings.size(), w.casings);
    EXPECT_EQ(Player->Ammo[w.id], 2);
    EXPECT_TRUE(w.id != 2 || (Bullets[1]->Pos.x == 345 && Bullets[2]->Pos.y == 210));
    // The guns' rounds all fly level to the right.
    for (TBullet* b : Bullets) EXPECT_TRUE(w.id > 2 || (b->Vel.x > 0 && b->Vel.y == 0)) << b->Vel.x << "," << b->Vel.y;
    if (auto* bomb = dynamic_cast<CBomb*>(Bullets[0])) {
      EXPECT_EQ(bomb->Size, w.size);
      EXPECT_TRUE(IsAt(bomb->Vel, 1.5f, -1.0f));
      EXPECT_EQ(bomb->Explosions, &Explosions);
    }
    if (auto* rocket = dynamic_cast<CRocket*>(Bullets[0])) {
      EXPECT_TRUE(IsAt(rocket->Accel, 0.1f, w.accelY));
    }

    DeleteAll(Bullets);
    Player->Reload[w.id] = 0;
    key[KEY_SPACE] = 1;
    Tick(w.reload);
    EXPECT_EQ(Bullets.size(), w.projectiles);
    Tick();
    EXPECT_EQ(Bullets.size(), 2 * w.projectiles);
    Tick(w.reload + 1);
    EXPECT_EQ(Bullets.size(), 2 * w.projectiles) << "no ammunition, no shot";
    EXPECT_EQ(Player->Weapon, w.id);
  }
}

TEST_F(PlayerShip, CloakCostsOneRoundAndHoldingFireNeverExtendsIt) {
  MakeAlive();
  Player->Weapon = 11;
  Player->Ammo[11] = 2;
  key[KEY_SPACE] = 1;
  for (const auto& [ticks, timer, ammo] : {std::tuple{1, 999, 1}, {500, 499, 1}, {499, 0, 1}, {1, 999, 0}}) {
    Tick(ticks);
    EXPECT_EQ(std::pair(Player->CloakTimer, Player->Ammo[11]), std::pair(timer, ammo)) << ticks;
  }
  EXPECT_TRUE(Bullets.empty());
}

// Shot down, the ship falls with its cases and respawns level at its start; the last crash finishes it.
TEST_F(PlayerShip, ShotDownItFallsCrashesAndRespawnsUntilTheLastLife) {
  MakeAlive();
  Player->Lives = 1;
  Player->Pos = CVector2(300, 200);
  Player->Ammo[2] = 1;
  Player->Weapon = 2;
  Player->Shoot();
  ASSERT_EQ(Player->Casings.size(), 1u);
  EXPECT_TRUE(IsAt(*Player->Casings[0], 300, 220, 0));
  Player->Vel = CVector2(2, 0);
  Player->Reload[3] = 5;
  Player->TakeDamage(20);
  ASSERT_EQ(Player->State, Dying);
  key[KEY_UP] = 1;
  Tick();
  EXPECT_FLOAT_EQ(Player->Angle, 0.5f);
  EXPECT_TRUE(IsAt(Player->Vel, 1.98f, 0.15f));
  EXPECT_EQ(Player->Reload[3], 5) << "no reloading while falling";
  EXPECT_TRUE(IsAt(*Player->Casings[0], 300, 220.15f, 0.15f));
  // 220 + 0.15 * n(n+1)/2 passes 550 at n = 66.
  Tick(64);
  EXPECT_EQ(Player->Casings.size(), 1u);
  Tick();
  EXPECT_TRUE(Player->Casings.empty());
  for (int t = 0; t < 1000 && Player->State == Dying; ++t) Tick();
  EXPECT_EQ(Player->Frame, 3) << "respawned level";
  EXPECT_EQ(std::tuple(Player->Lives, Player->State, Player->Shields), std::tuple(0, int(Respawning), 10));
  EXPECT_TRUE(IsAt(Player->Pos, 100, 100));
  EXPECT_EQ(Player->Angle, 0);
  EXPECT_FLOAT_EQ(Player->Fade, -0.01f);
  ASSERT_EQ(Explosions.size(), 1u);
  EXPECT_EQ(std::pair(Explosions[0]->NumTrails, Explosions[0]->Size), std::pair(4, 1.0f));
  EXPECT_GE(Explosions[0]->Pos.y, Globals::GroundLevel);

  MakeAlive();
  Player->TakeDamage(10);
  float lastX = Player->Pos.x;
  for (int t = 0; t < 1000 && Player->State == Dying; ++t) {
    Tick();
    EXPECT_TRUE(Player->Pos.y <= 300 || Player->Frame == 6) << Player->Pos.y;
    lastX = Player->Pos.x;
  }
  EXPECT_EQ(std::pair(Player->Lives, Explosions.size()), std::pair(-1, size_t{2}));
  Tick(3);
  EXPECT_EQ(Player->State, Finished);
  EXPECT_FLOAT_EQ(Player->Pos.x, lastX) << "a finished ship stays";
}

}  // namespace
