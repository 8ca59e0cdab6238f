// PNG through libpng. libpng reports errors by longjmp; a jump must never cross a C++ frame that
// owns an object with a destructor. So every function that arms setjmp is a plain step that
// only calls libpng with pointers to storage owned by the caller, and turns a jump into a
// false return; the C++ caller then raises the exception with the message libpng gave.

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/graphics/ImageCodecs.h"

namespace win {

namespace {

struct PngIo {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  std::vector<uint8_t>* out = nullptr;
  bool outOfMemory = false;
  char message[200] = {};
};

void OnError(png_structp png, png_const_charp message) {
  auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
  std::snprintf(io->message, sizeof io->message, "%s", message ? message : "error");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep dest, png_size_t length) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (io->size - io->pos < length) png_error(png, "file is truncated");
  std::memcpy(dest, io->data + io->pos, length);
  io->pos += length;
}

void OnWrite(png_structp png, png_bytep src, png_size_t length) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  try {
    io->out->insert(io->out->end(), src, src + length);
  } catch (...) {
    io->outOfMemory = true;
  }
  if (io->outOfMemory) png_error(png, "out of memory");
}

void OnFlush(png_structp) {}

// Owns libpng's structures; destroying them never jumps.
struct ReadState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadState() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct WriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteState() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

struct Header {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int passes = 1;
};

// Reads the header and sets up the expansion to 8-bit BGRA.
bool ReadHeaderStep(ReadState& s, Header& h) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_user_limits(s.png, kMaxBitmapSide, kMaxBitmapSide);
  png_set_chunk_malloc_max(s.png, 8u << 20);
  png_read_info(s.png, s.info);
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(s.png, s.info, &h.width, &h.height, &bitDepth, &colorType, nullptr, nullptr,
               nullptr);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
  if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s.png);
  if (bitDepth == 16) png_set_strip_16(s.png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(s.png);
  png_set_filler(s.png, 0xFF, PNG_FILLER_AFTER);  // only acts when there is no alpha
  png_set_bgr(s.png);
  h.passes = png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  if (png_get_rowbytes(s.png, s.info) != size_t(h.width) * 4) png_error(s.png, "unexpected row layout");
  return true;
}

bool ReadRowsStep(ReadState& s, png_bytepp rows) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_read_image(s.png, rows);
  png_read_end(s.png, nullptr);
  return true;
}

[[noreturn]] void Fail(const PngIo& io) {
  throw EInvalidGraphic(u"Invalid PNG picture: " + Utf8ToString(io.message));
}

bool WriteStep(WriteState& s, const Bitmap& bitmap, png_bytepp rows) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  int colorType = PNG_COLOR_TYPE_RGBA;
  if (bitmap.Format() == PixelFormat::Bgr24) colorType = PNG_COLOR_TYPE_RGB;
  if (bitmap.Format() == PixelFormat::Gray8) colorType = PNG_COLOR_TYPE_GRAY;
  png_set_IHDR(s.png, s.info, bitmap.Width(), bitmap.Height(), 8, colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(s.png, s.info);
  if (colorType != PNG_COLOR_TYPE_GRAY) png_set_bgr(s.png);
  png_write_image(s.png, rows);
  png_write_end(s.png, nullptr);
  return true;
}

}  // namespace

Bitmap DecodePng(const uint8_t* data, size_t size) {
  PngIo io;
  io.data = data;
  io.size = data ? size : 0;
  if (io.size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    std::snprintf(io.message, sizeof io.message, "not a PNG file");
    Fail(io);
  }
  ReadState s;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, OnError, OnWarning);
  if (!s.png) throw EOutOfResources(u"Out of memory reading a PNG picture");
  s.info = png_create_info_struct(s.png);
  if (!s.info) throw EOutOfResources(u"Out of memory reading a PNG picture");
  png_set_read_fn(s.png, &io, OnRead);

  Header h;
  if (!ReadHeaderStep(s, h)) Fail(io);
  Bitmap out(int(h.width), int(h.height), PixelFormat::Bgra32);
  std::vector<png_bytep> rows(h.height);
  for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = out.Row(int(y));
  if (!ReadRowsStep(s, rows.data())) Fail(io);
  return out;
}

std::vector<uint8_t> EncodePng(const Bitmap& bitmap) {
  if (bitmap.Empty()) throw EInvalidGraphic(u"Cannot write an empty picture as PNG");
  std::vector<uint8_t> result;
  PngIo io;
  io.out = &result;
  WriteState s;
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, OnError, OnWarning);
  if (!s.png) throw EOutOfResources(u"Out of memory writing a PNG picture");
  s.info = png_create_info_struct(s.png);
  if (!s.info) throw EOutOfResources(u"Out of memory writing a PNG picture");
  png_set_write_fn(s.png, &io, OnWrite, OnFlush);
  // libpng only reads the rows; its API is not const-correct.
  std::vector<png_bytep> rows(bitmap.Height());
  for (int y = 0; y < bitmap.Height(); ++y) rows[y] = const_cast<png_bytep>(bitmap.Row(y));
  if (!WriteStep(s, bitmap, rows.data())) {
    if (io.outOfMemory) throw EOutOfResources(u"Out of memory writing a PNG picture");
    throw EInvalidGraphic(u"Cannot write PNG picture: " + Utf8ToString(io.message));
  }
  return result;
}

}  // namespace win
