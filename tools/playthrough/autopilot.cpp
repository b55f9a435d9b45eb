#include "autopilot.h"

#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "game/game.h"
#include "graphics/gltwodee.h"
#include "powerups/powerup.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "weapons/bullet.h"

namespace playthrough {

namespace {

constexpr float ScreenW = 800;
constexpr float Floor = 450;
constexpr float GroundY = 550;
constexpr int Horizon = 48;
constexpr int Step = 3;

float HalfW(const TShip& ship) { return ship.Sprites[ship.Frame].W() / 2; }
float HalfH(const TShip& ship) { return ship.Sprites[ship.Frame].H() / 2; }

bool Stays(const CShipNPC& ship) { return ship.Behaviour >= 8 && ship.Behaviour <= 10; }

// One tick of the player's steering and movement, as the ship does it.
void Move(float& x, float& y, float& vx, float& vy, int v, int h, float halfW, float halfH) {
  const float acc = 0.09f, max = 5.0f;
  if (v > 0 && vy < max) {
    vy += acc;
  } else if (v < 0 && vy > -max) {
    vy -= acc;
  } else if (v == 0) {
    vy *= 0.97f;
  }
  if (h > 0 && vx < max) {
    vx += acc;
  } else if (h < 0 && vx > -max / 2) {
    vx -= acc;
  } else if (h == 0) {
    vx *= 0.97f;
  }
  if (x < halfW) x = halfW, vx = 0;
  if (x > ScreenW - halfW) x = ScreenW - halfW, vx = 0;
  if (y < halfH) y = halfH, vy = 0;
  if (y > Floor) y = Floor, vy = 0;
  x += vx;
  y += vy;
}

}  // namespace

void Autopilot::ReleaseKeys() {
  for (int k : {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_ALT, KEY_X, KEY_ESC, KEY_P}) key[k] = 0;
}

void Autopilot::CollectHazards(CGame& game) {
  Hazards.clear();
  BeamYs.clear();
  const CPlayerShip& player = *game.Player;
  const float margin = 7;
  for (TBullet* bullet : game.Bullets) {
    if (!bullet->Hostile || bullet->Dead) continue;
    if (typeid(*bullet) == typeid(CPlasmaBeam)) continue;
    Hazards.push_back({bullet->Pos.x, bullet->Pos.y, bullet->Vel.x, bullet->Vel.y, PlayerHalfW + margin,
                       PlayerHalfH + margin});
  }
  const bool visible = player.CloakTimer <= 0;
  for (CShipNPC* ship : game.Enemies) {
    if (ship->State != 0) continue;
    Hazards.push_back({ship->Pos.x, ship->Pos.y, ship->Vel.x, ship->Vel.y, PlayerHalfW + HalfW(*ship) + 6,
                       PlayerHalfH + HalfH(*ship) + 6});
    // A beam fires the instant it is ready: never sit in its line.
    if (visible && ship->Hostile && ship->Ammo[10] > 0 && ship->Reload[10] < 40 && ship->Pos.x > player.Pos.x) {
      BeamYs.push_back(ship->Pos.y);
    }
  }
}

float Autopilot::PlanCost(const CPlayerShip& player, const Plan& plan, float goalX, float goalY) const {
  float x = player.Pos.x, y = player.Pos.y, vx = player.Vel.x, vy = player.Vel.y;
  float cost = 0;
  std::vector<bool> struck(Hazards.size(), false);
  // While fading in the ship cannot be hurt, but the fade ends soon.
  const float harm = player.State == 4 && player.Fade < 0.7f ? 0.05f : 1.0f;
  for (int t = 1; t <= Horizon; ++t) {
    const int v = t <= plan.Hold ? plan.V : 0;
    const int h = t <= plan.Hold ? plan.H : 0;
    Move(x, y, vx, vy, v, h, PlayerHalfW, PlayerHalfH);
    if (t % Step != 0 && t > 6) continue;
    const float urgency = 1.0f - static_cast<float>(t) / (2 * Horizon);
    for (size_t i = 0; i < Hazards.size(); ++i) {
      if (struck[i]) continue;
      const Hazard& hz = Hazards[i];
      const float dx = std::fabs(hz.X + hz.VX * t - x), dy = std::fabs(hz.Y + hz.VY * t - y);
      if (dx < hz.HalfW && dy < hz.HalfH) {
        cost += 1000 * urgency * harm;
        struck[i] = true;
      } else if (dx < hz.HalfW + 15 && dy < hz.HalfH + 15) {
        cost += 5 * urgency * harm;
      }
    }
    for (float beam : BeamYs) {
      if (std::fabs(beam - y) < PlayerHalfH + 10) cost += 40 * harm;
    }
  }
  cost += std::fabs(x - goalX) * 0.6f + std::fabs(y - goalY) * 2.0f;
  return cost;
}

void Autopilot::ChooseTarget(CGame& game) {
  const CPlayerShip& player = *game.Player;
  Target = nullptr;
  GroundTarget = false;
  bool ordnance = false;
  for (int w : {3, 4, 5, 7}) {
    ordnance |= player.Ammo[w] > 0 && std::find(Banned.begin(), Banned.end(), w) == Banned.end();
  }
  float best = 1e9f;
  for (CShipNPC* ship : game.Enemies) {
    if (ship->State != 0 || !ship->Hostile) continue;
    if (ship->Ground) {
      if (!ordnance || ship->Pos.x < player.Pos.x + 20 || ship->Pos.x > ScreenW + 60) continue;
      const float score = ship->Pos.x - player.Pos.x + 150;
      if (score < best) best = score, Target = ship, GroundTarget = true;
      continue;
    }
    if (ship->Pos.x < player.Pos.x + 40 || ship->Pos.x > ScreenW + 10) continue;
    float score = (ship->Pos.x - player.Pos.x) * 0.5f + std::fabs(ship->Pos.y - player.Pos.y);
    if (Stays(*ship)) score -= 150;
    if (score < best) best = score, Target = ship, GroundTarget = false;
  }

  GoalX = 140;
  GoalY = player.Pos.y;
  if (!Fire) {
    // A pilot that does not shoot has no reason to line up with anyone.
    GoalY = 220;
  } else if (Target != nullptr && GroundTarget) {
    // Bombing height: above the reach of most ground fire.
    GoalY = 330;
    GoalX = std::clamp(Target->Pos.x - 130, 60.0f, 600.0f);
  } else if (Target != nullptr) {
    const float dx = Target->Pos.x - player.Pos.x;
    GoalY = std::clamp(Target->Pos.y + Target->Vel.y * dx / 9, PlayerHalfH, Floor);
    GoalX = std::clamp(Target->Pos.x - 400, 80.0f, 200.0f);
  }
  // Power-ups worth a detour.
  for (CPowerup* powerup : game.Powerups) {
    if (powerup->Timer != 0 || powerup->Pos.x < player.Pos.x - 10 || powerup->Pos.x > ScreenW) continue;
    if (powerup->Type == 3 && player.Shields >= player.MaxShields) continue;
    if (powerup->Pos.x - player.Pos.x < 350) {
      GoalX = powerup->Pos.x;
      GoalY = std::min(powerup->Pos.y, Floor);
      break;
    }
  }
}

bool Autopilot::FriendInLine(CGame& game, float y, float half) const {
  const CPlayerShip& player = *game.Player;
  for (CShipNPC* ship : game.Enemies) {
    if (ship->Hostile || ship->State != 0 || ship->Pos.x < player.Pos.x) continue;
    if (std::fabs(ship->Pos.y - y) < HalfH(*ship) + half) return true;
  }
  return false;
}

int Autopilot::ChooseWeapon(CGame& game) {
  const CPlayerShip& player = *game.Player;
  auto has = [&](int w) {
    return player.Ammo[w] > 0 && std::find(Banned.begin(), Banned.end(), w) == Banned.end();
  };
  auto first = [&](std::initializer_list<int> order) {
    for (int w : order) {
      if (has(w)) return w;
    }
    return -1;
  };

  // Heavy fire, or a beam on the field: cloak.
  int incoming = 0;
  for (TBullet* bullet : game.Bullets) {
    if (bullet->Hostile && bullet->Pos.x > player.Pos.x && bullet->Pos.x - player.Pos.x < 400) ++incoming;
  }
  if (has(11) && player.CloakTimer <= 0 && (incoming >= 6 || !BeamYs.empty())) return 11;

  if (Target == nullptr) return -1;
  if (GroundTarget) {
    return Target->MaxShields >= 18 ? first({5, 4, 7, 3}) : first({3, 4, 7, 5});
  }
  int inLine = 0;
  for (CShipNPC* ship : game.Enemies) {
    if (ship->Hostile && ship->State == 0 && ship->Pos.x > player.Pos.x &&
        std::fabs(ship->Pos.y - player.Pos.y) < HalfH(*ship)) {
      ++inLine;
    }
  }
  if (has(10) && (inLine >= 2 || Target->MaxShields >= 50)) return 10;
  if (Stays(*Target) || Target->MaxShields >= 20) {
    const int w = first({9, 2, 1, 0, 6, 8});
    if (w >= 0) return w;
  }
  return first({2, 1, 0, 6, 9, 10, 8});
}

bool Autopilot::BombWillHit(CGame& game, int weapon) const {
  const CPlayerShip& player = *game.Player;
  float x = player.Pos.x, y = player.Pos.y, vx, vy, ax, ay;
  float reach;
  if (weapon == 7) {
    y += 15, vx = 0, vy = 1, ax = 0.1f, ay = 0.05f, reach = 22;
  } else {
    const float size = weapon == 3 ? 0.5f : weapon == 4 ? 0.9f : 1.3f;
    vx = player.Vel.x + 0.5f, vy = player.Vel.y, ax = 0, ay = 0.1f, reach = 50 * size * 0.7f;
  }
  int t = 0;
  while (y < GroundY && t < 400) {
    vx += ax;
    vy += ay;
    if (vx > 7 && weapon == 7) vx = 7;
    x += vx;
    y += vy;
    ++t;
    if (weapon == 7 && (x > ScreenW || x < 0)) return false;
  }
  for (CShipNPC* ship : game.Enemies) {
    if (!ship->Ground || !ship->Hostile || ship->State != 0) continue;
    const float shipX = ship->Pos.x + ship->Vel.x * t;
    if (std::fabs(shipX - x) < reach) return true;
  }
  return false;
}

bool Autopilot::ShouldFire(CGame& game, int weapon) {
  const CPlayerShip& player = *game.Player;
  if (weapon == 11) return player.CloakTimer <= 0;
  if (Target == nullptr) return false;
  switch (weapon) {
    case 3:
    case 4:
    case 5:
    case 7:
      return BombWillHit(game, weapon);
    case 9: {
      // The missile locks onto the first live ship inside the band: never a
      // friend.
      for (CShipNPC* ship : game.Enemies) {
        if (ship->State == 0 && ship->Pos.x > 30 && ship->Pos.x < ScreenW - 30) return ship->Hostile;
      }
      return false;
    }
    case 8:
      return std::fabs(Target->Pos.y - player.Pos.y) < 25 && Target->Vel.x < 0 &&
             Target->Pos.x - player.Pos.x < 250;
    default: {
      if (GroundTarget) return false;
      const float dx = Target->Pos.x - player.Pos.x;
      const float speed = weapon == 1 ? 10 : weapon == 10 ? 1e6f : 8;
      const float ty = Target->Pos.y + Target->Vel.y * dx / speed;
      const float half = HalfH(*Target) + (weapon == 2 ? 8 : 0) - 2;
      if (FriendInLine(game, player.Pos.y, 8)) return false;
      if (weapon == 6) return std::fabs(ty - (player.Pos.y + 25)) < half;
      return std::fabs(ty - player.Pos.y) < half;
    }
  }
}

void Autopilot::SelectWeapon(CPlayerShip& player, int weapon) {
  if (weapon < 0 || player.Weapon == weapon) {
    NextPressed = false;
    return;
  }
  // One press per step; the key must be let go in between.
  NextPressed = !NextPressed;
  key[player.KeyNextWeapon] = NextPressed ? 1 : 0;
}

void Autopilot::Steer(CGame& game) {
  ReleaseKeys();
  CPlayerShip& player = *game.Player;
  ++Tick;
  if (player.State == 1 || player.State == 3) return;
  PlayerHalfW = player.Sprites[3].W() / 2;
  PlayerHalfH = player.Sprites[3].H() / 2;

  CollectHazards(game);
  ChooseTarget(game);

  if (Fire) {
    // Keep a choice for a while unless it runs dry, so cycling pays off.
    if (WantedHold > 0) --WantedHold;
    if (Wanted < 0 || WantedHold == 0 || player.Ammo[Wanted] <= 0) {
      Wanted = ChooseWeapon(game);
      WantedHold = 40;
    }
    SelectWeapon(player, Wanted);
    if (player.Weapon == Wanted && Wanted >= 0 && player.Reload[Wanted] < 1 && ShouldFire(game, Wanted)) {
      key[player.KeyFire] = 1;
      if (Wanted == 11) WantedHold = 0;
    }
  }

  static const Plan plans[] = {
      {-1, -1, 48}, {-1, 0, 48}, {-1, 1, 48}, {0, -1, 48}, {0, 0, 48}, {0, 1, 48}, {1, -1, 48}, {1, 0, 48},
      {1, 1, 48},   {-1, -1, 12}, {-1, 0, 12}, {-1, 1, 12}, {0, -1, 12}, {0, 1, 12}, {1, -1, 12}, {1, 0, 12},
      {1, 1, 12},   {-1, 0, 4},  {1, 0, 4},   {0, -1, 4},  {0, 1, 4},   {-1, -1, 4}, {1, 1, 4},   {-1, 1, 4},
      {1, -1, 4}};
  // A slower pilot keeps its keys between decisions.
  if (Chosen == nullptr || Tick % Reaction == 0) {
    Chosen = &plans[4];
    float bestCost = 1e30f;
    for (const Plan& plan : plans) {
      const float cost = PlanCost(player, plan, GoalX, GoalY);
      if (cost < bestCost) bestCost = cost, Chosen = &plan;
    }
  }
  const Plan* best = Chosen;
  if (best->V < 0) key[player.KeyUp] = 1;
  if (best->V > 0) key[player.KeyDown] = 1;
  if (best->H < 0) key[player.KeyLeft] = 1;
  if (best->H > 0) key[player.KeyRight] = 1;
}

}  // namespace playthrough
