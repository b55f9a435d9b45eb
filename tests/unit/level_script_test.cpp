// Reading level scripts: the keywords, their operands, the briefing block
// and what happens to scripts that are misspelt, malformed or cut short.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/game.h"

namespace {

// Sends the log to a scratch file for the life of the object.
class LogCapture {
 public:
  LogCapture() : Path(testing::TempDir() + "level_script_log.txt") {
    Globals::LogFile.close();
    Globals::LogFile.clear();
    Globals::LogFile.open(Path, std::ios::out | std::ios::trunc);
  }
  ~LogCapture() {
    Globals::LogFile.close();
    std::remove(Path.c_str());
  }
  std::vector<std::string> Lines() {
    Globals::LogFile.flush();
    std::ifstream in(Path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  }

 private:
  std::string Path;
};

LevelScript Parse(const std::string& text) {
  std::istringstream in(text);
  return ParseLevelScript(in);
}

// An event in one line: type, time, position, then the enemy's or the
// power-up's operands.
std::string Describe(const CLevelEvent& e) {
  std::ostringstream out;
  out << e.Type << " " << e.Time << " " << e.Pos.x << "," << e.Pos.y << " ";
  if (e.Type == 0)
    out << e.ShipFile << " " << e.CountsAsKill << " " << e.Behaviour;
  else
    out << "P" << e.PowerupType << " " << e.WeaponId << " " << e.Amount << " " << e.ShieldAmount;
  return out.str();
}

std::vector<std::string> Events(const LevelScript& script) {
  std::vector<std::string> all;
  for (const CLevelEvent& e : script.Events) all.push_back(Describe(e));
  return all;
}

TEST(LevelScript, ReadsEveryKeywordWithTheLastReqAndFinWinning) {
  LogCapture log;
  const LevelScript script = Parse(
      "Req 12 Fin 660\n"
      "Weapon 2 150\n"
      "E 22 820 200 data/fighter.txt 1 0\n"
      "E 22 820.5 -4e1 data/bomber.txt 0 3\n"
      "PW 110 820 300 4 20\n"
      "PS 220 820 300 50\n"
      "PL 440 +820 300\n"
      "Req 7\tFin\n-3\n");

  EXPECT_TRUE(script.HasRequiredKills);
  EXPECT_EQ(script.RequiredKills, 7);
  EXPECT_TRUE(script.HasFinishTime);
  EXPECT_EQ(script.FinishTime, -3);
  ASSERT_EQ(script.Grants.size(), 1u);
  EXPECT_EQ(script.Grants[0].WeaponId, 2);
  EXPECT_EQ(script.Grants[0].Amount, 150);

  EXPECT_EQ(Events(script), (std::vector<std::string>{"0 22 820,200 data/fighter.txt 1 0",
                                                      "0 22 820.5,-40 data/bomber.txt 0 3", "1 110 820,300 P2 4 20 0",
                                                      "1 220 820,300 P3 0 0 50", "1 440 820,300 P1 0 0 0"}));
  EXPECT_FALSE(script.HasBriefing);

  // Only enemy entries are logged, in file order.
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Event added. Time: 22", "Event added. Time: 22"}));
}

TEST(LevelScript, AScriptWithoutEntriesSetsNothing) {
  const LevelScript script = Parse("  \n\n");
  EXPECT_FALSE(script.HasRequiredKills);
  EXPECT_FALSE(script.HasFinishTime);
  EXPECT_TRUE(script.Events.empty());
  EXPECT_TRUE(script.Grants.empty());
  EXPECT_FALSE(script.HasBriefing);
}

TEST(LevelScript, BriefingLinesAreKeptVerbatimAndTokensResumeAfterEnd) {
  const LevelScript script = Parse(
      "Req 1 [Briefing]  first words\n"
      "Take 100% of the %s fuel.\n"
      "\tIndented  [End] \n"
      "[End] \n"
      "[End]\n"
      "Fin 30\n");
  ASSERT_TRUE(script.HasBriefing);
  EXPECT_EQ(script.Briefing, (std::vector<std::string>{"  first words", "Take 100% of the %s fuel.",
                                                       "\tIndented  [End] ", "[End] "}));
  EXPECT_EQ(script.RequiredKills, 1);
  EXPECT_EQ(script.FinishTime, 30);
}

TEST(LevelScript, CarriageReturnsBeforeLineFeedsAreNotPartOfTheLines) {
  const LevelScript script = Parse(
      "Req 2\r\nFin 40\r\n[Briefing]\r\nLine one\r\n\r\nLine three\n[End]\r\nE 5 800 100 data/ship.txt 1 2\r\n");
  EXPECT_EQ(script.RequiredKills, 2);
  EXPECT_EQ(script.FinishTime, 40);
  EXPECT_EQ(script.Briefing, (std::vector<std::string>{"", "Line one", "", "Line three"}));
  // The final line break does not repeat the last entry.
  EXPECT_EQ(Events(script), std::vector<std::string>{"0 5 800,100 data/ship.txt 1 2"});
}

TEST(LevelScript, BriefingBlockShapes) {
  // At once followed by [End]: one empty line, from the rest of the first line.
  EXPECT_EQ(Parse("[Briefing]\n[End]\nReq 3").Briefing, std::vector<std::string>{""});
  // Without [End] the block runs to the end of the file, the last line kept
  // even without a line break.
  const LevelScript open = Parse("[Briefing]\nFin 9\nlast line");
  EXPECT_EQ(open.Briefing, (std::vector<std::string>{"", "Fin 9", "last line"}));
  EXPECT_FALSE(open.HasFinishTime);
  // A second block replaces the first.
  const LevelScript twice = Parse("[Briefing]\nold\n[End]\n[Briefing]\nnew\n[End]\n");
  EXPECT_EQ(twice.Briefing, (std::vector<std::string>{"", "new"}));
  // The keyword is case-sensitive and must stand alone.
  EXPECT_FALSE(Parse("[briefing]\ntext\n[End]\n").HasBriefing);
}

TEST(LevelScript, MisspeltKeywordsAreSkippedWithTheirOperandsOneByOne) {
  LogCapture log;
  const LevelScript script = Parse("Rq 5 EE 10 800 200 data/ship.txt 1 0 req 9 Fin 20 e 3 PL 7 800 300");
  EXPECT_FALSE(script.HasRequiredKills);
  EXPECT_EQ(script.FinishTime, 20);
  EXPECT_EQ(Events(script), std::vector<std::string>{"1 7 800,300 P1 0 0 0"});
  EXPECT_TRUE(log.Lines().empty());
}

TEST(LevelScript, MalformedOperandsEndTheReadingAndTheirEntryTakesNoEffect) {
  // Each follows a good entry, which stays; the Fin after the bad entry is
  // never read.
  const char* const cases[] = {
      "Req x Fin 10",
      "Req 12abc Fin 10",
      "E 10 800 abc data/ship.txt 1 0 Fin 10",
      "E 10 800 200 data/ship.txt 2 0 Fin 10",
      "E 10 800 200 data/ship.txt yes 0 Fin 10",
      "E 10 800 200 data/ship.txt 1 0.5 Fin 10",
      "PW 10 800 200 4 lots Fin 10",
      "PS 10 nan 200 4 Fin 10",
      "PL 10 0x20 200 Fin 10",
      "Weapon 2 99999999999 Fin 10",
      "Fin 1e3",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    LogCapture log;
    const LevelScript script = Parse(std::string("PL 1 2 3 ") + text);
    EXPECT_EQ(script.Events.size(), 1u);
    EXPECT_FALSE(script.HasRequiredKills);
    EXPECT_FALSE(script.HasFinishTime);
    EXPECT_TRUE(script.Grants.empty());
    EXPECT_TRUE(log.Lines().empty());
  }
}

TEST(LevelScript, AnEntryCutShortByTheEndOfTheFileTakesNoEffect) {
  LogCapture log;
  const LevelScript script = Parse("Fin 10\nE 5 800 200 data/ship.txt 1\n");
  EXPECT_EQ(script.FinishTime, 10);
  EXPECT_TRUE(script.Events.empty());
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_FALSE(Parse("Req").HasRequiredKills);
  EXPECT_TRUE(Parse("Weapon 3").Grants.empty());
}

TEST(LevelScript, WeaponGrantsOutsideTheTableAreDroppedButAmmunitionPowerupsAreQueued) {
  const LevelScript script = Parse("Weapon 12 50 Weapon -1 5 Weapon 11 7 Weapon 0 -3 PW 4 800 300 12 20 PW 4 800 300 -1 9");
  ASSERT_EQ(script.Grants.size(), 2u);
  EXPECT_TRUE(script.Grants[0].WeaponId == 11 && script.Grants[0].Amount == 7);
  EXPECT_TRUE(script.Grants[1].WeaponId == 0 && script.Grants[1].Amount == -3);
  EXPECT_EQ(Events(script), (std::vector<std::string>{"1 4 800,300 P2 12 20 0", "1 4 800,300 P2 -1 9 0"}));
}

}  // namespace
