#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/base/Errors.h"

namespace win {

int Bitmap::StrideFor(int width, PixelFormat format) {
  return (width * BytesPerPixel(format) + 3) & ~3;
}

Bitmap::Bitmap(int width, int height, PixelFormat format, RowOrder order)
    : FFormat(format), FOrder(order) {
  if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
    throw EOutOfResources(u"Bitmap size out of range");
  FWidth = width;
  FHeight = height;
  FStride = StrideFor(width, format);
  FPixels.assign(static_cast<size_t>(FStride) * height, 0);
}

void Bitmap::Resize(int width, int height) {
  if (width == FWidth && height == FHeight) return;
  Bitmap next(width, height, FFormat, FOrder);
  const int rows = std::min(FHeight, height);
  const size_t bytes = static_cast<size_t>(std::min(FWidth, width)) * BytesPerPixel(FFormat);
  for (int y = 0; y < rows && bytes > 0; ++y) std::memcpy(next.Row(y), Row(y), bytes);
  *this = std::move(next);
}

void Bitmap::Clear() { std::fill(FPixels.begin(), FPixels.end(), 0); }

Bitmap Bitmap::ConvertedTo(PixelFormat format) const {
  if (format == FFormat) return *this;
  Bitmap out(FWidth, FHeight, format);
  const int sb = BytesPerPixel(FFormat);
  const int db = BytesPerPixel(format);
  for (int y = 0; y < FHeight; ++y) {
    const uint8_t* s = Row(y);
    uint8_t* d = out.Row(y);
    for (int x = 0; x < FWidth; ++x, s += sb, d += db) {
      uint8_t b, g, r;
      if (FFormat == PixelFormat::Gray8) {
        b = g = r = s[0];
      } else {
        b = s[0];
        g = s[1];
        r = s[2];
      }
      if (format == PixelFormat::Gray8) {
        d[0] = static_cast<uint8_t>((r * 77 + g * 150 + b * 29 + 128) >> 8);
      } else {
        d[0] = b;
        d[1] = g;
        d[2] = r;
        if (format == PixelFormat::Bgra32) d[3] = FFormat == PixelFormat::Bgra32 ? s[3] : 255;
      }
    }
  }
  return out;
}

}  // namespace win
