// Shared set-up of the front-end and background tests: a working directory
// of its own whose data/ holds plain single-colour stand-ins for the
// pictures (so positions and colours can be read back exactly), released
// keys, and a helper thread that plays the player
// and the timer while a blocking screen runs on the main thread.
#pragma once

#include <gtest/gtest.h>
#include <allegro.h>
#include <GL/gl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "gl_harness.h"
#include "graphics/gltwodee.h"
#include "shell/common.h"

namespace frontendtest {

namespace fs = std::filesystem;
using gltest::ReleaseKeys;

// Stand-in pictures: name, size, colour; rows above `maskRows` are magenta.
struct Picture {
  const char* name;
  int w, h;
  int r, g, b;
  int maskRows;
};

constexpr Picture Pictures[] = {
    {"logo.bmp", 256, 64, 255, 0, 0, 0},     {"moon.bmp", 128, 128, 0, 255, 0, 0},
    {"hills.bmp", 1024, 100, 0, 0, 200, 50}, {"ground.bmp", 1024, 50, 120, 80, 40, 0},
    {"earth.bmp", 100, 100, 255, 255, 0, 0}, {"quenby.bmp", 64, 64, 255, 255, 255, 0},
    {"exit.bmp", 200, 100, 0, 0, 255, 0},
};

inline void WritePictures(const fs::path& dataDir) {
  for (const Picture& p : Pictures) {
    BITMAP* bmp = create_bitmap_ex(32, p.w, p.h);
    clear_to_color(bmp, makecol32(p.r, p.g, p.b));
    if (p.maskRows > 0) rectfill(bmp, 0, 0, p.w - 1, p.maskRows - 1, makecol32(255, 0, 255));
    save_bitmap((dataDir / p.name).c_str(), bmp, nullptr);
    destroy_bitmap(bmp);
  }
}

class FrontEndTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    char dirTemplate[] = "/tmp/varnok_frontend_XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    WorkDir = dirTemplate;
    PreviousDir = fs::current_path();
    fs::create_directory(WorkDir / "data");
    WritePictures(WorkDir / "data");
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
    ReleaseKeys();
    Globals::SpeedCounter = 0;
    glClearColor(0, 0, 0, 1);
    Setup2D();
  }

  static inline fs::path WorkDir;
  static inline fs::path PreviousDir;
};

// True when some pixel of the block is within `tolerance` of the colour.
inline bool HasColour(const gltest::Rect& rect, gltest::Pixel colour, int tolerance = 8) {
  for (const gltest::Pixel& p : rect.pixels)
    if (gltest::Near(p, colour, tolerance)) return true;
  return false;
}

// True when no pixel of the block is brighter than black.
inline bool AllBlack(const gltest::Rect& rect) {
  for (const gltest::Pixel& p : rect.pixels)
    if (p.r + p.g + p.b > 0) return false;
  return true;
}

// Waits until the screen loop has taken every pending tick, or (with the
// counter set to -1 or to ticks that a held key keeps waiting) until a
// screen has entered its loop and reset the counter.
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
