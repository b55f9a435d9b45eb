// The yardstick for the drawn frame: the quads a mission frame draws, listed
// from the live objects in the order the game draws them, and a bare loop
// that draws the same quads (same textures, sizes, blending and alpha) in as
// few batches as their order allows, with no per-sprite state changes or
// matrix work.
#pragma once

#include <vector>

#include "graphics/gltwodee.h"

class CGame;

namespace benchmark {

struct Quad {
  unsigned int Texture = 0;  // 0: an untextured primitive (gun rounds, beams)
  MaskMode Mask = MaskNone;
  float X = 0.0f, Y = 0.0f;            // centre
  float HalfW = 0.0f, HalfH = 0.0f;
  float U = 1.0f, V = 1.0f;            // extent of the picture in its texture
  float Alpha = 1.0f;
};

// The star field, drawn as one batch of points, counts as one quad.
struct FrameQuads {
  std::vector<Quad> Quads;
  int Count() const { return static_cast<int>(Quads.size()) + 1; }
};

// Lists what DrawMissionScene draws for the game's current state: the
// background layers, the stars as one batch, and each projectile, ship,
// shadow, trail particle and fireball as one quad. Text and the head-up
// display are left out.
void CollectQuads(const CGame& game, FrameQuads& frame);

// Draws the frame's quads the bare way, then the caller flips.
void DrawBare(const CGame& game, const FrameQuads& frame);

}  // namespace benchmark
