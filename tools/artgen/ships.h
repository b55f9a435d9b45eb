// Ship sprite sets: side-view ships built from shaded parts, rendered once per
// flight frame (pitched from climbing to diving) or per turret barrel angle.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "raster.h"

namespace art {

enum class Shape { Ellipse, Poly, Stroke };
enum class Shade { Round, Flat, Glow, Decal, Glass };

struct Part {
  Shape shape = Shape::Poly;
  std::vector<Pt> pts;  // polygon corners or polyline points
  float cx = 0, cy = 0, rx = 0, ry = 0;
  float width = 0;  // stroke width
  Col col;
  Shade shade = Shade::Round;
  float param = 2;    // bevel radius (round), opacity (decal)
  float gloss = 0.35f;
  bool barrel = false;  // turns with the turret's barrel angle
};

struct ShipRecipe {
  std::string name;       // datafile name without ".dat"
  int frames = 1;         // flight frames or barrel angles
  bool shadow = false;    // one more sprite: the shadow
  float pitch = 0;        // degrees of nose-up at frame 0 (and nose-down at the last)
  bool faceLeft = false;  // drawn mirrored: the model is written nose to the right
  bool turret = false;    // frames turn the barrel instead of pitching the ship
  float sweep = 70;       // barrel lean at the first and last frame, degrees
  Pt pivot;               // barrel pivot
  std::vector<Part> parts;  // bottom first
};

// Reads every "ship" block of a recipe file; throws std::runtime_error with
// the line number on malformed input.
std::vector<ShipRecipe> ReadShipRecipes(std::istream& in);

// Renders the sprites of one set: frames first, then the shadow if any.
std::vector<Img> RenderShipSet(const ShipRecipe& ship);

// Renders one pose (pitch in degrees, barrel angle in degrees) at a given
// scale, uncropped and unmasked; used for the larger illustrations.
Img RenderShipPose(const ShipRecipe& ship, float pitch, float barrel, float scale);

}  // namespace art
