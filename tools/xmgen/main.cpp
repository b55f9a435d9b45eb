// xmgen -o <module.xm> <score>: synthesises the score's instruments and
// writes the piece as an XM module.
#include <string>

#include "xmgen.h"

int main(int argc, char** argv) {
  std::string out, score;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-o" && i + 1 < argc) out = argv[++i];
    else if (score.empty()) score = arg;
    else xmgen::Fail("usage: xmgen -o <module.xm> <score>");
  }
  if (out.empty() || score.empty()) xmgen::Fail("usage: xmgen -o <module.xm> <score>");
  xmgen::Song song = xmgen::ParseScore(score);
  xmgen::SynthesiseInstruments(song);
  xmgen::WriteXm(song, out);
  return 0;
}
