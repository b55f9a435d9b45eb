// The real game in a scratch directory holding `data`, a stand-in `xmessage` recording fatal messages and a HOME
// whose ALSA configuration writes the sound to a file; keys from xdotool, screenshots from ImageMagick.
#pragma once

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Rgb {
  int r, g, b;
};
struct Image {
  int width = 0, height = 0;
  std::string pixels;
  Rgb At(int x, int y) const {
    const auto* p = reinterpret_cast<const uint8_t*>(&pixels[(static_cast<size_t>(y) * width + x) * 3]);
    return Rgb{p[0], p[1], p[2]};
  }
};
using Screen = std::function<bool(const Image&)>;

inline void SleepMs(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }
inline Clock::time_point Deadline(double s) { return Clock::now() + std::chrono::milliseconds(long(s * 1000)); }
inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}
// Allegro's xmessage texts and the Windows build's log lines end in breaks too.
inline std::vector<std::string> Lines(const std::string& text, char end) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line, end); lines.push_back(line))
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return lines;
}

// Screens told apart by colours and where texts stand. The menu backdrop's moon fills the bottom-left corner
// up to x = 256; menu item i is drawn from (250, 300 + 30 i), the highlighted one in blue; titles at (200, 250).
constexpr Rgb LightGrey{200, 200, 200}, White{255, 255, 255}, Blue{100, 100, 255};
constexpr int TextLeft = 258;
inline int Count(const Image& shot, int x1, int y1, int x2, int y2, const std::function<bool(Rgb)>& wanted) {
  int count = 0;
  for (int y = std::max(0, y1); y < std::min(shot.height, y2); ++y)
    for (int x = std::max(0, x1); x < std::min(shot.width, x2); ++x) count += wanted(shot.At(x, y));
  return count;
}
inline int CountNear(const Image& shot, int x1, int y1, int x2, int y2, Rgb c, int tolerance = 16) {
  return Count(shot, x1, y1, x2, y2, [&](Rgb p) {
    return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
  });
}
inline int CountLit(const Image& shot, int x1, int y1, int x2, int y2) {
  return Count(shot, x1, y1, x2, y2, [](Rgb p) { return (p.r | p.g | p.b) != 0; });
}
inline bool RowShows(const Image& shot, int row, Rgb c) {
  return CountNear(shot, TextLeft, 300 + 30 * row, 600, 328 + 30 * row, c) > 30;
}
inline int HighlightedRow(const Image& shot) {
  for (int i = 0; i < 8; ++i)
    if (RowShows(shot, i, Blue)) return i;
  return -1;
}
inline bool TitleShown(const Image& shot) { return CountNear(shot, 200, 250, 600, 285, LightGrey) > 50; }
// Five items: the options have six.
inline bool IsMainMenu(const Image& s) {
  const auto shown = [&](int row) { return RowShows(s, row, LightGrey) || RowShows(s, row, Blue); };
  return HighlightedRow(s) >= 0 && shown(4) && !shown(5) && !TitleShown(s);
}
// The debriefing's outcome line lies on the black band under its title.
inline bool IsDebriefing(const Image& s) {
  return TitleShown(s) && CountNear(s, TextLeft, 300, 600, 318, LightGrey) > 30;
}
// "Name: " in white, partly over the moon's dark sky.
inline bool IsNameEntry(const Image& shot) {
  return TitleShown(shot) && CountNear(shot, 200, 350, 600, 378, White) > 30 && CountLit(shot, 0, 300, 800, 315) == 0;
}
// The ground along the bottom and the HUD's shield bar.
inline bool IsMission(const Image& shot) {
  return CountLit(shot, 200, 556, 800, 600) > 600 * 44 * 8 / 10 &&
         CountNear(shot, 4, 587, 96, 597, Rgb{0, 255, 0}, 40) > 200;
}
// Briefing, epilogue and Hall of Fame: lines rising under the title's band.
inline bool IsTextScreen(const Image& shot) {
  return TitleShown(shot) && CountLit(shot, 0, 301, 800, 315) == 0 && !IsNameEntry(shot) && !IsMission(shot);
}

struct GameHarness {
  // `data` without the files whose names begin with `missing`: by default the levels, as each flow writes its own.
  explicit GameHarness(const std::string& missing = "level_") {
    char dir[] = "/tmp/varnok_e2e_XXXXXX";
    WorkDir = GameDir = mkdtemp(dir) ? dir : "/nonexistent";
    HomeDir = WorkDir + "/.home";
    for (const char* sub : {"/.home", "/.bin", "/data"}) fs::create_directories(WorkDir + sub);
    for (const fs::directory_entry& entry : fs::directory_iterator(VARNOK_DATA_DIR))
      if (entry.path().filename().string().rfind(missing, 0) != 0)
        fs::create_symlink(entry.path(), WorkDir + "/data/" + entry.path().filename().string());
    WriteFile(".bin/xmessage", "#!/bin/sh\nfor last; do :; done\nprintf '%s\\000' \"$last\" >> " +
                                   Quote(WorkDir + "/.xmessage.txt") + "\n");
    fs::permissions(WorkDir + "/.bin/xmessage", fs::perms::owner_all);
    WriteFile(".home/.asoundrc",
              "pcm.!default {\n type file\n slave.pcm \"null\"\n file \"" + HomeDir + "/sound.raw\"\n format raw\n}\n");
  }
  ~GameHarness() {
    Tool({"xdotool", "keyup", "Down", "Right", "space"}, 10);  // the keys flights hold
    if (testing::Test::HasFailure())
      std::cerr << "log.txt:\n" << Read("log.txt") << "\ngame output:\n" << Slurp(WorkDir + "/.game-output.txt");
    if (GamePid > 0 && kill(-GamePid, SIGKILL) == 0) WaitForExit(10);
    if (Windows) Tool({"wineserver", "-k"}, 30);  // it outlives the program and holds the prefix
    std::error_code ignored;
    fs::remove_all(WorkDir, ignored);
  }

  // Never written through a link into the generated data.
  std::string PathOf(const std::string& name) const { return GameDir + "/" + name; }
  void WriteFile(const std::string& name, const std::string& contents) const {
    fs::remove(PathOf(name));
    std::ofstream(PathOf(name), std::ios::binary) << contents;
  }
  std::string Read(const std::string& name) const { return Slurp(PathOf(name)); }
  std::vector<std::string> Messages() const { return Lines(Slurp(WorkDir + "/.xmessage.txt"), '\0'); }
  std::vector<std::string> LogLines() const { return Lines(Read("log.txt"), '\n'); }
  bool LogEndsInOrder() const {
    const std::vector<std::string> end = {"Deleting fonts...", "Shutting down...", "Deleting player...",
                                          "Ship destructor...", "Unloading data..."};
    const std::vector<std::string> log = LogLines();
    return log.size() >= end.size() && std::equal(end.rbegin(), end.rend(), log.rbegin());
  }

  // The game, or an installed launcher (which runs the game in HOME/.local/share/varnok).
  bool Start(bool withDisplay = true, const std::string& program = VARNOK_GAME) {
    if (program != VARNOK_GAME) GameDir = HomeDir + "/.local/share/varnok";
    std::string command = "cd " + Quote(WorkDir) + " && exec env -u XDG_DATA_HOME" + (withDisplay ? "" : " -u DISPLAY");
    command += " HOME=" + Quote(HomeDir) + " PATH=" + Quote(WorkDir + "/.bin:" + getenv("PATH"));
#ifdef VARNOK_E2E_PRELOAD
    // The sanitizer runtime wants to be loaded first; a library replacing only dlclose does not disturb it.
    command += " LD_PRELOAD=" VARNOK_E2E_PRELOAD " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\"";
#endif
    command += Windows ? " wine " + Quote(PathOf("varnok.exe")) : " " + Quote(program);
    command += " >" + Quote(WorkDir + "/.game-output.txt") + " 2>&1 </dev/null";
    if ((GamePid = fork()) == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      setpgid(0, 0);
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return GamePid > 0;
  }
  std::optional<int> WaitForExit(double seconds = 60) {
    int status = 0;
    for (const Clock::time_point deadline = Deadline(seconds); GamePid > 0; SleepMs(20)) {
      if (waitpid(GamePid, &status, WNOHANG) == GamePid) break;
      if (Clock::now() >= deadline) return std::nullopt;
    }
    if (GamePid > 0) GameStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    GamePid = -1;
    return GameStatus;
  }
  void CloseWindow();  // as the window manager's close button does
  // The visible window: Allegro's hidden one has the name too.
  bool WaitForWindow(double seconds = 60) {
    for (const auto deadline = Deadline(seconds); Clock::now() < deadline && !WaitForExit(0); SleepMs(200))
      if (std::istringstream(Tool({"xdotool", "search", "--onlyvisible", "--name", "Varnok"}, 10)) >> WindowId)
        return true;
    return false;
  }
  // Focused (no window manager does it here), held long enough for a busy machine's 70-a-second key loop.
  void Press(const std::string& keysym, const char* hold = "0.5") {
    Tool({"xdotool", "windowfocus", WindowId, "keydown", keysym, "sleep", hold, "keyup", keysym, "sleep", "0.15"}, 10);
  }

  // Presses `key`, then polls until a screenshot is `ready`: a key sent before a screen's loop runs is lost.
  std::optional<Image> Await(const Screen& ready, const std::string& key = "", double seconds = 60) {
    if (!key.empty()) Press(key);
    for (const auto deadline = Deadline(seconds); Clock::now() < deadline && !WaitForExit(0); SleepMs(100)) {
      Image shot;
      int header = 0;
      const std::string ppm = Tool({"import", "-window", WindowId, "-depth", "8", "ppm:-"}, 30);
      if (sscanf(ppm.c_str(), "P6 %d %d 255%n", &shot.width, &shot.height, &header) != 2) continue;
      shot.pixels = ppm.substr(size_t(header) + 1);
      if (shot.pixels.size() == size_t(shot.width) * shot.height * 3 && ready(shot)) return shot;
    }
    return std::nullopt;
  }
  // Skips the intro with Escape, which the menu ignores.
  bool StartAtMainMenu(const std::string& program = VARNOK_GAME) {
    if (!Start(true, program) || !WaitForWindow()) return false;
    for (int attempt = 0; attempt < 40; ++attempt)
      if (Await(IsMainMenu, "Escape", 3)) return true;
    return false;
  }
  // Up from the first item wraps to EXIT.
  std::optional<int> QuitFromMainMenu() {
    for (int attempt = 0; attempt < 10 && !WaitForExit(attempt == 0 ? 0 : 8); ++attempt)
      for (const char* key : {"Escape", "Up", "Return"}) Press(key, "0.08");
    return WaitForExit(0);
  }

  std::string Tool(const std::vector<std::string>& args, double seconds) const {
    std::string command = "timeout -k 5 " + std::to_string(seconds);
    for (const std::string& arg : args) command += " " + Quote(arg);
    const int status = std::system((command + " </dev/null 2>/dev/null >" + Quote(WorkDir + "/.tool")).c_str());
    return status == -1 ? "" : Slurp(WorkDir + "/.tool");
  }

  std::string WorkDir, GameDir, HomeDir, WindowId = "root";
  bool Windows = false;
  pid_t GamePid = -1;
  std::optional<int> GameStatus;
};

// Suites named Windows* run scripts/windows.sh's zip under Wine (no debug output, no .NET or browser offers).
class Session : public testing::Test {
 protected:
  void SetUp() override {
    if (std::string(testing::UnitTest::GetInstance()->current_test_suite()->name()).rfind("Windows", 0) != 0) return;
    const char* zip = getenv("VARNOK_WINDOWS_ZIP");
    if (zip == nullptr) GTEST_SKIP() << "no Windows build given";
    fs::remove_all(Game.WorkDir + "/data");
    Game.Windows = true;
    setenv("WINEPREFIX", (Game.HomeDir + "/wine").c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    Game.Tool({"unzip", "-q", "-o", zip, "-d", Game.WorkDir}, 60);
    Game.Tool({"wineboot", "--init"}, 300);
    ASSERT_TRUE(fs::exists(Game.PathOf("varnok.exe")));
  }
  GameHarness Game;
};

}  // namespace e2e
