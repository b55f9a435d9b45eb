// The Hall of Fame file: any file reads into a table of exactly ten entries
// whose names are single words, so that the table written again reads back
// the same; new entries keep it at ten, best first.
#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

#include "fuzz_support.h"
#include "highscores/highscore.h"

namespace {

constexpr int Places = 10;

bool SameTable(const HighscoreManager& a, const HighscoreManager& b) {
  if (a.Size() != b.Size()) return false;
  for (int i = 0; i < a.Size(); ++i) {
    if (a.GetEntry(i).Name != b.GetEntry(i).Name || a.GetEntry(i).Score != b.GetEntry(i).Score) return false;
  }
  return true;
}

bool OneWord(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (std::isspace(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ScratchPath("Highscores");
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                static_cast<std::streamsize>(size));
  HighscoreManager table(Places, false);
  FUZZ_CHECK(table.ReadFromFile(path));
  FUZZ_CHECK(table.Size() == Places);
  for (int i = 0; i < Places; ++i) FUZZ_CHECK(OneWord(table.GetEntry(i).Name));

  std::stringstream text;
  table.WriteText(text);
  HighscoreManager again(Places, false);
  again.ReadText(text);
  FUZZ_CHECK(SameTable(table, again));

  // The last four bytes, if any, are a score to enter twice.
  int score = 1;
  if (size >= sizeof score) std::memcpy(&score, data + size - sizeof score, sizeof score);
  for (int round = 0; round < 2; ++round) {
    const bool qualifies = table.IsOnList(score);
    table.AddEntry("Fuzz", score);
    FUZZ_CHECK(table.Size() == Places);
    if (!qualifies) continue;
    bool entered = false;
    for (int i = 0; i < Places; ++i) {
      const HighscoreEntry entry = table.GetEntry(i);
      entered = entered || (entry.Name == "Fuzz" && entry.Score == score);
      if (i > 0) FUZZ_CHECK(!(entry.Score > table.GetEntry(i - 1).Score));
    }
    FUZZ_CHECK(entered);
  }
  return 0;
}
