// Ship definitions: one taken fits its sprite set and arms a weapon that exists; one refused changes nothing.
#include <fstream>
#include <sstream>

#include "fuzz_support.h"
#include "ships/enemy.h"

namespace {

const char* const Baseline = "Data 1 7 Acc 0.1 MaxSpeed 3 Hostile 1 Weapon 0 100 Shields 10 Shadow 1 Ground 0 Value 50";

// Everything a definition sets, as text (hex floats compare exactly).
std::string Described(const CShipNPC& s) {
  std::ostringstream out;
  out << std::hexfloat << s.Sprites << ' ' << s.FrameCount << ' ' << s.Acc << ' ' << s.MaxSpeed << ' ' << s.Weapon
      << ' ' << s.Shields << '/' << s.MaxShields << ' ' << s.Hostile << s.Shadow << s.Ground << ' ' << s.Value;
  for (const int ammo : s.Ammo) out << ' ' << ammo;
  return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CShipNPC* const Ship = [] {
    std::ofstream(ScratchPath("baseline.txt")) << Baseline;
    return new CShipNPC(0, 0, ScratchPath("baseline.txt"), nullptr, nullptr, true, 1);
  }();
  std::istringstream baseline(Baseline), in(AsText(data, size));
  Ship->ReadInfo(baseline, "baseline");
  const std::string before = Described(*Ship), problem = Ship->ReadInfo(in, "fuzz");
  FUZZ_CHECK(problem.empty() || (problem.rfind("Error in ship file fuzz: ", 0) == 0 && Described(*Ship) == before));
  if (!problem.empty()) return 0;
  int set = 12;
  while (set > 0 && CShipNPC::SpriteSet(set) != Ship->Sprites) --set;
  FUZZ_CHECK(set != 0 && Ship->FrameCount >= 1 && Ship->Weapon >= 0 && Ship->Weapon <= 11);
  FUZZ_CHECK(Ship->FrameCount + (Ship->Shadow ? 1 : 0) <= CShipNPC::SpriteSetSize(set));
  return 0;
}
