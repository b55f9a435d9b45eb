// The Hall of Fame: ordering, insertion, the complemented file and its
// partial reads, and a save that never loses the old table, not even when
// the process is killed in the middle of it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "highscores/highscore.h"
#include "unit/support.h"

namespace fs = std::filesystem;

namespace {

// The table as "name score" rows joined by commas.
std::string Rows(const HighscoreManager& table) {
  std::string rows;
  for (int i = 0; i < table.Size(); ++i) {
    rows += (i > 0 ? "," : "") + table.GetEntry(i).Name + " " + std::to_string(table.GetEntry(i).Score);
  }
  return rows;
}

std::string Complement(std::string bytes) {
  for (char& c : bytes) c = static_cast<char>(~c);
  return bytes;
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

using Entries = std::vector<std::pair<std::string, int>>;
void Add(HighscoreManager& table, const Entries& entries) {
  for (const auto& [name, score] : entries) table.AddEntry(name, score);
}
HighscoreManager Table(const Entries& entries, int size = 10) {
  HighscoreManager table(size, false);
  Add(table, entries);
  return table;
}

// A scratch working directory, removed afterwards.
class HighscoreFile : public testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/varnok_hs_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    Dir = dir;
    fs::current_path(Dir);
  }
  void TearDown() override {
    fs::current_path(Previous);
    fs::permissions(Dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(Dir);
  }
  fs::path Dir, Previous = fs::current_path();
};

}  // namespace

// Fresh tables hold "None" and the empty score; new entries land below
// equal scores and push the last out; a score equal to the worst is not on.
TEST(Highscore, FreshTablesAndInsertionInBothOrders) {
  const HighscoreManager descending(2, false);
  EXPECT_EQ(Rows(descending), "None 0,None 0");
  EXPECT_TRUE(!descending.IsOnList(0) && descending.IsOnList(1) && !descending.IsOnList(-5));
  HighscoreManager ascending(3, true);
  EXPECT_EQ(Rows(ascending), "None 500,None 500,None 500");
  EXPECT_TRUE(ascending.IsOnList(499) && !ascending.IsOnList(500));
  Add(ascending, {{"Slow", 300}, {"Fast", 100}, {"Same", 300}});
  EXPECT_EQ(Rows(ascending), "Fast 100,Slow 300,Same 300");
  EXPECT_TRUE(ascending.IsOnList(299) && !ascending.IsOnList(300));
  HighscoreManager table = Table({{"First", 100}, {"Second", 100}, {"Low", 50}}, 3);
  EXPECT_EQ(Rows(table), "First 100,Second 100,Low 50");
  Add(table, {{"Top", 300}, {"Third", 100}, {"Zero", 0}});
  EXPECT_EQ(Rows(table), "Top 300,First 100,Second 100");
}

TEST_F(HighscoreFile, TablesSurviveASaveAndALoadAsComplementedText) {
  const HighscoreManager fresh(10, false);
  ASSERT_TRUE(fresh.PrintToFile("Highscores"));
  std::string lines;
  for (int i = 0; i < 10; ++i) lines += "None 0\r\n";
  EXPECT_EQ(FileText("Highscores"), Complement(lines));
  HighscoreManager other = Table({{"Someone", 5}});
  ASSERT_TRUE(other.ReadFromFile("Highscores"));
  EXPECT_EQ(Rows(other), Rows(fresh));

  const HighscoreManager table = Table({{"Ace%s", 12345}, {"Neg", -1}, {"Mid", 700}});
  ASSERT_TRUE(table.PrintToFile("Highscores"));
  EXPECT_EQ(Complement(FileText("Highscores")).substr(0, 22), "Ace%s 12345\r\nMid 700\r\n");
  HighscoreManager loaded(10, false);
  ASSERT_TRUE(loaded.ReadFromFile("Highscores"));
  EXPECT_EQ(Rows(loaded), Rows(table));
}

// What a file does not hold stays as it was: missing fields, missing lines,
// missing or empty files; lines beyond the table are ignored, nothing is sorted.
TEST_F(HighscoreFile, PartialFilesLeaveTheUnreadFieldsAlone) {
  const std::string nones = ",None 0,None 0";
  const std::pair<std::string, std::string> cases[] = {
      {Complement("A 50\r\nB 40\r\nC\r\nD 20\nE 10\n"), "A 50,B 40,C 0" + nones},
      {Complement("Low 1\nHigh 99\nExtra 1000\nMore 1\nMost 2\nAll 3\n"), "Low 1,High 99,Extra 1000,More 1,Most 2"},
      {"", "Keep 10" + nones + ",None 0,None 0"},
      // Plain text turns into high bytes without any whitespace: one word, then no number.
      {"Plain 100\r\n", Complement("Plain 100\r\n") + " 10" + nones + ",None 0,None 0"},
  };
  for (const auto& [bytes, rows] : cases) {
    HighscoreManager table = Table({{"Keep", 10}}, 5);
    Write("Highscores", bytes);
    EXPECT_TRUE(table.ReadFromFile("Highscores"));
    EXPECT_EQ(Rows(table), rows);
  }
  HighscoreManager table = Table({{"Keep", 10}}, 5);
  EXPECT_TRUE(table.ReadFromFile("NoSuchFile"));
  EXPECT_EQ(Rows(table), "Keep 10" + nones + ",None 0,None 0");
}

TEST_F(HighscoreFile, SavesLeaveOtherFilesAloneAndAFailedSaveKeepsTheOldTable) {
  for (const char* name : {"Tempin.txt", "Tempout.txt"}) Write(name, name);
  ASSERT_TRUE(Table({{"Old", 999}}).PrintToFile("Highscores"));
  const std::string saved = FileText("Highscores");
  ASSERT_TRUE(Table({{"Old", 999}}).ReadFromFile("Highscores"));
  for (const char* name : {"Tempin.txt", "Tempout.txt"}) EXPECT_EQ(FileText(name), name);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Highscores", "Tempin.txt", "Tempout.txt"}));

  const HighscoreManager table = Table({{"New", 5}});
  fs::create_directories("Highscores.tmp/blocker");  // the new file cannot be made beside the old
  EXPECT_FALSE(table.PrintToFile("Highscores"));
  EXPECT_EQ(FileText("Highscores"), saved);
  EXPECT_FALSE(table.PrintToFile("missing/Highscores"));
  EXPECT_FALSE(fs::exists("missing"));
  fs::create_directories("Taken/inside");  // a target that cannot be replaced: the new file is cleaned up
  EXPECT_FALSE(table.PrintToFile("Taken"));
  EXPECT_FALSE(fs::exists("Taken.tmp"));
  fs::remove_all("Highscores.tmp");
  fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec);
  if (access(".", W_OK) != 0) {  // not for a user who may write anyway
    EXPECT_FALSE(table.PrintToFile("Highscores"));
    EXPECT_EQ(FileText("Highscores"), saved);
  }
}

// Two tables of different lengths, saved in turn by a child killed at a
// random moment: every time, the file is one of the two, whole.
TEST_F(HighscoreFile, AKillAtAnyMomentOfASaveLeavesTheOldOrTheNewTableWhole) {
  const HighscoreManager first = Table({{"First", 1}});
  HighscoreManager second(10, false);
  for (int i = 0; i < 10; ++i) second.AddEntry("SecondPlayer" + std::to_string(i), 1000000 + i);
  ASSERT_TRUE(first.PrintToFile("Highscores"));
  const std::string firstBytes = FileText("Highscores");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(second.PrintToFile("Highscores"));
  const auto save = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  const std::string secondBytes = FileText("Highscores");
  std::mt19937 random(20261207);
  for (int round = 0; round < 100; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) (i % 2 == 0 ? first : second).PrintToFile("Highscores");
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (save.count() + 1000)));
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string bytes = FileText("Highscores");
    ASSERT_TRUE(bytes == firstBytes || bytes == secondBytes) << "round " << round << ": " << bytes.size() << " bytes";
  }
}
