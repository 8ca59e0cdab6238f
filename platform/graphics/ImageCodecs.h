#pragma once
// Picture decoders and the PNG encoder. Every decoder returns a 32-bit bitmap with straight
// alpha (B, G, R, A bytes) and raises EInvalidGraphic for input it cannot read: a truncated
// or malformed file, an unknown layout, or a picture wider or taller than kMaxBitmapSide. No
// decoder allocates more than the picture it has validated needs.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/base/Errors.h"
#include "platform/graphics/Bitmap.h"

class EInvalidGraphic : public Exception { using Exception::Exception; };

namespace win {

// A BMP file ("BM" header) or a bare DIB (info header, palette, pixels). 1, 4, 8, 16, 24 and
// 32 bits; bottom-up and top-down rows; uncompressed, bit-field and RLE8/RLE4 layouts. A 32-bit
// picture whose alpha is zero everywhere is opaque. Pixels an RLE picture skips stay
// transparent black. A palette index past the palette is an error.
Bitmap DecodeBmp(const uint8_t* data, size_t size);

// Palette, grey, 16-bit, tRNS and interlaced inputs are expanded to 8-bit B, G, R, A; 16-bit
// channels keep their high byte. No gamma correction is applied.
Bitmap DecodePng(const uint8_t* data, size_t size);

// Grey, colour (YCbCr/RGB) and CMYK inputs; alpha is 255. A file cut short is an error rather
// than a picture padded with grey.
Bitmap DecodeJpeg(const uint8_t* data, size_t size);

// Chooses the decoder from the file's signature (BMP, PNG or JPEG).
Bitmap DecodeImage(const uint8_t* data, size_t size);

// A PNG file of the bitmap: 32-bit as RGBA, 24-bit as RGB, 8-bit as grey.
std::vector<uint8_t> EncodePng(const Bitmap& bitmap);

}  // namespace win
