#include "e2e/harness.h"

// After gtest: Xlib defines None and Status as macros.
#include <X11/Xlib.h>

void e2e::GameHarness::CloseWindow() {
  ::Display* display = XOpenDisplay(nullptr);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = std::stoul(WindowId);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
  XCloseDisplay(display);
}

// A private virtual display (never the desktop's), also when started directly rather than from ctest; it must not
// reset between games, or a game starting while the last one disconnects finds no display.
int main(int argc, char** argv) {
  if (getenv("VARNOK_E2E_DISPLAY") == nullptr) {
    std::vector<const char*> args = {"xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -nolisten tcp -noreset",
                                     "env", "VARNOK_E2E_DISPLAY=1", argv[0]};
    args.insert(args.end(), argv + 1, argv + argc + 1);
    execvp("xvfb-run", const_cast<char* const*>(args.data()));
    perror("xvfb-run");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
