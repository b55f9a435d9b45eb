// What several unit tests share: files on disk and the log in a scratch file.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/common.h"

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

// The log goes to a scratch file for the life of the object.
struct LogCapture {
  LogCapture() : File("") {
    Globals::LogFile.close();
    Globals::LogFile.clear();
    Globals::LogFile.open(File.Path, std::ios::trunc);
  }
  ~LogCapture() { Globals::LogFile.close(); }
  std::string Text() {
    Globals::LogFile.flush();
    return FileText(File.Path);
  }
  TempFile File;
};
