// CMenu is the front end: the menu backdrop, the two screen engines (DoMenu,
// a vertical menu picked with the arrows and Enter; ShowText, lines rising
// slowly under a title) and every full-screen screen of the game built on
// them: main menu, options, credits, briefing text, debriefing, intro cube,
// exit picture, epilogue, name entry and the Hall of Fame. Each screen loop
// is paced by the logic-tick counter; its one tick and its frame are kept in
// separate functions so tests can step a screen without the timers.
#pragma once

#include <string>
#include <vector>

class CGLSprite;
class CGLFont;
class Cube;
class HighscoreManager;

// One text of a screen as it is drawn: font, top-left corner, colour.
struct ScreenText {
  CGLFont* Font;
  int X;
  int Y;
  int Colour;
  std::string Text;
};

class CMenu {
 public:
  CMenu();
  ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  void ClearText();
  void AddText(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Appends a line as it is (never read as a format), cut to 255 characters.
  void AddLine(const std::string& line);

  // The chosen item, or -1 when the game is asked to end (as are the
  // screens' results below: every screen gives way at once then).
  int DoMenu(int start);
  void ShowText(const char* title);
  int MainMenu();
  void OptionsMenu();
  void CreditsMenu();
  int ShowDebriefing(int outcome, int total, int bonus);
  void ShowIntro();
  void ShowExitScreen();
  void ShowEpilogue();
  void ShowHighscores(HighscoreManager* table);
  std::string GetName();

  // The backdrop shared by the screens: logo at the top, moon bottom left.
  void DrawBackdrop();

  // The screens one logic tick and one frame at a time (frames are not
  // flipped). Each Begin... sets a screen's state as its loop does on entry
  // after the wait for held keys; each ...Tick returns whether (or with what)
  // the screen ends.
  void BeginMenu(int start);
  bool MenuTick();
  void DrawMenu();

  void BeginText();
  bool TextTick();
  void DrawTextScreen(const char* title);

  void BeginDebriefing(int outcome, int total, int bonus);
  // 0, 1 or 2 when the screen ends; -1 while it goes on.
  int DebriefingTick();
  std::vector<ScreenText> DebriefingTexts() const;
  void DrawDebriefing();

  void BeginIntro();
  bool IntroTick();
  void DrawIntro(Cube& cube);

  void BeginExitScreen();
  bool ExitTick();
  void DrawExitScreen(CGLSprite& picture);

  // Options menu: the six items from the settings, and the effect of
  // choosing item `choice`; true for "BACK".
  void BuildOptionsItems();
  bool ApplyOption(int choice);

  // Fills Lines from a text file, one line per file line.
  void LoadEpilogue(const char* path);

  void BeginNameEntry();
  // Handles the next key waiting in the keyboard buffer, if any; true once
  // Enter accepts the name.
  bool NameEntryStep();
  // One key as ureadkey gives it: its character and its scancode.
  bool NameEntryKey(int character, int scancode);
  std::vector<ScreenText> NameEntryTexts() const;
  void DrawNameEntry();

  std::vector<std::string> Lines;
  int Selected = 0;
  bool UpHeld = false;
  bool DownHeld = false;
  CGLSprite* Logo;
  CGLSprite* Moon;

  // Scroll position of ShowText's lines.
  float TextY = 0.0f;

  struct DebriefingState {
    int Outcome = 0;
    int Total = 0;
    int Bonus = 0;
    const char* OutcomeText = "";
  } Debriefing;

  struct IntroState {
    float Z = -22.0f;
    float RX = 0.0f;
    float RY = 0.0f;
    int Hold = -1;
    bool Finished = false;
  } Intro;

  int ExitCounter = 0;
  std::string EnteredName;

 private:
  // The shared screen loop: runs one tick per pending logic tick (tick
  // returns -1 to go on), otherwise draws and flips.
  template <typename Tick, typename Draw>
  int RunScreen(Tick tick, Draw draw);
};
