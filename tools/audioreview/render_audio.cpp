// render_audio: renders music modules through DUMB (as the game plays them)
// and unpacks the samples of a sound datafile, writing WAV files that a
// person can listen to, and prints length, peak and RMS of each.
//
//   render_audio -o <directory> [-r <rate>] [-v <volume>] <file.xm|file.dat>...
//
// -v sets the playback volume of the modules that follow it (the game plays
// the menu music at 0.4, briefing 0.2, mission 0.6). A module is rendered
// from its start to the point where it loops.
#define ALLEGRO_NO_MAGIC_MAIN
#include <allegro.h>
#include <dumb.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Put32(std::ofstream& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xff));
}
void Put16(std::ofstream& out, uint16_t v) {
  out.put(static_cast<char>(v & 0xff));
  out.put(static_cast<char>(v >> 8));
}

bool WriteWav(const std::string& path, int rate, int channels, const std::vector<int16_t>& pcm) {
  std::ofstream out(path, std::ios::binary);
  const uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
  out.write("RIFF", 4);
  Put32(out, 36 + bytes);
  out.write("WAVEfmt ", 8);
  Put32(out, 16);
  Put16(out, 1);
  Put16(out, static_cast<uint16_t>(channels));
  Put32(out, static_cast<uint32_t>(rate));
  Put32(out, static_cast<uint32_t>(rate * channels * 2));
  Put16(out, static_cast<uint16_t>(channels * 2));
  Put16(out, 16);
  out.write("data", 4);
  Put32(out, bytes);
  for (int16_t s : pcm) Put16(out, static_cast<uint16_t>(s));
  return static_cast<bool>(out);
}

void Report(const std::string& path, int rate, int channels, const std::vector<int16_t>& pcm) {
  double peak = 0.0, sum = 0.0;
  for (int16_t s : pcm) {
    peak = std::max(peak, std::fabs(static_cast<double>(s)));
    sum += static_cast<double>(s) * s;
  }
  double rms = pcm.empty() ? 0.0 : std::sqrt(sum / pcm.size());
  std::printf("%-40s %7.2f s  peak %5.1f dBFS  rms %5.1f dBFS\n", path.c_str(),
              static_cast<double>(pcm.size()) / channels / rate, 20.0 * std::log10(std::max(peak, 1.0) / 32768.0),
              20.0 * std::log10(std::max(rms, 1.0) / 32768.0));
}

std::string BaseName(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  return name.substr(0, name.find_last_of('.'));
}

bool RenderModule(const std::string& path, const std::string& outDir, int rate, float volume) {
  DUH* duh = dumb_load_xm(path.c_str());
  if (!duh) {
    std::fprintf(stderr, "render_audio: cannot load %s\n", path.c_str());
    return false;
  }
  DUH_SIGRENDERER* sr = duh_start_sigrenderer(duh, 0, 2, 0);
  dumb_it_set_loop_callback(duh_get_it_sigrenderer(sr), dumb_it_callback_terminate, nullptr);
  std::vector<int16_t> pcm;
  std::vector<int16_t> block(4096 * 2);
  const long limit = 600L * rate;  // ten minutes: a module that never loops is cut there
  long frames = 0;
  for (;;) {
    long got = duh_render(sr, 16, 0, volume, 65536.0f / rate, 4096, block.data());
    pcm.insert(pcm.end(), block.begin(), block.begin() + got * 2);
    frames += got;
    if (got < 4096 || frames >= limit) break;
  }
  duh_end_sigrenderer(sr);
  unload_duh(duh);
  std::string out = outDir + "/" + BaseName(path) + ".wav";
  Report(out, rate, 2, pcm);
  return WriteWav(out, rate, 2, pcm);
}

bool UnpackSamples(const std::string& path, const std::string& outDir) {
  DATAFILE* dat = load_datafile(path.c_str());
  if (!dat) {
    std::fprintf(stderr, "render_audio: cannot load %s\n", path.c_str());
    return false;
  }
  bool ok = true;
  for (int i = 0; dat[i].type != DAT_END; ++i) {
    if (dat[i].type != DAT_SAMPLE) continue;
    const SAMPLE* sample = static_cast<const SAMPLE*>(dat[i].dat);
    const int channels = sample->stereo ? 2 : 1;
    std::vector<int16_t> pcm(sample->len * channels);
    for (size_t j = 0; j < pcm.size(); ++j) {
      // Allegro keeps sample data unsigned.
      pcm[j] = sample->bits == 16
                   ? static_cast<int16_t>(static_cast<const uint16_t*>(sample->data)[j] ^ 0x8000)
                   : static_cast<int16_t>((static_cast<const uint8_t*>(sample->data)[j] - 128) * 256);
    }
    // Named after the object ("S00_EXPLOSION_WAV" gives s00_explosion.wav).
    std::string name = get_datafile_property(&dat[i], DAT_NAME);
    if (name.size() > 4 && name.substr(name.size() - 4) == "_WAV") name.resize(name.size() - 4);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.empty()) name = "sample" + std::to_string(i);
    std::string out = outDir + "/" + name + ".wav";
    Report(out, sample->freq, channels, pcm);
    ok = WriteWav(out, sample->freq, channels, pcm) && ok;
  }
  unload_datafile(dat);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir;
  int rate = 44100;
  float volume = 1.0f;
  std::vector<std::pair<std::string, float>> modules;
  std::vector<std::string> datafiles;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-o" && i + 1 < argc) outDir = argv[++i];
    else if (arg == "-r" && i + 1 < argc) rate = std::atoi(argv[++i]);
    else if (arg == "-v" && i + 1 < argc) volume = static_cast<float>(std::atof(argv[++i]));
    else if (arg.size() > 4 && arg.substr(arg.size() - 4) == ".dat") datafiles.push_back(arg);
    else modules.emplace_back(arg, volume);
  }
  if (outDir.empty() || rate <= 0) {
    std::fprintf(stderr, "usage: render_audio -o <directory> [-r <rate>] [-v <volume>] <file.xm|file.dat>...\n");
    return 2;
  }
  bool ok = true;
  dumb_register_stdfiles();
  for (auto& module : modules) ok = RenderModule(module.first, outDir, rate, module.second) && ok;
  if (!datafiles.empty()) {
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return 1;
    for (auto& dat : datafiles) ok = UnpackSamples(dat, outDir) && ok;
  }
  dumb_exit();
  return ok ? 0 : 1;
}
