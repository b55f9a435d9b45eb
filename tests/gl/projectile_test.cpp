#include <algorithm>
#include <memory>

#include "ship_support.h"

using namespace shiptest;

namespace {

// One pass of the mission loop for one projectile (update, collide with each ship, delete if dead); true if deleted.
bool Pass(TBullet*& bullet, const std::vector<TShip*>& ships) {
  bullet->Update();
  for (TShip* ship : ships) bullet->CheckCollision(ship);
  if (!bullet->Dead) return false;
  delete bullet;
  bullet = nullptr;
  return true;
}

class Projectiles : public testing::Test {
 protected:
  void SetUp() override { srand(23); }
  void TearDown() override { DeleteAll(Explosions); }
  std::vector<CExplosion*> Explosions;
};

// The box is strict; a round stops at the first of two overlapping ships; a laser bolt does 5.
TEST_F(Projectiles, GunRoundsHitInsideTheStrictBoxOnly) {
  SizedShip ship(400, 300, 40, 20), second(400, 300, 40, 20);
  for (const auto& [x, y, hit] : {std::tuple{380.0f, 300.0f, false}, {380.5f, 300.0f, true}, {420.0f, 300.0f, false},
                                  {419.5f, 300.0f, true}, {400.0f, 290.0f, false}, {400.0f, 290.5f, true},
                                  {400.0f, 310.0f, false}, {400.0f, 309.5f, true}}) {
    CBulletMG bullet(x, y, false, false);
    bullet.CheckCollision(&ship);
    bullet.CheckCollision(&second);
    EXPECT_EQ(bullet.Dead, hit) << x << ", " << y;
  }
  CLaser laser(400, 300, false, false);
  laser.CheckCollision(&ship);
  EXPECT_EQ(std::pair(ship.Shields, second.Shields), std::pair(100 - 4 * 3 - 5, 100));
}

// Rounds fly by direction and hostility; one at x 800 is still on the screen, one above y 0 is gone.
TEST_F(Projectiles, GunRoundsFlyByDirectionAndLeaveTheScreen) {
  for (const auto& [laser, up, hostile, x, y, x1, y1, dead] :
       {std::tuple{false, false, false, 795.0f, 100.0f, 803.0f, 100.0f, true},
        {false, false, false, 792, 100, 800, 100, false}, {false, false, true, 100, 100, 92, 100, false},
        {false, true, true, 100, 7, 99, 4, false}, {false, true, true, 100, 1, 99, -2, true},
        {true, false, false, 100, 100, 110, 100, false}, {true, true, false, 100, 100, 99, 97, false}}) {
    std::unique_ptr<TBullet> b(laser ? static_cast<TBullet*>(new CLaser(x, y, up, hostile))
                                     : new CBulletMG(x, y, up, hostile));
    b->Update();
    EXPECT_TRUE(IsAt(b->Pos, x1, y1) && b->Dead == dead) << x << ", " << y << (b->Dead ? " dead" : "");
  }
}

// Enemy beams point left; the beam lasts six passes and hurts only in its first. A mine stands still and hurts
// every ship touching it in one pass.
TEST_F(Projectiles, BeamAndMineHurtEveryShipTheyReachInOnePass) {
  SizedShip ahead(500, 300, 40, 20), farAhead(1200, 309, 40, 20), offLine(600, 310, 40, 20),
      behind(100, 300, 40, 20), late(700, 500, 40, 20);
  TBullet* beam = new CPlasmaBeam(130, 300, &Explosions, false);
  int passes = 0;
  for (; beam != nullptr; ++passes) {
    Pass(beam, {&ahead, &farAhead, &offLine, &behind, &late});
    late.Pos.y = 300;
  }
  EXPECT_EQ(std::tuple(passes, ahead.Shields, farAhead.Shields, offLine.Shields, behind.Shields, late.Shields),
            std::tuple(6, 50, 50, 100, 100, 100));
  ASSERT_EQ(Explosions.size(), 2u);
  EXPECT_EQ(std::tuple(Explosions[0]->Pos.x, Explosions[1]->Pos.y, Explosions[1]->Size), std::tuple(500, 309, 0.6f));
  CPlasmaBeam hostile(600, 300, &Explosions, true);
  hostile.Update();
  hostile.CheckCollision(&ahead);
  hostile.CheckCollision(&offLine);
  EXPECT_EQ(std::pair(ahead.Shields, offLine.Shields), std::pair(0, 100));
  SizedShip a(300, 300, 20, 20), b(305, 305, 20, 20), away(340, 300, 20, 20);
  TBullet* mine = new CMine(300, 300, &Explosions, true);
  const size_t blasts = Explosions.size();
  for (int t = 0; t < 100; ++t) ASSERT_FALSE(Pass(mine, {&away}));
  EXPECT_FLOAT_EQ(mine->Pos.x, 300);
  EXPECT_TRUE(Pass(mine, {&a, &b, &away}));
  EXPECT_EQ(std::pair(a.Shields + b.Shields + away.Shields, Explosions.size()), std::pair(280, blasts + 2));
}

// Rockets speed up to 7 across. In the tick it dies a rocket blasts the ships tested after its death; it explodes
// only on a hit or at the ground.
TEST_F(Projectiles, RocketsCapTheirSpeedAndBlastInTheTickTheyDie) {
  CRocket rocket(100, 100, 0.1f, 0.0f, &Explosions, false);
  rocket.Update();
  EXPECT_TRUE(rocket.Pos.y == 101 && rocket.Vel.y == 0.99f) << rocket.Pos.y << " " << rocket.Vel.y;
  float fastest = 0;
  for (int t = 0; t < 100 && !rocket.Dead; ++t) {
    rocket.Update();
    fastest = std::max(fastest, rocket.Vel.x);
  }
  EXPECT_EQ(std::pair(fastest, Explosions.empty()), std::pair(7.0f, true));
  SizedShip near(410, 20, 10, 10), far(410, 31, 10, 10);  // beside it as it leaves the top
  TBullet* up = new CRocket(400, 0.2f, 0.1f, -1.5f, &Explosions, false);
  EXPECT_TRUE(Pass(up, {&near, &far}));
  EXPECT_EQ(std::pair(near.Shields + far.Shields, Explosions.size()), std::pair(180, size_t{0}));
  SizedShip before(330, 300, 10, 10), hit(300, 301, 20, 20), beside(310, 320, 10, 10);
  TBullet* direct = new CRocket(299, 299, 0.1f, 0.0f, &Explosions, false);
  EXPECT_TRUE(Pass(direct, {&before, &hit, &beside}));
  EXPECT_EQ(std::tuple(before.Shields, hit.Shields, beside.Shields, Explosions.size()), std::tuple(100, 80, 80, 1u));
  CRocket probe(400, 500, 0.1f, 0.05f, nullptr, false);  // air-to-surface: where does it reach the ground?
  while (!probe.Dead) probe.Update();
  SizedShip turret(probe.Pos.x - 25, 545, 4, 4), outOfReach(probe.Pos.x + 30, 545, 4, 4);
  TBullet* down = new CRocket(400, 500, 0.1f, 0.05f, &Explosions, false);
  while (!Pass(down, {&turret, &outOfReach})) continue;
  ASSERT_EQ(Explosions.size(), 2u);
  EXPECT_GT(Explosions[1]->Pos.y, Globals::GroundLevel);
  EXPECT_EQ(std::pair(turret.Shields, outOfReach.Shields), std::pair(80, 100));
}

// It flies right until it locks on the first live ship in its band, then turns towards it; the target shot down,
// it keeps its heading and locks on nothing else. With nothing in the band it flies straight and hits any ship.
TEST_F(Projectiles, MissileLocksOnTheFirstLiveShipInsideTheBand) {
  SizedShip edge(30, 300, 10, 10), dying(400, 300, 10, 10), chosen(500, 200, 10, 10), next(600, 300, 10, 10);
  dying.State = Dying;
  TBullet* bullet = new CMissile(100, 300, &Explosions, false);
  auto* missile = static_cast<CMissile*>(bullet);
  Pass(bullet, {&edge, &dying, &chosen, &next});
  EXPECT_TRUE(missile->TargetX == &chosen.Pos.x && next.DeadFlag == nullptr && missile->Pos.x == 104);
  missile->Update();
  EXPECT_TRUE(missile->Heading < -0.2f && missile->Heading > -0.3f) << missile->Heading;
  chosen.TakeDamage(100);
  const float heading = missile->Heading;
  chosen.Pos = CVector2(700, 500);
  next.Pos = CVector2(650, 100);
  for (int t = 0; t < 5; ++t) Pass(bullet, {&next});
  EXPECT_TRUE(missile->TargetLost && missile->Heading == heading && next.DeadFlag == nullptr);
  delete bullet;

  SizedShip outside(790, 300, 10, 10), inTheWay(150, 300, 20, 20);
  inTheWay.State = Dying;
  bullet = new CMissile(100, 300, &Explosions, true);
  for (int t = 0; t < 10; ++t) Pass(bullet, {&outside});
  EXPECT_TRUE(IsAt(bullet->Pos, 140, 300));
  for (int t = 0; t < 5 && bullet != nullptr; ++t) Pass(bullet, {&inTheWay});
  EXPECT_EQ(std::tuple(bullet, Explosions.size(), inTheWay.DeadFlag), std::tuple(nullptr, 1u, nullptr));
  // Under the sanitizers: a deleted missile is never told of its ship, and a missile whose lock was overwritten
  // keeps homing on a falling ship until the ship is removed.
  auto* ship = new SizedShip(400, 300, 10, 10);
  TBullet* first = new CMissile(100, 100, &Explosions, false);
  Pass(first, {ship});
  ASSERT_NE(ship->DeadFlag, nullptr);
  delete first;
  EXPECT_EQ(ship->DeadFlag, nullptr);
  auto* older = new CMissile(100, 100, &Explosions, false);
  auto* newer = new CMissile(100, 500, &Explosions, false);
  older->CheckCollision(ship);
  newer->CheckCollision(ship);
  EXPECT_EQ(ship->DeadFlag, &newer->TargetLost);
  ship->TakeDamage(100);
  EXPECT_EQ(std::pair(newer->TargetLost, older->TargetLost), std::pair(true, false));
  ship->Pos.y += 50;
  older->Update();
  EXPECT_GT(older->Heading, 0.5f) << "still turns after the falling ship";
  delete ship;
  EXPECT_TRUE(older->TargetLost && older->TargetX == nullptr && older->TargetY == nullptr && !newer->TargetX);
  const float held = older->Heading;
  older->Update();
  EXPECT_EQ(older->Heading, held);
  delete older;
  delete newer;
}

TEST_F(Projectiles, ExplosionDebrisLivesWhileAnyPieceIsAboveY800) {
  CExplosion explosion(400, 590, 3, 1.0f);
  int updates = 0;
  for (bool above = true; above; ++updates) {
    explosion.Update();
    above = false;
    for (int i = 0; i < explosion.NumTrails; ++i) above = above || explosion.Trails[i].Pos.y < 800;
    ASSERT_EQ(explosion.Dead, !above) << "update " << updates;
  }
}

}  // namespace
