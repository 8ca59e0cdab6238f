#include "platform/graphics/Fonts.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics/DeviceContext.h"
#include "platform/graphics/TextEngine.h"

namespace win {

namespace {

std::unique_ptr<GdiObject> MakeStockFont(int index) {
  return std::make_unique<FontObject>(StockFontDescription(index));
}

// The stock fonts come from here; registering at start-up lets every DC select SYSTEM_FONT
// from its first moment.
[[maybe_unused]] const bool kStockFontsRegistered = (SetStockFontMaker(&MakeStockFont), true);

}  // namespace

LOGFONTW MakeLogFont(StringView face, LONG height, LONG weight, bool italic, bool underline,
                     bool strikeOut, BYTE charSet) {
  LOGFONTW lf;
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = strikeOut;
  lf.lfCharSet = charSet;
  const size_t n = std::min(face.size(), size_t(LF_FACESIZE - 1));
  std::copy(face.begin(), face.begin() + n, lf.lfFaceName);
  return lf;
}

String FaceName(const LOGFONTW& logFont) {
  const WCHAR* begin = logFont.lfFaceName;
  return String(begin, std::find(begin, begin + LF_FACESIZE, u'\0'));
}

FontObject::FontObject(const LOGFONTW& logFont)
    : GdiObject(OBJ_FONT), FLogFont(logFont), FFont(TextFont::ForLogFont(logFont)) {
  FLogFont.lfFaceName[LF_FACESIZE - 1] = u'\0';
}

int FontObject::Describe(int size, void* buffer) const {
  if (!buffer) return int(sizeof(LOGFONTW));
  const int n = std::clamp(size, 0, int(sizeof(LOGFONTW)));
  std::memcpy(buffer, &FLogFont, size_t(n));
  return n;
}

HFONT CreateFontIndirectW(const LOGFONTW* logFont) {
  if (!logFont) return nullptr;
  return HandleCast<HFONT>(AllocHandle(std::make_unique<FontObject>(*logFont)));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const WCHAR* face) {
  LOGFONTW lf = MakeLogFont(face ? StringView(face) : StringView(), height, weight, italic != 0,
                            underline != 0, strikeOut != 0, BYTE(charSet));
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfOutPrecision = BYTE(outPrecision);
  lf.lfClipPrecision = BYTE(clipPrecision);
  lf.lfQuality = BYTE(quality);
  lf.lfPitchAndFamily = BYTE(pitchAndFamily);
  return CreateFontIndirectW(&lf);
}

FontObject* LookupFont(HFONT font) { return Lookup<FontObject>(font); }

const TextFont& SelectedFont(const DeviceContext& dc) {
  if (auto* font = dynamic_cast<const FontObject*>(dc.State().FFont.FObject.get())) return font->Font();
  static const std::shared_ptr<const TextFont> fallback =
      TextFont::ForLogFont(StockFontDescription(DEFAULT_GUI_FONT));
  return *fallback;
}

LOGFONTW StockFontDescription(int index) {
  LOGFONTW lf;
  switch (index) {
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
      lf = MakeLogFont(u"System", 16, FW_BOLD, false, false, false, ANSI_CHARSET);
      lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
      break;
    case ANSI_VAR_FONT:
      lf = MakeLogFont(u"MS Sans Serif", -11, FW_NORMAL, false, false, false, ANSI_CHARSET);
      lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
      break;
    case OEM_FIXED_FONT:
      lf = MakeLogFont(u"Terminal", 12, FW_NORMAL, false, false, false, OEM_CHARSET);
      lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
      break;
    case ANSI_FIXED_FONT:
      lf = MakeLogFont(u"Courier", 13, FW_NORMAL, false, false, false, ANSI_CHARSET);
      lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
      break;
    case SYSTEM_FIXED_FONT:
      lf = MakeLogFont(u"Fixedsys", 15, FW_NORMAL, false, false, false, ANSI_CHARSET);
      lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
      break;
    default:  // DEFAULT_GUI_FONT
      lf = MakeLogFont(u"MS Shell Dlg", -11, FW_NORMAL, false, false, false, DEFAULT_CHARSET);
      break;
  }
  return lf;
}

}  // namespace win
