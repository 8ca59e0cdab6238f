#include "platform/graphics/Drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace win {

namespace {

// ---- Pixels --------------------------------------------------------------------------------
// A 32-bit pixel as one little-endian word: 0xAARRGGBB.

constexpr uint32_t kAlpha = 0xFF000000u;
constexpr uint32_t kColour = 0x00FFFFFFu;

uint32_t ToPixel(COLORREF c) {
  return kAlpha | (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

COLORREF FromPixel(uint32_t p) {
  return RGB(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
}

uint32_t* PixelRow(Bitmap& b, int y) {
  return reinterpret_cast<uint32_t*>(b.Row(y));
}
const uint32_t* PixelRow(const Bitmap& b, int y) {
  return reinterpret_cast<const uint32_t*>(b.Row(y));
}

// v / 255 rounded to nearest, for v in 0 .. 255 * 255.
uint32_t Div255(uint32_t v) {
  return (v + 128 + ((v + 128) >> 8)) >> 8;
}

// Truth tables over pattern, source and destination bits (bit index P*4 + S*2 + D).
uint32_t Ternary(unsigned table, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t r = 0;
  for (unsigned i = 0; i < 8; ++i)
    if ((table >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return r;
}

bool UsesSource(unsigned table) {
  return ((table >> 2) & 0x33) != (table & 0x33);
}
bool UsesPattern(unsigned table) {
  return ((table >> 4) & 0x0F) != (table & 0x0F);
}

// ROP2 codes 1..16 are truth tables over pen and destination (bit index P*2 + D) plus one.
uint32_t Binary(int rop2, uint32_t p, uint32_t d) {
  const unsigned table = unsigned(rop2 - 1);
  uint32_t r = 0;
  for (unsigned i = 0; i < 4; ++i)
    if ((table >> i) & 1) r |= ((i & 2) ? p : ~p) & ((i & 1) ? d : ~d);
  return (r & kColour) | kAlpha;
}

void FillSpan(uint32_t* row, int left, int right, uint32_t px) {
  std::fill(row + left, row + right, px);
}

// ---- Coordinates ---------------------------------------------------------------------------

// Device coordinates are kept within this range so that later arithmetic cannot overflow.
constexpr int64_t kLimit = int64_t(1) << 29;

int32_t Clamp(int64_t v) {
  return static_cast<int32_t>(std::clamp(v, -kLimit, kLimit));
}

POINT ToDevice(const DeviceContext* d, int64_t x, int64_t y) {
  const DcState& s = d->State();
  return POINT{Clamp(x - s.FWindowOrg.x + s.FViewportOrg.x),
               Clamp(y - s.FWindowOrg.y + s.FViewportOrg.y)};
}

// A logical rectangle (corners in any order) in device space.
RECT ToDeviceRect(const DeviceContext* d, int64_t l, int64_t t, int64_t r, int64_t b) {
  const POINT a = ToDevice(d, std::min(l, r), std::min(t, b));
  const POINT c = ToDevice(d, std::max(l, r), std::max(t, b));
  return RECT{a.x, a.y, c.x, c.y};
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) return RECT{};
  return r;
}

bool IsEmpty(const RECT& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

// ---- Brushes and pens ----------------------------------------------------------------------

const BrushObject* SelectedBrush(const DeviceContext* d) {
  return static_cast<const BrushObject*>(d->State().FBrush.FObject.get());
}

const PenObject* SelectedPen(const DeviceContext* d) {
  return static_cast<const PenObject*>(d->State().FPen.FObject.get());
}

// A pen's colour in a DC (the stock DC pen takes the DC's pen colour).
uint32_t PenPixel(const DeviceContext* d, const PenObject& pen) {
  const bool dcPen = d->State().FPen.FHandle == GetStockObject(DC_PEN);
  return ToPixel(dcPen ? d->State().FDCPenColor : pen.Color());
}

// What a brush puts on a pixel (device coordinates), relative to the DC's brush origin.
class BrushPaint {
 public:
  static BrushPaint Solid(uint32_t px) {
    BrushPaint p;
    p.FColour = px;
    return p;
  }

  BrushPaint() = default;
  BrushPaint(const DeviceContext* d, const BrushObject& b)
      : FColour(ToPixel(&b == Lookup<BrushObject>(GetStockObject(DC_BRUSH))
                            ? d->State().FDCBrushColor
                            : b.Color())),
        FOrigin(d->State().FBrushOrg) {
    if (b.Style() == BS_HATCHED) {
      FHatch = b.Hatch();
      FBackground = ToPixel(d->State().FBkColor);
      FOpaqueGaps = d->State().FBkMode == OPAQUE;
    } else if (b.Style() == BS_PATTERN) {
      FPattern = b.Pattern();
    }
  }

  bool IsSolid() const { return FHatch < 0 && !FPattern; }
  // The solid colour; for other brushes the pixel at the brush origin, which raster
  // operations that also read a source use.
  uint32_t Colour() const { return FPattern ? PixelRow(*FPattern, 0)[0] : FColour; }
  // The brush's pixel at (x, y), or false where a hatch brush leaves the pixel alone.
  bool At(int x, int y, uint32_t& px, bool gapsAlwaysOpaque = false) const {
    if (FPattern) {
      px = PixelRow(*FPattern, Wrap(int64_t(y) - FOrigin.y,
                                    FPattern->Height()))[Wrap(int64_t(x) - FOrigin.x, FPattern->Width())];
      return true;
    }
    if (FHatch < 0) {
      px = FColour;
      return true;
    }
    const int u = Wrap(int64_t(x) - FOrigin.x, 8), v = Wrap(int64_t(y) - FOrigin.y, 8);
    bool line = false;
    switch (FHatch) {
      case HS_HORIZONTAL:
        line = v == 0;
        break;
      case HS_VERTICAL:
        line = u == 0;
        break;
      case HS_FDIAGONAL:
        line = u == v;
        break;
      case HS_BDIAGONAL:
        line = u + v == 7;
        break;
      case HS_CROSS:
        line = u == 0 || v == 0;
        break;
      default:
        line = u == v || u + v == 7;
        break;
    }
    if (line) {
      px = FColour;
      return true;
    }
    px = FBackground;
    return FOpaqueGaps || gapsAlwaysOpaque;
  }

 private:
  static int Wrap(int64_t v, int n) { return int(((v % n) + n) % n); }

  uint32_t FColour = 0;
  POINT FOrigin;
  int FHatch = -1;
  uint32_t FBackground = 0;
  bool FOpaqueGaps = false;
  const Bitmap* FPattern = nullptr;
};

enum class Paint { Dead, Hollow, Drawable };

// A brush argument: a handle, or a system colour index + 1.
Paint ResolveBrush(const DeviceContext* d, HBRUSH brush, BrushPaint& paint) {
  const auto value = reinterpret_cast<uintptr_t>(brush);
  if (value >= 1 && value <= uintptr_t(kSysColorCount)) {
    paint = BrushPaint::Solid(ToPixel(GetSysColor(int(value) - 1)));
    return Paint::Drawable;
  }
  const BrushObject* b = Lookup<BrushObject>(brush);
  if (!b) return Paint::Dead;
  if (b->Style() == BS_NULL) return Paint::Hollow;
  paint = BrushPaint(d, *b);
  return Paint::Drawable;
}

// The selected brush, or nothing for a hollow brush.
std::optional<BrushPaint> SelectedPaint(const DeviceContext* d) {
  const BrushObject* b = SelectedBrush(d);
  if (!b || b->Style() == BS_NULL) return std::nullopt;
  return BrushPaint(d, *b);
}

// ---- Fills ---------------------------------------------------------------------------------

void FillDevice(DeviceContext* d, const RECT& device, uint32_t px) {
  Bitmap* t = d->Target();
  if (!t) return;
  d->ForEachClipRect(device, [&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) FillSpan(PixelRow(*t, y), r.left, r.right, px);
  });
}

void Rop2Device(DeviceContext* d, const RECT& device, uint32_t px, int rop2) {
  if (rop2 == R2_COPYPEN) return FillDevice(d, device, px);
  if (rop2 == R2_NOP) return;
  Bitmap* t = d->Target();
  if (!t) return;
  d->ForEachClipRect(device, [&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
      uint32_t* row = PixelRow(*t, y);
      for (int x = r.left; x < r.right; ++x) row[x] = Binary(rop2, px, row[x]);
    }
  });
}

void FillBrush(DeviceContext* d, const RECT& device, const BrushPaint& paint, int rop2) {
  if (paint.IsSolid()) return Rop2Device(d, device, paint.Colour(), rop2);
  if (rop2 == R2_NOP) return;
  Bitmap* t = d->Target();
  if (!t) return;
  const POINT o = d->SurfaceOrigin();
  d->ForEachClipRect(device, [&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
      uint32_t* row = PixelRow(*t, y);
      for (int x = r.left; x < r.right; ++x) {
        uint32_t px;
        if (paint.At(x - o.x, y - o.y, px))
          row[x] = rop2 == R2_COPYPEN ? px : Binary(rop2, px, row[x]);
      }
    }
  });
}

// A one-pixel ring just inside `r` (device space), each pixel once.
template <class F>
void ForEachRingBar(const RECT& r, F&& bar) {
  if (IsEmpty(r)) return;
  bar(RECT{r.left, r.top, r.right, r.top + 1});
  if (r.bottom - 1 > r.top) bar(RECT{r.left, r.bottom - 1, r.right, r.bottom});
  if (r.bottom - r.top > 2) {
    bar(RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1});
    if (r.right - 1 > r.left) bar(RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1});
  }
}

// ---- Blits ---------------------------------------------------------------------------------

// The destination rows and columns of a blit, and where each takes its source pixel.
struct Mapping {
  RECT FDest;              // target space of the destination, already clipped to the clip box
  std::vector<int> FCols;  // source column per destination column (from FDest.left)
  std::vector<int> FRows;  // source row per destination row (from FDest.top)
};

// Nearest-neighbour sample i of n over a source span of m starting at `start`; a mirrored
// blit samples as if counting from the other end of the destination.
int Sample(int64_t i, int64_t n, int64_t m, int64_t start, bool mirror) {
  if (mirror) i = n - 1 - i;
  const int64_t j = ((2 * i + 1) * m) / (2 * n);
  return static_cast<int>(std::clamp<int64_t>(start + j, INT32_MIN, INT32_MAX));
}

// A negative extent makes the given coordinate the last pixel: [v + e + 1, v + 1).
void Normalise(int64_t& v, int64_t& e) {
  if (e < 0) {
    v = v + e + 1;
    e = -e;
  }
}

// Copies of the source pixels a blit within one bitmap reads, so that writes cannot feed
// later reads.
struct SourceCopy {
  Bitmap FCopy;
  int FLeft = 0;
  int FTop = 0;
};

SourceCopy CopyArea(const Bitmap& src, const Mapping& m) {
  SourceCopy c;
  if (m.FCols.empty() || m.FRows.empty()) return c;
  auto [colMin, colMax] = std::minmax_element(m.FCols.begin(), m.FCols.end());
  auto [rowMin, rowMax] = std::minmax_element(m.FRows.begin(), m.FRows.end());
  const RECT area = Intersect(RECT{*colMin, *rowMin, *colMax + 1, *rowMax + 1},
                              RECT{0, 0, src.Width(), src.Height()});
  if (IsEmpty(area)) return c;
  c.FCopy = Bitmap(area.Width(), area.Height());
  c.FLeft = area.left;
  c.FTop = area.top;
  for (int y = area.top; y < area.bottom; ++y)
    std::memcpy(c.FCopy.Row(y - area.top), PixelRow(src, y) + area.left, size_t(area.Width()) * 4);
  return c;
}

// Draws a mapped blit with a per-pixel operation op(sourcePixel, destPixel) -> pixel.
template <class Op>
void MappedBlit(DeviceContext* d, const RECT& deviceDest, const Mapping& m, const Bitmap& src,
                int srcLeft, int srcTop, Op&& op) {
  Bitmap* t = d->Target();
  const int sw = src.Width(), sh = src.Height();
  d->ForEachClipRect(deviceDest, [&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
      const int sy = m.FRows[size_t(y - m.FDest.top)] - srcTop;
      if (sy < 0 || sy >= sh) continue;
      const uint32_t* srow = PixelRow(src, sy);
      uint32_t* drow = PixelRow(*t, y);
      for (int x = r.left; x < r.right; ++x) {
        const int sx = m.FCols[size_t(x - m.FDest.left)] - srcLeft;
        if (sx < 0 || sx >= sw) continue;
        drow[x] = op(srow[sx], drow[x]);
      }
    }
  });
}

// Builds the mapping of a destination rectangle (device space, normalised) onto a source
// rectangle (target space of the source, normalised), limited to the destination's clip box.
bool BuildMapping(DeviceContext* d, const RECT& deviceDest, int64_t sx, int64_t sy, int64_t sw,
                  int64_t sh, bool mirrorX, bool mirrorY, Mapping& m) {
  const RECT box = Intersect(d->EffectiveClip().Box(), deviceDest);
  if (IsEmpty(box)) return false;
  const POINT o = d->SurfaceOrigin();
  m.FDest = RECT{box.left + o.x, box.top + o.y, box.right + o.x, box.bottom + o.y};
  const int64_t dw = deviceDest.Width(), dh = deviceDest.Height();
  m.FCols.resize(size_t(box.Width()));
  m.FRows.resize(size_t(box.Height()));
  for (int x = box.left; x < box.right; ++x)
    m.FCols[size_t(x - box.left)] = Sample(x - deviceDest.left, dw, sw, sx, mirrorX);
  for (int y = box.top; y < box.bottom; ++y)
    m.FRows[size_t(y - box.top)] = Sample(y - deviceDest.top, dh, sh, sy, mirrorY);
  return true;
}

struct RopPixels {
  unsigned FTable;
  uint32_t FPattern;
  uint32_t operator()(uint32_t s, uint32_t dpx) const {
    return (Ternary(FTable, FPattern, s, dpx) & kColour) | kAlpha;
  }
};

}  // namespace

// ---- BitBlt, StretchBlt, PatBlt ------------------------------------------------------------

namespace {

// Runs a source raster operation through a mapping. A source that is the target itself is
// copied first, so overlapping areas read the pixels as they were before the call.
void BlitMapped(DeviceContext* d, const RECT& dev, const Mapping& m, const Bitmap& source,
                const Bitmap& target, bool copy, unsigned table, uint32_t pattern) {
  auto run = [&](const Bitmap& from, int left, int top) {
    if (copy)
      MappedBlit(d, dev, m, from, left, top, [](uint32_t sp, uint32_t) { return sp; });
    else
      MappedBlit(d, dev, m, from, left, top, RopPixels{table, pattern});
  };
  if (&source == &target) {
    const SourceCopy c = CopyArea(source, m);
    run(c.FCopy, c.FLeft, c.FTop);
  } else {
    run(source, 0, 0);
  }
}

}  // namespace

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
  DeviceContext* d = LookupDC(dst);
  if (!d) return FALSE;
  const unsigned table = (rop >> 16) & 0xFF;
  if (!UsesSource(table)) return PatBlt(dst, x, y, width, height, rop);
  DeviceContext* s = LookupDC(src);
  if (!s) return FALSE;
  if (width <= 0 || height <= 0) return TRUE;
  Bitmap* t = d->Target();
  Bitmap* sb = s->Target();
  if (!t || !sb) return TRUE;
  uint32_t pattern = 0;
  if (UsesPattern(table)) {
    const std::optional<BrushPaint> p = SelectedPaint(d);
    if (!p) return TRUE;
    pattern = p->Colour();
  }

  RECT dev = ToDeviceRect(d, x, y, int64_t(x) + width, int64_t(y) + height);
  const POINT dt = d->DeviceToTarget(POINT{dev.left, dev.top});
  const POINT st = s->DeviceToTarget(ToDevice(s, sx, sy));
  // Source target pixel = destination target pixel + shift.
  const int64_t shiftX = int64_t(st.x) - dt.x;
  const int64_t shiftY = int64_t(st.y) - dt.y;
  // Only where the source exists.
  const POINT o = d->SurfaceOrigin();
  const RECT reach{Clamp(-shiftX - o.x), Clamp(-shiftY - o.y), Clamp(sb->Width() - shiftX - o.x),
                   Clamp(sb->Height() - shiftY - o.y)};
  dev = Intersect(dev, reach);
  if (IsEmpty(dev)) return TRUE;

  std::vector<RECT> parts;
  d->ForEachClipRect(dev, [&](const RECT& r) { parts.push_back(r); });
  if (parts.empty()) return TRUE;

  const bool copy = table == 0xCC;
  if (copy) {
    const bool sameBitmap = sb == t;
    if (!sameBitmap || parts.size() == 1) {
      for (const RECT& r : parts) {
        const size_t bytes = size_t(r.Width()) * 4;
        const int sx0 = int(r.left + shiftX);
        // Whole rows of two top-down bitmaps with the same layout are one block.
        if (!sameBitmap && r.left == 0 && sx0 == 0 && r.Width() == t->Width() &&
            t->Width() == sb->Width() && t->Stride() == sb->Stride() &&
            t->Order() == RowOrder::TopDown && sb->Order() == RowOrder::TopDown) {
          std::memcpy(t->Row(r.top), sb->Row(int(r.top + shiftY)),
                      size_t(t->Stride()) * size_t(r.Height()));
          continue;
        }
        // Within one bitmap, rows are copied against the direction of the move.
        const bool bottomFirst = sameBitmap && shiftY < 0;
        for (int i = 0; i < r.Height(); ++i) {
          const int yy = bottomFirst ? r.bottom - 1 - i : r.top + i;
          std::memmove(PixelRow(*t, yy) + r.left, PixelRow(*sb, int(yy + shiftY)) + sx0, bytes);
        }
      }
      return TRUE;
    }
  }
  // A one-to-one mapping: sampling a span of the same length is the identity.
  Mapping m;
  if (!BuildMapping(d, dev, int64_t(dev.left) + o.x + shiftX, int64_t(dev.top) + o.y + shiftY,
                    dev.Width(), dev.Height(), false, false, m))
    return TRUE;
  BlitMapped(d, dev, m, *sb, *t, copy, table, pattern);
  return TRUE;
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, DWORD rop) {
  DeviceContext* d = LookupDC(dst);
  if (!d) return FALSE;
  const unsigned table = (rop >> 16) & 0xFF;
  if (!UsesSource(table)) {
    int64_t lx = x, ly = y, lw = width, lh = height;
    Normalise(lx, lw);
    Normalise(ly, lh);
    return PatBlt(dst, Clamp(lx), Clamp(ly), Clamp(lw), Clamp(lh), rop);
  }
  DeviceContext* s = LookupDC(src);
  if (!s) return FALSE;
  int64_t dx = x, dy = y, dw = width, dh = height, lsx = sx, lsy = sy, lsw = sw, lsh = sh;
  const bool mirrorX = (dw < 0) != (lsw < 0);
  const bool mirrorY = (dh < 0) != (lsh < 0);
  Normalise(dx, dw);
  Normalise(dy, dh);
  Normalise(lsx, lsw);
  Normalise(lsy, lsh);
  if (dw == 0 || dh == 0 || lsw == 0 || lsh == 0) return TRUE;
  Bitmap* t = d->Target();
  Bitmap* sb = s->Target();
  if (!t || !sb) return TRUE;
  uint32_t pattern = 0;
  if (UsesPattern(table)) {
    const std::optional<BrushPaint> p = SelectedPaint(d);
    if (!p) return TRUE;
    pattern = p->Colour();
  }
  const RECT dev = ToDeviceRect(d, dx, dy, dx + dw, dy + dh);
  const POINT st = s->DeviceToTarget(ToDevice(s, lsx, lsy));
  Mapping m;
  if (!BuildMapping(d, dev, st.x, st.y, lsw, lsh, mirrorX, mirrorY, m)) return TRUE;
  const bool copy = table == 0xCC;
  BlitMapped(d, dev, m, *sb, *t, copy, table, pattern);
  return TRUE;
}

BOOL TransparentBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                    int sh, UINT transparent) {
  DeviceContext* d = LookupDC(dst);
  DeviceContext* s = LookupDC(src);
  if (!d || !s || width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return FALSE;
  Bitmap* t = d->Target();
  Bitmap* sb = s->Target();
  if (!t || !sb) return TRUE;
  const RECT dev = ToDeviceRect(d, x, y, int64_t(x) + width, int64_t(y) + height);
  const POINT st = s->DeviceToTarget(ToDevice(s, sx, sy));
  Mapping m;
  if (!BuildMapping(d, dev, st.x, st.y, sw, sh, false, false, m)) return TRUE;
  const uint32_t key = ToPixel(transparent) & kColour;
  auto op = [key](uint32_t sp, uint32_t dp) { return (sp & kColour) == key ? dp : sp | kAlpha; };
  if (sb == t) {
    const SourceCopy c = CopyArea(*sb, m);
    MappedBlit(d, dev, m, c.FCopy, c.FLeft, c.FTop, op);
  } else {
    MappedBlit(d, dev, m, *sb, 0, 0, op);
  }
  return TRUE;
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return FALSE;
  const unsigned table = (rop >> 16) & 0xFF;
  if (UsesSource(table)) return FALSE;
  if (width == 0 || height == 0 || !d->Target()) return TRUE;
  std::optional<BrushPaint> paint;
  if (UsesPattern(table)) {
    paint = SelectedPaint(d);
    if (!paint) return TRUE;
  }
  const RECT dev = ToDeviceRect(d, x, y, int64_t(x) + width, int64_t(y) + height);
  switch (table) {
    case 0xF0:
      FillBrush(d, dev, *paint, R2_COPYPEN);
      return TRUE;  // PATCOPY
    case 0x00:
      FillDevice(d, dev, kAlpha);
      return TRUE;  // BLACKNESS
    case 0xFF:
      FillDevice(d, dev, 0xFFFFFFFFu);
      return TRUE;  // WHITENESS
    case 0xAA:
      return TRUE;  // destination unchanged
    default:
      break;
  }
  Bitmap* t = d->Target();
  const POINT o = d->SurfaceOrigin();
  d->ForEachClipRect(dev, [&](const RECT& r) {
    for (int yy = r.top; yy < r.bottom; ++yy) {
      uint32_t* row = PixelRow(*t, yy);
      for (int xx = r.left; xx < r.right; ++xx) {
        // Hatch gaps take the background colour here whatever the background mode.
        uint32_t pattern = 0;
        if (paint) paint->At(xx - o.x, yy - o.y, pattern, true);
        row[xx] = (Ternary(table, pattern, 0, row[xx]) & kColour) | kAlpha;
      }
    }
  });
  return TRUE;
}

// ---- Rectangles ----------------------------------------------------------------------------

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !rect) return 0;
  BrushPaint paint;
  const Paint kind = ResolveBrush(d, brush, paint);
  if (kind == Paint::Dead) return 0;
  if (kind == Paint::Drawable && rect->left < rect->right && rect->top < rect->bottom)
    FillBrush(d, ToDeviceRect(d, rect->left, rect->top, rect->right, rect->bottom), paint,
              R2_COPYPEN);
  return 1;
}

BOOL FillSolidRect(HDC dc, const RECT* rect, COLORREF color) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !rect) return FALSE;
  if (rect->left < rect->right && rect->top < rect->bottom)
    FillDevice(d, ToDeviceRect(d, rect->left, rect->top, rect->right, rect->bottom),
               ToPixel(color));
  return TRUE;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !rect) return 0;
  BrushPaint paint;
  const Paint kind = ResolveBrush(d, brush, paint);
  if (kind == Paint::Dead) return 0;
  if (kind == Paint::Drawable && rect->left < rect->right && rect->top < rect->bottom)
    ForEachRingBar(ToDeviceRect(d, rect->left, rect->top, rect->right, rect->bottom),
                   [&](const RECT& bar) { FillBrush(d, bar, paint, R2_COPYPEN); });
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !rect) return FALSE;
  if (rect->left < rect->right && rect->top < rect->bottom)
    Rop2Device(d, ToDeviceRect(d, rect->left, rect->top, rect->right, rect->bottom), 0, R2_NOT);
  return TRUE;
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
  DeviceContext* d = LookupDC(dc);
  const Region* r = LookupRegion(region);
  if (!d || !r) return FALSE;
  BrushPaint paint;
  const Paint kind = ResolveBrush(d, brush, paint);
  if (kind == Paint::Dead) return FALSE;
  if (kind == Paint::Drawable)
    for (const RECT& part : r->Rects())
      FillBrush(d, ToDeviceRect(d, part.left, part.top, part.right, part.bottom), paint,
                R2_COPYPEN);
  return TRUE;
}

namespace {

BOOL PaintRegionLogical(HDC dc, HRGN region, const std::optional<BrushPaint>& paint, int rop2) {
  DeviceContext* d = LookupDC(dc);
  const Region* r = LookupRegion(region);
  if (!d || !r) return FALSE;
  if (paint)
    for (const RECT& part : r->Rects())
      FillBrush(d, ToDeviceRect(d, part.left, part.top, part.right, part.bottom), *paint, rop2);
  return TRUE;
}

}  // namespace

namespace {

// The pixels p of `r` from which `length` pixels in a row (or column) p, p + 1, ... all lie in
// `r`, built from doubling steps so that long lengths take few region operations.
Region Covering(const Region& r, int64_t length, bool horizontal) {
  auto shifted = [horizontal](Region g, int64_t by) {
    g.Offset(horizontal ? int(-by) : 0, horizontal ? 0 : int(-by));
    return g;
  };
  // result covers `have` pixels; power covers `step` pixels.
  Region result = r, power = r;
  int64_t have = 1, step = 1;
  int64_t rest = length - 1;
  // Binary expansion of the remaining length over doubling powers.
  while (rest > 0 && !result.Empty()) {
    if (rest & 1) {
      result = result.Intersected(shifted(power, have));
      have += step;
    }
    rest >>= 1;
    if (rest) {
      power = power.Intersected(shifted(power, step));
      step *= 2;
    }
  }
  return result;
}

}  // namespace

BOOL PaintRgn(HDC dc, HRGN region) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return FALSE;
  return PaintRegionLogical(dc, region, SelectedPaint(d), d->State().FRop2);
}

BOOL InvertRgn(HDC dc, HRGN region) {
  return PaintRegionLogical(dc, region, BrushPaint::Solid(0), R2_NOT);
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
  DeviceContext* d = LookupDC(dc);
  const Region* r = LookupRegion(region);
  if (!d || !r || width < 0 || height < 0) return FALSE;
  BrushPaint paint;
  const Paint kind = ResolveBrush(d, brush, paint);
  if (kind == Paint::Dead) return FALSE;
  if (kind == Paint::Hollow) return TRUE;
  // The inside that stays: pixels whose neighbours up to `width` columns to either side and
  // up to `height` rows above and below are all in the region.
  const RECT box = r->Box();
  const Region across =
      Covering(*r, std::min<int64_t>(2 * int64_t(width) + 1, box.Width() + 1), true);
  const Region down =
      Covering(*r, std::min<int64_t>(2 * int64_t(height) + 1, box.Height() + 1), false);
  Region inner = across;
  inner.Offset(width <= box.Width() ? width : 0, 0);
  Region vertical = down;
  vertical.Offset(0, height <= box.Height() ? height : 0);
  inner = inner.Intersected(vertical);
  const Region frame = r->Subtracted(inner);
  for (const RECT& part : frame.Rects())
    FillBrush(d, ToDeviceRect(d, part.left, part.top, part.right, part.bottom), paint, R2_COPYPEN);
  return TRUE;
}

// ---- Lines ---------------------------------------------------------------------------------

namespace {

// Dash patterns: alternating on and off lengths.
struct DashPattern {
  const int* FLengths;
  int FCount;
};

DashPattern PatternFor(int style) {
  static const int dash[] = {18, 6};
  static const int dot[] = {3, 3};
  static const int dashDot[] = {9, 3, 3, 3};
  static const int dashDotDot[] = {9, 3, 3, 3, 3, 3};
  switch (style) {
    case PS_DASH:
      return {dash, 2};
    case PS_DOT:
      return {dot, 2};
    case PS_DASHDOT:
      return {dashDot, 4};
    case PS_DASHDOTDOT:
      return {dashDotDot, 6};
    default:
      return {nullptr, 0};
  }
}

// The convex hull of some points, counter-clockwise (monotone chain).
std::vector<POINT> ConvexHull(std::vector<POINT> points) {
  std::sort(points.begin(), points.end(),
            [](const POINT& a, const POINT& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  points.erase(std::unique(points.begin(), points.end()), points.end());
  if (points.size() < 3) return points;
  auto cross = [](const POINT& o, const POINT& a, const POINT& b) {
    return (int64_t(a.x) - o.x) * (int64_t(b.y) - o.y) -
           (int64_t(a.y) - o.y) * (int64_t(b.x) - o.x);
  };
  std::vector<POINT> hull(2 * points.size());
  size_t k = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) k--;
    hull[k++] = points[i];
  }
  for (size_t i = points.size() - 1, lower = k + 1; i > 0; --i) {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], points[i - 1]) <= 0) k--;
    hull[k++] = points[i - 1];
  }
  hull.resize(k - 1);
  return hull;
}

class LinePainter {
 public:
  explicit LinePainter(DeviceContext* d) : FDC(d), FTarget(d->Target()) {
    const PenObject* pen = SelectedPen(d);
    FNull = !pen || pen->Style() == PS_NULL;
    if (FNull) return;
    FPen = PenPixel(d, *pen);
    FWidth = std::max(1, pen->Width());
    FPattern = PatternFor(pen->Style());
    FBackground = ToPixel(d->State().FBkColor);
    FOpaqueGaps = d->State().FBkMode == OPAQUE;
    FRop2 = d->State().FRop2;
    const Region& clip = d->EffectiveClip();
    FClip = clip.Rects();
  }

  // The segment from a to b (device space), b excluded. Step k along the major axis puts
  // the minor coordinate at the rounded exact position, so a long line can start at any step:
  // only the steps whose major coordinate lies within the clip box are walked.
  void Segment(POINT a, POINT b) {
    if (FNull || !FTarget) return;
    const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int64_t major = xMajor ? std::abs(dx) : std::abs(dy);
    const int64_t minor = xMajor ? std::abs(dy) : std::abs(dx);
    if (major == 0) return;
    const int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int64_t minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const int64_t start = xMajor ? a.x : a.y;
    const int64_t minorStart = xMajor ? a.y : a.x;
    const RECT box = FDC->EffectiveClip().Box();
    const int64_t lo = int64_t(xMajor ? box.left : box.top) - FWidth;
    const int64_t hi = int64_t(xMajor ? box.right : box.bottom) + FWidth;
    // Steps k in [first, last) keep the major coordinate start + majorStep * k in [lo, hi).
    int64_t first = majorStep > 0 ? lo - start : start - hi + 1;
    int64_t last = majorStep > 0 ? hi - start : start - lo + 1;
    first = std::clamp<int64_t>(first, 0, major);
    last = std::clamp<int64_t>(last, 0, major);
    if (first >= last) {
      Advance(major);
      return;
    }
    Advance(first);
    auto at = [&](int64_t k) {
      const int64_t m = start + majorStep * k;
      const int64_t n = minorStart + minorStep * ((2 * k * minor + major) / (2 * major));
      return POINT{int32_t(xMajor ? m : n), int32_t(xMajor ? n : m)};
    };
    if (FWidth == 1) {
      for (int64_t k = first; k < last; ++k) Plot(at(k));
    } else if (!FPattern.FCount) {
      Sweep(at(first), at(last - 1), true);
    } else {
      // Each run of one dash state is swept as one shape, so pixels are drawn once per run.
      int64_t runStart = first;
      bool runOn = DashOn();
      for (int64_t k = first; k < last; ++k) {
        if (DashOn() != runOn) {
          Sweep(at(runStart), at(k - 1), runOn);
          runStart = k;
          runOn = !runOn;
        }
        DashStep();
      }
      Sweep(at(runStart), at(last - 1), runOn);
    }
    Advance(major - last);
  }

 private:
  // Moves the dash pattern on by n pixels without drawing.
  void Advance(int64_t n) {
    if (!FPattern.FCount) return;
    int total = 0;
    for (int i = 0; i < FPattern.FCount; ++i) total += FPattern.FLengths[i];
    for (int64_t k = n % total; k > 0; --k) DashStep();
  }

  bool DashOn() const { return !FPattern.FCount || FDashIndex % 2 == 0; }

  void DashStep() {
    if (!FPattern.FCount) return;
    if (++FDashPos >= FPattern.FLengths[FDashIndex]) {
      FDashPos = 0;
      FDashIndex = (FDashIndex + 1) % FPattern.FCount;
    }
  }

  // A wide pen's square moved from p to q (both included): the convex hull of the two squares.
  void Sweep(POINT p, POINT q, bool on) {
    if (!on && !FOpaqueGaps) return;
    const int half = FWidth / 2;
    std::vector<POINT> corners;
    for (const POINT& c : {p, q}) {
      const int32_t l = c.x - half, t = c.y - half;
      corners.insert(corners.end(), {POINT{l, t}, POINT{l + FWidth, t},
                                     POINT{l + FWidth, t + FWidth}, POINT{l, t + FWidth}});
    }
    const RECT box = FDC->EffectiveClip().Box();
    const Region shape =
        Region::Polygon(ConvexHull(std::move(corners)), WINDING, RowRange{box.top, box.bottom});
    for (const RECT& r : shape.Rects()) Rop2Device(FDC, r, on ? FPen : FBackground, FRop2);
  }

  void Plot(POINT p) {
    const bool on = DashOn();
    DashStep();
    if (!on && !FOpaqueGaps) return;
    const uint32_t px = on ? FPen : FBackground;
    const int x = p.x, y = p.y;
    for (const RECT& c : FClip) {
      if (c.top > y) break;
      if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
        const POINT o = FDC->SurfaceOrigin();
        uint32_t& p = PixelRow(*FTarget, y + o.y)[x + o.x];
        p = FRop2 == R2_COPYPEN ? px : Binary(FRop2, px, p);
        return;
      }
    }
  }

  DeviceContext* FDC;
  Bitmap* FTarget;
  bool FNull = true;
  uint32_t FPen = 0;
  uint32_t FBackground = 0;
  bool FOpaqueGaps = false;
  int FWidth = 1;
  int FRop2 = R2_COPYPEN;
  DashPattern FPattern{nullptr, 0};
  int FDashIndex = 0;
  int FDashPos = 0;
  std::vector<RECT> FClip;
};

}  // namespace

BOOL LineTo(HDC dc, int x, int y) {
  const POINT p{x, y};
  return PolylineTo(dc, &p, 1);
}

BOOL PolylineTo(HDC dc, const POINT* points, DWORD count) {
  DeviceContext* d = LookupDC(dc);
  if (!d || (!points && count > 0)) return FALSE;
  LinePainter painter(d);
  for (DWORD i = 0; i < count; ++i) {
    POINT& current = d->State().FCurrentPos;
    painter.Segment(ToDevice(d, current.x, current.y), ToDevice(d, points[i].x, points[i].y));
    current = points[i];
  }
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !points || count < 2) return FALSE;
  LinePainter painter(d);
  for (int i = 0; i + 1 < count; ++i)
    painter.Segment(ToDevice(d, points[i].x, points[i].y),
                    ToDevice(d, points[i + 1].x, points[i + 1].y));
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return FALSE;
  const RECT dev = ToDeviceRect(d, left, top, right, bottom);
  if (IsEmpty(dev) || !d->Target()) return TRUE;
  const PenObject* pen = SelectedPen(d);
  const std::optional<BrushPaint> brush = SelectedPaint(d);
  const int rop2 = d->State().FRop2;
  if (!pen || pen->Style() == PS_NULL) {
    if (brush) FillBrush(d, RECT{dev.left, dev.top, dev.right - 1, dev.bottom - 1}, *brush, rop2);
    return TRUE;
  }
  const int w = std::max(1, pen->Width());
  const RECT inside{dev.left + w, dev.top + w, dev.right - w, dev.bottom - w};
  if (brush && !IsEmpty(inside)) FillBrush(d, inside, *brush, rop2);
  if (PatternFor(pen->Style()).FCount && w == 1) {
    LinePainter painter(d);
    const POINT corners[] = {{dev.left, dev.top},
                             {dev.right - 1, dev.top},
                             {dev.right - 1, dev.bottom - 1},
                             {dev.left, dev.bottom - 1},
                             {dev.left, dev.top}};
    if (dev.Width() == 1 || dev.Height() == 1) {
      // The outline is a single line; walking the ring would cover it twice.
      painter.Segment(corners[0],
                      dev.Height() == 1 ? POINT{dev.right, dev.top} : POINT{dev.left, dev.bottom});
      return TRUE;
    }
    for (int i = 0; i < 4; ++i) painter.Segment(corners[i], corners[i + 1]);
    return TRUE;
  }
  const uint32_t px = PenPixel(d, *pen);
  if (IsEmpty(inside)) {
    Rop2Device(d, dev, px, rop2);
    return TRUE;
  }
  Rop2Device(d, RECT{dev.left, dev.top, dev.right, inside.top}, px, rop2);
  Rop2Device(d, RECT{dev.left, inside.bottom, dev.right, dev.bottom}, px, rop2);
  Rop2Device(d, RECT{dev.left, inside.top, inside.left, inside.bottom}, px, rop2);
  Rop2Device(d, RECT{inside.right, inside.top, dev.right, inside.bottom}, px, rop2);
  return TRUE;
}

// ---- Shapes --------------------------------------------------------------------------------

namespace {

void PaintRegion(DeviceContext* d, const Region& device, const BrushPaint& paint, int rop2) {
  for (const RECT& r : device.Rects()) FillBrush(d, r, paint, rop2);
}

RowRange ClipRows(DeviceContext* d) {
  const RECT box = d->EffectiveClip().Box();
  return RowRange{box.top, box.bottom};
}

RECT Deflated(const RECT& r, int by) {
  return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

// Fills `outer` with the pen where `inner` does not reach and `inner` with the brush.
void PaintShape(DeviceContext* d, const Region& outer, const Region& inner) {
  const int rop2 = d->State().FRop2;
  if (const std::optional<BrushPaint> brush = SelectedPaint(d)) PaintRegion(d, inner, *brush, rop2);
  const PenObject* pen = SelectedPen(d);
  if (pen && pen->Style() != PS_NULL)
    PaintRegion(d, outer.Subtracted(inner), BrushPaint::Solid(PenPixel(d, *pen)), rop2);
}

int PenWidth(const DeviceContext* d) {
  const PenObject* pen = SelectedPen(d);
  return !pen || pen->Style() == PS_NULL ? 0 : std::max(1, pen->Width());
}

}  // namespace

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return FALSE;
  const RECT dev = ToDeviceRect(d, left, top, right, bottom);
  if (IsEmpty(dev) || !d->Target()) return TRUE;
  const RowRange rows = ClipRows(d);
  const int w = PenWidth(d);
  const Region outer = Region::Ellipse(dev, rows);
  PaintShape(d, outer, w ? Region::Ellipse(Deflated(dev, w), rows) : outer);
  return TRUE;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int cornerW, int cornerH) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return FALSE;
  const RECT dev = ToDeviceRect(d, left, top, right, bottom);
  if (IsEmpty(dev) || !d->Target()) return TRUE;
  const RowRange rows = ClipRows(d);
  const int w = PenWidth(d);
  const int cw = std::clamp(cornerW, 0, dev.Width()), ch = std::clamp(cornerH, 0, dev.Height());
  const Region outer = Region::RoundRect(dev, cw, ch, rows);
  PaintShape(d, outer,
             w ? Region::RoundRect(Deflated(dev, w), cw - 2 * w, ch - 2 * w, rows) : outer);
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !points || count < 2) return FALSE;
  if (!d->Target()) return TRUE;
  std::vector<POINT> device(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) device[size_t(i)] = ToDevice(d, points[i].x, points[i].y);
  if (const std::optional<BrushPaint> brush = SelectedPaint(d))
    PaintRegion(d, Region::Polygon(device, d->State().FPolyFillMode, ClipRows(d)), *brush,
                d->State().FRop2);
  LinePainter painter(d);
  for (int i = 0; i < count; ++i)
    painter.Segment(device[size_t(i)], device[size_t((i + 1) % count)]);
  return TRUE;
}

// ---- Pixels --------------------------------------------------------------------------------

namespace {

// The target pixel behind a logical point, when the clip lets drawing reach it.
uint32_t* VisiblePixel(DeviceContext* d, int x, int y) {
  Bitmap* t = d->Target();
  if (!t) return nullptr;
  const POINT p = ToDevice(d, x, y);
  if (!d->EffectiveClip().Contains(p)) return nullptr;
  const POINT tp = d->DeviceToTarget(p);
  return PixelRow(*t, tp.y) + tp.x;
}

}  // namespace

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  DeviceContext* d = LookupDC(dc);
  uint32_t* p = d ? VisiblePixel(d, x, y) : nullptr;
  if (!p) return CLR_INVALID;
  *p = ToPixel(color);
  return color & kColour;
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) {
  return SetPixel(dc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  DeviceContext* d = LookupDC(dc);
  const uint32_t* p = d ? VisiblePixel(d, x, y) : nullptr;
  return p ? FromPixel(*p) : CLR_INVALID;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !rect) return FALSE;
  Bitmap* t = d->Target();
  if (!t) return TRUE;
  const POINT o = d->SurfaceOrigin();
  ForEachRingBar(ToDeviceRect(d, rect->left, rect->top, rect->right, rect->bottom),
                 [&](const RECT& bar) {
                   d->ForEachClipRect(bar, [&](const RECT& r) {
                     for (int y = r.top; y < r.bottom; ++y) {
                       uint32_t* row = PixelRow(*t, y);
                       // Every other pixel by device position.
                       for (int x = r.left + ((r.left - o.x + y - o.y) & 1); x < r.right; x += 2)
                         row[x] = (~row[x] & kColour) | kAlpha;
                     }
                   });
                 });
  return TRUE;
}

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !rect || (flags & BF_DIAGONAL)) return FALSE;
  const bool mono = flags & BF_MONO, flat = flags & BF_FLAT, soft = flags & BF_SOFT;
  RECT r = ToDeviceRect(d, rect->left, rect->top, rect->right, rect->bottom);
  auto ring = [&](int topLeft, int bottomRight) {
    if (IsEmpty(r)) return;
    const uint32_t tl = ToPixel(GetSysColor(topLeft));
    const uint32_t br = ToPixel(GetSysColor(bottomRight));
    if (flags & BF_TOP) FillDevice(d, RECT{r.left, r.top, r.right, r.top + 1}, tl);
    if (flags & BF_LEFT) FillDevice(d, RECT{r.left, r.top, r.left + 1, r.bottom}, tl);
    if (flags & BF_BOTTOM) FillDevice(d, RECT{r.left, r.bottom - 1, r.right, r.bottom}, br);
    if (flags & BF_RIGHT) FillDevice(d, RECT{r.right - 1, r.top, r.right, r.bottom}, br);
    if (flags & BF_LEFT) r.left++;
    if (flags & BF_TOP) r.top++;
    if (flags & BF_RIGHT) r.right--;
    if (flags & BF_BOTTOM) r.bottom--;
  };
  const UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  if (mono || flat) {
    const int outerColour = mono ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW;
    const int innerColour = mono ? COLOR_WINDOW : COLOR_BTNFACE;
    if (outer) ring(outerColour, outerColour);
    if (inner) ring(innerColour, innerColour);
  } else {
    if (outer & BDR_RAISEDOUTER)
      ring(soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW);
    else if (outer & BDR_SUNKENOUTER)
      ring(COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    if (inner & BDR_RAISEDINNER)
      ring(soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    else if (inner & BDR_SUNKENINNER)
      ring(COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  }
  if ((flags & BF_MIDDLE) && !IsEmpty(r))
    FillDevice(d, r, ToPixel(GetSysColor(mono ? COLOR_WINDOW : COLOR_BTNFACE)));
  if (flags & BF_ADJUST) {
    const RECT logical = d->DeviceToLogical(IsEmpty(r) ? RECT{r.left, r.top, r.left, r.top} : r);
    *rect = logical;
  }
  return TRUE;
}

// ---- Gradients -----------------------------------------------------------------------------

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) q--;
  return q;
}

// c0 + round((c1 - c0) * i / n), n > 0; halves round up.
uint32_t Lerp16(int64_t c0, int64_t c1, int64_t i, int64_t n) {
  return uint32_t(c0 + FloorDiv(2 * (c1 - c0) * i + n, 2 * n));
}

uint32_t Pixel16(uint32_t r, uint32_t g, uint32_t b) {
  return kAlpha | ((r >> 8) << 16) | ((g >> 8) << 8) | (b >> 8);
}

void GradientRect(DeviceContext* d, const TRIVERTEX& a, const TRIVERTEX& b, bool vertical) {
  const RECT dev = ToDeviceRect(d, a.x, a.y, b.x, b.y);
  const RECT box = Intersect(d->EffectiveClip().Box(), dev);
  if (IsEmpty(box)) return;
  // The colours run from the vertex nearer the left (top) edge.
  const bool aFirst = vertical ? a.y <= b.y : a.x <= b.x;
  const TRIVERTEX& c0 = aFirst ? a : b;
  const TRIVERTEX& c1 = aFirst ? b : a;
  const int start = vertical ? dev.top : dev.left;
  const int n = vertical ? dev.Height() : dev.Width();
  const int from = vertical ? box.top : box.left;
  const int to = vertical ? box.bottom : box.right;
  std::vector<uint32_t> colours(size_t(to - from));
  for (int i = from; i < to; ++i) {
    const int64_t k = i - start;
    const int64_t den = std::max(1, n - 1);
    colours[size_t(i - from)] =
        Pixel16(Lerp16(c0.Red, c1.Red, k, den), Lerp16(c0.Green, c1.Green, k, den),
                Lerp16(c0.Blue, c1.Blue, k, den));
  }
  Bitmap* t = d->Target();
  const POINT o = d->SurfaceOrigin();
  d->ForEachClipRect(dev, [&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
      uint32_t* row = PixelRow(*t, y);
      if (vertical)
        FillSpan(row, r.left, r.right, colours[size_t(y - o.y - from)]);
      else
        std::memcpy(row + r.left, &colours[size_t(r.left - o.x - from)], size_t(r.Width()) * 4);
    }
  });
}

struct P64 {
  int64_t x, y;
};

// Twice the signed area of (a, b, p), in doubled coordinates.
int64_t Edge(P64 a, P64 b, P64 p) {
  return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

bool TopLeft(P64 a, P64 b) {
  return (b.y == a.y && b.x > a.x) || b.y < a.y;
}

void GradientTriangle(DeviceContext* d, TRIVERTEX v0, TRIVERTEX v1, TRIVERTEX v2) {
  auto doubled = [&](const TRIVERTEX& v) {
    const POINT p = ToDevice(d, v.x, v.y);
    return P64{2 * int64_t(p.x), 2 * int64_t(p.y)};
  };
  P64 a = doubled(v0), b = doubled(v1), c = doubled(v2);
  int64_t area = Edge(a, b, c);
  if (area == 0) return;
  if (area < 0) {
    std::swap(b, c);
    std::swap(v1, v2);
    area = -area;
  }
  const bool tlA = TopLeft(b, c), tlB = TopLeft(c, a), tlC = TopLeft(a, b);
  const RECT bounds{
      Clamp(std::min({a.x, b.x, c.x}) / 2 - 1), Clamp(std::min({a.y, b.y, c.y}) / 2 - 1),
      Clamp(std::max({a.x, b.x, c.x}) / 2 + 1), Clamp(std::max({a.y, b.y, c.y}) / 2 + 1)};
  Bitmap* t = d->Target();
  const POINT o = d->SurfaceOrigin();
  const double inv = 1.0 / double(area);
  auto mix = [&](double w0, double w1, double w2, COLOR16 c0, COLOR16 c1, COLOR16 c2) {
    const double v = (w0 * c0 + w1 * c1 + w2 * c2) * inv;
    return uint32_t(std::clamp(std::floor(v + 0.5), 0.0, 65535.0));
  };
  d->ForEachClipRect(bounds, [&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
      uint32_t* row = PixelRow(*t, y);
      for (int x = r.left; x < r.right; ++x) {
        const P64 p{2 * int64_t(x - o.x) + 1, 2 * int64_t(y - o.y) + 1};
        const int64_t w0 = Edge(b, c, p), w1 = Edge(c, a, p), w2 = Edge(a, b, p);
        if (w0 < 0 || w1 < 0 || w2 < 0) continue;
        if ((w0 == 0 && !tlA) || (w1 == 0 && !tlB) || (w2 == 0 && !tlC)) continue;
        const double f0 = double(w0), f1 = double(w1), f2 = double(w2);
        row[x] = Pixel16(mix(f0, f1, f2, v0.Red, v1.Red, v2.Red),
                         mix(f0, f1, f2, v0.Green, v1.Green, v2.Green),
                         mix(f0, f1, f2, v0.Blue, v1.Blue, v2.Blue));
      }
    }
  });
}

}  // namespace

BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, ULONG vertexCount, const void* mesh,
                  ULONG meshCount, ULONG mode) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !vertices || (!mesh && meshCount > 0)) return FALSE;
  if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
    const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (ULONG i = 0; i < meshCount; ++i)
      if (rects[i].UpperLeft >= vertexCount || rects[i].LowerRight >= vertexCount) return FALSE;
    if (!d->Target()) return TRUE;
    for (ULONG i = 0; i < meshCount; ++i)
      GradientRect(d, vertices[rects[i].UpperLeft], vertices[rects[i].LowerRight],
                   mode == GRADIENT_FILL_RECT_V);
    return TRUE;
  }
  if (mode == GRADIENT_FILL_TRIANGLE) {
    const auto* tris = static_cast<const GRADIENT_TRIANGLE*>(mesh);
    for (ULONG i = 0; i < meshCount; ++i)
      if (tris[i].Vertex1 >= vertexCount || tris[i].Vertex2 >= vertexCount ||
          tris[i].Vertex3 >= vertexCount)
        return FALSE;
    if (!d->Target()) return TRUE;
    for (ULONG i = 0; i < meshCount; ++i)
      GradientTriangle(d, vertices[tris[i].Vertex1], vertices[tris[i].Vertex2],
                       vertices[tris[i].Vertex3]);
    return TRUE;
  }
  return FALSE;
}

// ---- Device-independent pixels -------------------------------------------------------------

namespace {

struct DibLayout {
  int FWidth = 0;
  int FHeight = 0;  // always positive
  bool FBottomUp = false;
  int FBitsPerPixel = 0;
  size_t FStride = 0;
};

bool ReadLayout(const BITMAPINFO* info, UINT usage, DibLayout& layout) {
  if (!info || usage != DIB_RGB_COLORS) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const bool rgb = h.biCompression == BI_RGB;
  const bool fields = h.biCompression == BI_BITFIELDS && h.biBitCount == 32;
  if ((h.biBitCount != 24 && h.biBitCount != 32) || (!rgb && !fields)) return false;
  const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
  if (h.biWidth <= 0 || h.biWidth > kMaxBitmapSide || height == 0 || height > kMaxBitmapSide)
    return false;
  layout.FWidth = h.biWidth;
  layout.FHeight = int(height);
  layout.FBottomUp = h.biHeight > 0;
  layout.FBitsPerPixel = h.biBitCount;
  layout.FStride = ((size_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
  return true;
}

// Scan line s of a layout is this row of the picture, counted from the top.
int RowOfScan(const DibLayout& layout, int scan) {
  return layout.FBottomUp ? layout.FHeight - 1 - scan : scan;
}

}  // namespace

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage) {
  const Bitmap* b = LookupBitmap(bitmap);
  if (!LookupDC(dc) || !b || !info || usage != DIB_RGB_COLORS) return 0;
  if (b->Format() != PixelFormat::Bgra32) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (!bits) {
    const WORD bpp = h.biBitCount == 24 ? 24 : 32;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = b->Width();
    h.biHeight = b->Height();
    h.biPlanes = 1;
    h.biBitCount = bpp;
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(((size_t(b->Width()) * bpp + 31) / 32) * 4 * size_t(b->Height()));
    return std::max(1, b->Height());
  }
  DibLayout layout;
  if (!ReadLayout(info, usage, layout) || layout.FWidth != b->Width() ||
      layout.FHeight != b->Height())
    return 0;
  const UINT end = UINT(std::min<int64_t>(int64_t(start) + lines, layout.FHeight));
  auto* out = static_cast<uint8_t*>(bits);
  for (UINT scan = start; scan < end; ++scan, out += layout.FStride) {
    const Bgra* row = b->Row32(RowOfScan(layout, int(scan)));
    if (layout.FBitsPerPixel == 32) {
      std::memcpy(out, row, size_t(layout.FWidth) * 4);
    } else {
      for (int x = 0; x < layout.FWidth; ++x) {
        out[x * 3] = row[x].b;
        out[x * 3 + 1] = row[x].g;
        out[x * 3 + 2] = row[x].r;
      }
    }
  }
  return end > start ? int(end - start) : 0;
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int sx, int sy, int sw, int sh,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  DibLayout layout;
  if (!LookupDC(dc) || !bits || !ReadLayout(info, usage, layout)) return 0;
  Bitmap picture(layout.FWidth, layout.FHeight);
  const auto* in = static_cast<const uint8_t*>(bits);
  for (int scan = 0; scan < layout.FHeight; ++scan, in += layout.FStride) {
    Bgra* row = picture.Row32(RowOfScan(layout, scan));
    if (layout.FBitsPerPixel == 32) {
      std::memcpy(row, in, size_t(layout.FWidth) * 4);
    } else {
      for (int px = 0; px < layout.FWidth; ++px)
        row[px] = Bgra{in[px * 3], in[px * 3 + 1], in[px * 3 + 2], 255};
    }
  }
  // Bottom-up source rectangles count from the bottom-left corner.
  int64_t top = sy;
  if (layout.FBottomUp)
    top = sh >= 0 ? int64_t(layout.FHeight) - sy - sh : int64_t(layout.FHeight) - 1 - sy;
  HDC source = CreateCompatibleDC(dc);
  HBITMAP handle = CreateBitmapHandle(std::move(picture));
  HGDIOBJ old = SelectObject(source, handle);
  const BOOL done = StretchBlt(dc, x, y, width, height, source, sx, Clamp(top), sw, sh, rop);
  SelectObject(source, old);
  DeleteObject(handle);
  DeleteDC(source);
  return done ? int(std::min<int64_t>(std::abs(int64_t(sh)), INT32_MAX)) : 0;
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sx, int sy, UINT start,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  DibLayout layout;
  if (!ReadLayout(info, usage, layout) || start != 0 || lines < UINT(layout.FHeight)) return 0;
  const int w = int(std::min<DWORD>(width, INT32_MAX)), h = int(std::min<DWORD>(height, INT32_MAX));
  return StretchDIBits(dc, x, y, w, h, sx, sy, w, h, bits, info, usage, SRCCOPY) ? layout.FHeight
                                                                                 : 0;
}

// ---- AlphaBlend ----------------------------------------------------------------------------

uint32_t BlendPixel(uint32_t s, uint32_t dpx, uint32_t constantAlpha, bool perPixel) {
  const uint32_t a = perPixel ? Div255((s >> 24) * constantAlpha) : constantAlpha;
  if (a == 255) return s | kAlpha;
  if (a == 0) return dpx;
  const uint32_t da = dpx >> 24;
  const uint32_t na = 255 - a;
  if (da == 255) {
    // Red and blue share one multiply (16-bit lanes never overflow: 255 * 255 + 383 < 2^16),
    // green takes another; each lane is then divided by 255 with rounding as Div255 does.
    auto div255x2 = [](uint32_t v) {
      v += 0x00800080u;
      return ((v + ((v >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    };
    const uint32_t rb = div255x2((s & 0x00FF00FFu) * a + (dpx & 0x00FF00FFu) * na);
    const uint32_t g = div255x2(((s >> 8) & 0xFFu) * a + ((dpx >> 8) & 0xFFu) * na);
    return kAlpha | rb | (g << 8);
  }
  const uint32_t outA = a + Div255(da * na);
  uint32_t out = outA << 24;
  const uint32_t den = outA * 255;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t num = ((s >> shift) & 0xFF) * a * 255 + ((dpx >> shift) & 0xFF) * da * na;
    out |= std::min<uint32_t>(255, (num + den / 2) / den) << shift;
  }
  return out;
}

namespace {

struct Over {
  uint32_t FConstant;
  bool FPerPixel;
  uint32_t operator()(uint32_t s, uint32_t dpx) const {
    return BlendPixel(s, dpx, FConstant, FPerPixel);
  }
};

}  // namespace

BOOL AlphaBlend(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, BLENDFUNCTION blend) {
  DeviceContext* d = LookupDC(dst);
  DeviceContext* s = LookupDC(src);
  if (!d || !s || blend.BlendOp != AC_SRC_OVER) return FALSE;
  if (width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return FALSE;
  Bitmap* t = d->Target();
  Bitmap* sb = s->Target();
  if (!t || !sb) return TRUE;
  const RECT dev = ToDeviceRect(d, x, y, int64_t(x) + width, int64_t(y) + height);
  const POINT st = s->DeviceToTarget(ToDevice(s, sx, sy));
  Mapping m;
  if (!BuildMapping(d, dev, st.x, st.y, sw, sh, false, false, m)) return TRUE;
  const Over op{blend.SourceConstantAlpha, (blend.AlphaFormat & AC_SRC_ALPHA) != 0};
  if (sb == t) {
    const SourceCopy c = CopyArea(*sb, m);
    MappedBlit(d, dev, m, c.FCopy, c.FLeft, c.FTop, op);
  } else {
    MappedBlit(d, dev, m, *sb, 0, 0, op);
  }
  return TRUE;
}

}  // namespace win
