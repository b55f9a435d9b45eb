// The front end on the real display: backdrop, the vertical menu, the rising
// text, the options and credits, the debriefing, intro, exit picture,
// epilogue, name entry and the Hall of Fame screen, and how each gives way
// when the game is asked to end.
#include "frontend_fixture.h"

#include <GL/glu.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "frontend/menu.h"
#include "highscores/highscore.h"
#include "shell/quit.h"

using namespace frontendtest;
using gltest::Pixel;
using gltest::ReadPixel;
using gltest::ReadRect;

namespace {

class MenuTest : public FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    Menu = new CMenu();
  }
  void TearDown() override {
    delete Menu;
    remove_int(IncSpeedCtr);
    FrontEndTest::TearDown();
  }

  // Lets a blocking screen run at a brisk, real tick rate.
  static void FastTimer() { install_int_ex(IncSpeedCtr, BPS_TO_TIMER(20000)); }

  int Height() const { return static_cast<int>(Globals::SmallFont->GetHeight()); }

  void FiveItems() {
    Menu->ClearText();
    for (const char* item : {"NEW GAME", "HALL OF FAME", "OPTIONS", "CREDITS", "EXIT"}) Menu->AddLine(item);
  }

  CMenu* Menu = nullptr;
};

const Pixel LightGrey{200, 200, 200};
const Pixel Blue{100, 100, 255};
const Pixel Grey{64, 64, 64};
const Pixel Black{0, 0, 0};
const Pixel White{255, 255, 255};

// Each probe's pixel must be (near) its colour.
struct Probe {
  int x, y;
  Pixel colour;
};
void ExpectPixels(std::initializer_list<Probe> probes) {
  for (const Probe& p : probes)
    EXPECT_TRUE(Near(ReadPixel(p.x, p.y), p.colour)) << p.x << "," << p.y << ": " << ReadPixel(p.x, p.y);
}

// In a player script: Enter, held since the previous screen, stays down while
// the screen starts with ticks pending (which it must drop), then goes up.
void ReleaseHeldEnter() {
  Pause();
  Globals::SpeedCounter = 3;
  Pause();
  key[KEY_ENTER] = 0;
  WaitConsumed();
}

}  // namespace

TEST_F(MenuTest, BackdropPutsTheLogoAtTheTopAndTheMoonBottomLeft) {
  glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
  Menu->DrawBackdrop();
  // Logo 256x64, additive red over the cleared grey: x 272..527, y 20..83.
  // Moon 128x128, opaque green in the corner.
  const Pixel logo{255, 64, 64}, moon{0, 255, 0};
  ExpectPixels({{400, 19, Grey}, {400, 20, logo}, {272, 50, logo}, {271, 50, Grey}, {527, 83, logo}, {400, 84, Grey},
                {0, 599, moon}, {127, 472, moon}, {128, 500, Grey}, {50, 471, Grey}});
}

TEST_F(MenuTest, MenuWrapsAtBothEndsAndMovesOncePerPress) {
  FiveItems();
  Menu->BeginMenu(0);
  key[KEY_UP] = 1;
  EXPECT_FALSE(Menu->MenuTick());
  EXPECT_EQ(Menu->Selected, 4);  // Up from NEW GAME: EXIT
  key[KEY_UP] = 0;
  EXPECT_FALSE(Menu->MenuTick());
  key[KEY_DOWN] = 1;
  EXPECT_FALSE(Menu->MenuTick());
  EXPECT_EQ(Menu->Selected, 0);  // Down from EXIT: NEW GAME
  for (int i = 0; i < 200; ++i) ASSERT_FALSE(Menu->MenuTick());
  EXPECT_EQ(Menu->Selected, 0);  // held: no further move
  key[KEY_DOWN] = 0;
  Menu->MenuTick();
  key[KEY_DOWN] = 1;
  Menu->MenuTick();
  EXPECT_EQ(Menu->Selected, 1);
  key[KEY_ESC] = 1;  // does nothing in a menu
  EXPECT_FALSE(Menu->MenuTick());
  key[KEY_ENTER] = 1;
  EXPECT_TRUE(Menu->MenuTick());
  EXPECT_EQ(Menu->Selected, 1);
}

TEST_F(MenuTest, HeldArrowsCarryOverIntoTheNextMenu) {
  FiveItems();
  Menu->BeginMenu(2);
  key[KEY_DOWN] = 1;
  Menu->MenuTick();
  EXPECT_EQ(Menu->Selected, 3);
  Menu->BeginMenu(2);
  Menu->MenuTick();  // still the same press
  EXPECT_EQ(Menu->Selected, 2);
}

TEST_F(MenuTest, MenuDrawsItemsDownFromMidScreenWithTheHighlight) {
  FiveItems();
  Menu->BeginMenu(1);
  Menu->DrawMenu();
  const int h = static_cast<int>(Globals::MenuFont->GetHeight());
  for (int i = 0; i < 5; ++i) {
    const auto line = ReadRect(250, 300 + 30 * i, 120, h);
    EXPECT_TRUE(HasColour(line, i == 1 ? Blue : LightGrey, 2)) << "item " << i;
    EXPECT_FALSE(HasColour(line, i == 1 ? LightGrey : Blue, 2)) << "item " << i;
  }
  EXPECT_TRUE(AllBlack(ReadRect(250, 280, 200, 20)));
  EXPECT_TRUE(AllBlack(ReadRect(240, 300, 10, 150)));
}

TEST_F(MenuTest, EnterHeldFromThePreviousScreenChoosesNothing) {
  FiveItems();
  key[KEY_ENTER] = 1;
  Player player([] {
    ReleaseHeldEnter();
    key[KEY_DOWN] = 1;
    Ticks(5);
    key[KEY_DOWN] = 0;
    Ticks(1);
    key[KEY_DOWN] = 1;
    Ticks(1);
    key[KEY_ENTER] = 1;
    Ticks(1);
  });
  EXPECT_EQ(Menu->DoMenu(0), 2);
}

TEST_F(MenuTest, MainMenuOffersTheFiveItems) {
  Globals::SpeedCounter = -1;
  Player player([] {
    WaitConsumed();
    key[KEY_UP] = 1;
    Ticks(1);
    key[KEY_ENTER] = 1;
    Ticks(1);
  });
  EXPECT_EQ(Menu->MainMenu(), 4);
  EXPECT_EQ(Menu->Lines, (std::vector<std::string>{"NEW GAME", "HALL OF FAME", "OPTIONS", "CREDITS", "EXIT"}));
}

TEST_F(MenuTest, TextRisesFromTheBottomOneLinePitchApart) {
  Menu->ClearText();
  for (int i = 0; i < 10; ++i) Menu->AddLine("##########");
  Menu->BeginText();
  EXPECT_FLOAT_EQ(Menu->TextY, 590.0f);
  const int pitch = Height() + 3;
  Menu->DrawTextScreen("TITLE");
  EXPECT_TRUE(HasColour(ReadRect(200, 590, 80, 10), LightGrey, 2));
  EXPECT_TRUE(AllBlack(ReadRect(200, 560, 80, 30)));
  // The title sits at (200, 250) in the menu font.
  EXPECT_TRUE(HasColour(ReadRect(200, 250, 80, static_cast<int>(Globals::MenuFont->GetHeight())), LightGrey, 2));

  // The block ends once pitch x lines + s drops below 250.
  const double expected = std::ceil((590.0 - (250.0 - 10.0 * pitch)) / 0.15);
  int ticks = 0;
  while (!Menu->TextTick()) ASSERT_LT(++ticks, 100000);
  ++ticks;
  EXPECT_NEAR(ticks, expected, 2.0);
  EXPECT_LT(10 * pitch + Menu->TextY, 250.0f);
}

TEST_F(MenuTest, TextSlidesUnderTheBlackBand) {
  glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
  Menu->ClearText();
  Menu->AddLine("##########");
  Menu->BeginText();
  Menu->TextY = 305.0f;  // the line starts inside the band
  Menu->DrawTextScreen("T");
  ExpectPixels({{600, 299, Grey}, {600, 300, Black}, {600, 314, Black}, {600, 315, Grey}});
  EXPECT_FALSE(HasColour(ReadRect(200, 300, 80, 15), LightGrey, 2));
}

TEST_F(MenuTest, EnterOrEscapeEndTheText) {
  Menu->ClearText();
  Menu->AddLine("x");
  for (int k : {KEY_ENTER, KEY_ESC}) {
    Menu->BeginText();
    EXPECT_FALSE(Menu->TextTick());
    key[k] = 1;
    EXPECT_TRUE(Menu->TextTick());
    key[k] = 0;
  }
}

TEST_F(MenuTest, OptionsCycleTheirSettings) {
  Globals::GFXLevel = 2;
  Globals::SoundOn = true;
  Globals::MusicOn = false;
  Globals::ScreenShakeOn = true;
  Globals::Fullscreen = true;
  Menu->BuildOptionsItems();
  EXPECT_EQ(Menu->Lines, (std::vector<std::string>{"GFX: HIGH", "SOUND: On", "MUSIC: Off", "SCREEN SHAKE: On",
                                                   "FULLSCREEN: YES", "BACK"}));
  EXPECT_FALSE(Menu->ApplyOption(0));
  EXPECT_FALSE(Menu->ApplyOption(1));
  EXPECT_FALSE(Menu->ApplyOption(2));
  EXPECT_FALSE(Menu->ApplyOption(4));
  Menu->BuildOptionsItems();
  EXPECT_EQ(Menu->Lines, (std::vector<std::string>{"GFX: LOW", "SOUND: Off", "MUSIC: On", "SCREEN SHAKE: On",
                                                   "FULLSCREEN: NO", "BACK"}));
  Globals::GFXLevel = 7;  // as read from a strange options file
  Menu->BuildOptionsItems();
  EXPECT_EQ(Menu->Lines[0], "GFX: HIGH");
  Menu->ApplyOption(0);
  EXPECT_EQ(Globals::GFXLevel, 0);
  Menu->ApplyOption(0);
  EXPECT_EQ(Globals::GFXLevel, 1);
  EXPECT_TRUE(Menu->ApplyOption(5));
  EXPECT_EQ(Globals::GFXLevel, 1);
  Globals::SoundOn = false;
  Globals::MusicOn = true;
  Globals::Fullscreen = true;
  Globals::GFXLevel = 1;
}

TEST_F(MenuTest, OptionsMenuKeepsTheHighlightOnTheLastChoice) {
  Globals::GFXLevel = 1;
  Globals::SpeedCounter = -1;
  Player player([] {
    WaitConsumed();
    key[KEY_ENTER] = 1;  // MEDIUM -> HIGH
    Ticks(1);
    Globals::SpeedCounter = -1;  // the next menu waits for Enter to go up
    key[KEY_ENTER] = 0;
    WaitConsumed();
    key[KEY_ENTER] = 1;  // the same item again: HIGH -> LOW
    Ticks(1);
    Globals::SpeedCounter = -1;
    key[KEY_ENTER] = 0;
    WaitConsumed();
    key[KEY_UP] = 1;  // wraps to BACK
    Ticks(1);
    key[KEY_ENTER] = 1;
    Ticks(1);
  });
  Menu->OptionsMenu();
  EXPECT_EQ(Globals::GFXLevel, 0);
  EXPECT_EQ(Menu->Selected, 5);
  Globals::GFXLevel = 1;
}

// Credits, the Hall of Fame (every entry verbatim) and a missing epilogue
// (the title alone) end by themselves once their block has risen.
TEST_F(MenuTest, TextScreensEndByThemselves) {
  HighscoreManager table(10, false);
  table.AddEntry("50%d", 7);
  FastTimer();
  Menu->CreditsMenu();
  EXPECT_EQ(Menu->Lines.size(), 9u);
  EXPECT_LT((Height() + 3) * 9 + Menu->TextY, 250.0f);
  Menu->ShowHighscores(&table);
  ASSERT_EQ(Menu->Lines.size(), 10u);
  EXPECT_EQ(Menu->Lines[0], "1. 50%d: 7");
  EXPECT_EQ(Menu->Lines[9], "10. None: 0");
  Menu->ShowEpilogue();
  EXPECT_TRUE(Menu->Lines.empty());
  EXPECT_LT(Menu->TextY, 250.0f);
  EXPECT_GT(Menu->TextY, 249.0f);
}

TEST_F(MenuTest, EpilogueIsReadLineByLine) {
  {
    std::ofstream out("data/epilogue.txt", std::ios::binary);
    out << "The end.\n100% done\r\n\n" << std::string(300, 'z') << "\n";
  }
  Menu->LoadEpilogue("data/epilogue.txt");
  EXPECT_EQ(Menu->Lines,
            (std::vector<std::string>{"The end.", "100% done", "", std::string(255, 'z'), ""}));
  {
    std::ofstream out("data/epilogue.txt", std::ios::binary);
    out << "No line end";
  }
  Menu->LoadEpilogue("data/epilogue.txt");
  EXPECT_EQ(Menu->Lines, (std::vector<std::string>{"No line end"}));
  std::remove("data/epilogue.txt");
}

TEST_F(MenuTest, DebriefingFiguresForEachOutcome) {
  auto texts = [this] {
    std::vector<std::string> all;
    for (const ScreenText& t : Menu->DebriefingTexts())
      all.push_back(std::to_string(t.X) + "," + std::to_string(t.Y) + " " + t.Text);
    return all;
  };
  // Only success banks the bonus; only a killed player has no Enter line.
  const std::string head = "200,250 MISSION DEBRIEFING", esc = "200,420 Escape = Back to main menu";
  Menu->BeginDebriefing(0, 1500, 300);
  EXPECT_EQ(texts(), (std::vector<std::string>{head, "200,300 Outcome: Mission accomplished", "200,320 Score: 1200",
                                               "200,340 Bonus: 300", "200,360 Total: 1500",
                                               "200,400 Enter = Next mission", esc}));
  Menu->BeginDebriefing(2, 900, 200);
  EXPECT_EQ(texts(), (std::vector<std::string>{head, "200,300 Outcome: Mission failed", "200,320 Score: 900",
                                               "200,340 Bonus: 0", "200,360 Total: 900",
                                               "200,400 Enter = Replay mission", esc}));
  Menu->BeginDebriefing(1, 900, 200);
  EXPECT_EQ(texts(), (std::vector<std::string>{head, "200,300 Outcome: Player killed/Mission aborted",
                                               "200,320 Score: 900", "200,340 Bonus: 0", "200,360 Total: 900", esc}));
}

TEST_F(MenuTest, DebriefingDrawsItsTextsAndTheBand) {
  glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
  Menu->BeginDebriefing(0, 1500, 300);
  Menu->DrawDebriefing();
  const int h = static_cast<int>(Globals::MediumFont->GetHeight());
  EXPECT_EQ(ReadPixel(700, 307), (Pixel{0, 0, 0}));
  // Text brightens what lies beneath: light grey and dark grey over the grey.
  EXPECT_TRUE(HasColour(ReadRect(200, 320, 100, h), Pixel{214, 214, 214}, 4));
  EXPECT_TRUE(HasColour(ReadRect(200, 420, 100, h), Pixel{139, 139, 139}, 4));
  EXPECT_FALSE(HasColour(ReadRect(200, 380, 100, 20), Pixel{139, 139, 139}, 30));
}

TEST_F(MenuTest, DebriefingKeysPerOutcome) {
  Menu->BeginDebriefing(0, 1, 0);
  EXPECT_EQ(Menu->DebriefingTick(), -1);
  key[KEY_ENTER] = 1;
  EXPECT_EQ(Menu->DebriefingTick(), 1);
  Menu->BeginDebriefing(2, 1, 0);
  EXPECT_EQ(Menu->DebriefingTick(), 2);
  Menu->BeginDebriefing(1, 1, 0);
  EXPECT_EQ(Menu->DebriefingTick(), -1);  // Enter is ignored
  key[KEY_ESC] = 1;
  EXPECT_EQ(Menu->DebriefingTick(), 0);
  key[KEY_ENTER] = 0;
  Menu->BeginDebriefing(0, 1, 0);
  EXPECT_EQ(Menu->DebriefingTick(), 0);
}

TEST_F(MenuTest, DebriefingIsNotSkippedByEnterHeldFromTheGame) {
  key[KEY_ENTER] = 1;
  Player player([] {
    ReleaseHeldEnter();
    Ticks(3);
    key[KEY_ESC] = 1;
    Ticks(1);
  });
  EXPECT_EQ(Menu->ShowDebriefing(0, 100, 0), 0);
}

TEST_F(MenuTest, IntroFliesInTumblingThenHolds) {
  Menu->BeginIntro();
  int ticks = 0;
  int moving = 0;
  while (true) {
    const float z = Menu->Intro.Z;
    const bool done = Menu->IntroTick();
    ++ticks;
    if (Menu->Intro.Z != z) {
      ++moving;
      ASSERT_NEAR(Menu->Intro.Z - z, 0.05f, 1e-4);
    }
    if (done) break;
    ASSERT_LT(ticks, 1000);
  }
  EXPECT_NEAR(moving, 360, 1);
  EXPECT_EQ(ticks, moving + 100);
  EXPECT_FLOAT_EQ(Menu->Intro.RX, static_cast<float>(moving));
  EXPECT_FLOAT_EQ(Menu->Intro.RY, static_cast<float>(moving));
  EXPECT_GE(Menu->Intro.Z, -4.0f);
  EXPECT_EQ(Menu->Intro.Hold, 0);
}

namespace {

// The 3D state the game sets up before the intro; undone by Setup2D and
// LeaveIntroState.
void EnterIntroState() {
  const GLfloat ambient[] = {0.3f, 0.3f, 0.3f, 1.0f};
  const GLfloat diffuse[] = {0.7f, 0.7f, 0.7f, 1.0f};
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_COLOR_MATERIAL);
  glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
  glViewport(0, 0, SCREEN_W, SCREEN_H);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(30.0, static_cast<double>(SCREEN_W) / SCREEN_H, 1.0, 100.0);
}

void LeaveIntroState() {
  glDisable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glDisable(GL_COLOR_MATERIAL);
}

}  // namespace

TEST_F(MenuTest, IntroEndsByItselfAfterTheHold) {
  EnterIntroState();
  FastTimer();
  Menu->ShowIntro();
  EXPECT_TRUE(Menu->Intro.Finished);
  EXPECT_GE(Menu->Intro.Z, -4.0f);
  EXPECT_EQ(glIsEnabled(GL_CULL_FACE), GL_TRUE);
  LeaveIntroState();
}

TEST_F(MenuTest, EscapeEndsTheIntroAtOnce) {
  key[KEY_ESC] = 1;
  Menu->ShowIntro();
  EXPECT_FALSE(Menu->Intro.Finished);
  EXPECT_FLOAT_EQ(Menu->Intro.Z, -22.0f);
}

TEST_F(MenuTest, ExitPictureCountsPendingTicksWithoutReset) {
  Menu->BeginExitScreen();
  for (int i = 0; i < 99; ++i) ASSERT_FALSE(Menu->ExitTick());
  EXPECT_TRUE(Menu->ExitTick());

  Globals::SpeedCounter = 150;  // pending before the screen starts
  Menu->ShowExitScreen();
  EXPECT_EQ(Menu->ExitCounter, 150);
  EXPECT_EQ(Globals::SpeedCounter, 0);

  key[KEY_ESC] = 1;
  Menu->ShowExitScreen();
  EXPECT_EQ(Menu->ExitCounter, 0);
}

TEST_F(MenuTest, ExitPictureSitsCentredOnWhite) {
  CGLSprite picture("data/exit.bmp", MaskNone);
  Menu->DrawExitScreen(picture);
  const Pixel blue{0, 0, 255};
  ExpectPixels({{5, 5, White}, {799, 599, White}, {299, 300, White}, {300, 250, blue}, {499, 349, blue}, {400, 350, White}});
}

namespace {

class NameEntryTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    // Buffered reads return nothing without the keyboard driver. Nothing
    // presses real keys on the test display, so only simulated presses and
    // the key states set here arrive.
    ASSERT_EQ(install_keyboard(), 0);
    ReleaseKeys();
    clear_keybuf();
  }
  void TearDown() override {
    clear_keybuf();
    remove_keyboard();
    MenuTest::TearDown();
  }

  // Presses one key and lets the name entry take it.
  bool Press(int character, int scancode) {
    simulate_ukeypress(character, scancode);
    EXPECT_TRUE(keypressed());
    return Menu->NameEntryStep();
  }
  bool Type(const std::string& text) {
    bool done = false;
    for (char c : text) done = Press(c, KEY_A) || done;
    return done;
  }
};

}  // namespace

TEST_F(NameEntryTest, KeepsTenPrintableCharactersAsTyped) {
  Menu->BeginNameEntry();
  EXPECT_FALSE(Menu->NameEntryStep());  // nothing waiting
  EXPECT_FALSE(Type("Ab%9"));
  EXPECT_FALSE(Press(' ', KEY_SPACE));
  EXPECT_FALSE(Press('\t', KEY_TAB));
  EXPECT_FALSE(Press(27, KEY_ESC));
  EXPECT_FALSE(Press(0, KEY_LEFT));
  EXPECT_FALSE(Press(0xE9, KEY_E));  // non-ASCII
  EXPECT_FALSE(Press(0x416, KEY_E));
  EXPECT_FALSE(Type("xyz~!_#-"));
  EXPECT_EQ(Menu->EnteredName, "Ab%9xyz~!_");
  EXPECT_FALSE(Press(8, KEY_BACKSPACE));
  EXPECT_EQ(Menu->EnteredName, "Ab%9xyz~!");
  EXPECT_TRUE(Press(13, KEY_ENTER));
  EXPECT_EQ(Menu->EnteredName, "Ab%9xyz~!");
}

TEST_F(NameEntryTest, EnterWaitsForAtLeastOneCharacter) {
  Menu->BeginNameEntry();
  EXPECT_FALSE(Press(8, KEY_BACKSPACE));
  EXPECT_FALSE(Press(13, KEY_ENTER));
  EXPECT_FALSE(Press(13, KEY_ENTER_PAD));
  EXPECT_EQ(Menu->EnteredName, "");
  EXPECT_FALSE(Type("Z"));
  key[KEY_ENTER] = 1;  // Enter held when the next key arrives
  EXPECT_TRUE(Type("q"));
  EXPECT_EQ(Menu->EnteredName, "Z");
}

TEST_F(NameEntryTest, GetNameTakesKeysFromTheBufferUntilEnter) {
  simulate_ukeypress('s', KEY_S);  // typed before the screen: discarded
  Player player([] {
    while (keypressed()) std::this_thread::yield();  // the screen empties the buffer
    Pause();
    for (int c : {'J', 'o', ' ', 'e'}) simulate_ukeypress(c, c == ' ' ? KEY_SPACE : KEY_A);
    Pause();
    simulate_ukeypress(13, KEY_ENTER);
  });
  EXPECT_EQ(Menu->GetName(), "Joe");
}

TEST_F(NameEntryTest, NameScreenShowsThePromptAndTheName) {
  Menu->BeginNameEntry();
  Type("50%");
  const auto texts = Menu->NameEntryTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Text, "New highscore!");
  EXPECT_EQ(texts[1].Text, "Name: 50%");
  Menu->DrawNameEntry();
  const int h = static_cast<int>(Globals::MediumFont->GetHeight());
  EXPECT_TRUE(HasColour(ReadRect(200, 350, 200, h), Pixel{255, 255, 255}, 2));
  EXPECT_TRUE(HasColour(ReadRect(200, 250, 200, h), LightGrey, 2));
}

TEST_F(MenuTest, EveryScreenGivesWayAtOnceWhenTheGameIsAskedToEnd) {
  // No ticks come and Enter is held: each screen would otherwise wait.
  RequestQuit();
  key[KEY_ENTER] = 1;
  EXPECT_EQ(Menu->MainMenu(), -1);
  Menu->OptionsMenu();
  Menu->CreditsMenu();
  Menu->ShowEpilogue();
  HighscoreManager table(10, false);
  Menu->ShowHighscores(&table);
  EXPECT_EQ(Menu->ShowDebriefing(1, 0, 0), 0);
  Menu->ShowIntro();
  Menu->ShowExitScreen();
  key[KEY_ENTER] = 0;
  EXPECT_EQ(Menu->GetName(), "");
  CancelQuit();
}
