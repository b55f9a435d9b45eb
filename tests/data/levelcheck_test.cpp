#include <gtest/gtest.h>
#include <sys/wait.h>

#include <set>

#include "checker.h"
#include "data_support.h"

namespace {

using namespace data_test;

const std::string kRoot = kBinary + "/levelcheck_test";
const std::string B = "[Briefing]\nA short line.\n[End]\n", H = "Req 0\nFin 100\n";

void Write(const std::string& path, const std::string& text) { std::ofstream(kRoot + "/data/" + path) << text; }

std::string Enemy(const std::string& where, const std::string& ship, const std::string& behaviour) {
  return "E 10 " + where + " data/ships/" + ship + ".txt 0 " + behaviour + "\n";
}

TEST(LevelCheck, ReportsEachMistakeAtItsFileAndLine) {
  ASSERT_TRUE(StartAllegro());
  DATAFILE* fonts = load_datafile((kData + "/font.dat").c_str());
  ASSERT_NE(fonts, nullptr);
  FONT* small = static_cast<FONT*>(fonts[1].dat);
  Shell("mkdir -p " + kRoot + "/data/ships && cd " + kData + "/ships && cp fighter.txt turret.txt escort.txt " +
        kRoot + "/data/ships");
  Write("ships/big.txt", "Acc 0.1 MaxSpeed 3\nData 2 3\nHostile 1 Shields 5 Shadow 0 Ground 0\n");
  Write("ships/bomber.txt", "Data 4 7 Acc 0.1 MaxSpeed 2 Hostile 1\nWeapon 5 4\nShields 20 Shadow 1 Ground 0\n");
  // A line of wide letters that just fits the text screens, and one letter more.
  std::string wide;
  while (text_length(small, (wide + "W").c_str()) <= levelcheck::Checker::MaxTextWidth) wide += "W";
  const struct {
    std::string script;
    std::set<std::string> problems;  // "line: words" in data/level_a.txt or "file:line: words"
  } rows[] = {
      // A ship that stays until shot down keeps the mission open past the finish.
      {"Req 2\nFin 300\nWeapon 3 10\nE 10 840 200 data/ships/fighter.txt 1 1\nE 20 840 536 data/ships/turret.txt 1 7\n"
       "E 20 -40 300 data/ships/escort.txt 0 5\nPW 30 820 300 4 10\nPS 40 820 300 5\nPL 50 820 300\n" +
       Enemy("840 200", "fighter", "9") + "PS 350 820 300 5\n" + Enemy("840 -90", "fighter", "3") +
       Enemy("840 -90", "fighter", "8") + Enemy("840 300", "escort", "1") + Enemy("840 536", "turret", "1") + B, {}},
      {H + "Enemy 10 840 200 data/ships/fighter.txt 1 1\n" + B, {"3: unknown keyword \"Enemy\""}},
      {H + B + "E 10 840 high data/ships/fighter.txt 1 1\n", {"6: needs a number as its y, not \"high\""}},
      {H + B + "E 10 840 200 data/ships/fighter.txt 2 1\n", {"6: 0 or 1"}},
      {H + B + "PW 10 820 300 4\n", {"6: cut short by the end of the file"}},
      {"Req 3\nFin 100\nE 10 840 200 data/ships/fighter.txt 1 1\nE 10 840 300 data/ships/fighter.txt 1 1\n" +
       Enemy("840 400", "fighter", "1") + "PS 150 820 300 5\n" + B,
       {"1: \"Req\" 3 asks for more kills than the 2 counted enemies", "6: comes after \"Fin\" 100"}},
      {"Req 1\nFin 100\nReq 0\nFin 50\nWeapon 2 -10\nWeapon 12 50\nPW 10 820 300 12 5\nPS 10 -20 300 5\n"
       "PS 10 820 300 0\nPL 10 820 530\n" + Enemy("-60 200", "fighter", "1") + Enemy("840 580", "fighter", "4") +
       Enemy("840 -90", "fighter", "1") + Enemy("900 300", "fighter", "10") + Enemy("2000 300", "fighter", "1") +
       Enemy("840 300", "fighter", "11") + Enemy("840 300", "fighter", "7") + Enemy("840 200", "turret", "7") +
       Enemy("840 560", "turret", "7") + Enemy("840 536", "turret", "3") + Enemy("-40 300", "escort", "10") +
       "E 10 840 300 data/ships/escort.txt 1 1\n" + Enemy("840 200", "nothing", "1") + Enemy("840 200", "big", "1") +
       Enemy("840 200", "bomber", "1") + B,
       {"3: \"Req\" given again", "4: \"Fin\" given again", "5: takes ammunition away", "6: weapon 12 does not",
        "7: weapon 12 does not", "8: left of the screen", "9: restores nothing", "10: out of the player's reach",
        "11: left of the screen", "12: below the ground line", "13: above the screen", "14: never comes in",
        "15: far right", "16: behaviour 11 does not exist", "17: hangs in the air", "18: stands in the air",
        "19: buried", "20: a ground unit with behaviour 3 flies", "21: never leaves", "22: friendly ship counts",
        "23: data/ships/nothing.txt does not exist", "data/ships/big.txt:2: set 2 holds 1 sprites",
        "data/ships/bomber.txt:2: weapon 5 (Heavy Bomb) has no enemy"}},
      {H + "[Briefing]\nOne\n[End]\n[Briefing]\nCaf\xc3\xa9\n" + wide + "\n" + wide + "W\n [End]\n[End]\n",
       {"6: second briefing replaces", "7: character the fonts do not have", "9: pixels wide in the small font",
        "10: must stand alone"}},
      {H + "[Briefing]\nText\nFin 20\n", {"3: no \"[End]\""}},
      {H, {"0: no briefing"}},
  };
  for (const auto& row : rows) {
    Write("level_a.txt", row.script);
    levelcheck::Checker checker(kRoot, small);
    checker.CheckLevel("data/level_a.txt");
    std::set<std::string> found;
    for (const auto& p : checker.Problems())
      found.insert((p.File == "data/level_a.txt" ? "" : p.File + ":") + std::to_string(p.Line) + ": " + p.Message);
    ASSERT_EQ(found.size(), row.problems.size()) << row.script << testing::PrintToString(found);
    auto want = row.problems.begin();
    for (const std::string& problem : found) {
      const size_t words = want->find(": ") + 2;
      EXPECT_EQ(problem.substr(0, words), want->substr(0, words)) << problem;
      EXPECT_NE(problem.find(want->substr(words)), std::string::npos) << problem;
      ++want;
    }
  }
  unload_datafile(fonts);
}

// The campaign runs to the first missing letter and needs an epilogue; problems are printed file by file. Without
// the fonts, briefing lines are counted in characters.
TEST(LevelCheck, CommandLineChecksTheCampaignPrintsItsProblemsAndFails) {
  Shell("rm -rf " + kRoot + " && mkdir -p " + kRoot + "/data");
  Write("level_a.txt", "Req 5\nFin 10\n[Briefing]\n" + std::string(70, 'x') + "\n[End]\n");
  Write("level_c.txt", "Req 0\nFin 10\n" + B);
  const int status = Shell(std::string(VARNOK_LEVELCHECK) + " --root " + kRoot + " > " + kRoot + "/out.txt 2>&1");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  const std::string out = ReadFile(kRoot + "/out.txt");
  for (const char* line : {"data/epilogue.txt: ", "data/level_a.txt:1: \"Req\" 5",
                           "data/level_a.txt:4: line has 70 characters", "data/level_c.txt: ", "1 level scripts, "})
    EXPECT_NE(out.find("\n" + std::string(line)), std::string::npos) << line << " not in:\n" << out;
}

}  // namespace
