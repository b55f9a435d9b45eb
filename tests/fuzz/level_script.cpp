// Level scripts: reading stops, grants stay in the ammunition table, briefing lines hold no end marker or break.
#include <sstream>

#include "fuzz_support.h"
#include "game/game.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(AsText(data, size));
  const LevelScript script = ParseLevelScript(in);
  for (const LevelScript::Grant& grant : script.Grants) FUZZ_CHECK(grant.WeaponId >= 0 && grant.WeaponId <= 11);
  for (const std::string& line : script.Briefing) FUZZ_CHECK(line != "[End]" && line.find('\n') == std::string::npos);
  return 0;
}
