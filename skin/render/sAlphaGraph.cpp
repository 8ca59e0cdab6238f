#include "skin/render/sAlphaGraph.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUILLET_X86 1
#endif

namespace {

using win::Bitmap;
using win::PixelFormat;
using win::RECT;

constexpr uint32_t kAlphaMask = 0xFF000000u;

bool Is32(const Bitmap* b) {
  return b && b->Format() == PixelFormat::Bgra32 && !b->Empty();
}
uint32_t* Row32(Bitmap* b, int y) {
  return reinterpret_cast<uint32_t*>(b->Row(y));
}
const uint32_t* Row32(const Bitmap* b, int y) {
  return reinterpret_cast<const uint32_t*>(b->Row(y));
}
uint8_t ClampByte(long v) {
  return static_cast<uint8_t>(std::clamp<long>(v, 0, 255));
}
uint32_t Channel(uint32_t px, int c) {
  return (px >> (8 * c)) & 0xFF;
}

// The parent's pixel under destination position (x, y); false when it lies outside the parent.
bool ParentPixel(const TCacheInfo& ci, int x, int y, uint32_t& out) {
  if (!Is32(ci.Bmp)) return false;
  const int64_t px = int64_t(x) + ci.X, py = int64_t(y) + ci.Y;
  if (px < 0 || py < 0 || px >= ci.Bmp->Width() || py >= ci.Bmp->Height()) return false;
  out = Row32(ci.Bmp, int(py))[px];
  return true;
}

// A copy of w x h pixels from (sx, sy) to (dx, dy).
struct TCopyArea {
  int dx, dy, sx, sy, w, h;
};

// The smaller of the two rectangles, cut to both bitmaps; negative left and top edges are
// clipped on both sides together.
// The same for a destination given by its top-left corner: the size is the source rectangle's.
// In 64 bits, so that no rectangle or point, however far out, can wrap around into the bitmaps.
bool ClipCopyAt(int64_t dx, int64_t dy, int64_t w, int64_t h, const RECT& srcRect, int dstW,
                int dstH, int srcW, int srcH, TCopyArea& a) {
  int64_t sx = srcRect.left, sy = srcRect.top;
  w = std::min(w, int64_t(srcRect.right) - srcRect.left);
  h = std::min(h, int64_t(srcRect.bottom) - srcRect.top);
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (sx < 0) {
    dx -= sx;
    w += sx;
    sx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  if (sy < 0) {
    dy -= sy;
    h += sy;
    sy = 0;
  }
  w = std::min({w, dstW - dx, srcW - sx});
  h = std::min({h, dstH - dy, srcH - sy});
  if (w <= 0 || h <= 0) return false;
  a = {int(dx), int(dy), int(sx), int(sy), int(w), int(h)};
  return true;
}

bool ClipCopy(const RECT& dstRect, const RECT& srcRect, int dstW, int dstH, int srcW, int srcH,
              TCopyArea& a) {
  return ClipCopyAt(dstRect.left, dstRect.top, int64_t(dstRect.right) - dstRect.left,
                    int64_t(dstRect.bottom) - dstRect.top, srcRect, dstW, dstH, srcW, srcH, a);
}

// An inclusive source rectangle cut to the source; the destination position moves with a cut
// left or top edge, so every source pixel keeps its place relative to the rectangle's origin.
bool CutInclusive(RECT& r, int& x, int& y, int srcW, int srcH) {
  // Positions are held far inside the int range: beyond it every pixel is outside anyway.
  constexpr int64_t kFar = int64_t(1) << 30;
  int64_t px = x, py = y;
  if (r.left < 0) {
    px -= r.left;
    r.left = 0;
  }
  if (r.top < 0) {
    py -= r.top;
    r.top = 0;
  }
  x = int(std::clamp(px, -kFar, kFar));
  y = int(std::clamp(py, -kFar, kFar));
  r.right = std::min(r.right, srcW - 1);
  r.bottom = std::min(r.bottom, srcH - 1);
  return r.left <= r.right && r.top <= r.bottom;
}

TacSimdLevel gSimdLevel = BestSimdLevel();

// ---------------------------------------------------------------------------------------------
// Kernels. Each has a plain loop and SIMD versions giving the same bytes.

// d = (d*alpha + s*(255 - alpha) + 127) >> 8 for n bytes.
void BlendBytesScalar(uint8_t* d, const uint8_t* s, size_t n, uint32_t alpha) {
  const uint32_t inv = 255 - alpha;
  for (size_t i = 0; i < n; ++i) d[i] = uint8_t((d[i] * alpha + s[i] * inv + 127) >> 8);
}

// d' = (s*a + d*(256 - a)) >> 8 for the colour channels (the same as ((s - d)*a + d*256) >> 8,
// never negative since a <= 255), A' = A + a*(255 - A) div 255.
uint32_t DrawAlphaPixel(uint32_t d, uint32_t s) {
  const uint32_t a = s >> 24;
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c)
    out |= ((Channel(s, c) * a + Channel(d, c) * (256 - a)) >> 8) << (8 * c);
  const uint32_t da = d >> 24;
  return out | ((da + a * (255 - da) / 255) << 24);
}

// With skipKeys, pixels whose source is kKeyPixel are left alone.
void DrawAlphaRowScalar(uint32_t* d, const uint32_t* s, int n, bool skipKeys) {
  for (int i = 0; i < n; ++i)
    if (!skipKeys || s[i] != kKeyPixel) d[i] = DrawAlphaPixel(d[i], s[i]);
}

// out[i] = (sum over k of w[k]*taps[k][i]) >> 16.
void ConvolveScalar(const uint8_t* const* taps, const uint32_t* w, int nTaps, uint8_t* out, int n,
                    int from) {
  for (int i = from; i < n; ++i) {
    uint32_t sum = 0;
    for (int k = 0; k < nTaps; ++k) sum += w[k] * taps[k][i];
    out[i] = uint8_t(sum >> 16);
  }
}

#ifdef QUILLET_X86

// The byte blend streams three pictures at once, more than the hardware prefetchers keep up
// with on their own, so both inputs are fetched this far ahead. Addresses past the end are
// only hints: prefetching never faults.
constexpr uintptr_t kPrefetchAhead = 2048;

// Even and odd bytes are taken apart with masks and shifts instead of unpacking, which keeps
// the shuffle unit free: the odd results land in the high byte of each word where they belong.
void BlendBytesSse2(uint8_t* d, const uint8_t* s, size_t n, uint32_t alpha) {
  const __m128i low = _mm_set1_epi16(0x00FF), high = _mm_set1_epi16(short(0xFF00));
  const __m128i wa = _mm_set1_epi16(short(alpha)), wb = _mm_set1_epi16(short(255 - alpha));
  const __m128i half = _mm_set1_epi16(127);
  const uintptr_t sa = reinterpret_cast<uintptr_t>(s) + kPrefetchAhead;
  const uintptr_t da = reinterpret_cast<uintptr_t>(d) + kPrefetchAhead;
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    if ((i & 63) == 0) {
      _mm_prefetch(reinterpret_cast<const char*>(sa + i), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(da + i), _MM_HINT_T0);
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i even = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(dv, low), wa),
                                 _mm_mullo_epi16(_mm_and_si128(sv, low), wb));
    __m128i odd = _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(dv, 8), wa),
                                _mm_mullo_epi16(_mm_srli_epi16(sv, 8), wb));
    even = _mm_srli_epi16(_mm_add_epi16(even, half), 8);
    odd = _mm_and_si128(_mm_add_epi16(odd, half), high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_or_si128(even, odd));
  }
  BlendBytesScalar(d + i, s + i, n - i, alpha);
}

// With AVX2 the two products come from one multiply-add of interleaved bytes: with the data
// biased to signed (x - 128), A*(d - 128) + (255 - A)*(s - 128) lies in -32640..32385, so no
// saturation, and adding back 128*255 + 127 gives the exact sum as an unsigned 16-bit value.
__attribute__((target("avx2"))) inline __m256i BlendBytes32(__m256i dv, __m256i sv,
                                                            __m256i weights) {
  const __m256i bias = _mm256_set1_epi8(char(0x80));
  const __m256i offset = _mm256_set1_epi16(short(128 * 255 + 127));
  dv = _mm256_xor_si256(dv, bias);
  sv = _mm256_xor_si256(sv, bias);
  // Unpacking and packing both work within 128-bit lanes, so the byte order comes back.
  __m256i lo = _mm256_maddubs_epi16(weights, _mm256_unpacklo_epi8(dv, sv));
  __m256i hi = _mm256_maddubs_epi16(weights, _mm256_unpackhi_epi8(dv, sv));
  lo = _mm256_srli_epi16(_mm256_add_epi16(lo, offset), 8);
  hi = _mm256_srli_epi16(_mm256_add_epi16(hi, offset), 8);
  return _mm256_packus_epi16(lo, hi);
}

// One cache line of each picture per step.
__attribute__((target("avx2"))) void BlendBytesAvx2(uint8_t* d, const uint8_t* s, size_t n,
                                                    uint32_t alpha) {
  const __m256i weights = _mm256_set1_epi16(short(alpha | ((255 - alpha) << 8)));
  const uintptr_t sa = reinterpret_cast<uintptr_t>(s) + kPrefetchAhead;
  const uintptr_t da = reinterpret_cast<uintptr_t>(d) + kPrefetchAhead;
  size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    _mm_prefetch(reinterpret_cast<const char*>(sa + i), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(da + i), _MM_HINT_T0);
    auto* dp = reinterpret_cast<__m256i*>(d + i);
    auto* sp = reinterpret_cast<const __m256i*>(s + i);
    const __m256i r0 = BlendBytes32(_mm256_loadu_si256(dp), _mm256_loadu_si256(sp), weights);
    const __m256i r1 =
        BlendBytes32(_mm256_loadu_si256(dp + 1), _mm256_loadu_si256(sp + 1), weights);
    _mm256_storeu_si256(dp, r0);
    _mm256_storeu_si256(dp + 1, r1);
  }
  for (; i + 32 <= n; i += 32) {
    auto* dp = reinterpret_cast<__m256i*>(d + i);
    _mm256_storeu_si256(
        dp, BlendBytes32(_mm256_loadu_si256(dp),
                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)), weights));
  }
  BlendBytesSse2(d + i, s + i, n - i, alpha);
}

// Two pixels widened to 16-bit words: the colour words get the blend with the source alpha,
// the alpha word A + a*(255 - A) div 255 (x div 255 = (x + 1 + (x >> 8)) >> 8 for x <= 65025).
inline __m128i DrawAlphaWords(__m128i dw, __m128i sw) {
  const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sw, 0xFF), 0xFF);
  const __m128i c256 = _mm_set1_epi16(256), c255 = _mm_set1_epi16(255), one = _mm_set1_epi16(1);
  const __m128i colour = _mm_srli_epi16(
      _mm_add_epi16(_mm_mullo_epi16(sw, a), _mm_mullo_epi16(dw, _mm_sub_epi16(c256, a))), 8);
  const __m128i x = _mm_mullo_epi16(a, _mm_sub_epi16(c255, dw));
  const __m128i div = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
  const __m128i alpha = _mm_add_epi16(dw, div);
  const __m128i alphaWords = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
  return _mm_or_si128(_mm_and_si128(alphaWords, alpha), _mm_andnot_si128(alphaWords, colour));
}

void DrawAlphaRowSse2(uint32_t* d, const uint32_t* s, int n, bool skipKeys) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i key = _mm_set1_epi32(int(kKeyPixel));
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i lo = DrawAlphaWords(_mm_unpacklo_epi8(dv, zero), _mm_unpacklo_epi8(sv, zero));
    const __m128i hi = DrawAlphaWords(_mm_unpackhi_epi8(dv, zero), _mm_unpackhi_epi8(sv, zero));
    __m128i r = _mm_packus_epi16(lo, hi);
    if (skipKeys) {
      const __m128i isKey = _mm_cmpeq_epi32(sv, key);
      r = _mm_or_si128(_mm_and_si128(isKey, dv), _mm_andnot_si128(isKey, r));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), r);
  }
  DrawAlphaRowScalar(d + i, s + i, n - i, skipKeys);
}

__attribute__((target("avx2"))) inline __m256i DrawAlphaWords256(__m256i dw, __m256i sw) {
  const __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sw, 0xFF), 0xFF);
  const __m256i c256 = _mm256_set1_epi16(256), c255 = _mm256_set1_epi16(255);
  const __m256i one = _mm256_set1_epi16(1);
  const __m256i colour =
      _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(sw, a),
                                         _mm256_mullo_epi16(dw, _mm256_sub_epi16(c256, a))),
                        8);
  const __m256i x = _mm256_mullo_epi16(a, _mm256_sub_epi16(c255, dw));
  const __m256i div =
      _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(x, one), _mm256_srli_epi16(x, 8)), 8);
  const __m256i alpha = _mm256_add_epi16(dw, div);
  const __m256i alphaWords = _mm256_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0);
  return _mm256_blendv_epi8(colour, alpha, alphaWords);
}

__attribute__((target("avx2"))) void DrawAlphaRowAvx2(uint32_t* d, const uint32_t* s, int n,
                                                      bool skipKeys) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i key = _mm256_set1_epi32(int(kKeyPixel));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i lo =
        DrawAlphaWords256(_mm256_unpacklo_epi8(dv, zero), _mm256_unpacklo_epi8(sv, zero));
    const __m256i hi =
        DrawAlphaWords256(_mm256_unpackhi_epi8(dv, zero), _mm256_unpackhi_epi8(sv, zero));
    __m256i r = _mm256_packus_epi16(lo, hi);
    if (skipKeys) r = _mm256_blendv_epi8(r, dv, _mm256_cmpeq_epi32(sv, key));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), r);
  }
  DrawAlphaRowSse2(d + i, s + i, n - i, skipKeys);
}

// Weights are below 65536 here, so 16-bit multiplies give the full 32-bit products.
void ConvolveSse2(const uint8_t* const* taps, const uint32_t* w, int nTaps, uint8_t* out, int n,
                  int from) {
  const __m128i zero = _mm_setzero_si128();
  int i = from;
  for (; i + 8 <= n; i += 8) {
    __m128i acc0 = zero, acc1 = zero;
    for (int k = 0; k < nTaps; ++k) {
      const __m128i v =
          _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(taps[k] + i)), zero);
      const __m128i wk = _mm_set1_epi16(short(w[k]));
      const __m128i lo = _mm_mullo_epi16(v, wk), hi = _mm_mulhi_epu16(v, wk);
      acc0 = _mm_add_epi32(acc0, _mm_unpacklo_epi16(lo, hi));
      acc1 = _mm_add_epi32(acc1, _mm_unpackhi_epi16(lo, hi));
    }
    const __m128i words = _mm_packs_epi32(_mm_srli_epi32(acc0, 16), _mm_srli_epi32(acc1, 16));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, zero));
  }
  ConvolveScalar(taps, w, nTaps, out, n, i);
}

__attribute__((target("avx2"))) void ConvolveAvx2(const uint8_t* const* taps, const uint32_t* w,
                                                  int nTaps, uint8_t* out, int n) {
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    __m256i acc0 = _mm256_setzero_si256(), acc1 = _mm256_setzero_si256();
    for (int k = 0; k < nTaps; ++k) {
      const __m256i wk = _mm256_set1_epi32(int(w[k]));
      const __m256i v0 =
          _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(taps[k] + i)));
      const __m256i v1 =
          _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(taps[k] + i + 8)));
      acc0 = _mm256_add_epi32(acc0, _mm256_mullo_epi32(v0, wk));
      acc1 = _mm256_add_epi32(acc1, _mm256_mullo_epi32(v1, wk));
    }
    // packs works within lanes: put the two halves' words back in order.
    __m256i words = _mm256_packs_epi32(_mm256_srli_epi32(acc0, 16), _mm256_srli_epi32(acc1, 16));
    words = _mm256_permute4x64_epi64(words, 0xD8);
    const __m256i bytes = _mm256_packus_epi16(words, _mm256_setzero_si256());
    const __m256i ordered = _mm256_permute4x64_epi64(bytes, 0xD8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(ordered));
  }
  ConvolveSse2(taps, w, nTaps, out, n, i);
}

#endif  // QUILLET_X86

void BlendBytes(uint8_t* d, const uint8_t* s, size_t n, uint32_t alpha) {
#ifdef QUILLET_X86
  if (gSimdLevel == TacSimdLevel::Avx2) return BlendBytesAvx2(d, s, n, alpha);
  if (gSimdLevel == TacSimdLevel::Sse2) return BlendBytesSse2(d, s, n, alpha);
#endif
  BlendBytesScalar(d, s, n, alpha);
}

void DrawAlphaRow(uint32_t* d, const uint32_t* s, int n, bool skipKeys) {
#ifdef QUILLET_X86
  if (gSimdLevel == TacSimdLevel::Avx2) return DrawAlphaRowAvx2(d, s, n, skipKeys);
  if (gSimdLevel == TacSimdLevel::Sse2) return DrawAlphaRowSse2(d, s, n, skipKeys);
#endif
  DrawAlphaRowScalar(d, s, n, skipKeys);
}

void Convolve(const uint8_t* const* taps, const uint32_t* w, int nTaps, uint8_t* out, int n) {
#ifdef QUILLET_X86
  if (gSimdLevel == TacSimdLevel::Avx2) return ConvolveAvx2(taps, w, nTaps, out, n);
  if (gSimdLevel == TacSimdLevel::Sse2) return ConvolveSse2(taps, w, nTaps, out, n, 0);
#endif
  ConvolveScalar(taps, w, nTaps, out, n, 0);
}

}  // namespace

TacSimdLevel BestSimdLevel() {
#ifdef QUILLET_X86
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? TacSimdLevel::Avx2 : TacSimdLevel::Sse2;
#else
  return TacSimdLevel::Scalar;
#endif
}

TacSimdLevel SimdLevel() {
  return gSimdLevel;
}

void SetSimdLevel(TacSimdLevel level) {
  gSimdLevel = std::min(level, BestSimdLevel());
}

// ---------------------------------------------------------------------------------------------
// Two-bitmap blends

bool TacFastSum32::Attach(const win::Bitmap* src, win::Bitmap* dst) {
  auto usable = [](const Bitmap* b) {
    return b && b->Format() == PixelFormat::Bgra32 && b->Width() >= 2 && b->Height() >= 2;
  };
  if (!usable(src) || !usable(dst)) return false;
  FBmpSrc = src;
  FBmpDst = dst;
  FWidthDst = std::min(src->Width(), dst->Width());
  FHeightDst = std::min(src->Height(), dst->Height());
  FStartSrc = src->Row(0);
  FStartDst = dst->Row(0);
  FDeltaSrc = src->Row(1) - src->Row(0);
  FDeltaDst = dst->Row(1) - dst->Row(0);
  return true;
}

void TacFastSum32::BlendBitmapsRect() {
  if (!FBmpSrc || !FBmpDst) return;
  // Source of destination (x, y): (x + ox, y + oy). In 64 bits, so that no rectangle wraps
  // around into the bitmaps.
  const int64_t ox64 = int64_t(SrcX1) - DstX1, oy64 = int64_t(SrcY2) - DstY2;
  const int64_t x1 = std::max<int64_t>({DstX1, 0, -ox64});
  const int64_t x2 = std::min<int64_t>({DstX2, FBmpDst->Width(), FBmpSrc->Width() - ox64});
  const int64_t y1 = std::max<int64_t>({DstY1, 0, -oy64});
  const int64_t y2 = std::min<int64_t>({DstY2, FBmpDst->Height(), FBmpSrc->Height() - oy64});
  if (x1 >= x2 || y1 >= y2) return;
  // From here every position lies inside both bitmaps.
  const int ox = int(ox64), oy = int(oy64);
  const size_t bytes = 4 * static_cast<size_t>(x2 - x1);
  const bool overlapping =
      FBmpSrc == FBmpDst && x1 + ox < x2 && x2 + ox > x1 && y1 + oy < y2 && y2 + oy > y1;
  for (int64_t y = y2 - 1; y >= y1; --y) {
    uint8_t* d = FStartDst + y * FDeltaDst + 4 * x1;
    const uint8_t* s = FStartSrc + (y + oy) * FDeltaSrc + 4 * (x1 + ox);
    if (!overlapping) {
      BlendBytes(d, s, bytes, Alpha);
      continue;
    }
    // Source and destination share bytes: walk them backwards one at a time, so each byte is
    // read before the blend overwrites it when the source lies before the destination.
    const uint32_t inv = 255 - Alpha;
    for (size_t i = bytes; i-- > 0;) d[i] = uint8_t((d[i] * Alpha + s[i] * inv + 127) >> 8);
  }
}

void BlendBitmapsWhole(win::Bitmap* dst, const win::Bitmap* src, uint8_t alpha) {
  if (!dst || !src || dst->Width() != src->Width() || dst->Height() != src->Height()) return;
  TacFastSum32 sum;
  if (!sum.Attach(src, dst)) return;
  sum.Alpha = alpha;
  sum.DstX2 = sum.SrcX2 = dst->Width();
  sum.DstY2 = sum.SrcY2 = dst->Height();
  sum.BlendBitmapsRect();
}

void BlendBitmapAt(win::Bitmap* dst, const win::Bitmap* src, uint8_t alpha, win::POINT point,
                   win::RECT srcRect) {
  TacFastSum32 sum;
  if (!sum.Attach(src, dst)) return;
  // In 64 bits, so that far-out points and rectangles cannot wrap around.
  int64_t px = point.x, py = point.y, left = srcRect.left, top = srcRect.top;
  auto clipPoint = [&] {
    if (px < 0) {
      left -= px;
      px = 0;
    }
    if (py < 0) {
      top -= py;
      py = 0;
    }
  };
  clipPoint();
  if (left < 0) {
    px -= left;
    left = 0;
  }
  if (top < 0) {
    py -= top;
    top = 0;
  }
  clipPoint();
  if (left >= srcRect.right || top >= srcRect.bottom) return;
  if (px >= dst->Width() || py >= dst->Height()) return;
  if (left >= src->Width() || top >= src->Height()) return;
  const int64_t right = std::min<int64_t>(srcRect.right, src->Width());
  const int64_t bottom = std::min<int64_t>(srcRect.bottom, src->Height());
  const int w = int(std::min(right - left, dst->Width() - px));
  const int h = int(std::min(bottom - top, dst->Height() - py));
  if (w <= 0 || h <= 0) return;
  point = {int(px), int(py)};
  srcRect.left = int(left);
  srcRect.top = int(top);
  sum.Alpha = alpha;
  sum.DstX1 = point.x;
  sum.DstY1 = point.y;
  sum.DstX2 = point.x + w;
  sum.DstY2 = point.y + h;
  sum.SrcX1 = srcRect.left;
  sum.SrcY1 = srcRect.top;
  sum.SrcX2 = srcRect.left + w;
  sum.SrcY2 = srcRect.top + h;
  sum.BlendBitmapsRect();
}

void BlendOverKey(win::Bitmap* dst, int dstX, int dstY, TColor key, double factor,
                  win::RECT srcRect, const win::Bitmap* src) {
  if (!Is32(dst) || !Is32(src)) return;
  if (!CutInclusive(srcRect, dstX, dstY, src->Width(), src->Height())) return;
  const uint32_t k = ColorToPixel(key);
  for (int sy = srcRect.top; sy <= srcRect.bottom; ++sy) {
    const int y = dstY + sy - srcRect.top;
    if (y < 0 || y >= dst->Height()) continue;
    const uint32_t* s = Row32(src, sy);
    uint32_t* d = Row32(dst, y);
    for (int sx = srcRect.left; sx <= srcRect.right; ++sx) {
      const int x = dstX + sx - srcRect.left;
      if (x < 0 || x >= dst->Width() || s[sx] == k) continue;
      uint32_t out = d[x] & kAlphaMask;
      for (int c = 0; c < 3; ++c) {
        const double sc = Channel(s[sx], c), dc = Channel(d[x], c);
        const double v = std::clamp(sc - (sc - dc) * factor, -1.0, 256.0);
        out |= uint32_t(ClampByte(std::lrint(v))) << (8 * c);
      }
      d[x] = out;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Key-colour copies

void CopyExceptKey(win::Bitmap* dst, const win::Bitmap* src, int x, TColor key, int y) {
  if (!Is32(dst) || !src || src->Empty()) return;
  Bitmap converted;
  if (src->Format() == PixelFormat::Gray8) {
    converted = src->ConvertedTo(PixelFormat::Bgr24);
    src = &converted;
  }
  const uint32_t k = ColorToPixel(key);
  TCopyArea a;
  if (!ClipCopyAt(x, y, src->Width(), src->Height(), win::Bounds(0, 0, src->Width(), src->Height()),
                  dst->Width(), dst->Height(), src->Width(), src->Height(), a))
    return;
  const bool is32 = src->Format() == PixelFormat::Bgra32;
  for (int j = 0; j < a.h; ++j) {
    uint32_t* d = Row32(dst, a.dy + j) + a.dx;
    const uint8_t* s = src->Row(a.sy + j) + a.sx * (is32 ? 4 : 3);
    for (int i = 0; i < a.w; ++i) {
      uint32_t px;
      if (is32) {
        std::memcpy(&px, s + 4 * i, 4);
      } else {
        px = s[3 * i] | (uint32_t(s[3 * i + 1]) << 8) | (uint32_t(s[3 * i + 2]) << 16);
      }
      if (px != k) d[i] = px | kAlphaMask;
    }
  }
}

void CopyRectExceptKey(win::Bitmap* dst, const win::Bitmap* src, int x, int y, TColor key,
                       win::RECT srcRect) {
  if (!Is32(dst) || !Is32(src)) return;
  if (!CutInclusive(srcRect, x, y, src->Width(), src->Height())) return;
  const uint32_t k = ColorToPixel(key);
  for (int sy = srcRect.top; sy <= srcRect.bottom; ++sy) {
    const int dy = y + sy - srcRect.top;
    if (dy < 0 || dy >= dst->Height()) continue;
    const uint32_t* s = Row32(src, sy);
    uint32_t* d = Row32(dst, dy);
    for (int sx = srcRect.left; sx <= srcRect.right; ++sx) {
      const int dx = x + sx - srcRect.left;
      if (dx >= 0 && dx < dst->Width() && s[sx] != k) d[dx] = s[sx];
    }
  }
}

void CopyWithParentBg(win::Bitmap* dst, const win::Bitmap* src, int x, bool useParentBg,
                      const TCacheInfo& ci, TColor key, win::RECT srcRect, int y) {
  if (!Is32(dst) || !Is32(src)) return;
  if (!CutInclusive(srcRect, x, y, src->Width(), src->Height())) return;
  const uint32_t k = ColorToPixel(key);
  const bool fromParent = useParentBg && ci.Ready && ci.Bmp;
  const bool parentIsDst = fromParent && ci.Bmp == dst;
  // Without any parent information a missing fill colour leaves key pixels alone rather than
  // painting them opaque magenta.
  const bool fill = !ci.Ready && ci.FillColor != clFuchsia;
  const uint32_t fillPixel = ResolvedPixel(ci.FillColor) | kAlphaMask;
  for (int sy = srcRect.top; sy <= srcRect.bottom; ++sy) {
    const int dy = y + sy - srcRect.top;
    if (dy < 0 || dy >= dst->Height()) continue;
    const uint32_t* s = Row32(src, sy);
    uint32_t* d = Row32(dst, dy);
    for (int sx = srcRect.left; sx <= srcRect.right; ++sx) {
      const int dx = x + sx - srcRect.left;
      if (dx < 0 || dx >= dst->Width()) continue;
      const uint32_t px = s[sx];
      if (px != k) {
        d[dx] = fromParent ? (px | kAlphaMask) : px;
        continue;
      }
      uint32_t parent;
      if (fromParent && !parentIsDst && ParentPixel(ci, dx, dy, parent))
        d[dx] = parent | kAlphaMask;
      else if (fill)
        d[dx] = fillPixel;
    }
  }
}

void CopyThroughKeyMask(win::Bitmap* dst, const win::Bitmap* src, win::RECT dstRect,
                        const win::Bitmap* selector, win::POINT selectorOrigin,
                        win::POINT srcPoint) {
  if (!Is32(dst) || !Is32(src)) return;
  if (!selector) {
    selector = dst;
    selectorOrigin = {dstRect.left, dstRect.top};
  }
  if (!Is32(selector)) return;
  // In 64 bits, so that far-out rectangles and points cannot wrap around.
  const int64_t dl = dstRect.left, dt = dstRect.top;
  int64_t w = std::min(int64_t(dstRect.right) - dl, int64_t(src->Width()) - srcPoint.x);
  int64_t h = std::min(int64_t(dstRect.bottom) - dt, int64_t(src->Height()) - srcPoint.y);
  // Offsets below zero on any side are cut from all three together.
  const int64_t i0 = std::max<int64_t>({0, -dl, -int64_t(srcPoint.x), -int64_t(selectorOrigin.x)});
  const int64_t j0 = std::max<int64_t>({0, -dt, -int64_t(srcPoint.y), -int64_t(selectorOrigin.y)});
  w = std::min<int64_t>({w, dst->Width() - dl, int64_t(selector->Width()) - selectorOrigin.x});
  h = std::min<int64_t>({h, dst->Height() - dt, int64_t(selector->Height()) - selectorOrigin.y});
  for (int64_t j = j0; j < h; ++j) {
    const uint32_t* s = Row32(src, int(srcPoint.y + j));
    const uint32_t* m = Row32(selector, int(selectorOrigin.y + j));
    uint32_t* d = Row32(dst, int(dt + j));
    for (int64_t i = i0; i < w; ++i)
      if ((m[selectorOrigin.x + i] & 0x00FFFFFF) == kKeyPixel) d[dl + i] = s[srcPoint.x + i];
  }
}

win::POINT KeyMaskCornerOrigin(int corner, win::RECT r, int frameWidth, int frameHeight, int wr,
                               int wb) {
  const int right = r.left + frameWidth - wr, bottom = r.top + frameHeight - wb;
  switch (corner) {
    case 14:
      return {right, r.top};
    case 16:
      return {r.left, bottom};
    case 17:
      return {right, bottom};
    default:
      return {r.left, r.top};
  }
}

// ---------------------------------------------------------------------------------------------
// Mask blends

void CopyMaskedRect(win::RECT dstRect, win::RECT srcRect, win::Bitmap* dst, win::RECT maskR,
                    bool useParentBg, const TCacheInfo& ci, const win::Bitmap* src) {
  if (!Is32(dst) || !Is32(src)) return;
  const int64_t maskOffset64 = (int64_t(maskR.bottom) - maskR.top) / 2;
  if (maskOffset64 < 0 || maskOffset64 > win::kMaxBitmapSide) return;
  const int maskOffset = int(maskOffset64);
  TCopyArea a;
  // The mask rows must lie inside the source as well.
  if (!ClipCopy(dstRect, srcRect, dst->Width(), dst->Height(), src->Width(),
                src->Height() - maskOffset, a))
    return;
  const bool parentReady = ci.Ready && useParentBg;
  const bool blendKeys = ci.Ready && !useParentBg;
  const bool fillKeys = !ci.Ready && useParentBg;
  const uint32_t fillPixel =
      ResolvedPixel(ci.FillColor) |
      (ci.FillColor < 0 ? kAlphaMask : (uint32_t(ci.FillColor) & kAlphaMask));
  for (int j = 0; j < a.h; ++j) {
    const uint32_t* s = Row32(src, a.sy + j) + a.sx;
    const uint32_t* m = Row32(src, a.sy + j + maskOffset) + a.sx;
    uint32_t* d = Row32(dst, a.dy + j) + a.dx;
    for (int i = 0; i < a.w; ++i) {
      if (s[i] == kKeyPixel && !blendKeys) {
        uint32_t parent;
        if (parentReady) {
          if (ParentPixel(ci, a.dx + i, a.dy + j, parent)) d[i] = parent | kAlphaMask;
        } else if (fillKeys) {
          d[i] = fillPixel;
        }
        continue;
      }
      uint32_t out = parentReady ? kAlphaMask : (d[i] & kAlphaMask);
      for (int c = 0; c < 3; ++c) {
        const int dc = Channel(d[i], c), sc = Channel(s[i], c), mc = Channel(m[i], c);
        out |= uint32_t(((dc - sc) * mc + sc * 256) >> 8) << (8 * c);
      }
      d[i] = out;
    }
  }
}

void DrawMaskedImage(win::Bitmap* dst, win::POINT point, win::RECT srcRect, const win::Bitmap* src,
                     win::RECT maskR, int maskType, int mode) {
  if (!Is32(dst) || !Is32(src)) return;
  if (maskType <= 0) {
    if (srcRect.right <= srcRect.left || srcRect.bottom <= srcRect.top) return;
    CopyRectExceptKey(dst, src, point.x, point.y, clFuchsia,
                      {srcRect.left, srcRect.top, srcRect.right - 1, srcRect.bottom - 1});
    return;
  }
  const int64_t frameHeight64 = (int64_t(maskR.bottom) - maskR.top) / (int64_t(maskType) + 1);
  if (frameHeight64 < 0 || frameHeight64 > win::kMaxBitmapSide) return;
  const int frameHeight = int(frameHeight64);
  TCopyArea a;
  if (!ClipCopyAt(point.x, point.y, INT64_MAX, INT64_MAX, srcRect, dst->Width(), dst->Height(),
                  src->Width(), src->Height() - frameHeight, a))
    return;
  for (int j = 0; j < a.h; ++j) {
    const uint32_t* s = Row32(src, a.sy + j) + a.sx;
    const uint32_t* m = Row32(src, a.sy + j + frameHeight) + a.sx;
    uint32_t* d = Row32(dst, a.dy + j) + a.dx;
    for (int i = 0; i < a.w; ++i) {
      const uint32_t mr = Channel(m[i], 2);
      if (s[i] == kKeyPixel || mr == 255) continue;
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const int dc = Channel(d[i], c), sc = Channel(s[i], c);
        int mc = Channel(m[i], c);
        if (mode != 1) mc = std::min(mc + 100, 255);
        out |= uint32_t(ClampByte(((dc - sc) * mc + sc * 256) >> 8)) << (8 * c);
      }
      const uint32_t da = d[i] >> 24;
      d[i] = out | ((da + (255 - mr) * (255 - da) / 255) << 24);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Pictures with their own alpha

void DrawAlpha32(win::RECT dstRect, win::RECT srcRect, win::Bitmap* dst, bool useParentBg,
                 const TCacheInfo& ci, const win::Bitmap* src) {
  if (!Is32(dst) || !Is32(src)) return;
  TCopyArea a;
  if (!ClipCopy(dstRect, srcRect, dst->Width(), dst->Height(), src->Width(), src->Height(), a))
    return;
  for (int j = 0; j < a.h; ++j) {
    const uint32_t* s = Row32(src, a.sy + j) + a.sx;
    uint32_t* d = Row32(dst, a.dy + j) + a.dx;
    DrawAlphaRow(d, s, a.w, ci.Ready);
    if (!ci.Ready || !useParentBg) continue;
    for (int i = 0; i < a.w; ++i) {
      uint32_t parent;
      if (s[i] == kKeyPixel && ParentPixel(ci, a.dx + i, a.dy + j, parent))
        d[i] = parent | kAlphaMask;
    }
  }
}

void DrawAlphaGlyph(win::RECT dstRect, win::RECT srcRect, win::Bitmap* dst, bool reflected,
                    int blend, TColor greyColour, bool useParentBg, const TCacheInfo& ci,
                    const win::Bitmap* src) {
  if (!Is32(dst) || !src || src->Empty()) return;
  Bitmap converted;
  if (src->Format() != PixelFormat::Bgra32) {
    converted = src->ConvertedTo(PixelFormat::Bgra32);
    src = &converted;
  }
  TCopyArea a;
  if (!ClipCopy(dstRect, srcRect, dst->Width(), dst->Height(), src->Width(), src->Height(), a))
    return;
  blend = std::clamp(blend, 0, 100);
  const bool grey = greyColour != clNoGrey;
  const uint32_t greyPixel = grey ? ResolvedPixel(greyColour) : 0;
  // The source colour channels, grey-tinted when a grey colour is given.
  auto colourOf = [&](uint32_t s) {
    if (!grey) return s;
    const uint32_t g = (Channel(s, 0) + Channel(s, 1) + Channel(s, 2)) / 3;
    uint32_t out = s & kAlphaMask;
    for (int c = 0; c < 3; ++c)
      out |= uint32_t(ClampByte(std::lrint(g * double(Channel(greyPixel, c)) / 255))) << (8 * c);
    return out;
  };
  auto mix = [](uint32_t d, uint32_t s, int weight) {
    uint32_t out = d & kAlphaMask;
    for (int c = 0; c < 3; ++c) {
      const int dc = Channel(d, c), sc = Channel(s, c);
      out |= uint32_t(((sc - dc) * weight + dc * 256) >> 8) << (8 * c);
    }
    return out;
  };
  const bool keepMaxAlpha = blend == 0 && !grey;
  for (int j = 0; j < a.h; ++j) {
    const uint32_t* s = Row32(src, a.sy + j) + a.sx;
    uint32_t* d = Row32(dst, a.dy + j) + a.dx;
    for (int i = 0; i < a.w; ++i) {
      if (ci.Ready && s[i] == kKeyPixel) {
        uint32_t parent;
        if (useParentBg && ParentPixel(ci, a.dx + i, a.dy + j, parent)) d[i] = parent | kAlphaMask;
        continue;
      }
      const int alpha = s[i] >> 24;
      const int weight = blend == 0 ? alpha : (100 - blend) * alpha / 100;
      uint32_t out = mix(d[i], colourOf(s[i]), weight);
      if (ci.Ready && keepMaxAlpha)
        out = (out & 0x00FFFFFF) | (std::max(d[i] >> 24, s[i] >> 24) << 24);
      d[i] = out;
    }
  }
  if (!reflected) return;
  // The reflection is as tall as half of the drawn picture (not of the whole source bitmap,
  // which may hold several frames or pictures).
  const int half = a.h / 2;
  const int bottom = a.dy + a.h;
  const int n = std::min(half - 1, dst->Height() - bottom - 1);
  if (n <= 0) return;
  const int fadeStep = 255 / half;
  int fade = 255;
  for (int k = 1; k <= n; ++k, fade -= fadeStep) {
    const uint32_t* s = Row32(src, a.sy + a.h - k - 1) + a.sx;
    uint32_t* d = Row32(dst, bottom + k - 1) + a.dx;
    for (int i = 0; i < a.w; ++i) {
      if (s[i] == kKeyPixel) continue;
      const int alpha = s[i] >> 24;
      const int base = blend == 0 ? alpha / 3 : (100 - blend) * alpha / 300;
      d[i] = mix(d[i], colourOf(s[i]), std::max(0, base * fade / 255));
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Disabled look

void PaintDisabledLook(win::Bitmap* bitmap, int disabledKind, TColor parentColour,
                       win::POINT offset, const TCacheInfo& ci) {
  if (!Is32(bitmap)) return;
  if (disabledKind & dkGrayed) GrayBitmap(bitmap);
  if (!(disabledKind & dkBlended)) return;
  if (ci.Ready) {
    if (!ci.Bmp) return;
    const int x = ci.X + offset.x, y = ci.Y + offset.y;
    BlendOverKey(bitmap, 0, 0, clFuchsia, 0.4, {x, y, x + bitmap->Width(), y + bitmap->Height()},
                 ci.Bmp);
    return;
  }
  BlendRectWithColor(bitmap, {0, 0, bitmap->Width(), bitmap->Height()}, 50,
                     ci.FillColor != clFuchsia ? ci.FillColor : parentColour);
}

// ---------------------------------------------------------------------------------------------
// Blur

std::vector<uint32_t> BlurKernel8(int radius) {
  if (radius <= 0) return {};
  float w[201];
  float sum = 0;
  for (int k = 0; k <= 200; ++k) {
    const float t = static_cast<float>(k - 100) / static_cast<float>(radius);
    w[k] = std::exp(-(t * t) / 2);
    sum += w[k];
  }
  for (float& v : w) v /= sum;
  int j = 100;
  float tail = 0;
  while (j > 1) {
    tail += 2 * w[100 + j];
    if (!(tail < 1.0f / 510)) break;
    --j;
  }
  float central = 0;
  for (int k = 100 - j; k <= 100 + j; ++k) central += w[k];
  // Integer weights whose sum is exactly 65536: what rounding loses or gains goes to the centre.
  std::vector<uint32_t> weights(2 * j + 1);
  long total = 0;
  for (int k = 0; k <= 2 * j; ++k) {
    weights[k] = static_cast<uint32_t>(std::lrint(w[100 - j + k] / central * 65536.0f));
    total += weights[k];
  }
  weights[j] = static_cast<uint32_t>(long(weights[j]) + 65536 - total);
  return weights;
}

void BlurMask8(win::Bitmap* bitmap, int radius) {
  if (!bitmap || bitmap->Format() != PixelFormat::Gray8 || bitmap->Empty()) return;
  const std::vector<uint32_t> w = BlurKernel8(radius);
  // A kernel of the centre alone changes nothing (and would not fit the 16-bit SIMD weights).
  if (w.empty() || w[w.size() / 2] >= 65536) return;
  const int j = static_cast<int>(w.size() / 2), taps = static_cast<int>(w.size());
  const int width = bitmap->Width(), height = bitmap->Height();
  std::vector<const uint8_t*> tapRows(taps);

  // Rows: each row is padded with copies of its end pixels, so tap k of output x is pad[x + k].
  std::vector<uint8_t> pad(static_cast<size_t>(width + 2 * j));
  std::vector<uint8_t> line(width);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap->Row(y);
    std::fill(pad.begin(), pad.begin() + j, row[0]);
    std::memcpy(pad.data() + j, row, width);
    std::fill(pad.begin() + j + width, pad.end(), row[width - 1]);
    for (int k = 0; k < taps; ++k) tapRows[k] = pad.data() + k;
    Convolve(tapRows.data(), w.data(), taps, line.data(), width);
    std::memcpy(row, line.data(), width);
  }

  // Columns, computed a row at a time from the rows above and below (clamped at the edges).
  Bitmap across = *bitmap;
  for (int y = 0; y < height; ++y) {
    for (int k = 0; k < taps; ++k) tapRows[k] = across.Row(std::clamp(y - j + k, 0, height - 1));
    Convolve(tapRows.data(), w.data(), taps, bitmap->Row(y), width);
  }
}

// ---------------------------------------------------------------------------------------------
// Glow text

namespace {

// The text in black on white with its contour shifts, as 8-bit grey levels.
Bitmap GlowMask(win::HFONT font, StringView text, int width, int height, int margin,
                const win::RECT& rect, int contourFlags, win::UINT textFormat) {
  Bitmap picture(width, height);
  std::memset(picture.Bits(), 0xFF, picture.SizeInBytes());
  {
    // The context lives only for this picture, so the font it holds goes with it.
    const TacBitmapDC dc(&picture, win::Rect(0, 0, width, height));
    if (font) win::SelectObject(dc.Handle(), font);
    win::SetTextColor(dc.Handle(), 0x000000);
    win::SetBkMode(dc.Handle(), win::TRANSPARENT);
    const win::RECT textRect = win::Bounds(margin, margin, rect.Width(), rect.Height());
    const struct {
      int bit, dx, dy;
    } shifts[] = {{gcLeft, -1, 0}, {gcTop, 0, -1}, {gcRight, 1, 0}, {gcBottom, 0, 1}};
    auto draw = [&](int dx, int dy) {
      win::RECT r = textRect;
      win::OffsetRect(&r, dx, dy);
      win::DrawTextW(dc.Handle(), text.data(), int(text.size()), &r, textFormat);
    };
    for (const auto& shift : shifts)
      if (contourFlags & shift.bit) draw(shift.dx, shift.dy);
    draw(0, 0);
  }
  return picture.ConvertedTo(PixelFormat::Gray8);
}

}  // namespace

void DrawGlowText(win::Bitmap* dst, win::HFONT font, StringView text, win::RECT rect,
                  std::unique_ptr<win::Bitmap>& maskCache, TColor glowColour, int glowSize,
                  int contourFlags, win::UINT textFormat) {
  if (!Is32(dst)) return;
  // A working rectangle larger than any bitmap can be is not painted (this also keeps the
  // arithmetic below far from overflow).
  const int64_t rw = int64_t(rect.right) - rect.left, rh = int64_t(rect.bottom) - rect.top;
  const int margin = std::clamp(glowSize, 0, win::kMaxBitmapSide) + 4;
  if (rw <= 0 || rh <= 0 || rw + 2 * margin > win::kMaxBitmapSide ||
      rh + 2 * margin > win::kMaxBitmapSide)
    return;
  const int width = int(rw) + 2 * margin, height = int(rh) + 2 * margin;
  if (!maskCache || maskCache->Width() != width || maskCache->Height() != height ||
      maskCache->Format() != PixelFormat::Gray8) {
    auto mask = std::make_unique<Bitmap>(
        GlowMask(font, text, width, height, margin, rect, contourFlags, textFormat));
    BlurMask8(mask.get(), glowSize);
    maskCache = std::move(mask);
  }
  const uint32_t k = ResolvedPixel(glowColour);
  // The mask rows and columns that land inside the destination.
  const int64_t ox = int64_t(rect.left) - margin, oy = int64_t(rect.top) - margin;
  const int j0 = int(std::clamp<int64_t>(-oy, 0, height));
  const int j1 = int(std::clamp<int64_t>(dst->Height() - oy, 0, height));
  const int i0 = int(std::clamp<int64_t>(-ox, 0, width));
  const int i1 = int(std::clamp<int64_t>(dst->Width() - ox, 0, width));
  for (int j = j0; j < j1; ++j) {
    const uint8_t* m = maskCache->Row(j);
    uint32_t* d = Row32(dst, int(oy + j));
    for (int i = i0; i < i1; ++i) {
      const int mv = m[i];
      if (mv == 255) continue;
      uint32_t& target = d[ox + i];
      const uint32_t px = target;
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const int kc = int(Channel(k, c));
        out |= uint32_t(kc + mv * (int(Channel(px, c)) - kc) / 255) << (8 * c);
      }
      const uint32_t a = px >> 24;
      target = out | ((a + (255 - mv) * (255 - a) / 255) << 24);
    }
  }
}
