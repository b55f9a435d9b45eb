// sfxgen: synthesises the game's sound effects from a recipe file and writes
// one 16-bit mono WAV file per sound.
//
//   sfxgen -o <output directory> <recipe file>
//
// A recipe file holds blocks (the rate defaults to 44100 Hz)
//
//   sound <name> length=<seconds> [rate=<Hz>] [loud=<dBFS>]
//     <layer kind> key=value ...
//   end
//
// Layer kinds: sine, square, saw, tri (tonal), noise (white), grit (noise held
// for 1/freq seconds, a coarse crackle). Keys (times in seconds, frequencies in
// Hz, "a:b" sweeps exponentially from a to b over the layer):
//   amp, at (start), dur, attack, decay, curve (decay shape exponent), freq,
//   pw (square duty), lp, hp (two-pole filters), res (filter resonance 0..1),
//   vib=rate:semitones, trem=rate:depth, fm=ratio:index, steps=0,4,7 with
//   steptime (a semitone arpeggio), seed (noise generator).
// The finished sound is faded in and out over a few milliseconds and scaled so
// its loudest 50 ms sit at the recipe's loudness, with the peak kept at -1 dBFS.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Noise must be the same on every build, so no rand(): a 32-bit xorshift.
struct Rng {
  uint32_t state;
  explicit Rng(uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
  double Next() {  // uniform in [-1, 1)
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
  }
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "sfxgen: " << message << "\n";
  std::exit(1);
}

struct Range {
  double from = 0.0, to = 0.0;
  bool set = false;
  double At(double frac) const {
    if (from <= 0.0 || to <= 0.0) return from + (to - from) * frac;
    return from * std::pow(to / from, frac);
  }
};

Range ParseRange(const std::string& text) {
  Range r;
  size_t colon = text.find(':');
  r.from = std::atof(text.substr(0, colon).c_str());
  r.to = colon == std::string::npos ? r.from : std::atof(text.substr(colon + 1).c_str());
  r.set = true;
  return r;
}

struct Layer {
  std::string kind;
  std::map<std::string, std::string> keys;
  double Num(const std::string& key, double fallback) const {
    auto it = keys.find(key);
    return it == keys.end() ? fallback : std::atof(it->second.c_str());
  }
  Range Sweep(const std::string& key, double fallback) const {
    auto it = keys.find(key);
    if (it != keys.end()) return ParseRange(it->second);
    Range r;
    r.from = r.to = fallback;
    return r;
  }
};

struct Sound {
  std::string name;
  double length = 0.5;
  int rate = 44100;
  double loudness = -14.0;
  std::vector<Layer> layers;
};

// Chamberlin state-variable filter, run three times per sample so that it
// stays stable up to the Nyquist frequency; no resonance is a Butterworth
// response, and a little resonance gives the zaps their edge.
struct Svf {
  double low = 0.0, band = 0.0;
  void Step(double in, double cutoff, double rate, double res, double* lowOut, double* highOut) {
    const double f = 2.0 * std::sin(kPi * std::min(cutoff, rate * 0.45) / (3.0 * rate));
    const double q = 1.414 - 1.3 * std::clamp(res, 0.0, 1.0);
    double high = 0.0;
    for (int pass = 0; pass < 3; ++pass) {
      low += f * band;
      high = in - low - q * band;
      band += f * high;
    }
    *lowOut = low;
    *highOut = high;
  }
};

// Band-limited step: rounds off the jumps of saw and square waves over one
// sample so that high sweeps do not alias into whistles.
double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

double Oscillator(const std::string& kind, double phase, double pw, double dt) {
  double p = phase - std::floor(phase);
  if (kind == "sine") return std::sin(2.0 * kPi * p);
  if (kind == "square") {
    double q = p + 1.0 - pw;
    return (p < pw ? 1.0 : -1.0) + PolyBlep(p, dt) - PolyBlep(q - std::floor(q), dt);
  }
  if (kind == "saw") return 2.0 * p - 1.0 - PolyBlep(p, dt);
  if (kind == "tri") return p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p;
  Fail("unknown layer kind " + kind);
}

std::vector<int> ParseSteps(const std::string& text) {
  std::vector<int> steps;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) steps.push_back(std::atoi(item.c_str()));
  return steps;
}

void RenderLayer(const Layer& layer, const Sound& sound, std::vector<double>& out) {
  const double rate = sound.rate;
  const double start = layer.Num("at", 0.0);
  const double dur = layer.Num("dur", sound.length - start);
  const double amp = layer.Num("amp", 1.0);
  const double attack = std::max(layer.Num("attack", 0.002), 1.0 / rate);
  const double decay = layer.Num("decay", dur);
  const double curve = layer.Num("curve", 1.0);
  const double pw = layer.Num("pw", 0.5);
  const Range freq = layer.Sweep("freq", 440.0);
  const Range lp = layer.Sweep("lp", 0.0);
  const Range hp = layer.Sweep("hp", 0.0);
  const double res = layer.Num("res", 0.0);
  const Range vib = layer.Sweep("vib", 0.0);
  const Range trem = layer.Sweep("trem", 0.0);
  const Range fm = layer.Sweep("fm", 0.0);
  const double steptime = layer.Num("steptime", 0.1);
  const std::vector<int> steps =
      layer.keys.count("steps") ? ParseSteps(layer.keys.at("steps")) : std::vector<int>{0};
  if (start < 0.0 || dur < 0.0 || decay <= 0.0 || steptime <= 0.0 || steps.empty())
    Fail("sound " + sound.name + ": a " + layer.kind + " layer has a bad time or steps");
  Rng rng(static_cast<uint32_t>(layer.Num("seed", 1.0)));

  Svf lowpass, highpass;
  double phase = 0.0, modPhase = 0.0, held = 0.0, holdPhase = 1.0;
  const size_t first = static_cast<size_t>(start * rate);
  const size_t count = static_cast<size_t>(dur * rate);
  for (size_t i = 0; i < count && first + i < out.size(); ++i) {
    const double t = i / rate;
    const double frac = static_cast<double>(i) / std::max<size_t>(count, 1);
    double env = t < attack ? t / attack : std::pow(std::max(0.0, 1.0 - (t - attack) / decay), curve);
    if (trem.set) env *= 1.0 - trem.to * 0.5 * (1.0 - std::cos(2.0 * kPi * trem.from * t));

    double f = freq.At(frac);
    const size_t step = static_cast<size_t>(t / steptime);
    f *= std::pow(2.0, steps[std::min(step, steps.size() - 1)] / 12.0);
    if (vib.set) f *= std::pow(2.0, vib.to / 12.0 * std::sin(2.0 * kPi * vib.from * t));

    double v;
    if (layer.kind == "noise") {
      v = rng.Next();
    } else if (layer.kind == "grit") {
      holdPhase += f / rate;
      if (holdPhase >= 1.0) {
        holdPhase -= std::floor(holdPhase);
        held = rng.Next();
      }
      v = held;
    } else {
      double p = phase;
      if (fm.set) {
        modPhase += f * fm.from / rate;
        p += fm.to * std::sin(2.0 * kPi * modPhase) / (2.0 * kPi);
      }
      v = Oscillator(layer.kind, p, pw, std::min(0.5, f / rate));
      phase += f / rate;
      phase -= std::floor(phase);
    }
    double low, high;
    if (lp.set) {
      lowpass.Step(v, lp.At(frac), rate, res, &low, &high);
      v = low;
    }
    if (hp.set) {
      highpass.Step(v, hp.At(frac), rate, 0.0, &low, &high);
      v = high;
    }
    out[first + i] += amp * env * v;
  }
}

std::vector<int16_t> Finish(const Sound& sound, std::vector<double> mix) {
  // Fades keep the start and end free of clicks.
  const size_t fadeIn = static_cast<size_t>(0.002 * sound.rate);
  const size_t fadeOut = static_cast<size_t>(0.012 * sound.rate);
  for (size_t i = 0; i < mix.size(); ++i) {
    double g = 1.0;
    if (i < fadeIn) g = static_cast<double>(i) / fadeIn;
    if (i + fadeOut > mix.size()) g *= static_cast<double>(mix.size() - i) / fadeOut;
    mix[i] *= g;
  }
  // Loudness: the RMS of the loudest 50 ms window.
  const size_t window = static_cast<size_t>(0.05 * sound.rate);
  double sum = 0.0, loudest = 0.0, peak = 0.0;
  for (size_t i = 0; i < mix.size(); ++i) {
    sum += mix[i] * mix[i];
    if (i >= window) sum -= mix[i - window] * mix[i - window];
    loudest = std::max(loudest, sum / window);
    peak = std::max(peak, std::fabs(mix[i]));
  }
  if (peak <= 0.0) Fail("sound " + sound.name + " is silent");
  double gain = std::pow(10.0, sound.loudness / 20.0) / std::sqrt(loudest);
  gain = std::min(gain, 0.89 / peak);
  std::vector<int16_t> pcm(mix.size());
  for (size_t i = 0; i < mix.size(); ++i)
    pcm[i] = static_cast<int16_t>(std::lround(std::clamp(mix[i] * gain, -1.0, 1.0) * 32767.0));
  return pcm;
}

void Put32(std::ofstream& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xff));
}
void Put16(std::ofstream& out, uint16_t v) {
  out.put(static_cast<char>(v & 0xff));
  out.put(static_cast<char>(v >> 8));
}

void WriteWav(const std::string& path, int rate, const std::vector<int16_t>& pcm) {
  std::ofstream out(path, std::ios::binary);
  if (!out) Fail("cannot write " + path);
  const uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
  out.write("RIFF", 4);
  Put32(out, 36 + bytes);
  out.write("WAVEfmt ", 8);
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, static_cast<uint32_t>(rate));
  Put32(out, static_cast<uint32_t>(rate * 2));
  Put16(out, 2);
  Put16(out, 16);
  out.write("data", 4);
  Put32(out, bytes);
  for (int16_t s : pcm) Put16(out, static_cast<uint16_t>(s));
  if (!out) Fail("cannot write " + path);
}

std::map<std::string, std::string> ParseKeys(std::istringstream& in, const std::string& where) {
  std::map<std::string, std::string> keys;
  std::string token;
  while (in >> token) {
    size_t eq = token.find('=');
    if (eq == std::string::npos) Fail(where + ": expected key=value, got " + token);
    keys[token.substr(0, eq)] = token.substr(eq + 1);
  }
  return keys;
}

std::vector<Sound> ParseRecipes(const std::string& path) {
  std::ifstream file(path);
  if (!file) Fail("cannot read " + path);
  std::vector<Sound> sounds;
  Sound* current = nullptr;
  std::string line;
  int number = 0;
  while (std::getline(file, line)) {
    ++number;
    line = line.substr(0, line.find('#'));
    std::istringstream in(line);
    std::string word;
    if (!(in >> word)) continue;
    const std::string where = path + ":" + std::to_string(number);
    if (word == "sound") {
      if (current) Fail(where + ": sound inside sound");
      sounds.emplace_back();
      current = &sounds.back();
      if (!(in >> current->name)) Fail(where + ": sound needs a name");
      auto keys = ParseKeys(in, where);
      if (keys.count("length")) current->length = std::atof(keys["length"].c_str());
      if (keys.count("rate")) current->rate = std::atoi(keys["rate"].c_str());
      if (keys.count("loud")) current->loudness = std::atof(keys["loud"].c_str());
      if (!(current->length > 0.0 && current->length <= 10.0) || current->rate < 8000 || current->rate > 96000)
        Fail(where + ": length must be 0..10 s and rate 8000..96000 Hz");
    } else if (word == "end") {
      if (!current) Fail(where + ": end without sound");
      current = nullptr;
    } else {
      if (!current) Fail(where + ": layer outside a sound");
      Layer layer;
      layer.kind = word;
      layer.keys = ParseKeys(in, where);
      current->layers.push_back(layer);
    }
  }
  if (current) Fail(path + ": last sound has no end");
  return sounds;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir, recipes;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-o" && i + 1 < argc) {
      outDir = argv[++i];
    } else if (recipes.empty()) {
      recipes = arg;
    } else {
      Fail("usage: sfxgen -o <output directory> <recipe file>");
    }
  }
  if (outDir.empty() || recipes.empty()) Fail("usage: sfxgen -o <output directory> <recipe file>");

  for (const Sound& sound : ParseRecipes(recipes)) {
    std::vector<double> mix(static_cast<size_t>(sound.length * sound.rate), 0.0);
    for (const Layer& layer : sound.layers) RenderLayer(layer, sound, mix);
    WriteWav(outDir + "/" + sound.name + ".wav", sound.rate, Finish(sound, mix));
  }
  return 0;
}
