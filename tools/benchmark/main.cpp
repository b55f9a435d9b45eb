// benchmark: the cost of a crowded mission. It plays a stress scene through
// the game's own mission tick (30 enemy ships that stay on screen, about 200
// projectiles of five kinds, 10 explosions throwing debris at the highest
// effect level, all topped up every tick) and prints
//   - the cost of one logic tick (MissionTick, no drawing): median, minimum
//     and 90th percentile;
//   - the frame rate of the same scene drawn and flipped on the display,
//     beside that of a bare loop drawing the same quads in the same run, and
//     the ratio of the two;
// each with its target. It never fails on speed: the exit status is 1 only
// when the scene did not hold the strength it claims, 2 on bad arguments or
// when there is no display.
//
//   benchmark [--root DIR] [--ticks N] [--frames N] [--warmup N] [--seed N]
//
// DIR holds data/ (default: the working directory). Needs an OpenGL display:
//   xvfb-run -a -s "-screen 0 1024x768x24" build/tools/benchmark/benchmark --root build
#include <aldumb.h>
#include <allegro.h>
#include <GL/gl.h>
#include <alleggl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "game/game.h"
#include "headless.h"
#include "graphics/gltwodee.h"
#include "quads.h"
#include "stress.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double TickBudgetMs = 1000.0 / 70.0;
constexpr double TickTargetMs = 0.5;
constexpr double FrameRateTarget = 60.0;
constexpr double BareRatioTarget = 0.8;

struct Options {
  std::string Root = ".";
  int Ticks = 3000;
  int Frames = 300;
  int Warmup = 300;
  unsigned Seed = 1;
};

bool ParseCount(const char* text, int& value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || parsed < 1 || parsed > 10000000) return false;
  value = static_cast<int>(parsed);
  return true;
}

bool ParseArgs(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    int number = 0;
    if (arg == "--root") {
      options.Root = value;
    } else if (arg == "--ticks" && ParseCount(value, number)) {
      options.Ticks = number;
    } else if (arg == "--frames" && ParseCount(value, number)) {
      options.Frames = number;
    } else if (arg == "--warmup" && ParseCount(value, number)) {
      options.Warmup = number;
    } else if (arg == "--seed" && ParseCount(value, number)) {
      options.Seed = static_cast<unsigned>(number);
    } else {
      return false;
    }
  }
  return true;
}

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The value below which the given share of the sorted samples lies (nearest
// rank).
double Percentile(const std::vector<double>& sorted, double share) {
  const size_t rank = static_cast<size_t>(share * static_cast<double>(sorted.size()) + 0.999999);
  return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

// Frame rates from per-frame times: the one of the median frame, which a
// busy machine disturbs least, and the one of the whole run.
struct FrameRate {
  explicit FrameRate(std::vector<double> ms) {
    double total = 0;
    for (double t : ms) total += t;
    std::sort(ms.begin(), ms.end());
    MedianMs = Percentile(ms, 0.5);
    SlowMs = Percentile(ms, 0.9);
    Median = 1000.0 / MedianMs;
    Overall = 1000.0 * static_cast<double>(ms.size()) / total;
  }
  void Print() const {
    std::printf("    %.1f frames per second (median frame %.2f ms; 90th percentile %.2f ms; over the whole run "
                "%.1f frames per second)\n",
                Median, MedianMs, SlowMs, Overall);
  }
  double MedianMs, SlowMs, Median, Overall;
};

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Wall time of one frame, and the CPU time the drawing thread spent on it:
// the GL calls, vertex work and binning, which other work on the machine
// does not stretch (llvmpipe rasterises on threads of its own).
class FrameTimer {
 public:
  void Stop(std::vector<double>& wallMs, double& cpuMs) const {
    wallMs.push_back(Milliseconds(Clock::now() - Wall));
    cpuMs += ThreadCpuMs() - Cpu;
  }

 private:
  Clock::time_point Wall = Clock::now();
  double Cpu = ThreadCpuMs();
};

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  if (!(in >> one >> five >> fifteen)) return "unknown";
  return one + " " + five + " " + fifteen;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Running means of the scene's strength, and the weakest moment seen.
struct SceneTally {
  void Add(const benchmark::SceneCount& c) {
    ++Samples;
    Enemies += c.Enemies;
    Projectiles += c.Projectiles;
    Explosions += c.Explosions;
    Debris += c.DebrisExplosions;
    Particles += c.Particles;
    FewestEnemies = std::min(FewestEnemies, c.Enemies);
    FewestProjectiles = std::min(FewestProjectiles, c.Projectiles);
    FewestDebris = std::min(FewestDebris, c.DebrisExplosions);
  }
  double Mean(double sum) const { return Samples > 0 ? sum / Samples : 0.0; }
  int Samples = 0;
  double Enemies = 0, Projectiles = 0, Explosions = 0, Debris = 0, Particles = 0;
  int FewestEnemies = 1 << 30, FewestProjectiles = 1 << 30, FewestDebris = 1 << 30;
};

void PrintScene(const char* phase, const SceneTally& tally) {
  std::printf("  %-7s enemies %5.1f (fewest %d), projectiles %5.1f (fewest %d), explosions %5.1f of which with "
              "debris %4.1f (fewest %d), particles %6.0f\n",
              phase, tally.Mean(tally.Enemies), tally.FewestEnemies, tally.Mean(tally.Projectiles),
              tally.FewestProjectiles, tally.Mean(tally.Explosions), tally.Mean(tally.Debris), tally.FewestDebris,
              tally.Mean(tally.Particles));
}

// Whether the scene kept its strength, counted just before each timed tick
// or drawn frame.
bool HeldStrength(const SceneTally& tally) {
  return tally.FewestEnemies >= benchmark::SceneEnemies &&
         tally.FewestProjectiles >= benchmark::SceneProjectiles &&
         tally.FewestDebris >= benchmark::SceneDebrisExplosions;
}

int Run(CGame& game, const Options& options) {
  srand(options.Seed);
  Globals::GFXLevel = 2;
  {
    // The level script only keeps the mission from ending on its own.
    std::ofstream level("stress_level.txt");
    level << "Req 0\nFin 2000000000\n";
  }
  game.PrepareMission("stress_level.txt");
  game.BeginPlay();
  benchmark::StressScene scene(game);
  for (int i = 0; i < options.Warmup; ++i) {
    scene.TopUp();
    game.MissionTick();
  }

  // Logic: only MissionTick is timed.
  std::vector<double> ticks;
  ticks.reserve(static_cast<size_t>(options.Ticks));
  SceneTally tickScene;
  for (int i = 0; i < options.Ticks; ++i) {
    scene.TopUp();
    tickScene.Add(benchmark::CountScene(game));
    const Clock::time_point start = Clock::now();
    game.MissionTick();
    ticks.push_back(Milliseconds(Clock::now() - start));
  }
  std::sort(ticks.begin(), ticks.end());
  const double median = Percentile(ticks, 0.5);

  // Drawing: each frame of the scene is followed by the bare loop drawing
  // the same quads, so that both meet the same load on the machine.
  benchmark::FrameQuads quads;
  std::vector<double> sceneFrames, bareFrames;
  double sceneCpu = 0, bareCpu = 0;
  SceneTally frameScene;
  double quadSum = 0;
  for (int i = 0; i < options.Frames; ++i) {
    // Topped up after the tick, the frame shows the scene at full strength.
    game.MissionTick();
    scene.TopUp();
    frameScene.Add(benchmark::CountScene(game));
    benchmark::CollectQuads(game, quads);
    quadSum += quads.Count();

    FrameTimer timer;
    game.DrawMissionScene();
    allegro_gl_flip();
    timer.Stop(sceneFrames, sceneCpu);

    timer = FrameTimer();
    benchmark::DrawBare(game, quads);
    allegro_gl_flip();
    timer.Stop(bareFrames, bareCpu);
    // The game's drawing expects the 2D view as the game leaves it.
    Setup2D();
  }
  const FrameRate sceneRate(sceneFrames), bareRate(bareFrames);
  const double ratio = sceneRate.Median / bareRate.Median;

  std::printf("Varnok stress mission: %d warm-up ticks, %d timed ticks, %d frames, seed %u, GFX level %d\n",
              options.Warmup, options.Ticks, options.Frames, options.Seed, Globals::GFXLevel);
  std::printf("Scene (means over the run):\n");
  std::printf("  projectile mix: %s\n", benchmark::ProjectileMix());
  PrintScene("ticks", tickScene);
  PrintScene("frames", frameScene);
  std::printf("  quads per frame %.0f (background layers, stars as 1 batch, one per projectile, ship, shadow, "
              "particle and fireball)\n",
              quadSum / options.Frames);
  std::printf("\n(1) Logic tick (MissionTick, no drawing)\n");
  std::printf("    median %.3f ms   min %.3f ms   90th percentile %.3f ms   max %.3f ms\n", median, ticks.front(),
              Percentile(ticks, 0.9), ticks.back());
  std::printf("    target: median under %.1f ms (the tick budget is %.1f ms): %s\n", TickTargetMs, TickBudgetMs,
              Verdict(median < TickTargetMs));
  std::printf("\n(2) Scene drawn and flipped (DrawMissionScene + allegro_gl_flip)\n");
  sceneRate.Print();
  std::printf("    CPU of the drawing thread %.2f ms a frame\n", sceneCpu / options.Frames);
  std::printf("    target: at least %.0f frames per second: %s\n", FrameRateTarget,
              Verdict(sceneRate.Median >= FrameRateTarget));
  std::printf("\n(3) Bare loop drawing the same quads and flipping\n");
  bareRate.Print();
  std::printf("    CPU of the drawing thread %.2f ms a frame\n", bareCpu / options.Frames);
  std::printf("    ratio (2)/(3) = %.2f (medians; overall %.2f)   target: at least %.1f: %s\n", ratio,
              sceneRate.Overall / bareRate.Overall, BareRatioTarget, Verdict(ratio >= BareRatioTarget));
  std::printf("\nRenderer: %s (%s); targets are for the 2-core machine under Mesa's software renderer.\n",
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  std::printf("Load average at the end: %s (other work on the machine slows every figure; the medians and the\n"
              "ratio, measured frame by frame side by side, suffer least)\n",
              LoadAverage().c_str());
  std::fflush(stdout);

  if (!HeldStrength(tickScene) || !HeldStrength(frameScene)) {
    std::fprintf(stderr, "benchmark: the scene fell below its strength; the figures do not describe it\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, options)) {
    std::fprintf(stderr, "usage: benchmark [--root DIR] [--ticks N] [--frames N] [--warmup N] [--seed N]\n");
    return 2;
  }
  // The game writes its high-score file in the working directory: run in a
  // scratch one that sees the data through a link.
  const fs::path data = fs::absolute(fs::path(options.Root) / "data");
  char scratch[] = "/tmp/varnok_benchmark_XXXXXX";
  if (!fs::is_directory(data) || mkdtemp(scratch) == nullptr) {
    std::fprintf(stderr, "benchmark: no data directory at %s\n", data.c_str());
    return 2;
  }
  fs::create_directory_symlink(data, fs::path(scratch) / "data");
  fs::current_path(scratch);

  int status = 2;
  DATAFILE* fonts = nullptr;
  if (StartHeadlessDisplay("benchmark")) {
    Globals::SoundOn = false;
    Globals::MusicOn = false;
    dumb_register_stdfiles();
    fonts = load_datafile("data/font.dat");
    if (fonts != nullptr) {
      Globals::SmallFont = new CGLFont(static_cast<FONT*>(fonts[1].dat));
      Globals::MediumFont = new CGLFont(static_cast<FONT*>(fonts[2].dat));
      auto game = std::make_unique<CGame>();
      // Ticks are stepped here, not by the timer.
      remove_int(IncSpeedCtr);
      remove_int(IncTime);
      remove_int(CountFrames);
      status = Run(*game, options);
      game.reset();
      delete Globals::SmallFont;
      delete Globals::MediumFont;
      Globals::SmallFont = Globals::MediumFont = nullptr;
      unload_datafile(fonts);
    } else {
      std::fprintf(stderr, "benchmark: cannot load data/font.dat\n");
    }
  }
  fs::current_path("/");
  fs::remove_all(scratch);
  return status;
}
