// The shipped campaign, read with the game's own readers (the level checker
// runs as a test of its own): across its missions it shows the player every
// behaviour, sprite set, enemy weapon, power-up and player weapon, each
// weapon named in a briefing no later than the mission that hands it out.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "game/game.h"
#include "ships/enemy.h"
#include "weapons/bullet.h"

namespace {

const std::string Data = VARNOK_DATA_DIR;

struct Mission {
  std::string Path;
  LevelScript Script;
  std::string Briefing;
};

std::vector<Mission> Campaign() {
  std::vector<Mission> missions;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const std::string path = Data + "/level_" + letter + ".txt";
    std::ifstream in(path);
    if (!in) break;
    Mission mission{path, ParseLevelScript(in), ""};
    for (const std::string& line : mission.Script.Briefing) mission.Briefing += line + "\n";
    missions.push_back(mission);
  }
  return missions;
}

TEST(Campaign, UsesEveryBehaviourSetEnemyWeaponAndPowerup) {
  std::vector<CExplosion*> explosions;
  std::vector<TBullet*> bullets;
  CShipNPC reader(0, 0, Data + "/ships/fighter.txt", &explosions, &bullets, false, 1);
  std::set<int> behaviours, sets, enemyWeapons, powerups;
  bool friendly = false, turret = false, vehicle = false;
  for (const Mission& mission : Campaign()) {
    for (const CLevelEvent& event : mission.Script.Events) {
      if (event.Type == 1) {
        powerups.insert(event.PowerupType);
        continue;
      }
      std::ifstream in(VARNOK_BINARY_DIR "/" + event.ShipFile);
      ASSERT_TRUE(in) << event.ShipFile;
      ASSERT_EQ(reader.ReadInfo(in, event.ShipFile), "");
      behaviours.insert(event.Behaviour);
      for (int set = 1; set <= 12; ++set) {
        if (CShipNPC::SpriteSet(set) == reader.Sprites) sets.insert(set);
      }
      for (int id = 0; id < 12; ++id) {
        if (reader.Ammo[id] > 0) enemyWeapons.insert(id);
      }
      friendly |= !reader.Hostile;
      turret |= reader.Ground && event.Behaviour == 7;
      vehicle |= reader.Ground && event.Behaviour != 7;
    }
  }
  EXPECT_EQ(behaviours, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(sets, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(enemyWeapons, (std::set<int>{0, 1, 2, 8, 9, 10}));
  EXPECT_EQ(powerups, (std::set<int>{1, 2, 3}));
  EXPECT_TRUE(friendly);
  EXPECT_TRUE(turret);
  EXPECT_TRUE(vehicle);
}

TEST(Campaign, EveryPlayerWeaponIsNamedInABriefingBeforeItIsHandedOut) {
  std::set<int> handedOut;
  std::string briefings;
  for (const Mission& mission : Campaign()) {
    briefings += mission.Briefing;
    std::set<int> here;
    for (const auto& grant : mission.Script.Grants) here.insert(grant.WeaponId);
    for (const CLevelEvent& event : mission.Script.Events) {
      if (event.Type == 1 && event.PowerupType == 2) here.insert(event.WeaponId);
    }
    for (int id : here) {
      if (handedOut.insert(id).second) {
        EXPECT_NE(briefings.find(GetWeaponName(id)), std::string::npos)
            << GetWeaponName(id) << " first appears in " << mission.Path << " without a word in a briefing";
      }
    }
  }
  EXPECT_EQ(handedOut.size(), 12u);
}

}  // namespace
