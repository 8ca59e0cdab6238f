#include "platform/graphics/Icons.h"

#include <algorithm>

namespace win {

namespace {

bool AnyAlpha(const Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.Pixel32(x, y).a != 0) return true;
  return false;
}

// The mask as pure black and white.
Bitmap NormalisedMask(const Bitmap& src, int top, int height) {
  Bitmap mask(src.Width(), height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < src.Width(); ++x) {
      const Bgra& p = src.Pixel32(x, y + top);
      const uint8_t v = (p.r + p.g + p.b) >= 3 * 128 ? 255 : 0;
      mask.Pixel32(x, y) = Bgra{v, v, v, 255};
    }
  return mask;
}

Bitmap Part(const Bitmap& src, int top, int height) {
  Bitmap part(src.Width(), height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < src.Width(); ++x) part.Pixel32(x, y) = src.Pixel32(x, y + top);
  return part;
}

uint32_t Word(const Bgra& p) {
  return uint32_t(p.b) | (uint32_t(p.g) << 8) | (uint32_t(p.r) << 16) | (uint32_t(p.a) << 24);
}

Bgra FromWord(uint32_t w) {
  return Bgra{uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)};
}

// Nearest-neighbour sample i of n over m (as StretchBlt).
int Sample(int64_t i, int64_t n, int64_t m) {
  return int(((2 * i + 1) * m) / (2 * n));
}

}  // namespace

IconObject::IconObject(Bitmap color, Bitmap mask, bool isIcon, POINT hotspot)
    : GdiObject(OBJ_ICON),
      FColor(std::move(color)),
      FMask(std::move(mask)),
      FHasAlpha(AnyAlpha(FColor)),
      FIsIcon(isIcon),
      FHotspot(hotspot) {}

IconObject* LookupIcon(HICON icon) {
  return Lookup<IconObject>(icon);
}

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info) return nullptr;
  const Bitmap* mask = LookupBitmap(info->hbmMask);
  if (!mask || mask->Format() != PixelFormat::Bgra32 || mask->Empty()) return nullptr;
  Bitmap color, andMask;
  if (info->hbmColor) {
    const Bitmap* c = LookupBitmap(info->hbmColor);
    if (!c || c->Format() != PixelFormat::Bgra32 || c->Width() != mask->Width() ||
        c->Height() != mask->Height())
      return nullptr;
    color = Part(*c, 0, c->Height());
    andMask = NormalisedMask(*mask, 0, mask->Height());
  } else {
    const int h = mask->Height() / 2;
    if (h == 0) return nullptr;
    andMask = NormalisedMask(*mask, 0, h);
    // The XOR half of a monochrome icon has no alpha: it stays a classic icon.
    color = NormalisedMask(*mask, h, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < color.Width(); ++x) color.Pixel32(x, y).a = 0;
  }
  const POINT hotspot{int32_t(std::min<DWORD>(info->xHotspot, INT32_MAX)),
                      int32_t(std::min<DWORD>(info->yHotspot, INT32_MAX))};
  return HandleCast<HICON>(AllocHandle(std::make_unique<IconObject>(
      std::move(color), std::move(andMask), info->fIcon != FALSE, hotspot)));
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  const IconObject* i = LookupIcon(icon);
  if (!i || !info) return FALSE;
  info->fIcon = i->IsIcon() ? TRUE : FALSE;
  info->xHotspot = DWORD(i->Hotspot().x);
  info->yHotspot = DWORD(i->Hotspot().y);
  info->hbmColor = CreateBitmapHandle(i->Color());
  info->hbmMask = CreateBitmapHandle(i->Mask());
  return TRUE;
}

HICON CopyIcon(HICON icon) {
  const IconObject* i = LookupIcon(icon);
  if (!i) return nullptr;
  return HandleCast<HICON>(
      AllocHandle(std::make_unique<IconObject>(i->Color(), i->Mask(), i->IsIcon(), i->Hotspot())));
}

BOOL DestroyIcon(HICON icon) {
  return LookupIcon(icon) && FreeHandle(icon) ? TRUE : FALSE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT,
                HBRUSH flickerFreeBrush, UINT flags) {
  DeviceContext* d = LookupDC(dc);
  const IconObject* i = LookupIcon(icon);
  if (!d || !i || width < 0 || height < 0) return FALSE;
  const Bitmap& color = i->Color();
  const Bitmap& mask = i->Mask();
  const int w = width ? width : color.Width();
  const int h = height ? height : color.Height();
  if (flickerFreeBrush) {
    const RECT r{x, y, int32_t(std::min<int64_t>(int64_t(x) + w, INT32_MAX)),
                 int32_t(std::min<int64_t>(int64_t(y) + h, INT32_MAX))};
    FillRect(dc, &r, flickerFreeBrush);
  }
  if (!(flags & DI_NORMAL)) return TRUE;
  Bitmap* t = d->Target();
  if (!t) return TRUE;
  const POINT corner = d->LogicalToDevice(POINT{x, y});
  const RECT dev{corner.x, corner.y, int32_t(std::min<int64_t>(int64_t(corner.x) + w, INT32_MAX)),
                 int32_t(std::min<int64_t>(int64_t(corner.y) + h, INT32_MAX))};
  const POINT o = d->SurfaceOrigin();
  const bool useMask = flags & DI_MASK, useImage = flags & DI_IMAGE;
  d->ForEachClipRect(dev, [&](const RECT& r) {
    for (int ty = r.top; ty < r.bottom; ++ty) {
      const int sy = Sample(ty - o.y - dev.top, dev.Height(), color.Height());
      Bgra* row = t->Row32(ty);
      for (int tx = r.left; tx < r.right; ++tx) {
        const int sx = Sample(tx - o.x - dev.left, dev.Width(), color.Width());
        const Bgra src = color.Pixel32(sx, sy);
        const bool transparent = mask.Pixel32(sx, sy).r != 0;
        Bgra& dst = row[tx];
        if (useMask && useImage) {
          if (i->HasAlpha()) {
            dst = FromWord(BlendPixel(Word(src), Word(dst), 255, true));
          } else if (!transparent) {
            dst = Bgra{src.b, src.g, src.r, 255};
          } else if (src.b | src.g | src.r) {
            dst = Bgra{uint8_t(dst.b ^ src.b), uint8_t(dst.g ^ src.g), uint8_t(dst.r ^ src.r), 255};
          }
        } else if (useMask) {
          if (!transparent) dst = Bgra{0, 0, 0, 255};
        } else {
          dst = Bgra{src.b, src.g, src.r, 255};
        }
      }
    }
  });
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

}  // namespace win
