// The options file: any text reads into the five settings with the effect
// level within what the options screen shows, and what is then written is
// five lines that read back to the same settings.
#include <sstream>
#include <tuple>

#include "fuzz_support.h"
#include "shell/common.h"

namespace {

auto Options() {
  return std::tie(Globals::GFXLevel, Globals::SoundOn, Globals::MusicOn, Globals::ScreenShakeOn, Globals::Fullscreen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Options() = std::tuple(1, true, true, true, true);
  std::istringstream in(AsText(data, size));
  ReadOptions(in);
  const auto [level, sound, music, shake, full] = std::tuple<int, bool, bool, bool, bool>(Options());
  FUZZ_CHECK(level >= 0 && level <= 2);
  std::ostringstream out;
  WriteOptions(out);
  FUZZ_CHECK(out.str().size() == 9 && out.str().back() != '\n');
  // Read back over the opposite settings, so that every value must come from the file.
  Options() = std::tuple(level == 0 ? 2 : 0, !sound, !music, !shake, !full);
  std::istringstream back(out.str());
  ReadOptions(back);
  FUZZ_CHECK(Options() == std::tuple(level, sound, music, shake, full));
  return 0;
}
