// Runs the real game binary the way a player would, in isolation: a scratch
// working directory holding `data`, a private Xvfb display, a stand-in
// `xmessage` that records fatal messages instead of waiting for a click, and a
// HOME whose ALSA configuration writes the game's sound to a file. Keys go in
// through xdotool, screenshots come back through ImageMagick's `import`.
// Everything started here is ended by the destructor, also when a test fails.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct Rgb {
  int r = 0, g = 0, b = 0;
};

// An RGB image, top row first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3

  Rgb At(int x, int y) const;
  // Brightest pixel (by r + g + b) inside the rectangle [x1, x2) x [y1, y2).
  Rgb Brightest(int x1, int y1, int x2, int y2) const;
  // Pixels inside the rectangle that are not black.
  int CountLit(int x1, int y1, int x2, int y2) const;
};

// Decodes a binary PPM (P6, maxval 255); nullopt when it is not one.
std::optional<Image> DecodePpm(const std::string& bytes);
// Writes the image as a binary PPM, for looking at a failed test's screen.
bool WritePpm(const Image& image, const std::string& path);

class GameHarness {
 public:
  // missingData: names of files of the generated data directory that the
  // game's `data` folder leaves out. With none, `data` is a link to the whole
  // generated directory.
  explicit GameHarness(const std::vector<std::string>& missingData = {});
  ~GameHarness();
  GameHarness(const GameHarness&) = delete;
  GameHarness& operator=(const GameHarness&) = delete;

  // Runs a Windows build under Wine instead of the Linux game: the zip is
  // unpacked into the working directory (its `data` replacing the generated
  // one) and `program`, a path inside the working directory, is started with
  // `wine` in a Wine prefix of this harness's own.
  bool UseWindowsBuild(const std::string& zip, const std::string& program = "varnok.exe");

  // The scratch working directory; PathOf names files in the folder the game
  // runs in (the working directory, or the launcher's folder in HOME).
  const std::string& Dir() const { return WorkDir; }
  std::string PathOf(const std::string& name) const { return GameDir + "/" + name; }
  void WriteFile(const std::string& name, const std::string& contents) const;
  std::optional<std::string> ReadFile(const std::string& name) const;
  bool FileExists(const std::string& name) const;

  // The raw audio the game sent to ALSA's default device (it may not exist
  // before the game opens the device).
  const std::string& SoundFile() const { return SoundPath; }
  std::string SoundBytes() const;
  // The messages the game showed through the stand-in xmessage, in order.
  std::vector<std::string> Messages() const;

  // Starts the game binary in the working directory, on the private display
  // or (withDisplay false) with no DISPLAY at all. False if it cannot run.
  bool Start(bool withDisplay = true);
  // Starts an installed launcher instead, as a player would with this HOME
  // and no XDG_DATA_HOME: the game then runs in HOME/.local/share/varnok.
  bool StartLauncher(const std::string& launcher);
  bool Running();
  // Waits for the game to end; its exit status (or 128 + signal), or nullopt
  // when it is still running after the timeout.
  std::optional<int> WaitForExit(double seconds = 60);
  // Kills the game if it still runs.
  void Kill();
  // Sends the game a signal.
  void Signal(int signal);
  // Presses the window's close button: the message a window manager sends
  // (WM_DELETE_WINDOW) to the window found by WaitForWindow.
  bool CloseWindow();

  std::vector<std::string> LogLines() const;
  // Polls log.txt until it holds the line; false after the timeout or when
  // the game ends without writing it.
  bool WaitForLog(const std::string& line, double seconds = 60);

  // Waits for the game's visible window and gives it the keyboard focus.
  bool WaitForWindow(double seconds = 60);
  // The title of the window found by WaitForWindow.
  std::string WindowTitle() const;
  // Key names are X keysyms as xdotool takes them: "Escape", "Up", "Return",
  // "space", "a". A key is held for holdMs so that a loop reading the key
  // state at 70 ticks per second sees it. Failures (the window already gone)
  // are ignored: callers check what the game did.
  void Key(const std::string& keysym, int holdMs = 80);
  void KeyDown(const std::string& keysym);
  void KeyUp(const std::string& keysym);
  // Types printable text, one key press per character.
  void Type(const std::string& text);

  // The game window's contents; nullopt when it cannot be captured.
  std::optional<Image> Screenshot();
  // Polls screenshots until one satisfies `ready`; that one, or nullopt after
  // the timeout or when the game ends. The game reads keys as held-down
  // states in its screen loops, so a key sent before the loop runs is lost:
  // wait for the screen that reads it first.
  std::optional<Image> WaitForScreen(const std::function<bool(const Image&)>& ready, double seconds = 60);
  // The first screenshot that is not all black.
  std::optional<Image> WaitForPicture(double seconds = 60);

  // Leaves the game the way a player does: Escape (skips the intro), then Up
  // and Enter on the main menu's first item wraps to "EXIT" and chooses it.
  // The exit screen lasts about 1.4 s. Repeats the sequence, in case a key
  // came before the screen that reads it, until the game ends or the timeout
  // passes. Returns the exit status.
  std::optional<int> QuitFromMainMenu(double seconds = 90);

  // The game's own stdout and stderr, for failure messages.
  std::string GameOutput() const;

 private:
  bool StartDisplay();
  void StopDisplay();
  void MakeData(const std::vector<std::string>& missingData);
  // Runs a helper program (xdotool, import) against the private display;
  // its exit status and stdout. Killed after the timeout.
  int RunTool(const std::vector<std::string>& args, std::string* out, double seconds) const;
  std::vector<std::string> ToolEnvironment() const;
  bool Launch(const std::string& program, bool withDisplay);
  // The changes plus Wine's settings when a Windows build is in use.
  std::vector<std::pair<std::string, std::string>> WineSettings(
      std::vector<std::pair<std::string, std::string>> changes) const;

  std::string WorkDir;
  std::string GameDir;
  std::string HomeDir;
  std::string BinDir;
  std::string SoundPath;
  std::string MessagePath;
  std::string OutputPath;
  std::string Display;
  std::string WindowId;
  std::vector<std::string> GameCommand;
  std::string WinePrefix;
  pid_t XvfbPid = -1;
  pid_t GamePid = -1;
  std::optional<int> GameStatus;
};

}  // namespace e2e
