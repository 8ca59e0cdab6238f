// Mouse routing, hit tests, cursors, double clicks, capture, tracking, activation and keys.

#include "WindowTestSupport.h"
#include "platform/windows/Metrics.h"

namespace wintest {
namespace {

constexpr DWORD kFramed = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE;

class InputTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    top = TopLevel(Bounds(100, 100, 400, 300), kFramed);
    child = Child(top, Bounds(10, 10, 100, 50), WS_VISIBLE, 1);
    Pump();
    Log().clear();
  }
  POINT ClientPoint(HWND h, int x, int y) {
    POINT p{x, y};
    ClientToScreen(h, &p);
    return p;
  }
  HWND top = nullptr;
  HWND child = nullptr;
};

TEST_F(InputTest, EachMouseEventHitTestsOnceThenSetsCursorThenDelivers) {
  POINT p = ClientPoint(child, 5, 6);
  backend->MoveTo(p);
  Pump();
  EXPECT_EQ(MessagesOf(child, {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE}),
            (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE}));
  const Entry* hit = LastOf(child, WM_NCHITTEST);
  EXPECT_EQ(GET_X_LPARAM(hit->lParam), p.x);
  EXPECT_EQ(GET_Y_LPARAM(hit->lParam), p.y);
  const Entry* cursor = LastOf(child, WM_SETCURSOR);
  EXPECT_EQ(reinterpret_cast<HWND>(cursor->wParam), child);
  EXPECT_EQ(cursor->lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  // The child's default asks the parent first.
  const Entry* parentCursor = LastOf(top, WM_SETCURSOR);
  ASSERT_NE(parentCursor, nullptr);
  EXPECT_EQ(reinterpret_cast<HWND>(parentCursor->wParam), child);
  const Entry* move = LastOf(child, WM_MOUSEMOVE);
  EXPECT_EQ(move->lParam, MAKELPARAM(5, 6));
  EXPECT_EQ(CountOf(top, WM_NCHITTEST), 0u) << "only the window under the mouse is asked";

  // A press tells the parents, in their client coordinates.
  backend->Press();
  backend->Release();
  Pump();
  const Entry* notify = LastOf(top, WM_PARENTNOTIFY);
  ASSERT_NE(notify, nullptr);
  EXPECT_EQ(notify->wParam, WPARAM(WM_LBUTTONDOWN));
  EXPECT_EQ(notify->lParam, MAKELPARAM(15, 16));
  EXPECT_EQ(CountOf(top, WM_PARENTNOTIFY), 1u) << "not for the release";
}

TEST_F(InputTest, ScreenPointsLeftOfAndAboveTheOriginArriveAsSignedHalves) {
  // A window dragged partly off the screen: its caption is hit at negative screen coordinates.
  HWND off = TopLevel(Bounds(-50, -40, 200, 150), kFramed);
  Pump();
  Log().clear();
  const POINT p{-10, -30};
  backend->MoveTo(p);
  Pump();
  EXPECT_EQ(CountOf(off, WM_NCHITTEST), 1u);
  const Entry* hit = LastOf(off, WM_NCHITTEST);
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(GET_X_LPARAM(hit->lParam), p.x);
  EXPECT_EQ(GET_Y_LPARAM(hit->lParam), p.y);
  EXPECT_EQ(LastOf(off, WM_SETCURSOR)->lParam, MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
  const Entry* move = LastOf(off, WM_NCMOUSEMOVE);
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(move->wParam, WPARAM(HTCAPTION));
  EXPECT_EQ(GET_X_LPARAM(move->lParam), p.x);
  EXPECT_EQ(GET_Y_LPARAM(move->lParam), p.y);
}

TEST_F(InputTest, NonClientMessagesCarryTheHitCodeUnchanged) {
  for (int code : {int(HTCAPTION), 19, 101, 103, 1000, 1007}) {
    Log().clear();
    Answers() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (h == child && m == WM_NCHITTEST) return code;
      return std::nullopt;
    };
    POINT p = ClientPoint(child, 20, 20);
    backend->Click(p);
    Pump();
    ASSERT_NE(LastOf(child, WM_NCLBUTTONDOWN), nullptr) << code;
    EXPECT_EQ(LastOf(child, WM_NCLBUTTONDOWN)->wParam, WPARAM(code));
    EXPECT_EQ(LastOf(child, WM_NCLBUTTONDOWN)->lParam, MAKELPARAM(p.x, p.y)) << "screen point";
    EXPECT_EQ(LastOf(child, WM_NCLBUTTONUP)->wParam, WPARAM(code));
    EXPECT_EQ(LastOf(child, WM_SETCURSOR)->lParam, MAKELPARAM(code, WM_LBUTTONUP));
    backend->VClock().Advance(1000);
  }
}

TEST_F(InputTest, DoubleClicksOnlyWithTheClassStyleInTheClientAlwaysOutside) {
  HWND dbl = Child(top, Bounds(200, 10, 100, 50), WS_VISIBLE, 2, 0, kRecDblClass);
  Pump();
  Log().clear();
  backend->DoubleClick(ClientPoint(child, 5, 5));
  backend->VClock().Advance(1000);
  backend->DoubleClick(ClientPoint(dbl, 5, 5));
  Pump();
  EXPECT_EQ(CountOf(child, WM_LBUTTONDOWN), 2u);
  EXPECT_EQ(CountOf(child, WM_LBUTTONDBLCLK), 0u);
  EXPECT_EQ(CountOf(dbl, WM_LBUTTONDOWN), 1u);
  EXPECT_EQ(CountOf(dbl, WM_LBUTTONDBLCLK), 1u);

  // In the caption of a window whose class has no CS_DBLCLKS.
  Log().clear();
  backend->VClock().Advance(1000);
  RECT wr;
  GetWindowRect(top, &wr);
  backend->DoubleClick(POINT{wr.left + 60, wr.top + 12});
  Pump();
  EXPECT_EQ(CountOf(top, WM_NCLBUTTONDBLCLK), 1u);
  // A second click too late or too far is a plain click.
  Log().clear();
  backend->VClock().Advance(1000);
  backend->Click(ClientPoint(dbl, 5, 5));
  backend->VClock().Advance(GetDoubleClickTime() + 1);
  backend->Click(ClientPoint(dbl, 5, 5));
  backend->VClock().Advance(50);
  backend->Click(ClientPoint(dbl, 30, 30));
  Pump();
  EXPECT_EQ(CountOf(dbl, WM_LBUTTONDBLCLK), 0u);
}

TEST_F(InputTest, CaptureGetsEverythingInClientCoordinatesWithoutHitTests) {
  SetCapture(child);
  EXPECT_EQ(GetCapture(), child);
  EXPECT_EQ(backend->GrabWindow(), top);
  POINT far{50, 40};  // left of and above the whole window
  backend->MoveTo(far);
  backend->Press();
  backend->Release();
  Pump();
  EXPECT_EQ(CountOf(child, WM_NCHITTEST), 0u);
  POINT origin = ClientPoint(child, 0, 0);
  const Entry* move = LastOf(child, WM_MOUSEMOVE);
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(GET_X_LPARAM(move->lParam), far.x - origin.x);
  EXPECT_LT(GET_Y_LPARAM(move->lParam), 0);
  EXPECT_EQ(CountOf(child, WM_LBUTTONDOWN), 1u);

  HWND other = Child(top, Bounds(200, 200, 20, 20));
  SetCapture(other);
  const Entry* changed = LastOf(child, WM_CAPTURECHANGED);
  ASSERT_NE(changed, nullptr);
  EXPECT_EQ(reinterpret_cast<HWND>(changed->lParam), other);
  ReleaseCapture();
  EXPECT_EQ(reinterpret_cast<HWND>(LastOf(other, WM_CAPTURECHANGED)->lParam), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(backend->GrabWindow(), nullptr);

  // WM_CANCELMODE's default releases the capture.
  SetCapture(child);
  SendMessageW(child, WM_CANCELMODE, 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, LeaveAndHoverTracking) {
  HWND sibling = Child(top, Bounds(200, 10, 100, 50), WS_VISIBLE, 2);
  backend->MoveTo(ClientPoint(child, 5, 5));
  Pump();
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_LEAVE | TME_HOVER;
  tme.hwndTrack = child;
  tme.dwHoverTime = 300;
  ASSERT_TRUE(TrackMouseEvent(&tme));
  MSG m;
  // Hover comes after the cursor rested for the hover time, on the virtual clock.
  backend->Script([] {});
  while (!LastOf(child, WM_MOUSEHOVER) && GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  ASSERT_NE(LastOf(child, WM_MOUSEHOVER), nullptr);
  EXPECT_EQ(LastOf(child, WM_MOUSEHOVER)->lParam, MAKELPARAM(5, 5));
  Log().clear();
  backend->MoveTo(ClientPoint(sibling, 5, 5));
  Pump();
  EXPECT_EQ(CountOf(child, WM_MOUSELEAVE), 1u);
  EXPECT_EQ(MessagesOf(child, {WM_MOUSELEAVE}).size(), 1u);
  // The leave is delivered before the new window's move.
  size_t leaveAt = 0, moveAt = 0;
  for (size_t i = 0; i < Log().size(); ++i) {
    if (Log()[i].msg == WM_MOUSELEAVE) leaveAt = i;
    if (Log()[i].hwnd == sibling && Log()[i].msg == WM_MOUSEMOVE) moveAt = i;
  }
  EXPECT_LT(leaveAt, moveAt);

  // Tracking a window the mouse is not over gives the leave at once; TME_CANCEL stops it.
  Log().clear();
  tme.dwFlags = TME_LEAVE;
  TrackMouseEvent(&tme);
  Pump();
  EXPECT_EQ(CountOf(child, WM_MOUSELEAVE), 1u);
  tme.hwndTrack = sibling;
  TrackMouseEvent(&tme);
  tme.dwFlags = TME_LEAVE | TME_CANCEL;
  TrackMouseEvent(&tme);
  backend->MoveTo(ClientPoint(child, 5, 5));
  Pump();
  EXPECT_EQ(CountOf(sibling, WM_MOUSELEAVE), 0u);

  // Non-client tracking ends when the mouse enters the client area.
  Log().clear();
  Answers() = [&](HWND h, UINT msg, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (h == child && msg == WM_NCHITTEST) {
      POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      ScreenToClient(child, &p);
      return p.x < 10 ? HTBORDER : HTCLIENT;
    }
    return std::nullopt;
  };
  backend->MoveTo(ClientPoint(child, 2, 5));
  Pump();
  tme.dwFlags = TME_LEAVE | TME_NONCLIENT;
  tme.hwndTrack = child;
  TrackMouseEvent(&tme);
  backend->MoveTo(ClientPoint(child, 20, 5));
  Pump();
  EXPECT_EQ(CountOf(child, WM_NCMOUSELEAVE), 1u);
  EXPECT_EQ(CountOf(child, WM_MOUSELEAVE), 0u);
}

TEST_F(InputTest, TransparentHitTestPassesToTheWindowBelow) {
  // Two overlapping siblings: the upper one lets the mouse through.
  HWND lower = Child(top, Bounds(150, 100, 100, 100), WS_VISIBLE, 3);
  HWND upper = Child(top, Bounds(150, 100, 100, 100), WS_VISIBLE, 4);
  SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Answers() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (h == upper && m == WM_NCHITTEST) return HTTRANSPARENT;
    return std::nullopt;
  };
  EXPECT_EQ(WindowFromPoint(ClientPoint(lower, 10, 10)), lower);
  Log().clear();
  backend->Click(ClientPoint(lower, 10, 10));
  Pump();
  // Move, press, release: each asks each window under the point once.
  EXPECT_EQ(CountOf(upper, WM_NCHITTEST), 3u);
  EXPECT_EQ(CountOf(lower, WM_NCHITTEST), 3u);
  EXPECT_EQ(CountOf(top, WM_NCHITTEST), 0u);
  EXPECT_EQ(CountOf(lower, WM_LBUTTONDOWN), 1u);
  EXPECT_EQ(CountOf(upper, WM_LBUTTONDOWN), 0u);
  // Hidden and disabled windows are skipped too.
  ShowWindow(lower, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(ClientPoint(top, 160, 110)), top);
  ShowWindow(lower, SW_SHOW);
  EnableWindow(lower, FALSE);
  EXPECT_EQ(WindowFromPoint(ClientPoint(top, 160, 110)), top);
}

TEST_F(InputTest, ClickActivatesUnlessNoActivate) {
  HWND second = TopLevel(Bounds(600, 100, 200, 200), kFramed);
  Pump();
  ASSERT_EQ(GetActiveWindow(), second);
  Log().clear();
  backend->Click(ClientPoint(child, 5, 5));
  Pump();
  EXPECT_EQ(GetActiveWindow(), top);
  const Entry* ma = LastOf(child, WM_MOUSEACTIVATE);
  ASSERT_NE(ma, nullptr);
  EXPECT_EQ(reinterpret_cast<HWND>(ma->wParam), top);
  EXPECT_EQ(ma->lParam, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
  EXPECT_EQ(LOWORD(LastOf(top, WM_ACTIVATE)->wParam), WA_CLICKACTIVE);

  Answers() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (h == second && m == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return std::nullopt;
  };
  Log().clear();
  backend->Click(ClientPoint(second, 5, 5));
  Pump();
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(CountOf(second, WM_LBUTTONDOWN), 1u);

  // A window may refuse to lose activation through WM_NCACTIVATE.
  Answers() = [&](HWND h, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (h == top && m == WM_NCACTIVATE && !w) return FALSE;
    return std::nullopt;
  };
  EXPECT_EQ(SetActiveWindow(second), nullptr);
  EXPECT_EQ(GetActiveWindow(), top);
}

TEST_F(InputTest, ActivationAndFocusMessagesInOrder) {
  HWND second = TopLevel(Bounds(600, 100, 200, 200), kFramed);
  HWND edit = Child(second, Bounds(0, 0, 50, 20), WS_VISIBLE, 5);
  Pump();
  SetActiveWindow(top);
  SetFocus(child);
  Log().clear();
  std::vector<std::pair<HWND, UINT>> order;
  Answers() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_NCACTIVATE || m == WM_ACTIVATE || m == WM_KILLFOCUS || m == WM_SETFOCUS)
      order.push_back({h, m});
    return std::nullopt;
  };
  EXPECT_EQ(SetFocus(edit), child) << "answers the previous focus";
  std::vector<std::pair<HWND, UINT>> expected = {
      {top, WM_NCACTIVATE}, {top, WM_ACTIVATE}, {child, WM_KILLFOCUS}, {second, WM_NCACTIVATE},
      {second, WM_ACTIVATE}, {second, WM_SETFOCUS}, {second, WM_KILLFOCUS}, {edit, WM_SETFOCUS}};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(GetActiveWindow(), second);
  // Disabling the focus window takes the focus away.
  EnableWindow(edit, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(LastOf(edit, WM_ENABLE)->wParam, WPARAM(FALSE));
  // The app is told when it gains or loses activation as a whole.
  Log().clear();
  SetActiveWindow(nullptr);
  EXPECT_EQ(LastOf(top, WM_ACTIVATEAPP)->wParam, WPARAM(FALSE));
  SetActiveWindow(top);
  EXPECT_EQ(LastOf(second, WM_ACTIVATEAPP)->wParam, WPARAM(TRUE));
}

TEST_F(InputTest, KeysGoToTheFocusWithLParamBitsAndKeyState) {
  SetFocus(child);
  Log().clear();
  int16_t shiftDuringKey = 0;
  Answers() = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_KEYDOWN && w == 'A') shiftDuringKey = GetKeyState(VK_SHIFT);
    return std::nullopt;
  };
  backend->KeyDown(VK_SHIFT);
  backend->KeyDown('A', u"A");
  backend->KeyDown('A', u"A");  // auto-repeat
  backend->KeyUp('A');
  backend->KeyUp(VK_SHIFT);
  // Before the messages are handled, the thread's key state has not moved; the async one has.
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  Pump();
  EXPECT_LT(shiftDuringKey, 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  std::vector<LPARAM> downs;
  for (const Entry& e : Log())
    if (e.hwnd == child && e.msg == WM_KEYDOWN && e.wParam == 'A') downs.push_back(e.lParam);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[0] & 0xFFFF, 1);
  EXPECT_EQ((downs[0] >> 30) & 1, 0) << "first press: key was up";
  EXPECT_EQ((downs[1] >> 30) & 1, 1) << "repeat: key was down";
  const Entry* up = LastOf(child, WM_KEYUP);
  EXPECT_EQ((uint32_t(up->lParam) >> 31) & 1, 1u);

  // Alt chords are system keys; Alt+F4 closes the top-level window.
  backend->KeyDown(VK_MENU);
  backend->Key(VK_F4);
  backend->KeyUp(VK_MENU);
  Pump();
  EXPECT_NE(LastOf(child, WM_SYSKEYDOWN), nullptr);
  EXPECT_FALSE(IsWindow(top)) << "SC_CLOSE's default closes, WM_CLOSE's destroys";
}

TEST_F(InputTest, LockStatesInsertToggleAndKeyboardState) {
  SetFocus(child);
  backend->Key(VK_CAPITAL);
  backend->Key(VK_INSERT);
  Pump();
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
  EXPECT_EQ(GetKeyState(VK_INSERT) & 1, 1);
  backend->Key(VK_INSERT);
  Pump();
  EXPECT_EQ(GetKeyState(VK_INSERT) & 1, 0);
  BYTE keys[256];
  ASSERT_TRUE(GetKeyboardState(keys));
  EXPECT_EQ(keys[VK_CAPITAL] & 1, 1);
  keys[VK_NUMLOCK] = 1;
  keys[VK_CONTROL] = 0x80;
  ASSERT_TRUE(SetKeyboardState(keys));
  EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 1);
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
}

TEST_F(InputTest, WheelGoesToTheFocusAndBubblesToParents) {
  SetFocus(child);
  backend->MoveTo(ClientPoint(top, 300, 200));
  backend->Wheel(-120);
  Pump();
  const Entry* wheel = LastOf(child, WM_MOUSEWHEEL);
  ASSERT_NE(wheel, nullptr);
  EXPECT_EQ(int16_t(HIWORD(wheel->wParam)), -120);
  EXPECT_NE(LastOf(top, WM_MOUSEWHEEL), nullptr);
}

TEST_F(InputTest, ClassCursorsAndSizingCursorsReachTheBackend) {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ProcToken(&RecordingProc);
  wc.lpszClassName = u"QBeamClass";
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_IBEAM));
  ASSERT_NE(wc.hCursor, nullptr);
  WNDCLASSEXW existing;
  if (!GetClassInfoExW(nullptr, wc.lpszClassName, &existing)) {
    ASSERT_TRUE(RegisterClassExW(&wc));
  }
  // The frame's class has the arrow: its default, asked first, leaves the child's cursor alone.
  wc.lpszClassName = u"QArrowClass";
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_ARROW));
  if (!GetClassInfoExW(nullptr, wc.lpszClassName, &existing)) {
    ASSERT_TRUE(RegisterClassExW(&wc));
  }
  HWND frame = TopLevel(Bounds(100, 450, 300, 200), kFramed, 0, nullptr, u"QArrowClass");
  HWND edit = Child(frame, Bounds(50, 40, 80, 30), WS_VISIBLE, 9, 0, u"QBeamClass");
  backend->MoveTo(ClientPoint(edit, 5, 5));
  Pump();
  EXPECT_EQ(backend->CurrentCursorShape(), CursorShape::IBeam);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_IBEAM)));
  backend->MoveTo(ClientPoint(frame, 5, 5));
  Pump();
  EXPECT_EQ(backend->CurrentCursorShape(), CursorShape::Arrow);
  RECT r;
  GetWindowRect(top, &r);
  backend->MoveTo(POINT{r.right - 1, r.bottom - 1});
  Pump();
  EXPECT_EQ(backend->CurrentCursorShape(), CursorShape::SizeNWSE);
  backend->MoveTo(POINT{r.left + 1, (r.top + r.bottom) / 2});
  Pump();
  EXPECT_EQ(backend->CurrentCursorShape(), CursorShape::SizeWE);
  EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(12345)), nullptr);
  SetCursorPos(7, 8);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p, (POINT{7, 8}));
  EXPECT_EQ(backend->CursorPos(), (POINT{7, 8}));
}

TEST_F(InputTest, ADisabledOwnerSwallowsClicksAndBeeps) {
  HWND dialog = TopLevel(Bounds(600, 100, 100, 100), WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, top);
  EnableWindow(top, FALSE);
  Pump();
  Log().clear();
  int beeps = backend->BeepCount();
  backend->Click(ClientPoint(child, 5, 5));
  Pump();
  EXPECT_EQ(CountOf(child, WM_LBUTTONDOWN), 0u);
  EXPECT_EQ(CountOf(top, WM_LBUTTONDOWN), 0u);
  EXPECT_EQ(CountOf(child, WM_NCHITTEST), 0u);
  EXPECT_EQ(LastOf(top, WM_SETCURSOR)->lParam, MAKELPARAM(HTERROR, WM_LBUTTONUP));
  EXPECT_EQ(backend->BeepCount(), beeps + 1) << "one beep for the press";
  EXPECT_EQ(GetActiveWindow(), dialog);
  EXPECT_EQ(WindowFromPoint(ClientPoint(child, 5, 5)), nullptr) << "skipped as disabled";
}

TEST_F(InputTest, AltAloneAsksForTheMenuBarAndIconsAreKept) {
  SetFocus(child);
  backend->Key(VK_MENU);
  Pump();
  const Entry* menu = LastOf(top, WM_SYSCOMMAND);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->wParam, WPARAM(SC_KEYMENU));
  EXPECT_EQ(menu->lParam, 0);
  Log().clear();
  backend->KeyDown(VK_MENU);
  backend->Key('X', u"x");
  backend->KeyUp(VK_MENU);
  Pump();
  EXPECT_EQ(LastOf(top, WM_SYSCOMMAND)->lParam, LPARAM('x')) << "Alt+X: a menu accelerator, no bar";
  HICON icon = reinterpret_cast<HICON>(uintptr_t(0x1234));
  EXPECT_EQ(SendMessageW(top, WM_SETICON, 1, LPARAM(reinterpret_cast<uintptr_t>(icon))), 0);
  EXPECT_EQ(SendMessageW(top, WM_GETICON, 1, 0), LRESULT(reinterpret_cast<uintptr_t>(icon)));
  EXPECT_EQ(SendMessageW(top, WM_GETICON, 0, 0), 0);
}

TEST_F(InputTest, MovingAWindowUnderAStillCursorSynthesizesAMove) {
  backend->MoveTo(ClientPoint(top, 300, 200));
  Pump();
  Log().clear();
  SetWindowPos(child, nullptr, 280, 180, 100, 50, SWP_NOZORDER);
  Pump();
  EXPECT_EQ(CountOf(child, WM_MOUSEMOVE), 1u);
}

}  // namespace
}  // namespace wintest
