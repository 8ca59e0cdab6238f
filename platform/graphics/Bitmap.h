#pragma once
// Pixel buffers. 32-bit pixels are B, G, R, A bytes with straight (not premultiplied) alpha;
// 24-bit pixels are B, G, R; 8-bit pixels are grey levels. Rows are addressed through the
// stride, which is the row size rounded up to a multiple of four bytes. Rows are stored top-down
// unless the bitmap was made bottom-up (the layout of a bottom-up device-independent bitmap):
// then Bits() is the bottom row and Row(y) still counts from the top.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace win {

enum class PixelFormat : uint8_t { Gray8 = 8, Bgr24 = 24, Bgra32 = 32 };
enum class RowOrder : uint8_t { TopDown, BottomUp };

constexpr int BytesPerPixel(PixelFormat f) { return static_cast<int>(f) / 8; }

// The largest picture side the system accepts anywhere (decoders, bitmaps).
constexpr int kMaxBitmapSide = 16384;

// A 32-bit pixel as stored in memory.
struct Bgra {
  uint8_t b = 0, g = 0, r = 0, a = 0;
  friend bool operator==(const Bgra&, const Bgra&) = default;
};
static_assert(sizeof(Bgra) == 4);

class Bitmap {
 public:
  Bitmap() = default;
  // A zero-filled bitmap; sides must lie in 0..kMaxBitmapSide (others throw EOutOfResources).
  Bitmap(int width, int height, PixelFormat format = PixelFormat::Bgra32,
         RowOrder order = RowOrder::TopDown);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  PixelFormat Format() const { return FFormat; }
  int BitsPerPixel() const { return static_cast<int>(FFormat); }
  int Stride() const { return FStride; }
  RowOrder Order() const { return FOrder; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  size_t SizeInBytes() const { return FPixels.size(); }

  // The lowest address of the pixels (the top row, or the bottom row when bottom-up).
  uint8_t* Bits() { return FPixels.data(); }
  const uint8_t* Bits() const { return FPixels.data(); }
  uint8_t* Row(int y) { return FPixels.data() + RowOffset(y); }
  const uint8_t* Row(int y) const { return FPixels.data() + RowOffset(y); }
  // Only for 32-bit bitmaps.
  Bgra* Row32(int y) { return reinterpret_cast<Bgra*>(Row(y)); }
  const Bgra* Row32(int y) const { return reinterpret_cast<const Bgra*>(Row(y)); }
  Bgra& Pixel32(int x, int y) { return Row32(y)[x]; }
  const Bgra& Pixel32(int x, int y) const { return Row32(y)[x]; }

  // New size; the overlapping top-left part keeps its pixels, new pixels are zero.
  void Resize(int width, int height);
  // Fills every byte (also padding) with zero.
  void Clear();
  // The same picture in another format: 24/8 -> 32 gives alpha 255; 32/24 -> 8 gives the
  // grey level (r*77 + g*150 + b*29 + 128) >> 8; 8 -> 24/32 repeats the grey level.
  Bitmap ConvertedTo(PixelFormat format) const;

  static int StrideFor(int width, PixelFormat format);

 private:
  size_t RowOffset(int y) const {
    return static_cast<size_t>(FOrder == RowOrder::TopDown ? y : FHeight - 1 - y) * FStride;
  }

  int FWidth = 0;
  int FHeight = 0;
  PixelFormat FFormat = PixelFormat::Bgra32;
  RowOrder FOrder = RowOrder::TopDown;
  int FStride = 0;
  std::vector<uint8_t> FPixels;
};

}  // namespace win
