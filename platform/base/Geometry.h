#pragma once
// Rectangles, points and sizes in pixels. Right and bottom edges are exclusive.

#include <cstdint>

namespace win {

struct POINT {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
  int32_t cx = 0;
  int32_t cy = 0;
  friend bool operator==(const SIZE&, const SIZE&) = default;
};

struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  friend bool operator==(const RECT&, const RECT&) = default;
};

inline RECT Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return RECT{l, t, r, b}; }
inline RECT Bounds(int32_t x, int32_t y, int32_t w, int32_t h) { return RECT{x, y, x + w, y + h}; }

// The usual helpers, under the names the system uses. Those returning BOOL-like results
// return true when the result is non-empty (or the test holds).
bool SetRect(RECT* r, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool SetRectEmpty(RECT* r);
bool IsRectEmpty(const RECT* r);  // width or height <= 0
bool EqualRect(const RECT* a, const RECT* b);
bool PtInRect(const RECT* r, POINT p);
bool OffsetRect(RECT* r, int32_t dx, int32_t dy);
bool InflateRect(RECT* r, int32_t dx, int32_t dy);
// An empty result is stored as all zeros.
bool IntersectRect(RECT* dst, const RECT* a, const RECT* b);
// Empty rectangles do not contribute to a union.
bool UnionRect(RECT* dst, const RECT* a, const RECT* b);
// The smallest rectangle covering a minus b, when b cuts a whole side off a.
bool SubtractRect(RECT* dst, const RECT* a, const RECT* b);
bool CopyRect(RECT* dst, const RECT* src);

}  // namespace win
