// What an enemy's guns do: each weapon id, where its rounds leave and which way they fly, reloads,
// ammunition and the move to the next armed weapon. Shoot(1) always passes its random draw.
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
  void Fire(int weapon, int rounds, int reload = 0) {
    Ship.Weapon = weapon;
    Ship.Ammo[weapon] = rounds;
    Ship.Reload[weapon] = reload;
    Ship.Shoot(1);
  }
  TempFile File{"Data 1 7 Acc 0.1 MaxSpeed 3 Hostile 1 Shields 10 Shadow 1 Ground 0"};
  std::vector<CExplosion*> Explosions;
  std::vector<TBullet*> Bullets;
  CShipNPC Ship{300, 200, File.Path, &Explosions, &Bullets, true, 1};
};

// From a ship at (300, 200): a hostile one fires to the left, a friend to the right, a ground unit's guns
// up; other rounds fly level. The triple gun's rounds leave 10 above and below the nose, the middle one
// 10 further on. Every round knows its firer.
TEST_F(EnemyGuns, EachWeaponFiresItsRoundsWithItsReload) {
  const int Any = 9;
  // weapon, hostile, ground, rounds, reload, kind, first round's x (NAN: any), signs of x and y speed (or Any)
  const std::tuple<int, bool, bool, size_t, int, const std::type_info&, float, int, int> cases[] = {
      {0, true, false, 1, 15, typeid(CBulletMG), NAN, -1, 0}, {1, true, false, 1, 25, typeid(CLaser), NAN, Any, Any},
      {2, true, false, 3, 15, typeid(CBulletMG), 265, -1, 0}, {8, true, false, 1, 30, typeid(CMine), NAN, Any, Any},
      {9, true, false, 1, 100, typeid(CMissile), NAN, Any, Any},
      {10, true, false, 1, 150, typeid(CPlasmaBeam), 285, Any, Any},
      {2, false, false, 3, 15, typeid(CBulletMG), 335, 1, 0},
      {10, false, false, 1, 150, typeid(CPlasmaBeam), 315, Any, Any},
      {0, true, true, 1, 15, typeid(CBulletMG), NAN, Any, -1},
  };
  auto sign = [](float v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); };
  for (const auto& [weapon, hostile, ground, created, reload, kind, firstX, vx, vy] : cases) {
    SCOPED_TRACE(testing::Message() << "weapon " << weapon << " hostile " << hostile << " ground " << ground);
    Clear();
    Ship.Hostile = hostile;
    Ship.Ground = ground;
    Fire(weapon, 5);
    ASSERT_EQ(Bullets.size(), created);
    EXPECT_TRUE(Ship.Reload[weapon] == reload && Ship.Ammo[weapon] == 4);
    EXPECT_TRUE(kind != typeid(CMissile) || Bullets[0]->Explosions == &Explosions);
    for (size_t i = 0; i < Bullets.size(); ++i) {
      const TBullet& b = *Bullets[i];
      const float ahead = weapon == 2 && i == 1 ? (hostile ? -10 : 10) : 0;
      EXPECT_TRUE(typeid(b) == kind && b.Hostile == hostile && b.Firer == Ship.Serial);
      EXPECT_TRUE((vx == Any || sign(b.Vel.x) == vx) && (vy == Any || sign(b.Vel.y) == vy)) << b.Vel.x << b.Vel.y;
      const float y = weapon == 2 ? 190.0f + 10 * i : 200;
      EXPECT_TRUE(std::isnan(firstX) || (b.Pos.x == firstX + ahead && b.Pos.y == y)) << b.Pos.x << "," << b.Pos.y;
    }
  }
}

// Reloading, empty and dry guns hold fire; weapons with no enemy form spend their rounds without firing,
// then give way to the next armed weapon, counting on past 11 to 0 and 1.
TEST_F(EnemyGuns, GunsHoldFireOrGiveWayToTheNextArmedWeapon) {
  Fire(0, 5, 1);
  EXPECT_TRUE(Bullets.empty() && Ship.Ammo[0] == 5);
  Fire(0, 0);
  EXPECT_TRUE(Bullets.empty());
  Fire(9, 1);  // the last round of the last armed weapon: the ship stops firing
  Ship.Reload[9] = 0;
  Ship.Shoot(1);
  EXPECT_TRUE(Bullets.size() == 1u && Ship.Weapon == 9 && Ship.Ammo[9] == 0);
  for (int weapon : {3, 4, 5, 6, 7, 11}) {
    for (int i = 0; i < 12; ++i) Ship.Ammo[i] = Ship.Reload[i] = 0;
    Ship.Ammo[1] = 3;
    Fire(weapon, 2);
    EXPECT_TRUE(Bullets.size() == 1u && Ship.Reload[weapon] == 0 && Ship.Ammo[weapon] == 1) << weapon;
    EXPECT_EQ(Ship.Weapon, weapon);
    Ship.Shoot(1);
    EXPECT_TRUE(Ship.Ammo[weapon] == 0 && Ship.Weapon == 1) << weapon;
  }
}

}  // namespace
