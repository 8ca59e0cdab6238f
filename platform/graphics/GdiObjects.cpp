#include "platform/graphics/GdiObjects.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <unordered_map>

#include "platform/graphics/DeviceContext.h"

namespace win {

namespace {

// Handle values are multiples of 16 so that they never look like small integers or null.
constexpr uintptr_t kHandleStep = 16;

struct HandleTable {
  std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>> FObjects;
  // Starting high keeps handles apart from the small integers some calls accept in their place
  // (a system colour index + 1 as a brush).
  uintptr_t FNextId = 0x100;
};

// Never destroyed: objects with static lifetime may still free their handles at exit.
HandleTable& Table() {
  static HandleTable* table = new HandleTable;
  return *table;
}

int CopyDescription(const void* description, int bytes, int size, void* buffer) {
  if (!buffer) return bytes;
  if (size <= 0) return 0;
  const int n = std::min(size, bytes);
  std::memcpy(buffer, description, static_cast<size_t>(n));
  return n;
}

StockFontMaker& FontMaker() {
  static StockFontMaker maker = nullptr;
  return maker;
}

HGDIOBJ MakeStock(std::unique_ptr<GdiObject> object) {
  object->MarkStock();
  return AllocHandle(std::move(object));
}

}  // namespace

int GdiObject::Describe(int, void*) const {
  return 0;
}

HGDIOBJ AllocHandle(std::unique_ptr<GdiObject> object) {
  if (!object) return nullptr;
  HandleTable& table = Table();
  const uintptr_t value = table.FNextId++ * kHandleStep;
  table.FObjects.emplace(value, std::shared_ptr<GdiObject>(std::move(object)));
  return reinterpret_cast<HGDIOBJ>(value);
}

GdiObject* LookupObject(const void* handle) {
  if (!handle) return nullptr;
  HandleTable& table = Table();
  auto it = table.FObjects.find(reinterpret_cast<uintptr_t>(handle));
  return it == table.FObjects.end() ? nullptr : it->second.get();
}

std::shared_ptr<GdiObject> LookupShared(const void* handle) {
  if (!handle) return nullptr;
  HandleTable& table = Table();
  auto it = table.FObjects.find(reinterpret_cast<uintptr_t>(handle));
  return it == table.FObjects.end() ? nullptr : it->second;
}

bool FreeHandle(const void* handle) {
  if (!handle) return false;
  HandleTable& table = Table();
  auto it = table.FObjects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table.FObjects.end() || it->second->IsStock()) return false;
  // Move the object out first: its destructor may free handles of its own.
  std::shared_ptr<GdiObject> doomed = std::move(it->second);
  table.FObjects.erase(it);
  return true;
}

// ---- Bitmaps -------------------------------------------------------------------------------

int BitmapObject::Describe(int size, void* buffer) const {
  BITMAP bm;
  bm.bmType = 0;
  bm.bmWidth = FBitmap.Width();
  bm.bmHeight = FBitmap.Height();
  bm.bmWidthBytes = FBitmap.Stride();
  bm.bmPlanes = 1;
  bm.bmBitsPixel = static_cast<WORD>(FBitmap.BitsPerPixel());
  bm.bmBits = FDibSection ? const_cast<uint8_t*>(FBitmap.Bits()) : nullptr;
  if (!FDibSection || (buffer && size < int(sizeof(DIBSECTION))))
    return CopyDescription(&bm, sizeof bm, size, buffer);
  DIBSECTION ds;
  ds.dsBm = bm;
  BITMAPINFOHEADER& h = ds.dsBmih;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = FBitmap.Width();
  h.biHeight = FBitmap.Order() == RowOrder::BottomUp ? FBitmap.Height() : -FBitmap.Height();
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = BI_RGB;
  h.biSizeImage = DWORD(FBitmap.SizeInBytes());
  return CopyDescription(&ds, sizeof ds, size, buffer);
}

Bitmap* LookupBitmap(HBITMAP bitmap) {
  BitmapObject* object = Lookup<BitmapObject>(bitmap);
  return object ? &object->Pixels() : nullptr;
}

HBITMAP CreateBitmapHandle(Bitmap bitmap) {
  return HandleCast<HBITMAP>(AllocHandle(std::make_unique<BitmapObject>(std::move(bitmap))));
}

namespace {

bool ValidSize(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxBitmapSide && height <= kMaxBitmapSide;
}

// The creation calls report a failed allocation as a null handle, as callers expect.
template <class F>
HBITMAP NullOnExhaustion(F&& make) {
  try {
    return make();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (!ValidSize(width, height) || planes != 1) return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
  return NullOnExhaustion([&] {
    Bitmap pixels(width, height);
    if (bits) {
      // Rows of device-dependent bitmaps are padded to 16 bits.
      const size_t srcStride = ((static_cast<size_t>(width) * bitsPerPixel + 15) / 16) * 2;
      const auto* src = static_cast<const uint8_t*>(bits);
      for (int y = 0; y < height; ++y, src += srcStride) {
        Bgra* d = pixels.Row32(y);
        for (int x = 0; x < width; ++x) {
          switch (bitsPerPixel) {
            case 1: {
              const uint8_t v = (src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
              d[x] = Bgra{v, v, v, 255};
              break;
            }
            case 24:
              d[x] = Bgra{src[x * 3], src[x * 3 + 1], src[x * 3 + 2], 255};
              break;
            default:
              std::memcpy(&d[x], src + x * 4, 4);
              break;
          }
        }
      }
    }
    return CreateBitmapHandle(std::move(pixels));
  });
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (dc && !LookupDC(dc)) return nullptr;
  if (!ValidSize(width, height)) return nullptr;
  return NullOnExhaustion([&] { return CreateBitmapHandle(Bitmap(width, height)); });
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount != 32 || h.biPlanes != 1 ||
      (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS))
    return nullptr;
  const bool bottomUp = h.biHeight > 0;
  const int64_t height = bottomUp ? int64_t(h.biHeight) : -int64_t(h.biHeight);
  if (h.biWidth <= 0 || h.biWidth > kMaxBitmapSide || height <= 0 || height > kMaxBitmapSide)
    return nullptr;
  return NullOnExhaustion([&] {
    Bitmap pixels(h.biWidth, static_cast<int>(height), PixelFormat::Bgra32,
                  bottomUp ? RowOrder::BottomUp : RowOrder::TopDown);
    auto object = std::make_unique<BitmapObject>(std::move(pixels), true);
    void* data = object->Pixels().Bits();
    HBITMAP handle = HandleCast<HBITMAP>(AllocHandle(std::move(object)));
    if (bits) *bits = data;
    return handle;
  });
}

// ---- Brushes and pens ----------------------------------------------------------------------

int BrushObject::Describe(int size, void* buffer) const {
  LOGBRUSH lb;
  lb.lbStyle = FStyle;
  lb.lbColor = FColor;
  lb.lbHatch = FStyle == BS_HATCHED ? uintptr_t(FHatch) : 0;
  return CopyDescription(&lb, sizeof lb, size, buffer);
}

int PenObject::Describe(int size, void* buffer) const {
  LOGPEN lp;
  lp.lopnStyle = static_cast<UINT>(FStyle);
  lp.lopnWidth = POINT{FWidth, 0};
  lp.lopnColor = FColor;
  return CopyDescription(&lp, sizeof lp, size, buffer);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return HandleCast<HBRUSH>(AllocHandle(std::make_unique<BrushObject>(BS_SOLID, color & 0xFFFFFF)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  return HandleCast<HBRUSH>(
      AllocHandle(std::make_unique<BrushObject>(BS_HATCHED, color & 0xFFFFFF, hatch)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  const Bitmap* b = LookupBitmap(bitmap);
  if (!b || b->Empty() || b->Format() != PixelFormat::Bgra32) return nullptr;
  auto pattern = std::make_shared<Bitmap>(b->Width(), b->Height());
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) {
      Bgra p = b->Pixel32(x, y);
      p.a = 255;
      pattern->Pixel32(x, y) = p;
    }
  return HandleCast<HBRUSH>(
      AllocHandle(std::make_unique<BrushObject>(BS_PATTERN, 0, 0, std::move(pattern))));
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= kSysColorCount) return nullptr;
  static std::array<HBRUSH, kSysColorCount> brushes{};
  HBRUSH& brush = brushes[static_cast<size_t>(index)];
  if (!brush)
    brush =
        HandleCast<HBRUSH>(MakeStock(std::make_unique<BrushObject>(BS_SOLID, GetSysColor(index))));
  return brush;
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  // Wider than any bitmap is as wide as it gets.
  const int w = std::clamp(width, 0, kMaxBitmapSide);
  return HandleCast<HPEN>(AllocHandle(std::make_unique<PenObject>(style, w, color & 0xFFFFFF)));
}

// ---- Stock objects -------------------------------------------------------------------------

void SetStockFontMaker(StockFontMaker maker) {
  FontMaker() = maker;
}

HGDIOBJ GetStockObject(int index) {
  static std::array<HGDIOBJ, DC_PEN + 1> stock{};
  if (index < 0 || index > DC_PEN) return nullptr;
  HGDIOBJ& slot = stock[static_cast<size_t>(index)];
  if (slot) return slot;
  switch (index) {
    case WHITE_BRUSH:
      slot = MakeStock(std::make_unique<BrushObject>(BS_SOLID, RGB(255, 255, 255)));
      break;
    case LTGRAY_BRUSH:
      slot = MakeStock(std::make_unique<BrushObject>(BS_SOLID, RGB(192, 192, 192)));
      break;
    case GRAY_BRUSH:
      slot = MakeStock(std::make_unique<BrushObject>(BS_SOLID, RGB(128, 128, 128)));
      break;
    case DKGRAY_BRUSH:
      slot = MakeStock(std::make_unique<BrushObject>(BS_SOLID, RGB(64, 64, 64)));
      break;
    case BLACK_BRUSH:
      slot = MakeStock(std::make_unique<BrushObject>(BS_SOLID, RGB(0, 0, 0)));
      break;
    case NULL_BRUSH:
      slot = MakeStock(std::make_unique<BrushObject>(BS_NULL, 0));
      break;
    case WHITE_PEN:
      slot = MakeStock(std::make_unique<PenObject>(PS_SOLID, 1, RGB(255, 255, 255)));
      break;
    case BLACK_PEN:
      slot = MakeStock(std::make_unique<PenObject>(PS_SOLID, 1, RGB(0, 0, 0)));
      break;
    case NULL_PEN:
      slot = MakeStock(std::make_unique<PenObject>(PS_NULL, 1, 0));
      break;
    case DC_BRUSH:
      slot = MakeStock(std::make_unique<BrushObject>(BS_SOLID, RGB(255, 255, 255)));
      break;
    case DC_PEN:
      slot = MakeStock(std::make_unique<PenObject>(PS_SOLID, 1, RGB(0, 0, 0)));
      break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT:
      if (FontMaker()) {
        std::unique_ptr<GdiObject> font = FontMaker()(index);
        if (font && font->Type() == OBJ_FONT) slot = MakeStock(std::move(font));
      }
      break;
    default:
      break;
  }
  return slot;
}

HBITMAP DefaultDCBitmap() {
  static HBITMAP bitmap =
      HandleCast<HBITMAP>(MakeStock(std::make_unique<BitmapObject>(Bitmap(1, 1))));
  return bitmap;
}

DWORD GetObjectType(HGDIOBJ object) {
  GdiObject* o = LookupObject(object);
  return o ? o->Type() : 0;
}

int GetObjectW(HGDIOBJ object, int size, void* buffer) {
  GdiObject* o = LookupObject(object);
  return o ? o->Describe(size, buffer) : 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiObject* o = LookupObject(object);
  if (!o) return FALSE;
  // DCs and icons have their own release calls.
  if (o->Type() == OBJ_DC || o->Type() == OBJ_MEMDC || o->Type() == OBJ_ICON) return FALSE;
  if (o->IsStock()) return TRUE;
  return FreeHandle(object) ? TRUE : FALSE;
}

}  // namespace win
