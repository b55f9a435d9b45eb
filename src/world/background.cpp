#include "world/background.h"

#include <allegro.h>
#include <alleggl.h>
#include <GL/gl.h>

#include "graphics/gltwodee.h"

CBackground::CBackground()
    : Hills(new CGLSprite("data/hills.bmp", MaskAlpha)),
      Ground(new CGLSprite("data/ground.bmp", MaskNone)),
      Earth(new CGLSprite("data/earth.bmp", MaskAlpha)),
      HillsX(static_cast<float>(SCREEN_W)),
      GroundX(static_cast<float>(SCREEN_W)),
      EarthX(Rand(static_cast<float>(SCREEN_W / 2), static_cast<float>(SCREEN_W * 2))) {
  // The order of the Rand calls fixes the sky a given seed produces.
  for (Point& star : Stars) {
    const float x = Rand(0.0f, static_cast<float>(SCREEN_W));
    const float y = Rand(0.0f, static_cast<float>(SCREEN_H));
    const float b = Rand(0.2f, 1.0f);
    star.Pos = CVector2(x, y);
    star.Colour = b < 0.25f ? CColor3(Rand(0.5f, 1.0f), b, b) : CColor3(b, b, b);
  }
}

CBackground::~CBackground() {
  delete Hills;
  delete Ground;
  delete Earth;
}

void CBackground::Scroll() {
  EarthX -= 0.06 * Globals::ScrollSpeed;
  if (EarthX < -1.5f * SCREEN_W) EarthX = 1.5f * SCREEN_W;
  HillsX -= 0.5 * Globals::ScrollSpeed;
  if (HillsX <= 0.0f) HillsX += Hills->W();
  GroundX -= Globals::ScrollSpeed + Globals::ScrollSpeed;
  if (GroundX <= 0.0f) GroundX += Ground->W();
}

void CBackground::Draw() {
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_ONE, GL_ZERO);
  glBegin(GL_POINTS);
  for (const Point& star : Stars) {
    glColor3f(star.Colour.r, star.Colour.g, star.Colour.b);
    // A star sits on a whole pixel; the half pixel aims at that pixel's
    // centre so the rasteriser lights exactly it.
    glVertex2f(static_cast<int>(star.Pos.x) + 0.5f, static_cast<int>(star.Pos.y) + 0.5f);
  }
  glEnd();

  Earth->Draw(EarthX, static_cast<float>(SCREEN_H / 2 - 100), 0.0f, 1.0f, 1.0f);

  const float hillsY = SCREEN_H - Hills->H() / 2 - Ground->H();
  Hills->Draw(HillsX - Hills->W() / 2, hillsY, 0.0f, 1.0f, 1.0f);
  Hills->Draw(HillsX + Hills->W() / 2, hillsY, 0.0f, 1.0f, 1.0f);

  const float groundY = SCREEN_H - Ground->H() / 2;
  Ground->Draw(GroundX - Ground->W() / 2, groundY, 0.0f, 1.0f, 1.0f);
  Ground->Draw(GroundX + Ground->W() / 2, groundY, 0.0f, 1.0f, 1.0f);
}
