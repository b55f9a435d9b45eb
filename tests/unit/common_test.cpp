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

TEST(Rand, StaysWithinBothEndsInEitherOrder) {
  srand(7);
  for (int i = 0; i < 100000; ++i) {
    const float a = Rand(-3.0f, 3.0f), b = Rand(5.0f, 2.0f);
    ASSERT_TRUE(a >= -3.0f && a <= 3.0f && b >= 2.0f && b <= 5.0f) << a << " " << b;
  }
}

TEST(Saturation, SumsTruncationsAndPowersOfTwoStayInRange) {
  for (const auto& [a, b, sum] : {std::tuple{INT_MAX, 1, INT_MAX}, {INT_MIN, INT_MIN, INT_MIN}, {-5, 3, -2}}) {
    EXPECT_EQ(AddClamped(a, b), sum) << a << " " << b;
  }
  const std::pair<float, int> truncations[] = {{NAN, 0}, {2147483648.0f, INT_MAX}, {-INFINITY, INT_MIN}, {-1.9f, -1}};
  for (const auto& [f, i] : truncations) EXPECT_EQ(TruncToInt(f), i) << f;
  for (int n : {2, 1 << 30, 1, 6, 0, -8}) EXPECT_EQ(IsPowerOfTwo(n), n == 2 || n == 1 << 30) << n;
  const std::pair<int, int> nearest[] = {{1, 2}, {3, 4}, {64, 64}, {65, 128}, {-5, 2}, {(1 << 30) + 1, 1 << 30}};
  for (const auto& [n, power] : nearest) EXPECT_EQ(NearestPowerOfTwo(n), power) << n;
}

// Whatever is read, every setting it cannot read keeps its default and the effect level is held within its range.
TEST(Options, ReadThenWrittenAsFiveLinesWithoutATrailingBreak) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "1\n1\n1\n1\n1"}, {"0\r\n0\n1\r\n0\n0", "0\n0\n1\n0\n0"}, {"0", "0\n1\n1\n1\n1"},
      {"2\n0\n7\n0\n0", "2\n0\n1\n1\n1"}, {"1\n1\n0\n7\n0", "1\n1\n0\n1\n1"}, {"7", "2\n1\n1\n1\n1"},
      {"99999999999999999999", "1\n1\n1\n1\n1"},
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

// Faults go to stderr with status 2 and the usage; only a bare start reaches the game.
TEST(CommandLine, FaultsEveryUnexpectedArgumentAndStartsTheGameWithoutOne) {
  const std::tuple<std::vector<const char*>, int, std::string> cases[] = {
      {{"varnok"}, -1, ""},
      {{"varnok", "-v"}, 2, "varnok: unexpected argument '-v'\nUsage: varnok"},
      {{"varnok", "--version", "--help"}, 2, "varnok: unexpected argument '--help'"},
      {{"varnok", "level_a.txt", "--version"}, 2, "varnok: unexpected argument 'level_a.txt'"},
  };
  for (const auto& [args, status, error] : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(AnswerCommandLine(static_cast<int>(args.size()), args.data(), out, err), status) << args.back();
    EXPECT_TRUE(out.str().empty() && err.str().rfind(error, 0) == 0 && err.str().empty() == (status < 0));
  }
}
