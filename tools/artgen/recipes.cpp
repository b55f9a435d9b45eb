#include "recipes.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace art {

void Params::Read(std::istream& in) {
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    std::istringstream ls(text);
    std::string key;
    if (!(ls >> key)) continue;
    std::vector<float> v;
    float f;
    while (ls >> f) v.push_back(f);
    if (!ls.eof() || v.empty())
      throw std::runtime_error("scenes recipe line " + std::to_string(line) + ": '" + key + "' needs numbers");
    values_[key] = v;
  }
}

const std::vector<float>& Params::List(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end()) throw std::runtime_error("scenes recipe: missing '" + key + "'");
  return it->second;
}

float Params::Num(const std::string& key, size_t index) const {
  const auto& v = List(key);
  if (index >= v.size()) throw std::runtime_error("scenes recipe: '" + key + "' is too short");
  return v[index];
}

Col Params::Colour(const std::string& key) const {
  return Rgb(int(Num(key, 0)), int(Num(key, 1)), int(Num(key, 2)));
}

void StrokeFont::Read(std::istream& in) {
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    std::istringstream ls(text);
    std::string name;
    if (!(ls >> name)) continue;
    char c = name == "space" ? ' ' : name[0];
    if (name.size() != 1 && name != "space") throw std::runtime_error("font line " + std::to_string(line) + ": bad glyph name");
    Glyph g;
    if (!(ls >> g.advance)) throw std::runtime_error("font line " + std::to_string(line) + ": missing advance");
    g.strokes.emplace_back();
    std::string tok;
    while (ls >> tok) {
      if (tok == "|") {
        g.strokes.emplace_back();
        continue;
      }
      float x = std::stof(tok), y;
      if (!(ls >> y)) throw std::runtime_error("font line " + std::to_string(line) + ": odd coordinate count");
      g.strokes.back().push_back({x, y});
    }
    g.strokes.erase(std::remove_if(g.strokes.begin(), g.strokes.end(), [](const auto& s) { return s.empty(); }),
                    g.strokes.end());
    glyphs_[c] = g;
  }
}

const Glyph& StrokeFont::Get(char c) const {
  auto it = glyphs_.find(c);
  if (it == glyphs_.end()) throw std::runtime_error(std::string("font has no glyph for '") + c + "'");
  return it->second;
}

TextShape::TextShape(const StrokeFont& font, const std::string& text, float unit, float strokeWidth, float spacing)
    : unit_(unit), stroke_(strokeWidth) {
  float pen = strokeWidth / 2;
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph& g = font.Get(text[i]);
    for (const auto& s : g.strokes) {
      if (s.size() == 1) segs_.push_back({{pen + s[0].x * unit, strokeWidth / 2 + s[0].y * unit},
                                          {pen + s[0].x * unit, strokeWidth / 2 + s[0].y * unit}});
      for (size_t k = 1; k < s.size(); ++k)
        segs_.push_back({{pen + s[k - 1].x * unit, strokeWidth / 2 + s[k - 1].y * unit},
                         {pen + s[k].x * unit, strokeWidth / 2 + s[k].y * unit}});
    }
    pen += g.advance * unit + (i + 1 < text.size() ? spacing : 0);
  }
  width_ = pen + strokeWidth / 2;
}

float TextShape::Inside(Pt p) const {
  Pt q{p.x - ox_, p.y - oy_};
  if (q.x < -stroke_ || q.y < -stroke_ || q.x > width_ + stroke_ || q.y > Height() + stroke_) return -stroke_;
  float d = 1e9f;
  for (const Seg& s : segs_) d = std::min(d, SegDist(q, s.a, s.b));
  return stroke_ / 2 - d;
}

}  // namespace art
