// The command line: the game itself takes no arguments; --version and --help
// answer and end the process before anything is opened, and anything else is
// a usage error.
#pragma once

#include <iosfwd>

// Prints what the arguments ask for on `out` (answers) or `err` (usage
// errors) and returns the exit status: 0 after --version or --help, 2 after
// anything else. Returns -1, printing nothing, when there are no arguments
// and the game should start.
int AnswerCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
