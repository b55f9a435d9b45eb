#include "fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

namespace {

std::string& ScratchFolder() {
  static std::string folder;
  return folder;
}

void RemoveScratch() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchFolder(), ignored);
}

}  // namespace

void FuzzFail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

std::string ScratchPath(const std::string& name) {
  std::string& folder = ScratchFolder();
  if (folder.empty()) {
    // Files rewritten at every run stay in memory where there is a tmpfs for it.
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    pattern += "/varnok_fuzz_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) FuzzFail("mkdtemp", __FILE__, __LINE__);
    folder = pattern;
    atexit(RemoveScratch);
  }
  return folder + "/" + name;
}
