#include <benchmark/benchmark.h>

#include "platform/graphics/ImageCodecs.h"
#include "platform/graphics/Text.h"

using namespace win;

namespace {

// One 40-character caption line, as a label or a menu item draws it.
void BM_DrawText(benchmark::State& state) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(400, 24, 1, 32, nullptr);
  SelectObject(dc, bitmap);
  const LOGFONTW lf = MakeLogFont(u"Tahoma", -11);
  HFONT font = CreateFontIndirectW(&lf);
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  static constexpr char16_t kLine[] = u"The quick brown fox jumps over a lazy do";
  static_assert(sizeof kLine / sizeof kLine[0] - 1 == 40);
  for (auto _ : state) {
    RECT r{0, 0, 400, 24};
    benchmark::DoNotOptimize(DrawTextW(dc, kLine, 40, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT));
  }
  DeleteDC(dc);
  DeleteObject(bitmap);
  DeleteObject(font);
}
BENCHMARK(BM_DrawText);

// A 512x512 RGBA picture with smooth areas and noise, so the compressed size is realistic.
void BM_DecodePng(benchmark::State& state) {
  Bitmap picture(512, 512, PixelFormat::Bgra32);
  uint32_t seed = 12345;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      seed = seed * 1103515245 + 12345;
      const uint8_t noise = uint8_t((seed >> 16) & 0x0F);
      picture.Pixel32(x, y) = Bgra{uint8_t(x / 2 + noise), uint8_t(y / 2), uint8_t((x ^ y) & 0xFF),
                                   uint8_t(255 - (x + y) / 4)};
    }
  const std::vector<uint8_t> file = EncodePng(picture);
  for (auto _ : state) {
    Bitmap decoded = DecodePng(file.data(), file.size());
    benchmark::DoNotOptimize(decoded.Bits());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 512 * 512 * 4);
  state.counters["file_bytes"] = double(file.size());
}
BENCHMARK(BM_DecodePng);

}  // namespace

BENCHMARK_MAIN();
