// The real game played through its screens: start-up, the main menu and its
// wrap-around, the options read at start-up, changed and saved at exit, the
// music heard going off and on again, the exit and its log; a campaign with
// every debriefing choice, the epilogue, typed names and the Hall of Fame
// file; the installed launcher. The Windows build walks the same menus.

#include <cmath>

#include "e2e/harness.h"

namespace {

using namespace e2e;

class GameFlow : public Session {
 protected:
  // Each test writes its own levels.
  GameFlow() : Session({"level_"}) {}

  // A text file's bytes as this build writes them.
  std::string Text(std::string text) const {
    for (size_t i = 0; Game.Windows() && (i = text.find('\n', i)) != std::string::npos; i += 2) text.insert(i, "\r");
    return text;
  }

  bool MoveTo(const std::string& key, int row) {
    return Game.PressFor(
        key, [row](const Image& shot) { return HighlightedRow(shot) == row; }, 20);
  }

  // From the main menu into the options, Enter on each of `rows` (each
  // waited for until its item reads anew), and back.
  void ChangeOptions(const std::vector<int>& rows) {
    ASSERT_TRUE(MoveTo("Down", 1) && MoveTo("Down", 2));
    ASSERT_TRUE(Game.PressFor("Return", IsOptionsMenu, 20)) << "no options menu";
    int at = 0;
    for (int row : rows) {
      for (; at < row; ++at) ASSERT_TRUE(MoveTo("Down", at + 1));
      const std::optional<Image> before = Game.Screenshot();
      ASSERT_TRUE(before.has_value());
      ASSERT_TRUE(Game.PressFor(
          "Return",
          [&](const Image& shot) {
            for (int y = 300 + 30 * row; y < 328 + 30 * row; ++y)
              if (shot.pixels.compare((y * 800 + 250) * 3, 450 * 3, before->pixels, (y * 800 + 250) * 3, 450 * 3) != 0)
                return IsOptionsMenu(shot) && HighlightedRow(shot) == row;
            return false;
          },
          20))
          << "option " << row;
    }
    for (; at < 5; ++at) ASSERT_TRUE(MoveTo("Down", at + 1));
    ASSERT_TRUE(Game.PressFor("Return", IsMainMenu, 20)) << "the options did not return";
  }

  // How loud the sound output is over the next `ms` milliseconds: the RMS
  // about the mean of the 16-bit samples written meanwhile. The format is
  // not known (the Windows build goes through Wine): a steady signal reads
  // the same whether signed or unsigned, so the smaller reading is taken.
  double Loudness(int ms) {
    const size_t start = Game.SoundBytes().size() & ~size_t{1};
    SleepMs(ms);
    const std::string sound = Game.SoundBytes();
    EXPECT_GT(sound.size(), start + 10000) << "no sound output";
    double best = 1e9;
    for (int offset : {0, 32768}) {
      double sum = 0, squares = 0, n = 0;
      for (size_t i = start; i + 1 < sound.size(); i += 2, ++n) {
        const int v = (static_cast<uint8_t>(sound[i]) | static_cast<uint8_t>(sound[i + 1]) << 8) ^ offset;
        sum += v;
        squares += static_cast<double>(v) * v;
      }
      if (n > 0) best = std::min(best, std::sqrt(std::max(0.0, squares / n - sum / n * sum / n)));
    }
    return best;
  }

  void MenusOptionsAndMusic() {
    // The options file is read at start-up: every value unlike the defaults.
    const bool full = !Game.Windows();
    Game.WriteFile("options.ini", Text(full ? "2\n1\n1\n0\n1" : "2\n1\n1\n0\n0"));
    Game.WriteFile("log.txt", "junk from an earlier run\n");
    ASSERT_TRUE(Game.StartAtMainMenu()) << "no main menu";
    const std::optional<Image> menu = Game.Screenshot();
    ASSERT_TRUE(menu.has_value());
    EXPECT_EQ(menu->width, 800);
    EXPECT_EQ(menu->height, 600);
    EXPECT_GT(CountLit(*menu, 0, 20, 800, 60), 300) << "logo";
    EXPECT_EQ(HighlightedRow(*menu), 0);
    ASSERT_TRUE(MoveTo("Up", 4)) << "Up from NEW GAME wraps to EXIT";
    ASSERT_TRUE(MoveTo("Down", 0)) << "Down from EXIT wraps to NEW GAME";
    EXPECT_GT(Loudness(1500), 100.0) << "no menu music";

    // Every option changed (sound effects off, so that no menu sound breaks
    // the silence), then the music on again: it restarts at once.
    ASSERT_NO_FATAL_FAILURE(ChangeOptions(full ? std::vector<int>{0, 1, 2, 3, 4} : std::vector<int>{0, 1, 2, 3}));
    SleepMs(300);
    EXPECT_LT(Loudness(1500), 5.0) << "music still playing after MUSIC: Off";
    ASSERT_NO_FATAL_FAILURE(ChangeOptions({2}));
    SleepMs(300);
    EXPECT_GT(Loudness(1500), 100.0) << "music not back after MUSIC: On";

    EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
    EXPECT_EQ(Game.ReadFile("options.ini"), Text("0\n0\n1\n1\n0"));
    EXPECT_TRUE(Game.Messages().empty());
    const std::vector<std::string> log = Game.LogLines();
    const std::vector<std::string> first = {"Init allegro...",        "Init OpenGL...",          "Creating fonts...",
                                            "Creating game class...", "Creating player ship...", "Loading data...",
                                            "Loading highscores..."};
    ASSERT_GE(log.size(), first.size());
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + static_cast<long>(first.size())), first);
    EXPECT_TRUE(Game.LogEndsInOrder());
  }
};

class WindowsGame : public GameFlow {};

TEST_F(GameFlow, MenusOptionsMusicAndExit) { MenusOptionsAndMusic(); }
TEST_F(WindowsGame, MenusOptionsMusicAndExit) { MenusOptionsAndMusic(); }

TEST_F(GameFlow, CampaignsRunEveryDebriefingChoiceAndEndInTheHallOfFame) {
  // Level a is won from the start (a negative requirement pays a bonus of
  // 200); level b asks for a kill that no enemy can give.
  Game.WriteFile("data/level_a.txt", "Req -2\r\nFin 0\r\n[Briefing]\r\nFirst mission: 100% easy.\r\n[End]\r\n");
  Game.WriteFile("data/level_b.txt", "Req 1\nFin 0\n[Briefing]\nSecond mission.\n[End]\n");
  ASSERT_TRUE(Game.StartAtMainMenu()) << "no main menu";
  const Screen risen = [](const Image& shot) {
    return IsTextScreen(shot) && CountLit(shot, TextLeft, 320, 800, 600) > 40;
  };
  std::optional<Image> shot = (Game.Press("Return"), Game.WaitForScreen(risen));
  ASSERT_TRUE(shot.has_value()) << "no briefing lines";
  EXPECT_GT(CountLit(*shot, 0, 20, 800, 60), 300) << "backdrop logo";

  // Accomplished: the outcome lines, "Enter = Next mission" and the Escape hint.
  shot = (Game.Press("Return"), Game.WaitForScreen(IsDebriefing));
  ASSERT_TRUE(shot.has_value()) << "no debriefing";
  for (int y : {320, 340, 360}) EXPECT_GT(CountNear(*shot, TextLeft, y, 600, y + 18, LightGrey), 8) << y;
  for (int y : {400, 420}) EXPECT_GT(CountNear(*shot, TextLeft, y, 600, y + 18, DarkGrey), 30) << "hint at " << y;

  // Level b fails: replayed once ("Enter = Replay"), then left with Escape.
  ASSERT_TRUE(Game.PressFor("Return", IsTextScreen));
  shot = (Game.Press("Return"), Game.WaitForScreen(IsDebriefing));
  ASSERT_TRUE(shot.has_value());
  EXPECT_GT(CountNear(*shot, TextLeft, 400, 600, 418, DarkGrey), 30) << "Replay hint";
  ASSERT_TRUE(Game.PressFor("Return", IsTextScreen));
  ASSERT_TRUE(Game.PressFor("Return", IsDebriefing));
  // No epilogue: straight to name entry, the score of 200 qualifying.
  const Screen nameOrText = [](const Image& s) { return IsNameEntry(s) || IsTextScreen(s); };
  shot = (Game.Press("Escape"), Game.WaitForScreen(nameOrText));
  ASSERT_TRUE(shot.has_value() && IsNameEntry(*shot)) << "a text screen came before name entry";
  Game.Type("Tester");
  SleepMs(300);
  ASSERT_TRUE(Game.PressFor("Return", risen)) << "no Hall of Fame";
  ASSERT_TRUE(Game.PressFor("Escape", IsMainMenu));
  std::vector<std::string> levels;
  for (const std::string& line : Game.LogLines())
    if (line.rfind("Reading level: ", 0) == 0 || line == "Running game...") levels.push_back(line);
  EXPECT_EQ(levels, (std::vector<std::string>{"Running game...", "Reading level: data/level_a.txt", "Running game...",
                                              "Reading level: data/level_b.txt", "Running game...",
                                              "Reading level: data/level_b.txt"}));
  EXPECT_FALSE(Game.FileExists("Highscores")) << "the Hall of Fame is written only at the end";

  // Second campaign: level b is won too, so the epilogue follows it.
  Game.WriteFile("data/level_b.txt", "Req -1\nFin 0\n");
  for (int level = 0; level < 2; ++level) {
    ASSERT_TRUE(Game.PressFor("Return", IsTextScreen)) << "briefing " << level;
    ASSERT_TRUE(Game.PressFor("Return", IsDebriefing)) << "debriefing " << level;
  }
  shot = (Game.Press("Return"), Game.WaitForScreen(nameOrText));
  ASSERT_TRUE(shot.has_value() && IsTextScreen(*shot)) << "no epilogue";
  ASSERT_TRUE(Game.PressFor("Escape", IsNameEntry));
  Game.Type("Second");
  SleepMs(300);
  ASSERT_TRUE(Game.PressFor("Return", IsTextScreen));
  ASSERT_TRUE(Game.PressFor("Escape", IsMainMenu));
  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  std::string expected = "Second 300\r\nTester 200\r\n";
  for (int i = 0; i < 8; ++i) expected += "None 0\r\n";
  std::string table = Game.ReadFile("Highscores");
  for (char& c : table) c = static_cast<char>(~c);
  EXPECT_EQ(table, expected);
}

// The installed game as a player starts it (the install test names the
// launcher): the player's folder in HOME holds the data link, options and log.
TEST_F(GameFlow, TheInstalledLauncherKeepsThePlayersFilesInTheirFolder) {
  const char* launcher = std::getenv("VARNOK_LAUNCHER");
  if (launcher == nullptr) GTEST_SKIP() << "run by the install test, which sets VARNOK_LAUNCHER";
  ASSERT_TRUE(Game.StartAtMainMenu(launcher)) << "no main menu";
  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  EXPECT_TRUE(Game.FileExists("data/font.dat")) << "data does not lead to the installed data";
  EXPECT_TRUE(Game.FileExists("options.ini"));
  EXPECT_TRUE(Game.LogEndsInOrder());
}

}  // namespace
