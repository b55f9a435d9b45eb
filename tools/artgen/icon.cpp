#include "icon.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace art {

namespace {

// Samples per icon pixel along each axis, on top of the ship renderer's own.
constexpr int kSuper = 4;

struct Coverage {
  std::vector<float> alpha;
  std::vector<Col> colour;  // mean of the covered samples
};

// The ship at `scale`, centred in a size x size square, reduced to per-pixel
// coverage and colour.
Coverage Cover(const ShipRecipe& ship, float pitch, float scale, int size) {
  Img big = RenderShipPose(ship, pitch, 0, scale * kSuper);
  const int ox = (size * kSuper - big.w) / 2, oy = (size * kSuper - big.h) / 2;
  Coverage c{std::vector<float>(size_t(size) * size, 0.f), std::vector<Col>(size_t(size) * size)};
  for (int y = 0; y < big.h; ++y)
    for (int x = 0; x < big.w; ++x) {
      const int px = (x + ox) / kSuper, py = (y + oy) / kSuper;
      if (!big.on(x, y) || x + ox < 0 || y + oy < 0 || px >= size || py >= size) continue;
      const size_t i = size_t(py) * size + px;
      c.alpha[i] += 1.f / (kSuper * kSuper);
      c.colour[i] = c.colour[i] + big.at(x, y);
    }
  for (size_t i = 0; i < c.alpha.size(); ++i)
    if (c.alpha[i] > 0) c.colour[i] = c.colour[i] * (1.f / (c.alpha[i] * kSuper * kSuper));
  return c;
}

// Coverage grown by `radius` pixels: the rim drawn under the ship.
std::vector<float> Grow(const std::vector<float>& alpha, int size, float radius) {
  std::vector<float> out(alpha.size(), 0.f);
  const int r = int(std::ceil(radius)) + 1;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float best = 0;
      for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
          const int sx = x + dx, sy = y + dy;
          if (sx < 0 || sy < 0 || sx >= size || sy >= size) continue;
          const float reach = Clamp01(radius + 1 - std::hypot(float(dx), float(dy)));
          best = std::max(best, alpha[size_t(sy) * size + sx] * reach);
        }
      out[size_t(y) * size + x] = best;
    }
  return out;
}

uint8_t Byte(float v) { return uint8_t(std::lround(Clamp01(v) * 255.f)); }

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(out, uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBig32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

}  // namespace

RgbaImg MakeIcon(const ArtSources& src, int size) {
  const Params& P = src.params;
  const ShipRecipe& ship = src.Ship("player");
  const float pitch = P.Num("icon.pitch");
  // The rim is one pixel at 32 px and grows with the icon.
  const float rim = std::max(1.f, size * P.Num("icon.rim"));
  // Fit the climbing ship's longer side into the square, less the rim.
  const Img unit = RenderShipPose(ship, pitch, 0, 1);
  const float scale = (size - 2 * rim - 2) / float(std::max(unit.w, unit.h) - 4);
  const Coverage cover = Cover(ship, pitch, scale, size);
  const std::vector<float> outline = Grow(cover.alpha, size, rim);
  const Col dark = P.Colour("icon.rim_colour");
  RgbaImg img{size, size, std::vector<uint8_t>(size_t(size) * size * 4, 0)};
  for (size_t i = 0; i < cover.alpha.size(); ++i) {
    // The ship over its rim.
    const float a = cover.alpha[i], o = outline[i] * (1 - a), total = a + o;
    if (total <= 0) continue;
    const Col c = (cover.colour[i] * a + dark * o) * (1.f / total);
    img.px[i * 4 + 0] = Byte(c.r);
    img.px[i * 4 + 1] = Byte(c.g);
    img.px[i * 4 + 2] = Byte(c.b);
    img.px[i * 4 + 3] = Byte(total);
  }
  return img;
}

bool WritePng(const std::string& path, const RgbaImg& img) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < img.h; ++y) {
    raw.push_back(0);  // no row filter
    raw.insert(raw.end(), img.px.begin() + std::ptrdiff_t(y) * img.w * 4, img.px.begin() + std::ptrdiff_t(y + 1) * img.w * 4);
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9) != Z_OK) return false;
  packed.resize(packedSize);

  std::vector<uint8_t> header;
  PutBig32(header, uint32_t(img.w));
  PutBig32(header, uint32_t(img.h));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, standard filters, not interlaced
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Chunk(out, "IHDR", header);
  Chunk(out, "IDAT", packed);
  Chunk(out, "IEND", {});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace art
