// Rasterises TrueType fonts into the glyph-grid bitmaps that Allegro's grabber
// imports as FONT objects: every glyph is a box of one common height, boxes are
// separated by the border colour, characters follow each other from the first
// code of the range to the last.
//
// Usage: fontgen RECIPE TTF_DIR OUT_DIR
// The recipe has one font per line: name, TrueType file (looked up in TTF_DIR),
// pixel size, first and last character code, and "mono" or "grey". Lines
// starting with '#' are comments. Each font is written as OUT_DIR/name.bmp.
//
// "mono" glyphs are hinted 1-bit shapes in an 8-bit image (0 transparent, 1 ink,
// 255 border), which Allegro imports as a monochrome font that takes any text
// colour. "grey" glyphs are anti-aliased, in a 24-bit image: ink levels as grey
// on black, magenta-free, border yellow.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Recipe {
  std::string name;
  std::string ttf;
  int pixels = 0;
  int first = 0;
  int last = 0;
  bool mono = true;
};

struct Glyph {
  int width = 0;          // box width: the advance, widened to hold all ink
  int inkLeft = 0;        // x of the bitmap inside the box
  int inkTop = 0;         // baseline-relative top of the bitmap (y up)
  int rows = 0, cols = 0;
  std::vector<uint8_t> coverage;  // rows x cols, 0..255
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "fontgen: " << message << "\n";
  std::exit(1);
}

std::vector<Recipe> ReadRecipe(const std::string& path) {
  std::ifstream in(path);
  if (!in) Fail("cannot read " + path);
  std::vector<Recipe> recipes;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    Recipe r;
    std::string render;
    if (!(words >> r.name >> r.ttf >> r.pixels >> r.first >> r.last >> render) || r.pixels < 4 ||
        r.pixels > 200 || r.first < 32 || r.last < r.first || r.last > 255 ||
        (render != "mono" && render != "grey")) {
      Fail(path + ":" + std::to_string(number) + ": expected: name file.ttf pixels first last mono|grey");
    }
    r.mono = render == "mono";
    recipes.push_back(r);
  }
  if (recipes.empty()) Fail(path + ": no fonts");
  return recipes;
}

Glyph RenderGlyph(FT_Face face, int code, bool mono) {
  const FT_Int32 flags = FT_LOAD_RENDER | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Char(face, static_cast<FT_ULong>(code), flags) != 0) Fail("cannot render character " + std::to_string(code));
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  Glyph g;
  g.rows = static_cast<int>(bitmap.rows);
  g.cols = static_cast<int>(bitmap.width);
  g.inkTop = slot->bitmap_top;
  g.coverage.assign(static_cast<size_t>(g.rows) * g.cols, 0);
  for (int y = 0; y < g.rows; ++y) {
    const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
    for (int x = 0; x < g.cols; ++x) {
      uint8_t value;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        value = (row[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
      } else {
        value = row[x];
      }
      g.coverage[static_cast<size_t>(y) * g.cols + x] = value;
    }
  }
  // Allegro fonts have no separate advance: the box is the advance. Ink that
  // reaches left of the pen (a negative bearing) or past the advance widens
  // the box rather than being cut off.
  const int advance = static_cast<int>((slot->advance.x + 32) >> 6);
  const int left = std::min(0, slot->bitmap_left);
  const int right = std::max(advance, slot->bitmap_left + g.cols);
  g.inkLeft = slot->bitmap_left - left;
  g.width = std::max(1, right - left);
  return g;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xff);
  out.push_back((v >> 8) & 0xff);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

// pixels holds one byte per pixel (palette index) for 8-bit images and three
// (red, green, blue) for 24-bit ones, top row first.
void WriteBmp(const std::string& path, int width, int height, int bits, const std::vector<uint8_t>& pixels) {
  const int bytesPerPixel = bits / 8;
  const int stride = (width * bytesPerPixel + 3) & ~3;
  const uint32_t paletteSize = bits == 8 ? 256 * 4 : 0;
  const uint32_t offset = 14 + 40 + paletteSize;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + static_cast<uint32_t>(stride * height));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);  // no compression
  Put32(out, static_cast<uint32_t>(stride * height));
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, bits == 8 ? 256 : 0);
  Put32(out, 0);
  if (bits == 8) {
    // 0 transparent (black), 1 ink (white), 255 border (yellow); the rest grey.
    for (int i = 0; i < 256; ++i) {
      uint8_t r = static_cast<uint8_t>(i), g = static_cast<uint8_t>(i), b = static_cast<uint8_t>(i);
      if (i == 1) r = g = b = 255;
      if (i == 255) b = 0;
      out.push_back(b);
      out.push_back(g);
      out.push_back(r);
      out.push_back(0);
    }
  }
  for (int y = height - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < width; ++x) {
      const size_t i = (static_cast<size_t>(y) * width + x) * bytesPerPixel;
      if (bits == 8) {
        out.push_back(pixels[i]);
      } else {
        out.push_back(pixels[i + 2]);
        out.push_back(pixels[i + 1]);
        out.push_back(pixels[i]);
      }
    }
    out.resize(start + stride, 0);
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!file) Fail("cannot write " + path);
}

void MakeFont(FT_Library library, const Recipe& recipe, const std::string& ttfDir, const std::string& outDir) {
  FT_Face face;
  const std::string ttfPath = ttfDir + "/" + recipe.ttf;
  if (FT_New_Face(library, ttfPath.c_str(), 0, &face) != 0) Fail("cannot open " + ttfPath);
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(recipe.pixels)) != 0) Fail("cannot size " + ttfPath);

  std::vector<Glyph> glyphs;
  for (int code = recipe.first; code <= recipe.last; ++code) glyphs.push_back(RenderGlyph(face, code, recipe.mono));
  FT_Done_Face(face);

  // One common box height from the highest and lowest ink of the range, so
  // that the font is no taller than its characters need.
  int top = 0, bottom = 0;
  for (const Glyph& g : glyphs) {
    if (g.rows == 0) continue;
    top = std::max(top, g.inkTop);
    bottom = std::min(bottom, g.inkTop - g.rows);
  }
  const int height = top - bottom;
  if (height <= 0) Fail(recipe.name + ": no visible glyphs");

  // Sixteen glyphs to a row; a one-pixel border around every box.
  constexpr int PerRow = 16;
  const int rowCount = (static_cast<int>(glyphs.size()) + PerRow - 1) / PerRow;
  int imageWidth = 1;
  for (int row = 0; row < rowCount; ++row) {
    int w = 1;
    for (int i = row * PerRow; i < std::min<int>(glyphs.size(), (row + 1) * PerRow); ++i) w += glyphs[i].width + 1;
    imageWidth = std::max(imageWidth, w);
  }
  const int imageHeight = 1 + rowCount * (height + 1);
  const int bits = recipe.mono ? 8 : 24;
  const int bpp = bits / 8;
  std::vector<uint8_t> pixels(static_cast<size_t>(imageWidth) * imageHeight * bpp);
  auto set = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    const size_t i = (static_cast<size_t>(y) * imageWidth + x) * bpp;
    if (bpp == 1) {
      pixels[i] = r;
    } else {
      pixels[i] = r;
      pixels[i + 1] = g;
      pixels[i + 2] = b;
    }
  };
  for (int y = 0; y < imageHeight; ++y)
    for (int x = 0; x < imageWidth; ++x) bpp == 1 ? set(x, y, 255, 0, 0) : set(x, y, 255, 255, 0);

  for (size_t i = 0; i < glyphs.size(); ++i) {
    const int row = static_cast<int>(i) / PerRow;
    int boxX = 1;
    for (size_t j = static_cast<size_t>(row) * PerRow; j < i; ++j) boxX += glyphs[j].width + 1;
    const int boxY = 1 + row * (height + 1);
    const Glyph& g = glyphs[i];
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < g.width; ++x) set(boxX + x, boxY + y, 0, 0, 0);
    const int inkY = top - g.inkTop;
    for (int y = 0; y < g.rows; ++y) {
      for (int x = 0; x < g.cols; ++x) {
        const uint8_t c = g.coverage[static_cast<size_t>(y) * g.cols + x];
        if (c == 0) continue;
        if (bpp == 1) {
          if (c >= 128) set(boxX + g.inkLeft + x, boxY + inkY + y, 1, 0, 0);
        } else {
          set(boxX + g.inkLeft + x, boxY + inkY + y, c, c, c);
        }
      }
    }
  }
  WriteBmp(outDir + "/" + recipe.name + ".bmp", imageWidth, imageHeight, bits, pixels);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) Fail("usage: fontgen RECIPE TTF_DIR OUT_DIR");
  const std::vector<Recipe> recipes = ReadRecipe(argv[1]);
  FT_Library library;
  if (FT_Init_FreeType(&library) != 0) Fail("cannot start FreeType");
  for (const Recipe& r : recipes) MakeFont(library, r, argv[2], argv[3]);
  FT_Done_FreeType(library);
  return 0;
}
