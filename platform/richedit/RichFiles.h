#pragma once
// Documents in files: reading as the editor does (RTF, else plain text) and writing RTF.

#include <string_view>

#include "platform/base/Strings.h"
#include "platform/richedit/RichDocument.h"

// RTF, and when the RTF read fails, plain text by its byte-order mark.
TRichContent ReadRichText(std::string_view data, const TCharFormat& defaultFormat = TCharFormat());
// Replaces the document with the file's content. On any error (EFOpenError when the file cannot
// be read, EReadError when its content cannot be loaded) the document is left as it was.
void LoadRichFile(TRichDocument& document, StringView path);
// Writes the whole document as RTF through an atomic replace of the file (EFCreateError).
void SaveRichFile(const TRichDocument& document, StringView path);
