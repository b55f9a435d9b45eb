#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "highscores/highscore.h"

namespace fs = std::filesystem;

namespace {

using Entries = std::vector<std::pair<std::string, int>>;

struct ScratchDir {
  ScratchDir() { fs::current_path(mkdtemp(Path.data())); }
  ~ScratchDir() {
    fs::current_path(Previous);
    fs::remove_all(Path);
  }
  fs::path Previous = fs::current_path();
  std::string Path = "/tmp/varnok_dir_XXXXXX";
};

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

HighscoreManager Table(const Entries& entries, int size = 10, bool ascending = false) {
  HighscoreManager table(size, ascending);
  for (const auto& [name, score] : entries) table.AddEntry(name, score);
  return table;
}

std::string Rows(const HighscoreManager& table) {
  std::string rows;
  for (const auto& e : table.Entries) rows += (rows.empty() ? "" : ",") + e.Name + " " + std::to_string(e.Score);
  return rows;
}

std::string Complement(std::string bytes) {
  for (char& c : bytes) c = static_cast<char>(~c);
  return bytes;
}

}  // namespace

// Fresh tables hold "None" and the empty score; new entries go below equal scores and push the last out;
// `on` is the worst score let on the table, `off` the best kept off.
TEST(Highscore, FreshTablesAndInsertionInBothOrders) {
  const std::tuple<bool, Entries, std::string, int, int> cases[] = {
      {true, {}, "None 500,None 500,None 500", 499, 500},
      {true, {{"Slow", 300}, {"Fast", 100}, {"Same", 300}}, "Fast 100,Slow 300,Same 300", 299, 300},
      {false, {{"A", 100}, {"B", 100}, {"L", 50}, {"T", 300}, {"C", 100}, {"Z", 0}}, "T 300,A 100,B 100", 101, 100},
  };
  for (const auto& [ascending, entries, rows, on, off] : cases) {
    const HighscoreManager table = Table(entries, 3, ascending);
    EXPECT_EQ(Rows(table), rows);
    EXPECT_TRUE(table.IsOnList(on) && !table.IsOnList(off)) << rows;
  }
}

// Saved as complemented text rows; what a file does not hold stays as it was; lines beyond the table are ignored,
// nothing is sorted. Only a whole save replaces the file, and nothing else is touched.
TEST(HighscoreFile, PartialFilesLeaveTheUnreadFieldsAloneAndAFailedSaveKeepsTheOldTable) {
  ScratchDir dir;
  ASSERT_TRUE(Table({{"Ace%s", 12345}, {"Mid", 700}, {"Neg", -1}}, 3).PrintToFile("Highscores"));
  const std::string saved = FileText("Highscores");
  EXPECT_EQ(saved, Complement("Ace%s 12345\r\nMid 700\r\nNone 0\r\n"));
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
  fs::create_directories("Highscores.tmp/blocker");  // the new file cannot be made beside the old
  EXPECT_FALSE(Table({{"New", 5}}).PrintToFile("Highscores"));
  EXPECT_EQ(FileText("Highscores"), saved);
  fs::create_directories("Taken/inside");  // a target that cannot be replaced: the new file is cleaned up
  EXPECT_FALSE(Table({{"New", 5}}).PrintToFile("Taken") || fs::exists("Taken.tmp"));
  const std::pair<std::string, std::string> cases[] = {
      {"A 50\r\nB 40\r\nC\r\nD 20\nE 10\n", "A 50,B 40,C 0,None 0,None 0"},
      {"", "Keep 10,None 0,None 0,None 0,None 0"},
      {"Low 1\nHigh 99\nExtra 1000\nMore 1\nMost 2\nAll 3\n", "Low 1,High 99,Extra 1000,More 1,Most 2"},
  };
  for (const auto& [text, rows] : cases) {
    HighscoreManager read = Table({{"Keep", 10}}, 5);
    std::ofstream("Highscores", std::ios::binary) << Complement(text);
    EXPECT_TRUE(read.ReadFromFile("Highscores") && read.ReadFromFile("NoSuchFile"));
    EXPECT_EQ(Rows(read), rows);
  }
}

// Two tables of different lengths saved in turn by a child killed at a random moment: the file is one, whole.
TEST(HighscoreFile, AKillAtAnyMomentOfASaveLeavesTheOldOrTheNewTableWhole) {
  ScratchDir dir;
  const HighscoreManager tables[] = {Table({{"First", 1}}), Table({{"SecondPlayer", 1000000}}, 300)};
  std::string bytes[2];
  for (int i = 0; i < 2; ++i) bytes[i] = tables[i].PrintToFile("Highscores") ? FileText("Highscores") : "";
  ASSERT_TRUE(!bytes[0].empty() && !bytes[1].empty());
  std::mt19937 random(20261207);
  for (int round = 0; round < 100; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (unsigned i = 0;; ++i) tables[i % 2].PrintToFile("Highscores");
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string now = FileText("Highscores");
    ASSERT_TRUE(now == bytes[0] || now == bytes[1]) << "round " << round << ": " << now.size() << " bytes";
  }
}
