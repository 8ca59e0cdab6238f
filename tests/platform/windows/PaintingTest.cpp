// Painting through the retained surfaces: update regions, WM_PAINT, erasing, WM_SETREDRAW,
// WM_PRINT, window regions and layered windows.

#include "WindowTestSupport.h"
#include "platform/graphics/Gdi.h"

namespace wintest {
namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kGreen = 0x00FF00;

class PaintingTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // Each window paints its client area in its own colour.
    Answers() = [this](HWND h, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
      if (m == WM_PAINT && colors.count(h)) {
        PAINTSTRUCT ps;
        HDC dc = w ? reinterpret_cast<HDC>(w) : BeginPaint(h, &ps);
        RECT c;
        GetClientRect(h, &c);
        FillSolidRect(dc, &c, colors[h]);
        if (!w) EndPaint(h, &ps);
        return 0;
      }
      if (m == WM_PRINTCLIENT && colors.count(h)) {
        RECT c;
        GetClientRect(h, &c);
        FillSolidRect(reinterpret_cast<HDC>(w), &c, colors[h]);
        return 0;
      }
      return std::nullopt;
    };
  }
  // A pixel of the top-level surface, in the top-level window's coordinates.
  COLORREF SurfacePixel(HWND h, int x, int y) {
    Bgra p = GetWindowSurface(h)->Pixel32(x, y);
    return RGB(p.r, p.g, p.b);
  }
  std::map<HWND, COLORREF> colors;
};

TEST_F(PaintingTest, PaintedPixelsLandInTheSurfaceAndOnTheScreen) {
  HWND top = TopLevel(Bounds(10, 20, 200, 100), WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, Bounds(50, 30, 40, 20), WS_VISIBLE);
  colors[top] = kRed;
  colors[child] = kBlue;
  InvalidateRect(top, nullptr, TRUE);
  Pump();
  EXPECT_EQ(SurfacePixel(top, 5, 5), kRed);
  EXPECT_EQ(SurfacePixel(top, 55, 35), kBlue);
  Bgra screen = backend->ScreenPixel(10 + 55, 20 + 35);
  EXPECT_EQ(RGB(screen.r, screen.g, screen.b), kBlue);
  EXPECT_GT(backend->DamageCount(), 0u);
  // Painting validates: nothing is left to paint.
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  RECT r;
  EXPECT_FALSE(GetUpdateRect(top, &r, FALSE));
}

TEST_F(PaintingTest, BeginPaintValidatesErasesOnceAndClipsToTheUpdate) {
  HWND top = TopLevel(Bounds(0, 0, 200, 100), WS_POPUP | WS_VISIBLE);
  Pump();
  Log().clear();
  RECT part{10, 10, 30, 20};
  InvalidateRect(top, &part, TRUE);
  RECT u;
  ASSERT_TRUE(GetUpdateRect(top, &u, FALSE));
  EXPECT_EQ(u, part);
  RECT box{};
  Answers() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      GetClipBox(dc, &box);
      EXPECT_EQ(ps.rcPaint, part);
      EXPECT_TRUE(ps.fErase) << "nobody erased";
      RECT all{0, 0, 200, 100};
      FillSolidRect(dc, &all, kGreen);
      EndPaint(h, &ps);
      return 0;
    }
    return std::nullopt;
  };
  Pump();
  EXPECT_EQ(box, part);
  EXPECT_EQ(CountOf(top, WM_ERASEBKGND), 1u);
  EXPECT_EQ(SurfacePixel(top, 15, 15), kGreen);
  EXPECT_NE(SurfacePixel(top, 50, 50), kGreen) << "outside the update region nothing changed";
  // A procedure that ignores WM_PAINT still ends up validated by the default.
  Answers() = nullptr;
  InvalidateRect(top, nullptr, FALSE);
  Pump();
  EXPECT_FALSE(GetUpdateRect(top, &u, FALSE));
}

TEST_F(PaintingTest, ClassBackgroundErasesWithASystemColour) {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ProcToken(&RecordingProc);
  wc.lpszClassName = u"QFaceClass";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_BTNFACE + 1));
  WNDCLASSEXW existing;
  if (!GetClassInfoExW(nullptr, wc.lpszClassName, &existing)) {
    ASSERT_TRUE(RegisterClassExW(&wc));
  }
  HWND h = CreateWindowExW(0, u"QFaceClass", u"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                           nullptr, nullptr, nullptr);
  Pump();
  EXPECT_EQ(SurfacePixel(h, 10, 10), GetSysColor(COLOR_BTNFACE));
}

TEST_F(PaintingTest, SetRedrawFalseStopsPaintingOfTheWindowAndItsChildren) {
  HWND top = TopLevel(Bounds(0, 0, 200, 100), WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, Bounds(10, 10, 50, 50), WS_VISIBLE);
  colors[top] = kRed;
  colors[child] = kBlue;
  Pump();
  SendMessageW(top, WM_SETREDRAW, FALSE, 0);
  colors[top] = kGreen;
  colors[child] = kGreen;
  InvalidateRect(top, nullptr, TRUE);
  InvalidateRect(child, nullptr, TRUE);
  RECT u;
  EXPECT_FALSE(GetUpdateRect(top, &u, FALSE)) << "invalidations are dropped";
  EXPECT_FALSE(GetUpdateRect(child, &u, FALSE));
  HDC dc = GetDC(child);
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
  RECT all{0, 0, 50, 50};
  FillSolidRect(dc, &all, kGreen);
  ReleaseDC(child, dc);
  Pump();
  EXPECT_EQ(SurfacePixel(top, 15, 15), kBlue);
  EXPECT_EQ(SurfacePixel(top, 100, 80), kRed);
  // TRUE enables painting again without painting anything by itself.
  Log().clear();
  SendMessageW(top, WM_SETREDRAW, TRUE, 0);
  Pump();
  EXPECT_EQ(CountOf(top, WM_PAINT), 0u);
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(SurfacePixel(top, 15, 15), kGreen);
  EXPECT_EQ(SurfacePixel(top, 100, 80), kGreen);
}

TEST_F(PaintingTest, ClearedVisibleBitKeepsTheScreenAndStopsPainting) {
  HWND top = TopLevel(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE);
  colors[top] = kRed;
  Pump();
  LONG_PTR style = GetWindowLongPtrW(top, GWL_STYLE);
  SetWindowLongPtrW(top, GWL_STYLE, style & ~LONG_PTR(WS_VISIBLE));
  EXPECT_TRUE(backend->IsShown(top)) << "the screen is left as it is";
  colors[top] = kBlue;
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(SurfacePixel(top, 5, 5), kRed);
  SetWindowLongPtrW(top, GWL_STYLE, style);
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(SurfacePixel(top, 5, 5), kBlue);

  // No default frame painting either: the caption keeps its active colour when the window is
  // deactivated while its bit is clear.
  HWND framed = TopLevel(Bounds(200, 0, 200, 100), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  Pump();
  ASSERT_EQ(SurfacePixel(framed, 50, 10), GetSysColor(COLOR_ACTIVECAPTION));
  SetWindowLongPtrW(framed, GWL_STYLE, GetWindowLongPtrW(framed, GWL_STYLE) & ~LONG_PTR(WS_VISIBLE));
  SetActiveWindow(top);
  SendMessageW(framed, WM_NCPAINT, 1, 0);
  EXPECT_EQ(SurfacePixel(framed, 50, 10), GetSysColor(COLOR_ACTIVECAPTION));
}

TEST_F(PaintingTest, FramesArePaintedOnlyThroughWmNcPaintAndNcActivate) {
  HWND top = TopLevel(Bounds(0, 0, 200, 100), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  Pump();
  EXPECT_EQ(SurfacePixel(top, 124, 6), GetSysColor(COLOR_ACTIVECAPTION));
  Log().clear();
  SetWindowTextW(top, u"changed");
  // The text change asked for WM_NCPAINT through the procedure chain.
  EXPECT_EQ(CountOf(top, WM_NCPAINT), 1u);
  // A subclass that answers WM_NCPAINT itself keeps the default frame from being painted.
  Answers() = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_NCPAINT) {
      HDC dc = GetWindowDC(top);
      RECT cap{0, 0, 200, 30};
      FillSolidRect(dc, &cap, kGreen);
      ReleaseDC(top, dc);
      return 0;
    }
    return std::nullopt;
  };
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_EQ(SurfacePixel(top, 124, 6), kGreen);
  Answers() = nullptr;
  // The caption text: pixels other than the caption colour between the system menu and the
  // buttons, none without text.
  auto inked = [&] {
    int n = 0;
    for (int y = 6; y < 24; ++y)
      for (int x = 30; x < 120; ++x)
        if (SurfacePixel(top, x, y) != GetSysColor(COLOR_ACTIVECAPTION)) ++n;
    return n;
  };
  SetWindowTextW(top, u"");
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_EQ(inked(), 0);
  SetWindowTextW(top, u"Quillet");
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_GT(inked(), 20);
  HWND other = TopLevel(Bounds(300, 0, 100, 100), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  Pump();
  EXPECT_EQ(SurfacePixel(top, 124, 6), GetSysColor(COLOR_INACTIVECAPTION))
      << "the default WM_NCACTIVATE repaints the caption";
  (void)other;
}

TEST_F(PaintingTest, PrintPaintsFrameClientAndChildrenAtTheirOffsets) {
  HWND top = TopLevel(Bounds(500, 500, 120, 80), WS_POPUP | WS_BORDER);  // hidden on purpose
  HWND child = Child(top, Bounds(20, 10, 30, 20), WS_VISIBLE);
  HWND hiddenChild = Child(top, Bounds(60, 10, 30, 20), 0);
  colors[top] = kRed;
  colors[child] = kBlue;
  colors[hiddenChild] = kGreen;
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmapHandle(Bitmap(120, 80));
  SelectObject(mem, bmp);
  EXPECT_EQ(SendMessageW(top, WM_PRINT, WPARAM(reinterpret_cast<uintptr_t>(mem)),
                         PRF_CHECKVISIBLE | PRF_CLIENT | PRF_CHILDREN),
            0);
  EXPECT_EQ(GetPixel(mem, 10, 10), 0u) << "PRF_CHECKVISIBLE skips a hidden window";
  Log().clear();
  SendMessageW(top, WM_PRINT, WPARAM(reinterpret_cast<uintptr_t>(mem)),
               PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN);
  EXPECT_EQ(MessagesOf(top, {WM_ERASEBKGND, WM_PRINTCLIENT}),
            (std::vector<UINT>{WM_ERASEBKGND, WM_PRINTCLIENT}));
  EXPECT_EQ(GetPixel(mem, 10, 40), kRed);
  EXPECT_EQ(GetPixel(mem, 3 + 20 + 5, 3 + 10 + 5), kBlue);
  EXPECT_EQ(GetPixel(mem, 3 + 60 + 5, 3 + 10 + 5), kRed) << "hidden children are left out";
  // The frame: painted in edge colours where the bitmap was black.
  EXPECT_NE(GetPixel(mem, 1, 40), 0u);
  EXPECT_NE(GetPixel(mem, 1, 40), kRed);
  // Owned windows print at their offset from the owner.
  HWND owned = TopLevel(Bounds(600, 540, 10, 10), WS_POPUP | WS_VISIBLE, 0, top);
  colors[owned] = kGreen;
  SendMessageW(top, WM_PRINT, WPARAM(reinterpret_cast<uintptr_t>(mem)), PRF_CLIENT | PRF_OWNED);
  EXPECT_EQ(GetPixel(mem, 105, 45), kGreen);
  EXPECT_EQ(GetPixel(mem, 95, 45), kRed);
  DeleteDC(mem);
  DeleteObject(bmp);
}

TEST_F(PaintingTest, WindowRegionClipsPaintingAndInput) {
  HWND top = TopLevel(Bounds(100, 100, 100, 100), WS_POPUP | WS_VISIBLE);
  colors[top] = kRed;
  Pump();
  HRGN rgn = CreateRectRgn(0, 0, 50, 100);
  ASSERT_EQ(SetWindowRgn(top, rgn, TRUE), 1);
  colors[top] = kBlue;
  Pump();
  EXPECT_EQ(SurfacePixel(top, 10, 10), kBlue);
  EXPECT_EQ(SurfacePixel(top, 80, 10), kRed) << "outside the region nothing is painted";
  Bgra outside = backend->ScreenPixel(180, 110);
  EXPECT_EQ(RGB(outside.r, outside.g, outside.b), GetSysColor(COLOR_BACKGROUND));
  EXPECT_EQ(WindowFromPoint(POINT{110, 110}), top);
  EXPECT_EQ(WindowFromPoint(POINT{180, 110}), nullptr);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(top, copy), SIMPLEREGION);
  RECT box;
  GetRgnBox(copy, &box);
  EXPECT_EQ(box, (RECT{0, 0, 50, 100}));
  SetWindowRgn(top, nullptr, TRUE);
  EXPECT_EQ(GetWindowRgn(top, copy), ERROR);
  EXPECT_EQ(WindowFromPoint(POINT{180, 110}), top);
  DeleteObject(copy);
}

TEST_F(PaintingTest, LayeredWindowsPassClicksThroughAlphaZero) {
  HWND below = TopLevel(Bounds(0, 0, 300, 300), WS_POPUP | WS_VISIBLE);
  HWND layered = TopLevel(Bounds(0, 0, 10, 10), WS_POPUP | WS_VISIBLE, WS_EX_LAYERED | WS_EX_TOPMOST);
  Pump();
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmapHandle(Bitmap(100, 100));
  SelectObject(mem, bmp);
  // Left half opaque premultiplied red, right half fully transparent.
  RECT left{0, 0, 50, 100};
  FillSolidRect(mem, &left, kRed);
  POINT dst{50, 50}, src{0, 0};
  SIZE size{100, 100};
  BLENDFUNCTION blend;
  blend.AlphaFormat = AC_SRC_ALPHA;
  ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, &dst, &size, mem, &src, 0, &blend, ULW_ALPHA));
  RECT r;
  GetWindowRect(layered, &r);
  EXPECT_EQ(r, Bounds(50, 50, 100, 100));
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), layered);
  EXPECT_EQ(WindowFromPoint(POINT{120, 60}), below);
  Log().clear();
  backend->Click(POINT{120, 60});
  Pump();
  EXPECT_EQ(CountOf(below, WM_LBUTTONDOWN), 1u);
  EXPECT_EQ(CountOf(layered, WM_LBUTTONDOWN), 0u);
  Bgra onScreen = backend->ScreenPixel(60, 60);
  EXPECT_EQ(RGB(onScreen.r, onScreen.g, onScreen.b), kRed);
  // The surface reads the same picture back through the window's DC.
  HDC wdc = GetWindowDC(layered);
  EXPECT_EQ(GetPixel(wdc, 10, 10), kRed);
  ReleaseDC(layered, wdc);
  // Constant alpha only.
  ASSERT_TRUE(SetLayeredWindowAttributes(layered, 0, 128, LWA_ALPHA));
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(layered, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, DWORD(LWA_ALPHA));
  EXPECT_EQ(WindowFromPoint(POINT{120, 60}), layered);
  EXPECT_FALSE(UpdateLayeredWindow(below, nullptr, &dst, &size, mem, &src, 0, &blend, ULW_ALPHA))
      << "only layered windows";
  EXPECT_TRUE(LayeredWindowsAvailable());
  DeleteDC(mem);
  DeleteObject(bmp);
}

TEST_F(PaintingTest, SurfaceStaysReadableWhileHidden) {
  HWND top = TopLevel(Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE);
  colors[top] = kRed;
  Pump();
  ShowWindow(top, SW_HIDE);
  HDC dc = GetDC(top);
  EXPECT_EQ(GetPixel(dc, 5, 5), kRed);
  ReleaseDC(top, dc);
  EXPECT_EQ(WindowFromDC(dc), nullptr) << "released";
  HDC screen = GetDC(nullptr);
  EXPECT_NE(screen, nullptr);
  EXPECT_EQ(WindowFromDC(screen), nullptr);
  ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace wintest
