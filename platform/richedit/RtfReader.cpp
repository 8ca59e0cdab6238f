#include "platform/richedit/RtfReader.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "platform/richedit/CodePages.h"

namespace {

enum TDestination : uint8_t {
  dstText,
  dstFontTable,
  dstColorTable,
  dstParaNumbering,  // {\*\pn ...}: only its control words matter
  dstListTable,
  dstListOverrideTable,
  dstIgnore,         // control words only, no text (list levels, field groups' own words ...)
};

struct TState {
  TDestination Destination = dstText;
  int Font = -1;
  int HalfPoints = 24;
  int ColorIndex = -1;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  TParaFormat Para;
  int SkipAfterUnicode = 1;
  size_t ParentIndex = 0;  // stack index of the state a \pn group reports its bullet to
  uint32_t FormatId = 0;
  bool FormatValid = false;
};

struct TFont {
  String Name;
  int Charset = 0;
};

bool IsLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

int HexValue(uint8_t c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Destinations whose whole group is passed over unread.
bool IsSkippedDestination(std::string_view w) {
  static const std::string_view kSkipped[] = {
      "author", "buptim", "comment", "creatim", "datastore", "doccomm", "footer", "footerf",
      "footerl", "footerr", "footnote", "ftncn", "ftnsep", "ftnsepc", "generator", "header",
      "headerf", "headerl", "headerr", "info", "keywords", "latentstyles", "listtext", "object",
      "operator", "pict", "pntext", "pntxta", "pntxtb", "printim", "revtim", "rsidtbl",
      "stylesheet", "subject", "themedata", "title", "colorschememapping", "xmlnstbl", "fldinst",
      "bkmkstart", "bkmkend", "shppict", "nonshppict", "mmathPr", "pgdsctbl", "revtbl",
      "filetbl", "listpicture", "userprops", "docvar", "leveltext", "levelnumbers", "falt",
      "panose", "fname", "objdata", "shpinst", "sp", "sn", "sv"};
  for (std::string_view s : kSkipped)
    if (w == s) return true;
  return false;
}

class TRtfReader {
 public:
  TRtfReader(std::string_view data, const TCharFormat& defaultFormat)
      : FData(data), FDefault(defaultFormat) {}

  TRichContent Read();

 private:
  // Tokens.
  void ControlWord(std::string_view word, bool hasParam, int param);
  void ControlSymbol(uint8_t c);
  void SkipGroup();  // from just after a '{' already counted, to its matching '}'
  void OpenGroup();
  void CloseGroup();

  // Output.
  // escaped: the character came from \' or \u, so it is text even where ';' would end an entry.
  void EmitChar(char16_t c, bool escaped = false);
  void EmitByte(uint8_t b, bool escaped = false);
  void UnicodeEscape(int param);
  void EndParagraph();
  uint32_t CurrentFormat();
  void CharFormatChanged() { FState.FormatValid = false; }
  void ParaPropertyChanged() { FLastPara = FState.Para; }
  void UpdateCodePage();

  std::string_view FData;
  size_t FPos = 0;
  TCharFormat FDefault;
  TRichContent FOut;
  TState FState;
  std::vector<TState> FStack;
  bool FIgnoreNextDestination = false;  // after \*
  bool FDestinationDecided = false;      // the current group's first word was seen
  int FPendingSkip = 0;                 // characters still to skip after \uN

  std::unordered_map<int, TFont> FFonts;
  int FFontTableCurrent = -1;
  int FDefaultFont = 0;
  std::vector<TColor> FColors;
  int FRed = 0, FGreen = 0, FBlue = 0;
  bool FColorSeen = false;

  std::unordered_map<int, bool> FListIsBullet;  // \listid -> first level is a bullet
  std::unordered_map<int, int> FOverrideList;   // \ls -> \listid
  int FListFirstNfc = -1;
  int FOverrideListId = 0;

  int FDocumentCodePage = 1252;
  TCodePageDecoder FDecoder;
  int FDecoderFont = -2;

  TParaFormat FLastPara;
  bool FEndedWithPar = false;
};

TRichContent TRtfReader::Read() {
  if (!LooksLikeRtf(FData)) throw EReadError(u"The data is not in Rich Text Format");
  FPos = FData.find('{');
  FOut.Text.reserve(FData.size() / 2);
  while (FPos < FData.size()) {
    const uint8_t c = uint8_t(FData[FPos]);
    if (c == '{') {
      ++FPos;
      FPendingSkip = 0;
      OpenGroup();
      continue;
    }
    if (c == '}') {
      ++FPos;
      FPendingSkip = 0;
      CloseGroup();
      if (FStack.empty()) break;
      continue;
    }
    if (c == '\\') {
      ++FPos;
      if (FPos >= FData.size()) break;
      const uint8_t n = uint8_t(FData[FPos]);
      if (!IsLetter(n)) {
        ++FPos;
        if (n == '\'') {
          int value = -1;
          if (FPos + 1 < FData.size()) {
            const int hi = HexValue(uint8_t(FData[FPos])), lo = HexValue(uint8_t(FData[FPos + 1]));
            if (hi >= 0 && lo >= 0) value = hi * 16 + lo;
          }
          if (value >= 0) FPos += 2;
          if (FPendingSkip > 0) {
            --FPendingSkip;
          } else if (value >= 0) {
            EmitByte(uint8_t(value), true);
          }
          continue;
        }
        if (FPendingSkip > 0)
          --FPendingSkip;
        else
          ControlSymbol(n);
        continue;
      }
      const size_t begin = FPos;
      while (FPos < FData.size() && IsLetter(uint8_t(FData[FPos]))) ++FPos;
      const std::string_view word = FData.substr(begin, FPos - begin);
      bool hasParam = false, negative = false;
      int64_t value = 0;
      if (FPos < FData.size() && FData[FPos] == '-' && FPos + 1 < FData.size() &&
          IsDigit(uint8_t(FData[FPos + 1]))) {
        negative = true;
        ++FPos;
      }
      while (FPos < FData.size() && IsDigit(uint8_t(FData[FPos]))) {
        hasParam = true;
        value = std::min<int64_t>(value * 10 + (FData[FPos] - '0'), int64_t(1) << 32);
        ++FPos;
      }
      if (FPos < FData.size() && FData[FPos] == ' ') ++FPos;
      value = negative ? -value : value;
      const int param = int(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
      if (word.size() > 32) continue;
      if (word == "bin" && hasParam) {
        FPos += size_t(std::clamp<int64_t>(param, 0, int64_t(FData.size() - FPos)));
        continue;
      }
      if (FPendingSkip > 0) {
        --FPendingSkip;
        continue;
      }
      ControlWord(word, hasParam, param);
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++FPos;
      continue;
    }
    if (FPendingSkip > 0) {
      --FPendingSkip;
      ++FPos;
      continue;
    }
    // Plain text: the common case, taken a stretch at a time. After a double-byte lead byte the
    // next byte is its trail byte even when it looks like ASCII.
    if (FState.Destination == dstText && c >= 0x20 && c < 0x80 && !FDecoder.Pending()) {
      const uint32_t format = CurrentFormat();
      const size_t begin = FPos;
      while (FPos < FData.size()) {
        const uint8_t t = uint8_t(FData[FPos]);
        if (t < 0x20 || t >= 0x80 || t == '\\' || t == '{' || t == '}') break;
        ++FPos;
      }
      const size_t at = FOut.Text.size();
      FOut.Text.resize(at + (FPos - begin));
      for (size_t k = begin; k < FPos; ++k) FOut.Text[at + (k - begin)] = char16_t(uint8_t(FData[k]));
      if (!FOut.Runs.empty() && FOut.Runs.back().Format == format)
        FOut.Runs.back().Length += uint32_t(FPos - begin);
      else
        FOut.Runs.push_back({uint32_t(FPos - begin), format});
      FEndedWithPar = false;
      FLastPara = FState.Para;
      continue;
    }
    ++FPos;
    EmitByte(c);
  }
  // The document's last paragraph: a final \par closes it instead of opening an empty one.
  if (FEndedWithPar && !FOut.Text.empty() && FOut.Text.back() == u'\r') {
    FOut.Text.pop_back();
    if (--FOut.Runs.back().Length == 0) FOut.Runs.pop_back();
  } else {
    FOut.Paras.push_back(FOut.ParaFormats.Intern(FLastPara));
  }
  if (FOut.CharFormats.Count() == 0) FOut.CharFormats.Intern(FDefault);
  return std::move(FOut);
}

void TRtfReader::OpenGroup() {
  if (FStack.size() >= size_t(kMaxRtfDepth)) throw EReadError(u"The RTF groups are nested too deeply");
  FStack.push_back(FState);
  FState.ParentIndex = FStack.size() - 1;
  FDestinationDecided = false;
  FIgnoreNextDestination = false;
}

void TRtfReader::CloseGroup() {
  if (FStack.empty()) return;
  FState = FStack.back();
  FStack.pop_back();
  FDestinationDecided = true;
  FIgnoreNextDestination = false;
  FDecoderFont = -2;  // the font, and with it the code page, may differ outside the group
}

void TRtfReader::SkipGroup() {
  // The group's opening brace has been read; pass over everything to its matching brace without
  // keeping any state, so even deep nesting here costs nothing.
  int64_t depth = 1;
  while (FPos < FData.size() && depth > 0) {
    const char c = FData[FPos++];
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
    } else if (c == '\\' && FPos < FData.size()) {
      if (FData.compare(FPos, 3, "bin") == 0) {
        size_t p = FPos + 3;
        int64_t n = 0;
        while (p < FData.size() && IsDigit(uint8_t(FData[p])) && n < (int64_t(1) << 32)) n = n * 10 + (FData[p++] - '0');
        if (p < FData.size() && FData[p] == ' ') ++p;
        FPos = p + size_t(std::min<int64_t>(n, int64_t(FData.size() - p)));
      } else {
        ++FPos;  // the escaped character (a brace or backslash) or the first letter of a word
      }
    }
  }
  // The closing brace of the skipped group pops the state pushed when it opened.
  FState = FStack.back();
  FStack.pop_back();
  FDestinationDecided = true;
  FIgnoreNextDestination = false;
}

uint32_t TRtfReader::CurrentFormat() {
  if (FState.FormatValid) return FState.FormatId;
  TCharFormat f = FDefault;
  auto font = FFonts.find(FState.Font);
  if (font != FFonts.end()) {
    // Trimmed here rather than at the ';', which an unfinished entry never reaches.
    String name = Trim(font->second.Name);
    if (!name.empty()) f.Face = std::move(name);
    f.Charset = uint8_t(std::clamp(font->second.Charset, 0, 255));
  }
  f.Size = ClampFontSize((int64_t(FState.HalfPoints) + 1) / 2);
  f.Color = FState.ColorIndex >= 0 && size_t(FState.ColorIndex) < FColors.size()
                ? FColors[size_t(FState.ColorIndex)]
                : clAutomaticText;
  f.Bold = FState.Bold;
  f.Italic = FState.Italic;
  f.Underline = FState.Underline;
  f.StrikeOut = FState.StrikeOut;
  FState.FormatId = FOut.CharFormats.Intern(f);
  FState.FormatValid = true;
  return FState.FormatId;
}

void TRtfReader::UpdateCodePage() {
  if (FDecoderFont == FState.Font) return;
  FDecoderFont = FState.Font;
  int cp = 0;
  auto font = FFonts.find(FState.Font);
  if (font != FFonts.end()) cp = CodePageOfCharset(font->second.Charset);
  FDecoder.SetCodePage(cp ? cp : FDocumentCodePage);
}

void TRtfReader::EmitChar(char16_t c, bool escaped) {
  switch (FState.Destination) {
    case dstText: {
      if (c == u'\n') c = u'\r';  // a \u10 is a break like any other, never a stray LF
      const uint32_t format = CurrentFormat();
      FOut.Text += c;
      if (!FOut.Runs.empty() && FOut.Runs.back().Format == format)
        ++FOut.Runs.back().Length;
      else
        FOut.Runs.push_back({1, format});
      if (c == u'\r') {
        FOut.Paras.push_back(FOut.ParaFormats.Intern(FState.Para));
        FEndedWithPar = true;
      } else {
        FEndedWithPar = false;
      }
      FLastPara = FState.Para;
      break;
    }
    case dstFontTable:
      if (FFontTableCurrent < 0) break;
      if (c == u';' && !escaped)
        FFontTableCurrent = -1;
      else if (FFonts[FFontTableCurrent].Name.size() < 256)
        FFonts[FFontTableCurrent].Name += c;
      break;
    case dstColorTable:
      if (c == u';') {
        FColors.push_back(FColorSeen ? TColor(win::RGB(uint8_t(FRed), uint8_t(FGreen), uint8_t(FBlue)))
                                     : clAutomaticText);
        FRed = FGreen = FBlue = 0;
        FColorSeen = false;
      }
      break;
    default:
      break;
  }
}

void TRtfReader::EmitByte(uint8_t b, bool escaped) {
  if (b == '\t') {
    EmitChar(u'\t');
    return;
  }
  if (b < 0x20) return;  // other raw control bytes carry no text in RTF
  if (FState.Destination == dstFontTable) {
    // Font names are in the font's own charset. Selecting the page only when it differs keeps
    // the lead byte of a double-byte name pending for its trail byte.
    auto font = FFonts.find(FFontTableCurrent);
    const int charsetPage = font != FFonts.end() ? CodePageOfCharset(font->second.Charset) : 0;
    const int cp = charsetPage ? charsetPage : FDocumentCodePage;
    if (FDecoder.CodePage() != cp) FDecoder.SetCodePage(cp);
    FDecoderFont = -2;
  } else {
    UpdateCodePage();
  }
  if (auto c = FDecoder.Feed(b)) EmitChar(*c, escaped);
}

void TRtfReader::UnicodeEscape(int param) {
  EmitChar(param < -32768 || param > 65535 ? u'\uFFFD' : char16_t(param < 0 ? param + 65536 : param), true);
  FPendingSkip = FState.SkipAfterUnicode;
}

void TRtfReader::EndParagraph() { EmitChar(u'\r'); }

void TRtfReader::ControlSymbol(uint8_t c) {
  switch (c) {
    case '\\': case '{': case '}':
      if (FDecoder.Pending())
        EmitByte(c);  // the trail byte of a double-byte character, escaped
      else
        EmitChar(char16_t(c));
      break;
    case '~': EmitChar(u'\u00A0'); break;
    case '_': EmitChar(u'\u2011'); break;
    case '-': break;  // optional hyphen: not shown
    case '*': FIgnoreNextDestination = true; break;
    case '\r': case '\n': EndParagraph(); break;
    case '\t': EmitChar(u'\t'); break;
    default: break;
  }
}

void TRtfReader::ControlWord(std::string_view w, bool hasParam, int param) {
  const bool firstWord = !FDestinationDecided;
  FDestinationDecided = true;
  const bool ignorable = FIgnoreNextDestination;
  FIgnoreNextDestination = false;
  const bool on = !hasParam || param != 0;

  // Destinations (only as the first word of a group).
  if (firstWord && !FStack.empty()) {
    if (IsSkippedDestination(w) || (w == "pn" && FState.Destination != dstText)) {
      SkipGroup();
      return;
    }
    if (w == "fonttbl") { FState.Destination = dstFontTable; return; }
    if (w == "colortbl") { FState.Destination = dstColorTable; return; }
    if (w == "listtable") { FState.Destination = dstListTable; return; }
    if (w == "listoverridetable") { FState.Destination = dstListOverrideTable; return; }
    if (w == "pn") {
      // The group describes the paragraph's numbering afresh: only a bullet level makes bullets.
      FState.Destination = dstParaNumbering;
      FStack[FState.ParentIndex].Para.Numbering = pnNone;
      return;
    }
    if (w == "fldrslt") return;  // a field's result is ordinary text
    if (w == "field" || w == "list" || w == "listlevel" || w == "listoverride") {
      if (w == "list") FListFirstNfc = -1;
      if (w == "listoverride") FOverrideListId = 0;
      if (FState.Destination == dstText && w != "field") FState.Destination = dstIgnore;
      return;
    }
    if (ignorable) {
      SkipGroup();
      return;
    }
  }

  switch (FState.Destination) {
    case dstFontTable:
      if (w == "f" && hasParam) {
        FFontTableCurrent = param;
        if (FFonts.size() < 4096 || FFonts.count(param)) FFonts[param] = TFont();
        else FFontTableCurrent = -1;
      } else if (w == "fcharset" && FFontTableCurrent >= 0) {
        FFonts[FFontTableCurrent].Charset = param;
      } else if (w == "u" && hasParam) {
        UnicodeEscape(param);
      } else if (w == "uc") {
        FState.SkipAfterUnicode = std::clamp(param, 0, 16);
      }
      return;
    case dstColorTable:
      if (w == "red") { FRed = std::clamp(param, 0, 255); FColorSeen = true; }
      else if (w == "green") { FGreen = std::clamp(param, 0, 255); FColorSeen = true; }
      else if (w == "blue") { FBlue = std::clamp(param, 0, 255); FColorSeen = true; }
      return;
    case dstListTable:
      if ((w == "levelnfc" || w == "levelnfcn") && FListFirstNfc < 0)
        FListFirstNfc = param;
      else if (w == "listid" && FListIsBullet.size() < 4096)
        FListIsBullet[param] = FListFirstNfc == 23;
      return;
    case dstListOverrideTable:
      if (w == "listid")
        FOverrideListId = param;
      else if (w == "ls" && FOverrideList.size() < 4096)
        FOverrideList[param] = FOverrideListId;
      return;
    case dstIgnore:
      return;
    case dstParaNumbering:
      if (w == "pnlvlblt" && FState.ParentIndex < FStack.size()) {
        FStack[FState.ParentIndex].Para.Numbering = pnBullet;
        FLastPara = FStack[FState.ParentIndex].Para;
      }
      return;
    case dstText:
      break;
  }

  // Text and the formatting that applies to it.
  if (w == "par" || w == "sect" || w == "page" || w == "row") { EndParagraph(); return; }
  if (w == "line") { EmitChar(u'\u000B'); return; }
  if (w == "tab" || w == "cell") { EmitChar(u'\t'); return; }
  if (w == "u" && hasParam) {
    UnicodeEscape(param);
    return;
  }
  if (w == "uc") { FState.SkipAfterUnicode = std::clamp(param, 0, 16); return; }
  struct TSymbol { std::string_view Word; char16_t Char; };
  static const TSymbol kSymbols[] = {
      {"emdash", u'\u2014'}, {"endash", u'\u2013'}, {"lquote", u'\u2018'}, {"rquote", u'\u2019'},
      {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'}, {"bullet", u'\u2022'},
      {"emspace", u'\u2003'}, {"enspace", u'\u2002'}, {"qmspace", u'\u2005'}};
  for (const TSymbol& s : kSymbols)
    if (w == s.Word) { EmitChar(s.Char); return; }

  if (w == "plain") {
    FState.Font = FDefaultFont;
    FState.HalfPoints = 24;
    FState.ColorIndex = -1;
    FState.Bold = FState.Italic = FState.Underline = FState.StrikeOut = false;
    CharFormatChanged();
  } else if (w == "b") { FState.Bold = on; CharFormatChanged(); }
  else if (w == "i") { FState.Italic = on; CharFormatChanged(); }
  else if (w == "ulnone") { FState.Underline = false; CharFormatChanged(); }
  else if (w.starts_with("ul") && w != "ulc") { FState.Underline = on; CharFormatChanged(); }
  else if (w == "strike" || w == "striked") { FState.StrikeOut = on; CharFormatChanged(); }
  else if (w == "fs") { FState.HalfPoints = hasParam ? param : 24; CharFormatChanged(); }
  else if (w == "cf") { FState.ColorIndex = param; CharFormatChanged(); }
  else if (w == "f") { FState.Font = param; CharFormatChanged(); }
  else if (w == "deff") { FDefaultFont = param; FState.Font = param; CharFormatChanged(); }
  else if (w == "ansicpg") { FDocumentCodePage = param > 0 ? param : 1252; FDecoderFont = -2; }
  else if (w == "mac") { FDocumentCodePage = 10000; FDecoderFont = -2; }
  else if (w == "pc") { FDocumentCodePage = 437; FDecoderFont = -2; }
  else if (w == "pca") { FDocumentCodePage = 850; FDecoderFont = -2; }
  else if (w == "pard") { FState.Para = TParaFormat(); ParaPropertyChanged(); }
  else if (w == "ql") { FState.Para.Alignment = paLeft; ParaPropertyChanged(); }
  else if (w == "qc") { FState.Para.Alignment = paCenter; ParaPropertyChanged(); }
  else if (w == "qr") { FState.Para.Alignment = paRight; ParaPropertyChanged(); }
  else if (w == "qj") { FState.Para.Alignment = paJustify; ParaPropertyChanged(); }
  else if (w == "li" || w == "lin") { FState.Para.LeftIndent = std::clamp(param, -kMaxIndent, kMaxIndent); ParaPropertyChanged(); }
  else if (w == "ri" || w == "rin") { FState.Para.RightIndent = std::clamp(param, -kMaxIndent, kMaxIndent); ParaPropertyChanged(); }
  else if (w == "fi") { FState.Para.FirstIndent = std::clamp(param, -kMaxIndent, kMaxIndent); ParaPropertyChanged(); }
  else if (w == "ls") {
    auto list = FOverrideList.find(param);
    bool bullet = true;  // a list without tables to say otherwise shows bullets
    if (list != FOverrideList.end()) {
      auto kind = FListIsBullet.find(list->second);
      if (kind != FListIsBullet.end()) bullet = kind->second;
    }
    FState.Para.Numbering = bullet ? pnBullet : pnNone;
    ParaPropertyChanged();
  }
}

}  // namespace

bool LooksLikeRtf(std::string_view data) {
  size_t i = 0;
  while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n')) ++i;
  return data.substr(i, 5) == "{\\rtf";
}

TRichContent ReadRtf(std::string_view data, const TCharFormat& defaultFormat) {
  return TRtfReader(data, defaultFormat).Read();
}

TRichContent ReadPlainText(std::string_view data, const TCharFormat& defaultFormat) {
  String text;
  auto bytes = [&](size_t i) { return uint8_t(data[i]); };
  if (data.size() >= 2 && (bytes(0) == 0xFF && bytes(1) == 0xFE)) {
    text.reserve(data.size() / 2);
    for (size_t i = 2; i + 1 < data.size(); i += 2) text += char16_t(bytes(i) | bytes(i + 1) << 8);
    if (data.size() % 2) text += u'\uFFFD';
  } else if (data.size() >= 2 && (bytes(0) == 0xFE && bytes(1) == 0xFF)) {
    text.reserve(data.size() / 2);
    for (size_t i = 2; i + 1 < data.size(); i += 2) text += char16_t(bytes(i) << 8 | bytes(i + 1));
    if (data.size() % 2) text += u'\uFFFD';
  } else if (data.size() >= 3 && bytes(0) == 0xEF && bytes(1) == 0xBB && bytes(2) == 0xBF) {
    text = Utf8ToString(data.substr(3));
  } else {
    text = AnsiToString(data);
  }
  TRichContent out;
  size_t w = 0;
  for (size_t r = 0; r < text.size(); ++r) {
    char16_t c = text[r];
    if (c == u'\r' && r + 1 < text.size() && text[r + 1] == u'\n') ++r;
    if (c == u'\n') c = u'\r';
    text[w++] = c;
  }
  text.resize(w);
  const uint32_t format = out.CharFormats.Intern(defaultFormat);
  if (!text.empty()) out.Runs.push_back({uint32_t(text.size()), format});
  const uint32_t para = out.ParaFormats.Intern(TParaFormat());
  out.Paras.assign(size_t(std::count(text.begin(), text.end(), u'\r')) + 1, para);
  out.Text = std::move(text);
  return out;
}
