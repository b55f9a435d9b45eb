// The level checker against small broken campaigns: each kind of mistake is
// reported with its file and line, and a sound script passes untouched.
#include <allegro.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "checker.h"

namespace {

namespace fs = std::filesystem;

const char* const Fighter = "Data 1 7 Acc 0.1 MaxSpeed 3 Hostile 1 Weapon 0 40 Shields 6 Shadow 1 Ground 0 Value 50\n";
const char* const Turret = "Data 7 6 Acc 0 MaxSpeed 0 Hostile 1 Weapon 0 30 Shields 10 Shadow 1 Ground 1 Value 100\n";
const char* const Friend = "Data 8 7 Acc 0.1 MaxSpeed 2 Hostile 0 Weapon 10 5 Shields 40 Shadow 1 Ground 0\n";
const char* const Briefing = "[Briefing]\nA short line.\n[End]\n";

class LevelCheck : public testing::Test {
 protected:
  LevelCheck() {
    char name[] = "/tmp/levelcheck_test_XXXXXX";
    Root = mkdtemp(name);
    fs::create_directories(Root + "/data/ships");
    Write("data/ships/fighter.txt", Fighter);
    Write("data/ships/turret.txt", Turret);
    Write("data/ships/friend.txt", Friend);
  }
  ~LevelCheck() override { fs::remove_all(Root); }

  void Write(const std::string& path, const std::string& text) { std::ofstream(Root + "/" + path) << text; }

  // Checks one level script and returns its problems as "file:line: message".
  std::vector<std::string> Check(const std::string& level) {
    Write("data/level_a.txt", level);
    levelcheck::Checker checker(Root, nullptr);
    checker.CheckLevel("data/level_a.txt");
    std::vector<std::string> found;
    for (const auto& p : checker.Problems()) {
      found.push_back(p.File + ":" + std::to_string(p.Line) + ": " + p.Message);
    }
    return found;
  }

  // Exactly one problem, at this file and line, saying this.
  void ExpectOnly(const std::vector<std::string>& found, const std::string& where, const std::string& words) {
    ASSERT_EQ(found.size(), 1u) << testing::PrintToString(found);
    EXPECT_EQ(found[0].compare(0, where.size() + 1, where + ":"), 0) << found[0];
    EXPECT_NE(found[0].find(words), std::string::npos) << found[0];
  }

  std::string Root;
};

TEST_F(LevelCheck, SoundScriptHasNoProblems) {
  const auto found = Check(
      "Req 2\nFin 300\nWeapon 3 10\n"
      "E 10 840 200 data/ships/fighter.txt 1 1\n"
      "E 20 840 536 data/ships/turret.txt 1 7\n"
      "E 20 -40 300 data/ships/friend.txt 0 5\n"
      "PW 30 820 300 4 10\nPS 40 820 300 5\nPL 50 820 300\n" +
      std::string(Briefing));
  EXPECT_TRUE(found.empty()) << testing::PrintToString(found);
}

TEST_F(LevelCheck, UnknownKeywordIsReportedOnceForItsWholeRun) {
  ExpectOnly(Check("Req 0\nFin 10\nEnemy 10 840 200 data/ships/fighter.txt 1 1\n" + std::string(Briefing)),
             "data/level_a.txt:3", "unknown keyword \"Enemy\"");
}

TEST_F(LevelCheck, MalformedOperandsStopTheScriptWhereTheGameStops) {
  ExpectOnly(Check("Req 0\nFin 10\n" + std::string(Briefing) + "E 10 840 high data/ships/fighter.txt 1 1\n"),
             "data/level_a.txt:6", "needs a number as its y, not \"high\"");
  ExpectOnly(Check("Req 0\nFin 10\n" + std::string(Briefing) + "E 10 840 200 data/ships/fighter.txt 2 1\n"),
             "data/level_a.txt:6", "0 or 1");
  ExpectOnly(Check("Req 0\nFin 10\n" + std::string(Briefing) + "PW 10 820 300 4\n"), "data/level_a.txt:6",
             "cut short by the end of the file");
}

TEST_F(LevelCheck, MissingDefinitionFileNamesTheEvent) {
  ExpectOnly(Check("Req 0\nFin 100\nE 10 840 200 data/ships/nothing.txt 0 1\n" + std::string(Briefing)),
             "data/level_a.txt:3", "data/ships/nothing.txt does not exist");
}

TEST_F(LevelCheck, FrameCountBeyondTheSpriteSetPointsAtTheDataLine) {
  Write("data/ships/big.txt", "Acc 0.1 MaxSpeed 3\nData 2 3\nHostile 1 Shields 5 Shadow 0 Ground 0\n");
  ExpectOnly(Check("Req 0\nFin 100\nE 10 840 200 data/ships/big.txt 0 1\n" + std::string(Briefing)),
             "data/ships/big.txt:2", "set 2 holds 1 sprites");
}

TEST_F(LevelCheck, WeaponsWithoutEnemyFormPointAtTheirLine) {
  Write("data/ships/bomber.txt",
        "Data 4 7 Acc 0.1 MaxSpeed 2 Hostile 1\nWeapon 0 20\nWeapon 5 4\nShields 20 Shadow 1 Ground 0\n");
  ExpectOnly(Check("Req 0\nFin 100\nE 10 840 200 data/ships/bomber.txt 0 1\n" + std::string(Briefing)),
             "data/ships/bomber.txt:3", "weapon 5 (Heavy Bomb) has no enemy form");
}

TEST_F(LevelCheck, RequirementBeyondTheCountedEnemies) {
  ExpectOnly(Check("Req 3\nFin 100\nE 10 840 200 data/ships/fighter.txt 1 1\n"
                   "E 10 840 300 data/ships/fighter.txt 1 1\nE 10 840 400 data/ships/fighter.txt 0 1\n" +
                   std::string(Briefing)),
             "data/level_a.txt:1", "\"Req\" 3 asks for more kills than the 2 counted enemies");
}

TEST_F(LevelCheck, EventsAfterFinishThatCanNeverFire) {
  const auto late = Check("Req 0\nFin 100\nE 10 840 200 data/ships/fighter.txt 0 1\nPS 150 820 300 5\n" +
                          std::string(Briefing));
  ExpectOnly(late, "data/level_a.txt:4", "comes after \"Fin\" 100");
  // A ship that stays until shot down keeps the mission open past the finish.
  const auto kept = Check("Req 0\nFin 100\nE 10 840 200 data/ships/fighter.txt 0 9\nPS 150 820 300 5\n" +
                          std::string(Briefing));
  EXPECT_TRUE(kept.empty()) << testing::PrintToString(kept);
}

TEST_F(LevelCheck, PositionsNoBehaviourBringsIntoView) {
  const std::string head = "Req 0\nFin 100\n";
  ExpectOnly(Check(head + "E 10 -60 200 data/ships/fighter.txt 0 1\n" + Briefing), "data/level_a.txt:3",
             "left of the screen");
  ExpectOnly(Check(head + "E 10 840 580 data/ships/fighter.txt 0 4\n" + Briefing), "data/level_a.txt:3",
             "below the ground line");
  ExpectOnly(Check(head + "E 10 840 -90 data/ships/fighter.txt 0 1\n" + Briefing), "data/level_a.txt:3",
             "above the screen");
  ExpectOnly(Check(head + "E 10 900 300 data/ships/fighter.txt 0 10\n" + Briefing), "data/level_a.txt:3",
             "never comes in");
  ExpectOnly(Check(head + "E 10 840 200 data/ships/turret.txt 0 7\n" + Briefing), "data/level_a.txt:3",
             "stands in the air");
  ExpectOnly(Check(head + "PL 10 820 530\n" + Briefing), "data/level_a.txt:3", "out of the player's reach");
  // Diving from above, gliding and hunting all come in.
  EXPECT_TRUE(Check(head + "E 10 840 -90 data/ships/fighter.txt 0 3\nE 10 840 -90 data/ships/fighter.txt 0 8\n" +
                    Briefing)
                  .empty());
}

TEST_F(LevelCheck, FriendsThatNeverLeaveKeepTheMissionOpen) {
  ExpectOnly(Check("Req 0\nFin 100\nE 10 -40 300 data/ships/friend.txt 0 10\n" + std::string(Briefing)),
             "data/level_a.txt:3", "never leaves");
}

TEST_F(LevelCheck, FriendsMayCarryEveryEnemyWeapon) {
  // Their own shots pass through them.
  Write("data/ships/gunfriend.txt",
        "Data 8 7 Acc 0.1 MaxSpeed 2 Hostile 0\nWeapon 0 50\nWeapon 1 9\nWeapon 2 9\nWeapon 8 9\nWeapon 9 9\n"
        "Weapon 10 9\nShields 40 Shadow 1 Ground 0\n");
  const auto found = Check("Req 0\nFin 100\nE 10 840 300 data/ships/gunfriend.txt 0 1\n" + std::string(Briefing));
  EXPECT_TRUE(found.empty()) << testing::PrintToString(found);
}

TEST_F(LevelCheck, UnknownBehavioursAndWeapons) {
  ExpectOnly(Check("Req 0\nFin 100\nE 10 840 300 data/ships/fighter.txt 0 11\n" + std::string(Briefing)),
             "data/level_a.txt:3", "behaviour 11 does not exist");
  ExpectOnly(Check("Req 0\nFin 100\nWeapon 12 50\n" + std::string(Briefing)), "data/level_a.txt:3",
             "weapon 12 does not exist");
}

TEST_F(LevelCheck, BriefingMistakes) {
  ExpectOnly(Check("Req 0\nFin 100\n[Briefing]\n" + std::string(70, 'x') + "\n[End]\n"), "data/level_a.txt:4",
             "70 characters");
  ExpectOnly(Check("Req 0\nFin 100\n[Briefing]\nText\nFin 20\n"), "data/level_a.txt:3", "no \"[End]\"");
  ExpectOnly(Check("Req 0\nFin 100\n"), "data/level_a.txt:0", "no briefing");
}

TEST_F(LevelCheck, RepeatedGoalsAndTakenAmmunition) {
  const auto found = Check("Req 1\nFin 100\nReq 0\nFin 50\nWeapon 2 -10\n" + std::string(Briefing));
  ASSERT_EQ(found.size(), 3u) << testing::PrintToString(found);
  EXPECT_NE(found[0].find("data/level_a.txt:3: \"Req\" given again"), std::string::npos) << found[0];
  EXPECT_NE(found[1].find("data/level_a.txt:4: \"Fin\" given again"), std::string::npos) << found[1];
  EXPECT_NE(found[2].find("data/level_a.txt:5: takes ammunition away"), std::string::npos) << found[2];
}

TEST_F(LevelCheck, GroundUnitsStayOnTheGroundAndFlyersInTheAir) {
  const std::string head = "Req 0\nFin 100\n";
  ExpectOnly(Check(head + "E 10 840 536 data/ships/turret.txt 0 3\n" + Briefing), "data/level_a.txt:3",
             "a ground unit with behaviour 3 flies");
  ExpectOnly(Check(head + "E 10 840 560 data/ships/turret.txt 0 7\n" + Briefing), "data/level_a.txt:3", "buried");
  ExpectOnly(Check(head + "E 10 840 300 data/ships/fighter.txt 0 7\n" + Briefing), "data/level_a.txt:3",
             "hangs in the air");
  // A ground unit that rolls along is fine.
  EXPECT_TRUE(Check(head + "E 10 840 536 data/ships/turret.txt 0 1\n" + Briefing).empty());
}

TEST_F(LevelCheck, PowerupMistakes) {
  const std::string head = "Req 0\nFin 100\n";
  ExpectOnly(Check(head + "PS 10 -20 300 5\n" + Briefing), "data/level_a.txt:3", "left of the screen");
  ExpectOnly(Check(head + "PS 10 820 300 0\n" + Briefing), "data/level_a.txt:3", "restores nothing");
  ExpectOnly(Check(head + "PW 10 820 300 12 5\n" + Briefing), "data/level_a.txt:3", "weapon 12 does not exist");
  ExpectOnly(Check(head + "E 10 2000 300 data/ships/fighter.txt 0 1\n" + Briefing), "data/level_a.txt:3",
             "far right");
}

TEST_F(LevelCheck, BriefingBlocksAndCharacters) {
  ExpectOnly(Check("Req 0\nFin 100\n[Briefing]\nOne\n [End]\n[End]\n"), "data/level_a.txt:5",
             "must stand alone");
  ExpectOnly(Check("Req 0\nFin 100\n" + std::string(Briefing) + Briefing), "data/level_a.txt:6",
             "second briefing replaces the first");
  ExpectOnly(Check("Req 0\nFin 100\n[Briefing]\nCaf\xc3\xa9\n[End]\n"), "data/level_a.txt:4",
             "character the fonts do not have");
}

TEST_F(LevelCheck, BriefingLinesAreMeasuredWithTheSmallFont) {
  ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
  set_color_depth(32);
  DATAFILE* fonts = load_datafile(VARNOK_DATA_DIR "/font.dat");
  ASSERT_NE(fonts, nullptr);
  FONT* small = static_cast<FONT*>(fonts[1].dat);
  // A line of wide letters that just fits, and one letter more.
  std::string line;
  while (text_length(small, (line + "W").c_str()) <= levelcheck::Checker::MaxTextWidth) line += "W";
  Write("data/level_a.txt", "Req 0\nFin 10\n[Briefing]\n" + line + "\n" + line + "W\n[End]\n");
  levelcheck::Checker checker(Root, small);
  checker.CheckLevel("data/level_a.txt");
  ASSERT_EQ(checker.Problems().size(), 1u);
  EXPECT_EQ(checker.Problems()[0].Line, 5);
  unload_datafile(fonts);
  allegro_exit();
}

TEST_F(LevelCheck, CampaignGapsAndTheEpilogue) {
  Write("data/level_a.txt", "Req 0\nFin 10\n" + std::string(Briefing));
  Write("data/level_c.txt", "Req 0\nFin 10\n" + std::string(Briefing));
  levelcheck::Checker checker(Root, nullptr);
  checker.CheckCampaign();
  ASSERT_EQ(checker.Problems().size(), 2u);
  EXPECT_EQ(checker.Problems()[0].File, "data/level_c.txt");
  EXPECT_EQ(checker.Problems()[1].File, "data/epilogue.txt");
  EXPECT_EQ(checker.LevelsChecked(), 1);
}

TEST_F(LevelCheck, CommandLineExitsWithFailureOnAProblem) {
  Write("data/level_a.txt", "Req 5\nFin 10\n" + std::string(Briefing));
  Write("data/epilogue.txt", "The end.\n");
  const std::string command = std::string(VARNOK_LEVELCHECK) + " --root " + Root + " > " + Root + "/out.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ifstream out(Root + "/out.txt");
  std::string first;
  std::getline(out, first);
  EXPECT_EQ(first.rfind("data/level_a.txt:1: \"Req\" 5", 0), 0u) << first;
}

}  // namespace
