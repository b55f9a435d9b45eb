// The Hall of Fame file: any file reads into a table of exactly ten entries whose names are single words,
// so that the table written again reads back the same; new entries keep it at ten, best first.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

#include "fuzz_support.h"
#include "highscores/highscore.h"

namespace {

constexpr int Places = 10;

std::string Text(const HighscoreManager& table) {
  std::stringstream text;
  table.WriteText(text);
  return text.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ScratchPath("Highscores");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << AsText(data, size);
  HighscoreManager table(Places, false), again(Places, false);
  FUZZ_CHECK(table.ReadFromFile(path) && table.Size() == Places);
  for (const HighscoreEntry& entry : table.Entries) {
    const auto space = [](unsigned char c) { return std::isspace(c) != 0; };
    FUZZ_CHECK(!entry.Name.empty() && std::none_of(entry.Name.begin(), entry.Name.end(), space));
  }
  std::istringstream text(Text(table));
  again.ReadText(text);
  FUZZ_CHECK(Text(again) == Text(table));
  // The last four bytes, if any, are a score to enter twice.
  int score = 1;
  if (size >= sizeof score) std::memcpy(&score, data + size - sizeof score, sizeof score);
  for (int round = 0; round < 2; ++round) {
    const bool qualifies = table.IsOnList(score);
    table.AddEntry("Fuzz", score);
    FUZZ_CHECK(table.Size() == Places);
    const auto fuzz = [score](const HighscoreEntry& e) { return e.Name == "Fuzz" && e.Score == score; };
    const auto better = [](const HighscoreEntry& a, const HighscoreEntry& b) { return a.Score > b.Score; };
    FUZZ_CHECK(!qualifies || (std::any_of(table.Entries.begin(), table.Entries.end(), fuzz) &&
                              std::is_sorted(table.Entries.begin(), table.Entries.end(), better)));
  }
  return 0;
}
