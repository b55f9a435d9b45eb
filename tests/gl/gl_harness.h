// Pixel probes on the 800x600 display of gl_main.cpp in screen coordinates (y down), read before any flip.
#pragma once

#include <gtest/gtest.h>
#include <allegro.h>
#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "graphics/gltwodee.h"

namespace gltest {

constexpr int ScreenH = 600;

struct Pixel {
  int r = 0, g = 0, b = 0;
  bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline std::ostream& operator<<(std::ostream& out, const Pixel& p) {
  return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

inline bool Near(const Pixel& a, const Pixel& b, int tolerance = 2) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// A w x h block of pixels, row 0 at the top of the screen.
struct Rect {
  int w = 0, h = 0;
  std::vector<Pixel> pixels;
  const Pixel& At(int x, int y) const { return pixels[static_cast<size_t>(y * w + x)]; }
};

inline Rect ReadRect(int x, int y, int w, int h) {
  std::vector<uint8_t> raw(static_cast<size_t>(w * h * 4));
  glReadPixels(x, ScreenH - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  Rect rect{w, h, {}};
  for (int i = 0; i < w * h; ++i) {  // GL counts rows from the bottom
    const uint8_t* p = &raw[static_cast<size_t>(((h - 1 - i / w) * w + i % w) * 4)];
    rect.pixels.push_back(Pixel{p[0], p[1], p[2]});
  }
  return rect;
}

inline Pixel ReadPixel(int x, int y) { return ReadRect(x, y, 1, 1).pixels[0]; }

// Pixels of a block that differ from the background by more than a little.
inline int Changed(int x, int y, int w, int h, const Pixel& background) {
  int count = 0;
  for (const Pixel& p : ReadRect(x, y, w, h).pixels) count += Near(p, background, 8) ? 0 : 1;
  return count;
}

inline void ClearScreen(int r, int g, int b) {
  glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

inline BITMAP* MakeFilledBitmap(int w, int h, int r, int g, int b) {
  BITMAP* bmp = create_bitmap_ex(32, w, h);
  clear_to_color(bmp, makecol32(r, g, b));
  return bmp;
}

inline void ReleaseKeys() {
  for (int i = 0; i < KEY_MAX; ++i) key[i] = 0;
}

class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    Setup2D();
    ClearScreen(0, 0, 0);
  }
};

}  // namespace gltest
