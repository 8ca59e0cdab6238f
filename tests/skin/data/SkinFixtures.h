#pragma once
// Small skins built by the tests themselves: raw BMP bytes, PNG and JPEG files, archives and
// skin directories in a temporary folder.

#include <jpeglib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/base/Files.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageCodecs.h"
#include "skin/data/acSkinPack.h"

namespace skintest {

struct TempDir {
  TempDir() {
    char tmpl[] = "/tmp/quillet-skin-XXXXXX";
    if (::mkdtemp(tmpl)) Path = Utf8ToString(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + StringToUtf8(Path) + "'").c_str()); }
  String operator/(StringView name) const { return PathJoin(Path, name); }
  String Path;
};

using PixelFn = std::function<win::Bgra(int x, int y)>;

inline win::Bgra Solid(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) { return {b, g, r, a}; }

// A bottom-up BMP file of 24 or 32 bits per pixel.
inline Bytes MakeBmp(int w, int h, const PixelFn& pixel, int bits = 24) {
  const int stride = ((w * bits / 8) + 3) & ~3;
  const uint32_t dataSize = uint32_t(stride * h);
  Bytes b(54 + dataSize, 0);
  auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, uint32_t(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  b[26] = 1;
  b[28] = uint8_t(bits);
  put32(34, dataSize);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.data() + 54 + size_t(h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      const win::Bgra p = pixel(x, y);
      uint8_t* q = row + x * (bits / 8);
      q[0] = p.b;
      q[1] = p.g;
      q[2] = p.r;
      if (bits == 32) q[3] = p.a;
    }
  }
  return b;
}

inline win::Bitmap MakeBitmap(int w, int h, const PixelFn& pixel) {
  win::Bitmap bmp(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.Pixel32(x, y) = pixel(x, y);
  return bmp;
}

inline Bytes MakePng(int w, int h, const PixelFn& pixel) {
  return win::EncodePng(MakeBitmap(w, h, pixel));
}

// A baseline JPEG of one grey level (JPEG has no encoder in the codecs; libjpeg writes it).
inline Bytes MakeJpeg(int w, int h, uint8_t grey = 128) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 50, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(size_t(w), grey);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes result(out, out + outSize);
  std::free(out);
  return result;
}

inline Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline void WriteFile(StringView path, const Bytes& data) { WriteFileAtomic(path, data); }

}  // namespace skintest
