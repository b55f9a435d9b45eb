// The shell's pure pieces: Rand, the saturating arithmetic, texture sizes, the options file and the command line.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <tuple>
#include <vector>

#include "graphics/gltwodee.h"
#include "shell/args.h"
#include "shell/common.h"

TEST(Rand, StaysWithinBothEndsInEitherOrderAndTruncatedFavoursZero) {
  srand(7);
  int zeros = 0, ends = 0;
  for (int i = 0; i < 400000; ++i) {
    const float a = Rand(-3.0f, 3.0f), b = Rand(5.0f, 2.0f);
    ASSERT_TRUE(a >= -3.0f && a <= 3.0f && b >= 2.0f && b <= 5.0f) << a << " " << b;
    zeros += static_cast<int>(a) == 0;
    ends += std::fabs(a) == 3.0f;
  }
  // 0 collects (-1, 1), a third of the draws; +-3 only when r is 0 or 32767.
  EXPECT_TRUE(std::fabs(zeros / 400000.0 - 1.0 / 3.0) < 0.01 && ends < 60) << zeros << " " << ends;
}

TEST(Saturation, SumsTruncationsAndPowersOfTwoStayInRange) {
  for (const auto& [a, b, sum] : {std::tuple{INT_MAX, 1, INT_MAX}, {INT_MIN, INT_MIN, INT_MIN}, {-5, 3, -2}}) {
    EXPECT_EQ(AddClamped(a, b), sum) << a << " " << b;
  }
  const std::pair<float, int> truncations[] = {{NAN, 0}, {INFINITY, INT_MAX}, {-INFINITY, INT_MIN},
      {2147483648.0f, INT_MAX}, {-1.9f, -1}, {2147483520.0f, 2147483520}, {-2147483648.0f, INT_MIN}};
  for (const auto& [f, i] : truncations) EXPECT_EQ(TruncToInt(f), i) << f;
  // Textures are padded to powers of two of at least 2.
  for (int n : {2, 1024, 1 << 30}) EXPECT_TRUE(IsPowerOfTwo(n)) << n;
  for (int n : {1, 6, 0, -8}) EXPECT_FALSE(IsPowerOfTwo(n)) << n;
  const std::pair<int, int> nearest[] = {{1, 2}, {2, 2}, {3, 4}, {64, 64}, {65, 128}, {0, 2}, {-5, 2},
                                         {(1 << 30) + 1, 1 << 30}};
  for (const auto& [n, power] : nearest) EXPECT_EQ(NearestPowerOfTwo(n), power) << n;
}

// Whatever is read, every setting it cannot read keeps its default and the
// effect level is held within its range.
TEST(Options, ReadThenWrittenAsFiveLinesWithoutATrailingBreak) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "1\n1\n1\n1\n1"},          {"0\r\n0\n1\r\n0\n0", "0\n0\n1\n0\n0"}, {"0", "0\n1\n1\n1\n1"},
      {"2\n0\n7\n0\n0", "2\n0\n1\n1\n1"}, {"1\n1\n0\n7\n0", "1\n1\n0\n1\n1"},     {"0\n0\nabc\n0\n0", "0\n0\n1\n1\n1"},
      {"7", "2\n1\n1\n1\n1"},         {"-2147483648", "2\n1\n1\n1\n1"},   {"99999999999999999999", "1\n1\n1\n1\n1"},
  };
  for (const auto& [text, written] : cases) {
    Globals::GFXLevel = 1;
    Globals::SoundOn = Globals::MusicOn = Globals::ScreenShakeOn = Globals::Fullscreen = true;
    std::istringstream in(text);
    ReadOptions(in);
    std::ostringstream out;
    WriteOptions(out);
    EXPECT_EQ(out.str(), written) << text;
  }
}

// Answers go to stdout with status 0, faults to stderr with status 2 and the usage; only a bare start
// reaches the game. Each row: arguments, status, then how stdout and stderr start (nullptr: empty).
TEST(CommandLine, AnswersOrFaultsEveryArgumentAndStartsTheGameWithoutOne) {
  const std::tuple<std::vector<const char*>, int, const char*, const char*> cases[] = {
      {{"varnok"}, -1, nullptr, nullptr},
      {{"varnok", "--version"}, 0, "varnok ", nullptr},
      {{"varnok", "--help"}, 0, "Usage: varnok", nullptr},
      {{"varnok", "-v"}, 2, nullptr, "varnok: unexpected argument '-v'\nUsage: varnok"},
      {{"varnok", ""}, 2, nullptr, "varnok: unexpected argument ''"},
      {{"varnok", "--version", "--help"}, 2, nullptr, "varnok: unexpected argument '--help'"},
      {{"varnok", "level_a.txt", "--version"}, 2, nullptr, "varnok: unexpected argument 'level_a.txt'"},
  };
  auto starts = [](const std::string& text, const char* start) {
    return start == nullptr ? text.empty() : text.rfind(start, 0) == 0;
  };
  for (const auto& [args, status, outStart, errStart] : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(AnswerCommandLine(static_cast<int>(args.size()), args.data(), out, err), status) << args.back();
    EXPECT_TRUE(starts(out.str(), outStart) && starts(err.str(), errStart)) << out.str() << err.str();
  }
}
