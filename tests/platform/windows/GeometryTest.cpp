// Default non-client geometry, positions, z-order, showing and placement.

#include "WindowTestSupport.h"
#include "platform/windows/Metrics.h"

namespace wintest {
namespace {

using GeometryTest = WindowTest;

struct CalcCase {
  const char* name;
  DWORD style;
  DWORD exStyle;
  int menuRows;
  SIZE size;
  RECT client;  // window coordinates
};

TEST_F(GeometryTest, CalcSizeSubtractsFrameCaptionMenuEdgeAndScrollBarsInOrder) {
  const CalcCase cases[] = {
      {"popup", WS_POPUP, 0, 0, {200, 150}, {0, 0, 200, 150}},
      {"plain border", WS_POPUP | WS_BORDER, 0, 0, {200, 150}, {3, 3, 197, 147}},
      {"dialog frame", WS_POPUP | WS_DLGFRAME, 0, 0, {200, 150}, {3, 3, 197, 147}},
      {"thick frame", WS_POPUP | WS_THICKFRAME, 0, 0, {200, 150}, {4, 4, 196, 146}},
      {"caption", WS_POPUP | WS_CAPTION, 0, 0, {200, 150}, {3, 26, 197, 147}},
      {"sizeable caption", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, 0, {200, 150}, {4, 27, 196, 146}},
      {"tool window", WS_POPUP | WS_CAPTION | WS_THICKFRAME, WS_EX_TOOLWINDOW, 0, {200, 150},
       {4, 21, 196, 146}},
      {"one menu row", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, 1, {200, 150}, {4, 47, 196, 146}},
      {"two menu rows", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, 2, {200, 150}, {4, 66, 196, 146}},
      {"client edge", WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE, 0, {200, 150}, {5, 5, 195, 145}},
      {"static edge", WS_POPUP, WS_EX_STATICEDGE, 0, {200, 150}, {1, 1, 199, 149}},
      {"both bars", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, 0, {200, 150}, {0, 0, 183, 133}},
      {"edge and bar", WS_POPUP | WS_VSCROLL, WS_EX_CLIENTEDGE, 0, {200, 150}, {2, 2, 181, 148}},
      {"no room for bars", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, 0, {10, 10}, {0, 0, 10, 10}},
      {"room for one bar", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, 0, {30, 12}, {0, 0, 13, 12}},
  };
  for (const CalcCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND h = TopLevel(Bounds(50, 60, c.size.cx, c.size.cy), c.style, c.exStyle);
    ASSERT_TRUE(h);
    SetMenuBarRows(h, c.menuRows);
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                                             SWP_NOACTIVATE);
    RECT r = Bounds(50, 60, c.size.cx, c.size.cy);
    SendMessageW(h, WM_NCCALCSIZE, FALSE, LPARAM(&r));
    RECT expected = c.client;
    OffsetRect(&expected, 50, 60);
    EXPECT_EQ(r, expected);
    // The window's own client rectangle agrees.
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(client.Width(), c.client.Width());
    EXPECT_EQ(client.Height(), c.client.Height());
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    EXPECT_EQ(origin, (POINT{50 + c.client.left, 60 + c.client.top}));
    DestroyWindow(h);
  }
}

TEST_F(GeometryTest, CalcSizeWithParamsUsesTheFirstRectangle) {
  HWND h = TopLevel(Bounds(0, 0, 100, 100), WS_POPUP | WS_BORDER);
  NCCALCSIZE_PARAMS p;
  p.rgrc[0] = Bounds(10, 10, 100, 100);
  p.rgrc[1] = Bounds(0, 0, 1, 1);
  SendMessageW(h, WM_NCCALCSIZE, TRUE, LPARAM(&p));
  EXPECT_EQ(p.rgrc[0], (RECT{13, 13, 107, 107}));
  EXPECT_EQ(p.rgrc[1], (RECT{0, 0, 1, 1}));
}

struct HitCase {
  POINT p;  // window coordinates
  int hit;
};

void ExpectHits(HWND h, std::initializer_list<HitCase> cases) {
  RECT wr;
  GetWindowRect(h, &wr);
  for (const HitCase& c : cases) {
    LRESULT hit = SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(wr.left + c.p.x, wr.top + c.p.y));
    EXPECT_EQ(hit, c.hit) << "at " << c.p.x << "," << c.p.y;
  }
}

TEST_F(GeometryTest, HitTestOfASizeableFrameWithTitleButtons) {
  HWND h = TopLevel(Bounds(100, 100, 200, 150),
                    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                        WS_MAXIMIZEBOX);
  ExpectHits(h, {{{0, 0}, HTTOPLEFT},      {{100, 0}, HTTOP},        {{199, 0}, HTTOPRIGHT},
                 {{0, 75}, HTLEFT},        {{199, 75}, HTRIGHT},     {{0, 149}, HTBOTTOMLEFT},
                 {{100, 149}, HTBOTTOM},   {{199, 149}, HTBOTTOMRIGHT},
                 {{0, 22}, HTTOPLEFT},     {{0, 23}, HTLEFT},        {{22, 149}, HTBOTTOMLEFT},
                 {{23, 149}, HTBOTTOM},    {{3, 3}, HTTOPLEFT},
                 {{10, 10}, HTSYSMENU},    {{27, 10}, HTCAPTION},    {{100, 10}, HTCAPTION},
                 {{140, 10}, HTMINBUTTON}, {{160, 10}, HTMAXBUTTON}, {{172, 10}, HTCAPTION},
                 {{180, 10}, HTCLOSE},     {{180, 5}, HTCAPTION},    {{100, 27}, HTCLIENT},
                 {{200, 10}, HTNOWHERE},   {{-1, 10}, HTNOWHERE}});
}

TEST_F(GeometryTest, HitTestWithoutSysMenuHelpButtonToolWindowBordersAndBars) {
  HWND noMenu = TopLevel(Bounds(0, 0, 200, 150), WS_POPUP | WS_CAPTION | WS_THICKFRAME |
                                                     WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  ExpectHits(noMenu, {{{10, 10}, HTCAPTION}, {{140, 10}, HTCAPTION}, {{180, 10}, HTCAPTION}});
  HWND help = TopLevel(Bounds(0, 0, 200, 150), WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_CONTEXTHELP);
  ExpectHits(help, {{{180, 10}, HTCLOSE}, {{160, 10}, HTHELP}, {{1, 50}, HTBORDER},
                    {{10, 10}, HTSYSMENU}});
  HWND tool = TopLevel(Bounds(0, 0, 200, 150), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                                   WS_MINIMIZEBOX, WS_EX_TOOLWINDOW);
  // Tool windows: a 17-pixel caption, only a close button, no system menu.
  ExpectHits(tool, {{{10, 10}, HTCAPTION}, {{185, 10}, HTCLOSE}, {{160, 10}, HTCAPTION},
                    {{100, 21}, HTCLIENT}});
  HWND bars = TopLevel(Bounds(0, 0, 200, 150), WS_POPUP | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE);
  ExpectHits(bars, {{{190, 50}, HTVSCROLL}, {{50, 140}, HTHSCROLL}, {{190, 140}, HTGROWBOX},
                    {{1, 1}, HTBORDER}, {{50, 50}, HTCLIENT}});
  HWND menu = TopLevel(Bounds(0, 0, 200, 150), WS_POPUP | WS_CAPTION | WS_THICKFRAME);
  SetMenuBarRows(menu, 1);
  SetWindowPos(menu, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  ExpectHits(menu, {{{50, 30}, HTMENU}, {{50, 46}, HTMENU}, {{50, 47}, HTCLIENT}});
}

TEST_F(GeometryTest, WindowPosChangingIsHonouredAndTheDefaultsSendMoveAndSize) {
  HWND h = TopLevel(Bounds(10, 20, 200, 150), WS_POPUP | WS_BORDER);
  Log().clear();
  Answers() = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_WINDOWPOSCHANGING) {
      auto* wp = reinterpret_cast<WINDOWPOS*>(l);
      wp->cx = 300;  // widen whatever was asked
      wp->y = 99;
    }
    return std::nullopt;
  };
  SetWindowPos(h, nullptr, 40, 50, 250, 160, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, Bounds(40, 99, 300, 160));
  EXPECT_EQ(MessagesOf(h, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
                               WM_SIZE}));
  EXPECT_EQ(LastOf(h, WM_SIZE)->lParam, MAKELPARAM(294, 154));
  EXPECT_EQ(LastOf(h, WM_SIZE)->wParam, WPARAM(SIZE_RESTORED));
  EXPECT_EQ(LastOf(h, WM_MOVE)->lParam, MAKELPARAM(43, 102));

  // A move alone recalculates nothing and sends no WM_SIZE; NOSENDCHANGING skips the question.
  Answers() = nullptr;
  Log().clear();
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOSENDCHANGING);
  EXPECT_EQ(MessagesOf(h, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_MOVE, WM_SIZE}),
            (std::vector<UINT>{WM_MOVE}));
  // SWP_FRAMECHANGED recalculates after a style change.
  SetWindowLongPtrW(h, GWL_STYLE, LONG_PTR(WS_POPUP));
  RECT c;
  GetClientRect(h, &c);
  EXPECT_EQ(c.Width(), 294) << "the frame waits for SWP_FRAMECHANGED";
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  GetClientRect(h, &c);
  EXPECT_EQ(c.Width(), 300);
  EXPECT_EQ(LastOf(h, WM_SIZE)->lParam, MAKELPARAM(300, 160));
}

TEST_F(GeometryTest, MinMaxInfoBoundsEverySizeChange) {
  HWND h = TopLevel(Bounds(0, 0, 300, 300));
  Answers() = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_GETMINMAXINFO) {
      auto* mmi = reinterpret_cast<MINMAXINFO*>(l);
      mmi->ptMinTrackSize = POINT{150, 120};
      mmi->ptMaxTrackSize = POINT{400, 350};
      mmi->ptMaxSize = POINT{380, 330};
      mmi->ptMaxPosition = POINT{5, 6};
      return 0;
    }
    return std::nullopt;
  };
  MoveWindow(h, 0, 0, 10, 10, TRUE);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, Bounds(0, 0, 150, 120));
  MoveWindow(h, 0, 0, 1000, 1000, TRUE);
  GetWindowRect(h, &r);
  EXPECT_EQ(r, Bounds(0, 0, 400, 350));
  backend->SetWorkArea(RECT{0, 30, 1280, 760});
  ShowWindow(h, SW_MAXIMIZE);
  GetWindowRect(h, &r);
  EXPECT_EQ(r, Bounds(5, 36, 380, 330)) << "maximised inside the work area as MINMAXINFO says";
  EXPECT_TRUE(IsZoomed(h));
  EXPECT_EQ(LastOf(h, WM_SIZE)->wParam, WPARAM(SIZE_MAXIMIZED));
}

TEST_F(GeometryTest, DefaultMaximizeCoversTheWorkAreaWithTheFrameOutside) {
  backend->SetWorkArea(RECT{0, 0, 1280, 760});
  HWND h = TopLevel(Bounds(100, 100, 300, 200), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  SendMessageW(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, (RECT{-4, -4, 1284, 764}));
  WINDOWPLACEMENT wp;
  GetWindowPlacement(h, &wp);
  EXPECT_EQ(wp.showCmd, UINT(SW_SHOWMAXIMIZED));
  EXPECT_EQ(wp.rcNormalPosition, Bounds(100, 100, 300, 200));
  SendMessageW(h, WM_SYSCOMMAND, SC_RESTORE, 0);
  GetWindowRect(h, &r);
  EXPECT_EQ(r, Bounds(100, 100, 300, 200));
  // SetWindowPlacement restores into the given rectangle and maximises on request.
  wp.rcNormalPosition = Bounds(50, 60, 320, 240);
  wp.showCmd = SW_SHOWNORMAL;
  SetWindowPlacement(h, &wp);
  GetWindowRect(h, &r);
  EXPECT_EQ(r, Bounds(50, 60, 320, 240));
  wp.showCmd = SW_SHOWMAXIMIZED;
  SetWindowPlacement(h, &wp);
  EXPECT_TRUE(IsZoomed(h));
  GetWindowPlacement(h, &wp);
  EXPECT_EQ(wp.rcNormalPosition, Bounds(50, 60, 320, 240));
}

TEST_F(GeometryTest, MinimizeHidesOwnedWindowsAndRestoreBringsThemBack) {
  HWND owner = TopLevel(Bounds(100, 100, 300, 200), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND owned = TopLevel(Bounds(150, 150, 100, 100), WS_POPUP | WS_VISIBLE, 0, owner);
  HWND hiddenOwned = TopLevel(Bounds(150, 150, 100, 100), WS_POPUP, 0, owner);
  Log().clear();
  ShowWindow(owner, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(owner));
  EXPECT_FALSE(IsWindowVisible(owned));
  const Entry* closing = LastOf(owned, WM_SHOWWINDOW);
  ASSERT_NE(closing, nullptr);
  EXPECT_EQ(closing->wParam, WPARAM(FALSE));
  EXPECT_EQ(closing->lParam, LPARAM(SW_PARENTCLOSING));
  EXPECT_EQ(CountOf(hiddenOwned, WM_SHOWWINDOW), 0u);
  EXPECT_EQ(LastOf(owner, WM_SIZE)->wParam, WPARAM(SIZE_MINIMIZED));
  WINDOWPLACEMENT wp;
  GetWindowPlacement(owner, &wp);
  EXPECT_EQ(wp.showCmd, UINT(SW_SHOWMINIMIZED));
  EXPECT_EQ(wp.rcNormalPosition, Bounds(100, 100, 300, 200));
  ShowWindow(owner, SW_RESTORE);
  EXPECT_TRUE(IsWindowVisible(owned));
  EXPECT_FALSE(IsWindowVisible(hiddenOwned));
  EXPECT_EQ(LastOf(owned, WM_SHOWWINDOW)->lParam, LPARAM(SW_PARENTOPENING));
  RECT r;
  GetWindowRect(owner, &r);
  EXPECT_EQ(r, Bounds(100, 100, 300, 200));
  // A window maximised before it was minimised comes back maximised.
  ShowWindow(owner, SW_MAXIMIZE);
  ShowWindow(owner, SW_MINIMIZE);
  ShowWindow(owner, SW_RESTORE);
  EXPECT_TRUE(IsZoomed(owner));
}

TEST_F(GeometryTest, ZOrderBandsOwnersAndChildren) {
  HWND a = TopLevel(Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE);
  HWND b = TopLevel(Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE);
  HWND topmost = TopLevel(Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  HWND ownedByA = TopLevel(Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE, 0, a);
  auto order = [] {
    std::vector<HWND> v;
    EnumWindows([&](HWND h, LPARAM) {
      v.push_back(h);
      return TRUE;
    }, 0);
    return v;
  };
  EXPECT_EQ(order(), (std::vector<HWND>{topmost, ownedByA, b, a}));
  EXPECT_EQ(backend->ZOrder(), order());
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{topmost, ownedByA, a, b})) << "owned windows stay above";
  SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{b, topmost, ownedByA, a}));
  EXPECT_TRUE(GetWindowLongPtrW(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{topmost, b, ownedByA, a}));
  SetWindowPos(ownedByA, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{topmost, b, ownedByA, a})) << "never below its owner";

  HWND parent = TopLevel(Bounds(0, 0, 100, 100), WS_POPUP);
  HWND c1 = Child(parent, Bounds(0, 0, 10, 10));
  HWND c2 = Child(parent, Bounds(0, 0, 10, 10));
  HWND c3 = Child(parent, Bounds(0, 0, 10, 10));
  EXPECT_EQ(GetWindow(parent, GW_CHILD), c1) << "children are added at the bottom";
  EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
  EXPECT_EQ(GetWindow(c3, GW_HWNDPREV), c2);
  EXPECT_EQ(GetWindow(c2, GW_HWNDLAST), c3);
  SetWindowPos(c1, c3, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(c2, GW_HWNDFIRST), c2);
  EXPECT_EQ(GetWindow(c3, GW_HWNDNEXT), c1);
  EXPECT_EQ(GetWindow(ownedByA, GW_OWNER), a);
  EXPECT_EQ(GetParent(ownedByA), a) << "a popup's parent is its owner";
  EXPECT_EQ(GetAncestor(c1, GA_ROOT), parent);
  EXPECT_EQ(GetAncestor(ownedByA, GA_ROOTOWNER), a);
}

TEST_F(GeometryTest, CoordinatesMapBetweenWindows) {
  HWND top = TopLevel(Bounds(100, 100, 300, 200), WS_POPUP | WS_BORDER | WS_VISIBLE);
  HWND child = Child(top, Bounds(10, 20, 50, 50), WS_VISIBLE | WS_BORDER);
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r, Bounds(113, 123, 50, 50));
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p, (POINT{116, 126}));
  POINT pts[2] = {{0, 0}, {5, 5}};
  int packed = MapWindowPoints(child, top, pts, 2);
  EXPECT_EQ(pts[0], (POINT{13, 23}));
  EXPECT_EQ(pts[1], (POINT{18, 28}));
  EXPECT_EQ(LOWORD(packed), 13);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{15, 25}, CWP_ALL), child);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{200, 150}, CWP_ALL), top);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{500, 150}, CWP_ALL), nullptr);
  ShowWindow(child, SW_HIDE);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{15, 25}, CWP_SKIPINVISIBLE), top);
  // Deferred positions apply together.
  HDWP dwp = BeginDeferWindowPos(1);
  dwp = DeferWindowPos(dwp, child, nullptr, 1, 2, 30, 40, SWP_NOZORDER);
  ASSERT_TRUE(EndDeferWindowPos(dwp));
  RECT c;
  GetClientRect(child, &c);
  EXPECT_EQ(c, (RECT{0, 0, 24, 34}));
  // A visible child is visible only as far as its ancestors are.
  ShowWindow(child, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(child));
  ShowWindow(top, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_FALSE(backend->IsShown(top));
}

TEST_F(GeometryTest, MetricsAndSystemParameters) {
  backend->SetScreenSize(SIZE{1024, 768});
  backend->SetWorkArea(RECT{0, 0, 1024, 740});
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CXDLGFRAME), 3);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 23);
  EXPECT_EQ(GetSystemMetrics(SM_CYSMCAPTION), 17);
  EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 20);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  RECT work;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work, (RECT{0, 0, 1024, 740}));
  NONCLIENTMETRICSW ncm;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0));
  EXPECT_EQ(ncm.iScrollWidth, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(ncm.iCaptionHeight + 1, GetSystemMetrics(SM_CYCAPTION));
  ANIMATIONINFO ai;
  ai.iMinAnimate = 0;
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETANIMATION, sizeof ai, &ai, 0));
  ai.iMinAnimate = 7;
  SystemParametersInfoW(SPI_GETANIMATION, sizeof ai, &ai, 0);
  EXPECT_EQ(ai.iMinAnimate, 0);
  ai.iMinAnimate = 1;
  SystemParametersInfoW(SPI_SETANIMATION, sizeof ai, &ai, 0);
  MONITORINFO mi;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{-5000, 0}, MONITOR_DEFAULTTONEAREST), &mi));
  EXPECT_EQ(mi.rcMonitor, (RECT{0, 0, 1024, 768}));
  EXPECT_EQ(mi.rcWork, work);
  EXPECT_EQ(MonitorFromPoint(POINT{-5000, 0}, MONITOR_DEFAULTTONULL), nullptr);
  OSVERSIONINFOW v;
  ASSERT_TRUE(GetVersionExW(&v));
  EXPECT_EQ(v.dwMajorVersion, 6u);
  EXPECT_EQ(v.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_FALSE(IsCompositionEnabled());
}

}  // namespace
}  // namespace wintest
