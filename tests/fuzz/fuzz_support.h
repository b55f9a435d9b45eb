// Shared by the fuzz targets: the invariant check and a private scratch folder per process.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

// Prints the broken invariant and aborts, so that libFuzzer saves the input and the replay of the normal builds fails.
#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0        \
               : (std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition), std::abort()))

// A path in a folder of its own, removed at exit; in memory where there is a tmpfs, as files are rewritten every run.
inline std::string ScratchPath(const std::string& name) {
  static std::string folder;
  if (folder.empty()) {
    folder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/varnok_fuzz_XXXXXX" : "/tmp/varnok_fuzz_XXXXXX";
    FUZZ_CHECK(mkdtemp(folder.data()) != nullptr);
    atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    });
  }
  return folder + "/" + name;
}

inline std::string AsText(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}
