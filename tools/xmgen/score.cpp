// The score format. One statement per line, '#' at the start of a word
// starts a comment:
//
//   title <text>                 module name
//   tempo <bpm>  speed <ticks per row>  bar <rows per bar>
//   mix <factor>                 scales every note's volume (the piece's level)
//   instrument <name> key=value...          (see synth.cpp for the keys)
//   channel <name> <instrument|drums> [pan=0..255] [vol=0..1] [echo=<channel>:<rows>] [overlap=1]
//   drumkit <letter>=<instrument>[:<note>]...
//   section <name> [bars=<n>]
//     chords <chord>[:<rows>]...             a chord lasts one bar unless given rows
//     <channel> notes <note>[:<rows>][@<percent>] | r[:<rows>] | _[:<rows>] ...
//     <channel> bass   <steps> [oct=<n>]     r root, t third, f fifth, s seventh,
//                                            o octave up, u fifth below
//     <channel> chord  <steps> voice=<n> [low=<note>]
//     <channel> arp    <steps> [low=<note>] [span=<octaves>] [dir=up|down|updown]
//     <channel> drums  <steps>               letters of the drum kit
//   end
//   order <section>...   restart <order index>
//
// Step strings give one character per row and repeat to the end of the
// section: '.' holds, '-' releases the note, an upper-case letter is accented.
// Pattern parts take [at=<bar>] to start later in the section, so a later line
// can change the figure. An echo channel repeats the notes of another channel
// some rows later, at its own instrument, pan and (relative) volume. An
// overlapping channel plays its notes alternately on two tracker channels.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "xmgen.h"

namespace xmgen {

void Fail(const std::string& message) {
  std::cerr << "xmgen: " << message << "\n";
  std::exit(1);
}

double Settings::Num(const std::string& key, double fallback) const {
  auto it = values.find(key);
  return it == values.end() ? fallback : std::atof(it->second.c_str());
}

std::string Settings::Text(const std::string& key, const std::string& fallback) const {
  auto it = values.find(key);
  return it == values.end() ? fallback : it->second;
}

namespace {

// '#' starts a comment only at the start of a word, since it also marks sharps.
std::string StripComment(const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i)
    if (line[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) return line.substr(0, i);
  return line;
}

int PitchClass(const std::string& text, size_t* used) {
  static const int kLetters[] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  if (text.empty() || text[0] < 'A' || text[0] > 'G') Fail("bad pitch '" + text + "'");
  int pc = kLetters[text[0] - 'A'];
  size_t i = 1;
  if (i < text.size() && text[i] == '#') { ++pc; ++i; }
  else if (i < text.size() && text[i] == 'b') { --pc; ++i; }
  *used = i;
  return (pc + 12) % 12;
}

struct Chord {
  int root = 0;                // pitch class
  std::vector<int> intervals;  // semitones above the root
};

Chord ParseChord(const std::string& text) {
  static const std::map<std::string, std::vector<int>> kQualities = {
      {"", {0, 4, 7}},         {"m", {0, 3, 7}},        {"7", {0, 4, 7, 10}},
      {"m7", {0, 3, 7, 10}},   {"maj7", {0, 4, 7, 11}}, {"sus2", {0, 2, 7}},
      {"sus4", {0, 5, 7}},     {"dim", {0, 3, 6}},      {"5", {0, 7}},
      {"add9", {0, 4, 7, 14}}, {"madd9", {0, 3, 7, 14}}};
  size_t used;
  Chord chord;
  chord.root = PitchClass(text, &used);
  auto it = kQualities.find(text.substr(used));
  if (it == kQualities.end()) Fail("unknown chord '" + text + "'");
  chord.intervals = it->second;
  return chord;
}

Settings ParseSettings(std::istringstream& in, const std::string& where) {
  Settings settings;
  std::string token;
  while (in >> token) {
    size_t eq = token.find('=');
    if (eq == std::string::npos) Fail(where + ": expected key=value, got '" + token + "'");
    settings.values[token.substr(0, eq)] = token.substr(eq + 1);
  }
  return settings;
}

struct PartLine {
  std::string channel, kind, where;
  std::vector<std::string> tokens;  // notes: the note tokens; others: the step string
  Settings settings;
};

struct SectionSource {
  std::string name;
  int bars = 0;
  std::vector<std::pair<Chord, int>> chords;  // chord and rows
  std::vector<PartLine> parts;
};

class PatternBuilder {
 public:
  PatternBuilder(Song& song, const SectionSource& source) : song_(song), source_(source) {
    int chordRows = 0;
    for (auto& c : source.chords) chordRows += c.second;
    rows_ = source.bars ? source.bars * song.rowsPerBar : chordRows;
    if (rows_ <= 0 || rows_ > 256) Fail("section " + source.name + " needs 1..256 rows");
    for (auto& c : source.chords)
      for (int r = 0; r < c.second; ++r) chordAt_.push_back(c.first);
    if (chordAt_.empty()) chordAt_.push_back(ParseChord("C"));
    while (static_cast<int>(chordAt_.size()) < rows_) chordAt_.push_back(chordAt_.back());
    pattern_.name = source.name;
    pattern_.rows = rows_;
    pattern_.cells.assign(rows_, std::vector<Cell>(song.channels.size()));
  }

  Pattern Build() {
    for (const PartLine& part : source_.parts) {
      int ch = ChannelIndex(part.channel, part.where);
      const bool drums = song_.channels[ch].instrument < 0;
      if (drums != (part.kind == "drums"))
        Fail(part.where + ": " + (drums ? "only drums play on drum channel " : "drums need a drum channel, not ") + part.channel);
      if (part.kind == "notes") Notes(part, ch);
      else if (part.kind == "drums") Steps(part, ch, &PatternBuilder::DrumStep);
      else if (part.kind == "bass") Steps(part, ch, &PatternBuilder::BassStep);
      else if (part.kind == "chord") Steps(part, ch, &PatternBuilder::ChordStep);
      else if (part.kind == "arp") Steps(part, ch, &PatternBuilder::ArpStep);
      else Fail(part.where + ": unknown part '" + part.kind + "'");
    }
    Echoes();
    Overlaps();
    return pattern_;
  }

 private:
  using StepFn = bool (PatternBuilder::*)(const PartLine&, char, int row, int* note, int* instrument, double* vel);

  int ChannelIndex(const std::string& name, const std::string& where) const {
    for (size_t i = 0; i < song_.channels.size(); ++i)
      if (song_.channels[i].name == name) return static_cast<int>(i);
    Fail(where + ": unknown channel '" + name + "'");
  }

  void Put(int row, int ch, int note, int instrument, double velocity) {
    Cell& cell = pattern_.cells[row][ch];
    cell = Cell();
    cell.note = static_cast<uint8_t>(note);
    if (note == kKeyOff) return;
    const Channel& channel = song_.channels[ch];
    cell.instrument = static_cast<uint8_t>(instrument + 1);
    // The volume column overrides the sample's own volume, so it carries both.
    const double level = song_.instruments[instrument].settings.Num("volume", 64);
    int vol = static_cast<int>(std::lround(level * song_.mix * channel.volume * velocity));
    cell.volume = static_cast<uint8_t>(0x10 + std::clamp(vol, 1, 64));
    cell.effect = 0x08;  // set panning: XM has no per-channel pan of its own
    cell.param = static_cast<uint8_t>(std::min(channel.pan, 255));
  }

  void Notes(const PartLine& part, int ch) {
    const Channel& channel = song_.channels[ch];
    if (channel.instrument < 0) Fail(part.where + ": notes need a tonal channel");
    int row = noteRow_[ch], length = song_.rowsPerBar / 4;
    for (const std::string& token : part.tokens) {
      size_t colon = token.find(':'), at = token.find('@');
      std::string pitch = token.substr(0, std::min(colon, at));
      if (colon != std::string::npos) length = std::atoi(token.substr(colon + 1).c_str());
      double velocity = at == std::string::npos ? 1.0 : std::atof(token.substr(at + 1).c_str()) / 100.0;
      if (length <= 0) Fail(part.where + ": bad length in '" + token + "'");
      if (row >= rows_) Fail(part.where + ": notes run past the end of section " + source_.name);
      if (pitch == "r") Put(row, ch, kKeyOff, 0, 0);
      else if (pitch != "_") Put(row, ch, ParseNote(pitch), channel.instrument, velocity);
      row += length;
    }
    if (row > rows_) Fail(part.where + ": notes run past the end of section " + source_.name);
    noteRow_[ch] = row;
  }

  void Steps(const PartLine& part, int ch, StepFn step) {
    const std::string& steps = part.tokens.at(0);
    const int first = static_cast<int>(part.settings.Num("at", 0)) * song_.rowsPerBar;
    if (first < 0) Fail(part.where + ": at= must not be negative");
    arpIndex_ = 0;
    for (int row = first; row < rows_; ++row) {
      if (row > first && chordAt_[row].root != chordAt_[row - 1].root) arpIndex_ = 0;
      const char c = steps[(row - first) % steps.size()];
      if (c == '.') continue;
      int note = 0, instrument = song_.channels[ch].instrument;
      double velocity = std::isupper(static_cast<unsigned char>(c)) ? 1.0 : 0.8;
      if (c == '-') {
        Put(row, ch, kKeyOff, 0, 0);
        continue;
      }
      if (!(this->*step)(part, c, row, &note, &instrument, &velocity))
        Fail(part.where + ": bad step '" + std::string(1, c) + "'");
      Put(row, ch, note, instrument, velocity);
    }
  }

  bool DrumStep(const PartLine&, char c, int, int* note, int* instrument, double* velocity) {
    auto it = song_.drumKit.find(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (it == song_.drumKit.end()) return false;
    *note = it->second.note;
    *instrument = it->second.instrument;
    if (!std::isupper(static_cast<unsigned char>(c))) *velocity = 0.7;
    return true;
  }

  bool BassStep(const PartLine& part, char c, int row, int* note, int*, double*) {
    const Chord& chord = chordAt_[row];
    const int root = 12 * static_cast<int>(part.settings.Num("oct", 2)) + chord.root + 1;
    auto tone = [&](size_t i, int fallback) { return i < chord.intervals.size() ? chord.intervals[i] : fallback; };
    switch (std::tolower(static_cast<unsigned char>(c))) {
      case 'r': *note = root; break;
      case 't': *note = root + tone(1, 4); break;
      case 'f': *note = root + tone(2, 7); break;
      case 's': *note = root + tone(3, 10); break;
      case 'o': *note = root + 12; break;
      case 'u': *note = root + tone(2, 7) - 12; break;
      default: return false;
    }
    return true;
  }

  // Chord tones laid out upwards from a low note, so that voices move little
  // from one chord to the next.
  std::vector<int> Voicing(const PartLine& part, int row, int octaves) const {
    const Chord& chord = chordAt_[row];
    const int low = ParseNote(part.settings.Text("low", "G3"));
    std::vector<int> notes;
    for (int interval : chord.intervals) {
      int note = low + ((chord.root + interval - (low - 1)) % 12 + 12) % 12;
      notes.push_back(note);
    }
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    const size_t base = notes.size();
    for (int o = 1; o < octaves; ++o)
      for (size_t i = 0; i < base; ++i) notes.push_back(notes[i] + 12 * o);
    return notes;
  }

  bool ChordStep(const PartLine& part, char c, int row, int* note, int*, double*) {
    if (std::tolower(static_cast<unsigned char>(c)) != 'x') return false;
    std::vector<int> notes = Voicing(part, row, 2);
    *note = notes[static_cast<size_t>(part.settings.Num("voice", 0)) % notes.size()];
    return true;
  }

  bool ArpStep(const PartLine& part, char c, int row, int* note, int*, double*) {
    if (std::tolower(static_cast<unsigned char>(c)) != 'x') return false;
    std::vector<int> notes = Voicing(part, row, static_cast<int>(part.settings.Num("span", 2)));
    const std::string dir = part.settings.Text("dir", "up");
    if (dir == "down") std::reverse(notes.begin(), notes.end());
    if (dir == "updown")
      for (size_t i = notes.size() - 1; i-- > 1;) notes.push_back(notes[i]);
    *note = notes[arpIndex_++ % notes.size()];
    return true;
  }

  // A channel with a twin hands every other note to it and releases the
  // note before, so that one note's release rings on under the next one's
  // attack (pads cross-fade instead of dipping at each chord change).
  void Overlaps() {
    for (size_t ch = 0; ch < song_.channels.size(); ++ch) {
      const int twin = song_.channels[ch].twin;
      if (twin < 0) continue;
      bool onTwin = false, started = false;
      for (int row = 0; row < rows_; ++row) {
        Cell cell = pattern_.cells[row][ch];
        if (!cell.note) continue;
        if (cell.note == kKeyOff) {
          // Before the pattern's first note either channel may still sound.
          if (!started || onTwin) pattern_.cells[row][twin] = cell;
          if (onTwin) pattern_.cells[row][ch] = Cell();
          continue;
        }
        // A note still sounding from the previous pattern may be on either
        // channel: the first note of a pattern releases the twin.
        Cell off;
        off.note = kKeyOff;
        if (started) onTwin = !onTwin;
        started = true;
        pattern_.cells[row][onTwin ? ch : twin] = off;
        pattern_.cells[row][onTwin ? twin : ch] = cell;
      }
    }
  }

  void Echoes() {
    for (size_t e = 0; e < song_.channels.size(); ++e) {
      const Channel& echo = song_.channels[e];
      if (echo.echoOf.empty()) continue;
      int src = ChannelIndex(echo.echoOf, "channel " + echo.name);
      if (song_.channels[src].instrument < 0) Fail("channel " + echo.name + " cannot echo drums");
      for (int row = 0; row < rows_; ++row) {
        const Cell& from = pattern_.cells[row][src];
        if (!from.note) continue;
        if (row + echo.echoDelay >= rows_) {
          // This echo would fall into whatever pattern comes next, which may
          // be any: release the echo at the end instead of leaving it ringing.
          Put(rows_ - 1, static_cast<int>(e), kKeyOff, 0, 0);
        } else if (from.note == kKeyOff) {
          Put(row + echo.echoDelay, static_cast<int>(e), kKeyOff, 0, 0);
        } else {
          const double level = song_.instruments[song_.channels[src].instrument].settings.Num("volume", 64);
          double velocity = (from.volume - 0x10) / (level * song_.mix * song_.channels[src].volume);
          Put(row + echo.echoDelay, static_cast<int>(e), from.note, echo.instrument, velocity);
        }
      }
    }
  }

  Song& song_;
  const SectionSource& source_;
  int rows_ = 0;
  std::vector<Chord> chordAt_;
  std::map<int, int> noteRow_;
  size_t arpIndex_ = 0;
  Pattern pattern_;
};

}  // namespace

int ParseNote(const std::string& text) {
  size_t used;
  int pc = PitchClass(text, &used);
  // Cb and B# cross the octave boundary; keep the written octave's meaning.
  int octaveShift = 0;
  if (text[0] == 'C' && used == 2 && text[1] == 'b') octaveShift = -1;
  if (text[0] == 'B' && used == 2 && text[1] == '#') octaveShift = 1;
  if (used >= text.size() || !std::isdigit(static_cast<unsigned char>(text[used])))
    Fail("note '" + text + "' needs an octave");
  int octave = std::atoi(text.c_str() + used) + octaveShift;
  int note = octave * 12 + pc + 1;
  if (note < 1 || note > 96) Fail("note '" + text + "' out of range");
  return note;
}

Song ParseScore(const std::string& path) {
  std::ifstream file(path);
  if (!file) Fail("cannot read " + path);
  Song song;
  std::vector<SectionSource> sections;
  SectionSource* current = nullptr;
  std::vector<std::string> order;
  std::string line;
  int number = 0;
  auto instrumentIndex = [&](const std::string& name, const std::string& where) {
    for (size_t i = 0; i < song.instruments.size(); ++i)
      if (song.instruments[i].name == name) return static_cast<int>(i);
    Fail(where + ": unknown instrument '" + name + "'");
  };
  while (std::getline(file, line)) {
    ++number;
    line = StripComment(line);
    std::istringstream in(line);
    std::string word;
    if (!(in >> word)) continue;
    const std::string where = path + ":" + std::to_string(number);
    if (current) {
      if (word == "end") {
        current = nullptr;
      } else if (word == "chords") {
        std::string token;
        while (in >> token) {
          size_t colon = token.find(':');
          int rows = colon == std::string::npos ? song.rowsPerBar : std::atoi(token.substr(colon + 1).c_str());
          current->chords.emplace_back(ParseChord(token.substr(0, colon)), rows);
        }
      } else {
        PartLine part;
        part.channel = word;
        part.where = where;
        if (!(in >> part.kind)) Fail(where + ": part needs a kind");
        if (part.kind == "notes") {
          std::string token;
          while (in >> token) part.tokens.push_back(token);
        } else {
          std::string steps;
          if (!(in >> steps)) Fail(where + ": part needs steps");
          part.tokens.push_back(steps);
          part.settings = ParseSettings(in, where);
        }
        current->parts.push_back(part);
      }
      continue;
    }
    if (word == "title") {
      std::getline(in >> std::ws, song.title);
    } else if (word == "tempo") {
      in >> song.tempo;
    } else if (word == "speed") {
      in >> song.speed;
    } else if (word == "mix") {
      in >> song.mix;
    } else if (word == "bar") {
      in >> song.rowsPerBar;
    } else if (word == "restart") {
      in >> song.restart;
    } else if (word == "instrument") {
      Instrument instrument;
      if (!(in >> instrument.name)) Fail(where + ": instrument needs a name");
      instrument.settings = ParseSettings(in, where);
      song.instruments.push_back(instrument);
    } else if (word == "channel") {
      Channel channel;
      std::string instrument;
      if (!(in >> channel.name >> instrument)) Fail(where + ": channel needs a name and an instrument");
      channel.instrument = instrument == "drums" ? -1 : instrumentIndex(instrument, where);
      Settings s = ParseSettings(in, where);
      channel.pan = static_cast<int>(s.Num("pan", 128));
      channel.volume = s.Num("vol", 1.0);
      std::string echo = s.Text("echo", "");
      if (!echo.empty()) {
        if (channel.instrument < 0) Fail(where + ": drum channels cannot echo");
        size_t colon = echo.find(':');
        channel.echoOf = echo.substr(0, colon);
        channel.echoDelay = colon == std::string::npos ? 3 : std::atoi(echo.substr(colon + 1).c_str());
      }
      song.channels.push_back(channel);
      if (s.Num("overlap", 0) != 0) {
        Channel twin = channel;
        twin.name += "+";
        song.channels.back().twin = static_cast<int>(song.channels.size());
        song.channels.push_back(twin);
      }
    } else if (word == "drumkit") {
      for (auto& entry : ParseSettings(in, where).values) {
        std::string name = entry.second, note = "C4";
        size_t colon = name.find(':');
        if (colon != std::string::npos) {
          note = name.substr(colon + 1);
          name = name.substr(0, colon);
        }
        song.drumKit[entry.first.at(0)] = {instrumentIndex(name, where), ParseNote(note)};
      }
    } else if (word == "section") {
      sections.emplace_back();
      current = &sections.back();
      if (!(in >> current->name)) Fail(where + ": section needs a name");
      current->bars = static_cast<int>(ParseSettings(in, where).Num("bars", 0));
    } else if (word == "order") {
      std::string name;
      while (in >> name) order.push_back(name);
    } else {
      Fail(where + ": unknown statement '" + word + "'");
    }
  }
  if (current) Fail(path + ": section " + current->name + " has no end");
  if (song.channels.empty() || song.channels.size() > 32) Fail(path + ": needs 1..32 channels");
  // The ranges FastTracker II allows.
  if (song.tempo < 32 || song.tempo > 255) Fail(path + ": tempo must be 32..255");
  if (song.speed < 1 || song.speed > 31) Fail(path + ": speed must be 1..31");
  if (song.rowsPerBar < 1) Fail(path + ": bar needs at least one row");

  for (const SectionSource& source : sections) {
    song.patterns.push_back(PatternBuilder(song, source).Build());
  }
  for (const std::string& name : order) {
    auto it = std::find_if(song.patterns.begin(), song.patterns.end(),
                           [&](const Pattern& p) { return p.name == name; });
    if (it == song.patterns.end()) Fail(path + ": order names unknown section " + name);
    song.order.push_back(static_cast<int>(it - song.patterns.begin()));
  }
  if (song.order.empty() || song.order.size() > 256) Fail(path + ": order needs 1..256 entries");
  if (song.restart < 0 || song.restart >= static_cast<int>(song.order.size())) Fail(path + ": bad restart");
  return song;
}

}  // namespace xmgen
