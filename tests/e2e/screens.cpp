#include "e2e/screens.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace e2e {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool Near(Rgb p, Rgb colour, int tolerance) {
  return std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
         std::abs(p.b - colour.b) <= tolerance;
}

int Count(const Image& shot, int x1, int y1, int x2, int y2, const std::function<bool(Rgb)>& wanted) {
  int count = 0;
  for (int y = std::max(0, y1); y < std::min(shot.height, y2); ++y)
    for (int x = std::max(0, x1); x < std::min(shot.width, x2); ++x) count += wanted(shot.At(x, y));
  return count;
}

int CountNear(const Image& shot, int x1, int y1, int x2, int y2, Rgb colour, int tolerance) {
  return Count(shot, x1, y1, x2, y2, [&](Rgb p) { return Near(p, colour, tolerance); });
}

int MenuRows(const Image& shot) {
  int rows = 0;
  for (int i = 0; i < 8; ++i) {
    const int y = 300 + 30 * i;
    if (CountNear(shot, TextLeft, y, 600, y + 28, LightGrey) + CountNear(shot, TextLeft, y, 600, y + 28, Highlight) > 30)
      rows = i + 1;
  }
  return rows;
}

int HighlightedRow(const Image& shot) {
  for (int i = 0; i < 8; ++i) {
    const int y = 300 + 30 * i;
    if (CountNear(shot, TextLeft, y, 600, y + 28, Highlight) > 30) return i;
  }
  return -1;
}

bool TitleShown(const Image& shot) { return CountNear(shot, 200, 250, 600, 285, LightGrey) > 50; }

bool IsMainMenu(const Image& shot) { return MenuRows(shot) == 5 && HighlightedRow(shot) >= 0 && !TitleShown(shot); }

bool IsOptionsMenu(const Image& shot) { return MenuRows(shot) == 6 && HighlightedRow(shot) >= 0; }

bool IsDebriefing(const Image& shot) {
  return TitleShown(shot) && CountNear(shot, TextLeft, 300, 600, 318, LightGrey) > 30;
}

bool IsNameEntry(const Image& shot) {
  return TitleShown(shot) && CountNear(shot, 200, 350, 600, 378, White) > 30 && shot.CountLit(0, 300, 800, 315) == 0;
}

bool IsMission(const Image& shot) {
  return shot.CountLit(200, 556, 800, 600) > 600 * 44 * 8 / 10 && CountNear(shot, 4, 587, 96, 597, ShieldGreen, 40) > 200;
}

bool IsTextScreen(const Image& shot) {
  return TitleShown(shot) && shot.CountLit(0, 301, 800, 315) == 0 && !IsNameEntry(shot) && !IsMission(shot);
}

}  // namespace e2e
