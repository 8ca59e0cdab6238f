#pragma once
// The skin engine's pixel layer: direct access to 32-bit pixels, fills, colour arithmetic,
// whole-bitmap colour operations, gradients and the filtered resize. Nothing here knows about
// skins or controls.
//
// Pixels of 32-bit bitmaps read as 0xAARRGGBB; colour values are 0x00BBGGRR (TColor, negative
// values are system colours). Operations that write a colour as a pixel resolve system colours
// first, so a system colour never lands in a bitmap as a stray byte pattern.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/Colors.h"
#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Gdi.h"

// The key colour as a whole pixel value: magenta with a zero alpha byte. Magenta with any other
// alpha is an ordinary colour.
constexpr uint32_t kKeyPixel = 0x00FF00FF;

// Where painting finds the background under the pixels it paints: with Ready the parent's pixel
// under (x, y) is Bmp(x + X, y + Y); without it FillColor (clFuchsia = none) is the parent's
// plain colour.
struct TCacheInfo {
  win::Bitmap* Bmp = nullptr;
  int32_t X = 0;
  int32_t Y = 0;
  TColor FillColor = clFuchsia;
  bool Ready = false;
};

// An empty 32-bit bitmap; negative sides count as 0.
std::unique_ptr<win::Bitmap> MakeBitmap32(int width, int height);

// Swaps red and blue and clears the high byte (no system-colour resolution).
constexpr uint32_t ColorToPixel(TColor colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
// The colour as an opaque-less pixel (alpha 0) with system colours resolved.
uint32_t ResolvedPixel(TColor colour);

// Pixel accessor bound to one 32-bit bitmap. Pixel (x, y) is at FStart + y*FDelta + 4*x.
class TacFast32 {
 public:
  win::Bitmap* FBitmap = nullptr;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  ptrdiff_t FDelta = 0;
  uint8_t* FStart = nullptr;

  // Fails (FWidth := 0) for a missing bitmap, one that is not 32-bit, or one narrower or lower
  // than 2 pixels.
  bool Attach(win::Bitmap* bitmap);
  uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(FStart + y * FDelta); }
  // The caller keeps x and y inside the bitmap.
  uint32_t& Pixel(int x, int y) const { return Row(y)[x]; }
  // Fills with the pixel value at alpha 255, clipped to the bitmap.
  void FillRect(win::RECT rect, uint32_t pixel) const;
  // The pixel with red and blue swapped; its alpha byte stays in the high byte.
  uint32_t GetPixelColor(int x, int y) const;
  void SetPixelColor(int x, int y, uint32_t colour) const;
};

// A device context drawing straight into a 32-bit bitmap (device (0, 0) is pixel (0, 0)),
// limited to one rectangle and deleted with the scope, also when an error passes through.
class TacBitmapDC {
 public:
  TacBitmapDC(win::Bitmap* bitmap, win::RECT visible)
      : FDC(win::CreateDCForSurface(bitmap, {0, 0}, {visible})) {}
  ~TacBitmapDC() {
    if (FDC) win::DeleteDC(FDC);
  }
  TacBitmapDC(const TacBitmapDC&) = delete;
  TacBitmapDC& operator=(const TacBitmapDC&) = delete;
  win::HDC Handle() const { return FDC; }

 private:
  win::HDC FDC;
};

// Fills through a device context with a solid brush of the (resolved) colour; the brush is
// freed on every path and the context's state is left as it was.
void SolidFill(win::HDC dc, win::RECT rect, TColor colour);
// Four strips: top (Left, Top, Right, Top + wt), left (Left, Top + wt, Left + wl, Bottom),
// bottom (Left + wl, Bottom - wb, Right, Bottom), right (Right - wr, Top + wt, Right, Bottom - wb).
void SolidFrame(win::HDC dc, win::RECT rect, int wl, TColor colour, int wb, int wr, int wt);

// Fills the rectangle (clipped) with the colour at alpha 255; nothing when Attach fails.
void FillRect32(win::Bitmap* bitmap, win::RECT rect, TColor colour);
// SolidFrame's four strips on a 32-bit bitmap.
void SolidFrame32(win::Bitmap* bitmap, win::RECT rect, int wl, TColor colour, int wb, int wr,
                  int wt);
// Writes alpha into every pixel of the rectangle (clipped); with skipKey kKeyPixel pixels are
// left alone.
void SetRectAlpha(win::Bitmap* bitmap, win::RECT rect, uint8_t alpha, bool skipKey);

// Colour arithmetic. Results keep the high byte of the first colour; a system colour is
// resolved first (and so gets a zero high byte).
// Per channel round(f*c1 + (1 - f)*c2) in extended precision, ties to even.
TColor BlendColors(TColor c1, TColor c2, double f);
TColor ChangeSaturation(TColor colour, int amount);
// Hue 0 is red; a shift by any multiple of 360 returns the colour unchanged.
TColor ShiftHue(TColor colour, int degrees);
// The same on pixel values (0xAARRGGBB, no swap); alpha kept.
uint32_t ChangePixelSaturation(uint32_t pixel, int amount);
uint32_t ShiftPixelHue(uint32_t pixel, int degrees);

// Rectangle and whole-bitmap colour operations on 32-bit bitmaps.
// The rectangle is clamped to the bitmap and its Right column and Bottom row are included;
// every channel c becomes round(p*c + (1 - p)*k), p = percent / 100; alpha kept.
void BlendRectWithColor(win::Bitmap* bitmap, win::RECT rect, int percent, TColor colour);
void GrayBitmap(win::Bitmap* bitmap);
void GrayBitmapExceptKey(win::Bitmap* bitmap, TColor key);
// Skip kKeyPixel and greys.
void ShiftBitmapHue(win::Bitmap* bitmap, int degrees);
void ChangeBitmapSaturation(win::Bitmap* bitmap, int amount);
// Every non-key channel c becomes round(factor*(c - k) + k).
void FadeBitmapTowards(win::Bitmap* bitmap, TColor colour, double factor);

// One band of a gradient. Only the first band's Mode1 is read: 0 vertical bands, 1 horizontal
// bands, 2 five-point triangle gradient.
struct TsGradPie {
  TColor Color1 = 0;
  TColor Color2 = 0;
  int32_t Percent = 0;
  int32_t Mode1 = 0;
  int32_t Mode2 = 0;
};
static_assert(sizeof(TsGradPie) == 20);
using TsGradArray = std::vector<TsGradPie>;

// "c1;c2;percent;mode1;mode2;..." -> one band per five words; fewer than five words give none.
// A word that is not an integer raises EConvertError.
TsGradArray ParseGradientData(StringView text);
// On 24- and 32-bit bitmaps; mode 2 fills four triangles between the corners and the centre.
void PaintGradient(win::Bitmap* bitmap, win::RECT rect, const TsGradArray& gradient);
// Gradient (modes 0 and 1) and a texture tile mixed in one pass:
// (weight*(t - g) + g*256) >> 8 per channel, alpha 255.
void PaintGradientTexture(win::Bitmap* dst, win::RECT rect, const TsGradArray& gradient, int weight,
                          win::RECT textureRect, const win::Bitmap* texture);

// Filters of StretchResample.
enum : int {
  rfBox = 0,
  rfTriangle = 1,
  rfHermite = 2,
  rfBell = 3,
  rfBSpline = 4,
  rfSineProduct = 5,
  rfMitchell = 6,
};
// Separable filtered resize to newWidth x newHeight. Nothing for a side <= 0 or an unknown
// filter; a source narrower or lower than 2 pixels raises "Source bitmap is too small". dst
// gets 32 bits for a 32-bit source, else 24.
void StretchResample(const win::Bitmap* src, win::Bitmap* dst, int newWidth, int filter,
                     int newHeight);
