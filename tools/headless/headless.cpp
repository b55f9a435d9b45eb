#include "headless.h"

#include <allegro.h>
#include <alleggl.h>
#include <dlfcn.h>
#include <link.h>

#include <cstdio>

#include "graphics/gltwodee.h"

namespace {

// Allegro's modules and Mesa's driver are unloaded at shutdown, before the
// leak checker of the sanitizer build runs; pinned, their own leaks keep
// their library names and can be suppressed by name.
void PinLoadedLibraries() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void*) {
        if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
          dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
      },
      nullptr);
}

}  // namespace

bool StartHeadlessDisplay(const char* who) {
  allegro_init();
  install_allegro_gl();
  install_timer();
  if (!OpenDisplay(false)) {
    std::fprintf(stderr, "%s: cannot open the OpenGL display: %s\n", who, allegro_error);
    return false;
  }
  PinLoadedLibraries();
  Setup2D();
  return true;
}
