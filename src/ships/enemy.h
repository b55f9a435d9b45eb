// CShipNPC is every enemy (and escort) ship: its looks come from one of twelve
// shared sprite sets loaded once, its handling, arms, shields and worth from a
// small definition file read when it is created. Update runs one of ten
// behaviours, fires, falls and crashes when shot down, pays the player and
// rams; Draw shows the ship and its shadow.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "ships/ship.h"

class CPlayerShip;
class TBullet;

class CShipNPC final : public TShip {
 public:
  CShipNPC(float x, float y, std::string file, std::vector<CExplosion*>* explosions,
           std::vector<TBullet*>* bullets, bool countsAsKill, int behaviour);
  ~CShipNPC();

  // Reads the definition file; a file that cannot be opened or that is not
  // a usable definition ends the game with a message naming it.
  void LoadInfo(std::string file);
  // Reads a definition from a stream; `name` names it in messages. Returns ""
  // when the definition was taken over, otherwise the message and the ship
  // keeps what it had.
  std::string ReadInfo(std::istream& in, const std::string& name);
  // The frames a behaviour shows must be in the set: "" when they are,
  // otherwise the problem.
  std::string CheckBehaviour(int behaviour) const;

  void Update(CPlayerShip* player);
  void RunAI(CPlayerShip* player);
  void Shoot(float chance);
  void Draw() override;

  bool Hostile = true;
  float DestX, DestY;
  float Phase = 0.0f;
  int Behaviour = 0;
  int FrameCount = 1;
  int Value = 0;
  bool Shadow = false;
  bool Ground = false;
  bool CountsAsKill;
  std::vector<TBullet*>* Bullets;

  // The shared sprite sets, index 1..12 (Data1..Data12) and their sizes.
  static CGLSprite Data1[8], Data2[1], Data3[8], Data4[8], Data5[8], Data6[8];
  static CGLSprite Data7[7], Data8[8], Data9[1], Data10[8], Data11[1], Data12[8];
  static CGLSprite* SpriteSet(int set);
  static int SpriteSetSize(int set);

 private:
  // Size of the set the ship's sprites come from.
  int HeldSprites() const;
  void NextArmedWeapon();
  void UpdateFrame();
  void Crash(CPlayerShip* player);
  void Ram(CPlayerShip* player);
  void Fire(CPlayerShip* player, float chance);
  void ChangeWeapon();

  // The ten behaviours of RunAI.
  void FlyStraight(CPlayerShip* player);
  void FlySine(CPlayerShip* player);
  void FlyDive(CPlayerShip* player);
  void FlyLoop(CPlayerShip* player);
  void FlyTurnBack(CPlayerShip* player);
  void FlyTurnIntoSine(CPlayerShip* player);
  void GuardGround(CPlayerShip* player);
  void Glide(CPlayerShip* player);
  void Hunt(CPlayerShip* player);
  void Escort();
};

// Fills the twelve sprite sets from data/enemy1.dat .. data/enemy12.dat.
void LoadShipData();
void UnloadShipData();
