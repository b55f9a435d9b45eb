// What an enemy's guns do: each weapon id, reloads, ammunition and the move
// to the next armed weapon. Shoot(1) always passes its random draw.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "ships/enemy.h"
#include "weapons/bullet.h"

namespace {

class EnemyGuns : public testing::Test {
 protected:
  EnemyGuns() {
    char name[] = "/tmp/varnok_guns_XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    Path = name;
    std::ofstream(Path) << "Data 1 7 Acc 0.1 MaxSpeed 3 Hostile 1 Shields 10 Shadow 1 Ground 0";
    Ship = new CShipNPC(300, 200, Path, &Explosions, &Bullets, true, 1);
  }
  ~EnemyGuns() override {
    delete Ship;
    for (TBullet* bullet : Bullets) delete bullet;
    std::remove(Path.c_str());
  }

  void Arm(int weapon, int rounds) {
    Ship->Weapon = weapon;
    Ship->Ammo[weapon] = rounds;
  }

  std::string Path;
  std::vector<CExplosion*> Explosions;
  std::vector<TBullet*> Bullets;
  CShipNPC* Ship;
};

TEST_F(EnemyGuns, EachWeaponFiresItsProjectileWithItsReload) {
  struct Case {
    int Weapon;
    size_t Created;
    int Reload;
  };
  const Case cases[] = {{0, 1, 15}, {1, 1, 25}, {2, 3, 15}, {8, 1, 30}, {9, 1, 100}, {10, 1, 150}};
  for (const Case& c : cases) {
    for (TBullet* bullet : Bullets) delete bullet;
    Bullets.clear();
    Arm(c.Weapon, 5);
    Ship->Shoot(1);
    ASSERT_EQ(Bullets.size(), c.Created) << c.Weapon;
    EXPECT_EQ(Ship->Reload[c.Weapon], c.Reload) << c.Weapon;
    EXPECT_EQ(Ship->Ammo[c.Weapon], 4) << c.Weapon;
    for (TBullet* bullet : Bullets) EXPECT_TRUE(bullet->Hostile) << c.Weapon;
  }
  // The last shot was the plasma beam, in front of a hostile ship.
  EXPECT_NE(dynamic_cast<CPlasmaBeam*>(Bullets[0]), nullptr);
  EXPECT_FLOAT_EQ(Bullets[0]->Pos.x, 285.0f);
}

TEST_F(EnemyGuns, ProjectilesLeaveFromTheRightPlaces) {
  Arm(2, 5);
  Ship->Shoot(1);
  ASSERT_EQ(Bullets.size(), 3u);
  const float expected[3][2] = {{265, 190}, {255, 200}, {265, 210}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(dynamic_cast<CBulletMG*>(Bullets[i]), nullptr);
    EXPECT_FLOAT_EQ(Bullets[i]->Pos.x, expected[i][0]);
    EXPECT_FLOAT_EQ(Bullets[i]->Pos.y, expected[i][1]);
    EXPECT_LT(Bullets[i]->Vel.x, 0.0f);
  }
  Arm(1, 5);
  Ship->Shoot(1);
  EXPECT_NE(dynamic_cast<CLaser*>(Bullets.back()), nullptr);
  Arm(8, 5);
  Ship->Shoot(1);
  EXPECT_NE(dynamic_cast<CMine*>(Bullets.back()), nullptr);
  Arm(9, 5);
  Ship->Shoot(1);
  EXPECT_NE(dynamic_cast<CMissile*>(Bullets.back()), nullptr);
  EXPECT_EQ(Bullets.back()->Explosions, &Explosions);

  // A friend fires to the right: its triple gun like the player's, its beam
  // ahead of it.
  Ship->Hostile = false;
  Arm(0, 5);
  Ship->Shoot(1);
  EXPECT_FALSE(Bullets.back()->Hostile);
  EXPECT_GT(Bullets.back()->Vel.x, 0.0f);
  Arm(2, 5);
  Ship->Reload[2] = 0;
  Ship->Shoot(1);
  const float mirrored[3] = {335, 345, 335};
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(Bullets[Bullets.size() - 3 + i]->Pos.x, mirrored[i]);
  Arm(10, 5);
  Ship->Shoot(1);
  EXPECT_FLOAT_EQ(Bullets.back()->Pos.x, 315.0f);
  // A ground unit's guns point up.
  Ship->Ground = true;
  Arm(0, 5);
  Ship->Reload[0] = 0;
  Ship->Shoot(1);
  EXPECT_LT(Bullets.back()->Vel.y, 0.0f);
}

TEST_F(EnemyGuns, ReloadAndEmptyMagazinesHoldFire) {
  Arm(0, 5);
  Ship->Reload[0] = 1;
  Ship->Shoot(1);
  EXPECT_TRUE(Bullets.empty());
  EXPECT_EQ(Ship->Ammo[0], 5);
  Ship->Reload[0] = 0;
  Ship->Ammo[0] = 0;
  Ship->Shoot(1);
  EXPECT_TRUE(Bullets.empty());
}

TEST_F(EnemyGuns, WeaponsWithoutEnemyFormSpendRoundsAndGiveWay) {
  for (int weapon : {3, 4, 5, 6, 7, 11}) {
    for (int i = 0; i < 12; ++i) Ship->Ammo[i] = Ship->Reload[i] = 0;
    Arm(weapon, 2);
    Ship->Ammo[1] = 3;
    Ship->Shoot(1);
    EXPECT_TRUE(Bullets.empty()) << weapon;
    EXPECT_EQ(Ship->Reload[weapon], 0) << weapon;
    EXPECT_EQ(Ship->Ammo[weapon], 1) << weapon;
    EXPECT_EQ(Ship->Weapon, weapon);
    Ship->Shoot(1);
    EXPECT_EQ(Ship->Ammo[weapon], 0) << weapon;
    // Dry: the next armed weapon, counting on past 11 to 0 and 1.
    EXPECT_EQ(Ship->Weapon, 1) << weapon;
  }
}

TEST_F(EnemyGuns, ADryShipStopsFiring) {
  Arm(9, 1);
  Ship->Shoot(1);
  EXPECT_EQ(Bullets.size(), 1u);
  EXPECT_EQ(Ship->Weapon, 9);
  Ship->Reload[9] = 0;
  Ship->Shoot(1);
  EXPECT_EQ(Bullets.size(), 1u);
  EXPECT_EQ(Ship->Ammo[9], 0);
}

}  // namespace
