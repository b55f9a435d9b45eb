// What an enemy's guns do: each weapon id, where its rounds leave and which
// way they fly, reloads, ammunition and the move to the next armed weapon.
// Shoot(1) always passes its random draw.
#include <gtest/gtest.h>

#include <cmath>
#include <typeinfo>
#include <vector>

#include "ships/enemy.h"
#include "unit/support.h"
#include "weapons/bullet.h"

namespace {

class EnemyGuns : public testing::Test {
 protected:
  ~EnemyGuns() override { Clear(); }
  void Clear() {
    for (TBullet* bullet : Bullets) delete bullet;
    Bullets.clear();
  }
  void Fire(int weapon, int rounds) {
    Ship.Weapon = weapon;
    Ship.Ammo[weapon] = rounds;
    Ship.Shoot(1);
  }
  TempFile File{"Data 1 7 Acc 0.1 MaxSpeed 3 Hostile 1 Shields 10 Shadow 1 Ground 0"};
  std::vector<CExplosion*> Explosions;
  std::vector<TBullet*> Bullets;
  CShipNPC Ship{300, 200, File.Path, &Explosions, &Bullets, true, 1};
};

// From a ship at (300, 200): a hostile one fires to the left, a friend to
// the right, a ground unit's guns up; other rounds fly level.
TEST_F(EnemyGuns, EachWeaponFiresItsRoundsWithItsReload) {
  const int Any = 9;
  const struct {
    int weapon;
    bool hostile, ground;
    size_t created;
    int reload;
    const std::type_info& kind;
    float firstX;  // NAN: not checked
    int vx, vy;    // signs of every round's speed, or Any
  } cases[] = {
      {0, true, false, 1, 15, typeid(CBulletMG), NAN, -1, 0}, {1, true, false, 1, 25, typeid(CLaser), NAN, Any, Any},
      {2, true, false, 3, 15, typeid(CBulletMG), 265, -1, 0}, {8, true, false, 1, 30, typeid(CMine), NAN, Any, Any},
      {9, true, false, 1, 100, typeid(CMissile), NAN, Any, Any},
      {10, true, false, 1, 150, typeid(CPlasmaBeam), 285, Any, Any},
      {0, false, false, 1, 15, typeid(CBulletMG), NAN, 1, 0}, {2, false, false, 3, 15, typeid(CBulletMG), 335, 1, 0},
      {10, false, false, 1, 150, typeid(CPlasmaBeam), 315, Any, Any},
      {0, true, true, 1, 15, typeid(CBulletMG), NAN, Any, -1},
  };
  auto sign = [](float v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "weapon " << c.weapon << " hostile " << c.hostile << " ground " << c.ground);
    Clear();
    Ship.Hostile = c.hostile;
    Ship.Ground = c.ground;
    Ship.Reload[c.weapon] = 0;
    Fire(c.weapon, 5);
    ASSERT_EQ(Bullets.size(), c.created);
    EXPECT_EQ(Ship.Reload[c.weapon], c.reload);
    EXPECT_EQ(Ship.Ammo[c.weapon], 4);
    EXPECT_TRUE(c.kind != typeid(CMissile) || Bullets[0]->Explosions == &Explosions);
    for (size_t i = 0; i < Bullets.size(); ++i) {
      const TBullet& b = *Bullets[i];
      EXPECT_TRUE(typeid(b) == c.kind && b.Hostile == c.hostile);
      EXPECT_TRUE(c.vx == Any || sign(b.Vel.x) == c.vx) << b.Vel.x;
      EXPECT_TRUE(c.vy == Any || sign(b.Vel.y) == c.vy) << b.Vel.y;
      // The triple gun: two rounds 10 above and below the nose, the middle one 10 further on.
      const float ahead = c.weapon == 2 && i == 1 ? (c.hostile ? -10 : 10) : 0;
      EXPECT_TRUE(std::isnan(c.firstX) || b.Pos.x == c.firstX + ahead) << b.Pos.x;
      EXPECT_TRUE(c.weapon != 2 || b.Pos.y == 190.0f + 10 * i) << b.Pos.y;
    }
  }
}

TEST_F(EnemyGuns, ReloadingEmptyOrDryGunsHoldFire) {
  Ship.Reload[0] = 1;
  Fire(0, 5);
  EXPECT_TRUE(Bullets.empty() && Ship.Ammo[0] == 5);
  Ship.Reload[0] = 0;
  Fire(0, 0);
  EXPECT_TRUE(Bullets.empty());
  // The last round of the last armed weapon: the ship stops firing.
  Fire(9, 1);
  Ship.Reload[9] = 0;
  Ship.Shoot(1);
  EXPECT_TRUE(Bullets.size() == 1u && Ship.Weapon == 9 && Ship.Ammo[9] == 0);
}

// Weapons with no enemy form spend their rounds without firing, then give
// way to the next armed weapon, counting on past 11 to 0 and 1.
TEST_F(EnemyGuns, WeaponsWithoutEnemyFormSpendRoundsAndGiveWay) {
  for (int weapon : {3, 4, 5, 6, 7, 11}) {
    for (int i = 0; i < 12; ++i) Ship.Ammo[i] = Ship.Reload[i] = 0;
    Ship.Ammo[1] = 3;
    Fire(weapon, 2);
    EXPECT_TRUE(Bullets.empty() && Ship.Reload[weapon] == 0 && Ship.Ammo[weapon] == 1) << weapon;
    EXPECT_EQ(Ship.Weapon, weapon);
    Ship.Shoot(1);
    EXPECT_TRUE(Ship.Ammo[weapon] == 0 && Ship.Weapon == 1) << weapon;
  }
}

}  // namespace
