#include "shell/args.h"

#include <ostream>
#include <string>

namespace {

constexpr const char* kUsage = "Usage: varnok [--help | --version]\n";

}  // namespace

int AnswerCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc <= 1) return -1;
  const std::string arg = argv[1];
  if (argc == 2 && arg == "--version") {
    out << "varnok " << VARNOK_VERSION << "\n";
    return 0;
  }
  if (argc == 2 && arg == "--help") {
    out << kUsage
        << "Varnok, a horizontally scrolling shoot-'em-up. Run it without arguments to play.\n"
           "The game reads its data from data/ in the working directory and keeps\n"
           "options.ini, Highscores and log.txt there; the installed launcher works in\n"
           "${XDG_DATA_HOME:-~/.local/share}/varnok. See varnok(6) for the keys.\n"
           "\n"
           "  --help     show this help and exit\n"
           "  --version  show the version and exit\n";
    return 0;
  }
  // A known option followed by more is faulted on what follows it.
  const bool known = arg == "--version" || arg == "--help";
  err << "varnok: unexpected argument '" << (known ? argv[2] : argv[1]) << "'\n" << kUsage;
  return 2;
}
