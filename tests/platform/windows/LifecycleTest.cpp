// Creation and destruction order, the CBT hook, properties and dead handles.

#include "WindowTestSupport.h"

namespace wintest {
namespace {

struct HookRecord {
  int code;
  HWND hwnd;
  const char16_t* cls = nullptr;
  LONG style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;
};

std::vector<HookRecord>& HookLog() {
  static std::vector<HookRecord> log;
  return log;
}

class LifecycleTest : public WindowTest {
 protected:
  void TearDown() override {
    if (hook) UnhookWindowsHookEx(hook);
    HookLog().clear();
    WindowTest::TearDown();
  }
  HHOOK hook = nullptr;
};

TEST_F(LifecycleTest, CreationOrderWithHookAndParentNotify) {
  HWND parent = TopLevel(Bounds(10, 10, 300, 200));
  Log().clear();
  std::vector<std::string> order;
  hook = SetWindowsHookExW(WH_CBT, HookMethod([&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HCBT_CREATEWND) {
      HWND h = reinterpret_cast<HWND>(w);
      auto* cbt = reinterpret_cast<CBT_CREATEWNDW*>(l);
      HookLog().push_back({code, h, cbt->lpcs->lpszClass, cbt->lpcs->style, cbt->lpcs->dwExStyle,
                           cbt->lpcs->hwndParent});
      // The window already takes messages, window longs and properties.
      EXPECT_TRUE(IsWindow(h));
      EXPECT_EQ(SendMessageW(h, WM_USER + 77, 0, 0), 0);
      EXPECT_EQ(SetWindowLongPtrW(h, GWLP_USERDATA, 42), 0);
      EXPECT_TRUE(SetPropW(h, u"early", h));
      order.push_back("hook");
    }
    return CallNextHookEx(hook, code, w, l);
  }), nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);

  HWND child = Child(parent, Bounds(5, 5, 50, 20), WS_VISIBLE, 7, WS_EX_CLIENTEDGE);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(HookLog().size(), 1u);
  EXPECT_EQ(HookLog()[0].hwnd, child);
  EXPECT_EQ(std::u16string(HookLog()[0].cls), kRecClass);
  EXPECT_EQ(HookLog()[0].style, LONG(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(HookLog()[0].exStyle, DWORD(WS_EX_CLIENTEDGE));
  EXPECT_EQ(HookLog()[0].parent, parent);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_USERDATA), 42);
  EXPECT_EQ(GetPropW(child, u"early"), child);

  std::vector<UINT> seen = MessagesOf(child, {WM_USER + 77, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE});
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 77, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
  const Entry* notify = LastOf(parent, WM_PARENTNOTIFY);
  ASSERT_NE(notify, nullptr);
  EXPECT_EQ(LOWORD(notify->wParam), WM_CREATE);
  EXPECT_EQ(HIWORD(notify->wParam), 7);
  EXPECT_EQ(reinterpret_cast<HWND>(notify->lParam), child);

  Log().clear();
  Child(parent, Bounds(0, 0, 10, 10), WS_VISIBLE, 8, WS_EX_NOPARENTNOTIFY);
  EXPECT_EQ(CountOf(parent, WM_PARENTNOTIFY), 0u);
}

TEST_F(LifecycleTest, SystemClassesAreCreatedByAtomAndTheHookSeesTheAtom) {
  hook = SetWindowsHookExW(WH_CBT, HookMethod([&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HCBT_CREATEWND) {
      auto* cbt = reinterpret_cast<CBT_CREATEWNDW*>(l);
      HookLog().push_back({code, reinterpret_cast<HWND>(w), cbt->lpcs->lpszClass});
    }
    return CallNextHookEx(hook, code, w, l);
  }), nullptr, 0);
  HWND menu = CreateWindowExW(0, MAKEINTATOM(kPopupMenuClassAtom), u"", WS_POPUP, 0, 0, 10, 10,
                              nullptr, nullptr, nullptr, nullptr);
  HWND dialog = CreateWindowExW(0, MAKEINTATOM(kDialogClassAtom), u"", WS_POPUP | WS_CAPTION, 0,
                                0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(menu && dialog);
  ASSERT_EQ(HookLog().size(), 2u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(HookLog()[0].cls), 0x8000u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(HookLog()[1].cls), 0x8002u);
  EXPECT_EQ(GetClassName(menu), u"#32768");
  EXPECT_EQ(GetClassName(dialog), u"#32770");
  // Registering a reserved name keeps its atom.
  WNDCLASSEXW wc;
  wc.lpszClassName = u"#32770";
  wc.lpfnWndProc = ProcToken(&RecordingProc);
  EXPECT_EQ(RegisterClassExW(&wc), kDialogClassAtom);
  EXPECT_EQ(RegisterClassExW(&wc), 0) << "a second registration fails";
}

TEST_F(LifecycleTest, HookCanCreateWindowsAndVetoCreation) {
  HWND inner = nullptr;
  bool veto = false, nested = false;
  hook = SetWindowsHookExW(WH_CBT, HookMethod([&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HCBT_CREATEWND && !nested && !veto && (nested = true))
      inner = CreateWindowExW(0, kRecClass, u"inner", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr,
                              nullptr, nullptr);
    LRESULT next = CallNextHookEx(hook, code, w, l);
    return code == HCBT_CREATEWND && veto ? 1 : next;
  }), nullptr, 0);
  HWND outer = TopLevel(Bounds(0, 0, 100, 100));
  ASSERT_TRUE(outer);
  ASSERT_TRUE(inner);
  EXPECT_NE(inner, outer);
  EXPECT_TRUE(IsWindow(inner));

  veto = true;
  Log().clear();
  EXPECT_EQ(TopLevel(Bounds(0, 0, 100, 100)), nullptr);
  EXPECT_TRUE(Log().empty()) << "a vetoed window receives nothing";
}

TEST_F(LifecycleTest, FailedNcCreateOrCreateDestroysTheWindow) {
  for (UINT refuse : {UINT(WM_NCCREATE), UINT(WM_CREATE)}) {
    Log().clear();
    Answers() = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m == refuse) return refuse == WM_NCCREATE ? 0 : -1;
      return std::nullopt;
    };
    EXPECT_EQ(TopLevel(Bounds(0, 0, 50, 50)), nullptr);
    ASSERT_FALSE(Log().empty());
    EXPECT_EQ(Log().back().msg, UINT(WM_NCDESTROY));
    EXPECT_FALSE(IsWindow(Log().back().hwnd));
  }
}

TEST_F(LifecycleTest, DestructionOrderChildrenOwnedAndProperties) {
  HWND owner = TopLevel(Bounds(0, 0, 300, 300));
  HWND owned = TopLevel(Bounds(20, 20, 100, 100), WS_POPUP, 0, owner);
  HWND child = Child(owner, Bounds(0, 0, 50, 50));
  HWND grandchild = Child(child, Bounds(0, 0, 10, 10));
  SetPropW(owner, u"p", owner);
  std::vector<std::pair<HWND, std::string>> order;
  hook = SetWindowsHookExW(WH_CBT, HookMethod([&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HCBT_DESTROYWND) order.push_back({reinterpret_cast<HWND>(w), "hook"});
    return CallNextHookEx(hook, code, w, l);
  }), nullptr, 0);
  Answers() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_DESTROY) {
      order.push_back({h, "destroy"});
      EXPECT_TRUE(IsWindow(h));
    }
    if (m == WM_NCDESTROY) order.push_back({h, "ncdestroy"});
    return std::nullopt;
  };
  EXPECT_TRUE(DestroyWindow(owner));
  std::vector<std::pair<HWND, std::string>> expected = {
      {owner, "hook"},       {owned, "hook"},           {owned, "destroy"},
      {owned, "ncdestroy"},  {owner, "destroy"},        {child, "hook"},
      {child, "destroy"},    {grandchild, "hook"},      {grandchild, "destroy"},
      {grandchild, "ncdestroy"}, {child, "ncdestroy"},  {owner, "ncdestroy"}};
  EXPECT_EQ(order, expected);
  for (HWND h : {owner, owned, child, grandchild}) EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(GetPropW(owner, u"p"), nullptr);
}

TEST_F(LifecycleTest, HookCanRefuseDestruction) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  hook = SetWindowsHookExW(WH_CBT, HookMethod([&](int code, WPARAM, LPARAM) -> LRESULT {
    return code == HCBT_DESTROYWND ? 1 : 0;
  }), nullptr, 0);
  EXPECT_FALSE(DestroyWindow(h));
  EXPECT_TRUE(IsWindow(h));
}

TEST_F(LifecycleTest, ActivationHookSeesTheWindowAndCanRefuse) {
  HWND a = TopLevel(Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE);
  HWND b = TopLevel(Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE);
  ASSERT_EQ(GetActiveWindow(), b);
  bool refuse = true;
  hook = SetWindowsHookExW(WH_CBT, HookMethod([&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HCBT_ACTIVATE) {
      auto* cas = reinterpret_cast<CBTACTIVATESTRUCT*>(l);
      HookLog().push_back({code, reinterpret_cast<HWND>(w), nullptr, 0, 0, cas->hWndActive});
      if (refuse) return 1;
    }
    return CallNextHookEx(hook, code, w, l);
  }), nullptr, 0);
  EXPECT_EQ(SetActiveWindow(a), nullptr);
  EXPECT_EQ(GetActiveWindow(), b);
  refuse = false;
  EXPECT_EQ(SetActiveWindow(a), b);
  ASSERT_EQ(HookLog().size(), 2u);
  EXPECT_EQ(HookLog()[1].hwnd, a);
  EXPECT_EQ(HookLog()[1].parent, b) << "the record names the window losing activation";
}

TEST_F(LifecycleTest, ReparentingAndOwnersThroughWindowLongs) {
  HWND a = TopLevel(Bounds(0, 0, 200, 200), WS_POPUP | WS_VISIBLE);
  HWND b = TopLevel(Bounds(300, 0, 200, 200), WS_POPUP | WS_VISIBLE);
  HWND child = Child(a, Bounds(10, 10, 20, 20));
  HWND grandchild = Child(child, Bounds(1, 1, 5, 5));
  EXPECT_EQ(SetParent(child, b), a);
  EXPECT_EQ(GetParent(child), b);
  EXPECT_TRUE(IsChild(b, grandchild));
  EXPECT_FALSE(IsChild(a, grandchild));
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r, Bounds(310, 10, 20, 20)) << "the same position inside the new parent";
  EXPECT_EQ(SetParent(b, grandchild), nullptr) << "never under its own descendant";
  std::vector<HWND> all;
  EnumChildWindows(b, [&](HWND h, LPARAM) {
    all.push_back(h);
    return TRUE;
  }, 0);
  EXPECT_EQ(all, (std::vector<HWND>{child, grandchild}));
  // GWLP_HWNDPARENT of a top-level window is its owner.
  SetWindowLongPtrW(b, GWLP_HWNDPARENT, LONG_PTR(HwndToHandle(a)));
  EXPECT_EQ(GetWindow(b, GW_OWNER), a);
  EXPECT_EQ(HandleToHwnd(uintptr_t(GetWindowLongPtrW(b, GWLP_HWNDPARENT))), a);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(b)) << "destroyed with its new owner";
}

TEST_F(LifecycleTest, DeadHandlesAreNeverReusedAndEveryCallFailsSafely) {
  HWND a = TopLevel(Bounds(0, 0, 50, 50));
  SetTimer(a, 1, 100, nullptr);
  DestroyWindow(a);
  HWND b = TopLevel(Bounds(0, 0, 50, 50));
  EXPECT_NE(a, b);
  RECT r{1, 2, 3, 4};
  POINT p{5, 6};
  EXPECT_EQ(SendMessageW(a, WM_USER, 1, 2), 0);
  EXPECT_FALSE(PostMessageW(a, WM_USER, 1, 2));
  EXPECT_EQ(SetWindowLongPtrW(a, GWL_STYLE, 0), 0);
  EXPECT_EQ(GetWindowLongPtrW(a, GWLP_WNDPROC), 0);
  EXPECT_FALSE(GetWindowRect(a, &r));
  EXPECT_EQ(r, (RECT{1, 2, 3, 4}));
  EXPECT_FALSE(ClientToScreen(a, &p));
  EXPECT_FALSE(SetWindowPos(a, nullptr, 0, 0, 1, 1, 0));
  EXPECT_FALSE(ShowWindow(a, SW_SHOW));
  EXPECT_FALSE(DestroyWindow(a));
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(SetTimer(a, 2, 10, nullptr), 0u);
  EXPECT_FALSE(KillTimer(a, 1)) << "the window's timers died with it";
  EXPECT_FALSE(SetPropW(a, u"x", nullptr));
  EXPECT_EQ(GetParent(a), nullptr);
  EXPECT_EQ(GetWindowText(a), u"");
  EXPECT_EQ(CreateWindowExW(0, kRecClass, u"", WS_CHILD, 0, 0, 1, 1, a, nullptr, nullptr, nullptr),
            nullptr);
}

TEST_F(LifecycleTest, WindowLongsAndExtraBytes) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  EXPECT_EQ(SetWindowLongPtrW(h, 8, 0x1234), 0);
  EXPECT_EQ(GetWindowLongPtrW(h, 8), 0x1234);
  EXPECT_EQ(GetWindowLongPtrW(h, 9), 0) << "a read past the extra bytes answers 0";
  EXPECT_EQ(SetWindowLongPtrW(h, 16, 1), 0);
  EXPECT_EQ(SetWindowLongPtrW(h, GWLP_ID, 5), 0);
  EXPECT_EQ(GetWindowLongPtrW(h, GWLP_ID), 5);
  Log().clear();
  LONG_PTR old = SetWindowLongPtrW(h, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  EXPECT_EQ(old, 0);
  EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
  EXPECT_EQ(Log()[0].wParam, WPARAM(LONG_PTR(GWL_EXSTYLE)));
  // A style change never recalculates the frame by itself.
  EXPECT_EQ(CountOf(h, WM_NCCALCSIZE), 0u);
  // WM_STYLECHANGING may rewrite the new style.
  Answers() = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_STYLECHANGING) reinterpret_cast<STYLESTRUCT*>(l)->styleNew |= WS_EX_TOPMOST;
    return std::nullopt;
  };
  SetWindowLongPtrW(h, GWL_EXSTYLE, 0);
  EXPECT_EQ(DWORD(GetWindowLongPtrW(h, GWL_EXSTYLE)), DWORD(WS_EX_TOPMOST));
}

TEST_F(LifecycleTest, TextThroughMessages) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  EXPECT_EQ(GetWindowText(h), u"top");
  EXPECT_TRUE(SetWindowTextW(h, u"Quillet"));
  EXPECT_EQ(GetWindowTextLengthW(h), 7);
  char16_t small[4];
  EXPECT_EQ(GetWindowTextW(h, small, 4), 3);
  EXPECT_EQ(std::u16string(small), u"Qui");
  EXPECT_EQ(FindWindowW(kRecClass, u"quillet"), h) << "titles compare without regard to case";
  EXPECT_EQ(FindWindowW(u"NoSuchClass", nullptr), nullptr);
}

}  // namespace
}  // namespace wintest
