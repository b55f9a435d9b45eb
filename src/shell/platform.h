// What differs between Windows and POSIX systems, behind one interface so the
// rest of the game stays free of platform conditionals.
#pragma once

#include <string>

// Puts the finished file `source` in place of `target` durably: the bytes of
// `source` reach the disk first, then it replaces `target` (which may exist)
// in one step. False on any failure; `target` is then unchanged.
bool ReplaceFileDurably(const std::string& source, const std::string& target);

// Called first thing at start-up. On Windows a shortcut or a console may start
// the game from any folder: when the working folder holds no "data/font.dat",
// the game moves to the folder of its executable, where the zip put its data
// (and where it keeps its log, options and Hall of Fame). Elsewhere the game
// is started in its data folder and this does nothing.
void EnterGameFolder();
