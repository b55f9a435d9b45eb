#include "shell/common.h"

#include <allegro.h>
#include <aldumb.h>
#include <alleggl.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>

namespace Globals {
std::atomic<int> SpeedCounter{0};
std::atomic<int> Frames{0};
std::atomic<int> FPS{0};
std::atomic<int> Time{0};
int GameSpeed = 70;
int ScreenShake = 0;

int GFXLevel = 1;
bool SoundOn = true;
bool MusicOn = true;
bool ScreenShakeOn = true;
bool Fullscreen = true;

std::ofstream LogFile;
CGLFont* MenuFont = nullptr;
CGLFont* SmallFont = nullptr;
CGLFont* MediumFont = nullptr;
DATAFILE* SoundDat = nullptr;
AL_DUH_PLAYER* DuhPlayer = nullptr;
}  // namespace Globals

void Log(const std::string& line) {
  Globals::LogFile << line << std::endl;
}

void ErrorExit(const std::string& message) {
  if (system_driver == nullptr) {
    // The library never came up: standard error is the only place left.
    fprintf(stderr, "%s\n", message.c_str());
    exit(1);
  }
  set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
  // allegro_message formats its argument, so the message goes through "%s"
  // and is shown whole, whatever its length.
  allegro_message("%s", message.c_str());
  exit(1);
}

namespace {

// A big-endian 32-bit value, as datafiles store them; false at the end.
bool ReadLong(PACKFILE* f, long& value) {
  unsigned char b[4];
  if (pack_fread(b, 4, f) != 4) return false;
  value = static_cast<int32_t>((static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
                               (static_cast<uint32_t>(b[2]) << 8) | b[3]);
  return true;
}

bool Skip(PACKFILE* f, long bytes) {
  char buffer[4096];
  while (bytes > 0) {
    const long n = bytes < static_cast<long>(sizeof buffer) ? bytes : static_cast<long>(sizeof buffer);
    if (pack_fread(buffer, n, f) != n) return false;
    bytes -= n;
  }
  return true;
}

// The object list as the library's loader reads it: properties (type, size,
// bytes) before each object, then the object's type and its chunk (size in
// the file, negative when packed; unpacked size; the bytes).
bool WalkObjects(PACKFILE* f, int type, int count) {
  long magic, objects;
  if (!ReadLong(f, magic) || magic != DAT_MAGIC || !ReadLong(f, objects) || objects < count) return false;
  for (long i = 0; i < objects;) {
    long id, first, second;
    if (!ReadLong(f, id) || !ReadLong(f, first) || !ReadLong(f, second)) return false;
    if (id == DAT_PROPERTY) {
      if (second < 0 || !Skip(f, second)) return false;
      continue;
    }
    if (i < count && id != type) return false;
    if (!Skip(f, first < 0 ? -first : first)) return false;
    ++i;
  }
  return true;
}

}  // namespace

bool DatafileHolds(const std::string& path, int type, int count) {
  PACKFILE* f = pack_fopen(path.c_str(), F_READ_PACKED);
  if (f == nullptr) return false;
  const bool holds = WalkObjects(f, type, count);
  pack_fclose(f);
  return holds;
}

DATAFILE* LoadDatafile(const std::string& path, const std::string& name, int type, int count) {
  // The library's loader trusts the file it reads: a cut-off one can crash
  // it. The whole file is walked first, so only a complete one reaches it.
  DATAFILE* data = DatafileHolds(path, type, count) ? load_datafile(path.c_str()) : nullptr;
  bool usable = data != nullptr;
  for (int i = 0; usable && i < count; ++i) usable = data[i].type == type;
  if (!usable) {
    if (data != nullptr) unload_datafile(data);
    ErrorExit("Error loading file: " + name);
  }
  return data;
}

bool OpenDisplay(bool fullscreen) {
  allegro_gl_clear_settings();
  allegro_gl_set(AGL_COLOR_DEPTH, 32);
  allegro_gl_set(AGL_Z_DEPTH, 16);
  allegro_gl_set(AGL_FULLSCREEN, fullscreen ? 1 : 0);
  allegro_gl_set(AGL_DOUBLEBUFFER, 1);
  allegro_gl_set(AGL_REQUIRE, AGL_COLOR_DEPTH | AGL_DOUBLEBUFFER | AGL_Z_DEPTH | AGL_FULLSCREEN);
  set_color_depth(32);
  return set_gfx_mode(GFX_OPENGL, 800, 600, 0, 0) == 0;
}

void IncSpeedCtr() {
  Globals::SpeedCounter.fetch_add(1, std::memory_order_relaxed);
}
END_OF_FUNCTION(IncSpeedCtr)

void IncTime() {
  Globals::Time.fetch_add(1, std::memory_order_relaxed);
}
END_OF_FUNCTION(IncTime)

void CountFrames() {
  Globals::Time.fetch_add(1, std::memory_order_relaxed);
  Globals::FPS.store(Globals::Frames.exchange(0, std::memory_order_relaxed), std::memory_order_relaxed);
}
END_OF_FUNCTION(CountFrames)

void SetupTimer() {
  install_int_ex(IncSpeedCtr, 1193181 / Globals::GameSpeed);
  install_int_ex(IncTime, 119318);
  install_int_ex(CountFrames, 1193181);
}

int ClampToInt(long long value) {
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

int AddClamped(int a, int b) { return ClampToInt(static_cast<long long>(a) + b); }

int TruncToInt(float value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0f) return INT_MAX;
  if (value < -2147483648.0f) return INT_MIN;
  return static_cast<int>(value);
}

float Rand(float min, float max) {
  // glibc's rand reaches 2^31 - 1; its range is a power of two, so keeping
  // the low 15 bits stays uniform over 0..32767.
  const int r = rand() % 32768;
  return min + (max - min) * (static_cast<float>(r) / 32767.0f);
}

namespace {
const char* const OptionsFile = "options.ini";

// Reads one flag; anything but 0 or 1 stops the reading.
bool ReadFlag(std::istream& in, bool& flag) {
  int value;
  if (!(in >> value) || (value != 0 && value != 1)) return false;
  flag = value == 1;
  return true;
}
}  // namespace

void ReadOptions(std::istream& in) {
  int level;
  if (!(in >> level)) return;
  // Any level outside 0..2 is shown as HIGH by the options screen; store it
  // as HIGH so the debris count (2 per level) stays within what it means.
  Globals::GFXLevel = (level == 0 || level == 1) ? level : 2;
  if (!ReadFlag(in, Globals::SoundOn)) return;
  if (!ReadFlag(in, Globals::MusicOn)) return;
  if (!ReadFlag(in, Globals::ScreenShakeOn)) return;
  ReadFlag(in, Globals::Fullscreen);
}

void WriteOptions(std::ostream& out) {
  out << Globals::GFXLevel << '\n'
      << (Globals::SoundOn ? 1 : 0) << '\n'
      << (Globals::MusicOn ? 1 : 0) << '\n'
      << (Globals::ScreenShakeOn ? 1 : 0) << '\n'
      << (Globals::Fullscreen ? 1 : 0);
}

void LoadOptions() {
  std::ifstream in(OptionsFile);
  if (in) ReadOptions(in);
}

void SaveOptions() {
  std::ofstream out(OptionsFile, std::ios::out | std::ios::trunc);
  if (out) WriteOptions(out);
}

int PanFor(float x) {
  if (SCREEN_W == 0) return 0;
  return TruncToInt(256.0f * x / SCREEN_W);
}

void PlaySample(int index, int volume, int pan, int frequency) {
  if (!Globals::SoundOn || Globals::SoundDat == nullptr) return;
  // Objects beyond the screen edges would give a pan outside the mixer's range.
  pan = pan < 0 ? 0 : (pan > 255 ? 255 : pan);
  play_sample(static_cast<SAMPLE*>(Globals::SoundDat[index].dat), volume, pan, frequency, 0);
}

void StartMusic(DUH* music, float volume) {
  StopMusic();
  Globals::DuhPlayer = al_start_duh(music, 2, 0, volume, 4096, 44100);
}

void StopMusic() {
  if (Globals::DuhPlayer == nullptr) return;
  al_stop_duh(Globals::DuhPlayer);
  Globals::DuhPlayer = nullptr;
}

void PollMusic() {
  if (Globals::DuhPlayer != nullptr) al_poll_duh(Globals::DuhPlayer);
}

void SetMusicVolume(float volume) {
  if (Globals::DuhPlayer != nullptr) al_duh_set_volume(Globals::DuhPlayer, volume);
}
