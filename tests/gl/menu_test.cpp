#include <fstream>
#include <memory>

#include "frontend/menu.h"
#include "frontend_fixture.h"
#include "highscores/highscore.h"

using namespace frontendtest;

namespace {

const Pixel LightGrey{200, 200, 200}, Grey{64, 64, 64};

class MenuTest : public FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    Menu = std::make_unique<CMenu>();
    Menu->Lines = {"A", "B", "C", "D", "E"};
  }
  void TearDown() override {
    Menu.reset();
    remove_int(IncSpeedCtr);
    FrontEndTest::TearDown();
  }
  float Pitch() const { return Globals::SmallFont->GetHeight() + 3; }
  std::unique_ptr<CMenu> Menu;
};

// Over the backdrop (the logo 256x64 added to the grey at x 272..527, y 20..83, the moon opaque in the corner) the
// items run down from mid-screen, every 30 pixels, light grey but the highlighted one; text brightens the grey.
TEST_F(MenuTest, MenuDrawsItsItemsOverTheLogoAndTheMoon) {
  glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
  Menu->BeginMenu(1);
  Menu->DrawMenu();
  const Pixel logo{255, 64, 64}, moon{0, 255, 0}, item{214, 214, 214}, highlight{139, 139, 255};
  ExpectPixels({{400, 19, Grey}, {400, 20, logo}, {272, 50, logo}, {271, 50, Grey}, {527, 83, logo}, {400, 84, Grey},
                {0, 599, moon}, {127, 472, moon}, {128, 500, Grey}, {50, 471, Grey}});
  const int h = static_cast<int>(Globals::MenuFont->GetHeight());
  for (int i = 0; i < 5; ++i) {
    const Rect line = ReadRect(250, 300 + 30 * i, 120, h);
    EXPECT_TRUE(HasColour(line, i == 1 ? highlight : item, 4) && !HasColour(line, i == 1 ? item : highlight, 4)) << i;
  }
}

// Each row is one tick: the keys down, then where the highlight is.
TEST_F(MenuTest, MenuWrapsMovesOncePerPressAndCarriesHeldArrowsIntoTheNextMenu) {
  Menu->BeginMenu(0);
  const struct {
    int begin, up, down, esc, enter, selected;
  } steps[] = {{-1, 1, 0, 0, 0, 4}, {-1, 1, 0, 0, 0, 4}, {-1, 0, 0, 0, 0, 4}, {-1, 0, 1, 0, 0, 0},
               {-1, 0, 1, 0, 0, 0}, {2, 0, 1, 0, 0, 2},  {-1, 0, 0, 0, 0, 2}, {-1, 0, 1, 1, 0, 3},
               {-1, 0, 0, 0, 1, 3}};
  for (const auto& s : steps) {
    if (s.begin >= 0) Menu->BeginMenu(s.begin);
    for (auto [k, down] : {std::pair{KEY_UP, s.up}, {KEY_DOWN, s.down}, {KEY_ESC, s.esc}, {KEY_ENTER, s.enter}})
      key[k] = down;
    EXPECT_EQ(Menu->MenuTick(), s.enter == 1);
    EXPECT_EQ(Menu->Selected, s.selected);
  }
}

// Enter held since the previous screen stays down while the screen starts with ticks pending, then goes up; Down
// and the leaving key follow.
TEST_F(MenuTest, AKeyHeldFromThePreviousScreenActsOnNothing) {
  const struct {
    int leave;
    std::function<int(CMenu&)> run;
    int expected;
  } cases[] = {
      {KEY_ENTER, [](CMenu& m) { return m.DoMenu(0); }, 1},
      {KEY_ESC, [](CMenu& m) { return m.ShowDebriefing(0, 100, 0); }, 0},
  };
  for (const auto& c : cases) {
    ReleaseKeys();
    key[KEY_ENTER] = 1;
    std::thread player([&c] {
      Pause();
      Globals::SpeedCounter = 3;
      Pause();
      key[KEY_ENTER] = 0;
      WaitConsumed();
      Ticks(3);
      Press(KEY_DOWN);
      Press(c.leave);
    });
    EXPECT_EQ(c.run(*Menu), c.expected);
    player.join();
  }
}

TEST_F(MenuTest, TextRisesUnderTheBandAndEndsOnceItsBlockPassesTheTitle) {
  Menu->Lines = Lines(10, "##########");
  Menu->TextY = 400.0f;
  Menu->DrawTextScreen("TITLE");
  const int h = static_cast<int>(Globals::SmallFont->GetHeight());
  EXPECT_TRUE(HasColour(ReadRect(200, 400, 80, h), LightGrey));
  EXPECT_EQ(Changed(200, 370, 80, 30, Black) + Changed(200, 400 + h, 80, 3, Black), 0);  // 3 between lines
  EXPECT_TRUE(HasColour(ReadRect(200, 250, 80, static_cast<int>(Globals::MenuFont->GetHeight())), LightGrey));
  Menu->TextY = 305.0f;  // the first line starts inside the band
  Menu->DrawTextScreen("T");
  EXPECT_EQ(Changed(200, 300, 80, 15, Black), 0);
  Menu->BeginText();
  EXPECT_FALSE(Menu->TextTick());
  EXPECT_FLOAT_EQ(Menu->TextY, 589.85f);
  for (int tick = 0; !Menu->TextTick(); ++tick) ASSERT_LT(tick, 100000);
  const float blockEnd = 10 * Pitch() + Menu->TextY;
  EXPECT_TRUE(blockEnd < 250.0f && blockEnd + 0.15f >= 250.0f) << blockEnd;
}

// The credits, the Hall of Fame (entries verbatim) and the intro end by themselves.
TEST_F(MenuTest, ScreensThatEndByThemselves) {
  HighscoreManager table(10, false);
  table.AddEntry("50%d", 7);
  install_int_ex(IncSpeedCtr, BPS_TO_TIMER(20000));
  Menu->CreditsMenu();
  EXPECT_TRUE(!Menu->Lines.empty() && Pitch() * Menu->Lines.size() + Menu->TextY < 250);
  Menu->ShowHighscores(&table);
  EXPECT_TRUE(Menu->Lines.size() == 10 && Menu->Lines[0] == "1. 50%d: 7" && Menu->Lines[9] == "10. None: 0");
  Menu->ShowIntro();
  EXPECT_TRUE(Menu->Intro.Finished && Menu->Intro.Z >= -4 && glIsEnabled(GL_CULL_FACE));
}

// The cube flies in from z -22 to -4 at 0.05 a tick, turning a degree a tick about both axes, then holds 100 ticks;
// Escape ends it at once. The exit picture sits centred on white for a hundred ticks.
TEST_F(MenuTest, IntroAndExitPictureRunTheirCourseAndEscapeEndsThemAtOnce) {
  Menu->BeginIntro();
  int ticks = 1;
  while (!Menu->IntroTick()) ASSERT_LT(++ticks, 1000);
  EXPECT_NEAR(Menu->Intro.RX, 360, 1);
  EXPECT_NEAR(Menu->Intro.Z, -4, 0.05);
  EXPECT_EQ(std::vector<float>({Menu->Intro.RY, static_cast<float>(ticks)}),
            std::vector<float>({Menu->Intro.RX, Menu->Intro.RX + 100}));
  key[KEY_ESC] = 1;
  Menu->ShowIntro();
  EXPECT_TRUE(!Menu->Intro.Finished && Menu->Intro.Z == -22.0f);
  CGLSprite picture("data/exit.bmp", MaskNone);
  Menu->DrawExitScreen(picture);
  ExpectPixels({{799, 599, White}, {299, 300, White}, {300, 250, Blue}, {499, 349, Blue}, {400, 350, White}});
  Menu->BeginExitScreen();
  for (int i = 0; i < 99; ++i) ASSERT_FALSE(Menu->ExitTick());
  EXPECT_TRUE(Menu->ExitTick());
}

TEST_F(MenuTest, EpilogueIsReadLineByLineAndCutAt255Characters) {
  const std::string text = "The end.\n100% done\r\n\n" + std::string(300, 'z') + "\nNo end";
  std::ofstream("data/epilogue.txt", std::ios::binary) << text;
  Menu->LoadEpilogue("data/epilogue.txt");
  EXPECT_EQ(Menu->Lines, (Lines{"The end.", "100% done", "", std::string(255, 'z'), "No end"}));
  std::remove("data/epilogue.txt");
}

// Only success banks the bonus, a killed player has no Enter line.
TEST_F(MenuTest, DebriefingShowsTheFiguresOfEachOutcome) {
  const std::pair<int, std::string> cases[] = {
      {0, "300 Outcome: Mission accomplished|320 Score: 1200|340 Bonus: 300|360 Total: 1500|400 Enter = Next mission|"},
      {2, "300 Outcome: Mission failed|320 Score: 1500|340 Bonus: 0|360 Total: 1500|400 Enter = Replay mission|"},
      {1, "300 Outcome: Player killed/Mission aborted|320 Score: 1500|340 Bonus: 0|360 Total: 1500|"},
  };
  for (const auto& [outcome, lines] : cases) {
    Menu->BeginDebriefing(outcome, 1500, 300);
    std::string texts;
    for (const ScreenText& t : Menu->DebriefingTexts()) texts += std::to_string(t.Y) + " " + t.Text + "|";
    EXPECT_EQ(texts, "250 MISSION DEBRIEFING|" + lines + "420 Escape = Back to main menu|");
  }
}

// Only characters 33 to 126 count, read whole (0x416 must not come in as a caret), up to ten; Enter, typed, on the
// keypad or held, ends an entry that is not empty.
TEST_F(MenuTest, NameEntryKeepsTenPrintableCharactersAndNeedsOneBeforeEnter) {
  Menu->BeginNameEntry();
  for (auto [character, scancode] : {std::pair{8, KEY_BACKSPACE}, {13, KEY_ENTER}, {13, KEY_ENTER_PAD}})
    EXPECT_FALSE(Menu->NameEntryKey(character, scancode)) << character;
  for (int character : {'%', ' ', '\x7f', '!', '~', 'z', '1', '2', '3', '4', '5', '_', '6'})
    EXPECT_FALSE(Menu->NameEntryKey(character, KEY_A)) << character;
  EXPECT_EQ(Menu->EnteredName, "%!~z12345_");
  EXPECT_FALSE(Menu->NameEntryKey(8, KEY_BACKSPACE));
  ASSERT_EQ(install_keyboard(), 0);  // buffered reads need the keyboard driver; only simulated presses arrive
  simulate_ukeypress(0x416, KEY_E);
  EXPECT_FALSE(Menu->NameEntryStep());
  EXPECT_EQ(Menu->EnteredName, "%!~z12345");
  remove_keyboard();
  EXPECT_TRUE(Menu->NameEntryKey(13, KEY_ENTER) && Menu->NameEntryKey(13, KEY_ENTER_PAD));
  key[KEY_ENTER] = 1;
  EXPECT_TRUE(Menu->NameEntryKey('q', KEY_Q));
}

}  // namespace
