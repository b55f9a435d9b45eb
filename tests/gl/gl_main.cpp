// Entry of the GL test executable: a real 800x600 windowed OpenGL display with the game's 2D view, run from a
// scratch directory that links `data` to the generated data so that code under test finds "data/..." as the
// game does. gtest comes first: the X11 headers under alleggl.h define macros (None, Bool) that break it.
#include <gtest/gtest.h>
#include <allegro.h>
#include <alleggl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "graphics/gltwodee.h"
#include "headless.h"
#include "shell/common.h"

namespace {

std::string WorkDir;

// Runs at any exit, also when code under test ends a death test's process through ErrorExit.
void RemoveWorkDir() {
  if (chdir("/") != 0) perror("/");
  std::error_code ignored;
  std::filesystem::remove_all(WorkDir, ignored);
}

// Allegro shows a fatal message through xmessage, which would wait for a click: a stand-in first on PATH prints
// it to stderr, where death tests match it.
bool InstallMessageStandIn() {
  const std::string bin = WorkDir + "/msgbin";
  const std::string make = "mkdir " + bin + " && printf '#!/bin/sh\\necho \"$@\" >&2\\n' >" + bin +
                           "/xmessage && chmod +x " + bin + "/xmessage";
  return system(make.c_str()) == 0 && setenv("PATH", (bin + ":" + getenv("PATH")).c_str(), 1) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A forked child would share this process's X connection and GL context; death tests start a fresh process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");

  char dirTemplate[] = "/tmp/varnok_gl_XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr) {
    perror("mkdtemp");
    return 1;
  }
  WorkDir = dirTemplate;
  atexit(RemoveWorkDir);
  if (symlink(VARNOK_DATA_DIR, (WorkDir + "/data").c_str()) != 0 || chdir(WorkDir.c_str()) != 0 ||
      !InstallMessageStandIn()) {
    perror(WorkDir.c_str());
    return 1;
  }
  if (!StartHeadlessDisplay("gl_tests")) return 1;

  // The game's three fonts, shared by every test that draws text.
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
    Globals::MenuFont = Globals::SmallFont = Globals::MediumFont = nullptr;
  }
  unload_datafile(fonts);
  allegro_exit();
  return result;
}
