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

  ASSERT_EQ(script.Events.size(), 5u);
  const CLevelEvent& first = script.Events[0];
  EXPECT_EQ(first.Type, 0);
  EXPECT_EQ(first.Time, 22);
  EXPECT_FLOAT_EQ(first.Pos.x, 820.0f);
  EXPECT_FLOAT_EQ(first.Pos.y, 200.0f);
  EXPECT_EQ(first.ShipFile, "data/fighter.txt");
  EXPECT_TRUE(first.CountsAsKill);
  EXPECT_EQ(first.Behaviour, 0);
  const CLevelEvent& second = script.Events[1];
  EXPECT_FLOAT_EQ(second.Pos.x, 820.5f);
  EXPECT_FLOAT_EQ(second.Pos.y, -40.0f);
  EXPECT_EQ(second.ShipFile, "data/bomber.txt");
  EXPECT_FALSE(second.CountsAsKill);
  EXPECT_EQ(second.Behaviour, 3);
  EXPECT_EQ(script.Events[2].Type, 1);
  EXPECT_EQ(script.Events[2].PowerupType, 2);
  EXPECT_EQ(script.Events[2].Time, 110);
  EXPECT_EQ(script.Events[2].WeaponId, 4);
  EXPECT_EQ(script.Events[2].Amount, 20);
  EXPECT_EQ(script.Events[3].PowerupType, 3);
  EXPECT_EQ(script.Events[3].ShieldAmount, 50);
  EXPECT_EQ(script.Events[4].PowerupType, 1);
  EXPECT_EQ(script.Events[4].Time, 440);
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
  ASSERT_EQ(script.Events.size(), 1u);
  EXPECT_EQ(script.Events[0].ShipFile, "data/ship.txt");
  EXPECT_EQ(script.Events[0].Behaviour, 2);
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
  ASSERT_EQ(script.Events.size(), 1u);
  EXPECT_EQ(script.Events[0].PowerupType, 1);
  EXPECT_EQ(script.Events[0].Time, 7);
  EXPECT_TRUE(log.Lines().empty());
}

TEST(LevelScript, MalformedOperandsEndTheReadingAndTheirEntryTakesNoEffect) {
  struct Case {
    const char* text;
    size_t events;
  };
  const Case cases[] = {
      {"PL 1 2 3 Req x Fin 10", 1},
      {"PL 1 2 3 Req 12abc Fin 10", 1},
      {"PL 1 2 3 E 10 800 abc data/ship.txt 1 0 Fin 10", 1},
      {"PL 1 2 3 E 10 800 200 data/ship.txt 2 0 Fin 10", 1},
      {"PL 1 2 3 E 10 800 200 data/ship.txt yes 0 Fin 10", 1},
      {"PL 1 2 3 E 10 800 200 data/ship.txt 1 0.5 Fin 10", 1},
      {"PL 1 2 3 PW 10 800 200 4 lots Fin 10", 1},
      {"PL 1 2 3 PS 10 nan 200 4 Fin 10", 1},
      {"PL 1 2 3 PL 10 0x20 200 Fin 10", 1},
      {"PL 1 2 3 Weapon 2 99999999999 Fin 10", 1},
      {"PL 1 2 3 Fin 1e3", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    LogCapture log;
    const LevelScript script = Parse(c.text);
    EXPECT_EQ(script.Events.size(), c.events);
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
  EXPECT_EQ(script.Grants[0].WeaponId, 11);
  EXPECT_EQ(script.Grants[0].Amount, 7);
  EXPECT_EQ(script.Grants[1].WeaponId, 0);
  EXPECT_EQ(script.Grants[1].Amount, -3);
  ASSERT_EQ(script.Events.size(), 2u);
  EXPECT_EQ(script.Events[0].WeaponId, 12);
  EXPECT_EQ(script.Events[1].WeaponId, -1);
}

TEST(LevelScript, AFinalLineBreakDoesNotRepeatTheLastEntry) {
  const LevelScript script = Parse("E 1 800 200 data/a.txt 1 0\nE 1 800 300 data/b.txt 0 1\n\n");
  ASSERT_EQ(script.Events.size(), 2u);
  EXPECT_EQ(script.Events[0].ShipFile, "data/a.txt");
  EXPECT_EQ(script.Events[1].ShipFile, "data/b.txt");
}

}  // namespace
