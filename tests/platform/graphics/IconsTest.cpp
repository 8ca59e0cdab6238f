#include <gtest/gtest.h>

#include "tests/platform/graphics/GdiTestUtil.h"

namespace win {
namespace {

// A 2x2 alpha icon: opaque red, half-covered green, clear blue, opaque white.
HICON MakeAlphaIcon() {
  const uint32_t pixels[] = {0xFFFF0000, 0x8000FF00, 0x000000FF, 0xFFFFFFFF};
  HBITMAP color = CreateBitmap(2, 2, 1, 32, pixels);
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, nullptr);  // all black: ignored for alpha icons
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

TEST(Icons, AlphaIconKeepsItsAlphaAndBlends) {
  HICON icon = MakeAlphaIcon();
  ASSERT_NE(icon, nullptr);
  ICONINFO info;
  ASSERT_EQ(GetIconInfo(icon, &info), TRUE);
  EXPECT_EQ(info.fIcon, TRUE);
  EXPECT_EQ(LookupBitmap(info.hbmColor)->Pixel32(1, 0), (Bgra{0, 255, 0, 0x80}));
  EXPECT_EQ(LookupBitmap(info.hbmMask)->Width(), 2);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  MemoryDC m(4, 4);
  m.Fill(Bgra{0, 0, 100, 255});
  // Stretched 2x: each icon pixel covers a 2x2 block.
  EXPECT_EQ(DrawIconEx(m.dc, 0, 0, icon, 4, 4, 0, nullptr, DI_NORMAL), TRUE);
  EXPECT_EQ(m.At(1, 1), (Bgra{0, 0, 255, 255}));
  // Green at 128 over red 100: g = div255(255 * 128) = 128, r = div255(100 * 127) = 50.
  EXPECT_EQ(m.At(3, 0), (Bgra{0, 128, 50, 255}));
  EXPECT_EQ(m.At(0, 3), (Bgra{0, 0, 100, 255}));
  EXPECT_EQ(m.At(3, 3), (Bgra{255, 255, 255, 255}));

  // Copies outlive the original; dead icons fail.
  HICON copy = CopyIcon(icon);
  EXPECT_EQ(DestroyIcon(icon), TRUE);
  EXPECT_EQ(DestroyIcon(icon), FALSE);
  EXPECT_EQ(DrawIconEx(m.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL), FALSE);
  EXPECT_EQ(GetIconInfo(icon, &info), FALSE);
  m.Fill(Bgra{0, 0, 0, 255});
  EXPECT_EQ(DrawIcon(m.dc, 1, 1, copy), TRUE);  // own size, 2x2 at (1, 1)
  EXPECT_EQ(m.At(1, 1), (Bgra{0, 0, 255, 255}));
  EXPECT_EQ(m.At(2, 2), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(m.At(3, 3), (Bgra{0, 0, 0, 255}));
  EXPECT_EQ(DestroyIcon(copy), TRUE);
}

TEST(Icons, ClassicIconDrawsThroughItsMask) {
  // Mask: opaque, transparent, transparent, opaque. Colour alpha is all zero.
  const uint8_t maskBits[] = {0b01000000, 0, 0b10000000, 0};
  const uint32_t colorBits[] = {0x00112233, 0x00000000, 0x00FFFFFF, 0x00445566};
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, maskBits);
  HBITMAP color = CreateBitmap(2, 2, 1, 32, colorBits);
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  MemoryDC m(2, 2);
  m.Fill(Bgra{0x0F, 0x0F, 0x0F, 255});
  DrawIconEx(m.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(m.At(0, 0), (Bgra{0x33, 0x22, 0x11, 255}));  // opaque: the colour
  EXPECT_EQ(m.At(1, 0), (Bgra{0x0F, 0x0F, 0x0F, 255}));  // transparent black: unchanged
  EXPECT_EQ(m.At(0, 1), (Bgra{0xF0, 0xF0, 0xF0, 255}));  // transparent white: inverts
  EXPECT_EQ(m.At(1, 1), (Bgra{0x66, 0x55, 0x44, 255}));
  m.Fill(Bgra{0x0F, 0x0F, 0x0F, 255});
  DrawIconEx(m.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_MASK);
  EXPECT_EQ(m.At(0, 0), kBlack);
  EXPECT_EQ(m.At(1, 0), (Bgra{0x0F, 0x0F, 0x0F, 255}));
  // A flicker-free brush fills first.
  DrawIconEx(m.dc, 0, 0, icon, 0, 0, 0, HBRUSH(GetStockObject(WHITE_BRUSH)), DI_MASK);
  EXPECT_EQ(m.At(1, 0), kWhite);

  // Mismatched sizes and missing masks are refused.
  HBITMAP big = CreateBitmap(3, 3, 1, 32, nullptr);
  ICONINFO bad{TRUE, 0, 0, mask, big};
  EXPECT_EQ(CreateIconIndirect(&bad), nullptr);
  bad.hbmMask = nullptr;
  EXPECT_EQ(CreateIconIndirect(&bad), nullptr);
  DestroyIcon(icon);
  DeleteObject(big);
  DeleteObject(mask);
  DeleteObject(color);
}

}  // namespace
}  // namespace win
