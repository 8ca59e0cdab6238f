#pragma once
// Regions as lists of rectangles in y-x banded canonical form: rectangles are sorted by top,
// then left; the rectangles of one band share top and bottom, do not overlap or touch; two
// vertically adjacent bands never have the same horizontal spans (they are merged). Equal
// areas therefore have equal lists.

#include <span>
#include <vector>

#include "platform/graphics/GdiObjects.h"

namespace win {

// Region complexity, as CombineRgn and friends report it.
enum : int { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
// Polygon fill modes.
enum : int { ALTERNATE = 1, WINDING = 2 };

// Rows a shape is computed for: [first, last). Shapes drawn into a DC only need the rows the
// clip box covers.
struct RowRange {
  int32_t first = INT32_MIN;
  int32_t last = INT32_MAX;
};

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& rect);
  // The union of any rectangles (empty ones ignored).
  static Region FromRects(std::span<const RECT> rects);
  // The pixels of a 32-bit bitmap whose colour (alpha ignored) differs from `key`, built in one
  // pass of banded runs; `offset` moves the result.
  static Region FromBitmap(const Bitmap& bitmap, COLORREF key, POINT offset = {});
  // Shapes. A pixel belongs to a shape when its centre lies inside it.
  //   Ellipse: the ellipse inscribed in `box` ([left, right) x [top, bottom)).
  //   RoundRect: `box` with its corners rounded by quarters of a cornerW x cornerH ellipse
  //   (cut to the box's size).
  //   Polygon: the closed polygon through the points, filled by ALTERNATE or WINDING.
  static Region Ellipse(const RECT& box, RowRange rows = {});
  static Region RoundRect(const RECT& box, int cornerW, int cornerH, RowRange rows = {});
  static Region Polygon(std::span<const POINT> points, int fillMode, RowRange rows = {});

  const std::vector<RECT>& Rects() const { return FRects; }
  bool Empty() const { return FRects.empty(); }
  // The bounding box (all zeros when empty).
  RECT Box() const;
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Complexity() const;

  Region Combined(const Region& other, int mode) const;  // RGN_AND/OR/XOR/DIFF; COPY gives *this
  Region Intersected(const Region& other) const { return Combined(other, RGN_AND); }
  Region United(const Region& other) const { return Combined(other, RGN_OR); }
  Region Subtracted(const Region& other) const { return Combined(other, RGN_DIFF); }
  Region Intersected(const RECT& rect) const { return Combined(Region(rect), RGN_AND); }

  void Offset(int dx, int dy);
  bool Contains(POINT p) const;
  bool Intersects(const RECT& rect) const;

  friend bool operator==(const Region&, const Region&) = default;

 private:
  std::vector<RECT> FRects;
};

class RegionObject : public GdiObject {
 public:
  explicit RegionObject(Region region = {}) : GdiObject(OBJ_REGION), FRegion(std::move(region)) {}
  Region& Value() { return FRegion; }
  const Region& Value() const { return FRegion; }

 private:
  Region FRegion;
};

// The region behind a handle, or null.
Region* LookupRegion(HRGN region);
HRGN CreateRegionHandle(Region region);

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// Shaped regions (see Region); null for shapes more than 65536 pixels high or wide.
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* rect);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int cornerW, int cornerH);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
// The region of `bitmap`'s pixels that are not `key`, shifted by (dx, dy).
HRGN CreateRegionFromBitmap(const Bitmap& bitmap, COLORREF key, int dx = 0, int dy = 0);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// dst may be one of the sources. ERROR for dead handles (dst then unchanged).
int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
int GetRgnBox(HRGN region, RECT* box);
BOOL EqualRgn(HRGN a, HRGN b);
// The rectangles of a region (empty for dead handles).
std::vector<RECT> GetRegionRects(HRGN region);
// Region painting through the DC's origin and clip (regions are in logical coordinates here).
// FillRgn uses the brush, PaintRgn the DC's brush; InvertRgn inverts B, G and R. FrameRgn
// paints the part of the region within `width` columns or `height` rows of its outside.
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL PaintRgn(HDC dc, HRGN region);
BOOL InvertRgn(HDC dc, HRGN region);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);

}  // namespace win
