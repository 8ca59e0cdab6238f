#pragma once
// The drawing layer's object table. Every drawing object (bitmap, brush, pen, font, region,
// device context, icon) lives behind an opaque pointer-sized handle. Handle values are ids that
// are never reused within a run; a handle that was deleted (or never existed) looks up as null,
// so every call taking it fails safely and returns 0.
//
// Other files register their own object kinds by deriving from GdiObject and calling
// AllocHandle; DeleteObject frees them. Objects selected into a device context stay alive
// until they are deselected, even when their handle was deleted, so a DC never draws into
// freed memory; the handle itself is dead at once.
//
// The table belongs to the user-interface thread.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/base/Colors.h"
#include "platform/base/Geometry.h"
#include "platform/base/WinTypes.h"
#include "platform/graphics/Bitmap.h"

namespace win {

using COLOR16 = uint16_t;

// Distinct handle types. Every GDI handle converts implicitly to HGDIOBJ; the way back is a
// cast, as with SelectObject's result. HICON is not a GDI object (DestroyIcon frees it), so it
// does not convert to HGDIOBJ.
struct HGDIOBJ__ {};
struct HBITMAP__ : HGDIOBJ__ {};
struct HDC__ : HGDIOBJ__ {};
struct HRGN__ : HGDIOBJ__ {};
struct HFONT__ : HGDIOBJ__ {};
struct HBRUSH__ : HGDIOBJ__ {};
struct HPEN__ : HGDIOBJ__ {};
struct HICON__ {};
using HGDIOBJ = HGDIOBJ__*;
using HBITMAP = HBITMAP__*;
using HDC = HDC__*;
using HRGN = HRGN__*;
using HFONT = HFONT__*;
using HBRUSH = HBRUSH__*;
using HPEN = HPEN__*;
using HICON = HICON__*;

// Object types, as GetObjectType reports them.
enum : DWORD {
  OBJ_PEN = 1,
  OBJ_BRUSH = 2,
  OBJ_DC = 3,
  OBJ_PAL = 5,
  OBJ_FONT = 6,
  OBJ_BITMAP = 7,
  OBJ_REGION = 8,
  OBJ_MEMDC = 10,
  OBJ_EXTPEN = 11,
  // Icons are not drawing objects (no DeleteObject) but share the table.
  OBJ_ICON = 0x100,
};

class GdiObject {
 public:
  explicit GdiObject(DWORD type) : FType(type) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  DWORD Type() const { return FType; }
  // Stock objects ignore DeleteObject.
  bool IsStock() const { return FStock; }
  void MarkStock() { FStock = true; }

  // GetObject's answer: with a null buffer, the size of the description; otherwise copies at
  // most `size` bytes of it and returns how many were copied. 0 when the kind has none.
  virtual int Describe(int size, void* buffer) const;

 private:
  DWORD FType;
  bool FStock = false;
};

// Registers an object and gives it a fresh handle (never null, never reused).
HGDIOBJ AllocHandle(std::unique_ptr<GdiObject> object);
// The live object behind a handle, or null (dead handle, null, or a handle of another kind).
GdiObject* LookupObject(const void* handle);
// Shared ownership of the live object (DCs hold their selected objects this way).
std::shared_ptr<GdiObject> LookupShared(const void* handle);
// Removes the handle from the table; the object is freed once nobody shares it.
// Returns false for dead handles and stock objects (which stay).
bool FreeHandle(const void* handle);

template <class T, class H>
T* Lookup(H handle) {
  return dynamic_cast<T*>(LookupObject(reinterpret_cast<const void*>(handle)));
}

// A typed handle from the table's generic one (same id).
template <class H>
H HandleCast(HGDIOBJ handle) {
  return reinterpret_cast<H>(handle);
}

// ---- Bitmaps, brushes and pens -------------------------------------------------------------

// A bitmap object. Bitmaps a DC draws into are 32-bit.
class BitmapObject : public GdiObject {
 public:
  explicit BitmapObject(Bitmap bitmap, bool dibSection = false)
      : GdiObject(OBJ_BITMAP), FBitmap(std::move(bitmap)), FDibSection(dibSection) {}
  Bitmap& Pixels() { return FBitmap; }
  const Bitmap& Pixels() const { return FBitmap; }
  bool IsDibSection() const { return FDibSection; }
  int Describe(int size, void* buffer) const override;

 private:
  Bitmap FBitmap;
  bool FDibSection;
};

// Brush styles and hatches.
enum : UINT { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = BS_NULL, BS_HATCHED = 2, BS_PATTERN = 3 };
enum : int {
  HS_HORIZONTAL = 0,
  HS_VERTICAL = 1,
  HS_FDIAGONAL = 2,
  HS_BDIAGONAL = 3,
  HS_CROSS = 4,
  HS_DIAGCROSS = 5,
};

class BrushObject : public GdiObject {
 public:
  BrushObject(UINT style, COLORREF color, int hatch = 0,
              std::shared_ptr<const Bitmap> pattern = nullptr)
      : GdiObject(OBJ_BRUSH),
        FStyle(style),
        FColor(color),
        FHatch(hatch),
        FPattern(std::move(pattern)) {}
  UINT Style() const { return FStyle; }
  COLORREF Color() const { return FColor; }
  int Hatch() const { return FHatch; }
  // BS_PATTERN: a 32-bit picture tiled from the DC's brush origin.
  const Bitmap* Pattern() const { return FPattern.get(); }
  int Describe(int size, void* buffer) const override;

 private:
  UINT FStyle;
  COLORREF FColor;
  int FHatch;
  std::shared_ptr<const Bitmap> FPattern;
};

// Pen styles.
enum : int {
  PS_SOLID = 0,
  PS_DASH = 1,
  PS_DOT = 2,
  PS_DASHDOT = 3,
  PS_DASHDOTDOT = 4,
  PS_NULL = 5,
  PS_INSIDEFRAME = 6
};

class PenObject : public GdiObject {
 public:
  PenObject(int style, int width, COLORREF color)
      : GdiObject(OBJ_PEN), FStyle(style), FWidth(width), FColor(color) {}
  int Style() const { return FStyle; }
  int Width() const { return FWidth; }
  COLORREF Color() const { return FColor; }
  int Describe(int size, void* buffer) const override;

 private:
  int FStyle;
  int FWidth;
  COLORREF FColor;
};

// The pixels behind a bitmap handle (null for dead handles). Direct access ignores every DC.
Bitmap* LookupBitmap(HBITMAP bitmap);
// Registers a bitmap made elsewhere (a decoded picture, a framework bitmap) under a handle.
HBITMAP CreateBitmapHandle(Bitmap bitmap);

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;  // only DIB sections expose their pixels
};

struct LOGBRUSH {
  UINT lbStyle = 0;
  COLORREF lbColor = 0;
  uintptr_t lbHatch = 0;
};

struct LOGPEN {
  UINT lopnStyle = 0;
  POINT lopnWidth;
  COLORREF lopnColor = 0;
};

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;  // negative: rows top-down
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

enum : DWORD { BI_RGB = 0, BI_BITFIELDS = 3 };

// GetObject's answer for a DIB section when the buffer is large enough (else a BITMAP).
struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3] = {};
  void* dshSection = nullptr;
  DWORD dsOffset = 0;
};
enum : UINT { DIB_RGB_COLORS = 0 };

// Every bitmap created here is 32-bit (B, G, R, A). CreateBitmap takes 1-, 24- and 32-bit
// initial bits (rows padded to 16 bits as usual, 1-bit: set = white) and stores them as 32-bit
// pixels with alpha 255 (32-bit bits are copied as they are).
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Only 32-bit BI_RGB/BI_BITFIELDS layouts. Positive heights are bottom-up: *bits points at the
// bottom row, as the layout says.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);

HBRUSH CreateSolidBrush(COLORREF color);
// One-pixel hatch lines of the colour every 8 pixels (from the DC's brush origin); between
// them the background colour when the DC's background mode is OPAQUE, else nothing.
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// Tiles a copy of the bitmap (which the caller may delete), written with alpha 255.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
// A stock brush of the system colour (never deleted).
HBRUSH GetSysColorBrush(int index);
// Widths are cut to 0..kMaxBitmapSide (0 draws one pixel wide).
HPEN CreatePen(int style, int width, COLORREF color);

// Stock objects.
enum : int {
  WHITE_BRUSH = 0,
  LTGRAY_BRUSH = 1,
  GRAY_BRUSH = 2,
  DKGRAY_BRUSH = 3,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  HOLLOW_BRUSH = NULL_BRUSH,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  OEM_FIXED_FONT = 10,
  ANSI_FIXED_FONT = 11,
  ANSI_VAR_FONT = 12,
  SYSTEM_FONT = 13,
  DEVICE_DEFAULT_FONT = 14,
  DEFAULT_PALETTE = 15,
  SYSTEM_FIXED_FONT = 16,
  DEFAULT_GUI_FONT = 17,
  DC_BRUSH = 18,  // solid, in the DC's brush colour (SetDCBrushColor)
  DC_PEN = 19,    // solid, one pixel, in the DC's pen colour (SetDCPenColor)
};
HGDIOBJ GetStockObject(int index);
// The font stock objects are made by the text engine, which registers one maker for all font
// indexes; until then GetStockObject returns null for them.
using StockFontMaker = std::unique_ptr<GdiObject> (*)(int index);
void SetStockFontMaker(StockFontMaker maker);
// The 1x1 bitmap every new memory DC starts with (selecting it back deselects a bitmap).
HBITMAP DefaultDCBitmap();

DWORD GetObjectType(HGDIOBJ object);
// Dispatches on the object's kind (BITMAP, LOGBRUSH, LOGPEN, the text engine's LOGFONTW ...).
int GetObjectW(HGDIOBJ object, int size, void* buffer);
inline int GetObject(HGDIOBJ object, int size, void* buffer) {
  return GetObjectW(object, size, buffer);
}
BOOL DeleteObject(HGDIOBJ object);

}  // namespace win
