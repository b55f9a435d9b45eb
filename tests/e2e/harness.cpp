#include "e2e/harness.h"

// After gtest: Xlib defines None and Status as macros.
#include <X11/Xlib.h>

namespace e2e {

bool GameHarness::CloseWindow() {
  ::Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || WindowId.empty()) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = std::stoul(WindowId);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0;
  XCloseDisplay(display);
  return sent;
}

int Count(const Image& shot, int x1, int y1, int x2, int y2, const std::function<bool(Rgb)>& wanted) {
  int count = 0;
  for (int y = std::max(0, y1); y < std::min(shot.height, y2); ++y)
    for (int x = std::max(0, x1); x < std::min(shot.width, x2); ++x) count += wanted(shot.At(x, y));
  return count;
}

int CountNear(const Image& shot, int x1, int y1, int x2, int y2, Rgb c, int tolerance) {
  return Count(shot, x1, y1, x2, y2, [&](Rgb p) {
    return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
  });
}

int CountLit(const Image& shot, int x1, int y1, int x2, int y2) {
  return Count(shot, x1, y1, x2, y2, [](Rgb p) { return (p.r | p.g | p.b) != 0; });
}

namespace {
int RowCount(const Image& shot, int row, Rgb colour) {
  return CountNear(shot, TextLeft, 300 + 30 * row, 600, 328 + 30 * row, colour);
}
int MenuRows(const Image& shot) {
  int rows = 0;
  for (int i = 0; i < 8; ++i)
    if (RowCount(shot, i, LightGrey) + RowCount(shot, i, Rgb{100, 100, 255}) > 30) rows = i + 1;
  return rows;
}
bool TitleShown(const Image& shot) { return CountNear(shot, 200, 250, 600, 285, LightGrey) > 50; }
}  // namespace

int HighlightedRow(const Image& shot) {
  for (int i = 0; i < 8; ++i)
    if (RowCount(shot, i, Rgb{100, 100, 255}) > 30) return i;
  return -1;
}

bool IsMainMenu(const Image& shot) { return MenuRows(shot) == 5 && HighlightedRow(shot) >= 0 && !TitleShown(shot); }
bool IsOptionsMenu(const Image& shot) { return MenuRows(shot) == 6 && HighlightedRow(shot) >= 0; }
bool IsDebriefing(const Image& shot) {
  return TitleShown(shot) && CountNear(shot, TextLeft, 300, 600, 318, LightGrey) > 30;
}
// "Name: " in white, partly over the moon's dark sky.
bool IsNameEntry(const Image& shot) {
  return TitleShown(shot) && CountNear(shot, 200, 350, 600, 378, White) > 30 && CountLit(shot, 0, 300, 800, 315) == 0;
}
bool IsMission(const Image& shot) {
  return CountLit(shot, 200, 556, 800, 600) > 600 * 44 * 8 / 10 &&
         CountNear(shot, 4, 587, 96, 597, Rgb{0, 255, 0}, 40) > 200;
}
bool IsTextScreen(const Image& shot) {
  return TitleShown(shot) && CountLit(shot, 0, 301, 800, 315) == 0 && !IsNameEntry(shot) && !IsMission(shot);
}

}  // namespace e2e

// The tests run on a private virtual display (never the desktop's), also
// when started directly rather than from ctest.
int main(int argc, char** argv) {
  if (getenv("VARNOK_E2E_DISPLAY") == nullptr) {
    std::string self = e2e::fs::read_symlink("/proc/self/exe").string();
    std::vector<char*> args = {const_cast<char*>("xvfb-run"),
                               const_cast<char*>("-a"),
                               const_cast<char*>("-s"),
                               const_cast<char*>("-screen 0 1024x768x24 -nolisten tcp"),
                               const_cast<char*>("env"),
                               const_cast<char*>("VARNOK_E2E_DISPLAY=1"),
                               self.data()};
    args.insert(args.end(), argv + 1, argv + argc + 1);
    execvp("xvfb-run", args.data());
    perror("xvfb-run");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
