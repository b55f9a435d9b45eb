// The game's 800x600 OpenGL display, in a scratch directory whose `data` links to the generated data.
#include <gtest/gtest.h>  // before the X11 headers, which define None and Bool
#include <allegro.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "graphics/gltwodee.h"
#include "headless.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A forked child would share this process's X connection and GL context; death tests start a fresh process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  char dirTemplate[] = "/tmp/varnok_gl_XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr || chdir(dirTemplate) != 0) {
    perror(dirTemplate);
    return 1;
  }
  static const std::string workDir = dirTemplate;
  // Also when code under test ends a death test's process through ErrorExit.
  atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(workDir, ignored);
  });
  // Allegro shows a fatal message through xmessage, which would wait for a click: a stand-in first on PATH prints
  // it to stderr, where death tests match it.
  std::ofstream("xmessage") << "#!/bin/sh\necho \"$@\" >&2\n";
  setenv("PATH", (workDir + ":" + getenv("PATH")).c_str(), 1);
  if (chmod("xmessage", 0755) != 0 || symlink(VARNOK_DATA_DIR, "data") != 0 || !StartHeadlessDisplay("gl_tests")) {
    perror(dirTemplate);
    return 1;
  }
  DATAFILE* fonts = load_datafile("data/font.dat");
  if (fonts == nullptr) {
    fprintf(stderr, "data/font.dat: not loaded\n");
    return 1;
  }
  int result;
  {
    CGLFont menu(static_cast<FONT*>(fonts[0].dat)), small(static_cast<FONT*>(fonts[1].dat)),
        medium(static_cast<FONT*>(fonts[2].dat));
    Globals::MenuFont = &menu;
    Globals::SmallFont = &small;
    Globals::MediumFont = &medium;
    result = RUN_ALL_TESTS();
  }
  unload_datafile(fonts);
  allegro_exit();
  return result;
}
