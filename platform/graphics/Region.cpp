#include "platform/graphics/Region.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/DeviceContext.h"

namespace win {

namespace {

struct Span {
  int32_t left, right;
  friend bool operator==(const Span&, const Span&) = default;
};

// Builds canonical rectangle lists band by band, merging a band into the one above it when
// they touch and have the same spans.
class BandWriter {
 public:
  explicit BandWriter(std::vector<RECT>& out) : FOut(out) {}

  void Add(int32_t top, int32_t bottom, const std::vector<Span>& spans) {
    if (spans.empty() || top >= bottom) return;
    if (FLastCount == spans.size() && FLastBottom == top && SameSpans(spans)) {
      for (size_t i = FOut.size() - FLastCount; i < FOut.size(); ++i) FOut[i].bottom = bottom;
    } else {
      for (const Span& s : spans) FOut.push_back(RECT{s.left, top, s.right, bottom});
      FLastCount = spans.size();
    }
    FLastBottom = bottom;
  }

 private:
  bool SameSpans(const std::vector<Span>& spans) const {
    const size_t first = FOut.size() - FLastCount;
    for (size_t i = 0; i < spans.size(); ++i)
      if (FOut[first + i].left != spans[i].left || FOut[first + i].right != spans[i].right)
        return false;
    return true;
  }

  std::vector<RECT>& FOut;
  size_t FLastCount = 0;
  int32_t FLastBottom = 0;
};

// Walks the bands of a canonical list from the top.
class BandReader {
 public:
  explicit BandReader(const std::vector<RECT>& rects) : FRects(rects) {}

  // The spans covering row y; y never decreases between calls.
  void SpansAt(int32_t y, std::vector<Span>& spans) {
    spans.clear();
    while (FPos < FRects.size() && FRects[FPos].bottom <= y) FPos++;
    if (FPos >= FRects.size() || FRects[FPos].top > y) return;
    const int32_t top = FRects[FPos].top;
    for (size_t i = FPos; i < FRects.size() && FRects[i].top == top; ++i)
      spans.push_back(Span{FRects[i].left, FRects[i].right});
  }

 private:
  const std::vector<RECT>& FRects;
  size_t FPos = 0;
};

bool Keep(int mode, bool inA, bool inB) {
  switch (mode) {
    case RGN_AND:
      return inA && inB;
    case RGN_OR:
      return inA || inB;
    case RGN_XOR:
      return inA != inB;
    case RGN_DIFF:
      return inA && !inB;
    default:
      return inA;
  }
}

// Combines two sorted, disjoint span lists.
void CombineSpans(const std::vector<Span>& a, const std::vector<Span>& b, int mode,
                  std::vector<Span>& out) {
  out.clear();
  size_t ia = 0, ib = 0;
  // From the first boundary: a span may start at INT32_MIN itself.
  int32_t x = INT32_MAX;
  if (!a.empty()) x = std::min(x, a[0].left);
  if (!b.empty()) x = std::min(x, b[0].left);
  while (ia < a.size() || ib < b.size()) {
    // The next boundary after x in either list.
    const bool inA = ia < a.size() && a[ia].left <= x;
    const bool inB = ib < b.size() && b[ib].left <= x;
    int32_t next = INT32_MAX;
    if (ia < a.size()) next = std::min(next, inA ? a[ia].right : a[ia].left);
    if (ib < b.size()) next = std::min(next, inB ? b[ib].right : b[ib].left);
    if (Keep(mode, inA, inB) && x < next) {
      if (!out.empty() && out.back().right == x)
        out.back().right = next;
      else
        out.push_back(Span{x, next});
    }
    x = next;
    if (ia < a.size() && a[ia].right <= x) ia++;
    if (ib < b.size() && b[ib].right <= x) ib++;
  }
}

void AddBreaks(const std::vector<RECT>& rects, std::vector<int32_t>& ys) {
  for (const RECT& r : rects) {
    ys.push_back(r.top);
    ys.push_back(r.bottom);
  }
}

}  // namespace

Region::Region(const RECT& rect) {
  if (rect.left < rect.right && rect.top < rect.bottom) FRects.push_back(rect);
}

Region Region::FromRects(std::span<const RECT> rects) {
  std::vector<RECT> valid;
  for (const RECT& r : rects)
    if (r.left < r.right && r.top < r.bottom) valid.push_back(r);
  std::sort(valid.begin(), valid.end(), [](const RECT& a, const RECT& b) { return a.top < b.top; });
  std::vector<int32_t> ys;
  AddBreaks(valid, ys);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region result;
  BandWriter writer(result.FRects);
  // A sweep from the top: only the rectangles crossing the current band are looked at.
  std::vector<const RECT*> active;
  std::vector<Span> spans;
  size_t next = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const int32_t y = ys[i];
    std::erase_if(active, [y](const RECT* r) { return r->bottom <= y; });
    while (next < valid.size() && valid[next].top <= y) active.push_back(&valid[next++]);
    spans.clear();
    for (const RECT* r : active) spans.push_back(Span{r->left, r->right});
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.left < b.left; });
    size_t n = 0;
    for (const Span& sp : spans) {
      if (n > 0 && sp.left <= spans[n - 1].right)
        spans[n - 1].right = std::max(spans[n - 1].right, sp.right);
      else
        spans[n++] = sp;
    }
    spans.resize(n);
    writer.Add(y, ys[i + 1], spans);
  }
  return result;
}

namespace {

// Builds a region from row spans, one row at a time from the top.
class RowWriter {
 public:
  explicit RowWriter(std::vector<RECT>& out) : FWriter(out) {}
  void Row(int32_t y, std::vector<Span>& spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.left < b.left; });
    size_t n = 0;
    for (const Span& s : spans) {
      if (s.left >= s.right) continue;
      if (n > 0 && s.left <= spans[n - 1].right)
        spans[n - 1].right = std::max(spans[n - 1].right, s.right);
      else
        spans[n++] = s;
    }
    spans.resize(n);
    FWriter.Add(y, y + 1, spans);
  }

 private:
  BandWriter FWriter;
};

RowRange Limit(RowRange rows, int32_t top, int32_t bottom) {
  return RowRange{std::max(rows.first, top), std::min(rows.last, bottom)};
}

// The columns whose centres lie in [a, b).
Span CentresIn(double a, double b) {
  const double lo = std::ceil(a - 0.5), hi = std::ceil(b - 0.5);
  return Span{int32_t(std::clamp(lo, -1e9, 1e9)), int32_t(std::clamp(hi, -1e9, 1e9))};
}

// The span of the ellipse inscribed in `box` on row y (empty when the row misses it).
Span EllipseSpan(const RECT& box, int32_t y) {
  const double cx = (double(box.left) + box.right) / 2, cy = (double(box.top) + box.bottom) / 2;
  const double rx = (double(box.right) - box.left) / 2, ry = (double(box.bottom) - box.top) / 2;
  if (rx <= 0 || ry <= 0) return Span{0, 0};
  const double dy = (y + 0.5 - cy) / ry;
  if (dy * dy > 1) return Span{0, 0};
  const double half = rx * std::sqrt(1 - dy * dy);
  // Centres exactly on the right end are inside too.
  Span s = CentresIn(cx - half, cx + half);
  if (std::ceil(cx + half - 0.5) == cx + half - 0.5) s.right++;
  return s;
}

}  // namespace

Region Region::Ellipse(const RECT& box, RowRange rows) {
  Region result;
  RowWriter writer(result.FRects);
  std::vector<Span> spans;
  const RowRange r = Limit(rows, box.top, box.bottom);
  for (int32_t y = r.first; y < r.last; ++y) {
    spans.assign(1, EllipseSpan(box, y));
    writer.Row(y, spans);
  }
  return result;
}

Region Region::RoundRect(const RECT& box, int cornerW, int cornerH, RowRange rows) {
  const int32_t w = std::clamp<int32_t>(cornerW, 0, box.Width());
  const int32_t h = std::clamp<int32_t>(cornerH, 0, box.Height());
  if (w <= 0 || h <= 0)
    return Region(box).Intersected(
        RECT{box.left, std::max(rows.first, box.top), box.right, std::min(rows.last, box.bottom)});
  Region result;
  RowWriter writer(result.FRects);
  std::vector<Span> spans;
  const RowRange r = Limit(rows, box.top, box.bottom);
  const RECT topCorner{box.left, box.top, box.left + w, box.top + h};
  const RECT bottomCorner{box.left, box.bottom - h, box.left + w, box.bottom};
  for (int32_t y = r.first; y < r.last; ++y) {
    int32_t inset = 0;
    if (y < box.top + h / 2) {
      inset = EllipseSpan(topCorner, y).left - box.left;
    } else if (y >= box.bottom - h / 2) {
      inset = EllipseSpan(bottomCorner, y).left - box.left;
    }
    if (inset < 0 || inset > w / 2) inset = w / 2;
    spans.assign(1, Span{box.left + inset, box.right - inset});
    writer.Row(y, spans);
  }
  return result;
}

Region Region::Polygon(std::span<const POINT> points, int fillMode, RowRange rows) {
  Region result;
  if (points.size() < 3) return result;
  int32_t top = INT32_MAX, bottom = INT32_MIN;
  for (const POINT& p : points) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  RowWriter writer(result.FRects);
  std::vector<Span> spans;
  struct Crossing {
    double x;
    int dir;
  };
  std::vector<Crossing> crossings;
  const RowRange r = Limit(rows, top, bottom);
  for (int32_t y = r.first; y < r.last; ++y) {
    const double yc = y + 0.5;
    crossings.clear();
    for (size_t i = 0; i < points.size(); ++i) {
      const POINT& a = points[i];
      const POINT& b = points[(i + 1) % points.size()];
      if (a.y == b.y) continue;
      const double lo = std::min(a.y, b.y), hi = std::max(a.y, b.y);
      if (yc < lo || yc >= hi) continue;
      const double x = a.x + (yc - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y);
      crossings.push_back(Crossing{x, b.y > a.y ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& p, const Crossing& q) { return p.x < q.x; });
    spans.clear();
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].dir;
      const bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
      if (inside) spans.push_back(CentresIn(crossings[i].x, crossings[i + 1].x));
    }
    writer.Row(y, spans);
  }
  return result;
}

Region Region::FromBitmap(const Bitmap& bitmap, COLORREF key, POINT offset) {
  Region result;
  if (bitmap.Format() == PixelFormat::Gray8) return result;
  const int bpp = BytesPerPixel(bitmap.Format());
  const uint8_t kb = GetBValue(key), kg = GetGValue(key), kr = GetRValue(key);
  BandWriter writer(result.FRects);
  std::vector<Span> spans, previous;
  int32_t bandTop = 0;
  for (int y = 0; y <= bitmap.Height(); ++y) {
    spans.clear();
    if (y < bitmap.Height()) {
      const uint8_t* p = bitmap.Row(y);
      int x = 0;
      const int w = bitmap.Width();
      while (x < w) {
        while (x < w && p[x * bpp] == kb && p[x * bpp + 1] == kg && p[x * bpp + 2] == kr) x++;
        if (x >= w) break;
        const int start = x;
        while (x < w && !(p[x * bpp] == kb && p[x * bpp + 1] == kg && p[x * bpp + 2] == kr)) x++;
        spans.push_back(Span{start, x});
      }
    }
    if (y == bitmap.Height() || spans != previous) {
      writer.Add(bandTop, y, previous);
      previous.swap(spans);
      bandTop = y;
    }
  }
  // Moved afterwards so that offsets near the coordinate limits saturate instead of overflowing.
  result.Offset(offset.x, offset.y);
  return result;
}

RECT Region::Box() const {
  if (FRects.empty()) return RECT{};
  RECT box{FRects.front().left, FRects.front().top, FRects.front().right, FRects.back().bottom};
  for (const RECT& r : FRects) {
    box.left = std::min(box.left, r.left);
    box.right = std::max(box.right, r.right);
  }
  return box;
}

int Region::Complexity() const {
  return FRects.empty() ? NULLREGION : FRects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

Region Region::Combined(const Region& other, int mode) const {
  if (mode == RGN_COPY) return *this;
  std::vector<int32_t> ys;
  AddBreaks(FRects, ys);
  AddBreaks(other.FRects, ys);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region result;
  BandWriter writer(result.FRects);
  BandReader readA(FRects), readB(other.FRects);
  std::vector<Span> a, b, spans;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    readA.SpansAt(ys[i], a);
    readB.SpansAt(ys[i], b);
    CombineSpans(a, b, mode, spans);
    writer.Add(ys[i], ys[i + 1], spans);
  }
  return result;
}

void Region::Offset(int dx, int dy) {
  // Coordinates saturate at +-2^30; pieces squeezed together there are merged again.
  constexpr int64_t limit = int64_t(1) << 30;
  bool saturated = false;
  auto move = [&](int32_t& v, int d) {
    const int64_t moved = int64_t(v) + d;
    const int64_t kept = std::clamp(moved, -limit, limit);
    saturated |= kept != moved;
    v = int32_t(kept);
  };
  for (RECT& r : FRects) {
    move(r.left, dx);
    move(r.right, dx);
    move(r.top, dy);
    move(r.bottom, dy);
  }
  if (saturated) *this = FromRects(FRects);
}

bool Region::Contains(POINT p) const {
  for (const RECT& r : FRects) {
    if (r.top > p.y) break;
    if (PtInRect(&r, p)) return true;
  }
  return false;
}

bool Region::Intersects(const RECT& rect) const {
  for (const RECT& r : FRects) {
    if (r.top >= rect.bottom) break;
    if (r.left < rect.right && rect.left < r.right && r.top < rect.bottom && rect.top < r.bottom)
      return true;
  }
  return false;
}

// ---- Region handles ------------------------------------------------------------------------

Region* LookupRegion(HRGN region) {
  RegionObject* object = Lookup<RegionObject>(region);
  return object ? &object->Value() : nullptr;
}

HRGN CreateRegionHandle(Region region) {
  return HandleCast<HRGN>(AllocHandle(std::make_unique<RegionObject>(std::move(region))));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  // Reversed corners describe the same rectangle.
  return CreateRegionHandle(Region(RECT{std::min(left, right), std::min(top, bottom),
                                        std::max(left, right), std::max(top, bottom)}));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

namespace {

constexpr int64_t kShapeSide = 65536;

bool ShapeSizeOk(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return std::abs(right - left) <= kShapeSide && std::abs(bottom - top) <= kShapeSide;
}

}  // namespace

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  if (!ShapeSizeOk(left, top, right, bottom)) return nullptr;
  return CreateRegionHandle(Region::Ellipse(RECT{std::min(left, right), std::min(top, bottom),
                                                 std::max(left, right), std::max(top, bottom)}));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
  return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int cornerW, int cornerH) {
  if (!ShapeSizeOk(left, top, right, bottom)) return nullptr;
  return CreateRegionHandle(Region::RoundRect(RECT{std::min(left, right), std::min(top, bottom),
                                                   std::max(left, right), std::max(top, bottom)},
                                              cornerW, cornerH));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (!points || count < 0 || (fillMode != ALTERNATE && fillMode != WINDING)) return nullptr;
  const std::span<const POINT> all(points, size_t(count));
  if (!all.empty()) {
    auto [minX, maxX] = std::minmax_element(
        all.begin(), all.end(), [](const POINT& a, const POINT& b) { return a.x < b.x; });
    auto [minY, maxY] = std::minmax_element(
        all.begin(), all.end(), [](const POINT& a, const POINT& b) { return a.y < b.y; });
    if (!ShapeSizeOk(minX->x, minY->y, maxX->x, maxY->y)) return nullptr;
  }
  return CreateRegionHandle(Region::Polygon(all, fillMode));
}

HRGN CreateRegionFromBitmap(const Bitmap& bitmap, COLORREF key, int dx, int dy) {
  return CreateRegionHandle(Region::FromBitmap(bitmap, key, POINT{dx, dy}));
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  Region* r = LookupRegion(region);
  if (!r) return FALSE;
  *r = Region(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                   std::max(top, bottom)});
  return TRUE;
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
  Region* d = LookupRegion(dst);
  Region* a = LookupRegion(src1);
  if (!d || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    *d = *a;
    return d->Complexity();
  }
  Region* b = LookupRegion(src2);
  if (!b) return ERROR;
  *d = a->Combined(*b, mode);
  return d->Complexity();
}

int OffsetRgn(HRGN region, int dx, int dy) {
  Region* r = LookupRegion(region);
  if (!r) return ERROR;
  r->Offset(dx, dy);
  return r->Complexity();
}

BOOL PtInRegion(HRGN region, int x, int y) {
  Region* r = LookupRegion(region);
  return r && r->Contains(POINT{x, y}) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  Region* r = LookupRegion(region);
  return r && rect && r->Intersects(*rect) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, RECT* box) {
  Region* r = LookupRegion(region);
  if (!r || !box) return ERROR;
  *box = r->Box();
  return r->Complexity();
}

BOOL EqualRgn(HRGN a, HRGN b) {
  Region* ra = LookupRegion(a);
  Region* rb = LookupRegion(b);
  if (!ra || !rb) return ERROR;
  return *ra == *rb ? TRUE : FALSE;
}

std::vector<RECT> GetRegionRects(HRGN region) {
  Region* r = LookupRegion(region);
  return r ? r->Rects() : std::vector<RECT>{};
}

}  // namespace win
