// Text through CGLFont with Allegro's built-in 8x8 font: placement, colour,
// blending and the formatting rules.
#include "gl_harness.h"

#include <algorithm>
#include <string>

using namespace gltest;

namespace {

// The bounding box of every pixel that is not the background.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  bool Empty() const { return right < 0; }
};

Box InkBox(const Rect& rect, int x0, int y0, const Pixel& background) {
  Box box;
  for (int y = 0; y < rect.h; ++y)
    for (int x = 0; x < rect.w; ++x)
      if (rect.At(x, y) != background) {
        box.left = std::min(box.left, x0 + x);
        box.right = std::max(box.right, x0 + x);
        box.top = std::min(box.top, y0 + y);
        box.bottom = std::max(box.bottom, y0 + y);
      }
  return box;
}

bool SamePixels(const Rect& a, const Rect& b) { return a.pixels == b.pixels; }

}  // namespace

class FontTest : public Screen {
 protected:
  CGLFont Text{font};
};

TEST_F(FontTest, PrintfPutsTheTopLeftCornerAtThePointInTheColour) {
  Text.Printf(100, 200, makecol(255, 0, 0), "HHHH");
  const Box box = InkBox(ReadRect(90, 190, 60, 30), 90, 190, Pixel{0, 0, 0});
  ASSERT_FALSE(box.Empty());
  EXPECT_TRUE(box.left >= 100 && box.left <= 101) << box.left;
  EXPECT_TRUE(box.right >= 129 && box.right <= 131) << box.right;
  EXPECT_TRUE(box.top >= 200 && box.top <= 201) << box.top;
  EXPECT_TRUE(box.bottom >= 205 && box.bottom <= 207) << box.bottom;
  const Rect ink = ReadRect(100, 200, 32, 8);
  for (const Pixel& p : ink.pixels) EXPECT_TRUE(p == (Pixel{0, 0, 0}) || p == (Pixel{255, 0, 0})) << p;
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(FontTest, TextBrightensWhatLiesBeneath) {
  ClearScreen(0, 0, 255);
  Text.Printf(100, 200, makecol(255, 0, 0), "HHHH");
  // One / one-minus-source-colour: red over blue gives magenta, and the
  // background between the strokes stays blue.
  const Rect ink = ReadRect(100, 200, 32, 8);
  int lit = 0;
  for (const Pixel& p : ink.pixels) {
    EXPECT_TRUE(p == (Pixel{0, 0, 255}) || p == (Pixel{255, 0, 255})) << p;
    lit += p == (Pixel{255, 0, 255});
  }
  EXPECT_GT(lit, 20);
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_ONE);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_COLOR);
}

TEST_F(FontTest, CentreAndRightAlignByTheTextWidth) {
  const int colour = makecol(255, 255, 255);
  Text.Printf(380, 100, colour, "ABCDE");
  const Rect left = ReadRect(300, 95, 200, 20);
  ClearScreen(0, 0, 0);
  Text.PrintfCentre(400, 100, colour, "%s%c%s", "AB", 'C', "DE");
  EXPECT_TRUE(SamePixels(ReadRect(300, 95, 200, 20), left));
  ClearScreen(0, 0, 0);
  Text.PrintfRight(420, 100, colour, "ABC%s", "DE");
  EXPECT_TRUE(SamePixels(ReadRect(300, 95, 200, 20), left));
  EXPECT_FALSE(InkBox(left, 300, 95, Pixel{0, 0, 0}).Empty());
}

TEST_F(FontTest, PercentSignsInArgumentsAreDrawnVerbatim) {
  const int colour = makecol(255, 255, 255);
  Text.Printf(100, 100, colour, "%%");
  const Rect percent = ReadRect(100, 100, 8, 8);
  ASSERT_FALSE(InkBox(percent, 0, 0, Pixel{0, 0, 0}).Empty());

  ClearScreen(0, 0, 0);
  Text.Printf(100, 100, colour, "Name: %s", "50%");
  EXPECT_TRUE(SamePixels(ReadRect(164, 100, 8, 8), percent));
  // A second formatting pass would turn "%%" into one sign and "%d" into a number.
  ClearScreen(0, 0, 0);
  Text.Printf(100, 100, colour, "%s", "%%%d");
  for (int x : {100, 108, 116}) EXPECT_TRUE(SamePixels(ReadRect(x, 100, 8, 8), percent)) << x;
  ClearScreen(0, 0, 0);
  Text.Printf(100, 100, colour, "d");
  const Rect d = ReadRect(100, 100, 8, 8);
  ClearScreen(0, 0, 0);
  Text.Printf(100, 100, colour, "%s", "%%%d");
  EXPECT_TRUE(SamePixels(ReadRect(124, 100, 8, 8), d));
}

TEST_F(FontTest, OverLongTextIsCutAt255Characters) {
  const int colour = makecol(255, 255, 255);
  Text.Printf(792, 300, colour, "W");
  const Rect w = ReadRect(792, 295, 8, 18);
  ClearScreen(0, 0, 0);
  // Character 255 is the W; a right-aligned text shows its last character
  // at the right edge of the screen.
  const std::string text = std::string(254, 'I') + "W" + std::string(745, 'I');
  Text.PrintfRight(800, 300, colour, "%s", text.c_str());
  EXPECT_TRUE(SamePixels(ReadRect(792, 295, 8, 18), w));

  // The same with a text of percent signs only.
  ClearScreen(0, 0, 0);
  Text.Printf(792, 300, colour, "%%");
  const Rect percent = ReadRect(792, 295, 8, 18);
  ClearScreen(0, 0, 0);
  Text.PrintfRight(800, 300, colour, "%s", std::string(300, '%').c_str());
  EXPECT_TRUE(SamePixels(ReadRect(792, 295, 8, 18), percent));
}
