// libFuzzer target: any bytes as the options text of a packed skin holding two tiny pictures.
// Loading may fail with the framework's errors, never crash, loop or read out of bounds.

#include <cstddef>
#include <cstdint>

#include "platform/base/Errors.h"
#include "platform/framework/IniFiles.h"
#include "skin/data/acSkinContent.h"
#include "skin/data/acSkinPack.h"

namespace {

// A 2 x 1 24-bit BMP: a key-coloured pixel and a grey one.
const uint8_t kBmp[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0,
                        1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                        0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 255, 128, 128, 128, 0, 0};

std::unique_ptr<TacSkinConvertor> MakeArchive() {
  auto conv = std::make_unique<TacSkinConvertor>();
  for (const char16_t* name : {u"MASTER.BMP", u"A.BMP"}) {
    TacImageItem item;
    item.FileName = name;
    item.IsBitmap = true;
    item.FileStream = std::make_unique<Bytes>(std::begin(kBmp), std::end(kBmp));
    conv->Files.push_back(std::move(item));
  }
  conv->ImageCount = 2;
  return conv;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::unique_ptr<TacSkinConvertor> archive = MakeArchive();
  TMemIniFile options;
  options.SetCaseSensitive(true);
  options.LoadFromBytes(data, size);
  try {
    TacSkinContent content = LoadSkinContent(options, archive.get(), u"");
    for (size_t i = 0; i < content.ma.size(); ++i) {
      content.MaskWidthLeft(int(i));
      content.MaskWidthTop(int(i));
    }
    for (const TsGeneralData& d : content.gd) content.GetMaskIndex(content.GetSkinIndex(d.ClassName), d.ClassName, u"X");
  } catch (const Exception&) {
  }
  return 0;
}
