#include "e2e/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point Deadline(double seconds) {
  return Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// The environment with some variables replaced (or, given an empty value,
// removed).
std::vector<std::string> Environment(const std::vector<std::pair<std::string, std::string>>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& change : changes) replaced = replaced || change.first == name;
    if (!replaced) env.push_back(entry);
  }
  for (const auto& change : changes)
    if (!change.second.empty()) env.push_back(change.first + "=" + change.second);
  return env;
}

// In a forked child: dies with the test process, even when that crashes, and
// leads its own process group so that its children (the message stand-in)
// are ended with it.
void PrepareChild() {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  setpgid(0, 0);
  const int null = open("/dev/null", O_RDONLY);
  if (null >= 0) dup2(null, STDIN_FILENO);
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Waits for a child; nullopt if it is still running at the deadline.
std::optional<int> WaitChild(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return DecodeStatus(status);
    if (done < 0 && errno != EINTR) return -1;
    if (Clock::now() >= deadline) return std::nullopt;
    SleepMs(20);
  }
}

void KillGroup(pid_t pid, int signal) {
  if (pid > 0) {
    kill(-pid, signal);
    kill(pid, signal);
  }
}

}  // namespace

Rgb Image::At(int x, int y) const {
  const size_t i = (static_cast<size_t>(y) * width + x) * 3;
  return Rgb{pixels[i], pixels[i + 1], pixels[i + 2]};
}

Rgb Image::Brightest(int x1, int y1, int x2, int y2) const {
  Rgb best;
  for (int y = std::max(0, y1); y < std::min(height, y2); ++y)
    for (int x = std::max(0, x1); x < std::min(width, x2); ++x) {
      const Rgb p = At(x, y);
      if (p.r + p.g + p.b > best.r + best.g + best.b) best = p;
    }
  return best;
}

int Image::CountLit(int x1, int y1, int x2, int y2) const {
  int count = 0;
  for (int y = std::max(0, y1); y < std::min(height, y2); ++y)
    for (int x = std::max(0, x1); x < std::min(width, x2); ++x) {
      const Rgb p = At(x, y);
      count += (p.r | p.g | p.b) != 0;
    }
  return count;
}

std::optional<Image> DecodePpm(const std::string& bytes) {
  // Header: "P6", width, height, maxval, each separated by whitespace (and
  // possibly comments), then one whitespace byte before the pixels.
  size_t pos = 0;
  auto token = [&]() -> std::string {
    for (;;) {
      while (pos < bytes.size() && isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
      if (pos < bytes.size() && bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
        continue;
      }
      break;
    }
    const size_t start = pos;
    while (pos < bytes.size() && !isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
    return bytes.substr(start, pos - start);
  };
  if (token() != "P6") return std::nullopt;
  Image image;
  try {
    image.width = std::stoi(token());
    image.height = std::stoi(token());
    if (std::stoi(token()) != 255) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
  ++pos;
  const size_t size = static_cast<size_t>(image.width) * image.height * 3;
  if (image.width <= 0 || image.height <= 0 || bytes.size() < pos + size) return std::nullopt;
  image.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                      bytes.begin() + static_cast<std::ptrdiff_t>(pos + size));
  return image;
}

bool WritePpm(const Image& image, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "P6\n" << image.width << " " << image.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(image.pixels.data()), static_cast<std::streamsize>(image.pixels.size()));
  return static_cast<bool>(out);
}

GameHarness::GameHarness(const std::vector<std::string>& missingData) {
  char dirTemplate[] = "/tmp/varnok_e2e_XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr) {
    std::cerr << "cannot make a scratch directory: " << strerror(errno) << "\n";
    return;
  }
  WorkDir = dirTemplate;
  GameDir = WorkDir;
  HomeDir = WorkDir + "/.home";
  BinDir = WorkDir + "/.bin";
  SoundPath = HomeDir + "/sound.raw";
  MessagePath = WorkDir + "/.xmessage.txt";
  OutputPath = WorkDir + "/.game-output.txt";
  fs::create_directories(HomeDir);
  fs::create_directories(BinDir);
  MakeData(missingData);

  // allegro_message shows its text with xmessage, which waits for a click;
  // this one records its last argument (the message) and returns at once.
  const std::string xmessage = BinDir + "/xmessage";
  WriteFile(".bin/xmessage",
            "#!/bin/sh\n"
            "for last; do :; done\n"
            "printf '%s\\000' \"$last\" >> '" + MessagePath + "'\n"
            "exit 0\n");
  chmod(xmessage.c_str(), 0755);

  // ALSA's default device writes raw samples to a file instead of a card.
  WriteFile(".home/.asoundrc",
            "pcm.!default {\n"
            "  type file\n"
            "  slave.pcm \"null\"\n"
            "  file \"" + SoundPath + "\"\n"
            "  format \"raw\"\n"
            "}\n");

  if (!StartDisplay()) std::cerr << "cannot start Xvfb\n";
}

GameHarness::~GameHarness() {
  Kill();
  // Wine's server outlives the program for a while; it holds the prefix.
  if (!WinePrefix.empty()) RunTool({"wineserver", "-k"}, nullptr, 30);
  StopDisplay();
  if (!WorkDir.empty()) {
    std::error_code ignored;
    fs::remove_all(WorkDir, ignored);
  }
}

void GameHarness::MakeData(const std::vector<std::string>& missingData) {
  const fs::path source = VARNOK_DATA_DIR;
  const fs::path data = fs::path(WorkDir) / "data";
  if (missingData.empty()) {
    fs::create_directory_symlink(source, data);
    return;
  }
  // A folder of links to every generated file but the missing ones.
  fs::create_directory(data);
  for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
    const std::string name = entry.path().filename().string();
    bool missing = false;
    for (const std::string& m : missingData) missing = missing || m == name;
    if (!missing) fs::create_symlink(entry.path(), data / name);
  }
}

bool GameHarness::UseWindowsBuild(const std::string& zip, const std::string& program) {
  std::error_code ignored;
  fs::remove_all(fs::path(WorkDir) / "data", ignored);
  WinePrefix = HomeDir + "/wine";
  GameCommand = {"wine", PathOf(program)};
  // A new prefix takes a while (long on a busy machine): it is made here,
  // so that the game starts as quickly as it would on Windows.
  return RunTool({"unzip", "-q", "-o", zip, "-d", WorkDir}, nullptr, 60) == 0 &&
         RunTool({"wineboot", "--init"}, nullptr, 300) == 0;
}

bool GameHarness::StartDisplay() {
  // Xvfb picks a free display number itself and writes it to the pipe once it
  // accepts connections: no guessing, no race with other test runs.
  int fds[2];
  if (pipe(fds) != 0) return false;
  XvfbPid = fork();
  if (XvfbPid < 0) return false;
  if (XvfbPid == 0) {
    PrepareChild();
    close(fds[0]);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  const Clock::time_point deadline = Deadline(60);
  while (Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char c;
    const ssize_t n = read(fds[0], &c, 1);
    if (n <= 0 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) {
    StopDisplay();
    return false;
  }
  Display = ":" + number;
  return true;
}

void GameHarness::StopDisplay() {
  if (XvfbPid <= 0) return;
  KillGroup(XvfbPid, SIGTERM);
  if (!WaitChild(XvfbPid, Deadline(10))) {
    KillGroup(XvfbPid, SIGKILL);
    WaitChild(XvfbPid, Deadline(10));
  }
  XvfbPid = -1;
}

void GameHarness::WriteFile(const std::string& name, const std::string& contents) const {
  std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
  out << contents;
}

std::optional<std::string> GameHarness::ReadFile(const std::string& name) const {
  if (!FileExists(name)) return std::nullopt;
  return Slurp(PathOf(name));
}

bool GameHarness::FileExists(const std::string& name) const {
  struct stat st;
  return stat(PathOf(name).c_str(), &st) == 0;
}

std::vector<std::string> GameHarness::Messages() const {
  // One NUL-terminated entry per message. Allegro's X11 driver ends the text
  // it hands to xmessage with a line break of its own.
  std::vector<std::string> messages;
  std::istringstream in(Slurp(MessagePath));
  std::string message;
  while (std::getline(in, message, '\0')) {
    if (!message.empty() && message.back() == '\n') message.pop_back();
    messages.push_back(message);
  }
  return messages;
}

std::string GameHarness::SoundBytes() const { return Slurp(SoundPath); }

std::string GameHarness::GameOutput() const { return Slurp(OutputPath); }

std::vector<std::string> GameHarness::ToolEnvironment() const {
  return Environment(WineSettings({{"DISPLAY", Display}, {"XAUTHORITY", ""}, {"HOME", HomeDir}}));
}

std::vector<std::pair<std::string, std::string>> GameHarness::WineSettings(
    std::vector<std::pair<std::string, std::string>> changes) const {
  if (!WinePrefix.empty()) {
    // No debug output, and no offer to install .NET or a browser engine
    // while the new prefix is made.
    changes.push_back({"WINEPREFIX", WinePrefix});
    changes.push_back({"WINEDEBUG", "-all"});
    changes.push_back({"WINEDLLOVERRIDES", "mscoree,mshtml="});
  }
  return changes;
}

bool GameHarness::Start(bool withDisplay) { return Launch(VARNOK_GAME, withDisplay); }

bool GameHarness::StartLauncher(const std::string& launcher) {
  GameDir = HomeDir + "/.local/share/varnok";
  return Launch(launcher, true);
}

bool GameHarness::Launch(const std::string& program, bool withDisplay) {
  if (Display.empty() || GamePid > 0) return false;
  const char* path = getenv("PATH");
  std::vector<std::pair<std::string, std::string>> changes = {{"DISPLAY", withDisplay ? Display : ""},
                                                              {"XAUTHORITY", ""},
                                                              {"HOME", HomeDir},
                                                              {"XDG_DATA_HOME", ""},
                                                              {"PATH", BinDir + ":" + (path ? path : "")}};
#ifdef VARNOK_E2E_PRELOAD
  // The sanitizer runtime checks that it is loaded first; the preloaded
  // library only replaces dlclose and does not disturb it.
  const char* asan = getenv("ASAN_OPTIONS");
  changes.push_back({"LD_PRELOAD", VARNOK_E2E_PRELOAD});
  changes.push_back({"ASAN_OPTIONS", std::string(asan ? asan : "") + (asan && *asan ? ":" : "") +
                                         "verify_asan_link_order=0"});
#endif
  std::vector<std::string> env = Environment(WineSettings(changes));
  std::vector<std::string> args = GameCommand.empty() ? std::vector<std::string>{program} : GameCommand;
  GameStatus.reset();
  GamePid = fork();
  if (GamePid < 0) return false;
  if (GamePid == 0) {
    PrepareChild();
    const int out = open(OutputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    if (chdir(WorkDir.c_str()) != 0) _exit(126);
    std::vector<char*> argv = CStrings(args);
    std::vector<char*> envp = CStrings(env);
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return true;
}

bool GameHarness::Running() {
  if (GamePid <= 0) return false;
  const std::optional<int> status = WaitChild(GamePid, Clock::now());
  if (!status) return true;
  GameStatus = status;
  GamePid = -1;
  return false;
}

std::optional<int> GameHarness::WaitForExit(double seconds) {
  if (GamePid > 0) {
    const std::optional<int> status = WaitChild(GamePid, Deadline(seconds));
    if (!status) return std::nullopt;
    GameStatus = status;
    GamePid = -1;
  }
  return GameStatus;
}

void GameHarness::Kill() {
  if (GamePid <= 0) return;
  KillGroup(GamePid, SIGKILL);
  WaitChild(GamePid, Deadline(10));
  GamePid = -1;
}

void GameHarness::Signal(int signal) {
  if (GamePid > 0) kill(GamePid, signal);
}

bool GameHarness::CloseWindow() {
  ::Display* display = XOpenDisplay(Display.c_str());
  if (display == nullptr || WindowId.empty()) {
    if (display != nullptr) XCloseDisplay(display);
    return false;
  }
  const Window window = std::stoul(WindowId);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
  XSync(display, False);
  XCloseDisplay(display);
  return sent;
}

std::vector<std::string> GameHarness::LogLines() const {
  std::vector<std::string> lines;
  std::istringstream in(Slurp(PathOf("log.txt")));
  std::string line;
  while (std::getline(in, line)) {
    // The Windows build ends its text lines with CR LF.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool GameHarness::WaitForLog(const std::string& line, double seconds) {
  const Clock::time_point deadline = Deadline(seconds);
  for (;;) {
    // Check the game first: lines written just before it ended still count.
    const bool running = Running();
    for (const std::string& l : LogLines())
      if (l == line) return true;
    if (!running || Clock::now() >= deadline) return false;
    SleepMs(100);
  }
}

int GameHarness::RunTool(const std::vector<std::string>& args, std::string* out, double seconds) const {
  std::vector<std::string> argStrings = args;
  std::vector<std::string> env = ToolEnvironment();
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    PrepareChild();
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDERR_FILENO);
    std::vector<char*> argv = CStrings(argStrings);
    std::vector<char*> envp = CStrings(env);
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(fds[1]);
  std::string output;
  const Clock::time_point deadline = Deadline(seconds);
  bool open = true;
  while (open && Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buffer[65536];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) open = false;
    else output.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  std::optional<int> status = WaitChild(pid, open ? Clock::now() : deadline);
  if (!status) {
    KillGroup(pid, SIGKILL);
    WaitChild(pid, Deadline(10));
    status = -1;
  }
  if (out != nullptr) *out = output;
  return *status;
}

bool GameHarness::WaitForWindow(double seconds) {
  const Clock::time_point deadline = Deadline(seconds);
  while (Clock::now() < deadline) {
    if (!Running()) return false;
    // Both of the game's windows carry its name: Allegro's own, never shown,
    // and the OpenGL window. Only the second is viewable.
    std::string out;
    if (RunTool({"xdotool", "search", "--onlyvisible", "--name", "Varnok"}, &out, 10) == 0) {
      std::istringstream ids(out);
      std::string id;
      if (ids >> id) {
        WindowId = id;
        // Without a window manager nothing gives the window the focus; the
        // keys from xdotool go to the focused window.
        RunTool({"xdotool", "windowfocus", "--sync", WindowId}, nullptr, 10);
        return true;
      }
    }
    SleepMs(200);
  }
  return false;
}

std::string GameHarness::WindowTitle() const {
  std::string out;
  if (WindowId.empty() || RunTool({"xdotool", "getwindowname", WindowId}, &out, 10) != 0) return "";
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

void GameHarness::KeyDown(const std::string& keysym) {
  if (!WindowId.empty()) RunTool({"xdotool", "windowfocus", WindowId}, nullptr, 10);
  RunTool({"xdotool", "keydown", keysym}, nullptr, 10);
}

void GameHarness::KeyUp(const std::string& keysym) { RunTool({"xdotool", "keyup", keysym}, nullptr, 10); }

void GameHarness::Key(const std::string& keysym, int holdMs) {
  KeyDown(keysym);
  SleepMs(holdMs);
  KeyUp(keysym);
}

void GameHarness::Type(const std::string& text) {
  if (!WindowId.empty()) RunTool({"xdotool", "windowfocus", WindowId}, nullptr, 10);
  RunTool({"xdotool", "type", "--delay", "100", text}, nullptr, 10 + 0.2 * static_cast<double>(text.size()));
}

std::optional<Image> GameHarness::Screenshot() {
  std::string out;
  const std::string window = WindowId.empty() ? "root" : WindowId;
  if (RunTool({"import", "-window", window, "-depth", "8", "ppm:-"}, &out, 30) != 0) return std::nullopt;
  return DecodePpm(out);
}

std::optional<Image> GameHarness::WaitForScreen(const std::function<bool(const Image&)>& ready, double seconds) {
  const Clock::time_point deadline = Deadline(seconds);
  while (Clock::now() < deadline && Running()) {
    std::optional<Image> shot = Screenshot();
    if (shot && ready(*shot)) return shot;
    SleepMs(100);
  }
  return std::nullopt;
}

std::optional<Image> GameHarness::WaitForPicture(double seconds) {
  return WaitForScreen([](const Image& image) { return image.CountLit(0, 0, image.width, image.height) > 0; },
                       seconds);
}

std::optional<int> GameHarness::QuitFromMainMenu(double seconds) {
  const Clock::time_point deadline = Deadline(seconds);
  while (Clock::now() < deadline) {
    Key("Escape");
    if (std::optional<int> status = WaitForExit(1.5)) return status;
    Key("Up");
    SleepMs(400);
    Key("Return");
    if (std::optional<int> status = WaitForExit(8)) return status;
  }
  return WaitForExit(0);
}

}  // namespace e2e
