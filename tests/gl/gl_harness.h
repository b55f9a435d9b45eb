// Small helpers shared by the tests that draw on the real OpenGL display that
// gl_main.cpp opens (800x600, 2D view). Pixels are addressed in screen
// coordinates: origin top-left, y down. Read back after drawing and before
// any flip: the pixels come from the back buffer.
// Include <gtest/gtest.h> before <alleggl.h>: the X11 headers that AllegroGL
// pulls in define None and Bool as macros, which break gtest's declarations.
#pragma once

#include <gtest/gtest.h>
#include <allegro.h>
#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <ostream>
#include <string>
#include <vector>

#include "graphics/gltwodee.h"

namespace gltest {

constexpr int ScreenW = 800;
constexpr int ScreenH = 600;

struct Pixel {
  int r = 0, g = 0, b = 0;
  bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Pixel& o) const { return !(*this == o); }
};

inline std::ostream& operator<<(std::ostream& out, const Pixel& p) {
  return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

// True when every channel differs by at most `tolerance`.
inline bool Near(const Pixel& a, const Pixel& b, int tolerance = 2) {
  auto close = [tolerance](int x, int y) { return x - y <= tolerance && y - x <= tolerance; };
  return close(a.r, b.r) && close(a.g, b.g) && close(a.b, b.b);
}

// A w x h block of pixels, row 0 at the top of the screen.
struct Rect {
  int w = 0, h = 0;
  std::vector<Pixel> pixels;
  const Pixel& At(int x, int y) const { return pixels[static_cast<size_t>(y * w + x)]; }
};

inline Rect ReadRect(int x, int y, int w, int h) {
  std::vector<uint8_t> raw(static_cast<size_t>(w * h * 4));
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  // GL counts rows from the bottom of the window.
  glReadPixels(x, ScreenH - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  Rect rect;
  rect.w = w;
  rect.h = h;
  rect.pixels.resize(static_cast<size_t>(w * h));
  for (int row = 0; row < h; ++row) {
    const int glRow = h - 1 - row;
    for (int col = 0; col < w; ++col) {
      const uint8_t* p = &raw[static_cast<size_t>((glRow * w + col) * 4)];
      rect.pixels[static_cast<size_t>(row * w + col)] = Pixel{p[0], p[1], p[2]};
    }
  }
  return rect;
}

inline Pixel ReadPixel(int x, int y) { return ReadRect(x, y, 1, 1).pixels[0]; }

// Clears colour and depth of the back buffer to an opaque colour (0..255).
inline void ClearScreen(int r, int g, int b) {
  glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// A 32-bit memory bitmap filled with one colour; the caller destroys it.
inline BITMAP* MakeFilledBitmap(int w, int h, int r, int g, int b) {
  BITMAP* bmp = create_bitmap_ex(32, w, h);
  clear_to_color(bmp, makecol32(r, g, b));
  return bmp;
}

// Stands in for xmessage, which Allegro runs to show a fatal message on X11
// and which would wait for a click: the stand-in prints its arguments to
// stderr (where death tests can match them) and returns at once. Call it
// inside the death-test statement; it changes PATH of the dying process.
inline void InstallMessageStandIn() {
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr) return;
  const std::string bin = std::string(cwd) + "/msgbin";
  if (system(("mkdir -p " + bin).c_str()) != 0) return;
  FILE* script = fopen((bin + "/xmessage").c_str(), "w");
  if (script == nullptr) return;
  fputs("#!/bin/sh\necho \"$@\" >&2\n", script);
  fclose(script);
  if (system(("chmod +x " + bin + "/xmessage").c_str()) != 0) return;
  setenv("PATH", (bin + ":" + getenv("PATH")).c_str(), 1);
}

inline void ReleaseKeys() {
  for (int i = 0; i < KEY_MAX; ++i) key[i] = 0;
}

// Every GL test starts from the game's 2D view on a black screen.
class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    Setup2D();
    ClearScreen(0, 0, 0);
  }
};

}  // namespace gltest
