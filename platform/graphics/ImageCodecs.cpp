#include "platform/graphics/ImageCodecs.h"

#include <cstring>

namespace win {

Bitmap DecodeImage(const uint8_t* data, size_t size) {
  static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data != nullptr) {
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size);
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return DecodePng(data, size);
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return DecodeJpeg(data, size);
  }
  throw EInvalidGraphic(u"Unknown picture format");
}

}  // namespace win
