// Texture sizes: the toolkit pads bitmaps to powers of two of at least 2.
#include <gtest/gtest.h>

#include <utility>

#include "graphics/gltwodee.h"

TEST(PowerOfTwo, TwoIsTheSmallestPowerAcceptedAndNearestNeverOverflows) {
  for (int n : {2, 4, 1024, 1 << 30}) EXPECT_TRUE(IsPowerOfTwo(n)) << n;
  for (int n : {1, 3, 6, 100, 0, -2, -8}) EXPECT_FALSE(IsPowerOfTwo(n)) << n;
  const std::pair<int, int> nearest[] = {{1, 2},    {2, 2},    {3, 4},     {50, 64}, {64, 64},
                                         {65, 128}, {600, 1024}, {0, 2}, {-5, 2}, {(1 << 30) + 1, 1 << 30}};
  for (const auto& [n, power] : nearest) EXPECT_EQ(NearestPowerOfTwo(n), power) << n;
}
