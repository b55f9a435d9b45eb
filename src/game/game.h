// CGame is the one game object: it owns every loaded resource, the live
// objects of a mission and the front end, and runs the campaign (intro, main
// menu, missions from data/level_a.txt on, epilogue and Hall of Fame). A
// mission is read from its level script, shown as a briefing, played in fixed
// logic ticks (MissionTick) with one frame drawn after all due ticks
// (DrawMissionFrame), and closed with the debriefing.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "frontend/menu.h"
#include "shell/common.h"

class CBackground;
class CExplosion;
class CPlayerShip;
class CPowerup;
class CShipNPC;
class HighscoreManager;
class TBullet;
struct DUH;

class CLevelEvent {
 public:
  int Time = 0;
  CVector2 Pos;
  std::string ShipFile;
  bool CountsAsKill = false;
  int Type = 0;
  int Behaviour = 0;
  int PowerupType = 0;
  int WeaponId = 0;
  int Amount = 0;
  int ShieldAmount = 0;
};

class CPlayerInfo {
 public:
  void Clear();
  int Score = 0;
  int Lives = 3;
  int Ammo[12] = {};
};

// What one level script asks for, as read from its text: the level
// parameters it sets, its events in file order, its ammunition grants in file
// order and its briefing lines (the last block wins).
struct LevelScript {
  struct Grant {
    int WeaponId;
    int Amount;
  };
  bool HasRequiredKills = false;
  int RequiredKills = 0;
  bool HasFinishTime = false;
  int FinishTime = 0;
  std::vector<CLevelEvent> Events;
  std::vector<Grant> Grants;
  bool HasBriefing = false;
  std::vector<std::string> Briefing;
};

// Reads a level script, logging each enemy entry. Reading stops for good at
// the end of the text or at the first malformed or unfinished entry, which
// takes no effect; grants for weapon ids outside 0..11 are dropped.
LevelScript ParseLevelScript(std::istream& in);

// Operands of a level script are whole tokens: a decimal int in range, a
// finite decimal real (no hex, inf or nan), a flag 0 or 1.
bool ParseLevelInt(const std::string& token, int& value);
bool ParseLevelReal(const std::string& token, float& value);
bool ParseLevelFlag(const std::string& token, bool& flag);

class CGame {
 public:
  CGame();
  ~CGame();
  CGame(const CGame&) = delete;
  CGame& operator=(const CGame&) = delete;

  void Clear();
  void Reset();
  void Start();
  void LoadLevel(const char* path);
  // Reads a level script from a stream (LoadLevel opens the file).
  void ReadLevel(std::istream& in);
  int RunGame(const char* path);
  void CheckEvents();

  // The mission before its briefing is shown: fresh objects, the carried-in
  // player and the level script read.
  void PrepareMission(const char* path);
  // The moment play begins: level clock at 0, not paused, game music on.
  void BeginPlay();
  // After the end fade: briefing music, the status (0 accomplished, 1 player
  // out, 2 failed), the bonus, and the player carried back out.
  int FinishMission(int& bonus);

  // One logic tick of a running mission, and one drawn frame; DrawMissionScene
  // draws that frame without showing it.
  void MissionTick();
  void DrawMissionFrame();
  void DrawMissionScene();
  bool Paused() const { return SavedClock >= 0; }

  int RequiredKills = 0;
  int FinishTime = 0;
  CMenu Menu;
  CBackground* Background = nullptr;
  std::vector<TBullet*> Bullets;
  std::vector<CExplosion*> Explosions;
  CPlayerShip* Player = nullptr;
  std::vector<CShipNPC*> Enemies;
  std::vector<CPowerup*> Powerups;
  std::vector<CLevelEvent> Events;
  std::vector<std::string> Levels;
  HighscoreManager* Highscores = nullptr;
  DUH* GameMusic = nullptr;
  DUH* MenuMusic = nullptr;
  DUH* BriefingMusic = nullptr;
  float EndFade = -1.0f;
  CPlayerInfo PlayerInfo;

  // Pause state of the running mission: the level clock saved at pausing
  // (-1 while running) and the P key as seen at the previous tick.
  int SavedClock = -1;
  bool PauseHeld = false;

 private:
  // "NEW GAME": every mission in turn, the epilogue, the Hall of Fame.
  void RunCampaign();
};
