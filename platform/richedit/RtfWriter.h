#pragma once
// Writing rich text as RTF that other word processors open with the same formatting.
//
// The output is compact: one font table (each face and character set once, plus Symbol when a
// paragraph has a bullet), one colour table (entry 0 is the automatic colour), and only the
// changes of character format between runs. Every paragraph ends with \par, and a paragraph
// property block (\pard ...) is written only where the format changes. Bullets are written as
// {\pntext ...} for readers that show the bullet as text and {\*\pn\pnlvlblt ...} for those that
// keep the numbering. Characters outside ASCII are written as \uN followed by the Windows-1252
// byte (or '?') for readers without Unicode.

#include <string>

#include "platform/base/Strings.h"
#include "platform/richedit/RichDocument.h"

// The RTF of [start, start + length) of the document (clamped); the whole document by default.
std::string WriteRtf(const TRichDocument& document, int start = 0, int length = -1);
