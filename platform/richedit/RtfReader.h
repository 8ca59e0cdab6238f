#pragma once
// Reading rich text: RTF, and plain text for files that are not RTF.
//
// The RTF reader keeps text, fonts, sizes, colours, bold, italic, underline (all its variants),
// strike-out, character sets, alignment, indents and bullets, in both forms other writers use:
// the paragraph-numbering group ({\*\pn ...\pnlvlblt...}, with its \pntext shown text dropped)
// and list tables (\ls with \listtext dropped; a list whose first level is a bullet list). Other
// numbered lists read as plain paragraphs. Pictures, style sheets, document information, field
// instructions and every unknown {\* ...} destination are skipped; a field reads as its result.
//
// Limits that keep bad data safe: groups may nest kMaxRtfDepth deep in the text (deeper nesting
// is an error; inside skipped destinations any depth is fine, nothing is kept there), numbers
// saturate at the 32-bit range, control words longer than 32 letters are ignored, and nothing
// is allocated beyond a bound proportional to the input. Missing closing braces at the end of the
// data are tolerated, as other readers do; a final \par ends the last paragraph rather than
// opening an empty one.

#include <string_view>

#include "platform/base/Errors.h"
#include "platform/richedit/RichFormats.h"

constexpr int kMaxRtfDepth = 1000;

// True when data starts as RTF does ("{\rtf", after optional blanks).
bool LooksLikeRtf(std::string_view data);

// Raises EReadError when data is not RTF or nests too deeply. defaultFormat gives the font for
// text that names none.
TRichContent ReadRtf(std::string_view data, const TCharFormat& defaultFormat = TCharFormat());

// Plain text: UTF-16 LE, UTF-16 BE or UTF-8 by a byte-order mark, else Windows-1252. CR LF, LF and
// CR each become one paragraph break. Every character takes defaultFormat.
TRichContent ReadPlainText(std::string_view data, const TCharFormat& defaultFormat = TCharFormat());
