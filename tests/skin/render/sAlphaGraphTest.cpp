#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "skin/render/sAlphaGraph.h"
#include "tests/skin/render/PixelTestUtils.h"

namespace {

using namespace pixeltest;
using win::Bitmap;
using win::PixelFormat;

constexpr uint32_t kOpaque = 0xFF000000;

// Runs body once per instruction set the processor offers, restoring the level afterwards.
void ForEachSimdLevel(const std::function<void(const std::string&)>& body) {
  const TacSimdLevel saved = SimdLevel();
  for (TacSimdLevel level : {TacSimdLevel::Scalar, TacSimdLevel::Sse2, TacSimdLevel::Avx2}) {
    if (level > BestSimdLevel()) continue;
    SetSimdLevel(level);
    body("simd level " + std::to_string(int(level)));
  }
  SetSimdLevel(saved);
}

// Reference formulas, written straight from the definitions.
uint8_t RefBlendByte(int d, int s, int alpha) {
  return uint8_t((d * alpha + s * (255 - alpha) + 127) >> 8);
}

uint32_t RefDrawAlpha(uint32_t d, uint32_t s) {
  const int a = s >> 24, da = d >> 24;
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c)
    out |= uint32_t(((Ch(s, c) - Ch(d, c)) * a + Ch(d, c) * 256) >> 8) << (8 * c);
  return out | (uint32_t(a > 0 ? da + a * (255 - da) / 255 : da) << 24);
}

TEST(BlendBitmapsRect, MatchesTheFormulaOnRandomPixels) {
  // Odd widths leave tails after every vector width.
  const Bitmap src = Random(53, 7, 1), start = Random(53, 7, 2);
  for (int alpha : {0, 1, 50, 127, 128, 200, 254, 255}) {
    ForEachSimdLevel([&](const std::string& level) {
      Bitmap dst = start;
      TacFastSum32 sum;
      ASSERT_TRUE(sum.Attach(&src, &dst));
      sum.Alpha = uint8_t(alpha);
      sum.DstX1 = 3;
      sum.DstY1 = 1;
      sum.DstX2 = 50;
      sum.DstY2 = 6;  // 47 x 5
      sum.SrcX1 = 1;
      sum.SrcY1 = 2;
      sum.SrcX2 = 48;
      sum.SrcY2 = 7;
      sum.BlendBitmapsRect();
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 53; ++x)
          for (int b = 0; b < 4; ++b) {
            const bool inside = x >= 3 && x < 50 && y >= 1 && y < 6;
            const uint8_t d = start.Row(y)[4 * x + b];
            const uint8_t expected =
                inside ? RefBlendByte(d, src.Row(y + 1)[4 * (x - 2) + b], alpha) : d;
            ASSERT_EQ(dst.Row(y)[4 * x + b], expected)
                << level << " alpha " << alpha << " at " << x << "," << y;
          }
    });
  }
}

TEST(BlendBitmapsRect, EveryByteAndWeight) {
  // All 65536 pairs of destination and source bytes, for every weight.
  Bitmap src(128, 128), start(128, 128);
  for (int i = 0; i < 65536; ++i) {
    start.Row(i / 512)[i % 512] = uint8_t(i);
    src.Row(i / 512)[i % 512] = uint8_t(i >> 8);
  }
  for (int alpha = 0; alpha < 256; ++alpha) {
    Bitmap expected(128, 128);
    for (int i = 0; i < 65536; ++i)
      expected.Row(i / 512)[i % 512] = RefBlendByte(i & 255, i >> 8, alpha);
    ForEachSimdLevel([&](const std::string& level) {
      Bitmap dst = start;
      BlendBitmapsWhole(&dst, &src, uint8_t(alpha));
      ASSERT_TRUE(SamePixels(dst, expected)) << level << " alpha " << alpha;
    });
  }
}

TEST(BlendBitmapsRect, WeightsAddUpTo255) {
  // Alpha 255 keeps the destination as (255d + 127) >> 8: d - 1 from d = 128 up.
  Bitmap dst(64, 2), src = Filled(64, 2, 0xFFFFFFFF);
  for (int i = 0; i < 256; ++i) dst.Row(i / 128)[i % 128] = uint8_t(i);
  BlendBitmapsWhole(&dst, &src, 255);
  for (int d : {0, 1, 127, 128, 129, 255})
    EXPECT_EQ(dst.Row(d / 128)[d % 128], d >= 128 ? d - 1 : d) << d;
  // Alpha 0 takes the source the same way.
  Bitmap zero = Filled(4, 4, 0xFF80807F);
  const Bitmap white = Filled(4, 4, 0xFFFFFFFF);
  BlendBitmapsWhole(&zero, &white, 0);
  EXPECT_EQ(Get(zero, 2, 2), 0xFEFEFEFEu);
}

TEST(BlendBitmapsRect, SkipsWhatLiesOutsideAndSizesThatDoNotMatch) {
  const Bitmap src = Filled(4, 4, 0);
  Bitmap dst = Filled(4, 4, 0x64646464);
  TacFastSum32 sum;
  ASSERT_TRUE(sum.Attach(&src, &dst));
  sum.DstX1 = -2;
  sum.DstY1 = 2;
  sum.DstX2 = 9;
  sum.DstY2 = 9;
  sum.SrcX1 = -2;
  sum.SrcY1 = 2;
  sum.SrcX2 = 9;
  sum.SrcY2 = 9;
  sum.BlendBitmapsRect();  // alpha 0: the source replaces the clipped part
  for (int y = 0; y < 4; ++y) EXPECT_EQ(Get(dst, 1, y), y >= 2 ? 0u : 0x64646464u) << y;
  Bitmap small = Filled(3, 3, 0x64646464), thin(1, 4);
  BlendBitmapsWhole(&small, &src, 0);
  EXPECT_EQ(Get(small, 0, 0), 0x64646464u);
  EXPECT_FALSE(sum.Attach(&thin, &dst));
}

TEST(BlendBitmapsRect, OverlappingInPlaceFollowsTheRowOrder) {
  // Source one row below and one pixel right of the destination, in the same bitmap; the
  // destination rows are walked bottom-up and each row's bytes right to left.
  const Bitmap start = Random(9, 6, 5);
  Bitmap expected = start;
  for (int y = 4; y >= 0; --y)
    for (int i = 4 * 8 - 1; i >= 0; --i)
      expected.Row(y)[i] = RefBlendByte(expected.Row(y)[i], expected.Row(y + 1)[i + 4], 90);
  ForEachSimdLevel([&](const std::string& level) {
    Bitmap b = start;
    TacFastSum32 sum;
    ASSERT_TRUE(sum.Attach(&b, &b));
    sum.Alpha = 90;
    sum.DstX2 = 8;
    sum.DstY2 = 5;
    sum.SrcX1 = 1;
    sum.SrcY1 = 1;
    sum.SrcX2 = 9;
    sum.SrcY2 = 6;
    sum.BlendBitmapsRect();
    EXPECT_TRUE(SamePixels(b, expected)) << level;
  });
}

TEST(BlendBitmapsRect, BottomUpScanLines) {
  // A bottom-up bitmap has a negative scan-line distance; the result is the same picture.
  const Bitmap src = Random(19, 6, 31), start = Random(19, 6, 32);
  Bitmap flippedSrc(19, 6, PixelFormat::Bgra32, win::RowOrder::BottomUp);
  Bitmap flippedDst(19, 6, PixelFormat::Bgra32, win::RowOrder::BottomUp);
  for (int y = 0; y < 6; ++y) {
    std::memcpy(flippedSrc.Row(y), src.Row(y), 19 * 4);
    std::memcpy(flippedDst.Row(y), start.Row(y), 19 * 4);
  }
  TacFastSum32 sum;
  ASSERT_TRUE(sum.Attach(&flippedSrc, &flippedDst));
  EXPECT_EQ(sum.FDeltaSrc, -flippedSrc.Stride());
  Bitmap dst = start;
  BlendBitmapAt(&dst, &src, 77, {2, 1}, {1, 0, 15, 4});
  BlendBitmapAt(&flippedDst, &flippedSrc, 77, {2, 1}, {1, 0, 15, 4});
  for (int y = 0; y < 6; ++y) EXPECT_EQ(std::memcmp(dst.Row(y), flippedDst.Row(y), 19 * 4), 0) << y;
}

// Points and rectangles near the ends of the integer range: nothing wraps around into the
// bitmaps, so operations aimed entirely outside leave the destination as it was.
TEST(Blends, FarOutRectanglesTouchNothing) {
  constexpr int kMin = INT32_MIN, kMax = INT32_MAX;
  const Bitmap src = Random(6, 6, 51, PixelFormat::Bgra32, true), start = Random(5, 5, 52);
  TCacheInfo ready;
  ready.Ready = true;
  ready.Bmp = const_cast<Bitmap*>(&src);
  ready.X = kMax;
  const std::vector<std::pair<const char*, std::function<void(Bitmap&)>>> cases = {
      {"BlendBitmapAt far right",
       [&](Bitmap& d) {
         BlendBitmapAt(&d, &src, 9, {kMax, 0}, {0, 0, 6, 6});
       }},
      {"BlendBitmapAt far left",
       [&](Bitmap& d) {
         BlendBitmapAt(&d, &src, 9, {kMin, kMin}, {0, 0, kMax, kMax});
       }},
      {"BlendBitmapAt source far left",
       [&](Bitmap& d) {
         BlendBitmapAt(&d, &src, 9, {kMax - 1, 0}, {kMin, 0, 3, 3});
       }},
      {"TacFastSum32",
       [&](Bitmap& d) {
         TacFastSum32 sum;
         sum.Attach(&src, &d);
         sum.DstX1 = kMin;
         sum.DstX2 = kMin + 3;
         sum.DstY2 = 3;
         sum.SrcX1 = kMax - 3;
         sum.SrcX2 = kMax;
         sum.SrcY2 = 3;
         sum.BlendBitmapsRect();
       }},
      {"BlendOverKey",
       [&](Bitmap& d) {
         BlendOverKey(&d, kMax, kMax, clFuchsia, 0.5, {kMin, kMin, 3, 3}, &src);
       }},
      {"CopyExceptKey", [&](Bitmap& d) { CopyExceptKey(&d, &src, kMax, clFuchsia, kMin); }},
      {"CopyRectExceptKey",
       [&](Bitmap& d) {
         CopyRectExceptKey(&d, &src, kMax - 2, 0, clFuchsia, {kMin, 0, 5, 5});
       }},
      {"CopyWithParentBg",
       [&](Bitmap& d) {
         CopyWithParentBg(&d, &src, kMin, true, ready, clFuchsia, {0, 0, 5, 5}, 0);
       }},
      {"CopyThroughKeyMask",
       [&](Bitmap& d) {
         CopyThroughKeyMask(&d, &src, {kMin, 0, kMin + 5, 5}, &src, {kMax, 0}, {0, 0});
       }},
      {"CopyMaskedRect",
       [&](Bitmap& d) {
         CopyMaskedRect({kMin, 0, kMax, 5}, {0, 0, 5, 3}, &d, {kMin, 0, kMax, kMax}, true, ready,
                        &src);
       }},
      {"DrawMaskedImage",
       [&](Bitmap& d) {
         DrawMaskedImage(&d, {kMax, 0}, {kMin, 0, kMax, 3}, &src, {0, kMin, 6, kMax}, kMax, 1);
       }},
      {"DrawAlpha32",
       [&](Bitmap& d) {
         DrawAlpha32({kMin, kMin, kMax, kMax}, {0, 0, 6, 6}, &d, false, TCacheInfo{}, &src);
       }},
      {"DrawAlphaGlyph",
       [&](Bitmap& d) {
         DrawAlphaGlyph({kMax - 1, 0, kMax, 5}, {0, 0, 6, 6}, &d, true, 0, clNoGrey, true, ready,
                        &src);
       }},
  };
  for (const auto& [name, run] : cases) {
    Bitmap dst = start;
    run(dst);
    EXPECT_TRUE(SamePixels(dst, start)) << name;
  }
  // A parent far away: key pixels find no parent pixel and stay as they were.
  Bitmap dst = start;
  CopyWithParentBg(&dst, &src, 0, true, ready, clFuchsia, {0, 0, 4, 4}, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const uint32_t s = Get(src, x, y);
      EXPECT_EQ(Get(dst, x, y), s == kKeyPixel ? Get(start, x, y) : (s | kOpaque)) << x << "," << y;
    }
}

TEST(BlendBitmapAt, ClipsBothSidesTogether) {
  Bitmap src(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) Put(src, x, y, 0xFF000000 | uint32_t(16 * y + x) << 16);
  struct Case {
    win::POINT point;
    win::RECT srcRect;
    int dx, dy, sx, sy, w, h;  // expected area; w = 0: nothing
  } cases[] = {
      {{-1, -1}, {0, 0, 4, 4}, 0, 0, 1, 1, 3, 3},  // negative point shifts the source
      {{0, 0}, {-2, 0, 3, 2}, 2, 0, 0, 0, 2, 2},   // negative source edge shifts the point
      {{1, 2}, {0, 0, 9, 9}, 1, 2, 0, 0, 3, 2},    // cut to the source, then to the destination
      {{4, 0}, {0, 0, 4, 4}, 0, 0, 0, 0, 0, 0},    // at the right edge
      {{0, 0}, {4, 0, 6, 4}, 0, 0, 0, 0, 0, 0},    // beyond the source
      {{0, 0}, {2, 2, 2, 4}, 0, 0, 0, 0, 0, 0},    // empty
  };
  for (const Case& c : cases) {
    Bitmap dst = Filled(4, 4, 0x11111111);
    BlendBitmapAt(&dst, &src, 0, c.point, c.srcRect);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        const bool inside = x >= c.dx && x < c.dx + c.w && y >= c.dy && y < c.dy + c.h;
        uint32_t expected = 0x11111111;
        if (inside) {
          const uint32_t s = Get(src, x - c.dx + c.sx, y - c.dy + c.sy);
          expected = 0;
          for (int b = 0; b < 4; ++b)
            expected |= uint32_t(RefBlendByte(0x11, Ch(s, b), 0)) << (8 * b);
        }
        EXPECT_EQ(Get(dst, x, y), expected)
            << c.point.x << "," << c.point.y << " at " << x << "," << y;
      }
  }
}

TEST(BlendOverKey, FactorIsTheDestinationShare) {
  Bitmap src = Filled(3, 3, 0xFFC86400);  // r 200, g 100, b 0
  Put(src, 1, 0, kKeyPixel);
  Put(src, 2, 0, 0x01FF00FF);             // not the key
  Bitmap dst = Filled(4, 4, 0x40000064);  // b 100
  // Inclusive rectangle from -1: its left column is dropped and the rest moves right by one.
  BlendOverKey(&dst, 0, 0, clFuchsia, 0.25, {-1, 0, 5, 1}, &src);
  EXPECT_EQ(Get(dst, 0, 0), 0x40000064u);  // the dropped column
  EXPECT_EQ(Get(dst, 1, 0), 0x40964B19u);  // 200*.75 = 150, 100*.75 = 75, 100*.25 = 25
  EXPECT_EQ(Get(dst, 2, 0), 0x40000064u);  // key
  EXPECT_EQ(Get(dst, 3, 0), 0x40BF00D8u);  // 191.25 -> 191, 0, 216.25 -> 216
  EXPECT_EQ(Get(dst, 2, 1), 0x40964B19u);  // the bottom row belongs to the rectangle
  EXPECT_EQ(Get(dst, 2, 2), 0x40000064u);
}

TEST(CopyExceptKey, ConvertsTheKeyAndSetsAlpha) {
  Bitmap src24(3, 2, PixelFormat::Bgr24);
  uint8_t* r = src24.Row(0);
  r[0] = 0xFF;
  r[1] = 0x00;
  r[2] = 0xFF;  // the key
  r[3] = 1;
  r[4] = 2;
  r[5] = 3;
  Bitmap dst = Filled(4, 4, 0x12345678);
  CopyExceptKey(&dst, &src24, 0, clFuchsia, 1);
  EXPECT_EQ(Get(dst, 0, 1), 0x12345678u);
  EXPECT_EQ(Get(dst, 1, 1), 0xFF030201u);
  EXPECT_EQ(Get(dst, 2, 2), 0xFF000000u);

  Bitmap src32(2, 1);
  Put(src32, 0, 0, kKeyPixel);
  Put(src32, 1, 0, 0x80FF00FF);  // magenta with alpha is copied
  CopyExceptKey(&dst, &src32, -1, clFuchsia, 3);
  EXPECT_EQ(Get(dst, 0, 3), 0xFFFF00FFu);
  EXPECT_EQ(Get(dst, 1, 3), 0x12345678u);
}

TEST(CopyRectExceptKey, InclusiveAndUnchanged) {
  Bitmap src(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) Put(src, x, y, 0x10000000u * (y + 1) + uint32_t(x));
  Put(src, 0, 1, kKeyPixel);
  Bitmap dst = Filled(4, 4, 7);
  CopyRectExceptKey(&dst, &src, 2, 2, clFuchsia, {0, 0, 1, 1});
  EXPECT_EQ(Get(dst, 2, 2), 0x10000000u);
  EXPECT_EQ(Get(dst, 3, 2), 0x10000001u);
  EXPECT_EQ(Get(dst, 2, 3), 7u);  // key
  EXPECT_EQ(Get(dst, 3, 3), 0x20000001u);
  EXPECT_EQ(Get(dst, 1, 1), 7u);
}

TEST(CopyWithParentBg, ThreeCasesAndOutsideParents) {
  const uint32_t a = 0x11223344, b = 0x00ABCDEF;
  Bitmap src(3, 1);
  Put(src, 0, 0, a);
  Put(src, 1, 0, kKeyPixel);
  Put(src, 2, 0, b);
  Bitmap parent(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) Put(parent, x, y, uint32_t(0x10 * x + y));
  struct Case {
    const char* name;
    bool useParentBg, ready;
    int parentX;
    TColor fill;
    uint32_t expected[3];
  } cases[] = {
      {"parent pixel", true, true, 0, clFuchsia, {a | kOpaque, 0xFF000021, b | kOpaque}},
      // The key's parent position lies right of (or left of) the parent: only that pixel stays,
      // the rest of the row is still copied.
      {"beyond the right edge", true, true, 2, clFuchsia, {a | kOpaque, 99, b | kOpaque}},
      {"left of the parent", true, true, -3, clFuchsia, {a | kOpaque, 99, b | kOpaque}},
      {"ready, no parent", false, true, 0, clFuchsia, {a, 99, b}},
      {"fill colour", true, false, 0, clRed, {a, 0xFFFF0000, b}},
      {"no fill colour", true, false, 0, clFuchsia, {a, 99, b}},
  };
  for (const Case& c : cases) {
    Bitmap dst = Filled(4, 4, 99);
    TCacheInfo ci;
    ci.Ready = c.ready;
    ci.Bmp = &parent;
    ci.X = c.parentX;
    ci.FillColor = c.fill;
    CopyWithParentBg(&dst, &src, 1, c.useParentBg, ci, clFuchsia, {0, 0, 2, 0}, 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Get(dst, 1 + i, 1), c.expected[i]) << c.name << " " << i;
    EXPECT_EQ(Get(dst, 0, 1), 99u) << c.name;
  }
  // The parent is the destination itself: key pixels keep what is there.
  Bitmap self = Filled(4, 4, 99);
  TCacheInfo ci;
  ci.Ready = true;
  ci.Bmp = &self;
  CopyWithParentBg(&self, &src, 0, true, ci, clFuchsia, {0, 0, 2, 0}, 0);
  EXPECT_EQ(Get(self, 1, 0), 99u);
  EXPECT_EQ(Get(self, 2, 0), b | kOpaque);
}

TEST(CopyThroughKeyMask, CopiesWhereTheSelectorIsMagenta) {
  const Bitmap src = Random(5, 5, 21);
  // Selector: the destination itself; magenta with any alpha selects.
  Bitmap dst = Filled(4, 4, 0x11111111);
  Put(dst, 1, 1, 0x00FF00FF);
  Put(dst, 2, 1, 0x80FF00FF);
  Put(dst, 3, 1, 0x00FF00FE);
  CopyThroughKeyMask(&dst, &src, {1, 1, 4, 4}, nullptr, {}, {2, 3});
  EXPECT_EQ(Get(dst, 1, 1), Get(src, 2, 3));
  EXPECT_EQ(Get(dst, 2, 1), Get(src, 3, 3));
  EXPECT_EQ(Get(dst, 3, 1), 0x00FF00FEu);
  // A corner piece of another bitmap as selector, partly left of the destination.
  Bitmap piece = Filled(6, 6, 0xFFFF00FF);
  Bitmap out = Filled(4, 4, 7);
  CopyThroughKeyMask(&out, &src, {-1, 0, 2, 2}, &piece, {3, 4}, {0, 0});
  EXPECT_EQ(Get(out, 0, 0), Get(src, 1, 0));
  EXPECT_EQ(Get(out, 0, 1), Get(src, 1, 1));
  EXPECT_EQ(Get(out, 1, 1), Get(src, 2, 1));
  EXPECT_EQ(Get(out, 2, 0), 7u);
  EXPECT_EQ(KeyMaskCornerOrigin(17, {10, 20, 40, 60}, 30, 20, 4, 5), (win::POINT{36, 35}));
  EXPECT_EQ(KeyMaskCornerOrigin(14, {10, 20, 40, 60}, 30, 20, 4, 5), (win::POINT{36, 20}));
  EXPECT_EQ(KeyMaskCornerOrigin(16, {10, 20, 40, 60}, 30, 20, 4, 5), (win::POINT{10, 35}));
  EXPECT_EQ(KeyMaskCornerOrigin(99, {10, 20, 40, 60}, 30, 20, 4, 5), (win::POINT{10, 20}));
}

TEST(CopyMaskedRect, MaskBlendAndKeyPixels) {
  // Picture in row 0, its mask one row lower (half of the image rectangle's height).
  Bitmap src(2, 2);
  Put(src, 0, 0, 0x00C86432);  // r 200, g 100, b 50
  Put(src, 0, 1, 0x00804000);  // mask r 128, g 64, b 0
  Put(src, 1, 0, kKeyPixel);
  Put(src, 1, 1, 0x00FFFFFF);
  Bitmap parent = Filled(4, 4, 0x00445566);
  struct Case {
    const char* name;
    bool useParentBg, ready;
    uint32_t blended, key;
  } cases[] = {
      {"parent", true, true, 0xFF695032, 0xFF445566},
      {"ready without parent", false, true, 0x7F695032, 0x7F0A131E},  // keys are blended too
      {"fill colour", true, false, 0x7F695032, 0x00332211},
      {"nothing", false, false, 0x7F695032, 0x7F0A141E},
  };
  for (const Case& c : cases) {
    Bitmap dst = Filled(3, 2, 0x7F0A141E);  // r 10, g 20, b 30
    TCacheInfo ci;
    ci.Ready = c.ready;
    ci.Bmp = &parent;
    ci.FillColor = 0x00112233;
    CopyMaskedRect({1, 0, 3, 1}, {0, 0, 2, 1}, &dst, {0, 0, 2, 2}, c.useParentBg, ci, &src);
    EXPECT_EQ(Get(dst, 1, 0), c.blended) << c.name;
    EXPECT_EQ(Get(dst, 2, 0), c.key) << c.name;
    EXPECT_EQ(Get(dst, 0, 0), 0x7F0A141Eu) << c.name;
    EXPECT_EQ(Get(dst, 1, 1), 0x7F0A141Eu) << c.name;
  }
}

TEST(DrawMaskedImage, ModesAndAlpha) {
  Bitmap src(3, 2);
  Put(src, 0, 0, 0x00C86432);
  Put(src, 0, 1, 0x00804000);  // m = 128
  Put(src, 1, 0, 0x00010203);
  Put(src, 1, 1, 0x00FF0000);  // red mask 255: not drawn
  Put(src, 2, 0, kKeyPixel);
  struct Case {
    int mode;
    uint32_t expected;
  } cases[] = {
      {1, 0xBE695032},  // alpha 127 + 127 * 128 / 255 = 190
      {2, 0xBE1E302A},  // the paler look: mask channels + 100
  };
  for (const Case& c : cases) {
    Bitmap dst = Filled(4, 2, 0x7F0A141E);
    DrawMaskedImage(&dst, {1, 1}, {0, 0, 3, 1}, &src, {0, 0, 3, 2}, 1, c.mode);
    EXPECT_EQ(Get(dst, 1, 1), c.expected) << c.mode;
    EXPECT_EQ(Get(dst, 2, 1), 0x7F0A141Eu) << c.mode;
    EXPECT_EQ(Get(dst, 3, 1), 0x7F0A141Eu) << c.mode;
    EXPECT_EQ(Get(dst, 1, 0), 0x7F0A141Eu) << c.mode;
  }
  Bitmap dst = Filled(4, 2, 5);
  DrawMaskedImage(&dst, {-1, 0}, {0, 0, 3, 1}, &src, {0, 0, 3, 2}, 0, 1);  // no mask: a key copy
  EXPECT_EQ(Get(dst, 0, 0), 0x00010203u);
  EXPECT_EQ(Get(dst, 1, 0), 5u);
}

TEST(DrawAlpha32, MatchesTheFormulaOnRandomPixels) {
  const Bitmap src = Random(45, 9, 11, PixelFormat::Bgra32, true), start = Random(40, 12, 12);
  const Bitmap parent = Random(60, 30, 13);
  struct Case {
    bool ready, useParentBg;
  } cases[] = {{false, false}, {true, false}, {true, true}};
  for (const Case& c : cases) {
    TCacheInfo ci;
    ci.Ready = c.ready;
    ci.Bmp = const_cast<Bitmap*>(&parent);
    ci.X = 5;
    ci.Y = 7;
    // Clipped on the left and at the bottom: destination (-2, 5) .. and source (1, 0) ..
    const win::RECT dstRect{-2, 5, 41, 14}, srcRect{1, 0, 44, 9};
    Bitmap expected = start;
    for (int y = 5; y < 12; ++y)
      for (int x = 0; x < 40; ++x) {
        const uint32_t s = Get(src, x + 3, y - 5);
        if (c.ready && s == kKeyPixel) {
          if (c.useParentBg) Put(expected, x, y, Get(parent, x + 5, y + 7) | kOpaque);
          continue;
        }
        Put(expected, x, y, RefDrawAlpha(Get(start, x, y), s));
      }
    ForEachSimdLevel([&](const std::string& level) {
      Bitmap dst = start;
      DrawAlpha32(dstRect, srcRect, &dst, c.useParentBg, ci, &src);
      EXPECT_TRUE(SamePixels(dst, expected))
          << level << " ready " << c.ready << " parent " << c.useParentBg;
    });
  }
}

// Random pictures (with key pixels) through the other blends, against the formulas written out
// per pixel; each destination rectangle hangs over an edge.
TEST(Blends, RandomPixelsMatchTheFormulas) {
  const Bitmap src = Random(23, 26, 41, PixelFormat::Bgra32, true);
  const Bitmap start = Random(20, 15, 42);
  auto check = [&](const char* name, const Bitmap& got, auto expectedAt) {
    for (int y = 0; y < start.Height(); ++y)
      for (int x = 0; x < start.Width(); ++x)
        ASSERT_EQ(Get(got, x, y), expectedAt(x, y)) << name << " at " << x << "," << y;
  };
  auto mix = [](uint32_t d, uint32_t s, auto channel, uint32_t alpha) {
    uint32_t out = alpha << 24;
    for (int c = 0; c < 3; ++c) out |= uint32_t(channel(Ch(d, c), Ch(s, c), c)) << (8 * c);
    return out;
  };
  {  // BlendOverKey: source (2..22, 1..13) inclusive at (-3, 4).
    Bitmap dst = start;
    BlendOverKey(&dst, -3, 4, clFuchsia, 0.3, {2, 1, 22, 13}, &src);
    check("BlendOverKey", dst, [&](int x, int y) {
      const int sx = x + 3 + 2, sy = y - 4 + 1;
      const uint32_t d = Get(start, x, y);
      if (sx > 22 || sy < 1 || sy > 13) return d;
      const uint32_t s = Get(src, sx, sy);
      if (s == kKeyPixel) return d;
      return mix(
          d, s, [](int dc, int sc, int) { return int(std::lrint(sc - (sc - dc) * 0.3)); }, d >> 24);
    });
  }
  {  // CopyMaskedRect: picture rows 0..12, mask 13 rows lower, without parent information.
    Bitmap dst = start;
    CopyMaskedRect({5, -2, 25, 11}, {1, 0, 21, 13}, &dst, {0, 0, 23, 26}, false, TCacheInfo{},
                   &src);
    check("CopyMaskedRect", dst, [&](int x, int y) {
      const int sx = x - 5 + 1, sy = y + 2;
      const uint32_t d = Get(start, x, y);
      if (x < 5 || sy > 12) return d;
      const uint32_t s = Get(src, sx, sy), m = Get(src, sx, sy + 13);
      if (s == kKeyPixel) return d;
      return mix(
          d, s, [&](int dc, int sc, int c) { return ((dc - sc) * Ch(m, c) + sc * 256) >> 8; },
          d >> 24);
    });
  }
  for (int mode : {1, 2}) {  // DrawMaskedImage: frames 13 rows high, drawn at (-1, 3).
    Bitmap dst = start;
    DrawMaskedImage(&dst, {-1, 3}, {0, 0, 23, 13}, &src, {0, 0, 23, 26}, 1, mode);
    check("DrawMaskedImage", dst, [&](int x, int y) {
      const int sx = x + 1, sy = y - 3;
      const uint32_t d = Get(start, x, y);
      if (sy < 0 || sy > 12 || sx > 22) return d;
      const uint32_t s = Get(src, sx, sy), m = Get(src, sx, sy + 13);
      const int mr = Ch(m, 2), da = d >> 24;
      if (s == kKeyPixel || mr == 255) return d;
      return mix(
          d, s,
          [&](int dc, int sc, int c) {
            const int mc = mode == 1 ? Ch(m, c) : std::min(Ch(m, c) + 100, 255);
            return std::clamp(((dc - sc) * mc + sc * 256) >> 8, 0, 255);
          },
          uint32_t(da + (255 - mr) * (255 - da) / 255));
    });
  }
  for (int blend : {0, 35}) {  // DrawAlphaGlyph with a ready background, keys left alone.
    Bitmap dst = start;
    TCacheInfo ci;
    ci.Ready = true;
    DrawAlphaGlyph({-4, 2, 16, 30}, {3, 1, 23, 26}, &dst, false, blend, clNoGrey, false, ci, &src);
    check("DrawAlphaGlyph", dst, [&](int x, int y) {
      const int sx = x + 4 + 3, sy = y - 2 + 1;
      const uint32_t d = Get(start, x, y);
      if (x >= 16 || sy < 1 || sx > 22) return d;
      const uint32_t s = Get(src, sx, sy);
      if (s == kKeyPixel) return d;
      const int a = s >> 24, weight = blend == 0 ? a : (100 - blend) * a / 100;
      const uint32_t alpha = blend == 0 ? std::max(d >> 24, s >> 24) : d >> 24;
      return mix(
          d, s, [&](int dc, int sc, int) { return ((sc - dc) * weight + dc * 256) >> 8; }, alpha);
    });
  }
}

TEST(DrawAlphaGlyph, WeightsGreyAndAlpha) {
  Bitmap src = Filled(2, 2, 0x80FF0000);  // red at alpha 128
  struct Case {
    const char* name;
    int blend;
    TColor grey;
    bool ready;
    uint32_t expected;
  } cases[] = {
      {"plain", 0, clNoGrey, false, 0x407F007F},
      {"ready keeps the larger alpha", 0, clNoGrey, true, 0x807F007F},
      {"blend 50", 50, clNoGrey, true, 0x403F00BF},
      {"grey", 0, clWhite, true, 0x402A2AAA},  // g = 85
  };
  for (const Case& c : cases) {
    Bitmap dst = Filled(2, 2, 0x400000FF);  // blue
    TCacheInfo ci;
    ci.Ready = c.ready;
    DrawAlphaGlyph({0, 0, 2, 2}, {0, 0, 2, 2}, &dst, false, c.blend, c.grey, false, ci, &src);
    EXPECT_EQ(Get(dst, 1, 1), c.expected) << c.name;
  }
  // Key pixels take the parent with a ready background.
  Put(src, 0, 0, kKeyPixel);
  Bitmap parent = Filled(3, 3, 0x00445566), dst = Filled(2, 2, 0x400000FF);
  TCacheInfo ci;
  ci.Ready = true;
  ci.Bmp = &parent;
  DrawAlphaGlyph({0, 0, 2, 2}, {0, 0, 2, 2}, &dst, false, 0, clNoGrey, true, ci, &src);
  EXPECT_EQ(Get(dst, 0, 0), 0xFF445566u);
}

TEST(DrawAlphaGlyph, ReflectionUsesTheDrawnRectangle) {
  // A strip of frames 20 rows high; the glyph is the first 6 rows. The reflection has
  // 6 div 2 - 1 = 2 rows fading by 255 div 3.
  Bitmap src(2, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 2; ++x) Put(src, x, y, 0xFF000000 | uint32_t(10 * y));
  Bitmap dst = Filled(2, 20, 0xFF000000);
  DrawAlphaGlyph({0, 0, 2, 6}, {0, 0, 2, 6}, &dst, true, 0, clNoGrey, false, TCacheInfo{}, &src);
  EXPECT_EQ(Get(dst, 1, 5), 0xFF000031u);  // 50 * 255 >> 8
  EXPECT_EQ(Get(dst, 1, 6), 0xFF00000Du);  // source row 4: 40 * 85 >> 8
  EXPECT_EQ(Get(dst, 1, 7), 0xFF000006u);  // source row 3: 30 * (85 * 170 / 255) >> 8
  EXPECT_EQ(Get(dst, 1, 8), 0xFF000000u);
}

TEST(PaintDisabledLook, GreyAndBlend) {
  const Bitmap start = Filled(2, 2, 0x40000000);
  struct Case {
    int kind;
    TColor fill, parentColour;
    uint32_t expected;
  } cases[] = {
      {dkBlended, clWhite, clBlack, 0x40808080},   // 127.5 -> 128
      {dkBlended, clFuchsia, clBlue, 0x40000080},  // no fill colour: the parent control's colour
      {0, clWhite, clBlack, 0x40000000},
  };
  for (const Case& c : cases) {
    Bitmap b = start;
    TCacheInfo ci;
    ci.FillColor = c.fill;
    PaintDisabledLook(&b, c.kind, c.parentColour, {0, 0}, ci);
    EXPECT_EQ(Get(b, 1, 1), c.expected) << c.kind << " " << c.fill;
  }
  Bitmap grey = Filled(2, 2, 0x40302010);
  PaintDisabledLook(&grey, dkGrayed, clBlack, {0, 0}, TCacheInfo{});
  EXPECT_EQ(Get(grey, 0, 0), 0x40202020u);

  // With a parent bitmap the control keeps 40 % and the parent shows with 60 %.
  Bitmap parent = Filled(6, 6, 0xFF646464);
  Put(parent, 3, 1, 0xFFC8C8C8);
  Bitmap b = Filled(2, 2, 0xFF000000);
  TCacheInfo ci;
  ci.Ready = true;
  ci.Bmp = &parent;
  ci.X = 2;
  PaintDisabledLook(&b, dkBlended, clBlack, {1, 1}, ci);
  EXPECT_EQ(Get(b, 0, 0), 0xFF787878u);  // 200 * 0.6
  EXPECT_EQ(Get(b, 1, 1), 0xFF3C3C3Cu);  // 100 * 0.6
}

Bitmap RefBlur(const Bitmap& in, int radius) {
  const std::vector<uint32_t> w = BlurKernel8(radius);
  const int j = int(w.size() / 2);
  Bitmap rows = in, out = in;
  for (int y = 0; y < in.Height(); ++y)
    for (int x = 0; x < in.Width(); ++x) {
      uint32_t sum = 0;
      for (int k = -j; k <= j; ++k)
        sum += w[k + j] * in.Row(y)[std::clamp(x + k, 0, in.Width() - 1)];
      rows.Row(y)[x] = uint8_t(sum >> 16);
    }
  for (int y = 0; y < in.Height(); ++y)
    for (int x = 0; x < in.Width(); ++x) {
      uint32_t sum = 0;
      for (int k = -j; k <= j; ++k)
        sum += w[k + j] * rows.Row(std::clamp(y + k, 0, in.Height() - 1))[x];
      out.Row(y)[x] = uint8_t(sum >> 16);
    }
  return out;
}

TEST(BlurMask8, KernelWeightsSumToExactlyOne) {
  EXPECT_TRUE(BlurKernel8(0).empty());
  for (int radius = 1; radius <= 60; ++radius) {
    const std::vector<uint32_t> w = BlurKernel8(radius);
    ASSERT_EQ(w.size() % 2, 1u);
    ASSERT_GE(w.size(), 3u) << radius;
    uint64_t sum = 0;
    for (uint32_t v : w) sum += v;
    EXPECT_EQ(sum, 65536u) << radius;
    for (size_t k = 0; k < w.size(); ++k) EXPECT_EQ(w[k], w[w.size() - 1 - k]) << radius;
    EXPECT_GE(w[w.size() / 2], w[0]) << radius;
  }
  // Wider blurs use more taps (the tails below 1/510 are cut off).
  EXPECT_LT(BlurKernel8(2).size(), BlurKernel8(5).size());
  EXPECT_LE(BlurKernel8(60).size(), 201u);
}

TEST(BlurMask8, KernelShapeFollowsTheGaussian) {
  // Derived independently in double precision: the taps left once the dropped tails reach
  // 1/510, and the outer four weights of each side.
  struct Case {
    int radius;
    size_t taps;
    std::vector<uint32_t> outer;
  } cases[] = {
      {1, 7, {291, 3539, 15862, 26152}}, {2, 13, {145, 575, 1771, 4248}},
      {3, 19, {97, 249, 574, 1181}},     {5, 31, {58, 104, 178, 294}},
      {13, 81, {18, 22, 28, 35}},        {30, 181, {10, 11, 12, 13}},
  };
  for (const Case& c : cases) {
    const std::vector<uint32_t> w = BlurKernel8(c.radius);
    ASSERT_EQ(w.size(), c.taps) << c.radius;
    EXPECT_EQ(std::vector<uint32_t>(w.begin(), w.begin() + 4), c.outer) << c.radius;
  }
}

TEST(BlurMask8, UniformAreasStayUniform) {
  for (int value : {0, 1, 128, 200, 254, 255})
    for (int radius : {1, 2, 3, 5, 8, 13}) {
      Bitmap mask(31, 17, PixelFormat::Gray8);
      for (int y = 0; y < 17; ++y) std::memset(mask.Row(y), value, 31);
      const Bitmap start = mask;
      BlurMask8(&mask, radius);
      ASSERT_TRUE(SamePixels(mask, start)) << value << " r " << radius;
    }
}

TEST(BlurMask8, MatchesTheReferenceAndLeavesOthersAlone) {
  for (auto [w, h, radius] : {std::tuple{37, 23, 3}, {300, 40, 5}, {5, 40, 7}, {70, 3, 1}}) {
    const Bitmap start = Random(w, h, uint32_t(w * h), PixelFormat::Gray8);
    const Bitmap expected = RefBlur(start, radius);
    ForEachSimdLevel([&](const std::string& level) {
      Bitmap mask = start;
      BlurMask8(&mask, radius);
      EXPECT_TRUE(SamePixels(mask, expected)) << level << " " << w << "x" << h << " r " << radius;
    });
  }
  const Bitmap grey = Random(9, 9, 3, PixelFormat::Gray8), colour = Random(9, 9, 4);
  Bitmap g = grey, c = colour;
  BlurMask8(&g, 0);
  BlurMask8(&g, -4);
  BlurMask8(&c, 3);
  EXPECT_TRUE(SamePixels(g, grey));
  EXPECT_TRUE(SamePixels(c, colour));
}

TEST(DrawGlowText, TintsThroughACachedMask) {
  // A cached mask of the right size is used as it is: here one dark pixel, one half-tone pixel
  // and white elsewhere. The working rectangle is rect inflated by glowSize + 4 = 6.
  const win::RECT rect{2, 3, 6, 5};  // 4 x 2 -> mask 16 x 14 at (-4, -3)
  auto cache = std::make_unique<Bitmap>(16, 14, PixelFormat::Gray8);
  std::memset(cache->Bits(), 255, cache->SizeInBytes());
  cache->Row(3)[4] = 0;    // over dst (0, 0)
  cache->Row(4)[5] = 128;  // over dst (1, 1)
  cache->Row(0)[0] = 0;    // outside the destination
  const Bitmap* kept = cache.get();
  Bitmap dst = Filled(8, 8, 0x40C86432);
  DrawGlowText(&dst, nullptr, u"ignored", rect, cache, clWhite, 2, 15, win::DT_CENTER);
  EXPECT_EQ(cache.get(), kept);
  EXPECT_EQ(Get(dst, 0, 0), 0xFFFFFFFFu);
  // c' = 255 + 128 * (c - 255) div 255 (towards zero), A' = 64 + 127 * 191 div 255 = 159.
  EXPECT_EQ(Get(dst, 1, 1), 0x9FE4B299u);
  EXPECT_EQ(Get(dst, 2, 2), 0x40C86432u);
  // Rectangles no bitmap could hold paint nothing and leave the cache alone.
  const Bitmap before = dst;
  DrawGlowText(&dst, nullptr, u"x", {INT32_MIN, 0, INT32_MAX, 5}, cache, clWhite, 2, 0, 0);
  DrawGlowText(&dst, nullptr, u"x", rect, cache, clWhite, INT32_MAX, 0, 0);
  EXPECT_TRUE(SamePixels(dst, before));
  EXPECT_EQ(cache.get(), kept);
}

TEST(DrawGlowText, BuildsABlurredMaskOfTheText) {
  const win::HFONT font =
      win::CreateFontW(-16, 0, 0, 0, win::FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Sans");
  std::unique_ptr<Bitmap> cache;
  Bitmap dst = Filled(80, 40, 0xFF000000);
  const win::RECT rect{10, 10, 70, 30};
  DrawGlowText(&dst, font, u"Glow", rect, cache, clWhite, 3, 0,
               win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE);
  ASSERT_TRUE(cache);
  EXPECT_EQ(cache->Format(), PixelFormat::Gray8);
  EXPECT_EQ(cache->Width(), 60 + 14);
  EXPECT_EQ(cache->Height(), 20 + 14);
  // The mask is dark under the text, white at its border, with soft steps between.
  int darkest = 255, levels = 0;
  std::vector<bool> seen(256);
  for (int y = 0; y < cache->Height(); ++y)
    for (int x = 0; x < cache->Width(); ++x) {
      const uint8_t m = cache->Row(y)[x];
      darkest = std::min<int>(darkest, m);
      if (!seen[m]) ++levels;
      seen[m] = true;
    }
  EXPECT_LT(darkest, 160);
  EXPECT_GT(levels, 20);
  EXPECT_EQ(cache->Row(0)[0], 255);
  // The destination glows under the text's centre and stays black far from it.
  EXPECT_GT(Ch(Get(dst, 40, 20), 1), 60);
  EXPECT_EQ(Get(dst, 1, 1), 0xFF000000u);
  // Another size rebuilds the mask.
  const Bitmap* first = cache.get();
  DrawGlowText(&dst, font, u"Glow", {10, 10, 60, 30}, cache, clWhite, 3, 0, win::DT_CENTER);
  EXPECT_NE(cache.get(), first);
  EXPECT_EQ(cache->Width(), 50 + 14);
  win::DeleteObject(font);
}

}  // namespace
