// The game object on the real display with the real data: construction and
// destruction, the campaign list, a mission stepped tick by tick (events,
// end of the level, the fade, pause, Escape, the outcome and what carries
// over) and the mission frame read back from the screen.
#include <gtest/gtest.h>

#include <aldumb.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frontend_fixture.h"
#include "game/game.h"
#include "gl_harness.h"
#include "graphics/gltwodee.h"
#include "highscores/highscore.h"
#include "powerups/powerup.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "weapons/bullet.h"
#include "world/background.h"

using namespace gltest;
namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Pixels of the block for which the test holds.
int CountPixels(const Rect& rect, const std::function<bool(const Pixel&)>& test) {
  return static_cast<int>(std::count_if(rect.pixels.begin(), rect.pixels.end(), test));
}

// True when the landscape strip of `moved` is that of `still` shifted by
// (dx, dy) pixels.
bool MovedBy(const Rect& still, const Rect& moved, int dx, int dy) {
  for (int y = 400; y < 490; ++y)
    for (int x = 100; x < 700; ++x)
      if (moved.At(x, y) != still.At(x - dx, y - dy)) return false;
  return true;
}

// A stationary, unarmed enemy that stays where it is spawned.
const char* const StillShip = "Data 1 7 Acc 0.1 MaxSpeed 1 Hostile 1 Shields 5 Shadow 0 Ground 0 Value 50\n";

class GameTest : public testing::Test {
 protected:
  // The game reads its music modules from disk, as main sets DUMB up to.
  static void SetUpTestSuite() { dumb_register_stdfiles(); }

  void SetUp() override {
    srand(7);
    Globals::MusicOn = true;
    Globals::SoundOn = false;
    Globals::ScreenShakeOn = true;
    Globals::ScreenShake = 0;
    Globals::FPS = 0;
    ReleaseKeys();
    OpenLog();
    WriteFile("still_ship.txt", StillShip);
  }

  void TearDown() override {
    ReleaseKeys();
    Game.reset();
    Globals::LogFile.close();
    Setup2D();
  }

  static void OpenLog() {
    Globals::LogFile.close();
    Globals::LogFile.clear();
    Globals::LogFile.open("log.txt", std::ios::out | std::ios::trunc);
  }

  static std::vector<std::string> LogLines() {
    Globals::LogFile.flush();
    return ReadLines("log.txt");
  }

  // Builds the game; the tests drive the level clock themselves.
  void MakeGame() {
    Game = std::make_unique<CGame>();
    remove_int(IncSpeedCtr);
    remove_int(IncTime);
    remove_int(CountFrames);
  }

  // A mission from the given script, ready to play at level time 0.
  void StartMission(const std::string& script) {
    if (!Game) MakeGame();
    WriteFile("mission.txt", script);
    Game->PrepareMission("mission.txt");
    Game->BeginPlay();
  }

  // Steps the mission until the predicate holds, the level clock advancing
  // as the timers would (11 units in 70 ticks). Returns the ticks taken, or
  // -1 when the predicate still fails after maxTicks.
  int UpdateUntil(const std::function<bool()>& done, int maxTicks) {
    for (int tick = 1; tick <= maxTicks; ++tick) {
      ClockRemainder += 11;
      if (ClockRemainder >= 70) {
        ClockRemainder -= 70;
        ++Globals::Time;
      }
      Game->MissionTick();
      if (done()) return tick;
    }
    return -1;
  }

  // One tick at a given level time.
  void TickAt(int time) {
    Globals::Time = time;
    Game->MissionTick();
  }

  std::unique_ptr<CGame> Game;
  int ClockRemainder = 0;
};

// A working directory whose data directory links every generated file but
// the level scripts, so that a test decides which levels exist.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& name) : Previous(fs::current_path()), Dir(Previous / name) {
    fs::remove_all(Dir);
    fs::create_directories(Dir / "data");
    for (const fs::directory_entry& entry : fs::directory_iterator(VARNOK_DATA_DIR)) {
      const std::string file = entry.path().filename().string();
      if (file.rfind("level_", 0) == 0) continue;
      fs::create_symlink(entry.path(), Dir / "data" / file);
    }
    fs::current_path(Dir);
  }
  ~ScratchDirectory() {
    fs::current_path(Previous);
    fs::remove_all(Dir);
  }

 private:
  fs::path Previous;
  fs::path Dir;
};

TEST_F(GameTest, BuildsInOrderFindsTheCampaignUpToTheFirstGapAndWritesTheHallOfFameOnlyAtTheEnd) {
  ScratchDirectory scratch("campaign");
  OpenLog();
  for (const char* name : {"data/level_a.txt", "data/level_b.txt", "data/level_d.txt"}) WriteFile(name, "Fin 1\n");
  MakeGame();
  EXPECT_EQ(Game->Levels, (std::vector<std::string>{"data/level_a.txt", "data/level_b.txt"}));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"Creating player ship...", "Loading data...", "Loading highscores..."}));
  ASSERT_NE(Globals::SoundDat, nullptr);
  EXPECT_FALSE(fs::exists("Highscores"));

  Game->Highscores->AddEntry("Ace", 4200);
  Game.reset();
  EXPECT_EQ(Globals::SoundDat, nullptr);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"Creating player ship...", "Loading data...", "Loading highscores...",
                                                  "Deleting player...", "Ship destructor...", "Unloading data..."}));

  // The table went to disk complemented, best first, with CR LF line ends.
  std::ifstream in("Highscores", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text;
  for (char c : bytes) text += static_cast<char>(255 - static_cast<unsigned char>(c));
  EXPECT_EQ(text.substr(0, 16), "Ace 4200\r\nNone 0");
}

TEST_F(GameTest, WithoutTheFirstLevelTheCampaignIsEmpty) {
  ScratchDirectory scratch("empty_campaign");
  WriteFile("data/level_b.txt", "Fin 1\n");
  MakeGame();
  EXPECT_TRUE(Game->Levels.empty());
}

TEST_F(GameTest, AMissionStartsWithFreshObjectsThePlayerCarriedInAndTheScriptRead) {
  MakeGame();
  Game->PlayerInfo.Score = 1234;
  Game->PlayerInfo.Lives = 1;
  for (int id = 0; id < 12; ++id) Game->PlayerInfo.Ammo[id] = id * 10;
  Game->Player->Pos.x = 500;
  Game->Player->Kills = 4;
  OpenLog();
  WriteFile("mission.txt",
            "Req 2 Fin 50 Weapon 3 5 Weapon 12 99 E 30 700 300 still_ship.txt 1 10\n"
            "[Briefing]\nFly 100% of the %s way.\n" +
                std::string(300, 'x') + "\n[End]\nReq 4\n");
  Game->PrepareMission("mission.txt");

  EXPECT_FLOAT_EQ(Game->Player->Pos.x, 100.0f);
  EXPECT_EQ(Game->Player->Kills, 0);
  EXPECT_EQ(Game->Player->Score, 1234);
  EXPECT_EQ(Game->Player->Lives, 1);
  EXPECT_EQ(Game->Player->Weapon, 3);
  EXPECT_EQ(Game->Player->Ammo[3], 35);
  EXPECT_EQ(Game->Player->Ammo[11], 110);
  EXPECT_EQ(Game->RequiredKills, 4);
  EXPECT_EQ(Game->FinishTime, 50);
  ASSERT_EQ(Game->Events.size(), 1u);
  EXPECT_EQ(Game->Menu.Lines, (std::vector<std::string>{"", "Fly 100% of the %s way.", std::string(255, 'x')}));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"Running game...", "Deleting player...", "Ship destructor...", "Unloading data...",
                                                  "Creating player ship...", "Loading data...",
                                                  "Reading level: mission.txt", "Event added. Time: 30"}));
}

TEST_F(GameTest, AScriptThatCannotBeReadGivesAnEmptyMissionThatEndsAtOnce) {
  StartMission("Req 3 Fin 500 E 0 700 300 still_ship.txt 1 10\n[Briefing]\nOld text\n[End]\n");
  Game->PrepareMission("no_such_level.txt");
  Game->BeginPlay();
  EXPECT_TRUE(Game->Events.empty());
  EXPECT_EQ(Game->RequiredKills, 0);
  EXPECT_EQ(Game->FinishTime, 0);
  EXPECT_TRUE(Game->Menu.Lines.empty());

  // With no finish time and no events it ends once the clock leaves zero.
  for (int tick = 0; tick < 5; ++tick) TickAt(0);
  EXPECT_FLOAT_EQ(Game->EndFade, -1.0f);
  TickAt(1);
  EXPECT_FLOAT_EQ(Game->EndFade, 0.02f);
  int bonus = -1;
  EXPECT_EQ(Game->FinishMission(bonus), 0);
  EXPECT_EQ(bonus, 0);
}

TEST_F(GameTest, DueEventsAreReleasedInFileOrderAndEveryDueEventIsRemoved) {
  StartMission(
      "Fin 100\n"
      "PL 5 400 100\n"
      "E 3 700 300 still_ship.txt 1 10\n"
      "PW 0 400 200 15 20\n"
      "PS 3 400 300 40\n"
      "E 3 650 200 still_ship.txt 0 10\n");
  // An unknown event type and an unknown powerup type are dropped quietly.
  CLevelEvent odd;
  odd.Time = 1;
  odd.Type = 7;
  Game->Events.push_back(odd);
  odd.Type = 1;
  odd.PowerupType = 9;
  Game->Events.push_back(odd);

  Globals::Time = 3;
  Game->CheckEvents();
  ASSERT_EQ(Game->Enemies.size(), 2u);
  EXPECT_FLOAT_EQ(Game->Enemies[0]->Pos.x, 700.0f);
  EXPECT_TRUE(Game->Enemies[0]->CountsAsKill);
  EXPECT_FALSE(Game->Enemies[1]->CountsAsKill);
  EXPECT_EQ(Game->Enemies[1]->Behaviour, 10);
  ASSERT_EQ(Game->Powerups.size(), 2u);
  EXPECT_EQ(Game->Powerups[0]->Weapon, 15);
  EXPECT_EQ(Game->Powerups[0]->Amount, 20);
  EXPECT_EQ(Game->Powerups[1]->Shield, 40);
  ASSERT_EQ(Game->Events.size(), 1u);
  EXPECT_EQ(Game->Events[0].Time, 5);

  Globals::Time = 5;
  Game->CheckEvents();
  EXPECT_TRUE(Game->Events.empty());
  ASSERT_EQ(Game->Powerups.size(), 3u);
  EXPECT_FLOAT_EQ(Game->Powerups[2]->Pos.y, 100.0f);
}

TEST_F(GameTest, FinishedExplosionsAndPowerupsGoInTheTickTheyEnd) {
  StartMission("Fin 100\n");
  for (int i = 0; i < 2; ++i) {
    Game->Explosions.push_back(new CExplosion(300, 300, 0, 1.0f));
    Game->Powerups.push_back(new CPowerup(600, 100));
  }
  Game->Explosions[0]->Frame = 15.0f;  // its last frame shown
  Game->Powerups[0]->Dead = true;
  TickAt(1);
  ASSERT_EQ(Game->Explosions.size(), 1u);
  ASSERT_EQ(Game->Powerups.size(), 1u);
  EXPECT_FALSE(Game->Explosions[0]->Dead || Game->Powerups[0]->Dead);
}

TEST_F(GameTest, TheFadeTakesOneHundredTicksAndGoesOnWhateverHappens) {
  StartMission("Fin 10\nE 40 700 300 still_ship.txt 1 10\n");
  const int start = UpdateUntil([this] { return Game->EndFade > 0; }, 1000);
  EXPECT_EQ(Globals::Time.load(), 11);
  EXPECT_GE(start, 70);
  const int fade = UpdateUntil([this] { return Game->EndFade >= 1.0f; }, 1000);
  // The first fading tick counts; the loop ends after the hundredth.
  EXPECT_EQ(fade, 99);
  // An enemy timed after the finish never came: the screen was clear.
  EXPECT_TRUE(Game->Enemies.empty());
  EXPECT_EQ(Game->Events.size(), 1u);
  EXPECT_LT(Globals::Time.load(), 40);
}

TEST_F(GameTest, TheMusicFollowsTheScreensAndFadesOutOnlyWhenOn) {
  // A sound driver whose output goes nowhere gives the game real players.
  const std::string home = (fs::current_path() / "sound_home").string();
  fs::create_directories(home);
  WriteFile(home + "/.asoundrc",
            "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"/dev/null\"\n  format \"raw\"\n}\n");
  const char* oldHome = getenv("HOME");
  const std::string savedHome = oldHome != nullptr ? oldHome : "";
  setenv("HOME", home.c_str(), 1);
  const bool sound = install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) == 0;
  setenv("HOME", savedHome.c_str(), 1);
  ASSERT_TRUE(sound) << allegro_error;

  StartMission("");
  ASSERT_NE(Globals::DuhPlayer, nullptr);
  EXPECT_FLOAT_EQ(al_duh_get_volume(Globals::DuhPlayer), 0.6f);
  TickAt(0);
  EXPECT_FLOAT_EQ(al_duh_get_volume(Globals::DuhPlayer), 0.6f);
  int silentFrom = -1;
  for (int tick = 1; Game->EndFade < 1.0f && tick < 200; ++tick) {
    TickAt(1);
    const float fade = Game->EndFade;
    const float volume = al_duh_get_volume(Globals::DuhPlayer);
    EXPECT_FLOAT_EQ(volume, fade <= 0.6f ? 0.6f - fade : 0.0f) << "tick " << tick;
    if (volume == 0.0f && silentFrom < 0) silentFrom = tick;
  }
  // Silent after about 60 of the 100 fading ticks.
  EXPECT_NEAR(silentFrom, 60, 1);

  // With music off the game music starts silent and the fade leaves it so.
  Globals::MusicOn = false;
  Game->PrepareMission("mission.txt");
  Game->BeginPlay();
  ASSERT_NE(Globals::DuhPlayer, nullptr);
  for (int tick = 0; tick < 30; ++tick) TickAt(1);
  EXPECT_GT(Game->EndFade, 0.2f);
  EXPECT_FLOAT_EQ(al_duh_get_volume(Globals::DuhPlayer), 0.0f);

  // From the start: the menu music, a campaign (here without levels: only
  // the epilogue) on the briefing music, the Hall of Fame on the menu's.
  Globals::MusicOn = true;
  Game->Levels.clear();
  float volumes[3] = {-1, -1, -1};
  key[KEY_ESC] = 1;  // skips the intro
  Globals::SpeedCounter = -1;
  {
    frontendtest::Player player([&volumes] {
      using namespace frontendtest;
      auto volume = [] { return Globals::DuhPlayer != nullptr ? al_duh_get_volume(Globals::DuhPlayer) : -1.0f; };
      WaitConsumed();
      Pause();
      volumes[0] = volume();
      key[KEY_ESC] = 0;
      key[KEY_ENTER] = 1;  // NEW GAME
      Ticks(1);
      for (int screen : {1, 2}) {
        Globals::SpeedCounter = -1;  // the next screen waits for the keys to go up
        key[KEY_ENTER] = key[KEY_ESC] = 0;
        WaitConsumed();
        volumes[screen] = volume();
        key[KEY_ESC] = 1;
        Ticks(1);
      }
      Pause();
      key[KEY_UP] = 1;  // EXIT
      Ticks(1);
      key[KEY_ENTER] = 1;
      Ticks(1);
    });
    Game->Start();
  }
  glDisable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glDisable(GL_COLOR_MATERIAL);
  EXPECT_FLOAT_EQ(volumes[0], 0.4f);
  EXPECT_FLOAT_EQ(volumes[1], 0.2f);
  EXPECT_FLOAT_EQ(volumes[2], 0.4f);

  StopMusic();
  remove_sound();
}

TEST_F(GameTest, KillingTheLastEnemyBeforeTheFinishDoesNotEndTheMission) {
  StartMission("Req 1 Fin 20\nE 0 700 300 still_ship.txt 1 10\n");
  TickAt(0);
  ASSERT_EQ(Game->Enemies.size(), 1u);
  Game->Enemies[0]->TakeDamage(100);
  OpenLog();
  const int fell = UpdateUntil([this] { return Game->Enemies.empty(); }, 1000);
  ASSERT_GT(fell, 0);
  EXPECT_EQ(Game->Player->Kills, 1);
  EXPECT_EQ(Game->Player->Score, 50);
  const std::vector<std::string> log = LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Deleting ship..."), 1);
  ASSERT_LE(Globals::Time.load(), 20);
  EXPECT_FLOAT_EQ(Game->EndFade, -1.0f);

  TickAt(20);
  EXPECT_FLOAT_EQ(Game->EndFade, -1.0f);
  TickAt(21);
  EXPECT_FLOAT_EQ(Game->EndFade, 0.02f);
  EXPECT_GT(Globals::ScreenShake, 0);
}

TEST_F(GameTest, AFriendFlyingLeftNeverShootsItselfButHitsTheEnemyAhead) {
  WriteFile("target.txt", "Data 1 7 Acc 0.1 MaxSpeed 1 Hostile 1 Shields 100 Shadow 0 Ground 0 Value 50\n");
  for (int weapon : {0, 1, 2, 8, 9, 10}) {
    WriteFile("friend.txt", "Data 1 7 Acc 0.1 MaxSpeed 1 Hostile 0 Weapon " + std::to_string(weapon) +
                                " 1 Shields 100 Shadow 0 Ground 0\n");
    StartMission("Fin 100\nE 0 300 300 friend.txt 0 1\nE 0 520 300 target.txt 0 0\n");
    TickAt(0);
    ASSERT_EQ(Game->Enemies.size(), 2u);
    CShipNPC* friendly = Game->Enemies[0];
    CShipNPC* target = Game->Enemies[1];
    // Its one round, unless it fired it by itself already.
    friendly->Shoot(1);
    ASSERT_EQ(friendly->Ammo[weapon], 0) << weapon;
    for (int tick = 0; tick < 80; ++tick) {
      // The friend leaves its mine behind; the enemy is brought onto it.
      if (weapon == 8 && tick == 10) {
        ASSERT_EQ(Game->Bullets.size(), 1u);
        target->Pos = Game->Bullets[0]->Pos;
      }
      TickAt(0);
    }
    EXPECT_EQ(friendly->Shields, 100) << weapon;
    EXPECT_LT(target->Shields, 100) << weapon;
  }
}

TEST_F(GameTest, PauseFreezesTheMissionIgnoresEscapeAndWindsTheClockBack) {
  StartMission("Fin 100\nE 50 700 300 still_ship.txt 1 10\n");
  Globals::ScreenShake = 12;
  // P at level time 0 pauses like at any other time.
  key[KEY_P] = 1;
  TickAt(0);
  EXPECT_TRUE(Game->Paused());
  EXPECT_EQ(Game->SavedClock, 0);
  EXPECT_EQ(Globals::ScreenShake, 0);
  // Holding P does not resume.
  TickAt(3);
  EXPECT_TRUE(Game->Paused());
  key[KEY_P] = 0;

  const float fade = Game->Player->Fade;
  const float hills = Game->Background->HillsX;
  key[KEY_ESC] = 1;
  for (int time = 4; time < 80; ++time) TickAt(time);
  key[KEY_ESC] = 0;
  EXPECT_FLOAT_EQ(Game->Player->Fade, fade);
  EXPECT_FLOAT_EQ(Game->Background->HillsX, hills);
  EXPECT_EQ(Game->Player->Lives, 3);
  EXPECT_TRUE(Game->Enemies.empty());
  EXPECT_EQ(Game->Events.size(), 1u);

  key[KEY_P] = 1;
  TickAt(80);
  EXPECT_FALSE(Game->Paused());
  EXPECT_EQ(Globals::Time.load(), 0);
  EXPECT_EQ(Game->SavedClock, -1);
  EXPECT_NE(Game->Player->Fade, fade);
  EXPECT_TRUE(Game->Enemies.empty());
}

TEST_F(GameTest, APauseFreezesTheFade) {
  StartMission("");
  TickAt(1);
  TickAt(1);
  const float fade = Game->EndFade;
  ASSERT_GT(fade, 0.0f);
  key[KEY_P] = 1;
  TickAt(2);
  key[KEY_P] = 0;
  for (int tick = 0; tick < 50; ++tick) TickAt(3);
  EXPECT_FLOAT_EQ(Game->EndFade, fade);
  key[KEY_P] = 1;
  TickAt(4);
  EXPECT_FLOAT_EQ(Game->EndFade, fade + 0.01f);
  EXPECT_EQ(Globals::Time.load(), 2);
}

// Escape in play or in the end fade of a won mission aborts it: the player
// is out, the score earned stays and the bonus is not paid. A fade not yet
// begun starts in the tick after Escape.
TEST_F(GameTest, EscapeAbortsTheMissionEvenWhenItIsWon) {
  const struct {
    const char* script;
    int fadingTicks, bonus;
  } cases[] = {{"Req 1 Fin 1000\n", 0, 200}, {"Req 0\n", 40, 300}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    StartMission(c.script);
    Game->Player->Kills = 3;
    Game->Player->Score = 700;
    TickAt(1);
    for (int tick = 0; tick < c.fadingTicks; ++tick) TickAt(2);
    const float fade = Game->EndFade;
    key[KEY_ESC] = 1;
    TickAt(2);
    key[KEY_ESC] = 0;
    EXPECT_EQ(Game->Player->Lives, -1);
    EXPECT_TRUE(fade >= 0 || Game->EndFade == -1.0f) << Game->EndFade;
    ASSERT_GT(UpdateUntil([this] { return Game->EndFade >= 1.0f; }, 200), 0);
    int bonus = 0;
    EXPECT_EQ(Game->FinishMission(bonus), 1);
    EXPECT_EQ(bonus, c.bonus);
    EXPECT_EQ(Game->PlayerInfo.Score, 700);
    EXPECT_EQ(Game->PlayerInfo.Lives, -1);
  }
}

TEST_F(GameTest, TheOutcomeAndTheBonusFollowTheKills) {
  struct Case {
    int required, kills, status, bonus, score;
  };
  const Case cases[] = {
      {2, 2, 0, 0, 500},    // exactly enough
      {2, 5, 0, 300, 800},  // each extra kill is worth 100
      {3, 1, 2, -200, 500}, // failed: the score earned is kept, no bonus
      {-2, 0, 0, 200, 700}, // a negative requirement pays from the start
      // Requirements at the ends of the int range: the bonus and the score
      // stop at the ends too.
      {INT_MAX, 0, 2, INT_MIN, 500},
      {INT_MIN, 0, 0, INT_MAX, INT_MAX},
  };
  MakeGame();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.required) + " required, " + std::to_string(c.kills) + " kills");
    Game->PlayerInfo.Clear();
    Game->PlayerInfo.Score = 500;
    WriteFile("mission.txt", "Req " + std::to_string(c.required));
    Game->PrepareMission("mission.txt");
    Game->Player->Kills = c.kills;
    int bonus = 0;
    EXPECT_EQ(Game->FinishMission(bonus), c.status);
    EXPECT_EQ(bonus, c.bonus);
    EXPECT_EQ(Game->Player->Score, c.score);
    EXPECT_EQ(Game->PlayerInfo.Score, c.score);
  }
}

TEST_F(GameTest, ValuesAtTheEndsOfTheIntRangeSaturateThroughTheReadersAndTicks) {
  // Scripts and definitions the readers accept, played tick by tick (the
  // sanitizer build stops at any overflow or out-of-range conversion).
  WriteFile("rich_ship.txt", "Data 1 7 Acc 0.1 MaxSpeed 1 Hostile 1 Shields -2147483648 Shadow 0 Ground 0 "
                             "Value 2147483647\n");
  WriteFile("wild_ship.txt", "Data 1 7 Acc 3e38 MaxSpeed 3e38 Hostile 1 Weapon 0 2147483647 Weapon 9 5 "
                             "Shields 2147483647 Shadow 1 Ground 0 Value -2147483648\n");
  struct Case {
    const char* script;
    std::function<bool(const CPlayerShip&)> outcome;
  };
  // Events come at time 40, once the player's fade-in is over.
  const Case cases[] = {
      // Grants and a pickup beyond the largest count.
      {"Fin 100000 Weapon 0 2147483647 Weapon 0 1 PW 40 100 100 0 2147483647",
       [](const CPlayerShip& p) { return p.Ammo[0] == INT_MAX; }},
      // Shield points at both ends: a full heal, then more damage than any ship has.
      {"Fin 100000 PS 40 100 100 2147483647 PS 40 100 100 -2147483648",
       [](const CPlayerShip& p) { return p.State == Dying && p.Shields == 0; }},
      // A ship with the lowest shields rams the player and is worth the most.
      {"Fin 100000 E 40 100 100 rich_ship.txt 1 1",
       [](const CPlayerShip& p) { return p.Score == INT_MAX && p.Kills == 1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Game.reset();
    StartMission(c.script);
    Game->Player->Score = 5;
    EXPECT_GT(UpdateUntil([&] { return c.outcome(*Game->Player); }, 700), 0);
  }
  // Speeds and places at the edge of the float range, firing away: nothing
  // to see but the run itself.
  Game.reset();
  StartMission("Fin 100000 E 0 3e38 -3e38 wild_ship.txt 0 2 E 0 -3e38 3e38 wild_ship.txt 0 9 "
               "E 0 700 300 wild_ship.txt 0 4 E 0 700 200 wild_ship.txt 0 5");
  EXPECT_EQ(UpdateUntil([] { return false; }, 300), -1);
}

TEST_F(GameTest, ScoreLivesAndAmmunitionCarryOverIntoAReplay) {
  MakeGame();
  Game->PlayerInfo.Clear();
  WriteFile("mission.txt", "Req 5 Weapon 2 100\n");
  Game->PrepareMission("mission.txt");
  EXPECT_EQ(Game->Player->Ammo[2], 100);

  Game->Player->Score = 300;
  Game->Player->Lives = 2;
  Game->Player->Ammo[2] = 40;
  Game->Player->Ammo[9] = 4;
  int bonus = 0;
  ASSERT_EQ(Game->FinishMission(bonus), 2);

  Game->PrepareMission("mission.txt");
  EXPECT_EQ(Game->Player->Score, 300);
  EXPECT_EQ(Game->Player->Lives, 2);
  EXPECT_EQ(Game->Player->Ammo[2], 140);
  EXPECT_EQ(Game->Player->Ammo[9], 4);
  EXPECT_EQ(Game->Player->Kills, 0);

  Game->PlayerInfo.Clear();
  EXPECT_EQ(Game->PlayerInfo.Score, 0);
  EXPECT_EQ(Game->PlayerInfo.Lives, 3);
  for (int ammo : Game->PlayerInfo.Ammo) EXPECT_EQ(ammo, 0);
}

TEST_F(GameTest, ScreenShakeCountsDownAndMovesTheViewOnlyWhenSwitchedOn) {
  StartMission("Fin 1000\n");
  Globals::ScreenShake = 20;
  TickAt(1);
  EXPECT_EQ(Globals::ScreenShake, 19);

  Globals::ScreenShake = 0;
  Game->DrawMissionScene();
  const Rect still = ReadRect(0, 100, ScreenW, 500);

  Globals::ScreenShake = 20;
  Globals::ScreenShakeOn = false;
  Game->DrawMissionScene();
  EXPECT_EQ(ReadRect(0, 100, ScreenW, 500).pixels, still.pixels);

  // Each shaken frame is the still one moved by at most two pixels either
  // way (the shake truncates a draw from -3 to 3), and most frames move.
  Globals::ScreenShakeOn = true;
  int moved = 0;
  for (int frame = 0; frame < 30; ++frame) {
    Game->DrawMissionScene();
    const Rect shaken = ReadRect(0, 100, ScreenW, 500);
    bool within = false;
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) within = within || MovedBy(still, shaken, dx, dy);
    EXPECT_TRUE(within) << frame;
    if (shaken.pixels != still.pixels) ++moved;
  }
  EXPECT_GE(moved, 15);
}

TEST_F(GameTest, TheFrameShowsTheLandscapeTheCounterThePauseAndAFadeThatNeverShakes) {
  StartMission("Fin 1000\n");
  Globals::FPS = 88;
  Game->DrawMissionScene();

  // The ground strip is coloured and the counter is white at the top left.
  EXPECT_GT(CountPixels(ReadRect(0, 555, ScreenW, 40), [](const Pixel& p) { return p.r + p.g + p.b > 60; }),
            ScreenW * 40 / 2);
  EXPECT_GT(CountPixels(ReadRect(0, 0, 80, 16), [](const Pixel& p) { return p.r > 200 && p.g > 200 && p.b > 200; }), 10);

  // Paused: red text around the centre.
  Game->SavedClock = 0;
  Game->DrawMissionScene();
  EXPECT_GT(CountPixels(ReadRect(340, 280, 120, 40), [](const Pixel& p) { return p.r > 200 && p.g < 60 && p.b < 60; }), 10);
  Game->SavedClock = -1;

  // Half faded: everything at half brightness; fully faded under a shaking
  // view: all black.
  Game->DrawMissionScene();
  const Pixel bright = ReadPixel(400, 580);
  Game->EndFade = 0.5f;
  Game->DrawMissionScene();
  const Pixel half = ReadPixel(400, 580);
  EXPECT_NEAR(half.r, bright.r / 2, 3);
  EXPECT_NEAR(half.g, bright.g / 2, 3);
  EXPECT_NEAR(half.b, bright.b / 2, 3);
  Game->EndFade = 1.0f;
  Globals::ScreenShake = 20;
  Game->DrawMissionScene();
  EXPECT_EQ(CountPixels(ReadRect(0, 0, ScreenW, ScreenH), [](const Pixel& p) { return p != Pixel{0, 0, 0}; }), 0);

  const int frames = Globals::Frames;
  Game->DrawMissionFrame();
  EXPECT_EQ(Globals::Frames.load(), frames + 1);
}

}  // namespace
