// Shared by the fuzz targets: the invariant check that turns a logic fault
// into a crash the fuzzer keeps, and a private scratch folder per process.
#pragma once

#include <cstdint>
#include <string>

// Prints the broken invariant and aborts, so that libFuzzer saves the input
// and the replay of the normal test builds fails.
#define FUZZ_CHECK(condition) ((condition) ? (void)0 : FuzzFail(#condition, __FILE__, __LINE__))
[[noreturn]] void FuzzFail(const char* condition, const char* file, int line);

// A path in a folder of its own for this process, removed at exit.
std::string ScratchPath(const std::string& name);

inline std::string AsText(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}
