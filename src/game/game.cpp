#include "game/game.h"

#include <allegro.h>
#include <alleggl.h>
#include <aldumb.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "effects/fire.h"
#include "graphics/gltwodee.h"
#include "highscores/highscore.h"
#include "powerups/powerup.h"
#include "shell/quit.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "weapons/bullet.h"
#include "world/background.h"

namespace {

constexpr float MenuVolume = 0.4f;
constexpr float BriefingVolume = 0.2f;
constexpr float GameVolume = 0.6f;
constexpr int NumWeapons = 12;

float Volume(float full) {
  return Globals::MusicOn ? full : 0.0f;
}

// Reads the operands of one entry; any failure ends the whole script.
class OperandReader {
 public:
  explicit OperandReader(std::istream& in) : In(in) {}
  bool Int(int& value) { return Next() && ParseLevelInt(Token, value); }
  bool Real(float& value) { return Next() && ParseLevelReal(Token, value); }
  bool Flag(bool& value) { return Next() && ParseLevelFlag(Token, value); }
  bool Word(std::string& value) {
    if (!Next()) return false;
    value = Token;
    return true;
  }
  // Time and position, shared by every event entry.
  bool Placed(CLevelEvent& event) { return Int(event.Time) && Real(event.Pos.x) && Real(event.Pos.y); }

 private:
  bool Next() { return static_cast<bool>(In >> Token); }
  std::istream& In;
  std::string Token;
};

// One line of a text file: a carriage return before the line feed is not
// part of it.
bool ReadLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void ReadBriefing(std::istream& in, LevelScript& script) {
  script.HasBriefing = true;
  script.Briefing.clear();
  std::string line;
  while (ReadLine(in, line) && line != "[End]") script.Briefing.push_back(line);
}

template <typename T>
void DeleteAll(std::vector<T*>& objects) {
  for (T* object : objects) delete object;
  objects.clear();
}

// Deletes the objects that report themselves finished, in place, keeping the
// order of the others.
template <typename T, typename Finished>
void Sweep(std::vector<T*>& objects, Finished finished) {
  for (size_t i = 0; i < objects.size();) {
    if (finished(objects[i])) {
      delete objects[i];
      objects.erase(objects.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

}  // namespace

// Operands are whole tokens: "12abc" is not the number 12 followed by a word.
bool ParseLevelInt(const std::string& token, int& value) {
  if (token.empty()) return false;
  const char* first = token.c_str();
  if (*first != '+' && *first != '-' && !std::isdigit(static_cast<unsigned char>(*first))) return false;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(first, &end, 10);
  if (*end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  value = static_cast<int>(parsed);
  return true;
}

// Decimal reals only: sign, digits, fraction, exponent (no hex, inf or nan).
bool ParseLevelReal(const std::string& token, float& value) {
  size_t i = 0;
  const size_t n = token.size();
  auto digits = [&]() {
    const size_t start = i;
    while (i < n && std::isdigit(static_cast<unsigned char>(token[i]))) ++i;
    return i - start;
  };
  if (i < n && (token[i] == '+' || token[i] == '-')) ++i;
  size_t mantissa = digits();
  if (i < n && token[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < n && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < n && (token[i] == '+' || token[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  if (i != n) return false;
  const float parsed = std::strtof(token.c_str(), nullptr);
  if (!std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

bool ParseLevelFlag(const std::string& token, bool& flag) {
  if (token != "0" && token != "1") return false;
  flag = token == "1";
  return true;
}

void CPlayerInfo::Clear() {
  Score = 0;
  Lives = 3;
  for (int& ammo : Ammo) ammo = 0;
}

LevelScript ParseLevelScript(std::istream& in) {
  LevelScript script;
  OperandReader operands(in);
  std::string keyword;
  while (in >> keyword) {
    if (keyword == "Req") {
      int n;
      if (!operands.Int(n)) break;
      script.HasRequiredKills = true;
      script.RequiredKills = n;
    } else if (keyword == "Fin") {
      int t;
      if (!operands.Int(t)) break;
      script.HasFinishTime = true;
      script.FinishTime = t;
    } else if (keyword == "E") {
      CLevelEvent event;
      event.Type = 0;
      if (!operands.Placed(event) || !operands.Word(event.ShipFile) || !operands.Flag(event.CountsAsKill) ||
          !operands.Int(event.Behaviour))
        break;
      script.Events.push_back(event);
      Log("Event added. Time: " + std::to_string(event.Time));
    } else if (keyword == "PL") {
      CLevelEvent event;
      event.Type = 1;
      event.PowerupType = 1;
      if (!operands.Placed(event)) break;
      script.Events.push_back(event);
    } else if (keyword == "PW") {
      CLevelEvent event;
      event.Type = 1;
      event.PowerupType = 2;
      if (!operands.Placed(event) || !operands.Int(event.WeaponId) || !operands.Int(event.Amount)) break;
      script.Events.push_back(event);
    } else if (keyword == "PS") {
      CLevelEvent event;
      event.Type = 1;
      event.PowerupType = 3;
      if (!operands.Placed(event) || !operands.Int(event.ShieldAmount)) break;
      script.Events.push_back(event);
    } else if (keyword == "Weapon") {
      int id, amount;
      if (!operands.Int(id) || !operands.Int(amount)) break;
      if (id >= 0 && id < NumWeapons) script.Grants.push_back({id, amount});
    } else if (keyword == "[Briefing]") {
      ReadBriefing(in, script);
    }
    // Any other word is skipped on its own: a misspelt keyword loses its
    // entry, whose operands are then skipped one by one.
  }
  return script;
}

CGame::CGame() {
  Reset();
  SetupTimer();
  LoadWeaponData();
  LoadShipData();
  LoadExplosionData();
  LoadPowerupData();

  Globals::SoundDat = LoadDatafile("data/sounds.dat", "sounds.dat", DAT_SAMPLE, SampleCount);
  GameMusic = dumb_load_xm("data/game_music.xm");
  if (GameMusic == nullptr) ErrorExit("Error loading file: game_music.xm");
  MenuMusic = dumb_load_xm("data/menu_music.xm");
  if (MenuMusic == nullptr) ErrorExit("Error loading file: menu_music.xm");
  BriefingMusic = dumb_load_xm("data/briefing_music.xm");
  if (BriefingMusic == nullptr) ErrorExit("Error loading file: briefing_music.xm");

  // The campaign is the run of level scripts from level_a on, up to the
  // first letter without one.
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const std::string path = std::string("data/level_") + letter + ".txt";
    if (!exists(path.c_str())) break;
    Levels.push_back(path);
  }

  Log("Loading highscores...");
  Highscores = new HighscoreManager(10, false);
  Highscores->ReadFromFile("Highscores");
}

CGame::~CGame() {
  Clear();
  UnloadWeaponData();
  UnloadShipData();
  UnloadExplosionData();
  UnloadPowerupData();
  unload_datafile(Globals::SoundDat);
  Globals::SoundDat = nullptr;
  Highscores->PrintToFile("Highscores");
  // No player may go on reading a module that is about to be freed.
  StopMusic();
  unload_duh(GameMusic);
  unload_duh(MenuMusic);
  unload_duh(BriefingMusic);
  delete Highscores;
}

void CGame::Clear() {
  DeleteAll(Enemies);
  DeleteAll(Explosions);
  DeleteAll(Bullets);
  DeleteAll(Powerups);
  delete Background;
  Background = nullptr;
  Log("Deleting player...");
  delete Player;
  Player = nullptr;
  Log("Unloading data...");
}

void CGame::Reset() {
  Log("Creating player ship...");
  Player = new CPlayerShip(100, 100, &Explosions, &Bullets);
  FinishTime = 0;
  RequiredKills = 0;
  Log("Loading data...");
  Background = new CBackground();
  EndFade = -1.0f;
}

void CGame::Start() {
  // The intro's logo cube is lit and seen in perspective.
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

  StartMusic(MenuMusic, Volume(MenuVolume));
  Menu.ShowIntro();
  Setup2D();

  // Asked to end (close button, signal): the screens have given way, and
  // the game leaves as through "EXIT", without the exit picture.
  while (!QuitRequested()) {
    switch (Menu.MainMenu()) {
      case 0:
        RunCampaign();
        break;
      case 1:
        Menu.ShowHighscores(Highscores);
        break;
      case 2: {
        const bool musicWasOn = Globals::MusicOn;
        Menu.OptionsMenu();
        if (musicWasOn && !Globals::MusicOn) StopMusic();
        if (!musicWasOn && Globals::MusicOn) StartMusic(MenuMusic, MenuVolume);
        break;
      }
      case 3:
        Menu.CreditsMenu();
        break;
      case 4:
        StopMusic();
        Menu.ShowExitScreen();
        return;
      default:
        break;
    }
  }
  StopMusic();
}

void CGame::RunCampaign() {
  StartMusic(BriefingMusic, Volume(BriefingVolume));
  PlayerInfo.Clear();
  size_t level = 0;
  while (level < Levels.size()) {
    const int result = RunGame(Levels[level].c_str());
    if (result == 0) break;
    if (result == 1) ++level;
  }
  if (QuitRequested()) return;
  if (level == Levels.size()) Menu.ShowEpilogue();

  StartMusic(MenuMusic, Volume(MenuVolume));
  if (Highscores->IsOnList(PlayerInfo.Score)) {
    const std::string name = Menu.GetName();
    // A name left unfinished when the game is asked to end is not entered.
    if (!QuitRequested()) Highscores->AddEntry(name, PlayerInfo.Score);
  }
  Menu.ShowHighscores(Highscores);
}

void CGame::LoadLevel(const char* path) {
  Log(std::string("Reading level: ") + path);
  Events.clear();
  // A level without a briefing block shows an empty briefing rather than the
  // lines the previous screen left behind.
  Menu.ClearText();
  std::ifstream in(path);
  if (in) ReadLevel(in);
}

void CGame::ReadLevel(std::istream& in) {
  LevelScript script = ParseLevelScript(in);
  if (script.HasRequiredKills) RequiredKills = script.RequiredKills;
  if (script.HasFinishTime) FinishTime = script.FinishTime;
  Events = std::move(script.Events);
  for (const LevelScript::Grant& grant : script.Grants) {
    Player->Weapon = grant.WeaponId;
    Player->Ammo[grant.WeaponId] = AddClamped(Player->Ammo[grant.WeaponId], grant.Amount);
  }
  if (script.HasBriefing) {
    Menu.ClearText();
    for (const std::string& line : script.Briefing) Menu.AddLine(line);
  }
}

void CGame::PrepareMission(const char* path) {
  Log("Running game...");
  Clear();
  Reset();
  Player->Score = PlayerInfo.Score;
  Player->Lives = PlayerInfo.Lives;
  for (int id = 0; id < NumWeapons; ++id) Player->Ammo[id] = PlayerInfo.Ammo[id];
  LoadLevel(path);
}

void CGame::BeginPlay() {
  Globals::Time = 0;
  SavedClock = -1;
  PauseHeld = false;
  StartMusic(GameMusic, Volume(GameVolume));
}

int CGame::FinishMission(int& bonus) {
  StartMusic(BriefingMusic, Volume(BriefingVolume));
  bonus = ClampToInt((static_cast<long long>(Player->Kills) - RequiredKills) * 100);
  int status;
  if (Player->Lives < 0) {
    status = 1;
  } else if (Player->Kills >= RequiredKills) {
    status = 0;
    Player->Score = AddClamped(Player->Score, bonus);
  } else {
    status = 2;
  }
  PlayerInfo.Score = Player->Score;
  PlayerInfo.Lives = Player->Lives;
  for (int id = 0; id < NumWeapons; ++id) PlayerInfo.Ammo[id] = Player->Ammo[id];
  return status;
}

int CGame::RunGame(const char* path) {
  PrepareMission(path);
  Menu.ShowText("MISSION BRIEFING");
  StopMusic();
  // A briefing left with Escape must not abort the mission at once.
  while (key[KEY_ESC] && !QuitRequested()) Globals::SpeedCounter = 0;
  BeginPlay();

  while (EndFade < 1.0f && !QuitRequested()) {
    while (Globals::SpeedCounter > 0) {
      MissionTick();
      --Globals::SpeedCounter;
    }
    DrawMissionFrame();
  }
  // Asked to end, paused or not: the mission is aborted, as with Escape.
  if (QuitRequested()) Player->Lives = -1;

  int bonus;
  const int status = FinishMission(bonus);
  return Menu.ShowDebriefing(status, Player->Score, bonus);
}

void CGame::MissionTick() {
  PollMusic();

  const bool pauseDown = key[KEY_P] != 0;
  if (pauseDown && !PauseHeld) {
    if (Paused()) {
      // The clock is wound back so that a pause never brings events forward.
      Globals::Time = SavedClock;
      SavedClock = -1;
    } else {
      SavedClock = Globals::Time;
      Globals::ScreenShake = 0;
    }
  }
  PauseHeld = pauseDown;
  if (Paused()) return;

  CheckEvents();
  Player->Update();

  for (size_t i = 0; i < Enemies.size();) {
    CShipNPC* enemy = Enemies[i];
    enemy->Update(Player);
    if (enemy->State == Finished) {
      Log("Deleting ship...");
      delete enemy;
      Enemies.erase(Enemies.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }

  for (size_t i = 0; i < Bullets.size();) {
    TBullet* bullet = Bullets[i];
    bullet->Update();
    if (bullet->Hostile) {
      bullet->CheckCollision(Player);
    } else {
      for (CShipNPC* enemy : Enemies) bullet->CheckCollision(enemy);
    }
    if (bullet->Dead) {
      delete bullet;
      Bullets.erase(Bullets.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }

  for (CExplosion* explosion : Explosions) explosion->Update();
  Sweep(Explosions, [](CExplosion* explosion) { return explosion->Dead; });
  for (CPowerup* powerup : Powerups) powerup->Update(Player);
  Sweep(Powerups, [](CPowerup* powerup) { return powerup->Dead; });

  if (Globals::ScreenShake != 0) --Globals::ScreenShake;
  Background->Scroll();
  if (key[KEY_ESC]) Player->Lives = -1;
}

void CGame::DrawMissionScene() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  if (Globals::ScreenShake != 0 && Globals::ScreenShakeOn) {
    const int dx = static_cast<int>(Rand(-3, 3));
    const int dy = static_cast<int>(Rand(-3, 3));
    glTranslatef(static_cast<float>(dx), static_cast<float>(dy), 0.0f);
  }
  Background->Draw();
  for (TBullet* bullet : Bullets) bullet->Draw();
  Player->Draw();
  for (CShipNPC* enemy : Enemies) enemy->Draw();
  for (CPowerup* powerup : Powerups) powerup->Draw();
  for (CExplosion* explosion : Explosions) explosion->Draw();
  Globals::SmallFont->Printf(0, 0, makecol(255, 255, 255), "FPS: %d", Globals::FPS.load());
  if (Paused()) Globals::MediumFont->PrintfCentre(SCREEN_W / 2, SCREEN_H / 2, makecol(255, 0, 0), "PAUSED");
  // The fade is drawn outside the shaken view so that it never moves.
  glPopMatrix();
  if (EndFade > 0) DrawRect(0, 0, SCREEN_W, SCREEN_H, CColor4(0, 0, 0, EndFade));
}

void CGame::DrawMissionFrame() {
  DrawMissionScene();
  allegro_gl_flip();
  ++Globals::Frames;
}

void CGame::CheckEvents() {
  const int now = Globals::Time;
  for (size_t i = 0; i < Events.size();) {
    const CLevelEvent& event = Events[i];
    if (event.Time > now) {
      ++i;
      continue;
    }
    if (event.Type == 0) {
      Enemies.push_back(new CShipNPC(event.Pos.x, event.Pos.y, event.ShipFile, &Explosions, &Bullets,
                                     event.CountsAsKill, event.Behaviour));
    } else if (event.Type == 1) {
      switch (event.PowerupType) {
        case 1:
          Powerups.push_back(new CPowerup(event.Pos.x, event.Pos.y));
          break;
        case 2:
          Powerups.push_back(new CPowerup(event.Pos.x, event.Pos.y, event.WeaponId, event.Amount));
          break;
        case 3:
          Powerups.push_back(new CPowerup(event.Pos.x, event.Pos.y, event.ShieldAmount));
          break;
        default:
          break;
      }
    }
    Events.erase(Events.begin() + static_cast<long>(i));
  }

  if (now > FinishTime && Enemies.empty() && EndFade < 0) EndFade = 0.01f;
  if (Player->Lives < 0 && EndFade < 0) EndFade = 0.01f;

  if (EndFade > 0) {
    EndFade += 0.01f;
    // The game music fades out over the first part of the darkening.
    if (Globals::MusicOn) SetMusicVolume(EndFade <= GameVolume ? GameVolume - EndFade : 0.0f);
  }
}
