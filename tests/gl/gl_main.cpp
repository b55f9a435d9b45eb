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

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);

  char dirTemplate[] = "/tmp/varnok_gl_XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  if (dir == nullptr) {
    perror("mkdtemp");
    return 1;
  }
  const std::string workDir = dir;
  if (symlink(VARNOK_DATA_DIR, (workDir + "/data").c_str()) != 0 || chdir(workDir.c_str()) != 0) {
    perror(workDir.c_str());
    std::filesystem::remove_all(workDir);
    return 1;
  }

  allegro_init();
  install_allegro_gl();
  install_timer();
  allegro_gl_clear_settings();
  allegro_gl_set(AGL_COLOR_DEPTH, 32);
  allegro_gl_set(AGL_Z_DEPTH, 16);
  allegro_gl_set(AGL_FULLSCREEN, 0);
  allegro_gl_set(AGL_DOUBLEBUFFER, 1);
  allegro_gl_set(AGL_REQUIRE, AGL_COLOR_DEPTH | AGL_DOUBLEBUFFER | AGL_Z_DEPTH | AGL_FULLSCREEN);
  set_color_depth(32);
  if (set_gfx_mode(GFX_OPENGL, 800, 600, 0, 0) != 0) {
    fprintf(stderr, "Cannot open the OpenGL display: %s\n", allegro_error);
    std::filesystem::remove_all(workDir);
    return 1;
  }
  Setup2D();

  const int result = RUN_ALL_TESTS();

  allegro_exit();
  if (chdir("/") != 0) perror("/");
  std::filesystem::remove_all(workDir);
  return result;
}
