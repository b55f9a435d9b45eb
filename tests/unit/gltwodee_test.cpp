// Texture sizes: the toolkit pads bitmaps to powers of two of at least 2.
#include <gtest/gtest.h>

#include "graphics/gltwodee.h"

TEST(PowerOfTwo, TwoIsTheSmallestPowerAccepted) {
  EXPECT_FALSE(IsPowerOfTwo(1));
  EXPECT_TRUE(IsPowerOfTwo(2));
  EXPECT_TRUE(IsPowerOfTwo(4));
  EXPECT_TRUE(IsPowerOfTwo(1024));
  EXPECT_TRUE(IsPowerOfTwo(1 << 30));
  EXPECT_FALSE(IsPowerOfTwo(6));
  EXPECT_FALSE(IsPowerOfTwo(3));
  EXPECT_FALSE(IsPowerOfTwo(100));
  EXPECT_FALSE(IsPowerOfTwo(0));
  EXPECT_FALSE(IsPowerOfTwo(-2));
  EXPECT_FALSE(IsPowerOfTwo(-8));
}

TEST(PowerOfTwo, NearestIsTheSmallestPowerAtLeastN) {
  EXPECT_EQ(NearestPowerOfTwo(1), 2);
  EXPECT_EQ(NearestPowerOfTwo(2), 2);
  EXPECT_EQ(NearestPowerOfTwo(3), 4);
  EXPECT_EQ(NearestPowerOfTwo(50), 64);
  EXPECT_EQ(NearestPowerOfTwo(64), 64);
  EXPECT_EQ(NearestPowerOfTwo(65), 128);
  EXPECT_EQ(NearestPowerOfTwo(100), 128);
  EXPECT_EQ(NearestPowerOfTwo(600), 1024);
  EXPECT_EQ(NearestPowerOfTwo(800), 1024);
  EXPECT_EQ(NearestPowerOfTwo(0), 2);
  EXPECT_EQ(NearestPowerOfTwo(-5), 2);
}

TEST(PowerOfTwo, NearestStopsAtTheLargestIntPowerInsteadOfOverflowing) {
  EXPECT_EQ(NearestPowerOfTwo((1 << 30) + 1), 1 << 30);
}
