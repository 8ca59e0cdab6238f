#pragma once
// Font objects (HFONT) and the description every font is made from.
//
// Faces are looked up through fontconfig. A face that is not installed ("MS Sans Serif",
// "Tahoma") is replaced by fontconfig's choice for that name; when the description asks for a
// fixed pitch and that choice is not fixed-pitch, fontconfig's "monospace" is used instead.
// The face that was asked for is what GetObject and GetTextFaceW report. The face "Webdings"
// is our own symbol font (window-button glyphs, see TextEngine.h).

#include <memory>
#include <vector>

#include "platform/base/Strings.h"
#include "platform/graphics/GdiObjects.h"

namespace win {

using WCHAR = char16_t;

constexpr int LF_FACESIZE = 32;

enum : LONG {
  FW_DONTCARE = 0,
  FW_THIN = 100,
  FW_EXTRALIGHT = 200,
  FW_LIGHT = 300,
  FW_NORMAL = 400,
  FW_MEDIUM = 500,
  FW_SEMIBOLD = 600,
  FW_BOLD = 700,
  FW_EXTRABOLD = 800,
  FW_HEAVY = 900,
};

enum : BYTE {
  ANSI_CHARSET = 0,
  DEFAULT_CHARSET = 1,
  SYMBOL_CHARSET = 2,
  SHIFTJIS_CHARSET = 128,
  HANGUL_CHARSET = 129,
  GB2312_CHARSET = 134,
  CHINESEBIG5_CHARSET = 136,
  OEM_CHARSET = 255,
  GREEK_CHARSET = 161,
  TURKISH_CHARSET = 162,
  HEBREW_CHARSET = 177,
  ARABIC_CHARSET = 178,
  BALTIC_CHARSET = 186,
  RUSSIAN_CHARSET = 204,
  EASTEUROPE_CHARSET = 238,
};

enum : BYTE {
  OUT_DEFAULT_PRECIS = 0,
  OUT_TT_PRECIS = 4,
  CLIP_DEFAULT_PRECIS = 0,
  DEFAULT_QUALITY = 0,
  NONANTIALIASED_QUALITY = 3,
  ANTIALIASED_QUALITY = 4,
  CLEARTYPE_QUALITY = 5,
  DEFAULT_PITCH = 0,
  FIXED_PITCH = 1,
  VARIABLE_PITCH = 2,
  FF_DONTCARE = 0x00,
  FF_ROMAN = 0x10,
  FF_SWISS = 0x20,
  FF_MODERN = 0x30,
  FF_SCRIPT = 0x40,
  FF_DECORATIVE = 0x50,
};

// lfHeight < 0: character height (em size) in pixels at 96 dpi; > 0: cell height (ascent +
// descent); 0: the default character height of 11 pixels. lfWidth != 0 stretches the glyphs
// so the average character width becomes lfWidth. Heights and widths beyond 16384 pixels are
// drawn as 16384 (GetObject still reports what was asked for). lfEscapement turns the text line by tenths
// of a degree, counter-clockwise. Quality, precisions and lfOrientation are accepted and
// ignored: every font is rendered with the same grey antialiasing.
struct LOGFONTW {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  WCHAR lfFaceName[LF_FACESIZE] = {};
};

// A description with the face name copied in (cut to LF_FACESIZE - 1 characters).
LOGFONTW MakeLogFont(StringView face, LONG height, LONG weight = FW_NORMAL, bool italic = false,
                     bool underline = false, bool strikeOut = false, BYTE charSet = DEFAULT_CHARSET);
// The face name of a description, up to its terminating zero.
String FaceName(const LOGFONTW& logFont);

class TextFont;
class DeviceContext;

// An HFONT: the description as given and the engine's font for it.
class FontObject : public GdiObject {
 public:
  explicit FontObject(const LOGFONTW& logFont);
  const LOGFONTW& LogFont() const { return FLogFont; }
  const TextFont& Font() const { return *FFont; }
  // GetObject: a LOGFONTW.
  int Describe(int size, void* buffer) const override;

 private:
  LOGFONTW FLogFont;
  std::shared_ptr<const TextFont> FFont;
};

HFONT CreateFontIndirectW(const LOGFONTW* logFont);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const WCHAR* face);
// The font object behind a handle, or null.
FontObject* LookupFont(HFONT font);

// The font drawing uses in a DC: the selected font, or DEFAULT_GUI_FONT's when none is.
const TextFont& SelectedFont(const DeviceContext& dc);

// Stock fonts: DEFAULT_GUI_FONT is "MS Shell Dlg" at -11, ANSI_VAR_FONT "MS Sans Serif" at -11,
// SYSTEM_FONT and DEVICE_DEFAULT_FONT bold "System" at 16, the fixed ones fixed-pitch faces.
LOGFONTW StockFontDescription(int index);

// The installed font families, each once, sorted without regard to case. For font boxes and
// the font dialog.
std::vector<String> InstalledFontFamilies();

}  // namespace win
