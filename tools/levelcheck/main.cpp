// levelcheck: checks level scripts, the ship definitions they name and the
// epilogue, and prints every problem as "file:line: message".
//
//   levelcheck [--root DIR] [--text FILE]... [LEVEL]...
//
// Paths are taken as the game takes them, relative to DIR (default: the
// working directory, which holds data/). Without LEVEL and --text arguments
// the whole campaign is checked. The exit status is 1 when a problem was
// found, 2 on a usage error.
#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "checker.h"

int main(int argc, char** argv) {
  std::string root = ".";
  std::vector<std::string> levels, texts;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (arg == "--text" && i + 1 < argc) {
      texts.push_back(argv[++i]);
    } else if (arg.compare(0, 2, "--") == 0) {
      std::cerr << "usage: levelcheck [--root DIR] [--text FILE]... [LEVEL]...\n";
      return 2;
    } else {
      levels.push_back(arg);
    }
  }

  if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
    std::cerr << "levelcheck: cannot start Allegro\n";
    return 2;
  }
  // The game loads its fonts after opening a 32-bit mode.
  set_color_depth(32);
  const std::string fontPath = root + "/data/font.dat";
  DATAFILE* fonts = load_datafile(fontPath.c_str());
  FONT* small = fonts != nullptr && fonts[1].type == DAT_FONT ? static_cast<FONT*>(fonts[1].dat) : nullptr;
  if (small == nullptr) {
    std::cerr << "levelcheck: " << fontPath << " has no small font; briefing lines are limited to "
              << levelcheck::Checker::MaxTextChars << " characters instead\n";
  }

  int problems = 0, checked = 0, ships = 0;
  {
    levelcheck::Checker checker(root, small);
    if (levels.empty() && texts.empty()) {
      checker.CheckCampaign();
    } else {
      for (const std::string& level : levels) checker.CheckLevel(level);
      for (const std::string& text : texts) checker.CheckText(text);
    }
    // File by file, line by line.
    std::vector<levelcheck::Problem> sorted = checker.Problems();
    std::stable_sort(sorted.begin(), sorted.end(), [](const levelcheck::Problem& a, const levelcheck::Problem& b) {
      return a.File != b.File ? a.File < b.File : a.Line < b.Line;
    });
    for (const levelcheck::Problem& problem : sorted) {
      std::cout << problem.File;
      if (problem.Line > 0) std::cout << ":" << problem.Line;
      std::cout << ": " << problem.Message << "\n";
    }
    problems = static_cast<int>(checker.Problems().size());
    checked = checker.LevelsChecked();
    ships = checker.ShipsChecked();
  }
  std::cout << checked << " level scripts, " << ships << " ship definitions: " << problems
            << (problems == 1 ? " problem" : " problems") << "\n";
  if (fonts != nullptr) unload_datafile(fonts);
  return problems == 0 ? 0 : 1;
}
