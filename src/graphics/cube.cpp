#include "graphics/cube.h"

#include <GL/gl.h>

Cube::Cube(float x, float y, float z, float width, float height, float depth)
    : X(x), Y(y), Z(z), Width(width), Height(height), Depth(depth) {}

void Cube::Render() {
  const float w = Width / 2.0f, h = Height / 2.0f, d = Depth / 2.0f;
  glPushMatrix();
  glTranslatef(X, Y, Z);
  glBegin(GL_QUADS);
  // Front: the picture upright and unmirrored seen from positive z.
  glNormal3f(0.0f, 0.0f, 1.0f);
  glTexCoord2f(0.0f, 1.0f); glVertex3f(-w, h, d);
  glTexCoord2f(1.0f, 1.0f); glVertex3f(w, h, d);
  glTexCoord2f(1.0f, 0.0f); glVertex3f(w, -h, d);
  glTexCoord2f(0.0f, 0.0f); glVertex3f(-w, -h, d);
  // Back.
  glNormal3f(0.0f, 0.0f, -1.0f);
  glTexCoord2f(0.0f, 1.0f); glVertex3f(-w, h, -d);
  glTexCoord2f(0.0f, 0.0f); glVertex3f(-w, -h, -d);
  glTexCoord2f(1.0f, 0.0f); glVertex3f(w, -h, -d);
  glTexCoord2f(1.0f, 1.0f); glVertex3f(w, h, -d);
  // Left.
  glNormal3f(-1.0f, 0.0f, 0.0f);
  glTexCoord2f(0.0f, 0.0f); glVertex3f(-w, h, d);
  glTexCoord2f(0.0f, 1.0f); glVertex3f(-w, -h, d);
  glTexCoord2f(1.0f, 1.0f); glVertex3f(-w, -h, -d);
  glTexCoord2f(1.0f, 0.0f); glVertex3f(-w, h, -d);
  // Right.
  glNormal3f(1.0f, 0.0f, 0.0f);
  glTexCoord2f(1.0f, 1.0f); glVertex3f(w, h, d);
  glTexCoord2f(1.0f, 0.0f); glVertex3f(w, h, -d);
  glTexCoord2f(0.0f, 0.0f); glVertex3f(w, -h, -d);
  glTexCoord2f(0.0f, 1.0f); glVertex3f(w, -h, d);
  // Top.
  glNormal3f(0.0f, 1.0f, 0.0f);
  glTexCoord2f(0.0f, 0.0f); glVertex3f(-w, h, d);
  glTexCoord2f(0.0f, 1.0f); glVertex3f(-w, h, -d);
  glTexCoord2f(1.0f, 1.0f); glVertex3f(w, h, -d);
  glTexCoord2f(1.0f, 0.0f); glVertex3f(w, h, d);
  // Bottom.
  glNormal3f(0.0f, -1.0f, 0.0f);
  glTexCoord2f(0.0f, 1.0f); glVertex3f(-w, -h, d);
  glTexCoord2f(1.0f, 1.0f); glVertex3f(w, -h, d);
  glTexCoord2f(1.0f, 0.0f); glVertex3f(w, -h, -d);
  glTexCoord2f(0.0f, 0.0f); glVertex3f(-w, -h, -d);
  glEnd();
  glPopMatrix();
}
