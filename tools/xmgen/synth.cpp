// Instrument synthesis. Tonal instruments are band-limited additive waves in a
// seamless loop (several slightly detuned voices beat against each other
// inside the loop, which gives pads and leads their width); drums are one-shot
// samples. Instrument keys:
//   wave=saw|square|pulse|tri|sine|organ      tonal
//        kick|snare|hat|openhat|crash|tom|clap  drums
//   volume=0..64 (sample volume)
//   tonal: cycle=<samples per cycle> voices=<n> detune=<cycles> loop=<cycles>
//          pw=<duty> bright=<harmonic> top=<highest note> sub=<level>
//          attack=<ms> decay=<ms> sustain=0..1 release=<ms>
//          vibrato=<cents>:<Hz>:<ms to full depth> autopan=<depth 0..32>:<seconds>
//   drums: pitch=<Hz> decay=<s> length=<s> rate=<Hz> seed=<n>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "xmgen.h"

namespace xmgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMiddleC = 261.6255653;

// Noise must be the same on every build, so no rand(): a 32-bit xorshift.
struct Rng {
  uint32_t state;
  explicit Rng(uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
  double Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
  }
};

// Chamberlin state-variable filter, run three times per sample so that it
// stays stable up to the Nyquist frequency.
struct Svf {
  double low = 0.0, band = 0.0, high = 0.0;
  void Step(double in, double cutoff, double rate) {
    const double f = 2.0 * std::sin(kPi * std::min(cutoff, rate * 0.45) / (3.0 * rate));
    for (int pass = 0; pass < 3; ++pass) {
      low += f * band;
      high = in - low - 1.414 * band;
      band += f * high;
    }
  }
};

// Tunes a sample recorded at `rate` so that note C-4 plays it at that rate.
void Tune(Instrument& instrument, double rate) {
  const double semitones = 12.0 * std::log2(rate / 8363.0);
  instrument.relativeNote = static_cast<int>(std::lround(semitones));
  instrument.finetune = static_cast<int>(std::lround((semitones - instrument.relativeNote) * 128.0));
  instrument.finetune = std::clamp(instrument.finetune, -128, 127);
}

std::vector<int16_t> ToPcm(const std::vector<double>& wave, double headroom) {
  double peak = 0.0;
  for (double v : wave) peak = std::max(peak, std::fabs(v));
  if (peak <= 0.0) Fail("silent instrument");
  std::vector<int16_t> pcm(wave.size());
  for (size_t i = 0; i < wave.size(); ++i)
    pcm[i] = static_cast<int16_t>(std::lround(wave[i] / peak * headroom * 32767.0));
  return pcm;
}

double HarmonicAmplitude(const std::string& wave, int h, double pw) {
  if (wave == "sine") return h == 1 ? 1.0 : 0.0;
  if (wave == "saw") return 1.0 / h;
  if (wave == "square") return h % 2 ? 1.0 / h : 0.0;
  if (wave == "pulse") return std::sin(kPi * h * pw) / h;
  if (wave == "tri") return h % 2 ? ((h / 2) % 2 ? -1.0 : 1.0) / (h * h) : 0.0;
  if (wave == "organ") {
    switch (h) {
      case 1: return 1.0;
      case 2: return 0.6;
      case 3: return 0.45;
      case 4: return 0.3;
      case 6: return 0.2;
      case 8: return 0.15;
      default: return 0.0;
    }
  }
  Fail("unknown wave '" + wave + "'");
}

void Tonal(Instrument& in, double ticksPerSecond) {
  const Settings& s = in.settings;
  const std::string wave = s.Text("wave", "saw");
  const int cycle = static_cast<int>(s.Num("cycle", 128));
  const int voices = std::max(1, static_cast<int>(s.Num("voices", 1)));
  const int detune = static_cast<int>(s.Num("detune", 1));
  const int loopCycles = static_cast<int>(s.Num("loop", voices > 1 ? 96 : 1));
  const double sub = s.Num("sub", 0.0);
  const int base = sub > 0.0 ? loopCycles * 2 : loopCycles;  // the sub-octave needs whole cycles too
  const size_t length = static_cast<size_t>(cycle) * base;
  const double pw = s.Num("pw", 0.5);
  const double bright = s.Num("bright", 1000.0);
  const double topHz = kMiddleC * std::pow(2.0, (ParseNote(s.Text("top", "C6")) - 49) / 12.0);
  const int topHarmonic = std::max(1, static_cast<int>(18000.0 / topHz));
  if (cycle < 8 || cycle > 4096 || loopCycles < 1 || loopCycles > 1024 || detune < 0 ||
      (voices - 1) * detune / 2 >= base)
    Fail("instrument " + in.name + ": cycle must be 8..4096, loop 1..1024, and the detune smaller than the loop");

  std::vector<double> wavePoints(length, 0.0);
  double meanCycles = 0.0;
  for (int v = 0; v < voices; ++v) {
    const int cycles = base + v * detune - ((voices - 1) * detune) / 2;
    meanCycles += static_cast<double>(cycles) / voices;
    const double offset = static_cast<double>(v) / voices;  // spread the voices' phases
    const int harmonics = std::min<int>(topHarmonic, static_cast<int>(length / (2 * cycles)) - 1);
    for (int h = 1; h <= harmonics; ++h) {
      double a = HarmonicAmplitude(wave, h, pw) / (1.0 + (h / bright) * (h / bright));
      if (a == 0.0) continue;
      for (size_t n = 0; n < length; ++n)
        wavePoints[n] += a * std::sin(2.0 * kPi * h * (cycles * static_cast<double>(n) / length + offset));
    }
  }
  if (sub > 0.0)
    for (size_t n = 0; n < length; ++n)
      wavePoints[n] += sub * voices * std::sin(2.0 * kPi * (base / 2) * static_cast<double>(n) / length);

  // Start the loop at a rising zero crossing so that a note begins without
  // a step; the loop is seamless, so rotating it changes nothing else.
  size_t start = 0;
  for (size_t n = 0; n < length; ++n) {
    const double here = wavePoints[n], next = wavePoints[(n + 1) % length];
    if (here <= 0.0 && next > 0.0 && std::fabs(here) < std::fabs(wavePoints[start])) start = n;
  }
  std::rotate(wavePoints.begin(), wavePoints.begin() + static_cast<long>(start), wavePoints.end());
  in.pcm = ToPcm(wavePoints, 0.95);
  in.loop = true;
  Tune(in, kMiddleC * length / meanCycles);

  // ADSR as a volume envelope; key-off releases from the sustain point.
  auto ticks = [&](const char* key, double fallback) {
    return std::max(1, static_cast<int>(std::lround(s.Num(key, fallback) / 1000.0 * ticksPerSecond)));
  };
  const int attack = ticks("attack", 10), decay = ticks("decay", 200), release = ticks("release", 150);
  const int sustain = static_cast<int>(std::lround(64.0 * std::clamp(s.Num("sustain", 0.7), 0.0, 1.0)));
  if (attack + decay + release > 65535) Fail("instrument " + in.name + ": envelope too long");
  // The envelope is read once per tick: starting it at the level of the end
  // of the first tick keeps notes from lagging a whole tick behind the drums.
  const int firstLevel = 64 / attack;
  in.envelope = {{0, firstLevel}, {attack, 64}, {attack + decay, sustain}, {attack + decay + release, 0}};
  in.sustainPoint = 2;

  // Auto-pan: a looped panning envelope sways the note slowly around its
  // channel's position.
  const std::string autopan = s.Text("autopan", "");
  if (!autopan.empty()) {
    double depth = 0.0, seconds = 0.0;
    std::sscanf(autopan.c_str(), "%lf:%lf", &depth, &seconds);
    const int quarter = std::max(1, static_cast<int>(std::lround(seconds * ticksPerSecond / 4.0)));
    const int d = std::clamp(static_cast<int>(std::lround(depth)), 0, 32);
    in.panEnvelope = {{0, 32}, {quarter, std::min(64, 32 + d)}, {3 * quarter, 32 - d}, {4 * quarter, 32}};
  }

  // Auto-vibrato: depth steps are about 1.6 cents, the rate is the phase step
  // per tick (256 a cycle), the sweep the ticks it takes to reach full depth.
  const std::string vibrato = s.Text("vibrato", "");
  if (!vibrato.empty()) {
    double cents = 0.0, hertz = 0.0, delay = 0.0;
    std::sscanf(vibrato.c_str(), "%lf:%lf:%lf", &cents, &hertz, &delay);
    in.vibratoDepth = std::clamp(static_cast<int>(std::lround(cents / 1.6)), 0, 15);
    in.vibratoRate = std::clamp(static_cast<int>(std::lround(hertz * 256.0 / ticksPerSecond)), 0, 63);
    in.vibratoSweep = std::clamp(static_cast<int>(std::lround(delay / 1000.0 * ticksPerSecond)), 0, 255);
  }
}

// The metallic part of cymbals: square waves at inharmonic ratios.
double Metal(double t, double pitch) {
  static const double kRatios[] = {1.0, 1.4826, 1.8003, 2.5461, 2.6303, 3.8966};
  double v = 0.0;
  for (double r : kRatios) v += std::fmod(t * pitch * r, 1.0) < 0.5 ? 1.0 : -1.0;
  return v / 6.0;
}

void Drum(Instrument& in) {
  const Settings& s = in.settings;
  const std::string wave = s.Text("wave", "kick");
  const double rate = s.Num("rate", 44100);
  const double decay = s.Num("decay", 0.25);
  const double pitch = s.Num("pitch", 0.0);
  const double seconds = s.Num("length", 0.4);
  if (!(seconds > 0.0 && seconds <= 10.0) || rate < 8000 || rate > 96000 || decay <= 0.0)
    Fail("instrument " + in.name + ": length must be 0..10 s, rate 8000..96000 Hz, decay positive");
  const size_t length = static_cast<size_t>(seconds * rate);
  Rng rng(static_cast<uint32_t>(s.Num("seed", 7)));
  Svf high, low;
  std::vector<double> out(length);
  double phase = 0.0;
  for (size_t i = 0; i < length; ++i) {
    const double t = i / rate;
    double v = 0.0;
    if (wave == "kick" || wave == "tom") {
      const double top = wave == "kick" ? 3.4 : 1.6;
      const double p = pitch > 0 ? pitch : (wave == "kick" ? 48.0 : 110.0);
      phase += p * (1.0 + (top - 1.0) * std::exp(-t / 0.025)) / rate;
      double body = std::sin(2.0 * kPi * phase) * std::exp(-t / decay);
      low.Step(rng.Next(), 3000.0, rate);
      v = std::tanh(1.6 * body) + 0.5 * low.low * std::exp(-t / 0.004);
    } else if (wave == "snare") {
      const double p = pitch > 0 ? pitch : 185.0;
      double tone = (std::sin(2.0 * kPi * p * t) + 0.5 * std::sin(2.0 * kPi * p * 1.78 * t)) * std::exp(-t / 0.05);
      high.Step(rng.Next(), 1400.0, rate);
      low.Step(high.high, 9000.0, rate);
      v = 0.55 * tone + 1.1 * low.low * std::exp(-t / decay);
    } else if (wave == "clap") {
      high.Step(rng.Next(), 900.0, rate);
      low.Step(high.high, 2600.0, rate);
      double env = std::exp(-t / decay);
      for (double burst : {0.0, 0.011, 0.022})
        if (t >= burst) env = std::max(env, std::exp(-(t - burst) / 0.006));
      v = low.low * env * 2.0;
    } else if (wave == "hat" || wave == "openhat" || wave == "crash") {
      const double p = pitch > 0 ? pitch : (wave == "crash" ? 310.0 : 420.0);
      const double cut = wave == "crash" ? 3500.0 : 7000.0;
      high.Step(0.6 * Metal(t, p) + 0.6 * rng.Next(), cut, rate);
      double attack = wave == "crash" ? std::min(1.0, t / 0.002) : 1.0;
      v = high.high * std::exp(-t / decay) * attack;
    } else {
      Fail("unknown wave '" + wave + "'");
    }
    out[i] = v;
  }
  // The last quarter fades out along a half cosine, so a tail that is cut
  // short by the sample's end dies away instead of stopping with a thump.
  const size_t fade = length / 4;
  for (size_t i = 0; i < fade; ++i) out[length - 1 - i] *= 0.5 - 0.5 * std::cos(kPi * i / fade);
  in.pcm = ToPcm(out, 0.95);
  in.loop = false;
  Tune(in, rate);
}

}  // namespace

void SynthesiseInstruments(Song& song) {
  const double ticksPerSecond = song.tempo * 2.0 / 5.0;
  static const std::vector<std::string> kDrums = {"kick", "snare", "hat", "openhat", "crash", "tom", "clap"};
  for (Instrument& in : song.instruments) {
    in.volume = std::clamp(static_cast<int>(in.settings.Num("volume", 64)), 0, 64);
    const std::string wave = in.settings.Text("wave", "saw");
    if (std::find(kDrums.begin(), kDrums.end(), wave) != kDrums.end()) Drum(in);
    else Tonal(in, ticksPerSecond);
  }
}

}  // namespace xmgen
