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
class HighscoreManager;

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

  std::vector<std::string> Lines;
  int Selected = 0;
  bool UpHeld = false;
  bool DownHeld = false;
  CGLSprite* Logo;
  CGLSprite* Moon;
};
