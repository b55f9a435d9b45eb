// xmgen: turns a text score into an XM module with synthesised instruments.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace xmgen {

[[noreturn]] void Fail(const std::string& message);

// Key=value settings of an instrument or channel as written in the score.
struct Settings {
  std::map<std::string, std::string> values;
  double Num(const std::string& key, double fallback) const;
  std::string Text(const std::string& key, const std::string& fallback) const;
};

// XM note numbers: 1 is C-0, 49 is C-4 (middle C, 261.63 Hz here), 97 is key off.
constexpr int kKeyOff = 97;
// Parses "C4", "F#3", "Bb5" into an XM note number.
int ParseNote(const std::string& text);

struct EnvelopePoint {
  int tick;
  int level;  // 0..64
};

// One instrument with its single synthesised sample.
struct Instrument {
  std::string name;
  Settings settings;
  std::vector<int16_t> pcm;
  bool loop = false;
  int relativeNote = 0;
  int finetune = 0;
  int volume = 64;
  std::vector<EnvelopePoint> envelope;  // empty: no volume envelope
  int sustainPoint = 0;
  std::vector<EnvelopePoint> panEnvelope;  // looped from first to last point; empty: none
  int vibratoDepth = 0, vibratoRate = 0, vibratoSweep = 0;
};

struct Cell {
  uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct Channel {
  std::string name;
  int instrument = -1;  // -1: a drum channel, instruments come from the drum kit
  int pan = 128;
  double volume = 1.0;
  std::string echoOf;  // repeats another channel's notes, delayed
  int echoDelay = 0;
  int twin = -1;  // overlap: the channel that takes every other note
};

struct Pattern {
  std::string name;
  int rows = 0;
  std::vector<std::vector<Cell>> cells;  // [row][channel]
};

struct Song {
  std::string title = "untitled";
  int tempo = 125;  // beats per minute
  int speed = 6;    // ticks per row
  int rowsPerBar = 16;
  double mix = 1.0;  // scales every note's volume
  int restart = 0;  // order index the song loops back to
  std::vector<Instrument> instruments;
  std::vector<Channel> channels;
  struct DrumHit {
    int instrument;
    int note;
  };
  std::map<char, DrumHit> drumKit;  // by pattern letter
  std::vector<Pattern> patterns;
  std::vector<int> order;
};

// Reads a score; instruments are listed but not yet synthesised.
Song ParseScore(const std::string& path);
// Fills in every instrument's sample, envelope and tuning.
void SynthesiseInstruments(Song& song);
// Writes the module.
void WriteXm(const Song& song, const std::string& path);

}  // namespace xmgen
