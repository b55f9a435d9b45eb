#include "graphics/gltwodee.h"

#include <allegro.h>
#include <alleggl.h>
#include <GL/gl.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

void BeginPrimitive(CColor3 colour) {
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_ONE, GL_ZERO);
  glColor3f(colour.r, colour.g, colour.b);
}

void BeginPrimitive(CColor4 colour) {
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(colour.r, colour.g, colour.b, colour.a);
}

void TriangleVertices(float x1, float y1, float x2, float y2, float x3, float y3) {
  // Callers pass vertices in either winding; culling must not drop any.
  glDisable(GL_CULL_FACE);
  glBegin(GL_TRIANGLES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glVertex2f(x3, y3);
  glEnd();
  glEnable(GL_CULL_FACE);
}

void RectVertices(float x1, float y1, float x2, float y2) {
  glDisable(GL_CULL_FACE);
  glBegin(GL_QUADS);
  glVertex2f(x1, y1);
  glVertex2f(x2, y1);
  glVertex2f(x2, y2);
  glVertex2f(x1, y2);
  glEnd();
}

void CircleVertices(float x, float y, float radius, int segments) {
  // The bound lies just past 2π so that the closing vertex at 2π is emitted
  // in spite of the rounding of the float angle.
  // Without a positive step the angle would never reach the bound.
  if (segments < 1) return;
  const double bound = 2.0 * M_PI + M_PI / 100.0;
  const float step = static_cast<float>(2.0 * M_PI / segments);
  glBegin(GL_TRIANGLE_FAN);
  glVertex2f(x, y);
  for (float a = 0.0f; a < bound; a += step) glVertex2f(x + std::cos(a) * radius, y + std::sin(a) * radius);
  glEnd();
}

// True while AllegroGL's display is up, i.e. while GL calls reach a context.
bool GLModeActive() {
  return gfx_driver != nullptr &&
         (gfx_driver->id == GFX_OPENGL || gfx_driver->id == GFX_OPENGL_WINDOWED ||
          gfx_driver->id == GFX_OPENGL_FULLSCREEN);
}

}  // namespace

void Setup2D() {
  glViewport(0, 0, SCREEN_W, SCREEN_H);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, SCREEN_W, SCREEN_H, 0, 10, -10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CW);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
}

bool IsPowerOfTwo(int n) {
  if (n == 2) return true;
  if (n <= 0 || n % 2 != 0) return false;
  return IsPowerOfTwo(n / 2);
}

int NearestPowerOfTwo(int n) {
  int power = 2;
  // Stops before overflow: no bitmap comes near 2^30 pixels wide.
  while (n > power && power < (1 << 30)) power *= 2;
  return power;
}

void DrawPoint(float x, float y, CColor3 colour) {
  BeginPrimitive(colour);
  glBegin(GL_POINTS);
  glVertex2f(x, y);
  glEnd();
}

void DrawPoint(float x, float y, CColor4 colour) {
  BeginPrimitive(colour);
  glBegin(GL_POINTS);
  glVertex2f(x, y);
  glEnd();
}

void DrawLine(float x1, float y1, float x2, float y2, CColor3 colour) {
  BeginPrimitive(colour);
  glBegin(GL_LINES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glEnd();
}

void DrawLine(float x1, float y1, float x2, float y2, CColor4 colour) {
  BeginPrimitive(colour);
  glBegin(GL_LINES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glEnd();
}

void DrawTriangle(float x1, float y1, float x2, float y2, float x3, float y3, CColor3 colour) {
  BeginPrimitive(colour);
  TriangleVertices(x1, y1, x2, y2, x3, y3);
}

void DrawTriangle(float x1, float y1, float x2, float y2, float x3, float y3, CColor4 colour) {
  BeginPrimitive(colour);
  TriangleVertices(x1, y1, x2, y2, x3, y3);
}

void DrawRect(float x1, float y1, float x2, float y2, CColor3 colour) {
  BeginPrimitive(colour);
  RectVertices(x1, y1, x2, y2);
}

void DrawRect(float x1, float y1, float x2, float y2, CColor4 colour) {
  BeginPrimitive(colour);
  RectVertices(x1, y1, x2, y2);
}

void DrawCircle(float x, float y, float radius, int segments, CColor3 colour) {
  BeginPrimitive(colour);
  glDisable(GL_CULL_FACE);
  CircleVertices(x, y, radius, segments);
}

void DrawCircle(float x, float y, float radius, int segments, CColor4 colour) {
  BeginPrimitive(colour);
  CircleVertices(x, y, radius, segments);
}

CGLSprite::CGLSprite() = default;

CGLSprite::CGLSprite(BITMAP* bitmap, MaskMode mask) { MakeFromBmp(bitmap, mask); }

CGLSprite::CGLSprite(const char* filename, MaskMode mask) { LoadFromFile(filename, mask); }

CGLSprite::~CGLSprite() { ReleaseTexture(); }

void CGLSprite::ReleaseTexture() {
  // Sprites held in static arrays die after the display has closed; their
  // textures went with the context.
  if (Texture != 0 && GLModeActive()) {
    const GLuint name = Texture;
    glDeleteTextures(1, &name);
  }
  Texture = 0;
}

void CGLSprite::LoadFromFile(const char* filename, MaskMode mask) {
  BITMAP* bitmap = load_bitmap(filename, nullptr);
  if (bitmap == nullptr) ErrorExit(std::string("Error loading file: ") + filename);
  MakeFromBmp(bitmap, mask);
  destroy_bitmap(bitmap);
}

void CGLSprite::MakeFromBmp(BITMAP* bitmap, MaskMode mask) {
  ReleaseTexture();
  Masking = mask;
  Width = static_cast<float>(bitmap->w);
  Height = static_cast<float>(bitmap->h);
  BITMAP* padded = nullptr;
  if (!IsPowerOfTwo(bitmap->w) || !IsPowerOfTwo(bitmap->h)) padded = MakeNewBmp(bitmap);
  BITMAP* upload = padded != nullptr ? padded : bitmap;
  Texture = mask == MaskNone ? allegro_gl_make_texture(upload) : allegro_gl_make_masked_texture(upload);
  TexWidth = static_cast<float>(upload->w);
  TexHeight = static_cast<float>(upload->h);
  TexU = Width / TexWidth;
  TexV = Height / TexHeight;
  if (padded != nullptr) destroy_bitmap(padded);
}

BITMAP* CGLSprite::MakeNewBmp(BITMAP* bitmap) {
  BITMAP* padded = create_bitmap(NearestPowerOfTwo(bitmap->w), NearestPowerOfTwo(bitmap->h));
  clear_to_color(padded, makecol(255, 0, 255));
  blit(bitmap, padded, 0, 0, 0, 0, bitmap->w, bitmap->h);
  return padded;
}

void CGLSprite::Draw(float x, float y, float angle, float scale, float alpha) {
  DrawQuad(x, y, angle, 1.0f, scale, alpha);
}

void CGLSprite::DrawHFlip(float x, float y, float angle, float scale, float alpha) {
  // Mirroring reverses the quad's winding, so culling would drop it.
  const bool culling = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
  glDisable(GL_CULL_FACE);
  DrawQuad(x, y, angle, -1.0f, scale, alpha);
  if (culling) glEnable(GL_CULL_FACE);
}

void CGLSprite::DrawQuad(float x, float y, float angle, float xScale, float scale, float alpha) {
  glEnable(GL_TEXTURE_2D);
  switch (Masking) {
    case MaskAlpha:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case MaskAdditive:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    default:
      glBlendFunc(GL_ONE, GL_ZERO);
      break;
  }
  glBindTexture(GL_TEXTURE_2D, Texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  if (Masking == MaskNone)
    glColor3f(1.0f, 1.0f, 1.0f);
  else
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
  // The corners are placed (scaled, rotated, moved) here rather than through
  // the model-view matrix: a matrix change per sprite would split every
  // sprite into a draw call of its own, while quads with the same texture
  // and blend now reach the renderer together.
  const double radians = angle * M_PI / 180.0;
  const float sine = angle == 0.0f ? 0.0f : std::sin(static_cast<float>(radians));
  const float cosine = angle == 0.0f ? 1.0f : std::cos(static_cast<float>(radians));
  const float sx = xScale * scale;
  const float w = Width / 2.0f, h = Height / 2.0f;
  auto corner = [&](float u, float v, float cx, float cy) {
    const float px = cx * sx, py = cy * scale;
    glTexCoord2f(u, v);
    glVertex2f(x + cosine * px - sine * py, y + sine * px + cosine * py);
  };
  glBegin(GL_TRIANGLE_STRIP);
  corner(0.0f, 1.0f, -w, -h);
  corner(TexU, 1.0f, w, -h);
  corner(0.0f, 1.0f - TexV, -w, h);
  corner(TexU, 1.0f - TexV, w, h);
  glEnd();
}

CGLFont::CGLFont(FONT* font)
    : Font(font), GLFont(allegro_gl_convert_allegro_font(font, AGL_FONT_TYPE_TEXTURED, -1.0f)) {}

CGLFont::~CGLFont() {
  if (GLFont != nullptr) allegro_gl_destroy_font(GLFont);
}

namespace {

enum class Align { Left, Centre, Right };

void PrintAligned(FONT* font, FONT* glFont, Align align, int x, int y, int colour, const char* format,
                  va_list args) {
  // vsnprintf cuts an over-long text at 255 characters.
  char text[256];
  vsnprintf(text, sizeof text, format, args);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
  glEnable(GL_TEXTURE_2D);
  if (glFont == nullptr) return;
  int left = x;
  if (align == Align::Centre) left = x - text_length(font, text) / 2;
  if (align == Align::Right) left = x - text_length(font, text);
  // allegro_gl_printf formats its text twice (its format, then the result
  // once more inside AllegroGL), so percent signs are doubled here to come
  // out of the second pass as they stand.
  std::string verbatim;
  for (const char* c = text; *c != '\0'; ++c) verbatim += *c == '%' ? "%%" : std::string(1, *c);
  allegro_gl_printf(glFont, static_cast<float>(left), static_cast<float>(y), 0.0f, colour, "%s", verbatim.c_str());
}

}  // namespace

void CGLFont::Printf(int x, int y, int colour, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintAligned(Font, GLFont, Align::Left, x, y, colour, format, args);
  va_end(args);
}

void CGLFont::PrintfCentre(int x, int y, int colour, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintAligned(Font, GLFont, Align::Centre, x, y, colour, format, args);
  va_end(args);
}

void CGLFont::PrintfRight(int x, int y, int colour, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintAligned(Font, GLFont, Align::Right, x, y, colour, format, args);
  va_end(args);
}

float CGLFont::GetHeight() const { return static_cast<float>(text_height(Font)); }

int CGLFont::TextWidth(const char* text) const { return text_length(Font, text); }
