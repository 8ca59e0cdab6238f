// JPEG through libjpeg. Its default error handler ends the process; ours jumps back to the
// step that armed it instead. As with PNG, the jumping steps hold no C++ objects with
// destructors: storage is owned by the caller, which raises the exception.

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

#include "platform/graphics/ImageCodecs.h"

namespace win {

namespace {

// Progressive files keep all coefficients in memory: enough for the largest picture allowed.
constexpr long kMaxJpegMemory = 1536L << 20;

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  bool truncated = false;
  char message[JMSG_LENGTH_MAX] = {};
};

void OnErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->pub.format_message(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  // Only warnings matter; a file that ends early is decoded as grey by libjpeg, which would
  // silently hand back a damaged picture.
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0 && err->pub.msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

struct DecompressState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  bool created = false;
  ~DecompressState() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

bool HeaderStep(DecompressState& s, const uint8_t* data, size_t size) {
  if (setjmp(s.err.jump)) return false;
  jpeg_create_decompress(&s.cinfo);
  s.created = true;
  s.cinfo.mem->max_memory_to_use = kMaxJpegMemory;
  jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&s.cinfo, TRUE);
  switch (s.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      s.cinfo.out_color_space = JCS_EXT_BGRA;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      s.cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      ERREXIT(&s.cinfo, JERR_CONVERSION_NOTIMPL);
  }
  return true;
}

bool StartStep(DecompressState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_start_decompress(&s.cinfo);
  return true;
}

// Reads every row; CMYK rows go through `scratch`, one row of 4-byte pixels, and are converted.
bool RowsStep(DecompressState& s, Bitmap& out, uint8_t* scratch) {
  if (setjmp(s.err.jump)) return false;
  const bool cmyk = s.cinfo.out_color_space == JCS_CMYK;
  // Adobe applications store CMYK inverted, which is what files with this marker carry.
  const bool inverted = s.cinfo.saw_Adobe_marker;
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    const int y = static_cast<int>(s.cinfo.output_scanline);
    JSAMPROW row = cmyk ? scratch : out.Row(y);
    jpeg_read_scanlines(&s.cinfo, &row, 1);
    if (!cmyk) continue;
    Bgra* d = out.Row32(y);
    for (int x = 0; x < out.Width(); ++x) {
      const uint8_t* p = scratch + 4 * x;
      int c = p[0], m = p[1], yy = p[2], k = p[3];
      if (!inverted) {
        c = 255 - c; m = 255 - m; yy = 255 - yy; k = 255 - k;
      }
      d[x] = Bgra{uint8_t((yy * k + 127) / 255), uint8_t((m * k + 127) / 255),
                  uint8_t((c * k + 127) / 255), 255};
    }
  }
  jpeg_finish_decompress(&s.cinfo);
  return true;
}

[[noreturn]] void Fail(const char* message) {
  throw EInvalidGraphic(u"Invalid JPEG picture: " + Utf8ToString(message));
}

}  // namespace

Bitmap DecodeJpeg(const uint8_t* data, size_t size) {
  if (data == nullptr || size < 3 || data[0] != 0xFF || data[1] != 0xD8) Fail("not a JPEG file");
  DecompressState s;
  s.cinfo.err = jpeg_std_error(&s.err.pub);
  s.err.pub.error_exit = OnErrorExit;
  s.err.pub.emit_message = OnMessage;
  if (!HeaderStep(s, data, size)) Fail(s.err.message);
  if (s.cinfo.image_width > unsigned(kMaxBitmapSide) || s.cinfo.image_height > unsigned(kMaxBitmapSide))
    Fail("picture too large");
  if (!StartStep(s)) Fail(s.err.message);
  Bitmap out(int(s.cinfo.output_width), int(s.cinfo.output_height), PixelFormat::Bgra32);
  std::vector<uint8_t> scratch(size_t(out.Width()) * 4);
  if (!RowsStep(s, out, scratch.data())) Fail(s.err.message);
  if (s.err.truncated) Fail("file is truncated");
  return out;
}

}  // namespace win
