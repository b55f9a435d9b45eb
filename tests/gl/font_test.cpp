// Text through CGLFont with Allegro's built-in 8x8 font, each text read back against one drawn another way.
#include <string>

#include "frontend_fixture.h"

using namespace frontendtest;

namespace {

using FontTest = Screen;

// One / one-minus-source-colour: red over blue gives magenta between blue strokes, starting at the point.
TEST_F(FontTest, TextStartsAtThePointInItsColourAndBrightensWhatLiesBeneath) {
  ClearScreen(0, 0, 255);
  glBlendFunc(GL_ONE, GL_ZERO);  // the font sets its own blend and texturing
  glDisable(GL_TEXTURE_2D);
  CGLFont(font).Printf(100, 200, makecol(255, 0, 0), "HHHH");
  const Pixel magenta{255, 0, 255};
  EXPECT_FALSE(HasColour(ReadRect(98, 198, 40, 2), magenta, 0) || HasColour(ReadRect(98, 198, 2, 12), magenta, 0));
  EXPECT_TRUE(HasColour(ReadRect(98, 200, 40, 2), magenta, 0) && HasColour(ReadRect(100, 198, 2, 12), magenta, 0));
}

// Each text must show the same pixels in the block as its reference, which must show some ink. A second formatting
// pass would turn "%%" into one sign and "%d" into a number; character 255 is the W.
TEST_F(FontTest, AlignmentPercentSignsAndTheCutAt255CharactersMatchTheirReference) {
  CGLFont text(font);
  const int c = makecol(255, 255, 255);
  const std::string cut = std::string(254, 'I') + "W" + std::string(745, 'I');
  const auto signs = [&] {
    for (int x : {148, 156, 164}) text.Printf(x, 100, c, "%%");
    text.Printf(172, 100, c, "d");
  };
  const struct {
    std::function<void()> draw, reference;
    int x, y, w, h;
  } cases[] = {
      {[&] { text.PrintfCentre(400, 100, c, "%s%c%s", "AB", 'C', "DE"); },
       [&] { text.Printf(380, 100, c, "ABCDE"); }, 300, 95, 200, 20},
      {[&] { text.Printf(100, 100, c, "Name: %s", "%%%d"); }, signs, 148, 100, 32, 8},
      {[&] { text.PrintfRight(800, 300, c, "%s", cut.c_str()); }, [&] { text.Printf(792, 300, c, "W"); }, 792, 295, 8,
       18},
  };
  for (const auto& row : cases) {
    ClearScreen(0, 0, 0);
    row.reference();
    const Rect reference = ReadRect(row.x, row.y, row.w, row.h);
    EXPECT_GT(Changed(row.x, row.y, row.w, row.h, Black), 0) << &row - cases;
    ClearScreen(0, 0, 0);
    row.draw();
    EXPECT_EQ(ReadRect(row.x, row.y, row.w, row.h).pixels, reference.pixels) << &row - cases;
  }
}

}  // namespace
