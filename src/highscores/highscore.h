// The Hall of Fame: HighscoreManager keeps a fixed number of entries, best
// first, decides whether a score qualifies, inserts new entries below equal
// scores, and saves and loads the table as a byte-complemented text file.
#pragma once

#include <istream>
#include <list>
#include <ostream>
#include <string>

class HighscoreEntry {
 public:
  HighscoreEntry() = default;
  HighscoreEntry(const std::string& name, int score, bool ascending) : Name(name), Score(score), Ascending(ascending) {}
  HighscoreEntry(const HighscoreEntry&) = default;
  HighscoreEntry& operator=(const HighscoreEntry&) = default;

  std::string Name;
  int Score = 0;
  bool Ascending = false;
};

bool operator<(const HighscoreEntry& a, const HighscoreEntry& b);

class HighscoreManager {
 public:
  HighscoreManager(int count, bool ascending);
  ~HighscoreManager();

  bool IsOnList(int score) const;
  void AddEntry(std::string name, int score);
  int Size() const;
  HighscoreEntry GetEntry(int index) const;
  bool PrintToFile(std::string filename) const;
  bool ReadFromFile(std::string filename);

  // The plain text (before complementing) and reading it back.
  void WriteText(std::ostream& out) const;
  void ReadText(std::istream& in);

  int NumEntries;
  bool Ascending;
  std::list<HighscoreEntry> Entries;
};
