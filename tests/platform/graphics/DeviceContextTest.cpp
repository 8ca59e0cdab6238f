#include <gtest/gtest.h>

#include "tests/platform/graphics/GdiTestUtil.h"

namespace win {
namespace {

std::vector<RECT> ClipRects(HDC dc, RECT deviceRect = RECT{-1000, -1000, 1000, 1000}) {
  std::vector<RECT> out;
  LookupDC(dc)->ForEachClipRect(deviceRect, [&](const RECT& r) { out.push_back(r); });
  return out;
}

TEST(DeviceContext, SelectReturnsPreviousAndKeepsDeletedObjectsAlive) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
  HGDIOBJ original = SelectObject(dc, bitmap);
  EXPECT_EQ(original, DefaultDCBitmap());
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));

  // The handle dies at once, the pixels stay while selected.
  EXPECT_EQ(DeleteObject(bitmap), TRUE);
  EXPECT_EQ(LookupBitmap(bitmap), nullptr);
  ASSERT_NE(LookupDC(dc)->Target(), nullptr);
  EXPECT_EQ(LookupDC(dc)->Target()->Width(), 8);
  EXPECT_EQ(SelectObject(dc, original), bitmap);
  EXPECT_EQ(LookupDC(dc)->Target(), nullptr);
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);

  EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
  EXPECT_EQ(DeleteObject(dc), FALSE);  // DCs go through DeleteDC
  EXPECT_EQ(DeleteDC(dc), TRUE);
  EXPECT_EQ(DeleteDC(dc), FALSE);
  EXPECT_EQ(SaveDC(dc), 0);
  EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
  EXPECT_EQ(IntersectClipRect(dc, 0, 0, 1, 1), ERROR);
  EXPECT_EQ(GetClipBox(dc, &box), ERROR);
}

TEST(DeviceContext, SaveAndRestoreNestedState) {
  MemoryDC m(100, 100);
  HDC dc = m.dc;
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SetTextColor(dc, RGB(1, 2, 3));
  const int level1 = SaveDC(dc);
  EXPECT_EQ(level1, 1);
  SetViewportOrgEx(dc, 10, 20, nullptr);
  IntersectClipRect(dc, 0, 0, 30, 30);  // device 10,20 - 40,50
  SelectObject(dc, red);
  SetBkMode(dc, TRANSPARENT);
  EXPECT_EQ(SaveDC(dc), 2);
  SetWindowOrgEx(dc, 5, 5, nullptr);
  ExcludeClipRect(dc, 5, 5, 15, 15);  // device 10,20 - 20,30
  SetTextColor(dc, RGB(9, 9, 9));
  EXPECT_EQ(SaveDC(dc), 3);
  SetROP2(dc, R2_NOT);

  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{5, 5, 35, 35}));  // logical: device - (10,20) + (5,5)

  // -2 is the state saved second; the one saved third goes too.
  EXPECT_EQ(RestoreDC(dc, -2), TRUE);
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
  POINT p;
  GetWindowOrgEx(dc, &p);
  EXPECT_EQ(p, (POINT{0, 0}));
  GetViewportOrgEx(dc, &p);
  EXPECT_EQ(p, (POINT{10, 20}));
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 0, 30, 30}));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), red);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(RestoreDC(dc, 2), FALSE);  // already dropped
  // Drawing follows the restored origin and clip at once.
  const RECT all{-100, -100, 200, 200};
  FillRect(dc, &all, HBRUSH(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(m.At(10, 20), kBlack);
  EXPECT_EQ(m.At(39, 49), kBlack);
  EXPECT_EQ(m.At(40, 49), (Bgra{}));
  EXPECT_EQ(m.At(9, 20), (Bgra{}));

  EXPECT_EQ(RestoreDC(dc, 1), TRUE);
  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 0, 100, 100}));
  EXPECT_EQ(RestoreDC(dc, -1), FALSE);
  EXPECT_EQ(RestoreDC(dc, 0), FALSE);
  DeleteObject(red);
}

TEST(DeviceContext, ClipOperations) {
  MemoryDC m(50, 50);
  HDC dc = m.dc;
  RECT box;
  // Repeated exclusions cut holes; the clip box keeps the outline.
  ExcludeClipRect(dc, 10, 10, 20, 20);
  ExcludeClipRect(dc, 30, 10, 40, 20);
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 50, 50}));
  EXPECT_EQ(PtVisible(dc, 15, 15), FALSE);
  EXPECT_EQ(PtVisible(dc, 35, 15), FALSE);
  EXPECT_EQ(PtVisible(dc, 25, 15), TRUE);
  const std::vector<RECT> band = ClipRects(dc, RECT{0, 10, 50, 20});
  EXPECT_EQ(band, (std::vector<RECT>{{0, 10, 10, 20}, {20, 10, 30, 20}, {40, 10, 50, 20}}));

  // An intersection outside what is left reports an empty clip.
  EXPECT_EQ(IntersectClipRect(dc, 11, 11, 19, 19), NULLREGION);
  EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
  EXPECT_EQ(box, (RECT{}));
  EXPECT_TRUE(ClipRects(dc).empty());

  // A null region removes the clip; regions are copied.
  EXPECT_EQ(SelectClipRgn(dc, nullptr), SIMPLEREGION);
  HRGN rgn = CreateRectRgn(5, 5, 15, 15);
  EXPECT_EQ(SelectClipRgn(dc, rgn), SIMPLEREGION);
  SetRectRgn(rgn, 0, 0, 1, 1);
  GetClipBox(dc, &box);
  EXPECT_EQ(box, (RECT{5, 5, 15, 15}));
  HRGN other = CreateRectRgn(10, 0, 60, 10);
  EXPECT_EQ(ExtSelectClipRgn(dc, other, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(ClipRects(dc), (std::vector<RECT>{{10, 0, 50, 5}, {5, 5, 50, 10}, {5, 10, 15, 15}}));
  EXPECT_EQ(ExtSelectClipRgn(dc, other, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(ClipRects(dc), (std::vector<RECT>{{5, 5, 10, 10}, {5, 10, 15, 15}}));
  EXPECT_EQ(ExtSelectClipRgn(dc, other, RGN_XOR), COMPLEXREGION);
  EXPECT_EQ(GetClipRgn(dc, rgn), 1);
  EXPECT_EQ(GetRegionRects(rgn),
            (std::vector<RECT>{{10, 0, 60, 5}, {5, 5, 60, 10}, {5, 10, 15, 15}}));
  EXPECT_EQ(ExtSelectClipRgn(dc, other, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(ExtSelectClipRgn(dc, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(ExtSelectClipRgn(dc, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(GetClipRgn(dc, rgn), 0);
  DeleteObject(other);
  EXPECT_EQ(ExtSelectClipRgn(dc, other, RGN_COPY), ERROR);
  DeleteObject(rgn);
}

TEST(DeviceContext, SurfaceDCMapsDeviceSpaceIntoTheSurface) {
  Bitmap surface(100, 80);
  // A child at (30, 20) of its top-level surface, partly covered: visible in device space.
  HDC dc = CreateDCForSurface(&surface, POINT{30, 20}, {RECT{0, 0, 40, 30}, RECT{0, 30, 20, 100}});
  EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_DC));
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 40, 60}));  // the surface ends at device y 60
  SetViewportOrgEx(dc, 5, 5, nullptr);
  IntersectClipRect(dc, 0, 0, 100, 100);  // device 5,5 - 105,105
  EXPECT_EQ(ClipRects(dc), (std::vector<RECT>{{35, 25, 70, 50}, {35, 50, 50, 80}}));
  POINT p = LookupDC(dc)->LogicalToTarget(POINT{1, 2});
  EXPECT_EQ(p, (POINT{36, 27}));
  // Drawing reaches the visible part of the surface only.
  const RECT all{-100, -100, 200, 200};
  FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
  int painted = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) painted += surface.Pixel32(x, y).a == 255;
  EXPECT_EQ(painted, 35 * 25 + 15 * 30);
  EXPECT_EQ(surface.Pixel32(35, 25), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(surface.Pixel32(49, 79), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(surface.Pixel32(50, 50), (Bgra{}));
  // Window DCs are readable: device (0, 0) is surface pixel (30, 20).
  surface.Pixel32(31, 22) = Bgra{1, 2, 3, 4};
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP copy = CreateCompatibleBitmap(nullptr, 1, 1);
  HGDIOBJ oldCopy = SelectObject(mem, copy);
  BitBlt(mem, 0, 0, 1, 1, dc, -4, -3, SRCCOPY);  // logical (-4, -3) is device (1, 2)
  EXPECT_EQ(LookupBitmap(copy)->Pixel32(0, 0), (Bgra{1, 2, 3, 4}));
  SelectObject(mem, oldCopy);
  DeleteObject(copy);
  DeleteDC(mem);
  // The window system moves the DC's visible area.
  LookupDC(dc)->SetVisible({RECT{0, 0, 1, 1}});
  EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);  // outside the clip region
  SelectClipRgn(dc, nullptr);
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{-5, -5, -4, -4}));
  // Bitmaps go into memory DCs only.
  HBITMAP b = CreateCompatibleBitmap(dc, 2, 2);
  EXPECT_EQ(SelectObject(dc, b), nullptr);
  DeleteObject(b);
  DeleteDC(dc);
}

}  // namespace
}  // namespace win
