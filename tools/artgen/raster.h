// A small software rasteriser for the game's art: float colour images,
// shapes with distance functions, deterministic noise and a 24-bit BMP writer.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace art {

struct Col {
  float r = 0, g = 0, b = 0;
};

inline Col operator+(Col a, Col b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Col operator-(Col a, Col b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Col operator*(Col a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Col Mix(Col a, Col b, float t) { return a + (b - a) * t; }
inline Col Rgb(int r, int g, int b) { return {r / 255.f, g / 255.f, b / 255.f}; }

inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Smooth(float e0, float e1, float v) {
  float t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
inline float MixF(float a, float b, float t) { return a + (b - a) * t; }

// An image of float colours; a pixel is either coloured or transparent.
// Transparent pixels are written as the mask colour magenta (255, 0, 255).
struct Img {
  int w = 0, h = 0;
  std::vector<Col> px;
  std::vector<uint8_t> solid;
  Img() = default;
  Img(int width, int height, Col fill = {}, bool isSolid = true)
      : w(width), h(height), px(size_t(width) * height, fill), solid(size_t(width) * height, isSolid) {}
  Col& at(int x, int y) { return px[size_t(y) * w + x]; }
  Col at(int x, int y) const { return px[size_t(y) * w + x]; }
  bool on(int x, int y) const { return solid[size_t(y) * w + x] != 0; }
  void set(int x, int y, Col c) {
    px[size_t(y) * w + x] = c;
    solid[size_t(y) * w + x] = 1;
  }
};

// Writes a bottom-up 24-bit BMP. Coloured pixels never come out as the exact
// mask colour or close to it, so the game never mistakes them for holes.
bool WriteBmp(const std::string& path, const Img& img);

// Cuts an image down to its coloured pixels plus a transparent margin.
Img CropToContent(const Img& img, int margin);

// Deterministic hashing and noise; the same inputs give the same art on every machine.
uint32_t Hash(int32_t x, int32_t y, uint32_t seed);
float Hash01(int32_t x, int32_t y, uint32_t seed);
// Value noise with a horizontal period (in lattice cells; 0 means none).
float Noise2(float x, float y, uint32_t seed, int periodX = 0);
float Fbm2(float x, float y, uint32_t seed, int octaves, int periodX = 0);
float Noise3(float x, float y, float z, uint32_t seed);
float Fbm3(float x, float y, float z, uint32_t seed, int octaves);

class Prng {
 public:
  explicit Prng(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  uint32_t Next();
  float Uniform(float lo, float hi) { return lo + (hi - lo) * float(Next() >> 8) / 16777216.f; }

 private:
  uint32_t state_;
};

struct Pt {
  float x = 0, y = 0;
};

float SegDist(Pt p, Pt a, Pt b);
bool InsidePoly(const std::vector<Pt>& poly, Pt p);
// Signed distance: positive inside.
float PolyDist(const std::vector<Pt>& poly, Pt p);

// Separable box blur repeated three times (close to a Gaussian) on a float plane.
void Blur(std::vector<float>& plane, int w, int h, int radius);

}  // namespace art
