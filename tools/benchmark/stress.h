// The stress scene of the benchmark: a running mission kept topped up, tick
// by tick, with 30 enemy ships that stay on screen, about 200 projectiles of
// mixed kinds and 10 explosions throwing debris at the highest effect level.
#pragma once

#include <vector>

class CGame;

namespace benchmark {

constexpr int SceneEnemies = 30;
constexpr int SceneProjectiles = 200;
constexpr int SceneDebrisExplosions = 10;

// What the scene holds at one moment.
struct SceneCount {
  int Enemies = 0;
  int Projectiles = 0;
  int Explosions = 0;
  int DebrisExplosions = 0;
  int Particles = 0;
};

SceneCount CountScene(const CGame& game);

// The projectile mix the scene keeps, for the report.
const char* ProjectileMix();

class StressScene {
 public:
  explicit StressScene(CGame& game);

  // Brings the scene back up to strength before a tick: replaces ships that
  // left, fills the projectile kinds up to their quotas, throws new debris
  // explosions for those that have finished and keeps the player in play.
  void TopUp();

 private:
  void TopUpEnemies();
  void TopUpProjectiles();
  void TopUpExplosions();

  CGame& Game;
  int NextShip = 0;
};

}  // namespace benchmark
