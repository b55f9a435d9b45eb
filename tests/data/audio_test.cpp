// The generated sound effects and music, loaded and played through the same
// library calls the game uses.
#define ALLEGRO_NO_MAGIC_MAIN
#include <allegro.h>
#include <dumb.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kData = VARNOK_DATA_DIR;
const std::string kBinary = VARNOK_BINARY_DIR;
const std::string kSource = VARNOK_SOURCE_DIR;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

DUH* LoadXm(const std::string& path) {
  static bool registered = false;
  if (!registered) {
    dumb_register_stdfiles();
    registered = true;
  }
  return dumb_load_xm(path.c_str());
}

class SoundDatafile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0); }
};

TEST_F(SoundDatafile, HoldsThirteenCleanSamplesInIndexOrder) {
  DATAFILE* dat = load_datafile((kData + "/sounds.dat").c_str());
  ASSERT_NE(dat, nullptr);
  int count = 0;
  while (dat[count].type != DAT_END) ++count;
  ASSERT_EQ(count, 13);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE("sample " + std::to_string(i));
    ASSERT_EQ(dat[i].type, DAT_SAMPLE);
    const SAMPLE* sample = static_cast<const SAMPLE*>(dat[i].dat);
    ASSERT_EQ(sample->bits, 16);
    EXPECT_FALSE(sample->stereo);
    EXPECT_GE(sample->freq, 22050);
    const double seconds = static_cast<double>(sample->len) / sample->freq;
    EXPECT_GT(seconds, 0.03);
    EXPECT_LE(seconds, 1.6);
    // Allegro keeps 16-bit data unsigned, centred on 0x8000.
    const uint16_t* data = static_cast<const uint16_t*>(sample->data);
    int peak = 0;
    double sum = 0.0;
    for (unsigned long j = 0; j < sample->len; ++j) {
      int v = static_cast<int>(data[j]) - 0x8000;
      peak = std::max(peak, std::abs(v));
      sum += static_cast<double>(v) * v;
    }
    EXPECT_LT(peak, 32000) << "clipped";
    EXPECT_GT(peak, 3000) << "nearly silent";
    EXPECT_GT(std::sqrt(sum / sample->len), 400.0);
    // Faded in and out, so playing it starts and stops without a click.
    EXPECT_LT(std::abs(static_cast<int>(data[0]) - 0x8000), 300);
    EXPECT_LT(std::abs(static_cast<int>(data[sample->len - 1]) - 0x8000), 300);
  }
  // The explosion and the crash are the longest and the weightiest.
  auto length = [&](int i) { return static_cast<const SAMPLE*>(dat[i].dat)->len; };
  EXPECT_GT(length(0), length(5));
  EXPECT_GT(length(12), length(1));
  unload_datafile(dat);
}

struct Rendered {
  double seconds = 0.0;
  int peak = 0;
  double rms = 0.0;
  bool looped = false;
};

int NoteLoop(void* data) {
  *static_cast<bool*>(data) = true;
  return 1;  // stop rendering at the loop point
}

// Plays the module from its start to the point where it loops, as the game's
// player would, at a low rate to keep the test quick.
Rendered Render(const std::string& path, float volume) {
  Rendered result;
  DUH* duh = LoadXm(path);
  if (!duh) return result;
  const int rate = 11025;
  DUH_SIGRENDERER* sr = duh_start_sigrenderer(duh, 0, 2, 0);
  dumb_it_set_loop_callback(duh_get_it_sigrenderer(sr), NoteLoop, &result.looped);
  std::vector<short> block(2048 * 2);
  long frames = 0;
  double sum = 0.0;
  while (frames < 300L * rate) {
    long got = duh_render(sr, 16, 0, volume, 65536.0f / rate, 2048, block.data());
    for (long i = 0; i < got * 2; ++i) {
      result.peak = std::max(result.peak, std::abs(static_cast<int>(block[i])));
      sum += static_cast<double>(block[i]) * block[i];
    }
    frames += got;
    if (got < 2048) break;
  }
  duh_end_sigrenderer(sr);
  unload_duh(duh);
  result.seconds = static_cast<double>(frames) / rate;
  result.rms = frames ? std::sqrt(sum / (2.0 * frames)) : 0.0;
  return result;
}

class Music : public ::testing::TestWithParam<std::pair<const char*, float>> {};

TEST_P(Music, PlaysOverAMinuteBeforeLoopingWithoutClipping) {
  const std::string path = kData + "/" + GetParam().first;
  ASSERT_NE(ReadFile(path).size(), 0u);
  EXPECT_LT(ReadFile(path).size(), 400u * 1024u);
  Rendered r = Render(path, GetParam().second);
  EXPECT_TRUE(r.looped);
  EXPECT_GE(r.seconds, 60.0);
  EXPECT_LT(r.seconds, 180.0);
  // At the game's own volume: below full scale, yet clearly audible.
  EXPECT_LT(r.peak, 32767);
  EXPECT_GT(r.rms, 32768.0 * std::pow(10.0, -32.0 / 20.0));
}

// The volumes the game plays each piece at.
INSTANTIATE_TEST_SUITE_P(Pieces, Music,
                         ::testing::Values(std::make_pair("menu_music.xm", 0.4f),
                                           std::make_pair("briefing_music.xm", 0.2f),
                                           std::make_pair("game_music.xm", 0.6f)));

TEST(MusicModules, AreExtendedModulesDumbReadsInFull) {
  for (const char* name : {"menu_music.xm", "briefing_music.xm", "game_music.xm"}) {
    SCOPED_TRACE(name);
    const std::string bytes = ReadFile(kData + "/" + name);
    ASSERT_GT(bytes.size(), 336u);
    EXPECT_EQ(bytes.substr(0, 17), "Extended Module: ");
    DUH* duh = LoadXm(kData + "/" + name);
    ASSERT_NE(duh, nullptr);
    DUMB_IT_SIGDATA* sd = duh_get_it_sigdata(duh);
    ASSERT_NE(sd, nullptr);
    EXPECT_GE(dumb_it_sd_get_n_samples(sd), 6);
    EXPECT_GE(duh_get_length(duh), 60L * 65536L);
    unload_duh(duh);
  }
}

TEST(AudioTools, WriteTheSameBytesOnEveryRun) {
  const std::string dir = kBinary + "/audio_repeat";
  ASSERT_EQ(Shell("rm -rf '" + dir + "' && mkdir -p '" + dir + "/sfx'"), 0);
  for (const char* piece : {"menu_music", "briefing_music", "game_music"}) {
    SCOPED_TRACE(piece);
    const std::string out = dir + "/" + piece + ".xm";
    ASSERT_EQ(Shell("'" + kBinary + "/tools/xmgen/xmgen' -o '" + out + "' '" + kSource + "/assets/music/" + piece +
                    ".score'"),
              0);
    EXPECT_EQ(ReadFile(out), ReadFile(kData + "/" + piece + ".xm"));
  }

  ASSERT_EQ(Shell("'" + kBinary + "/tools/sfxgen/sfxgen' -o '" + dir + "/sfx' '" + kSource +
                "/assets/sound/effects.sfx'"),
            0);
  ASSERT_EQ(Shell("cd '" + dir + "/sfx' && dat -s1 -c0 -a -t SAMP ../sounds.dat *.wav > /dev/null"), 0);
  EXPECT_EQ(ReadFile(dir + "/sounds.dat"), ReadFile(kData + "/sounds.dat"));
}

}  // namespace
