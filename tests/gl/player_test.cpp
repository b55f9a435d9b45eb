#include <initializer_list>
#include <tuple>
#include <typeinfo>

#include "ship_support.h"

using namespace shiptest;

namespace {

using PlayerShip = PlayerFixture;

// Down wins over Up; speed decays without a key; the ship flies backwards at half speed; the limits are tested
// before the move, so just inside the lowest height the ship overshoots by one tick's speed.
TEST_F(PlayerShip, SteersWithInertiaWithinItsLimitsTestedBeforeTheMove) {
  MakeAlive();
  const float w = Player->Sprites[3].W(), h = Player->Sprites[3].H();
  const auto steer = [&](CVector2 pos, CVector2 vel, std::initializer_list<int> keys, int ticks) {
    ReleaseKeys();
    for (int k : keys) key[k] = 1;
    Player->Pos = pos;
    Player->Vel = vel;
    Tick(ticks);
    return Player->Vel;
  };
  EXPECT_FLOAT_EQ(steer({400, 200}, {}, {KEY_UP, KEY_DOWN}, 1).y, 0.09f);
  EXPECT_FLOAT_EQ(steer({400, 200}, {0, 0.09f}, {}, 1).y, 0.09f * 0.97f);
  EXPECT_FLOAT_EQ(steer({400, 200}, {0, 5}, {KEY_DOWN}, 1).y, 4.85f) << "at full speed it decays";
  const float back = steer({600, 200}, {}, {KEY_LEFT}, 60).x;
  EXPECT_TRUE(back >= -2.59f && back < -2.4f) << back;
  EXPECT_TRUE(IsAt(steer({w / 2 - 1, h / 2 - 1}, {-2, -2}, {}, 1), 0, 0) && IsAt(Player->Pos, w / 2, h / 2));
  steer({800 - w / 2, 449}, {3, 3}, {KEY_DOWN, KEY_RIGHT}, 1);
  EXPECT_TRUE(Player->Pos.x > 800 - w / 2 && Player->Pos.y > 452);
  Tick();
  EXPECT_TRUE(IsAt(Player->Pos, 800 - w / 2, 450));
}

// A held key steps once, to the next armed weapon, whose name shows and fades (the steps themselves are flown end
// to end).
TEST_F(PlayerShip, WeaponSelectionStepsOncePerPressAndShowsTheName) {
  MakeAlive();
  Player->Ammo[4] = 3;
  Player->Ammo[9] = 1;
  key[KEY_ALT] = 1;
  Tick(5);
  EXPECT_EQ(std::tuple(Player->Weapon, Player->WeaponText, Player->WeaponTextFade), std::tuple(4, "Medium Bomb", 215));
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
  MakeAlive();
  for (const auto& w : weapons) {
    SCOPED_TRACE(GetWeaponName(w.id));
    DeleteAll(Bullets);
    DeleteAll(Player->Casings);
    Player->Pos = CVector2(300, 200);
    Player->Vel = CVector2(1, -1);
    Player->Weapon = w.id;
    Player->Ammo[w.id] = 3;
    Player->Shoot();
    ASSERT_EQ(Bullets.size(), w.projectiles);
    EXPECT_TRUE(typeid(*Bullets[0]) == w.kind && !Bullets[0]->Hostile && IsAt(Bullets[0]->Pos, 300 + w.dx, 200 + w.dy));
    EXPECT_EQ(std::pair(Player->Casings.size(), Player->Ammo[w.id]), std::pair(w.casings, 2));
    EXPECT_TRUE(w.casings == 0 || IsAt(*Player->Casings[0], 300, 220));
    EXPECT_TRUE(w.id != 2 || (Bullets[1]->Pos.x == 345 && Bullets[2]->Pos.y == 210));
    for (TBullet* b : Bullets) EXPECT_TRUE(w.id > 2 || (b->Vel.x > 0 && b->Vel.y == 0)) << b->Vel.x << "," << b->Vel.y;
    const auto* bomb = dynamic_cast<CBomb*>(Bullets[0]);
    EXPECT_TRUE(!bomb || (bomb->Size == w.size && IsAt(bomb->Vel, 1.5f, -1.0f) && bomb->Explosions == &Explosions));
    const auto* rocket = dynamic_cast<CRocket*>(Bullets[0]);
    EXPECT_TRUE(!rocket || IsAt(rocket->Accel, 0.1f, w.accelY));
    DeleteAll(Bullets);
    Player->Reload[w.id] = 0;
    key[KEY_SPACE] = 1;
    for (const auto& [ticks, rounds] : {std::pair{w.reload, 1u}, {1, 2u}, {w.reload + 1, 2u}}) {
      Tick(ticks);  // the third time without ammunition
      EXPECT_EQ(Bullets.size(), rounds * w.projectiles) << ticks;
    }
    EXPECT_EQ(Player->Weapon, w.id);
  }
}

// Shot down, the ship falls with its cases and respawns level at its start, fading in; the last crash finishes it.
TEST_F(PlayerShip, ShotDownItFallsCrashesAndRespawnsUntilTheLastLife) {
  MakeAlive();
  Player->Lives = 1;
  Player->Casings.push_back(new CVector3(300, 220, 0));
  Player->Casings.push_back(new CVector3(400, 550, -0.15f));  // at the ground line after a tick, and kept there
  Player->Vel = CVector2(2, 0);
  Player->Reload[3] = 5;
  Player->TakeDamage(20);
  ASSERT_EQ(Player->State, Dying);
  key[KEY_UP] = 1;
  Tick();
  EXPECT_TRUE(Player->Angle == 0.5f && IsAt(Player->Vel, 1.98f, 0.15f) && Player->Reload[3] == 5);
  EXPECT_TRUE(IsAt(*Player->Casings[0], 300, 220.15f) && Player->Casings[0]->z == 0.15f);
  EXPECT_EQ(std::pair(Player->Casings.size(), Player->Casings[1]->y), std::pair(size_t{2}, 550.0f));
  Tick(64);  // 220 + 0.15 * n(n+1)/2 passes 550 at n = 66
  EXPECT_EQ(Player->Casings.size(), 1u);
  Tick();
  EXPECT_TRUE(Player->Casings.empty());
  for (int t = 0; t < 1000 && Player->State == Dying; ++t) Tick();
  EXPECT_EQ(std::tuple(Player->Frame, Player->Lives, Player->State, Player->Shields, Player->Angle, Player->Fade),
            std::tuple(3, 0, int(Respawning), 10, 0.0f, -0.01f));
  ASSERT_TRUE(IsAt(Player->Pos, 100, 100) && Explosions.size() == 1);
  EXPECT_TRUE(Explosions[0]->NumTrails == 4 && Explosions[0]->Pos.y >= Globals::GroundLevel);
  key[KEY_UP] = 0;
  Player->TakeDamage(5);
  Tick(202);
  EXPECT_EQ(std::pair(Player->State, Player->Shields), std::pair(int(Respawning), 10)) << "but takes no damage";
  Tick();
  Player->TakeDamage(5);
  EXPECT_EQ(std::pair(Player->State, Player->Shields), std::pair(int(Alive), 5)) << "for 203 ticks";
  Player->TakeDamage(5);
  for (int t = 0; t < 1000 && Player->State == Dying; ++t) {
    Tick();
    EXPECT_TRUE(Player->Pos.y <= 300 || Player->Frame == 6) << Player->Pos.y;
  }
  Tick(3);
  EXPECT_EQ(std::tuple(Player->Lives, Explosions.size(), Player->State), std::tuple(-1, size_t{2}, int(Finished)));
}

}  // namespace
