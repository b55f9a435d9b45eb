// The 2D OpenGL toolkit everything in the game draws with: the screen-pixel
// view (origin top-left, y down), untextured primitives, textured sprites made
// from bitmaps (CGLSprite) and text (CGLFont). The primitives deliberately
// leave texturing, blending and face culling as documented per function:
// later drawing relies on those side effects.
#pragma once

#include "shell/common.h"

struct BITMAP;
struct FONT;

enum MaskMode { MaskNone = 0, MaskAlpha = 1, MaskAdditive = 2 };

// Puts the context into the 2D screen view.
void Setup2D();
bool IsPowerOfTwo(int n);
int NearestPowerOfTwo(int n);

void DrawPoint(float x, float y, CColor3 colour);
void DrawPoint(float x, float y, CColor4 colour);
void DrawLine(float x1, float y1, float x2, float y2, CColor3 colour);
void DrawLine(float x1, float y1, float x2, float y2, CColor4 colour);
void DrawTriangle(float x1, float y1, float x2, float y2, float x3, float y3, CColor3 colour);
void DrawTriangle(float x1, float y1, float x2, float y2, float x3, float y3, CColor4 colour);
void DrawRect(float x1, float y1, float x2, float y2, CColor3 colour);
void DrawRect(float x1, float y1, float x2, float y2, CColor4 colour);
void DrawCircle(float x, float y, float radius, int segments, CColor3 colour);
void DrawCircle(float x, float y, float radius, int segments, CColor4 colour);

// A picture as a power-of-two texture, drawn centred on a point.
class CGLSprite {
 public:
  CGLSprite();
  CGLSprite(BITMAP* bitmap, MaskMode mask);
  CGLSprite(const char* filename, MaskMode mask);
  ~CGLSprite();
  CGLSprite(const CGLSprite&) = delete;
  CGLSprite& operator=(const CGLSprite&) = delete;

  void LoadFromFile(const char* filename, MaskMode mask);
  void MakeFromBmp(BITMAP* bitmap, MaskMode mask);
  static BITMAP* MakeNewBmp(BITMAP* bitmap);

  void Draw(float x, float y, float angle, float scale, float alpha);
  void DrawHFlip(float x, float y, float angle, float scale, float alpha);

  float W() const { return Width; }
  float H() const { return Height; }
  unsigned int TextureName() const { return Texture; }
  float U() const { return TexU; }
  float V() const { return TexV; }
  float TextureW() const { return TexWidth; }
  float TextureH() const { return TexHeight; }
  MaskMode Mask() const { return Masking; }

 private:
  void DrawQuad(float x, float y, float angle, float xScale, float scale, float alpha);
  // Frees the current texture (while the display is up) and empties the name.
  void ReleaseTexture();

  unsigned int Texture = 0;
  float Width = 0.0f, Height = 0.0f;
  float TexWidth = 0.0f, TexHeight = 0.0f;
  float TexU = 0.0f, TexV = 0.0f;
  MaskMode Masking = MaskNone;
};

// Text in one Allegro font, drawn through AllegroGL.
class CGLFont {
 public:
  explicit CGLFont(FONT* font);
  ~CGLFont();
  CGLFont(const CGLFont&) = delete;
  CGLFont& operator=(const CGLFont&) = delete;

  void Printf(int x, int y, int colour, const char* format, ...) __attribute__((format(printf, 5, 6)));
  void PrintfCentre(int x, int y, int colour, const char* format, ...) __attribute__((format(printf, 5, 6)));
  void PrintfRight(int x, int y, int colour, const char* format, ...) __attribute__((format(printf, 5, 6)));
  float GetHeight() const;
  // Width of a text in pixels, as Allegro's text_length measures it.
  int TextWidth(const char* text) const;

 private:
  FONT* Font;
  FONT* GLFont;
};
