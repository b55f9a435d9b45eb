// Pictures other than ship sets: landscape layers, planet, menu and story
// pictures, explosion frames, fire and power-up icons.
#pragma once

#include <vector>

#include "raster.h"
#include "recipes.h"
#include "ships.h"

namespace art {

struct ArtSources {
  Params params;
  StrokeFont font;
  std::vector<ShipRecipe> ships;
  const ShipRecipe& Ship(const std::string& name) const;
};

Img MakeGround(const ArtSources& src);
Img MakeHills(const ArtSources& src);
Img MakeEarth(const ArtSources& src);
Img MakeLogo(const ArtSources& src);
Img MakeMoon(const ArtSources& src);
Img MakeStudioLogo(const ArtSources& src);
Img MakeExitPicture(const ArtSources& src);
std::vector<Img> MakeExplosion(const ArtSources& src);
Img MakeFire(const ArtSources& src);
Img MakePowerAmmo(const ArtSources& src);
Img MakePowerHeal(const ArtSources& src);
Img MakePowerLife(const ArtSources& src);

}  // namespace art
