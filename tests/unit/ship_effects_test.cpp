// Ship base rules, bomb blasts and the explosion/fire-trail life cycle: no display needed.
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "effects/fire.h"
#include "ships/ship.h"
#include "unit/support.h"
#include "weapons/bullet.h"

namespace {

// A ship without sprites: its collision box is empty.
struct BareShip : TShip {
  explicit BareShip(float x = 400, float y = 300, int shields = 10) : TShip(x, y, nullptr) {
    Shields = MaxShields = shields;
  }
  void Draw() override {}
};

struct Explosions : std::vector<CExplosion*> {
  ~Explosions() {
    for (CExplosion* e : *this) delete e;
  }
};

// Shields fall, heal up to the maximum and kill at exactly zero; only a live ship takes damage or healing.
TEST(ShipDamage, ShieldsFollowDamageWhileTheShipLives) {
  const std::tuple<int, std::vector<int>, int, int> cases[] = {
      {Alive, {3, -50}, 10, Alive}, {Alive, {9}, 1, Alive},       {Alive, {10}, 0, Dying},
      {Alive, {25}, 0, Dying},      {Dying, {50, -3}, 10, Dying}, {Finished, {50, -3}, 10, Finished},
      {Respawning, {50, -3}, 10, Respawning},
  };
  for (const auto& [state, hits, after, stateAfter] : cases) {
    BareShip ship;
    ship.State = state;
    for (int hit : hits) ship.TakeDamage(hit);
    EXPECT_TRUE(ship.Shields == after && ship.State == stateAfter) << state << " " << hits[0];
  }
  LogCapture log;
  bool lost = false;
  {
    BareShip ship;
    ship.DeadFlag = &lost;
    ship.TakeDamage(9);
    EXPECT_FALSE(lost);
    ship.TakeDamage(1);
    EXPECT_TRUE(lost);
    lost = false;
  }
  EXPECT_TRUE(lost);  // destroyed, the ship sets its flag too
  { BareShip quiet; }
  EXPECT_EQ(log.Text(), "Ship destructor...\nIsDead thing...\nShip destructor...\n");
}

// A falling bomb never hits; at the ground it bursts into one explosion of its size whose blast takes
// twice the size's tenfold, truncated, from ships closer than its reach. Off the left edge it tips over.
TEST(Bomb, BlastsAtTheGroundAndDriftsOffTheScreen) {
  srand(3);
  for (const auto& [size, damage, reach] : {std::tuple{0.5f, 10, 25}, {0.9f, 17, 45}}) {
    Explosions explosions;
    CBomb bomb(400, Globals::GroundLevel, CVector2(-0.5f, -0.1f), &explosions, size, false);
    BareShip target(400, Globals::GroundLevel, 100);
    bomb.CheckCollision(&target);
    EXPECT_EQ(target.Shields, 100);
    bomb.Update();
    ASSERT_TRUE(bomb.Dead && explosions.size() == 1u && bomb.Pos.x == 400);
    EXPECT_TRUE(explosions[0]->Size == size && explosions[0]->NumTrails == 0);
    const float x = bomb.Pos.x, y = bomb.Pos.y;
    BareShip edge(x + reach, y, 100), inside(x - reach + 1, y + reach - 1, 100), below(x, y + reach, 100);
    for (BareShip* s : {&target, &edge, &inside, &below}) bomb.CheckCollision(s);
    EXPECT_TRUE(target.Shields == 100 - damage && inside.Shields == 100 - damage) << size;
    EXPECT_TRUE(edge.Shields == 100 && below.Shields == 100) << size;
  }
  Explosions explosions;
  CBomb drifting(10, -3000, CVector2(-2, 0), &explosions, 0.5f, false);
  drifting.Update();
  EXPECT_TRUE(drifting.Pos.x == 8.5f && drifting.Angle == 0.5f) << drifting.Pos.x << " " << drifting.Angle;
  for (int i = 0; i < 250; ++i) drifting.Update();
  EXPECT_FLOAT_EQ(drifting.Angle, 90);
  while (!drifting.Dead) drifting.Update();
  EXPECT_TRUE(drifting.Pos.x < -300 && explosions.size() == 1u);
}

// The fireball lives 38 updates, showing its 15 frames in turn; debris flies up trailing fire.
TEST(Explosion, FireballLives38UpdatesAndItsFireTrailsEmitForEver) {
  srand(5);
  CExplosion explosion(100, 200, 0, 0.6f), debris(300, 400, 2, 1.0f);
  for (int update = 1; update < 38; ++update) explosion.Update();
  EXPECT_TRUE(!explosion.Dead && static_cast<int>(explosion.Frame) == 14) << explosion.Frame;
  explosion.Update();
  EXPECT_TRUE(explosion.Dead);
  for (const CFireTrail* t = debris.Trails; t < debris.Trails + 2; ++t) {
    EXPECT_TRUE(t->Vel.y >= -4 && t->Vel.y <= -2 && std::fabs(t->Vel.x) <= 2 && t->NumParticles == 30);
    EXPECT_EQ(t->Particles[29].Pos.y, 400);
  }
  // Particles start mid-life, die and come back at the moved emitter, which keeps emitting for ever; Set and
  // deleting a projectile through its base release the old particles (checked by the sanitizer build).
  CFireTrail trail(nullptr, 40, CVector2(50, 60), CVector2(1, 0), CVector2(0, 0.5f), 0.5f, 0.2f);
  for (const CParticle* p = trail.Particles; p < trail.Particles + 40; ++p) {
    EXPECT_TRUE(std::fabs(p->Vel.x) <= 0.5f && std::fabs(p->Vel.y) <= 0.5f && p->Life >= 0 && p->Life <= 1);
    EXPECT_TRUE(p->Decay >= 0.06f && p->Decay <= 0.08f && p->Accel.y == 0.2f) << p->Decay;
  }
  trail.Update();
  EXPECT_TRUE(trail.Pos.x == 51 && trail.Pos.y == 60.5f);
  int reborn = 0;
  for (const CParticle* p = trail.Particles; p < trail.Particles + 40; ++p) {
    reborn += p->Life == 1.0f;
    EXPECT_TRUE(p->Life != 1.0f || (p->Pos.x == trail.Pos.x && p->Pos.y == trail.Pos.y));
  }
  EXPECT_GT(reborn, 0);
  trail.Vel = trail.Accel = CVector2();
  for (int tick = 0; tick < 1000; ++tick) trail.Update();
  for (int i = 0; i < 40; ++i) EXPECT_GE(trail.Particles[i].Life, 0.0f);
  trail.Set(nullptr, 5, CVector2(), CVector2(), CVector2(), 0.1f, 0);
  EXPECT_EQ(trail.NumParticles, 5);
  CRocket* rocket = new CRocket(10, 10, 0.1f, 0, nullptr, false);
  CMissile* missile = new CMissile(10, 10, nullptr, true);
  EXPECT_TRUE(rocket->Trail.NumParticles == 30 && missile->Trail.Vel.x == -3);
  for (TBullet* b : {static_cast<TBullet*>(rocket), static_cast<TBullet*>(missile)}) delete b;
}

}  // namespace
