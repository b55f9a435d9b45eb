// Recognising the game's screens in screenshots: the colours the game draws
// with, pixel counts and the screens (menus, text screens, debriefing, name
// entry, a mission) told apart by where their texts and bars stand.
#pragma once

#include <functional>

#include "e2e/harness.h"

namespace e2e {

constexpr Rgb LightGrey{200, 200, 200};
constexpr Rgb DarkGrey{100, 100, 100};
constexpr Rgb Highlight{100, 100, 255};
constexpr Rgb White{255, 255, 255};
constexpr Rgb Red{255, 0, 0};
constexpr Rgb ShieldGreen{0, 255, 0};

// Long enough for a loop reading the keys 70 times a second to see them on
// a busy machine; menus react to edges, so a long press never counts twice.
constexpr int HoldMs = 500;

// The moon of the menu backdrop fills the bottom-left corner up to x = 256:
// text is looked for to the right of it.
constexpr int TextLeft = 258;

void SleepMs(int ms);
bool Near(Rgb p, Rgb colour, int tolerance);
int Count(const Image& shot, int x1, int y1, int x2, int y2, const std::function<bool(Rgb)>& wanted);
int CountNear(const Image& shot, int x1, int y1, int x2, int y2, Rgb colour, int tolerance = 16);

// Menu item i is drawn from (250, 300 + 30 i); the highlighted one in blue.
int MenuRows(const Image& shot);
int HighlightedRow(const Image& shot);
// The text screens, the debriefing and name entry put their title at (200, 250).
bool TitleShown(const Image& shot);
bool IsMainMenu(const Image& shot);
bool IsOptionsMenu(const Image& shot);
// Debriefing: its outcome line lies on the black band under the title.
bool IsDebriefing(const Image& shot);
// Name entry: "Name: " in white, partly over the moon's dark sky.
bool IsNameEntry(const Image& shot);
// A mission: the ground along the bottom and the shield bar of the HUD.
bool IsMission(const Image& shot);
// Briefing, epilogue and Hall of Fame: lines rise from the bottom and slide
// under the band below the title.
bool IsTextScreen(const Image& shot);

}  // namespace e2e
