// The options file: any text reads into the five settings with the effect
// level within what the options screen shows, and what is then written is
// five lines that read back to the same settings.
#include <sstream>

#include "fuzz_support.h"
#include "shell/common.h"

namespace {

struct Settings {
  int GFXLevel;
  bool SoundOn, MusicOn, ScreenShakeOn, Fullscreen;
  bool operator==(const Settings& o) const {
    return GFXLevel == o.GFXLevel && SoundOn == o.SoundOn && MusicOn == o.MusicOn &&
           ScreenShakeOn == o.ScreenShakeOn && Fullscreen == o.Fullscreen;
  }
};

Settings Current() {
  return {Globals::GFXLevel, Globals::SoundOn, Globals::MusicOn, Globals::ScreenShakeOn, Globals::Fullscreen};
}

void Set(const Settings& s) {
  Globals::GFXLevel = s.GFXLevel;
  Globals::SoundOn = s.SoundOn;
  Globals::MusicOn = s.MusicOn;
  Globals::ScreenShakeOn = s.ScreenShakeOn;
  Globals::Fullscreen = s.Fullscreen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Set({1, true, true, true, true});
  std::istringstream in(AsText(data, size));
  ReadOptions(in);
  const Settings read = Current();
  FUZZ_CHECK(read.GFXLevel >= 0 && read.GFXLevel <= 2);

  std::ostringstream out;
  WriteOptions(out);
  const std::string written = out.str();
  FUZZ_CHECK(written.size() == 9 && written.back() != '\n');
  // Read back over the opposite settings, so that every value must come
  // from the file.
  Set({read.GFXLevel == 0 ? 2 : 0, !read.SoundOn, !read.MusicOn, !read.ScreenShakeOn, !read.Fullscreen});
  std::istringstream back(written);
  ReadOptions(back);
  FUZZ_CHECK(Current() == read);
  return 0;
}
