// Test ships for the GL tests: a ship whose one frame has a known size, and
// a fixture around a real player ship with its projectile, explosion and
// enemy lists.
#pragma once

#include <gtest/gtest.h>
#include <allegro.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "effects/fire.h"
#include "gl_harness.h"
#include "graphics/gltwodee.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "ships/ship.h"
#include "weapons/bullet.h"

namespace shiptest {

using gltest::ReleaseKeys;

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

template <typename T>
void DeleteAll(std::vector<T*>& items) {
  for (T* item : items) delete item;
  items.clear();
}

// A fresh player ship at (100, 100), sound off, keys released, Rand seeded;
// the enemies it spawns go with it.
class PlayerFixture : public testing::Test {
 protected:
  void SetUp() override {
    srand(17);
    ReleaseKeys();
    Globals::GFXLevel = 1;
    Globals::ScreenShake = 0;
    Player = new CPlayerShip(100, 100, &Explosions, &Bullets);
  }
  void TearDown() override {
    DeleteAll(Ships);
    if (OwnSprites != nullptr) Player->Sprites = OwnSprites;
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
  // An alive player at (100, 300) whose frames are 50 x 30 stand-ins, so
  // that collision boxes do not depend on the artwork.
  void StandInPlayer() {
    for (CGLSprite& sprite : StandIns) {
      BITMAP* bmp = create_bitmap_ex(32, 50, 30);
      clear_to_color(bmp, makecol32(200, 200, 200));
      sprite.MakeFromBmp(bmp, MaskAlpha);
      destroy_bitmap(bmp);
    }
    OwnSprites = Player->Sprites;
    Player->Sprites = StandIns;
    Player->Pos = CVector2(100, 300);
    Player->State = Alive;
  }
  // An enemy of the given definition text.
  CShipNPC* Spawn(const std::string& definition, int behaviour, float x, float y, bool countsAsKill = true) {
    std::ofstream("spawned_ship.txt") << definition;
    Ships.push_back(new CShipNPC(x, y, "spawned_ship.txt", &Explosions, &Bullets, countsAsKill, behaviour));
    return Ships.back();
  }

  std::vector<TBullet*> Bullets;
  std::vector<CExplosion*> Explosions;
  std::vector<CShipNPC*> Ships;
  CPlayerShip* Player = nullptr;
  CGLSprite StandIns[8];
  CGLSprite* OwnSprites = nullptr;
};

}  // namespace shiptest
