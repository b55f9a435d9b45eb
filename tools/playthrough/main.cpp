// playthrough: plays the campaign's missions headless, through the game's own
// mission tick with the real data, with a simple autopilot at the keys, over
// several seeds, and prints per mission the share of seeds won, the counted
// kills against "Req", the lives lost and the length of the mission.
//
//   playthrough [--root DIR] [--missions LETTERS] [--seeds N] [--min-wins N] [--dodge]
//               [--without IDS] [--reaction TICKS] [--campaign] [--verbose]
//
// DIR holds data/ (default: the working directory). Each mission starts
// afresh, as a new campaign would: 3 lives, no ammunition but what its script
// grants. The exit status is 1 when a mission is won in fewer than N seeds
// (default 1). With --dodge the pilot never fires: then every mission must end
// within "Fin" plus the time its slowest ships need to leave; hostile ships
// that stay until shot down are shot down by hand once nothing else is left,
// and the mission must end then. The exit status is 1 when one does not.
// --without 3,4,5,7 keeps the pilot off the listed weapons, to show what a
// mission demands; --campaign plays the missions in a row per seed the way
// the game does (carry-over, replays) and needs N seeds to reach the
// epilogue; --reaction 10 lets it look at the field only every tenth
// tick, more like a player than a machine. Needs an OpenGL display (run it under xvfb-run); draws no frames.
#include <aldumb.h>
#include <allegro.h>
#include <alleggl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "autopilot.h"
#include "game/game.h"
#include "headless.h"
#include "graphics/gltwodee.h"
#include "ships/enemy.h"
#include "ships/player.h"

namespace fs = std::filesystem;

namespace {

// Level-clock units granted after "Fin" for the slowest ships to leave.
constexpr int LeaveSlack = 400;
// A firing pilot may take longer than that to hunt down the ships that stay;
// the game itself sets no limit.
constexpr int HuntSlack = 1500;
constexpr int TicksPerSecond = 70;

struct Options {
  std::string Root = ".";
  std::string Missions;
  int Seeds = 5;
  int MinWins = 1;
  bool Dodge = false;
  bool Verbose = false;
  bool Campaign = false;
  std::vector<int> Banned;
  int Reaction = 1;
};

struct Result {
  int Outcome = -1;  // 0 accomplished, 1 killed, 2 failed, -1 did not end
  int Kills = 0;
  int LivesLost = 0;
  int Ticks = 0;
  int FriendsLost = 0;
  int StayersLeft = 0;
  int OthersLeft = 0;
  int StayersShot = 0;  // shot down by hand after the pilot only dodged
};

// One mission in play: the pilot at the keys, the level clock run by hand
// and the tallies kept tick by tick.
class Session {
 public:
  Session(CGame& game, bool fire, const Options& options)
      : Game(game), Pilot(fire, options.Banned, options.Reaction), Lives(game.Player->Lives) {}

  // Plays until the fade is complete or the level clock passes `limit`.
  void RunUntil(int limit) {
    while (Game.EndFade < 1.0f && Globals::Time <= limit) {
      // The level clock runs at 11 units a second.
      Clock += 11;
      if (Clock >= TicksPerSecond) {
        Clock -= TicksPerSecond;
        ++Globals::Time;
      }
      Pilot.Steer(Game);
      Game.MissionTick();
      ++Tally.Ticks;
      if (Game.Player->Lives < Lives) Tally.LivesLost += Lives - Game.Player->Lives;
      Lives = Game.Player->Lives;
      CountFallenFriends();
    }
    playthrough::Autopilot::ReleaseKeys();
  }

  void CountLeft() {
    Tally.StayersLeft = Tally.OthersLeft = 0;
    for (const CShipNPC* ship : Game.Enemies) {
      const bool stays = ship->Hostile && ship->Behaviour >= 8 && ship->Behaviour <= 10;
      ++(stays ? Tally.StayersLeft : Tally.OthersLeft);
    }
  }

  Result Tally;

 private:
  void CountFallenFriends() {
    std::set<const CShipNPC*> falling;
    for (const CShipNPC* ship : Game.Enemies) {
      if (ship->Hostile || ship->State != 1) continue;
      if (FallenFriends.count(ship) == 0) ++Tally.FriendsLost;
      falling.insert(ship);
    }
    FallenFriends.swap(falling);
  }

  CGame& Game;
  playthrough::Autopilot Pilot;
  int Clock = 0;
  int Lives;
  std::set<const CShipNPC*> FallenFriends;

};

// Plays one mission from a fresh start. A pilot that does not fire cannot
// bring down the ships that stay until shot down; once only those are left,
// they are shot down by hand and the mission must then come to its end.
Result Play(CGame& game, const std::string& path, unsigned seed, bool fire, const Options& options) {
  srand(seed);
  // A campaign carries score, lives and ammunition from mission to mission.
  if (!options.Campaign) game.PlayerInfo.Clear();
  game.PrepareMission(path.c_str());
  game.BeginPlay();
  Session session(game, fire, options);
  session.RunUntil(game.FinishTime + (fire ? HuntSlack : LeaveSlack));
  session.CountLeft();
  Result& result = session.Tally;
  result.StayersShot = 0;
  if (!fire && game.EndFade < 1.0f && result.OthersLeft == 0 && result.StayersLeft > 0) {
    result.StayersShot = result.StayersLeft;
    for (CShipNPC* ship : game.Enemies) ship->TakeDamage(ship->Shields);
    session.RunUntil(Globals::Time + LeaveSlack);
    session.CountLeft();
  }
  result.Kills = game.Player->Kills;
  if (game.EndFade >= 1.0f) {
    int bonus;
    result.Outcome = game.FinishMission(bonus);
  }
  return result;
}

// Plays each mission on its own over every seed and prints one line per
// mission; returns the number of missions that fall short.
int PlayMissions(CGame& game, const std::vector<std::string>& levels, const Options& options) {
  int failures = 0;
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
      const Result r = Play(game, level, static_cast<unsigned>(seed), !options.Dodge, options);
      req = game.RequiredKills;
      fin = game.FinishTime;
      wins += r.Outcome == 0;
      kills += r.Kills;
      minKills = std::min(minKills, r.Kills);
      lost += r.LivesLost;
      friends += r.FriendsLost;
      ticks += r.Ticks;
      latest = std::max(latest, r.Ticks);
      if (r.Outcome < 0) {
        ends = false;
        verdict = "NEVER ENDS: " + std::to_string(r.StayersLeft + r.OthersLeft) + " ships are still there";
      } else if (ends && r.StayersShot > 0) {
        verdict = "ends once its " + std::to_string(r.StayersShot) + " staying ships are shot down";
      } else if (ends && r.Outcome == 1) {
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
  return failures;
}

// Plays the whole campaign per seed as a player would: carrying score, lives
// and ammunition on, replaying a failed mission (up to three times) and
// stopping when the pilot is shot down for good.
int PlayCampaigns(CGame& game, const std::vector<std::string>& levels, const Options& options) {
  std::printf("Campaign with carry-over, %d seed%s\n", options.Seeds, options.Seeds == 1 ? "" : "s");
  std::printf("%-6s %-10s %6s %8s %7s %7s\n", "Seed", "Reached", "Won", "Replays", "Score", "Lives");
  int completed = 0;
  for (int seed = 1; seed <= options.Seeds; ++seed) {
    game.PlayerInfo.Clear();
    size_t mission = 0;
    int replays = 0, attempts = 0;
    while (mission < levels.size()) {
      const Result r = Play(game, levels[mission], static_cast<unsigned>(seed * 100 + attempts), true, options);
      ++attempts;
      if (r.Outcome == 0) {
        ++mission;
        attempts = 0;
      } else if (r.Outcome == 2 && attempts < 3) {
        ++replays;
      } else {
        break;
      }
    }
    const std::string reached =
        mission < levels.size() ? fs::path(levels[mission]).stem().string() : std::string("epilogue");
    std::printf("%-6d %-10s %3zu/%-2zu %8d %7d %7d\n", seed, reached.c_str(), mission, levels.size(), replays,
                game.PlayerInfo.Score, game.PlayerInfo.Lives);
    std::fflush(stdout);
    completed += mission == levels.size();
  }
  return completed >= std::min(options.MinWins, options.Seeds) ? 0 : 1;
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
    } else if (arg == "--without" && hasValue) {
      // Comma-separated weapon ids the pilot leaves alone.
      for (char* id = std::strtok(argv[++i], ","); id != nullptr; id = std::strtok(nullptr, ",")) {
        options.Banned.push_back(std::atoi(id));
      }
    } else if (arg == "--reaction" && hasValue) {
      options.Reaction = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--campaign") {
      options.Campaign = true;
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

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: playthrough [--root DIR] [--missions LETTERS] [--seeds N] [--min-wins N] [--dodge] "
                 "[--without IDS] [--reaction TICKS] [--campaign] [--verbose]\n");
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
  if (StartHeadlessDisplay("playthrough")) {
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

    failures = options.Campaign ? PlayCampaigns(*game, levels, options) : PlayMissions(*game, levels, options);
    game.reset();
  } else {
    failures = 1;
  }
  fs::current_path("/");
  fs::remove_all(scratch);
  return failures == 0 ? 0 : 1;
}
