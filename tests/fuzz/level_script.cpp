// Level scripts: reading always stops, grants stay within the ammunition
// table and briefing lines never swallow their end marker or a line break.
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
