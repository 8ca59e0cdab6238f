// Pixel-layer benchmarks. Operations with SIMD paths run once per instruction set the processor
// offers (simd:0 plain loops, 1 SSE2, 2 AVX2).

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "skin/render/sAlphaGraph.h"
#include "skin/render/sGraphUtils.h"

namespace {

using win::Bitmap;
using win::PixelFormat;

Bitmap RandomBitmap(int w, int h, uint32_t seed, PixelFormat f = PixelFormat::Bgra32) {
  Bitmap b(w, h, f);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < w * win::BytesPerPixel(f); ++i) b.Row(y)[i] = uint8_t(rng());
  return b;
}

// Sets the instruction set named by the benchmark's argument; false when the processor lacks it.
bool UseSimd(benchmark::State& state) {
  const auto level = static_cast<TacSimdLevel>(state.range(0));
  if (level > BestSimdLevel()) {
    state.SkipWithError("instruction set not available");
    return false;
  }
  SetSimdLevel(level);
  return true;
}

void SimdArgs(benchmark::internal::Benchmark* b) {
  b->ArgName("simd")->Arg(0)->Arg(1)->Arg(2);
}

constexpr int kFullW = 1920, kFullH = 1080;

void BM_BlendBitmapsRect(benchmark::State& state) {
  if (!UseSimd(state)) return;
  const Bitmap src = RandomBitmap(kFullW, kFullH, 1);
  Bitmap dst = RandomBitmap(kFullW, kFullH, 2);
  // Transparency 50 %: the parent's weight is 50 * 255 div 100.
  const uint8_t alpha = 50 * 255 / 100;
  for (auto _ : state) {
    BlendBitmapsWhole(&dst, &src, alpha);
    benchmark::DoNotOptimize(dst.Bits());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(dst.SizeInBytes()) * 3);
}
BENCHMARK(BM_BlendBitmapsRect)->Apply(SimdArgs)->Unit(benchmark::kMillisecond);

// The memory traffic of BlendBitmapsRect (two pictures read, one written) as one memcpy that
// reads and writes as many bytes: the floor for any blend of these pictures. The same byte count
// appears in both benchmarks' bytes_per_second, so their times compare directly.
void BM_Memcpy(benchmark::State& state) {
  const size_t picture = Bitmap::StrideFor(kFullW, PixelFormat::Bgra32) * size_t(kFullH);
  const size_t bytes = picture * 3 / 2;
  std::vector<uint8_t> src(bytes, 0x5A), dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(bytes) * 2);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void BM_DrawAlpha32(benchmark::State& state) {
  if (!UseSimd(state)) return;
  const Bitmap src = RandomBitmap(512, 512, 3);
  const Bitmap start = RandomBitmap(512, 512, 4);
  Bitmap dst = start;
  for (auto _ : state) {
    DrawAlpha32({0, 0, 512, 512}, {0, 0, 512, 512}, &dst, false, TCacheInfo{}, &src);
    benchmark::DoNotOptimize(dst.Bits());
  }
  state.SetItemsProcessed(state.iterations() * 512 * 512);
}
BENCHMARK(BM_DrawAlpha32)->Apply(SimdArgs)->Unit(benchmark::kMicrosecond);

void BM_BlurMask8(benchmark::State& state) {
  if (!UseSimd(state)) return;
  // A caption mask: white with dark strokes.
  Bitmap caption(300, 40, PixelFormat::Gray8);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 300; ++x)
      caption.Row(y)[x] = (y > 12 && y < 28 && (x / 3) % 4 != 0 && x > 20 && x < 280) ? 0 : 255;
  Bitmap mask = caption;
  for (auto _ : state) {
    state.PauseTiming();
    mask = caption;
    state.ResumeTiming();
    BlurMask8(&mask, 5);
    benchmark::DoNotOptimize(mask.Bits());
  }
}
BENCHMARK(BM_BlurMask8)->Apply(SimdArgs)->Unit(benchmark::kMicrosecond);

void BM_ShiftBitmapHue(benchmark::State& state) {
  // Skin-like: vertical gradient bands in a few hues with framed tiles and key-coloured corners.
  Bitmap skin(1024, 1024);
  for (int y = 0; y < 1024; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(skin.Row(y));
    const int band = y / 128, t = y % 128;
    const uint32_t base = 0xFF000000 | uint32_t(60 + band * 20) << 16 | uint32_t(90 + t) << 8 |
                          uint32_t(200 - band * 10);
    for (int x = 0; x < 1024; ++x) {
      if (x % 64 < 2)
        row[x] = 0xFF303A80;
      else if (x % 64 < 6 && t < 4)
        row[x] = kKeyPixel;
      else
        row[x] = base;
    }
  }
  for (auto _ : state) {
    ShiftBitmapHue(&skin, 30);
    benchmark::DoNotOptimize(skin.Bits());
  }
  state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_ShiftBitmapHue)->Unit(benchmark::kMillisecond);

void BM_StretchResample(benchmark::State& state) {
  const Bitmap src = RandomBitmap(800, 600, 5);
  Bitmap dst;
  for (auto _ : state) {
    StretchResample(&src, &dst, 400, rfMitchell, 300);
    benchmark::DoNotOptimize(dst.Bits());
  }
}
BENCHMARK(BM_StretchResample)->Unit(benchmark::kMillisecond);

void BM_PaintGradient(benchmark::State& state) {
  Bitmap dst(kFullW, kFullH);
  const TsGradArray gradient = ParseGradientData(
      u"16250869;15592939;40;0;0;15592939;14540253;35;0;0;14540253;16777215;25;0;0");
  for (auto _ : state) {
    PaintGradient(&dst, {0, 0, kFullW, kFullH}, gradient);
    benchmark::DoNotOptimize(dst.Bits());
  }
}
BENCHMARK(BM_PaintGradient)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
