// Sending and posting, the queue and its loops, timers, hooks and hand-overs from other threads.

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/windows/WindowManager.h"

namespace win {

namespace {

// A queue that is never drained must not grow without bound.
constexpr size_t kMaxPostedMessages = 10000;
// The largest WM_COPYDATA block accepted.
constexpr DWORD kMaxCopyData = 16u << 20;
constexpr UINT kMinTimerMs = 10;

DWORD UiThreadId() {
  static const DWORD id = DWORD(::syscall(SYS_gettid));
  return id;
}

bool InRange(UINT msg, UINT min, UINT max) {
  return (min == 0 && max == 0) || (msg >= min && msg <= max);
}

bool WindowMatches(HWND msgHwnd, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(intptr_t(-1))) return msgHwnd == nullptr;
  return msgHwnd == filter || IsChild(filter, msgHwnd);
}

void RunHandOvers() {
  WindowManager& wm = Wm();
  std::deque<std::shared_ptr<HandOver>> batch;
  {
    std::lock_guard lock(wm.handOverMutex);
    batch.swap(wm.handOvers);
  }
  for (auto& h : batch) {
    struct Done {
      std::shared_ptr<HandOver>& item;
      ~Done() {
        {
          std::lock_guard lock(Wm().handOverMutex);
          item->done = true;
        }
        Wm().handOverDone.notify_all();
      }
    } done{h};
    h->fn();
  }
}

void Retrieved(const MSG& m) {
  Wm().messageTime = m.time;
  Wm().messagePos = m.pt;
}

}  // namespace

DWORD GetCurrentThreadId() { return UiThreadId(); }

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Wm().Find(hwnd);
  if (!w) return 0;
  if (msg == WM_COPYDATA) {
    // The receiver gets its own copy, so the sender's buffer may change or go away meanwhile.
    auto* src = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!src || src->cbData > kMaxCopyData || (src->cbData && !src->lpData)) return 0;
    std::vector<uint8_t> data(src->cbData);
    if (src->cbData) std::memcpy(data.data(), src->lpData, src->cbData);
    COPYDATASTRUCT copy{src->dwData, src->cbData, data.empty() ? nullptr : data.data()};
    return CallWindowProcW(w->proc, hwnd, msg, wParam, LPARAM(&copy));
  }
  return CallWindowProcW(w->proc, hwnd, msg, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd && !Wm().Find(hwnd)) return FALSE;
  if (msg == WM_COPYDATA) return FALSE;  // its data cannot outlive the sender's call
  if (Wm().posted.size() >= kMaxPostedMessages) return FALSE;
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = DWORD(CurrentClock().NowMs());
  m.pt = Wm().cursor;
  Wm().posted.push_back(m);
  return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (threadId != UiThreadId()) return FALSE;
  return PostMessageW(nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) { Wm().quitCode = exitCode; }

BOOL InSendMessage() { return FALSE; }

DWORD GetMessageTime() { return Wm().messageTime; }

LONG GetMessagePos() { return LONG(MAKELONG(WORD(Wm().messagePos.x), WORD(Wm().messagePos.y))); }

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeMsg) {
  WindowManager& wm = Wm();
  bool remove = (removeMsg & PM_REMOVE) != 0;
  RunHandOvers();
  wm.GetBackend().PollEvents();
  MSG local;
  if (!msg) msg = &local;

  for (auto it = wm.posted.begin(); it != wm.posted.end(); ++it) {
    if (!WindowMatches(it->hwnd, hwnd) || !InRange(it->message, min, max)) continue;
    *msg = *it;
    if (remove) wm.posted.erase(it);
    Retrieved(*msg);
    return TRUE;
  }
  if (wm.quitCode) {
    *msg = MSG{};
    msg->message = WM_QUIT;
    msg->wParam = WPARAM(*wm.quitCode);
    msg->time = DWORD(CurrentClock().NowMs());
    if (remove) wm.quitCode.reset();
    return TRUE;
  }
  for (;;) {
    for (auto it = wm.cookedInput.begin(); it != wm.cookedInput.end(); ++it) {
      if (!WindowMatches(it->msg.hwnd, hwnd) || !InRange(it->msg.message, min, max)) continue;
      *msg = it->msg;
      if (remove) {
        wm.syncKeys = it->keys;
        wm.cookedInput.erase(it);
      }
      Retrieved(*msg);
      return TRUE;
    }
    if (!CookNextInput()) break;
  }
  if (InRange(WM_PAINT, min, max))
    if (HWND paint = NextWindowToPaint(hwnd)) {
      // WM_PAINT stays pending until the window is validated.
      *msg = MSG{};
      msg->hwnd = paint;
      msg->message = WM_PAINT;
      msg->time = DWORD(CurrentClock().NowMs());
      msg->pt = wm.cursor;
      Retrieved(*msg);
      return TRUE;
    }
  if (TakeDueTimer(msg, hwnd, min, max, remove)) {
    Retrieved(*msg);
    return TRUE;
  }
  return FALSE;
}

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT min, UINT max) {
  for (;;) {
    if (PeekMessageW(msg, hwnd, min, max, PM_REMOVE)) return msg->message != WM_QUIT;
    std::optional<uint64_t> due = NextTimerDue();
    std::optional<uint64_t> timeout;
    if (due) {
      uint64_t now = CurrentClock().NowMs();
      timeout = *due > now ? *due - now : 0;
    }
    if (Wm().GetBackend().WaitForEvents(timeout) == WaitResult::Starved) {
      if (PeekMessageW(msg, hwnd, min, max, PM_REMOVE)) return msg->message != WM_QUIT;
      return -1;
    }
  }
}

BOOL WaitMessage() {
  if (PeekMessageW(nullptr, nullptr, 0, 0, PM_NOREMOVE)) return TRUE;
  std::optional<uint64_t> due = NextTimerDue();
  std::optional<uint64_t> timeout;
  if (due) {
    uint64_t now = CurrentClock().NowMs();
    timeout = *due > now ? *due - now : 0;
  }
  return Wm().GetBackend().WaitForEvents(timeout) != WaitResult::Starved;
}

namespace {

// Characters of a key for which no text came from the keyboard (a posted key message).
String FallbackKeyText(WPARAM vk) {
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  bool control = GetKeyState(VK_CONTROL) < 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (control) return String(1, char16_t(vk - 'A' + 1));
    return String(1, char16_t((shift != caps) ? vk : vk + 32));
  }
  if (control) return String();
  if (vk >= '0' && vk <= '9' && !shift) return String(1, char16_t(vk));
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return String(1, char16_t('0' + vk - VK_NUMPAD0));
  switch (vk) {
    case VK_SPACE: return u" ";
    case VK_RETURN: return u"\r";
    case VK_TAB: return u"\t";
    case VK_BACK: return u"\b";
    case VK_ESCAPE: return u"\x1B";
    default: return String();
  }
}

}  // namespace

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  String text;
  if (auto it = Wm().keyTexts.find(msg->lPrivate); msg->lPrivate && it != Wm().keyTexts.end()) {
    text = it->second;
    Wm().keyTexts.erase(it);
  } else if (msg->wParam != VK_PACKET) {
    text = FallbackKeyText(msg->wParam);
  }
  if (text.empty()) return FALSE;
  UINT charMsg = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  // The characters come before anything posted later, right behind what is already queued.
  for (char16_t c : text) PostMessageW(msg->hwnd, charMsg, WPARAM(c), msg->lParam);
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  Window* w = Wm().Find(msg->hwnd);
  if (!w) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    bool alive = std::any_of(Wm().timers.begin(), Wm().timers.end(), [&](const Timer& t) {
      return t.hwnd == msg->hwnd && t.id == msg->wParam;
    });
    if (!alive) return 0;
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  return CallWindowProcW(w->proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

bool ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void RunOnUiThread(std::function<void()> fn, bool wait) {
  if (!fn) return;
  WindowManager& wm = Wm();
  if (std::this_thread::get_id() == wm.uiThread) {
    fn();
    return;
  }
  auto item = std::make_shared<HandOver>();
  item->fn = std::move(fn);
  {
    std::lock_guard lock(wm.handOverMutex);
    wm.handOvers.push_back(item);
  }
  // Only an installed backend is woken: a worker never creates one.
  if (wm.HasBackend()) wm.GetBackend().Wake();
  if (wait) {
    std::unique_lock lock(wm.handOverMutex);
    wm.handOverDone.wait(lock, [&] { return item->done; });
  }
}

// ---------------------------------------------------------------------------------------------
// Timers

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  WindowManager& wm = Wm();
  if (hwnd && !wm.Find(hwnd)) return 0;
  if (!hwnd) {
    // Timers without a window get a fresh id each time, unless an existing one is renewed.
    bool exists = id && std::any_of(wm.timers.begin(), wm.timers.end(),
                                    [&](const Timer& t) { return !t.hwnd && t.id == id; });
    if (!exists) id = UINT_PTR(0x7FF00000 + ++wm.timerSerial);
  }
  elapseMs = std::clamp<UINT>(elapseMs, kMinTimerMs, 0x7FFFFFFF);
  uint64_t due = CurrentClock().NowMs() + elapseMs;
  for (Timer& t : wm.timers)
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapseMs;
      t.due = due;
      t.proc = proc;
      return id ? id : 1;
    }
  wm.timers.push_back(Timer{hwnd, id, elapseMs, due, proc, ++wm.timerSerial});
  return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& timers = Wm().timers;
  auto it = std::find_if(timers.begin(), timers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers.end()) return FALSE;
  timers.erase(it);
  return TRUE;
}

void ForgetWindowTimers(HWND hwnd) {
  auto& timers = Wm().timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [&](const Timer& t) { return t.hwnd == hwnd; }),
               timers.end());
}

std::optional<uint64_t> NextTimerDue() {
  std::optional<uint64_t> next;
  for (const Timer& t : Wm().timers)
    if (!next || t.due < *next) next = t.due;
  const MouseTracking& tr = Wm().tracking;
  if (tr.hover && tr.hwnd && (!next || tr.hoverDue < *next)) next = tr.hoverDue;
  return next;
}

bool TakeDueTimer(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  WindowManager& wm = Wm();
  uint64_t now = CurrentClock().NowMs();
  MouseTracking& tr = wm.tracking;
  if (tr.hover && tr.hwnd && tr.hoverDue <= now) {
    UINT m = tr.nonClient ? WM_NCMOUSEHOVER : WM_MOUSEHOVER;
    if (WindowMatches(tr.hwnd, filter) && InRange(m, min, max)) {
      *msg = MSG{};
      msg->hwnd = tr.hwnd;
      msg->message = m;
      POINT p = tr.hoverPoint;
      if (!tr.nonClient) ScreenToClient(tr.hwnd, &p);
      msg->wParam = tr.nonClient ? WPARAM(wm.lastMouseHit) : 0;
      msg->lParam = MAKELPARAM(p.x, p.y);
      msg->time = DWORD(now);
      msg->pt = wm.cursor;
      if (remove) tr.hover = false;
      return true;
    }
  }
  Timer* best = nullptr;
  for (Timer& t : wm.timers) {
    if (t.due > now || !WindowMatches(t.hwnd, filter) || !InRange(WM_TIMER, min, max)) continue;
    if (!best || t.due < best->due || (t.due == best->due && t.serial < best->serial)) best = &t;
  }
  if (!best) return false;
  *msg = MSG{};
  msg->hwnd = best->hwnd;
  msg->message = WM_TIMER;
  msg->wParam = best->id;
  msg->lParam = LPARAM(reinterpret_cast<intptr_t>(best->proc));
  msg->time = DWORD(now);
  msg->pt = wm.cursor;
  // One tick at most is pending per timer, however late the loop comes back.
  if (remove) best->due = now + best->elapse;
  return true;
}

DWORD GetTickCount() { return DWORD(CurrentClock().NowMs()); }

uint64_t GetTickCount64() { return CurrentClock().NowMs(); }

// ---------------------------------------------------------------------------------------------
// Hooks

HHOOK SetWindowsHookExW(int idHook, HookMethod proc, HINSTANCE, DWORD threadId) {
  if (idHook != WH_CBT || !proc) return nullptr;
  if (threadId != 0 && threadId != UiThreadId()) return nullptr;
  WindowManager& wm = Wm();
  uintptr_t handle = wm.nextHook += 4;
  wm.hooks.insert(wm.hooks.begin(),
                  Hook{handle, idHook, std::make_shared<HookMethod>(std::move(proc))});
  return reinterpret_cast<HHOOK>(handle);
}

HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId) {
  if (!proc) return nullptr;
  return SetWindowsHookExW(idHook, HookMethod(proc), module, threadId);
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto& hooks = Wm().hooks;
  auto it = std::find_if(hooks.begin(), hooks.end(), [&](const Hook& h) {
    return h.handle == reinterpret_cast<uintptr_t>(hook);
  });
  if (it == hooks.end()) return FALSE;
  hooks.erase(it);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  auto& hooks = Wm().hooks;
  auto it = std::find_if(hooks.begin(), hooks.end(), [&](const Hook& h) {
    return h.handle == reinterpret_cast<uintptr_t>(hook);
  });
  if (it == hooks.end()) return 0;
  int kind = it->kind;
  for (++it; it != hooks.end(); ++it)
    if (it->kind == kind) {
      std::shared_ptr<HookMethod> next = it->proc;
      return (*next)(code, wParam, lParam);
    }
  return 0;
}

LRESULT CallHooks(int kind, int code, WPARAM wParam, LPARAM lParam) {
  for (const Hook& h : Wm().hooks)
    if (h.kind == kind) {
      std::shared_ptr<HookMethod> first = h.proc;
      return (*first)(code, wParam, lParam);
    }
  return 0;
}

}  // namespace win
