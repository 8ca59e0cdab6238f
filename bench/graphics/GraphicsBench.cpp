#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/graphics/Gdi.h"

namespace win {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Surface {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, kWidth, kHeight);
  HGDIOBJ old = SelectObject(dc, bitmap);
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

void BM_BitBlt32(benchmark::State& state) {
  Surface src, dst;
  for (auto _ : state) {
    BitBlt(dst.dc, 0, 0, kWidth, kHeight, src.dc, 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_BitBlt32);

void BM_FillRect32(benchmark::State& state) {
  Surface dst;
  HBRUSH brush = CreateSolidBrush(RGB(12, 34, 56));
  const RECT r{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    FillRect(dst.dc, &r, brush);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
  DeleteObject(brush);
}
BENCHMARK(BM_FillRect32);

// The yardstick: one memcpy of the same number of bytes.
void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = size_t(kWidth) * kHeight * 4;
  std::vector<uint8_t> src(bytes, 1), dst(bytes, 0);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_Memcpy);

}  // namespace
}  // namespace win

BENCHMARK_MAIN();
