// CPlayerShip is the ship the player flies: keyboard steering with inertia
// inside the screen limits, weapon selection and firing, the fall and crash
// after being shot down, lives and the fade-in on respawn, spent cartridge
// cases, and drawing of the ship with the head-up display.
#pragma once

#include <string>
#include <vector>

#include "ships/ship.h"

class TBullet;

class CPlayerShip final : public TShip {
 public:
  CPlayerShip(float x, float y, std::vector<CExplosion*>* explosions, std::vector<TBullet*>* bullets);
  ~CPlayerShip();

  // One logic tick.
  void Update();
  // Fires the selected weapon once.
  void Shoot();
  // The ship, its cartridge cases and shadow, and the head-up display.
  void Draw() override;

  int Kills = 0;
  int Lives = 3;
  int Score = 0;
  float Fade = -0.01f;
  int KeyUp, KeyDown, KeyLeft, KeyRight, KeyFire, KeyNextWeapon, KeyPrevWeapon;
  CGLSprite* ShadowSprite = nullptr;
  std::vector<TBullet*>* Bullets;
  std::vector<CVector3*> Casings;
  bool NextHeld = false;
  bool PrevHeld = false;
  std::string WeaponText;
  int WeaponTextFade = 0;

 private:
  // Whether Weapon is a weapon id at all; anything else fires nothing.
  bool Armed() const;
  void Fall();
  void Steer();
  void StepWeapon(int direction);
  void UpdateCasings();
};
