// Procedure chains, sends, posts, loops, timers and hand-overs.

#include <atomic>
#include <thread>

#include "WindowTestSupport.h"

namespace wintest {
namespace {

using MessagesTest = WindowTest;

// A subclass that tags the messages it sees and passes them on to whatever it replaced.
struct Subclass {
  std::string name;
  HWND hwnd = nullptr;
  WNDPROC previous = nullptr;
  ScopedWndProc proc;
  std::vector<std::string>* trace = nullptr;

  Subclass(std::string n, HWND h, std::vector<std::string>* t)
      : name(std::move(n)), hwnd(h),
        proc([this](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
          if (m == WM_USER) trace->push_back(name);
          LRESULT r = CallWindowProcW(previous, w, m, wp, lp);
          return m == WM_USER ? r + 1 : r;
        }),
        trace(t) {
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC,
                                                           LONG_PTR(reinterpret_cast<uintptr_t>(proc.Get()))));
  }
  // Unhooks from wherever this subclass sits in the chain.
  void Remove(std::vector<Subclass*>& chain) {
    auto it = std::find(chain.begin(), chain.end(), this);
    size_t i = size_t(it - chain.begin());
    if (i + 1 == chain.size())
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, LONG_PTR(reinterpret_cast<uintptr_t>(previous)));
    else
      chain[i + 1]->previous = previous;
    chain.erase(it);
  }
};

TEST_F(MessagesTest, ThreeDeepSubclassChainRemovedOutOfOrder) {
  HWND h = TopLevel(Bounds(0, 0, 100, 100));
  WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC));
  std::vector<std::string> trace;
  auto a = std::make_unique<Subclass>("a", h, &trace);
  auto b = std::make_unique<Subclass>("b", h, &trace);
  auto c = std::make_unique<Subclass>("c", h, &trace);
  std::vector<Subclass*> chain{a.get(), b.get(), c.get()};
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC)), c->proc.Get());

  EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 3);
  EXPECT_EQ(trace, (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(CountOf(h, WM_USER), 1u) << "the class procedure runs once at the end of the chain";

  trace.clear();
  b->Remove(chain);
  b.reset();  // its token is freed
  EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 2);
  EXPECT_EQ(trace, (std::vector<std::string>{"c", "a"}));

  trace.clear();
  c->Remove(chain);
  c.reset();
  EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 1);
  EXPECT_EQ(trace, (std::vector<std::string>{"a"}));
  a->Remove(chain);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC)), original);
  a.reset();
  EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 0);
}

TEST_F(MessagesTest, FreedTokensAnswerZeroAndFunctionTokensAreStable) {
  EXPECT_EQ(ProcToken(&RecordingProc), ProcToken(&RecordingProc));
  WNDPROC bound = MakeWndProc([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 9; });
  EXPECT_EQ(CallWindowProcW(bound, nullptr, 0, 0, 0), 9);
  FreeWndProc(bound);
  EXPECT_FALSE(IsWndProcAlive(bound));
  EXPECT_EQ(CallWindowProcW(bound, nullptr, 0, 0, 0), 0);
  // A token freeing itself while it runs finishes its call.
  WNDPROC self = nullptr;
  self = MakeWndProc([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
    FreeWndProc(self);
    return 5;
  });
  EXPECT_EQ(CallWindowProcW(self, nullptr, 0, 0, 0), 5);
  FreeWndProc(ProcToken(&RecordingProc));
  EXPECT_TRUE(IsWndProcAlive(ProcToken(&RecordingProc)));
}

TEST_F(MessagesTest, ReentrantSendsNestAndUnwind) {
  HWND a = TopLevel(Bounds(0, 0, 50, 50));
  HWND b = TopLevel(Bounds(0, 0, 50, 50));
  std::vector<std::string> trace;
  Answers() = [&](HWND h, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_USER) return std::nullopt;
    std::string who = h == a ? "a" : "b";
    trace.push_back(who + std::to_string(w) + "+");
    LRESULT r = w < 3 ? SendMessageW(h == a ? b : a, WM_USER, w + 1, 0) : 100;
    trace.push_back(who + std::to_string(w) + "-");
    EXPECT_FALSE(InSendMessage());
    return r + 1;
  };
  EXPECT_EQ(SendMessageW(a, WM_USER, 0, 0), 104);
  EXPECT_EQ(trace, (std::vector<std::string>{"a0+", "b1+", "a2+", "b3+", "b3-", "a2-", "b1-", "a0-"}));
}

TEST_F(MessagesTest, SendDestroyingTheReceiverMidwayIsSafe) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  Answers() = [&](HWND w, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) {
      DestroyWindow(w);
      return SendMessageW(w, WM_USER + 1, 0, 0) + 7;
    }
    return std::nullopt;
  };
  EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 7);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(MessagesTest, CopyDataIsCopiedBeforeTheReceiverRuns) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  std::string payload = "skin";
  std::string seen;
  const void* seenPtr = nullptr;
  Answers() = [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_COPYDATA) return std::nullopt;
    auto* cds = reinterpret_cast<COPYDATASTRUCT*>(l);
    payload = "XXXX";  // the sender's buffer changes; the receiver's copy does not
    seen.assign(static_cast<const char*>(cds->lpData), cds->cbData);
    seenPtr = cds->lpData;
    return 1;
  };
  COPYDATASTRUCT cds{7, DWORD(payload.size()), payload.data()};
  EXPECT_EQ(SendMessageW(h, WM_COPYDATA, 0, LPARAM(&cds)), 1);
  EXPECT_EQ(seen, "skin");
  EXPECT_NE(seenPtr, static_cast<const void*>(payload.data()));
  EXPECT_FALSE(PostMessageW(h, WM_COPYDATA, 0, LPARAM(&cds)));
  COPYDATASTRUCT broken{7, 10, nullptr};
  EXPECT_EQ(SendMessageW(h, WM_COPYDATA, 0, LPARAM(&broken)), 0);
}

TEST_F(MessagesTest, PostedMessagesAreFifoAndPeekFilters) {
  HWND a = TopLevel(Bounds(0, 0, 50, 50));
  HWND b = TopLevel(Bounds(0, 0, 50, 50));
  HWND child = Child(a, Bounds(0, 0, 10, 10));
  Pump();
  PostMessageW(a, WM_USER + 1, 1, 0);
  PostMessageW(b, WM_USER + 2, 2, 0);
  PostMessageW(child, WM_USER + 3, 3, 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_USER + 4, 4, 0);
  EXPECT_FALSE(PostThreadMessageW(GetCurrentThreadId() + 1, WM_USER, 0, 0));
  MSG m;
  // Window filter takes the window and its children.
  ASSERT_TRUE(PeekMessageW(&m, a, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 1));
  ASSERT_TRUE(PeekMessageW(&m, a, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(m.hwnd, child);
  EXPECT_FALSE(PeekMessageW(&m, a, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  ASSERT_TRUE(PeekMessageW(&m, reinterpret_cast<HWND>(intptr_t(-1)), 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 4));
  EXPECT_EQ(m.hwnd, nullptr);
  std::vector<UINT> order;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) order.push_back(m.message);
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
}

TEST_F(MessagesTest, QuitComesAfterPostedMessagesAndEndsGetMessage) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  PostQuitMessage(3);
  PostMessageW(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, UINT(WM_USER));
  ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
  // Out of script, with nothing to wait for, a loop is told that nothing will ever come.
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), -1);
}

TEST_F(MessagesTest, TimersRunOnTheVirtualClockCoalescedAndReplaced) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  Pump();
  std::vector<std::pair<WPARAM, uint64_t>> ticks;
  Answers() = [&](HWND w, UINT m, WPARAM id, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_TIMER) return std::nullopt;
    ticks.push_back({id, GetTickCount64()});
    if (id == 1 && ticks.size() >= 5) PostQuitMessage(0);
    if (id == 2) KillTimer(w, 2);
    return 0;
  };
  uint64_t t0 = GetTickCount64();
  EXPECT_EQ(SetTimer(h, 1, 500, nullptr), 1u);
  EXPECT_EQ(SetTimer(h, 1, 100, nullptr), 1u) << "the same id replaces the timer";
  SetTimer(h, 2, 250, nullptr);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  std::vector<std::pair<WPARAM, uint64_t>> expected = {
      {1, t0 + 100}, {1, t0 + 200}, {2, t0 + 250}, {1, t0 + 300}, {1, t0 + 400}};
  EXPECT_EQ(ticks, expected);

  // A late loop gets one tick, not one per missed period.
  ticks.clear();
  backend->VClock().Advance(1000);
  Pump();
  EXPECT_EQ(ticks.size(), 1u);
  // KillTimer also drops a tick that is due but not yet taken.
  backend->VClock().Advance(1000);
  EXPECT_TRUE(KillTimer(h, 1));
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(MessagesTest, TimerMessagesYieldToPostedAndInput) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  Pump();
  SetTimer(h, 1, 10, nullptr);
  backend->VClock().Advance(20);
  PostMessageW(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_TIMER));
}

TEST_F(MessagesTest, HandOversRunOnTheUiThreadAndMayBeAwaited) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50));
  std::thread::id ran;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    RunOnUiThread([&] {
      ran = std::this_thread::get_id();
      PostMessageW(h, WM_USER + 9, 0, 0);
    }, true);
    finished = true;
  });
  MSG m;
  // The loop wakes for the hand-over and then sees what it posted.
  bool got = false;
  for (int i = 0; i < 2000 && !got; ++i) {
    if (PeekMessageW(&m, nullptr, WM_USER + 9, WM_USER + 9, PM_REMOVE)) got = true;
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  worker.join();
  EXPECT_TRUE(got);
  EXPECT_TRUE(finished);
  EXPECT_EQ(ran, std::this_thread::get_id());
}

TEST_F(MessagesTest, TranslateMessageMakesCharactersFromKeyDowns) {
  HWND h = TopLevel(Bounds(0, 0, 50, 50), WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE);
  Pump();
  ASSERT_EQ(GetFocus(), h);
  Log().clear();
  backend->TypeText(u"aB\u00e9");
  Pump();
  std::u16string typed;
  for (const Entry& e : Log())
    if (e.msg == WM_CHAR) typed += char16_t(e.wParam);
  EXPECT_EQ(typed, u"aB\u00e9");
  // Alt chords make system characters; Alt+Space asks for the window menu.
  Log().clear();
  backend->KeyDown(VK_MENU);
  backend->Key(VK_SPACE, u" ");
  backend->KeyUp(VK_MENU);
  Pump();
  const Entry* sys = LastOf(h, WM_SYSCOMMAND);
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(sys->wParam & 0xFFF0, WPARAM(SC_KEYMENU));
  EXPECT_EQ(sys->lParam, LPARAM(' '));
  EXPECT_EQ(CountOf(h, WM_SYSCHAR), 1u);
}

}  // namespace
}  // namespace wintest
