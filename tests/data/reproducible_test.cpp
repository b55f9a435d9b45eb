// Every generator, run again from the sources, writes the very bytes the build
// wrote: the data and the desktop icons come out the same on every build.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "data_support.h"

namespace {

using namespace data_test;
namespace fs = std::filesystem;

struct Generator {
  const char* name;
  std::string command;  // writes into $OUT, may scribble in $WORK
  std::string built;    // where the build put its copies
};

const std::string kTools = kBinary + "/tools/", kArt = " --assets '" + kSource + "/assets/art'";

const Generator kGenerators[] = {
    {"pictures", kTools + "artgen/artgen" + kArt + " --out \"$OUT\" --work \"$WORK\" --dat dat", kData},
    {"icons", kTools + "artgen/artgen" + kArt + " --icons \"$OUT\"", kBinary + "/icons"},
    {"fonts", "cmake -DOUT=\"$OUT/font.dat\" -P " + kTools + "fontgen/make_font_dat.cmake >/dev/null", kData},
    {"music", "for p in menu_music briefing_music game_music; do " + kTools + "xmgen/xmgen -o \"$OUT/$p.xm\" '" +
                  kSource + "/assets/music/'$p.score || exit 1; done", kData},
    {"sounds", "cmake -DSFXGEN=" + kTools + "sfxgen/sfxgen -DDAT=dat -DWAV_DIR=\"$WORK\" -DOUTPUT=\"$OUT/sounds.dat\""
               " -DRECIPES='" + kSource + "/assets/sound/effects.sfx' -P '" + kSource +
               "/tools/sfxgen/pack_sounds.cmake'", kData},
};

class Reproducible : public testing::TestWithParam<Generator> {};

TEST_P(Reproducible, SecondRunWritesTheBuildsBytes) {
  const fs::path tmp = fs::temp_directory_path() / ("varnok_again_" + std::to_string(getpid()));
  fs::remove_all(tmp);
  fs::create_directories(tmp / "out");
  const std::string env = "OUT='" + (tmp / "out").string() + "' WORK='" + (tmp / "work").string() + "'; ";
  ASSERT_EQ(Shell(env + GetParam().command), 0) << GetParam().command;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(tmp / "out")) {
    const std::string name = entry.path().filename().string(), fresh = ReadFile(entry.path().string());
    EXPECT_FALSE(fresh.empty()) << name;
    EXPECT_TRUE(fresh == ReadFile(GetParam().built + "/" + name)) << name << " differs from the build's copy";
    ++files;
  }
  EXPECT_GT(files, 0);
  fs::remove_all(tmp);
}

INSTANTIATE_TEST_SUITE_P(Generators, Reproducible, testing::ValuesIn(kGenerators),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
