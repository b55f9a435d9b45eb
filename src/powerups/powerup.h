// CPowerup is a pickup placed by the level script: it drifts in with the
// landscape and gives the player's ship an extra life, ammunition for one
// weapon or shield points; once taken it shows what it gave as a short text
// that stands still and then rises off the screen.
#pragma once

#include "shell/common.h"

class CGLSprite;
class CPlayerShip;

class CPowerup {
 public:
  CPowerup(float x, float y);                        // extra life
  CPowerup(float x, float y, int weapon, int amount);  // ammunition
  CPowerup(float x, float y, int shield);            // shield

  void Update(CPlayerShip* player);
  void Draw();

  bool Dead = false;
  CVector2 Pos;
  int Weapon = 0;
  int Amount = 0;
  int Shield = 0;
  int Type;
  CGLSprite* Sprite;
  int Timer = 0;

  static CGLSprite* AmmoSprite;
  static CGLSprite* ShieldSprite;
  static CGLSprite* LifeSprite;
};

void LoadPowerupData();
void UnloadPowerupData();
