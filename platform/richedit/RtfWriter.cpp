#include "platform/richedit/RtfWriter.h"

#include <algorithm>
#include <unordered_map>


namespace {

struct TFontKey {
  String Face;
  uint8_t Charset;
  bool operator==(const TFontKey&) const = default;
};
struct TFontKeyHash {
  size_t operator()(const TFontKey& k) const { return std::hash<String>()(k.Face) * 31 + k.Charset; }
};

// The writer's idea of the reader's character state, so that only changes are written.
struct TWriterState {
  int Font = 0;
  int HalfPoints = 24;
  int Color = 0;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};

void AppendInt(std::string& out, int64_t v) { out += std::to_string(v); }

void AppendEscapedAnsi(std::string& out, StringView text) {
  for (char16_t c : text) {
    if (c == u'\\' || c == u'{' || c == u'}' || c == u';') {
      // ';' ends a table entry, so in names it goes as a hex escape.
      out += "\\'";
      const char* hex = "0123456789abcdef";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else if (c >= 0x20 && c < 0x80) {
      out += char(c);
    } else {
      out += "\\u";
      AppendInt(out, int16_t(c));
      out += '?';
    }
  }
}

class TRtfWriter {
 public:
  TRtfWriter(const TRichDocument& document, int start, int length)
      : FDoc(document), FStart(start), FLength(length) {}
  std::string Write();

 private:
  struct TRunCodes {
    int Font;
    int Color;
  };
  const TRunCodes& Codes(const TCharFormat& f);
  void ParagraphHeader(int paragraph);
  void RunFormat(const TCharFormat& f);
  void Text(StringView text);

  const TRichDocument& FDoc;
  int FStart, FLength;
  std::string FOut;
  std::unordered_map<TFontKey, int, TFontKeyHash> FFonts;
  std::vector<const TFontKey*> FFontOrder;
  std::unordered_map<TColor, int> FColors;
  std::vector<TColor> FColorOrder;
  std::unordered_map<const TCharFormat*, TRunCodes> FCodes;
  int FSymbolFont = -1;
  TWriterState FState;
  int FParagraph = 0;
  bool FAtParagraphStart = true;
  bool FHavePara = false;
  TParaFormat FPara;
};

const TRtfWriter::TRunCodes& TRtfWriter::Codes(const TCharFormat& f) {
  auto it = FCodes.find(&f);
  if (it != FCodes.end()) return it->second;
  TRunCodes codes{0, 0};
  auto font = FFonts.try_emplace(TFontKey{f.Face, f.Charset}, int(FFonts.size()));
  if (font.second) FFontOrder.push_back(&font.first->first);
  codes.Font = font.first->second;
  if (f.Color != clAutomaticText) {
    auto color = FColors.try_emplace(f.Color, int(FColors.size()) + 1);
    if (color.second) FColorOrder.push_back(f.Color);
    codes.Color = color.first->second;
  }
  return FCodes.emplace(&f, codes).first->second;
}

void TRtfWriter::ParagraphHeader(int paragraph) {
  const TParaFormat& p = FDoc.ParagraphFormat(paragraph);
  if (!FHavePara || !(p == FPara)) {
    FOut += "\\pard";
    if (p.Alignment == paCenter) FOut += "\\qc";
    if (p.Alignment == paRight) FOut += "\\qr";
    if (p.Alignment == paJustify) FOut += "\\qj";
    if (p.LeftIndent) { FOut += "\\li"; AppendInt(FOut, p.LeftIndent); }
    if (p.RightIndent) { FOut += "\\ri"; AppendInt(FOut, p.RightIndent); }
    if (p.FirstIndent) { FOut += "\\fi"; AppendInt(FOut, p.FirstIndent); }
    if (p.Numbering == pnBullet) {
      FOut += "{\\*\\pn\\pnlvlblt\\pnf";
      AppendInt(FOut, FSymbolFont);
      FOut += "\\pnindent0{\\pntxtb\\'b7}}";
    }
    FPara = p;
    FHavePara = true;
  }
  if (p.Numbering == pnBullet) {
    FOut += "{\\pntext\\f";
    AppendInt(FOut, FSymbolFont);
    FOut += "\\'b7\\tab}";
  }
}

void TRtfWriter::RunFormat(const TCharFormat& f) {
  const TRunCodes& codes = Codes(f);
  const size_t before = FOut.size();
  if (codes.Font != FState.Font) { FOut += "\\f"; AppendInt(FOut, codes.Font); FState.Font = codes.Font; }
  const int hp = f.Size * 2;
  if (hp != FState.HalfPoints) { FOut += "\\fs"; AppendInt(FOut, hp); FState.HalfPoints = hp; }
  if (codes.Color != FState.Color) { FOut += "\\cf"; AppendInt(FOut, codes.Color); FState.Color = codes.Color; }
  if (f.Bold != FState.Bold) { FOut += f.Bold ? "\\b" : "\\b0"; FState.Bold = f.Bold; }
  if (f.Italic != FState.Italic) { FOut += f.Italic ? "\\i" : "\\i0"; FState.Italic = f.Italic; }
  if (f.Underline != FState.Underline) { FOut += f.Underline ? "\\ul" : "\\ulnone"; FState.Underline = f.Underline; }
  if (f.StrikeOut != FState.StrikeOut) { FOut += f.StrikeOut ? "\\strike" : "\\strike0"; FState.StrikeOut = f.StrikeOut; }
  if (FOut.size() != before) FOut += ' ';
}

void TRtfWriter::Text(StringView text) {
  static const char kHex[] = "0123456789abcdef";
  auto plain = [](char16_t c) { return c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}'; };
  for (size_t i = 0; i < text.size(); ++i) {
    if (FAtParagraphStart) {
      ParagraphHeader(FParagraph);
      FAtParagraphStart = false;
      // The header may have ended in a control word; a space keeps the text apart from it.
      const char last = FOut.empty() ? ' ' : FOut.back();
      if ((last >= 'a' && last <= 'z') || (last >= '0' && last <= '9')) FOut += ' ';
    }
    // Most text is plain ASCII: copy it a stretch at a time.
    size_t end = i;
    while (end < text.size() && plain(text[end])) ++end;
    if (end > i) {
      const size_t at = FOut.size();
      FOut.resize(at + (end - i));
      for (size_t k = i; k < end; ++k) FOut[at + (k - i)] = char(text[k]);
      i = end - 1;
      continue;
    }
    const char16_t c = text[i];
    if (c == u'\\' || c == u'{' || c == u'}' || c == 0x7F) {
      if (c != 0x7F) FOut += '\\';
      FOut += char(c);
      continue;
    }
    switch (c) {
      case u'\r':
        FOut += "\\par\n";
        ++FParagraph;
        FAtParagraphStart = true;
        break;
      case u'\t': FOut += "\\tab "; break;
      case u'\u000B': FOut += "\\line "; break;
      default: {
        FOut += "\\u";
        AppendInt(FOut, int16_t(c));
        const std::optional<unsigned char> ansi = CharToAnsi(c);
        if (ansi && *ansi >= 0x80) {
          FOut += "\\'";
          FOut += kHex[*ansi >> 4];
          FOut += kHex[*ansi & 15];
        } else if (ansi && *ansi >= 0x20 && *ansi != '\\' && *ansi != '{' && *ansi != '}') {
          FOut += char(*ansi);
        } else {
          FOut += '?';
        }
      }
    }
  }
}

std::string TRtfWriter::Write() {
  const int n = FDoc.Length();
  FStart = std::clamp(FStart, 0, n);
  FLength = FLength < 0 ? n - FStart : std::clamp(FLength, 0, n - FStart);
  const int firstParagraph = FDoc.ParagraphOfPosition(FStart);
  const int lastParagraph = FDoc.ParagraphOfPosition(FStart + FLength);

  // First pass: the font and colour tables.
  Codes(FDoc.CharFormatAt(FStart));
  FDoc.VisitPieces(FStart, FLength, [&](const TPieceView& p) { Codes(p.Format); });
  for (int k = firstParagraph; k <= lastParagraph; ++k)
    if (FDoc.ParagraphFormat(k).Numbering == pnBullet) {
      FSymbolFont = int(FFonts.size());
      break;
    }

  FOut.reserve(size_t(FLength) + size_t(FLength) / 4 + 256);
  FOut += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
  for (size_t i = 0; i < FFontOrder.size(); ++i) {
    FOut += "{\\f";
    AppendInt(FOut, int64_t(i));
    FOut += "\\fnil\\fcharset";
    AppendInt(FOut, FFontOrder[i]->Charset);
    FOut += ' ';
    AppendEscapedAnsi(FOut, FFontOrder[i]->Face);
    FOut += ";}";
  }
  if (FSymbolFont >= 0) {
    FOut += "{\\f";
    AppendInt(FOut, FSymbolFont);
    FOut += "\\fnil\\fcharset2 Symbol;}";
  }
  FOut += "}\n";
  if (!FColorOrder.empty()) {
    FOut += "{\\colortbl ;";
    for (TColor c : FColorOrder) {
      FOut += "\\red";
      AppendInt(FOut, win::GetRValue(win::COLORREF(c)));
      FOut += "\\green";
      AppendInt(FOut, win::GetGValue(win::COLORREF(c)));
      FOut += "\\blue";
      AppendInt(FOut, win::GetBValue(win::COLORREF(c)));
      FOut += ';';
    }
    FOut += "}\n";
  }
  FOut += "\\uc1";
  FParagraph = firstParagraph;
  FDoc.VisitPieces(FStart, FLength, [&](const TPieceView& p) {
    RunFormat(p.Format);
    Text(p.Text);
  });
  if (FAtParagraphStart) {
    ParagraphHeader(FParagraph);
    RunFormat(FDoc.CharFormatAt(FStart + FLength));
  }
  FOut += "\\par\n}";
  return std::move(FOut);
}

}  // namespace

std::string WriteRtf(const TRichDocument& document, int start, int length) {
  return TRtfWriter(document, start, length).Write();
}
