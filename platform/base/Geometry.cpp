#include "platform/base/Geometry.h"

#include <algorithm>
#include <cstdint>

namespace win {

bool SetRect(RECT* r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!r) return false;
  *r = RECT{left, top, right, bottom};
  return true;
}

bool SetRectEmpty(RECT* r) {
  if (!r) return false;
  *r = RECT{};
  return true;
}

bool IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }

bool EqualRect(const RECT* a, const RECT* b) { return a && b && *a == *b; }

bool PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}

namespace {

// Sides moved past the ends of the range stop there instead of overflowing.
int32_t Moved(int32_t v, int64_t d) {
  return int32_t(std::clamp<int64_t>(v + d, INT32_MIN, INT32_MAX));
}

}  // namespace

bool OffsetRect(RECT* r, int32_t dx, int32_t dy) {
  if (!r) return false;
  *r = RECT{Moved(r->left, dx), Moved(r->top, dy), Moved(r->right, dx), Moved(r->bottom, dy)};
  return true;
}

bool InflateRect(RECT* r, int32_t dx, int32_t dy) {
  if (!r) return false;
  *r = RECT{Moved(r->left, -int64_t(dx)), Moved(r->top, -int64_t(dy)), Moved(r->right, dx),
            Moved(r->bottom, dy)};
  return true;
}

bool IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return false;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    *dst = RECT{};
    return false;
  }
  *dst = r;
  return true;
}

bool UnionRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return false;
  const bool ea = IsRectEmpty(a), eb = IsRectEmpty(b);
  if (ea && eb) {
    *dst = RECT{};
    return false;
  }
  if (ea) { *dst = *b; return true; }
  if (eb) { *dst = *a; return true; }
  *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
              std::max(a->bottom, b->bottom)};
  return true;
}

bool SubtractRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return false;
  RECT r = *a;
  RECT i;
  if (IntersectRect(&i, a, b)) {
    if (i.top == r.top && i.bottom == r.bottom) {
      if (i.left == r.left) r.left = i.right;
      else if (i.right == r.right) r.right = i.left;
    } else if (i.left == r.left && i.right == r.right) {
      if (i.top == r.top) r.top = i.bottom;
      else if (i.bottom == r.bottom) r.bottom = i.top;
    }
  }
  if (IsRectEmpty(&r)) {
    *dst = RECT{};
    return false;
  }
  *dst = r;
  return true;
}

bool CopyRect(RECT* dst, const RECT* src) {
  if (!dst || !src) return false;
  *dst = *src;
  return true;
}

}  // namespace win
