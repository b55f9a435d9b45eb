#pragma once

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "gl_harness.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "weapons/bullet.h"

namespace shiptest {

using namespace gltest;

inline void FillSprites(CGLSprite* sprites, int count, int w, int h) {
  for (int i = 0; i < count; ++i) {
    BITMAP* bmp = MakeFilledBitmap(w, h, 40 + 20 * i, 200, 80);
    sprites[i].MakeFromBmp(bmp, MaskAlpha);
    destroy_bitmap(bmp);
  }
}

// A ship with shields 100 and one w x h frame, its collision box.
class SizedShip final : public TShip {
 public:
  SizedShip(float x, float y, int w, int h) : TShip(x, y, nullptr) {
    FillSprites(&Sprite, 1, w, h);
    Sprites = &Sprite;
    Frame = 0;
    Shields = MaxShields = 100;
  }
  void Draw() override {}
  CGLSprite Sprite;
};

template <typename V>
testing::AssertionResult IsAt(const V& v, float x, float y) {
  if (std::fabs(v.x - x) < 1e-4f && std::fabs(v.y - y) < 1e-4f) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "at " << v.x << ", " << v.y;
}

template <typename T>
void DeleteAll(std::vector<T*>& items) {
  for (T* item : items) delete item;
  items.clear();
}

// A fresh player ship at (100, 100), keys released, Rand seeded. The stand-in player is alive at (100, 300) with
// 50 x 30 frames, so that collision boxes do not depend on the artwork.
class PlayerFixture : public testing::Test {
 protected:
  void SetUp() override {
    srand(17);
    ReleaseKeys();
    Globals::GFXLevel = 1;
    Player = new CPlayerShip(100, 100, &Explosions, &Bullets);
    OwnSprites = Player->Sprites;
  }
  void TearDown() override {
    DeleteAll(Ships);
    Player->Sprites = OwnSprites;
    delete Player;
    DeleteAll(Bullets);
    DeleteAll(Explosions);
    Setup2D();
  }
  void Tick(int ticks = 1) {
    for (int i = 0; i < ticks; ++i) Player->Update();
  }
  void MakeAlive() {
    Player->State = Alive;
    Player->Fade = 1.0f;
  }
  void StandInPlayer() {
    FillSprites(StandIns, 8, 50, 30);
    Player->Sprites = StandIns;
    Player->Pos = CVector2(100, 300);
    Player->State = Alive;
  }
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
