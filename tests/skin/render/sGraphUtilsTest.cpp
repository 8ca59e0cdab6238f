#include <gtest/gtest.h>

#include "platform/base/Errors.h"
#include "skin/render/sGraphUtils.h"
#include "tests/skin/render/PixelTestUtils.h"

namespace {

using namespace pixeltest;
using win::Bitmap;
using win::PixelFormat;

constexpr uint32_t kOpaque = 0xFF000000;

TsGradArray Bands(std::initializer_list<TsGradPie> bands) {
  return TsGradArray(bands);
}

TEST(TacFast32, AttachNeedsTwoByTwo32Bit) {
  TacFast32 fast;
  Bitmap thin(1, 5), grey(4, 4, PixelFormat::Gray8), ok(2, 2);
  EXPECT_FALSE(fast.Attach(nullptr));
  EXPECT_FALSE(fast.Attach(&thin));
  EXPECT_EQ(fast.FWidth, 0);
  EXPECT_FALSE(fast.Attach(&grey));
  ASSERT_TRUE(fast.Attach(&ok));
  EXPECT_EQ(fast.FDelta, ok.Stride());
  fast.SetPixelColor(1, 1, 0x80112233);  // colour 0x00BBGGRR with alpha in the high byte
  EXPECT_EQ(Get(ok, 1, 1), 0x80332211u);
  EXPECT_EQ(fast.GetPixelColor(1, 1), 0x80112233u);
}

TEST(FillRect32, ClipsForcesAlphaAndResolvesSystemColours) {
  Bitmap b = Filled(4, 4, 0x12345678);
  FillRect32(&b, {-3, -3, 2, 2}, 0x00332211);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(Get(b, x, y), (x < 2 && y < 2) ? 0xFF112233u : 0x12345678u) << x << "," << y;
  FillRect32(&b, {3, 3, 9, 9}, clBtnFace);
  EXPECT_EQ(Get(b, 3, 3), ColorToPixel(TColor(win::GetSysColor(win::COLOR_BTNFACE))) | kOpaque);
  Bitmap tiny(1, 1);
  FillRect32(&tiny, {0, 0, 1, 1}, clWhite);  // below 2 x 2: nothing
  EXPECT_EQ(Get(tiny, 0, 0), 0u);
}

TEST(SolidFrame32, FourStrips) {
  Bitmap b(5, 5);
  SolidFrame32(&b, {0, 0, 5, 5}, /*wl*/ 1, clWhite, /*wb*/ 2, /*wr*/ 1, /*wt*/ 1);
  const char* expected[] = {"#####", "#...#", "#...#", "#####", "#####"};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(Get(b, x, y) != 0, expected[y][x] == '#') << x << "," << y;
}

TEST(SolidFill, DrawsThroughTheContextWithResolvedColours) {
  Bitmap b = Filled(6, 6, 0);
  const win::HDC dc = win::CreateDCForSurface(&b, {0, 0}, {win::Rect(0, 0, 6, 6)});
  win::SetViewportOrgEx(dc, 1, 1, nullptr);
  SolidFill(dc, {0, 0, 2, 2}, clBtnShadow);
  EXPECT_EQ(Get(b, 0, 0), 0u);
  EXPECT_EQ(Get(b, 2, 2), ColorToPixel(TColor(win::GetSysColor(win::COLOR_BTNSHADOW))) | kOpaque);
  EXPECT_EQ(Get(b, 3, 3), 0u);
  win::POINT origin;
  win::GetViewportOrgEx(dc, &origin);
  EXPECT_EQ(origin, (win::POINT{1, 1}));

  Bitmap frame(5, 5);
  const win::HDC fdc = win::CreateDCForSurface(&frame, {0, 0}, {win::Rect(0, 0, 5, 5)});
  SolidFrame(fdc, {0, 0, 5, 5}, 1, clWhite, 2, 1, 1);
  const char* expected[] = {"#####", "#...#", "#...#", "#####", "#####"};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(Get(frame, x, y) != 0, expected[y][x] == '#') << x << "," << y;
  win::DeleteDC(dc);
  win::DeleteDC(fdc);
}

TEST(FillRect32, FarOutRectanglesAndWidths) {
  constexpr int kMin = INT32_MIN, kMax = INT32_MAX;
  Bitmap b(4, 4);
  FillRect32(&b, {kMin, kMin, kMax, kMax}, clWhite);
  EXPECT_TRUE(SamePixels(b, Filled(4, 4, 0xFFFFFFFF)));
  // Strip widths that would wrap around a 32-bit edge give strips reaching past the bitmap.
  Bitmap frame(4, 4);
  SolidFrame32(&frame, {0, 0, 4, 4}, kMax, clWhite, kMax, kMax, kMax);
  EXPECT_TRUE(SamePixels(frame, Filled(4, 4, 0xFFFFFFFF)));
  Bitmap none(4, 4);
  SolidFrame32(&none, {kMax - 1, kMax - 1, kMax, kMax}, kMin, clWhite, kMin, kMin, kMin);
  EXPECT_TRUE(SamePixels(none, Bitmap(4, 4)));
  const Bitmap texture = Random(5, 5, 9);
  Bitmap mixed(4, 4);
  PaintGradientTexture(&mixed, {kMin, kMin, kMax, kMax}, Bands({{0, 0, 100, 0, 0}}), 255,
                       {0, 0, 2, 2}, &texture);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Get(mixed, x, y) >> 24, 0xFFu) << x << "," << y;
}

TEST(SetRectAlpha, SkipsOnlyTheWholeKeyValue) {
  Bitmap b = Filled(3, 2, 0x00102030);
  Put(b, 0, 0, kKeyPixel);
  Put(b, 1, 0, 0x01FF00FF);  // magenta with alpha is an ordinary colour
  SetRectAlpha(&b, {-1, -1, 10, 1}, 0x80, true);
  EXPECT_EQ(Get(b, 0, 0), kKeyPixel);
  EXPECT_EQ(Get(b, 1, 0), 0x80FF00FFu);
  EXPECT_EQ(Get(b, 2, 0), 0x80102030u);
  EXPECT_EQ(Get(b, 2, 1), 0x00102030u);
  SetRectAlpha(&b, {0, 0, 1, 1}, 0x40, false);
  EXPECT_EQ(Get(b, 0, 0), 0x40FF00FFu);
}

TEST(ColourArithmetic, BlendColorsRoundsHalfToEven) {
  struct Case {
    TColor c1, c2;
    double f;
    TColor expected;
  } cases[] = {
      {0x0000FF, 0x000000, 0.5, 0x000080},       // 127.5 -> 128
      {0x000001, 0x000000, 0.5, 0x000000},       // 0.5 -> 0
      {0x000003, 0x000000, 0.5, 0x000002},       // 1.5 -> 2
      {0x01FFFFFF, 0x000000, 0.25, 0x01404040},  // 63.75 -> 64, high byte of c1
      {0x102030, 0x302010, 1.0, 0x102030},      {0x102030, 0x302010, 0.0, 0x302010},
  };
  for (const Case& c : cases) EXPECT_EQ(BlendColors(c.c1, c.c2, c.f), c.expected) << c.c1;
  EXPECT_EQ(BlendColors(clBtnFace, clBtnFace, 0.3), TColor(win::GetSysColor(win::COLOR_BTNFACE)));
}

TEST(ColourArithmetic, ChangeSaturation) {
  const TColor c = win::RGB(200, 100, 50);
  EXPECT_EQ(ChangeSaturation(c, 0), c);
  EXPECT_EQ(ChangeSaturation(c, 50), TColor(win::RGB(242, 92, 17)));
  EXPECT_EQ(ChangeSaturation(c, 200), TColor(win::RGB(255, 67, 0)));      // clamped
  EXPECT_EQ(ChangeSaturation(c, -100), TColor(win::RGB(117, 117, 117)));  // washed out
  EXPECT_EQ(ChangeSaturation(c, 2147483647), TColor(win::RGB(255, 0, 0)));
  EXPECT_EQ(ChangeSaturation(0x05000000 | c, 50) >> 24, 0x05);
}

TEST(ColourArithmetic, ShiftHue) {
  struct Case {
    TColor colour;
    int degrees;
    TColor expected;
  } cases[] = {
      {clRed, 120, clLime},
      {clRed, 240, clBlue},
      {clRed, -120, clBlue},  // negative shifts are normalised into 0..359
      {clLime, -480, clRed},
      {win::RGB(200, 100, 50), 60, win::RGB(150, 200, 50)},
      {clFuchsia, 30, win::RGB(255, 0, 128)},      // hue 330, last sector; 127.5 -> 128
      {win::RGB(5, 0, 5), 30, win::RGB(5, 0, 2)},  // 2.5 -> 2
      {clGray, 77, clGray},
      {clBlack, 10, clBlack},
      {0x7F0000FF, 120, 0x7F00FF00},  // high byte kept
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShiftHue(c.colour, c.degrees), c.expected) << c.colour << " " << c.degrees;
  // A fractional hue (20.4 degrees here) would be rounded by a naive full turn.
  const TColor odd = win::RGB(200, 101, 50);
  for (int turn : {0, 360, -360, 720}) EXPECT_EQ(ShiftHue(odd, turn), odd) << turn;
  EXPECT_EQ(ShiftHue(odd, 100), ShiftHue(odd, -260));
}

TEST(BlendRectWithColor, IncludesRightAndBottomAndClamps) {
  Bitmap b = Filled(4, 4, 0x40030303);
  BlendRectWithColor(&b, {1, 1, 2, 2}, 50, clBlack);  // columns and rows 1..2
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
      EXPECT_EQ(Get(b, x, y), inside ? 0x40020202u : 0x40030303u) << x << "," << y;  // 1.5 -> 2
    }
  Bitmap whole = Filled(3, 3, 0xFF000001);
  BlendRectWithColor(&whole, {0, 0, 3, 3}, 50, clBlack);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Get(whole, x, y), 0xFF000000u);  // 0.5 -> 0
  Bitmap tint = Filled(2, 2, 0xFF000000);
  BlendRectWithColor(&tint, {0, 0, 2, 2}, 25, clRed);
  EXPECT_EQ(Get(tint, 1, 1), 0xFFBF0000u);  // 0.75 * 255 = 191.25
}

TEST(BitmapColourOps, GrayAndFade) {
  Bitmap b(3, 2);
  Put(b, 0, 0, 0x80102035);  // (0x10 + 0x20 + 0x35) / 3 = 0x21
  Put(b, 1, 0, kKeyPixel);
  Put(b, 2, 0, 0x01FF00FF);
  Bitmap g = b;
  GrayBitmap(&g);
  EXPECT_EQ(Get(g, 0, 0), 0x80212121u);
  EXPECT_EQ(Get(g, 1, 0), 0x00AAAAAAu);
  g = b;
  GrayBitmapExceptKey(&g, clFuchsia);
  EXPECT_EQ(Get(g, 1, 0), kKeyPixel);
  EXPECT_EQ(Get(g, 2, 0), 0x01AAAAAAu);

  Bitmap f = b;
  FadeBitmapTowards(&f, clWhite, 0.5);
  EXPECT_EQ(Get(f, 0, 0), 0x8088909Au);  // 0x10 -> 135.5 -> 136, 0x20 -> 143.5 -> 144, 0x35 -> 154
  EXPECT_EQ(Get(f, 1, 0), kKeyPixel);
}

TEST(BitmapColourOps, HueAndSaturationMatchThePerColourFunctions) {
  // Many distinct colours, so the memo of results is exercised with collisions.
  const Bitmap src = Random(97, 61, 7, PixelFormat::Bgra32, true);
  Bitmap hue = src, sat = src;
  Put(hue, 3, 0, 0x40777777);
  Put(sat, 3, 0, 0x40777777);
  ShiftBitmapHue(&hue, 137);
  ChangeBitmapSaturation(&sat, -45);
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      uint32_t px = Get(src, x, y);
      if (x == 3 && y == 0) px = 0x40777777;
      const bool skip = px == kKeyPixel || (Ch(px, 0) == Ch(px, 1) && Ch(px, 1) == Ch(px, 2));
      ASSERT_EQ(Get(hue, x, y), skip ? px : ShiftPixelHue(px, 137)) << x << "," << y;
      ASSERT_EQ(Get(sat, x, y), skip ? px : ChangePixelSaturation(px, -45)) << x << "," << y;
    }
  // Pixel order has red in byte 2: a pure red pixel turns green like the colour value does.
  EXPECT_EQ(ShiftPixelHue(0xFFFF0000, 120), 0xFF00FF00u);
  ShiftBitmapHue(nullptr, 10);
}

TEST(ParseGradientData, Words) {
  const TsGradArray two = ParseGradientData(u"16250869;15592939;97;0;0;15592939;15592939;0;0;0");
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].Color1, 16250869);
  EXPECT_EQ(two[0].Color2, 15592939);
  EXPECT_EQ(two[0].Percent, 97);
  EXPECT_EQ(two[1].Percent, 0);
  EXPECT_EQ(ParseGradientData(u"1;2;3;1;0;6;7").size(), 1u);
  EXPECT_EQ(ParseGradientData(u"1;2;3;1;0;6;7")[0].Mode1, 1);
  EXPECT_TRUE(ParseGradientData(u"").empty());
  EXPECT_TRUE(ParseGradientData(u"N/A").empty());
  const TsGradArray clamped = ParseGradientData(u"-5;-1;150;0;9;1;2;-3;0;0");
  EXPECT_EQ(clamped[0].Color1, 0);
  EXPECT_EQ(clamped[0].Color2, 0);
  EXPECT_EQ(clamped[0].Percent, 100);
  EXPECT_EQ(clamped[0].Mode2, 0);  // never read
  EXPECT_EQ(clamped[1].Percent, 0);
  EXPECT_THROW(ParseGradientData(u"1;x;3;0;0"), EConvertError);
}

std::vector<int> RedColumn(const Bitmap& b, int x) {
  std::vector<int> v;
  for (int y = 0; y < b.Height(); ++y) v.push_back(Ch(Get(b, x, y), 2));
  return v;
}

TEST(PaintGradient, VerticalBands) {
  struct Case {
    const char* name;
    TsGradArray gradient;
    std::vector<int> reds;  // red channel per row, -1 = left alone (initial 7)
  } cases[] = {
      // One band over 10 rows: 9 steps of 10.
      {"one band", Bands({{0, 90, 100, 0, 0}}), {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}},
      // Band 0 ends at row 5, which band 1 repaints with its first colour; the percents add up
      // to 50 and the last band still reaches the bottom.
      {"shared row",
       Bands({{0, 50, 50, 0, 0}, {200, 240, 0, 0, 0}}),
       {0, 10, 20, 30, 40, 200, 210, 220, 230, 240}},
      // A band of zero height paints nothing.
      {"empty band", Bands({{77, 77, 0, 0, 0}, {0, 9, 100, 0, 0}}), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      // Accumulators round half to even: 0, 0.5, 1, 1.5, 2 ... over 4 steps.
      {"ties", Bands({{0, 2, 40, 0, 0}, {5, 5, 0, 0, 0}}), {0, 0, 1, 2, 5, 5, 5, 5, 5, 5}},
      // Percents outside 0..100 (bands not made by the parser) count as 0 and 100.
      {"out of range",
       Bands({{9, 9, -50, 0, 0}, {0, 50, 500, 0, 0}, {1, 1, 0, 0, 0}}),
       {0, 6, 11, 17, 22, 28, 33, 39, 44, 50}},
  };
  for (const Case& c : cases) {
    Bitmap b = Filled(3, 10, 0x00070707);
    PaintGradient(&b, {0, 0, 3, 10}, c.gradient);
    EXPECT_EQ(RedColumn(b, 2), c.reds) << c.name;
    EXPECT_EQ(Get(b, 0, 9) >> 24, 0xFFu) << c.name;
  }
}

TEST(PaintGradient, ClipsAndIgnoresOtherModes) {
  Bitmap b = Filled(4, 4, 0x11111111);
  PaintGradient(&b, {-2, 2, 10, 99}, Bands({{0xFF, 0xFF, 100, 0, 0}}));
  EXPECT_EQ(Get(b, 0, 1), 0x11111111u);
  EXPECT_EQ(Get(b, 3, 3), 0xFFFF0000u);
  Bitmap same = Filled(4, 4, 0x11111111);
  PaintGradient(&same, {0, 0, 4, 4}, Bands({{0xFF, 0xFF, 100, 7, 0}}));
  PaintGradient(&same, {0, 0, 4, 4}, {});
  PaintGradient(&same, {2, 2, 2, 4}, Bands({{0xFF, 0xFF, 100, 0, 0}}));
  EXPECT_TRUE(SamePixels(same, Filled(4, 4, 0x11111111)));
}

TEST(PaintGradient, TrianglesBetweenCornersAndCentre) {
  // One band: every vertex repeats its colour, so the rectangle is one plain colour.
  Bitmap plain = Filled(8, 8, 0x11111111);
  PaintGradient(&plain, {1, 2, 7, 9}, Bands({{0x203040, 0, 100, 2, 0}}));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(Get(plain, x, y), (x >= 1 && x < 7 && y >= 2) ? 0xFF403020u : 0x11111111u)
          << x << "," << y;
  // Five bands: top-left, centre, top-right, bottom-right, bottom-left.
  const TsGradArray five = Bands({{0x0000FF, 0, 0, 2, 0},
                                  {0xFFFFFF, 0, 0, 0, 0},
                                  {0x00FF00, 0, 0, 0, 0},
                                  {0xFF0000, 0, 0, 0, 0},
                                  {0x000000, 0, 0, 0, 0}});
  Bitmap b32(21, 21), b24(21, 21, PixelFormat::Bgr24);
  PaintGradient(&b32, {0, 0, 21, 21}, five);
  PaintGradient(&b24, {0, 0, 21, 21}, five);
  auto near = [](uint32_t px, uint32_t expected) {
    for (int c = 0; c < 3; ++c)
      if (std::abs(Ch(px, c) - Ch(expected, c)) > 30) return false;
    return true;
  };
  EXPECT_TRUE(near(Get(b32, 0, 0), 0xFF0000)) << std::hex << Get(b32, 0, 0);      // red
  EXPECT_TRUE(near(Get(b32, 10, 10), 0xFFFFFF)) << std::hex << Get(b32, 10, 10);  // white
  EXPECT_TRUE(near(Get(b32, 20, 0), 0x00FF00)) << std::hex << Get(b32, 20, 0);    // green
  EXPECT_TRUE(near(Get(b32, 20, 20), 0x0000FF)) << std::hex << Get(b32, 20, 20);  // blue
  EXPECT_TRUE(near(Get(b32, 0, 20), 0x000000)) << std::hex << Get(b32, 0, 20);    // black
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) {
      ASSERT_EQ(Get(b32, x, y) >> 24, 0xFFu) << x << "," << y;  // no pixel missed
      for (int c = 0; c < 3; ++c) ASSERT_EQ(b24.Row(y)[3 * x + c], Ch(Get(b32, x, y), c));
    }
}

TEST(PaintGradient, HorizontalBandsOn32And24Bits) {
  // W = 10: band 0 ends at column round(50 * 0.1) = 5, band 1 takes columns 5..9.
  const TsGradArray g = Bands({{0, 50, 50, 1, 0}, {200, 240, 0, 0, 0}});
  const std::vector<int> expected = {0, 10, 20, 30, 40, 200, 210, 220, 230, 240};
  Bitmap b32(10, 3);
  Bitmap b24(10, 3, PixelFormat::Bgr24);
  PaintGradient(&b32, {0, 0, 10, 3}, g);
  PaintGradient(&b24, {0, 0, 10, 3}, g);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(Get(b32, x, y), kOpaque | (uint32_t(expected[x]) << 16)) << x << "," << y;
      EXPECT_EQ(b24.Row(y)[3 * x + 2], expected[x]) << x << "," << y;
      EXPECT_EQ(b24.Row(y)[3 * x], 0) << x << "," << y;
    }
}

TEST(PaintGradientTexture, MixesTheGradientWithTheTile) {
  const Bitmap texture = Random(6, 5, 3);
  struct Case {
    int mode;
    win::RECT rect;
    win::RECT tile;
    int weight;
  } cases[] = {
      {0, {1, 2, 19, 15}, {1, 1, 4, 3}, 100},
      {1, {0, 0, 20, 16}, {2, 0, 5, 4}, 200},
      {0,
       {-3, -2, 9, 7},
       {0, 0, 0, 0},
       255},  // empty tile rectangle: the texture less its last row and column
      {1, {3, 1, 17, 16}, {0, 0, 6, 5}, 0},
  };
  for (const Case& c : cases) {
    const TsGradArray g =
        Bands({{0x102030, 0x405060, 30, c.mode, 0}, {0xA0B0C0, 0x00FF00, 0, 0, 0}});
    Bitmap gradient(20, 16), dst(20, 16);
    PaintGradient(&gradient, c.rect, g);
    PaintGradientTexture(&dst, c.rect, g, c.weight, c.tile, &texture);
    win::RECT tile = c.tile;
    if (tile.right <= tile.left) tile = {0, 0, 5, 4};
    tile.right = std::min<int>(tile.right, 5);
    tile.bottom = std::min<int>(tile.bottom, 4);
    const int tw = tile.right - tile.left, th = tile.bottom - tile.top;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) {
        const bool inside = x >= std::max(c.rect.left, 0) && x < c.rect.right &&
                            y >= std::max(c.rect.top, 0) && y < c.rect.bottom;
        uint32_t expected = 0;
        if (inside) {
          const uint32_t gp = Get(gradient, x, y);
          const uint32_t tp =
              Get(texture, (x - c.rect.left) % tw + tile.left, (y - c.rect.top) % th + tile.top);
          expected = kOpaque;
          for (int ch = 0; ch < 3; ++ch)
            expected |= uint32_t((c.weight * (Ch(tp, ch) - Ch(gp, ch)) + Ch(gp, ch) * 256) >> 8)
                        << (8 * ch);
        }
        ASSERT_EQ(Get(dst, x, y), expected) << "mode " << c.mode << " at " << x << "," << y;
      }
  }
}

TEST(PaintGradientTexture, ZeroSizeTilePaintsNothing) {
  const Bitmap texture = Random(1, 1, 3);  // shortened to nothing
  Bitmap dst = Filled(8, 8, 0x12345678);
  PaintGradientTexture(&dst, {0, 0, 8, 8}, Bands({{0, 0xFF, 100, 0, 0}}), 128, {}, &texture);
  const Bitmap wide = Random(6, 6, 4);
  PaintGradientTexture(&dst, {0, 0, 8, 8}, Bands({{0, 0xFF, 100, 0, 0}}), 128, {7, 0, 9, 3}, &wide);
  EXPECT_TRUE(SamePixels(dst, Filled(8, 8, 0x12345678)));
}

TEST(StretchResample, ErrorsAndNoOps) {
  Bitmap one(1, 1), dst = Filled(2, 2, 5);
  try {
    StretchResample(&one, &dst, 4, rfMitchell, 4);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Source bitmap is too small");
  }
  const Bitmap src = Random(4, 4, 1);
  for (auto [w, h] : {std::pair{0, 3}, {3, 0}, {-1, 3}, {3, -1}}) {
    StretchResample(&src, &dst, w, rfMitchell, h);
    EXPECT_TRUE(SamePixels(dst, Filled(2, 2, 5))) << w << "x" << h;
  }
  StretchResample(&src, &dst, 4, rfTriangle, 4);
  EXPECT_TRUE(SamePixels(dst, src));
}

TEST(StretchResample, HandVectors) {
  auto row = [](std::initializer_list<int> v) {
    Bitmap b(int(v.size()), 2, PixelFormat::Bgr24);
    int x = 0;
    for (int g : v) {
      for (int y = 0; y < 2; ++y) b.Row(y)[3 * x + 1] = uint8_t(g);
      ++x;
    }
    return b;
  };
  auto greens = [](const Bitmap& b) {
    std::vector<int> v;
    for (int x = 0; x < b.Width(); ++x) v.push_back(b.Row(0)[3 * x + 1]);
    return v;
  };
  Bitmap out;
  // Box, halving: target i averages source 2i - 1 (mirrored at the edge) and 2i.
  const Bitmap four = row({10, 20, 30, 40}), two = row({10, 20});
  StretchResample(&four, &out, 2, rfBox, 2);
  EXPECT_EQ(out.Format(), PixelFormat::Bgr24);
  EXPECT_EQ(greens(out), (std::vector<int>{15, 25}));
  // Triangle, doubling: no half-pixel offset, the last target mirrors back onto the source.
  StretchResample(&two, &out, 4, rfTriangle, 2);
  EXPECT_EQ(greens(out), (std::vector<int>{10, 15, 20, 20}));
}

TEST(StretchResample, ClampsOvershootAndStaysInsideTinySources) {
  // Mitchell rings at a step: the sums go below 0 and above 255 and must clamp, not wrap.
  Bitmap step(8, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 4; x < 8; ++x) Put(step, x, y, 0xFFFFFFFF);
  Bitmap out;
  StretchResample(&step, &out, 16, rfMitchell, 2);
  ASSERT_EQ(out.Format(), PixelFormat::Bgra32);
  for (int x = 1; x < 16; ++x) EXPECT_GE(Ch(Get(out, x, 0), 1), Ch(Get(out, x - 1, 0), 1)) << x;
  for (int x = 0; x < 16; ++x) {  // alpha is resampled like the colours
    const uint32_t px = Get(out, x, 1);
    EXPECT_EQ(px, 0x01010101u * Ch(px, 0)) << x;
  }
  EXPECT_EQ(Ch(Get(out, 0, 0), 1), 0);
  EXPECT_EQ(Ch(Get(out, 15, 0), 1), 255);
  // A 2 x 2 source under the widest filter mirrors past both edges.
  const Bitmap tiny = Filled(2, 2, 0xFF808080);
  for (int filter = rfBox; filter <= rfMitchell; ++filter) {
    StretchResample(&tiny, &out, 9, filter, 7);
    ASSERT_EQ(out.Width(), 9);
    ASSERT_EQ(out.Height(), 7);
    for (int x = 0; x < 9; ++x) EXPECT_NEAR(Ch(Get(out, x, 3), 0), 0x80, 2) << filter << " " << x;
  }
}

}  // namespace
