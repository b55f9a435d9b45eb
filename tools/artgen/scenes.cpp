#include "scenes.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace art {

namespace {

constexpr float kTau = 6.2831853f;

using ColourFn = std::function<Col(Pt)>;
using MaskFn = std::function<bool(Pt, Col&)>;

// Opaque or additive picture: each pixel is the mean of s x s samples.
Img Average(int w, int h, int s, const ColourFn& fn) {
  Img img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Col sum;
      for (int sy = 0; sy < s; ++sy)
        for (int sx = 0; sx < s; ++sx) sum = sum + fn({x + (sx + 0.5f) / s, y + (sy + 0.5f) / s});
      img.at(x, y) = sum * (1.f / float(s * s));
    }
  return img;
}

// Masked picture: coloured where at least half the samples hit, with the mean
// of the hitting samples only, so no mask colour bleeds into an edge.
Img Threshold(int w, int h, int s, const MaskFn& fn) {
  Img img(w, h, {}, false);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Col sum;
      int hits = 0;
      for (int sy = 0; sy < s; ++sy)
        for (int sx = 0; sx < s; ++sx) {
          Col c;
          if (fn({x + (sx + 0.5f) / s, y + (sy + 0.5f) / s}, c)) {
            sum = sum + c;
            ++hits;
          }
        }
      if (hits * 2 >= s * s) img.set(x, y, sum * (1.f / float(hits)));
    }
  return img;
}

Col Clamp(Col c) { return {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}; }

// Light falling on a bump given by its slopes; light from the upper left.
float Lambert(float dx, float dy, float strength) {
  float nx = -dx * strength, ny = -dy * strength, nz = 1;
  float len = std::sqrt(nx * nx + ny * ny + nz * nz);
  const float lx = -0.5f, ly = -0.7f, lz = 0.5f;
  const float ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  return std::max(0.f, (nx * lx + ny * ly + nz * lz) / (len * ll));
}

// Periodic coordinate helpers for pictures that tile left to right: the last
// column repeats the first, so period = width - 1.
float Wrap(float dx, float period) {
  while (dx > period / 2) dx -= period;
  while (dx < -period / 2) dx += period;
  return dx;
}

// Metallic title lettering: a rounded tube profile lit from above, banded like chrome.
Col Chrome(const Params& P, const std::string& key, float inside, float stroke, float yRel) {
  float r = stroke / 2;
  float t = std::clamp(inside, 0.f, r) / r;  // 0 at the edge, 1 on the ridge
  float band = yRel + (1 - t) * 0.08f;
  Col top = P.Colour(key + ".top"), mid = P.Colour(key + ".mid"), low = P.Colour(key + ".low"),
      bottom = P.Colour(key + ".bottom");
  Col c = band < 0.5f ? Mix(top, mid, Smooth(0.f, 0.5f, band)) : Mix(low, bottom, Smooth(0.5f, 1.f, band));
  c = c * (0.55f + 0.45f * std::sqrt(t));
  return c;
}

// A star field that never draws two stars side by side.
Col Stars(Pt p, uint32_t seed, float density, float brightness) {
  int cx = int(std::floor(p.x / 4)), cy = int(std::floor(p.y / 4));
  float h = Hash01(cx, cy, seed);
  if (h > density) return {};
  float sx = cx * 4 + 1 + 2 * Hash01(cx, cy, seed + 1), sy = cy * 4 + 1 + 2 * Hash01(cx, cy, seed + 2);
  float d = std::hypot(p.x - sx, p.y - sy);
  float b = brightness * (0.3f + 0.7f * Hash01(cx, cy, seed + 3)) * Smooth(1.1f, 0.2f, d);
  return Col{0.85f, 0.9f, 1.f} * b;
}

}  // namespace

const ShipRecipe& ArtSources::Ship(const std::string& name) const {
  for (const ShipRecipe& s : ships)
    if (s.name == name) return s;
  throw std::runtime_error("ships recipe has no ship '" + name + "'");
}

Img MakeGround(const ArtSources& src) {
  const Params& P = src.params;
  const int w = int(P.Num("ground.size", 0)), h = int(P.Num("ground.size", 1));
  const float period = float(w - 1);
  const int cells = 64;
  auto px = [&](float u) { return u * cells / period; };
  struct Stone {
    float x, y, rx, ry, tone;
  };
  std::vector<Stone> stones;
  Prng rng(uint32_t(P.Num("ground.seed")));
  for (int i = 0; i < int(P.Num("ground.stones")); ++i) {
    Stone s;
    s.x = rng.Uniform(0, period);
    s.y = rng.Uniform(12, float(h) + 2);
    s.rx = rng.Uniform(1.5f, 4.5f);
    s.ry = s.rx * rng.Uniform(0.5f, 0.8f);
    s.tone = rng.Uniform(0.7f, 1.2f);
    stones.push_back(s);
  }
  Col grassLit = P.Colour("ground.grass_lit"), grass = P.Colour("ground.grass"), grassDark = P.Colour("ground.grass_dark");
  Col soilTop = P.Colour("ground.soil_top"), soilBottom = P.Colour("ground.soil_bottom"), stone = P.Colour("ground.stone");
  auto colour = [&](Pt p) {
    float u = std::fmod(p.x, period), y = p.y;
    float edge = 4.f + 5.f * Fbm2(px(u) / 2, 0.5f, 11, 4, cells / 2);
    // Blades of grass hang over the soil in a ragged fringe.
    float blades = Fbm2(px(u) * 16, 0.5f, 12, 2, cells * 16);
    edge += 5.f * (blades - 0.35f);
    Col c;
    if (y < edge) {
      float k = y / std::max(edge, 1.f);
      c = Mix(grassLit, grass, Smooth(0.f, 0.3f, k));
      c = Mix(c, grassDark, Smooth(0.55f, 1.f, k));
      float streak = Fbm2(px(u) * 24, y * 0.15f, 13, 2, cells * 24);
      c = c * (0.7f + 0.6f * streak);
    } else {
      float depth = (y - edge) / (float(h) - edge);
      float strata = Fbm2(px(u) / 4, y * 0.18f, 14, 4, cells / 4);
      c = Mix(soilTop, soilBottom, Clamp01(depth * 0.9f + (strata - 0.5f) * 0.5f));
      float grain = Fbm2(px(u) * 6, y * 0.6f, 15, 3, cells * 6);
      c = c * (0.75f + 0.5f * grain);
      // Shadow under the grass lip.
      c = c * (0.45f + 0.55f * Smooth(0.f, 5.f, y - edge));
    }
    for (const Stone& s : stones) {
      float dx = Wrap(u - s.x, period) / s.rx, dy = (y - s.y) / s.ry;
      float q = dx * dx + dy * dy;
      if (q < 1 && y > edge + 1) {
        float z = std::sqrt(1 - q);
        float lit = Lambert(dx / std::max(z, 0.2f), dy / std::max(z, 0.2f), 0.6f);
        c = stone * s.tone * (0.35f + 0.8f * lit);
      }
    }
    return Clamp(c);
  };
  Img img = Average(w, h, 2, colour);
  return img;
}

Img MakeHills(const ArtSources& src) {
  const Params& P = src.params;
  const int w = int(P.Num("hills.size", 0)), h = int(P.Num("hills.size", 1));
  const float period = float(w - 1);
  // A ridge line: whole-number wave frequencies and periodic noise keep it seamless.
  auto ridge = [&](const std::string& key, float u, uint32_t seed, int octaves) {
    const auto& waves = P.List(key + ".waves");  // frequency, amplitude, phase triples
    float y = P.Num(key + ".base");
    for (size_t i = 0; i + 2 < waves.size(); i += 3) y -= waves[i + 1] * std::sin(kTau * waves[i] * u / period + waves[i + 2]);
    y -= P.Num(key + ".rough") * (Fbm2(u * 32 / period, 0.5f, seed, octaves, 32) - 0.5f);
    return y;
  };
  // Rock and scrub texture lit as a bump map, so slopes catch the moonlight
  // without the streaks a per-column light would give.
  auto bump = [&](float u, float y, uint32_t seed, int cells, float scaleY) {
    auto n = [&](float uu, float yy) { return Fbm2(uu * cells / period, yy / scaleY, seed, 4, cells); };
    float c = n(u, y);
    return Lambert((n(u + 1, y) - c) * 3.f, (n(u, y + 1) - c) * 3.f, 6.f);
  };
  struct Tree {
    float x, height, half;
  };
  std::vector<Tree> trees;
  Prng rng(uint32_t(P.Num("hills.seed")));
  for (int i = 0; i < int(P.Num("hills.trees")); ++i) {
    float x = rng.Uniform(0, period);
    float groves = Fbm2(x * 16 / period, 3.5f, 77, 2, 16);
    float th = rng.Uniform(5, 12), hw = rng.Uniform(0.28f, 0.4f);
    if (groves > 0.5f) trees.push_back({x, th, th * hw});
  }
  Col farLit = P.Colour("hills.far_lit"), farCol = P.Colour("hills.far"), farDark = P.Colour("hills.far_dark");
  Col snow = P.Colour("hills.snow");
  Col nearLit = P.Colour("hills.near_lit"), nearCol = P.Colour("hills.near"), nearDark = P.Colour("hills.near_dark");
  const float snowLine = P.Num("hills.snow_line");
  auto sample = [&](Pt p, Col& out) {
    float u = std::fmod(p.x, period), y = p.y;
    float nearY = ridge("hills.near", u, 21, 5);
    bool inTree = false;
    if (y < nearY + 2 && y > nearY - 14)
      for (const Tree& t : trees) {
        float dx = Wrap(u - t.x, period);
        if (std::fabs(dx) > t.half + 1) continue;
        float base = ridge("hills.near", t.x, 21, 5) + 2;
        float k = (base - y) / t.height;  // 0 at the foot, 1 at the tip
        if (k > 0 && k < 1 && std::fabs(dx) < t.half * (1 - k) * (0.75f + 0.25f * std::sin(k * 18))) inTree = true;
      }
    if (inTree) {
      out = nearDark * (0.85f + 0.3f * Hash01(int(u), int(y), 5));
      return true;
    }
    if (y >= nearY) {
      float depth = y - nearY;
      float slope = (ridge("hills.near", u + 3, 21, 2) - ridge("hills.near", u - 3, 21, 2)) / 6;
      float facing = Lambert(slope * 1.5f, -0.3f, 1.f);
      float lit = MixF(facing, 0.45f, Smooth(0.f, 30.f, depth));
      lit *= 0.6f + 0.6f * bump(u, y, 22, 160, 5.f);
      Col c = Mix(nearDark, nearCol, Clamp01(lit));
      if (depth < 2.f) c = Mix(c, nearLit, (1 - Smooth(0.f, 2.f, depth)) * Smooth(0.3f, 0.8f, facing));
      c = c * (1 - 0.35f * Smooth(10.f, float(h) - nearY + 20, depth));
      out = Clamp(c);
      return true;
    }
    float farY = ridge("hills.far", u, 31, 5);
    if (y >= farY) {
      float depth = y - farY;
      float slope = (ridge("hills.far", u + 3, 31, 2) - ridge("hills.far", u - 3, 31, 2)) / 6;
      float lit = MixF(Lambert(slope * 2.f, -0.2f, 1.f), 0.4f, Smooth(0.f, 45.f, depth));
      lit *= 0.55f + 0.6f * bump(u, y, 32, 110, 7.f);
      Col c = Mix(farDark, farCol, Clamp01(lit));
      if (farY < snowLine) {
        float ragged = Fbm2(u * 128 / period, y / 4, 33, 3, 128);
        float cap = Smooth(snowLine, snowLine - 14, farY) * Smooth(8.f + 16 * ragged, 2.f, depth);
        c = Mix(c, snow * (0.45f + 0.6f * lit), cap);
      }
      if (depth < 1.8f) c = Mix(c, farLit, (1 - Smooth(0.f, 1.8f, depth)) * (0.3f + 0.7f * Smooth(0.3f, 0.8f, lit)));
      // Haze towards the foot of the far range.
      c = Mix(c, farDark, 0.55f * Smooth(farY + 5, float(h) - 10, y));
      out = Clamp(c);
      return true;
    }
    return false;
  };
  return Threshold(w, h, 3, sample);
}

Img MakeEarth(const ArtSources& src) {
  const Params& P = src.params;
  const int size = int(P.Num("earth.size"));
  const float r = size / 2.f - 1.5f, c0 = size / 2.f;
  Col deep = P.Colour("earth.ocean_deep"), shallow = P.Colour("earth.ocean_shallow");
  Col green = P.Colour("earth.land_green"), dry = P.Colour("earth.land_dry"), ice = P.Colour("earth.ice");
  Col air = P.Colour("earth.atmosphere"), night = P.Colour("earth.night");
  const float sx = P.Num("earth.sun", 0), sy = P.Num("earth.sun", 1), sz = P.Num("earth.sun", 2);
  const float sl = std::sqrt(sx * sx + sy * sy + sz * sz);
  const float tilt = P.Num("earth.tilt");
  auto sample = [&](Pt p, Col& out) {
    float x = (p.x - c0) / r, y = (p.y - c0) / r;
    float q = x * x + y * y;
    if (q >= 1) return false;
    float z = std::sqrt(1 - q);
    // Turn the globe so the continents sit at a pleasing angle.
    float ct = std::cos(tilt), st = std::sin(tilt);
    float gx = x * ct - z * st, gz = x * st + z * ct, gy = y;
    float land = Fbm3(gx * 1.6f + 3, gy * 1.6f, gz * 1.6f, 41, 6);
    float lat = std::fabs(gy);
    Col c;
    if (land > 0.46f) {
      float moist = Fbm3(gx * 3, gy * 3, gz * 3, 42, 4);
      c = Mix(green, dry, Smooth(0.45f, 0.65f, moist));
      c = c * (0.8f + 0.5f * Smooth(0.46f, 0.64f, land));
    } else {
      c = Mix(deep, shallow, Smooth(0.38f, 0.46f, land));
    }
    float polar = Smooth(0.78f, 0.86f, lat + 0.1f * (land - 0.5f));
    c = Mix(c, ice, polar);
    float cloud = Fbm3(gx * 2.4f + 9, gy * 5.f, gz * 2.4f, 43, 5);
    float cover = Smooth(0.5f, 0.72f, cloud);
    c = Mix(c, Col{0.95f, 0.97f, 1.f}, cover * 0.9f);
    float sun = (x * sx + y * sy + z * sz) / sl;
    float day = Smooth(-0.12f, 0.25f, sun);
    float diffuse = std::max(0.f, sun) * 0.72f + 0.1f;
    Col lit = c * diffuse;
    c = Mix(night, lit, day);
    // Thin bright atmosphere at the limb on the day side.
    float limb = Smooth(0.55f, 1.0f, std::sqrt(q));
    c = Mix(c, air * (0.25f + 0.9f * day), limb * 0.55f * (0.3f + 0.7f * day));
    out = Clamp(c);
    return true;
  };
  return Threshold(size, size, 4, sample);
}

Img MakeLogo(const ArtSources& src) {
  const Params& P = src.params;
  const int w = int(P.Num("logo.size", 0)), h = int(P.Num("logo.size", 1));
  TextShape text(src.font, "VARNOK", P.Num("logo.unit"), P.Num("logo.stroke"), P.Num("logo.spacing"));
  const float tx = (w - text.Width()) / 2, ty = P.Num("logo.top");
  text.MoveTo(tx, ty);
  const float stroke = P.Num("logo.stroke");
  // Glow: a blurred copy of the letters.
  std::vector<float> glow(size_t(w) * h, 0.f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) glow[size_t(y) * w + x] = text.Inside({x + 0.5f, y + 0.5f}) > -3 ? 1.f : 0.f;
  Blur(glow, w, h, int(P.Num("logo.glow_radius")));
  Col glowCol = P.Colour("logo.glow"), edge = P.Colour("logo.edge");
  auto colour = [&](Pt p) {
    int xi = std::clamp(int(p.x), 0, w - 1), yi = std::clamp(int(p.y), 0, h - 1);
    float g = glow[size_t(yi) * w + xi];
    // Fades the glow out well before the border so the picture edge stays black.
    float fade = Smooth(0.f, 12.f, std::min({p.x, p.y, w - p.x, h - p.y}));
    Col c = glowCol * (g * 0.9f * fade);
    float in = text.Inside(p);
    if (in > 0) {
      float yRel = (p.y - ty) / text.Height();
      Col metal = Chrome(P, "chrome", in, stroke, yRel);
      c = in < 1.6f ? edge : metal;
    }
    return Clamp(c);
  };
  Img img = Average(w, h, 3, colour);
  // A glint on the top-left of the first letter.
  const float gx = tx + stroke * 0.5f + P.Num("logo.unit") * 0.25f, gy = ty + stroke * 0.5f;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float dx = std::fabs(x + 0.5f - gx), dy = std::fabs(y + 0.5f - gy);
      float star = std::max(0.f, 1 - dx / 26) * std::max(0.f, 1 - dy / 2.2f) + std::max(0.f, 1 - dy / 26) * std::max(0.f, 1 - dx / 2.2f);
      star += 0.8f * std::max(0.f, 1 - std::hypot(dx, dy) / 7);
      img.at(x, y) = Clamp(img.at(x, y) + Col{1, 1, 1} * star);
    }
  return img;
}

Img MakeMoon(const ArtSources& src) {
  const Params& P = src.params;
  const int size = int(P.Num("moon.size"));
  const float cx = P.Num("moon.centre", 0), cy = P.Num("moon.centre", 1), r = P.Num("moon.radius");
  const float bright = P.Num("moon.brightness"), glow = P.Num("moon.glow");
  Col rock = P.Colour("moon.rock"), mare = P.Colour("moon.mare"), sky = P.Colour("moon.sky");
  struct Crater {
    float x, y, r;
  };
  std::vector<Crater> craters;
  Prng rng(uint32_t(P.Num("moon.seed")));
  for (int i = 0; i < int(P.Num("moon.craters")); ++i) {
    float a = rng.Uniform(-1.6f, 0.05f), d = std::sqrt(rng.Uniform(0, 1)) * r * 0.95f;
    float size = rng.Uniform(0, 1);
    craters.push_back({cx + std::cos(a) * d, cy + std::sin(a) * d, 2.5f + 20 * size * size * size});
  }
  const float lx = -0.35f, ly = -0.75f, lz = 0.35f;
  const float ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  auto colour = [&](Pt p) {
    float x = (p.x - cx) / r, y = (p.y - cy) / r;
    float q = x * x + y * y;
    // The menu screen around the picture is black: the sky tint and the halo
    // fade out radially within `glow` pixels of the limb, which ends well
    // inside the top and right edges, so the picture shows no border.
    float halo = 1 - Smooth(0.f, glow / r, std::sqrt(q) - 1);
    Col c = sky * halo;
    if (q < 1) {
      float z = std::sqrt(1 - q);
      float nx = x, ny = y, nz = z;
      float seas = Fbm2(p.x / 45, p.y / 45, 52, 4);
      Col base = Mix(rock, mare, Smooth(0.45f, 0.6f, seas));
      base = base * (0.85f + 0.3f * Fbm2(p.x / 6, p.y / 6, 53, 3));
      for (const Crater& k : craters) {
        float dx = (p.x - k.x) / k.r, dy = (p.y - k.y) / k.r;
        float d = std::sqrt(dx * dx + dy * dy);
        if (d < 1.3f) {
          // A bowl with a raised rim: tilt the normal inwards inside, outwards on the rim.
          float tiltAmt = d < 1 ? -0.5f * d * d : 0.5f * (1.3f - d) / 0.3f;
          if (d > 0.001f) {
            nx += dx / d * tiltAmt * 0.35f;
            ny += dy / d * tiltAmt * 0.35f;
          }
          if (d < 0.8f) base = base * 0.88f;
        }
      }
      float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
      float light = std::max(0.f, (nx * lx + ny * ly + nz * lz) / (nl * ll));
      float shade = 0.04f + light * 1.1f;
      c = base * (shade * bright);
    } else if (halo > 0) {
      c = c + Col{0.35f, 0.4f, 0.55f} * (halo * halo * 0.1f);
    }
    return Clamp(c);
  };
  return Average(size, size, 3, colour);
}

Img MakeStudioLogo(const ArtSources& src) {
  const Params& P = src.params;
  const int size = int(P.Num("studio.size"));
  const float c0 = size / 2.f;
  const float ex = c0, ey = P.Num("studio.emblem_y"), er = P.Num("studio.emblem_radius");
  TextShape word(src.font, "OSTRAVEL", P.Num("studio.unit"), P.Num("studio.stroke"), P.Num("studio.spacing"));
  word.MoveTo((size - word.Width()) / 2, P.Num("studio.word_y"));
  TextShape small(src.font, "STUDIO", P.Num("studio.small_unit"), P.Num("studio.small_stroke"), P.Num("studio.small_spacing"));
  small.MoveTo((size - small.Width()) / 2, P.Num("studio.small_y"));
  Col bgIn = P.Colour("studio.bg_inner"), bgOut = P.Colour("studio.bg_outer"), gold = P.Colour("studio.gold");
  Col goldDark = P.Colour("studio.gold_dark"), frame = P.Colour("studio.frame"), wordCol = P.Colour("studio.word");
  // The emblem: a ring around a four-pointed star crossed by a swept wing.
  std::vector<Pt> star;
  for (int i = 0; i < 8; ++i) {
    float a = kTau * i / 8 - kTau / 4, rr = (i % 2 == 0 ? 0.78f : 0.2f) * er;
    star.push_back({ex + std::cos(a) * rr, ey + std::sin(a) * rr});
  }
  std::vector<Pt> wing = {{ex - er * 0.95f, ey + er * 0.18f}, {ex + er * 0.2f, ey - er * 0.22f}, {ex + er * 0.98f, ey - er * 0.5f},
                          {ex + er * 0.35f, ey + er * 0.05f}, {ex - er * 0.55f, ey + er * 0.3f}};
  auto colour = [&](Pt p) {
    float d = std::hypot(p.x - c0, p.y - c0) / (size * 0.7f);
    Col c = Mix(bgIn, bgOut, Clamp01(d));
    // Bevelled frame around the face of the cube.
    float border = std::min({p.x, p.y, size - p.x, size - p.y});
    if (border < 10) {
      float lit = (p.x + p.y < size) ? 1.f : 0.45f;
      float t = border < 2 ? 0.3f : (border < 8 ? lit : 0.3f);
      c = frame * (0.4f + 0.8f * t);
    }
    float dr = std::hypot(p.x - ex, p.y - ey);
    float ringIn = er * 0.08f - std::fabs(dr - er * 0.9f);
    float glow = std::max(0.f, 1 - std::fabs(dr - er * 0.9f) / (er * 0.5f));
    c = c + gold * (glow * glow * 0.18f);
    auto metal = [&](float inside, float width, float gradY) {
      float t = Clamp01(inside / width);
      Col m = Mix(gold, goldDark, Clamp01(gradY));
      return m * (0.55f + 0.6f * std::sqrt(t));
    };
    if (ringIn > 0) c = metal(ringIn, er * 0.08f, (p.y - (ey - er)) / (2 * er) + (p.x - ex) / (4 * er));
    float sd = PolyDist(star, p);
    if (sd > 0) c = metal(sd, 3.f, (p.y - (ey - er)) / (2 * er)) * 1.1f;
    float wd = PolyDist(wing, p);
    if (wd > 0) c = Mix(Rgb(230, 240, 255), Rgb(120, 150, 200), Clamp01((p.y - ey + er * 0.5f) / er)) * (0.6f + 0.4f * Clamp01(wd / 2.5f));
    float wi = word.Inside(p);
    if (wi > 0) c = wordCol * (0.6f + 0.4f * Clamp01(wi / 2.5f)) * (1.05f - 0.3f * Clamp01((p.y - P.Num("studio.word_y")) / word.Height()));
    float si = small.Inside(p);
    if (si > 0) c = gold * 0.95f;
    return Clamp(c);
  };
  return Average(size, size, 3, colour);
}

Img MakeExitPicture(const ArtSources& src) {
  const Params& P = src.params;
  const int w = int(P.Num("exit.size", 0)), h = int(P.Num("exit.size", 1));
  Col skyTop = P.Colour("exit.sky_top"), skyMid = P.Colour("exit.sky_mid"), skyLow = P.Colour("exit.sky_low");
  Col sunCol = P.Colour("exit.sun"), hillFar = P.Colour("exit.hill_far"), hillNear = P.Colour("exit.hill_near");
  Col frame = P.Colour("exit.frame");
  const float horizon = P.Num("exit.horizon");
  const float sunX = P.Num("exit.sun_pos", 0), sunY = P.Num("exit.sun_pos", 1), sunR = P.Num("exit.sun_pos", 2);
  TextShape thanks(src.font, "THANKS FOR PLAYING", P.Num("exit.thanks_unit"), P.Num("exit.thanks_stroke"), P.Num("exit.thanks_spacing"));
  thanks.MoveTo((w - thanks.Width()) / 2, P.Num("exit.thanks_y"));
  TextShape title(src.font, "VARNOK", P.Num("exit.title_unit"), P.Num("exit.title_stroke"), P.Num("exit.title_spacing"));
  title.MoveTo((w - title.Width()) / 2, P.Num("exit.title_y"));
  const float titleStroke = P.Num("exit.title_stroke");
  // The exhaust leaves the ship's tail nozzle and streams back along its heading.
  const float shipX = P.Num("exit.ship", 0), shipY = P.Num("exit.ship", 1), shipScale = P.Num("exit.ship", 2);
  const float heading = P.Num("exit.ship", 3) * kTau / 360, tail = P.Num("exit.ship_tail") * shipScale;
  const Pt trailA{shipX - std::cos(heading) * tail, shipY + std::sin(heading) * tail};
  const Pt trailB{trailA.x - std::cos(heading) * P.Num("exit.trail"), trailA.y + std::sin(heading) * P.Num("exit.trail")};
  auto colour = [&](Pt p) {
    float t = p.y / horizon;
    Col c = t < 0.6f ? Mix(skyTop, skyMid, Smooth(0.f, 0.6f, t)) : Mix(skyMid, skyLow, Smooth(0.6f, 1.f, t));
    c = c + Stars(p, 61, 0.05f, 0.7f) * Smooth(0.5f, 0.f, t);
    float ds = std::hypot(p.x - sunX, p.y - sunY);
    c = c + sunCol * (0.5f * std::exp(-ds / (sunR * 1.6f)));
    if (ds < sunR) {
      // Banded sun, the gaps widening towards the horizon.
      float start = sunY - sunR * 0.7f;
      float depth = (p.y - start) / sunR;
      bool gap = depth > 0 && std::fmod(p.y - start, 9.f) < 1.f + 6.f * depth;
      if (!gap) c = Mix(Rgb(255, 240, 170), sunCol, Smooth(-sunR, sunR, p.y - sunY));
    }
    // The ship's exhaust trail.
    float td = SegDist(p, trailA, trailB);
    float along = Clamp01(((p.x - trailA.x) * (trailB.x - trailA.x) + (p.y - trailA.y) * (trailB.y - trailA.y)) /
                          ((trailB.x - trailA.x) * (trailB.x - trailA.x) + (trailB.y - trailA.y) * (trailB.y - trailA.y)));
    float tw = 5 * (1 - along) + 0.5f;
    c = c + Rgb(255, 200, 130) * (Smooth(tw + 3, 0.f, td) * (1 - along) * 0.9f);
    float far = horizon - 30 - 22 * std::sin(p.x / 61 + 1) - 14 * std::sin(p.x / 23) - 12 * Fbm2(p.x / 20, 1, 62, 3);
    if (p.y > far) c = Mix(hillFar, skyLow * 0.4f, 0.3f * Smooth(far + 30, far, p.y));
    float nearY = horizon + 10 - 18 * std::sin(p.x / 90 + 2) - 8 * Fbm2(p.x / 12, 2, 63, 3);
    if (p.y > nearY) c = hillNear * (1 - 0.4f * Smooth(nearY, float(h), p.y));
    float ti = thanks.Inside(p);
    if (ti > -2.5f) c = Mix(c, Rgb(10, 12, 30), Smooth(-2.5f, -0.5f, ti) * 0.8f);
    if (ti > 0) c = Rgb(255, 250, 235);
    float vi = title.Inside(p);
    if (vi > -3.f) c = Mix(c, Rgb(8, 8, 20), Smooth(-3.f, -0.8f, vi));
    if (vi > 0) c = vi < 1.5f ? Rgb(255, 255, 255) : Chrome(P, "chrome", vi, titleStroke, (p.y - P.Num("exit.title_y")) / title.Height());
    float border = std::min({p.x, p.y, w - p.x, h - p.y});
    if (border < 4) c = frame * (border < 1.5f ? 0.6f : 1.f);
    return Clamp(c);
  };
  Img img = Average(w, h, 2, colour);
  // The player's ship banking up over the hills, with its exhaust.
  const ShipRecipe& player = src.Ship("player");
  Img ship = RenderShipPose(player, P.Num("exit.ship", 3), 0, P.Num("exit.ship", 2));
  const int ox = int(P.Num("exit.ship", 0)) - ship.w / 2, oy = int(P.Num("exit.ship", 1)) - ship.h / 2;
  for (int y = 0; y < ship.h; ++y)
    for (int x = 0; x < ship.w; ++x)
      if (ship.on(x, y) && x + ox >= 4 && y + oy >= 4 && x + ox < w - 4 && y + oy < h - 4) img.at(x + ox, y + oy) = ship.at(x, y);
  return img;
}

std::vector<Img> MakeExplosion(const ArtSources& src) {
  const Params& P = src.params;
  const int size = int(P.Num("explosion.size")), frames = int(P.Num("explosion.frames"));
  const float c0 = size / 2.f;
  std::vector<Img> out;
  Col white = P.Colour("explosion.white"), yellow = P.Colour("explosion.yellow"), orange = P.Colour("explosion.orange");
  Col red = P.Colour("explosion.red"), smoke = P.Colour("explosion.smoke");
  for (int f = 0; f < frames; ++f) {
    const float t = float(f) / float(frames - 1);
    const float radius = MixF(P.Num("explosion.radius", 0), P.Num("explosion.radius", 1), std::sqrt(t));
    const float heat = std::pow(1 - t, 1.3f);
    auto colour = [&](Pt p) {
      float dx = p.x - c0, dy = p.y - c0;
      float d = std::hypot(dx, dy);
      float a = std::atan2(dy, dx);
      // Billows: the edge wobbles with noise around the circle that boils as it grows.
      float wob = Fbm2(std::cos(a) * 2 + 10, std::sin(a) * 2 + t * 3, 71, 3) - 0.5f;
      float rr = radius * (1 + 0.35f * wob);
      float inner = Fbm2(dx / 9 + t * 4, dy / 9 - t * 3, 72, 4);
      float density = Smooth(rr, rr * 0.5f, d) * Clamp01(0.55f + 0.7f * inner);
      // Thin parts of the cloud are cooler, so they turn red instead of muddy yellow.
      float temp = (heat * (1.15f - d / (rr + 1)) + (inner - 0.5f) * 0.4f) * (0.45f + 0.55f * density);
      Col c;
      if (temp > 0.75f)
        c = Mix(yellow, white, Smooth(0.75f, 1.f, temp));
      else if (temp > 0.45f)
        c = Mix(orange, yellow, Smooth(0.45f, 0.75f, temp));
      else if (temp > 0.2f)
        c = Mix(red, orange, Smooth(0.2f, 0.45f, temp));
      else
        c = Mix(smoke, red, Smooth(0.f, 0.2f, temp));
      float fade = 1 - Smooth(0.55f, 1.f, t);
      // Dimming fire loses its green and blue first, so it never turns olive.
      float k = std::pow(density, 0.8f) * (0.35f + 0.65f * fade);
      c = {c.r * k, c.g * std::pow(k, 1.7f), c.b * std::pow(k, 2.2f)};
      // A shock ring racing out ahead of the fireball in the early frames.
      float ringR = radius * 0.9f + t * size * 0.6f;
      float ring = std::max(0.f, 1 - std::fabs(d - ringR) / 2.5f) * std::max(0.f, 1 - t * 2.8f);
      c = c + Mix(orange, white, 0.5f) * (ring * 0.45f);
      // A flash in the first frames.
      c = c + white * (std::max(0.f, 1 - d / (radius * 1.4f)) * std::max(0.f, 1 - t * 4) * 0.8f);
      // Edge of the frame stays black.
      c = c * Smooth(c0, c0 - 4, std::max(std::fabs(dx), std::fabs(dy)));
      return Clamp(c);
    };
    Img img = Average(size, size, 2, colour);
    // Sparks flung out in the early frames.
    Prng rng(uint32_t(P.Num("explosion.seed")));
    for (int s = 0; s < 22; ++s) {
      float a = rng.Uniform(0, kTau), speed = rng.Uniform(0.25f, 1.f);
      float dist = radius * rng.Uniform(0.3f, 0.8f) + t * size * 0.45f * speed;
      float life = 1 - t * rng.Uniform(1.4f, 2.4f);
      if (life <= 0) continue;
      float sx = c0 + std::cos(a) * dist, sy = c0 + std::sin(a) * dist;
      for (int y = int(sy) - 2; y <= int(sy) + 2; ++y)
        for (int x = int(sx) - 2; x <= int(sx) + 2; ++x) {
          if (x < 3 || y < 3 || x >= size - 3 || y >= size - 3) continue;
          float k = std::max(0.f, 1 - std::hypot(x + 0.5f - sx, y + 0.5f - sy) / 1.8f) * life;
          img.at(x, y) = Clamp(img.at(x, y) + Mix(orange, yellow, life) * k);
        }
    }
    out.push_back(img);
  }
  return out;
}

Img MakeFire(const ArtSources& src) {
  const Params& P = src.params;
  const int size = int(P.Num("fire.size"));
  const float c0 = size / 2.f, r = c0 - 1;
  Col core = P.Colour("fire.core"), mid = P.Colour("fire.mid"), rim = P.Colour("fire.rim");
  return Average(size, size, 4, [&](Pt p) {
    float d = std::hypot(p.x - c0, p.y - c0) / r;
    if (d >= 1) return Col{};
    Col c = d < 0.35f ? Mix(core, mid, Smooth(0.f, 0.35f, d)) : Mix(mid, rim, Smooth(0.35f, 0.8f, d));
    return Clamp(c * std::pow(1 - d, 1.4f) * 1.6f);
  });
}

namespace {

// Shared frame for the three power-up icons: a glowing ring on black.
Img PowerIcon(const Params& P, const std::string& key, const std::function<float(Pt)>& symbol) {
  const int size = int(P.Num("power.size"));
  const float c0 = size / 2.f;
  Col ring = P.Colour(key + ".ring"), sym = P.Colour(key + ".symbol"), core = P.Colour(key + ".core");
  return Average(size, size, 4, [&](Pt p) {
    float d = std::hypot(p.x - c0, p.y - c0);
    float ringD = std::fabs(d - (c0 - 3.2f));
    Col c = ring * (std::max(0.f, 1 - ringD / 1.3f) + 0.35f * std::max(0.f, 1 - ringD / 3.5f));
    c = c + ring * (0.12f * Smooth(c0 - 3, 0.f, d));
    float s = symbol({p.x - c0, p.y - c0});
    if (s > 0) c = Mix(sym, core, Smooth(0.5f, 4.f, s) * 0.7f);
    else c = c + sym * (0.5f * std::max(0.f, 1 + s / 2.f));
    c = c * Smooth(c0, c0 - 1.5f, d);
    return Clamp(c);
  });
}

float Rect(Pt p, float x0, float y0, float x1, float y1) {
  return std::min({p.x - x0, x1 - p.x, p.y - y0, y1 - p.y});
}

}  // namespace

Img MakePowerAmmo(const ArtSources& src) {
  // Three cartridges standing side by side, the middle one raised.
  return PowerIcon(src.params, "power.ammo", [](Pt p) {
    float best = -9;
    for (int i = -1; i <= 1; ++i) {
      Pt q{p.x - i * 6.5f, p.y + (i == 0 ? 1.5f : 0.f)};
      float casing = Rect(q, -1.9f, 0.f, 1.9f, 8.f);
      float head = q.y < 0 ? 1.8f - std::hypot(q.x, q.y * 0.32f) : -9;
      float groove = 0.45f - std::fabs(q.y - 0.f);
      float shape = std::max(casing, head);
      best = std::max(best, groove > 0 ? std::min(shape, -groove) : shape);
    }
    return best;
  });
}

Img MakePowerHeal(const ArtSources& src) {
  // A shield with a cross cut into it.
  return PowerIcon(src.params, "power.heal", [](Pt p) {
    std::vector<Pt> shield = {{-7.5f, -8}, {7.5f, -8}, {7.5f, 0}, {4, 6}, {0, 9}, {-4, 6}, {-7.5f, 0}};
    float s = PolyDist(shield, p);
    float cross = std::max(Rect(p, -1.4f, -5.5f, 1.4f, 5.5f), Rect(p, -5, -1.8f, 5, 1.0f));
    return cross > 0 ? -cross : std::min(s, -cross + 0.f);
  });
}

Img MakePowerLife(const ArtSources& src) {
  // A heart: two round lobes over a point.
  return PowerIcon(src.params, "power.life", [](Pt p) {
    float left = 4.3f - std::hypot(p.x + 3.7f, p.y + 2.6f);
    float right = 4.3f - std::hypot(p.x - 3.7f, p.y + 2.6f);
    std::vector<Pt> point = {{-7.7f, -1.2f}, {7.7f, -1.2f}, {0, 8.6f}};
    return std::max({left, right, PolyDist(point, p)});
  });
}

}  // namespace art
