// skinpack DIR OUT.asz: packs a skin directory into a skin archive ("Options.dat" first, then
// the other files in name order).

#include <cstdio>

#include "platform/base/Errors.h"
#include "skin/data/acSkinPack.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: skinpack DIR OUT.asz\n");
    return 2;
  }
  try {
    const Bytes archive = PackSkinDirectory(Utf8ToString(argv[1]));
    WriteFileAtomic(Utf8ToString(argv[2]), archive);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skinpack: %s\n", e.what());
    return 1;
  }
  return 0;
}
