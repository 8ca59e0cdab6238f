#pragma once
// Character and paragraph formats of the rich-text engine, and the shared tables that hold them.
//
// Formats are stored once per distinct value in a TFormatTable and referred to by index, so a
// document of a million runs in three formats keeps three format records.

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "platform/base/Colors.h"
#include "platform/base/Strings.h"

// Font sizes are whole points in [kMinFontSize, kMaxFontSize]; anything outside is clamped. The
// upper end is the largest size whose twips (1/20 point) still fit a signed 16-bit value, which
// is what other RTF readers accept.
constexpr int kMinFontSize = 1;
constexpr int kMaxFontSize = 1638;
int ClampFontSize(int64_t points);

// The colour of text without a colour of its own: it follows the window-text colour, and reads
// back as that system colour value (clWindowText), never as an RGB value.
constexpr TColor clAutomaticText = clWindowText;

// Bits of TCharFormat, for masks of what to set and of what is mixed in a selection.
enum TCharFormatMask : uint32_t {
  cfmFace = 1u << 0,
  cfmSize = 1u << 1,
  cfmColor = 1u << 2,
  cfmBold = 1u << 3,
  cfmItalic = 1u << 4,
  cfmUnderline = 1u << 5,
  cfmStrikeOut = 1u << 6,
  cfmCharset = 1u << 7,
  cfmAll = (1u << 8) - 1,
};

struct TCharFormat {
  String Face = u"Arial";
  int Size = 10;                   // points
  TColor Color = clAutomaticText;  // 0x00BBGGRR or clAutomaticText
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  uint8_t Charset = 0;  // RTF \fcharset value: 0 ANSI, 1 default, 2 symbol, 238 Eastern Europe ...

  bool operator==(const TCharFormat&) const = default;
};

// The fields of 'from' selected by mask copied into 'to', with the size clamped and the colour
// normalised (system colours other than window text are resolved to RGB).
void ApplyCharFormat(TCharFormat& to, const TCharFormat& from, uint32_t mask);
// The mask bits whose fields differ between a and b.
uint32_t CharFormatDifference(const TCharFormat& a, const TCharFormat& b);

enum TParaAlignment : uint8_t { paLeft, paCenter, paRight, paJustify };
enum TParaNumbering : uint8_t { pnNone, pnBullet };

enum TParaFormatMask : uint32_t {
  pfmAlignment = 1u << 0,
  pfmNumbering = 1u << 1,
  pfmLeftIndent = 1u << 2,   // \li
  pfmRightIndent = 1u << 3,  // \ri
  pfmFirstIndent = 1u << 4,  // \fi, relative to the left indent, may be negative
  pfmAll = (1u << 5) - 1,
};

// Indents are in twips (1/20 point), as RTF carries them, clamped to +-kMaxIndent.
constexpr int kMaxIndent = 31680;  // 22 inches

struct TParaFormat {
  TParaAlignment Alignment = paLeft;
  TParaNumbering Numbering = pnNone;
  int LeftIndent = 0;
  int RightIndent = 0;
  int FirstIndent = 0;

  bool operator==(const TParaFormat&) const = default;
};

void ApplyParaFormat(TParaFormat& to, const TParaFormat& from, uint32_t mask);
uint32_t ParaFormatDifference(const TParaFormat& a, const TParaFormat& b);

struct TCharFormatHash {
  size_t operator()(const TCharFormat& f) const;
};
struct TParaFormatHash {
  size_t operator()(const TParaFormat& f) const;
};

// Distinct values, each stored once and named by its index. Indexes stay valid for the life of
// the table; a table only grows (it is replaced as a whole when a document is cleared or loaded).
template <typename T, typename Hash>
class TFormatTable {
 public:
  uint32_t Intern(const T& value) {
    auto it = FIndex.find(value);
    if (it != FIndex.end()) return it->second;
    const uint32_t id = uint32_t(FValues.size());
    FValues.push_back(value);
    FIndex.emplace(value, id);
    return id;
  }
  const T& operator[](uint32_t id) const { return FValues[id]; }
  size_t Count() const { return FValues.size(); }

 private:
  std::vector<T> FValues;
  std::unordered_map<T, uint32_t, Hash> FIndex;
};

using TCharFormatTable = TFormatTable<TCharFormat, TCharFormatHash>;
using TParaFormatTable = TFormatTable<TParaFormat, TParaFormatHash>;

// A stretch of characters in one character format.
struct TRun {
  uint32_t Length;
  uint32_t Format;  // index into a TCharFormatTable
};

// Rich text outside a document: what a reader produces and what a document loads. Paragraph
// breaks in Text are single CRs; Paras holds the paragraph format of each paragraph, one more than
// there are CRs (the last paragraph has no break of its own). Runs cover Text exactly.
struct TRichContent {
  TCharFormatTable CharFormats;
  TParaFormatTable ParaFormats;
  String Text;
  std::vector<TRun> Runs;
  std::vector<uint32_t> Paras;
};
