// A mission flown with the real keys, aborted to its debriefing and the Hall of Fame; the next ended by SIGTERM.
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

// The ship on its lowest row (y = 450) well right of its start, its bullets (light grey) ahead of it on that row.
bool FiringOnLowestRow(const Image& shot) {
  int best = 0, shipX = 0;
  for (int x = 0; x + 50 <= shot.width; x += 2) {
    const int lit = Count(shot, x, 438, x + 50, 462, [](Rgb p) { return std::max({p.r, p.g, p.b}) > 120; });
    if (lit <= best) continue;
    best = lit;
    shipX = x + 25;
  }
  return IsMission(shot) && best >= 300 && shipX >= 220 &&
         CountNear(shot, shipX + 35, 446, 800, 454, Rgb{204, 204, 204}, 12) >= 8;
}

bool Paused(const Image& s) { return IsMission(s) && CountNear(s, 300, 280, 500, 320, Rgb{255, 0, 0}, 30) > 30; }

class Mission : public Session {
 protected:
  void Fly() {
    Game.WriteFile("data/level_a.txt",
                   "Req 0\nFin 100000\nWeapon 3 20 Weapon 8 20 Weapon 0 500\n"
                   "[Briefing]\nFly east.\n[End]\n");
    ASSERT_TRUE(Game.StartAtMainMenu()) << "no main menu";
    ASSERT_TRUE(Game.Await(IsTextScreen, "Return") && Game.Await(IsMission, "Return")) << "no mission";
    // Down pins the ship to its lowest row, Right takes it on, space fires.
    Game.Tool({"xdotool", "keydown", "Down", "space", "Right", "sleep", "0.8", "keyup", "Right"}, 10);
    const bool firing = Game.Await(FiringOnLowestRow, "", 20).has_value();
    Game.Tool({"xdotool", "keyup", "space"}, 10);
    ASSERT_TRUE(firing) << "no ship with bullets ahead of it on its lowest row";

    // Alt steps on through the weapons with rounds, wrapping from the last to the first; X steps back.
    const std::vector<std::tuple<std::string, std::string, int>> steps = {
        {"Alt_L", "Light Bomb", 20}, {"Alt_L", "Float Mine", 20}, {"Alt_L", "Machine Gun", 500},
        {"x", "Float Mine", 20}, {"x", "Light Bomb", 20}};
    for (const auto& [key, name, rounds] : steps) {
      bool shown = false;
      // A press that comes while the ship is shot down and falling is not read.
      for (int attempt = 0; attempt < 4 && !shown; ++attempt) {
        Game.Press(key, "0.3");
        shown = Game.Await([&](const Image& s) { return HudShows(s, name, rounds); }, "", 4).has_value();
      }
      ASSERT_TRUE(shown) << key << " did not select " << name;
    }
    Game.Tool({"xdotool", "keyup", "Down"}, 10);

    ASSERT_TRUE(Game.Await(Paused, "p")) << "no PAUSED";
    Game.Press("Escape", "1");
    ASSERT_TRUE(Game.Await(Paused, "", 10)) << "Escape left a paused mission";
    ASSERT_TRUE(Game.Await([](const Image& s) { return IsMission(s) && !Paused(s); }, "p", 20)) << "P did not resume";

    // The aborted mission's debriefing ignores Enter.
    ASSERT_TRUE(Game.Await(IsDebriefing, "Escape", 30)) << "no debriefing after Escape";
    Game.Press("Return", "1.3");
    ASSERT_TRUE(Game.Await(IsDebriefing, "", 5)) << "Enter left the debriefing of an aborted mission";
    // A score of 0 does not qualify: the Hall of Fame follows at once.
    ASSERT_TRUE(Game.Await(IsTextScreen, "Escape", 30) && Game.Await(IsMainMenu, "Escape", 30)) << "Hall of Fame";

    // Escape leaves the next briefing into the mission; SIGTERM while paused
    // ends the game in order (Windows has no SIGTERM: under Wine it kills).
    ASSERT_TRUE(Game.Await(IsTextScreen, "Return"));
    ASSERT_TRUE(Game.Await(IsMission, "Escape")) << "Escape on the briefing did not start the mission";
    ASSERT_TRUE(Game.Await(Paused, "p")) << "no PAUSED";
    if (Game.Windows) return;
    kill(Game.GamePid, SIGTERM);
    EXPECT_EQ(Game.WaitForExit(60).value_or(-1), 0);
    EXPECT_TRUE(Game.LogEndsInOrder());
  }
};

class WindowsMission : public Mission {};

TEST_F(Mission, FlownAbortedAndEndedBySigtermWhilePaused) { Fly(); }
TEST_F(WindowsMission, FlownAbortedAndEndedBySigtermWhilePaused) { Fly(); }

}  // namespace
