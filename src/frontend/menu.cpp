#include "frontend/menu.h"

#include <allegro.h>
#include <alleggl.h>
#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>

#include "graphics/cube.h"
#include "graphics/gltwodee.h"
#include "highscores/highscore.h"
#include "shell/common.h"
#include "shell/quit.h"

namespace {

constexpr int MoveSample = 6;
constexpr int ChooseSample = 7;
constexpr size_t MaxLine = 255;
constexpr size_t MaxName = 10;

int LightGrey() { return makecol(200, 200, 200); }
int DarkGrey() { return makecol(100, 100, 100); }
int HighlightBlue() { return makecol(100, 100, 255); }
int White() { return makecol(255, 255, 255); }

void PlayMenuSound(int sample) { PlaySample(sample, 200, 128, 1000); }

// A key still held from the previous screen must not act on this one.
void WaitForRelease(int held) {
  while (key[held] && !QuitRequested()) rest(0);
}

void WaitForRelease(int held, int other) {
  while ((key[held] || key[other]) && !QuitRequested()) rest(0);
}

void DrawTexts(const std::vector<ScreenText>& texts) {
  for (const ScreenText& text : texts) text.Font->Printf(text.X, text.Y, text.Colour, "%s", text.Text.c_str());
}

const char* OnOff(bool flag) { return flag ? "On" : "Off"; }

}  // namespace

CMenu::CMenu() : Logo(new CGLSprite("data/logo.bmp", MaskAdditive)), Moon(new CGLSprite("data/moon.bmp", MaskNone)) {}

CMenu::~CMenu() {
  delete Logo;
  delete Moon;
}

void CMenu::ClearText() { Lines.clear(); }

void CMenu::AddText(const char* format, ...) {
  // vsnprintf cuts an over-long line at 255 characters.
  char line[MaxLine + 1];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  Lines.emplace_back(line);
}

void CMenu::AddLine(const std::string& line) { Lines.push_back(line.substr(0, MaxLine)); }

template <typename Tick, typename Draw>
int CMenu::RunScreen(Tick tick, Draw draw) {
  Globals::SpeedCounter = 0;
  for (;;) {
    if (QuitRequested()) return -1;
    if (Globals::SpeedCounter > 0) {
      const int result = tick();
      --Globals::SpeedCounter;
      if (result >= 0) return result;
    } else {
      draw();
      allegro_gl_flip();
    }
  }
}

void CMenu::DrawBackdrop() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Logo->Draw(static_cast<float>(SCREEN_W / 2), 20.0f + Logo->H() / 2, 0.0f, 1.0f, 1.0f);
  Moon->Draw(Moon->W() / 2, SCREEN_H - Moon->H() / 2, 0.0f, 1.0f, 1.0f);
}

// --- The vertical menu ---

void CMenu::BeginMenu(int start) { Selected = start; }

bool CMenu::MenuTick() {
  PollMusic();
  const int last = static_cast<int>(Lines.size()) - 1;
  if (key[KEY_UP] && !UpHeld) {
    if (--Selected < 0) Selected = last;
    PlayMenuSound(MoveSample);
  }
  if (key[KEY_DOWN] && !DownHeld) {
    if (++Selected > last) Selected = 0;
    PlayMenuSound(MoveSample);
  }
  if (key[KEY_ENTER]) {
    PlayMenuSound(ChooseSample);
    return true;
  }
  UpHeld = key[KEY_UP] != 0;
  DownHeld = key[KEY_DOWN] != 0;
  return false;
}

void CMenu::DrawMenu() {
  DrawBackdrop();
  const int top = SCREEN_H / 2;
  for (size_t i = 0; i < Lines.size(); ++i) {
    const int colour = static_cast<int>(i) == Selected ? HighlightBlue() : LightGrey();
    Globals::MenuFont->Printf(250, top + 30 * static_cast<int>(i), colour, "%s", Lines[i].c_str());
  }
}

int CMenu::DoMenu(int start) {
  WaitForRelease(KEY_ENTER);
  BeginMenu(start);
  return RunScreen([this] { return MenuTick() ? Selected : -1; }, [this] { DrawMenu(); });
}

// --- The rising text ---

void CMenu::BeginText() { TextY = static_cast<float>(SCREEN_H - 10); }

bool CMenu::TextTick() {
  PollMusic();
  if (key[KEY_ENTER] || key[KEY_ESC]) return true;
  TextY -= 0.15;
  const float pitch = Globals::SmallFont->GetHeight() + 3;
  return pitch * Lines.size() + TextY < 250;
}

void CMenu::DrawTextScreen(const char* title) {
  DrawBackdrop();
  const float pitch = Globals::SmallFont->GetHeight() + 3;
  for (size_t i = 0; i < Lines.size(); ++i) {
    const int y = static_cast<int>(TextY) + static_cast<int>(pitch * i);
    if (y > 300) Globals::SmallFont->Printf(200, y, LightGrey(), "%s", Lines[i].c_str());
  }
  // Lines vanish as they slide under the band.
  DrawRect(0, 300, SCREEN_W, 315, CColor3(0, 0, 0));
  Globals::MenuFont->Printf(200, 250, LightGrey(), "%s", title);
}

void CMenu::ShowText(const char* title) {
  WaitForRelease(KEY_ENTER, KEY_ESC);
  BeginText();
  RunScreen([this] { return TextTick() ? 0 : -1; }, [this, title] { DrawTextScreen(title); });
}

// --- Main menu, options and credits ---

int CMenu::MainMenu() {
  ClearText();
  AddLine("NEW GAME");
  AddLine("HALL OF FAME");
  AddLine("OPTIONS");
  AddLine("CREDITS");
  AddLine("EXIT");
  return DoMenu(0);
}

void CMenu::BuildOptionsItems() {
  static const char* const Levels[] = {"LOW", "MEDIUM", "HIGH"};
  const int level = Globals::GFXLevel;
  ClearText();
  AddText("GFX: %s", Levels[(level == 0 || level == 1) ? level : 2]);
  AddText("SOUND: %s", OnOff(Globals::SoundOn));
  AddText("MUSIC: %s", OnOff(Globals::MusicOn));
  AddText("SCREEN SHAKE: %s", OnOff(Globals::ScreenShakeOn));
  AddText("FULLSCREEN: %s", Globals::Fullscreen ? "YES" : "NO");
  AddLine("BACK");
}

bool CMenu::ApplyOption(int choice) {
  switch (choice) {
    case 0:
      if (++Globals::GFXLevel > 2) Globals::GFXLevel = 0;
      break;
    case 1:
      Globals::SoundOn = !Globals::SoundOn;
      break;
    case 2:
      Globals::MusicOn = !Globals::MusicOn;
      break;
    case 3:
      Globals::ScreenShakeOn = !Globals::ScreenShakeOn;
      break;
    case 4:
      Globals::Fullscreen = !Globals::Fullscreen;
      break;
    default:
      return true;
  }
  return false;
}

void CMenu::OptionsMenu() {
  // The highlight stays on the item chosen last, so Enter steps a setting.
  int choice = 0;
  do {
    BuildOptionsItems();
    choice = DoMenu(choice);
  } while (!ApplyOption(choice));
}

void CMenu::CreditsMenu() {
  ClearText();
  AddLine("VARNOK 1.0");
  AddLine("Programming: Keswyn");
  AddLine("Graphics: Keswyn");
  AddLine("Level design: Keswyn");
  AddLine("Sound effects: Public domain");
  AddLine("Music: Pellicrow (public domain)");
  AddLine("");
  AddLine("An Ostravel production");
  AddLine("www.ostravel.example");
  ShowText("Credits");
}

// --- Debriefing ---

void CMenu::BeginDebriefing(int outcome, int total, int bonus) {
  Debriefing.Outcome = outcome;
  Debriefing.Total = total;
  Debriefing.Bonus = outcome == 0 ? bonus : 0;
  Debriefing.OutcomeText =
      outcome == 0 ? "Mission accomplished" : outcome == 1 ? "Player killed/Mission aborted" : "Mission failed";
}

int CMenu::DebriefingTick() {
  PollMusic();
  // A killed player or an aborted mission cannot go on: only Escape leaves.
  if (key[KEY_ENTER] && Debriefing.Outcome != 1) return Debriefing.Outcome == 0 ? 1 : 2;
  if (key[KEY_ESC]) return 0;
  return -1;
}

std::vector<ScreenText> CMenu::DebriefingTexts() const {
  CGLFont* medium = Globals::MediumFont;
  const DebriefingState& d = Debriefing;
  std::vector<ScreenText> texts{
      {Globals::MenuFont, 200, 250, LightGrey(), "MISSION DEBRIEFING"},
      {medium, 200, 300, LightGrey(), std::string("Outcome: ") + d.OutcomeText},
      {medium, 200, 320, LightGrey(), "Score: " + std::to_string(static_cast<long long>(d.Total) - d.Bonus)},
      {medium, 200, 340, LightGrey(), "Bonus: " + std::to_string(d.Bonus)},
      {medium, 200, 360, LightGrey(), "Total: " + std::to_string(d.Total)},
  };
  if (d.Outcome == 0) texts.push_back({medium, 200, 400, DarkGrey(), "Enter = Next mission"});
  if (d.Outcome != 0 && d.Outcome != 1) texts.push_back({medium, 200, 400, DarkGrey(), "Enter = Replay mission"});
  texts.push_back({medium, 200, 420, DarkGrey(), "Escape = Back to main menu"});
  return texts;
}

void CMenu::DrawDebriefing() {
  DrawBackdrop();
  DrawRect(0, 300, SCREEN_W, 315, CColor3(0, 0, 0));
  DrawTexts(DebriefingTexts());
}

int CMenu::ShowDebriefing(int outcome, int total, int bonus) {
  WaitForRelease(KEY_ENTER, KEY_ESC);
  BeginDebriefing(outcome, total, bonus);
  const int result = RunScreen([this] { return DebriefingTick(); }, [this] { DrawDebriefing(); });
  // A game asked to end leaves as Escape does: back to the main menu.
  return result < 0 ? 0 : result;
}

// --- Intro ---

void CMenu::BeginIntro() { Intro = IntroState(); }

bool CMenu::IntroTick() {
  PollMusic();
  if (Intro.Z < -4.0f) {
    Intro.Z += 0.05;
    Intro.RX += 1;
    Intro.RY += 1;
  } else if (Intro.Hold < 0) {
    Intro.Hold = 100;
  }
  if (Intro.Hold > 0) --Intro.Hold;
  if (Intro.Hold == 0) Intro.Finished = true;
  return Intro.Finished;
}

void CMenu::DrawIntro(Cube& cube) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, Intro.Z);
  glRotatef(Intro.RX, 1.0f, 0.0f, 0.0f);
  glRotatef(Intro.RY, 0.0f, 1.0f, 0.0f);
  glColor3f(1.0f, 1.0f, 1.0f);
  cube.Render();
  glPopMatrix();
}

void CMenu::ShowIntro() {
  Cube cube(0.0f, 0.0f, 0.0f, 1.2f, 1.2f, 1.2f);
  BeginIntro();
  BITMAP* picture = load_bitmap("data/quenby.bmp", nullptr);
  if (picture == nullptr) ErrorExit("Error loading file: quenby.bmp");
  GLuint texture = allegro_gl_make_texture(picture);
  destroy_bitmap(picture);

  // The depth test alone hides the far faces of the tumbling cube.
  glDisable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

  Globals::SpeedCounter = 0;
  while (!key[KEY_ESC] && !Intro.Finished && !QuitRequested()) {
    while (Globals::SpeedCounter > 0) {
      IntroTick();
      --Globals::SpeedCounter;
    }
    DrawIntro(cube);
    allegro_gl_flip();
  }
  glEnable(GL_CULL_FACE);
  glDeleteTextures(1, &texture);
}

// --- Exit picture ---

void CMenu::BeginExitScreen() { ExitCounter = 0; }

bool CMenu::ExitTick() { return ++ExitCounter >= 100; }

void CMenu::DrawExitScreen(CGLSprite& picture) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawRect(0, 0, SCREEN_W, SCREEN_H, CColor3(1, 1, 1));
  picture.Draw(static_cast<float>(SCREEN_W / 2), static_cast<float>(SCREEN_H / 2), 0.0f, 1.0f, 1.0f);
}

void CMenu::ShowExitScreen() {
  CGLSprite picture("data/exit.bmp", MaskNone);
  BeginExitScreen();
  // Ticks already pending count toward the picture's time: the counter is
  // not reset. The music was stopped by the caller and is not polled.
  while (!key[KEY_ESC] && ExitCounter < 100 && !QuitRequested()) {
    while (Globals::SpeedCounter > 0) {
      ExitTick();
      --Globals::SpeedCounter;
    }
    DrawExitScreen(picture);
    allegro_gl_flip();
  }
}

// --- Epilogue ---

void CMenu::LoadEpilogue(const char* path) {
  ClearText();
  std::ifstream in(path);
  if (!in) return;
  for (;;) {
    std::string line;
    std::getline(in, line);
    // Files written with CR LF line ends read as they would in text mode.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    AddLine(line);
    if (!in || in.eof()) break;
  }
}

void CMenu::ShowEpilogue() {
  LoadEpilogue("data/epilogue.txt");
  ShowText("EPILOGUE");
}

// --- Hall of Fame ---

void CMenu::ShowHighscores(HighscoreManager* table) {
  ClearText();
  for (int i = 0; i < table->Size(); ++i) {
    const HighscoreEntry entry = table->GetEntry(i);
    AddText("%d. %s: %d", i + 1, entry.Name.c_str(), entry.Score);
  }
  ShowText("Hall of Fame");
}

void CMenu::BeginNameEntry() { EnteredName.clear(); }

bool CMenu::NameEntryKey(int character, int scancode) {
  if (key[KEY_ENTER] || scancode == KEY_ENTER || scancode == KEY_ENTER_PAD) {
    // The table stores names as single words: an empty name would not read back.
    return !EnteredName.empty();
  }
  if (scancode == KEY_BACKSPACE) {
    if (!EnteredName.empty()) EnteredName.pop_back();
    return false;
  }
  // Only printable characters other than the space: a name is one word.
  if (EnteredName.size() < MaxName && character >= 33 && character <= 126) EnteredName += static_cast<char>(character);
  return false;
}

bool CMenu::NameEntryStep() {
  if (!keypressed()) return false;
  // ureadkey keeps the whole character: readkey would turn characters
  // beyond Latin-1 into '^'.
  int scancode = 0;
  const int character = ureadkey(&scancode);
  return NameEntryKey(character, scancode);
}

std::vector<ScreenText> CMenu::NameEntryTexts() const {
  return {{Globals::MenuFont, 200, 250, LightGrey(), "New highscore!"},
          {Globals::MediumFont, 200, 350, White(), "Name: " + EnteredName}};
}

void CMenu::DrawNameEntry() {
  DrawBackdrop();
  DrawTexts(NameEntryTexts());
}

std::string CMenu::GetName() {
  clear_keybuf();
  while (keypressed()) readkey();
  BeginNameEntry();
  // No tick pacing and no music polling while the player types.
  while (!NameEntryStep() && !QuitRequested()) {
    DrawNameEntry();
    allegro_gl_flip();
  }
  return EnteredName;
}
