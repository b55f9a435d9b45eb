#include "highscores/highscore.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "shell/platform.h"

bool operator<(const HighscoreEntry& a, const HighscoreEntry& b) {
  return a.Ascending ? a.Score < b.Score : a.Score > b.Score;
}

HighscoreManager::HighscoreManager(int count, bool ascending) : NumEntries(count), Ascending(ascending) {
  const int empty = ascending ? 500 : 0;
  for (int i = 0; i < count; ++i) Entries.emplace_back("None", empty, ascending);
}

HighscoreManager::~HighscoreManager() = default;

bool HighscoreManager::IsOnList(int score) const {
  const int worst = Entries.back().Score;
  return Ascending ? score < worst : score > worst;
}

void HighscoreManager::AddEntry(std::string name, int score) {
  if (!IsOnList(score)) return;
  Entries.pop_back();
  Entries.emplace_back(name, score, Ascending);
  // list::sort is stable: the newcomer stays below older equal scores.
  Entries.sort();
}

int HighscoreManager::Size() const {
  int count = 0;
  for (auto it = Entries.begin(); it != Entries.end(); ++it) ++count;
  return count;
}

HighscoreEntry HighscoreManager::GetEntry(int index) const {
  auto it = Entries.begin();
  std::advance(it, index);
  return *it;
}

void HighscoreManager::WriteText(std::ostream& out) const {
  for (const HighscoreEntry& entry : Entries) out << entry.Name << ' ' << entry.Score << "\r\n";
}

void HighscoreManager::ReadText(std::istream& in) {
  // Reads go through temporaries: a failed extraction would otherwise clear
  // the name or zero the score that the entry should keep.
  for (HighscoreEntry& entry : Entries) {
    std::string name;
    if (!(in >> name)) return;
    entry.Name = name;
    int score;
    if (!(in >> score)) return;
    entry.Score = score;
  }
}

namespace {

std::string Complemented(std::string bytes) {
  for (char& c : bytes) c = static_cast<char>(255 - static_cast<unsigned char>(c));
  return bytes;
}

}  // namespace

bool HighscoreManager::PrintToFile(std::string filename) const {
  std::ostringstream text;
  WriteText(text);
  const std::string bytes = Complemented(text.str());

  // The new table is written completely beside the old one and only then
  // renamed over it, so a failed or interrupted save keeps the old file.
  const std::string temporary = filename + ".tmp";
  FILE* out = fopen(temporary.c_str(), "wb");
  if (out == nullptr) return false;
  bool written = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  written = fclose(out) == 0 && written;
  if (!written || !ReplaceFileDurably(temporary, filename)) {
    remove(temporary.c_str());
    return false;
  }
  return true;
}

bool HighscoreManager::ReadFromFile(std::string filename) {
  std::ifstream in(filename, std::ios::in | std::ios::binary);
  // A missing file is no error: the table keeps its defaults.
  if (!in) return true;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return false;
  std::istringstream text(Complemented(bytes));
  ReadText(text);
  return true;
}
