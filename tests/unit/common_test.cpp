// The shell's pure pieces: Rand, the saturating arithmetic, the options file
// and the command line.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

#include "shell/args.h"
#include "shell/common.h"

namespace {

struct OptionsGuard {
  OptionsGuard() { Reset(); }
  ~OptionsGuard() { Reset(); }
  static void Reset() {
    Globals::GFXLevel = 1;
    Globals::SoundOn = Globals::MusicOn = Globals::ScreenShakeOn = Globals::Fullscreen = true;
  }
};

std::string Written() {
  std::ostringstream out;
  WriteOptions(out);
  return out.str();
}

void Read(const std::string& text) {
  std::istringstream in(text);
  ReadOptions(in);
}

}  // namespace

TEST(Rand, StaysWithinBothEndsInEitherOrder) {
  srand(1);
  for (int i = 0; i < 100000; ++i) {
    const float a = Rand(-3.0f, 3.0f);
    ASSERT_GE(a, -3.0f);
    ASSERT_LE(a, 3.0f);
    const float b = Rand(5.0f, 2.0f);
    ASSERT_GE(b, 2.0f);
    ASSERT_LE(b, 5.0f);
  }
}

TEST(Rand, TruncatedMinusThreeToThreeFavoursZeroAndRarelyReachesTheEnds) {
  srand(7);
  std::map<int, int> counts;
  const int draws = 400000;
  for (int i = 0; i < draws; ++i) counts[static_cast<int>(Rand(-3.0f, 3.0f))]++;
  // 0 collects (-1, 1): twice the share of each of +-1 and +-2.
  EXPECT_NEAR(counts[0] / double(draws), 2.0 / 6.0, 0.01);
  EXPECT_NEAR(counts[1] / double(draws), 1.0 / 6.0, 0.01);
  EXPECT_NEAR(counts[-2] / double(draws), 1.0 / 6.0, 0.01);
  // +-3 only when r is 0 or 32767: about 1 in 32768 each.
  EXPECT_LT(counts[3] + counts[-3], 60);
  EXPECT_EQ(counts.size(), 7u);
}

TEST(Saturation, SumsAndTruncationsStopAtTheEndsOfTheIntRange) {
  EXPECT_EQ(AddClamped(INT_MAX, 1), INT_MAX);
  EXPECT_EQ(AddClamped(INT_MIN, INT_MIN), INT_MIN);
  EXPECT_EQ(AddClamped(-5, 3), -2);
  const std::pair<float, int> truncations[] = {
      {NAN, 0},          {INFINITY, INT_MAX}, {-INFINITY, INT_MIN},        {3e38f, INT_MAX},
      {-3e38f, INT_MIN}, {-1.9f, -1},         {2147483520.0f, 2147483520}, {-2147483648.0f, INT_MIN},
  };
  for (const auto& t : truncations) EXPECT_EQ(TruncToInt(t.first), t.second) << t.first;
}

TEST(Options, DefaultsAreWrittenAsFiveLinesWithoutATrailingBreak) {
  OptionsGuard guard;
  EXPECT_EQ(Written(), "1\n1\n1\n1\n1");
  Globals::GFXLevel = 2;
  Globals::SoundOn = false;
  Globals::Fullscreen = false;
  EXPECT_EQ(Written(), "2\n0\n1\n1\n0");
}

TEST(Options, RoundTripThroughTheTextWithMixedLineEnds) {
  OptionsGuard guard;
  Read("0\r\n0\n1\r\n0\n0");
  EXPECT_EQ(Written(), "0\n0\n1\n0\n0");
}

TEST(Options, PartialReadsKeepTheDefaultsFromTheFirstBadValueOn) {
  OptionsGuard guard;
  Read("0");
  EXPECT_EQ(Globals::GFXLevel, 0);
  EXPECT_TRUE(Globals::SoundOn && Globals::MusicOn && Globals::ScreenShakeOn && Globals::Fullscreen);

  OptionsGuard::Reset();
  Read("2\n0\n7\n0\n0");  // the third value is not a flag
  EXPECT_EQ(Globals::GFXLevel, 2);
  EXPECT_FALSE(Globals::SoundOn);
  EXPECT_TRUE(Globals::MusicOn && Globals::ScreenShakeOn && Globals::Fullscreen);

  OptionsGuard::Reset();
  Read("0\n0\nabc\n0\n0");  // a word stops the reading too
  EXPECT_FALSE(Globals::SoundOn);
  EXPECT_TRUE(Globals::MusicOn && Globals::ScreenShakeOn && Globals::Fullscreen);

  OptionsGuard::Reset();
  Read("");
  EXPECT_EQ(Written(), "1\n1\n1\n1\n1");
}

TEST(Options, EffectLevelOutsideItsRangeIsHeldAsHigh) {
  OptionsGuard guard;
  for (const char* text : {"7", "-5", "2147483647", "-2147483648"}) {
    OptionsGuard::Reset();
    Read(text);
    EXPECT_EQ(Globals::GFXLevel, 2) << text;
  }
  OptionsGuard::Reset();
  Read("99999999999999999999");  // not an int at all: default stays
  EXPECT_EQ(Globals::GFXLevel, 1);
}

// Answers go to stdout with status 0, faults to stderr with status 2 and the
// usage; only a bare start reaches the game.
TEST(CommandLine, AnswersOrFaultsEveryArgumentAndStartsTheGameWithoutOne) {
  const struct {
    std::vector<const char*> args;
    int status;
    const char* outStart;  // nullptr: nothing on stdout
    const char* errStart;  // nullptr: nothing on stderr
  } cases[] = {
      {{"varnok"}, -1, nullptr, nullptr},
      {{"varnok", "--version"}, 0, "varnok ", nullptr},
      {{"varnok", "--help"}, 0, "Usage: varnok", nullptr},
      {{"varnok", "-v"}, 2, nullptr, "varnok: unexpected argument '-v'\nUsage: varnok"},
      {{"varnok", ""}, 2, nullptr, "varnok: unexpected argument ''"},
      {{"varnok", "--version", "--help"}, 2, nullptr, "varnok: unexpected argument '--help'"},
      {{"varnok", "level_a.txt", "--version"}, 2, nullptr, "varnok: unexpected argument 'level_a.txt'"},
  };
  for (const auto& c : cases) {
    std::ostringstream out, err;
    const int status = AnswerCommandLine(static_cast<int>(c.args.size()), c.args.data(), out, err);
    SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "(none)");
    EXPECT_EQ(status, c.status);
    for (const auto& [stream, start] : {std::pair{out.str(), c.outStart}, std::pair{err.str(), c.errStart}}) {
      if (start == nullptr) EXPECT_EQ(stream, "");
      else EXPECT_EQ(stream.rfind(start, 0), 0u) << stream;
    }
  }
}
