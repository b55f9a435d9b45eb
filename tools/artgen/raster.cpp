#include "raster.h"

#include <algorithm>
#include <cstdio>

namespace art {

namespace {

uint8_t ToByte(float v) { return uint8_t(std::lround(Clamp01(v) * 255.f)); }

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

bool WriteBmp(const std::string& path, const Img& img) {
  const int rowBytes = (img.w * 3 + 3) & ~3;
  const uint32_t dataSize = uint32_t(rowBytes) * img.h;
  std::vector<uint8_t> out;
  out.reserve(54 + dataSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + dataSize);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, uint32_t(img.w));
  Put32(out, uint32_t(img.h));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, dataSize);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = img.h - 1; y >= 0; --y) {
    for (int x = 0; x < img.w; ++x) {
      uint8_t r = 255, g = 0, b = 255;
      if (img.on(x, y)) {
        Col c = img.at(x, y);
        r = ToByte(c.r);
        g = ToByte(c.g);
        b = ToByte(c.b);
        // Keep coloured pixels well away from the mask colour.
        if (r > 150 && b > 150 && g < 90) g = 90;
      }
      out.push_back(b);
      out.push_back(g);
      out.push_back(r);
    }
    for (int p = img.w * 3; p < rowBytes; ++p) out.push_back(0);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

Img CropToContent(const Img& img, int margin) {
  int x0 = img.w, y0 = img.h, x1 = -1, y1 = -1;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      if (img.on(x, y)) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      }
  if (x1 < 0) return Img(2 * margin + 1, 2 * margin + 1, {}, false);
  Img out(x1 - x0 + 1 + 2 * margin, y1 - y0 + 1 + 2 * margin, {}, false);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (img.on(x, y)) out.set(x - x0 + margin, y - y0 + margin, img.at(x, y));
  return out;
}

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = seed * 0x27d4eb2du ^ uint32_t(x) * 0x85ebca6bu ^ uint32_t(y) * 0xc2b2ae35u;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  h *= 0x297a2d39u;
  h ^= h >> 15;
  return h;
}

float Hash01(int32_t x, int32_t y, uint32_t seed) { return float(Hash(x, y, seed) >> 8) / 16777216.f; }

float Noise2(float x, float y, uint32_t seed, int periodX) {
  int xi = int(std::floor(x)), yi = int(std::floor(y));
  float fx = x - float(xi), fy = y - float(yi);
  auto wrap = [&](int v) { return periodX > 0 ? ((v % periodX) + periodX) % periodX : v; };
  float a = Hash01(wrap(xi), yi, seed), b = Hash01(wrap(xi + 1), yi, seed);
  float c = Hash01(wrap(xi), yi + 1, seed), d = Hash01(wrap(xi + 1), yi + 1, seed);
  float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  return MixF(MixF(a, b, sx), MixF(c, d, sx), sy);
}

float Fbm2(float x, float y, uint32_t seed, int octaves, int periodX) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * Noise2(x, y, seed + uint32_t(o) * 101u, periodX);
    norm += amp;
    x *= 2;
    y *= 2;
    periodX *= 2;
    amp *= 0.5f;
  }
  return sum / norm;
}

float Noise3(float x, float y, float z, uint32_t seed) {
  int xi = int(std::floor(x)), yi = int(std::floor(y)), zi = int(std::floor(z));
  float fx = x - float(xi), fy = y - float(yi), fz = z - float(zi);
  auto h = [&](int dx, int dy, int dz) { return Hash01(xi + dx, yi + dy, seed ^ Hash(zi + dz, 7, seed)); };
  float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy), sz = fz * fz * (3 - 2 * fz);
  float z0 = MixF(MixF(h(0, 0, 0), h(1, 0, 0), sx), MixF(h(0, 1, 0), h(1, 1, 0), sx), sy);
  float z1 = MixF(MixF(h(0, 0, 1), h(1, 0, 1), sx), MixF(h(0, 1, 1), h(1, 1, 1), sx), sy);
  return MixF(z0, z1, sz);
}

float Fbm3(float x, float y, float z, uint32_t seed, int octaves) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * Noise3(x, y, z, seed + uint32_t(o) * 131u);
    norm += amp;
    x *= 2.03f;
    y *= 2.03f;
    z *= 2.03f;
    amp *= 0.5f;
  }
  return sum / norm;
}

uint32_t Prng::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

float SegDist(Pt p, Pt a, Pt b) {
  float dx = b.x - a.x, dy = b.y - a.y;
  float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = Clamp01(t);
  float ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
}

bool InsidePoly(const std::vector<Pt>& poly, Pt p) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Pt& a = poly[i];
    const Pt& b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

float PolyDist(const std::vector<Pt>& poly, Pt p) {
  float d = 1e9f;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) d = std::min(d, SegDist(p, poly[j], poly[i]));
  return InsidePoly(poly, p) ? d : -d;
}

void Blur(std::vector<float>& plane, int w, int h, int radius) {
  if (radius <= 0) return;
  std::vector<float> tmp(plane.size());
  const float norm = 1.f / float(2 * radius + 1);
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float s = 0;
        for (int k = -radius; k <= radius; ++k) s += plane[size_t(y) * w + std::clamp(x + k, 0, w - 1)];
        tmp[size_t(y) * w + x] = s * norm;
      }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float s = 0;
        for (int k = -radius; k <= radius; ++k) s += tmp[size_t(std::clamp(y + k, 0, h - 1)) * w + x];
        plane[size_t(y) * w + x] = s * norm;
      }
  }
}

}  // namespace art
