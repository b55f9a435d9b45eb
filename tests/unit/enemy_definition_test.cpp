// Enemy definition files and sprite sets: the keys, their operands and every way a file can be unusable.
#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <tuple>
#include <vector>

#include "ships/enemy.h"
#include "unit/support.h"

namespace {

const char* const Example =
    "Data 1 7\nAcc 0.1\nMaxSpeed 3\nHostile 1\nWeapon 0 100\nShields 10\nShadow 1\nGround 0\nValue 50\n";
const std::string Fault = "Error in ship file data/ships/x.txt: ";

// The example without the lines of the first word of `line`, and `line` at the end.
std::string ExampleWith(const std::string& line) {
  const std::string key = line.substr(0, line.find(' ')) + " ";
  std::istringstream in(Example);
  std::string out, current;
  while (std::getline(in, current)) out += current.rfind(key, 0) == 0 ? "" : current + "\n";
  return out + (line.find(' ') == std::string::npos ? "" : line + "\n");
}

// Set, frames, speeds, hostile, weapon, shields, shadow and ground, value, then each armed weapon's rounds.
std::string Fields(const CShipNPC& s) {
  std::ostringstream out;
  for (int set = 1; set <= 12; ++set) out << (CShipNPC::SpriteSet(set) == s.Sprites ? std::to_string(set) : "");
  out << ' ' << s.FrameCount << ' ' << s.Acc << ' ' << s.MaxSpeed << ' ' << s.Hostile << " w" << s.Weapon << ' '
      << s.Shields << '/' << s.MaxShields << ' ' << s.Shadow << s.Ground << " v" << s.Value;
  for (int w = 0; w < 12; ++w) out << (s.Ammo[w] != 0 ? " " + std::to_string(w) + ":" + std::to_string(s.Ammo[w]) : "");
  return out.str();
}

class ShipFile : public testing::Test {
 protected:
  std::string Read(const std::string& text) {
    std::istringstream in(text);
    return Ship.ReadInfo(in, "data/ships/x.txt");
  }
  TempFile File{Example};
  std::vector<CExplosion*> Explosions;
  std::vector<TBullet*> Bullets;
  CShipNPC Ship{100, 200, File.Path, &Explosions, &Bullets, true, 1};
};

TEST_F(ShipFile, EveryKeyIsTakenAndAbsentOptionalKeysAreCleared) {
  EXPECT_TRUE(Ship.Frame == 3 && Ship.DestY == 200.0f);
  const std::string example = "1 7 0.1 3 1 w0 10/10 10 v50 0:100";
  EXPECT_EQ(Fields(Ship), example);
  const std::pair<std::string, std::string> cases[] = {
      {ExampleWith("Weapon 0 100\nWeapon 9 4"), "1 7 0.1 3 1 w9 10/10 10 v50 0:100 9:4"},  // the last is armed
      {ExampleWith("Weapon 1 5\nWeapon 1 7"), "1 7 0.1 3 1 w1 10/10 10 v50 1:7"},          // rounds are set
      {ExampleWith("Weapon"), "1 7 0.1 3 1 w0 10/10 10 v50"},
      {ExampleWith("Value"), "1 7 0.1 3 1 w0 10/10 10 v0 0:100"},
      {std::string(Example) + "Shields 30\nData 12 5\n", "12 5 0.1 3 1 w0 30/30 10 v50 0:100"},  // the later wins
      {"Data\n2\n1 Acc 0.5 MaxSpeed\t4 Hostile 0 Shields 3 Shadow 0 Ground 0 Value 7", "2 1 0.5 4 0 w0 3/3 00 v7"},
      {ExampleWith("Value 90\n\n "), "1 7 0.1 3 1 w0 10/10 10 v90 0:100"},     // trailing blanks are no key
      {std::string(Example) + "value 1\nshields 2\nDATA 3 1 Junk\n", example},  // other spellings are skipped
      {"Data 7 7 Acc 0.1 MaxSpeed 3 Hostile 1 Shields 10 Shadow 0 Ground 0", "7 7 0.1 3 1 w0 10/10 00 v0"},
  };
  for (const auto& [text, fields] : cases) {
    EXPECT_EQ(Read(text), "") << text;
    EXPECT_EQ(Fields(Ship), fields) << text;
  }
}

TEST_F(ShipFile, UnusableFilesAreRejectedAndChangeNothing) {
  const std::string before = Fields(Ship);
  const std::string bad[] = {  // after "|": the exact message
      "Data|\"Data\" is missing", "Acc|\"Acc\" is missing", "MaxSpeed|\"MaxSpeed\" is missing",
      "Hostile|\"Hostile\" is missing", "Shields|\"Shields\" is missing", "Shadow|\"Shadow\" is missing",
      "Ground|\"Ground\" is missing",
      "Data 0 1", "Data 1 0", "Data 1 8", "Data 7 7", "Data one 7", "Data 1.5 7", "Data 3", "Weapon -1 5",
      "Weapon 0 lots", "Acc fast", "Acc nan", "MaxSpeed 1e99", "Hostile 2", "Hostile yes", "Shadow -1", "Ground 10",
      "Shields 99999999999", "Value ten", "Data 13 1|set 13 does not exist (sets are 1 to 12)",
      "Weapon 12 5|weapon 12 does not exist (weapons are 0 to 11)",
      "Data 2 1|set 2 holds 1 sprites, but 1 frames and a shadow need 2",
  };
  for (const std::string& row : bad) {
    const size_t bar = std::min(row.find('|'), row.size());
    const std::string problem = Read(ExampleWith(row.substr(0, bar)));
    const bool exact = bar == row.size() || problem == Fault + row.substr(bar + 1);
    EXPECT_TRUE(problem.rfind(Fault, 0) == 0 && exact) << problem;
    EXPECT_EQ(Fields(Ship), before) << row;
  }
  // Ground units need frame 3 unless they sweep; a flying ship of a one-sprite set starts on its only frame.
  ASSERT_EQ(Read("Data 2 1 Acc 0 MaxSpeed 0 Hostile 1 Shields 5 Shadow 0 Ground 1"), "");
  EXPECT_TRUE(Ship.CheckBehaviour(1) != "" && Ship.CheckBehaviour(7) == "");
  ASSERT_EQ(Read("Data 4 2 Acc 0 MaxSpeed 0 Hostile 1 Shields 5 Shadow 0 Ground 1"), "");
  EXPECT_EQ(Ship.CheckBehaviour(1), "");
  TempFile file("Data 11 1 Acc 0.1 MaxSpeed 2 Hostile 1 Shields 1 Shadow 0 Ground 0");
  CShipNPC flyer(0, 0, file.Path, &Explosions, &Bullets, false, 4);
  EXPECT_TRUE(flyer.Frame == 0 && flyer.Behaviour == 4 && !flyer.CountsAsKill);
}

TEST(Datafile, OnlyACompleteFileWithTheObjectsAskedForHolds) {
  install_allegro(SYSTEM_NONE, &errno, atexit);
  const std::string data = VARNOK_DATA_DIR "/";
  const std::tuple<const char*, int, int, bool> cases[] = {{"player.dat", DAT_BITMAP, 8, true},
      {"font.dat", DAT_FONT, 3, true}, {"sounds.dat", DAT_SAMPLE, 13, true}, {"enemy2.dat", DAT_BITMAP, 2, false},
      {"sounds.dat", DAT_SAMPLE, 14, false}, {"player.dat", DAT_SAMPLE, 1, false}, {"font.dat", DAT_BITMAP, 0, true},
      {"level_a.txt", DAT_BITMAP, 0, false}};
  for (const auto& [file, type, n, holds] : cases) EXPECT_EQ(DatafileHolds(data + file, type, n), holds) << file;
  // Cut off anywhere, neither a small plain file nor the packed font file holds.
  for (const auto& [file, step] : {std::pair{"enemy2.dat", 13}, std::pair{"font.dat", 997}}) {
    const std::string whole = FileText(data + file);
    for (size_t length = 0; length < whole.size(); length += static_cast<size_t>(step)) {
      TempFile cut(whole.substr(0, length));
      ASSERT_FALSE(DatafileHolds(cut.Path, file[0] == 'f' ? DAT_FONT : DAT_BITMAP, 1)) << file << " " << length;
    }
  }
}

// Builds a ship as the level events do, or with `path` empty loads the sprite sets; Allegro's system-less
// driver lets ErrorExit show its message, on stdout, sent to stderr for the death test.
void Load(const std::string& path, int behaviour = 1) {
  install_allegro(SYSTEM_NONE, &errno, atexit);
  dup2(2, 1);
  std::vector<CExplosion*> explosions;
  std::vector<TBullet*> bullets;
  if (path.empty()) LoadShipData();
  else CShipNPC ship(0, 0, path, &explosions, &bullets, true, behaviour);
}

TEST(ShipFileDeathTest, MissingOrUnusableFilesAndSetsEndTheGameNamingTheFile) {
  const std::string longPath = "/nonexistent/" + std::string(300, 'd') + "/ghost.txt";
  EXPECT_EXIT(Load(longPath), testing::ExitedWithCode(1), "Error loading file: " + longPath);
  TempFile bad("Acc 1"), ground("Data 9 1 Acc 0 MaxSpeed 0 Hostile 1 Shields 5 Shadow 0 Ground 1");
  EXPECT_EXIT(Load(bad.Path), testing::ExitedWithCode(1), "Error in ship file " + bad.Path + ": \"Data\" is missing");
  EXPECT_EXIT(Load(ground.Path, 2), testing::ExitedWithCode(1),
              "Error in ship file " + ground.Path + ": a ground unit shows frame 3, but its set holds 1 sprites");
  // No set 1, then set 2's single picture where set 1 needs eight.
  namespace fs = std::filesystem;
  const fs::path previous = fs::current_path(), dir = testing::TempDir() + "varnok_sets";
  fs::create_directories(dir / "data");
  fs::current_path(dir);
  EXPECT_EXIT(Load(""), testing::ExitedWithCode(1), "^Error loading file: enemy1.dat");
  fs::copy_file(VARNOK_DATA_DIR "/enemy2.dat", "data/enemy1.dat", fs::copy_options::overwrite_existing);
  EXPECT_EXIT(Load(""), testing::ExitedWithCode(1), "^Error loading file: enemy1.dat");
  fs::current_path(previous);
  fs::remove_all(dir);
}

}  // namespace
