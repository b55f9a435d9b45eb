// Ship base rules, bomb blasts and the explosion/fire-trail life cycle: everything here needs no display.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "effects/fire.h"
#include "ships/ship.h"
#include "weapons/bullet.h"

namespace {

// A ship without sprites: its collision box is empty.
class BareShip : public TShip {
 public:
  explicit BareShip(float x = 400, float y = 300, int shields = 10) : TShip(x, y, nullptr) {
    Shields = MaxShields = shields;
  }
  ~BareShip() = default;
  void Draw() override {}
};

// Sends the log into a scratch file for the life of the object.
class LogCapture {
 public:
  LogCapture() : path_(testing::TempDir() + "ship_log.txt") {
    Globals::LogFile.close();
    Globals::LogFile.clear();
    Globals::LogFile.open(path_, std::ios::trunc);
  }
  ~LogCapture() {
    Globals::LogFile.close();
    std::remove(path_.c_str());
  }
  std::string Text() const {
    std::ifstream in(path_);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

 private:
  std::string path_;
};

void DeleteAll(std::vector<CExplosion*>& explosions) {
  for (CExplosion* e : explosions) delete e;
  explosions.clear();
}

}  // namespace

TEST(ShipDamage, ShieldsFallCapAtMaximumAndKillAtExactlyZero) {
  BareShip ship;
  ship.TakeDamage(3);
  EXPECT_EQ(ship.Shields, 7);
  ship.TakeDamage(-50);
  EXPECT_EQ(ship.Shields, 10);
  ship.TakeDamage(10);
  EXPECT_EQ(ship.State, Dying);

  BareShip overkill;
  overkill.TakeDamage(25);
  EXPECT_EQ(overkill.Shields, 0);
  EXPECT_EQ(overkill.State, Dying);
}

TEST(ShipDamage, OnlyALiveShipTakesDamageOrHealing) {
  for (int state : {Dying, Finished, Respawning}) {
    BareShip ship(400, 300, 10);
    ship.Shields = 5;
    ship.State = state;
    ship.TakeDamage(50);
    ship.TakeDamage(-3);
    EXPECT_EQ(ship.Shields, 5) << "state " << state;
    EXPECT_EQ(ship.State, state);
  }
}

TEST(ShipDamage, DeathAndDestructionSetTheDesignatedFlagAndLogIt) {
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
  EXPECT_TRUE(lost);
  { BareShip quiet; }
  EXPECT_EQ(log.Text(), "Ship destructor...\nIsDead thing...\nShip destructor...\n");
}

TEST(Bomb, BlastDamageIsTheTruncatedDoubleProduct) {
  const struct {
    float size;
    int damage;
  } bombs[] = {{0.5f, 10}, {0.9f, 17}, {1.3f, 25}};
  srand(3);
  for (const auto& b : bombs) {
    std::vector<CExplosion*> explosions;
    CBomb bomb(400, Globals::GroundLevel, CVector2(-0.5f, -0.1f), &explosions, b.size, false);
    BareShip target(400, Globals::GroundLevel, 100);
    bomb.CheckCollision(&target);
    EXPECT_EQ(target.Shields, 100) << "a falling bomb never hits";
    bomb.Update();
    ASSERT_TRUE(bomb.Dead);
    ASSERT_EQ(explosions.size(), 1u);
    EXPECT_EQ(explosions[0]->Size, b.size);
    EXPECT_EQ(explosions[0]->NumTrails, 0);
    bomb.CheckCollision(&target);
    EXPECT_EQ(target.Shields, 100 - b.damage) << "size " << b.size;
    DeleteAll(explosions);
  }
}

TEST(Bomb, HeavyBlastReachesUnder65PixelsAndDriftsWithTheShip) {
  std::vector<CExplosion*> explosions;
  srand(4);
  CBomb bomb(400, Globals::GroundLevel, CVector2(-0.5f, -0.1f), &explosions, 1.3f, false);
  bomb.Update();
  ASSERT_TRUE(bomb.Dead);
  EXPECT_FLOAT_EQ(bomb.Pos.x, 400);
  BareShip edge(bomb.Pos.x + 65, bomb.Pos.y, 100);
  BareShip inside(bomb.Pos.x - 64, bomb.Pos.y + 64, 100);
  BareShip below(bomb.Pos.x, bomb.Pos.y + 65, 100);
  for (BareShip* s : {&edge, &inside, &below}) bomb.CheckCollision(s);
  EXPECT_EQ(edge.Shields, 100);
  EXPECT_EQ(inside.Shields, 75);
  EXPECT_EQ(below.Shields, 100);
  DeleteAll(explosions);

  // Off the screen's left edge it keeps falling, tipping over to 90 degrees.
  CBomb drifting(10, -3000, CVector2(-2, 0), &explosions, 0.5f, false);
  drifting.Update();
  EXPECT_FLOAT_EQ(drifting.Pos.x, 8.5f);
  EXPECT_FLOAT_EQ(drifting.Angle, 0.5f);
  for (int i = 0; i < 250; ++i) drifting.Update();
  EXPECT_FLOAT_EQ(drifting.Angle, 90);
  EXPECT_FALSE(drifting.Dead);
  while (!drifting.Dead) drifting.Update();
  EXPECT_LT(drifting.Pos.x, -300);
  EXPECT_EQ(explosions.size(), 1u);
  DeleteAll(explosions);
}

TEST(Explosion, PlainFireballLives38UpdatesThroughAllFifteenFrames) {
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
}

TEST(Explosion, DebrisIsThrownUpwardFromTheCentre) {
  srand(6);
  CExplosion explosion(300, 400, 2, 1.0f);
  for (int t = 0; t < 2; ++t) {
    const CFireTrail& trail = explosion.Trails[t];
    EXPECT_TRUE(trail.Vel.y >= -4 && trail.Vel.y <= -2) << trail.Vel.y;
    EXPECT_TRUE(trail.Vel.x >= -2 && trail.Vel.x <= 2) << trail.Vel.x;
    EXPECT_EQ(trail.NumParticles, 30);
    EXPECT_EQ(trail.Particles[29].Pos.y, 400);
  }
}

TEST(FireTrail, ParticlesStartMidLifeAndAreReEmittedAtTheMovedEmitter) {
  srand(7);
  CFireTrail trail(nullptr, 40, CVector2(50, 60), CVector2(1, 0), CVector2(0, 0.5f), 0.5f, 0.2f);
  srand(7);
  for (int i = 0; i < 40; ++i) {
    const float vy = Rand(-0.5f, 0.5f);
    const float vx = Rand(-0.5f, 0.5f);
    const float life = Rand(0, 1);
    const float decay = Rand(0.06f, 0.08f);
    const CParticle& p = trail.Particles[i];
    ASSERT_EQ(p.Vel.y, vy);
    ASSERT_EQ(p.Vel.x, vx);
    ASSERT_EQ(p.Life, life);
    ASSERT_EQ(p.Decay, decay);
    ASSERT_FLOAT_EQ(p.Accel.y, 0.2f);
  }
  // Some young particles die at once and come back at the emitter.
  trail.Update();
  EXPECT_FLOAT_EQ(trail.Pos.x, 51);
  EXPECT_FLOAT_EQ(trail.Pos.y, 60.5f);
  int reborn = 0;
  for (int i = 0; i < 40; ++i) {
    const CParticle& p = trail.Particles[i];
    if (p.Life == 1.0f) {
      ++reborn;
      EXPECT_TRUE(p.Pos.x == trail.Pos.x && p.Pos.y == trail.Pos.y) << i;
    }
  }
  EXPECT_GT(reborn, 0);

  // A still emitter keeps emitting for ever.
  trail.Vel = CVector2();
  trail.Accel = CVector2();
  for (int tick = 0; tick < 1000; ++tick) trail.Update();
  for (int i = 0; i < 40; ++i) EXPECT_GE(trail.Particles[i].Life, 0.0f);

  // Set again releases the old particles (checked by the sanitizer build).
  trail.Set(nullptr, 5, CVector2(), CVector2(), CVector2(), 0.1f, 0);
  EXPECT_EQ(trail.NumParticles, 5);
}

TEST(Projectiles, DeletingThroughTheBaseReleasesTheTrail) {
  srand(8);
  std::vector<TBullet*> bullets = {new CRocket(10, 10, 0.1f, 0, nullptr, false),
                                   new CMissile(10, 10, nullptr, true)};
  EXPECT_EQ(static_cast<CRocket*>(bullets[0])->Trail.NumParticles, 30);
  EXPECT_FLOAT_EQ(static_cast<CMissile*>(bullets[1])->Trail.Vel.x, -3);
  for (TBullet* b : bullets) delete b;
}
