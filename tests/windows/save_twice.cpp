// Saves the Hall of Fame twice over one file, as two games in a row do, under Wine, where a plain rename
// refuses to replace a file. Exit status 0 when the second table reads back whole and no temporary file is left.
#include <cstdio>

#include "highscores/highscore.h"

namespace {

bool Saved(HighscoreManager& table, const char* name, int score) {
  table.AddEntry(name, score);
  return table.PrintToFile("Highscores");
}

}  // namespace

int main() {
  HighscoreManager table(10, false);
  if (!Saved(table, "FIRST", 200) || !Saved(table, "SECOND", 300)) {
    std::puts("a save failed");
    return 1;
  }
  HighscoreManager read(10, false);
  read.ReadFromFile("Highscores");
  const bool same = read.Entries.size() == table.Entries.size() && read.GetEntry(0).Name == "SECOND" &&
                    read.GetEntry(0).Score == 300 && read.GetEntry(1).Name == "FIRST" && read.GetEntry(1).Score == 200;
  const bool noneLeft = std::remove("Highscores.tmp") != 0;
  std::puts(same && noneLeft ? "saved twice" : "the second table did not read back");
  return same && noneLeft ? 0 : 1;
}
