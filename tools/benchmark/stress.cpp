#include "stress.h"

#include "effects/fire.h"
#include "game/game.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "weapons/bullet.h"

namespace benchmark {

namespace {

// Ships that never leave the screen on their own: gliders (8) wander about
// the right half, hunters (9) keep after the player, escorts (10) hold their
// station. Ten sprite sets among them.
struct Kind {
  const char* File;
  int Behaviour;
};
constexpr Kind Roster[] = {
    {"data/ships/cruiser.txt", 8}, {"data/ships/minelayer.txt", 8},   {"data/ships/gunship.txt", 8},
    {"data/ships/bomber.txt", 8},  {"data/ships/saucer.txt", 8},      {"data/ships/hunter.txt", 9},
    {"data/ships/fighter.txt", 9}, {"data/ships/interceptor.txt", 9}, {"data/ships/escort.txt", 10},
    {"data/ships/beacon.txt", 10},
};
constexpr int RosterSize = sizeof Roster / sizeof Roster[0];

// Enough shields and rounds to outlast any run: the ships are hit all the
// time and fire all the time, but stay.
constexpr int Plenty = 1 << 28;

// The projectile mix, adding up to SceneProjectiles (ProjectileMix tells it).
enum ProjectileKind { Gun, Laser, Rocket, Missile, Mine, KindCount };
constexpr int Quota[KindCount] = {60, 40, 35, 35, 30};

ProjectileKind KindOf(TBullet* bullet) {
  if (dynamic_cast<CLaser*>(bullet) != nullptr) return Laser;
  if (dynamic_cast<CRocket*>(bullet) != nullptr) return Rocket;
  if (dynamic_cast<CMissile*>(bullet) != nullptr) return Missile;
  if (dynamic_cast<CMine*>(bullet) != nullptr) return Mine;
  // Guns, and the few beams the cruisers fire, fill the gun quota.
  return Gun;
}

// Half the projectiles are the player's, fired from the left into the
// enemies; the other half are the enemies', fired from the right at the
// player.
TBullet* MakeProjectile(ProjectileKind kind, CGame& game) {
  const bool hostile = Rand(0.0f, 1.0f) < 0.5f;
  const float x = hostile ? Rand(500.0f, 780.0f) : Rand(20.0f, 300.0f);
  const float y = Rand(30.0f, 450.0f);
  std::vector<CExplosion*>* explosions = &game.Explosions;
  switch (kind) {
    case Gun:
      return new CBulletMG(x, y, false, hostile);
    case Laser:
      return new CLaser(x, y, false, hostile);
    case Rocket:
      return new CRocket(x, y, hostile ? -0.1f : 0.1f, Rand(0.0f, 1.0f) < 0.5f ? 0.0f : 0.05f, explosions, hostile);
    case Missile:
      return new CMissile(x, y, explosions, hostile);
    default:
      // Mines lie anywhere; the player's among the gliding ships that sweep
      // them up.
      return new CMine(hostile ? Rand(20.0f, 780.0f) : Rand(300.0f, 780.0f), y, explosions, hostile);
  }
}

}  // namespace

const char* ProjectileMix() {
  return "60 gun rounds, 40 laser bolts, 35 rockets, 35 homing missiles, 30 mines, half of them the enemies'";
}

SceneCount CountScene(const CGame& game) {
  SceneCount count;
  count.Enemies = static_cast<int>(game.Enemies.size());
  count.Projectiles = static_cast<int>(game.Bullets.size());
  count.Explosions = static_cast<int>(game.Explosions.size());
  for (const CExplosion* explosion : game.Explosions) {
    if (explosion->NumTrails > 0) ++count.DebrisExplosions;
    for (int i = 0; i < explosion->NumTrails; ++i) count.Particles += explosion->Trails[i].NumParticles;
  }
  for (TBullet* bullet : game.Bullets) {
    if (const CRocket* rocket = dynamic_cast<const CRocket*>(bullet)) count.Particles += rocket->Trail.NumParticles;
    if (const CMissile* missile = dynamic_cast<const CMissile*>(bullet))
      count.Particles += missile->Trail.NumParticles;
  }
  return count;
}

StressScene::StressScene(CGame& game) : Game(game) { TopUp(); }

void StressScene::TopUp() {
  // The player may be shot down and comes back as it happens; the mission
  // never ends for want of lives.
  Game.Player->Lives = 3;
  TopUpEnemies();
  TopUpProjectiles();
  TopUpExplosions();
}

void StressScene::TopUpEnemies() {
  while (static_cast<int>(Game.Enemies.size()) < SceneEnemies) {
    const Kind& kind = Roster[NextShip];
    NextShip = (NextShip + 1) % RosterSize;
    const float x = kind.Behaviour == 10 ? Rand(100.0f, 700.0f) : Rand(350.0f, 780.0f);
    const float y = Rand(40.0f, 420.0f);
    CShipNPC* ship = new CShipNPC(x, y, kind.File, &Game.Explosions, &Game.Bullets, true, kind.Behaviour);
    ship->Shields = ship->MaxShields = Plenty;
    for (int& ammo : ship->Ammo) {
      if (ammo > 0) ammo = Plenty;
    }
    Game.Enemies.push_back(ship);
  }
}

void StressScene::TopUpProjectiles() {
  int live[KindCount] = {};
  for (TBullet* bullet : Game.Bullets) ++live[KindOf(bullet)];
  int total = static_cast<int>(Game.Bullets.size());
  // The enemies' own fire counts too. Mines they lay never leave, so over
  // strength the oldest of the kind furthest above its quota is taken away...
  while (total > SceneProjectiles) {
    int surplus = 0;
    for (int kind = 1; kind < KindCount; ++kind) {
      if (live[kind] - Quota[kind] > live[surplus] - Quota[surplus]) surplus = kind;
    }
    if (live[surplus] <= Quota[surplus]) break;
    for (size_t i = 0; i < Game.Bullets.size(); ++i) {
      if (KindOf(Game.Bullets[i]) != surplus) continue;
      delete Game.Bullets[i];
      Game.Bullets.erase(Game.Bullets.begin() + static_cast<long>(i));
      break;
    }
    --live[surplus];
    --total;
  }
  // ...and under strength the kind furthest below its quota is filled first,
  // so that the mix holds.
  for (; total < SceneProjectiles; ++total) {
    int neediest = 0;
    for (int kind = 1; kind < KindCount; ++kind) {
      if (Quota[kind] - live[kind] > Quota[neediest] - live[neediest]) neediest = kind;
    }
    Game.Bullets.push_back(MakeProjectile(static_cast<ProjectileKind>(neediest), Game));
    ++live[neediest];
  }
}

void StressScene::TopUpExplosions() {
  int debris = 0;
  for (const CExplosion* explosion : Game.Explosions) {
    if (explosion->NumTrails > 0) ++debris;
  }
  for (; debris < SceneDebrisExplosions; ++debris) {
    Game.Explosions.push_back(
        new CExplosion(Rand(50.0f, 750.0f), Rand(80.0f, 450.0f), 2 * Globals::GFXLevel, Rand(0.8f, 1.5f)));
  }
}

}  // namespace benchmark
