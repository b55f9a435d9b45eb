// The desktop icon: the player's ship climbing, on transparency, with a dark
// rim so it reads on light and dark panels alike; written as PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scenes.h"

namespace art {

// Straight (not premultiplied) 8-bit RGBA, top row first.
struct RgbaImg {
  int w = 0, h = 0;
  std::vector<uint8_t> px;  // w * h * 4
};

RgbaImg MakeIcon(const ArtSources& src, int size);

// Deterministic: no time or text chunks, fixed compression.
bool WritePng(const std::string& path, const RgbaImg& img);

}  // namespace art
