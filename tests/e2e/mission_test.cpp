// A mission flown with the real keys (arrows, space, Alt and X stepping the weapons, P pausing), aborted to its
// debriefing and the Hall of Fame; a second one ended by SIGTERM while paused. The Windows build flies it too.
#include <allegro.h>

#include <cerrno>
#include <tuple>

#include "e2e/harness.h"

namespace {

using namespace e2e;

// The HUD's weapon line "<name>: <rounds>" at (1, 570), with at most `most`
// rounds: its right end as Allegro measures the text in the small font.
bool HudShows(const Image& shot, const std::string& name, int most) {
  static DATAFILE* fonts = [] {
    install_allegro(SYSTEM_NONE, &errno, atexit);
    return load_datafile(VARNOK_DATA_DIR "/font.dat");
  }();
  int right = -1;
  for (int y = 570; y < 582; ++y)
    for (int x = 0; x < shot.width; ++x)
      if (std::min({shot.At(x, y).r, shot.At(x, y).g, shot.At(x, y).b}) > 150) right = std::max(right, x);
  for (int rounds = 0; fonts != nullptr && rounds <= most && IsMission(shot); ++rounds) {
    const std::string text = name + ": " + std::to_string(rounds);
    if (std::abs(right - 1 - text_length(static_cast<FONT*>(fonts[1].dat), text.c_str())) <= 3) return true;
  }
  return false;
}

// An explosion at the ground line: saturated white-yellow flames ringed with
// orange, or the orange glow it leaves while it fades.
bool FireAtGround(const Image& shot) {
  const auto hot = [](Rgb p) { return p.r == 255 && p.g >= 235 && p.b >= 120; };
  const auto orange = [](Rgb p) { return p.r >= 230 && p.g >= 100 && p.g <= 220 && p.b <= 130; };
  if (!IsMission(shot)) return false;
  for (int y = 500; y < 556; y += 2)
    for (int x = 0; x < 800; x += 2)
      if (hot(shot.At(x, y)) && Count(shot, x - 6, y - 6, x + 7, y + 7, hot) >= 40 &&
          Count(shot, x - 12, y - 12, x + 13, y + 13, orange) >= 30)
        return true;
  return Count(shot, 0, 500, 800, 556,
               [](Rgb p) { return p.r >= 150 && p.r - p.g >= 40 && p.g >= p.b + 25 && p.b <= 110; }) >= 120;
}

// The ship on its lowest row (y = 450) well right of its start, its bullets
// (light grey) ahead of it on that row rather than above or below.
bool FiringOnLowestRow(const Image& shot) {
  int best = 0, shipX = 0;
  for (int x = 0; x + 50 <= shot.width; x += 2) {
    const int lit = Count(shot, x, 438, x + 50, 462, [](Rgb p) { return std::max({p.r, p.g, p.b}) > 120; });
    if (lit <= best) continue;
    best = lit;
    shipX = x + 25;
  }
  const Rgb bullet{204, 204, 204};
  const int onRow = CountNear(shot, shipX + 35, 446, 800, 454, bullet, 12);
  return IsMission(shot) && best >= 300 && shipX >= 220 && onRow >= 8 &&
         CountNear(shot, 0, 420, 800, 440, bullet, 12) + CountNear(shot, 0, 460, 800, 480, bullet, 12) < onRow;
}

bool Paused(const Image& s) { return IsMission(s) && CountNear(s, 300, 280, 500, 320, Rgb{255, 0, 0}, 30) > 30; }

class Mission : public Session {
 protected:
  void Fly() {
    Game.WriteFile("data/level_a.txt",
                   "Req 0\nFin 100000\nWeapon 3 20 Weapon 8 20 Weapon 0 500\n"
                   "[Briefing]\nFly east.\n[End]\n");
    ASSERT_TRUE(Game.StartAtMainMenu()) << "no main menu";
    ASSERT_TRUE(Game.PressFor("Return", IsTextScreen) && Game.PressFor("Return", IsMission)) << "no mission";
    // Down pins the ship to its lowest row, Right takes it on, space fires.
    Game.KeyDown("Down");
    Game.KeyDown("space");
    Game.KeyDown("Right");
    SleepMs(800);
    Game.KeyUp("Right");
    const std::optional<Image> flying = Game.WaitForScreen(FiringOnLowestRow, 20);
    Game.KeyUp("space");
    ASSERT_TRUE(flying.has_value()) << "no ship with bullets ahead of it on its lowest row";
    EXPECT_GT(CountNear(*flying, 0, 0, 120, 16, White), 10) << "FPS counter";

    // Alt steps on through the weapons with rounds, wrapping from the last
    // to the first; X steps back. The bombs fall straight down from the
    // ship, standing still, to explode at the ground line.
    const std::vector<std::tuple<std::string, std::string, int>> steps = {
        {"Alt_L", "Light Bomb", 20}, {"Alt_L", "Float Mine", 20}, {"Alt_L", "Machine Gun", 500},
        {"x", "Float Mine", 20}, {"x", "Light Bomb", 20}};
    for (const auto& [key, name, rounds] : steps) {
      bool shown = false;
      // A press that comes while the ship is shot down and falling is not read.
      for (int attempt = 0; attempt < 4 && !shown; ++attempt) {
        Game.Press(key, 300);
        shown = Game.WaitForScreen([&](const Image& s) { return HudShows(s, name, rounds); }, 4).has_value();
      }
      ASSERT_TRUE(shown) << key << " did not select " << name;
    }
    Game.KeyDown("space");
    const bool bombed = Game.WaitForScreen(FireAtGround, 15).has_value();
    Game.KeyUp("space");
    EXPECT_TRUE(bombed) << "no bomb explosion at the ground line under the ship";
    Game.KeyUp("Down");

    ASSERT_TRUE(Game.PressFor("p", Paused)) << "no PAUSED";
    Game.Press("Escape");
    SleepMs(500);
    ASSERT_TRUE(Game.WaitForScreen(Paused, 10)) << "Escape left a paused mission";
    const Screen resumed = [](const Image& s) { return IsMission(s) && !Paused(s); };
    ASSERT_TRUE(Game.PressFor("p", resumed, 20)) << "P did not resume";

    // The aborted mission's debriefing ignores Enter.
    ASSERT_TRUE(Game.PressFor("Escape", IsDebriefing, 30)) << "no debriefing after Escape";
    Game.Press("Return");
    SleepMs(800);
    ASSERT_TRUE(Game.WaitForScreen(IsDebriefing, 5)) << "Enter left the debriefing of an aborted mission";
    // A score of 0 does not qualify: the Hall of Fame follows at once.
    ASSERT_TRUE(Game.PressFor("Escape", IsTextScreen, 30) && Game.PressFor("Escape", IsMainMenu, 30)) << "Hall of Fame";

    // Escape leaves the next briefing into the mission; SIGTERM while paused
    // ends the game in order (Windows has no SIGTERM: under Wine it kills).
    ASSERT_TRUE(Game.PressFor("Return", IsTextScreen));
    ASSERT_TRUE(Game.PressFor("Escape", IsMission)) << "Escape on the briefing did not start the mission";
    ASSERT_TRUE(Game.PressFor("p", Paused)) << "no PAUSED";
    if (Game.Windows()) return;
    Game.Signal(SIGTERM);
    EXPECT_EQ(Game.WaitForExit(60).value_or(-1), 0);
    EXPECT_TRUE(Game.LogEndsInOrder());
  }
};

class WindowsMission : public Mission {};

TEST_F(Mission, FlownAbortedAndEndedBySigtermWhilePaused) { Fly(); }
TEST_F(WindowsMission, FlownAbortedAndEndedBySigtermWhilePaused) { Fly(); }

}  // namespace
