#include <allegro.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "ships/enemy.h"
#include "weapons/bullet.h"

namespace {

const char* const Example =
    "Data 1 7\nAcc 0.1\nMaxSpeed 3\nHostile 1\nWeapon 0 100\nShields 10\nShadow 1\nGround 0\nValue 50\n";
const std::string Fault = "Error in ship file data/ships/x.txt: ";

struct TempFile {
  explicit TempFile(const std::string& text) {
    EXPECT_NE(close(mkstemp(Path.data())), -1);
    std::ofstream(Path) << text;
  }
  ~TempFile() { std::filesystem::remove_all(Path); }
  std::string Path = "/tmp/varnok_unit_XXXXXX";
};

// Set, frames, speeds, hostile, weapon, shields, shadow and ground, value, then each armed weapon's rounds.
std::string Fields(const CShipNPC& s) {
  std::ostringstream out;
  for (int set = 1; set <= 12; ++set) out << (CShipNPC::SpriteSet(set) == s.Sprites ? std::to_string(set) : "");
  out << ' ' << s.FrameCount << ' ' << s.Acc << ' ' << s.MaxSpeed << ' ' << s.Hostile << " w" << s.Weapon << ' '
      << s.Shields << '/' << s.MaxShields << ' ' << s.Shadow << s.Ground << " v" << s.Value;
  for (int w = 0; w < 12; ++w) out << (s.Ammo[w] != 0 ? " " + std::to_string(w) + ":" + std::to_string(s.Ammo[w]) : "");
  return out.str();
}

// The example ship at (300, 200). Shoot(1) always passes its random draw.
class ShipFile : public testing::Test {
 protected:
  ~ShipFile() override { Clear(); }
  std::string Read(const std::string& text) {
    std::istringstream in(text);
    return Ship.ReadInfo(in, "data/ships/x.txt");
  }
  void Clear() {
    for (TBullet* bullet : Bullets) delete bullet;
    Bullets.clear();
  }
  void Fire(int weapon, int rounds, int reload = 0) {
    Ship.Weapon = weapon;
    Ship.Ammo[weapon] = rounds;
    Ship.Reload[weapon] = reload;
    Ship.Shoot(1);
  }
  TempFile File{Example};
  std::vector<CExplosion*> Explosions;
  std::vector<TBullet*> Bullets;
  CShipNPC Ship{300, 200, File.Path, &Explosions, &Bullets, true, 1};
};

TEST_F(ShipFile, EveryKeyIsTakenAndAbsentOptionalKeysAreCleared) {
  EXPECT_EQ(Fields(Ship), "1 7 0.1 3 1 w0 10/10 10 v50 0:100");
  const std::pair<std::string, std::string> cases[] = {
      {std::string(Example) + "Weapon 9 4", "1 7 0.1 3 1 w9 10/10 10 v50 0:100 9:4"},  // the last is armed
      {std::string(Example) + "Shields 30\nData 12 5\n", "12 5 0.1 3 1 w0 30/30 10 v50 0:100"},  // the later wins
      {"Data 7 7 Acc 0.1 MaxSpeed 3 Hostile 1 Shields 10 Shadow 0 Ground 0", "7 7 0.1 3 1 w0 10/10 00 v0"},
  };
  for (const auto& [text, fields] : cases) {
    EXPECT_EQ(Read(text), "") << text;
    EXPECT_EQ(Fields(Ship), fields) << text;
  }
}

TEST_F(ShipFile, UnusableFilesAreRejectedNamingTheFault) {
  const std::string bad[] = {  // after "|": the exact message
      "Data 0 1", "Data 1 0", "Data 1 8", "Data 3", "Weapon -1 5", "Weapon 0 lots", "Acc fast", "MaxSpeed 1e99",
      "Hostile 2", "Shadow -1", "Ground 10", "Shields 99999999999", "Value ten",
      "Data 13 1|set 13 does not exist (sets are 1 to 12)",
      "Weapon 12 5|weapon 12 does not exist (weapons are 0 to 11)",
      "Data 2 1|set 2 holds 1 sprites, but 1 frames and a shadow need 2",
  };
  for (const std::string& row : bad) {
    const size_t bar = row.find('|');
    const std::string problem = Read(Example + row.substr(0, bar));
    const bool exact = bar == std::string::npos || problem == Fault + row.substr(bar + 1);
    EXPECT_TRUE(problem.rfind(Fault, 0) == 0 && exact) << problem;
  }
  for (const std::string key : {"Data", "Acc", "MaxSpeed", "Hostile", "Shields", "Shadow", "Ground"}) {
    std::string text = Example;
    text[text.find(key + " ")] = '_';
    EXPECT_EQ(Read(text), Fault + "\"" + key + "\" is missing");
  }
  // Ground units need frame 3 unless they sweep; a flying one-sprite ship starts on its only frame.
  ASSERT_EQ(Read("Data 2 1 Acc 0 MaxSpeed 0 Hostile 1 Shields 5 Shadow 0 Ground 1"), "");
  EXPECT_TRUE(Ship.CheckBehaviour(1) != "" && Ship.CheckBehaviour(7) == "");
  TempFile file("Data 11 1 Acc 0.1 MaxSpeed 2 Hostile 1 Shields 1 Shadow 0 Ground 0");
  CShipNPC flyer(0, 0, file.Path, &Explosions, &Bullets, false, 4);
  EXPECT_TRUE(Ship.Frame == 3 && flyer.Frame == 0 && flyer.Behaviour == 4 && !flyer.CountsAsKill);
}

// Rows: weapon, hostile, ground, the reload, each round's place and speed. Hostile ships fire left, friends right,
// ground guns up; a weapon with no enemy form spends its round without firing.
TEST_F(ShipFile, EachWeaponFiresItsRoundsWithItsReload) {
  const std::tuple<int, bool, bool, const char*> cases[] = {
      {0, true, false, "15 300,200 -8,0"}, {0, true, true, "15 300,200 -1,-3"}, {1, true, false, "25 300,200 -10,0"},
      {8, true, false, "30 300,200 0,0"}, {9, true, false, "100 300,200 -3,0"}, {10, false, false, "150 315,200 0,0"},
      {2, true, false, "15 265,190 -8,0 255,200 -8,0 265,210 -8,0"}, {3, true, false, "0"},
      {2, false, false, "15 335,190 8,0 345,200 8,0 335,210 8,0"},
  };
  for (const auto& [weapon, hostile, ground, fired] : cases) {
    Clear();
    Ship.Hostile = hostile;
    Ship.Ground = ground;
    Fire(weapon, 5);
    std::ostringstream shots;
    shots << Ship.Reload[weapon];
    for (const TBullet* b : Bullets) {
      shots << ' ' << b->Pos.x << ',' << b->Pos.y << ' ' << b->Vel.x << ',' << b->Vel.y;
      EXPECT_TRUE(b->Hostile == hostile && b->Firer == Ship.Serial && (weapon < 8 || b->Explosions == &Explosions));
    }
    EXPECT_TRUE(shots.str() == fired && Ship.Ammo[weapon] == 4) << shots.str();
  }
}

// Reloading and empty guns hold fire; the last round of the last armed weapon leaves the ship on it.
TEST_F(ShipFile, GunsHoldFireWhileReloadingOrEmpty) {
  Fire(0, 5, 1);
  Fire(0, 0);
  Fire(9, 1);
  EXPECT_TRUE(Bullets.size() == 1u && Ship.Weapon == 9 && Ship.Ammo[9] == 0);
  Ship.Ammo[9] = 1;
  Fire(3, 2);  // a round left keeps the ship on its weapon
  EXPECT_EQ(Ship.Weapon, 3);
}

// Builds a ship as the level events do (every file here ends the game), or loads the sets of the folder `path`;
// Allegro's system-less driver lets ErrorExit show its message, on stdout, sent to stderr for the death test.
void Load(const std::string& path, int behaviour = 1) {
  install_allegro(SYSTEM_NONE, &errno, atexit);
  dup2(2, 1);
  if (!std::filesystem::is_directory(path)) CShipNPC ship(0, 0, path, nullptr, nullptr, true, behaviour);
  std::filesystem::current_path(path);
  LoadShipData();
}

TEST(ShipFileDeathTest, MissingOrUnusableFilesAndSetsEndTheGameNamingTheFile) {
  EXPECT_EXIT(Load("/nonexistent/ghost.txt"), testing::ExitedWithCode(1), "Error loading file: /nonexistent/ghost.txt");
  TempFile bad("Acc 1"), ground("Data 9 1 Acc 0 MaxSpeed 0 Hostile 1 Shields 5 Shadow 0 Ground 1");
  EXPECT_EXIT(Load(bad.Path), testing::ExitedWithCode(1), "Error in ship file " + bad.Path + ": \"Data\" is missing");
  EXPECT_EXIT(Load(ground.Path, 2), testing::ExitedWithCode(1),
              "Error in ship file " + ground.Path + ": a ground unit shows frame 3, but its set holds 1 sprites");
  TempFile dir("");  // set 2's single picture where set 1 needs eight
  std::filesystem::remove(dir.Path);
  std::filesystem::create_directories(dir.Path + "/data");
  std::filesystem::copy_file(VARNOK_DATA_DIR "/enemy2.dat", dir.Path + "/data/enemy1.dat");
  EXPECT_EXIT(Load(dir.Path), testing::ExitedWithCode(1), "^Error loading file: enemy1.dat");
}

}  // namespace
