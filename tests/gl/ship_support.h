// Test ships for the GL tests: a ship whose one frame has a known size, and
// a fixture around a real player ship with its projectile and explosion lists.
#pragma once

#include <gtest/gtest.h>
#include <allegro.h>

#include <cstdlib>
#include <vector>

#include "effects/fire.h"
#include "graphics/gltwodee.h"
#include "ships/player.h"
#include "ships/ship.h"
#include "weapons/bullet.h"

namespace shiptest {

// A ship with a single w x h frame; its collision box is that size.
class SizedShip final : public TShip {
 public:
  SizedShip(float x, float y, int w, int h, int shields = 100) : TShip(x, y, nullptr) {
    BITMAP* bmp = create_bitmap_ex(32, w, h);
    clear_to_color(bmp, makecol32(200, 200, 200));
    Sprite.MakeFromBmp(bmp, MaskAlpha);
    destroy_bitmap(bmp);
    Sprites = &Sprite;
    Frame = 0;
    Shields = MaxShields = shields;
  }
  ~SizedShip() = default;
  void Draw() override {}
  CGLSprite Sprite;
};

inline void ReleaseKeys() {
  for (int i = 0; i < KEY_MAX; ++i) key[i] = 0;
}

template <typename T>
void DeleteAll(std::vector<T*>& items) {
  for (T* item : items) delete item;
  items.clear();
}

// A fresh player ship at (100, 100), sound off, keys released, Rand seeded.
class PlayerFixture : public testing::Test {
 protected:
  void SetUp() override {
    srand(17);
    ReleaseKeys();
    Globals::GFXLevel = 1;
    Player = new CPlayerShip(100, 100, &Explosions, &Bullets);
  }
  void TearDown() override {
    delete Player;
    DeleteAll(Bullets);
    DeleteAll(Explosions);
    ReleaseKeys();
  }
  void Tick(int ticks = 1) {
    for (int i = 0; i < ticks; ++i) Player->Update();
  }
  // Skips the fade-in: the ship is alive and fully visible.
  void MakeAlive() {
    Player->State = Alive;
    Player->Fade = 1.0f;
  }

  std::vector<TBullet*> Bullets;
  std::vector<CExplosion*> Explosions;
  CPlayerShip* Player = nullptr;
};

}  // namespace shiptest
