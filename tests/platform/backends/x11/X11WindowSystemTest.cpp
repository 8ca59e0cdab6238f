// The whole path on a real X server: a window made with CreateWindowExW appears as an X window,
// and a click injected through XTest reaches its window procedure as the messages the window
// system promises.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/backends/x11/X11Backend.h"
#include "platform/windows/Windows.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace win {
namespace {

struct Seen {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> gSeen;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCHITTEST || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_MOUSEMOVE ||
      msg == WM_KEYDOWN || msg == WM_CHAR)
    gSeen.push_back({msg, wParam, lParam});
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool Pump(const std::function<bool()>& done) {
  Backend& backend = CurrentBackend();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (std::chrono::steady_clock::now() < deadline) {
    backend.WaitForEvents(20);
    ProcessPendingMessages();
    if (done()) return true;
  }
  return false;
}

const Seen* Find(UINT msg) {
  for (const Seen& s : gSeen)
    if (s.msg == msg) return &s;
  return nullptr;
}

TEST(X11WindowSystem, WindowAppearsAndAClickReachesItsProcedure) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  RegisterX11Backend();
  InstallBackend(CreateBackend("x11"));
  auto& backend = static_cast<x11::X11Backend&>(CurrentBackend());
  Display* outside = nullptr;
  for (int attempt = 0; attempt < 10 && !outside; ++attempt) {
    if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
    outside = XOpenDisplay(nullptr);
  }
  ASSERT_NE(outside, nullptr);

  WNDCLASSEXW wc;
  wc.lpfnWndProc = ProcToken(RecordingProc);
  wc.lpszClassName = u"QuilletX11Probe";
  ASSERT_NE(RegisterClassExW(&wc), 0);
  HWND hwnd = CreateWindowExW(0, u"QuilletX11Probe", u"Probe", WS_POPUP | WS_VISIBLE, 120, 90,
                              200, 150, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);

  const x11::XWindow xw = backend.XWindowOf(hwnd);
  ASSERT_NE(xw, 0u);
  ASSERT_TRUE(Pump([&] {
    XWindowAttributes attrs{};
    return XGetWindowAttributes(outside, xw, &attrs) && attrs.map_state == IsViewable;
  }));
  XWindowAttributes attrs{};
  XGetWindowAttributes(outside, xw, &attrs);
  ::Window child = 0;
  int rootX = 0, rootY = 0;
  XTranslateCoordinates(outside, xw, DefaultRootWindow(outside), 0, 0, &rootX, &rootY, &child);
  EXPECT_EQ(rootX, 120);
  EXPECT_EQ(rootY, 90);
  EXPECT_EQ(attrs.width, 200);
  EXPECT_EQ(attrs.height, 150);

  gSeen.clear();
  XTestFakeMotionEvent(outside, -1, 150, 130, CurrentTime);
  XTestFakeButtonEvent(outside, 1, True, CurrentTime);
  XTestFakeButtonEvent(outside, 1, False, CurrentTime);
  XSync(outside, False);
  ASSERT_TRUE(Pump([] { return Find(WM_LBUTTONUP) != nullptr; }));

  const Seen* hit = Find(WM_NCHITTEST);
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(GET_X_LPARAM(hit->lParam), 150);  // screen coordinates
  EXPECT_EQ(GET_Y_LPARAM(hit->lParam), 130);
  const Seen* down = Find(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(GET_X_LPARAM(down->lParam), 30);  // client coordinates
  EXPECT_EQ(GET_Y_LPARAM(down->lParam), 40);
  EXPECT_TRUE(down->wParam & MK_LBUTTON);

  DestroyWindow(hwnd);
  InstallBackend(nullptr);
  XCloseDisplay(outside);
}

}  // namespace
}  // namespace win
