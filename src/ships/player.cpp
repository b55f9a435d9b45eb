#include "ships/player.h"

#include <allegro.h>

#include <algorithm>

#include "effects/fire.h"
#include "graphics/gltwodee.h"
#include "weapons/bullet.h"

namespace {
constexpr int FrameCount = 7;
// The level-flight frame; its size sets the screen limits.
constexpr int LevelFrame = 3;
constexpr float StartX = 100.0f;
constexpr float StartY = 100.0f;
// The ship never flies lower than this, 100 pixels above the ground line.
constexpr float LowestY = 450.0f;

constexpr int SampleClick = 1;
constexpr int SampleCloak = 2;
constexpr int SampleDrop = 3;
constexpr int SampleLaser = 4;
constexpr int SampleGun = 5;
constexpr int SampleLaunch = 9;
constexpr int SamplePlasma = 10;
constexpr int SampleCrash = 12;
}  // namespace

CPlayerShip::CPlayerShip(float x, float y, std::vector<CExplosion*>* explosions, std::vector<TBullet*>* bullets)
    : TShip(x, y, explosions), Bullets(bullets) {
  WeaponText = "";
  Acc = 0.09f;
  MaxSpeed = 5.0f;
  Frame = LevelFrame;
  for (int i = 0; i < 12; ++i) {
    Ammo[i] = 0;
    Reload[i] = 0;
  }
  Weapon = 0;
  MaxShields = 10;
  Shields = 10;
  Kills = 0;
  Lives = 3;
  Score = 0;
  Fade = -0.01f;
  // Every mission starts with a fade-in during which the ship cannot be hurt.
  State = Respawning;
  WeaponTextFade = 0;
  NextHeld = false;
  PrevHeld = false;
  KeyUp = KEY_UP;
  KeyDown = KEY_DOWN;
  KeyLeft = KEY_LEFT;
  KeyRight = KEY_RIGHT;
  KeyFire = KEY_SPACE;
  KeyNextWeapon = KEY_ALT;
  KeyPrevWeapon = KEY_X;

  // Seven frames and the shadow.
  DATAFILE* data = LoadDatafile("data/player.dat", "player.dat", DAT_BITMAP, FrameCount + 1);
  Sprites = new CGLSprite[FrameCount];
  for (int i = 0; i < FrameCount; ++i) Sprites[i].MakeFromBmp(static_cast<BITMAP*>(data[i].dat), MaskAlpha);
  ShadowSprite = new CGLSprite(static_cast<BITMAP*>(data[FrameCount].dat), MaskAlpha);
  unload_datafile(data);
}

CPlayerShip::~CPlayerShip() {
  for (CVector3* casing : Casings) delete casing;
  delete[] Sprites;
  delete ShadowSprite;
}

bool CPlayerShip::Armed() const { return Weapon >= 0 && Weapon < 12; }

void CPlayerShip::Update() {
  if (State == Respawning) {
    Fade += 0.005f;
    if (Fade >= 1.0f) State = Alive;
  }
  if (State == Dying) {
    Fall();
  } else if (State == Alive || State == Respawning) {
    Steer();
  }

  // The limits were tested before this move, so the ship may stand beyond
  // one by a tick's velocity until the next tick.
  Pos.x += Vel.x;
  Pos.y += Vel.y;

  // The ship pitches with its vertical speed.
  const float pitch = (MaxSpeed / 2 + Vel.y) * FrameCount / MaxSpeed;
  Frame = pitch < 0 ? 0 : (pitch >= FrameCount - 1 ? FrameCount - 1 : static_cast<int>(pitch));

  if (CloakTimer > 0) --CloakTimer;
  if (WeaponTextFade > 0) WeaponTextFade -= 8;
  UpdateCasings();
}

void CPlayerShip::Fall() {
  Angle += 0.5f;
  if (Angle > 90) Angle = 90;
  Vel.y += 0.15;
  Vel.x *= 0.99;
  if (Pos.y < Globals::GroundLevel) return;

  if (Globals::SoundOn) PlaySample(SampleCrash, 200, PanFor(Pos.x), static_cast<int>(Rand(700, 1000)));
  Explosions->push_back(new CExplosion(Pos.x, Pos.y, 4, 1.0f));
  --Lives;
  if (Lives < 0) {
    State = Finished;
    return;
  }
  Pos = CVector2(StartX, StartY);
  Vel = CVector2(0.0f, 0.0f);
  Shields = MaxShields;
  Fade = -0.01f;
  Angle = 0.0f;
  State = Respawning;
}

void CPlayerShip::Steer() {
  // Down is tested first and wins over Up; Right wins over Left.
  if (key[KeyDown] && Vel.y < MaxSpeed) {
    Vel.y += Acc;
  } else if (key[KeyUp] && Vel.y > -MaxSpeed) {
    Vel.y -= Acc;
  } else {
    Vel.y *= 0.97;
  }
  // Backwards the ship flies at most half speed.
  if (key[KeyRight] && Vel.x < MaxSpeed) {
    Vel.x += Acc;
  } else if (key[KeyLeft] && Vel.x > -MaxSpeed / 2) {
    Vel.x -= Acc;
  } else {
    Vel.x *= 0.97;
  }

  // One step per press: the key must be released to step again.
  const bool nextDown = key[KeyNextWeapon] != 0;
  if (nextDown && !NextHeld) StepWeapon(1);
  NextHeld = nextDown;
  const bool prevDown = key[KeyPrevWeapon] != 0;
  if (prevDown && !PrevHeld) StepWeapon(-1);
  PrevHeld = prevDown;

  if (key[KeyFire] && Armed() && Reload[Weapon] < 1 && Ammo[Weapon] > 0) Shoot();
  for (int& reload : Reload) {
    if (reload > 0) --reload;
  }

  const float w = Sprites[LevelFrame].W();
  const float h = Sprites[LevelFrame].H();
  if (Pos.x < w / 2) {
    Pos.x = w / 2;
    Vel.x = 0;
  }
  if (Pos.x > SCREEN_W - w / 2) {
    Pos.x = SCREEN_W - w / 2;
    Vel.x = 0;
  }
  if (Pos.y < h / 2) {
    Pos.y = h / 2;
    Vel.y = 0;
  }
  if (Pos.y > LowestY) {
    Pos.y = LowestY;
    Vel.y = 0;
  }
}

void CPlayerShip::StepWeapon(int direction) {
  // At most twelve steps, each with a click, stopping at the first weapon
  // with ammunition; with none anywhere the selection comes full circle. An
  // id outside the catalogue steps to the first (or last) weapon.
  for (int step = 0; step < 12; ++step) {
    PlaySample(SampleClick, 100, 128, 1000);
    if (direction > 0) {
      Weapon = (Weapon >= 0 && Weapon < 11) ? Weapon + 1 : 0;
    } else {
      Weapon = (Weapon > 0 && Weapon <= 11) ? Weapon - 1 : 11;
    }
    if (Ammo[Weapon] > 0) break;
  }
  WeaponTextFade = 255;
  WeaponText = GetWeaponName(Weapon);
}

void CPlayerShip::UpdateCasings() {
  // Cases fall on even while the ship is dead, and vanish below the ground.
  for (CVector3* casing : Casings) {
    casing->z += 0.15;
    casing->y += casing->z;
  }
  Casings.erase(std::remove_if(Casings.begin(), Casings.end(),
                               [](CVector3* casing) {
                                 if (casing->y <= Globals::GroundLevel) return false;
                                 delete casing;
                                 return true;
                               }),
                Casings.end());
}

void CPlayerShip::Shoot() {
  if (!Armed()) return;
  const float x = Pos.x;
  const float y = Pos.y;
  const int pan = PanFor(x);
  switch (Weapon) {
    case 0:
      Bullets->push_back(new CBulletMG(x + 35, y, false, false));
      Casings.push_back(new CVector3(x, y + 20, 0));
      Reload[Weapon] = 15;
      PlaySample(SampleGun, 100, pan, 1000);
      break;
    case 1:
      Bullets->push_back(new CLaser(x + 35, y, false, false));
      Reload[Weapon] = 25;
      PlaySample(SampleLaser, 200, pan, 1000);
      break;
    case 2:
      Bullets->push_back(new CBulletMG(x + 35, y - 10, false, false));
      Bullets->push_back(new CBulletMG(x + 45, y, false, false));
      Bullets->push_back(new CBulletMG(x + 35, y + 10, false, false));
      Casings.push_back(new CVector3(x, y + 20, 0));
      Reload[Weapon] = 15;
      PlaySample(SampleGun, 150, pan, 1000);
      break;
    case 3:
    case 4:
    case 5: {
      static const float Sizes[3] = {0.5f, 0.9f, 1.3f};
      Bullets->push_back(new CBomb(x, y, Vel, Explosions, Sizes[Weapon - 3], false));
      Reload[Weapon] = 70;
      PlaySample(SampleDrop, 200, pan, 1000);
      break;
    }
    case 6:
    case 7:
      Bullets->push_back(new CRocket(x, y + 15, 0.1f, Weapon == 6 ? 0.0f : 0.05f, Explosions, false));
      Reload[Weapon] = 100;
      PlaySample(SampleLaunch, 200, pan, 1000);
      break;
    case 8:
      Bullets->push_back(new CMine(x, y, Explosions, false));
      Reload[Weapon] = 30;
      PlaySample(SampleDrop, 200, pan, 1000);
      break;
    case 9:
      Bullets->push_back(new CMissile(x, y + 15, Explosions, false));
      Reload[Weapon] = 100;
      PlaySample(SampleLaunch, 200, pan, 1000);
      break;
    case 10:
      Bullets->push_back(new CPlasmaBeam(x + 30, y, Explosions, false));
      Reload[Weapon] = 150;
      PlaySample(SamplePlasma, 200, pan, 1000);
      break;
    default:
      // A cloak costs one round when it starts and nothing while it lasts.
      if (CloakTimer < 1) {
        CloakTimer = 1000;
        PlaySample(SampleCloak, 200, pan, 1000);
        --Ammo[Weapon];
      }
      return;
  }
  --Ammo[Weapon];
}

void CPlayerShip::Draw() {
  if (State == Finished) return;
  const int screenH = SCREEN_H;

  for (const CVector3* casing : Casings) {
    DrawLine(casing->x - 3, casing->y, casing->x + 3, casing->y, CColor3(0.7f, 0.7f, 0.1f));
  }
  Sprites[Frame].Draw(Pos.x, Pos.y, Angle, 1.0f, CloakTimer > 0 ? 0.2f : Fade);
  if (Pos.y < 500 && CloakTimer < 1 && State != Respawning && Globals::GFXLevel != 0) {
    // The shadow grows as the ship descends: scale 1 at the lowest height.
    ShadowSprite->Draw(Pos.x, Globals::GroundLevel, 0.0f, 100 / (550 - Pos.y), 0.4f);
  }

  CGLFont* font = Globals::SmallFont;
  const int grey = makecol(200, 200, 200);
  font->Printf(1, screenH - 42, grey, "Score: %d", Score);
  font->Printf(1, screenH - 30, grey, "%s: %d", GetWeaponName(Weapon).c_str(), Armed() ? Ammo[Weapon] : 0);
  if (WeaponTextFade > 0) {
    const int fade = makecol(WeaponTextFade, WeaponTextFade, WeaponTextFade);
    font->PrintfCentre(static_cast<int>(Pos.x), static_cast<int>(Pos.y - Sprites[Frame].H()), fade, "%s",
                       WeaponText.c_str());
  }

  DrawRect(0, screenH - 15, 100, screenH, CColor3(0.0f, 0.0f, 0.0f));
  DrawRect(2, screenH - 13, 2 + 96.0f * Shields / MaxShields, screenH - 2, CColor3(0.0f, 1.0f, 0.0f));
  font->Printf(105, screenH - 15, makecol(255, 255, 255), "x%d", Lives < 0 ? 0 : Lives);
}
