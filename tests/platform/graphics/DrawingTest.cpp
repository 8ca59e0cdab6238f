#include <gtest/gtest.h>

#include "tests/platform/graphics/GdiTestUtil.h"

namespace win {
namespace {

using Picture = std::vector<std::string>;
constexpr Bgra kClear{0, 0, 0, 0};

TEST(Drawing, FillsHonourOriginsClipAndWriteOpaqueAlpha) {
  MemoryDC m(6, 4);
  SetViewportOrgEx(m.dc, 2, 1, nullptr);
  SetWindowOrgEx(m.dc, 1, 0, nullptr);  // logical (1, 0) is device (2, 1)
  ExcludeClipRect(m.dc, 2, 1, 3, 2);    // device (3, 2)
  HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
  const RECT r{1, 0, 10, 2};
  EXPECT_EQ(FillRect(m.dc, &r, brush), 1);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"......", "..####", "..#.##", "......"}));

  // A system colour index + 1 stands for that colour's brush; hollow brushes draw nothing.
  m.Fill(kClear);
  SelectClipRgn(m.dc, nullptr);
  const RECT one{1, 0, 2, 1};
  EXPECT_EQ(FillRect(m.dc, &one, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_HIGHLIGHT + 1))), 1);
  const COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(m.At(2, 1), (Bgra{GetBValue(hl), GetGValue(hl), GetRValue(hl), 255}));
  EXPECT_EQ(FillRect(m.dc, &r, HBRUSH(GetStockObject(NULL_BRUSH))), 1);
  EXPECT_EQ(m.At(3, 1), kClear);
  DeleteObject(brush);
  EXPECT_EQ(FillRect(m.dc, &r, brush), 0);
  EXPECT_EQ(m.At(3, 1), kClear);

  // FrameRect: a one-pixel ring inside the rectangle.
  const RECT frame{-1, -1, 3, 2};  // device 0,0 - 4,3
  FrameRect(m.dc, &frame, HBRUSH(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(m.Picture(kWhite), (Picture{"####..", "#..#..", "####..", "......"}));
}

TEST(Drawing, RegionPainting) {
  MemoryDC m(6, 5);
  m.Fill(kClear);
  // An L shape, in logical coordinates shifted by the window origin.
  const RECT parts[] = {{1, 1, 6, 3}, {1, 3, 3, 6}};
  HRGN l = CreateRegionHandle(Region::FromRects(parts));
  SetWindowOrgEx(m.dc, 1, 1, nullptr);
  EXPECT_EQ(FrameRgn(m.dc, l, HBRUSH(GetStockObject(WHITE_BRUSH)), 1, 1), TRUE);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"#####.", "#.###.", "##....", "##....", "##...."}));
  m.Fill(kClear);
  SelectObject(m.dc, GetStockObject(BLACK_BRUSH));
  EXPECT_EQ(PaintRgn(m.dc, l), TRUE);
  EXPECT_EQ(InvertRgn(m.dc, l), TRUE);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"#####.", "#####.", "##....", "##....", "##...."}));
  DeleteObject(l);
  EXPECT_EQ(PaintRgn(m.dc, l), FALSE);
  EXPECT_EQ(FrameRgn(m.dc, l, HBRUSH(GetStockObject(WHITE_BRUSH)), 1, 1), FALSE);
}

TEST(Drawing, HatchAndPatternBrushes) {
  MemoryDC m(9, 3);
  m.Fill(kClear);
  HBRUSH cross = CreateHatchBrush(HS_CROSS, RGB(255, 255, 255));
  SetBkColor(m.dc, RGB(0, 0, 0));
  SetBrushOrgEx(m.dc, 1, 0, nullptr);  // vertical lines at x = 1 and 9
  const RECT all{0, 0, 9, 3};
  FillRect(m.dc, &all, cross);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"#########", ".#.......", ".#......."}));
  EXPECT_EQ(m.Picture(kBlack), (Picture{".........", "#.#######", "#.#######"}));
  // Transparent background: the gaps stay as they were.
  m.Fill(kClear);
  SetBkMode(m.dc, TRANSPARENT);
  FillRect(m.dc, &all, cross);
  EXPECT_EQ(m.Picture(kClear), (Picture{".........", "#.#######", "#.#######"}));
  DeleteObject(cross);
  EXPECT_EQ(CreateHatchBrush(6, 0), nullptr);

  // A 2x1 pattern tiled from the brush origin; the source bitmap may go at once.
  const uint32_t tile[] = {0x00FFFFFF, 0x00000000};
  HBITMAP bits = CreateBitmap(2, 1, 1, 32, tile);
  HBRUSH pattern = CreatePatternBrush(bits);
  DeleteObject(bits);
  ASSERT_NE(pattern, nullptr);
  SetBrushOrgEx(m.dc, 0, 0, nullptr);
  m.Fill(kClear);
  FillRect(m.dc, &all, pattern);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"#.#.#.#.#", "#.#.#.#.#", "#.#.#.#.#"}));
  // PATINVERT with the same pattern turns every column black.
  SelectObject(m.dc, pattern);
  PatBlt(m.dc, 0, 0, 9, 3, PATINVERT);
  EXPECT_EQ(m.Picture(kBlack), (Picture{"#########", "#########", "#########"}));
  SelectObject(m.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(pattern);
}

TEST(Drawing, DcBrushAndPenTakeTheDcColours) {
  MemoryDC m(3, 3);
  SelectObject(m.dc, GetStockObject(DC_BRUSH));
  SelectObject(m.dc, GetStockObject(DC_PEN));
  EXPECT_EQ(SetDCBrushColor(m.dc, RGB(0, 0, 255)), RGB(255, 255, 255));
  EXPECT_EQ(SetDCPenColor(m.dc, RGB(255, 0, 0)), RGB(0, 0, 0));
  Rectangle(m.dc, 0, 0, 3, 3);
  EXPECT_EQ(m.At(0, 0), (Bgra{0, 0, 255, 255}));
  EXPECT_EQ(m.At(1, 1), (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(GetDCPenColor(m.dc), RGB(255, 0, 0));
  SelectObject(m.dc, GetStockObject(WHITE_BRUSH));
  SelectObject(m.dc, GetStockObject(BLACK_PEN));
}

TEST(Drawing, SetPixelAndGetPixelOutsideTheClip) {
  MemoryDC m(3, 3);
  EXPECT_EQ(SetPixel(m.dc, 1, 1, RGB(10, 20, 30)), RGB(10, 20, 30));
  EXPECT_EQ(m.At(1, 1), (Bgra{30, 20, 10, 255}));
  EXPECT_EQ(GetPixel(m.dc, 1, 1), RGB(10, 20, 30));
  for (POINT p : {POINT{-1, 0}, POINT{3, 0}, POINT{0, 3}, POINT{100000, -100000}}) {
    EXPECT_EQ(SetPixel(m.dc, p.x, p.y, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(m.dc, p.x, p.y), CLR_INVALID);
  }
  IntersectClipRect(m.dc, 0, 0, 1, 1);
  EXPECT_EQ(GetPixel(m.dc, 1, 1), CLR_INVALID);
  EXPECT_EQ(SetPixel(m.dc, 1, 1, 0), CLR_INVALID);
  EXPECT_EQ(m.At(1, 1), (Bgra{30, 20, 10, 255}));
}

TEST(Drawing, BitBltCopiesAllBytesOnlyWhereTheSourceExists) {
  MemoryDC src(3, 2), dst(5, 4);
  src.Fill(Bgra{1, 2, 3, 40});
  dst.Fill(kClear);
  // Source origin (-1, 1) reaches outside the source on the left and at the bottom.
  EXPECT_EQ(BitBlt(dst.dc, 1, 1, 4, 3, src.dc, -1, 1, SRCCOPY), TRUE);
  EXPECT_EQ(dst.Picture(Bgra{1, 2, 3, 40}), (Picture{".....", "..###", ".....", "....."}));
  // Origins on both sides.
  dst.Fill(kClear);
  SetViewportOrgEx(src.dc, -2, 0, nullptr);  // logical (2, 0) is the source's (0, 0)
  SetWindowOrgEx(dst.dc, -1, 0, nullptr);
  src.At(0, 0) = Bgra{9, 9, 9, 9};
  BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 2, 0, SRCCOPY);
  EXPECT_EQ(dst.At(1, 0), (Bgra{9, 9, 9, 9}));
  EXPECT_EQ(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY), FALSE);
}

TEST(Drawing, BitBltOverlappingWithinOneBitmap) {
  // A numbered 6x6 bitmap copied onto itself by every direction, with a simple and with a
  // complex clip; the result must equal a copy made through a second bitmap.
  for (bool complexClip : {false, true})
    for (POINT shift : {POINT{1, 1}, POINT{-1, -1}, POINT{2, 0}, POINT{-2, 0}, POINT{0, 1},
                        POINT{0, -3}, POINT{1, -1}}) {
      MemoryDC m(6, 6), expected(6, 6);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) m.At(x, y) = Bgra{uint8_t(x), uint8_t(y), 7, uint8_t(x * y)};
      BitBlt(expected.dc, 0, 0, 6, 6, m.dc, 0, 0, SRCCOPY);
      MemoryDC copy(6, 6);
      BitBlt(copy.dc, 0, 0, 6, 6, m.dc, 0, 0, SRCCOPY);
      if (complexClip) {
        ExcludeClipRect(m.dc, 2, 2, 3, 3);
        ExcludeClipRect(expected.dc, 2, 2, 3, 3);
      }
      BitBlt(m.dc, 1 + shift.x, 1 + shift.y, 4, 4, m.dc, 1, 1, SRCCOPY);
      BitBlt(expected.dc, 1 + shift.x, 1 + shift.y, 4, 4, copy.dc, 1, 1, SRCCOPY);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
          ASSERT_EQ(m.At(x, y), expected.At(x, y))
              << x << "," << y << " shift " << shift.x << "," << shift.y << " " << complexClip;
    }
}

TEST(Drawing, RasterOperations) {
  // One pixel each: source 0x0F0F0F alpha 7, destination 0x333333 alpha 9, brush 0x550055.
  struct Case {
    DWORD rop;
    Bgra expected;
  } cases[] = {
      {SRCCOPY, {0x0F, 0x0F, 0x0F, 7}},      {SRCPAINT, {0x3F, 0x3F, 0x3F, 255}},
      {SRCAND, {0x03, 0x03, 0x03, 255}},     {SRCINVERT, {0x3C, 0x3C, 0x3C, 255}},
      {NOTSRCCOPY, {0xF0, 0xF0, 0xF0, 255}}, {PATCOPY, {0x55, 0x00, 0x55, 255}},
      {PATINVERT, {0x66, 0x33, 0x66, 255}},  {DSTINVERT, {0xCC, 0xCC, 0xCC, 255}},
      {BLACKNESS, {0, 0, 0, 255}},           {WHITENESS, {255, 255, 255, 255}},
      {MERGECOPY, {0x05, 0x00, 0x05, 255}},
  };
  MemoryDC src(1, 1), dst(1, 1);
  src.At(0, 0) = Bgra{0x0F, 0x0F, 0x0F, 7};
  HBRUSH brush = CreateSolidBrush(RGB(0x55, 0x00, 0x55));
  SelectObject(dst.dc, brush);
  for (const Case& c : cases) {
    dst.At(0, 0) = Bgra{0x33, 0x33, 0x33, 9};
    EXPECT_EQ(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, c.rop), TRUE);
    EXPECT_EQ(dst.At(0, 0), c.expected) << std::hex << c.rop;
  }
  // Without a source, PatBlt does the same and refuses source operations.
  dst.At(0, 0) = Bgra{0x33, 0x33, 0x33, 9};
  EXPECT_EQ(PatBlt(dst.dc, 0, 0, 1, 1, DSTINVERT), TRUE);
  EXPECT_EQ(dst.At(0, 0), (Bgra{0xCC, 0xCC, 0xCC, 255}));
  EXPECT_EQ(PatBlt(dst.dc, 0, 0, 1, 1, SRCCOPY), FALSE);
  // A hollow brush makes pattern operations draw nothing.
  SelectObject(dst.dc, GetStockObject(NULL_BRUSH));
  EXPECT_EQ(PatBlt(dst.dc, 0, 0, 1, 1, PATCOPY), TRUE);
  EXPECT_EQ(dst.At(0, 0), (Bgra{0xCC, 0xCC, 0xCC, 255}));
  DeleteObject(brush);
}

TEST(Drawing, StretchBltSampleMapping) {
  MemoryDC src(2, 1), dst(5, 2);
  src.At(0, 0) = Bgra{10, 0, 0, 255};
  src.At(1, 0) = Bgra{20, 0, 0, 255};
  auto row = [&](int y) {
    std::string s;
    for (int x = 0; x < 5; ++x) s += dst.At(x, y).b == 10 ? 'a' : dst.At(x, y).b == 20 ? 'b' : '.';
    return s;
  };
  // Column i of 5 samples floor((i + 0.5) * 2 / 5).
  EXPECT_EQ(StretchBlt(dst.dc, 0, 0, 5, 2, src.dc, 0, 0, 2, 1, SRCCOPY), TRUE);
  EXPECT_EQ(row(0), "aabbb");
  EXPECT_EQ(row(1), "aabbb");
  // Mirrored: a negative width makes x the rightmost pixel.
  dst.Fill(kClear);
  StretchBlt(dst.dc, 4, 0, -5, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(row(0), "bbbaa");
  // Shrinking 5 -> 2 samples columns 1 and 3.
  MemoryDC wide(5, 1), narrow(2, 1);
  for (int x = 0; x < 5; ++x) wide.At(x, 0) = Bgra{uint8_t(x), 0, 0, 255};
  StretchBlt(narrow.dc, 0, 0, 2, 1, wide.dc, 0, 0, 5, 1, SRCCOPY);
  EXPECT_EQ(narrow.At(0, 0).b, 1);
  EXPECT_EQ(narrow.At(1, 0).b, 3);
  // Samples outside the source leave the destination alone.
  dst.Fill(kClear);
  StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 1, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(row(0), "bb...");
  // Within one bitmap the source is read before anything is written.
  MemoryDC same(4, 1);
  for (int x = 0; x < 4; ++x) same.At(x, 0) = Bgra{uint8_t(x + 1), 0, 0, 255};
  StretchBlt(same.dc, 0, 0, 4, 1, same.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(same.At(1, 0).b, 1);
  EXPECT_EQ(same.At(2, 0).b, 2);
  EXPECT_EQ(same.At(3, 0).b, 2);
  // Other raster operations apply per sample and write alpha 255.
  StretchBlt(same.dc, 0, 0, 4, 1, same.dc, 0, 0, 4, 1, NOTSRCCOPY);
  EXPECT_EQ(same.At(3, 0), (Bgra{253, 255, 255, 255}));
}

TEST(Drawing, TransparentBltSkipsTheKeyColour) {
  MemoryDC src(2, 1), dst(4, 1);
  src.At(0, 0) = Bgra{255, 0, 255, 0};  // the key, magenta
  src.At(1, 0) = Bgra{1, 2, 3, 0};
  dst.Fill(Bgra{9, 9, 9, 9});
  EXPECT_EQ(TransparentBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 2, 1, RGB(255, 0, 255)), TRUE);
  EXPECT_EQ(dst.At(1, 0), (Bgra{9, 9, 9, 9}));
  EXPECT_EQ(dst.At(2, 0), (Bgra{1, 2, 3, 255}));
  EXPECT_EQ(TransparentBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, -2, 1, 0), FALSE);
}

TEST(Drawing, LinesAndPens) {
  MemoryDC m(8, 3);
  m.Fill(kClear);
  MoveToEx(m.dc, 1, 1, nullptr);
  EXPECT_EQ(LineTo(m.dc, 6, 1), TRUE);  // the last point is excluded
  EXPECT_EQ(m.Picture(kBlack), (Picture{"........", ".#####..", "........"}));
  POINT p;
  GetCurrentPositionEx(m.dc, &p);
  EXPECT_EQ(p, (POINT{6, 1}));

  // R2_NOT inverts; twice restores.
  SetROP2(m.dc, R2_NOT);
  const POINT diagonal[] = {{0, 0}, {3, 3}};
  Polyline(m.dc, diagonal, 2);
  EXPECT_EQ(m.At(1, 1), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(m.At(0, 0), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(m.At(2, 2), (Bgra{255, 255, 255, 255}));
  Polyline(m.dc, diagonal, 2);
  EXPECT_EQ(m.At(1, 1), kBlack);
  EXPECT_EQ(m.At(0, 0), kBlack);  // inverted twice; alpha is now 255
  SetROP2(m.dc, R2_COPYPEN);

  // Dots: three on, three off, the pattern running on across the polyline's corner.
  m.Fill(kClear);
  HPEN dot = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
  HGDIOBJ oldPen = SelectObject(m.dc, dot);
  SetBkMode(m.dc, TRANSPARENT);
  const POINT path[] = {{0, 0}, {8, 0}, {8, 3}};
  Polyline(m.dc, path, 3);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"###...##", "........", "........"}));
  SetBkMode(m.dc, OPAQUE);
  SetBkColor(m.dc, RGB(0, 0, 0));
  Polyline(m.dc, path, 3);
  EXPECT_EQ(m.Picture(kBlack), (Picture{"...###..", "........", "........"}));
  SelectObject(m.dc, GetStockObject(NULL_PEN));
  m.Fill(kClear);
  Polyline(m.dc, path, 3);
  EXPECT_EQ(m.Picture(kClear), (Picture{"########", "########", "########"}));
  SelectObject(m.dc, oldPen);
  DeleteObject(dot);
}

TEST(Drawing, WidePensSweepASquare) {
  MemoryDC m(8, 5);
  m.Fill(kClear);
  HPEN wide = CreatePen(PS_SOLID, 3, RGB(255, 255, 255));
  SelectObject(m.dc, wide);
  MoveToEx(m.dc, 1, 2, nullptr);
  LineTo(m.dc, 6, 2);  // squares centred on x = 1..5
  EXPECT_EQ(m.Picture(kWhite),
            (Picture{"........", "#######.", "#######.", "#######.", "........"}));
  // Each pixel of a stroke is drawn once, so an inverting wide line has no holes.
  m.Fill(kBlack);
  SetROP2(m.dc, R2_NOT);
  MoveToEx(m.dc, 1, 1, nullptr);
  LineTo(m.dc, 6, 4);
  EXPECT_EQ(m.At(3, 2), kWhite);
  EXPECT_EQ(m.At(4, 3), kWhite);
  EXPECT_EQ(m.At(7, 0), kBlack);
  SetROP2(m.dc, R2_COPYPEN);
  SelectObject(m.dc, GetStockObject(BLACK_PEN));
  DeleteObject(wide);
}

TEST(Drawing, RectangleOutlineAndFill) {
  MemoryDC m(6, 5);
  m.Fill(kClear);
  HBRUSH white = HBRUSH(GetStockObject(WHITE_BRUSH));
  SelectObject(m.dc, white);
  Rectangle(m.dc, 0, 0, 5, 4);
  EXPECT_EQ(m.Picture(kBlack), (Picture{"#####.", "#...#.", "#...#.", "#####.", "......"}));
  EXPECT_EQ(m.Picture(kWhite), (Picture{"......", ".###..", ".###..", "......", "......"}));
  // A null pen leaves the right and bottom edges out.
  m.Fill(kClear);
  SelectObject(m.dc, GetStockObject(NULL_PEN));
  Rectangle(m.dc, 0, 0, 5, 4);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"####..", "####..", "####..", "......", "......"}));
  // A wide pen draws inside the rectangle.
  m.Fill(kClear);
  HPEN wide = CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
  SelectObject(m.dc, wide);
  Rectangle(m.dc, 0, 0, 6, 5);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"......", "......", "..##..", "......", "......"}));
  SelectObject(m.dc, GetStockObject(BLACK_PEN));
  DeleteObject(wide);
}

TEST(Drawing, ShapesFillInsideAndOutlineWithThePen) {
  MemoryDC m(7, 7);
  m.Fill(kClear);
  SelectObject(m.dc, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(Ellipse(m.dc, 0, 0, 7, 7), TRUE);
  const Picture black = m.Picture(kBlack);
  const Picture white = m.Picture(kWhite);
  EXPECT_EQ(black,
            (Picture{"..###..", ".#...#.", "#.....#", "#.....#", "#.....#", ".#...#.", "..###.."}));
  EXPECT_EQ(white,
            (Picture{".......", "..###..", ".#####.", ".#####.", ".#####.", "..###..", "......."}));

  // Polygon: the fill by the fill mode, the outline as lines.
  m.Fill(kClear);
  SelectObject(m.dc, GetStockObject(NULL_PEN));
  const POINT path[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0},
                        {2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}};
  EXPECT_EQ(SetPolyFillMode(m.dc, WINDING), ALTERNATE);
  Polygon(m.dc, path, 10);
  EXPECT_EQ(m.At(3, 3), kWhite);
  SetPolyFillMode(m.dc, ALTERNATE);
  m.Fill(kClear);
  Polygon(m.dc, path, 10);
  EXPECT_EQ(m.At(3, 3), kClear);
  EXPECT_EQ(m.At(1, 1), kWhite);
  SelectObject(m.dc, GetStockObject(BLACK_PEN));
  const POINT square[] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}};
  m.Fill(kClear);
  Polygon(m.dc, square, 4);
  EXPECT_EQ(m.At(1, 1), kBlack);
  EXPECT_EQ(m.At(5, 5), kBlack);
  EXPECT_EQ(m.At(3, 3), kWhite);

  // RoundRect with a two-pixel pen.
  m.Fill(kClear);
  HPEN wide = CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
  SelectObject(m.dc, wide);
  RoundRect(m.dc, 0, 0, 7, 7, 4, 4);
  EXPECT_EQ(m.At(0, 0), kClear);
  EXPECT_EQ(m.At(3, 0), kBlack);
  EXPECT_EQ(m.At(3, 1), kBlack);
  EXPECT_EQ(m.At(3, 2), kWhite);
  SelectObject(m.dc, GetStockObject(BLACK_PEN));
  DeleteObject(wide);
}

TEST(Drawing, FocusRectIsDottedAndUndoesItself) {
  MemoryDC m(5, 4);
  m.Fill(kBlack);
  const RECT r{0, 0, 5, 4};
  DrawFocusRect(m.dc, &r);
  EXPECT_EQ(m.Picture(kWhite), (Picture{"#.#.#", ".....", "#...#", ".#.#."}));
  DrawFocusRect(m.dc, &r);
  EXPECT_EQ(m.Picture(kBlack), (Picture{"#####", "#####", "#####", "#####"}));
}

TEST(Drawing, DrawEdgeRings) {
  MemoryDC m(4, 4);
  m.Fill(kClear);
  RECT r{0, 0, 4, 4};
  EXPECT_EQ(DrawEdge(m.dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST), TRUE);
  EXPECT_EQ(r, (RECT{2, 2, 2, 2}));
  auto sys = [](int index) {
    const COLORREF c = GetSysColor(index);
    return Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255};
  };
  EXPECT_EQ(m.At(0, 0), sys(COLOR_3DLIGHT));
  EXPECT_EQ(m.At(3, 0), sys(COLOR_3DDKSHADOW));
  EXPECT_EQ(m.At(0, 3), sys(COLOR_3DDKSHADOW));
  EXPECT_EQ(m.At(1, 1), sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(m.At(2, 2), sys(COLOR_BTNSHADOW));
  EXPECT_EQ(m.At(2, 1), sys(COLOR_BTNSHADOW));

  // Sunken, bottom edge only, filling the middle.
  m.Fill(kClear);
  r = RECT{0, 0, 4, 3};
  DrawEdge(m.dc, &r, EDGE_SUNKEN, BF_BOTTOM | BF_MIDDLE | BF_ADJUST);
  EXPECT_EQ(r, (RECT{0, 0, 4, 1}));
  EXPECT_EQ(m.At(0, 2), sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(m.At(0, 1), sys(COLOR_3DLIGHT));
  EXPECT_EQ(m.At(3, 0), sys(COLOR_BTNFACE));
  EXPECT_EQ(m.At(0, 3), kClear);
}

TEST(Drawing, GradientRectangleRounding) {
  MemoryDC m(5, 2);
  TRIVERTEX v[2];
  v[0] = TRIVERTEX{0, 0, 0x0000, 0xFF00, 0x1234, 0};
  v[1] = TRIVERTEX{5, 2, 0xFFFF, 0x0000, 0x1234, 0};
  GRADIENT_RECT g{0, 1};
  EXPECT_EQ(GradientFill(m.dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H), TRUE);
  // red: 0 + round(0xFFFF * i / 4) >> 8 = 0x0000, 0x4000, 0x8000, 0xBFFF, 0xFFFF
  const uint8_t red[] = {0x00, 0x40, 0x80, 0xBF, 0xFF};
  // green: 0xFF00 - round(0xFF00 * i / 4) = 0xFF00, 0xBF40, 0x7F80, 0x3FC0, 0
  const uint8_t green[] = {0xFF, 0xBF, 0x7F, 0x3F, 0x00};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(m.At(x, 1), (Bgra{0x12, green[x], red[x], 255})) << x;
    EXPECT_EQ(m.At(x, 0), m.At(x, 1));
  }
  // Vertical, corners given the other way round.
  GRADIENT_RECT back{1, 0};
  GradientFill(m.dc, v, 2, &back, 1, GRADIENT_FILL_RECT_V);
  EXPECT_EQ(m.At(3, 0), (Bgra{0x12, 0xFF, 0x00, 255}));
  EXPECT_EQ(m.At(3, 1), (Bgra{0x12, 0x00, 0xFF, 255}));
  GRADIENT_RECT bad{0, 2};
  EXPECT_EQ(GradientFill(m.dc, v, 2, &bad, 1, GRADIENT_FILL_RECT_H), FALSE);
  EXPECT_EQ(GradientFill(m.dc, v, 2, &g, 1, 7), FALSE);
}

TEST(Drawing, GradientTrianglesTileWithoutGapsOrOverlap) {
  // Two triangles splitting a 6x5 square along its diagonal: every pixel is in exactly one.
  TRIVERTEX v[4];
  v[0] = TRIVERTEX{0, 0, 0xFFFF, 0, 0, 0};
  v[1] = TRIVERTEX{6, 0, 0xFFFF, 0, 0, 0};
  v[2] = TRIVERTEX{6, 5, 0xFFFF, 0, 0, 0};
  v[3] = TRIVERTEX{0, 5, 0xFFFF, 0, 0, 0};
  const GRADIENT_TRIANGLE upper{0, 1, 2}, lower{0, 2, 3};
  MemoryDC a(6, 5), b(6, 5);
  a.Fill(kClear);
  b.Fill(kClear);
  GradientFill(a.dc, v, 4, &upper, 1, GRADIENT_FILL_TRIANGLE);
  GradientFill(b.dc, v, 4, &lower, 1, GRADIENT_FILL_TRIANGLE);
  const Bgra red{0, 0, 255, 255};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_NE(a.At(x, y) == red, b.At(x, y) == red) << x << "," << y;

  // Colours mix at pixel centres: a horizontal ramp across a wide triangle.
  MemoryDC c(4, 1);
  TRIVERTEX ramp[3];
  ramp[0] = TRIVERTEX{0, -10, 0, 0, 0, 0};
  ramp[1] = TRIVERTEX{4, -10, 0, 0, 0xFFFF, 0};
  ramp[2] = TRIVERTEX{0, 100, 0, 0, 0, 0};
  GRADIENT_TRIANGLE t{0, 1, 2};
  GradientFill(c.dc, ramp, 3, &t, 1, GRADIENT_FILL_TRIANGLE);
  // At (0.5, 0.5) the blue weight is 0.5/4 of 0xFFFF = 0x1FFF.F -> 0x2000 -> 0x20.
  EXPECT_EQ(c.At(0, 0).b, 0x20);
  EXPECT_EQ(c.At(0, 0).a, 255);
}

TEST(Drawing, AlphaBlendRounding) {
  MemoryDC src(1, 1), dst(1, 1);
  struct Case {
    Bgra source, dest;
    BYTE constant, format;
    Bgra expected;
  } cases[] = {
      // Constant alpha only: div255(200 * 128 + 100 * 127) = 150.
      {{200, 200, 200, 0}, {100, 100, 100, 255}, 128, 0, {150, 150, 150, 255}},
      // Per-pixel alpha 128 at full constant: the same.
      {{200, 0, 255, 128}, {100, 0, 0, 255}, 255, AC_SRC_ALPHA, {150, 0, 128, 255}},
      // Per-pixel 255 scaled by constant 51 = 51: div255(255 * 51) = 51.
      {{255, 255, 255, 255}, {0, 0, 0, 255}, 51, AC_SRC_ALPHA, {51, 51, 51, 255}},
      // Transparent destination: the source shows as it is, with its coverage as alpha.
      {{200, 10, 20, 128}, {0, 0, 0, 0}, 255, AC_SRC_ALPHA, {200, 10, 20, 128}},
      // Half-covered destination: outA = 128 + div255(128 * 127) = 192.
      {{255, 0, 0, 128}, {0, 0, 255, 128}, 255, AC_SRC_ALPHA, {170, 0, 85, 192}},
      {{9, 9, 9, 0}, {1, 2, 3, 4}, 255, AC_SRC_ALPHA, {1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    src.At(0, 0) = c.source;
    dst.At(0, 0) = c.dest;
    EXPECT_EQ(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1,
                         BLENDFUNCTION{AC_SRC_OVER, 0, c.constant, c.format}),
              TRUE);
    const Bgra& got = dst.At(0, 0);
    EXPECT_EQ(got, c.expected) << int(got.b) << " " << int(got.g) << " " << int(got.r) << " "
                               << int(got.a);
  }
  EXPECT_EQ(AlphaBlend(dst.dc, 0, 0, 0, 1, src.dc, 0, 0, 1, 1, BLENDFUNCTION{}), FALSE);
}

BITMAPINFO DibInfo(int width, int height, int bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = WORD(bits);
  return info;
}

TEST(Drawing, DeviceIndependentPixels) {
  MemoryDC m(2, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) m.At(x, y) = Bgra{uint8_t(x), uint8_t(y), 9, uint8_t(100 + y)};
  BITMAPINFO info{};
  EXPECT_EQ(GetDIBits(m.dc, m.bitmap, 0, 3, nullptr, &info, DIB_RGB_COLORS), 3);
  EXPECT_EQ(info.bmiHeader.biWidth, 2);
  EXPECT_EQ(info.bmiHeader.biHeight, 3);
  EXPECT_EQ(info.bmiHeader.biBitCount, 32);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);

  // Bottom-up 32-bit: the first scan line is the bottom row, alpha kept.
  uint8_t bits32[24] = {};
  EXPECT_EQ(GetDIBits(m.dc, m.bitmap, 0, 3, bits32, &info, DIB_RGB_COLORS), 3);
  EXPECT_EQ(bits32[1], 2);
  EXPECT_EQ(bits32[3], 102);
  // Top-down 24-bit from scan line 1: rows of 6 bytes padded to 8.
  BITMAPINFO top = DibInfo(2, -3, 24);
  uint8_t bits24[24] = {};  // three padded rows; the third stays zero
  EXPECT_EQ(GetDIBits(m.dc, m.bitmap, 1, 5, bits24, &top, DIB_RGB_COLORS), 2);
  EXPECT_EQ(bits24[1], 1);  // row 1
  EXPECT_EQ(bits24[3], 1);  // second pixel's blue
  EXPECT_EQ(bits24[9], 2);  // row 2
  BITMAPINFO wrong = DibInfo(3, 3, 32);
  EXPECT_EQ(GetDIBits(m.dc, m.bitmap, 0, 3, bits32, &wrong, DIB_RGB_COLORS), 0);

  // StretchDIBits counts a bottom-up source rectangle from the bottom: (0, 0, 2, 1) is the
  // bottom row, which the buffer holds first.
  MemoryDC out(2, 1);
  EXPECT_EQ(StretchDIBits(out.dc, 0, 0, 2, 1, 0, 0, 2, 1, bits32, &info, DIB_RGB_COLORS, SRCCOPY),
            1);
  EXPECT_EQ(out.At(1, 0), (Bgra{1, 2, 9, 102}));
  EXPECT_EQ(SetDIBitsToDevice(out.dc, 0, 0, 2, 1, 0, 0, 0, 3, bits24, &top, DIB_RGB_COLORS), 3);
  EXPECT_EQ(out.At(0, 0), (Bgra{0, 1, 9, 255}));
  EXPECT_EQ(SetDIBitsToDevice(out.dc, 0, 0, 2, 1, 0, 0, 1, 2, bits24, &top, DIB_RGB_COLORS), 0);

  EXPECT_EQ(GetDeviceCaps(m.dc, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(m.dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(m.dc, HORZRES), 2);
}

TEST(Drawing, ExtremeCoordinatesStaySafe) {
  // Far-away coordinates neither overflow nor take long; what lands on the bitmap is drawn.
  MemoryDC m(4, 4);
  m.Fill(kClear);
  const int lo = INT32_MIN, hi = INT32_MAX;
  MoveToEx(m.dc, lo, 1, nullptr);
  LineTo(m.dc, hi, 1);
  EXPECT_EQ(m.Picture(kBlack), (Picture{"....", "####", "....", "...."}));
  m.Fill(kClear);
  MoveToEx(m.dc, -1000000000, -1000000000, nullptr);
  LineTo(m.dc, 1000000000, 1000000000);
  EXPECT_EQ(m.Picture(kBlack), (Picture{"#...", ".#..", "..#.", "...#"}));
  const RECT all{lo, lo, hi, hi};
  EXPECT_EQ(FillRect(m.dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH))), 1);
  EXPECT_EQ(m.At(3, 3), kWhite);
  SetViewportOrgEx(m.dc, hi, hi, nullptr);
  OffsetViewportOrgEx(m.dc, hi, hi, nullptr);
  EXPECT_EQ(IntersectClipRect(m.dc, lo, lo, hi, hi), SIMPLEREGION);  // still covers it all
  EXPECT_EQ(SetPixel(m.dc, hi, hi, 0), CLR_INVALID);
  EXPECT_EQ(StretchBlt(m.dc, lo, lo, hi, hi, m.dc, lo, lo, -hi, lo, SRCCOPY), TRUE);
  SetViewportOrgEx(m.dc, 0, 0, nullptr);
  m.Fill(kClear);
  EXPECT_EQ(Ellipse(m.dc, lo, lo, hi, hi), TRUE);
  EXPECT_EQ(m.At(0, 0), kWhite);  // the inside of a huge ellipse
  EXPECT_EQ(RoundRect(m.dc, lo, lo, hi, hi, hi, lo), TRUE);
  const POINT far[] = {{lo, lo}, {hi, lo}, {hi, hi}};
  EXPECT_EQ(Polygon(m.dc, far, 3), TRUE);
  EXPECT_EQ(CreatePolygonRgn(far, 3, WINDING), nullptr);
  EXPECT_EQ(CreateRoundRectRgn(lo, lo, hi, hi, 5, 5), nullptr);
  HPEN huge = CreatePen(PS_SOLID, hi, RGB(0, 0, 0));
  SelectObject(m.dc, huge);
  EXPECT_EQ(Rectangle(m.dc, lo, lo, hi, hi), TRUE);
  EXPECT_EQ(m.At(2, 2), kWhite);  // the outline is far away
  EXPECT_EQ(Rectangle(m.dc, 0, 0, 4, 4), TRUE);
  EXPECT_EQ(m.At(2, 2), kBlack);  // all outline
  EXPECT_EQ(Ellipse(m.dc, lo, lo, hi, hi), TRUE);
  MoveToEx(m.dc, 0, 0, nullptr);
  EXPECT_EQ(LineTo(m.dc, 3, 3), TRUE);
  SelectObject(m.dc, GetStockObject(BLACK_PEN));
  DeleteObject(huge);
  // A frame of a huge region with a huge width takes a few region steps, not billions.
  HRGN big = CreateRectRgn(-1000000000, -1000000000, 1000000000, 1000000000);
  m.Fill(kClear);
  EXPECT_EQ(FrameRgn(m.dc, big, HBRUSH(GetStockObject(WHITE_BRUSH)), hi, hi), TRUE);
  EXPECT_EQ(m.At(1, 1), kWhite);
  m.Fill(kClear);
  EXPECT_EQ(FrameRgn(m.dc, big, HBRUSH(GetStockObject(WHITE_BRUSH)), 999999999, 1), TRUE);
  // Only columns -1 and 0 have 999999999 region pixels on both sides.
  EXPECT_EQ(m.At(0, 1), kClear);
  EXPECT_EQ(m.At(1, 1), kWhite);
  DeleteObject(big);
  HRGN rgn = CreateRectRgn(0, 0, 10, 10);
  EXPECT_EQ(OffsetRgn(rgn, hi, 0), NULLREGION);  // squeezed flat at the limit
  DeleteObject(rgn);
  // Brush origins at the ends of the range wrap like any other (lo is a multiple of 8, hi is
  // one less).
  HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(0, 0, 0));
  MemoryDC tile(2, 2);
  tile.Fill(kWhite);
  tile.At(0, 0) = kBlack;
  HBRUSH pattern = CreatePatternBrush(tile.bitmap);
  const RECT box{0, 0, 4, 4};
  for (HBRUSH brush : {hatch, pattern}) {
    auto fill = [&](int origin) {
      SetBrushOrgEx(m.dc, origin, origin, nullptr);
      m.Fill(kClear);
      FillRect(m.dc, &box, brush);
      return m.Picture(kBlack);
    };
    EXPECT_EQ(fill(lo), fill(0));
    EXPECT_EQ(fill(hi), fill(-1));
  }
  DeleteObject(hatch);
  DeleteObject(pattern);
}

}  // namespace
}  // namespace win
