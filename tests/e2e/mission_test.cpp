// Missions played for real: the ship flown and firing, an abort and its
// debriefing; a level with every enemy behaviour and every weapon, its
// explosions, ordnance and power-up texts; and the shipped campaign's first
// briefing rising into view. Screens are recognised from screenshots, which
// are also kept as PNG files under the build folder's e2e-shots.
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/harness.h"
#include "e2e/screens.h"

namespace {

namespace fs = std::filesystem;
using namespace e2e;

constexpr Rgb BulletGrey{204, 204, 204};

// Widths of texts in the game's fonts, measured by Allegro from the generated
// font datafile (no display needed): 1 is the small font, 2 the medium one.
FONT* GameFont(int font) {
  static DATAFILE* fonts = [] {
    install_allegro(SYSTEM_NONE, &errno, atexit);
    return load_datafile(VARNOK_DATA_DIR "/font.dat");
  }();
  return fonts == nullptr ? nullptr : static_cast<FONT*>(fonts[font].dat);
}

int TextWidth(int font, const std::string& text) {
  return GameFont(font) == nullptr ? -1 : text_length(GameFont(font), text.c_str());
}

// The right end of the text drawn in rows [y1, y2) from x: the last column
// holding a bright pixel, or -1.
int TextRight(const Image& shot, int x, int y1, int y2) {
  int right = -1;
  for (int y = y1; y < y2; ++y)
    for (int px = x; px < shot.width; ++px) {
      const Rgb p = shot.At(px, y);
      if (std::min({p.r, p.g, p.b}) > 150) right = std::max(right, px);
    }
  return right;
}

// Sizes of the 8-connected patches of wanted pixels inside a rectangle.
std::vector<int> Blobs(const Image& shot, int x1, int y1, int x2, int y2, const std::function<bool(Rgb)>& wanted) {
  x1 = std::max(0, x1), y1 = std::max(0, y1), x2 = std::min(shot.width, x2), y2 = std::min(shot.height, y2);
  const int w = x2 - x1, h = y2 - y1;
  std::vector<char> seen(static_cast<size_t>(std::max(0, w * h)), 0);
  std::vector<int> sizes;
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (seen[y * w + x] || !wanted(shot.At(x1 + x, y1 + y))) continue;
      int size = 0;
      seen[y * w + x] = 1;
      stack.push_back({x, y});
      while (!stack.empty()) {
        const auto [cx, cy] = stack.back();
        stack.pop_back();
        ++size;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = cx + dx, ny = cy + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h || seen[ny * w + nx]) continue;
            if (!wanted(shot.At(x1 + nx, y1 + ny))) continue;
            seen[ny * w + nx] = 1;
            stack.push_back({nx, ny});
          }
      }
      sizes.push_back(size);
    }
  return sizes;
}

// Enemy sprites: patches of lit pixels of a ship's size in the sky (stars are
// single pixels, bullets a few, the earth far larger).
int ShipsInSky(const Image& shot) {
  const std::vector<int> blobs = Blobs(shot, 0, 16, shot.width, 430, [](Rgb p) { return std::max({p.r, p.g, p.b}) > 100; });
  return static_cast<int>(std::count_if(blobs.begin(), blobs.end(), [](int size) { return size >= 120 && size <= 6000; }));
}

// Fire: a patch of saturated white-yellow pixels (additive flames) ringed
// with orange, inside the rectangle. Explosions and burning debris have
// large patches, a rocket's trail small puffs.
bool FireIn(const Image& shot, int x1, int y1, int x2, int y2, int minHot, int minOrange) {
  const auto hot = [](Rgb p) { return p.r == 255 && p.g >= 235 && p.b >= 120; };
  const auto orange = [](Rgb p) { return p.r >= 230 && p.g >= 100 && p.g <= 220 && p.b <= 130; };
  for (int y = y1; y < y2; y += 2)
    for (int x = x1; x < x2; x += 2) {
      if (!hot(shot.At(x, y))) continue;
      if (Count(shot, x - 6, y - 6, x + 7, y + 7, hot) >= minHot &&
          Count(shot, x - 12, y - 12, x + 13, y + 13, orange) >= minOrange)
        return true;
    }
  return false;
}

bool ExplosionIn(const Image& shot, int x1, int y1, int x2, int y2) { return FireIn(shot, x1, y1, x2, y2, 40, 30); }

bool TrailIn(const Image& shot, int x1, int y1, int x2, int y2) { return FireIn(shot, x1, y1, x2, y2, 12, 15); }

// The orange glow an explosion leaves while it fades: more than the few
// orange pixels of a sprite.
bool GlowIn(const Image& shot, int x1, int y1, int x2, int y2) {
  return Count(shot, x1, y1, x2, y2, [](Rgb p) {
           return p.r >= 150 && p.r - p.g >= 40 && p.g >= p.b + 25 && p.b <= 110;
         }) >= 120;
}

// A power-up's white text, centred on x = centre in rows [y1, y2): the top
// row of a band whose white pixels span one of the texts' widths.
std::optional<int> PickupText(const Image& shot, int centre, int y1, int y2, const std::vector<std::string>& texts) {
  const int height = text_height(GameFont(2));
  const auto white = [](Rgb p) { return std::min({p.r, p.g, p.b}) >= 235; };
  for (int y = std::max(16, y1); y < y2; ++y) {
    int left = shot.width, right = -1, count = 0;
    for (int py = y; py < std::min(shot.height, y + height); ++py)
      for (int x = std::max(0, centre - 150); x < std::min(shot.width, centre + 150); ++x)
        if (white(shot.At(x, py))) left = std::min(left, x), right = std::max(right, x), ++count;
    if (count < 25 || Count(shot, left, y, right + 1, y + 1, white) == 0) continue;
    for (const std::string& text : texts) {
      const int width = TextWidth(2, text);
      if (std::abs((right - left + 1) - width) <= 8 && std::abs((left + right) / 2 - centre) <= 15) return y;
    }
  }
  return std::nullopt;
}

// The HUD's weapon line "<name>: <rounds>" at (1, 570) reads one of the
// names with some count up to `most`.
bool HudShows(const Image& shot, const std::string& name, int most) {
  const int right = TextRight(shot, 1, 570, 570 + text_height(GameFont(1)));
  for (int rounds = 0; rounds <= most; ++rounds)
    if (std::abs(right - (1 + TextWidth(1, name + ": " + std::to_string(rounds)))) <= 3) return true;
  return false;
}

class Mission : public testing::Test {
 protected:
  // The shipped campaign's levels are left out: each test writes its own
  // campaign, or links the shipped one back in.
  Mission()
      : Game({"level_a.txt", "level_b.txt", "level_c.txt", "level_d.txt", "level_e.txt", "level_f.txt",
              "level_g.txt", "level_h.txt"}) {}

  void TearDown() override {
    if (HasFailure()) {
      std::string log;
      for (const std::string& line : Game.LogLines()) log += "  " + line + "\n";
      std::cerr << "log.txt:\n" << log << "game output:\n" << Game.GameOutput();
    }
  }

  // Keeps a screenshot as build/e2e-shots/<name>.png for a person to look at.
  static void Save(const Image& shot, const std::string& name) {
    const fs::path dir = fs::path(VARNOK_GAME).parent_path() / "e2e-shots";
    std::error_code ignored;
    fs::create_directories(dir, ignored);
    const std::string ppm = (dir / (name + ".ppm")).string();
    const std::string png = (dir / (name + ".png")).string();
    if (!e2e::WritePpm(shot, ppm)) return;
    if (std::system(("convert '" + ppm + "' '" + png + "' 2>/dev/null").c_str()) == 0) fs::remove(ppm, ignored);
  }

  std::optional<Image> WaitForScreen(const std::function<bool(const Image&)>& wanted, double seconds = 60,
                                     const std::string& failName = "") {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    std::optional<Image> last;
    while (std::chrono::steady_clock::now() < deadline) {
      if (!Game.Running()) break;
      std::optional<Image> shot = Game.Screenshot();
      if (shot && wanted(*shot)) return shot;
      if (shot) last = shot;
      SleepMs(100);
    }
    if (last) Save(*last, "unexpected_" + (failName.empty() ? std::string("screen") : failName));
    return std::nullopt;
  }

  void Press(const std::string& key) {
    Game.Key(key, HoldMs);
    SleepMs(150);
  }

  std::optional<Image> StartAtMainMenu() {
    if (!Game.Start() || !Game.WaitForLog("Loading highscores...") || !Game.WaitForWindow()) return std::nullopt;
    for (int attempt = 0; attempt < 20; ++attempt) {
      Press("Escape");
      if (std::optional<Image> shot = WaitForScreen(IsMainMenu, 3)) return shot;
    }
    return std::nullopt;
  }

  // From the main menu through the briefing (left with Enter) into the mission.
  std::optional<Image> StartMission() {
    if (!StartAtMainMenu()) return std::nullopt;
    Press("Return");
    if (!WaitForScreen(IsTextScreen, 60, "briefing")) return std::nullopt;
    Press("Return");
    return WaitForScreen(IsMission, 60, "mission");
  }

  // Presses a weapon key until the HUD names the weapon: a press that comes
  // while the ship is shot down and falling is not read.
  bool Step(const std::string& key, const std::string& name, int rounds) {
    for (int attempt = 0; attempt < 4; ++attempt) {
      Game.Key(key, 300);
      if (WaitForScreen([&](const Image& s) { return IsMission(s) && HudShows(s, name, rounds); }, 4, "hud_" + name))
        return true;
    }
    return false;
  }

  GameHarness Game;
};

TEST_F(Mission, TheShipFliesAndFiresAndEscapeAbortsTheMission) {
  Game.WriteFile("data/level_a.txt", "Req 0\nFin 2000\nWeapon 0 500\n[Briefing]\nFly east.\n[End]\n");
  ASSERT_TRUE(StartMission().has_value()) << "no mission on screen";
  // The ship steers and fires already while it fades in. Down held pins it to
  // its lowest row, y = 450; Right takes it some way to the right first.
  Game.KeyDown("Down");
  Game.KeyDown("space");
  Game.KeyDown("Right");
  SleepMs(800);
  Game.KeyUp("Right");
  // The ship coasts on for a while after Right is let go. It is found as a
  // large bright sprite on the row y = 450, well right of x = 100;
  // bullets: small light grey triangles further right on the same row.
  int shipX = -1;
  std::optional<Image> flying = WaitForScreen(
      [&](const Image& shot) {
        if (!IsMission(shot)) return false;
        int best = 0;
        for (int x = 0; x + 50 <= shot.width; x += 2) {
          const int lit = Count(shot, x, 438, x + 50, 462, [](Rgb p) { return std::max({p.r, p.g, p.b}) > 120; });
          if (lit > best) best = lit, shipX = x + 25;
        }
        if (best < 300 || shipX < 220) return false;
        // More bullet grey on the ship's row than on the rows above and below.
        const int onRow = CountNear(shot, shipX + 35, 446, 800, 454, BulletGrey, 12);
        return onRow >= 8 &&
               CountNear(shot, 0, 420, 800, 440, BulletGrey, 12) + CountNear(shot, 0, 460, 800, 480, BulletGrey, 12) < onRow;
      },
      20, "flying");
  Game.KeyUp("space");
  Game.KeyUp("Down");
  ASSERT_TRUE(flying.has_value()) << "no ship with bullets ahead of it on its lowest row";
  Save(*flying, "fly_firing");
  EXPECT_GT(CountNear(*flying, 1, 570, 200, 585, LightGrey, 30), 20) << "HUD weapon line";

  // Escape aborts: the outcome "Player killed/Mission aborted", a score of 0
  // and no Enter hint, only the Escape one.
  Press("Escape");
  std::optional<Image> debriefing = WaitForScreen(IsDebriefing, 30, "abort_debriefing");
  ASSERT_TRUE(debriefing.has_value()) << "no debriefing after Escape";
  Save(*debriefing, "fly_debriefing");
  const struct {
    int y;
    const char* text;
  } lines[] = {{300, "Outcome: Player killed/Mission aborted"}, {320, "Score: 0"}, {340, "Bonus: 0"}, {360, "Total: 0"}};
  for (const auto& line : lines) {
    const int width = TextWidth(2, line.text);
    ASSERT_GT(width, 0) << "font.dat";
    EXPECT_NEAR(TextRight(*debriefing, 200, line.y, line.y + 18), 200 + width, 4) << line.text;
  }
  EXPECT_EQ(CountNear(*debriefing, 200, 400, 800, 418, DarkGrey, 30), 0) << "an Enter hint after an abort";
  EXPECT_EQ(TextRight(*debriefing, 200, 380, 440), -1) << "the hints are dark grey";
  EXPECT_GT(CountNear(*debriefing, TextLeft, 420, 800, 440, DarkGrey, 20), 30) << "Escape hint";

  Press("Escape");
  ASSERT_TRUE(WaitForScreen(IsTextScreen, 30, "abort_hall")) << "no Hall of Fame";
  Press("Escape");
  ASSERT_TRUE(WaitForScreen(IsMainMenu, 30, "abort_menu"));
  EXPECT_EQ(Game.QuitFromMainMenu().value_or(-1), 0);
  const std::vector<std::string> log = Game.LogLines();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Running game..."), 1);
  EXPECT_EQ(log[log.size() - 3], "Deleting player...");
  EXPECT_EQ(log.back(), "Unloading data...");
}

// Rows [top, bottom) of the text lines drawn in rows y1..y2 at x >= from,
// top to bottom.
std::vector<std::pair<int, int>> TextBands(const Image& shot, int from, int y1, int y2) {
  std::vector<std::pair<int, int>> bands;
  bool inBand = false;
  for (int y = y1; y < y2; ++y) {
    const bool lit = Count(shot, from, y, shot.width, y + 1, [](Rgb p) { return std::min({p.r, p.g, p.b}) > 150; }) > 0;
    if (lit && !inBand) bands.push_back({y, y + 1});
    if (lit) bands.back().second = y + 1;
    inBand = lit;
  }
  return bands;
}

TEST_F(Mission, NewGameShowsTheFirstBriefingRisingIntoView) {
  for (const char* level : {"level_a.txt", "level_b.txt", "level_c.txt", "level_d.txt", "level_e.txt", "level_f.txt",
                            "level_g.txt", "level_h.txt"})
    fs::create_symlink(fs::path(VARNOK_DATA_DIR) / level, Game.PathOf(std::string("data/") + level));
  const std::string first = "Harrow Control to Lantern Four. Welcome aloft, Wren.";
  const std::string second = "At dawn the Vael Directorate crossed the Ashen Flats.";
  ASSERT_NE(GameFont(1), nullptr) << "font.dat";
  const int pitch = text_height(GameFont(1)) + 3;
  ASSERT_TRUE(StartAtMainMenu().has_value()) << "no main menu";
  Press("Return");
  ASSERT_TRUE(Game.WaitForLog("Reading level: data/level_a.txt"));

  // The lines rise from y = 590 at 0.15 pixels per tick, one every font
  // height + 3 pixels; the first is empty, so the first text seen is the
  // second line, and the fourth follows two line pitches below it.
  std::optional<Image> briefing = WaitForScreen(
      [](const Image& shot) {
        if (!IsTextScreen(shot)) return false;
        const auto bands = TextBands(shot, TextLeft, 316, 600);
        return !bands.empty() && bands.front().first < 545;
      },
      40, "briefing");
  ASSERT_TRUE(briefing.has_value()) << "no briefing text risen into view";
  Save(*briefing, "briefing_first_lines");
  EXPECT_GT(CountNear(*briefing, 200, 250, 600, 285, LightGrey), 50) << "MISSION BRIEFING title";
  const auto bands = TextBands(*briefing, TextLeft, 316, 600);
  ASSERT_GE(bands.size(), 2u);
  const int top = bands[0].first;
  EXPECT_NEAR(bands[1].first - top, 2 * pitch, 1) << "an empty line between them";
  // A glyph's advance leaves a few blank columns after a full stop.
  const int firstRight = TextRight(*briefing, TextLeft, bands[0].first, bands[0].second);
  EXPECT_LE(firstRight, 200 + TextWidth(1, first)) << first;
  EXPECT_GE(firstRight, 200 + TextWidth(1, first) - 10) << first;
  const int secondRight = TextRight(*briefing, TextLeft, bands[1].first, bands[1].second);
  EXPECT_LE(secondRight, 200 + TextWidth(1, second)) << second;
  EXPECT_GE(secondRight, 200 + TextWidth(1, second) - 10) << second;
  // The text starts at x = 200, to the left of the moon's edge too.
  EXPECT_GT(Count(*briefing, 200, top, 258, bands[0].second, [](Rgb p) { return std::min({p.r, p.g, p.b}) > 150; }), 20);

  // Escape leaves the briefing and starts the mission; Escape again aborts it.
  Press("Escape");
  ASSERT_TRUE(WaitForScreen(IsMission, 60, "briefing_mission")) << "no mission after the briefing";
  Press("Escape");
  ASSERT_TRUE(WaitForScreen(IsDebriefing, 30, "briefing_debriefing")) << "no debriefing after the abort";
}

TEST_F(Mission, EveryBehaviourAndEveryWeaponOnScreen) {
  ASSERT_NE(GameFont(2), nullptr) << "font.dat";
  // Enemies of every behaviour, armed with every enemy weapon (machine gun,
  // laser, triple gun, mines, homing missiles, plasma beam), two ground
  // units and a friendly escort. The ship stays at x = 100, held down on
  // its lowest row, y = 450: the power-ups drift into it there. It starts
  // with the cloak selected, which keeps the enemies' fire off it for a
  // while, and a row of extra lives.
  Game.WriteFile("data/level_a.txt",
                 "Req 0\nFin 5000\n"
                 "Weapon 1 50 Weapon 2 50 Weapon 3 20 Weapon 4 20 Weapon 5 20 Weapon 6 10 Weapon 7 10\n"
                 "Weapon 0 500 Weapon 8 20 Weapon 9 10 Weapon 10 10 Weapon 11 1\n"
                 "E 0 820 450 data/ships/drone.txt 1 1\n"
                 "E 0 820 200 data/ships/saucer.txt 1 2\n"
                 "E 0 820 60 data/ships/fighter.txt 1 3\n"
                 "E 0 820 300 data/ships/interceptor.txt 1 4\n"
                 "E 0 820 380 data/ships/gunship.txt 1 5\n"
                 "E 0 820 250 data/ships/bomber.txt 1 6\n"
                 "E 0 820 536 data/ships/turret.txt 1 7\n"
                 "E 0 900 536 data/ships/flak.txt 1 7\n"
                 "E 0 600 150 data/ships/cruiser.txt 1 8\n"
                 "E 0 700 220 data/ships/minelayer.txt 1 8\n"
                 "E 0 820 400 data/ships/hunter.txt 1 9\n"
                 "E 0 -40 330 data/ships/beacon.txt 1 10\n"
                 "E 0 820 120 data/ships/escort.txt 0 1\n"
                 "PL 0 300 450\nPW 0 360 450 9 20\nPS 0 420 450 5\nPL 0 480 450 PL 0 540 450 PL 0 600 450\n"
                 "[Briefing]\nEverything at once.\n[End]\n");
  ASSERT_TRUE(StartMission().has_value()) << "no mission on screen";
  Game.KeyDown("Down");
  Game.Key("space", 400);
  Game.Key("Alt_L", 300);
  ASSERT_TRUE(WaitForScreen([](const Image& s) { return IsMission(s) && HudShows(s, "Machine Gun", 500); }, 10, "hud_mg"))
      << "Alt did not wrap from the cloak to the Machine Gun";
  Game.KeyDown("space");

  // Power-ups are picked up where the ship's edge meets them, x = 100 + 39.
  const std::vector<std::string> texts = {"Extra life", "20 x Homing Missile", "+5 shield"};
  constexpr int PickupX = 139;
  bool enemies = false, pickup = false, rising = false, explosion = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!(enemies && pickup && rising && explosion) && std::chrono::steady_clock::now() < deadline && Game.Running()) {
    std::optional<Image> shot = Game.Screenshot();
    if (!shot || !IsMission(*shot)) continue;
    if (!enemies && ShipsInSky(*shot) >= 6) enemies = true, Save(*shot, "all_enemies");
    if (!pickup && PickupText(*shot, PickupX, 440, 462, texts)) pickup = true, Save(*shot, "all_pickup");
    if (pickup && !rising && PickupText(*shot, PickupX, 20, 420, texts)) rising = true, Save(*shot, "all_rising");
    // Crashes and bombs explode at the ground line, where no fire trail of a
    // missile chasing the ship reaches.
    if (!explosion && ExplosionIn(*shot, 0, 495, 800, 556)) explosion = true, Save(*shot, "all_explosion");
  }
  Game.KeyUp("space");
  EXPECT_TRUE(enemies) << "no enemy sprites in the sky";
  EXPECT_TRUE(pickup) << "no power-up text at the pickup point";
  EXPECT_TRUE(rising) << "no power-up text rising";
  EXPECT_TRUE(explosion) << "no explosion";

  // Alt steps through the weapons with rounds, X steps back; the HUD names
  // the one selected. Bombs dropped from the lowest row explode at the ground
  // line below the ship.
  const struct {
    const char* name;
    int rounds;
  } weapons[] = {{"Laser Cannon", 50},          {"Triple Gun", 50},        {"Light Bomb", 20},
                 {"Medium Bomb", 20},           {"Heavy Bomb", 20},        {"Air-to-air Rocket", 10},
                 {"Air-to-surface Rocket", 10}, {"Float Mine", 20},        {"Homing Missile", 30},
                 {"Plasma Beam", 10}};
  for (const auto& weapon : weapons) {
    ASSERT_TRUE(Step("Alt_L", weapon.name, weapon.rounds)) << "HUD does not show " << weapon.name;
    if (std::string(weapon.name) == "Light Bomb") {
      // Dropped with the ship standing still, they fall straight down.
      Game.KeyDown("space");
      std::optional<Image> bombed =
          WaitForScreen(
          [](const Image& s) { return IsMission(s) && (ExplosionIn(s, 40, 500, 260, 556) || GlowIn(s, 40, 500, 260, 556)); },
          15, "bombs");
      Game.KeyUp("space");
      ASSERT_TRUE(bombed.has_value()) << "no bomb explosion at the ground line under the ship";
      Save(*bombed, "all_bombs");
    } else if (std::string(weapon.name) == "Air-to-air Rocket") {
      // The rocket sinks a little below the ship's row and leaves a fire
      // trail there, once the bombs' fires there have burnt out.
      ASSERT_TRUE(WaitForScreen([](const Image& s) { return IsMission(s) && !TrailIn(s, 150, 455, 800, 528); }, 15,
                                "before_rocket"))
          << "fire under the ship's row does not go out";
      Game.KeyDown("space");
      std::optional<Image> fired =
          WaitForScreen([](const Image& s) { return IsMission(s) && TrailIn(s, 150, 455, 800, 528); }, 10, "rocket");
      Game.KeyUp("space");
      ASSERT_TRUE(fired.has_value()) << "no rocket trail under the ship's row";
      Save(*fired, "all_rocket");
    } else {
      Game.Key("space", 400);
    }
  }
  EXPECT_TRUE(Step("x", "Homing Missile", 30)) << "X did not step back to the Homing Missile";
  Game.KeyUp("Down");

  Press("Escape");
  EXPECT_TRUE(WaitForScreen(IsDebriefing, 30, "all_debriefing")) << "no debriefing after the abort";
}

}  // namespace

// The Windows build under Wine (scripts/windows.sh names its zip): the
// shipped first mission flown for a few seconds, then aborted.
class WindowsMission : public Mission {
 protected:
  void SetUp() override {
    const char* zip = std::getenv("VARNOK_WINDOWS_ZIP");
    if (zip == nullptr) GTEST_SKIP() << "no Windows build given";
    ASSERT_TRUE(Game.UseWindowsBuild(zip));
  }
};

TEST_F(WindowsMission, FliesTheFirstMissionAndAbortsToTheDebriefing) {
  Game.WriteFile("options.ini", "1\r\n1\r\n1\r\n1\r\n0");
  ASSERT_TRUE(StartMission().has_value()) << "no mission on screen";
  // Down pins the ship to its lowest row, y = 450, where it is found as a
  // large bright sprite.
  Game.KeyDown("Down");
  Game.KeyDown("space");
  Game.KeyDown("Right");
  SleepMs(3000);
  Game.KeyUp("Right");
  const std::optional<Image> flying = WaitForScreen(IsMission, 10, "windows_mission");
  Game.KeyUp("space");
  Game.KeyUp("Down");
  ASSERT_TRUE(flying.has_value()) << "the mission ended early";
  Save(*flying, "windows_mission");
  EXPECT_GT(CountNear(*flying, 1, 570, 200, 585, LightGrey, 30), 20) << "HUD weapon line";
  EXPECT_GT(Count(*flying, 0, 438, 800, 462, [](Rgb p) { return std::max({p.r, p.g, p.b}) > 120; }), 300) << "ship";

  Press("Escape");
  const std::optional<Image> debriefing = WaitForScreen(IsDebriefing, 30, "windows_debriefing");
  ASSERT_TRUE(debriefing.has_value()) << "no debriefing after Escape";
  Save(*debriefing, "windows_debriefing");
}
