// Start-up and shutdown of the real game: the log lines in order, the options
// and the Hall of Fame written only on a normal exit (also when the game is
// closed or sent a signal), the one fatal message when a data file is missing
// or cut off, and a plain message when there is no display at all.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "e2e/screens.h"

namespace {

using e2e::GameHarness;

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += "  " + line + "\n";
  return all;
}

// Starts the game, waits until it shows an 800x600 window with something
// drawn in it and leaves it through the main menu; the exit status.
std::optional<int> RunAndQuit(GameHarness& game) {
  if (!game.Start()) return std::nullopt;
  EXPECT_TRUE(game.WaitForWindow()) << game.GameOutput();
  EXPECT_EQ(game.WindowTitle(), "Varnok");
  const std::optional<e2e::Image> shot = game.WaitForPicture();
  EXPECT_TRUE(shot.has_value()) << game.GameOutput();
  if (shot) {
    EXPECT_EQ(shot->width, 800);
    EXPECT_EQ(shot->height, 600);
  }
  return game.QuitFromMainMenu();
}

// The end of the log of every orderly exit: the game object goes last, its
// clearing follows "Shutting down...".
const std::vector<std::string> ShutdownLines = {"Deleting fonts...", "Shutting down...", "Deleting player...",
                                                "Ship destructor...", "Unloading data..."};

std::vector<std::string> LogEnd(const GameHarness& game) {
  const std::vector<std::string> log = game.LogLines();
  if (log.size() < ShutdownLines.size()) return log;
  return std::vector<std::string>(log.end() - static_cast<long>(ShutdownLines.size()), log.end());
}

TEST(Shell, NormalRunLogsInOrderAndWritesDefaultOptions) {
  GameHarness game;
  // The log of an earlier run must not survive the start (the log below
  // begins with this run's first line).
  game.WriteFile("log.txt", "junk from an earlier run\nShutting down...\n");
  ASSERT_FALSE(game.FileExists("options.ini"));

  const std::optional<int> status = RunAndQuit(game);
  ASSERT_TRUE(status.has_value()) << "the game did not leave\n" << game.GameOutput();
  EXPECT_EQ(*status, 0) << game.GameOutput();

  const std::vector<std::string> log = game.LogLines();
  ASSERT_GE(log.size(), 7u) << Joined(log);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 7),
            (std::vector<std::string>{"Init allegro...", "Init OpenGL...", "Creating fonts...", "Creating game class...",
                                      "Creating player ship...", "Loading data...", "Loading highscores..."}))
      << Joined(log);
  ASSERT_GE(log.size(), 7 + ShutdownLines.size()) << Joined(log);
  EXPECT_EQ(LogEnd(game), ShutdownLines) << Joined(log);

  // No options file before: the defaults are written, full screen included,
  // although the virtual display could only give a window.
  EXPECT_EQ(game.ReadFile("options.ini").value_or("<missing>"), "1\n1\n1\n1\n1");
  EXPECT_TRUE(game.Messages().empty());
  // The Hall of Fame is written on the way out: ten empty entries, complemented.
  const std::string table = game.ReadFile("Highscores").value_or("");
  ASSERT_EQ(table.size(), 80u);
  EXPECT_EQ(static_cast<unsigned char>(table[0]), 0xB1);
  EXPECT_EQ(static_cast<unsigned char>(table[7]), 0xF5);
  // Sound is on: the mixer's output reached the file behind ALSA's default
  // device.
  EXPECT_GT(game.SoundBytes().size(), 0u);
}

TEST(Shell, WindowedOptionOpensAWindowAndKeepsEveryValue) {
  GameHarness game;
  const std::string options = "2\n0\n1\n0\n0";
  game.WriteFile("options.ini", options);

  const std::optional<int> status = RunAndQuit(game);
  ASSERT_TRUE(status.has_value()) << "the game did not leave\n" << game.GameOutput();
  EXPECT_EQ(*status, 0) << game.GameOutput();
  EXPECT_EQ(game.ReadFile("options.ini").value_or("<missing>"), options);
}

TEST(Shell, MissingOrCutOffFontFileEndsWithTheExactMessageAndNoOptions) {
  std::ifstream in(std::string(VARNOK_DATA_DIR) + "/font.dat", std::ios::binary);
  const std::string font{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GT(font.size(), 3000u);
  for (const std::optional<std::string>& contents : {std::optional<std::string>(), std::optional(font.substr(0, 3000))}) {
    SCOPED_TRACE(contents ? "cut off" : "missing");
    GameHarness game({"font.dat"});
    if (contents) game.WriteFile("data/font.dat", *contents);
    ASSERT_TRUE(game.Start());
    const std::optional<int> status = game.WaitForExit(120);
    ASSERT_TRUE(status.has_value()) << "the game kept running\n" << game.GameOutput();
    EXPECT_EQ(*status, 1) << game.GameOutput();
    EXPECT_EQ(game.Messages(), std::vector<std::string>{"Error loading file: font.dat"});
    const std::vector<std::string> log = game.LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Creating fonts...") << Joined(log);
    EXPECT_FALSE(game.FileExists("options.ini"));
  }
}

TEST(Shell, WithoutADisplayTheGameSaysSoOnStandardErrorAndFails) {
  GameHarness game;
  ASSERT_TRUE(game.Start(false));
  const std::optional<int> status = game.WaitForExit(60);
  ASSERT_TRUE(status.has_value()) << "the game kept running";
  EXPECT_EQ(*status, 1) << game.GameOutput();
  EXPECT_NE(game.GameOutput().find("no graphical display is available"), std::string::npos) << game.GameOutput();
  EXPECT_TRUE(game.Messages().empty());
  EXPECT_EQ(game.LogLines(), std::vector<std::string>{"Init allegro..."});
  EXPECT_FALSE(game.FileExists("options.ini"));
}

// The close button and the signals a session sends end the game as EXIT
// does, here during the intro, a screen that waits.
TEST(Shell, CloseButtonAndSignalsEndTheGameInOrder) {
  for (int signal : {0, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal == 0 ? "close button" : "signal " + std::to_string(signal));
    GameHarness game;
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(game.WaitForLog("Loading highscores...")) << game.GameOutput();
    ASSERT_TRUE(game.WaitForWindow()) << game.GameOutput();
    if (signal == 0) {
      ASSERT_TRUE(game.CloseWindow());
    } else {
      game.Signal(signal);
    }
    const std::optional<int> status = game.WaitForExit(60);
    ASSERT_TRUE(status.has_value()) << "the game kept running\n" << game.GameOutput();
    EXPECT_EQ(*status, 0) << game.GameOutput();
    EXPECT_EQ(LogEnd(game), ShutdownLines) << Joined(game.LogLines());
    EXPECT_EQ(game.ReadFile("options.ini").value_or("<missing>"), "1\n1\n1\n1\n1");
    EXPECT_EQ(game.ReadFile("Highscores").value_or("").size(), 80u);
  }
}

}  // namespace

namespace {

// The Windows build under Wine, when scripts/windows.sh names its zip and the
// folder of its cross build (which holds the test program save_twice.exe).
std::optional<std::string> WindowsZip() {
  const char* zip = std::getenv("VARNOK_WINDOWS_ZIP");
  if (zip == nullptr) return std::nullopt;
  return std::string(zip);
}

TEST(WindowsShell, MissingFontFileShowsAMessageBoxAndEndsWithStatusOne) {
  const std::optional<std::string> zip = WindowsZip();
  if (!zip) GTEST_SKIP() << "no Windows build given";
  GameHarness game;
  ASSERT_TRUE(game.UseWindowsBuild(*zip));
  std::filesystem::remove(game.PathOf("data/font.dat"));
  ASSERT_TRUE(game.Start());
  ASSERT_TRUE(game.WaitForLog("Creating fonts...", 120)) << game.GameOutput();
  // The message box waits for the player: a window named like the game,
  // smaller than the game's own, which may still be closing when found first.
  bool boxShown = false;
  for (int attempt = 0; attempt < 30 && !boxShown && game.WaitForWindow(10); ++attempt) {
    const std::optional<e2e::Image> shot = game.Screenshot();
    boxShown = shot && shot->width < 800 && shot->CountLit(0, 0, shot->width, shot->height) > 0;
    if (!boxShown) e2e::SleepMs(500);
  }
  ASSERT_TRUE(boxShown) << "no message box\n" << game.GameOutput();
  EXPECT_FALSE(game.WaitForExit(1).has_value()) << "the game did not wait for the message box";
  game.Key("Return");
  const std::optional<int> status = game.WaitForExit(60);
  ASSERT_TRUE(status.has_value()) << "the message box did not close";
  EXPECT_EQ(*status, 1);
  const std::vector<std::string> log = game.LogLines();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Creating fonts...") << Joined(log);
  EXPECT_FALSE(game.FileExists("options.ini"));
}

TEST(WindowsShell, HallOfFameSavedTwiceReadsBackTheSecondTable) {
  const std::optional<std::string> zip = WindowsZip();
  const char* tools = std::getenv("VARNOK_WINDOWS_TOOLS");
  if (!zip || tools == nullptr) GTEST_SKIP() << "no Windows build given";
  GameHarness game;
  ASSERT_TRUE(game.UseWindowsBuild(*zip, "save_twice.exe"));
  std::filesystem::copy_file(std::string(tools) + "/save_twice.exe", game.PathOf("save_twice.exe"));
  ASSERT_TRUE(game.Start());
  const std::optional<int> status = game.WaitForExit(120);
  ASSERT_TRUE(status.has_value()) << game.GameOutput();
  EXPECT_EQ(*status, 0) << game.GameOutput();
  EXPECT_TRUE(game.FileExists("Highscores"));
  EXPECT_FALSE(game.FileExists("Highscores.tmp"));
}

}  // namespace
