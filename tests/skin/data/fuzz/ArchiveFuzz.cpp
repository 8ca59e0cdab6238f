// libFuzzer target: any bytes as a skin archive. The reader must reject or accept them without
// reading outside the data, leaking, or allocating past its limits.

#include <cstddef>
#include <cstdint>

#include "platform/base/Errors.h"
#include "skin/data/acSkinPack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    auto conv = ReadSkinArchive(std::span<const uint8_t>(data, size));
    if (!conv->Options || conv->ImageCount != int(conv->Files.size())) __builtin_trap();
  } catch (const EReadError& e) {
    if (e.Message() != kNotPackedSkinMessage) __builtin_trap();
  }
  return 0;
}
