// Writes a FastTracker II extended module (version 1.04): a 60-byte file
// header and 276-byte song header, packed patterns, then each instrument
// header (263 bytes) with its 40-byte sample header and delta-coded 16-bit
// sample data.
#include <fstream>

#include "xmgen.h"

namespace xmgen {
namespace {

class Bytes {
 public:
  void U8(int v) { data_.push_back(static_cast<char>(v & 0xff)); }
  void U16(int v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(static_cast<int>(v & 0xffff));
    U16(static_cast<int>(v >> 16));
  }
  void Text(const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) U8(i < text.size() ? text[i] : 0);
  }
  void Zeros(size_t count) { data_.append(count, '\0'); }
  size_t Size() const { return data_.size(); }
  void Append(const Bytes& other) { data_ += other.data_; }
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
};

void WritePattern(Bytes& out, const Pattern& pattern, size_t channels) {
  Bytes packed;
  for (const auto& row : pattern.cells) {
    for (size_t ch = 0; ch < channels; ++ch) {
      const Cell cell = ch < row.size() ? row[ch] : Cell();
      // Packed cells: a flag byte saying which of the five fields follow.
      int flags = 0x80 | (cell.note ? 1 : 0) | (cell.instrument ? 2 : 0) | (cell.volume ? 4 : 0) |
                  (cell.effect ? 8 : 0) | (cell.param ? 16 : 0);
      packed.U8(flags);
      if (cell.note) packed.U8(cell.note);
      if (cell.instrument) packed.U8(cell.instrument);
      if (cell.volume) packed.U8(cell.volume);
      if (cell.effect) packed.U8(cell.effect);
      if (cell.param) packed.U8(cell.param);
    }
  }
  out.U32(9);  // pattern header length
  out.U8(0);   // packing type
  out.U16(pattern.rows);
  out.U16(static_cast<int>(packed.Size()));
  out.Append(packed);
}

void WriteInstrument(Bytes& out, const Instrument& in) {
  const size_t start = out.Size();
  out.U32(263);
  out.Text(in.name, 22);
  out.U8(0);   // type
  out.U16(1);  // one sample
  out.U32(40); // sample header size
  out.Zeros(96);  // every note plays sample 0
  for (size_t i = 0; i < 12; ++i) {
    out.U16(i < in.envelope.size() ? in.envelope[i].tick : 0);
    out.U16(i < in.envelope.size() ? in.envelope[i].level : 0);
  }
  for (size_t i = 0; i < 12; ++i) {
    out.U16(i < in.panEnvelope.size() ? in.panEnvelope[i].tick : 0);
    out.U16(i < in.panEnvelope.size() ? in.panEnvelope[i].level : 0);
  }
  out.U8(static_cast<int>(in.envelope.size()));
  out.U8(static_cast<int>(in.panEnvelope.size()));
  out.U8(in.sustainPoint);
  out.U8(0);  // volume loop start
  out.U8(0);  // volume loop end
  out.U8(0);  // panning sustain
  out.U8(0);  // panning loop start
  out.U8(in.panEnvelope.empty() ? 0 : static_cast<int>(in.panEnvelope.size()) - 1);  // panning loop end
  out.U8(in.envelope.empty() ? 0 : 3);     // volume envelope on, with sustain
  out.U8(in.panEnvelope.empty() ? 0 : 5);  // panning envelope on, looped
  out.U8(0);  // vibrato type: sine
  out.U8(in.vibratoSweep);
  out.U8(in.vibratoDepth);
  out.U8(in.vibratoRate);
  out.U16(0);  // no fadeout: the envelope's release ends every note
  out.Zeros(22);
  if (out.Size() - start != 263) Fail("instrument header size");

  const uint32_t bytes = static_cast<uint32_t>(in.pcm.size() * 2);
  out.U32(bytes);
  out.U32(0);                     // loop start
  out.U32(in.loop ? bytes : 0);   // loop length
  out.U8(in.volume);
  out.U8(in.finetune);
  out.U8((in.loop ? 1 : 0) | 0x10);  // forward loop, 16-bit
  out.U8(128);                    // panning (every note sets its own)
  out.U8(in.relativeNote);
  out.U8(0);
  out.Text(in.name, 22);

  int16_t previous = 0;
  for (int16_t sample : in.pcm) {
    out.U16(static_cast<uint16_t>(sample - previous));
    previous = sample;
  }
}

}  // namespace

void WriteXm(const Song& song, const std::string& path) {
  const size_t channels = (song.channels.size() + 1) / 2 * 2;  // FastTracker wants an even count
  Bytes out;
  out.Text("Extended Module: ", 17);
  out.Text(song.title, 20);
  out.U8(0x1a);
  out.Text("xmgen", 20);
  out.U16(0x0104);
  out.U32(276);
  out.U16(static_cast<int>(song.order.size()));
  out.U16(song.restart);
  out.U16(static_cast<int>(channels));
  out.U16(static_cast<int>(song.patterns.size()));
  out.U16(static_cast<int>(song.instruments.size()));
  out.U16(1);  // linear frequency table
  out.U16(song.speed);
  out.U16(song.tempo);
  for (size_t i = 0; i < 256; ++i) out.U8(i < song.order.size() ? song.order[i] : 0);
  for (const Pattern& pattern : song.patterns) WritePattern(out, pattern, channels);
  for (const Instrument& instrument : song.instruments) WriteInstrument(out, instrument);

  std::ofstream file(path, std::ios::binary);
  file.write(out.Data().data(), static_cast<std::streamsize>(out.Size()));
  if (!file) Fail("cannot write " + path);
}

}  // namespace xmgen
