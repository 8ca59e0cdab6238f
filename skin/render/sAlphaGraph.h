#pragma once
// Blending of skin pictures: two-bitmap blends, key-colour copies, mask blends, pictures with
// their own alpha, the disabled look and the blur of glow masks. All results are integer-exact;
// the SIMD paths give the same bytes as the plain loops.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/Colors.h"
#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Text.h"
#include "skin/render/sGraphUtils.h"

// The instruction set the pixel loops use. It starts at the best the processor offers; tests
// and benchmarks lower it to compare the paths.
enum class TacSimdLevel { Scalar, Sse2, Avx2 };
TacSimdLevel BestSimdLevel();
TacSimdLevel SimdLevel();
// Levels above BestSimdLevel are lowered to it.
void SetSimdLevel(TacSimdLevel level);

// Blender bound to a source and a destination 32-bit bitmap.
class TacFastSum32 {
 public:
  const win::Bitmap* FBmpSrc = nullptr;
  win::Bitmap* FBmpDst = nullptr;
  int32_t FWidthDst = 0;  // the smaller of the two widths
  int32_t FHeightDst = 0;
  const uint8_t* FStartSrc = nullptr;
  uint8_t* FStartDst = nullptr;
  ptrdiff_t FDeltaSrc = 0;
  ptrdiff_t FDeltaDst = 0;
  uint8_t Alpha = 0;  // weight of the destination
  int32_t DstX1 = 0, DstY1 = 0, DstX2 = 0, DstY2 = 0;
  int32_t SrcX1 = 0, SrcY1 = 0, SrcX2 = 0, SrcY2 = 0;

  // Fails for bitmaps that are missing, not 32-bit, or narrower or lower than 2 pixels.
  bool Attach(const win::Bitmap* src, win::Bitmap* dst);
  // Every byte (alpha too) of the destination rectangle becomes
  // (d*Alpha + s*(255 - Alpha) + 127) >> 8. Parts outside either bitmap are skipped.
  void BlendBitmapsRect();
};

// Only for bitmaps of the same size.
void BlendBitmapsWhole(win::Bitmap* dst, const win::Bitmap* src, uint8_t alpha);
// srcRect of src blended onto dst at point, clipped on both sides together.
void BlendBitmapAt(win::Bitmap* dst, const win::Bitmap* src, uint8_t alpha, win::POINT point,
                   win::RECT srcRect);
// srcRect is inclusive. Each non-key source pixel: channel round(s - (s - d)*factor), factor
// being the share of the destination; destination alpha kept.
void BlendOverKey(win::Bitmap* dst, int dstX, int dstY, TColor key, double factor,
                  win::RECT srcRect, const win::Bitmap* src);

// Key-colour copies. Destination positions outside the bitmap are skipped everywhere, and a
// parent pixel outside the parent bitmap leaves only that one pixel alone.
void CopyExceptKey(win::Bitmap* dst, const win::Bitmap* src, int x, TColor key, int y);
void CopyRectExceptKey(win::Bitmap* dst, const win::Bitmap* src, int x, int y, TColor key,
                       win::RECT srcRect);
// srcRect is inclusive. With useParentBg and a ready parent bitmap key pixels take the parent's
// pixels (left alone when the parent is dst itself) and every written pixel is opaque; ready
// without useParentBg copies the other pixels as they are; without a ready parent key pixels
// take the opaque fill colour (left alone when there is none).
void CopyWithParentBg(win::Bitmap* dst, const win::Bitmap* src, int x, bool useParentBg,
                      const TCacheInfo& cacheInfo, TColor key, win::RECT srcRect, int y);

// Copies src(srcPoint + (i, j)) to dst(dstRect.TopLeft + (i, j)) wherever the selector pixel
// is magenta in its low 24 bits (alpha ignored). The selector is dst itself when selector is
// null, else the selector bitmap from selectorOrigin; the size is the smaller of dstRect and
// what src holds from srcPoint, cut to every bitmap involved.
void CopyThroughKeyMask(win::Bitmap* dst, const win::Bitmap* src, win::RECT dstRect,
                        const win::Bitmap* selector, win::POINT selectorOrigin,
                        win::POINT srcPoint);
// Where a corner piece of a skin image starts: corner 13 top-left, 14 top-right, 16
// bottom-left, 17 bottom-right (any other value: top-left); r is the image's rectangle.
win::POINT KeyMaskCornerOrigin(int corner, win::RECT r, int frameWidth, int frameHeight, int wr,
                               int wb);

// Mask blend of a skin picture whose mask lies (maskR height div 2) rows below the picture;
// maskR is the skin image's rectangle. d' = ((d - s)*m + s*256) >> 8 per channel.
void CopyMaskedRect(win::RECT dstRect, win::RECT srcRect, win::Bitmap* dst, win::RECT maskR,
                    bool useParentBg, const TCacheInfo& cacheInfo, const win::Bitmap* src);
// One frame of a skin image at point: picture at srcRect, mask one frame height lower
// (maskR height div (maskType + 1)); mode 1 normal, other modes the paler inactive look. An
// image without a mask is copied except its key colour.
void DrawMaskedImage(win::Bitmap* dst, win::POINT point, win::RECT srcRect, const win::Bitmap* src,
                     win::RECT maskR, int maskType, int mode);

// A 32-bit picture with its own alpha a: d' = ((s - d)*a + d*256) >> 8 per channel and
// A' = A + a*(255 - A) div 255.
void DrawAlpha32(win::RECT dstRect, win::RECT srcRect, win::Bitmap* dst, bool useParentBg,
                 const TCacheInfo& cacheInfo, const win::Bitmap* src);

// No grey colour for DrawAlphaGlyph.
constexpr TColor clNoGrey = 0x1FFFFFFF;
// A glyph with its own alpha, optionally with a percentage of added transparency (blend), tinted
// grey, and with a fading reflection below it.
void DrawAlphaGlyph(win::RECT dstRect, win::RECT srcRect, win::Bitmap* dst, bool reflected,
                    int blend, TColor greyColour, bool useParentBg, const TCacheInfo& cacheInfo,
                    const win::Bitmap* src);

// The disabled look: a set of these bits.
enum : int { dkBlended = 1, dkGrayed = 2 };
// parentColour stands in for the parent control's colour when there is neither a parent bitmap
// nor a fill colour.
void PaintDisabledLook(win::Bitmap* bitmap, int disabledKind, TColor parentColour,
                       win::POINT offset, const TCacheInfo& cacheInfo);

// Gaussian blur of an 8-bit mask; other bitmaps and radius <= 0 leave it unchanged. The kernel
// is quantised to integer weights summing to exactly 65536, so a uniform area stays uniform.
void BlurMask8(win::Bitmap* bitmap, int radius);
// The kernel BlurMask8 uses: 2j + 1 integer weights (empty for radius <= 0).
std::vector<uint32_t> BlurKernel8(int radius);

// Contour bits of DrawGlowText: the text is also drawn shifted left, up, right and down.
enum : int { gcLeft = 1, gcTop = 2, gcRight = 4, gcBottom = 8 };
// A blurred halo of a text drawn with textFormat (DrawTextW flags) and font into rect of dst.
// The mask covers rect inflated by glowSize + 4; it is kept in maskCache and drawn and blurred
// again only when it is missing or its size differs, so the caller drops the cache when the
// text or the font changes. Every mask byte m below 255 tints the pixel under it towards the
// glow colour k: c' = k + m*(c - k) div 255, A' = A + (255 - m)*(255 - A) div 255.
void DrawGlowText(win::Bitmap* dst, win::HFONT font, StringView text, win::RECT rect,
                  std::unique_ptr<win::Bitmap>& maskCache, TColor glowColour, int glowSize,
                  int contourFlags, win::UINT textFormat);
