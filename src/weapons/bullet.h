// Projectiles: TBullet is the contract every shot, bomb, rocket, mine,
// missile and beam keeps with the mission loop (Update once per tick,
// CheckCollision against each opposing ship, deleted once Dead). This unit
// also names the twelve weapons and loads the ordnance sprites.
#pragma once

#include <string>
#include <vector>

#include "effects/fire.h"
#include "shell/common.h"

class CExplosion;
class CGLSprite;
class TShip;

class TBullet {
 public:
  TBullet() = default;
  virtual ~TBullet() = default;
  TBullet(const TBullet&) = delete;
  TBullet& operator=(const TBullet&) = delete;

  virtual void Update() = 0;
  virtual void Draw() = 0;
  virtual void CheckCollision(TShip* ship) = 0;

  bool Dead = false;
  bool Hostile = false;
  CVector2 Pos;
  CVector2 Vel;
  CVector2 Accel;
  std::vector<CExplosion*>* Explosions = nullptr;
  // The `Serial` of the enemy ship that fired it, 0 for the player's fire. A
  // friend's shots start inside its own box and are tested against every
  // enemy: guns, beams, mines and missiles never hit or lock on the ship
  // that fired them.
  unsigned long long Firer = 0;

 protected:
  bool FiredBy(const TShip* ship) const;
  // The point-in-box test against the ship's current frame (strict edges).
  bool Hits(const TShip* ship) const;
  // The impact sound, panned by the projectile's x.
  void ImpactSound(int sample) const;
  // Appends an explosion at the projectile's position with its sound.
  void Explode(float size);
};

class CBulletMG : public TBullet {
 public:
  CBulletMG(float x, float y, bool upward, bool hostile);
  void Update() override;
  void Draw() override;
  void CheckCollision(TShip* ship) override;
  int Damage;
};

class CLaser : public CBulletMG {
 public:
  CLaser(float x, float y, bool upward, bool hostile);
  void Draw() override;
};

class CPlasmaBeam : public TBullet {
 public:
  CPlasmaBeam(float x, float y, std::vector<CExplosion*>* explosions, bool hostile);
  void Update() override;
  void Draw() override;
  void CheckCollision(TShip* ship) override;
  float Alpha;
  int Damage;
  bool Spent;
};

class CBomb : public TBullet {
 public:
  CBomb(float x, float y, CVector2 vel, std::vector<CExplosion*>* explosions, float size, bool hostile);
  void Update() override;
  void Draw() override;
  void CheckCollision(TShip* ship) override;
  float Size;
  float Angle;
  static CGLSprite* Sprite;
};

class CRocket : public TBullet {
 public:
  CRocket(float x, float y, float accX, float accY, std::vector<CExplosion*>* explosions, bool hostile);
  void Update() override;
  void Draw() override;
  void CheckCollision(TShip* ship) override;
  CFireTrail Trail;
  int Damage;
  float BlastRadius;
  static CGLSprite* Sprite;
};

class CMine : public TBullet {
 public:
  CMine(float x, float y, std::vector<CExplosion*>* explosions, bool hostile);
  void Update() override;
  void Draw() override;
  void CheckCollision(TShip* ship) override;
  int Damage;
  float Angle;
  static CGLSprite* Sprite;
};

class CMissile : public TBullet {
 public:
  CMissile(float x, float y, std::vector<CExplosion*>* explosions, bool hostile);
  ~CMissile() override;
  void Update() override;
  void Draw() override;
  void CheckCollision(TShip* ship) override;

  // Called by the target ship as it goes away: the missile loses its target
  // for good and never reads the ship again.
  void ForgetShip();

  CFireTrail Trail;
  int Damage;
  float Heading;
  float* TargetX;
  float* TargetY;
  bool TargetLost;
  static CGLSprite* Sprite;

 private:
  TShip* Target = nullptr;
};

void LoadWeaponData();
void UnloadWeaponData();
std::string GetWeaponName(int id);
