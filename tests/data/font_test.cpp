// The generated font datafile: three fonts in the order the game takes them,
// sized for the screens that use them, covering printable ASCII, and built
// reproducibly.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const char* const FontDat = VARNOK_DATA_DIR "/font.dat";

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FontData : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
    // The game loads its fonts after opening a 32-bit mode.
    set_color_depth(32);
    Data = load_datafile(FontDat);
  }
  static void TearDownTestSuite() {
    if (Data != nullptr) unload_datafile(Data);
    Data = nullptr;
    allegro_exit();
  }
  void SetUp() override { ASSERT_NE(Data, nullptr) << FontDat; }

  static FONT* Font(int index) { return static_cast<FONT*>(Data[index].dat); }
  static FONT* Menu() { return Font(0); }
  static FONT* Small() { return Font(1); }
  static FONT* Medium() { return Font(2); }

  static DATAFILE* Data;
};

DATAFILE* FontData::Data = nullptr;

TEST_F(FontData, HoldsExactlyThreeFonts) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Data[i].type, DAT_FONT) << "object " << i;
  EXPECT_EQ(Data[3].type, DAT_END);
}

TEST_F(FontData, HeightsFitTheScreensThatUseThem) {
  const int menu = text_height(Menu());
  const int small = text_height(Small());
  const int medium = text_height(Medium());
  EXPECT_GT(menu, medium);
  EXPECT_GT(medium, small);
  // Menu items are 30 pixels apart; debriefing lines in the medium font 20.
  EXPECT_LT(menu, 30);
  EXPECT_GE(menu, 24);
  EXPECT_LE(medium, 20);
  EXPECT_GE(medium, 16);
  // The HUD prints score and weapon lines 12 pixels apart.
  EXPECT_GE(small, 11);
  EXPECT_LE(small, 14);
}

TEST_F(FontData, EveryPrintableCharacterHasAWidthAndVisibleGlyph) {
  BITMAP* canvas = create_bitmap_ex(32, 64, 64);
  ASSERT_NE(canvas, nullptr);
  const char* const names[] = {"menu", "small", "medium"};
  for (int f = 0; f < 3; ++f) {
    for (int c = 32; c <= 126; ++c) {
      const char text[2] = {static_cast<char>(c), '\0'};
      const int width = text_length(Font(f), text);
      EXPECT_GT(width, 0) << names[f] << " character " << c;
      EXPECT_LT(width, text_height(Font(f)) * 2) << names[f] << " character " << c;
      if (c == ' ') continue;
      clear_to_color(canvas, makecol32(0, 0, 0));
      textout_ex(canvas, Font(f), text, 0, 0, makecol32(255, 255, 255), -1);
      int ink = 0;
      for (int y = 0; y < canvas->h; ++y)
        for (int x = 0; x < canvas->w; ++x) ink += (getpixel(canvas, x, y) & 0xffffff) != 0;
      EXPECT_GT(ink, 0) << names[f] << " character " << c << " draws nothing";
    }
  }
  destroy_bitmap(canvas);
}

TEST_F(FontData, WideTextIsAsWideAsItsCharacters) {
  // Proportional fonts: an M is wider than an i, and widths add up.
  for (int f = 0; f < 3; ++f) {
    EXPECT_GT(text_length(Font(f), "M"), text_length(Font(f), "i"));
    EXPECT_EQ(text_length(Font(f), "Mi"), text_length(Font(f), "M") + text_length(Font(f), "i"));
  }
}

TEST(FontBuild, TwoBuildsGiveIdenticalBytes) {
  const std::string script = VARNOK_BINARY_DIR "/tools/fontgen/make_font_dat.cmake";
  char dirTemplate[] = "/tmp/varnok_font_XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  for (const char* name : {"a.dat", "b.dat"}) {
    const std::string command = "cmake -DOUT=" + dir + "/" + name + " -P " + script + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  const std::string first = ReadBytes(dir + "/a.dat");
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, ReadBytes(dir + "/b.dat"));
  EXPECT_EQ(first, ReadBytes(FontDat)) << "the built font.dat differs from a fresh build";
  std::system(("rm -rf " + dir).c_str());
}

}  // namespace
