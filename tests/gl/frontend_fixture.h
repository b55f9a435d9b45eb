// Shared set-up of the front-end, background and drawing tests: pixel probes,
// a working directory whose data/ holds plain single-colour stand-ins for the
// pictures (so positions and colours read back exactly), and a helper thread
// that plays the player and the timer while a blocking screen runs.
#pragma once

#include <gtest/gtest.h>
#include <allegro.h>
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gl_harness.h"
#include "graphics/gltwodee.h"
#include "shell/common.h"

namespace frontendtest {

namespace fs = std::filesystem;
using namespace gltest;

using Lines = std::vector<std::string>;
const Pixel Black{0, 0, 0}, White{255, 255, 255}, Red{255, 0, 0}, Blue{0, 0, 255};

// One pixel that must be (near) a colour.
struct Probe {
  int x, y;
  Pixel colour;
};

inline void ExpectPixels(const std::vector<Probe>& probes, int tolerance = 2) {
  for (const Probe& p : probes)
    EXPECT_TRUE(Near(ReadPixel(p.x, p.y), p.colour, tolerance)) << p.x << "," << p.y << ": " << ReadPixel(p.x, p.y);
}

// True when some pixel of the block is within `tolerance` of the colour.
inline bool HasColour(const Rect& rect, Pixel colour, int tolerance = 2) {
  for (const Pixel& p : rect.pixels)
    if (Near(p, colour, tolerance)) return true;
  return false;
}

inline bool AllBlack(const Rect& rect) {
  return std::all_of(rect.pixels.begin(), rect.pixels.end(), [](const Pixel& p) { return p == Black; });
}

class FrontEndTest : public testing::Test {
 protected:
  // Stand-ins: name, size, colour; the rows above `maskRows` are magenta.
  static void SetUpTestSuite() {
    char dirTemplate[] = "/tmp/varnok_frontend_XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    WorkDir = dirTemplate;
    PreviousDir = fs::current_path();
    fs::create_directory(WorkDir / "data");
    const struct {
      const char* name;
      int w, h, r, g, b, maskRows;
    } pictures[] = {{"logo.bmp", 256, 64, 255, 0, 0, 0},       {"moon.bmp", 128, 128, 0, 255, 0, 0},
                    {"hills.bmp", 1024, 100, 0, 0, 200, 50},   {"ground.bmp", 1024, 50, 120, 80, 40, 0},
                    {"earth.bmp", 100, 100, 255, 255, 0, 0},   {"quenby.bmp", 64, 64, 255, 255, 255, 0},
                    {"exit.bmp", 200, 100, 0, 0, 255, 0}};
    for (const auto& p : pictures) {
      BITMAP* bmp = MakeFilledBitmap(p.w, p.h, p.r, p.g, p.b);
      if (p.maskRows > 0) rectfill(bmp, 0, 0, p.w - 1, p.maskRows - 1, makecol32(255, 0, 255));
      save_bitmap((WorkDir / "data" / p.name).c_str(), bmp, nullptr);
      destroy_bitmap(bmp);
    }
    fs::current_path(WorkDir);
  }
  static void TearDownTestSuite() {
    fs::current_path(PreviousDir);
    fs::remove_all(WorkDir);
  }
  void SetUp() override {
    ReleaseKeys();
    Globals::SoundOn = false;
    Globals::SpeedCounter = 0;
    Setup2D();
  }
  void TearDown() override {
    SetUp();
    glClearColor(0, 0, 0, 1);
  }

  static inline fs::path WorkDir, PreviousDir;
};

// Waits until the screen loop has taken every pending tick, or (with the
// counter set to -1, or to ticks a held key keeps waiting) until a screen
// has entered its loop and reset the counter.
inline bool WaitConsumed() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Globals::SpeedCounter != 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Hands the running screen `count` logic ticks, one at a time.
inline void Ticks(int count) {
  for (int i = 0; i < count; ++i) {
    ++Globals::SpeedCounter;
    WaitConsumed();
  }
}

// Holds a key down for `ticks` ticks.
inline void Press(int k, int ticks = 1) {
  key[k] = 1;
  Ticks(ticks);
}

// Gives the screen on the main thread time to reach its wait for keys.
inline void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }

// Runs a script of key presses and ticks beside a blocking screen.
class Player {
 public:
  explicit Player(std::function<void()> script) : Thread(std::move(script)) {}
  ~Player() { Thread.join(); }

 private:
  std::thread Thread;
};

}  // namespace frontendtest
