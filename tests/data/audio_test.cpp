// The sounds and music the game plays, through the library calls the game uses, and the tools that write them.
#include <dumb.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "data_support.h"
#include "shell/common.h"

namespace {

using namespace data_test;
using Pcm = std::vector<short>;

const std::string kWork = kBinary + "/audio_test";

int Peak(const Pcm& v) {
  const auto [low, high] = std::minmax_element(v.begin(), v.end());
  return v.empty() ? 0 : std::max(-*low, +*high);
}

double Rms(const Pcm& v, size_t begin = 0, size_t end = SIZE_MAX) {
  double sum = 0.0;
  end = std::min(end, v.size());
  for (size_t i = begin; i < end; ++i) sum += static_cast<double>(v[i]) * v[i];
  return end > begin ? std::sqrt(sum / (end - begin)) : 0.0;
}

// Allegro keeps 16-bit data unsigned, centred on 0x8000.
Pcm Samples(const SAMPLE* sample) {
  Pcm v;
  for (unsigned long j = 0; j < sample->len; ++j) v.push_back(static_cast<const uint16_t*>(sample->data)[j] - 0x8000);
  return v;
}

// A module from its start to the point where it loops (at most 300 s), as the game's player plays it.
Pcm Render(const std::string& path, int channels, float volume, int rate) {
  dumb_register_stdfiles();
  Pcm pcm, block(2048 * channels);
  DUH* duh = dumb_load_xm(path.c_str());
  if (!duh) return pcm;
  DUH_SIGRENDERER* sr = duh_start_sigrenderer(duh, 0, channels, 0);
  dumb_it_set_loop_callback(duh_get_it_sigrenderer(sr), dumb_it_callback_terminate, nullptr);
  for (long got = 2048; got == 2048 && pcm.size() < 300u * rate * channels;) {
    got = duh_render(sr, 16, 0, volume, 65536.0f / rate, 2048, block.data());
    pcm.insert(pcm.end(), block.begin(), block.begin() + got * channels);
  }
  duh_end_sigrenderer(sr);
  unload_duh(duh);
  return pcm;
}

TEST(Sounds, EverySampleIsAudibleUnclippedAndStartsAndStopsWithoutAClick) {
  ASSERT_TRUE(StartAllegro());
  DATAFILE* dat = load_datafile((kData + "/sounds.dat").c_str());
  ASSERT_NE(dat, nullptr);
  for (int i = 0; i < SampleCount; ++i) {
    ASSERT_EQ(dat[i].type, DAT_SAMPLE) << i;
    const SAMPLE* sample = static_cast<const SAMPLE*>(dat[i].dat);
    ASSERT_TRUE(sample->bits == 16 && !sample->stereo && sample->freq >= 22050) << i;
    const Pcm v = Samples(sample);
    EXPECT_TRUE(v.size() > 0.03 * sample->freq && v.size() <= 1.6 * sample->freq) << i << ": " << v.size();
    EXPECT_TRUE(Peak(v) > 3000 && Peak(v) < 32000 && Rms(v) > 400) << i << ": " << Peak(v) << " " << Rms(v);
    EXPECT_TRUE(std::abs(v.front()) < 300 && std::abs(v.back()) < 300) << i << " clicks";
  }
  // The explosion and the crash are the longest and the weightiest.
  auto length = [&](int i) { return static_cast<const SAMPLE*>(dat[i].dat)->len; };
  EXPECT_TRUE(length(0) > length(5) && length(12) > length(1));
  unload_datafile(dat);
}

// At the game's own volume for each piece; a low rate keeps it quick.
TEST(Music, EachPiecePlaysOverAMinuteBeforeLoopingAudiblyWithoutClipping) {
  const std::pair<const char*, float> pieces[] = {
      {"menu_music.xm", 0.4f}, {"briefing_music.xm", 0.2f}, {"game_music.xm", 0.6f}};
  for (const auto& [file, volume] : pieces) {
    const Pcm pcm = Render(kData + "/" + file, 2, volume, 11025);
    EXPECT_TRUE(pcm.size() >= 60 * 2 * 11025 && pcm.size() < 180 * 2 * 11025) << file << pcm.size() / 22050 << " s";
    EXPECT_TRUE(Peak(pcm) < 32767 && Rms(pcm) > 32768.0 * std::pow(10.0, -32.0 / 20.0)) << file << " clips or is faint";
  }
}

// Runs xmgen on a score (into out.xm) or sfxgen on recipes (into sfx/); no text: a missing file.
int Generate(bool sfx, const std::string& text) {
  Shell("rm -rf '" + kWork + "' && mkdir -p '" + kWork + "/sfx'");
  if (!text.empty()) std::ofstream(kWork + "/in") << text;
  const std::string tool = kBinary + (sfx ? "/tools/sfxgen/sfxgen -o sfx" : "/tools/xmgen/xmgen -o out.xm");
  return Shell("cd '" + kWork + "' && " + tool + " in 2>/dev/null");
}

// 125 beats a minute at speed 6: a row lasts 0.12 s, a 16-row bar 1.92 s.
const std::string kHeader =
    "tempo 125\nspeed 6\nbar 16\ninstrument sine wave=sine attack=1 decay=1 sustain=1 release=20 volume=64\n";

TEST(Xmgen, NotesChordsEchoesAndOverlapsSoundAsScoredAndBrokenScoresAreRefused) {
  // Two-bar scores, each with probes {from, to (seconds), the tone's pitch (or 0), least and most level}.
  const std::pair<std::string, std::vector<std::array<double, 5>>> tunes[] = {
      // Notes at their pitch for their length; a rest releases the note within 20 ms.
      {"channel a sine\nsection x bars=2\n  a notes A4:16 E5:8 r:8 # a comment after the notes\nend\norder x\n",
       {{0.2, 1.8, 440.0, 1000, 1e9}, {2.0, 2.8, 659.26, 1000, 1e9}, {3.0, 3.8, 0, 0, 20}}},
      // G3 in the bass over the chord, then its echo at half the level; bar 2 voices Am from C4 up: its third is A4.
      {"channel bass sine\nchannel echo sine echo=bass:8 vol=0.5\nchannel top sine overlap=1\nsection x\n"
       "  chords G Am\n  bass bass r.......-....................... oct=3\n"
       "  top chord x.......x....... voice=2 low=C4\nend\norder x\n",
       {{0.1, 0.9, 0, 8500, 1e9}, {1.1, 1.9, 0, 6900, 8100}, {2.1, 3.8, 0, 1000, 6700}, {2.1, 2.8, 440.0, 0, 1e9}}},
      // The first note is released under the second; a rest opening the next pattern releases the twin.
      {"channel a sine overlap=1\nsection x bars=1\n  a notes A4:8 E5:8\nend\nsection y bars=1\n  a notes r:16\nend\n"
       "order x y\n",
       {{1.05, 1.9, 659.26, 0, 1e9}, {2.0, 3.8, 0, 0, 20}}},
      // An echo does not ring on into the next pattern.
      {"channel a sine\nchannel e sine echo=a:6\nsection x bars=1\n  a notes r:8 A4:4 r:4\nend\nsection y bars=1\n"
       "end\norder x y\n",
       {{1.0, 1.4, 0, 1000, 1e9}, {1.7, 1.9, 0, 500, 1e9}, {2.0, 3.8, 0, 0, 20}}},
  };
  for (const auto& [score, probes] : tunes) {
    ASSERT_EQ(Generate(false, kHeader + score), 0) << score;
    const Pcm pcm = Render(kWork + "/out.xm", 1, 1.0f, 22050);
    EXPECT_NEAR(pcm.size() / 22050.0, 3.84, 0.05) << score;
    for (const auto& [from, to, pitch, least, most] : probes) {
      const size_t begin = from * 22050, end = std::min<size_t>(to * 22050, pcm.size());
      int crossings = 0;  // upward through zero: the frequency of a steady tone
      for (size_t i = begin + 1; i < end; ++i) crossings += pcm[i - 1] < 0 && pcm[i] >= 0;
      const double hz = crossings * 22050.0 / (end - begin), rms = Rms(pcm, begin, end);
      EXPECT_TRUE(pitch == 0 || std::abs(hz - pitch) < pitch / 200) << score << hz << " Hz from " << from;
      EXPECT_TRUE(rms >= least && rms <= most) << score << "level " << rms << " from " << from;
    }
  }
  const std::string xm = kHeader + "channel a sine\n", bar = "section x bars=1\nend\norder x\n";
  auto notes = [&](const std::string& line) { return xm + "section x bars=1\n  " + line + "\nend\norder x\n"; };
  const std::string scores[] = {"", notes("a notes A4:32"), notes("a notes H4:4"), notes("b notes A4:4"),
      xm + "section x bars=1\nend\norder y\n", xm + "tempo 0\n" + bar,
      xm + "channel d drums\nchannel e sine echo=d:3\n" + bar,
      xm + "instrument z wave=saw cycle=0\n" + bar, xm + "instrument k wave=kick length=-1\n" + bar};
  for (const std::string& score : scores) EXPECT_NE(Generate(false, score), 0) << score;
}

// Whatever the recipe's amplitude, the sound comes out at its loudness, faded at both ends; a loudness the peak
// cannot reach is capped at -1 dBFS, never clipped.
TEST(Sfxgen, LevelsSoundsKeepsThemBelowFullScaleAndRefusesBrokenRecipes) {
  ASSERT_TRUE(StartAllegro());
  const std::string recipes[] = {"sound a length=0.1\n  sine freq=440\n", "sound a length=0.1\n  sine amp=0\nend\n",
      "sound a length=-1\n  sine freq=440\nend\n", "sound a length=0.1\n  sine freq=440 at=-0.5\nend\n"};
  for (const std::string& recipe : recipes) EXPECT_NE(Generate(true, recipe), 0) << recipe;
  const std::string sine = " length=0.3 loud=-20\n  sine freq=440 attack=0 decay=100 amp=";
  ASSERT_EQ(0, Generate(true, "sound quiet" + sine + "0.01\nend\nsound loud" + sine + "5\nend\n"
                              "sound spike length=0.3 loud=0\n  noise amp=1 decay=0.01 curve=4 seed=3\nend\n"));
  for (const char* name : {"quiet", "loud", "spike"}) {
    SAMPLE* sample = load_sample((kWork + "/sfx/" + name + ".wav").c_str());
    ASSERT_NE(sample, nullptr) << name;
    const Pcm v = Samples(sample);
    destroy_sample(sample);
    EXPECT_EQ(v.size(), static_cast<size_t>(0.3 * 44100)) << name;
    EXPECT_TRUE(std::abs(v[1]) * 20 < Peak(v) && std::abs(v.back()) < 100) << name << " is not faded";
    if (name[0] == 's')
      EXPECT_NEAR(Peak(v), 0.89 * 32767, 2);
    else
      EXPECT_NEAR(20.0 * std::log10(Rms(v) / 32767.0), -20.0, 0.5) << name;
  }
}

}  // namespace
