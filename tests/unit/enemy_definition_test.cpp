// Enemy definition files: the keys, their operands and every way a file can
// be unusable.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "ships/enemy.h"

namespace {

const char* const Example =
    "Data 1 7\nAcc 0.1\nMaxSpeed 3\nHostile 1\nWeapon 0 100\nShields 10\nShadow 1\nGround 0\nValue 50\n";

// A definition file on disk for the constructor; removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& text) {
    char name[] = "/tmp/varnok_ship_XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_NE(fd, -1);
    close(fd);
    Path = name;
    std::ofstream(Path) << text;
  }
  ~TempFile() { std::remove(Path.c_str()); }
  std::string Path;
};

class ShipFile : public testing::Test {
 protected:
  ShipFile() : File(Example), Ship(100, 200, File.Path, &Explosions, &Bullets, true, 1) {}

  std::string Read(const std::string& text) {
    std::istringstream in(text);
    return Ship.ReadInfo(in, "data/ships/x.txt");
  }

  TempFile File;
  std::vector<CExplosion*> Explosions;
  std::vector<TBullet*> Bullets;
  CShipNPC Ship;
};

// The example file with one line replaced or dropped.
std::string ExampleWith(const std::string& key, const std::string& line) {
  std::istringstream in(Example);
  std::string out, current;
  while (std::getline(in, current)) {
    if (current.compare(0, key.size() + 1, key + " ") == 0) {
      if (!line.empty()) out += line + "\n";
    } else {
      out += current + "\n";
    }
  }
  return out;
}

TEST_F(ShipFile, ConstructorTakesTheFileAndTheLevelEntry) {
  EXPECT_EQ(Ship.Sprites, CShipNPC::Data1);
  EXPECT_EQ(Ship.FrameCount, 7);
  EXPECT_FLOAT_EQ(Ship.Acc, 0.1f);
  EXPECT_FLOAT_EQ(Ship.MaxSpeed, 3.0f);
  EXPECT_EQ(Ship.Ammo[0], 100);
  EXPECT_EQ(Ship.MaxShields, 10);
  EXPECT_TRUE(Ship.Shadow);
  EXPECT_EQ(Ship.Value, 50);
  EXPECT_EQ(Ship.Frame, 3);
  EXPECT_FLOAT_EQ(Ship.DestY, 200.0f);
}

TEST_F(ShipFile, LastWeaponIsSelectedAndEachKeepsItsRounds) {
  ASSERT_EQ(Read(ExampleWith("Weapon", "Weapon 0 100\nWeapon 9 4")), "");
  EXPECT_EQ(Ship.Weapon, 9);
  EXPECT_EQ(Ship.Ammo[9], 4);
  EXPECT_EQ(Ship.Ammo[0], 100);
  // Rounds are set, not added, and an unnamed weapon is unarmed.
  ASSERT_EQ(Read(ExampleWith("Weapon", "Weapon 1 5\nWeapon 1 7")), "");
  EXPECT_EQ(Ship.Ammo[1], 7);
  EXPECT_EQ(Ship.Ammo[0], 0);
  ASSERT_EQ(Read(ExampleWith("Weapon", "")), "");
  EXPECT_EQ(Ship.Weapon, 0);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(Ship.Ammo[i], 0);
}

TEST_F(ShipFile, ValuesAndDefaults) {
  ASSERT_EQ(Read(ExampleWith("Shields", "Shields 25")), "");
  EXPECT_EQ(Ship.Shields, 25);
  EXPECT_EQ(Ship.MaxShields, 25);
  ASSERT_EQ(Read(ExampleWith("Value", "")), "");
  EXPECT_EQ(Ship.Value, 0);
  // A key given twice keeps the later value, the set included.
  ASSERT_EQ(Read(std::string(Example) + "Shields 30\nData 3 5\n"), "");
  EXPECT_EQ(Ship.Shields, 30);
  EXPECT_EQ(Ship.Sprites, CShipNPC::Data3);
  EXPECT_EQ(Ship.FrameCount, 5);
}

TEST_F(ShipFile, TokensAndLines) {
  // Operands may follow on later lines; no line end after the last entry is
  // as good as one.
  ASSERT_EQ(Read("Data\n2\n1 Acc 0.5 MaxSpeed\t4 Hostile 0 Shields 3 Shadow 0 Ground 0 Value 7"), "");
  EXPECT_EQ(Ship.Sprites, CShipNPC::Data2);
  EXPECT_FALSE(Ship.Hostile);
  EXPECT_EQ(Ship.Value, 7);
  // The last line with its line end is read once, and the end of the file
  // does not count as a key without its operand.
  ASSERT_EQ(Read(ExampleWith("Value", "") + "Value 90\n\n  \n"), "");
  EXPECT_EQ(Ship.Value, 90);
  // Keys are case-sensitive: a lower-case key and its operand are two tokens
  // that are skipped.
  ASSERT_EQ(Read(std::string(Example) + "value 1\nshields 2\nDATA 3 1 Junk\n"), "");
  EXPECT_EQ(Ship.Value, 50);
  EXPECT_EQ(Ship.Shields, 10);
  EXPECT_EQ(Ship.Sprites, CShipNPC::Data1);
  // A set that holds just the flight frames serves a ship without shadow.
  EXPECT_EQ(Read("Data 7 7 Acc 0.1 MaxSpeed 3 Hostile 1 Shields 10 Shadow 0 Ground 0"), "");
}

TEST_F(ShipFile, UnusableFilesAreRejectedAndChangeNothing) {
  const char* const required[] = {"Data", "Acc", "MaxSpeed", "Hostile", "Shields", "Shadow", "Ground"};
  for (const char* key : required) {
    EXPECT_EQ(Read(ExampleWith(key, "")),
              std::string("Error in ship file data/ships/x.txt: \"") + key + "\" is missing");
  }
  const std::pair<const char*, const char*> bad[] = {
      {"Data", "Data 0 1"},     {"Data", "Data 13 1"},    {"Data", "Data 1 0"},         {"Data", "Data 1 -3"},
      {"Data", "Data 1 8"},  // 8 frames and the shadow: 9 sprites in a set of 8
      {"Data", "Data 2 1"},  // one sprite and a shadow
      {"Data", "Data 7 7"},     {"Data", "Data one 7"},   {"Data", "Data 1.5 7"},       {"Weapon", "Weapon 12 5"},
      {"Weapon", "Weapon -1 5"}, {"Weapon", "Weapon 0 lots"}, {"Acc", "Acc fast"},     {"Acc", "Acc nan"},
      {"MaxSpeed", "MaxSpeed 1e99"}, {"Hostile", "Hostile 2"}, {"Hostile", "Hostile yes"}, {"Shadow", "Shadow -1"},
      {"Ground", "Ground 10"},  {"Shields", "Shields 99999999999"}, {"Value", "Value ten"},
  };
  for (const auto& entry : bad) {
    const std::string problem = Read(ExampleWith(entry.first, entry.second));
    EXPECT_EQ(problem.rfind("Error in ship file data/ships/x.txt: ", 0), 0u) << entry.second << ": " << problem;
  }
  // A key without its operand at the end of the file.
  EXPECT_NE(Read(std::string(Example) + "Value"), "");
  EXPECT_NE(Read(std::string(Example) + "Data 3\n"), "");

  EXPECT_EQ(Read(ExampleWith("Data", "Data 13 1")), "Error in ship file data/ships/x.txt: set 13 does not exist (sets are 1 to 12)");
  EXPECT_EQ(Read(ExampleWith("Weapon", "Weapon 12 5")),
            "Error in ship file data/ships/x.txt: weapon 12 does not exist (weapons are 0 to 11)");
  EXPECT_EQ(Read(ExampleWith("Data", "Data 2 1")),
            "Error in ship file data/ships/x.txt: set 2 holds 1 sprites, but 1 frames and a shadow need 2");
  // What the ship had stays.
  EXPECT_EQ(Ship.Sprites, CShipNPC::Data1);
  EXPECT_EQ(Ship.FrameCount, 7);
  EXPECT_EQ(Ship.Ammo[0], 100);
}

TEST_F(ShipFile, GroundUnitsNeedFrameThreeUnlessTheySweep) {
  ASSERT_EQ(Read("Data 2 1 Acc 0 MaxSpeed 0 Hostile 1 Shields 5 Shadow 0 Ground 1"), "");
  EXPECT_NE(Ship.CheckBehaviour(1), "");
  EXPECT_EQ(Ship.CheckBehaviour(7), "");
  ASSERT_EQ(Read("Data 4 2 Acc 0 MaxSpeed 0 Hostile 1 Shields 5 Shadow 0 Ground 1"), "");
  EXPECT_EQ(Ship.CheckBehaviour(1), "");
}

TEST(ShipFileLoad, FlyingShipOfAOneSpriteSetStartsOnItsOnlyFrame) {
  TempFile file("Data 11 1 Acc 0.1 MaxSpeed 2 Hostile 1 Shields 1 Shadow 0 Ground 0");
  std::vector<CExplosion*> explosions;
  std::vector<TBullet*> bullets;
  CShipNPC ship(0, 0, file.Path, &explosions, &bullets, false, 4);
  EXPECT_EQ(ship.Frame, 0);
  EXPECT_EQ(ship.Behaviour, 4);
  EXPECT_FALSE(ship.CountsAsKill);
}

// Builds a ship the way the level events do, with Allegro's system-less
// driver so that ErrorExit can show its message (on stdout, sent to stderr
// here for the death test to read).
void BuildShip(const std::string& path, int behaviour) {
  install_allegro(SYSTEM_NONE, &errno, atexit);
  dup2(2, 1);
  std::vector<CExplosion*> explosions;
  std::vector<TBullet*> bullets;
  CShipNPC ship(0, 0, path, &explosions, &bullets, true, behaviour);
}

TEST(ShipFileLoadDeathTest, MissingOrUnusableFilesEndTheGameNamingTheFile) {
  const std::string longPath = "/nonexistent/" + std::string(300, 'd') + "/ghost.txt";
  EXPECT_EXIT(BuildShip(longPath, 1), testing::ExitedWithCode(1), "Error loading file: " + longPath);
  TempFile bad("Acc 1");
  EXPECT_EXIT(BuildShip(bad.Path, 1), testing::ExitedWithCode(1),
              "Error in ship file " + bad.Path + ": \"Data\" is missing");
  TempFile ground("Data 9 1 Acc 0 MaxSpeed 0 Hostile 1 Shields 5 Shadow 0 Ground 1");
  EXPECT_EXIT(BuildShip(ground.Path, 2), testing::ExitedWithCode(1),
              "Error in ship file " + ground.Path + ": a ground unit shows frame 3, but its set holds 1 sprites");
}

}  // namespace
