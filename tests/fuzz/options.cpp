// The options file: any text reads into five settings that write as five digits and read back alike.
#include <sstream>
#include <tuple>

#include "fuzz_support.h"
#include "shell/common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace Globals;
  const auto options = [] { return std::tie(GFXLevel, SoundOn, MusicOn, ScreenShakeOn, Fullscreen); };
  options() = std::tuple(1, true, true, true, true);
  std::istringstream in(AsText(data, size));
  ReadOptions(in);
  const std::tuple<int, bool, bool, bool, bool> read = options();
  std::ostringstream out;
  WriteOptions(out);
  // Read back over the opposite settings, so that every value must come from the file.
  options() = std::tuple(GFXLevel == 0 ? 2 : 0, !SoundOn, !MusicOn, !ScreenShakeOn, !Fullscreen);
  std::istringstream back(out.str());
  ReadOptions(back);
  FUZZ_CHECK(out.str().size() == 9 && options() == read);
  return 0;
}
