// The art's data: named numbers and colours (scenes.txt) and the stroke font
// (font.txt), both read from the recipe folder.
#pragma once

#include <istream>
#include <map>
#include <string>
#include <vector>

#include "raster.h"

namespace art {

class Params {
 public:
  // "key value value ..." per line, '#' starts a comment; throws on a bad line.
  void Read(std::istream& in);
  // Throws std::runtime_error naming the key when it is missing or too short.
  float Num(const std::string& key, size_t index = 0) const;
  Col Colour(const std::string& key) const;
  const std::vector<float>& List(const std::string& key) const;

 private:
  std::map<std::string, std::vector<float>> values_;
};

// Glyphs drawn as round-capped strokes on a 4 x 6 grid (y down).
struct Glyph {
  float advance = 4;
  std::vector<std::vector<Pt>> strokes;
};

class StrokeFont {
 public:
  void Read(std::istream& in);
  const Glyph& Get(char c) const;

 private:
  std::map<char, Glyph> glyphs_;
};

// A line of text laid out in pixels: glyph strokes as segments, measured
// with a distance function (positive inside the strokes).
class TextShape {
 public:
  TextShape(const StrokeFont& font, const std::string& text, float unit, float strokeWidth, float spacing);
  float Width() const { return width_; }
  float Height() const { return 6 * unit_ + stroke_; }
  // Places the text's top-left corner (including the stroke's half width).
  void MoveTo(float x, float y) {
    ox_ = x;
    oy_ = y;
  }
  float Inside(Pt p) const;

 private:
  struct Seg {
    Pt a, b;
  };
  std::vector<Seg> segs_;
  float unit_, stroke_, width_ = 0, ox_ = 0, oy_ = 0;
};

}  // namespace art
