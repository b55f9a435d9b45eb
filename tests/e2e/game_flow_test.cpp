// Menus, options, music off and on, the log; campaigns through every debriefing choice; the installed launcher.

#include "e2e/harness.h"

namespace {

using namespace e2e;

// Whether menu item `row` reads differently in the two screens.
bool RowChanged(const Image& a, const Image& b, int row) {
  for (int y = 300 + 30 * row; y < 328 + 30 * row; ++y)
    if (a.pixels.compare((y * 800 + 250) * 3, 450 * 3, b.pixels, (y * 800 + 250) * 3, 450 * 3) != 0) return true;
  return false;
}

class GameFlow : public Session {
 protected:
  // A text file's bytes as this build writes them.
  std::string Text(std::string text) const {
    for (size_t i = 0; Game.Windows && (i = text.find('\n', i)) != std::string::npos; i += 2) text.insert(i, "\r");
    return text;
  }
  bool MoveTo(const std::string& key, int row) {
    return Game.Await([row](const Image& shot) { return HighlightedRow(shot) == row; }, key, 20).has_value();
  }
  // From the main menu into the options, Enter on each of `rows` (waiting until its item reads anew), and back.
  void ChangeOptions(const std::vector<int>& rows) {
    const Screen options = [](const Image& s) { return RowShows(s, 5, LightGrey); };
    ASSERT_TRUE(MoveTo("Down", 1) && MoveTo("Down", 2) && Game.Await(options, "Return"));
    for (int row = 0; row < 5; ++row) {
      if (std::count(rows.begin(), rows.end(), row) > 0) {
        const std::optional<Image> before = Game.Await([](const Image&) { return true; });
        const Screen changed = [&](const Image& s) { return HighlightedRow(s) == row && RowChanged(s, *before, row); };
        ASSERT_TRUE(before && Game.Await(changed, "Return", 20)) << "option " << row;
      }
      ASSERT_TRUE(MoveTo("Down", row + 1));
    }
    ASSERT_TRUE(Game.Await(IsMainMenu, "Return", 20)) << "the options did not return";
  }
  // How much the sound output moves over a second and a half: the mean step between 16-bit samples two apart
  // (one channel of stereo), which reads the same whether the format (unknown under Wine) is signed or not.
  double Loudness() {
    SleepMs(300);
    const std::string sound = Game.HomeDir + "/sound.raw";
    const size_t start = Slurp(sound).size() & ~size_t{1};
    SleepMs(1500);
    const std::string s = Slurp(sound);
    EXPECT_GT(s.size(), start + 10000) << "no sound output";
    const auto at = [&](size_t i) { return static_cast<uint8_t>(s[i]) | static_cast<uint8_t>(s[i + 1]) << 8; };
    double sum = 0;
    for (size_t i = start + 4; i + 1 < s.size(); i += 2) sum += std::abs(static_cast<int16_t>(at(i) - at(i - 4)));
    return sum / static_cast<double>(std::max<size_t>(1, s.size() - start) / 2);
  }

  void MenusOptionsAndMusic() {
    // Every value unlike the defaults (Wine's display cannot switch to full screen).
    const bool full = !Game.Windows;
    Game.WriteFile("options.ini", Text(full ? "2\n1\n1\n0\n1" : "2\n1\n1\n0\n0"));
    Game.WriteFile("log.txt", "junk from an earlier run\n");
    ASSERT_TRUE(Game.StartAtMainMenu()) << "no main menu";
    EXPECT_GT(Loudness(), 15.0) << "no menu music";

    // Every option changed (sound effects off: no menu sound breaks the silence), then the music on again.
    ASSERT_NO_FATAL_FAILURE(ChangeOptions(full ? std::vector<int>{0, 1, 2, 3, 4} : std::vector<int>{0, 1, 2, 3}));
    EXPECT_LT(Loudness(), 1.0) << "music still playing after MUSIC: Off";
    ASSERT_NO_FATAL_FAILURE(ChangeOptions({2}));
    EXPECT_GT(Loudness(), 15.0) << "music not back after MUSIC: On";

    EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
    EXPECT_EQ(Game.Read("options.ini"), Text("0\n0\n1\n1\n0"));
    EXPECT_TRUE(Game.Messages().empty());
    std::vector<std::string> log = Game.LogLines();
    log.resize(std::min<size_t>(log.size(), 7));
    EXPECT_EQ(log, (std::vector<std::string>{"Init allegro...", "Init OpenGL...", "Creating fonts...",
                                             "Creating game class...", "Creating player ship...", "Loading data...",
                                             "Loading highscores..."}));
    EXPECT_TRUE(Game.LogEndsInOrder());
  }
};

class WindowsGame : public GameFlow {};

TEST_F(GameFlow, MenusOptionsMusicAndExit) { MenusOptionsAndMusic(); }
TEST_F(WindowsGame, MenusOptionsMusicAndExit) { MenusOptionsAndMusic(); }

TEST_F(GameFlow, CampaignsRunEveryDebriefingChoiceAndEndInTheHallOfFame) {
  // Level a is won at once (a negative requirement pays a bonus of 200); no enemy gives the kill b asks for.
  Game.WriteFile("data/level_a.txt", "Req -2\r\nFin 0\r\n[Briefing]\r\nFirst mission: 100% easy.\r\n[End]\r\n");
  Game.WriteFile("data/level_b.txt", "Req 1\nFin 0\n[Briefing]\nSecond mission.\n[End]\n");
  ASSERT_TRUE(Game.StartAtMainMenu()) << "no main menu";
  const Screen risen = [](const Image& s) { return IsTextScreen(s) && CountLit(s, TextLeft, 320, 800, 600) > 40; };
  const Screen nameOrText = [](const Image& s) { return IsNameEntry(s) || IsTextScreen(s); };
  // Level a is accomplished and leads on to b, which fails: replayed once with Enter, then left with Escape.
  ASSERT_TRUE(Game.Await(risen, "Return")) << "no briefing lines";
  for (int run = 0; run < 3; ++run)
    ASSERT_TRUE(Game.Await(IsDebriefing, "Return") && (run == 2 || Game.Await(IsTextScreen, "Return"))) << run;
  // No epilogue: straight to name entry, the score of 200 qualifying.
  std::optional<Image> shot = Game.Await(nameOrText, "Escape");
  ASSERT_TRUE(shot.has_value() && IsNameEntry(*shot)) << "a text screen came before name entry";
  Game.Tool({"xdotool", "type", "--delay", "100", "Tester"}, 20);
  ASSERT_TRUE(Game.Await(risen, "Return") && Game.Await(IsMainMenu, "Escape")) << "no Hall of Fame";
  const std::vector<std::string> log = Game.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Reading level: data/level_b.txt"), 2) << "level b not replayed";

  // Second campaign: level b is won too, so the epilogue follows it.
  Game.WriteFile("data/level_b.txt", "Req -1\nFin 0\n");
  for (int level = 0; level < 2; ++level)
    ASSERT_TRUE(Game.Await(IsTextScreen, "Return") && Game.Await(IsDebriefing, "Return")) << "level " << level;
  shot = Game.Await(nameOrText, "Return");
  ASSERT_TRUE(shot.has_value() && IsTextScreen(*shot)) << "no epilogue";
  ASSERT_TRUE(Game.Await(IsNameEntry, "Escape"));
  Game.Tool({"xdotool", "type", "--delay", "100", "Second"}, 20);
  ASSERT_TRUE(Game.Await(IsTextScreen, "Return") && Game.Await(IsMainMenu, "Escape"));
  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  std::string table = Game.Read("Highscores");
  for (char& c : table) c = static_cast<char>(~c);
  std::string expected = "Second 300\r\nTester 200\r\n";
  for (int i = 0; i < 8; ++i) expected += "None 0\r\n";
  EXPECT_EQ(table, expected);
}

// The installed launcher (named by the install test) keeps the data link, options and log in the player's folder.
TEST_F(GameFlow, TheInstalledLauncherKeepsThePlayersFilesInTheirFolder) {
  const char* launcher = std::getenv("VARNOK_LAUNCHER");
  if (launcher == nullptr) GTEST_SKIP() << "run by the install test, which sets VARNOK_LAUNCHER";
  ASSERT_TRUE(Game.StartAtMainMenu(launcher)) << "no main menu";
  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  for (const char* name : {"data/font.dat", "options.ini", "log.txt"}) EXPECT_TRUE(fs::exists(Game.PathOf(name)));
}

}  // namespace
