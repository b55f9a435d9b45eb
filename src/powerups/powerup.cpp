#include "powerups/powerup.h"

#include <allegro.h>

#include <cmath>

#include "graphics/gltwodee.h"
#include "ships/player.h"
#include "weapons/bullet.h"

CGLSprite* CPowerup::AmmoSprite = nullptr;
CGLSprite* CPowerup::ShieldSprite = nullptr;
CGLSprite* CPowerup::LifeSprite = nullptr;

namespace {
constexpr int ExtraLife = 1;
constexpr int Ammunition = 2;
constexpr int ShieldPoints = 3;
}  // namespace

void LoadPowerupData() {
  CPowerup::AmmoSprite = new CGLSprite("data/powerammo.bmp", MaskAdditive);
  CPowerup::ShieldSprite = new CGLSprite("data/powerheal.bmp", MaskAdditive);
  CPowerup::LifeSprite = new CGLSprite("data/powerlife.bmp", MaskAdditive);
}

void UnloadPowerupData() {
  for (CGLSprite** sprite : {&CPowerup::AmmoSprite, &CPowerup::ShieldSprite, &CPowerup::LifeSprite}) {
    delete *sprite;
    *sprite = nullptr;
  }
}

CPowerup::CPowerup(float x, float y) : Pos(x, y), Type(ExtraLife), Sprite(LifeSprite) {}

CPowerup::CPowerup(float x, float y, int weapon, int amount)
    : Pos(x, y), Weapon(weapon), Amount(amount), Type(Ammunition), Sprite(AmmoSprite) {}

CPowerup::CPowerup(float x, float y, int shield) : Pos(x, y), Shield(shield), Type(ShieldPoints), Sprite(ShieldSprite) {}

void CPowerup::Update(CPlayerShip* player) {
  if (Timer == 0) {
    // Drifts with the landscape.
    Pos.x -= 2 * Globals::ScrollSpeed;
    const bool touching = std::fabs(Pos.x - player->Pos.x) < 7 + player->BoxW() / 2 &&
                          std::fabs(Pos.y - player->Pos.y) < 7 + player->BoxH() / 2;
    if (!touching) return;
    PlaySample(11, 100, PanFor(Pos.x), 1000);
    switch (Type) {
      case Ammunition:
        // Ammunition for a weapon the ship does not have is lost.
        if (Weapon >= 0 && Weapon < 12) player->Ammo[Weapon] = AddClamped(player->Ammo[Weapon], Amount);
        break;
      case ExtraLife:
        player->Lives = AddClamped(player->Lives, 1);
        break;
      case ShieldPoints:
        // Heals only a ship that is alive; the power-up is used up anyway.
        player->TakeDamage(ClampToInt(-static_cast<long long>(Shield)));
        break;
    }
    Timer = 50;
  } else if (Timer > 1) {
    --Timer;
  } else {
    Pos.y -= 5;
    if (Pos.y < -10) Dead = true;
  }
}

void CPowerup::Draw() {
  if (Timer == 0) {
    Sprite->Draw(Pos.x, Pos.y, 0.0f, 1.0f, 1.0f);
    return;
  }
  const int x = TruncToInt(Pos.x), y = TruncToInt(Pos.y);
  const int white = makecol(255, 255, 255);
  switch (Type) {
    case Ammunition:
      Globals::MediumFont->PrintfCentre(x, y, white, "%d x %s", Amount, GetWeaponName(Weapon).c_str());
      break;
    case ExtraLife:
      Globals::MediumFont->PrintfCentre(x, y, white, "Extra life");
      break;
    case ShieldPoints:
      Globals::MediumFont->PrintfCentre(x, y, white, "+%d shield", Shield);
      break;
  }
}
