// The display the GL tests draw on: its size, the 2D view and the pixel
// helpers' orientation.
#include <gtest/gtest.h>

#include <unistd.h>

#include "gl_harness.h"
#include "graphics/gltwodee.h"

using namespace gltest;

TEST(Harness, OpensThe800x600DisplayInAScratchDirectoryWithData) {
  EXPECT_EQ(SCREEN_W, 800);
  EXPECT_EQ(SCREEN_H, 600);
  EXPECT_EQ(access("data", F_OK), 0);
}

TEST(Harness, ReadsPixelsWithTheOriginAtTheTopLeft) {
  ClearScreen(0, 0, 255);
  DrawRect(0, 0, 10, 5, CColor3(1, 0, 0));
  EXPECT_EQ(ReadPixel(0, 0), (Pixel{255, 0, 0}));
  EXPECT_EQ(ReadPixel(9, 4), (Pixel{255, 0, 0}));
  EXPECT_EQ(ReadPixel(10, 0), (Pixel{0, 0, 255}));
  EXPECT_EQ(ReadPixel(0, 5), (Pixel{0, 0, 255}));
  EXPECT_EQ(ReadPixel(0, 599), (Pixel{0, 0, 255}));
  const Rect rect = ReadRect(8, 3, 4, 4);
  EXPECT_EQ(rect.At(1, 1), (Pixel{255, 0, 0}));
  EXPECT_EQ(rect.At(2, 1), (Pixel{0, 0, 255}));
  EXPECT_EQ(rect.At(1, 2), (Pixel{0, 0, 255}));
  Setup2D();
}
