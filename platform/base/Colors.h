#pragma once
// Colour values: 0x00BBGGRR with red in the low byte. A negative value is a system colour whose
// index is in the low byte; -1 means none; 0xFF00FF (magenta) is the transparent key colour.

#include <cstdint>

namespace win {

using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) { return uint8_t(c); }
constexpr uint8_t GetGValue(COLORREF c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBValue(COLORREF c) { return uint8_t(c >> 16); }

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// System colour indexes.
enum : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29,
  COLOR_MENUBAR = 30,
  COLOR_3DFACE = COLOR_BTNFACE,
  COLOR_3DSHADOW = COLOR_BTNSHADOW,
  COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_DESKTOP = COLOR_BACKGROUND,
};
constexpr int kSysColorCount = 31;

// The fixed system-colour table every backend reports. Unknown indexes give black.
COLORREF GetSysColor(int index);

}  // namespace win

// The framework's colour type: the same bits, signed, so that system colours are negative.
using TColor = int32_t;

constexpr TColor clSystemColor = TColor(0xFF000000u);
constexpr TColor SystemColor(int index) { return clSystemColor | index; }

constexpr TColor clNone = -1;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clTransparentKey = clFuchsia;

constexpr TColor clScrollBar = SystemColor(win::COLOR_SCROLLBAR);
constexpr TColor clActiveCaption = SystemColor(win::COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(win::COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(win::COLOR_MENU);
constexpr TColor clWindow = SystemColor(win::COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(win::COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(win::COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(win::COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(win::COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(win::COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(win::COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(win::COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(win::COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(win::COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(win::COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(win::COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(win::COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(win::COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(win::COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(win::COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(win::COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(win::COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(win::COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(win::COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(win::COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(win::COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(win::COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(win::COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(win::COLOR_MENUBAR);

// A plain 0x00BBGGRR value: system colours resolved through the system-colour table, other
// values with their high byte cleared. clNone resolves to black.
win::COLORREF ColorToRGB(TColor color);
