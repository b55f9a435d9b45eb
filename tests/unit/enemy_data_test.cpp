// The enemy sprite sets fail to load as a whole: a missing or short datafile
// ends the game naming the file.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

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
