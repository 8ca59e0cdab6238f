#pragma once
// A memory DC over a fresh 32-bit bitmap, for pixel checks.

#include <string>
#include <vector>

#include "platform/graphics/Gdi.h"

namespace win {

struct MemoryDC {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap;
  HGDIOBJ old;
  MemoryDC(int w, int h)
      : bitmap(CreateCompatibleBitmap(nullptr, w, h)), old(SelectObject(dc, bitmap)) {}
  ~MemoryDC() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Bitmap& Pixels() { return *LookupBitmap(bitmap); }
  Bgra& At(int x, int y) { return Pixels().Pixel32(x, y); }
  // Every pixel set to one value (alpha included).
  void Fill(Bgra p) {
    for (int y = 0; y < Pixels().Height(); ++y)
      for (int x = 0; x < Pixels().Width(); ++x) At(x, y) = p;
  }
  // One character per pixel: '#' where the pixel equals `ink`, '.' elsewhere.
  std::vector<std::string> Picture(Bgra ink) {
    std::vector<std::string> rows;
    for (int y = 0; y < Pixels().Height(); ++y) {
      std::string row;
      for (int x = 0; x < Pixels().Width(); ++x) row += At(x, y) == ink ? '#' : '.';
      rows.push_back(row);
    }
    return rows;
  }
};

constexpr Bgra kBlack{0, 0, 0, 255};
constexpr Bgra kWhite{255, 255, 255, 255};

}  // namespace win
