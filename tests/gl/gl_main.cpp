// Entry of the GL test executable: a real 800x600 windowed OpenGL display
// with the game's 2D view, run from a scratch directory that links `data` to
// the generated data so that code under test finds "data/..." as the game does.
// gtest comes first: alleggl.h pulls in X11 headers whose macros (None,
// Bool) break gtest's own declarations.
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

// Runs at any exit, also when code under test ends the process through
// ErrorExit inside a death test.
void RemoveWorkDir() {
  if (WorkDir.empty()) return;
  if (chdir("/") != 0) perror("/");
  std::error_code ignored;
  std::filesystem::remove_all(WorkDir, ignored);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A forked child would share this process's X connection and GL context;
  // death tests start a fresh process with its own display instead.
  GTEST_FLAG_SET(death_test_style, "threadsafe");

  char dirTemplate[] = "/tmp/varnok_gl_XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr) {
    perror("mkdtemp");
    return 1;
  }
  WorkDir = dirTemplate;
  atexit(RemoveWorkDir);
  if (symlink(VARNOK_DATA_DIR, (WorkDir + "/data").c_str()) != 0 || chdir(WorkDir.c_str()) != 0) {
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
