// The real game played through its screens: the main menu and its wrap-around,
// the options with the music switched off and on (heard in the sound output),
// campaigns of two small levels with every debriefing choice, the epilogue,
// name entry and the Hall of Fame file, a mission on screen with pause and
// abort, and the installed launcher. Screens are recognised from screenshots,
// never from timing alone, so that a slow machine only makes the test slower.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/harness.h"
#include "e2e/screens.h"

namespace {

using namespace e2e;

class GameFlow : public testing::Test {
 protected:
  // Every level script the generated data may hold is left out: each test
  // writes its own.
  GameFlow() : Game({"level_a.txt", "level_b.txt", "level_c.txt", "level_d.txt"}) {}

  void TearDown() override {
    if (HasFailure()) {
      std::string log;
      for (const std::string& line : Game.LogLines()) log += "  " + line + "\n";
      std::cerr << "log.txt:\n" << log << "game output:\n" << Game.GameOutput();
    }
  }

  // Polls screenshots until one satisfies the predicate; that screenshot.
  std::optional<Image> WaitForScreen(const std::function<bool(const Image&)>& wanted, double seconds = 60) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    std::optional<Image> last;
    while (std::chrono::steady_clock::now() < deadline) {
      if (!Game.Running()) return std::nullopt;
      std::optional<Image> shot = Game.Screenshot();
      if (shot && wanted(*shot)) return shot;
      if (shot) last = shot;
      SleepMs(150);
    }
    if (last) Keep(*last);
    return std::nullopt;
  }

  // Keeps the screen a wait gave up on, for the failure report.
  static void Keep(const Image& shot) {
    static int count = 0;
    const std::string path = testing::TempDir() + "varnok_unexpected_screen_" + std::to_string(++count) + ".ppm";
    e2e::WritePpm(shot, path);
    std::cerr << "last screen seen: " << path << "\n";
  }

  void Press(const std::string& key) {
    Game.Key(key, HoldMs);
    SleepMs(150);
  }

  // Starts the game (or an installed launcher) and skips the intro; the main
  // menu's first screenshot.
  std::optional<Image> StartAtMainMenu(const char* launcher = nullptr) {
    if (!(launcher ? Game.StartLauncher(launcher) : Game.Start()) || !Game.WaitForLog("Loading highscores...") ||
        !Game.WaitForWindow())
      return std::nullopt;
    // Escape skips the intro; it does nothing in the menu, so pressing it
    // again until the menu shows is harmless.
    for (int attempt = 0; attempt < 20; ++attempt) {
      Press("Escape");
      if (std::optional<Image> shot = WaitForScreen(IsMainMenu, 3)) return shot;
    }
    return std::nullopt;
  }

  // Presses a key and waits for the screen it leads to.
  bool PressFor(const std::string& key, const std::function<bool(const Image&)>& wanted, double seconds = 60) {
    Press(key);
    return WaitForScreen(wanted, seconds).has_value();
  }

  // Moves the highlight with one key and waits until it stands on `row`.
  bool MoveTo(const std::string& key, int row) {
    return PressFor(key, [row](const Image& shot) { return HighlightedRow(shot) == row; }, 20);
  }

  // Steps the highlight down, row by row, from `from` to `to`.
  bool DownTo(int from, int to) {
    for (int row = from + 1; row <= to; ++row)
      if (!MoveTo("Down", row)) return false;
    return true;
  }

  // Chooses the highlighted option and waits until its item reads anew.
  bool Toggle(int row) {
    const std::optional<Image> before = Game.Screenshot();
    if (!before) return false;
    const int y = 300 + 30 * row;
    Press("Return");
    return WaitForScreen(
               [&](const Image& shot) {
                 if (!IsOptionsMenu(shot) || HighlightedRow(shot) != row) return false;
                 for (int py = y; py < y + 28; ++py)
                   for (int px = 250; px < 700; ++px) {
                     const Rgb a = shot.At(px, py), b = before->At(px, py);
                     if (a.r != b.r || a.g != b.g || a.b != b.b) return true;
                   }
                 return false;
               },
               20)
        .has_value();
  }

  // How loud the game's sound output is over the next `ms` milliseconds: the
  // RMS about the mean of the 16-bit samples written meanwhile. The sample
  // format (signed or unsigned) is not known here: a steady signal is
  // measured the same either way, so the smaller reading is taken.
  double Loudness(int ms, size_t* bytes) {
    const size_t start = SoundSize();
    SleepMs(ms);
    std::ifstream in(Game.SoundFile(), std::ios::binary);
    const std::string sound((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t end = sound.size();
    *bytes = end > start ? end - start : 0;
    if (*bytes < 4) return 0.0;
    double best = 1e9;
    for (bool isSigned : {false, true}) {
      double sum = 0, sumSq = 0;
      size_t n = 0;
      for (size_t i = start & ~static_cast<size_t>(1); i + 1 < end; i += 2) {
        int v = static_cast<unsigned char>(sound[i]) | (static_cast<unsigned char>(sound[i + 1]) << 8);
        if (isSigned && v >= 32768) v -= 65536;
        sum += v;
        sumSq += static_cast<double>(v) * v;
        ++n;
      }
      const double mean = sum / n;
      best = std::min(best, std::sqrt(std::max(0.0, sumSq / n - mean * mean)));
    }
    return best;
  }

  size_t SoundSize() const {
    std::error_code error;
    const auto size = std::filesystem::file_size(Game.SoundFile(), error);
    return error ? 0 : static_cast<size_t>(size);
  }

  std::string HighscoreText() const {
    std::string text;
    for (char c : Game.ReadFile("Highscores").value_or("")) text += static_cast<char>(255 - static_cast<unsigned char>(c));
    return text;
  }

  GameHarness Game;
};

TEST_F(GameFlow, MainMenuWrapsOptionsAreSavedAndTheMusicFollowsTheMusicOption) {
  const std::optional<Image> menu = StartAtMainMenu();
  ASSERT_TRUE(menu.has_value()) << "no main menu";
  // Logo at the top, five items, the first highlighted, the rest light grey.
  EXPECT_GT(menu->CountLit(0, 20, 800, 60), 300);
  EXPECT_EQ(HighlightedRow(*menu), 0);
  for (int row = 1; row < 5; ++row)
    EXPECT_GT(CountNear(*menu, TextLeft, 300 + 30 * row, 600, 328 + 30 * row, LightGrey), 30);

  ASSERT_TRUE(MoveTo("Down", 1));
  ASSERT_TRUE(MoveTo("Up", 0));
  ASSERT_TRUE(MoveTo("Up", 4)) << "Up from NEW GAME wraps to EXIT";
  ASSERT_TRUE(MoveTo("Down", 0)) << "Down from EXIT wraps to NEW GAME";

  size_t bytes = 0;
  const double menuMusic = Loudness(1500, &bytes);
  EXPECT_GT(bytes, 10000u) << "no sound output";
  EXPECT_GT(menuMusic, 100.0);

  // Options: every setting changed; sound off first, so that no menu sound
  // is heard in the silence to come.
  ASSERT_TRUE(DownTo(0, 2));
  ASSERT_TRUE(PressFor("Return", IsOptionsMenu, 20)) << "no options menu";
  ASSERT_TRUE(Toggle(0)) << "GFX";
  for (int row = 1; row < 5; ++row) {
    ASSERT_TRUE(MoveTo("Down", row));
    ASSERT_TRUE(Toggle(row)) << "row " << row;
  }
  ASSERT_TRUE(MoveTo("Down", 5));
  ASSERT_TRUE(PressFor("Return", IsMainMenu, 20)) << "options did not return";

  const double silence = Loudness(1500, &bytes);
  EXPECT_GT(bytes, 10000u) << "no sound output";
  EXPECT_LT(silence, 5.0) << "music still playing after MUSIC: Off";

  // Music on again: the menu music restarts at once.
  ASSERT_TRUE(DownTo(0, 2));
  ASSERT_TRUE(PressFor("Return", IsOptionsMenu, 20));
  ASSERT_TRUE(DownTo(0, 2));
  ASSERT_TRUE(Toggle(2)) << "MUSIC";
  ASSERT_TRUE(DownTo(2, 5));
  ASSERT_TRUE(PressFor("Return", IsMainMenu, 20));
  SleepMs(300);
  EXPECT_GT(Loudness(1500, &bytes), 100.0) << "music not back after MUSIC: On";

  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  EXPECT_EQ(Game.ReadFile("options.ini").value_or("<missing>"), "2\n0\n1\n0\n0");
}

TEST_F(GameFlow, CampaignsRunEveryDebriefingChoiceAndEndInTheHallOfFame) {
  // Level a is won from the start (a negative requirement pays a bonus of
  // 200); level b asks for a kill that no enemy can give.
  Game.WriteFile("data/level_a.txt", "Req -2\r\nFin 0\r\n[Briefing]\r\nFirst mission: 100% easy.\r\n[End]\r\n");
  Game.WriteFile("data/level_b.txt", "Req 1\nFin 0\n[Briefing]\nSecond mission.\n[End]\n");
  ASSERT_TRUE(StartAtMainMenu().has_value()) << "no main menu";

  Press("Return");
  ASSERT_TRUE(Game.WaitForLog("Reading level: data/level_a.txt"));
  std::optional<Image> briefing = WaitForScreen([](const Image& shot) {
    return IsTextScreen(shot) && shot.CountLit(TextLeft, 320, 800, 600) > 40;
  });
  ASSERT_TRUE(briefing.has_value()) << "no briefing lines";
  EXPECT_GT(briefing->CountLit(0, 20, 800, 60), 300) << "backdrop logo";

  // Accomplished: "Enter = Next mission".
  Press("Return");
  std::optional<Image> debriefing = WaitForScreen(IsDebriefing);
  ASSERT_TRUE(debriefing.has_value()) << "no debriefing";
  for (int y : {320, 340, 360}) EXPECT_GT(CountNear(*debriefing, TextLeft, y, 600, y + 18, LightGrey), 8) << y;
  EXPECT_GT(CountNear(*debriefing, TextLeft, 400, 600, 418, DarkGrey), 30) << "Enter hint";
  EXPECT_GT(CountNear(*debriefing, TextLeft, 420, 600, 438, DarkGrey), 30) << "Escape hint";
  Press("Return");

  // Level b fails: replay it once, then go back to the menu.
  ASSERT_TRUE(Game.WaitForLog("Reading level: data/level_b.txt"));
  ASSERT_TRUE(WaitForScreen(IsTextScreen));
  Press("Return");
  debriefing = WaitForScreen(IsDebriefing);
  ASSERT_TRUE(debriefing.has_value());
  EXPECT_GT(CountNear(*debriefing, TextLeft, 400, 600, 418, DarkGrey), 30) << "Replay hint";
  ASSERT_TRUE(PressFor("Return", IsTextScreen));
  ASSERT_TRUE(PressFor("Return", IsDebriefing));
  Press("Escape");

  // No epilogue: straight to name entry, the score of 200 qualifying.
  std::optional<Image> next = WaitForScreen([](const Image& shot) { return IsNameEntry(shot) || IsTextScreen(shot); });
  ASSERT_TRUE(next.has_value());
  ASSERT_TRUE(IsNameEntry(*next)) << "a text screen came before name entry";
  Game.Type("Tester");
  SleepMs(300);
  Press("Return");
  std::optional<Image> hall = WaitForScreen([](const Image& shot) {
    return IsTextScreen(shot) && shot.CountLit(TextLeft, 320, 800, 600) > 40;
  });
  ASSERT_TRUE(hall.has_value()) << "no Hall of Fame";
  ASSERT_TRUE(PressFor("Escape", IsMainMenu));

  std::vector<std::string> log = Game.LogLines();
  std::vector<std::string> levels;
  for (const std::string& line : log)
    if (line.rfind("Reading level: ", 0) == 0) levels.push_back(line.substr(15));
  EXPECT_EQ(levels, (std::vector<std::string>{"data/level_a.txt", "data/level_b.txt", "data/level_b.txt"}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "Running game..."), 3);
  EXPECT_FALSE(Game.FileExists("Highscores")) << "the Hall of Fame is written only at the end";

  // Second campaign: level b is now won too, so the epilogue follows it.
  Game.WriteFile("data/level_b.txt", "Req -1\nFin 0\n");
  for (int level = 0; level < 2; ++level) {
    ASSERT_TRUE(PressFor("Return", IsTextScreen)) << "briefing " << level;
    ASSERT_TRUE(PressFor("Return", IsDebriefing)) << "debriefing " << level;
  }
  Press("Return");
  next = WaitForScreen([](const Image& shot) { return IsNameEntry(shot) || IsTextScreen(shot); });
  ASSERT_TRUE(next.has_value());
  EXPECT_TRUE(IsTextScreen(*next)) << "no epilogue";
  ASSERT_TRUE(PressFor("Escape", IsNameEntry));
  Game.Type("Second");
  SleepMs(300);
  ASSERT_TRUE(PressFor("Return", IsTextScreen));
  ASSERT_TRUE(PressFor("Escape", IsMainMenu));

  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  std::string expected = "Second 300\r\nTester 200\r\n";
  for (int i = 0; i < 8; ++i) expected += "None 0\r\n";
  EXPECT_EQ(HighscoreText(), expected);
  log = Game.LogLines();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3], "Deleting player...");
  EXPECT_EQ(log.back(), "Unloading data...");
}

TEST_F(GameFlow, AMissionShowsTheLandscapeAndHudPausesAndIsAbortedWithEscape) {
  Game.WriteFile("data/level_a.txt", "Req 0 Fin 100000\n[Briefing]\nHold the line.\n[End]\n");
  ASSERT_TRUE(StartAtMainMenu().has_value()) << "no main menu";
  ASSERT_TRUE(PressFor("Return", IsTextScreen));
  // Escape leaves the briefing without aborting the mission.
  Press("Escape");
  std::optional<Image> mission = WaitForScreen(IsMission);
  ASSERT_TRUE(mission.has_value()) << "no mission on screen";
  // After a second the frame counter at the top left is white text.
  SleepMs(1500);
  mission = WaitForScreen(IsMission);
  ASSERT_TRUE(mission.has_value()) << "the mission did not last";
  EXPECT_GT(CountNear(*mission, 0, 0, 120, 16, White), 10) << "FPS counter";
  EXPECT_GT(mission->CountLit(0, 0, 800, 540), 200) << "sky and hills";

  // PAUSED in red across the middle of the mission.
  auto paused = [](const Image& shot) { return IsMission(shot) && CountNear(shot, 300, 280, 500, 320, Red, 30) > 30; };
  ASSERT_TRUE(PressFor("p", paused)) << "no PAUSED";
  // Escape does nothing while paused.
  Press("Escape");
  SleepMs(500);
  ASSERT_TRUE(WaitForScreen(paused, 10));
  ASSERT_TRUE(PressFor("p", [&](const Image& shot) { return IsMission(shot) && !paused(shot); }, 20));

  // Abort: the player is out, so only Escape leaves the debriefing.
  Press("Escape");
  std::optional<Image> debriefing = WaitForScreen(IsDebriefing);
  ASSERT_TRUE(debriefing.has_value()) << "no debriefing after Escape";
  EXPECT_EQ(CountNear(*debriefing, TextLeft, 400, 600, 418, DarkGrey), 0) << "no Enter hint after an abort";
  Press("Return");
  SleepMs(800);
  ASSERT_TRUE(WaitForScreen(IsDebriefing, 5)) << "Enter left the debriefing of an aborted mission";
  // A score of 0 does not qualify: the Hall of Fame follows at once.
  ASSERT_TRUE(PressFor("Escape", IsTextScreen));
  ASSERT_TRUE(PressFor("Escape", IsMainMenu));
  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
}

// The installed game as a player starts it: the install test names its
// launcher. The launcher makes the player's folder in HOME, the menu shows,
// and the options and the log land in that folder.
TEST_F(GameFlow, TheInstalledLauncherShowsTheMenuAndKeepsThePlayersFilesInTheirFolder) {
  const char* launcher = std::getenv("VARNOK_LAUNCHER");
  if (launcher == nullptr) GTEST_SKIP() << "run by the install test, which sets VARNOK_LAUNCHER";
  ASSERT_TRUE(StartAtMainMenu(launcher).has_value()) << "no main menu";
  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  EXPECT_TRUE(Game.FileExists("data/font.dat")) << "data does not lead to the installed data";
  EXPECT_TRUE(Game.FileExists("options.ini"));
  const std::vector<std::string> log = Game.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "Shutting down..."), log.end());
}

TEST_F(GameFlow, SigtermInAPausedMissionEndsTheGameInOrderKeepingTheOptions) {
  Game.WriteFile("data/level_a.txt", "Req 0 Fin 100000\n");
  ASSERT_TRUE(StartAtMainMenu().has_value()) << "no main menu";
  ASSERT_TRUE(DownTo(0, 2));
  ASSERT_TRUE(PressFor("Return", IsOptionsMenu, 20)) << "no options menu";
  ASSERT_TRUE(Toggle(0)) << "GFX";
  ASSERT_TRUE(DownTo(0, 5));
  ASSERT_TRUE(PressFor("Return", IsMainMenu, 20)) << "options did not return";
  ASSERT_TRUE(PressFor("Return", IsTextScreen));
  ASSERT_TRUE(PressFor("Escape", IsMission)) << "no mission on screen";
  ASSERT_TRUE(PressFor("p", [](const Image& shot) { return CountNear(shot, 300, 280, 500, 320, Red, 30) > 30; }))
      << "no PAUSED";

  Game.Signal(SIGTERM);
  ASSERT_EQ(Game.WaitForExit(60).value_or(-1), 0);
  EXPECT_EQ(Game.ReadFile("options.ini").value_or("<missing>"), "2\n1\n1\n1\n1");
  EXPECT_EQ(HighscoreText().size(), 80u);
  const std::vector<std::string> log = Game.LogLines();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(log.end() - 5, log.end()),
            (std::vector<std::string>{"Deleting fonts...", "Shutting down...", "Deleting player...",
                                      "Ship destructor...", "Unloading data..."}));
}

// An uncompressed datafile of `count` samples of one 8-bit sample point.
std::string SampleDatafile(int count) {
  auto be32 = [](uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
  };
  // Bits, rate 11025, length, the point.
  const std::string sample = std::string("\0\x08\x2b\x11", 4) + be32(1) + "\x80";
  std::string file = "slh.ALL." + be32(static_cast<uint32_t>(count));
  for (int i = 0; i < count; ++i) file += "SAMP" + be32(sample.size()) + be32(sample.size()) + sample;
  return file;
}

TEST(GameResources, AMissingOrShortSoundOrMusicFileEndsTheGameWithItsMessage) {
  for (const char* file : {"sounds.dat", "game_music.xm", "briefing_music.xm", "12 samples"}) {
    SCOPED_TRACE(file);
    const bool shortSounds = std::string(file) == "12 samples";
    if (shortSounds) file = "sounds.dat";
    GameHarness game({file});
    if (shortSounds) game.WriteFile("data/sounds.dat", SampleDatafile(12));
    ASSERT_TRUE(game.Start());
    const std::optional<int> status = game.WaitForExit(120);
    ASSERT_TRUE(status.has_value()) << game.GameOutput();
    EXPECT_EQ(*status, 1);
    EXPECT_EQ(game.Messages(), std::vector<std::string>{std::string("Error loading file: ") + file});
    const std::vector<std::string> log = game.LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Loading data...");
    EXPECT_FALSE(game.FileExists("Highscores"));
    EXPECT_FALSE(game.FileExists("options.ini"));
  }
}

}  // namespace

// The Windows build (scripts/windows.sh names its zip) under Wine: the log,
// the menu, the music through Wine's sound output and the options file as a
// Windows program writes it.
class WindowsGame : public GameFlow {
 protected:
  void SetUp() override {
    const char* zip = std::getenv("VARNOK_WINDOWS_ZIP");
    if (zip == nullptr) GTEST_SKIP() << "no Windows build given";
    ASSERT_TRUE(Game.UseWindowsBuild(zip));
  }
};

TEST_F(WindowsGame, StartsPlaysItsMusicKeepsItsOptionsAndExits) {
  // Windowed, sound effects off (the menu's sounds would break the silence
  // to come), music on.
  Game.WriteFile("options.ini", "1\r\n0\r\n1\r\n1\r\n0");
  const std::optional<Image> menu = StartAtMainMenu();
  ASSERT_TRUE(menu.has_value()) << "no main menu";
  EXPECT_EQ(Game.WindowTitle(), "Varnok");
  EXPECT_GT(menu->CountLit(0, 20, 800, 60), 300) << "logo";
  EXPECT_EQ(HighlightedRow(*menu), 0);
  size_t bytes = 0;
  EXPECT_GT(Loudness(1500, &bytes), 100.0) << "no menu music";

  ASSERT_TRUE(DownTo(0, 2));
  ASSERT_TRUE(PressFor("Return", IsOptionsMenu, 20)) << "no options menu";
  ASSERT_TRUE(DownTo(0, 2));
  ASSERT_TRUE(Toggle(2)) << "MUSIC";
  ASSERT_TRUE(DownTo(2, 5));
  ASSERT_TRUE(PressFor("Return", IsMainMenu, 20)) << "options did not return";
  SleepMs(500);
  const double silence = Loudness(1500, &bytes);
  EXPECT_GT(bytes, 10000u) << "no sound output";
  EXPECT_LT(silence, 5.0) << "music still playing after MUSIC: Off";

  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  EXPECT_EQ(Game.ReadFile("options.ini").value_or("<missing>"), "1\r\n0\r\n0\r\n1\r\n0");
  const std::vector<std::string> log = Game.LogLines();
  const std::vector<std::string> first = {"Init allegro...", "Init OpenGL...", "Creating fonts...",
                                          "Creating game class...", "Creating player ship...", "Loading data...",
                                          "Loading highscores..."};
  ASSERT_GE(log.size(), first.size() + 2);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + static_cast<long>(first.size())), first);
  EXPECT_NE(std::find(log.begin(), log.end(), "Shutting down..."), log.end());
  EXPECT_EQ(log.back(), "Unloading data...");
}
