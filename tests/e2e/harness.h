// Runs the real game as a player would, in a scratch directory holding `data`, a stand-in `xmessage` that
// records fatal messages, and a HOME whose ALSA configuration writes the sound to a file. The tests run under
// xvfb-run (harness.cpp); keys go in through xdotool, screenshots come from ImageMagick.
#pragma once

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}
inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}
// Lines without their ends (Allegro's xmessage texts and the Windows build's log lines end in breaks too).
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
inline int RowCount(const Image& shot, int row, Rgb c) {
  return CountNear(shot, TextLeft, 300 + 30 * row, 600, 328 + 30 * row, c);
}
inline int HighlightedRow(const Image& shot) {
  for (int i = 0; i < 8; ++i)
    if (RowCount(shot, i, Blue) > 30) return i;
  return -1;
}
inline int MenuRows(const Image& shot) {
  int rows = 0;
  for (int i = 0; i < 8; ++i)
    if (RowCount(shot, i, LightGrey) + RowCount(shot, i, Blue) > 30) rows = i + 1;
  return rows;
}
inline bool TitleShown(const Image& shot) { return CountNear(shot, 200, 250, 600, 285, LightGrey) > 50; }
inline bool IsMainMenu(const Image& s) { return MenuRows(s) == 5 && HighlightedRow(s) >= 0 && !TitleShown(s); }
inline bool IsOptionsMenu(const Image& s) { return MenuRows(s) == 6 && HighlightedRow(s) >= 0; }
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

class GameHarness {
 public:
  // missingData: beginnings of the names of data files the game's `data` leaves out.
  explicit GameHarness(const std::vector<std::string>& missingData = {}) {
    char dir[] = "/tmp/varnok_e2e_XXXXXX";
    WorkDir = GameDir = mkdtemp(dir) ? dir : "/nonexistent";
    HomeDir = WorkDir + "/.home";
    for (const char* sub : {"/.home", "/.bin", "/data"}) fs::create_directories(WorkDir + sub);
    for (const fs::directory_entry& entry : fs::directory_iterator(VARNOK_DATA_DIR))
      if (std::none_of(missingData.begin(), missingData.end(),
                       [&](const std::string& m) { return entry.path().filename().string().rfind(m, 0) == 0; }))
        fs::create_symlink(entry.path(), WorkDir + "/data/" + entry.path().filename().string());
    WriteFile(".bin/xmessage", "#!/bin/sh\nfor last; do :; done\nprintf '%s\\000' \"$last\" >> " +
                                   Quote(WorkDir + "/.xmessage.txt") + "\n");
    fs::permissions(WorkDir + "/.bin/xmessage", fs::perms::owner_all);
    WriteFile(".home/.asoundrc",
              "pcm.!default {\n type file\n slave.pcm \"null\"\n file \"" + HomeDir + "/sound.raw\"\n format raw\n}\n");
  }
  ~GameHarness() {
    for (const char* key : {"Down", "Right", "space"}) KeyUp(key);  // the keys flights hold
    if (testing::Test::HasFailure())
      std::cerr << "log.txt:\n" << Slurp(PathOf("log.txt")) << "\ngame output:\n" << GameOutput();
    if (GamePid > 0 && kill(-GamePid, SIGKILL) == 0) WaitForExit(10);
    // Wine's server outlives the program for a while; it holds the prefix.
    if (Windows()) Tool({"wineserver", "-k"}, 30);
    std::error_code ignored;
    fs::remove_all(WorkDir, ignored);
  }

  // Runs a Windows build under Wine instead: the zip unpacked into the
  // working directory, the game started in a Wine prefix of its own.
  bool UseWindowsBuild(const std::string& zip) {
    fs::remove_all(WorkDir + "/data");
    WinePrefix = HomeDir + "/wine";
    GameCommand = {"wine", PathOf("varnok.exe")};
    int unzipped = -1, booted = -1;
    Tool({"unzip", "-q", "-o", zip, "-d", WorkDir}, 60, &unzipped);
    Tool({"wineboot", "--init"}, 300, &booted);
    return unzipped == 0 && booted == 0;
  }
  bool Windows() const { return !WinePrefix.empty(); }

  // Files in the folder the game runs in; never written through a link into the generated data.
  std::string PathOf(const std::string& name) const { return GameDir + "/" + name; }
  void WriteFile(const std::string& name, const std::string& contents) const {
    std::error_code ignored;
    fs::remove(PathOf(name), ignored);
    std::ofstream(PathOf(name), std::ios::binary) << contents;
  }
  bool FileExists(const std::string& name) const { return fs::exists(PathOf(name)); }
  std::string ReadFile(const std::string& name) const { return FileExists(name) ? Slurp(PathOf(name)) : "<missing>"; }
  std::string SoundBytes() const { return Slurp(HomeDir + "/sound.raw"); }
  std::vector<std::string> Messages() const { return Lines(Slurp(WorkDir + "/.xmessage.txt"), '\0'); }
  std::vector<std::string> LogLines() const { return Lines(Slurp(PathOf("log.txt")), '\n'); }
  std::string GameOutput() const { return Slurp(WorkDir + "/.game-output.txt"); }
  // The log ends as every orderly exit ends it, the game object going last.
  bool LogEndsInOrder() const {
    const std::vector<std::string> end = {"Deleting fonts...", "Shutting down...", "Deleting player...",
                                          "Ship destructor...", "Unloading data..."};
    const std::vector<std::string> log = LogLines();
    return log.size() >= end.size() && std::equal(end.rbegin(), end.rend(), log.rbegin());
  }

  // Starts the game, or an installed launcher (which runs the game in
  // HOME/.local/share/varnok), with or without a display.
  bool Start(bool withDisplay = true, const std::string& launcher = "") {
    if (!launcher.empty()) GameDir = HomeDir + "/.local/share/varnok";
    std::string command = "cd " + Quote(WorkDir) + " && exec env -u XDG_DATA_HOME" + (withDisplay ? "" : " -u DISPLAY");
    command += " HOME=" + Quote(HomeDir) + " PATH=" + Quote(WorkDir + "/.bin:" + getenv("PATH")) + Wine();
#ifdef VARNOK_E2E_PRELOAD
    // The sanitizer runtime wants to be loaded first; a library replacing only dlclose does not disturb it.
    const char* asan = getenv("ASAN_OPTIONS");
    command += " LD_PRELOAD=" VARNOK_E2E_PRELOAD " ASAN_OPTIONS=" +
               Quote(std::string(asan ? asan : "") + ":verify_asan_link_order=0");
#endif
    if (GameCommand.empty()) GameCommand = {launcher.empty() ? VARNOK_GAME : launcher};
    for (const std::string& arg : GameCommand) command += " " + Quote(arg);
    command += " >" + Quote(WorkDir + "/.game-output.txt") + " 2>&1 </dev/null";
    if ((GamePid = fork()) == 0) {
      // Dies with the test process and leads a group that ends with it.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      setpgid(0, 0);
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return GamePid > 0;
  }
  bool Running() { return GamePid > 0 && !WaitForExit(0); }
  // Exit status (or 128 + signal); nullopt while still running after the wait.
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
  void Signal(int signal) { kill(GamePid, signal); }
  // The window manager's WM_DELETE_WINDOW message to the game's window.
  bool CloseWindow();
  // Polls log.txt for the line until the game ends or the timeout passes.
  bool WaitForLog(const std::string& line, double seconds = 60) {
    for (const Clock::time_point deadline = Deadline(seconds);; SleepMs(100)) {
      const bool running = Running();  // first: lines written just before the end count
      const std::vector<std::string> log = LogLines();
      if (std::count(log.begin(), log.end(), line) > 0) return true;
      if (!running || Clock::now() >= deadline) return false;
    }
  }
  // Waits for the game's visible window (Allegro's hidden one has the name
  // too) and gives it the focus, which no window manager gives here.
  bool WaitForWindow(double seconds = 60) {
    for (const Clock::time_point deadline = Deadline(seconds); Clock::now() < deadline && Running(); SleepMs(200)) {
      std::istringstream ids(Tool({"xdotool", "search", "--onlyvisible", "--name", "Varnok"}, 10));
      if (!(ids >> WindowId)) continue;
      Tool({"xdotool", "windowfocus", "--sync", WindowId}, 10);
      return true;
    }
    return false;
  }
  // X keysyms as xdotool takes them. A press lasts long enough for a loop
  // reading keys 70 times a second to see it on a busy machine; menus react to edges, so it never counts twice.
  void KeyDown(const std::string& keysym) {
    Tool({"xdotool", "windowfocus", WindowId.empty() ? "root" : WindowId}, 10);
    Tool({"xdotool", "keydown", keysym}, 10);
  }
  void KeyUp(const std::string& keysym) { Tool({"xdotool", "keyup", keysym}, 10); }
  void Press(const std::string& keysym, int holdMs = 500) {
    KeyDown(keysym);
    SleepMs(holdMs);
    KeyUp(keysym);
    SleepMs(150);
  }
  void Type(const std::string& text) {
    Tool({"xdotool", "type", "--delay", "100", text}, 10 + 0.2 * double(text.size()));
    SleepMs(300);
  }

  std::optional<Image> Screenshot() {
    int status = -1, header = 0;
    Image image;
    const std::string window = WindowId.empty() ? "root" : WindowId;
    const std::string ppm = Tool({"import", "-window", window, "-depth", "8", "ppm:-"}, 30, &status);
    if (status != 0 || sscanf(ppm.c_str(), "P6 %d %d 255%n", &image.width, &image.height, &header) != 2)
      return std::nullopt;
    image.pixels = ppm.substr(size_t(header) + 1);
    if (image.pixels.size() != size_t(image.width) * image.height * 3) return std::nullopt;
    return image;
  }
  // Polls screenshots until one is `ready`; else the screen is kept in the build's e2e-shots. The screen loops
  // read keys as held-down states, so a key sent before a loop runs is lost: wait for the screen that reads it.
  std::optional<Image> WaitForScreen(const Screen& ready, double seconds = 60) {
    for (const Clock::time_point deadline = Deadline(seconds); Clock::now() < deadline && Running(); SleepMs(100))
      if (std::optional<Image> shot = Screenshot(); shot && ready(*shot)) return shot;
    static int count = 0;
    const std::string png = VARNOK_GAME "-unexpected-" + std::to_string(++count) + ".png";
    Tool({"import", "-window", "root", png}, 30);
    std::cerr << "last screen seen: " << png << "\n";
    return std::nullopt;
  }
  bool PressFor(const std::string& keysym, const Screen& ready, double seconds = 60) {
    Press(keysym);
    return WaitForScreen(ready, seconds).has_value();
  }
  // Starts the game and skips the intro with Escape, which the menu ignores.
  bool StartAtMainMenu(const std::string& launcher = "") {
    if (!Start(true, launcher) || !WaitForLog("Loading highscores...") || !WaitForWindow()) return false;
    for (int attempt = 0; attempt < 20; ++attempt)
      if (PressFor("Escape", IsMainMenu, 3)) return true;
    return false;
  }
  // Escape, Up (wraps to EXIT) and Enter until the game ends; its status.
  std::optional<int> QuitFromMainMenu(double seconds = 90) {
    for (const Clock::time_point deadline = Deadline(seconds); Clock::now() < deadline;) {
      for (const char* key : {"Escape", "Up", "Return"}) Press(key, 80);
      if (std::optional<int> status = WaitForExit(8)) return status;
    }
    return WaitForExit(0);
  }

 private:
  // Wine without debug output or offers to install .NET or a browser engine.
  std::string Wine() const {
    return Windows() ? " WINEPREFIX=" + Quote(WinePrefix) + " WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=" : "";
  }
  // A helper program's output; killed after the timeout.
  std::string Tool(const std::vector<std::string>& args, double seconds, int* status = nullptr) const {
    std::string command = "HOME=" + Quote(HomeDir) + Wine() + " timeout -k 5 " + std::to_string(seconds);
    for (const std::string& arg : args) command += " " + Quote(arg);
    FILE* pipe = popen((command + " 2>/dev/null </dev/null").c_str(), "r");
    std::string out;
    char buffer[65536];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int result = pipe ? pclose(pipe) : -1;
    if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return out;
  }

  std::string WorkDir, GameDir, HomeDir, WinePrefix, WindowId;
  std::vector<std::string> GameCommand;
  pid_t GamePid = -1;
  std::optional<int> GameStatus;
};

// The fixture of the flows that the Windows build walks too: suites named
// Windows* run it under Wine when scripts/windows.sh names its zip.
class Session : public testing::Test {
 protected:
  explicit Session(const std::vector<std::string>& missingData = {}) : Game(missingData) {}
  void SetUp() override {
    if (std::string(testing::UnitTest::GetInstance()->current_test_suite()->name()).rfind("Windows", 0) != 0) return;
    if (getenv("VARNOK_WINDOWS_ZIP") == nullptr) GTEST_SKIP() << "no Windows build given";
    ASSERT_TRUE(Game.UseWindowsBuild(getenv("VARNOK_WINDOWS_ZIP")));
  }
  GameHarness Game;
};

}  // namespace e2e
