// libFuzzer entry for the RTF reader: any bytes must either read or raise EReadError, and what is
// read must load into a document and write back as RTF that reads again with the same text and
// the same character and paragraph formats.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/richedit/RtfReader.h"
#include "platform/richedit/RtfWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  TRichDocument doc;
  try {
    doc.Load(ReadRtf(input));
  } catch (const EReadError&) {
    return 0;
  }
  const std::string rtf = WriteRtf(doc);
  TRichDocument back;
  back.Load(ReadRtf(rtf));
  if (back.GetText() != doc.GetText() || back.ParagraphCount() != doc.ParagraphCount()) __builtin_trap();
  for (int p = 0; p < doc.Length(); ++p)
    if (!(back.CharFormatAt(p) == doc.CharFormatAt(p))) __builtin_trap();
  for (int k = 0; k < doc.ParagraphCount(); ++k)
    if (!(back.ParagraphFormat(k) == doc.ParagraphFormat(k))) __builtin_trap();
  return 0;
}
