#include "platform/graphics/ImageCodecs.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

using win::Bgra;
using win::Bitmap;
using win::PixelFormat;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A BMP file assembled field by field, so each test states exactly the layout it checks.
struct BmpSpec {
  int32_t width = 0;
  int32_t height = 0;  // negative: top-down
  int bits = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;
  std::vector<uint32_t> palette;      // 0x00RRGGBB
  std::vector<uint32_t> masks;        // written after a 40-byte header, or inside a larger one
  uint32_t colorsUsed = 0;
  Bytes pixels;                       // already padded rows, in file order
};

Bytes MakeBmp(const BmpSpec& s) {
  const bool core = s.headerSize == 12;
  const size_t paletteBytes = s.palette.size() * (core ? 3 : 4);
  const size_t masksAfter = s.headerSize == 40 ? s.masks.size() * 4 : 0;
  const size_t offset = 14 + s.headerSize + masksAfter + paletteBytes;
  Bytes b(offset + s.pixels.size(), 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, uint32_t(b.size()));
  Put32(b, 10, uint32_t(offset));
  Put32(b, 14, s.headerSize);
  if (core) {
    Put16(b, 18, uint32_t(s.width));
    Put16(b, 20, uint32_t(s.height));
    Put16(b, 22, 1);
    Put16(b, 24, uint32_t(s.bits));
  } else {
    Put32(b, 18, uint32_t(s.width));
    Put32(b, 22, uint32_t(s.height));
    Put16(b, 26, 1);
    Put16(b, 28, uint32_t(s.bits));
    Put32(b, 30, s.compression);
    Put32(b, 34, uint32_t(s.pixels.size()));
    Put32(b, 46, s.colorsUsed);
  }
  size_t pos = 14 + s.headerSize;
  for (size_t i = 0; i < s.masks.size(); ++i) {
    if (s.headerSize == 40) {
      Put32(b, pos, s.masks[i]);
      pos += 4;
    } else {
      Put32(b, 14 + 40 + 4 * i, s.masks[i]);
    }
  }
  for (uint32_t c : s.palette) {
    b[pos++] = uint8_t(c);
    b[pos++] = uint8_t(c >> 8);
    b[pos++] = uint8_t(c >> 16);
    if (!core) b[pos++] = 0;
  }
  std::copy(s.pixels.begin(), s.pixels.end(), b.begin() + offset);
  return b;
}

Bgra Rgb(uint32_t c, uint8_t a = 255) { return Bgra{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), a}; }

std::vector<Bgra> Pixels(const Bitmap& bm) {
  std::vector<Bgra> out;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) out.push_back(bm.Pixel32(x, y));
  return out;
}

Bitmap Decode(const Bytes& b) { return win::DecodeBmp(b.data(), b.size()); }

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF,
                   kBlack = 0x000000;

// Each layout is a 2x2 picture: top row red, green; bottom row blue, white.
struct LayoutCase {
  const char* name;
  BmpSpec spec;
  std::vector<Bgra> expected = {Rgb(kRed), Rgb(kGreen), Rgb(kBlue), Rgb(kWhite)};
};

std::vector<LayoutCase> LayoutCases() {
  const std::vector<uint32_t> pal = {kRed, kGreen, kBlue, kWhite};
  std::vector<LayoutCase> cases;
  // Bottom-up rows come first in the file for the bottom row.
  // Both rows: index 0 then 1.
  cases.push_back({"1-bit", {2, 2, 1, 0, 40, {kRed, kGreen}, {}, 0, {0x40, 0, 0, 0, 0x40, 0, 0, 0}},
                   {Rgb(kRed), Rgb(kGreen), Rgb(kRed), Rgb(kGreen)}});
  cases.push_back({"4-bit", {2, 2, 4, 0, 40, pal, {}, 0, {0x23, 0, 0, 0, 0x01, 0, 0, 0}}});
  cases.push_back({"8-bit", {2, 2, 8, 0, 40, pal, {}, 0, {2, 3, 0, 0, 0, 1, 0, 0}}});
  cases.push_back({"8-bit top-down", {2, -2, 8, 0, 40, pal, {}, 0, {0, 1, 0, 0, 2, 3, 0, 0}}});
  cases.push_back({"8-bit core header", {2, 2, 8, 0, 12, pal, {}, 0, {2, 3, 0, 0, 0, 1, 0, 0}}});
  cases.push_back({"8-bit short palette", {2, 2, 8, 0, 40, pal, {}, 4, {2, 3, 0, 0, 0, 1, 0, 0}}});
  cases.push_back({"24-bit", {2, 2, 24, 0, 40, {}, {}, 0,
                              {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0}}});
  cases.push_back({"24-bit top-down", {2, -2, 24, 0, 40, {}, {}, 0,
                                       {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0}}});
  cases.push_back({"32-bit zero alpha", {2, 2, 32, 0, 40, {}, {}, 0,
                                         {0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0}}});
  // 16-bit 5-6-5 with masks after the header.
  cases.push_back({"16-bit bit fields", {2, 2, 16, 3, 40, {}, {0xF800, 0x07E0, 0x001F}, 0,
                                         {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07}}});
  // 32-bit with masks in a V4 header, channels in an unusual order (R G B X from the low byte).
  cases.push_back({"32-bit bit fields V4", {2, 2, 32, 3, 108, {}, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0,
                                            {0, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0}}});
  // RLE8: each row as two runs of one, end of line between them, then end of picture.
  cases.push_back({"RLE8", {2, 2, 8, 1, 40, pal, {}, 0, {1, 2, 1, 3, 0, 0, 1, 0, 1, 1, 0, 1}}});
  // RLE4: bottom row one run alternating 2,3; top row alternating 0,1.
  cases.push_back({"RLE4", {2, 2, 4, 2, 40, pal, {}, 0, {2, 0x23, 0, 0, 2, 0x01, 0, 1}}});
  return cases;
}

TEST(DecodeBmp, EveryLayoutGivesTheSamePicture) {
  for (const LayoutCase& c : LayoutCases()) {
    SCOPED_TRACE(c.name);
    Bitmap bm = Decode(MakeBmp(c.spec));
    ASSERT_EQ(bm.Format(), PixelFormat::Bgra32);
    ASSERT_EQ(bm.Width(), 2);
    ASSERT_EQ(bm.Height(), 2);
    EXPECT_EQ(Pixels(bm), c.expected);
  }
}

TEST(DecodeBmp, AlphaIsKeptWhenAnyPixelHasIt) {
  BmpSpec s{2, 1, 32, 0, 40, {}, {}, 0, {10, 20, 30, 0, 40, 50, 60, 128}};
  EXPECT_EQ(Pixels(Decode(MakeBmp(s))), (std::vector<Bgra>{{10, 20, 30, 0}, {40, 50, 60, 128}}));
}

TEST(DecodeBmp, WideOneBitRowsUseEveryBitAndPadding) {
  // 10 pixels need two bytes per row, padded to four; alternate rows invert the pattern.
  BmpSpec s{10, 2, 1, 0, 40, {kBlack, kWhite}, {}, 0, {0xAA, 0x80, 0, 0, 0x55, 0x40, 0, 0}};
  Bitmap bm = Decode(MakeBmp(s));
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(bm.Pixel32(x, 0), Rgb(x % 2 ? kWhite : kBlack)) << x;  // file's second row
    EXPECT_EQ(bm.Pixel32(x, 1), Rgb(x % 2 ? kBlack : kWhite)) << x;
  }
}

TEST(DecodeBmp, RleAbsoluteRunsAndSkippedPixels) {
  // 3x2: bottom row an absolute run 0 1 0 (padded to a word), end of line, a delta one to the
  // right, a run of one green, end of picture. Skipped pixels stay transparent.
  BmpSpec s{3, 2, 8, 1, 40, {kRed, kGreen}, {}, 0, {0, 3, 0, 1, 0, 0, 0, 0, 0, 2, 1, 0, 1, 1, 0, 1}};
  EXPECT_EQ(Pixels(Decode(MakeBmp(s))), (std::vector<Bgra>{{0, 0, 0, 0}, Rgb(kGreen), {0, 0, 0, 0},
                                                          Rgb(kRed), Rgb(kGreen), Rgb(kRed)}));
  // The same in RLE4: an absolute run of three nibbles takes two bytes.
  BmpSpec s4{3, 2, 4, 2, 40, {kRed, kGreen}, {}, 0, {0, 3, 0x01, 0x00, 0, 0, 0, 2, 1, 0, 1, 0x11, 0, 1}};
  EXPECT_EQ(Pixels(Decode(MakeBmp(s4))), Pixels(Decode(MakeBmp(s))));
}

TEST(DecodeBmp, MalformedFilesRaiseEInvalidGraphic) {
  const std::vector<uint32_t> pal = {kRed, kGreen};
  struct Bad {
    const char* name;
    BmpSpec spec;
  };
  const std::vector<Bad> bad = {
      {"index past the palette", {2, 1, 8, 0, 40, pal, {}, 2, {0, 5, 0, 0}}},
      {"RLE index past the palette", {2, 1, 8, 1, 40, pal, {}, 2, {2, 7, 0, 1}}},
      {"palette larger than depth", {2, 1, 1, 0, 40, {kRed, kGreen, kBlue}, {}, 3, {0, 0, 0, 0}}},
      // The pixels start right after the header: a palette read there would be pixel bytes.
      {"no room for the palette", {1, 1, 8, 0, 40, {}, {}, 0, Bytes(1028, 0)}},
      {"wider than allowed", {16385, 1, 8, 0, 40, pal, {}, 0, {}}},
      {"taller than allowed", {1, -20000, 8, 0, 40, pal, {}, 0, {}}},
      {"huge and no pixels", {16384, 16384, 32, 0, 40, {}, {}, 0, {}}},
      {"zero width", {0, 1, 24, 0, 40, {}, {}, 0, {0, 0, 0, 0}}},
      {"negative width", {-2, 1, 24, 0, 40, {}, {}, 0, {0, 0, 0, 0}}},
      {"bit depth 7", {1, 1, 7, 0, 40, {}, {}, 0, {0, 0, 0, 0}}},
      {"unknown compression", {1, 1, 24, 9, 40, {}, {}, 0, {0, 0, 0, 0}}},
      {"non-contiguous mask", {1, 1, 16, 3, 40, {}, {0xF00F, 0x07E0, 0x001F}, 0, {0, 0, 0, 0}}},
      {"RLE without end", {2, 1, 8, 1, 40, pal, {}, 0, {2, 1}}},
      {"top-down RLE", {2, -1, 8, 1, 40, pal, {}, 0, {2, 1, 0, 1}}},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.name);
    EXPECT_THROW(Decode(MakeBmp(b.spec)), EInvalidGraphic);
  }
  Bytes offsetPastEnd = MakeBmp({1, 1, 24, 0, 40, {}, {}, 0, {1, 2, 3, 0}});
  Put32(offsetPastEnd, 10, 1000);
  EXPECT_THROW(Decode(offsetPastEnd), EInvalidGraphic);
  EXPECT_THROW(win::DecodeBmp(nullptr, 0), EInvalidGraphic);
}

TEST(DecodeBmp, EveryTruncationIsAnErrorNotACrash) {
  for (const LayoutCase& c : LayoutCases()) {
    SCOPED_TRACE(c.name);
    const Bytes full = MakeBmp(c.spec);
    // The last row may lack its padding; anything shorter than that must fail.
    for (size_t n = 0; n + 4 < full.size(); ++n)
      EXPECT_THROW(win::DecodeBmp(full.data(), n), EInvalidGraphic) << n;
  }
}

// --- PNG ---------------------------------------------------------------------------------

// Writes a PNG with libpng's raw interface so tests can choose any colour type and depth.
struct PngSpec {
  int width, height, colorType, bitDepth;
  bool interlaced = false;
  Bytes rows;  // packed rows as PNG stores them
  std::vector<png_color> palette = {};
  Bytes trnsPalette = {};
  png_color_16 trnsColor = {};
  bool hasTrnsColor = false;
  double gamma = 0;  // written as a gAMA chunk when not zero
};

void AppendBytes(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

Bytes MakePng(const PngSpec& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, AppendBytes, nullptr);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
  if (!s.trnsPalette.empty())
    png_set_tRNS(png, info, s.trnsPalette.data(), int(s.trnsPalette.size()), nullptr);
  if (s.hasTrnsColor) png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16p>(&s.trnsColor));
  if (s.gamma != 0) png_set_gAMA(png, info, s.gamma);
  png_write_info(png, info);
  const size_t rowBytes = s.rows.size() / s.height;
  std::vector<png_bytep> rows;
  for (int y = 0; y < s.height; ++y) rows.push_back(const_cast<png_bytep>(s.rows.data() + y * rowBytes));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(DecodePng, EveryColourTypeExpandsToStraightBgra) {
  struct Case {
    const char* name;
    PngSpec spec;
    std::vector<Bgra> expected;
  };
  const std::vector<Case> cases = {
      {"palette with tRNS", {2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {0, 1}, {{255, 0, 0}, {0, 0, 255}}, {128}},
       {{0, 0, 255, 128}, {255, 0, 0, 255}}},
      {"2-bit palette", {3, 1, PNG_COLOR_TYPE_PALETTE, 2, false, {0x1B}, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}},
       {{3, 2, 1, 255}, {6, 5, 4, 255}, {9, 8, 7, 255}}},
      {"1-bit grey", {3, 1, PNG_COLOR_TYPE_GRAY, 1, false, {0xA0}},
       {{255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}}},
      {"8-bit grey with tRNS", {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {7, 200}, {}, {}, {0, 0, 0, 0, 7}, true},
       {{7, 7, 7, 0}, {200, 200, 200, 255}}},
      {"grey + alpha", {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {90, 60}}, {{90, 90, 90, 60}}},
      {"16-bit RGBA keeps high bytes", {1, 1, PNG_COLOR_TYPE_RGBA, 16, false, {0x12, 0xFF, 0x34, 0x01, 0x56, 0x80, 0x78, 0x00}},
       {{0x56, 0x34, 0x12, 0x78}}},
      {"16-bit grey", {1, 1, PNG_COLOR_TYPE_GRAY, 16, false, {0xAB, 0xCD}}, {{0xAB, 0xAB, 0xAB, 255}}},
      {"RGB", {1, 1, PNG_COLOR_TYPE_RGB, 8, false, {1, 2, 3}}, {{3, 2, 1, 255}}},
      // A gamma chunk changes nothing: the stored values are the pixels.
      {"RGB with gAMA", {1, 1, PNG_COLOR_TYPE_RGB, 8, false, {1, 128, 250}, {}, {}, {}, false, 0.25},
       {{250, 128, 1, 255}}},
      {"16-bit linear RGB", {1, 1, PNG_COLOR_TYPE_RGB, 16, false, {0x40, 0x00, 0x80, 0x00, 0x20, 0x00}, {}, {}, {}, false, 1.0},
       {{0x20, 0x80, 0x40, 255}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = MakePng(c.spec);
    Bitmap bm = win::DecodePng(file.data(), file.size());
    ASSERT_EQ(bm.Width(), c.spec.width);
    EXPECT_EQ(Pixels(bm), c.expected);
  }
}

Bitmap Gradient(int w, int h) {
  Bitmap bm(w, h, PixelFormat::Bgra32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bm.Pixel32(x, y) = Bgra{uint8_t(x * 7), uint8_t(y * 5), uint8_t(x ^ y), uint8_t(x + y)};
  return bm;
}

TEST(DecodePng, InterlacedEqualsPlain) {
  const int w = 13, h = 11;  // not multiples of 8, so every Adam7 pass is partial
  Bytes rows;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rows.insert(rows.end(), {uint8_t(x * 9), uint8_t(y * 9), uint8_t(x * y), uint8_t(255 - x)});
  const Bytes plain = MakePng({w, h, PNG_COLOR_TYPE_RGBA, 8, false, rows});
  const Bytes laced = MakePng({w, h, PNG_COLOR_TYPE_RGBA, 8, true, rows});
  EXPECT_EQ(Pixels(win::DecodePng(laced.data(), laced.size())), Pixels(win::DecodePng(plain.data(), plain.size())));
  EXPECT_EQ(win::DecodePng(plain.data(), plain.size()).Pixel32(2, 3), (Bgra{6, 27, 18, 253}));
}

TEST(EncodePng, RoundTripsEveryFormat) {
  const Bitmap source = Gradient(37, 19);
  for (PixelFormat f : {PixelFormat::Bgra32, PixelFormat::Bgr24, PixelFormat::Gray8}) {
    SCOPED_TRACE(int(f));
    const Bitmap in = source.ConvertedTo(f);
    const Bytes file = win::EncodePng(in);
    EXPECT_EQ(Pixels(win::DecodeImage(file.data(), file.size())), Pixels(in.ConvertedTo(PixelFormat::Bgra32)));
  }
  EXPECT_THROW(win::EncodePng(Bitmap()), EInvalidGraphic);
}

// Rewrites a chunk's CRC after a test changed its contents.
void FixCrc(Bytes& file, size_t chunkStart) {
  const uint32_t length = (uint32_t(file[chunkStart]) << 24) | (file[chunkStart + 1] << 16) |
                          (file[chunkStart + 2] << 8) | file[chunkStart + 3];
  const uint32_t crc = uint32_t(crc32(0, file.data() + chunkStart + 4, length + 4));
  const size_t at = chunkStart + 8 + length;
  for (int i = 0; i < 4; ++i) file[at + i] = uint8_t(crc >> (24 - 8 * i));
}

TEST(DecodePng, MalformedFilesRaiseEInvalidGraphic) {
  const Bytes good = win::EncodePng(Gradient(20, 20));
  for (size_t n : {size_t(0), size_t(7), size_t(8), size_t(20), size_t(33), good.size() / 2, good.size() - 13})
    EXPECT_THROW(win::DecodePng(good.data(), n), EInvalidGraphic) << n;

  Bytes huge = good;  // IHDR starts at byte 8; width at 16, height at 20
  huge[18] = 0x50;    // width 20480
  huge[19] = 0x00;
  FixCrc(huge, 8);
  EXPECT_THROW(win::DecodePng(huge.data(), huge.size()), EInvalidGraphic);

  Bytes badCrc = good;
  badCrc[30] ^= 0xFF;
  EXPECT_THROW(win::DecodePng(badCrc.data(), badCrc.size()), EInvalidGraphic);

  // A palette picture whose index points past its three-entry palette.
  PngSpec pal{2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {0, 9}, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}};
  const Bytes badIndex = MakePng(pal);
  // libpng keeps a full 256-entry palette, so an index past the stored entries reads black
  // rather than memory beyond the palette.
  EXPECT_EQ(win::DecodePng(badIndex.data(), badIndex.size()).Pixel32(1, 0), (Bgra{0, 0, 0, 255}));
}

// --- JPEG --------------------------------------------------------------------------------

Bytes MakeJpeg(int w, int h, int components, J_COLOR_SPACE space, uint8_t c0, uint8_t c1 = 0, uint8_t c2 = 0,
               bool progressive = false, uint8_t c3 = 0) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  Bytes row(size_t(w) * components);
  for (int x = 0; x < w; ++x) {
    const uint8_t v[4] = {c0, c1, c2, c3};
    for (int c = 0; c < components; ++c) row[x * components + c] = v[c];
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(mem, mem + memSize);
  std::free(mem);
  return out;
}

void ExpectNear(const Bgra& p, int b, int g, int r) {
  EXPECT_NEAR(p.b, b, 3);
  EXPECT_NEAR(p.g, g, 3);
  EXPECT_NEAR(p.r, r, 3);
  EXPECT_EQ(p.a, 255);
}

TEST(DecodeJpeg, GreyAndColourGiveOpaqueBgra) {
  const Bytes grey = MakeJpeg(9, 7, 1, JCS_GRAYSCALE, 100);
  Bitmap g = win::DecodeJpeg(grey.data(), grey.size());
  ASSERT_EQ(g.Width(), 9);
  ASSERT_EQ(g.Height(), 7);
  ExpectNear(g.Pixel32(8, 6), 100, 100, 100);

  for (bool progressive : {false, true}) {
    const Bytes colour = MakeJpeg(17, 5, 3, JCS_RGB, 200, 40, 10, progressive);
    Bitmap c = win::DecodeImage(colour.data(), colour.size());
    ASSERT_EQ(c.Width(), 17);
    ExpectNear(c.Pixel32(16, 4), 10, 40, 200);
  }

  // libjpeg marks CMYK files as Adobe's, whose channels are stored inverted (255 = no ink).
  const Bytes cmyk = MakeJpeg(8, 8, 4, JCS_CMYK, 200, 100, 50, false, 255);
  ExpectNear(win::DecodeJpeg(cmyk.data(), cmyk.size()).Pixel32(3, 3), 50, 100, 200);
}

TEST(DecodeJpeg, MalformedFilesRaiseEInvalidGraphic) {
  const Bytes good = MakeJpeg(64, 64, 3, JCS_RGB, 10, 20, 30);
  for (size_t n : {size_t(0), size_t(2), size_t(3), size_t(40), good.size() / 2, good.size() - 3})
    EXPECT_THROW(win::DecodeJpeg(good.data(), n), EInvalidGraphic) << n;

  // The frame header (FFC0) holds height then width after its length and precision.
  Bytes huge = good;
  for (size_t i = 2; i + 9 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 0x50;  // height 20480
      huge[i + 6] = 0x00;
      break;
    }
  }
  EXPECT_THROW(win::DecodeJpeg(huge.data(), huge.size()), EInvalidGraphic);

  Bytes garbage = {0xFF, 0xD8, 0xFF, 0x00, 0x12, 0x34, 0x56};
  EXPECT_THROW(win::DecodeJpeg(garbage.data(), garbage.size()), EInvalidGraphic);
}

TEST(DecodeImage, SniffsTheSignature) {
  const Bytes bmp = MakeBmp({1, 1, 24, 0, 40, {}, {}, 0, {1, 2, 3, 0}});
  EXPECT_EQ(win::DecodeImage(bmp.data(), bmp.size()).Pixel32(0, 0), (Bgra{1, 2, 3, 255}));
  const Bytes text = {'G', 'I', 'F', '8', '9', 'a'};
  EXPECT_THROW(win::DecodeImage(text.data(), text.size()), EInvalidGraphic);
  EXPECT_THROW(win::DecodeImage(nullptr, 0), EInvalidGraphic);
}

}  // namespace

namespace {

// Damaged files of every format either decode or raise EInvalidGraphic; under the sanitizers
// this also shows that no damage makes a decoder read or write out of bounds.
TEST(DecodeImage, CorruptedFilesFailCleanly) {
  std::vector<Bytes> files;
  for (const LayoutCase& c : LayoutCases()) files.push_back(MakeBmp(c.spec));
  files.push_back(win::EncodePng(Gradient(24, 9)));
  files.push_back(MakePng({13, 11, PNG_COLOR_TYPE_PALETTE, 4, true, Bytes(7 * 11, 0x5A),
                           std::vector<png_color>(16, png_color{9, 8, 7}), {0, 40}}));
  files.push_back(MakeJpeg(24, 16, 3, JCS_RGB, 90, 60, 30));
  files.push_back(MakeJpeg(24, 16, 1, JCS_GRAYSCALE, 90, 0, 0, true));
  uint32_t seed = 2024;
  auto random = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  for (const Bytes& original : files) {
    for (int round = 0; round < 150; ++round) {
      Bytes damaged = original;
      for (uint32_t hits = 1 + random(4); hits > 0; --hits) damaged[random(uint32_t(damaged.size()))] = uint8_t(random(256));
      if (random(4) == 0) damaged.resize(random(uint32_t(damaged.size())) + 1);
      try {
        const Bitmap bm = win::DecodeImage(damaged.data(), damaged.size());
        EXPECT_LE(bm.Width(), win::kMaxBitmapSide);
        EXPECT_LE(bm.Height(), win::kMaxBitmapSide);
      } catch (const EInvalidGraphic&) {
      }
    }
  }
}

}  // namespace
