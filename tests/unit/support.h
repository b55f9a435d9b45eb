// What several unit tests share: files and folders on disk.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file holding `text`, removed with the object.
struct TempFile {
  explicit TempFile(const std::string& text) {
    EXPECT_NE(close(mkstemp(Path.data())), -1);
    std::ofstream(Path, std::ios::binary) << text;
  }
  ~TempFile() { std::remove(Path.c_str()); }
  std::string Path = "/tmp/varnok_unit_XXXXXX";
};

// A fresh working folder for the life of the object.
struct ScratchDir {
  ScratchDir() { std::filesystem::current_path(mkdtemp(Path.data())); }
  ~ScratchDir() {
    std::filesystem::current_path(Previous);
    std::filesystem::remove_all(Path);
  }
  std::filesystem::path Previous = std::filesystem::current_path();
  std::string Path = "/tmp/varnok_dir_XXXXXX";
};
