#include "platform/richedit/RichFiles.h"

#include "platform/base/Errors.h"
#include "platform/base/Files.h"
#include "platform/richedit/RtfReader.h"
#include "platform/richedit/RtfWriter.h"

TRichContent ReadRichText(std::string_view data, const TCharFormat& defaultFormat) {
  try {
    return ReadRtf(data, defaultFormat);
  } catch (const EReadError&) {
    return ReadPlainText(data, defaultFormat);
  }
}

void LoadRichFile(TRichDocument& document, StringView path) {
  const Bytes data = ReadWholeFile(path);
  TRichContent content = ReadRichText(
      std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), document.DefaultCharFormat());
  try {
    document.Load(std::move(content));
  } catch (const Exception& e) {
    throw EReadError(e.Message());
  }
}

void SaveRichFile(const TRichDocument& document, StringView path) {
  const std::string rtf = WriteRtf(document);
  WriteFileAtomic(path, rtf.data(), rtf.size());
}
