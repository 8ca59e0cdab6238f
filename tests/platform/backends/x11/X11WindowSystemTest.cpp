// The whole path on a real X server: a window made with CreateWindowExW appears as an X window,
// and a click injected through XTest reaches its window procedure as the messages the window
// system promises.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/backends/x11/X11Backend.h"
#include "platform/graphics/Gdi.h"
#include "platform/windows/Windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace win {
namespace {

struct Seen {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> gSeen;

// Records input and answers a caption strip along the top and a sizing grip in the corner, as
// a window that draws its own frame does.
LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCHITTEST || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_MOUSEMOVE ||
      msg == WM_KEYDOWN || msg == WM_CHAR)
    gSeen.push_back({msg, wParam, lParam});
  if (msg == WM_PAINT) {
    // Blue, with a white square in the top-left corner: where each lands shows the surface
    // is presented unshifted.
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    FillSolidRect(dc, &client, RGB(10, 120, 200));
    const RECT corner = Bounds(0, 0, 10, 10);
    FillSolidRect(dc, &corner, RGB(255, 255, 255));
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_NCHITTEST) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    const int x = GET_X_LPARAM(lParam) - r.left, y = GET_Y_LPARAM(lParam) - r.top;
    if (x >= r.Width() - 10 && y >= r.Height() - 10) return HTBOTTOMRIGHT;
    if (y < 20) return HTCAPTION;
    return HTCLIENT;
  }
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

Display* OpenOutside() {
  Display* outside = nullptr;
  for (int attempt = 0; attempt < 10 && !outside; ++attempt) {
    if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
    outside = XOpenDisplay(nullptr);
  }
  return outside;
}

// Where the server shows a window, in screen coordinates.
RECT ServerBounds(Display* d, x11::XWindow xw) {
  XWindowAttributes attrs{};
  XGetWindowAttributes(d, xw, &attrs);
  ::Window child = 0;
  int x = 0, y = 0;
  XTranslateCoordinates(d, xw, DefaultRootWindow(d), 0, 0, &x, &y, &child);
  return Bounds(x, y, attrs.width, attrs.height);
}

class X11WindowSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    RegisterX11Backend();
    InstallBackend(CreateBackend("x11"));
    FOutside = OpenOutside();
    ASSERT_NE(FOutside, nullptr);
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc;
      wc.lpfnWndProc = ProcToken(RecordingProc);
      wc.lpszClassName = u"QuilletX11Probe";
      ASSERT_NE(RegisterClassExW(&wc), 0);
      registered = true;
    }
    gSeen.clear();
  }
  void TearDown() override {
    InstallBackend(nullptr);
    if (FOutside) XCloseDisplay(FOutside);
  }

  // Makes a visible top-level window and waits until the server shows it.
  HWND ShowProbe(const RECT& bounds) {
    HWND hwnd = CreateWindowExW(0, u"QuilletX11Probe", u"Probe", WS_POPUP | WS_VISIBLE,
                                bounds.left, bounds.top, bounds.Width(), bounds.Height(),
                                nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    const x11::XWindow xw = Backend().XWindowOf(hwnd);
    EXPECT_NE(xw, 0u);
    EXPECT_TRUE(Pump([&] {
      XWindowAttributes attrs{};
      return XGetWindowAttributes(FOutside, xw, &attrs) && attrs.map_state == IsViewable;
    }));
    return hwnd;
  }

  x11::X11Backend& Backend() { return static_cast<x11::X11Backend&>(CurrentBackend()); }

  Display* FOutside = nullptr;
};

// The colour the server shows at a screen point.
COLORREF ScreenColour(Display* d, int x, int y) {
  XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  const unsigned long p = XGetPixel(img, 0, 0);
  XDestroyImage(img);
  return RGB(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
}

TEST_F(X11WindowSystem, WindowAppearsIsDrawnAndAClickReachesItsProcedure) {
  HWND hwnd = ShowProbe(Bounds(120, 90, 200, 150));
  Display* outside = FOutside;
  EXPECT_EQ(ServerBounds(outside, Backend().XWindowOf(hwnd)), Bounds(120, 90, 200, 150));
  ASSERT_TRUE(Pump([&] { return ScreenColour(outside, 200, 150) == RGB(10, 120, 200); }));
  EXPECT_EQ(ScreenColour(outside, 120, 90), RGB(255, 255, 255));
  EXPECT_EQ(ScreenColour(outside, 129, 99), RGB(255, 255, 255));
  EXPECT_EQ(ScreenColour(outside, 130, 100), RGB(10, 120, 200));
  EXPECT_EQ(ScreenColour(outside, 319, 239), RGB(10, 120, 200));

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
}

LRESULT GreenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    FillSolidRect(dc, &client, RGB(20, 180, 60));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The server stacks the windows as the window system does, also when a window is activated
// only once the server has mapped it: a topmost tool window made afterwards stays above it.
TEST_F(X11WindowSystem, ServerStackingFollowsTheWindowSystem) {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ProcToken(GreenProc);
  wc.lpszClassName = u"QuilletX11Green";
  static const ATOM atom = RegisterClassExW(&wc);
  ASSERT_NE(atom, 0);
  HWND below = CreateWindowExW(0, u"QuilletX11Probe", u"Below", WS_POPUP | WS_VISIBLE, 400, 100,
                               200, 150, nullptr, nullptr, nullptr, nullptr);
  HWND over = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, u"QuilletX11Green",
                              u"Over", WS_POPUP | WS_VISIBLE, 450, 150, 100, 60, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_TRUE(below && over);
  EXPECT_TRUE(Pump([&] {
    return ScreenColour(FOutside, 500, 180) == RGB(20, 180, 60) &&
           ScreenColour(FOutside, 420, 120) == RGB(10, 120, 200);
  }));
  // Bringing the lower one to the top of its band does not lift it over the topmost one.
  SetWindowPos(below, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  Pump([&] { return std::chrono::steady_clock::now() > until; });
  EXPECT_EQ(ScreenColour(FOutside, 500, 180), RGB(20, 180, 60));
  DestroyWindow(over);
  DestroyWindow(below);
}

// The window system's own move and size loops (started from a caption strip and a grip that the
// window's procedure reports) move and size the X window, with no desktop window manager running.
TEST_F(X11WindowSystem, MoveAndSizeLoopsFollowTheMouse) {
  HWND hwnd = ShowProbe(Bounds(300, 300, 200, 150));
  const x11::XWindow xw = Backend().XWindowOf(hwnd);

  // A person's drag, spread over time so that each step arrives on its own, as from a hand.
  const auto drag = [&](POINT from, POINT to) {
    std::atomic<bool> done{false};
    std::thread person([&] {
      Display* d = OpenOutside();
      if (d) {
        XTestFakeMotionEvent(d, -1, from.x, from.y, CurrentTime);
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XSync(d, False);
        for (int step = 1; step <= 5; ++step) {
          std::this_thread::sleep_for(std::chrono::milliseconds(40));
          XTestFakeMotionEvent(d, -1, from.x + (to.x - from.x) * step / 5,
                               from.y + (to.y - from.y) * step / 5, CurrentTime);
          XSync(d, False);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XSync(d, False);
        XCloseDisplay(d);
      }
      done = true;
    });
    Pump([&] { return done.load(); });
    person.join();
    const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    Pump([&] { return std::chrono::steady_clock::now() > settle; });
  };

  drag({310, 305}, {350, 330});  // the caption strip
  RECT r{};
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, Bounds(340, 325, 200, 150));
  XSync(FOutside, False);
  EXPECT_EQ(ServerBounds(FOutside, xw), Bounds(340, 325, 200, 150));

  drag({535, 470}, {565, 490});  // the grip in the bottom-right corner
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, Bounds(340, 325, 230, 170));
  XSync(FOutside, False);
  EXPECT_EQ(ServerBounds(FOutside, xw), Bounds(340, 325, 230, 170));
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace win
