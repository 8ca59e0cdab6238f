#include "platform/graphics/Region.h"

#include <algorithm>

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
    case RGN_AND: return inA && inB;
    case RGN_OR: return inA || inB;
    case RGN_XOR: return inA != inB;
    case RGN_DIFF: return inA && !inB;
    default: return inA;
  }
}

// Combines two sorted, disjoint span lists.
void CombineSpans(const std::vector<Span>& a, const std::vector<Span>& b, int mode,
                  std::vector<Span>& out) {
  out.clear();
  size_t ia = 0, ib = 0;
  int32_t x = INT32_MIN;
  while (ia < a.size() || ib < b.size()) {
    // The next boundary after x in either list.
    const bool inA = ia < a.size() && a[ia].left <= x;
    const bool inB = ib < b.size() && b[ib].left <= x;
    int32_t next = INT32_MAX;
    if (ia < a.size()) next = std::min(next, inA ? a[ia].right : a[ia].left);
    if (ib < b.size()) next = std::min(next, inB ? b[ib].right : b[ib].left);
    if (x != INT32_MIN && Keep(mode, inA, inB) && x < next) {
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
  std::vector<int32_t> ys;
  AddBreaks(valid, ys);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region result;
  BandWriter writer(result.FRects);
  std::vector<Span> spans;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    spans.clear();
    for (const RECT& r : valid)
      if (r.top <= ys[i] && r.bottom > ys[i]) spans.push_back(Span{r.left, r.right});
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.left < b.left; });
    size_t n = 0;
    for (const Span& s : spans) {
      if (n > 0 && s.left <= spans[n - 1].right)
        spans[n - 1].right = std::max(spans[n - 1].right, s.right);
      else
        spans[n++] = s;
    }
    spans.resize(n);
    writer.Add(ys[i], ys[i + 1], spans);
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
        spans.push_back(Span{start + offset.x, x + offset.x});
      }
    }
    if (y == bitmap.Height() || spans != previous) {
      writer.Add(bandTop + offset.y, y + offset.y, previous);
      previous.swap(spans);
      bandTop = y;
    }
  }
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
