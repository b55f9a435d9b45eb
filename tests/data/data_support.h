// Shared by the data tests: where the build puts things and Allegro set up as the game sets it up.
#pragma once

#include <allegro.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace data_test {

const std::string kData = VARNOK_DATA_DIR;
const std::string kBinary = VARNOK_BINARY_DIR;

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline int Shell(const std::string& command) { return std::system(command.c_str()); }

inline bool StartAllegro() {  // without a display, converting what it loads to the game's 32-bit depth
  static const bool started = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
  set_color_depth(32);
  set_color_conversion(COLORCONV_TOTAL);
  return started;
}

}  // namespace data_test
