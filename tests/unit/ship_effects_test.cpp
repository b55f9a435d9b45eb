#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "effects/fire.h"
#include "ships/ship.h"
#include "weapons/bullet.h"

namespace {

// A ship without sprites: its collision box is a point.
struct BareShip : TShip {
  explicit BareShip(float x = 400, float y = 300, int shields = 10) : TShip(x, y, nullptr) {
    Shields = MaxShields = shields;
  }
  void Draw() override {}
};

// Shields fall and kill at exactly zero, where they stay; the kill and the ship's end raise its flag.
TEST(ShipDamage, ShieldsFallToZeroAndTheEndRaisesTheFlag) {
  for (const auto& [hit, after, state] : {std::tuple{9, 1, Alive}, {10, 0, Dying}, {25, 0, Dying}}) {
    bool lost = false;
    {
      BareShip ship;
      ship.DeadFlag = &lost;
      ship.TakeDamage(hit);
      EXPECT_TRUE(ship.Shields == after && ship.State == state && lost == (state == Dying)) << hit;
    }
    EXPECT_TRUE(lost);
  }
}

// A falling bomb never hits; at the ground it bursts into one explosion of its size whose blast takes twice the
// size's tenfold, truncated, from ships closer than its reach. Far off the left edge it tips nose down and bursts.
TEST(Bomb, BlastsAtTheGroundAndDriftsOffTheScreen) {
  srand(3);
  std::vector<CExplosion*> explosions;
  CBomb bomb(400, Globals::GroundLevel, CVector2(-0.5f, -0.1f), &explosions, 0.9f, false);
  BareShip target(400, Globals::GroundLevel, 100);
  bomb.CheckCollision(&target);
  EXPECT_EQ(target.Shields, 100);
  bomb.Update();
  ASSERT_TRUE(bomb.Dead && explosions.size() == 1u && bomb.Pos.x == 400);
  EXPECT_TRUE(explosions[0]->Size == 0.9f && explosions[0]->NumTrails == 0);
  const float x = bomb.Pos.x, y = bomb.Pos.y;
  BareShip edge(x + 45, y, 100), inside(x - 44, y + 44, 100), below(x, y + 45, 100);
  for (BareShip* s : {&target, &edge, &inside, &below}) bomb.CheckCollision(s);
  EXPECT_TRUE(target.Shields == 83 && inside.Shields == 83 && edge.Shields == 100 && below.Shields == 100);
  CBomb drifting(10, -3000, CVector2(-2, 0), &explosions, 0.5f, false);
  while (!drifting.Dead) drifting.Update();
  EXPECT_TRUE(drifting.Angle == 90 && drifting.Pos.x < -300 && explosions.size() == 2u) << drifting.Angle;
  for (CExplosion* e : explosions) delete e;
}

// The fireball lives 38 updates, showing its 15 frames in turn; debris flies up trailing fire.
TEST(Explosion, FireballLives38UpdatesAndFireTrailsEmitForEver) {
  srand(5);
  CExplosion explosion(100, 200, 0, 0.6f), debris(300, 400, 20, 1.0f);
  for (int update = 1; update < 38; ++update) explosion.Update();
  EXPECT_TRUE(!explosion.Dead && static_cast<int>(explosion.Frame) == 14) << explosion.Frame;
  explosion.Update();
  EXPECT_TRUE(explosion.Dead);
  for (const CFireTrail* t = debris.Trails; t < debris.Trails + 20; ++t)
    EXPECT_TRUE(t->Vel.y >= -4 && t->Vel.y <= -2 && std::fabs(t->Vel.x) <= 2 && t->Particles[29].Pos.y == 400);
  // Particles start mid-life, die and come back at the moved emitter; Set frees the old ones (sanitizer build).
  CFireTrail trail(nullptr, 40, CVector2(50, 60), CVector2(1, 0), CVector2(0, 0.5f), 0.5f, 0.2f);
  for (const CParticle* p = trail.Particles; p < trail.Particles + 40; ++p) {
    EXPECT_TRUE(std::fabs(p->Vel.x) <= 0.5f && std::fabs(p->Vel.y) <= 0.5f && p->Life >= 0 && p->Life <= 1 &&
                p->Decay >= 0.06f && p->Decay <= 0.08f && p->Accel.y == 0.2f);
  }
  trail.Update();
  EXPECT_TRUE(trail.Pos.x == 51 && trail.Pos.y == 60.5f);
  int reborn = 0;
  for (const CParticle* p = trail.Particles; p < trail.Particles + 40; ++p) reborn += p->Life == 1 && p->Pos.x == 51;
  EXPECT_GT(reborn, 0);
  trail.Set(nullptr, 5, CVector2(), CVector2(), CVector2(), 0.1f, 0);
}

}  // namespace
