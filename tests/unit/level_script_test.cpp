#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "game/game.h"

namespace {

// All a script sets: kills, finish time, grants, events (time, position, operands), [ and the briefing lines.
std::string Summary(const LevelScript& s) {
  std::ostringstream out;
  if (s.HasRequiredKills) out << " Req " << s.RequiredKills;
  if (s.HasFinishTime) out << " Fin " << s.FinishTime;
  for (const auto& g : s.Grants) out << " Weapon " << g.WeaponId << " " << g.Amount;
  for (const CLevelEvent& e : s.Events) {
    out << (e.Type == 0 ? " E " : " P") << (e.Type == 0 ? "" : std::to_string(e.PowerupType) + " ") << e.Time << " "
        << e.Pos.x << "," << e.Pos.y << " ";
    if (e.Type == 0) out << e.ShipFile << " " << e.CountsAsKill << " " << e.Behaviour;
    else out << e.WeaponId << " " << e.Amount << " " << e.ShieldAmount;
  }
  if (s.HasBriefing) out << " [";
  for (const std::string& line : s.Briefing) out << line << "|";
  return out.str().substr(out.str().empty() ? 0 : 1);
}

// Reading stops at a malformed or unfinished entry, which takes no effect; the Fin after it is never read. Briefing
// lines are kept verbatim up to a line that is just [End], and tokens resume after it; misspelt keywords are skipped
// with their operands one by one; grants outside the weapon table are dropped, ammunition power-ups are not.
TEST(LevelScript, ReadsWhatIsWellFormedUpToTheFirstFault) {
  const std::string pl = "P1 1 2,3 0 0 0";
  const std::pair<std::string, std::string> cases[] = {
      {"Req 12 Fin 660\nWeapon 2 150\nE 22 820 200 data/fighter.txt 1 0\nE 22 820.5 -4e1 data/bomber.txt 0 3\n"
       "PW 110 820 300 4 20\nPS 220 820 300 50\nPL 440 +820 300\nReq 7\tFin\n-3\n",
       "Req 7 Fin -3 Weapon 2 150 E 22 820,200 data/fighter.txt 1 0 E 22 820.5,-40 data/bomber.txt 0 3 "
       "P2 110 820,300 4 20 0 P3 220 820,300 0 0 50 P1 440 820,300 0 0 0"},
      {"Req 1 [Briefing]  first words\nTake 100% of the %s fuel.\n\tIndented  [End] \n[End] \n[End]\nFin 30\n",
       "Req 1 Fin 30 [  first words|Take 100% of the %s fuel.|\tIndented  [End] |[End] |"},
      {"Req 2\r\nFin 40\r\n[Briefing]\r\nLine one\r\n\r\nLine three\n[End]\r\nE 5 800 100 data/ship.txt 1 2\r\n",
       "Req 2 Fin 40 E 5 800,100 data/ship.txt 1 2 [|Line one||Line three|"},
      {"[Briefing]\nold\n[End]\n[Briefing]\nFin 9\nlast line", "[|Fin 9|last line|"},  // the last, to the end
      {"Rq 5 EE 10 800 200 data/ship.txt 1 0 req 9 Fin 20 e 3 PL 7 800 300", "Fin 20 P1 7 800,300 0 0 0"},
      {"Weapon 12 50 Weapon -1 5 Weapon 11 7 Weapon 0 -3 PW 4 800 300 12 20 PW 4 800 300 -1 9",
       "Weapon 11 7 Weapon 0 -3 P2 4 800,300 12 20 0 P2 4 800,300 -1 9 0"},
      {"Fin 10\nE 5 800 200 data/ship.txt 1\n", "Fin 10"}, {"Weapon 3", ""}, {"PL 1 2 3 Req 12abc Fin 10", pl},
      {"PL 1 2 3 PS 10 nan 200 4 Fin 10", pl}, {"PL 1 2 3 Fin 1e3", pl}, {"PL 1 2 3 Weapon 2 99999999999 Fin 10", pl},
  };
  for (const auto& [text, read] : cases) {
    std::istringstream in(text);
    EXPECT_EQ(Summary(ParseLevelScript(in)), read) << text;
  }
}

}  // namespace
