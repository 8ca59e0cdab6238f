#include "platform/richedit/RichFormats.h"

#include <algorithm>

int ClampFontSize(int64_t points) {
  return int(std::clamp<int64_t>(points, kMinFontSize, kMaxFontSize));
}

namespace {

TColor NormaliseColor(TColor color) {
  if (color == clAutomaticText || color == clNone) return clAutomaticText;
  return TColor(ColorToRGB(color));
}

int ClampIndent(int v) { return std::clamp(v, -kMaxIndent, kMaxIndent); }

size_t Mix(size_t h, size_t v) { return h ^ (v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2)); }

}  // namespace

void ApplyCharFormat(TCharFormat& to, const TCharFormat& from, uint32_t mask) {
  if (mask & cfmFace) to.Face = from.Face;
  if (mask & cfmSize) to.Size = ClampFontSize(from.Size);
  if (mask & cfmColor) to.Color = NormaliseColor(from.Color);
  if (mask & cfmBold) to.Bold = from.Bold;
  if (mask & cfmItalic) to.Italic = from.Italic;
  if (mask & cfmUnderline) to.Underline = from.Underline;
  if (mask & cfmStrikeOut) to.StrikeOut = from.StrikeOut;
  if (mask & cfmCharset) to.Charset = from.Charset;
}

uint32_t CharFormatDifference(const TCharFormat& a, const TCharFormat& b) {
  uint32_t m = 0;
  if (a.Face != b.Face) m |= cfmFace;
  if (a.Size != b.Size) m |= cfmSize;
  if (a.Color != b.Color) m |= cfmColor;
  if (a.Bold != b.Bold) m |= cfmBold;
  if (a.Italic != b.Italic) m |= cfmItalic;
  if (a.Underline != b.Underline) m |= cfmUnderline;
  if (a.StrikeOut != b.StrikeOut) m |= cfmStrikeOut;
  if (a.Charset != b.Charset) m |= cfmCharset;
  return m;
}

void ApplyParaFormat(TParaFormat& to, const TParaFormat& from, uint32_t mask) {
  if (mask & pfmAlignment) to.Alignment = from.Alignment <= paJustify ? from.Alignment : paLeft;
  if (mask & pfmNumbering) to.Numbering = from.Numbering <= pnBullet ? from.Numbering : pnNone;
  if (mask & pfmLeftIndent) to.LeftIndent = ClampIndent(from.LeftIndent);
  if (mask & pfmRightIndent) to.RightIndent = ClampIndent(from.RightIndent);
  if (mask & pfmFirstIndent) to.FirstIndent = ClampIndent(from.FirstIndent);
}

uint32_t ParaFormatDifference(const TParaFormat& a, const TParaFormat& b) {
  uint32_t m = 0;
  if (a.Alignment != b.Alignment) m |= pfmAlignment;
  if (a.Numbering != b.Numbering) m |= pfmNumbering;
  if (a.LeftIndent != b.LeftIndent) m |= pfmLeftIndent;
  if (a.RightIndent != b.RightIndent) m |= pfmRightIndent;
  if (a.FirstIndent != b.FirstIndent) m |= pfmFirstIndent;
  return m;
}

size_t TCharFormatHash::operator()(const TCharFormat& f) const {
  size_t h = std::hash<String>()(f.Face);
  h = Mix(h, size_t(f.Size));
  h = Mix(h, size_t(uint32_t(f.Color)));
  h = Mix(h, size_t(f.Bold) | size_t(f.Italic) << 1 | size_t(f.Underline) << 2 |
                 size_t(f.StrikeOut) << 3 | size_t(f.Charset) << 4);
  return h;
}

size_t TParaFormatHash::operator()(const TParaFormat& f) const {
  size_t h = size_t(f.Alignment) | size_t(f.Numbering) << 4;
  h = Mix(h, size_t(uint32_t(f.LeftIndent)));
  h = Mix(h, size_t(uint32_t(f.RightIndent)));
  return Mix(h, size_t(uint32_t(f.FirstIndent)));
}
