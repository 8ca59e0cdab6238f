// Window-system benchmarks on the headless backend.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/backends/headless/HeadlessBackend.h"
#include "platform/graphics/Gdi.h"
#include "platform/windows/Windows.h"

namespace win {
namespace {

LRESULT PaintingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT && !w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    FillSolidRect(dc, &ps.rcPaint, RGB(10, 20, 30));
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

const char16_t* BenchClass() {
  static bool registered = [] {
    WNDCLASSEXW wc;
    wc.lpfnWndProc = ProcToken(&PaintingProc);
    wc.lpszClassName = u"QBench";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_BTNFACE + 1));
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  return u"QBench";
}

struct Fixture {
  Fixture() {
    InstallHeadlessBackend();
    BenchClass();
  }
  ~Fixture() { InstallBackend(nullptr); }
};

void BM_SendMessage(benchmark::State& state) {
  Fixture f;
  HWND h = CreateWindowExW(0, BenchClass(), u"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                           nullptr, nullptr);
  // A three-deep subclass chain in front of the class procedure.
  WNDPROC previous[3] = {};
  std::vector<std::unique_ptr<ScopedWndProc>> procs;
  for (WNDPROC& prev : previous) {
    procs.push_back(std::make_unique<ScopedWndProc>([&prev](HWND w, UINT m, WPARAM wp, LPARAM lp) {
      return CallWindowProcW(prev, w, m, wp, lp);
    }));
    prev = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        h, GWLP_WNDPROC, LONG_PTR(reinterpret_cast<uintptr_t>(procs.back()->Get()))));
  }
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageW(h, WM_USER + 1, 1, 2));
  DestroyWindow(h);
}
BENCHMARK(BM_SendMessage);

void BM_PostAndDispatch(benchmark::State& state) {
  Fixture f;
  HWND h = CreateWindowExW(0, BenchClass(), u"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                           nullptr, nullptr);
  MSG msg;
  for (auto _ : state) {
    PostMessageW(h, WM_USER + 2, 3, 4);
    PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    DispatchMessageW(&msg);
  }
  DestroyWindow(h);
}
BENCHMARK(BM_PostAndDispatch);

void BM_RepaintTree(benchmark::State& state) {
  Fixture f;
  HWND top = CreateWindowExW(0, BenchClass(), u"Bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             760, 520, nullptr, nullptr, nullptr, nullptr);
  for (int i = 0; i < 40; ++i)
    CreateWindowExW(0, BenchClass(), u"", WS_CHILD | WS_VISIBLE, 10 + (i % 8) * 90, 10 + (i / 8) * 90,
                    80, 80, top, reinterpret_cast<HMENU>(uintptr_t(i + 1)), nullptr, nullptr);
  ProcessPendingMessages();
  for (auto _ : state) {
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                                            RDW_UPDATENOW);
  }
  DestroyWindow(top);
}
BENCHMARK(BM_RepaintTree)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace win

BENCHMARK_MAIN();
