#pragma once
// The text engine: Pango shapes, Cairo rasterises, fontconfig finds the fonts. It knows
// nothing of device contexts: it measures single lines and draws them into a bitmap through a
// list of clip rectangles.
//
// Rendering is fixed so that pictures repeat from run to run and equal between backends:
// 96 dpi, grey antialiasing (no subpixel colours), slight hinting, metrics hinted to whole
// pixels (every advance is a whole number of pixels), English as the shaping language.
// Coverage is blended into the target in the text colour and every touched pixel gets alpha
// 255.
//
// The face "Webdings" draws our own vector glyphs for the window buttons: "0" minimise, "1"
// maximise, "2" restore and "r" close; each character is one em wide and the others are blank.
//
// The engine belongs to the user-interface thread.

#include <memory>
#include <utility>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Fonts.h"

namespace win {

enum : BYTE {
  TMPF_FIXED_PITCH = 0x01,  // set for variable-pitch fonts, as the name's history has it
  TMPF_VECTOR = 0x02,
  TMPF_TRUETYPE = 0x04,
  TMPF_DEVICE = 0x08,
};

struct TEXTMETRICW {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 0;
  LONG tmDigitizedAspectY = 0;
  WCHAR tmFirstChar = 0;
  WCHAR tmLastChar = 0;
  WCHAR tmDefaultChar = 0;
  WCHAR tmBreakChar = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

// How one line is drawn beyond its font.
struct TextPaint {
  COLORREF FColor = 0;
  // Ranges [first, last) of UTF-16 indexes to underline (mnemonic prefixes).
  std::vector<std::pair<int, int>> FUnderlines;
  bool FRightToLeft = false;  // right-to-left reading order
};

// A font made ready for measuring and drawing. Immutable for its users; shared by every font
// object with the same description.
class TextFont {
 public:
  // The engine's font for a description; equal descriptions give the same object.
  static std::shared_ptr<const TextFont> ForLogFont(const LOGFONTW& logFont);
  ~TextFont();
  TextFont(const TextFont&) = delete;
  TextFont& operator=(const TextFont&) = delete;

  const LOGFONTW& LogFont() const;
  // The installed family drawing uses ("Webdings" for the symbol font).
  const String& Family() const;
  const TEXTMETRICW& Metrics() const;
  bool IsSymbolFont() const;

  // The width of one line (tabs and line breaks count as the glyphs the font has for them)
  // and the font's cell height.
  SIZE Measure(StringView text, bool rightToLeft = false) const;
  // x of every caret position on one left-to-right line: result[i] is the left edge of
  // character i, result[text.size()] the line's width. A surrogate pair's second half gets the
  // position of the first.
  std::vector<int> CaretPositions(StringView text) const;

  // Draws one line with the top-left corner of its cell at `origin`. `clip` holds rectangles
  // of target pixels that drawing may reach (each must lie within the target). The line is
  // turned about `origin` by the font's escapement.
  void Draw(Bitmap& target, const std::vector<RECT>& clip, POINT origin, StringView text,
            const TextPaint& paint) const;

  struct Impl;

 private:
  explicit TextFont(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> FImpl;
};

// The installed family fontconfig gives for a face name (see Fonts.h for the rule).
String ResolveFontFamily(StringView face, BYTE pitchAndFamily = DEFAULT_PITCH);

}  // namespace win
