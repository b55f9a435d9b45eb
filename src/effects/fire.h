// Visual effects of a mission: CParticle, one glowing speck; CFireTrail, a
// moving emitter that keeps re-emitting its particles (burning debris and the
// exhaust of rockets and missiles); CExplosion, an animated fireball that may
// throw out burning debris. Effects never touch game state.
#pragma once

#include <vector>

#include "shell/common.h"

class CGLSprite;

class CParticle {
 public:
  void Update();
  CVector2 Pos;
  CVector2 Vel;
  CVector2 Accel;
  float Life = 0.0f;
  float Decay = 0.0f;
  CGLSprite* Sprite = nullptr;
};

class CFireTrail {
 public:
  CFireTrail() = default;
  CFireTrail(CGLSprite* sprite, int count, CVector2 pos, CVector2 vel, CVector2 accel, float spread, float gravity);
  ~CFireTrail();
  CFireTrail(const CFireTrail&) = delete;
  CFireTrail& operator=(const CFireTrail&) = delete;

  void Set(CGLSprite* sprite, int count, CVector2 pos, CVector2 vel, CVector2 accel, float spread, float gravity);
  void Update();
  void Draw();

  CVector2 Pos;
  int NumParticles = 0;
  CVector2 Vel;
  CVector2 Accel;
  float Spread = 0.0f;
  float Gravity = 0.0f;
  CParticle* Particles = nullptr;
  CGLSprite* Sprite = nullptr;
};

class CExplosion {
 public:
  CExplosion(float x, float y, int trails, float size);
  ~CExplosion();
  CExplosion(const CExplosion&) = delete;
  CExplosion& operator=(const CExplosion&) = delete;

  void SetPos(CVector2 pos);
  void Update();
  void Draw();

  CVector2 Pos;
  bool Dead;
  float Frame;
  float Angle;
  float Size;
  int NumTrails;
  CFireTrail* Trails;

  static CGLSprite Sprites[15];
  static CGLSprite* FireSprite;
};

void LoadExplosionData();
void UnloadExplosionData();
