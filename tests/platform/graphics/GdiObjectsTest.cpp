#include <gtest/gtest.h>

#include <set>

#include "platform/graphics/Gdi.h"

namespace win {
namespace {

TEST(GdiObjects, DeadHandlesFailSafelyAndAreNeverReused) {
  std::set<uintptr_t> seen;
  for (int i = 0; i < 50; ++i) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_NE(brush, nullptr);
    EXPECT_TRUE(seen.insert(reinterpret_cast<uintptr_t>(brush)).second);
    EXPECT_EQ(DeleteObject(brush), TRUE);
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(DeleteObject(brush), FALSE);
    LOGBRUSH lb;
    EXPECT_EQ(GetObject(brush, sizeof lb, &lb), 0);
  }
  // A handle of one kind never looks up as another.
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 4, 4);
  EXPECT_EQ(LookupDC(HandleCast<HDC>(bitmap)), nullptr);
  EXPECT_EQ(SelectObject(HandleCast<HDC>(bitmap), GetStockObject(BLACK_BRUSH)), nullptr);
  DeleteObject(bitmap);
}

TEST(GdiObjects, StockObjectsSurviveDeleteObject) {
  HGDIOBJ black = GetStockObject(BLACK_BRUSH);
  EXPECT_EQ(GetStockObject(BLACK_BRUSH), black);
  EXPECT_EQ(DeleteObject(black), TRUE);
  LOGBRUSH lb;
  ASSERT_EQ(GetObject(black, sizeof lb, &lb), int(sizeof lb));
  EXPECT_EQ(lb.lbColor, RGB(0, 0, 0));
  EXPECT_EQ(lb.lbStyle, BS_SOLID);
  EXPECT_EQ(GetObject(GetStockObject(NULL_BRUSH), sizeof lb, &lb), int(sizeof lb));
  EXPECT_EQ(lb.lbStyle, BS_NULL);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  ASSERT_EQ(GetObject(face, sizeof lb, &lb), int(sizeof lb));
  EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
  DeleteObject(face);
  EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
  EXPECT_EQ(GetObjectType(face), DWORD(OBJ_BRUSH));
  EXPECT_EQ(GetSysColorBrush(kSysColorCount), nullptr);
}

TEST(GdiObjects, GetObjectDescribesBitmapsAndPens) {
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 5, 3);
  BITMAP bm;
  EXPECT_EQ(GetObject(bitmap, 0, nullptr), int(sizeof bm));
  ASSERT_EQ(GetObject(bitmap, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 5);
  EXPECT_EQ(bm.bmHeight, 3);
  EXPECT_EQ(bm.bmWidthBytes, 20);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmBits, nullptr);
  DeleteObject(bitmap);

  HPEN pen = CreatePen(PS_DOT, 1, RGB(9, 8, 7));
  LOGPEN lp;
  ASSERT_EQ(GetObject(pen, sizeof lp, &lp), int(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, UINT(PS_DOT));
  EXPECT_EQ(lp.lopnColor, RGB(9, 8, 7));
  DeleteObject(pen);
  EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
}

TEST(GdiObjects, CreateBitmapRejectsBadSizesAndConvertsBits) {
  EXPECT_EQ(CreateBitmap(0, 4, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(kMaxBitmapSide + 1, 1, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 1, 8, nullptr), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, -1, 4), nullptr);

  // 1-bit rows are padded to 16 bits: 10 pixels take 2 bytes, 1 = white.
  const uint8_t mono[] = {0b10100000, 0b01000000, 0xFF, 0xFF};
  HBITMAP m = CreateBitmap(10, 2, 1, 1, mono);
  Bitmap* pm = LookupBitmap(m);
  ASSERT_NE(pm, nullptr);
  EXPECT_EQ(pm->Pixel32(0, 0), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(pm->Pixel32(1, 0), (Bgra{0, 0, 0, 255}));
  EXPECT_EQ(pm->Pixel32(2, 0), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(pm->Pixel32(9, 0), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(pm->Pixel32(8, 0), (Bgra{0, 0, 0, 255}));
  EXPECT_EQ(pm->Pixel32(0, 1), (Bgra{255, 255, 255, 255}));
  DeleteObject(m);

  // 24-bit rows: 1 pixel = 3 bytes, padded to 4.
  const uint8_t rgb[] = {1, 2, 3, 0, 4, 5, 6, 0};
  HBITMAP c = CreateBitmap(1, 2, 1, 24, rgb);
  EXPECT_EQ(LookupBitmap(c)->Pixel32(0, 1), (Bgra{4, 5, 6, 255}));
  DeleteObject(c);
}

TEST(GdiObjects, DibSectionRowOrderFollowsTheHeightSign) {
  for (int sign : {1, -1}) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 3 * sign;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    // The first pixel in memory is the bottom row's when the height is positive.
    static_cast<uint8_t*>(bits)[0] = 77;
    const Bitmap* p = LookupBitmap(dib);
    EXPECT_EQ(p->Pixel32(0, sign > 0 ? 2 : 0).b, 77);
    // Drawing at the top lands in the last row in memory of a bottom-up section.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    SetPixel(dc, 1, 0, RGB(0, 0, 99));
    const auto* mem = static_cast<const Bgra*>(bits);
    EXPECT_EQ(mem[sign > 0 ? 2 * 2 + 1 : 1], (Bgra{99, 0, 0, 255}));
    SelectObject(dc, old);
    DeleteDC(dc);
    BITMAP bm;
    EXPECT_EQ(GetObject(dib, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmBits, bits);
    DIBSECTION ds;
    EXPECT_EQ(GetObject(dib, 0, nullptr), int(sizeof ds));
    ASSERT_EQ(GetObject(dib, sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBmih.biHeight, 3 * sign);
    EXPECT_EQ(ds.dsBmih.biBitCount, 32);
    DeleteObject(dib);
  }
  BITMAPINFO bad{};
  bad.bmiHeader.biWidth = 2;
  bad.bmiHeader.biHeight = 2;
  bad.bmiHeader.biPlanes = 1;
  bad.bmiHeader.biBitCount = 24;
  void* bits = &bad;
  EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  bad.bmiHeader.biBitCount = 32;
  bad.bmiHeader.biHeight = INT32_MIN;
  EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

}  // namespace
}  // namespace win
