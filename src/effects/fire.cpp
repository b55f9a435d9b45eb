#include "effects/fire.h"

#include <allegro.h>

#include "graphics/gltwodee.h"

CGLSprite CExplosion::Sprites[15];
CGLSprite* CExplosion::FireSprite = nullptr;

namespace {
constexpr int FrameCount = 15;
constexpr int DebrisParticles = 30;
}  // namespace

void CParticle::Update() {
  Vel.x += Accel.x;
  Vel.y += Accel.y;
  Pos.x += Vel.x;
  Pos.y += Vel.y;
  Life -= Decay;
}

CFireTrail::CFireTrail(CGLSprite* sprite, int count, CVector2 pos, CVector2 vel, CVector2 accel, float spread,
                       float gravity) {
  Set(sprite, count, pos, vel, accel, spread, gravity);
}

CFireTrail::~CFireTrail() { delete[] Particles; }

void CFireTrail::Set(CGLSprite* sprite, int count, CVector2 pos, CVector2 vel, CVector2 accel, float spread,
                     float gravity) {
  Sprite = sprite;
  NumParticles = count > 0 ? count : 0;
  Pos = pos;
  Vel = vel;
  Accel = accel;
  Spread = spread;
  Gravity = gravity;
  delete[] Particles;
  Particles = NumParticles > 0 ? new CParticle[NumParticles] : nullptr;
  for (int i = 0; i < NumParticles; ++i) {
    CParticle& p = Particles[i];
    p.Pos = Pos;
    // Drawn y first, then x: the order fixes the random sequence.
    p.Vel.y = Rand(-Spread, Spread);
    p.Vel.x = Rand(-Spread, Spread);
    p.Accel = CVector2(0.0f, Gravity);
    // Particles start at every stage of their life so a new trail looks
    // continuous at once.
    p.Life = Rand(0.0f, 1.0f);
    p.Decay = Rand(0.06f, 0.08f);
    p.Sprite = Sprite;
  }
}

void CFireTrail::Update() {
  Vel.x += Accel.x;
  Vel.y += Accel.y;
  Pos.x += Vel.x;
  Pos.y += Vel.y;
  for (int i = 0; i < NumParticles; ++i) {
    CParticle& p = Particles[i];
    p.Update();
    if (p.Life < 0.0f) {
      p.Pos = Pos;
      p.Vel.y = Rand(-Spread, Spread);
      p.Vel.x = Rand(-Spread, Spread);
      p.Accel = CVector2(0.0f, Gravity);
      p.Life = 1.0f;
      p.Decay = Rand(0.06f, 0.08f);
    }
  }
}

void CFireTrail::Draw() {
  for (int i = 0; i < NumParticles; ++i) {
    const CParticle& p = Particles[i];
    if (p.Sprite != nullptr) p.Sprite->Draw(p.Pos.x, p.Pos.y, 0.0f, 1.0f, p.Life);
  }
}

CExplosion::CExplosion(float x, float y, int trails, float size) {
  NumTrails = trails > 0 ? trails : 0;
  Size = size;
  Angle = Rand(0.0f, 360.0f);
  Pos = CVector2(x, y);
  Trails = NumTrails > 0 ? new CFireTrail[NumTrails] : nullptr;
  Frame = 0.0f;
  SetPos(Pos);
  Dead = false;
}

CExplosion::~CExplosion() { delete[] Trails; }

void CExplosion::SetPos(CVector2 pos) {
  Pos = pos;
  for (int i = 0; i < NumTrails; ++i) {
    CFireTrail& trail = Trails[i];
    trail.Pos = Pos;
    // Debris flies up at 2 to 4 pixels per tick, sideways at up to 2.
    const float vy = Rand(-4.0f, -2.0f);
    const float vx = Rand(-2.0f, 2.0f);
    trail.Set(FireSprite, DebrisParticles, Pos, CVector2(vx, vy), CVector2(0.0f, 0.1f), 0.1f, 0.0f);
  }
}

void CExplosion::Update() {
  Frame = static_cast<float>(static_cast<double>(Frame) + 0.4);
  Dead = true;
  // Debris keeps the explosion alive until it has fallen well out of sight.
  for (int i = 0; i < NumTrails; ++i) {
    Trails[i].Update();
    if (Trails[i].Pos.y < SCREEN_H + 200) Dead = false;
  }
  if (NumTrails == 0) Dead = Frame >= FrameCount;
}

void CExplosion::Draw() {
  for (int i = 0; i < NumTrails; ++i) Trails[i].Draw();
  if (Frame < FrameCount) Sprites[static_cast<int>(Frame)].Draw(Pos.x, Pos.y, Angle, Size, 0.7f);
}

void LoadExplosionData() {
  DATAFILE* data = LoadDatafile("data/explosion.dat", "explosion.dat", DAT_BITMAP, FrameCount);
  for (int i = 0; i < FrameCount; ++i) {
    CExplosion::Sprites[i].MakeFromBmp(static_cast<BITMAP*>(data[i].dat), MaskAdditive);
  }
  unload_datafile(data);
  delete CExplosion::FireSprite;
  CExplosion::FireSprite = new CGLSprite("data/fire.bmp", MaskAdditive);
}

void UnloadExplosionData() {
  delete CExplosion::FireSprite;
  CExplosion::FireSprite = nullptr;
}
