#pragma once
// Small fixtures shared by the pixel tests.

#include <cstdint>
#include <cstring>
#include <random>

#include "platform/graphics/Bitmap.h"

namespace pixeltest {

inline uint32_t Get(const win::Bitmap& b, int x, int y) {
  uint32_t v;
  std::memcpy(&v, b.Row(y) + 4 * x, 4);
  return v;
}

inline void Put(win::Bitmap& b, int x, int y, uint32_t v) {
  std::memcpy(b.Row(y) + 4 * x, &v, 4);
}

inline win::Bitmap Filled(int w, int h, uint32_t v) {
  win::Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) Put(b, x, y, v);
  return b;
}

// Random bytes; every eighth pixel of a 32-bit bitmap is the key, so key handling is exercised.
inline win::Bitmap Random(int w, int h, uint32_t seed,
                          win::PixelFormat f = win::PixelFormat::Bgra32, bool withKeys = false) {
  win::Bitmap b(w, h, f);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < w * win::BytesPerPixel(f); ++i) b.Row(y)[i] = uint8_t(rng());
  if (withKeys && f == win::PixelFormat::Bgra32)
    for (int y = 0; y < h; ++y)
      for (int x = (y % 8); x < w; x += 8) Put(b, x, y, 0x00FF00FF);
  return b;
}

inline bool SamePixels(const win::Bitmap& a, const win::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format()) return false;
  const size_t bytes = size_t(a.Width()) * win::BytesPerPixel(a.Format());
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.Row(y), b.Row(y), bytes) != 0) return false;
  return true;
}

inline uint8_t Ch(uint32_t px, int c) {
  return uint8_t(px >> (8 * c));
}

}  // namespace pixeltest
