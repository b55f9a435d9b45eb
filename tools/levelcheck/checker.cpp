#include "checker.h"

#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "game/game.h"
#include "ships/enemy.h"
#include "weapons/bullet.h"

namespace levelcheck {

namespace {

constexpr int ScreenW = 800;
constexpr float Ground = 550.0f;
// The player's ship never flies lower than this.
constexpr float PlayerFloor = 450.0f;
// How far below the player's lowest centre a power-up can still be touched
// (7 pixels beyond half the height of the ship's frame).
constexpr float PickupReach = 22.0f;
constexpr int WeaponCount = 12;

struct Token {
  std::string Text;
  int Line;
};

// A text file as lines, read token by token like the game's stream reading,
// or line by line for briefing blocks.
class Scanner {
 public:
  explicit Scanner(std::istream& in) {
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      Lines.push_back(line);
    }
  }

  bool Next(Token& token) {
    while (Row < Lines.size()) {
      const std::string& line = Lines[Row];
      while (Col < line.size() && std::isspace(static_cast<unsigned char>(line[Col]))) ++Col;
      if (Col < line.size()) {
        const size_t start = Col;
        while (Col < line.size() && !std::isspace(static_cast<unsigned char>(line[Col]))) ++Col;
        token = {line.substr(start, Col - start), static_cast<int>(Row) + 1};
        return true;
      }
      ++Row;
      Col = 0;
    }
    return false;
  }

  // The rest of the current line, then moves to the next one.
  bool RestOfLine(std::string& text, int& number) {
    if (Row >= Lines.size()) return false;
    text = Col < Lines[Row].size() ? Lines[Row].substr(Col) : "";
    number = static_cast<int>(Row) + 1;
    ++Row;
    Col = 0;
    return true;
  }

  bool WholeLine(std::string& text, int& number) {
    if (Row >= Lines.size()) return false;
    text = Lines[Row];
    number = static_cast<int>(Row) + 1;
    ++Row;
    Col = 0;
    return true;
  }

 private:
  std::vector<std::string> Lines;
  size_t Row = 0, Col = 0;
};

enum class Kind { Int, Real, Flag, Word };

struct Operand {
  Kind What;
  const char* Name;
};

struct Grammar {
  const char* Keyword;
  std::vector<Operand> Operands;
};

const std::vector<Grammar>& Keywords() {
  static const std::vector<Grammar> grammar = {
      {"Req", {{Kind::Int, "kill count"}}},
      {"Fin", {{Kind::Int, "finish time"}}},
      {"E",
       {{Kind::Int, "time"},
        {Kind::Real, "x"},
        {Kind::Real, "y"},
        {Kind::Word, "definition file"},
        {Kind::Flag, "counts flag"},
        {Kind::Int, "behaviour"}}},
      {"PL", {{Kind::Int, "time"}, {Kind::Real, "x"}, {Kind::Real, "y"}}},
      {"PW",
       {{Kind::Int, "time"}, {Kind::Real, "x"}, {Kind::Real, "y"}, {Kind::Int, "weapon"}, {Kind::Int, "amount"}}},
      {"PS", {{Kind::Int, "time"}, {Kind::Real, "x"}, {Kind::Real, "y"}, {Kind::Int, "shield value"}}},
      {"Weapon", {{Kind::Int, "weapon"}, {Kind::Int, "amount"}}},
  };
  return grammar;
}

const Grammar* Find(const std::string& keyword) {
  for (const Grammar& grammar : Keywords()) {
    if (keyword == grammar.Keyword) return &grammar;
  }
  return nullptr;
}

bool Fits(Kind kind, const std::string& token) {
  switch (kind) {
    case Kind::Int: {
      int value;
      return ParseLevelInt(token, value);
    }
    case Kind::Real: {
      float value;
      return ParseLevelReal(token, value);
    }
    case Kind::Flag: {
      bool flag;
      return ParseLevelFlag(token, flag);
    }
    case Kind::Word:
      return true;
  }
  return false;
}

const char* Expected(Kind kind) {
  switch (kind) {
    case Kind::Int:
      return "a whole number";
    case Kind::Real:
      return "a number";
    case Kind::Flag:
      return "0 or 1";
    case Kind::Word:
      return "a file name";
  }
  return "";
}

// One entry as written: its keyword, line and operand tokens.
struct Entry {
  std::string Keyword;
  int Line;
  std::vector<std::string> Operands;
};

struct BriefingLine {
  std::string Text;
  int Line;
};

struct Scanned {
  std::vector<Entry> Entries;
  std::vector<std::vector<BriefingLine>> Briefings;
};

bool LeavesByItself(int behaviour) { return behaviour >= 1 && behaviour <= 7; }

std::string Num(float value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

}  // namespace

Checker::Checker(std::string root, FONT* font) : Root(std::move(root)), Font(font) {}

Checker::~Checker() = default;

void Checker::Report(const std::string& file, int line, const std::string& message) {
  Found.push_back({file, line, message});
}

std::string Checker::Resolve(const std::string& path) const {
  if (!path.empty() && path[0] == '/') return path;
  return Root + "/" + path;
}

void Checker::CheckCampaign() {
  char letter = 'a';
  for (; letter <= 'z'; ++letter) {
    const std::string path = std::string("data/level_") + letter + ".txt";
    if (!std::ifstream(Resolve(path))) break;
    CheckLevel(path);
  }
  if (letter == 'a') Report("data/level_a.txt", 0, "the campaign has no first mission: data/level_a.txt is missing");
  // The game stops at the first missing letter: later scripts are never played.
  for (char later = static_cast<char>(letter + 1); later <= 'z'; ++later) {
    const std::string path = std::string("data/level_") + later + ".txt";
    if (std::ifstream(Resolve(path))) {
      Report(path, 0,
             std::string("is never played: data/level_") + letter + ".txt is missing, and the campaign ends there");
    }
  }
  if (!std::ifstream(Resolve("data/epilogue.txt"))) {
    Report("data/epilogue.txt", 0, "is missing: the campaign ends on an empty epilogue");
  } else {
    CheckText("data/epilogue.txt");
  }
}

void Checker::CheckLine(const std::string& file, int line, const std::string& text) {
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u > 126) {
      Report(file, line, "holds a character the fonts do not have (code " + std::to_string(u) + ")");
      return;
    }
  }
  if (Font != nullptr) {
    const int width = text_length(Font, text.c_str());
    if (width > MaxTextWidth) {
      Report(file, line,
             "line is " + std::to_string(width) + " pixels wide in the small font; only " +
                 std::to_string(MaxTextWidth) + " fit between x = 200 and the edge of the screen");
    }
  } else if (text.size() > MaxTextChars) {
    Report(file, line,
           "line has " + std::to_string(text.size()) + " characters; at most " + std::to_string(MaxTextChars) +
               " fit on the screen");
  }
}

void Checker::CheckText(const std::string& path) {
  std::ifstream in(Resolve(path));
  if (!in) {
    Report(path, 0, "cannot be opened");
    return;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    CheckLine(path, ++number, line);
  }
}

const ShipInfo& Checker::Ship(const std::string& path, const std::string& level, int line) {
  auto known = Ships.find(path);
  if (known != Ships.end()) return known->second;
  ShipInfo& info = Ships[path];

  std::ifstream in(Resolve(path));
  if (!in) {
    Report(level, line, "definition file " + path + " does not exist: the game ends when this event fires");
    return info;
  }
  std::stringstream text;
  text << in.rdbuf();

  // The game's own reader needs a ship to read into; the first one is built
  // from a known-good definition written for the purpose.
  if (!Reader) {
    char name[] = "/tmp/levelcheck_ship_XXXXXX";
    const int fd = mkstemp(name);
    if (fd != -1) {
      close(fd);
      std::ofstream(name) << "Data 1 7 Acc 0 MaxSpeed 0 Hostile 1 Shields 1 Shadow 0 Ground 0\n";
      Reader = std::make_unique<CShipNPC>(0.0f, 0.0f, name, &Explosions, &Bullets, false, 1);
      std::remove(name);
    }
  }

  // Lines of the keys, for pointing at the entry a message is about.
  std::map<std::string, int> keyLines;
  std::vector<Token> tokens;
  {
    std::istringstream copy(text.str());
    Scanner scanner(copy);
    Token token;
    while (scanner.Next(token)) {
      tokens.push_back(token);
      keyLines.emplace(token.Text, token.Line);
    }
  }

  std::istringstream copy(text.str());
  const std::string problem = Reader->ReadInfo(copy, path);
  if (!problem.empty()) {
    int at = keyLines.count("Data") ? keyLines["Data"] : 0;
    for (const char* key : {"Data", "Acc", "MaxSpeed", "Hostile", "Weapon", "Shields", "Shadow", "Ground", "Value"}) {
      const bool named = problem.find(std::string("\"") + key + "\"") != std::string::npos ||
                         (std::string(key) == "Weapon" && problem.find("weapon ") != std::string::npos);
      if (named) {
        at = keyLines.count(key) ? keyLines[key] : 0;
        break;
      }
    }
    const std::string prefix = "Error in ship file " + path + ": ";
    const std::string message = problem.compare(0, prefix.size(), prefix) == 0 ? problem.substr(prefix.size()) : problem;
    Report(path, at, message + " (the game ends when a level spawns this ship)");
    return info;
  }

  info.Readable = true;
  info.Hostile = Reader->Hostile;
  info.Ground = Reader->Ground;
  info.Shields = Reader->MaxShields;
  info.Acc = Reader->Acc;
  info.MaxSpeed = Reader->MaxSpeed;
  info.Text = text.str();
  info.Frames = Reader->FrameCount;
  for (int set = 1; set <= 12; ++set) {
    if (CShipNPC::SpriteSet(set) == Reader->Sprites) info.Set = set;
  }
  for (int id = 0; id < WeaponCount; ++id) {
    const bool enemyForm = id <= 2 || id == 8 || id == 9 || id == 10;
    if (Reader->Ammo[id] <= 0 || enemyForm) continue;
    int at = 0;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
      if (tokens[i].Text == "Weapon" && tokens[i + 1].Text == std::to_string(id)) at = tokens[i].Line;
    }
    Report(path, at,
           "weapon " + std::to_string(id) + " (" + GetWeaponName(id) +
               ") has no enemy form: the ship spends its rounds without firing (enemies fire 0, 1, 2, 8, 9 and 10)");
  }
  if (info.Shields < 1) Report(path, keyLines.count("Shields") ? keyLines["Shields"] : 0, "shields below 1");
  return info;
}

void Checker::CheckLevel(const std::string& path) {
  ++Levels;
  std::ifstream in(Resolve(path));
  if (!in) {
    Report(path, 0, "cannot be opened");
    return;
  }
  Scanner scanner(in);
  Scanned scanned;

  // The entries as the game reads them, with their lines.
  Token token;
  bool skipping = false;
  while (scanner.Next(token)) {
    if (token.Text == "[Briefing]") {
      skipping = false;
      std::vector<BriefingLine> lines;
      std::string text;
      int number;
      if (scanner.RestOfLine(text, number)) lines.push_back({text, number});
      bool ended = false;
      while (scanner.WholeLine(text, number)) {
        if (text == "[End]") {
          ended = true;
          break;
        }
        const size_t first = text.find_first_not_of(" \t");
        const size_t last = text.find_last_not_of(" \t");
        if (first != std::string::npos && text.substr(first, last - first + 1) == "[End]") {
          Report(path, number, "\"[End]\" must stand alone on its line: with blanks around it the briefing goes on");
        }
        lines.push_back({text, number});
      }
      if (!ended) Report(path, token.Line, "briefing has no \"[End]\": the rest of the file is briefing text");
      if (!scanned.Briefings.empty()) {
        Report(path, token.Line, "a second briefing replaces the first one");
      }
      scanned.Briefings.push_back(lines);
      continue;
    }
    const Grammar* grammar = Find(token.Text);
    if (grammar == nullptr) {
      // One misspelt keyword makes the game skip its operands one by one too;
      // only the first token of such a run is worth a message.
      if (!skipping) {
        Report(path, token.Line,
               "unknown keyword \"" + token.Text + "\": the game skips it and every token up to the next keyword");
      }
      skipping = true;
      continue;
    }
    skipping = false;
    Entry entry{token.Text, token.Line, {}};
    bool broken = false;
    for (const Operand& operand : grammar->Operands) {
      Token value;
      if (!scanner.Next(value)) {
        Report(path, token.Line,
               "\"" + token.Text + "\" is cut short by the end of the file: its " + operand.Name + " is missing");
        broken = true;
        break;
      }
      if (!Fits(operand.What, value.Text)) {
        Report(path, value.Line,
               "\"" + token.Text + "\" needs " + Expected(operand.What) + " as its " + operand.Name + ", not \"" +
                   value.Text + "\": the game stops reading the script here");
        broken = true;
        break;
      }
      entry.Operands.push_back(value.Text);
    }
    if (broken) break;
    scanned.Entries.push_back(entry);
  }

  // The level as the game itself reads it.
  std::ifstream again(Resolve(path));
  const LevelScript script = ParseLevelScript(again);
  size_t eventEntries = 0;
  for (const Entry& entry : scanned.Entries) {
    if (entry.Keyword == "E" || entry.Keyword[0] == 'P') ++eventEntries;
  }
  if (eventEntries != script.Events.size()) {
    Report(path, 0,
           "the game reads " + std::to_string(script.Events.size()) + " events where the checker reads " +
               std::to_string(eventEntries));
    return;
  }

  int reqLine = 0, finLine = 0;
  for (const Entry& entry : scanned.Entries) {
    if (entry.Keyword == "Req") {
      if (reqLine != 0) Report(path, entry.Line, "\"Req\" given again: only the last one counts");
      reqLine = entry.Line;
    } else if (entry.Keyword == "Fin") {
      if (finLine != 0) Report(path, entry.Line, "\"Fin\" given again: only the last one counts");
      finLine = entry.Line;
    } else if (entry.Keyword == "Weapon") {
      const int id = std::atoi(entry.Operands[0].c_str());
      const int amount = std::atoi(entry.Operands[1].c_str());
      if (id < 0 || id >= WeaponCount) {
        Report(path, entry.Line, "weapon " + std::to_string(id) + " does not exist (weapons are 0 to 11)");
      } else if (amount < 0) {
        Report(path, entry.Line, "takes ammunition away from the player");
      }
    }
  }
  if (reqLine == 0) Report(path, 0, "has no \"Req\": the mission is accomplished without a single kill");
  if (finLine == 0) Report(path, 0, "has no \"Fin\": the mission ends as soon as the screen is clear");
  const int fin = script.FinishTime;

  // Events, paired with their entries (both in file order).
  std::vector<const Entry*> eventLines;
  for (const Entry& entry : scanned.Entries) {
    if (entry.Keyword == "E" || entry.Keyword[0] == 'P') eventLines.push_back(&entry);
  }
  // Ships that stay until shot down keep a mission running past "Fin".
  bool stayerByFin = false;
  for (size_t i = 0; i < script.Events.size(); ++i) {
    const CLevelEvent& event = script.Events[i];
    if (event.Type == 0 && event.Time <= fin && !LeavesByItself(event.Behaviour)) stayerByFin = true;
  }

  int counted = 0;
  for (size_t i = 0; i < script.Events.size(); ++i) {
    const CLevelEvent& event = script.Events[i];
    const int line = eventLines[i]->Line;
    const float x = event.Pos.x, y = event.Pos.y;
    const bool late = event.Time > fin;
    if (late && !stayerByFin) {
      Report(path, line,
             "time " + std::to_string(event.Time) + " comes after \"Fin\" " + std::to_string(fin) +
                 " and no ship that stays is on the field by then: the mission ends before this event fires");
    }
    if (event.Type == 1) {
      if (x < 0) Report(path, line, "power-up placed left of the screen: it drifts further left and is never seen");
      if (y < 0 || y > PlayerFloor + PickupReach) {
        Report(path, line, "power-up at y = " + Num(y) + " is out of the player's reach (about 0 to 470)");
      }
      if (event.PowerupType == 2) {
        if (event.WeaponId < 0 || event.WeaponId >= WeaponCount) {
          Report(path, line, "weapon " + std::to_string(event.WeaponId) + " does not exist (weapons are 0 to 11)");
        }
        if (event.Amount < 1) Report(path, line, "ammunition power-up gives no rounds");
      } else if (event.PowerupType == 3 && event.ShieldAmount < 1) {
        Report(path, line, "shield power-up restores nothing");
      }
      continue;
    }

    const int b = event.Behaviour;
    const ShipInfo& ship = Ship(event.ShipFile, path, line);
    if (b < 1 || b > 10) {
      Report(path, line,
             "behaviour " + std::to_string(b) +
                 " does not exist (1 to 10): the ship never moves, never fires and never leaves");
    }
    if (event.CountsAsKill && (!late || stayerByFin)) ++counted;
    if (!ship.Readable) continue;
    {
      std::istringstream text(ship.Text);
      Reader->ReadInfo(text, event.ShipFile);
      const std::string frames = Reader->CheckBehaviour(b);
      if (!frames.empty()) Report(path, line, event.ShipFile + ": " + frames);
    }

    const std::string which = "behaviour " + std::to_string(b);
    if (!ship.Hostile) {
      if (event.CountsAsKill) Report(path, line, "a friendly ship counts as a kill: the player gains by shooting it");
      if (b >= 8 && b <= 10) {
        Report(path, line,
               "a friendly ship with " + which +
                   " never leaves: the mission cannot end unless the player shoots down an ally");
      }
    }
    if (ship.Ground && b != 1 && b != 7) {
      Report(path, line, "a ground unit with " + which + " flies through the air; ground units roll (1) or stand (7)");
    }
    if (!ship.Ground && b == 7) {
      Report(path, line, "a flying ship with behaviour 7 hangs in the air and drifts with the ground");
    }
    if (ship.Ground) {
      if (y < PlayerFloor) Report(path, line, "a ground unit at y = " + Num(y) + " stands in the air");
      if (y > Ground) Report(path, line, "a ground unit at y = " + Num(y) + " is buried below the ground line (550)");
    }

    // Positions that no behaviour brings into view.
    const bool fliesLeft = b >= 1 && b <= 4;
    if ((fliesLeft || b == 7) && x < 0) {
      Report(path, line, "spawns left of the screen (x = " + Num(x) + ") and moves left: it is never seen");
    }
    if (b == 10 && x > ScreenW) {
      Report(path, line,
             "behaviour 10 stops near the right edge: a ship spawned beyond it (x = " + Num(x) + ") never comes in");
    }
    if (!ship.Ground) {
      const bool keepsHeight = b == 1 || b == 2 || b == 4 || b == 10;
      if (keepsHeight && y > Ground) {
        Report(path, line, "spawns below the ground line (y = " + Num(y) + ") and " + which + " never lifts it");
      }
      const bool staysUp = b == 1 || b == 4 || (b == 2 && ship.Acc > 0 && y + 2 * ship.MaxSpeed / ship.Acc < 0);
      if (staysUp && y < 0) {
        Report(path, line, "spawns above the screen (y = " + Num(y) + ") and " + which + " never brings it down");
      }
    }
    if (b >= 1 && b <= 10 && x > ScreenW + 1000) {
      Report(path, line, "spawns far right of the screen (x = " + Num(x) + "): it comes in long after its time");
    }
  }
  if (script.RequiredKills > counted) {
    Report(path, reqLine,
           "\"Req\" " + std::to_string(script.RequiredKills) + " asks for more kills than the " +
               std::to_string(counted) + " counted enemies that can spawn");
  }

  if (scanned.Briefings.empty()) {
    Report(path, 0, "has no briefing: the screen shows whatever text came before");
  } else {
    for (const BriefingLine& line : scanned.Briefings.back()) CheckLine(path, line.Line, line.Text);
  }
}

}  // namespace levelcheck
