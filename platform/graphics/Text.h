#pragma once
// Text output and measurement on device contexts, with the DC's selected font, text colour,
// background mode and colour, text alignment, origins and clip. Counts of -1 mean a
// zero-terminated string.

#include "platform/graphics/DeviceContext.h"
#include "platform/graphics/Fonts.h"
#include "platform/graphics/TextEngine.h"

namespace win {

enum : UINT {
  ETO_OPAQUE = 0x0002,
  ETO_CLIPPED = 0x0004,
};

enum : UINT {
  DT_TOP = 0x00000000,
  DT_LEFT = 0x00000000,
  DT_CENTER = 0x00000001,
  DT_RIGHT = 0x00000002,
  DT_VCENTER = 0x00000004,
  DT_BOTTOM = 0x00000008,
  DT_WORDBREAK = 0x00000010,
  DT_SINGLELINE = 0x00000020,
  DT_EXPANDTABS = 0x00000040,
  DT_TABSTOP = 0x00000080,
  DT_NOCLIP = 0x00000100,
  DT_EXTERNALLEADING = 0x00000200,
  DT_CALCRECT = 0x00000400,
  DT_NOPREFIX = 0x00000800,
  DT_INTERNAL = 0x00001000,
  DT_EDITCONTROL = 0x00002000,
  DT_PATH_ELLIPSIS = 0x00004000,
  DT_END_ELLIPSIS = 0x00008000,
  DT_MODIFYSTRING = 0x00010000,
  DT_RTLREADING = 0x00020000,
  DT_WORD_ELLIPSIS = 0x00040000,
  DT_NOFULLWIDTHCHARBREAK = 0x00080000,
  DT_HIDEPREFIX = 0x00100000,
  DT_PREFIXONLY = 0x00200000,
};

// One line at (x, y), placed by the DC's text alignment (TA_LEFT/CENTER/RIGHT,
// TA_TOP/BASELINE/BOTTOM; TA_UPDATECP draws at the current position and moves it past the
// text). In OPAQUE background mode the text's cell is filled with the background colour first.
BOOL TextOutW(HDC dc, int x, int y, const WCHAR* text, int count);

// As TextOutW; ETO_OPAQUE fills `rect` with the background colour (also with no text),
// ETO_CLIPPED keeps the text inside `rect`. `dx`, when given, holds the advance of every
// character, which then places each one.
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const WCHAR* text,
                 UINT count, const int* dx);

// Formatted text in a rectangle; returns the text's height (with DT_VCENTER or DT_BOTTOM: the
// distance from rect->top to the bottom of the text), 0 on failure.
//  - Lines end at CR, LF or CR LF unless DT_SINGLELINE; a break at the very end adds no line.
//  - DT_WORDBREAK breaks lines between words; a word wider than the rectangle keeps a line of
//    its own and overflows it. The spaces where a line breaks are not drawn.
//  - DT_VCENTER and DT_BOTTOM act only with DT_SINGLELINE.
//  - DT_EXPANDTABS puts tab stops every eight average character widths.
//  - "&x" underlines x and "&&" shows "&" unless DT_NOPREFIX; DT_HIDEPREFIX drops the
//    underline but still removes the "&".
//  - DT_END_ELLIPSIS (and DT_WORD_ELLIPSIS) end a line that is too wide with "...";
//    DT_PATH_ELLIPSIS puts "..." in the middle, keeping what follows the last "\" or "/".
//  - DT_CALCRECT draws nothing: it moves rect->right to the widest line and rect->bottom below
//    the last one. It measures the text without ellipses.
//  - DT_RTLREADING lays the lines out in right-to-left reading order.
//  - The text is clipped to the rectangle unless DT_NOCLIP. In OPAQUE background mode each
//    line's cell is filled with the background colour.
int DrawTextW(HDC dc, const WCHAR* text, int count, RECT* rect, UINT format);

// The width of the text and the font's cell height.
BOOL GetTextExtentPoint32W(HDC dc, const WCHAR* text, int count, SIZE* size);
// As GetTextExtentPoint32W; also how many characters fit in `maxExtent` (when `fit` is given)
// and the extent after every character (when `dx` is given, `count` entries).
BOOL GetTextExtentExPointW(HDC dc, const WCHAR* text, int count, int maxExtent, int* fit, int* dx,
                           SIZE* size);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
// The face name of the selected font as it was asked for (not its substitute). With a null
// buffer: its length plus one; otherwise the characters copied, terminating zero included.
int GetTextFaceW(HDC dc, int count, WCHAR* face);

}  // namespace win
