// The level checker: reads level scripts, the ship definition files they name
// and the epilogue the way the game does, and lists every mistake a designer
// can make with the file and line where it stands: entries the game skips or
// stops at, ships it would refuse, weapons an enemy cannot fire, positions no
// behaviour brings into view, events that can never fire, goals that cannot
// be met, missions that cannot end and lines too long for the screen.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

struct FONT;
class CExplosion;
class CShipNPC;
class TBullet;

namespace levelcheck {

struct Problem {
  std::string File;
  int Line;  // 0 when the problem concerns the whole file
  std::string Message;
};

// What one ship definition file gives, as far as the checks need it.
struct ShipInfo {
  bool Readable = false;
  bool Hostile = true;
  bool Ground = false;
  int Shields = 0;
  float Acc = 0;
  float MaxSpeed = 0;
  std::string Text;  // the file, for reading it again
  int Set = 0;
  int Frames = 0;
};

class Checker {
 public:
  // `root` holds the data directory the scripts' paths are relative to;
  // `font` measures briefing lines (null: a character limit stands in).
  Checker(std::string root, FONT* font);
  ~Checker();
  Checker(const Checker&) = delete;
  Checker& operator=(const Checker&) = delete;

  // The campaign as the game finds it: data/level_a.txt, level_b.txt, ...
  // up to the first missing letter, and data/epilogue.txt.
  void CheckCampaign();
  // One level script; `path` as the game would open it (relative to root).
  void CheckLevel(const std::string& path);
  // A plain text shown on screen line by line (the epilogue).
  void CheckText(const std::string& path);

  const std::vector<Problem>& Problems() const { return Found; }
  int LevelsChecked() const { return Levels; }
  int ShipsChecked() const { return static_cast<int>(Ships.size()); }

  // Widest line the text screens show: they start at x = 200 of 800.
  static constexpr int MaxTextWidth = 600;
  static constexpr size_t MaxTextChars = 60;

 private:
  void Report(const std::string& file, int line, const std::string& message);
  const ShipInfo& Ship(const std::string& path, const std::string& level, int line);
  void CheckLine(const std::string& file, int line, const std::string& text);
  std::string Resolve(const std::string& path) const;

  std::string Root;
  FONT* Font;
  std::vector<Problem> Found;
  std::map<std::string, ShipInfo> Ships;
  std::unique_ptr<CShipNPC> Reader;
  std::vector<CExplosion*> Explosions;
  std::vector<TBullet*> Bullets;
  int Levels = 0;
};

}  // namespace levelcheck
