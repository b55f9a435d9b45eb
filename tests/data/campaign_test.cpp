// The shipped campaign, read with the game's own readers.
#include <gtest/gtest.h>

#include <set>

#include "data_support.h"
#include "game/game.h"
#include "ships/enemy.h"
#include "weapons/bullet.h"

TEST(Campaign, ShowsEverythingAndNamesEachWeaponBeforeHandingItOut) {
  std::vector<CExplosion*> explosions;
  std::vector<TBullet*> bullets;
  CShipNPC ship(0, 0, data_test::kData + "/ships/fighter.txt", &explosions, &bullets, false, 1);
  std::set<int> behaviours, sets, enemyWeapons, powerups, handedOut;
  std::set<std::string> kinds;
  std::string briefings;
  for (char letter = 'a'; std::ifstream(data_test::kData + "/level_" + letter + ".txt"); ++letter) {
    std::ifstream in(data_test::kData + "/level_" + letter + ".txt");
    const LevelScript script = ParseLevelScript(in);
    for (const std::string& line : script.Briefing) briefings += line + "\n";
    std::set<int> here;
    for (const auto& grant : script.Grants) here.insert(grant.WeaponId);
    for (const CLevelEvent& event : script.Events) {
      if (event.Type == 1) {
        powerups.insert(event.PowerupType);
        if (event.PowerupType == 2) here.insert(event.WeaponId);
        continue;
      }
      std::ifstream def(data_test::kBinary + "/" + event.ShipFile);
      ASSERT_EQ(ship.ReadInfo(def, event.ShipFile), "") << event.ShipFile;
      behaviours.insert(event.Behaviour);
      for (int set = 1; set <= 12; ++set)
        if (ship.Sprites && CShipNPC::SpriteSet(set) == ship.Sprites) sets.insert(set);
      for (int id = 0; id < 12; ++id)
        if (ship.Ammo[id] > 0) enemyWeapons.insert(id);
      kinds.insert(!ship.Hostile ? "friend" : !ship.Ground ? "flyer" : event.Behaviour == 7 ? "turret" : "vehicle");
    }
    for (int id : here)
      EXPECT_TRUE(!handedOut.insert(id).second || briefings.find(GetWeaponName(id)) != std::string::npos)
          << GetWeaponName(id) << " is handed out in level_" << letter << " before a briefing names it";
  }
  EXPECT_EQ(behaviours, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(sets, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(enemyWeapons, (std::set<int>{0, 1, 2, 8, 9, 10}));  // those that have an enemy form
  EXPECT_EQ(powerups, (std::set<int>{1, 2, 3}));
  EXPECT_EQ(kinds, (std::set<std::string>{"friend", "flyer", "turret", "vehicle"}));
  EXPECT_EQ(handedOut.size(), 12u);
}
