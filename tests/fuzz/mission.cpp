// A whole mission, headless, through the game's own mission tick: a fuzzed level script whose enemies all
// fly one fuzzed definition, and a player who steers, fires, cycles weapons and pauses as fuzzed keys say.
// Input: the level script, a line "[Ship]" and the definition, then optionally a line "[Keys]" and one
// byte per tick (cycled), one bit per key: up, down, left, right, fire, next weapon, previous weapon,
// pause. Without keys the player holds fire and steps to the next weapon now and then.
#include <aldumb.h>
#include <allegro.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "fuzz_support.h"
#include "game/game.h"
#include "headless.h"
#include "ships/enemy.h"
#include "ships/player.h"
#include "weapons/bullet.h"

namespace {

constexpr int Ticks = 300;
// Events are brought within about two thirds of the ticks, at most twice as fast as in the game: faster,
// the ships of a whole script would crowd in at once and make each run slow.
constexpr int EventTicks = 200;
constexpr int KeyBits[] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_ALT, KEY_X, KEY_P};

CGame* Game = nullptr;
// A ship that reads each fuzzed definition first: one the game would refuse ends the game, so it is not played.
CShipNPC* Probe = nullptr;

// The script, the definition and the keys of an input; no definition if there is no "[Ship]" line.
std::array<std::string, 3> Split(const std::string& input) {
  const size_t ship = input.find("\n[Ship]\n");
  if (ship == std::string::npos) return {};
  const size_t keys = input.find("\n[Keys]\n", ship + 8);
  const size_t end = keys == std::string::npos ? input.size() : keys + 1;
  return {input.substr(0, ship + 1), input.substr(ship + 8, end - ship - 8),
          input.substr(std::min(end + 7, input.size()))};
}

void PressKeys(const std::string& keys, int tick) {
  const unsigned bits = keys.empty() ? 0x10 | (tick % 16 == 0 ? 0x20 : 0) | (tick / 40 % 2 == 0 ? 0x01 : 0x02)
                                     : static_cast<unsigned char>(keys[static_cast<size_t>(tick) % keys.size()]);
  for (int bit = 0; bit < 8; ++bit) key[KeyBits[bit]] = (bits >> bit) & 1;
}

int SetSize(const CShipNPC& ship) {
  int set = 12;
  while (set > 0 && CShipNPC::SpriteSet(set) != ship.Sprites) --set;
  return CShipNPC::SpriteSetSize(set);
}

// What drawing the tick's objects would index.
void CheckField() {
  const CPlayerShip& player = *Game->Player;
  FUZZ_CHECK(player.Weapon >= 0 && player.Weapon <= 11 && player.Frame >= 0 && player.Frame <= 6);
  for (const CShipNPC* e : Game->Enemies) {
    const int held = SetSize(*e);
    FUZZ_CHECK(held > 0 && e->Frame >= 0 && e->Frame < held && (!e->Shadow || e->FrameCount < held));
    FUZZ_CHECK(e->Weapon >= 0 && e->Weapon <= 11);
  }
}

// The level clock runs fast enough for the script's events to come within the ticks played.
int ClockStep() {
  int last = std::clamp(Game->FinishTime, 0, 100000);
  for (const CLevelEvent& event : Game->Events) last = std::max(last, std::min(event.Time, 100000));
  return std::clamp(last / EventTicks + 1, 1, 2);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The game reads data/ from its working directory.
  const std::string folder = std::filesystem::path(ScratchPath("data")).parent_path();
  std::filesystem::create_directory_symlink(VARNOK_DATA_DIR, ScratchPath("data"));
  if (chdir(folder.c_str()) != 0 || !StartHeadlessDisplay("fuzz_mission")) std::abort();
  Globals::SoundOn = Globals::MusicOn = false;
  dumb_register_stdfiles();
  Game = new CGame();
  // The level clock and the ticks are run by hand.
  for (void (*timer)() : {IncSpeedCtr, IncTime, CountFrames}) remove_int(timer);
  Probe = new CShipNPC(0, 0, "data/ships/fighter.txt", &Game->Explosions, &Game->Bullets, true, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [script, ship, keys] = Split(AsText(data, size));
  std::istringstream definition(ship);
  if (ship.empty() || !Probe->ReadInfo(definition, "fuzz").empty()) return -1;
  const std::string shipPath = ScratchPath("ship.txt"), levelPath = ScratchPath("level.txt");
  std::ofstream(shipPath, std::ios::binary | std::ios::trunc) << ship;
  std::ofstream(levelPath, std::ios::binary | std::ios::trunc) << script;

  srand(1);
  Game->PlayerInfo.Clear();
  Game->PrepareMission(levelPath.c_str());
  // Every enemy flies the fuzzed ship; an entry whose behaviour the ship cannot show would end the game
  // with its message, so it is left out.
  std::vector<CLevelEvent>& events = Game->Events;
  const auto unfit = [](const CLevelEvent& e) { return e.Type == 0 && !Probe->CheckBehaviour(e.Behaviour).empty(); };
  events.erase(std::remove_if(events.begin(), events.end(), unfit), events.end());
  for (CLevelEvent& event : events) event.ShipFile = shipPath;
  Game->BeginPlay();
  const int step = ClockStep();
  for (int tick = 0; tick < Ticks && Game->EndFade < 1.0f; ++tick) {
    PressKeys(keys, tick);
    Globals::Time += step;
    const size_t pending = Game->Events.size();
    Game->MissionTick();
    FUZZ_CHECK(Game->Events.size() <= pending);
    CheckField();
  }
  for (const int k : KeyBits) key[k] = 0;
  int bonus, status = Game->FinishMission(bonus);
  FUZZ_CHECK(status >= 0 && status <= 2);
  return 0;
}
