// The generated pictures load through the calls the game uses, have the sizes
// the screen layout needs, keep clean mask edges and come out the same on
// every build.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kData = VARNOK_DATA_DIR;

class ArtTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
    // The game runs in a 32-bit mode and converts everything it loads to it.
    set_color_depth(32);
    set_color_conversion(COLORCONV_TOTAL);
  }
};

struct Rgb {
  int r, g, b;
};

Rgb Pixel(BITMAP* bmp, int x, int y) {
  int c = getpixel(bmp, x, y);
  int depth = bitmap_color_depth(bmp);
  return {getr_depth(depth, c), getg_depth(depth, c), getb_depth(depth, c)};
}

bool IsMask(BITMAP* bmp, int x, int y) { return getpixel(bmp, x, y) == bitmap_mask_color(bmp); }

// A coloured pixel that is a blend towards magenta would show as a pink fringe.
bool NearMagenta(Rgb c) { return (255 - c.r) + c.g + (255 - c.b) < 150; }

struct Bitmap {
  BITMAP* bmp;
  explicit Bitmap(const std::string& name) : bmp(load_bitmap((kData + "/" + name).c_str(), nullptr)) {}
  ~Bitmap() {
    if (bmp) destroy_bitmap(bmp);
  }
};

struct Datafile {
  DATAFILE* dat;
  explicit Datafile(const std::string& name) : dat(load_datafile((kData + "/" + name).c_str())) {}
  ~Datafile() {
    if (dat) unload_datafile(dat);
  }
  int Count() const {
    int n = 0;
    while (dat[n].type != DAT_END) ++n;
    return n;
  }
  BITMAP* At(int i) const { return static_cast<BITMAP*>(dat[i].dat); }
};

void ExpectCleanMask(BITMAP* bmp, const std::string& what) {
  int fringe = 0;
  for (int y = 0; y < bmp->h; ++y)
    for (int x = 0; x < bmp->w; ++x)
      if (!IsMask(bmp, x, y) && NearMagenta(Pixel(bmp, x, y))) ++fringe;
  EXPECT_EQ(fringe, 0) << what << " has pixels blended towards magenta";
}

void ExpectMaskBorder(BITMAP* bmp, const std::string& what) {
  int cut = 0;
  for (int x = 0; x < bmp->w; ++x) cut += !IsMask(bmp, x, 0) + !IsMask(bmp, x, bmp->h - 1);
  for (int y = 0; y < bmp->h; ++y) cut += !IsMask(bmp, 0, y) + !IsMask(bmp, bmp->w - 1, y);
  EXPECT_EQ(cut, 0) << what << " touches its border";
}

void ExpectDarkBorder(BITMAP* bmp, const std::string& what) {
  int lit = 0;
  for (int y = 0; y < bmp->h; ++y)
    for (int x = 0; x < bmp->w; ++x) {
      if (x != 0 && y != 0 && x != bmp->w - 1 && y != bmp->h - 1) continue;
      Rgb c = Pixel(bmp, x, y);
      if (!IsMask(bmp, x, y) && (c.r > 8 || c.g > 8 || c.b > 8)) ++lit;
    }
  EXPECT_EQ(lit, 0) << what << " is not black at its border";
}

int CountSolid(BITMAP* bmp) {
  int n = 0;
  for (int y = 0; y < bmp->h; ++y)
    for (int x = 0; x < bmp->w; ++x) n += !IsMask(bmp, x, y);
  return n;
}

bool SameColumns(BITMAP* bmp, int a, int b) {
  for (int y = 0; y < bmp->h; ++y)
    if (getpixel(bmp, a, y) != getpixel(bmp, b, y)) return false;
  return true;
}

bool SameBitmaps(BITMAP* a, BITMAP* b) {
  if (a->w != b->w || a->h != b->h) return false;
  for (int y = 0; y < a->h; ++y)
    for (int x = 0; x < a->w; ++x)
      if (getpixel(a, x, y) != getpixel(b, x, y)) return false;
  return true;
}

struct SetInfo {
  std::string file;
  int sprites;
  int frames;  // flight frames; the sprite after them is the shadow
  int minW, maxW;
};

const std::vector<SetInfo> kShipSets = {
    {"player.dat", 8, 7, 50, 80},    {"enemy1.dat", 8, 7, 36, 70},    {"enemy2.dat", 1, 1, 20, 60},
    {"enemy3.dat", 8, 7, 36, 70},    {"enemy4.dat", 8, 7, 70, 112},   {"enemy5.dat", 8, 7, 60, 112},
    {"enemy6.dat", 8, 7, 36, 80},    {"enemy7.dat", 7, 6, 24, 70},    {"enemy8.dat", 8, 7, 36, 70},
    {"enemy9.dat", 1, 1, 20, 60},    {"enemy10.dat", 8, 7, 70, 112},  {"enemy11.dat", 1, 1, 20, 60},
    {"enemy12.dat", 8, 7, 24, 70}};

TEST_F(ArtTest, ShipSetsLoadWithTheGamesSpriteCountsAndCleanMasks) {
  for (const SetInfo& set : kShipSets) {
    SCOPED_TRACE(set.file);
    Datafile d(set.file);
    ASSERT_NE(d.dat, nullptr);
    ASSERT_EQ(d.Count(), set.sprites);
    for (int i = 0; i < set.sprites; ++i) {
      ASSERT_EQ(d.dat[i].type, DAT_BITMAP);
      BITMAP* bmp = d.At(i);
      std::string what = set.file + " sprite " + std::to_string(i);
      EXPECT_GE(bitmap_color_depth(bmp), 24) << what;
      ExpectCleanMask(bmp, what);
      ExpectMaskBorder(bmp, what);
      EXPECT_GT(CountSolid(bmp), 20) << what;
      if (i < set.frames) {
        EXPECT_GE(bmp->w, set.minW) << what;
        EXPECT_LE(bmp->w, set.maxW) << what;
        EXPECT_GE(bmp->h, 8) << what;
        EXPECT_LE(bmp->h, 64) << what;
      }
    }
  }
}

TEST_F(ArtTest, PlayerLevelFrameFitsTheScreenLimitsAndFramesPitch) {
  Datafile d("player.dat");
  ASSERT_NE(d.dat, nullptr);
  BITMAP* level = d.At(3);
  EXPECT_NEAR(level->w, 64, 8);
  EXPECT_NEAR(level->h, 30, 10);
  // Climbing and diving frames are taller than level flight: the ship is tilted.
  EXPECT_GT(d.At(0)->h, level->h);
  EXPECT_GT(d.At(6)->h, level->h);
}

TEST_F(ArtTest, ShadowsAreDarkFlatSilhouettes) {
  for (const SetInfo& set : kShipSets) {
    if (set.sprites == set.frames) continue;
    SCOPED_TRACE(set.file);
    Datafile d(set.file);
    ASSERT_NE(d.dat, nullptr);
    BITMAP* shadow = d.At(set.frames);
    EXPECT_LT(shadow->h * 2, d.At(set.frames / 2)->h + 2);
    long sum = 0;
    int n = 0;
    for (int y = 0; y < shadow->h; ++y)
      for (int x = 0; x < shadow->w; ++x)
        if (!IsMask(shadow, x, y)) {
          Rgb c = Pixel(shadow, x, y);
          sum += c.r + c.g + c.b;
          ++n;
        }
    ASSERT_GT(n, 0);
    EXPECT_LT(sum / n, 3 * 40);
  }
}

TEST_F(ArtTest, TurretFramesShareOneBoxAndTurnTheBarrel) {
  for (const SetInfo& set : {kShipSets[7], kShipSets[12]}) {
    SCOPED_TRACE(set.file);
    Datafile d(set.file);
    ASSERT_NE(d.dat, nullptr);
    for (int i = 1; i < set.frames; ++i) {
      EXPECT_EQ(d.At(i)->w, d.At(0)->w);
      EXPECT_EQ(d.At(i)->h, d.At(0)->h);
      EXPECT_FALSE(SameBitmaps(d.At(i), d.At(i - 1))) << "frames " << i - 1 << " and " << i << " are identical";
    }
    // The first and last frames lean the barrel to opposite sides: mirror images of each other's barrel.
    EXPECT_FALSE(SameBitmaps(d.At(0), d.At(set.frames - 1)));
  }
}

TEST_F(ArtTest, ExplosionHasFifteenAdditiveFrames) {
  Datafile d("explosion.dat");
  ASSERT_NE(d.dat, nullptr);
  ASSERT_EQ(d.Count(), 15);
  long first = 0, last = 0;
  for (int i = 0; i < 15; ++i) {
    ASSERT_EQ(d.dat[i].type, DAT_BITMAP);
    BITMAP* bmp = d.At(i);
    EXPECT_GE(bmp->w, 48);
    EXPECT_LE(bmp->w, 128);
    ExpectDarkBorder(bmp, "explosion frame " + std::to_string(i));
    ExpectCleanMask(bmp, "explosion frame " + std::to_string(i));
    long light = 0;
    for (int y = 0; y < bmp->h; ++y)
      for (int x = 0; x < bmp->w; ++x) {
        Rgb c = Pixel(bmp, x, y);
        light += c.r + c.g + c.b;
      }
    if (i == 2) first = light;
    if (i == 14) last = light;
  }
  EXPECT_LT(last * 3, first) << "the fireball fades out";
}

struct PictureInfo {
  std::string file;
  int minW, maxW, minH, maxH;
  enum Kind { Alpha, Additive, Opaque } kind;
  bool ship;  // must not touch its border
};

const std::vector<PictureInfo> kPictures = {
    {"bomb.bmp", 16, 32, 6, 14, PictureInfo::Alpha, true},
    {"rocket.bmp", 20, 36, 5, 12, PictureInfo::Alpha, true},
    {"mine.bmp", 12, 26, 12, 26, PictureInfo::Alpha, true},
    {"fire.bmp", 8, 24, 8, 24, PictureInfo::Additive, false},
    {"powerammo.bmp", 24, 40, 24, 40, PictureInfo::Additive, false},
    {"powerheal.bmp", 24, 40, 24, 40, PictureInfo::Additive, false},
    {"powerlife.bmp", 24, 40, 24, 40, PictureInfo::Additive, false},
    {"hills.bmp", 800, 2048, 60, 250, PictureInfo::Alpha, false},
    {"ground.bmp", 800, 2048, 50, 50, PictureInfo::Opaque, false},
    {"earth.bmp", 160, 220, 160, 220, PictureInfo::Alpha, true},
    {"logo.bmp", 300, 700, 80, 220, PictureInfo::Additive, false},  // from y 20, clear of the menu at 245
    {"moon.bmp", 200, 400, 200, 400, PictureInfo::Opaque, false},
    {"quenby.bmp", 256, 256, 256, 256, PictureInfo::Opaque, false},  // a texture: a power of two
    {"exit.bmp", 256, 800, 200, 600, PictureInfo::Opaque, false},
};

TEST_F(ArtTest, PicturesLoadWithTheirSizesAndMasks) {
  for (const PictureInfo& p : kPictures) {
    SCOPED_TRACE(p.file);
    Bitmap b(p.file);
    ASSERT_NE(b.bmp, nullptr);
    EXPECT_GE(b.bmp->w, p.minW);
    EXPECT_LE(b.bmp->w, p.maxW);
    EXPECT_GE(b.bmp->h, p.minH);
    EXPECT_LE(b.bmp->h, p.maxH);
    switch (p.kind) {
      case PictureInfo::Alpha:
        ExpectCleanMask(b.bmp, p.file);
        EXPECT_GT(CountSolid(b.bmp), 20);
        break;
      case PictureInfo::Additive:
        ExpectCleanMask(b.bmp, p.file);
        ExpectDarkBorder(b.bmp, p.file);
        break;
      case PictureInfo::Opaque:
        EXPECT_EQ(CountSolid(b.bmp), b.bmp->w * b.bmp->h) << "an opaque picture shows magenta holes";
        break;
    }
    if (p.ship) ExpectMaskBorder(b.bmp, p.file);
  }
}

TEST_F(ArtTest, LandscapeLayersTileAndFillTheirStrips) {
  for (const char* file : {"hills.bmp", "ground.bmp"}) {
    SCOPED_TRACE(file);
    Bitmap b(file);
    ASSERT_NE(b.bmp, nullptr);
    EXPECT_TRUE(SameColumns(b.bmp, 0, b.bmp->w - 1)) << "left and right columns differ";
    // The bottom row stands on the ground (hills) or is the ground itself.
    for (int x = 0; x < b.bmp->w; ++x) ASSERT_FALSE(IsMask(b.bmp, x, b.bmp->h - 1)) << "gap at x " << x;
  }
  Bitmap hills("hills.bmp");
  ASSERT_NE(hills.bmp, nullptr);
  for (int x = 0; x < hills.bmp->w; ++x) ASSERT_TRUE(IsMask(hills.bmp, x, 0)) << "hills reach the top at x " << x;
}

TEST_F(ArtTest, TheMoonStaysDimBehindTheMenuTextAndItsGlowEndsInsideThePicture) {
  Bitmap moon("moon.bmp");
  ASSERT_NE(moon.bmp, nullptr);
  // The picture sits in the bottom-left corner of a black screen: its top
  // rows and right columns must be black, or the glow ends in a visible edge.
  constexpr int kBand = 12;
  int lit = 0;
  for (int y = 0; y < moon.bmp->h; ++y)
    for (int x = 0; x < moon.bmp->w; ++x) {
      if (y >= kBand && x < moon.bmp->w - kBand) continue;
      Rgb c = Pixel(moon.bmp, x, y);
      lit += c.r + c.g + c.b > 0;
    }
  EXPECT_EQ(lit, 0) << "lit pixels along the top or right edge";
  // The menu text from x 200, y 250 lies over the moon: it must stay dim there.
  int bright = 0;
  for (int y = moon.bmp->h - 250; y < moon.bmp->h; ++y)
    for (int x = 190; x < moon.bmp->w; ++x) {
      if (y < 0) continue;
      Rgb c = Pixel(moon.bmp, x, y);
      if (c.r + c.g + c.b > 3 * 150) ++bright;
    }
  EXPECT_LT(bright, 30);
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(ArtTest, TwoRunsOfTheGeneratorGiveIdenticalFiles) {
  const fs::path tool = fs::path(VARNOK_BINARY_DIR) / "tools" / "artgen" / "artgen";
  const fs::path tmp = fs::temp_directory_path() / ("artgen_test_" + std::to_string(getpid()));
  fs::remove_all(tmp);
  for (const char* run : {"a", "b"}) {
    const std::string common = "'" + tool.string() + "' --assets '" + VARNOK_SOURCE_DIR + "/assets/art'";
    for (const std::string& cmd : {common + " --out '" + (tmp / run / "data").string() + "' --work '" + (tmp / run / "work").string() + "' --dat dat",
                                   common + " --icons '" + (tmp / run / "icons").string() + "'"})
      ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  // The data the game reads and the desktop icons the install ships.
  int files = 0;
  for (const auto& [dir, built] : {std::pair<std::string, fs::path>{"data", kData}, {"icons", fs::path(VARNOK_BINARY_DIR) / "icons"}})
    for (const auto& entry : fs::directory_iterator(tmp / "a" / dir)) {
      const std::string name = entry.path().filename().string();
      SCOPED_TRACE(name);
      std::string a = Slurp(entry.path());
      EXPECT_FALSE(a.empty());
      EXPECT_EQ(a, Slurp(tmp / "b" / dir / name));
      EXPECT_EQ(a, Slurp(built / name)) << "the build's copy differs from a fresh run";
      ++files;
    }
  EXPECT_EQ(files, 14 + 14 + 5);  // datafiles, pictures and icon sizes
  fs::remove_all(tmp);
}

}  // namespace
