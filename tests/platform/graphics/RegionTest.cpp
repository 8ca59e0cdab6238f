#include <gtest/gtest.h>

#include <cstdint>

#include "platform/graphics/Gdi.h"

namespace win {
namespace {

using Rects = std::vector<RECT>;

TEST(Region, CombineProducesCanonicalBands) {
  const Region a(RECT{0, 0, 10, 10});
  const Region b(RECT{5, 5, 15, 15});
  struct Case {
    int mode;
    Rects expected;
  } cases[] = {
      {RGN_AND, {{5, 5, 10, 10}}},
      {RGN_OR, {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
      {RGN_XOR, {{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}},
      {RGN_DIFF, {{0, 0, 10, 5}, {0, 5, 5, 10}}},
      {RGN_COPY, {{0, 0, 10, 10}}},
  };
  for (const Case& c : cases) EXPECT_EQ(a.Combined(b, c.mode).Rects(), c.expected) << c.mode;

  // The whole coordinate range is a rectangle like any other.
  const int32_t lo = INT32_MIN, hi = INT32_MAX;
  const Region all(RECT{lo, lo, hi, hi});
  const Region strip(RECT{0, 0, hi, 5});
  const Case wide[] = {
      {RGN_AND, {{0, 0, hi, 5}}},
      {RGN_OR, {{lo, lo, hi, hi}}},
      {RGN_XOR, {{lo, lo, hi, 0}, {lo, 0, 0, 5}, {lo, 5, hi, hi}}},
      {RGN_DIFF, {{lo, lo, hi, 0}, {lo, 0, 0, 5}, {lo, 5, hi, hi}}},
  };
  for (const Case& c : wide) EXPECT_EQ(all.Combined(strip, c.mode).Rects(), c.expected) << c.mode;
  EXPECT_EQ(all.Combined(all, RGN_AND), all);

  // Touching pieces merge, horizontally and vertically, whatever the order they came in.
  const RECT pieces[] = {{5, 0, 10, 5}, {0, 5, 10, 10}, {0, 0, 5, 5}, {0, 10, 10, 10}};
  EXPECT_EQ(Region::FromRects(pieces).Rects(), (Rects{{0, 0, 10, 10}}));
  // Overlaps spanning several bands, given bottom first.
  const RECT overlapping[] = {{2, 8, 3, 20}, {5, 5, 15, 8}, {0, 0, 10, 10}};
  EXPECT_EQ(Region::FromRects(overlapping).Rects(),
            (Rects{{0, 0, 10, 5}, {0, 5, 15, 8}, {0, 8, 10, 10}, {2, 10, 3, 20}}));
  // A hole and its filling give back the whole.
  const Region hole = a.Subtracted(Region(RECT{3, 3, 6, 6}));
  EXPECT_EQ(hole.Rects().size(), 4u);
  EXPECT_EQ(hole.United(Region(RECT{3, 3, 6, 6})), a);
  EXPECT_TRUE(a.Combined(a, RGN_XOR).Empty());
  EXPECT_TRUE(Region(RECT{5, 5, 5, 10}).Empty());
}

TEST(Region, HandleCalls) {
  HRGN a = CreateRectRgn(10, 10, 0, 0);  // reversed corners
  HRGN b = CreateRectRgn(20, 0, 30, 10);
  HRGN d = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), COMPLEXREGION);
  RECT box;
  EXPECT_EQ(GetRgnBox(d, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 30, 10}));
  EXPECT_EQ(PtInRegion(d, 15, 5), FALSE);
  EXPECT_EQ(PtInRegion(d, 25, 5), TRUE);
  EXPECT_EQ(PtInRegion(d, 30, 5), FALSE);  // right edge is outside
  const RECT gap{10, 0, 20, 10};
  const RECT corner{29, 9, 40, 40};
  EXPECT_EQ(RectInRegion(d, &gap), FALSE);
  EXPECT_EQ(RectInRegion(d, &corner), TRUE);
  EXPECT_EQ(OffsetRgn(d, 1, 2), COMPLEXREGION);
  EXPECT_EQ(GetRegionRects(d), (Rects{{1, 2, 11, 12}, {21, 2, 31, 12}}));
  // The destination may be a source.
  EXPECT_EQ(CombineRgn(a, a, b, RGN_AND), NULLREGION);
  EXPECT_EQ(CombineRgn(a, b, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(EqualRgn(a, b), TRUE);
  EXPECT_EQ(EqualRgn(a, d), FALSE);
  EXPECT_EQ(CombineRgn(d, a, b, 9), ERROR);
  DeleteObject(b);
  EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), ERROR);
  EXPECT_EQ(GetRegionRects(d).size(), 2u);  // unchanged
  EXPECT_EQ(OffsetRgn(b, 1, 1), ERROR);
  EXPECT_EQ(PtInRegion(b, 25, 5), FALSE);
  DeleteObject(a);
  DeleteObject(d);
}

TEST(Region, FromBitmapSkipsKeyPixels) {
  // . = key, # = kept
  const char* rows[] = {
      "#..#",
      "#..#",
      "####",
      "....",
  };
  Bitmap bitmap(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      bitmap.Pixel32(x, y) = rows[y][x] == '.' ? Bgra{255, 0, 255, 0} : Bgra{1, 2, 3, 255};
  const Region r = Region::FromBitmap(bitmap, RGB(255, 0, 255), POINT{10, 20});
  EXPECT_EQ(r.Rects(), (Rects{{10, 20, 11, 22}, {13, 20, 14, 22}, {10, 22, 14, 23}}));
  HRGN h = CreateRegionFromBitmap(bitmap, RGB(3, 2, 1));  // stored as B 1, G 2, R 3
  EXPECT_EQ(GetRegionRects(h), (Rects{{1, 0, 3, 2}, {0, 3, 4, 4}}));
  DeleteObject(h);
  EXPECT_TRUE(Region::FromBitmap(Bitmap(0, 0), 0).Empty());
  // Offsets at the coordinate limits saturate like OffsetRgn rather than overflow.
  EXPECT_TRUE(Region::FromBitmap(bitmap, RGB(255, 0, 255), POINT{INT32_MAX, INT32_MIN}).Empty());
  const int32_t edge = (1 << 30) - 2;
  EXPECT_EQ(Region::FromBitmap(bitmap, RGB(255, 0, 255), POINT{edge, 0}).Rects(),
            (Rects{{edge, 0, edge + 1, 2}, {edge, 2, edge + 2, 3}}));
}

TEST(Region, Shapes) {
  EXPECT_EQ(Region::Ellipse(RECT{0, 0, 4, 4}).Rects(),
            (Rects{{1, 0, 3, 1}, {0, 1, 4, 3}, {1, 3, 3, 4}}));
  // Odd sizes keep their symmetry: a 5x3 ellipse.
  EXPECT_EQ(Region::Ellipse(RECT{10, 0, 15, 3}).Rects(),
            (Rects{{11, 0, 14, 1}, {10, 1, 15, 2}, {11, 2, 14, 3}}));
  EXPECT_EQ(Region::RoundRect(RECT{0, 0, 6, 6}, 4, 4).Rects(),
            (Rects{{1, 0, 5, 1}, {0, 1, 6, 5}, {1, 5, 5, 6}}));
  EXPECT_EQ(Region::RoundRect(RECT{0, 0, 6, 6}, 0, 4), Region(RECT{0, 0, 6, 6}));
  // Only the rows asked for.
  EXPECT_EQ(Region::Ellipse(RECT{0, 0, 4, 4}, RowRange{1, 2}).Rects(), (Rects{{0, 1, 4, 2}}));

  // Two overlapping squares as one path: ALTERNATE leaves the overlap out, WINDING fills it.
  const POINT path[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0},
                        {2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}};
  const Region a(RECT{0, 0, 4, 4}), b(RECT{2, 2, 6, 6});
  EXPECT_EQ(Region::Polygon(path, ALTERNATE), a.Combined(b, RGN_XOR));
  EXPECT_EQ(Region::Polygon(path, WINDING), a.United(b));
  // A right triangle: pixels whose centres lie left of the diagonal (a centre on it is out).
  const POINT tri[] = {{0, 0}, {4, 0}, {0, 4}};
  EXPECT_EQ(Region::Polygon(tri, ALTERNATE).Rects(),
            (Rects{{0, 0, 3, 1}, {0, 1, 2, 2}, {0, 2, 1, 3}}));

  HRGN e = CreateEllipticRgn(4, 4, 0, 0);
  EXPECT_EQ(GetRegionRects(e).size(), 3u);
  DeleteObject(e);
  EXPECT_EQ(CreateEllipticRgn(0, 0, 70000, 10), nullptr);
  EXPECT_EQ(CreatePolygonRgn(tri, 3, 0), nullptr);
  HRGN p = CreatePolygonRgn(tri, 3, WINDING);
  EXPECT_EQ(GetRegionRects(p).size(), 3u);
  DeleteObject(p);
}

}  // namespace
}  // namespace win
