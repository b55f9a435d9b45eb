// The Hall of Fame: ordering, insertion, the complemented file and its
// partial reads, and a save that never loses the old table, not even when
// the process is killed in the middle of it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <random>
#include <thread>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "highscores/highscore.h"

namespace fs = std::filesystem;

namespace {

// A scratch working directory, removed afterwards.
class HighscoreFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char dirTemplate[] = "/tmp/varnok_hs_XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    Dir = dirTemplate;
    Previous = fs::current_path();
    fs::current_path(Dir);
  }
  void TearDown() override {
    fs::current_path(Previous);
    fs::permissions(Dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(Dir);
  }

  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static std::string Complement(std::string bytes) {
    for (char& c : bytes) c = static_cast<char>(255 - static_cast<unsigned char>(c));
    return bytes;
  }

  fs::path Dir;
  fs::path Previous;
};

std::vector<std::pair<std::string, int>> Table(const HighscoreManager& table) {
  std::vector<std::pair<std::string, int>> rows;
  for (int i = 0; i < table.Size(); ++i) rows.emplace_back(table.GetEntry(i).Name, table.GetEntry(i).Score);
  return rows;
}

}  // namespace

TEST(Highscore, FreshTablesHoldNoneAndTheEmptyScore) {
  HighscoreManager descending(10, false);
  ASSERT_EQ(descending.Size(), 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(descending.GetEntry(i).Name, "None");
    EXPECT_EQ(descending.GetEntry(i).Score, 0);
  }
  EXPECT_FALSE(descending.IsOnList(0));
  EXPECT_TRUE(descending.IsOnList(1));
  EXPECT_FALSE(descending.IsOnList(-5));

  HighscoreManager ascending(10, true);
  EXPECT_EQ(ascending.GetEntry(9).Score, 500);
  EXPECT_TRUE(ascending.IsOnList(499));
  EXPECT_FALSE(ascending.IsOnList(500));
}

TEST(Highscore, NewEntriesLandBelowEqualScoresAndPushTheLastOut) {
  HighscoreManager table(3, false);
  table.AddEntry("First", 100);
  table.AddEntry("Second", 100);
  table.AddEntry("Low", 50);
  EXPECT_EQ(Table(table), (std::vector<std::pair<std::string, int>>{{"First", 100}, {"Second", 100}, {"Low", 50}}));

  table.AddEntry("Top", 300);
  table.AddEntry("Third", 100);  // equal to the worst: not on the list
  table.AddEntry("Zero", 0);
  EXPECT_EQ(Table(table), (std::vector<std::pair<std::string, int>>{{"Top", 300}, {"First", 100}, {"Second", 100}}));
  EXPECT_EQ(table.Size(), 3);
}

TEST(Highscore, AscendingTablesPutLowScoresFirst) {
  HighscoreManager table(3, true);
  table.AddEntry("Slow", 300);
  table.AddEntry("Fast", 100);
  table.AddEntry("Same", 300);
  EXPECT_EQ(Table(table), (std::vector<std::pair<std::string, int>>{{"Fast", 100}, {"Slow", 300}, {"Same", 300}}));
  EXPECT_FALSE(table.IsOnList(300));
  EXPECT_TRUE(table.IsOnList(299));
}

TEST_F(HighscoreFileTest, AFreshTableIsEightyComplementedBytesAndReadsBack) {
  HighscoreManager table(10, false);
  ASSERT_TRUE(table.PrintToFile("Highscores"));
  const std::string bytes = ReadBytes("Highscores");
  ASSERT_EQ(bytes.size(), 80u);
  const unsigned char line[] = {0xB1, 0x90, 0x91, 0x9A, 0xDF, 0xCF, 0xF2, 0xF5};
  for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(static_cast<unsigned char>(bytes[i]), line[i % 8]) << i;
  EXPECT_EQ(Complement(bytes).substr(0, 8), "None 0\r\n");
  EXPECT_FALSE(fs::exists("Highscores.tmp"));

  HighscoreManager other(10, false);
  other.AddEntry("Someone", 5);
  ASSERT_TRUE(other.ReadFromFile("Highscores"));
  EXPECT_EQ(Table(other), Table(table));
}

TEST_F(HighscoreFileTest, ScoresAndNamesSurviveASaveAndALoad) {
  HighscoreManager table(10, false);
  table.AddEntry("Ace%s", 12345);
  table.AddEntry("Neg", -1);  // not on a table of zeros
  table.AddEntry("Mid", 700);
  ASSERT_TRUE(table.PrintToFile("Highscores"));
  EXPECT_EQ(Complement(ReadBytes("Highscores")).substr(0, 22), "Ace%s 12345\r\nMid 700\r\n");
  HighscoreManager loaded(10, false);
  ASSERT_TRUE(loaded.ReadFromFile("Highscores"));
  EXPECT_EQ(Table(loaded), Table(table));
}

TEST_F(HighscoreFileTest, PartialFilesLeaveTheUnreadFieldsAlone) {
  HighscoreManager table(5, false);
  table.AddEntry("Keep", 10);  // lands first; the file's entries replace it

  // Third line missing its score: its name is taken, its score and every
  // later entry stay as they were.
  WriteBytes("Highscores", Complement("A 50\r\nB 40\r\nC\r\nD 20\nE 10\n"));
  ASSERT_TRUE(table.ReadFromFile("Highscores"));
  EXPECT_EQ(Table(table),
            (std::vector<std::pair<std::string, int>>{{"A", 50}, {"B", 40}, {"C", 0}, {"None", 0}, {"None", 0}}));

  // More lines than entries: the extra lines are ignored; nothing is sorted.
  HighscoreManager small(2, false);
  WriteBytes("Highscores", Complement("Low 1\nHigh 99\nExtra 1000\n"));
  ASSERT_TRUE(small.ReadFromFile("Highscores"));
  EXPECT_EQ(Table(small), (std::vector<std::pair<std::string, int>>{{"Low", 1}, {"High", 99}}));
}

TEST_F(HighscoreFileTest, MissingEmptyAndGarbageFilesKeepTheDefaults) {
  HighscoreManager fresh(10, false);
  HighscoreManager table(10, false);
  EXPECT_TRUE(table.ReadFromFile("NoSuchFile"));
  EXPECT_EQ(Table(table), Table(fresh));

  WriteBytes("Highscores", "");
  EXPECT_TRUE(table.ReadFromFile("Highscores"));
  EXPECT_EQ(Table(table), Table(fresh));

  // Uncomplemented text turns into high bytes without any whitespace: one
  // eleven-byte word, then no number.
  WriteBytes("Highscores", "Plain 100\r\n");
  EXPECT_TRUE(table.ReadFromFile("Highscores"));
  EXPECT_EQ(table.GetEntry(0).Name.size(), 11u);
  EXPECT_EQ(table.GetEntry(0).Score, 0);
  EXPECT_EQ(table.GetEntry(1).Name, "None");

  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 37 + 11) % 256);
  WriteBytes("Highscores", noise);
  EXPECT_TRUE(table.ReadFromFile("Highscores"));
  EXPECT_EQ(table.Size(), 10);
}

TEST_F(HighscoreFileTest, SaveAndLoadLeaveFilesOfTheWorkingDirectoryAlone) {
  WriteBytes("Tempout.txt", "the player's own notes");
  WriteBytes("Tempin.txt", "more notes");
  HighscoreManager table(10, false);
  table.AddEntry("Me", 10);
  ASSERT_TRUE(table.PrintToFile("Highscores"));
  ASSERT_TRUE(table.ReadFromFile("Highscores"));
  EXPECT_EQ(ReadBytes("Tempout.txt"), "the player's own notes");
  EXPECT_EQ(ReadBytes("Tempin.txt"), "more notes");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Highscores", "Tempin.txt", "Tempout.txt"}));
}

TEST_F(HighscoreFileTest, AFailedSaveKeepsTheOldTable) {
  HighscoreManager old(10, false);
  old.AddEntry("Old", 999);
  ASSERT_TRUE(old.PrintToFile("Highscores"));
  const std::string saved = ReadBytes("Highscores");

  HighscoreManager table(10, false);
  table.AddEntry("New", 5);

  // The new file cannot be created beside the target.
  fs::create_directories("Highscores.tmp/blocker");
  EXPECT_FALSE(table.PrintToFile("Highscores"));
  EXPECT_EQ(ReadBytes("Highscores"), saved);
  fs::remove_all("Highscores.tmp");

  // A target in a missing folder.
  EXPECT_FALSE(table.PrintToFile("missing/Highscores"));
  EXPECT_FALSE(fs::exists("missing"));

  // A target that cannot be replaced: the new file is cleaned up.
  fs::create_directories("Taken/inside");
  EXPECT_FALSE(table.PrintToFile("Taken"));
  EXPECT_FALSE(fs::exists("Taken.tmp"));
}

TEST_F(HighscoreFileTest, AReadOnlyFolderKeepsTheOldTable) {
  fs::create_directory("locked");
  HighscoreManager old(10, false);
  old.AddEntry("Old", 999);
  ASSERT_TRUE(old.PrintToFile("locked/Highscores"));
  const std::string saved = ReadBytes("locked/Highscores");
  fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
  if (access("locked", W_OK) == 0) GTEST_SKIP() << "permissions are not enforced for this user";

  HighscoreManager table(10, false);
  EXPECT_FALSE(table.PrintToFile("locked/Highscores"));
  EXPECT_EQ(ReadBytes("locked/Highscores"), saved);
}

TEST_F(HighscoreFileTest, AKillAtAnyMomentOfASaveLeavesTheOldOrTheNewTableWhole) {
  // Two tables of different lengths, saved in turn by a child that is killed
  // at a random moment: every time, the file is one of the two, whole.
  HighscoreManager first(10, false), second(10, false);
  first.AddEntry("First", 1);
  for (int i = 0; i < 10; ++i) second.AddEntry("SecondPlayer" + std::to_string(i), 1000000 + i);
  ASSERT_TRUE(first.PrintToFile("Highscores"));
  const std::string firstBytes = ReadBytes("Highscores");
  ASSERT_TRUE(second.PrintToFile("Highscores"));
  const std::string secondBytes = ReadBytes("Highscores");
  ASSERT_NE(firstBytes.size(), secondBytes.size());

  // The kills fall anywhere in the cycle of saves: within about one save's time.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(second.PrintToFile("Highscores"));
  const long saveMicroseconds =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count() / 4;
  std::mt19937 random(20261207);
  for (int round = 0; round < 200; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) (i % 2 == 0 ? first : second).PrintToFile("Highscores");
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (saveMicroseconds + 1000)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::string bytes = ReadBytes("Highscores");
    ASSERT_TRUE(bytes == firstBytes || bytes == secondBytes) << "round " << round << ": " << bytes.size() << " bytes";
  }
}
