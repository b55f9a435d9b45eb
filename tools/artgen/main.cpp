// artgen: renders every picture of the game from the recipes in assets/art
// and packs the sprite sets into Allegro datafiles with the dat tool.
//
//   artgen --assets DIR --out DIR --work DIR --dat PATH
//   artgen --assets DIR --icons DIR    (the desktop icons, NxN.png)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "icon.h"
#include "raster.h"
#include "recipes.h"
#include "scenes.h"
#include "ships.h"

namespace fs = std::filesystem;
using namespace art;

namespace {

struct Options {
  fs::path assets, out, work, dat, icons;
};

Options ParseArgs(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--assets") o.assets = argv[i + 1];
    else if (flag == "--out") o.out = argv[i + 1];
    else if (flag == "--work") o.work = argv[i + 1];
    else if (flag == "--dat") o.dat = argv[i + 1];
    else if (flag == "--icons") o.icons = argv[i + 1];
    else throw std::runtime_error("unknown option " + flag);
  }
  const bool data = !o.out.empty() && !o.work.empty() && !o.dat.empty();
  if (o.assets.empty() || data == !o.icons.empty())
    throw std::runtime_error("usage: artgen --assets DIR (--out DIR --work DIR --dat PATH | --icons DIR)");
  return o;
}

std::ifstream Open(const fs::path& p) {
  std::ifstream in(p);
  if (!in) throw std::runtime_error("cannot read " + p.string());
  return in;
}

void Write(const fs::path& p, const Img& img) {
  if (!WriteBmp(p.string(), img)) throw std::runtime_error("cannot write " + p.string());
}

std::string Quote(const fs::path& p) {
  std::string s = "'";
  for (char c : p.string()) s += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return s + "'";
}

// Packs the bitmaps, in order, into a fresh datafile. Objects are named
// f00, f01, ... so that any sorting keeps the game's order, and every
// property (names, dates, file names) is stripped so builds are byte-identical.
void Pack(const Options& o, const std::string& name, const std::vector<Img>& sprites) {
  fs::path dir = o.work / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string cmd = Quote(o.dat) + " -a -t BMP -bpp 32 -c0 -n0 -s2 " + Quote(o.out / (name + ".dat"));
  for (size_t i = 0; i < sprites.size(); ++i) {
    char file[32];
    std::snprintf(file, sizeof file, "f%02u.bmp", unsigned(i % 100));
    Write(dir / file, sprites[i]);
    cmd += " " + Quote(dir / file);
  }
  fs::remove(o.out / (name + ".dat"));
  cmd += " > " + Quote(dir / "dat.log") + " 2>&1";
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("dat failed for " + name + ".dat, see " + (dir / "dat.log").string());
}

// Sprite counts per set that the game loads.
struct SetSpec {
  const char* name;
  size_t sprites;
};
constexpr SetSpec kSets[] = {{"player", 8},  {"enemy1", 8}, {"enemy2", 1},  {"enemy3", 8}, {"enemy4", 8},
                             {"enemy5", 8},  {"enemy6", 8}, {"enemy7", 7},  {"enemy8", 8}, {"enemy9", 1},
                             {"enemy10", 8}, {"enemy11", 1}, {"enemy12", 8}};

// The hicolor theme's usual sizes, from the smallest a panel shows (the
// build installs the same list).
constexpr int kIconSizes[] = {32, 48, 64, 128, 256};

void WriteIcons(const ArtSources& src, const fs::path& dir) {
  fs::create_directories(dir);
  for (int size : kIconSizes) {
    const fs::path file = dir / (std::to_string(size) + "x" + std::to_string(size) + ".png");
    if (!WritePng(file.string(), MakeIcon(src, size))) throw std::runtime_error("cannot write " + file.string());
  }
}

void Run(const Options& o) {
  ArtSources src;
  {
    auto in = Open(o.assets / "scenes.txt");
    src.params.Read(in);
  }
  {
    auto in = Open(o.assets / "font.txt");
    src.font.Read(in);
  }
  {
    auto in = Open(o.assets / "ships.txt");
    src.ships = ReadShipRecipes(in);
  }
  if (!o.icons.empty()) return WriteIcons(src, o.icons);
  fs::create_directories(o.out);
  fs::create_directories(o.work);

  for (const SetSpec& set : kSets) {
    std::vector<Img> sprites = RenderShipSet(src.Ship(set.name));
    if (sprites.size() != set.sprites)
      throw std::runtime_error(std::string(set.name) + " has " + std::to_string(sprites.size()) + " sprites, the game loads " +
                               std::to_string(set.sprites));
    Pack(o, set.name, sprites);
  }
  for (const char* ordnance : {"bomb", "rocket", "mine"}) Write(o.out / (std::string(ordnance) + ".bmp"), RenderShipSet(src.Ship(ordnance)).at(0));

  Pack(o, "explosion", MakeExplosion(src));
  Write(o.out / "fire.bmp", MakeFire(src));
  Write(o.out / "powerammo.bmp", MakePowerAmmo(src));
  Write(o.out / "powerheal.bmp", MakePowerHeal(src));
  Write(o.out / "powerlife.bmp", MakePowerLife(src));
  Write(o.out / "hills.bmp", MakeHills(src));
  Write(o.out / "ground.bmp", MakeGround(src));
  Write(o.out / "earth.bmp", MakeEarth(src));
  Write(o.out / "logo.bmp", MakeLogo(src));
  Write(o.out / "moon.bmp", MakeMoon(src));
  Write(o.out / "quenby.bmp", MakeStudioLogo(src));
  Write(o.out / "exit.bmp", MakeExitPicture(src));
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Run(ParseArgs(argc, argv));
  } catch (const std::exception& e) {
    std::cerr << "artgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
