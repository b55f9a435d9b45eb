// Ship definitions: reading always stops; a definition taken over always fits
// its sprite set and arms a weapon that exists; a refused one leaves the ship
// exactly as it was.
#include <fstream>
#include <sstream>
#include <vector>

#include "fuzz_support.h"
#include "ships/enemy.h"

namespace {

const char* const Baseline =
    "Data 1 7\nAcc 0.1\nMaxSpeed 3\nHostile 1\nWeapon 0 100\nShields 10\nShadow 1\nGround 0\nValue 50\n";

std::vector<CExplosion*> Explosions;
std::vector<TBullet*> Bullets;
CShipNPC* Ship = nullptr;

// Everything a definition sets, as text (hex floats compare exactly).
std::string Described(const CShipNPC& ship) {
  std::ostringstream out;
  out << std::hexfloat << ship.Sprites << ' ' << ship.FrameCount << ' ' << ship.Acc << ' ' << ship.MaxSpeed << ' '
      << ship.Hostile << ' ' << ship.Weapon << ' ' << ship.Shields << ' ' << ship.MaxShields << ' ' << ship.Shadow
      << ' ' << ship.Ground << ' ' << ship.Value;
  for (const int ammo : ship.Ammo) out << ' ' << ammo;
  return out.str();
}

int SetOf(const CShipNPC& ship) {
  for (int set = 1; set <= 12; ++set) {
    if (CShipNPC::SpriteSet(set) == ship.Sprites) return set;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string path = ScratchPath("baseline.txt");
  std::ofstream(path) << Baseline;
  Ship = new CShipNPC(0, 0, path, &Explosions, &Bullets, true, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream baseline(Baseline);
  FUZZ_CHECK(Ship->ReadInfo(baseline, "baseline").empty());
  const std::string before = Described(*Ship);

  std::istringstream in(AsText(data, size));
  const std::string problem = Ship->ReadInfo(in, "fuzz");
  if (!problem.empty()) {
    FUZZ_CHECK(problem.rfind("Error in ship file fuzz: ", 0) == 0);
    FUZZ_CHECK(Described(*Ship) == before);
    return 0;
  }
  const int set = SetOf(*Ship);
  FUZZ_CHECK(set != 0);
  FUZZ_CHECK(Ship->FrameCount >= 1);
  FUZZ_CHECK(Ship->FrameCount + (Ship->Shadow ? 1 : 0) <= CShipNPC::SpriteSetSize(set));
  FUZZ_CHECK(Ship->Weapon >= 0 && Ship->Weapon <= 11);
  FUZZ_CHECK(Ship->Shields == Ship->MaxShields);
  return 0;
}
