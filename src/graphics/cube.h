// A textured box for the intro's logo cube. It emits geometry only
// (positions, normals, texture coordinates); the caller sets texture,
// colour, lighting, projection and rotation.
#pragma once

class Cube {
 public:
  Cube(float x, float y, float z, float width, float height, float depth);
  void Render();

  float X, Y, Z;
  float Width, Height, Depth;
};
