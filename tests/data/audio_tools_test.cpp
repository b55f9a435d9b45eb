// The audio tools on small hand-written inputs: xmgen's tuning, timing and
// channel tricks as DUMB plays them, sfxgen's levels, and both tools refusing
// bad input so that a broken score fails the build instead of writing noise.
#include <dumb.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kBinary = VARNOK_BINARY_DIR;
const std::string kWork = kBinary + "/audio_tools_test";

int Shell(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

std::string Write(const std::string& name, const std::string& text) {
  Shell("mkdir -p '" + kWork + "'");
  std::string path = kWork + "/" + name;
  std::ofstream(path) << text;
  return path;
}

int Xmgen(const std::string& score, const std::string& out) {
  return Shell("'" + kBinary + "/tools/xmgen/xmgen' -o '" + out + "' '" + score + "'");
}

int Sfxgen(const std::string& recipes) {
  Shell("rm -rf '" + kWork + "/sfx' && mkdir -p '" + kWork + "/sfx'");
  return Shell("'" + kBinary + "/tools/sfxgen/sfxgen' -o '" + kWork + "/sfx' '" + recipes + "'");
}

// Mono render of a whole module (until it loops) at 22050 Hz.
std::vector<short> Render(const std::string& path) {
  dumb_register_stdfiles();
  std::vector<short> pcm;
  DUH* duh = dumb_load_xm(path.c_str());
  if (!duh) return pcm;
  DUH_SIGRENDERER* sr = duh_start_sigrenderer(duh, 0, 1, 0);
  dumb_it_set_loop_callback(duh_get_it_sigrenderer(sr), dumb_it_callback_terminate, nullptr);
  std::vector<short> block(4096);
  for (;;) {
    long got = duh_render(sr, 16, 0, 1.0f, 65536.0f / 22050.0f, 4096, block.data());
    pcm.insert(pcm.end(), block.begin(), block.begin() + got);
    if (got < 4096 || pcm.size() > 22050u * 60u) break;
  }
  duh_end_sigrenderer(sr);
  unload_duh(duh);
  return pcm;
}

// Frequency of a steady tone between two times, from its upward zero crossings.
double Frequency(const std::vector<short>& pcm, double from, double to) {
  size_t begin = static_cast<size_t>(from * 22050), end = static_cast<size_t>(to * 22050);
  size_t first = 0, last = 0, crossings = 0;
  for (size_t i = begin + 1; i < end && i < pcm.size(); ++i) {
    if (pcm[i - 1] < 0 && pcm[i] >= 0) {
      if (!crossings) first = i;
      last = i;
      ++crossings;
    }
  }
  return crossings > 1 ? (crossings - 1) * 22050.0 / (last - first) : 0.0;
}

double Rms(const std::vector<short>& pcm, double from, double to) {
  double sum = 0.0;
  size_t begin = static_cast<size_t>(from * 22050), end = std::min(pcm.size(), static_cast<size_t>(to * 22050));
  for (size_t i = begin; i < end; ++i) sum += static_cast<double>(pcm[i]) * pcm[i];
  return end > begin ? std::sqrt(sum / (end - begin)) : 0.0;
}

// 125 beats a minute at speed 6: a row lasts 0.12 s, a 16-row bar 1.92 s.
const char kHeader[] =
    "tempo 125\nspeed 6\nbar 16\n"
    "instrument sine wave=sine attack=1 decay=1 sustain=1 release=20 volume=64\n";

TEST(Xmgen, NotesSoundAtTheirPitchForTheirLength) {
  std::string score = Write("tune.score", std::string(kHeader) +
                                              "channel a sine\n"
                                              "section x bars=2\n"
                                              "  a notes A4:16 E5:8 r:8 # a comment after the notes\n"
                                              "end\norder x\n");
  ASSERT_EQ(Xmgen(score, kWork + "/tune.xm"), 0);
  std::vector<short> pcm = Render(kWork + "/tune.xm");
  ASSERT_FALSE(pcm.empty());
  EXPECT_NEAR(pcm.size() / 22050.0, 3.84, 0.05);
  EXPECT_NEAR(Frequency(pcm, 0.2, 1.8), 440.0, 2.0);
  EXPECT_NEAR(Frequency(pcm, 2.0, 2.8), 659.26, 3.0);
  // The rest releases the note: silence after a 20 ms release.
  EXPECT_GT(Rms(pcm, 2.0, 2.8), 1000.0);
  EXPECT_LT(Rms(pcm, 3.0, 3.8), 20.0);
}

TEST(Xmgen, ChordsBassAndEchoFollowTheHarmony) {
  std::string score = Write("parts.score", std::string(kHeader) +
                                               "channel bass sine\n"
                                               "channel echo sine echo=bass:8 vol=0.5\n"
                                               "channel top sine overlap=1\n"
                                               "section x\n"
                                               "  chords G Am\n"
                                               "  bass bass r.......-....................... oct=3\n"
                                               "  top chord x.......x....... voice=2 low=C4\n"
                                               "end\norder x\n");
  ASSERT_EQ(Xmgen(score, kWork + "/parts.xm"), 0);
  std::vector<short> pcm = Render(kWork + "/parts.xm");
  ASSERT_NEAR(pcm.size() / 22050.0, 3.84, 0.05);
  // Bar 1 on G: the bass plays G3 for half a bar over the chord voice, then
  // the echo repeats it at half the level; in bar 2 the chord voice is alone.
  const double bass = Rms(pcm, 0.1, 0.9), echo = Rms(pcm, 1.1, 1.9), alone = Rms(pcm, 2.1, 3.8);
  EXPECT_GT(bass, echo * 1.1);
  EXPECT_GT(echo, alone * 1.1);
  EXPECT_GT(alone, 1000.0);
  // The voice is the third of the chord's tones laid out upwards from C4:
  // B4 on G (D4 G4 B4), then A4 on Am (C4 E4 A4), handed between the twins.
  EXPECT_NEAR(Frequency(pcm, 2.1, 2.8), 440.0, 2.0);
}

TEST(Xmgen, OverlappingChannelsHandNotesOnAndRestsSilenceBoth) {
  std::string score = Write("overlap.score", std::string(kHeader) +
                                                 "channel a sine overlap=1\n"
                                                 "section x bars=1\n  a notes A4:8 E5:8\nend\n"
                                                 "section y bars=1\n  a notes r:16\nend\n"
                                                 "order x y\n");
  ASSERT_EQ(Xmgen(score, kWork + "/overlap.xm"), 0);
  std::vector<short> pcm = Render(kWork + "/overlap.xm");
  ASSERT_NEAR(pcm.size() / 22050.0, 3.84, 0.05);
  // The second note sounds alone: the first one was released under it.
  EXPECT_NEAR(Frequency(pcm, 1.05, 1.9), 659.26, 3.0);
  // The rest opening the next pattern releases the note left on the twin.
  EXPECT_LT(Rms(pcm, 2.0, 3.8), 20.0);
}

TEST(Xmgen, EchoesDoNotRingOnIntoTheNextPattern) {
  std::string score = Write("echo.score", std::string(kHeader) +
                                              "channel a sine\n"
                                              "channel e sine echo=a:6\n"
                                              "section x bars=1\n  a notes r:8 A4:4 r:4\nend\n"
                                              "section y bars=1\nend\n"
                                              "order x y\n");
  ASSERT_EQ(Xmgen(score, kWork + "/echo.xm"), 0);
  std::vector<short> pcm = Render(kWork + "/echo.xm");
  ASSERT_NEAR(pcm.size() / 22050.0, 3.84, 0.05);
  EXPECT_GT(Rms(pcm, 1.0, 1.4), 1000.0);  // the note, then its echo from row 14
  EXPECT_GT(Rms(pcm, 1.7, 1.9), 500.0);
  EXPECT_LT(Rms(pcm, 2.0, 3.8), 20.0);
}

TEST(Xmgen, RefusesBrokenScores) {
  const struct {
    const char* score;  // after the header and one sine channel "a"
    const char* why;
  } broken[] = {
      {"section x bars=1\n  a notes A4:32\nend\norder x\n", "notes past the section's end"},
      {"section x bars=1\n  a notes H4:4\nend\norder x\n", "unknown note name"},
      {"section x bars=1\n  b notes A4:4\nend\norder x\n", "unknown channel"},
      {"section x bars=1\nend\norder y\n", "order names a missing section"},
      {"section x bars=1\n  chords Hm\nend\norder x\n", "unknown chord"},
      {"section x bars=1\n  a drums k...\nend\norder x\n", "drums on a tonal channel"},
      {"channel d drums\nchannel e sine echo=d:3\nsection x bars=1\nend\norder x\n", "echo of a drum channel"},
      {"tempo 0\nsection x bars=1\nend\norder x\n", "tempo out of range"},
      {"instrument z wave=saw cycle=0\nsection x bars=1\nend\norder x\n", "a wave cycle of no samples"},
      {"instrument k wave=kick length=-1\nsection x bars=1\nend\norder x\n", "a drum of negative length"},
  };
  const std::string base = std::string(kHeader) + "channel a sine\n";
  for (const auto& b : broken)
    EXPECT_NE(Xmgen(Write("bad.score", base + b.score), kWork + "/bad.xm"), 0) << b.why;
  EXPECT_NE(Xmgen(kWork + "/missing.score", kWork + "/bad.xm"), 0);
}

std::vector<int16_t> ReadWav(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> pcm;
  for (size_t i = 44; i + 1 < bytes.size(); i += 2)
    pcm.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  return pcm;
}

TEST(Sfxgen, LevelsSoundsAndKeepsThemBelowFullScale) {
  ASSERT_EQ(Sfxgen(Write("levels.sfx",
                         "sound quiet length=0.3 loud=-20\n  sine amp=0.01 freq=440 decay=100\nend\n"
                         "sound loud length=0.3 loud=-20\n  sine amp=5 freq=440 decay=100\nend\n"
                         "sound spike length=0.3 loud=0\n  noise amp=1 decay=0.01 curve=4 seed=3\nend\n")),
            0);
  std::vector<int16_t> quiet = ReadWav(kWork + "/sfx/quiet.wav"), loud = ReadWav(kWork + "/sfx/loud.wav"),
                       spike = ReadWav(kWork + "/sfx/spike.wav");
  ASSERT_EQ(quiet.size(), static_cast<size_t>(0.3 * 44100));
  ASSERT_EQ(quiet.size(), loud.size());
  // Whatever the recipe's amplitude, the same loudness comes out.
  for (size_t i = 0; i < quiet.size(); ++i) ASSERT_NEAR(quiet[i], loud[i], 1) << i;
  double sum = 0.0;
  for (int16_t s : quiet) sum += static_cast<double>(s) * s;
  EXPECT_NEAR(20.0 * std::log10(std::sqrt(sum / quiet.size()) / 32767.0), -20.0, 0.5);
  // A loudness the peak cannot reach is capped at -1 dBFS, never clipped.
  int peak = 0;
  for (int16_t s : spike) peak = std::max(peak, std::abs(static_cast<int>(s)));
  EXPECT_NEAR(peak, 0.89 * 32767, 2);
  // Faded at both ends.
  EXPECT_EQ(quiet.front(), 0);
  EXPECT_LT(std::abs(quiet.back()), 100);
}

TEST(Sfxgen, RefusesBrokenRecipes) {
  EXPECT_NE(Sfxgen(Write("bad1.sfx", "sound a length=0.1\n  sine freq=440\n")), 0) << "no end";
  EXPECT_NE(Sfxgen(Write("bad2.sfx", "sound a length=0.1\n  wobble freq=440\nend\n")), 0) << "unknown layer";
  EXPECT_NE(Sfxgen(Write("bad3.sfx", "sound a length=0.1\n  sine amp=0\nend\n")), 0) << "silent";
  EXPECT_NE(Sfxgen(Write("bad4.sfx", "sine freq=440\n")), 0) << "layer outside a sound";
  EXPECT_NE(Sfxgen(Write("bad5.sfx", "sound a length=-1\n  sine freq=440\nend\n")), 0) << "negative length";
  EXPECT_NE(Sfxgen(Write("bad6.sfx", "sound a length=0.1\n  sine freq=440 at=-0.5\nend\n")), 0) << "starts early";
}

}  // namespace
