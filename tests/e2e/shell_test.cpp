// Start-up and shutdown of the real game: one fatal message and the last log
// line for each missing or cut-off data file, a plain message when there is
// no display at all, and the close button and the signals a session sends
// ending the game as EXIT does. The Windows build shows its message box and
// replaces a saved Hall of Fame.

#include "e2e/harness.h"

namespace {

using e2e::GameHarness;

// An uncompressed datafile of `count` samples of one 8-bit sample point
// (rate 11025): fewer than the game's sounds.
std::string SampleDatafile(int count) {
  auto be32 = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
  const std::string sample = std::string("\0\x08\x2b\x11", 4) + be32(1) + "\x80";
  std::string file = "slh.ALL." + be32(static_cast<uint32_t>(count));
  for (int i = 0; i < count; ++i) file += "SAMP" + be32(sample.size()) + be32(sample.size()) + sample;
  return file;
}

TEST(Shell, BrokenDataOrNoDisplayEndsWithOneMessageAndWritesNothing) {
  std::ifstream in(VARNOK_DATA_DIR "/font.dat", std::ios::binary);
  const std::string font{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const struct {
    const char* file;
    std::string contents;  // empty: the file is missing
    const char* lastLog;
  } rows[] = {{"font.dat", "", "Creating fonts..."},
              {"font.dat", font.substr(0, 3000), "Creating fonts..."},
              {"sounds.dat", "", "Loading data..."},
              {"sounds.dat", SampleDatafile(12), "Loading data..."},
              {"game_music.xm", "", "Loading data..."},
              {"briefing_music.xm", "", "Loading data..."},
              {"", "", "Init allegro..."}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.file) + (row.contents.empty() ? " missing" : " cut off"));
    GameHarness game({row.file});
    if (!row.contents.empty()) game.WriteFile(std::string("data/") + row.file, row.contents);
    const bool display = *row.file != '\0';
    ASSERT_TRUE(game.Start(display));
    ASSERT_EQ(game.WaitForExit(120).value_or(-1), 1) << "the game kept running or ended otherwise";
    if (display) {
      EXPECT_EQ(game.Messages(), std::vector<std::string>{std::string("Error loading file: ") + row.file});
    } else {
      EXPECT_TRUE(game.Messages().empty());
      EXPECT_NE(game.GameOutput().find("no graphical display is available"), std::string::npos);
      EXPECT_EQ(game.LogLines().size(), 1u);
    }
    ASSERT_FALSE(game.LogLines().empty());
    EXPECT_EQ(game.LogLines().back(), row.lastLog);
    EXPECT_FALSE(game.FileExists("options.ini"));
    EXPECT_FALSE(game.FileExists("Highscores"));
  }
}

// During the intro, a screen that waits; with no options file before, the
// defaults are written, full screen included although the virtual display
// could only give a window.
TEST(Shell, CloseButtonAndSignalsEndTheGameInOrder) {
  for (int signal : {0, SIGINT, SIGHUP, SIGTERM}) {
    SCOPED_TRACE(signal == 0 ? "close button" : "signal " + std::to_string(signal));
    GameHarness game;
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(game.WaitForLog("Loading highscores...") && game.WaitForWindow());
    if (signal == 0) {
      ASSERT_TRUE(game.CloseWindow());
    } else {
      game.Signal(signal);
    }
    ASSERT_EQ(game.WaitForExit(60).value_or(-1), 0);
    EXPECT_TRUE(game.LogEndsInOrder());
    EXPECT_EQ(game.ReadFile("options.ini"), "1\n1\n1\n1\n1");
    EXPECT_EQ(game.ReadFile("Highscores").size(), 80u);
  }
}

class WindowsShell : public e2e::Session {};

TEST_F(WindowsShell, MissingFontFileShowsAMessageBoxAndEndsWithStatusOne) {
  std::filesystem::remove(Game.PathOf("data/font.dat"));
  ASSERT_TRUE(Game.Start());
  ASSERT_TRUE(Game.WaitForLog("Creating fonts...", 120));
  // The message box waits for the player: a window named like the game,
  // smaller than the game's own, which may still be closing when found first.
  bool boxShown = false;
  for (int attempt = 0; attempt < 30 && !boxShown && Game.WaitForWindow(10); ++attempt) {
    const std::optional<e2e::Image> shot = Game.Screenshot();
    boxShown = shot && shot->width < 800 && e2e::CountLit(*shot, 0, 0, shot->width, shot->height) > 0;
    if (!boxShown) e2e::SleepMs(500);
  }
  ASSERT_TRUE(boxShown) << "no message box";
  EXPECT_FALSE(Game.WaitForExit(1).has_value()) << "the game did not wait for the message box";
  Game.Key("Return");
  ASSERT_EQ(Game.WaitForExit(60).value_or(-1), 1);
  EXPECT_EQ(Game.LogLines().back(), "Creating fonts...");
  EXPECT_FALSE(Game.FileExists("options.ini"));
}

// save_twice.exe, from the folder of the cross build, runs in the game's place.
TEST_F(WindowsShell, HallOfFameSavedTwiceReadsBackTheSecondTable) {
  const char* tools = std::getenv("VARNOK_WINDOWS_TOOLS");
  ASSERT_NE(tools, nullptr) << "scripts/windows.sh names the folder of its cross build";
  std::filesystem::copy_file(std::string(tools) + "/save_twice.exe", Game.PathOf("varnok.exe"),
                             std::filesystem::copy_options::overwrite_existing);
  ASSERT_TRUE(Game.Start());
  EXPECT_EQ(Game.WaitForExit(120).value_or(-1), 0);
  EXPECT_TRUE(Game.FileExists("Highscores"));
  EXPECT_FALSE(Game.FileExists("Highscores.tmp"));
}

}  // namespace
