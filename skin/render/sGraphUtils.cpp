#include "skin/render/sGraphUtils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/base/Errors.h"

namespace {

using win::Bitmap;
using win::PixelFormat;
using win::RECT;

constexpr uint32_t kAlphaMask = 0xFF000000u;

uint8_t ClampByte(long v) {
  return static_cast<uint8_t>(std::clamp<long>(v, 0, 255));
}

// Round to nearest, ties to even (the current rounding mode is never changed here). Values
// far outside any channel range are first held to one that lrint can represent.
long RoundEven(double v) {
  return std::lrint(std::clamp(v, -1e9, 1e9));
}

uint32_t SwapRedBlue(uint32_t v) {
  return (v & 0xFF00FF00u) | ((v & 0xFF) << 16) | ((v >> 16) & 0xFF);
}

// System colours resolved; other values unchanged (their high byte is kept).
uint32_t ResolvedColour(TColor colour) {
  return colour < 0 ? ColorToRGB(colour) : static_cast<uint32_t>(colour);
}

// Clips rect to 0..width x 0..height; false when nothing is left.
bool ClipToBitmap(RECT& r, int width, int height) {
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, width);
  r.bottom = std::min(r.bottom, height);
  return r.left < r.right && r.top < r.bottom;
}

bool Is32(const Bitmap* b) {
  return b && b->Format() == PixelFormat::Bgra32 && !b->Empty();
}

uint32_t* Row32(Bitmap* b, int y) {
  return reinterpret_cast<uint32_t*>(b->Row(y));
}
const uint32_t* Row32(const Bitmap* b, int y) {
  return reinterpret_cast<const uint32_t*>(b->Row(y));
}

// Applies fn to every pixel of a 32-bit bitmap.
template <typename Fn>
void ForEachPixel(Bitmap* bitmap, Fn fn) {
  if (!Is32(bitmap)) return;
  for (int y = 0; y < bitmap->Height(); ++y) {
    uint32_t* row = Row32(bitmap, y);
    for (int x = 0; x < bitmap->Width(); ++x) row[x] = fn(row[x]);
  }
}

}  // namespace

std::unique_ptr<win::Bitmap> MakeBitmap32(int width, int height) {
  return std::make_unique<Bitmap>(std::max(width, 0), std::max(height, 0), PixelFormat::Bgra32);
}

uint32_t ResolvedPixel(TColor colour) {
  return ColorToPixel(static_cast<TColor>(ColorToRGB(colour)));
}

// ---------------------------------------------------------------------------------------------
// TacFast32

bool TacFast32::Attach(win::Bitmap* bitmap) {
  if (!bitmap || bitmap->Format() != PixelFormat::Bgra32 || bitmap->Width() < 2 ||
      bitmap->Height() < 2) {
    FWidth = 0;
    return false;
  }
  FBitmap = bitmap;
  FWidth = bitmap->Width();
  FHeight = bitmap->Height();
  FStart = bitmap->Row(0);
  FDelta = bitmap->Row(1) - bitmap->Row(0);
  return true;
}

void TacFast32::FillRect(win::RECT rect, uint32_t pixel) const {
  if (!ClipToBitmap(rect, FWidth, FHeight)) return;
  pixel |= kAlphaMask;
  for (int y = rect.top; y < rect.bottom; ++y)
    std::fill(Row(y) + rect.left, Row(y) + rect.right, pixel);
}

uint32_t TacFast32::GetPixelColor(int x, int y) const {
  return SwapRedBlue(Pixel(x, y));
}

void TacFast32::SetPixelColor(int x, int y, uint32_t colour) const {
  Pixel(x, y) = SwapRedBlue(colour);
}

// ---------------------------------------------------------------------------------------------
// Fills and frames

namespace {

// A brush that is deleted however the scope is left.
class TSolidBrush {
 public:
  explicit TSolidBrush(TColor colour) : FBrush(win::CreateSolidBrush(ColorToRGB(colour))) {}
  ~TSolidBrush() { win::DeleteObject(FBrush); }
  TSolidBrush(const TSolidBrush&) = delete;
  TSolidBrush& operator=(const TSolidBrush&) = delete;
  win::HBRUSH Handle() const { return FBrush; }

 private:
  win::HBRUSH FBrush;
};

// SolidFrame's four strips, computed in 64 bits and held to the 32-bit range, so that no
// width wraps a strip around.
std::array<win::RECT, 4> FrameStrips(const win::RECT& r, int wl, int wb, int wr, int wt) {
  auto clamp = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  const int64_t top = int64_t(r.top) + wt, left = int64_t(r.left) + wl;
  const int64_t bottom = int64_t(r.bottom) - wb, right = int64_t(r.right) - wr;
  return {{{r.left, r.top, r.right, clamp(top)},
           {r.left, clamp(top), clamp(left), r.bottom},
           {clamp(left), clamp(bottom), r.right, r.bottom},
           {clamp(right), clamp(top), r.right, clamp(bottom)}}};
}

}  // namespace

void SolidFill(win::HDC dc, win::RECT rect, TColor colour) {
  if (!dc) return;
  const TSolidBrush brush(colour);
  win::FillRect(dc, &rect, brush.Handle());
}

void SolidFrame(win::HDC dc, win::RECT r, int wl, TColor colour, int wb, int wr, int wt) {
  if (!dc) return;
  const TSolidBrush brush(colour);
  for (const win::RECT& strip : FrameStrips(r, wl, wb, wr, wt))
    if (strip.left < strip.right && strip.top < strip.bottom)
      win::FillRect(dc, &strip, brush.Handle());
}

void FillRect32(win::Bitmap* bitmap, win::RECT rect, TColor colour) {
  TacFast32 fast;
  if (fast.Attach(bitmap)) fast.FillRect(rect, ResolvedPixel(colour));
}

void SolidFrame32(win::Bitmap* bitmap, win::RECT r, int wl, TColor colour, int wb, int wr, int wt) {
  TacFast32 fast;
  if (!fast.Attach(bitmap)) return;
  const uint32_t pixel = ResolvedPixel(colour);
  for (const win::RECT& strip : FrameStrips(r, wl, wb, wr, wt)) fast.FillRect(strip, pixel);
}

void SetRectAlpha(win::Bitmap* bitmap, win::RECT rect, uint8_t alpha, bool skipKey) {
  if (!Is32(bitmap) || !ClipToBitmap(rect, bitmap->Width(), bitmap->Height())) return;
  const uint32_t a = uint32_t(alpha) << 24;
  for (int y = rect.top; y < rect.bottom; ++y) {
    uint32_t* row = Row32(bitmap, y);
    for (int x = rect.left; x < rect.right; ++x) {
      if (skipKey && row[x] == kKeyPixel) continue;
      row[x] = (row[x] & 0x00FFFFFF) | a;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Colour arithmetic

TColor BlendColors(TColor c1, TColor c2, double f) {
  const uint32_t a = ResolvedColour(c1), b = ResolvedColour(c2);
  const long double lf = f;
  uint32_t out = a & kAlphaMask;
  for (int shift = 0; shift < 24; shift += 8) {
    const long double v = lf * ((a >> shift) & 0xFF) + (1.0L - lf) * ((b >> shift) & 0xFF);
    out |= uint32_t(ClampByte(std::lrint(std::clamp(v, -1e9L, 1e9L)))) << shift;
  }
  return static_cast<TColor>(out);
}

uint32_t ChangePixelSaturation(uint32_t pixel, int amount) {
  if (amount == 0) return pixel;
  const int ch[3] = {int(pixel & 0xFF), int((pixel >> 8) & 0xFF), int((pixel >> 16) & 0xFF)};
  const double v = (ch[0] + ch[1] + ch[2]) / 3.0;
  uint32_t out = pixel & kAlphaMask;
  for (int i = 0; i < 3; ++i) {
    const double x = ch[i];
    out |= uint32_t(ClampByte(RoundEven(x - (v - x) * amount / 100))) << (8 * i);
  }
  return out;
}

TColor ChangeSaturation(TColor colour, int amount) {
  if (amount == 0) return colour;
  return static_cast<TColor>(ChangePixelSaturation(ResolvedColour(colour), amount));
}

uint32_t ShiftPixelHue(uint32_t pixel, int degrees) {
  if (degrees % 360 == 0) return pixel;
  const double first = (pixel >> 16) & 0xFF, second = (pixel >> 8) & 0xFF, third = pixel & 0xFF;
  const double v = std::max({first, second, third});
  const double d = v - std::min({first, second, third});
  // A grey (black included) has no hue and stays as it is.
  if (d == 0) return pixel;
  const double s = d / v;
  const double k = 60 / d;
  double h;
  if (v == first)
    h = (second - third) * k;
  else if (v == second)
    h = 120 + (third - first) * k;
  else
    h = 240 + (first - second) * k;
  if (h < 0) h += 360;
  long hue = RoundEven(h + degrees) % 360;
  if (hue < 0) hue += 360;
  const double h60 = hue / 60.0;
  const int i = static_cast<int>(h60);
  const double f = h60 - i;
  auto channel = [](double c) {
    return static_cast<uint32_t>(RoundEven(std::clamp(c, 0.0, 255.0)));
  };
  const uint32_t vv = channel(v), p = channel(v * (1 - s)), q = channel(v * (1 - s * f)),
                 t = channel(v * (1 - s * (1 - f)));
  uint32_t a, b, c;
  switch (i) {
    case 0:
      a = vv;
      b = t;
      c = p;
      break;
    case 1:
      a = q;
      b = vv;
      c = p;
      break;
    case 2:
      a = p;
      b = vv;
      c = t;
      break;
    case 3:
      a = p;
      b = q;
      c = vv;
      break;
    case 4:
      a = t;
      b = p;
      c = vv;
      break;
    default:
      a = vv;
      b = p;
      c = q;
      break;
  }
  return (pixel & kAlphaMask) | (a << 16) | (b << 8) | c;
}

TColor ShiftHue(TColor colour, int degrees) {
  if (degrees % 360 == 0) return colour;
  return static_cast<TColor>(
      SwapRedBlue(ShiftPixelHue(SwapRedBlue(ResolvedColour(colour)), degrees)));
}

// ---------------------------------------------------------------------------------------------
// Rectangle and whole-bitmap operations

void BlendRectWithColor(win::Bitmap* bitmap, win::RECT rect, int percent, TColor colour) {
  if (!Is32(bitmap)) return;
  rect.left = std::max(rect.left, 0);
  rect.top = std::max(rect.top, 0);
  rect.right = std::min(rect.right, bitmap->Width() - 1);
  rect.bottom = std::min(rect.bottom, bitmap->Height() - 1);
  if (rect.left > rect.right || rect.top > rect.bottom) return;
  // One table per channel: the result depends only on the channel value.
  const uint32_t k = ResolvedPixel(colour);
  const double p = percent / 100.0;
  uint8_t table[3][256];
  for (int c = 0; c < 3; ++c) {
    const double kc = (k >> (8 * c)) & 0xFF;
    for (int v = 0; v < 256; ++v) table[c][v] = ClampByte(RoundEven(p * v + (1 - p) * kc));
  }
  for (int y = rect.top; y <= rect.bottom; ++y) {
    uint32_t* row = Row32(bitmap, y);
    for (int x = rect.left; x <= rect.right; ++x) {
      const uint32_t px = row[x];
      row[x] = (px & kAlphaMask) | uint32_t(table[0][px & 0xFF]) |
               (uint32_t(table[1][(px >> 8) & 0xFF]) << 8) |
               (uint32_t(table[2][(px >> 16) & 0xFF]) << 16);
    }
  }
}

namespace {

uint32_t GrayPixel(uint32_t px) {
  const uint32_t g = ((px & 0xFF) + ((px >> 8) & 0xFF) + ((px >> 16) & 0xFF)) / 3;
  return (px & kAlphaMask) | (g << 16) | (g << 8) | g;
}

bool IsGrey(uint32_t px) {
  return (px & 0xFF) == ((px >> 8) & 0xFF) && (px & 0xFF) == ((px >> 16) & 0xFF);
}

// Skin pictures hold few distinct colours, so a small direct-mapped memo of the last results
// spares most of the floating-point work of hue and saturation changes.
template <typename Fn>
void MapColoursMemo(win::Bitmap* bitmap, Fn fn) {
  constexpr int kSlots = 4096;
  std::vector<uint32_t> keys(kSlots, 0xFFFFFFFFu), values(kSlots);
  ForEachPixel(bitmap, [&](uint32_t px) {
    if (px == kKeyPixel || IsGrey(px)) return px;
    const uint32_t colour = px & 0x00FFFFFF;
    const uint32_t slot = ((colour * 2654435761u) >> 20) & (kSlots - 1);
    if (keys[slot] != colour) {
      keys[slot] = colour;
      values[slot] = fn(colour);
    }
    return (px & kAlphaMask) | values[slot];
  });
}

}  // namespace

void GrayBitmap(win::Bitmap* bitmap) {
  ForEachPixel(bitmap, GrayPixel);
}

void GrayBitmapExceptKey(win::Bitmap* bitmap, TColor key) {
  const uint32_t k = ColorToPixel(key);
  ForEachPixel(bitmap, [k](uint32_t px) { return px == k ? px : GrayPixel(px); });
}

void ShiftBitmapHue(win::Bitmap* bitmap, int degrees) {
  if (degrees % 360 == 0) return;
  MapColoursMemo(bitmap, [degrees](uint32_t c) { return ShiftPixelHue(c, degrees); });
}

void ChangeBitmapSaturation(win::Bitmap* bitmap, int amount) {
  if (amount == 0) return;
  MapColoursMemo(bitmap, [amount](uint32_t c) { return ChangePixelSaturation(c, amount); });
}

void FadeBitmapTowards(win::Bitmap* bitmap, TColor colour, double factor) {
  const uint32_t k = ResolvedPixel(colour);
  uint8_t table[3][256];
  for (int c = 0; c < 3; ++c) {
    const double kc = (k >> (8 * c)) & 0xFF;
    for (int v = 0; v < 256; ++v) table[c][v] = ClampByte(RoundEven(factor * (v - kc) + kc));
  }
  ForEachPixel(bitmap, [&](uint32_t px) {
    if (px == kKeyPixel) return px;
    return (px & kAlphaMask) | uint32_t(table[0][px & 0xFF]) |
           (uint32_t(table[1][(px >> 8) & 0xFF]) << 8) |
           (uint32_t(table[2][(px >> 16) & 0xFF]) << 16);
  });
}

// ---------------------------------------------------------------------------------------------
// Gradients

TsGradArray ParseGradientData(StringView text) {
  std::vector<StringView> words;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u';', start);
    if (end == StringView::npos) end = text.size();
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  TsGradArray result(words.size() / 5);
  for (size_t k = 0; k < result.size(); ++k) {
    TsGradPie& band = result[k];
    band.Color1 = std::max(StrToInt(words[5 * k]), 0);
    band.Color2 = std::max(StrToInt(words[5 * k + 1]), 0);
    band.Percent = std::clamp(StrToInt(words[5 * k + 2]), 0, 100);
    band.Mode1 = StrToInt(words[5 * k + 3]);
  }
  return result;
}

namespace {

// The colours of one gradient line (rows for mode 0, columns for mode 1) over the positions
// lo..hi-1: line[p - lo] is the pixel at position p, or 0 where no band painted it. Within a
// band single-precision accumulators start at Color1 and step by (Color2 - Color1) / length
// after each position; a band paints its start..end inclusive and the next band starts on its
// end, so shared positions take the later band's first colour.
std::vector<uint32_t> GradientLine(const TsGradArray& gradient, int lo, int hi, bool horizontal) {
  std::vector<uint32_t> line(static_cast<size_t>(hi - lo), 0);
  const int last = hi - 1;
  const int length = hi - lo;
  int start = lo;
  for (size_t i = 0; i < gradient.size(); ++i) {
    const TsGradPie& band = gradient[i];
    // Bands made elsewhere than by ParseGradientData may carry any percent.
    const int percent = std::clamp(band.Percent, 0, 100);
    int end;
    if (i + 1 == gradient.size()) {
      end = last;
    } else if (horizontal) {
      end = static_cast<int>(std::min<long>(RoundEven(percent * (length / 100.0) + start), last));
    } else {
      end = std::min(start + length * percent / 100, last);
    }
    if (end - start > 0) {
      const uint32_t c1 = ResolvedPixel(band.Color1), c2 = ResolvedPixel(band.Color2);
      float acc[3], step[3];
      for (int c = 0; c < 3; ++c) {
        const int a = (c1 >> (8 * c)) & 0xFF, b = (c2 >> (8 * c)) & 0xFF;
        acc[c] = static_cast<float>(a);
        step[c] = static_cast<float>(b - a) / static_cast<float>(end - start);
      }
      for (int p = start; p <= end; ++p) {
        uint32_t px = kAlphaMask;
        for (int c = 0; c < 3; ++c) {
          px |= uint32_t(ClampByte(std::lrint(acc[c]))) << (8 * c);
          acc[c] += step[c];
        }
        line[p - lo] = px;
      }
    }
    start = end;
  }
  return line;
}

void PutPixels(win::Bitmap* bitmap, int y, int x0, int x1, uint32_t px) {
  if (bitmap->Format() == PixelFormat::Bgra32) {
    std::fill(Row32(bitmap, y) + x0, Row32(bitmap, y) + x1, px);
    return;
  }
  uint8_t* d = bitmap->Row(y) + 3 * x0;
  for (int x = x0; x < x1; ++x, d += 3) {
    d[0] = uint8_t(px);
    d[1] = uint8_t(px >> 8);
    d[2] = uint8_t(px >> 16);
  }
}

// Mode 2: five vertices (the corners and the centre) and four triangles between them.
void PaintTriangles(win::Bitmap* bitmap, const win::RECT& r, const TsGradArray& gradient) {
  Bitmap converted;
  Bitmap* target = bitmap;
  if (bitmap->Format() != PixelFormat::Bgra32) {
    converted = bitmap->ConvertedTo(PixelFormat::Bgra32);
    target = &converted;
  }
  const win::POINT corners[5] = {{r.left, r.top},
                                 {r.Width() / 2 + r.left, r.Height() / 2 + r.top},
                                 {r.right, r.top},
                                 {r.right, r.bottom},
                                 {r.left, r.bottom}};
  win::TRIVERTEX vertices[5];
  for (size_t i = 0; i < 5; ++i) {
    // A missing band repeats the colour before it.
    const uint32_t c = ColorToRGB(gradient[std::min(i, gradient.size() - 1)].Color1);
    vertices[i].x = corners[i].x;
    vertices[i].y = corners[i].y;
    vertices[i].Red = win::COLOR16(win::GetRValue(c) << 8);
    vertices[i].Green = win::COLOR16(win::GetGValue(c) << 8);
    vertices[i].Blue = win::COLOR16(win::GetBValue(c) << 8);
    vertices[i].Alpha = 0xFF00;
  }
  const win::GRADIENT_TRIANGLE triangles[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
  {
    const TacBitmapDC dc(target, r);
    if (!dc.Handle()) return;
    win::GradientFill(dc.Handle(), vertices, 5, triangles, 4, win::GRADIENT_FILL_TRIANGLE);
  }
  if (target == bitmap) return;
  // Back into the 24-bit picture.
  for (int y = r.top; y < r.bottom; ++y) {
    const uint32_t* s = Row32(target, y);
    for (int x = r.left; x < r.right; ++x) PutPixels(bitmap, y, x, x + 1, s[x]);
  }
}

}  // namespace

void PaintGradient(win::Bitmap* bitmap, win::RECT rect, const TsGradArray& gradient) {
  if (!bitmap || gradient.empty()) return;
  if (bitmap->Format() == PixelFormat::Gray8) return;
  if (!ClipToBitmap(rect, bitmap->Width(), bitmap->Height())) return;
  switch (gradient[0].Mode1) {
    case 0: {
      const std::vector<uint32_t> rows = GradientLine(gradient, rect.top, rect.bottom, false);
      for (int y = rect.top; y < rect.bottom; ++y)
        if (uint32_t px = rows[y - rect.top]) PutPixels(bitmap, y, rect.left, rect.right, px);
      break;
    }
    case 1: {
      const std::vector<uint32_t> cols = GradientLine(gradient, rect.left, rect.right, true);
      for (int y = rect.top; y < rect.bottom; ++y) {
        if (y > rect.top && bitmap->Format() == PixelFormat::Bgra32) {
          // The first row is the picture of every row.
          std::memcpy(Row32(bitmap, y) + rect.left, Row32(bitmap, rect.top) + rect.left,
                      4 * static_cast<size_t>(rect.right - rect.left));
          continue;
        }
        for (int x = rect.left; x < rect.right; ++x)
          if (uint32_t px = cols[x - rect.left]) PutPixels(bitmap, y, x, x + 1, px);
      }
      break;
    }
    case 2:
      PaintTriangles(bitmap, rect, gradient);
      break;
    default:
      break;
  }
}

void PaintGradientTexture(win::Bitmap* dst, win::RECT rect, const TsGradArray& gradient, int weight,
                          win::RECT textureRect, const win::Bitmap* texture) {
  if (!Is32(dst) || !texture || texture->Empty() || gradient.empty()) return;
  const int mode = gradient[0].Mode1;
  if (mode != 0 && mode != 1) return;
  Bitmap converted;
  if (texture->Format() != PixelFormat::Bgra32) {
    converted = texture->ConvertedTo(PixelFormat::Bgra32);
    texture = &converted;
  }
  RECT tile = textureRect;
  if (tile.right <= tile.left || tile.bottom <= tile.top)
    tile = {0, 0, texture->Width(), texture->Height()};
  tile.left = std::max(tile.left, 0);
  tile.top = std::max(tile.top, 0);
  // A tile reaching the texture's last column or row ends one pixel before it.
  if (tile.right >= texture->Width()) tile.right = texture->Width() - 1;
  if (tile.bottom >= texture->Height()) tile.bottom = texture->Height() - 1;
  const int tw = tile.right - tile.left, th = tile.bottom - tile.top;
  if (tw <= 0 || th <= 0) return;
  const int64_t originX = rect.left, originY = rect.top;
  if (!ClipToBitmap(rect, dst->Width(), dst->Height())) return;
  const uint32_t w = static_cast<uint32_t>(std::clamp(weight, 0, 255));

  auto mix = [w](uint32_t g, uint32_t t) {
    uint32_t out = kAlphaMask;
    for (int c = 0; c < 24; c += 8) {
      const int gc = (g >> c) & 0xFF, tc = (t >> c) & 0xFF;
      out |= uint32_t((int(w) * (tc - gc) + gc * 256) >> 8) << c;
    }
    return out;
  };
  auto textureRow = [&](int y) {
    return Row32(texture, int((((y - originY) % th) + th) % th) + tile.top) + tile.left;
  };
  auto tileColumn = [&](int x) { return int((((x - originX) % tw) + tw) % tw); };

  if (mode == 0) {
    const std::vector<uint32_t> rows = GradientLine(gradient, rect.top, rect.bottom, false);
    for (int y = rect.top; y < rect.bottom; ++y) {
      const uint32_t g = rows[y - rect.top];
      if (!g) continue;
      const uint32_t* t = textureRow(y);
      uint32_t* d = Row32(dst, y);
      for (int x = rect.left; x < rect.right; ++x) d[x] = mix(g, t[tileColumn(x)]);
    }
    return;
  }
  // Mode 1: the gradient row is computed once and every row of one tile height mixed; the
  // block then repeats down the rectangle by copies.
  const std::vector<uint32_t> cols = GradientLine(gradient, rect.left, rect.right, true);
  const size_t bytes = 4 * static_cast<size_t>(rect.right - rect.left);
  for (int y = rect.top; y < rect.bottom; ++y) {
    uint32_t* d = Row32(dst, y);
    if (y - rect.top >= th) {
      std::memcpy(d + rect.left, Row32(dst, y - th) + rect.left, bytes);
      continue;
    }
    const uint32_t* t = textureRow(y);
    for (int x = rect.left; x < rect.right; ++x)
      if (uint32_t g = cols[x - rect.left]) d[x] = mix(g, t[tileColumn(x)]);
  }
}

// ---------------------------------------------------------------------------------------------
// StretchResample

namespace {

constexpr double kPi = 3.14159265358979323846;

double FilterRadius(int filter) {
  switch (filter) {
    case rfBox:
      return 0.51;
    case rfTriangle:
    case rfHermite:
      return 1.0;
    case rfBell:
      return 1.5;
    case rfBSpline:
    case rfMitchell:
      return 2.0;
    case rfSineProduct:
      return 3.0;
    default:
      return 0;
  }
}

// signed is the signed distance times the scale; u its magnitude.
double FilterValue(int filter, double signedDistance) {
  const double u = std::fabs(signedDistance);
  switch (filter) {
    case rfBox:
      return (u <= 0.5 && signedDistance != -0.5) ? 1.0 : 0.0;
    case rfTriangle:
      return u < 1 ? 1 - u : 0;
    case rfHermite:
      return u < 1 ? u * u * (2 * u - 3) + 1 : 0;
    case rfBell:
      if (u < 0.5) return 0.75 - u * u;
      return u < 1.5 ? (u - 1.5) * (u - 1.5) * 0.5 : 0;
    case rfBSpline:
      if (u < 1) return u * u * (u / 2 - 1) + 2.0 / 3.0;
      return u < 2 ? (2 - u) * (2 - u) * (2 - u) / 6 : 0;
    case rfSineProduct:
      if (u == 0) return 1;
      return u < 3 ? std::sin(kPi * u) * std::sin(u) / (kPi * u * u) : 0;
    case rfMitchell:
      if (u < 1) return u * u * (7.0 / 6.0 * u - 2) + 8.0 / 9.0;
      return u < 2 ? u * u * (-7.0 / 18.0 * u + 2) - 10.0 / 3.0 * u + 16.0 / 9.0 : 0;
    default:
      return 0;
  }
}

struct TContribution {
  int Index;
  int Weight;
};

// For each of m targets, the source samples (of n) and their 16.16 weights.
std::vector<std::vector<TContribution>> Contributions(int n, int m, int filter) {
  const double r = FilterRadius(filter);
  const double c = m < n ? double(m) / n : 1.0;
  const double support = r / c;
  std::vector<std::vector<TContribution>> result(m);
  for (int i = 0; i < m; ++i) {
    const double x = double(n) * i / m;
    const int j0 = static_cast<int>(std::floor(x - support));
    const int j1 = static_cast<int>(std::ceil(x + support));
    for (int j = j0; j <= j1; ++j) {
      const double u = std::fabs(x - j) * c;
      if (u >= r) continue;
      const long weight = RoundEven(FilterValue(filter, (x - j) * c) * c * 65536);
      if (weight == 0) continue;
      // Mirrored at the edges, then clamped: very small sources mirror past the other edge.
      int index = j < 0 ? -j : (j > n - 1 ? 2 * n - 1 - j : j);
      index = std::clamp(index, 0, n - 1);
      result[i].push_back({index, static_cast<int>(weight)});
    }
  }
  return result;
}

// Sums fit 32 bits: 255 times the summed weight magnitudes, which stay near 65536.
uint8_t ResampleChannel(int32_t sum) {
  if (sum < 0) return 0;
  if (sum >= 0xFF0001) return 255;
  return static_cast<uint8_t>(sum >> 16);
}

}  // namespace

void StretchResample(const win::Bitmap* src, win::Bitmap* dst, int newWidth, int filter,
                     int newHeight) {
  if (!src || !dst || newWidth <= 0 || newHeight <= 0 || FilterRadius(filter) == 0) return;
  if (src->Width() < 2 || src->Height() < 2) throw Exception(u"Source bitmap is too small");
  if (newWidth == src->Width() && newHeight == src->Height()) {
    if (dst != src) *dst = *src;
    return;
  }
  const PixelFormat format =
      src->Format() == PixelFormat::Bgra32 ? PixelFormat::Bgra32 : PixelFormat::Bgr24;
  const Bitmap work = src->ConvertedTo(format);
  const int bpp = win::BytesPerPixel(format);
  const int sw = work.Width(), sh = work.Height();

  Bitmap across(newWidth, sh, format);
  const auto cx = Contributions(sw, newWidth, filter);
  for (int y = 0; y < sh; ++y) {
    const uint8_t* s = work.Row(y);
    uint8_t* d = across.Row(y);
    for (int x = 0; x < newWidth; ++x) {
      int32_t sum[4] = {0, 0, 0, 0};
      for (const TContribution& k : cx[x]) {
        const uint8_t* p = s + k.Index * bpp;
        for (int ch = 0; ch < bpp; ++ch) sum[ch] += k.Weight * p[ch];
      }
      for (int ch = 0; ch < bpp; ++ch) d[x * bpp + ch] = ResampleChannel(sum[ch]);
    }
  }

  Bitmap out(newWidth, newHeight, format);
  const auto cy = Contributions(sh, newHeight, filter);
  std::vector<int32_t> sums(static_cast<size_t>(newWidth) * bpp);
  for (int y = 0; y < newHeight; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    for (const TContribution& k : cy[y]) {
      const uint8_t* s = across.Row(k.Index);
      for (size_t i = 0; i < sums.size(); ++i) sums[i] += k.Weight * s[i];
    }
    uint8_t* d = out.Row(y);
    for (size_t i = 0; i < sums.size(); ++i) d[i] = ResampleChannel(sums[i]);
  }
  *dst = std::move(out);
}
