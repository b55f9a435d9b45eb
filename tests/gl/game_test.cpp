// The game object on the real display with the real data: the campaign list,
// a mission stepped tick by tick (events, the end and its fade, pause,
// Escape, the outcome and what carries over), the music and the mission
// frame read back from the screen.
#include <gtest/gtest.h>

#include <aldumb.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <memory>

#include "frontend_fixture.h"
#include "game/game.h"
#include "highscores/highscore.h"
#include "powerups/powerup.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "weapons/bullet.h"
#include "world/background.h"

using namespace frontendtest;
using Lines = std::vector<std::string>;

namespace {

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class GameTest : public testing::Test {
 protected:
  // The game reads its music modules from disk, as main sets DUMB up to.
  static void SetUpTestSuite() { dumb_register_stdfiles(); }
  void SetUp() override {
    srand(7);
    Globals::MusicOn = Globals::ScreenShakeOn = true;
    Globals::SoundOn = false;
    Globals::ScreenShake = Globals::FPS = 0;
    ReleaseKeys();
    OpenLog();
    WriteFile("still_ship.txt", "Data 1 7 Acc 0.1 MaxSpeed 1 Hostile 1 Shields 5 Shadow 0 Ground 0 Value 50\n");
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
  static Lines LogLines() {
    Globals::LogFile.flush();
    std::ifstream in("log.txt");
    Lines lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
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
  // Steps the mission until `done` holds, the clock advancing about as the
  // timers move it: the ticks taken, or -1.
  int UpdateUntil(const std::function<bool()>& done, int maxTicks) {
    for (int tick = 1; tick <= maxTicks; ++tick) {
      TickAt(tick / 7);
      if (done()) return tick;
    }
    return -1;
  }
  void TickAt(int time) {
    Globals::Time = time;
    Game->MissionTick();
  }

  std::unique_ptr<CGame> Game;
};

// The campaign is the run of level scripts from level_a up to the first gap.
TEST_F(GameTest, FindsTheCampaignLogsItsLifeAndWritesTheHallOfFameOnlyAtTheEnd) {
  const struct {
    Lines files, levels;
  } cases[] = {{{"a", "b", "d"}, {"data/level_a.txt", "data/level_b.txt"}}, {{"b"}, {}}};
  const fs::path previous = fs::current_path(), dir = previous / "campaign";
  for (const auto& c : cases) {
    fs::create_directories(dir / "data");
    for (const fs::directory_entry& entry : fs::directory_iterator(VARNOK_DATA_DIR))
      if (entry.path().filename().string().rfind("level_", 0) != 0)
        fs::create_symlink(entry.path(), dir / "data" / entry.path().filename());
    fs::current_path(dir);
    OpenLog();
    for (const std::string& letter : c.files) WriteFile("data/level_" + letter + ".txt", "Fin 1\n");
    MakeGame();
    EXPECT_EQ(Game->Levels, c.levels);
    EXPECT_EQ(LogLines(), (Lines{"Creating player ship...", "Loading data...", "Loading highscores..."}));
    EXPECT_FALSE(fs::exists("Highscores"));
    Game.reset();
    EXPECT_EQ(Globals::SoundDat, nullptr);
    EXPECT_EQ(LogLines().back(), "Unloading data...");
    EXPECT_TRUE(fs::exists("Highscores"));
    fs::current_path(previous);
    fs::remove_all(dir);
  }
}

TEST_F(GameTest, AMissionStartsWithFreshObjectsWhatThePlayerCarriedInAndTheScriptRead) {
  MakeGame();
  Game->PlayerInfo.Score = 1234;
  Game->PlayerInfo.Lives = 1;
  for (int id = 0; id < 12; ++id) Game->PlayerInfo.Ammo[id] = id * 10;
  Game->Player->Pos.x = 500;
  Game->Player->Kills = 4;
  OpenLog();
  WriteFile("mission.txt", "Req 2 Fin 50 Weapon 3 5 Weapon 12 99 E 30 700 300 still_ship.txt 1 10\n"
                           "[Briefing]\nFly.\n[End]\nReq 4\n");
  Game->PrepareMission("mission.txt");
  const CPlayerShip& p = *Game->Player;
  EXPECT_FLOAT_EQ(p.Pos.x, 100.0f);
  EXPECT_EQ(std::vector<int>({p.Kills, p.Score, p.Lives, p.Weapon, p.Ammo[3], p.Ammo[11]}),
            std::vector<int>({0, 1234, 1, 3, 35, 110}));
  EXPECT_EQ(Game->RequiredKills, 4);
  EXPECT_EQ(Game->FinishTime, 50);
  EXPECT_EQ(Game->Menu.Lines, (Lines{"", "Fly."}));
  EXPECT_EQ(LogLines(), (Lines{"Running game...", "Deleting player...", "Ship destructor...", "Unloading data...",
                               "Creating player ship...", "Loading data...", "Reading level: mission.txt",
                               "Event added. Time: 30"}));
  // A script that cannot be read leaves nothing of the last one.
  Game->PrepareMission("no_such_level.txt");
  EXPECT_TRUE(Game->Menu.Lines.empty() && Game->Events.empty());
}

TEST_F(GameTest, DueEventsAreReleasedInFileOrderAndEveryDueEventIsRemoved) {
  StartMission("Fin 100 PL 5 400 100 E 3 700 300 still_ship.txt 1 10 PW 0 400 200 15 20 PS 3 400 300 40 "
               "E 3 650 200 still_ship.txt 0 9\n");
  Globals::Time = 3;
  Game->CheckEvents();
  ASSERT_EQ(Game->Enemies.size(), 2u);
  const CShipNPC &first = *Game->Enemies[0], &second = *Game->Enemies[1];
  EXPECT_FLOAT_EQ(first.Pos.x, 700.0f);
  EXPECT_EQ(std::vector<int>({first.CountsAsKill, second.CountsAsKill, second.Behaviour}), std::vector<int>({1, 0, 9}));
  ASSERT_EQ(Game->Powerups.size(), 2u);
  EXPECT_EQ(std::vector<int>({Game->Powerups[0]->Weapon, Game->Powerups[0]->Amount, Game->Powerups[1]->Shield}),
            std::vector<int>({15, 20, 40}));
  ASSERT_EQ(Game->Events.size(), 1u);
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
  ASSERT_EQ(Game->Explosions.size() + Game->Powerups.size(), 2u);
  EXPECT_FALSE(Game->Explosions[0]->Dead || Game->Powerups[0]->Dead);
}

TEST_F(GameTest, TheMusicFollowsTheScreensAndFadesOutOnlyWhenOn) {
  // A sound driver whose output goes nowhere gives the game real players.
  const std::string home = (fs::current_path() / "sound_home").string();
  const std::string savedHome = getenv("HOME") != nullptr ? getenv("HOME") : "";
  fs::create_directories(home);
  WriteFile(home + "/.asoundrc", "pcm.!default { type file slave.pcm \"null\" file \"/dev/null\" format \"raw\" }\n");
  setenv("HOME", home.c_str(), 1);
  const bool sound = install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) == 0;
  setenv("HOME", savedHome.c_str(), 1);
  ASSERT_TRUE(sound) << allegro_error;
  auto volume = [] { return Globals::DuhPlayer != nullptr ? al_duh_get_volume(Globals::DuhPlayer) : -1.0f; };

  // The game music fades out over the first 60 of the 100 fading ticks.
  StartMission("");
  int silentFrom = -1;
  for (int tick = 0; Game->EndFade < 1.0f && tick < 200; ++tick) {
    const float fade = Game->EndFade;
    EXPECT_FLOAT_EQ(volume(), fade <= 0.6f ? 0.6f - std::max(fade, 0.0f) : 0.0f) << tick;
    if (volume() == 0.0f && silentFrom < 0) silentFrom = tick;
    TickAt(tick > 0);
  }
  EXPECT_NEAR(silentFrom, 61, 1);
  // With music off it starts silent and the fade leaves it so.
  Globals::MusicOn = false;
  StartMission("");
  for (int tick = 0; tick < 30; ++tick) TickAt(1);
  EXPECT_FLOAT_EQ(volume(), 0.0f);

  // From the start: the menu music, a campaign (without levels: only the
  // epilogue) on the briefing music, the Hall of Fame on the menu's.
  Globals::MusicOn = true;
  Game->Levels.clear();
  float volumes[3] = {-1, -1, -1};
  key[KEY_ESC] = 1;  // skips the intro
  Globals::SpeedCounter = -1;
  {
    Player player([&volumes, &volume] {
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
  for (GLenum lit : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL}) glDisable(lit);
  EXPECT_EQ(std::vector<float>(volumes, volumes + 3), std::vector<float>({0.4f, 0.2f, 0.4f}));
  StopMusic();
  remove_sound();
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
    friendly->Shoot(1);  // its one round, unless it fired it by itself already
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

// Pause, even at level time 0, freezes the mission and its fade, ignores
// Escape, stops the shake and winds the clock back when it ends.
TEST_F(GameTest, PauseFreezesTheMissionAndTheFadeIgnoresEscapeAndWindsTheClockBack) {
  const struct {
    const char* script;
    int startTime;
  } cases[] = {{"Fin 100\nE 50 700 300 still_ship.txt 1 10\n", 0}, {"", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    ReleaseKeys();
    StartMission(c.script);
    for (int time = 1; time <= c.startTime; ++time) TickAt(1);
    Globals::ScreenShake = 12;
    const float endFade = Game->EndFade, fade = Game->Player->Fade, hills = Game->Background->HillsX;
    for (int time = c.startTime; time < c.startTime + 3; ++time) {
      key[KEY_P] = 1;  // held: no resume
      TickAt(time);
      EXPECT_TRUE(Game->Paused());
    }
    EXPECT_EQ(Game->SavedClock, c.startTime);
    EXPECT_EQ(Globals::ScreenShake, 0);
    key[KEY_P] = 0;
    key[KEY_ESC] = 1;
    for (int time = 4; time < 80; ++time) TickAt(time);
    key[KEY_ESC] = 0;
    EXPECT_EQ(std::vector<float>({Game->Player->Fade, Game->Background->HillsX, Game->EndFade}),
              std::vector<float>({fade, hills, endFade}));
    EXPECT_EQ(Game->Player->Lives, 3);
    EXPECT_TRUE(Game->Enemies.empty());
    key[KEY_P] = 1;
    TickAt(80);
    EXPECT_FALSE(Game->Paused());
    EXPECT_EQ(Globals::Time.load(), c.startTime);
    EXPECT_EQ(Game->SavedClock, -1);
    EXPECT_NE(Game->Player->Fade, fade);
    EXPECT_FLOAT_EQ(Game->EndFade, endFade > 0 ? endFade + 0.01f : -1.0f);
  }
}

// How a mission ends, ten ticks to a unit of level time: the time its fade
// starts, a hundred ticks of fade, the outcome, the bonus, and what the next
// mission (or the replay) starts from. Each row starts with three kills and a
// score of 700.
TEST_F(GameTest, AMissionEndsInAHundredTickFadeWithItsOutcomeAndWhatCarriesOver) {
  const struct {
    const char* name;
    int required;
    const char* script;
    bool shoot;
    int escapeAt, fadeFrom, status, bonus, score;
  } cases[] = {
      // Once the clock passes the finish time with no enemy left: the late one never comes.
      {"finish", 0, "Fin 10\nE 40 700 300 still_ship.txt 1 10\n", false, -1, 11, 0, 300, 1000},
      // The only enemy shot at once pays its value but does not end the mission early.
      {"kill", 4, "Fin 20\nE 0 700 300 still_ship.txt 1 10\n", true, -1, 21, 0, 0, 750},
      // A script that cannot be read ends as the clock leaves zero.
      {"unreadable", 5, nullptr, false, -1, 1, 0, 300, 1000},
      {"just enough", 3, "", false, -1, 1, 0, 0, 700},
      {"one short", 4, "", false, -1, 1, 2, -100, 700},
      {"the least", INT_MIN, "", false, -1, 1, 0, INT_MAX, INT_MAX},
      {"the most", INT_MAX, "", false, -1, 1, 2, INT_MIN, 700},
      // Escape in play (the fade starts after it) or in the fade of a won mission aborts: no bonus paid.
      {"escape in play", 1, "Fin 1000\n", false, 2, 2, 1, 200, 700},
      {"escape in the fade", 0, "", false, 5, 1, 1, 300, 700},
  };
  MakeGame();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Game->PlayerInfo.Clear();
    WriteFile("mission.txt", "Req " + std::to_string(c.required) + " " + (c.script ? c.script : ""));
    Game->PrepareMission(c.script ? "mission.txt" : "no_such_level.txt");
    Game->BeginPlay();
    Game->Player->Kills = 3;
    Game->Player->Score = 700;
    Game->Player->Ammo[9] = 4;
    OpenLog();
    int fadeFrom = -1, fadeTicks = 0;
    for (int tick = 0; Game->EndFade < 1.0f && tick < 3000; ++tick) {
      key[KEY_ESC] = tick == c.escapeAt * 10;
      TickAt(tick / 10);
      if (tick == 0 && c.shoot) Game->Enemies.at(0)->TakeDamage(100);
      if (Game->EndFade > 0 && fadeFrom < 0) fadeFrom = tick / 10;
      fadeTicks += Game->EndFade > 0;
    }
    EXPECT_EQ(fadeFrom, c.fadeFrom);
    EXPECT_EQ(fadeTicks, 100);
    EXPECT_TRUE(Game->Enemies.empty());
    const Lines log = LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Deleting ship..."), c.shoot);
    int bonus = 0;
    EXPECT_EQ(Game->FinishMission(bonus), c.status);
    EXPECT_EQ(bonus, c.bonus);
    Game->PrepareMission("mission.txt");
    const CPlayerShip& p = *Game->Player;
    EXPECT_EQ(std::vector<int>({p.Score, p.Lives, p.Kills, p.Ammo[0], p.Ammo[9]}),
              std::vector<int>({c.score, c.status == 1 ? -1 : 3, 0, 0, 4}));
  }
}

TEST_F(GameTest, ValuesAtTheEndsOfTheIntRangeSaturateThroughTheReadersAndTicks) {
  // Scripts and definitions the readers accept, played tick by tick (the
  // sanitizer build stops at any overflow or out-of-range conversion).
  WriteFile("rich_ship.txt", "Data 1 7 Acc 0.1 MaxSpeed 1 Hostile 1 Shields -2147483648 Shadow 0 Ground 0 "
                             "Value 2147483647\n");
  WriteFile("wild_ship.txt", "Data 1 7 Acc 3e38 MaxSpeed 3e38 Hostile 1 Weapon 0 2147483647 Weapon 9 5 "
                             "Shields 2147483647 Shadow 1 Ground 0 Value -2147483648\n");
  // Events come at time 40, once the player's fade-in is over.
  const struct {
    const char* script;
    std::function<bool(const CPlayerShip&)> outcome;
    bool reached;
  } cases[] = {
      // Grants and a pickup beyond the largest count.
      {"Fin 100000 Weapon 0 2147483647 Weapon 0 1 PW 40 100 100 0 2147483647",
       [](const CPlayerShip& p) { return p.Ammo[0] == INT_MAX; }, true},
      // Shield points at both ends: a full heal, then more damage than any ship has.
      {"Fin 100000 PS 40 100 100 2147483647 PS 40 100 100 -2147483648",
       [](const CPlayerShip& p) { return p.State == Dying && p.Shields == 0; }, true},
      // A ship with the lowest shields rams the player and is worth the most.
      {"Fin 100000 E 40 100 100 rich_ship.txt 1 1",
       [](const CPlayerShip& p) { return p.Score == INT_MAX && p.Kills == 1; }, true},
      // Speeds and places at the edge of the float range, firing away: only the run itself.
      {"Fin 100000 E 0 3e38 -3e38 wild_ship.txt 0 2 E 0 -3e38 3e38 wild_ship.txt 0 9 "
       "E 0 700 300 wild_ship.txt 0 4 E 0 700 200 wild_ship.txt 0 5",
       [](const CPlayerShip&) { return false; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    Game.reset();
    StartMission(c.script);
    Game->Player->Score = 5;
    EXPECT_EQ(UpdateUntil([&] { return c.outcome(*Game->Player); }, 700) > 0, c.reached);
  }
}

// The landscape, the counter, the pause, a fade that never shakes, and a
// shake of at most two pixels either way that only moves the view when on.
TEST_F(GameTest, TheMissionFrameShowsTheSceneAndShakesOnlyWhenSwitchedOn) {
  StartMission("Fin 1000\n");
  Globals::FPS = 88;
  Globals::ScreenShake = 20;
  TickAt(1);
  EXPECT_EQ(Globals::ScreenShake, 19);
  Globals::ScreenShakeOn = false;
  Game->SavedClock = 0;
  Game->DrawMissionScene();
  auto count = [](const Rect& rect, const std::function<bool(const Pixel&)>& test) {
    return std::count_if(rect.pixels.begin(), rect.pixels.end(), test);
  };
  EXPECT_GT(count(ReadRect(0, 555, 800, 40), [](const Pixel& p) { return p.r + p.g + p.b > 60; }), 800 * 40 / 2);
  EXPECT_GT(count(ReadRect(0, 0, 80, 16), [](const Pixel& p) { return p.r > 200 && p.g > 200 && p.b > 200; }), 10);
  EXPECT_GT(count(ReadRect(340, 280, 120, 40), [](const Pixel& p) { return p.r > 200 && p.g < 60 && p.b < 60; }), 10);
  Game->SavedClock = -1;
  Game->DrawMissionScene();
  const Rect still = ReadRect(0, 100, 800, 500);
  Globals::ScreenShake = 0;
  Game->DrawMissionScene();
  EXPECT_EQ(ReadRect(0, 100, 800, 500).pixels, still.pixels);

  Globals::ScreenShakeOn = true;
  Globals::ScreenShake = 20;
  int moved = 0;
  for (int frame = 0; frame < 30; ++frame) {
    Game->DrawMissionScene();
    const Rect shaken = ReadRect(0, 100, 800, 500);
    bool within = false;
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        bool same = true;
        for (int y = 400; y < 490 && same; ++y)
          for (int x = 100; x < 700 && same; ++x) same = shaken.At(x, y) == still.At(x - dx, y - dy);
        within = within || same;
      }
    EXPECT_TRUE(within) << frame;
    moved += shaken.pixels != still.pixels;
  }
  EXPECT_GE(moved, 15);

  Globals::ScreenShake = 0;
  Game->DrawMissionScene();
  const Pixel bright = ReadPixel(400, 580);
  Game->EndFade = 0.5f;
  Game->DrawMissionScene();
  EXPECT_TRUE(Near(ReadPixel(400, 580), Pixel{bright.r / 2, bright.g / 2, bright.b / 2}, 3));
  Game->EndFade = 1.0f;
  Globals::ScreenShake = 20;
  Game->DrawMissionScene();
  EXPECT_TRUE(AllBlack(ReadRect(0, 0, 800, 600)));
  const int frames = Globals::Frames;
  Game->DrawMissionFrame();
  EXPECT_EQ(Globals::Frames.load(), frames + 1);
}

}  // namespace
