// Ship base rules, bomb blasts and the explosion/fire-trail life cycle:
// everything here needs no display.
#include <gtest/gtest.h>

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
class BareShip : public TShip {
 public:
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

// Shields fall, heal up to the maximum and kill at exactly zero; only a live
// ship takes damage or healing.
TEST(ShipDamage, ShieldsFollowDamageWhileTheShipLives) {
  const struct {
    int state, shields;
    std::vector<int> hits;
    int after, stateAfter;
  } cases[] = {
      {Alive, 10, {3}, 7, Alive},        {Alive, 10, {3, -50}, 10, Alive},  {Alive, 10, {9}, 1, Alive},
      {Alive, 10, {10}, 0, Dying},       {Alive, 10, {25}, 0, Dying},       {Dying, 5, {50, -3}, 5, Dying},
      {Finished, 5, {50, -3}, 5, Finished}, {Respawning, 5, {50, -3}, 5, Respawning},
  };
  for (const auto& c : cases) {
    BareShip ship;
    ship.Shields = c.shields;
    ship.State = c.state;
    for (int hit : c.hits) ship.TakeDamage(hit);
    EXPECT_TRUE(ship.Shields == c.after && ship.State == c.stateAfter) << c.state << " " << c.hits[0];
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

// A falling bomb never hits; at the ground it bursts into one explosion of
// its size whose blast takes twice the size's tenfold, truncated, from ships
// closer than its reach.
TEST(Bomb, BlastsAtTheGroundAndDriftsOffTheScreen) {
  srand(3);
  for (const auto& [size, damage, reach] : {std::tuple{0.5f, 10, 25}, {0.9f, 17, 45}, {1.3f, 25, 65}}) {
    Explosions explosions;
    CBomb bomb(400, Globals::GroundLevel, CVector2(-0.5f, -0.1f), &explosions, size, false);
    BareShip target(400, Globals::GroundLevel, 100);
    bomb.CheckCollision(&target);
    EXPECT_EQ(target.Shields, 100);
    bomb.Update();
    ASSERT_TRUE(bomb.Dead && explosions.size() == 1u);
    EXPECT_FLOAT_EQ(bomb.Pos.x, 400);
    EXPECT_TRUE(explosions[0]->Size == size && explosions[0]->NumTrails == 0);
    const float x = bomb.Pos.x, y = bomb.Pos.y;
    BareShip edge(x + reach, y, 100), inside(x - reach + 1, y + reach - 1, 100), below(x, y + reach, 100);
    for (BareShip* s : {&target, &edge, &inside, &below}) bomb.CheckCollision(s);
    EXPECT_EQ(target.Shields, 100 - damage) << size;
    EXPECT_TRUE(edge.Shields == 100 && inside.Shields == 100 - damage && below.Shields == 100) << size;
  }
  // Off the screen's left edge it keeps falling, tipping over to 90 degrees.
  Explosions explosions;
  CBomb drifting(10, -3000, CVector2(-2, 0), &explosions, 0.5f, false);
  drifting.Update();
  EXPECT_FLOAT_EQ(drifting.Pos.x, 8.5f);
  EXPECT_FLOAT_EQ(drifting.Angle, 0.5f);
  for (int i = 0; i < 250; ++i) drifting.Update();
  EXPECT_FLOAT_EQ(drifting.Angle, 90);
  while (!drifting.Dead) drifting.Update();
  EXPECT_LT(drifting.Pos.x, -300);
  EXPECT_EQ(explosions.size(), 1u);
}

TEST(Explosion, FireballLives38UpdatesAndDebrisFliesUp) {
  srand(5);
  CExplosion explosion(100, 200, 0, 0.6f);
  int lastShown = 0;
  for (int update = 1; update <= 37; ++update) {
    explosion.Update();
    ASSERT_FALSE(explosion.Dead) << "update " << update;
    const int shown = static_cast<int>(explosion.Frame);
    EXPECT_TRUE(shown == lastShown || shown == lastShown + 1);
    lastShown = shown;
  }
  EXPECT_EQ(lastShown, 14);
  explosion.Update();
  EXPECT_TRUE(explosion.Dead);

  CExplosion debris(300, 400, 2, 1.0f);
  for (int t = 0; t < 2; ++t) {
    const CFireTrail& trail = debris.Trails[t];
    EXPECT_TRUE(trail.Vel.y >= -4 && trail.Vel.y <= -2 && std::fabs(trail.Vel.x) <= 2) << trail.Vel.x << trail.Vel.y;
    EXPECT_TRUE(trail.NumParticles == 30 && trail.Particles[29].Pos.y == 400);
  }
}

// Particles start mid-life, die and come back at the moved emitter, which
// keeps emitting for ever; Set and deleting a projectile through its base
// release the old particles (checked by the sanitizer build).
TEST(FireTrail, ParticlesAreReEmittedAtTheMovedEmitter) {
  srand(7);
  CFireTrail trail(nullptr, 40, CVector2(50, 60), CVector2(1, 0), CVector2(0, 0.5f), 0.5f, 0.2f);
  for (int i = 0; i < 40; ++i) {
    const CParticle& p = trail.Particles[i];
    EXPECT_TRUE(std::fabs(p.Vel.x) <= 0.5f && std::fabs(p.Vel.y) <= 0.5f && p.Life >= 0 && p.Life <= 1) << i;
    EXPECT_TRUE(p.Decay >= 0.06f && p.Decay <= 0.08f && p.Accel.y == 0.2f) << i;
  }
  trail.Update();
  EXPECT_TRUE(trail.Pos.x == 51 && trail.Pos.y == 60.5f);
  int reborn = 0;
  for (int i = 0; i < 40; ++i) {
    const CParticle& p = trail.Particles[i];
    reborn += p.Life == 1.0f;
    EXPECT_TRUE(p.Life != 1.0f || (p.Pos.x == trail.Pos.x && p.Pos.y == trail.Pos.y)) << i;
  }
  EXPECT_GT(reborn, 0);
  trail.Vel = trail.Accel = CVector2();
  for (int tick = 0; tick < 1000; ++tick) trail.Update();
  for (int i = 0; i < 40; ++i) EXPECT_GE(trail.Particles[i].Life, 0.0f);
  trail.Set(nullptr, 5, CVector2(), CVector2(), CVector2(), 0.1f, 0);
  EXPECT_EQ(trail.NumParticles, 5);

  std::vector<TBullet*> bullets = {new CRocket(10, 10, 0.1f, 0, nullptr, false), new CMissile(10, 10, nullptr, true)};
  EXPECT_EQ(static_cast<CRocket*>(bullets[0])->Trail.NumParticles, 30);
  EXPECT_FLOAT_EQ(static_cast<CMissile*>(bullets[1])->Trail.Vel.x, -3);
  for (TBullet* b : bullets) delete b;
}

}  // namespace
