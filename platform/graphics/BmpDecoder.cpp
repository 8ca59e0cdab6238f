// Our own BMP reader. Every offset and length read from the file is checked against the data
// before it is used, and the picture's size is validated before its bitmap is allocated.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/graphics/ImageCodecs.h"

namespace win {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;
constexpr uint32_t kBiAlphaBitFields = 6;

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

[[noreturn]] void Fail(const char16_t* reason) {
  throw EInvalidGraphic(String(u"Invalid BMP picture: ") + reason);
}

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // the largest value after shifting; 0 for an absent channel

  static Channel FromMask(uint32_t mask) {
    Channel c;
    if (mask == 0) return c;
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
    if ((c.max & (c.max + 1)) != 0) Fail(u"bit-field masks must be contiguous");
    return c;
  }
  uint8_t Get(uint32_t v) const {
    if (max == 0) return 0;
    const uint64_t value = (v & mask) >> shift;
    return static_cast<uint8_t>((value * 255 + max / 2) / max);
  }
};

struct Layout {
  int32_t width = 0;
  int32_t height = 0;  // absolute value
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  std::vector<Bgra> palette;
  Channel red, green, blue, alpha;
  size_t pixelOffset = 0;
};

Bgra PaletteEntry(const Layout& l, uint32_t index) {
  if (index >= l.palette.size()) Fail(u"palette index out of range");
  return l.palette[index];
}

void ReadHeader(const uint8_t* data, size_t size, Layout& l) {
  size_t pos = 0;
  bool haveFileHeader = false;
  size_t declaredOffset = 0;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    if (size < kFileHeaderSize + 4) Fail(u"truncated header");
    haveFileHeader = true;
    declaredOffset = U32(data + 10);
    pos = kFileHeaderSize;
  }
  if (size - pos < 4) Fail(u"truncated header");
  const uint32_t headerSize = U32(data + pos);
  if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) Fail(u"unknown header");
  if (headerSize > size - pos) Fail(u"truncated header");
  const uint8_t* h = data + pos;

  uint32_t colorsUsed = 0;
  int paletteEntrySize = 4;
  if (headerSize == kCoreHeaderSize) {
    l.width = U16(h + 4);
    l.height = U16(h + 6);
    l.bits = U16(h + 10);
    paletteEntrySize = 3;
  } else {
    const int32_t w = I32(h + 4);
    const int32_t hh = I32(h + 8);
    l.bits = U16(h + 14);
    l.compression = U32(h + 16);
    colorsUsed = U32(h + 32);
    if (hh < 0) {
      if (hh == INT32_MIN) Fail(u"picture too large");
      l.topDown = true;
    }
    l.width = w;
    l.height = hh < 0 ? -hh : hh;
  }
  if (l.width <= 0 || l.height <= 0) Fail(u"empty or negative size");
  if (l.width > kMaxBitmapSide || l.height > kMaxBitmapSide) Fail(u"picture too large");

  switch (l.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Fail(u"unsupported bit depth");
  }
  switch (l.compression) {
    case kBiRgb: break;
    case kBiRle8: if (l.bits != 8) Fail(u"RLE8 needs 8 bits"); break;
    case kBiRle4: if (l.bits != 4) Fail(u"RLE4 needs 4 bits"); break;
    case kBiBitFields:
    case kBiAlphaBitFields:
      if (l.bits != 16 && l.bits != 32) Fail(u"bit fields need 16 or 32 bits");
      break;
    default: Fail(u"unsupported compression");
  }
  if ((l.compression == kBiRle8 || l.compression == kBiRle4) && l.topDown)
    Fail(u"compressed pictures cannot be top-down");
  pos += headerSize;

  // Masks: inside a V2+ header, or after a plain info header.
  uint32_t masks[4] = {0, 0, 0, 0};
  if (l.compression == kBiBitFields || l.compression == kBiAlphaBitFields) {
    const int count = l.compression == kBiAlphaBitFields ? 4 : 3;
    if (headerSize >= kInfoHeaderSize + 4 * uint32_t(count)) {
      for (int i = 0; i < count; ++i) masks[i] = U32(h + 40 + 4 * i);
    } else {
      if (size - pos < size_t(4 * count)) Fail(u"truncated bit-field masks");
      for (int i = 0; i < count; ++i) masks[i] = U32(data + pos + 4 * i);
      pos += 4 * count;
    }
    // A V3+ header names an alpha mask even for BI_BITFIELDS.
    if (l.compression == kBiBitFields && headerSize >= kInfoHeaderSize + 16) masks[3] = U32(h + 52);
  } else if (l.bits == 16) {
    masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
  } else if (l.bits == 32) {
    masks[0] = 0x00FF0000; masks[1] = 0x0000FF00; masks[2] = 0x000000FF; masks[3] = 0xFF000000;
  }
  if (l.bits == 16) {
    for (uint32_t& m : masks) m &= 0xFFFF;
  }
  l.red = Channel::FromMask(masks[0]);
  l.green = Channel::FromMask(masks[1]);
  l.blue = Channel::FromMask(masks[2]);
  l.alpha = Channel::FromMask(masks[3]);

  if (l.bits <= 8) {
    const uint32_t maxColors = 1u << l.bits;
    uint32_t count = colorsUsed == 0 ? maxColors : colorsUsed;
    if (count > maxColors) Fail(u"palette larger than the bit depth allows");
    // Writers that leave the count at zero (and every core header) may still store a shorter
    // palette; the pixel offset tells where it ends.
    if (haveFileHeader && declaredOffset >= pos && (declaredOffset - pos) / paletteEntrySize < count)
      count = uint32_t((declaredOffset - pos) / paletteEntrySize);
    const size_t bytes = size_t(count) * paletteEntrySize;
    if (size - pos < bytes) Fail(u"truncated palette");
    l.palette.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = data + pos + size_t(i) * paletteEntrySize;
      l.palette[i] = Bgra{e[0], e[1], e[2], 255};
    }
    pos += bytes;
  } else if (colorsUsed != 0) {
    // A palette before true-colour pixels is only advice for display; skip it when it fits.
    const size_t bytes = size_t(std::min<uint32_t>(colorsUsed, 256)) * paletteEntrySize;
    if (size - pos >= bytes) pos += bytes;
  }

  if (haveFileHeader && declaredOffset != 0) {
    if (declaredOffset < kFileHeaderSize + headerSize || declaredOffset > size)
      Fail(u"pixel data offset out of range");
    l.pixelOffset = declaredOffset;
  } else {
    l.pixelOffset = pos;
  }
}

size_t SourceStride(const Layout& l) { return ((size_t(l.width) * l.bits + 31) / 32) * 4; }

// Checked before the bitmap is allocated, so a short file never costs a large allocation.
void CheckUncompressedSize(size_t size, const Layout& l) {
  const size_t rowBytes = (size_t(l.width) * l.bits + 7) / 8;
  // The last row may come without its padding.
  if (size - l.pixelOffset < SourceStride(l) * (l.height - 1) + rowBytes)
    Fail(u"truncated pixel data");
}

void ReadUncompressed(const uint8_t* data, const Layout& l, Bitmap& out) {
  const size_t stride = SourceStride(l);
  const uint8_t* pixels = data + l.pixelOffset;
  bool anyAlpha = false;
  for (int32_t row = 0; row < l.height; ++row) {
    const uint8_t* s = pixels + stride * row;
    Bgra* d = out.Row32(l.topDown ? row : l.height - 1 - row);
    switch (l.bits) {
      case 1: case 4: case 8: {
        const int perByte = 8 / l.bits;
        const uint32_t valueMask = (1u << l.bits) - 1;
        for (int32_t x = 0; x < l.width; ++x) {
          const int shift = 8 - l.bits * (x % perByte + 1);
          d[x] = PaletteEntry(l, (s[x / perByte] >> shift) & valueMask);
        }
        break;
      }
      case 24:
        for (int32_t x = 0; x < l.width; ++x, s += 3) d[x] = Bgra{s[0], s[1], s[2], 255};
        break;
      case 16: case 32: {
        const int bytes = l.bits / 8;
        for (int32_t x = 0; x < l.width; ++x, s += bytes) {
          const uint32_t v = bytes == 2 ? U16(s) : U32(s);
          const uint8_t a = l.alpha.max ? l.alpha.Get(v) : 255;
          anyAlpha |= a != 0;
          d[x] = Bgra{l.blue.Get(v), l.green.Get(v), l.red.Get(v), a};
        }
        break;
      }
    }
  }
  // Many writers leave the fourth byte zero: such a picture is meant to be opaque.
  if (l.alpha.max && !anyAlpha) {
    for (int32_t y = 0; y < l.height; ++y) {
      Bgra* d = out.Row32(y);
      for (int32_t x = 0; x < l.width; ++x) d[x].a = 255;
    }
  }
}

void ReadRle(const uint8_t* data, size_t size, const Layout& l, Bitmap& out) {
  const uint8_t* p = data + l.pixelOffset;
  const uint8_t* end = data + size;
  const bool four = l.compression == kBiRle4;
  int32_t x = 0, y = 0;  // y counts rows from the bottom
  auto put = [&](uint32_t index) {
    if (x < l.width && y < l.height) out.Pixel32(x, l.height - 1 - y) = PaletteEntry(l, index);
    ++x;
  };
  for (;;) {
    if (end - p < 2) Fail(u"truncated pixel data");
    const uint8_t count = p[0];
    const uint8_t value = p[1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      return;
    } else if (value == 2) {  // delta
      if (end - p < 2) Fail(u"truncated pixel data");
      x += p[0];
      y += p[1];
      p += 2;
    } else {  // a literal run, padded to a 16-bit boundary
      const size_t bytes = four ? (value + 1u) / 2 : value;
      const size_t padded = (bytes + 1) & ~size_t(1);
      if (size_t(end - p) < bytes) Fail(u"truncated pixel data");
      for (int i = 0; i < value; ++i) put(four ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
      p += std::min(padded, size_t(end - p));
    }
    if (y >= l.height) return;  // anything past the top row cannot be drawn
  }
}

}  // namespace

Bitmap DecodeBmp(const uint8_t* data, size_t size) {
  if (data == nullptr || size == 0) Fail(u"no data");
  Layout l;
  ReadHeader(data, size, l);
  const bool rle = l.compression == kBiRle8 || l.compression == kBiRle4;
  if (!rle) CheckUncompressedSize(size, l);
  Bitmap out(l.width, l.height, PixelFormat::Bgra32);
  if (rle)
    ReadRle(data, size, l, out);
  else
    ReadUncompressed(data, l, out);
  return out;
}

}  // namespace win
