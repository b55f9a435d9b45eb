// Datafiles are checked whole before the library builds anything from them:
// a cut-off file, one with too few objects or objects of the wrong kind is
// refused; the enemy sprite sets then fail to load as a whole, naming the file.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/common.h"
#include "ships/enemy.h"

namespace {

// Loads the sets from `dir` with Allegro's system-less driver; ErrorExit's
// message goes to stdout, sent to stderr for the death test to read.
void LoadFrom(const std::string& dir) {
  install_allegro(SYSTEM_NONE, &errno, atexit);
  dup2(2, 1);
  if (chdir(dir.c_str()) != 0) return;
  LoadShipData();
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Datafile, OnlyACompleteFileWithTheObjectsAskedForHolds) {
  install_allegro(SYSTEM_NONE, &errno, atexit);
  const std::string data = VARNOK_DATA_DIR;
  struct Case {
    const char* file;
    int type;
    int count;
    bool holds;
  };
  const Case cases[] = {
      {"player.dat", DAT_BITMAP, 8, true},   {"font.dat", DAT_FONT, 3, true},
      {"sounds.dat", DAT_SAMPLE, 13, true},  {"explosion.dat", DAT_BITMAP, 15, true},
      {"enemy2.dat", DAT_BITMAP, 2, false},  {"sounds.dat", DAT_SAMPLE, 14, false},
      {"player.dat", DAT_SAMPLE, 1, false},  {"font.dat", DAT_BITMAP, 0, true},
      {"level_a.txt", DAT_BITMAP, 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DatafileHolds(data + "/" + c.file, c.type, c.count), c.holds) << c.file << " " << c.count;
  }

  // Cut off anywhere, a file no longer holds: lengths across a small plain
  // file and across the packed font file.
  const std::string cut = testing::TempDir() + "varnok_cut.dat";
  for (const auto& source : {std::make_pair("enemy2.dat", 13), std::make_pair("font.dat", 997)}) {
    const std::string whole = Bytes(data + "/" + source.first);
    for (size_t length = 0; length < whole.size(); length += static_cast<size_t>(source.second)) {
      std::ofstream(cut, std::ios::binary | std::ios::trunc) << whole.substr(0, length);
      ASSERT_FALSE(DatafileHolds(cut, source.first[0] == 'f' ? DAT_FONT : DAT_BITMAP, 1)) << source.first << " " << length;
    }
  }
  std::remove(cut.c_str());
}

class EnemyDataDeathTest : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/varnok_sets_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    Dir = name;
    std::filesystem::create_directory(Dir + "/data");
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::string Dir;
};

TEST_F(EnemyDataDeathTest, AMissingOrShortSetNamesTheFile) {
  EXPECT_EXIT(LoadFrom(Dir), testing::ExitedWithCode(1), "^Error loading file: enemy1.dat");
  // Two pictures where set 1 needs eight.
  install_allegro(SYSTEM_NONE, &errno, atexit);
  set_color_depth(32);
  BITMAP* bmp = create_bitmap(8, 8);
  clear_to_color(bmp, makecol(255, 0, 0));
  ASSERT_EQ(save_bitmap((Dir + "/a.bmp").c_str(), bmp, nullptr), 0);
  ASSERT_EQ(save_bitmap((Dir + "/b.bmp").c_str(), bmp, nullptr), 0);
  destroy_bitmap(bmp);
  const std::string command = "cd " + Dir + " && dat -a -t BMP -bpp 32 data/enemy1.dat a.bmp b.bmp > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EXIT(LoadFrom(Dir), testing::ExitedWithCode(1), "^Error loading file: enemy1.dat");
}

}  // namespace
