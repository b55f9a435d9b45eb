// playthrough: plays the campaign's missions headless, through the game's own
// mission tick with the real data, with a simple autopilot at the keys, over
// several seeds, and prints per mission the share of seeds won, the counted
// kills against "Req", the lives lost and the length of the mission.
//
//   playthrough [--root DIR] [--missions LETTERS] [--seeds N] [--min-wins N] [--dodge] [--verbose]
//
// DIR holds data/ (default: the working directory). Each mission starts
// afresh, as a new campaign would: 3 lives, no ammunition but what its script
// grants. The exit status is 1 when a mission is won in fewer than N seeds
// (default 1). With --dodge the pilot never fires: then every mission must end
// by itself within "Fin" plus the time its slowest ships need to leave, or be
// left with nothing but hostile ships that stay until they are shot down.
// Needs an OpenGL display (run it under xvfb-run); draws no frames.
#include <aldumb.h>
#include <allegro.h>
#include <alleggl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "autopilot.h"
#include "game/game.h"
#include "graphics/gltwodee.h"
#include "ships/enemy.h"
#include "ships/player.h"

namespace fs = std::filesystem;

namespace {

// Level-clock units granted after "Fin" for the slowest ships to leave.
constexpr int LeaveSlack = 400;
constexpr int TicksPerSecond = 70;

struct Options {
  std::string Root = ".";
  std::string Missions;
  int Seeds = 5;
  int MinWins = 1;
  bool Dodge = false;
  bool Verbose = false;
};

struct Result {
  int Outcome = -1;  // 0 accomplished, 1 killed, 2 failed, -1 did not end
  int Kills = 0;
  int LivesLost = 0;
  int Ticks = 0;
  int FriendsLost = 0;
  int StayersLeft = 0;
  int OthersLeft = 0;
};

Result Play(CGame& game, const std::string& path, unsigned seed, bool fire) {
  srand(seed);
  playthrough::Autopilot pilot(fire);
  game.PlayerInfo.Clear();
  game.PrepareMission(path.c_str());
  game.BeginPlay();
  const int limit = game.FinishTime + LeaveSlack;
  Result result;
  int clock = 0;
  int lives = game.Player->Lives;
  std::set<const CShipNPC*> fallenFriends;
  while (game.EndFade < 1.0f && Globals::Time <= limit) {
    // The level clock runs at 11 units a second.
    clock += 11;
    if (clock >= TicksPerSecond) {
      clock -= TicksPerSecond;
      ++Globals::Time;
    }
    pilot.Steer(game);
    game.MissionTick();
    ++result.Ticks;
    if (game.Player->Lives < lives) result.LivesLost += lives - game.Player->Lives;
    lives = game.Player->Lives;
    std::set<const CShipNPC*> stillFalling;
    for (const CShipNPC* ship : game.Enemies) {
      if (ship->Hostile || ship->State != 1) continue;
      if (fallenFriends.count(ship) == 0) ++result.FriendsLost;
      stillFalling.insert(ship);
    }
    fallenFriends.swap(stillFalling);
  }
  playthrough::Autopilot::ReleaseKeys();
  for (CShipNPC* ship : game.Enemies) {
    const bool stays = ship->Hostile && ship->Behaviour >= 8 && ship->Behaviour <= 10;
    ++(stays ? result.StayersLeft : result.OthersLeft);
  }
  result.Kills = game.Player->Kills;
  if (game.EndFade >= 1.0f) {
    int bonus;
    result.Outcome = game.FinishMission(bonus);
  }
  return result;
}

bool ParseArgs(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--root" && hasValue) {
      options.Root = argv[++i];
    } else if (arg == "--missions" && hasValue) {
      options.Missions = argv[++i];
    } else if (arg == "--seeds" && hasValue) {
      options.Seeds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--min-wins" && hasValue) {
      options.MinWins = std::atoi(argv[++i]);
    } else if (arg == "--dodge") {
      options.Dodge = true;
    } else if (arg == "--verbose") {
      options.Verbose = true;
    } else {
      return false;
    }
  }
  return true;
}

bool OpenDisplay() {
  allegro_init();
  install_allegro_gl();
  install_timer();
  allegro_gl_clear_settings();
  allegro_gl_set(AGL_COLOR_DEPTH, 32);
  allegro_gl_set(AGL_Z_DEPTH, 16);
  allegro_gl_set(AGL_FULLSCREEN, 0);
  allegro_gl_set(AGL_DOUBLEBUFFER, 1);
  allegro_gl_set(AGL_REQUIRE, AGL_COLOR_DEPTH | AGL_DOUBLEBUFFER | AGL_Z_DEPTH | AGL_FULLSCREEN);
  set_color_depth(32);
  if (set_gfx_mode(GFX_OPENGL, 800, 600, 0, 0) != 0) {
    std::fprintf(stderr, "playthrough: cannot open the OpenGL display: %s\n", allegro_error);
    return false;
  }
  Setup2D();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: playthrough [--root DIR] [--missions LETTERS] [--seeds N] [--min-wins N] [--dodge] "
                 "[--verbose]\n");
    return 2;
  }
  // The game writes its high-score file in the working directory: play in a
  // scratch one that sees the data through a link.
  const fs::path data = fs::absolute(fs::path(options.Root) / "data");
  char scratch[] = "/tmp/varnok_playthrough_XXXXXX";
  if (!fs::is_directory(data) || mkdtemp(scratch) == nullptr) {
    std::fprintf(stderr, "playthrough: no data directory at %s\n", data.c_str());
    return 2;
  }
  fs::create_directory_symlink(data, fs::path(scratch) / "data");
  fs::current_path(scratch);

  int failures = 0;
  if (OpenDisplay()) {
    Globals::SoundOn = false;
    Globals::MusicOn = false;
    dumb_register_stdfiles();
    auto game = std::make_unique<CGame>();
    // The pilot runs the level clock itself, tick by tick.
    remove_int(IncSpeedCtr);
    remove_int(IncTime);
    remove_int(CountFrames);

    std::vector<std::string> levels;
    for (const std::string& level : game->Levels) {
      const char letter = level[level.size() - 5];
      if (options.Missions.empty() || options.Missions.find(letter) != std::string::npos) levels.push_back(level);
    }

    std::printf("%s, %d seed%s\n", options.Dodge ? "Dodging only, no firing" : "Autopilot flying and firing",
                options.Seeds, options.Seeds == 1 ? "" : "s");
    if (options.Dodge) {
      std::printf("%-8s %5s %9s %9s  %s\n", "Mission", "Fin", "Ends by", "Ended at", "Verdict");
    } else {
      std::printf("%-8s %5s %4s %6s %11s %11s %11s %13s %9s %9s\n", "Mission", "Fin", "Req", "Won", "Kills(avg)",
                  "Kills(min)", "Lives lost", "Friends lost", "Ticks", "Seconds");
    }
    for (const std::string& level : levels) {
      const std::string name = fs::path(level).stem().string();
      int wins = 0, kills = 0, minKills = 1 << 30, lost = 0, ticks = 0, req = 0, fin = 0, friends = 0;
      bool ends = true;
      int latest = 0;
      std::string verdict = "ends by itself";
      for (int seed = 1; seed <= options.Seeds; ++seed) {
        const Result r = Play(*game, level, static_cast<unsigned>(seed), !options.Dodge);
        req = game->RequiredKills;
        fin = game->FinishTime;
        wins += r.Outcome == 0;
        kills += r.Kills;
        minKills = std::min(minKills, r.Kills);
        lost += r.LivesLost;
        friends += r.FriendsLost;
        ticks += r.Ticks;
        latest = std::max(latest, r.Ticks);
        if (r.Outcome < 0) {
          if (r.OthersLeft > 0) {
            ends = false;
            verdict = "NEVER ENDS: " + std::to_string(r.OthersLeft) + " ships that should leave are still there";
          } else if (ends) {
            verdict = "waits for " + std::to_string(r.StayersLeft) + " hostile ships that stay until shot down";
          }
        } else if (r.Outcome == 1 && options.Dodge && ends) {
          verdict = "ends (the dodging pilot was shot down)";
        }
        if (options.Verbose) {
          std::printf("  %s seed %d: outcome %d, kills %d/%d, lives lost %d, friends lost %d, %d ticks, %d left\n",
                      name.c_str(), seed, r.Outcome, r.Kills, req, r.LivesLost, r.FriendsLost, r.Ticks,
                      r.StayersLeft + r.OthersLeft);
        }
      }
      const double n = options.Seeds;
      if (options.Dodge) {
        std::printf("%-8s %5d %9d %9.1f  %s\n", name.c_str(), fin, fin + LeaveSlack,
                    latest * 11.0 / TicksPerSecond, verdict.c_str());
        if (!ends) ++failures;
      } else {
        std::printf("%-8s %5d %4d %3d/%-2d %11.1f %11d %11.1f %13.1f %9.0f %9.1f\n", name.c_str(), fin, req, wins,
                    options.Seeds, kills / n, minKills, lost / n, friends / n, ticks / n, ticks / n / TicksPerSecond);
        if (wins < std::min(options.MinWins, options.Seeds)) ++failures;
      }
      std::fflush(stdout);
    }
    game.reset();
  } else {
    failures = 1;
  }
  fs::current_path("/");
  fs::remove_all(scratch);
  return failures == 0 ? 0 : 1;
}
