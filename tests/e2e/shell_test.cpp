// Broken data, no display, the close button and signals; the Windows build's message box and Hall of Fame.

#include "e2e/harness.h"

namespace {

using namespace e2e;

// An uncompressed datafile of `count` samples of one 8-bit sample point (rate 11025): fewer than the game's sounds.
std::string SampleDatafile(int count) {
  auto be32 = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
  const std::string sample = std::string("\0\x08\x2b\x11", 4) + be32(1) + "\x80";
  std::string file = "slh.ALL." + be32(static_cast<uint32_t>(count));
  for (int i = 0; i < count; ++i) file += "SAMP" + be32(sample.size()) + be32(sample.size()) + sample;
  return file;
}

TEST(Shell, BrokenDataOrNoDisplayEndsWithOneMessageAndWritesNothing) {
  const struct {
    std::string file, contents;  // no contents: the file is missing; no file: no display
    const char* lastLog;
  } rows[] = {{"font.dat", "", "Creating fonts..."},
              {"font.dat", Slurp(VARNOK_DATA_DIR "/font.dat").substr(0, 3000), "Creating fonts..."},
              {"sounds.dat", "", "Loading data..."},
              {"sounds.dat", SampleDatafile(12), "Loading data..."},
              {"game_music.xm", "", "Loading data..."},
              {"briefing_music.xm", "", "Loading data..."},
              {"", "", "Init allegro..."}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file + (row.contents.empty() ? " missing" : " cut off"));
    GameHarness game(row.file);
    if (!row.contents.empty()) game.WriteFile("data/" + row.file, row.contents);
    ASSERT_TRUE(game.Start(!row.file.empty()));
    ASSERT_EQ(game.WaitForExit(120).value_or(-1), 1) << "the game kept running or ended otherwise";
    const std::string output = Slurp(game.WorkDir + "/.game-output.txt");
    EXPECT_EQ(output.find("no graphical display is available") != std::string::npos, row.file.empty());
    const std::vector<std::string> message = {"Error loading file: " + row.file};
    EXPECT_EQ(game.Messages(), row.file.empty() ? std::vector<std::string>{} : message);
    EXPECT_EQ(game.LogLines().empty() ? "" : game.LogLines().back(), row.lastLog);
    EXPECT_EQ(game.Read("options.ini") + game.Read("Highscores"), "");
  }
}

// The default options are written, full screen included although the display gave a window.
TEST(Shell, CloseButtonAndSignalsEndTheGameInOrder) {
  for (int signal : {0, SIGINT, SIGHUP, SIGTERM}) {
    SCOPED_TRACE(signal == 0 ? "close button" : "signal " + std::to_string(signal));
    GameHarness game;
    ASSERT_TRUE(game.StartAtMainMenu());
    if (signal == 0)
      game.CloseWindow();
    else
      kill(game.GamePid, signal);
    ASSERT_EQ(game.WaitForExit(60).value_or(-1), 0);
    EXPECT_TRUE(game.LogEndsInOrder());
    EXPECT_EQ(game.Read("options.ini"), "1\n1\n1\n1\n1");
    EXPECT_EQ(game.Read("Highscores").size(), 80u);
  }
}

class WindowsShell : public Session {};

TEST_F(WindowsShell, MissingFontFileShowsAMessageBoxAndEndsWithStatusOne) {
  fs::remove(Game.PathOf("data/font.dat"));
  ASSERT_TRUE(Game.Start());
  // The message box waits: a window named like the game's, smaller; the game's may still be closing when found first.
  const Screen box = [](const Image& s) { return s.width < 800 && CountLit(s, 0, 0, s.width, s.height) > 0; };
  bool boxShown = false;
  for (int attempt = 0; attempt < 30 && !boxShown && Game.WaitForWindow(120); ++attempt)
    boxShown = Game.Await(box, "", 2).has_value();
  ASSERT_TRUE(boxShown) << "no message box";
  EXPECT_FALSE(Game.WaitForExit(1).has_value()) << "the game did not wait for the message box";
  Game.Press("Return");
  ASSERT_EQ(Game.WaitForExit(60).value_or(-1), 1);
  EXPECT_EQ(Game.LogLines().back(), "Creating fonts...");
  EXPECT_EQ(Game.Read("options.ini"), "");
}

// save_twice.exe, from the folder of the cross build, runs in the game's place.
TEST_F(WindowsShell, HallOfFameSavedTwiceReadsBackTheSecondTable) {
  const char* tools = std::getenv("VARNOK_WINDOWS_TOOLS");
  ASSERT_NE(tools, nullptr) << "scripts/windows.sh names the folder of its cross build";
  fs::copy_file(std::string(tools) + "/save_twice.exe", Game.PathOf("varnok.exe"),
                fs::copy_options::overwrite_existing);
  ASSERT_TRUE(Game.Start());
  EXPECT_EQ(Game.WaitForExit(120).value_or(-1), 0);
}

}  // namespace
