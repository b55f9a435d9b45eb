// Shared by the fuzz targets: the invariant check and a private scratch folder per process.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

// Prints the broken invariant and aborts, so that libFuzzer saves the input and the replay of the normal builds fails.
#define FUZZ_CHECK(c) \
  ((c) ? (void)0 : (std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #c), std::abort()))

// A folder of its own, removed at exit; in memory where there is a tmpfs, as files are rewritten every run.
struct ScratchFolder {
  ScratchFolder() { FUZZ_CHECK(mkdtemp(Path.data()) != nullptr); }
  ~ScratchFolder() { std::filesystem::remove_all(Path, Ignored); }
  std::string Path = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/varnok_fz_XXXXXX" : "/tmp/varnok_fz_XXXXXX";
  std::error_code Ignored;
};

inline std::string ScratchPath(const std::string& name) {
  static ScratchFolder folder;
  return folder.Path + "/" + name;
}

inline std::string AsText(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}
