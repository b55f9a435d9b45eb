#include "ships/ship.h"

#include <algorithm>

#include "graphics/gltwodee.h"
#include "weapons/bullet.h"

namespace {
unsigned long long ShipsMade = 0;
}  // namespace

TShip::TShip(float x, float y, std::vector<CExplosion*>* explosions)
    : Pos(x, y), Explosions(explosions), Serial(++ShipsMade) {}

TShip::~TShip() {
  Log("Ship destructor...");
  if (DeadFlag != nullptr) {
    Log("IsDead thing...");
    *DeadFlag = true;
  }
  // Every missile still locked on, including those whose lock a later one
  // overwrote, must stop reading this ship's position.
  for (CMissile* missile : Lockers) missile->ForgetShip();
}

void TShip::TakeDamage(int amount) {
  // Dying, finished and respawning ships ignore damage and healing alike.
  if (State != Alive) return;
  Shields = ClampToInt(static_cast<long long>(Shields) - amount);
  if (Shields > MaxShields) Shields = MaxShields;
  if (Shields <= 0) {
    if (DeadFlag != nullptr) *DeadFlag = true;
    Shields = 0;
    State = Dying;
  }
}

void TShip::Lock(CMissile* missile) {
  Lockers.push_back(missile);
  DeadFlag = &missile->TargetLost;
}

void TShip::Unlock(CMissile* missile) {
  Lockers.erase(std::remove(Lockers.begin(), Lockers.end(), missile), Lockers.end());
  if (DeadFlag == &missile->TargetLost) DeadFlag = nullptr;
}

float TShip::BoxW() const { return Sprites != nullptr ? Sprites[Frame].W() : 0.0f; }

float TShip::BoxH() const { return Sprites != nullptr ? Sprites[Frame].H() : 0.0f; }
