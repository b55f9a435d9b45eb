#include "ships/enemy.h"

#include <allegro.h>

#include <cmath>
#include <fstream>
#include <utility>

#include "effects/fire.h"
#include "graphics/gltwodee.h"
#include "ships/player.h"
#include "weapons/bullet.h"

CGLSprite CShipNPC::Data1[8], CShipNPC::Data2[1], CShipNPC::Data3[8], CShipNPC::Data4[8];
CGLSprite CShipNPC::Data5[8], CShipNPC::Data6[8], CShipNPC::Data7[7], CShipNPC::Data8[8];
CGLSprite CShipNPC::Data9[1], CShipNPC::Data10[8], CShipNPC::Data11[1], CShipNPC::Data12[8];

namespace {

constexpr int SetCount = 12;
constexpr int WeaponCount = 12;

// What a definition file gives, before it is handed to the ship. Every field
// starts defined; the `Has` flags tell which keys without a default were seen.
struct Definition {
  int Set = 0;
  int Frames = 0;
  float Acc = 0.0f;
  float MaxSpeed = 0.0f;
  bool Hostile = false;
  int Weapon = 0;
  int Ammo[WeaponCount] = {};
  int Shields = 0;
  bool Shadow = false;
  bool Ground = false;
  int Value = 0;
  bool HasData = false, HasAcc = false, HasMaxSpeed = false, HasHostile = false;
  bool HasShields = false, HasShadow = false, HasGround = false;
};

bool ReadFlag(std::istream& in, bool& flag) {
  int value;
  if (!(in >> value) || (value != 0 && value != 1)) return false;
  flag = value == 1;
  return true;
}

std::string Quoted(const std::string& key) { return "\"" + key + "\""; }

// Reads the operands of one key into the definition; returns the problem, or
// "" when they were read (or the token is not a key and is skipped).
std::string ReadEntry(std::istream& in, const std::string& key, Definition& def) {
  if (key == "Data") {
    int set, frames;
    if (!(in >> set >> frames)) return Quoted(key) + " needs a set number and a frame count";
    if (set < 1 || set > SetCount) return "set " + std::to_string(set) + " does not exist (sets are 1 to 12)";
    def.Set = set;
    def.Frames = frames;
    def.HasData = true;
  } else if (key == "Acc") {
    if (!(in >> def.Acc)) return Quoted(key) + " needs a number";
    def.HasAcc = true;
  } else if (key == "MaxSpeed") {
    if (!(in >> def.MaxSpeed)) return Quoted(key) + " needs a number";
    def.HasMaxSpeed = true;
  } else if (key == "Hostile") {
    if (!ReadFlag(in, def.Hostile)) return Quoted(key) + " needs 0 or 1";
    def.HasHostile = true;
  } else if (key == "Weapon") {
    int id, rounds;
    if (!(in >> id >> rounds)) return Quoted(key) + " needs a weapon id and a number of rounds";
    if (id < 0 || id >= WeaponCount) return "weapon " + std::to_string(id) + " does not exist (weapons are 0 to 11)";
    def.Weapon = id;
    def.Ammo[id] = rounds;
  } else if (key == "Shields") {
    if (!(in >> def.Shields)) return Quoted(key) + " needs a whole number";
    def.HasShields = true;
  } else if (key == "Shadow") {
    if (!ReadFlag(in, def.Shadow)) return Quoted(key) + " needs 0 or 1";
    def.HasShadow = true;
  } else if (key == "Ground") {
    if (!ReadFlag(in, def.Ground)) return Quoted(key) + " needs 0 or 1";
    def.HasGround = true;
  } else if (key == "Value") {
    if (!(in >> def.Value)) return Quoted(key) + " needs a whole number";
  }
  return "";
}

std::string CheckComplete(const Definition& def) {
  const std::pair<bool, const char*> required[] = {
      {def.HasData, "Data"},       {def.HasAcc, "Acc"},         {def.HasMaxSpeed, "MaxSpeed"},
      {def.HasHostile, "Hostile"}, {def.HasShields, "Shields"}, {def.HasShadow, "Shadow"},
      {def.HasGround, "Ground"}};
  for (const auto& entry : required) {
    if (!entry.first) return Quoted(entry.second) + " is missing";
  }
  if (def.Frames < 1) return "\"Data\" gives " + std::to_string(def.Frames) + " frames; at least 1 is needed";
  // The flight frames come first in the set, the shadow right after them.
  const long long needed = static_cast<long long>(def.Frames) + (def.Shadow ? 1 : 0);
  const int held = CShipNPC::SpriteSetSize(def.Set);
  if (needed > held) {
    return "set " + std::to_string(def.Set) + " holds " + std::to_string(held) + " sprites, but " +
           std::to_string(def.Frames) + " frames" + (def.Shadow ? " and a shadow" : "") + " need " +
           std::to_string(needed);
  }
  return "";
}

int ScreenW() { return SCREEN_W; }
int ScreenH() { return SCREEN_H; }

}  // namespace

CGLSprite* CShipNPC::SpriteSet(int set) {
  CGLSprite* const sets[SetCount] = {Data1, Data2, Data3, Data4,  Data5,  Data6,
                                     Data7, Data8, Data9, Data10, Data11, Data12};
  return set >= 1 && set <= SetCount ? sets[set - 1] : nullptr;
}

int CShipNPC::SpriteSetSize(int set) {
  static const int sizes[SetCount] = {8, 1, 8, 8, 8, 8, 7, 8, 1, 8, 1, 8};
  return set >= 1 && set <= SetCount ? sizes[set - 1] : 0;
}

void LoadShipData() {
  for (int set = 1; set <= SetCount; ++set) {
    const std::string name = "enemy" + std::to_string(set) + ".dat";
    const int count = CShipNPC::SpriteSetSize(set);
    DATAFILE* data = LoadDatafile("data/" + name, name, DAT_BITMAP, count);
    CGLSprite* sprites = CShipNPC::SpriteSet(set);
    for (int i = 0; i < count; ++i) {
      sprites[i].MakeFromBmp(static_cast<BITMAP*>(data[i].dat), MaskAlpha);
    }
    unload_datafile(data);
  }
}

// The sets are static arrays: they live until the process ends.
void UnloadShipData() {}

CShipNPC::CShipNPC(float x, float y, std::string file, std::vector<CExplosion*>* explosions,
                   std::vector<TBullet*>* bullets, bool countsAsKill, int behaviour)
    : TShip(x, y, explosions), DestX(x), DestY(y), CountsAsKill(countsAsKill), Bullets(bullets) {
  Frame = 3;
  Value = 0;
  for (int i = 0; i < WeaponCount; ++i) {
    Ammo[i] = 0;
    Reload[i] = 0;
  }
  Weapon = 0;
  LoadInfo(file);
  const std::string problem = CheckBehaviour(behaviour);
  if (!problem.empty()) ErrorExit("Error in ship file " + file + ": " + problem);
  // A flying ship shows frame 3 until its first tick; a set too small for
  // that shows its last flight frame instead.
  if (Frame >= HeldSprites()) Frame = FrameCount - 1;
  Behaviour = behaviour;
  Phase = 0.0f;
}

CShipNPC::~CShipNPC() = default;

void CShipNPC::LoadInfo(std::string file) {
  std::ifstream in(file);
  if (!in) ErrorExit("Error loading file: " + file);
  const std::string problem = ReadInfo(in, file);
  if (!problem.empty()) ErrorExit(problem);
}

std::string CShipNPC::ReadInfo(std::istream& in, const std::string& name) {
  Definition def;
  std::string token;
  // A failed read of the next token is the end of the file: nothing more is
  // taken from it.
  while (in >> token) {
    const std::string problem = ReadEntry(in, token, def);
    if (!problem.empty()) return "Error in ship file " + name + ": " + problem;
  }
  const std::string problem = CheckComplete(def);
  if (!problem.empty()) return "Error in ship file " + name + ": " + problem;

  Sprites = SpriteSet(def.Set);
  FrameCount = def.Frames;
  Acc = def.Acc;
  MaxSpeed = def.MaxSpeed;
  Hostile = def.Hostile;
  Weapon = def.Weapon;
  for (int i = 0; i < WeaponCount; ++i) Ammo[i] = def.Ammo[i];
  MaxShields = Shields = def.Shields;
  Shadow = def.Shadow;
  Ground = def.Ground;
  Value = def.Value;
  return "";
}

int CShipNPC::HeldSprites() const {
  for (int set = 1; set <= SetCount; ++set) {
    if (SpriteSet(set) == Sprites) return SpriteSetSize(set);
  }
  return 0;
}

std::string CShipNPC::CheckBehaviour(int behaviour) const {
  // A ground unit keeps frame 3 unless it sweeps its gun (behaviour 7).
  const int held = HeldSprites();
  if (Ground && behaviour != 7 && held < 4) {
    return "a ground unit shows frame 3, but its set holds " + std::to_string(held) + " sprites";
  }
  return "";
}

void CShipNPC::Update(CPlayerShip* player) {
  if (State == Dying) {
    if (!Ground) {
      // The nose turns down and the ship falls.
      Angle -= 0.5f;
      if (Angle < -90.0f) Angle = -90.0f;
      Vel.y += 0.15f;
      Vel.x *= 0.99;
    }
    if (Pos.y >= Globals::GroundLevel || Ground) Crash(player);
  } else if (State == Alive) {
    RunAI(player);
  }
  for (int i = 0; i < WeaponCount; ++i) {
    if (Reload[i] > 0) --Reload[i];
  }
  // A gliding ship has moved itself already.
  if (!(Behaviour == 8 && State == Alive)) {
    Pos.x += Vel.x;
    Pos.y += Vel.y;
  }
  if (!Ground) UpdateFrame();
  Ram(player);
}

void CShipNPC::UpdateFrame() {
  // The ship pitches with its vertical speed; a limit of 0 leaves only level
  // flight or the extreme frames.
  float frame;
  if (MaxSpeed != 0.0f) {
    frame = (MaxSpeed / 2 + Vel.y) * FrameCount / MaxSpeed;
  } else {
    frame = Vel.y > 0.0f ? FrameCount : (Vel.y < 0.0f ? 0.0f : FrameCount / 2.0f);
  }
  // NaN fails both comparisons and gives frame 0.
  if (frame >= FrameCount) {
    Frame = FrameCount - 1;
  } else if (frame >= 0.0f) {
    Frame = static_cast<int>(frame);
  } else {
    Frame = 0;
  }
}

void CShipNPC::Crash(CPlayerShip* player) {
  State = Finished;
  Globals::ScreenShake = 20;
  Explosions->push_back(new CExplosion(Pos.x, Pos.y, 2 * Globals::GFXLevel, 1.0f));
  PlaySample(12, 200, PanFor(Pos.x), 1000);
  if (CountsAsKill) player->Kills = AddClamped(player->Kills, 1);
  player->Score = AddClamped(player->Score, Value);
}

void CShipNPC::Ram(CPlayerShip* player) {
  if (State != Alive || player->State != Alive) return;
  const float halfW = BoxW() / 2, halfH = BoxH() / 2;
  const float otherHalfW = player->BoxW() / 2, otherHalfH = player->BoxH() / 2;
  const bool overlap = Pos.x - halfW < player->Pos.x + otherHalfW && Pos.x + halfW > player->Pos.x - otherHalfW &&
                       Pos.y - halfH < player->Pos.y + otherHalfH && Pos.y + halfH > player->Pos.y - otherHalfH;
  if (!overlap) return;
  PlaySample(12, 100, PanFor(Pos.x), static_cast<int>(Rand(500, 1000)));
  TakeDamage(25);
  player->TakeDamage(25);
  Explosions->push_back(new CExplosion(Pos.x, Pos.y, 0, 1.5f));
}

void CShipNPC::Fire(CPlayerShip* player, float chance) {
  // A cloaked player is not fired at.
  if (player->CloakTimer <= 0) Shoot(chance);
}

void CShipNPC::RunAI(CPlayerShip* player) {
  switch (Behaviour) {
    case 1: FlyStraight(player); break;
    case 2: FlySine(player); break;
    case 3: FlyDive(player); break;
    case 4: FlyLoop(player); break;
    case 5: FlyTurnBack(player); break;
    case 6: FlyTurnIntoSine(player); break;
    case 7: GuardGround(player); break;
    case 8: Glide(player); break;
    case 9: Hunt(player); break;
    case 10: Escort(); break;
    default: break;
  }
}

void CShipNPC::FlyStraight(CPlayerShip* player) {
  Vel.x = -MaxSpeed;
  Fire(player, 100);
  if (Pos.x < -100) State = Finished;
}

void CShipNPC::FlySine(CPlayerShip* player) {
  if (Vel.x > -MaxSpeed / 2) Vel.x -= Acc;
  Fire(player, 100);
  Vel.y = MaxSpeed * std::sin(static_cast<double>(Phase));
  Phase += Acc;
  if (Pos.x < -100) State = Finished;
}

void CShipNPC::FlyDive(CPlayerShip* player) {
  Vel.x = -MaxSpeed;
  Fire(player, 100);
  if (Phase < 1) {
    Vel.y = MaxSpeed;
    if (Pos.y > Globals::GroundLevel - 200) Phase = 10;
  } else if (Vel.y > -MaxSpeed) {
    Vel.y -= Acc;
  }
  if (Pos.x < -100) State = Finished;
}

void CShipNPC::FlyLoop(CPlayerShip* player) {
  if (Phase < 1) {
    Vel = CVector2(-MaxSpeed, 0);
    if (Pos.x < ScreenW() / 2) Phase = 1.1f;
  } else if (Phase < 2) {
    if (Vel.x < MaxSpeed) Vel.x += Acc;
    if (Vel.y > -MaxSpeed) Vel.y -= Acc;
    if (Pos.y < 200) Phase = 2.1f;
  } else {
    Vel.y *= 0.99;
    if (Vel.x > -MaxSpeed) Vel.x -= Acc;
  }
  if (Pos.x < -100) State = Finished;
  Fire(player, 100);
}

void CShipNPC::FlyTurnBack(CPlayerShip* player) {
  const int midY = ScreenH() / 2;
  if (Phase < 1) {
    Vel = CVector2(-MaxSpeed, 0);
    if (Pos.x < ScreenW() / 4) Phase = 1.1f;
  } else if (Phase < 2) {
    Vel.x *= 0.99;
    if (Vel.y > -MaxSpeed && Pos.y > midY) {
      Vel.y -= Acc;
    } else if (Vel.y < MaxSpeed && Pos.y < midY) {
      Vel.y += Acc;
    }
    if (std::fabs(Pos.y - midY) < 10) Phase = 2.1f;
  } else {
    Vel.y *= 0.99;
    if (Vel.x < MaxSpeed) Vel.x += Acc;
    if (Pos.x > ScreenW() + 100) State = Finished;
  }
  Fire(player, 100);
}

void CShipNPC::FlyTurnIntoSine(CPlayerShip* player) {
  if (Phase < 1) {
    Vel = CVector2(-MaxSpeed, 0);
    if (Pos.x < ScreenW() / 4) Phase = 1.1f;
  } else if (Phase < 2) {
    Vel.x *= 0.99;
    if (Vel.y > -MaxSpeed) Vel.y -= Acc;
    if (Pos.y < ScreenH() / 2) Phase = 2.1f;
  } else {
    Vel.y *= 0.99;
    if (Vel.x < MaxSpeed) Vel.x += Acc;
    // From the next tick on it flies a sine wave to the left.
    if (Pos.x > ScreenW() - 100) Behaviour = 2;
  }
  Fire(player, 100);
}

void CShipNPC::GuardGround(CPlayerShip* player) {
  // The gun sweeps through the frames; truncation and the clamp keep the
  // extremes of the sine inside the flight frames.
  const double frame = FrameCount / 2 + FrameCount * std::sin(static_cast<double>(Phase)) / 2;
  Frame = static_cast<int>(frame);
  if (Frame < 0) Frame = 0;
  if (Frame > FrameCount - 1) Frame = FrameCount - 1;
  Phase += 0.07;
  // The unit drifts with the landscape.
  Vel.x = -2 * Globals::ScrollSpeed;
  if (std::fabs(player->Pos.x - Pos.x) < 50) Fire(player, 10);
  if (Pos.x < -50) State = Finished;
}

void CShipNPC::Glide(CPlayerShip* player) {
  const CVector2 before = Pos;
  Pos.x += (DestX - Pos.x) * Acc;
  Pos.y += (DestY - Pos.y) * Acc;
  Vel = CVector2(Pos.x - before.x, Pos.y - before.y);
  if (std::fabs(Pos.x - DestX) < 30 && std::fabs(Pos.y - DestY) < 30) {
    DestX = Rand(300, ScreenW() - 10);
    DestY = Rand(20, 400);
  }
  Fire(player, 100);
  ChangeWeapon();
}

namespace {
// Steers one axis of a hunter towards its destination, easing off within 30
// pixels of it.
void Steer(float dest, float pos, float& vel, float acc, float maxSpeed) {
  if (dest < pos - 30 && vel > -maxSpeed) {
    vel -= acc;
  } else if (dest > pos + 30 && vel < maxSpeed) {
    vel += acc;
  } else {
    vel *= 0.98;
  }
}
}  // namespace

void CShipNPC::Hunt(CPlayerShip* player) {
  Steer(DestX, Pos.x, Vel.x, Acc, MaxSpeed);
  Steer(DestY, Pos.y, Vel.y, Acc, MaxSpeed);
  if (std::fabs(Pos.x - DestX) < 50 && std::fabs(Pos.y - DestY) < 50) DestX = Rand(ScreenW() / 2, ScreenW() - 10);
  // Cloaking does not hide the player from a hunter, only from its guns.
  if (player->State == Alive) DestY = player->Pos.y;
  if (std::fabs(Pos.y - DestY) < 50) Fire(player, 20);
  ChangeWeapon();
}

void CShipNPC::Escort() {
  if (Pos.y < ScreenH() / 2) {
    Vel.y = MaxSpeed;
  } else if (Vel.y > 0) {
    Vel.y -= Acc;
  } else {
    Vel.y = 0;
  }
  if (Pos.x > ScreenW() - 50) {
    Vel.x *= 0.8;
  } else {
    Vel.x = MaxSpeed;
  }
}

void CShipNPC::ChangeWeapon() {
  // Practically every tick: a ship with several armed weapons cycles them.
  if (Rand(0, 300) != 0.0f) NextArmedWeapon();
}

void CShipNPC::NextArmedWeapon() {
  for (int step = 0; step < WeaponCount; ++step) {
    Weapon = (Weapon + 1) % WeaponCount;
    if (Ammo[Weapon] > 0) return;
  }
}

void CShipNPC::Shoot(float chance) {
  if (Reload[Weapon] >= 1 || Ammo[Weapon] <= 0 || Rand(0, chance) > 1) return;
  const float x = Pos.x, y = Pos.y;
  const int pan = PanFor(x);
  const size_t fired = Bullets->size();
  switch (Weapon) {
    case 0:
      Bullets->push_back(new CBulletMG(x, y, Ground, Hostile));
      Reload[Weapon] = 15;
      PlaySample(5, 100, pan, 1000);
      break;
    case 1:
      Bullets->push_back(new CLaser(x, y, Ground, Hostile));
      Reload[Weapon] = 25;
      PlaySample(4, 100, pan, 1000);
      break;
    case 2: {
      // The three barrels sit in front of the ship: a friend's on its right,
      // where it fires, like the player's.
      const float ahead = Hostile ? -1.0f : 1.0f;
      Bullets->push_back(new CBulletMG(x + ahead * 35, y - 10, Ground, Hostile));
      Bullets->push_back(new CBulletMG(x + ahead * 45, y, Ground, Hostile));
      Bullets->push_back(new CBulletMG(x + ahead * 35, y + 10, Ground, Hostile));
      Reload[Weapon] = 15;
      PlaySample(5, 100, pan, 1000);
      break;
    }
    case 8:
      Bullets->push_back(new CMine(x, y, Explosions, Hostile));
      Reload[Weapon] = 30;
      PlaySample(3, 100, pan, 1000);
      break;
    case 9:
      Bullets->push_back(new CMissile(x, y, Explosions, Hostile));
      Reload[Weapon] = 100;
      PlaySample(9, 100, pan, 1000);
      break;
    case 10:
      Bullets->push_back(new CPlasmaBeam(Hostile ? x - 15 : x + 15, y, Explosions, Hostile));
      Reload[Weapon] = 150;
      PlaySample(10, 100, pan, 1000);
      break;
    default:
      // Bombs, rockets and the cloak have no enemy form: the round is spent
      // without effect.
      break;
  }
  // A friend fires from inside its own box and its shots are tested against
  // every enemy: they must know to pass through it.
  for (size_t i = fired; i < Bullets->size(); ++i) (*Bullets)[i]->Firer = Serial;
  Ammo[Weapon] -= 1;
  // A dry weapon gives way to the next armed one.
  if (Ammo[Weapon] < 1) NextArmedWeapon();
}

void CShipNPC::Draw() {
  if (State == Finished) return;
  const bool mirrored = Behaviour == 10;
  if (mirrored) {
    Sprites[Frame].DrawHFlip(Pos.x, Pos.y, Angle, 1.0f, 1.0f);
  } else {
    Sprites[Frame].Draw(Pos.x, Pos.y, Angle, 1.0f, 1.0f);
  }
  if (!Shadow || Globals::GFXLevel == 0) return;
  // The shadow shrinks with the ship's height above the ground line; at or
  // below 100 pixels above it, it has full size.
  const float height = Globals::GroundLevel - Pos.y;
  const float scale = height > 100.0f ? 100.0f / height : 1.0f;
  if (mirrored) {
    Sprites[FrameCount].DrawHFlip(Pos.x, Globals::GroundLevel, 0.0f, scale, 0.4f);
  } else {
    Sprites[FrameCount].Draw(Pos.x, Globals::GroundLevel, 0.0f, scale, 0.4f);
  }
}
