#include "weapons/bullet.h"

#include <allegro.h>

#include <cmath>

#include "graphics/gltwodee.h"
#include "ships/ship.h"

CGLSprite* CBomb::Sprite = nullptr;
CGLSprite* CRocket::Sprite = nullptr;
CGLSprite* CMine::Sprite = nullptr;
CGLSprite* CMissile::Sprite = nullptr;

namespace {
constexpr int SampleExplosion = 0;
constexpr int SampleGunHit = 8;
constexpr float ImpactSize = 0.6f;

// Rockets and missiles are gone once they leave the screen sideways or at the
// top, or pass the ground line.
bool InField(const CVector2& pos) {
  return pos.x >= 0 && pos.x <= SCREEN_W && pos.y >= 0 && pos.y <= Globals::GroundLevel;
}
}  // namespace

bool TBullet::FiredBy(const TShip* ship) const { return Firer != 0 && Firer == ship->Serial; }

bool TBullet::Hits(const TShip* ship) const {
  const float w = ship->BoxW();
  const float h = ship->BoxH();
  return ship->Pos.x - w / 2 < Pos.x && Pos.x < ship->Pos.x + w / 2 && ship->Pos.y - h / 2 < Pos.y &&
         Pos.y < ship->Pos.y + h / 2;
}

void TBullet::ImpactSound(int sample) const { PlaySample(sample, 200, PanFor(Pos.x), 1000); }

void TBullet::Explode(float size) {
  if (Explosions != nullptr) Explosions->push_back(new CExplosion(Pos.x, Pos.y, 0, size));
  ImpactSound(SampleExplosion);
}

// Guns.

CBulletMG::CBulletMG(float x, float y, bool upward, bool hostile) {
  Pos = CVector2(x, y);
  Hostile = hostile;
  Dead = false;
  Damage = 3;
  // Ground units shoot up and back, drifting with the landscape.
  if (upward) {
    Vel = CVector2(static_cast<float>(-2 * Globals::ScrollSpeed), -3.0f);
  } else {
    Vel = CVector2(hostile ? -8.0f : 8.0f, 0.0f);
  }
}

void CBulletMG::Update() {
  Pos.x += Vel.x;
  Pos.y += Vel.y;
  // No bullet ever moves down, so the bottom needs no test.
  if (Pos.x > SCREEN_W || Pos.x < 0 || Pos.y < 0) Dead = true;
}

void CBulletMG::CheckCollision(TShip* ship) {
  if (FiredBy(ship)) return;
  if (Dead || !Hits(ship)) return;
  Dead = true;
  ship->TakeDamage(Damage);
  ImpactSound(SampleGunHit);
}

void CBulletMG::Draw() {
  const float x = Pos.x;
  const float y = Pos.y;
  const CColor3 grey(0.8f, 0.8f, 0.8f);
  if (Vel.x < 0) {
    DrawTriangle(x - 3, y, x + 5, y - 2, x + 5, y + 2, grey);
  } else {
    DrawTriangle(x + 5, y, x - 3, y - 2, x - 3, y + 2, grey);
  }
}

CLaser::CLaser(float x, float y, bool upward, bool hostile) : CBulletMG(x, y, upward, hostile) {
  if (!upward) Vel = CVector2(hostile ? -10.0f : 10.0f, 0.0f);
  Damage = 5;
}

void CLaser::Draw() { DrawLine(Pos.x, Pos.y, Pos.x - Vel.x, Pos.y - Vel.y, CColor3(0.9f, 0.2f, 0.2f)); }

// Plasma beam.

CPlasmaBeam::CPlasmaBeam(float x, float y, std::vector<CExplosion*>* explosions, bool hostile) {
  Pos = CVector2(x, y);
  Explosions = explosions;
  Dead = false;
  Hostile = hostile;
  Alpha = 1.0f;
  Damage = 50;
  Spent = false;
}

void CPlasmaBeam::Update() {
  // Stored in single precision, the first step lands on the float nearest
  // 0.8, which is not below 0.8: the beam hits only in the tick it is fired.
  Alpha = static_cast<float>(Alpha - 0.2);
  if (Alpha <= 0) Dead = true;
  if (static_cast<double>(Alpha) < 0.8) Spent = true;
}

void CPlasmaBeam::CheckCollision(TShip* ship) {
  if (FiredBy(ship)) return;
  if (Spent) return;
  const bool ahead = Hostile ? ship->Pos.x < Pos.x : ship->Pos.x > Pos.x;
  if (!ahead || !(std::fabs(Pos.y - ship->Pos.y) < ship->BoxH() / 2)) return;
  ship->TakeDamage(Damage);
  if (Explosions != nullptr) Explosions->push_back(new CExplosion(ship->Pos.x, ship->Pos.y, 0, ImpactSize));
}

void CPlasmaBeam::Draw() {
  const float x = Pos.x;
  const float y = Pos.y;
  const float end = Hostile ? 0.0f : static_cast<float>(SCREEN_W);
  DrawRect(x, y - 2, end, y + 1, CColor4(0.3f, 0.3f, 1.0f, Alpha));
  DrawLine(x, y - 1, end, y - 1, CColor4(0.6f, 0.6f, 1.0f, Alpha));
}

// Bomb.

CBomb::CBomb(float x, float y, CVector2 vel, std::vector<CExplosion*>* explosions, float size, bool hostile) {
  Dead = false;
  Hostile = hostile;
  Explosions = explosions;
  Size = size;
  Pos = CVector2(x, y);
  // Released with the ship's momentum, plus the landscape's drift.
  Vel = CVector2(static_cast<float>(vel.x + Globals::ScrollSpeed), vel.y);
  Accel = CVector2(0.0f, 0.1f);
  Angle = 0.0f;
}

void CBomb::Update() {
  Vel.y += Accel.y;
  Pos.x += Vel.x;
  Pos.y += Vel.y;
  if (Angle < 90) Angle += 0.5f;
  // Bombs explode at the ground line, wherever they are across the screen.
  if (Pos.y >= Globals::GroundLevel) {
    Explode(Size);
    Dead = true;
  }
}

void CBomb::CheckCollision(TShip* ship) {
  // The blast is dealt only in the pass of the tick the bomb lands.
  if (!Dead) return;
  const float reach = 50 * Size;
  if (std::fabs(Pos.x - ship->Pos.x) < reach && std::fabs(Pos.y - ship->Pos.y) < reach) {
    // The product is kept in double: 0.9f * 20 is just below 18.
    ship->TakeDamage(static_cast<int>(static_cast<double>(Size) * 20));
  }
}

void CBomb::Draw() { Sprite->Draw(Pos.x, Pos.y, Angle, 1.0f, 1.0f); }

// Rocket.

CRocket::CRocket(float x, float y, float accX, float accY, std::vector<CExplosion*>* explosions, bool hostile) {
  Dead = false;
  Hostile = hostile;
  Explosions = explosions;
  Pos = CVector2(x, y);
  Vel = CVector2(0.0f, 1.0f);
  Accel = CVector2(accX, accY);
  Damage = 20;
  BlastRadius = 30.0f;
  Trail.Set(CExplosion::FireSprite, 30, Pos, Vel, Accel, 0.5f, 0.0f);
}

void CRocket::Update() {
  Vel.x += Accel.x;
  Vel.y += Accel.y;
  if (Vel.x > 7) Vel.x = 7;
  Pos.x += Vel.x;
  Pos.y += Vel.y;
  // The air-to-air rocket levels out; the air-to-surface one keeps falling.
  if (Accel.y == 0) Vel.y = static_cast<float>(Vel.y * 0.99);
  if (!InField(Pos)) Dead = true;
  if (Pos.y > Globals::GroundLevel) Explode(ImpactSize);
  // The exhaust keeps its launch motion but is pulled back behind the tail.
  Trail.Update();
  Trail.Pos = CVector2(Pos.x - 10, Pos.y);
}

void CRocket::CheckCollision(TShip* ship) {
  if (!Dead) {
    if (Hits(ship)) {
      Dead = true;
      ship->TakeDamage(Damage);
      Explode(ImpactSize);
    }
    return;
  }
  // In the tick it dies the rocket also hurts every ship tested after its
  // death that lies within the blast square.
  if (std::fabs(Pos.x - ship->Pos.x) < BlastRadius && std::fabs(Pos.y - ship->Pos.y) < BlastRadius) {
    ship->TakeDamage(Damage);
  }
}

void CRocket::Draw() {
  Trail.Draw();
  Sprite->Draw(Pos.x, Pos.y, 0.0f, 1.0f, 1.0f);
}

// Mine.

CMine::CMine(float x, float y, std::vector<CExplosion*>* explosions, bool hostile) {
  Dead = false;
  Hostile = hostile;
  Explosions = explosions;
  Pos = CVector2(x, y);
  Damage = 10;
  Angle = 0.0f;
}

void CMine::Update() { Angle += 2; }

void CMine::CheckCollision(TShip* ship) {
  if (FiredBy(ship)) return;
  // No test of Dead: every ship touching the mine in the same pass is hurt.
  if (!Hits(ship)) return;
  Dead = true;
  ship->TakeDamage(Damage);
  Explode(ImpactSize);
}

void CMine::Draw() { Sprite->Draw(Pos.x, Pos.y, Angle, 1.0f, 1.0f); }

// Homing missile.

CMissile::CMissile(float x, float y, std::vector<CExplosion*>* explosions, bool hostile) {
  Dead = false;
  Hostile = hostile;
  Explosions = explosions;
  Vel = CVector2(hostile ? -3.0f : 3.0f, 0.0f);
  Pos = CVector2(x, y);
  Damage = 20;
  Heading = 0.0f;
  Trail.Set(CExplosion::FireSprite, 30, Pos, Vel, Accel, 0.5f, 0.0f);
  TargetX = nullptr;
  TargetY = nullptr;
  TargetLost = false;
}

CMissile::~CMissile() {
  // The target must never write into a missile that is gone.
  if (Target != nullptr) Target->Unlock(this);
}

void CMissile::ForgetShip() {
  TargetLost = true;
  TargetX = nullptr;
  TargetY = nullptr;
  Target = nullptr;
}

void CMissile::Update() {
  if (TargetX != nullptr && TargetY != nullptr && !TargetLost) {
    Heading = static_cast<float>(std::atan2(static_cast<double>(*TargetY) - Pos.y,
                                            static_cast<double>(*TargetX) - Pos.x));
  }
  Vel = CVector2(static_cast<float>(4 * std::cos(static_cast<double>(Heading))),
                 static_cast<float>(4 * std::sin(static_cast<double>(Heading))));
  Pos.x += Vel.x;
  Pos.y += Vel.y;
  if (!InField(Pos)) Dead = true;
  if (Pos.y > Globals::GroundLevel) Explode(ImpactSize);
  Trail.Update();
  Trail.Pos = CVector2(Pos.x - 3 * Vel.x, Pos.y - 3 * Vel.y);
}

void CMissile::CheckCollision(TShip* ship) {
  if (FiredBy(ship)) return;
  // A missile locks once, on the first live ship inside the band; a dead one
  // is about to go and must not take the ship's lock from a live missile.
  if (!Dead && Target == nullptr && !TargetLost && ship->State == Alive && 30 < ship->Pos.x &&
      ship->Pos.x < SCREEN_W - 30) {
    TargetX = &ship->Pos.x;
    TargetY = &ship->Pos.y;
    Target = ship;
    ship->Lock(this);
  }
  if (Dead || !Hits(ship)) return;
  Dead = true;
  ship->TakeDamage(Damage);
  Explode(ImpactSize);
}

void CMissile::Draw() {
  Trail.Draw();
  Sprite->Draw(Pos.x, Pos.y, Heading * 180 / static_cast<float>(M_PI), 1.0f, 1.0f);
}

// Catalogue.

void LoadWeaponData() {
  CBomb::Sprite = new CGLSprite("data/bomb.bmp", MaskAlpha);
  CRocket::Sprite = new CGLSprite("data/rocket.bmp", MaskAlpha);
  CMissile::Sprite = new CGLSprite("data/rocket.bmp", MaskAlpha);
  CMine::Sprite = new CGLSprite("data/mine.bmp", MaskAlpha);
}

void UnloadWeaponData() {
  delete CBomb::Sprite;
  CBomb::Sprite = nullptr;
  delete CRocket::Sprite;
  CRocket::Sprite = nullptr;
  delete CMine::Sprite;
  CMine::Sprite = nullptr;
  delete CMissile::Sprite;
  CMissile::Sprite = nullptr;
}

std::string GetWeaponName(int id) {
  static const char* const Names[12] = {"Machine Gun",       "Laser Cannon",          "Triple Gun",
                                        "Light Bomb",        "Medium Bomb",           "Heavy Bomb",
                                        "Air-to-air Rocket", "Air-to-surface Rocket", "Float Mine",
                                        "Homing Missile",    "Plasma Beam",           "Cloaking"};
  if (id < 0 || id > 11) return "None";
  return Names[id];
}
