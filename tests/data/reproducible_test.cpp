#include <gtest/gtest.h>

#include <filesystem>

#include "data_support.h"

using namespace data_test;
namespace fs = std::filesystem;

const std::string kSource = VARNOK_SOURCE_DIR, kTools = kBinary + "/tools/";
const std::string kArt = kTools + "artgen/artgen --assets " + kSource + "/assets/art";

// Each writes into $OUT and may scribble in $WORK; then where the build put its copies.
const std::pair<std::string, std::string> kGenerators[] = {
    {kArt + " --out $OUT --work $WORK --dat dat", kData},
    {kArt + " --icons $OUT", kBinary + "/icons"},
    {"cmake -DOUT=$OUT/font.dat -P " + kTools + "fontgen/make_font_dat.cmake >/dev/null", kData},
    {"for p in menu_music briefing_music game_music; do " + kTools + "xmgen/xmgen -o $OUT/$p.xm " + kSource +
         "/assets/music/$p.score || exit 1; done", kData},
    {"cmake -DSFXGEN=" + kTools + "sfxgen/sfxgen -DDAT=dat -DWAV_DIR=$WORK -DOUTPUT=$OUT/sounds.dat -DRECIPES=" +
         kSource + "/assets/sound/effects.sfx -P " + kSource + "/tools/sfxgen/pack_sounds.cmake", kData}};

using Reproducible = testing::TestWithParam<std::pair<std::string, std::string>>;

TEST_P(Reproducible, SecondRunWritesTheBuildsBytes) {
  const fs::path tmp = kBinary + "/reproducible_test";
  fs::remove_all(tmp);
  fs::create_directories(tmp / "out");
  ASSERT_EQ(Shell("OUT=" + (tmp / "out").string() + " WORK=" + (tmp / "work").string() + "; " + GetParam().first), 0);
  EXPECT_FALSE(fs::is_empty(tmp / "out"));
  for (const auto& entry : fs::directory_iterator(tmp / "out")) {
    const std::string name = entry.path().filename().string(), fresh = ReadFile(entry.path().string());
    EXPECT_TRUE(!fresh.empty() && fresh == ReadFile(GetParam().second + "/" + name)) << name << " differs";
  }
}

INSTANTIATE_TEST_SUITE_P(Generators, Reproducible, testing::ValuesIn(kGenerators));
