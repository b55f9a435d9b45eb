// TShip is the base of every ship in a mission, the player's and the
// enemies': position and velocity, the sprite frame that doubles as the
// collision box, shields and the life-cycle state, per-weapon ammunition and
// reload counters, handling constants, and TakeDamage, the one rule for
// damage and healing. It also keeps the links of homing missiles locked on
// it, so it can tell them when it dies or goes away and never writes into a
// missile that no longer exists.
#pragma once

#include <vector>

#include "shell/common.h"

class CExplosion;
class CGLSprite;
class CMissile;

enum ShipState { Alive = 0, Dying = 1, Finished = 3, Respawning = 4 };

class TShip {
 public:
  TShip(float x, float y, std::vector<CExplosion*>* explosions);
  TShip(const TShip&) = delete;
  TShip& operator=(const TShip&) = delete;

  virtual void Draw() = 0;
  virtual void TakeDamage(int amount);

  // Missile locks: the last missile to lock on is the one DeadFlag designates.
  void Lock(CMissile* missile);
  // A missile going away withdraws its lock.
  void Unlock(CMissile* missile);

  // Width and height of the current frame: the collision box.
  float BoxW() const;
  float BoxH() const;

  CVector2 Pos;
  CVector2 Vel;
  CGLSprite* Sprites = nullptr;
  int Frame = 3;
  int Shields = 0;
  int MaxShields = 0;
  int State = Alive;
  bool* DeadFlag = nullptr;
  int CloakTimer = 0;
  float Angle = 0.0f;
  int Ammo[12] = {};
  int Weapon = 0;
  float Acc = 0.0f;
  float MaxSpeed = 0.0f;
  std::vector<CExplosion*>* Explosions;
  int Reload[12] = {};
  // No two ships of a run share it, even when one takes the memory of a ship
  // already deleted: projectiles keep it to know which ship fired them.
  const unsigned long long Serial;

 protected:
  // Owners delete ships through their own type.
  ~TShip();

 private:
  std::vector<CMissile*> Lockers;
};
