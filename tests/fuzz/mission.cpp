// A whole mission, headless: a fuzzed level script whose enemies all fly one fuzzed definition. Input: the script, a
// line "[Ship]" and the definition, then optionally a line "[Keys]" and one byte per tick (cycled), one bit per key:
// up, down, left, right, fire, next weapon, previous weapon, pause; without, the player fires and switches weapons.
#include <aldumb.h>
#include <allegro.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz_support.h"
#include "game/game.h"
#include "headless.h"
#include "ships/enemy.h"
#include "ships/player.h"

namespace {

constexpr int KeyBits[] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_ALT, KEY_X, KEY_P};
CGame* Game = nullptr;

int SetSize(const CShipNPC& ship) {
  int set = 12;
  while (set > 0 && CShipNPC::SpriteSet(set) != ship.Sprites) --set;
  return CShipNPC::SpriteSetSize(set);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The game reads data/ from its working directory; the level clock and the ticks are run by hand.
  std::filesystem::create_directory_symlink(VARNOK_DATA_DIR, ScratchPath("data"));
  if (chdir(ScratchPath("").c_str()) != 0 || !StartHeadlessDisplay("fuzz_mission")) std::abort();
  Globals::SoundOn = Globals::MusicOn = false;
  dumb_register_stdfiles();
  Game = new CGame();
  for (void (*timer)() : {IncSpeedCtr, IncTime, CountFrames}) remove_int(timer);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Reads each fuzzed definition first: one the game would refuse ends the game, so it is not played.
  static CShipNPC probe(0, 0, "data/ships/fighter.txt", &Game->Explosions, &Game->Bullets, true, 1);
  const std::string input = AsText(data, size);
  const size_t ship = input.find("\n[Ship]\n");
  if (ship == std::string::npos) return -1;
  const size_t keys = std::min(input.find("\n[Keys]\n", ship + 8), size);
  const std::string definition = input.substr(ship + 8, keys - ship - 8);
  const std::string pressed = input.substr(std::min(keys + 8, size));
  std::istringstream read(definition);
  if (!probe.ReadInfo(read, "fuzz").empty()) return -1;
  std::ofstream(ScratchPath("ship.txt")) << definition;
  std::ofstream(ScratchPath("level.txt")) << input.substr(0, ship + 1);

  srand(1);
  Game->PlayerInfo.Clear();
  Game->PrepareMission(ScratchPath("level.txt").c_str());
  // Every enemy flies the fuzzed ship; an entry whose behaviour it cannot show would end the game, so it is left out.
  const auto unfit = [](const CLevelEvent& e) { return e.Type == 0 && !probe.CheckBehaviour(e.Behaviour).empty(); };
  Game->Events.erase(std::remove_if(Game->Events.begin(), Game->Events.end(), unfit), Game->Events.end());
  for (CLevelEvent& event : Game->Events) event.ShipFile = ScratchPath("ship.txt");
  Game->BeginPlay();
  // The level clock runs at twice the game's pace, to bring a script's events within the ticks played.
  for (int tick = 0; tick < 300 && Game->EndFade < 1.0f; ++tick) {
    unsigned bits = 0x10 | (tick % 16 == 0 ? 0x20 : 0) | (tick / 40 % 2 == 0 ? 0x01 : 0x02);
    if (!pressed.empty()) bits = static_cast<unsigned char>(pressed[static_cast<size_t>(tick) % pressed.size()]);
    for (int bit = 0; bit < 8; ++bit) key[KeyBits[bit]] = (bits >> bit) & 1;
    Globals::Time += 2;
    Game->MissionTick();
    // What drawing the tick's objects would index.
    const CPlayerShip& player = *Game->Player;
    FUZZ_CHECK(player.Weapon >= 0 && player.Weapon <= 11 && player.Frame >= 0 && player.Frame <= 6);
    for (const CShipNPC* e : Game->Enemies) {
      FUZZ_CHECK(e->Frame >= 0 && e->Frame < SetSize(*e) && e->Weapon >= 0 && e->Weapon <= 11);
    }
  }
  int bonus;
  Game->FinishMission(bonus);  // the debriefing bonus of a huge "Req" once overflowed
  return 0;
}
