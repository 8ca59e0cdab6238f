#pragma once
// Drawing primitives. Every call maps its logical coordinates through the DC's origins, draws
// only inside the DC's clip and target, and writes alpha 255 on the pixels it touches, except
// where a call says otherwise (BitBlt's SRCCOPY, StretchBlt's SRCCOPY and AlphaBlend carry the
// source's alpha). Calls on dead handles return 0 and draw nothing; a DC without a target
// (a memory DC with no bitmap selected) accepts every call and draws nothing.
//
// Brush arguments also take a system colour index + 1 in place of a brush handle:
// FillRect(dc, &r, HBRUSH(COLOR_BTNFACE + 1)) fills with the button face. Brushes are solid,
// hatched or patterns (see CreateHatchBrush, CreatePatternBrush), tiled from the DC's brush
// origin (SetBrushOrgEx, in device coordinates).

#include "platform/graphics/DeviceContext.h"

namespace win {

// Raster operations (bits 16..23 are the truth table over pattern, source, destination).
enum : DWORD {
  SRCCOPY = 0x00CC0020,
  SRCPAINT = 0x00EE0086,
  SRCAND = 0x008800C6,
  SRCINVERT = 0x00660046,
  SRCERASE = 0x00440328,
  NOTSRCCOPY = 0x00330008,
  NOTSRCERASE = 0x001100A6,
  MERGECOPY = 0x00C000CA,
  MERGEPAINT = 0x00BB0226,
  PATCOPY = 0x00F00021,
  PATPAINT = 0x00FB0A09,
  PATINVERT = 0x005A0049,
  DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062,
  NOMIRRORBITMAP = 0x80000000,
  CAPTUREBLT = 0x40000000,
};

// Copies pixels from src to dst. Any ternary raster operation works: SRCCOPY copies all four
// bytes (alpha included); every other operation combines B, G and R bitwise and writes alpha
// 255. Pixels whose source lies outside the source bitmap leave the destination unchanged.
// Source and destination may be the same bitmap, overlapping. The pattern is the destination
// DC's brush; a hollow brush makes pattern operations draw nothing, and operations that read
// both a source and a pattern take a hatch or pattern brush's pixel at the brush origin as the
// whole pattern. src may be null when the operation does not read a source.
BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);

// Nearest-neighbour scaling in every stretch mode. Destination column i of w (counted from the
// destination's left edge, after normalising negative sizes) samples source column
//     sx + floor((i + 0.5) * sw / w)
// and rows likewise. A negative width makes x the rectangle's rightmost pixel: it covers
// [x + width + 1, x + 1) (heights likewise, for both rectangles); opposite signs of a width
// (or height) pair mirror the picture. Raster operations and the source's alpha behave as in
// BitBlt.
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, DWORD rop);

// StretchBlt's mapping without mirroring (sizes must be positive), copying only the source
// pixels whose colour (alpha ignored) is not `transparent`; copied pixels get alpha 255.
BOOL TransparentBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                    int sh, UINT transparent);

// Fills with the DC's brush through a raster operation that needs no source (PATCOPY,
// PATINVERT, DSTINVERT, BLACKNESS, WHITENESS ...). Hatch and pattern brushes are tiled from
// the brush origin; hatch gaps take the background colour (under PATCOPY only when the
// background mode is OPAQUE).
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// Fills [left, right) x [top, bottom) with the brush, ignoring the DC's ROP2.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
// A one-pixel frame just inside the rectangle, with the brush.
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
// Inverts B, G and R inside the rectangle.
BOOL InvertRect(HDC dc, const RECT* rect);

// The outline with the pen, the inside with the brush, both through the DC's ROP2; together
// they cover [left, right) x [top, bottom). Pens wider than one pixel draw their width inside
// the rectangle. With a null pen the inside covers [left, right - 1) x [top, bottom - 1)
// (callers that draw a pen-less rectangle one pixel larger rely on this).
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

// Shapes: the inside with the brush, the outline (the pen's width, inside the shape) with the
// pen, both through the DC's ROP2. A pixel belongs to a shape when its centre lies inside it
// (see Region). Ellipse and RoundRect draw dotted and dashed pens as solid ones; Polygon's
// outline is drawn as lines (closing the figure), filled by the DC's polygon fill mode.
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int cornerW, int cornerH);
BOOL Polygon(HDC dc, const POINT* points, int count);

// Lines with the DC's pen and ROP2, from the current position to (x, y), the last point
// excluded. Dotted and dashed pens (PS_DOT: 3 on, 3 off; PS_DASH: 18 on, 6 off; PS_DASHDOT,
// PS_DASHDOTDOT) continue their pattern along a polyline and fill the gaps with the
// background colour when the background mode is OPAQUE. Wide pens sweep a square of their
// width centred on the line; each pixel is drawn once per segment (per dash for styled pens).
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL PolylineTo(HDC dc, const POINT* points, DWORD count);

// The colour written, or CLR_INVALID when the point is outside the clip or target (nothing
// happens then).
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);
// CLR_INVALID outside the clip or target.
COLORREF GetPixel(HDC dc, int x, int y);

// A one-pixel dotted frame made by inverting every other pixel (by device position), so a
// second call with the same rectangle removes it.
BOOL DrawFocusRect(HDC dc, const RECT* rect);

enum : UINT {
  BDR_RAISEDOUTER = 0x0001,
  BDR_SUNKENOUTER = 0x0002,
  BDR_RAISEDINNER = 0x0004,
  BDR_SUNKENINNER = 0x0008,
  BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER,
  BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER,
  BDR_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  BDR_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,

  BF_LEFT = 0x0001,
  BF_TOP = 0x0002,
  BF_RIGHT = 0x0004,
  BF_BOTTOM = 0x0008,
  BF_TOPLEFT = BF_TOP | BF_LEFT,
  BF_TOPRIGHT = BF_TOP | BF_RIGHT,
  BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT,
  BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
  BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
  BF_DIAGONAL = 0x0010,
  BF_MIDDLE = 0x0800,
  BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000,
  BF_FLAT = 0x4000,
  BF_MONO = 0x8000,
};

// The classic 3-D frame: up to two one-pixel rings (outer, inner), each lighter on the top
// and left sides than on the bottom and right when raised and the other way when sunken:
//   raised outer: 3D light / 3D dark shadow      raised inner: highlight / shadow
//   sunken outer: shadow / highlight             sunken inner: 3D dark shadow / 3D light
// BF_SOFT uses highlight / 3D dark shadow outside and 3D light / shadow inside when raised
// (shadow / highlight outside and 3D dark shadow / 3D light inside when sunken).
// BF_FLAT draws shadow / button face rings, BF_MONO window frame / window. BF_MIDDLE fills the
// inside with the button face (window for BF_MONO); BF_ADJUST shrinks *rect to the inside.
// BF_DIAGONAL is not supported (returns FALSE, draws nothing).
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

struct TRIVERTEX {
  LONG x = 0;
  LONG y = 0;
  COLOR16 Red = 0;
  COLOR16 Green = 0;
  COLOR16 Blue = 0;
  COLOR16 Alpha = 0;
};
struct GRADIENT_RECT {
  ULONG UpperLeft = 0;
  ULONG LowerRight = 0;
};
struct GRADIENT_TRIANGLE {
  ULONG Vertex1 = 0;
  ULONG Vertex2 = 0;
  ULONG Vertex3 = 0;
};
enum : ULONG { GRADIENT_FILL_RECT_H = 0, GRADIENT_FILL_RECT_V = 1, GRADIENT_FILL_TRIANGLE = 2 };

// Gradients. Channels are interpolated in 16 bits and the written byte is the top 8 bits of
// the rounded 16-bit value (v >> 8). Alpha is written as 255 (the vertices' Alpha is ignored).
//   Rectangles [x0, x1) x [y0, y1) (corners in any order): along the gradient's axis, the
//   i-th of n pixels gets c0 + round((c1 - c0) * i / (n - 1)), so the first pixel is exactly
//   the first vertex's colour and the last pixel the second's.
//   Triangles: a pixel is filled when its centre lies inside the triangle, or on an edge that
//   is a top edge or a left edge (top-left rule: adjoining triangles never share or miss a
//   pixel); its colour is the barycentric mix of the vertices at the pixel centre, rounded.
// Indexes outside the vertex array fail the call before anything is drawn.
BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, ULONG vertexCount, const void* mesh,
                  ULONG meshCount, ULONG mode);

struct BLENDFUNCTION {
  BYTE BlendOp = 0;
  BYTE BlendFlags = 0;
  BYTE SourceConstantAlpha = 255;
  BYTE AlphaFormat = 0;
};
enum : BYTE { AC_SRC_OVER = 0, AC_SRC_ALPHA = 1 };

// Blends a source rectangle (scaled nearest-neighbour as in StretchBlt, without mirroring)
// over the destination. Source pixels are straight alpha, as every bitmap here; the
// coverage of a source pixel is
//     a = SourceConstantAlpha                                       without AC_SRC_ALPHA
//     a = div255(srcA * SourceConstantAlpha)                        with AC_SRC_ALPHA
// and the result is straight-alpha "over":
//     outA = a + div255(dstA * (255 - a))
//     outC = outA == 0 ? 0 : round((srcC * a * 255 + dstC * dstA * (255 - a)) / (outA * 255))
// which for an opaque destination is div255(srcC * a + dstC * (255 - a)) with alpha 255.
// div255(v) is v / 255 rounded to nearest. Sizes must be positive; pixels whose source lies
// outside the source bitmap stay unchanged.
BOOL AlphaBlend(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, BLENDFUNCTION blend);

// Device-independent pixels in memory (24- and 32-bit BI_RGB, 32-bit BI_BITFIELDS with the
// usual masks). Rows are padded to 4 bytes; a positive height is bottom-up.
//
// GetDIBits: with null bits, fills info's header from the bitmap (32 bits unless 24 was asked
// for) and returns its height (1 for an empty bitmap); otherwise copies scan lines
// [start, start + lines) in info's layout, whose width and height must be the bitmap's, and
// returns how many were copied. 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);
// StretchBlt from device-independent pixels. As usual, the source rectangle of a bottom-up
// picture is counted from its bottom-left corner. Returns the source height, 0 on failure.
int StretchDIBits(HDC dc, int x, int y, int width, int height, int sx, int sy, int sw, int sh,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// A one-to-one StretchDIBits of the whole picture; partial bands (start != 0 or fewer lines
// than the picture has) are not supported and return 0.
int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sx, int sy, UINT start,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);

// AlphaBlend's operator on one pixel, for other straight-alpha compositing (icons): pixels
// are 32-bit words 0xAARRGGBB (B, G, R, A bytes in memory).
uint32_t BlendPixel(uint32_t src, uint32_t dst, uint32_t constantAlpha, bool perPixelAlpha);

// Fills a rectangle with one colour through the DC's origins and clip, as FillRect with a
// solid brush of that colour would (text backgrounds, control faces).
BOOL FillSolidRect(HDC dc, const RECT* rect, COLORREF color);

}  // namespace win
