#pragma once
// Icons: a 32-bit colour picture with straight alpha plus a mask (black = opaque, white =
// transparent). An icon whose colour picture has any non-zero alpha is drawn by its alpha and
// the mask is ignored; otherwise it is drawn the classic way: destination AND mask, then XOR
// colour.

#include "platform/graphics/Drawing.h"

namespace win {

struct ICONINFO {
  BOOL fIcon = TRUE;
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
  HBITMAP hbmMask = nullptr;
  HBITMAP hbmColor = nullptr;
};

class IconObject : public GdiObject {
 public:
  IconObject(Bitmap color, Bitmap mask, bool isIcon, POINT hotspot);
  const Bitmap& Color() const { return FColor; }
  const Bitmap& Mask() const { return FMask; }
  bool HasAlpha() const { return FHasAlpha; }
  bool IsIcon() const { return FIsIcon; }
  POINT Hotspot() const { return FHotspot; }

 private:
  Bitmap FColor;
  Bitmap FMask;  // 32-bit, every pixel pure black or pure white
  bool FHasAlpha;
  bool FIsIcon;
  POINT FHotspot;
};

IconObject* LookupIcon(HICON icon);

// The bitmaps are copied (the caller still owns them). Without a colour bitmap the mask is
// twice as high: the AND mask above the XOR picture. A mask pixel counts as set (transparent)
// when its grey level is 128 or more. Sizes must match; null on failure.
HICON CreateIconIndirect(const ICONINFO* info);
// Fresh copies of the colour bitmap (alpha kept) and the mask, which the caller deletes.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);

enum : UINT {
  DI_MASK = 0x0001,
  DI_IMAGE = 0x0002,
  DI_NORMAL = DI_MASK | DI_IMAGE,
  DI_COMPAT = 0x0004,
  DI_DEFAULTSIZE = 0x0008,
  DI_NOMIRROR = 0x0010,
};

// Draws the icon into [x, x + width) x [y, y + height) (0 = the icon's own size), scaled by
// the same nearest-neighbour mapping as StretchBlt. DI_NORMAL blends alpha icons with
// BlendPixel (straight-alpha "over", rounding to nearest) and draws classic icons through
// their mask; DI_MASK alone ANDs the mask, DI_IMAGE alone copies the colour opaquely. A
// flicker-free brush first fills the rectangle. Animation steps are ignored.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step,
                HBRUSH flickerFreeBrush, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

}  // namespace win
