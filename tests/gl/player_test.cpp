// The player's ship stepped tick by tick: steering, limits, weapon selection,
// firing, the fall and crash, lives, the fade-in and the cartridge cases.
#include "ship_support.h"

#include <typeinfo>

using namespace shiptest;

using PlayerShip = PlayerFixture;

TEST_F(PlayerShip, FadeInLasts203TicksAndIgnoresDamageButMayFire) {
  ASSERT_NE(Player->ShadowSprite, nullptr);
  EXPECT_FLOAT_EQ(Player->Fade, -0.01f);
  Player->Ammo[0] = 5;
  key[KEY_SPACE] = 1;
  Tick();
  EXPECT_EQ(Bullets.size(), 1u);
  Player->TakeDamage(5);
  EXPECT_EQ(Player->Shields, 10);
  Tick(201);
  EXPECT_EQ(Player->State, Respawning);
  Tick();
  EXPECT_EQ(Player->State, Alive);
  Player->TakeDamage(5);
  EXPECT_EQ(Player->Shields, 5);
}

TEST_F(PlayerShip, SteersWithInertiaDownWinsAndBackwardsIsHalfSpeed) {
  MakeAlive();
  Player->Pos = CVector2(400, 200);
  key[KEY_UP] = key[KEY_DOWN] = 1;
  Tick();
  EXPECT_FLOAT_EQ(Player->Vel.y, 0.09f);
  EXPECT_FLOAT_EQ(Player->Pos.y, 200.09f);
  key[KEY_UP] = key[KEY_DOWN] = 0;
  Tick();
  EXPECT_FLOAT_EQ(Player->Vel.y, 0.09f * 0.97f);

  // At full speed with Down held the speed decays for that tick.
  Player->Vel.y = 5.0f;
  key[KEY_DOWN] = 1;
  Tick();
  EXPECT_FLOAT_EQ(Player->Vel.y, 4.85f);
  key[KEY_DOWN] = 0;

  Player->Pos = CVector2(600, 200);
  Player->Vel = CVector2();
  key[KEY_LEFT] = 1;
  for (int i = 0; i < 60; ++i) {
    Tick();
    Player->Pos = CVector2(600, 200);
    ASSERT_GE(Player->Vel.x, -2.5f - 0.09f);
  }
  EXPECT_LT(Player->Vel.x, -2.4f);
  key[KEY_RIGHT] = 1;
  Tick();
  EXPECT_GT(Player->Vel.x, -2.5f);
  EXPECT_LT(Player->Vel.x, -2.3f);
}

TEST_F(PlayerShip, ScreenLimitsAreTestedBeforeTheMove) {
  MakeAlive();
  const float w = Player->Sprites[3].W();
  const float h = Player->Sprites[3].H();
  Player->Pos = CVector2(w / 2 - 1, h / 2 - 1);
  Player->Vel = CVector2(-2, -2);
  Tick();
  EXPECT_FLOAT_EQ(Player->Pos.x, w / 2);
  EXPECT_FLOAT_EQ(Player->Pos.y, h / 2);
  EXPECT_EQ(Player->Vel.x, 0);
  EXPECT_EQ(Player->Vel.y, 0);

  // Just inside the lowest height the ship overshoots by one tick's speed.
  Player->Pos = CVector2(800 - w / 2, 449);
  Player->Vel = CVector2(3, 3);
  key[KEY_DOWN] = key[KEY_RIGHT] = 1;
  Tick();
  EXPECT_GT(Player->Pos.x, 800 - w / 2);
  EXPECT_GT(Player->Pos.y, 452);
  Tick();
  EXPECT_FLOAT_EQ(Player->Pos.x, 800 - w / 2);
  EXPECT_FLOAT_EQ(Player->Pos.y, 450);
}

TEST_F(PlayerShip, WeaponSelectionStepsOncePerPressToTheNextArmedWeapon) {
  MakeAlive();
  // No ammunition anywhere: twelve steps come back round, name shown anyway.
  key[KEY_ALT] = 1;
  Tick();
  EXPECT_EQ(Player->Weapon, 0);
  EXPECT_EQ(Player->WeaponText, "Machine Gun");
  EXPECT_EQ(Player->WeaponTextFade, 247);

  Player->Ammo[4] = 3;
  Player->Ammo[9] = 1;
  Tick(5);
  EXPECT_EQ(Player->Weapon, 0) << "a held key steps only once";
  key[KEY_ALT] = 0;
  // A fresh press: released for a tick, then pressed for one.
  auto press = [this](int k) {
    Tick();
    key[k] = 1;
    Tick();
    key[k] = 0;
    return Player->Weapon;
  };
  EXPECT_EQ(press(KEY_ALT), 4);
  EXPECT_EQ(Player->WeaponText, "Medium Bomb");
  EXPECT_EQ(press(KEY_ALT), 9);
  EXPECT_EQ(press(KEY_X), 4);
  EXPECT_EQ(press(KEY_X), 9) << "backwards wraps below 0 to 11";
  EXPECT_EQ(Player->WeaponText, "Homing Missile");
  Tick(40);
  EXPECT_LE(Player->WeaponTextFade, 0);
}

TEST_F(PlayerShip, AWeaponIdOutsideTheCatalogueIsUnarmed) {
  MakeAlive();
  for (int& ammo : Player->Ammo) ammo = 5;
  Player->Weapon = 12;
  key[KEY_SPACE] = 1;
  Tick();
  Player->Shoot();
  EXPECT_TRUE(Bullets.empty());
  for (int ammo : Player->Ammo) EXPECT_EQ(ammo, 5);
  key[KEY_SPACE] = 0;
  Tick();
  key[KEY_ALT] = 1;
  Tick();
  EXPECT_EQ(Player->Weapon, 0);
  key[KEY_ALT] = 0;
  Player->Weapon = -7;
  key[KEY_X] = 1;
  Tick();
  EXPECT_EQ(Player->Weapon, 11);
}

TEST_F(PlayerShip, EveryWeaponFiresItsProjectilesAndReloads) {
  const struct {
    int id;
    int reload;
    size_t projectiles;
    const std::type_info& kind;
    float dx, dy;
    size_t casings;
  } weapons[] = {
      {0, 15, 1, typeid(CBulletMG), 35, 0, 1},  {1, 25, 1, typeid(CLaser), 35, 0, 0},
      {2, 15, 3, typeid(CBulletMG), 35, -10, 1}, {3, 70, 1, typeid(CBomb), 0, 0, 0},
      {4, 70, 1, typeid(CBomb), 0, 0, 0},       {5, 70, 1, typeid(CBomb), 0, 0, 0},
      {6, 100, 1, typeid(CRocket), 0, 15, 0},   {7, 100, 1, typeid(CRocket), 0, 15, 0},
      {8, 30, 1, typeid(CMine), 0, 0, 0},       {9, 100, 1, typeid(CMissile), 0, 15, 0},
      {10, 150, 1, typeid(CPlasmaBeam), 30, 0, 0},
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
    TBullet* first = Bullets[0];
    EXPECT_EQ(typeid(*first), w.kind);
    EXPECT_FALSE(first->Hostile);
    EXPECT_FLOAT_EQ(first->Pos.x, 300 + w.dx);
    EXPECT_FLOAT_EQ(first->Pos.y, 200 + w.dy);
    EXPECT_EQ(Player->Casings.size(), w.casings);
    EXPECT_EQ(Player->Reload[w.id], w.reload);
    EXPECT_EQ(Player->Ammo[w.id], 2);
    if (w.id == 2) {
      EXPECT_FLOAT_EQ(Bullets[1]->Pos.x, 345);
      EXPECT_FLOAT_EQ(Bullets[2]->Pos.y, 210);
    }
    // The guns' rounds all fly level to the right.
    for (TBullet* b : Bullets) EXPECT_TRUE(w.id > 2 || (b->Vel.x > 0 && b->Vel.y == 0)) << b->Vel.x << "," << b->Vel.y;
    if (auto* bomb = dynamic_cast<CBomb*>(first)) {
      const float sizes[] = {0.5f, 0.9f, 1.3f};
      EXPECT_EQ(bomb->Size, sizes[w.id - 3]);
      EXPECT_FLOAT_EQ(bomb->Vel.x, 1.5f);
      EXPECT_FLOAT_EQ(bomb->Vel.y, -1.0f);
      EXPECT_EQ(bomb->Explosions, &Explosions);
    }
    if (auto* rocket = dynamic_cast<CRocket*>(first)) {
      EXPECT_FLOAT_EQ(rocket->Accel.x, 0.1f);
      EXPECT_FLOAT_EQ(rocket->Accel.y, w.id == 6 ? 0.0f : 0.05f);
    }

    // Held fire shoots again exactly when the reload allows.
    DeleteAll(Bullets);
    Player->Reload[w.id] = 0;
    key[KEY_SPACE] = 1;
    Tick();
    const size_t once = Bullets.size();
    EXPECT_EQ(once, w.projectiles);
    for (int t = 1; t < w.reload; ++t) Tick();
    EXPECT_EQ(Bullets.size(), once);
    Tick();
    EXPECT_EQ(Bullets.size(), 2 * once);
    EXPECT_EQ(Player->Ammo[w.id], 0);
    Tick(w.reload + 1);
    EXPECT_EQ(Bullets.size(), 2 * once) << "no ammunition, no shot";
    EXPECT_EQ(Player->Weapon, w.id);
    key[KEY_SPACE] = 0;
  }
}

TEST_F(PlayerShip, CloakCostsOneRoundAndHoldingFireNeverExtendsIt) {
  MakeAlive();
  Player->Weapon = 11;
  Player->Ammo[11] = 2;
  key[KEY_SPACE] = 1;
  Tick();
  EXPECT_EQ(Player->CloakTimer, 999);
  EXPECT_EQ(Player->Ammo[11], 1);
  EXPECT_TRUE(Bullets.empty());
  Tick(500);
  EXPECT_EQ(Player->CloakTimer, 499);
  EXPECT_EQ(Player->Ammo[11], 1);
  Tick(499);
  EXPECT_EQ(Player->CloakTimer, 0);
  Tick();
  EXPECT_EQ(Player->CloakTimer, 999);
  EXPECT_EQ(Player->Ammo[11], 0);
}

TEST_F(PlayerShip, GunsDropOneCaseThatFallsBelowTheGroundEvenAfterDeath) {
  MakeAlive();
  Player->Pos = CVector2(300, 200);
  Player->Ammo[0] = 1;
  Player->Ammo[2] = 1;
  Player->Shoot();
  Player->Weapon = 2;
  Player->Shoot();
  ASSERT_EQ(Player->Casings.size(), 2u);
  EXPECT_FLOAT_EQ(Player->Casings[0]->x, 300);
  EXPECT_FLOAT_EQ(Player->Casings[0]->y, 220);
  EXPECT_EQ(Player->Casings[0]->z, 0);
  Player->Pos = CVector2(300, 200);
  Player->Vel = CVector2();
  Player->TakeDamage(10);
  ASSERT_EQ(Player->State, Dying);
  Tick();
  EXPECT_FLOAT_EQ(Player->Casings[0]->z, 0.15f);
  EXPECT_FLOAT_EQ(Player->Casings[0]->y, 220.15f);
  // 220 + 0.15 * n(n+1)/2 passes 550 at n = 66.
  Tick(64);
  EXPECT_EQ(Player->Casings.size(), 2u);
  Tick();
  EXPECT_TRUE(Player->Casings.empty());
}

TEST_F(PlayerShip, ShotDownItFallsCrashesAndRespawnsUntilTheLastLife) {
  MakeAlive();
  Player->Lives = 1;
  Player->Pos = CVector2(300, 400);
  Player->Vel = CVector2(2, 0);
  Player->Reload[3] = 5;
  Player->TakeDamage(20);
  ASSERT_EQ(Player->State, Dying);
  key[KEY_UP] = 1;
  Tick();
  EXPECT_FLOAT_EQ(Player->Angle, 0.5f);
  EXPECT_FLOAT_EQ(Player->Vel.y, 0.15f);
  EXPECT_FLOAT_EQ(Player->Vel.x, 1.98f);
  EXPECT_EQ(Player->Reload[3], 5) << "no reloading while falling";
  int ticks = 1;
  while (Player->State == Dying && ticks < 1000) {
    Tick();
    ++ticks;
  }
  EXPECT_EQ(Player->Frame, 3) << "respawned level";
  EXPECT_EQ(Player->Lives, 0);
  EXPECT_EQ(Player->State, Respawning);
  EXPECT_FLOAT_EQ(Player->Pos.x, 100);
  EXPECT_FLOAT_EQ(Player->Pos.y, 100);
  EXPECT_EQ(Player->Shields, 10);
  EXPECT_EQ(Player->Angle, 0);
  EXPECT_FLOAT_EQ(Player->Fade, -0.01f);
  ASSERT_EQ(Explosions.size(), 1u);
  EXPECT_EQ(Explosions[0]->NumTrails, 4);
  EXPECT_EQ(Explosions[0]->Size, 1.0f);
  EXPECT_GE(Explosions[0]->Pos.y, Globals::GroundLevel);

  // The last crash leaves the ship finished with Lives at -1.
  MakeAlive();
  Player->TakeDamage(10);
  float lastX = Player->Pos.x;
  for (int t = 0; t < 1000 && Player->State == Dying; ++t) {
    Tick();
    if (Player->Pos.y > 300) {
      EXPECT_EQ(Player->Frame, 6);
    }
    lastX = Player->Pos.x;
  }
  EXPECT_EQ(Player->State, Finished);
  EXPECT_EQ(Player->Lives, -1);
  EXPECT_EQ(Explosions.size(), 2u);
  Tick(3);
  EXPECT_EQ(Player->State, Finished);
  EXPECT_FLOAT_EQ(Player->Pos.x, lastX);
}
