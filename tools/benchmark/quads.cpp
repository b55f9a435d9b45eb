#include "quads.h"

#include <allegro.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "effects/fire.h"
#include "game/game.h"
#include "powerups/powerup.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "weapons/bullet.h"
#include "world/background.h"

namespace benchmark {

namespace {

Quad SpriteQuad(const CGLSprite& sprite, float x, float y, float scale, float alpha) {
  Quad quad;
  quad.Texture = sprite.TextureName();
  quad.Mask = sprite.Mask();
  quad.X = x;
  quad.Y = y;
  quad.HalfW = sprite.W() * scale / 2;
  quad.HalfH = sprite.H() * scale / 2;
  quad.U = sprite.U();
  quad.V = sprite.V();
  quad.Alpha = alpha;
  return quad;
}

// A gun round, laser line or beam: untextured, of the size it covers, opaque
// or blended as the game draws it.
Quad PlainQuad(float x1, float y1, float x2, float y2, MaskMode mask, float alpha) {
  Quad quad;
  quad.X = (x1 + x2) / 2;
  quad.Y = (y1 + y2) / 2;
  quad.HalfW = std::max(std::fabs(x2 - x1) / 2, 0.5f);
  quad.HalfH = std::max(std::fabs(y2 - y1) / 2, 0.5f);
  quad.Mask = mask;
  quad.Alpha = alpha;
  return quad;
}

void AddTrail(const CFireTrail& trail, std::vector<Quad>& quads) {
  for (int i = 0; i < trail.NumParticles; ++i) {
    const CParticle& p = trail.Particles[i];
    if (p.Sprite != nullptr) quads.push_back(SpriteQuad(*p.Sprite, p.Pos.x, p.Pos.y, 1.0f, p.Life));
  }
}

void AddProjectile(TBullet* bullet, std::vector<Quad>& quads) {
  const CVector2 pos = bullet->Pos;
  if (auto* rocket = dynamic_cast<CRocket*>(bullet)) {
    AddTrail(rocket->Trail, quads);
    quads.push_back(SpriteQuad(*CRocket::Sprite, pos.x, pos.y, 1.0f, 1.0f));
  } else if (auto* missile = dynamic_cast<CMissile*>(bullet)) {
    AddTrail(missile->Trail, quads);
    quads.push_back(SpriteQuad(*CMissile::Sprite, pos.x, pos.y, 1.0f, 1.0f));
  } else if (dynamic_cast<CMine*>(bullet) != nullptr) {
    quads.push_back(SpriteQuad(*CMine::Sprite, pos.x, pos.y, 1.0f, 1.0f));
  } else if (dynamic_cast<CBomb*>(bullet) != nullptr) {
    quads.push_back(SpriteQuad(*CBomb::Sprite, pos.x, pos.y, 1.0f, 1.0f));
  } else if (auto* beam = dynamic_cast<CPlasmaBeam*>(bullet)) {
    const float end = beam->Hostile ? 0.0f : static_cast<float>(SCREEN_W);
    quads.push_back(PlainQuad(pos.x, pos.y - 2, end, pos.y + 1, MaskAlpha, beam->Alpha));
  } else if (dynamic_cast<CLaser*>(bullet) != nullptr) {
    quads.push_back(PlainQuad(pos.x, pos.y, pos.x - bullet->Vel.x, pos.y - bullet->Vel.y, MaskNone, 1.0f));
  } else {
    quads.push_back(PlainQuad(pos.x - 3, pos.y - 2, pos.x + 5, pos.y + 2, MaskNone, 1.0f));
  }
}

void AddPlayer(const CPlayerShip& player, std::vector<Quad>& quads) {
  if (player.State == Finished) return;
  quads.push_back(SpriteQuad(player.Sprites[player.Frame], player.Pos.x, player.Pos.y, 1.0f,
                             player.CloakTimer > 0 ? 0.2f : player.Fade));
  if (player.Pos.y < 500 && player.CloakTimer < 1 && player.State != Respawning && Globals::GFXLevel != 0) {
    quads.push_back(SpriteQuad(*player.ShadowSprite, player.Pos.x, Globals::GroundLevel, 100 / (550 - player.Pos.y),
                               0.4f));
  }
}

void AddEnemy(const CShipNPC& ship, std::vector<Quad>& quads) {
  if (ship.State == Finished) return;
  quads.push_back(SpriteQuad(ship.Sprites[ship.Frame], ship.Pos.x, ship.Pos.y, 1.0f, 1.0f));
  if (!ship.Shadow || Globals::GFXLevel == 0) return;
  const float height = Globals::GroundLevel - ship.Pos.y;
  const float scale = height > 100.0f ? 100.0f / height : 1.0f;
  quads.push_back(SpriteQuad(ship.Sprites[ship.FrameCount], ship.Pos.x, Globals::GroundLevel, scale, 0.4f));
}

void AddExplosion(const CExplosion& explosion, std::vector<Quad>& quads) {
  for (int i = 0; i < explosion.NumTrails; ++i) AddTrail(explosion.Trails[i], quads);
  if (explosion.Frame < 15) {
    quads.push_back(SpriteQuad(CExplosion::Sprites[static_cast<int>(explosion.Frame)], explosion.Pos.x,
                               explosion.Pos.y, explosion.Size, 0.7f));
  }
}

void SetBlend(MaskMode mask) {
  switch (mask) {
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
}

}  // namespace

void CollectQuads(const CGame& game, FrameQuads& frame) {
  std::vector<Quad>& quads = frame.Quads;
  quads.clear();
  const CBackground& bg = *game.Background;
  quads.push_back(SpriteQuad(*bg.Earth, bg.EarthX, static_cast<float>(SCREEN_H / 2 - 100), 1.0f, 1.0f));
  const float hillsY = SCREEN_H - bg.Hills->H() / 2 - bg.Ground->H();
  quads.push_back(SpriteQuad(*bg.Hills, bg.HillsX - bg.Hills->W() / 2, hillsY, 1.0f, 1.0f));
  quads.push_back(SpriteQuad(*bg.Hills, bg.HillsX + bg.Hills->W() / 2, hillsY, 1.0f, 1.0f));
  const float groundY = SCREEN_H - bg.Ground->H() / 2;
  quads.push_back(SpriteQuad(*bg.Ground, bg.GroundX - bg.Ground->W() / 2, groundY, 1.0f, 1.0f));
  quads.push_back(SpriteQuad(*bg.Ground, bg.GroundX + bg.Ground->W() / 2, groundY, 1.0f, 1.0f));

  for (TBullet* bullet : game.Bullets) AddProjectile(bullet, quads);
  AddPlayer(*game.Player, quads);
  for (const CShipNPC* ship : game.Enemies) AddEnemy(*ship, quads);
  for (const CPowerup* powerup : game.Powerups) {
    if (powerup->Timer == 0) quads.push_back(SpriteQuad(*powerup->Sprite, powerup->Pos.x, powerup->Pos.y, 1.0f, 1.0f));
  }
  for (const CExplosion* explosion : game.Explosions) AddExplosion(*explosion, quads);
}

void DrawBare(const CGame& game, const FrameQuads& frame) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_ONE, GL_ZERO);
  glBegin(GL_POINTS);
  for (const Point& star : game.Background->Stars) {
    glColor3f(star.Colour.r, star.Colour.g, star.Colour.b);
    glVertex2f(static_cast<int>(star.Pos.x) + 0.5f, static_cast<int>(star.Pos.y) + 0.5f);
  }
  glEnd();

  // One batch per run of quads with the same texture and blending.
  unsigned int texture = 0;
  MaskMode mask = MaskNone;
  bool open = false;
  for (const Quad& q : frame.Quads) {
    if (!open || q.Texture != texture || q.Mask != mask) {
      if (open) glEnd();
      if (q.Texture != texture || !open) {
        if (q.Texture != 0) {
          glEnable(GL_TEXTURE_2D);
          glBindTexture(GL_TEXTURE_2D, q.Texture);
        } else {
          glDisable(GL_TEXTURE_2D);
        }
      }
      SetBlend(q.Mask);
      texture = q.Texture;
      mask = q.Mask;
      glBegin(GL_QUADS);
      open = true;
    }
    glColor4f(1.0f, 1.0f, 1.0f, q.Alpha);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(q.X - q.HalfW, q.Y - q.HalfH);
    glTexCoord2f(q.U, 1.0f);
    glVertex2f(q.X + q.HalfW, q.Y - q.HalfH);
    glTexCoord2f(q.U, 1.0f - q.V);
    glVertex2f(q.X + q.HalfW, q.Y + q.HalfH);
    glTexCoord2f(0.0f, 1.0f - q.V);
    glVertex2f(q.X - q.HalfW, q.Y + q.HalfH);
  }
  if (open) glEnd();
}

}  // namespace benchmark
