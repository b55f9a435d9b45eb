// CBackground is the parallax landscape behind every mission: a fixed star
// field, a planet that drifts very slowly, a band of hills and the ground,
// the picture layers scrolling left at different speeds.
#pragma once

#include "shell/common.h"

class CGLSprite;

struct Point {
  CVector2 Pos;
  CColor3 Colour;
};

class CBackground {
 public:
  CBackground();
  ~CBackground();
  CBackground(const CBackground&) = delete;
  CBackground& operator=(const CBackground&) = delete;

  // One logic tick of scrolling.
  void Scroll();
  void Draw();

  CGLSprite* Hills;
  CGLSprite* Ground;
  CGLSprite* Earth;
  float HillsX;
  float GroundX;
  float EarthX;
  Point Stars[300];
};
