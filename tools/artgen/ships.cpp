#include "ships.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace art {

namespace {

constexpr int kSuper = 4;  // samples per pixel along each axis
constexpr float kPi = 3.14159265f;

[[noreturn]] void Fail(int line, const std::string& what) {
  throw std::runtime_error("ships recipe line " + std::to_string(line) + ": " + what);
}

std::vector<float> Numbers(std::istringstream& in, int line) {
  std::vector<float> v;
  float f;
  while (in >> f) v.push_back(f);
  if (!in.eof()) Fail(line, "expected only numbers before '|'");
  return v;
}

void ReadMaterial(std::istringstream& in, Part& p, int line) {
  int r, g, b;
  if (!(in >> r >> g >> b)) Fail(line, "expected a colour after '|'");
  p.col = Rgb(r, g, b);
  std::string word;
  while (in >> word) {
    if (word == "round") {
      p.shade = Shade::Round;
      if (!(in >> p.param)) Fail(line, "round needs a radius");
    } else if (word == "flat") {
      p.shade = Shade::Flat;
    } else if (word == "glow") {
      p.shade = Shade::Glow;
    } else if (word == "glass") {
      p.shade = Shade::Glass;
    } else if (word == "decal") {
      p.shade = Shade::Decal;
      if (!(in >> p.param)) Fail(line, "decal needs an opacity");
    } else if (word == "gloss") {
      if (!(in >> p.gloss)) Fail(line, "gloss needs a value");
    } else if (word == "barrel") {
      p.barrel = true;
    } else {
      Fail(line, "unknown material word '" + word + "'");
    }
  }
}

std::vector<Pt> Points(const std::vector<float>& v, size_t from, int line) {
  if ((v.size() - from) % 2 != 0 || v.size() - from < 4) Fail(line, "expected pairs of coordinates");
  std::vector<Pt> pts;
  for (size_t i = from; i + 1 < v.size(); i += 2) pts.push_back({v[i], v[i + 1]});
  return pts;
}

// Rotation of a right-facing model: positive angles lift the nose.
Pt Rot(Pt p, float deg) {
  float a = deg * kPi / 180.f, c = std::cos(a), s = std::sin(a);
  return {p.x * c + p.y * s, -p.x * s + p.y * c};
}
Pt Unrot(Pt p, float deg) { return Rot(p, -deg); }

struct Pose {
  float pitch = 0, barrel = 0, scale = 1;
  bool mirror = false;
  float squash = 1;      // vertical squash for shadows
  bool hull = false;     // only the solid hull: no barrels or lights (shadows)
};

struct Evaluator {
  const ShipRecipe& ship;
  Pose pose;

  Pt ToModel(Pt s) const {
    Pt p{s.x / pose.scale, s.y / (pose.scale * pose.squash)};
    if (pose.mirror) p.x = -p.x;
    return Unrot(p, pose.pitch);
  }
  Pt ToPart(const Part& part, Pt m) const {
    if (!part.barrel) return m;
    Pt d = Unrot({m.x - ship.pivot.x, m.y - ship.pivot.y}, pose.barrel);
    return {d.x + ship.pivot.x, d.y + ship.pivot.y};
  }
  // Inside distance of a part (positive inside).
  static float Inside(const Part& p, Pt m) {
    switch (p.shape) {
      case Shape::Ellipse: {
        float dx = (m.x - p.cx) / p.rx, dy = (m.y - p.cy) / p.ry;
        float q = std::sqrt(dx * dx + dy * dy);
        return (1 - q) * std::min(p.rx, p.ry);
      }
      case Shape::Poly:
        return PolyDist(p.pts, m);
      case Shape::Stroke: {
        float d = 1e9f;
        for (size_t i = 1; i < p.pts.size(); ++i) d = std::min(d, SegDist(m, p.pts[i - 1], p.pts[i]));
        return p.width / 2 - d;
      }
    }
    return -1;
  }
  static float Height(const Part& p, Pt m) {
    if (p.shape == Shape::Ellipse) {
      float dx = (m.x - p.cx) / p.rx, dy = (m.y - p.cy) / p.ry;
      return std::sqrt(std::max(0.f, 1 - dx * dx - dy * dy)) * std::min(p.rx, p.ry);
    }
    float r = p.shape == Shape::Stroke ? p.width / 2 : p.param;
    float t = std::clamp(Inside(p, m), 0.f, r);
    return std::sqrt(std::max(0.f, r * r - (r - t) * (r - t)));
  }

  // Screen-space normal of a part at a model point.
  float nx = 0, ny = 0, nz = 1;
  void Normal(const Part& p, Pt m) {
    nx = ny = 0;
    nz = 1;
    if (p.shade == Shade::Flat || p.shade == Shade::Glow) return;
    const float e = 0.2f;
    Pt pm = ToPart(p, m);
    float h = Height(p, pm);
    float hx = (Height(p, {pm.x + e, pm.y}) - h) / e;
    float hy = (Height(p, {pm.x, pm.y + e}) - h) / e;
    if (Height(p, {pm.x + e, pm.y}) <= 0) hx = (h - Height(p, {pm.x - e, pm.y})) / e;
    if (Height(p, {pm.x, pm.y + e}) <= 0) hy = (h - Height(p, {pm.x, pm.y - e})) / e;
    hx = std::clamp(hx, -3.f, 3.f);
    hy = std::clamp(hy, -3.f, 3.f);
    Pt n{-hx, -hy};
    if (p.barrel) n = Rot(n, pose.barrel);
    n = Rot(n, pose.pitch);
    if (pose.mirror) n.x = -n.x;
    float len = std::sqrt(n.x * n.x + n.y * n.y + 1);
    nx = n.x / len;
    ny = n.y / len;
    nz = 1 / len;
  }

  // Colour of the sample at screen point s; false where the ship is absent.
  bool Sample(Pt s, Col& out) {
    Pt m = ToModel(s);
    const Part* decals[8];
    int numDecals = 0;
    for (size_t i = ship.parts.size(); i-- > 0;) {
      const Part& p = ship.parts[i];
      if (pose.hull && (p.barrel || p.shade == Shade::Glow)) continue;
      if (Inside(p, ToPart(p, m)) <= 0) continue;
      if (p.shade == Shade::Decal) {
        if (numDecals < 8) decals[numDecals++] = &p;
        continue;
      }
      Col base = p.col;
      for (int d = numDecals; d-- > 0;) base = Mix(base, decals[d]->col, decals[d]->param);
      if (p.shade == Shade::Glow) {
        out = base;
        return true;
      }
      Normal(p, m);
      out = Light(base, p);
      return true;
    }
    return false;
  }

  Col Light(Col base, const Part& p) const {
    const float lx = -0.42f, ly = -0.72f, lz = 0.55f;  // light from above, a little ahead
    const float llen = std::sqrt(lx * lx + ly * ly + lz * lz);
    float diff = std::max(0.f, (nx * lx + ny * ly + nz * lz) / llen);
    float hxv = lx / llen, hyv = ly / llen, hzv = lz / llen + 1;
    float hl = std::sqrt(hxv * hxv + hyv * hyv + hzv * hzv);
    float specular = std::pow(std::max(0.f, (nx * hxv + ny * hyv + nz * hzv) / hl), 28.f);
    float bounce = std::max(0.f, ny);  // cool light from below keeps the bellies readable
    if (p.shade == Shade::Glass) {
      float sheen = Smooth(0.4f, -0.6f, ny) * 0.35f;
      Col c = base * (0.35f + 0.55f * diff) + Col{0.7f, 0.85f, 1.f} * sheen;
      return c + Col{1, 1, 1} * (specular * 0.9f);
    }
    Col c = base * (0.34f + 0.78f * diff) + Col{0.10f, 0.13f, 0.22f} * bounce;
    return c + Col{1, 1, 0.95f} * (specular * p.gloss);
  }
};

struct Box {
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
  void Add(Pt p) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
};

Box ScreenBox(const ShipRecipe& ship, const Pose& pose) {
  Box b;
  for (const Part& p : ship.parts) {
    std::vector<Pt> corners;
    if (p.shape == Shape::Ellipse) {
      corners = {{p.cx - p.rx, p.cy - p.ry}, {p.cx + p.rx, p.cy - p.ry}, {p.cx - p.rx, p.cy + p.ry}, {p.cx + p.rx, p.cy + p.ry}};
    } else {
      float r = p.shape == Shape::Stroke ? p.width / 2 : 0;
      for (Pt q : p.pts)
        for (Pt o : {Pt{-r, -r}, Pt{r, -r}, Pt{-r, r}, Pt{r, r}}) corners.push_back({q.x + o.x, q.y + o.y});
    }
    for (Pt c : corners) {
      if (p.barrel) {
        Pt d = Rot({c.x - ship.pivot.x, c.y - ship.pivot.y}, pose.barrel);
        c = {d.x + ship.pivot.x, d.y + ship.pivot.y};
      }
      Pt s = Rot(c, pose.pitch);
      if (pose.mirror) s.x = -s.x;
      b.Add({s.x * pose.scale, s.y * pose.scale * pose.squash});
    }
  }
  return b;
}

// Supersampled render; a pixel is coloured when at least half its samples
// hit the ship, and its colour is the mean of those samples alone.
Img Render(const ShipRecipe& ship, const Pose& pose) {
  Box b = ScreenBox(ship, pose);
  int ox = int(std::floor(b.x0)) - 2, oy = int(std::floor(b.y0)) - 2;
  int w = int(std::ceil(b.x1)) + 2 - ox, h = int(std::ceil(b.y1)) + 2 - oy;
  Img img(w, h, {}, false);
  Evaluator ev{ship, pose};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Col sum;
      int hits = 0;
      for (int sy = 0; sy < kSuper; ++sy)
        for (int sx = 0; sx < kSuper; ++sx) {
          Pt s{float(x + ox) + (sx + 0.5f) / kSuper, float(y + oy) + (sy + 0.5f) / kSuper};
          Col c;
          if (ev.Sample(s, c)) {
            sum = sum + c;
            ++hits;
          }
        }
      if (hits * 2 >= kSuper * kSuper) img.set(x, y, sum * (1.f / float(hits)));
    }
  return img;
}

// Every barrel angle shares one box, so the unit's collision box stays put
// while the barrel turns.
std::vector<Img> RenderTurretFrames(const ShipRecipe& ship, const std::vector<Pose>& poses) {
  std::vector<Img> frames;
  int x0 = 1 << 20, y0 = 1 << 20, x1 = -(1 << 20), y1 = -(1 << 20);
  std::vector<Box> boxes;
  for (const Pose& p : poses) {
    Box b = ScreenBox(ship, p);
    x0 = std::min(x0, int(std::floor(b.x0)) - 2);
    y0 = std::min(y0, int(std::floor(b.y0)) - 2);
    x1 = std::max(x1, int(std::ceil(b.x1)) + 2);
    y1 = std::max(y1, int(std::ceil(b.y1)) + 2);
    boxes.push_back(b);
  }
  int cx0 = 1 << 20, cy0 = 1 << 20, cx1 = -1, cy1 = -1;
  std::vector<Img> placed;
  for (size_t i = 0; i < poses.size(); ++i) {
    Img r = Render(ship, poses[i]);
    int ox = int(std::floor(boxes[i].x0)) - 2 - x0, oy = int(std::floor(boxes[i].y0)) - 2 - y0;
    Img big(x1 - x0, y1 - y0, {}, false);
    for (int y = 0; y < r.h; ++y)
      for (int x = 0; x < r.w; ++x)
        if (r.on(x, y)) {
          big.set(x + ox, y + oy, r.at(x, y));
          cx0 = std::min(cx0, x + ox);
          cy0 = std::min(cy0, y + oy);
          cx1 = std::max(cx1, x + ox);
          cy1 = std::max(cy1, y + oy);
        }
    placed.push_back(big);
  }
  for (const Img& big : placed) {
    Img f(cx1 - cx0 + 3, cy1 - cy0 + 3, {}, false);
    for (int y = cy0; y <= cy1; ++y)
      for (int x = cx0; x <= cx1; ++x)
        if (big.on(x, y)) f.set(x - cx0 + 1, y - cy0 + 1, big.at(x, y));
    frames.push_back(f);
  }
  return frames;
}

}  // namespace

std::vector<ShipRecipe> ReadShipRecipes(std::istream& in) {
  std::vector<ShipRecipe> ships;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    std::string shapePart = text, material;
    if (auto bar = text.find('|'); bar != std::string::npos) {
      shapePart = text.substr(0, bar);
      material = text.substr(bar + 1);
    }
    std::istringstream ls(shapePart);
    std::string key;
    if (!(ls >> key)) continue;
    if (key == "ship") {
      ships.emplace_back();
      if (!(ls >> ships.back().name)) Fail(line, "ship needs a name");
      continue;
    }
    if (ships.empty()) Fail(line, "'" + key + "' before the first ship");
    ShipRecipe& s = ships.back();
    std::vector<float> v = Numbers(ls, line);
    auto need = [&](size_t n) {
      if (v.size() != n) Fail(line, "'" + key + "' needs " + std::to_string(n) + " numbers");
    };
    if (key == "frames") {
      need(1);
      s.frames = int(v[0]);
    } else if (key == "shadow") {
      need(1);
      s.shadow = v[0] != 0;
    } else if (key == "pitch") {
      need(1);
      s.pitch = v[0];
    } else if (key == "faceleft") {
      need(1);
      s.faceLeft = v[0] != 0;
    } else if (key == "turret") {
      need(3);
      s.turret = true;
      s.sweep = v[0];
      s.pivot = {v[1], v[2]};
    } else if (key == "ellipse" || key == "poly" || key == "stroke" || key == "rect") {
      Part p;
      if (key == "ellipse") {
        need(4);
        p.shape = Shape::Ellipse;
        p.cx = v[0];
        p.cy = v[1];
        p.rx = v[2];
        p.ry = v[3];
        if (p.rx <= 0 || p.ry <= 0) Fail(line, "ellipse radii must be positive");
      } else if (key == "rect") {
        need(4);
        p.pts = {{v[0], v[1]}, {v[2], v[1]}, {v[2], v[3]}, {v[0], v[3]}};
      } else if (key == "poly") {
        p.pts = Points(v, 0, line);
        if (p.pts.size() < 3) Fail(line, "a polygon needs three corners");
      } else {
        if (v.empty()) Fail(line, "stroke needs a width");
        p.shape = Shape::Stroke;
        p.width = v[0];
        p.pts = Points(v, 1, line);
      }
      std::istringstream ms(material);
      ReadMaterial(ms, p, line);
      s.parts.push_back(p);
    } else {
      Fail(line, "unknown key '" + key + "'");
    }
  }
  return ships;
}

Img RenderShipPose(const ShipRecipe& ship, float pitch, float barrel, float scale) {
  Pose pose;
  pose.pitch = pitch;
  pose.barrel = barrel;
  pose.scale = scale;
  pose.mirror = ship.faceLeft;
  return Render(ship, pose);
}

std::vector<Img> RenderShipSet(const ShipRecipe& ship) {
  std::vector<Img> out;
  std::vector<Pose> poses;
  for (int i = 0; i < ship.frames; ++i) {
    Pose pose;
    pose.mirror = ship.faceLeft;
    float t = ship.frames > 1 ? 1.f - 2.f * float(i) / float(ship.frames - 1) : 0.f;
    if (ship.turret)
      pose.barrel = ship.sweep * t;
    else
      pose.pitch = ship.pitch * t;
    poses.push_back(pose);
  }
  if (ship.turret) {
    out = RenderTurretFrames(ship, poses);
  } else {
    for (const Pose& p : poses) out.push_back(CropToContent(Render(ship, p), 1));
  }
  if (ship.shadow) {
    Pose pose;
    pose.mirror = ship.faceLeft;
    pose.squash = 0.3f;
    pose.hull = true;
    Img sil = CropToContent(Render(ship, pose), 1);
    // A dark, flat silhouette, a little denser in the middle.
    for (int y = 0; y < sil.h; ++y)
      for (int x = 0; x < sil.w; ++x)
        if (sil.on(x, y)) {
          float dx = (float(x) - sil.w / 2.f) / (sil.w / 2.f), dy = (float(y) - sil.h / 2.f) / (sil.h / 2.f);
          float k = Clamp01(dx * dx + dy * dy);
          sil.at(x, y) = Mix(Rgb(6, 7, 12), Rgb(24, 26, 34), k);
        }
    out.push_back(sil);
  }
  return out;
}

}  // namespace art
