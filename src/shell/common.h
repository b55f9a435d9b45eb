// The application shell's shared pieces: the small value types every part of
// the game passes around, the process-wide state in Globals (tick counters fed
// by the timer thread, the five options, the log, fonts, sounds and music),
// the timer callbacks that pace every loop, Rand as the one source of
// randomness, the options file and ErrorExit, the one fatal-error path.
#pragma once

#include <atomic>
#include <fstream>
#include <iosfwd>
#include <string>

struct DATAFILE;
struct DUH;
struct AL_DUH_PLAYER;
class CGLFont;

struct CVector2 {
  float x = 0.0f;
  float y = 0.0f;
  CVector2() = default;
  CVector2(float x_, float y_) : x(x_), y(y_) {}
};

struct CVector3 {
  float x, y, z;
  CVector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
};

struct CColor3 {
  float r = 0.0f, g = 0.0f, b = 0.0f;
  CColor3() = default;
  CColor3(float r_, float g_, float b_) : r(r_), g(g_), b(b_) {}
};

struct CColor4 {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
  CColor4() = default;
  CColor4(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
};

namespace Globals {
// Tick counters shared with the timer thread; each is updated atomically.
extern std::atomic<int> SpeedCounter;
extern std::atomic<int> Frames;
extern std::atomic<int> FPS;
extern std::atomic<int> Time;
extern int GameSpeed;
extern int ScreenShake;

// Options, kept in "options.ini".
extern int GFXLevel;
extern bool SoundOn;
extern bool MusicOn;
extern bool ScreenShakeOn;
extern bool Fullscreen;

constexpr double ScrollSpeed = 0.5;
constexpr float GroundLevel = 550.0f;

extern std::ofstream LogFile;
extern CGLFont* MenuFont;
extern CGLFont* SmallFont;
extern CGLFont* MediumFont;
extern DATAFILE* SoundDat;
extern AL_DUH_PLAYER* DuhPlayer;
}  // namespace Globals

// Writes one line to the log and flushes it.
void Log(const std::string& line);

// Ends the process: display off, message shown to the player, exit status 1.
[[noreturn]] void ErrorExit(const std::string& message);

// Loads an Allegro datafile whose objects 0 to count - 1 are all of `type`
// (DAT_FONT, DAT_SAMPLE, DAT_BITMAP). A missing, cut-off or unsuitable file
// ends the process with "Error loading file: " and `name`.
DATAFILE* LoadDatafile(const std::string& path, const std::string& name, int type, int count);
// Whether the datafile is complete to its last byte and its objects 0 to
// count - 1 are of `type`; nothing is built from it.
bool DatafileHolds(const std::string& path, int type, int count);

// Opens the game's display: 800x600 OpenGL with 32-bit colour, a 16-bit
// depth buffer and double buffering, full-screen or in a window. False when
// the driver cannot give exactly that.
bool OpenDisplay(bool fullscreen);

// Timer callbacks (run on the timer thread: they only touch the counters).
void IncSpeedCtr();
void IncTime();
void CountFrames();
// Installs the three callbacks: logic ticks, level clock, frame-rate meter.
void SetupTimer();

// Values read from files are taken as they are; the arithmetic on them
// saturates instead: sums and products stop at the ends of the int range,
// and a float turned into an int (truncated toward zero) is clamped to that
// range, NaN giving 0.
int ClampToInt(long long value);
int AddClamped(int a, int b);
int TruncToInt(float value);

// Uniform float in [min, max] from a draw of 0..32767.
float Rand(float min, float max);

// The options file: five values, one per line, no line break after the last.
void LoadOptions();
void SaveOptions();
void ReadOptions(std::istream& in);
void WriteOptions(std::ostream& out);

// Sound pan for an object at screen x: 256 * x / screen width, truncated.
int PanFor(float x);
// The sound datafile's samples, indices 0 to 12.
constexpr int SampleCount = 13;
// Plays sample `index` of the sound datafile when sound is on; never looped.
void PlaySample(int index, int volume, int pan, int frequency);

// Music: at most one player runs (Globals::DuhPlayer); every call is safe
// while none exists. Starting stops whatever was playing.
void StartMusic(DUH* music, float volume);
void StopMusic();
void PollMusic();
void SetMusicVolume(float volume);
