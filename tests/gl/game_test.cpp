#include <aldumb.h>

#include <climits>
#include <fstream>
#include <memory>

#include "effects/fire.h"
#include "frontend_fixture.h"
#include "game/game.h"
#include "powerups/powerup.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "world/background.h"

using namespace frontendtest;

namespace {

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class GameTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { dumb_register_stdfiles(); }  // the game reads its music modules from disk
  void SetUp() override {
    srand(7);
    Globals::MusicOn = Globals::ScreenShakeOn = true;
    Globals::SoundOn = false;
    Globals::ScreenShake = Globals::FPS = 0;
    ReleaseKeys();
    WriteFile("still_ship.txt", "Data 1 7 Acc 0.1 MaxSpeed 1 Hostile 1 Shields 5 Shadow 0 Ground 0 Value 50\n");
  }
  void TearDown() override {
    ReleaseKeys();
    Game.reset();
    Setup2D();
  }
  // Builds the game; the tests drive the level clock themselves.
  void MakeGame() {
    Game = std::make_unique<CGame>();
    for (void (*timer)() : {IncSpeedCtr, IncTime, CountFrames}) remove_int(timer);
  }
  // A mission from the given script (none: one that cannot be read), ready to play at level time 0.
  void StartMission(const char* script) {
    if (!Game) MakeGame();
    WriteFile("mission.txt", script != nullptr ? script : "");
    Game->PrepareMission(script != nullptr ? "mission.txt" : "no_such_level.txt");
    Game->BeginPlay();
  }
  void TickAt(int time) {
    Globals::Time = time;
    Game->MissionTick();
  }
  std::unique_ptr<CGame> Game;
};

// Fresh counts, what the player carried in (there is no weapon 12), the last of each setting the script read; the
// events due released in file order, the rest kept until a script that cannot be read leaves nothing.
TEST_F(GameTest, AMissionStartsFromWhatThePlayerCarriedInAndReleasesItsEventsWhenDue) {
  MakeGame();
  Game->PlayerInfo.Score = 1234;
  Game->PlayerInfo.Lives = 1;
  for (int id = 0; id < 12; ++id) Game->PlayerInfo.Ammo[id] = id * 10;
  Game->Player->Kills = 4;
  StartMission("Req 2 Fin 50 Weapon 3 5 Weapon 12 99 PL 3 400 100 E 3 700 300 still_ship.txt 1 10 PW 0 400 200 15 20 "
               "PS 3 400 300 40 E 3 650 200 still_ship.txt 0 9 E 4 700 300 still_ship.txt 1 10\n"
               "[Briefing]\nFly.\n[End]\nReq 4\n");
  const CPlayerShip& p = *Game->Player;
  EXPECT_EQ(std::vector<int>({p.Kills, p.Score, p.Lives, p.Weapon, p.Ammo[3], p.Ammo[11], Game->RequiredKills,
                              Game->FinishTime}),
            std::vector<int>({0, 1234, 1, 3, 35, 110, 4, 50}));
  EXPECT_EQ(Game->Menu.Lines, (Lines{"", "Fly."}));
  Globals::Time = 3;
  Game->CheckEvents();
  ASSERT_EQ(Game->Enemies.size() + Game->Powerups.size() + Game->Events.size(), 6u);
  const CShipNPC &first = *Game->Enemies.at(0), &second = *Game->Enemies.at(1);
  const std::vector<CPowerup*>& got = Game->Powerups;
  EXPECT_EQ(std::vector<int>({static_cast<int>(first.Pos.x), first.CountsAsKill, second.CountsAsKill,
                              second.Behaviour, static_cast<int>(got.at(0)->Pos.y), got.at(1)->Weapon,
                              got[1]->Amount, got.at(2)->Shield}),
            std::vector<int>({700, 1, 0, 9, 100, 15, 20, 40}));
  StartMission(nullptr);
  EXPECT_TRUE(Game->Menu.Lines.empty() && Game->Events.empty());
}

// The campaign is the run of level scripts from level_a up to the first gap. From the start: the menu music, a
// campaign (without levels: only the epilogue) on the briefing music, the Hall of Fame on the menu's. The sounds go
// with the game.
TEST_F(GameTest, FindsTheCampaignAndItsMusicFollowsTheScreens) {
  fs::create_directories("campaign/data");
  for (const fs::directory_entry& entry : fs::directory_iterator(VARNOK_DATA_DIR))
    if (entry.path().filename().string().rfind("level_", 0) != 0)
      fs::create_symlink(entry.path(), "campaign/data" / entry.path().filename());
  fs::current_path("campaign");
  for (const char* letter : {"a", "b", "d"}) WriteFile("data/level_" + std::string(letter) + ".txt", "Fin 1\n");
  // A sound driver whose output goes nowhere gives the game real players.
  const std::string home = (fs::current_path() / "sound_home").string(), savedHome = getenv("HOME");
  fs::create_directories(home);
  WriteFile(home + "/.asoundrc", "pcm.!default { type file slave.pcm \"null\" file \"/dev/null\" format \"raw\" }\n");
  setenv("HOME", home.c_str(), 1);
  const bool sound = install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) == 0;
  setenv("HOME", savedHome.c_str(), 1);
  ASSERT_TRUE(sound) << allegro_error;
  auto volume = [] { return Globals::DuhPlayer != nullptr ? al_duh_get_volume(Globals::DuhPlayer) : -1.0f; };
  MakeGame();
  EXPECT_EQ(Game->Levels, (Lines{"data/level_a.txt", "data/level_b.txt"}));
  Game->Levels.clear();
  float volumes[3] = {-1, -1, -1};
  key[KEY_ESC] = 1;  // skips the intro
  Globals::SpeedCounter = -1;
  std::thread player([&volumes, &volume] {
    WaitConsumed();
    Pause();
    volumes[0] = volume();
    key[KEY_ESC] = 0;
    Press(KEY_ENTER);  // NEW GAME
    for (int screen : {1, 2}) {
      Globals::SpeedCounter = -1;  // the next screen waits for the keys to go up
      key[KEY_ENTER] = key[KEY_ESC] = 0;
      WaitConsumed();
      volumes[screen] = volume();
      Press(KEY_ESC);
    }
    Pause();
    Press(KEY_UP);  // EXIT
    Press(KEY_ENTER);
  });
  Game->Start();
  player.join();
  for (GLenum lit : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL}) glDisable(lit);
  EXPECT_EQ(std::vector<float>(volumes, volumes + 3), std::vector<float>({0.4f, 0.2f, 0.4f}));
  StopMusic();
  remove_sound();
  Game.reset();
  EXPECT_EQ(Globals::SoundDat, nullptr);
  fs::current_path("..");
  fs::remove_all("campaign");
}

// Pause, even at level time 0, freezes the mission, ignores Escape and a held P, stops the shake and winds the
// clock back when it ends.
TEST_F(GameTest, PauseFreezesTheMissionIgnoresEscapeAndWindsTheClockBack) {
  StartMission("Fin 100\nE 50 700 300 still_ship.txt 1 10\n");
  Globals::ScreenShake = 12;
  auto frozen = [this] { return std::vector<float>({Game->Player->Fade, Game->Background->HillsX}); };
  const std::vector<float> before = frozen();
  for (int time = 0; time < 80; ++time) {
    key[KEY_P] = time < 2;
    key[KEY_ESC] = !key[KEY_P];
    TickAt(time);
  }
  EXPECT_EQ(frozen(), before);
  EXPECT_EQ(std::vector<int>({Game->SavedClock, Globals::ScreenShake, Game->Player->Lives,
                              static_cast<int>(Game->Enemies.size())}),
            std::vector<int>({0, 0, 3, 0}));
  key[KEY_ESC] = 0;
  key[KEY_P] = 1;
  TickAt(80);
  EXPECT_EQ(std::vector<int>({Globals::Time, Game->SavedClock}), std::vector<int>({0, -1}));
  EXPECT_NE(Game->Player->Fade, before[0]);
}

// How a mission ends, ten ticks to a unit of level time: when its fade starts, a hundred ticks of fade, the
// outcome, the bonus and the score the next mission (or the replay) starts from. Each row starts with three kills,
// a score of 700 and no lives left. The late enemy never comes; the one shot at once pays but does not end the
// mission early; Escape in play (the fade starts after it) or in the fade of a won mission aborts, with no bonus.
TEST_F(GameTest, AMissionEndsInAHundredTickFadeWithItsOutcomeAndWhatCarriesOver) {
  const struct {
    int required;
    const char* script;  // none: one that cannot be read, ending as the clock leaves zero
    bool shoot;
    int escapeAt, fadeFrom, status, bonus, score;
  } cases[] = {
      {0, "Fin 10\nE 40 700 300 still_ship.txt 1 10\n", false, -1, 11, 0, 300, 1000},
      {4, "Fin 20\nE 0 700 300 still_ship.txt 1 10\n", true, -1, 21, 0, 0, 750},
      {5, nullptr, false, -1, 1, 0, 300, 1000},
      {4, "", false, -1, 1, 2, -100, 700},
      {INT_MIN, "", false, -1, 1, 0, INT_MAX, INT_MAX},
      {1, "Fin 1000\n", false, 2, 2, 1, 200, 700},
      {0, "", false, 5, 1, 1, 300, 700},
  };
  MakeGame();
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Game->PlayerInfo.Clear();
    const std::string script = "Req " + std::to_string(c.required) + " " + (c.script ? c.script : "");
    StartMission(c.script ? script.c_str() : nullptr);
    Game->Player->Kills = 3;
    Game->Player->Score = 700;
    Game->Player->Lives = 0;
    Game->Player->Ammo[9] = 4;
    int fadeFrom = -1, fadeTicks = 0;
    for (int tick = 0; Game->EndFade < 1.0f && tick < 3000; ++tick) {
      key[KEY_ESC] = tick == c.escapeAt * 10;
      TickAt(tick / 10);
      if (tick == 0 && c.shoot) Game->Enemies.at(0)->TakeDamage(100);
      if (Game->EndFade > 0 && fadeFrom < 0) fadeFrom = tick / 10;
      fadeTicks += Game->EndFade > 0;
    }
    EXPECT_EQ(std::vector<int>({fadeFrom, fadeTicks, static_cast<int>(Game->Enemies.size())}),
              std::vector<int>({c.fadeFrom, 100, 0}));
    int bonus = 0;
    EXPECT_EQ(Game->FinishMission(bonus), c.status);
    EXPECT_EQ(bonus, c.bonus);
    Game->PrepareMission("mission.txt");
    const CPlayerShip& p = *Game->Player;
    EXPECT_EQ(std::vector<int>({p.Score, p.Lives, p.Kills, p.Ammo[0], p.Ammo[9]}),
              std::vector<int>({c.score, c.status == 1 ? -1 : 0, 0, 0, 4}));
  }
}

// Finished explosions and power-ups go in the tick they end. A fade that never shakes, and a shake of at most two
// pixels either way that only moves the view when on.
TEST_F(GameTest, TheMissionFrameShowsTheSceneAndShakesOnlyWhenSwitchedOn) {
  StartMission("Fin 1000\n");
  for (int i = 0; i < 2; ++i) {
    Game->Explosions.push_back(new CExplosion(700, 150, 0, 1.0f));
    Game->Powerups.push_back(new CPowerup(600, 100));
  }
  Game->Explosions[0]->Frame = 15.0f;  // its last frame shown
  Game->Powerups[0]->Dead = true;
  Globals::ScreenShake = 20;
  TickAt(1);
  EXPECT_EQ(Globals::ScreenShake, 19);
  ASSERT_EQ(Game->Explosions.size() + Game->Powerups.size(), 2u);  // the finished ones gone in the tick they end
  EXPECT_FALSE(Game->Explosions[0]->Dead || Game->Powerups[0]->Dead);
  Globals::ScreenShakeOn = false;
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
    bool within = false;  // the view moved by some dx, dy in -2..2
    for (int d = 0; d < 25 && !within; ++d) {
      within = true;
      for (int y = 400; y < 490 && within; ++y)
        for (int x = 100; x < 700 && within; ++x) within = shaken.At(x, y) == still.At(x + 2 - d % 5, y + 2 - d / 5);
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
  EXPECT_EQ(Changed(0, 0, 800, 600, Black), 0);
}

}  // namespace
