// Level scripts: reading always stops, and whatever it takes from a script is
// something the event dispatch and the ammunition table can hold.
#include <sstream>

#include "fuzz_support.h"
#include "game/game.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(AsText(data, size));
  const LevelScript script = ParseLevelScript(in);
  for (const LevelScript::Grant& grant : script.Grants) FUZZ_CHECK(grant.WeaponId >= 0 && grant.WeaponId <= 11);
  for (const CLevelEvent& event : script.Events) {
    FUZZ_CHECK(event.Type == 0 || event.Type == 1);
    if (event.Type == 0) FUZZ_CHECK(!event.ShipFile.empty());
    if (event.Type == 1) FUZZ_CHECK(event.PowerupType >= 1 && event.PowerupType <= 3);
  }
  // The shortest entry, "PL 0 0 0", takes eight bytes with its separator.
  FUZZ_CHECK(script.Events.size() + script.Grants.size() <= size / 8);
  for (const std::string& line : script.Briefing) FUZZ_CHECK(line != "[End]" && line.find('\n') == std::string::npos);
  return 0;
}
