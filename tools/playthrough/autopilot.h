// A simple pilot for headless playthroughs: each tick it reads the field
// (ships, projectiles, mines, power-ups), plans a short manoeuvre that keeps
// the ship out of harm's way while lining up with a target, picks a weapon
// that suits the target by cycling, and sets the game's key entries for the
// coming tick, as a player at the keyboard would.
#pragma once

#include <utility>
#include <vector>

class CGame;
class CPlayerShip;
class CShipNPC;

namespace playthrough {

class Autopilot {
 public:
  // A pilot that never fires only dodges (and still picks up power-ups);
  // `banned` lists weapon ids the pilot never uses; `reaction` is how many
  // ticks it holds its keys before it looks again.
  Autopilot(bool fire, std::vector<int> banned, int reaction)
      : Fire(fire), Banned(std::move(banned)), Reaction(reaction) {}

  // Sets the key entries for the coming tick.
  void Steer(CGame& game);
  // Releases every key the pilot uses.
  static void ReleaseKeys();

 private:
  // Something to keep away from, moving in a straight line: its centre, its
  // velocity and how close (on each axis) the player's centre may come.
  struct Hazard {
    float X, Y, VX, VY, HalfW, HalfH;
  };
  // A plan: vertical and horizontal key (-1, 0, 1), held for Hold ticks, then
  // nothing held.
  struct Plan {
    int V, H, Hold;
  };

  void CollectHazards(CGame& game);
  float PlanCost(const CPlayerShip& player, const Plan& plan, float goalX, float goalY) const;
  void ChooseTarget(CGame& game);
  int ChooseWeapon(CGame& game);
  bool ShouldFire(CGame& game, int weapon);
  bool BombWillHit(CGame& game, int weapon) const;
  bool FriendInLine(CGame& game, float y, float half) const;
  void SelectWeapon(CPlayerShip& player, int weapon);

  bool Fire;
  std::vector<int> Banned;
  int Reaction;
  const Plan* Chosen = nullptr;
  std::vector<Hazard> Hazards;
  // Beams that could fire at the player: the gunship's y and half reach.
  std::vector<float> BeamYs;
  float PlayerHalfW = 20, PlayerHalfH = 10;
  CShipNPC* Target = nullptr;
  bool GroundTarget = false;
  float GoalX = 150, GoalY = 250;
  int Wanted = -1;
  int WantedHold = 0;
  int Tick = 0;
  bool NextPressed = false;
};

}  // namespace playthrough
