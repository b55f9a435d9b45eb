// The Hall of Fame file: any file reads into ten entries that read back the same; a new entry keeps them best first.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "fuzz_support.h"
#include "highscores/highscore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::ofstream(ScratchPath("Highscores"), std::ios::binary | std::ios::trunc) << AsText(data, size);
  HighscoreManager table(10, false), again(10, false);
  FUZZ_CHECK(table.ReadFromFile(ScratchPath("Highscores")));
  std::stringstream text, back;
  table.WriteText(text);
  again.ReadText(text);
  again.WriteText(back);
  FUZZ_CHECK(back.str() == text.str());
  // The last four bytes, if any, are a score to enter.
  int score = 1;
  if (size >= sizeof score) std::memcpy(&score, data + size - sizeof score, sizeof score);
  const bool qualifies = table.IsOnList(score);
  table.AddEntry("Fuzz", score);
  const auto& e = table.Entries;
  const auto fuzz = [score](const HighscoreEntry& x) { return x.Name == "Fuzz" && x.Score == score; };
  const auto better = [](const HighscoreEntry& a, const HighscoreEntry& b) { return a.Score > b.Score; };
  FUZZ_CHECK(table.Size() == 10);
  FUZZ_CHECK(!qualifies || (std::any_of(e.begin(), e.end(), fuzz) && std::is_sorted(e.begin(), e.end(), better)));
  return 0;
}
