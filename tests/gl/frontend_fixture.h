// Pixel probes, a data/ of single-colour stand-in pictures (positions and colours read back exactly), and the
// helpers of a thread that plays the player and the timer while a blocking screen runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <tuple>

#include "gl_harness.h"
#include "shell/common.h"

namespace frontendtest {

namespace fs = std::filesystem;
using namespace gltest;

using Lines = std::vector<std::string>;
const Pixel Black{0, 0, 0}, White{255, 255, 255}, Red{255, 0, 0}, Blue{0, 0, 255};

using Probe = std::tuple<int, int, Pixel>;  // x, y, colour

inline void ExpectPixels(const std::vector<Probe>& probes, int tolerance = 2) {
  for (const auto& [x, y, colour] : probes)
    EXPECT_TRUE(Near(ReadPixel(x, y), colour, tolerance)) << x << "," << y << ": " << ReadPixel(x, y);
}

inline bool HasColour(const Rect& rect, Pixel colour, int tolerance = 2) {
  const auto near = [&](const Pixel& p) { return Near(p, colour, tolerance); };
  return std::any_of(rect.pixels.begin(), rect.pixels.end(), near);
}

class FrontEndTest : public Screen {
 protected:
  // Stand-ins: name, size, colour; the hills' top half is magenta, see-through.
  static void SetUpTestSuite() {
    fs::create_directories("frontend/data");
    fs::current_path("frontend");
    const std::tuple<const char*, int, int, int, int, int> pictures[] = {
        {"logo.bmp", 256, 64, 255, 0, 0}, {"moon.bmp", 128, 128, 0, 255, 0}, {"hills.bmp", 1024, 100, 0, 0, 200},
        {"ground.bmp", 1024, 50, 120, 80, 40}, {"earth.bmp", 100, 100, 255, 255, 0}, {"exit.bmp", 200, 100, 0, 0, 255},
        {"quenby.bmp", 64, 64, 255, 255, 255}};
    for (const auto& [name, w, h, r, g, b] : pictures) {
      BITMAP* bmp = MakeFilledBitmap(w, h, r, g, b);
      if (name == std::string("hills.bmp")) rectfill(bmp, 0, 0, w - 1, h / 2 - 1, makecol32(255, 0, 255));
      save_bitmap((std::string("data/") + name).c_str(), bmp, nullptr);
      destroy_bitmap(bmp);
    }
  }
  static void TearDownTestSuite() { fs::current_path(".."); }
  void SetUp() override {
    ReleaseKeys();
    Globals::SoundOn = false;
    Globals::SpeedCounter = 0;
    Screen::SetUp();
  }
  void TearDown() override { SetUp(); }
};

// Waits until the screen loop has taken every pending tick, or (counter at -1) until a screen has entered its loop.
inline void WaitConsumed() {
  for (int ms = 0; Globals::SpeedCounter != 0 && ms < 10000; ++ms)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

inline void Ticks(int count) {
  for (int i = 0; i < count; ++i) {
    ++Globals::SpeedCounter;
    WaitConsumed();
  }
}

inline void Press(int k) {
  key[k] = 1;
  Ticks(1);
}

// Gives the screen on the main thread time to reach its wait for keys.
inline void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }

}  // namespace frontendtest
