// Input from the backend turned into messages, mouse capture and tracking, the keyboard state,
// activation and focus.

#include <algorithm>
#include <cstdlib>

#include "platform/windows/Metrics.h"
#include "platform/windows/WindowManager.h"

namespace win {

namespace {

constexpr size_t kMaxRawInput = 4096;
constexpr size_t kMaxKeyTexts = 512;
constexpr uintptr_t kCursorBase = 0x43550000;

void SetKey(std::array<uint8_t, 256>& keys, uint32_t vk, bool down) {
  if (vk > 255) return;
  if (down) keys[vk] |= 0x80;
  else keys[vk] &= 0x7F;
}

void SetToggle(std::array<uint8_t, 256>& keys, uint32_t vk, bool on) {
  if (on) keys[vk] |= 0x01;
  else keys[vk] &= 0xFE;
}

uint32_t ButtonVk(MouseButton b) {
  switch (b) {
    case MouseButton::Left: return VK_LBUTTON;
    case MouseButton::Right: return VK_RBUTTON;
    case MouseButton::Middle: return VK_MBUTTON;
    case MouseButton::X1: return VK_XBUTTON1;
    case MouseButton::X2: return VK_XBUTTON2;
  }
  return VK_LBUTTON;
}

// The generic code a key message carries, and the side-specific code it also sets.
uint32_t GenericVk(uint32_t vk) {
  switch (vk) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

uint32_t SideVk(uint32_t vk, bool extended, uint32_t scan) {
  switch (vk) {
    case VK_SHIFT: return scan == 0x36 ? VK_RSHIFT : VK_LSHIFT;
    case VK_CONTROL: return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU: return extended ? VK_RMENU : VK_LMENU;
    default: return vk;
  }
}

void ApplyKeyEvent(std::array<uint8_t, 256>& keys, const BackendEvent& ev) {
  bool down = ev.kind == BackendEvent::Kind::KeyDown;
  uint32_t generic = GenericVk(ev.virtualKey);
  SetKey(keys, generic, down);
  uint32_t side = ev.virtualKey != generic ? ev.virtualKey : SideVk(generic, ev.extended, ev.scanCode);
  if (side != generic) SetKey(keys, side, down);
  // The Insert toggle belongs to the platform, not to the keyboard.
  if (down && !ev.repeat && generic == VK_INSERT) keys[VK_INSERT] ^= 0x01;
  SetToggle(keys, VK_CAPITAL, ev.locks.capsLock);
  SetToggle(keys, VK_NUMLOCK, ev.locks.numLock);
  SetToggle(keys, VK_SCROLL, ev.locks.scrollLock);
}

void ApplyButton(std::array<uint8_t, 256>& keys, const BackendEvent& ev) {
  if (ev.kind == BackendEvent::Kind::ButtonDown) SetKey(keys, ButtonVk(ev.button), true);
  if (ev.kind == BackendEvent::Kind::ButtonUp) SetKey(keys, ButtonVk(ev.button), false);
}

WPARAM MouseKeys(const std::array<uint8_t, 256>& keys) {
  WPARAM k = 0;
  if (keys[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & 0x80) k |= MK_MBUTTON;
  if (keys[VK_SHIFT] & 0x80) k |= MK_SHIFT;
  if (keys[VK_CONTROL] & 0x80) k |= MK_CONTROL;
  return k;
}

// Client message numbers by button: down, up, double click.
UINT ClientButtonMessage(MouseButton b, int what) {
  UINT base = b == MouseButton::Right ? WM_RBUTTONDOWN
              : b == MouseButton::Middle ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
  return base + UINT(what);
}

UINT NonClientMessage(UINT clientMsg) { return clientMsg - WM_MOUSEMOVE + WM_NCMOUSEMOVE; }

bool ContainsPoint(const Window& w, POINT p) {
  RECT r = ScreenWindowRect(w);
  return PtInRect(&r, p) && ShapeContains(w, p);
}

// The window under a point, as the mouse sees it: the deepest visible, enabled window whose
// hit test does not answer HTTRANSPARENT. Each window asked gets exactly one WM_NCHITTEST.
// For the mouse (forMouse), a disabled top-level window under the point stops the search with
// HTERROR: its clicks are swallowed, not passed to whatever lies below it.
HWND HitSearch(const std::vector<HWND>& list, POINT p, bool topLevel, int* hit, bool forMouse = false) {
  for (HWND h : std::vector<HWND>(list)) {
    Window* w = Wm().Find(h);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    if (topLevel && (w->exStyle & WS_EX_LAYERED) && (w->exStyle & WS_EX_TRANSPARENT)) continue;
    if (w->style & WS_DISABLED) {
      if (forMouse && topLevel && ContainsPoint(*w, p)) {
        *hit = HTERROR;
        return h;
      }
      continue;
    }
    if (!ContainsPoint(*w, p)) continue;
    POINT c = ClientOrigin(*w);
    RECT client = Bounds(c.x, c.y, w->client.Width(), w->client.Height());
    if (PtInRect(&client, p) && !(w->style & WS_MINIMIZE))
      if (HWND inner = HitSearch(w->children, p, false, hit)) return inner;
    LRESULT code = SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    if (!Wm().Find(h)) continue;
    if (code != HTTRANSPARENT) {
      *hit = int(code);
      return h;
    }
  }
  return nullptr;
}

void PushCooked(const MSG& m) { Wm().cookedInput.push_back({m, Wm().cookKeys}); }

void Leave(HWND target, bool nonClient) {
  MouseTracking& tr = Wm().tracking;
  if (!tr.hwnd || (!tr.leave && !tr.hover)) return;
  if (tr.hwnd == target && tr.nonClient == nonClient) return;
  HWND was = tr.hwnd;
  bool wasNc = tr.nonClient;
  bool wantLeave = tr.leave;
  tr = MouseTracking{};
  if (wantLeave && Wm().Find(was)) {
    MSG m;
    m.hwnd = was;
    m.message = wasNc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE;
    m.time = DWORD(CurrentClock().NowMs());
    m.pt = Wm().cursor;
    PushCooked(m);
  }
}

void CookMouse(const BackendEvent& ev) {
  WindowManager& wm = Wm();
  ApplyButton(wm.cookKeys, ev);
  POINT p = ev.point;
  MSG m;
  m.time = DWORD(ev.timeMs);
  m.pt = p;

  if (ev.kind == BackendEvent::Kind::Wheel) {
    HWND target = wm.focus ? wm.focus : wm.active;
    if (!target || !wm.Find(target)) return;
    m.hwnd = target;
    m.message = WM_MOUSEWHEEL;
    m.wParam = MAKEWPARAM(int(MouseKeys(wm.cookKeys)), ev.wheelDelta);
    m.lParam = MAKELPARAM(p.x, p.y);
    PushCooked(m);
    return;
  }

  int what = ev.kind == BackendEvent::Kind::ButtonDown ? 0
             : ev.kind == BackendEvent::Kind::ButtonUp ? 1 : -1;
  UINT clientMsg = what < 0 ? WM_MOUSEMOVE : ClientButtonMessage(ev.button, what);

  HWND target = nullptr;
  int hit = HTCLIENT;
  if (wm.capture && wm.Find(wm.capture)) {
    target = wm.capture;
  } else {
    target = HitSearch(wm.TopLevels(), p, true, &hit, true);
    if (!target) {
      Leave(nullptr, false);
      wm.lastMouseWindow = nullptr;
      return;
    }
    if (hit == HTERROR) {
      // A disabled window (the owner of a modal dialog): the cursor is asked for, the default of
      // which beeps on a press, and the message goes nowhere.
      Leave(nullptr, false);
      wm.lastMouseWindow = nullptr;
      SendMessageW(target, WM_SETCURSOR, WPARAM(target), MAKELPARAM(HTERROR, int(clientMsg)));
      return;
    }
    SendMessageW(target, WM_SETCURSOR, WPARAM(target), MAKELPARAM(hit, int(clientMsg)));
    if (!wm.Find(target)) return;
    if (what == 0) {
      HWND root = RootOf(target);
      Window* r = wm.Find(root);
      if (r && root != wm.active && !(r->exStyle & WS_EX_NOACTIVATE)) {
        LRESULT ma = SendMessageW(target, WM_MOUSEACTIVATE, WPARAM(root),
                                  MAKELPARAM(hit, int(clientMsg)));
        if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT || ma == 0) ActivateWindow(root, true);
        if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return;
        if (!wm.Find(target)) return;
      }
    }
  }
  bool nonClient = hit != HTCLIENT;
  if (what == 0 && !wm.capture) {
    // Each ancestor of a pressed child hears of it, up to a child that asks for silence.
    HWND cur = target;
    for (Window* c = wm.Find(cur); c && c->parent && !(c->exStyle & WS_EX_NOPARENTNOTIFY);
         c = wm.Find(cur)) {
      HWND parent = c->parent;
      POINT inParent = p;
      ScreenToClient(parent, &inParent);
      SendMessageW(parent, WM_PARENTNOTIFY, MAKEWPARAM(int(clientMsg), 0),
                   MAKELPARAM(inParent.x, inParent.y));
      cur = parent;
    }
    if (!wm.Find(target)) return;
  }
  Leave(target, nonClient);
  MouseTracking& tr = wm.tracking;
  if (tr.hover && tr.hwnd == target && what < 0 &&
      (std::abs(p.x - tr.hoverPoint.x) > 2 || std::abs(p.y - tr.hoverPoint.y) > 2)) {
    tr.hoverPoint = p;
    tr.hoverDue = ev.timeMs + tr.hoverTime;
  }

  if (what == 0) {
    Window* w = wm.Find(target);
    auto& last = wm.lastClick;
    int halfX = GetSystemMetrics(SM_CXDOUBLECLK) / 2, halfY = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    bool second = last.valid && last.hwnd == target && last.button == ev.button &&
                  last.nonClient == nonClient && ev.timeMs - last.time <= GetDoubleClickTime() &&
                  std::abs(p.x - last.point.x) <= halfX && std::abs(p.y - last.point.y) <= halfY;
    if (second && (nonClient || (w->cls->style & CS_DBLCLKS))) {
      clientMsg = ClientButtonMessage(ev.button, 2);
      last.valid = false;
    } else {
      last = {target, ev.button, ev.timeMs, p, nonClient, true};
    }
  }

  m.hwnd = target;
  if (nonClient) {
    m.message = NonClientMessage(clientMsg);
    m.wParam = WPARAM(uint32_t(hit));
    m.lParam = MAKELPARAM(p.x, p.y);
  } else {
    POINT c = p;
    ScreenToClient(target, &c);
    m.message = clientMsg;
    m.wParam = MouseKeys(wm.cookKeys);
    m.lParam = MAKELPARAM(c.x, c.y);
  }
  wm.lastMouseWindow = target;
  wm.lastMouseHit = hit;
  PushCooked(m);
}

void CookKey(const BackendEvent& ev) {
  WindowManager& wm = Wm();
  ApplyKeyEvent(wm.cookKeys, ev);
  HWND target = wm.focus ? wm.focus : wm.active;
  if (!target || !wm.Find(target)) return;
  bool down = ev.kind == BackendEvent::Kind::KeyDown;
  uint32_t vk = GenericVk(ev.virtualKey);
  bool alt = (wm.cookKeys[VK_MENU] & 0x80) != 0;
  bool control = (wm.cookKeys[VK_CONTROL] & 0x80) != 0;
  // Alt chords, F10 and keys without a focus window are "system" keys.
  bool sys = (alt && !control) || vk == VK_F10 || !wm.focus;
  MSG m;
  m.hwnd = target;
  m.message = sys ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  m.wParam = vk;
  uint32_t lp = 1u | ((ev.scanCode & 0xFF) << 16);
  if (ev.extended) lp |= 1u << 24;
  if (alt) lp |= 1u << 29;
  if (!down || ev.repeat) lp |= 1u << 30;
  if (!down) lp |= 1u << 31;
  m.lParam = LPARAM(int32_t(lp));
  m.time = DWORD(ev.timeMs);
  m.pt = wm.cursor;
  if (down && !ev.text.empty()) {
    if (wm.keyTexts.size() >= kMaxKeyTexts) wm.keyTexts.erase(wm.keyTexts.begin());
    m.lPrivate = ++wm.keyTextSerial;
    wm.keyTexts[m.lPrivate] = ev.text;
  }
  PushCooked(m);
}

CursorShape ShapeOf(HCURSOR c) {
  switch (int(reinterpret_cast<uintptr_t>(c) - kCursorBase)) {
    case IDC_IBEAM: return CursorShape::IBeam;
    case IDC_WAIT: return CursorShape::Wait;
    case IDC_CROSS: return CursorShape::Cross;
    case IDC_UPARROW: return CursorShape::UpArrow;
    case IDC_SIZENWSE: return CursorShape::SizeNWSE;
    case IDC_SIZENESW: return CursorShape::SizeNESW;
    case IDC_SIZEWE: return CursorShape::SizeWE;
    case IDC_SIZENS: return CursorShape::SizeNS;
    case IDC_SIZEALL: return CursorShape::SizeAll;
    case IDC_NO: return CursorShape::No;
    case IDC_HAND: return CursorShape::Hand;
    case IDC_APPSTARTING: return CursorShape::AppStarting;
    case IDC_HELP: return CursorShape::Help;
    default: return CursorShape::Arrow;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The backend's events

void WindowManager::OnBackendEvent(const BackendEvent& ev) {
  using K = BackendEvent::Kind;
  switch (ev.kind) {
    case K::MouseMove:
    case K::ButtonDown:
    case K::ButtonUp:
    case K::Wheel:
      cursor = ev.point;
      ApplyButton(asyncKeys, ev);
      // Moves are coalesced: only the latest position of a run of moves matters.
      if (ev.kind == K::MouseMove && !rawInput.empty() && rawInput.back().kind == K::MouseMove) {
        rawInput.back() = ev;
        return;
      }
      if (rawInput.size() < kMaxRawInput) rawInput.push_back(ev);
      return;
    case K::KeyDown:
    case K::KeyUp:
      ApplyKeyEvent(asyncKeys, ev);
      if (rawInput.size() < kMaxRawInput) rawInput.push_back(ev);
      return;
    case K::FocusIn:
      if (Find(ev.window) && active != RootOf(ev.window)) ActivateWindow(ev.window, false);
      return;
    case K::FocusOut:
      if (ev.window && active == RootOf(ev.window)) DeactivateAll();
      return;
    case K::Expose:
      if (Window* w = Find(ev.window); w && w->surface) GetBackend().SurfaceDamaged(ev.window, ev.rect);
      return;
    case K::Configure:
      if (Window* w = Find(ev.window); w && !w->parent && !(w->rect == ev.rect))
        SetWindowPos(ev.window, nullptr, ev.rect.left, ev.rect.top, ev.rect.Width(),
                     ev.rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
      return;
    case K::CloseRequest:
      if (Find(ev.window)) PostMessageW(ev.window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
  }
}

bool CookNextInput() {
  WindowManager& wm = Wm();
  if (wm.rawInput.empty()) return false;
  BackendEvent ev = std::move(wm.rawInput.front());
  wm.rawInput.pop_front();
  if (ev.kind == BackendEvent::Kind::KeyDown || ev.kind == BackendEvent::Kind::KeyUp) CookKey(ev);
  else CookMouse(ev);
  return true;
}

HWND WindowFromPoint(POINT p) {
  int hit = HTNOWHERE;
  return HitSearch(Wm().TopLevels(), p, true, &hit);
}

void SynthesizeMouseMove() {
  BackendEvent ev;
  ev.kind = BackendEvent::Kind::MouseMove;
  ev.point = Wm().cursor;
  ev.timeMs = CurrentClock().NowMs();
  Wm().OnBackendEvent(ev);
}

void ForgetWindowInput(HWND hwnd) {
  WindowManager& wm = Wm();
  if (wm.capture == hwnd) {
    wm.capture = nullptr;
    wm.GetBackend().CaptureChanged(nullptr);
  }
  if (wm.focus == hwnd) wm.focus = nullptr;
  if (wm.active == hwnd) wm.active = nullptr;
  if (wm.tracking.hwnd == hwnd) wm.tracking = MouseTracking{};
  if (wm.lastClick.hwnd == hwnd) wm.lastClick.valid = false;
  if (wm.lastMouseWindow == hwnd) wm.lastMouseWindow = nullptr;
  auto& cooked = wm.cookedInput;
  cooked.erase(std::remove_if(cooked.begin(), cooked.end(),
                              [&](const WindowManager::CookedInput& c) { return c.msg.hwnd == hwnd; }),
               cooked.end());
}

// ---------------------------------------------------------------------------------------------
// Activation and focus

bool ActivateWindow(HWND hwnd, bool byMouse) {
  WindowManager& wm = Wm();
  hwnd = RootOf(hwnd);
  Window* w = wm.Find(hwnd);
  if (!w || w->destroying) return false;
  if (wm.active == hwnd) return true;
  CBTACTIVATESTRUCT cas{byMouse ? TRUE : FALSE, wm.active};
  if (CallHooks(WH_CBT, HCBT_ACTIVATE, WPARAM(hwnd), LPARAM(&cas))) return false;
  HWND old = wm.active;
  if (old && wm.Find(old)) {
    if (!SendMessageW(old, WM_NCACTIVATE, FALSE, LPARAM(hwnd))) return false;
    SendMessageW(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), LPARAM(hwnd));
    if (wm.focus && (wm.focus == old || IsChild(old, wm.focus))) {
      HWND f = wm.focus;
      wm.focus = nullptr;
      SendMessageW(f, WM_KILLFOCUS, 0, 0);
    }
  } else {
    old = nullptr;
  }
  if (!(w = wm.Find(hwnd))) return false;
  wm.active = hwnd;
  if (!old)
    for (HWND h : std::vector<HWND>(wm.TopLevels())) SendMessageW(h, WM_ACTIVATEAPP, TRUE, 0);
  if (!(w = wm.Find(hwnd))) return false;
  // The active window comes to the top of its band.
  auto& list = wm.TopLevels();
  auto first = std::find_if(list.begin(), list.end(), [&](HWND h) {
    Window* o = wm.Find(h);
    return o && ((o->exStyle & WS_EX_TOPMOST) == (w->exStyle & WS_EX_TOPMOST));
  });
  if (first != list.end() && *first != hwnd && !(w->style & WS_MINIMIZE))
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (wm.active != hwnd || !wm.Find(hwnd)) return wm.active == hwnd;
  SendMessageW(hwnd, WM_NCACTIVATE, TRUE, 0);
  SendMessageW(hwnd, WM_ACTIVATE, MAKEWPARAM(byMouse ? WA_CLICKACTIVE : WA_ACTIVE,
                                             IsIconic(hwnd) ? 1 : 0), LPARAM(old));
  if (wm.active == hwnd && wm.Find(hwnd)) wm.GetBackend().ActivateWindow(hwnd);
  return wm.active == hwnd;
}

void DeactivateAll() {
  WindowManager& wm = Wm();
  HWND old = wm.active;
  if (!old) return;
  wm.active = nullptr;
  if (wm.Find(old)) {
    SendMessageW(old, WM_NCACTIVATE, FALSE, 0);
    SendMessageW(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), 0);
  }
  if (HWND f = wm.focus) {
    wm.focus = nullptr;
    SendMessageW(f, WM_KILLFOCUS, 0, 0);
  }
  if (!wm.active)
    for (HWND h : std::vector<HWND>(wm.TopLevels())) SendMessageW(h, WM_ACTIVATEAPP, FALSE, 0);
}

HWND SetActiveWindow(HWND hwnd) {
  HWND old = Wm().active;
  if (!hwnd) {
    DeactivateAll();
    return old;
  }
  Window* w = Wm().Find(hwnd);
  if (!w || w->parent) return nullptr;
  return ActivateWindow(hwnd, false) ? old : nullptr;
}

HWND GetActiveWindow() { return Wm().active; }

BOOL SetForegroundWindow(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (!w) return FALSE;
  return ActivateWindow(hwnd, false) ? TRUE : FALSE;
}

HWND GetForegroundWindow() { return Wm().active; }

HWND SetFocus(HWND hwnd) {
  WindowManager& wm = Wm();
  HWND old = wm.focus;
  if (!hwnd) {
    if (old) {
      wm.focus = nullptr;
      SendMessageW(old, WM_KILLFOCUS, 0, 0);
    }
    return old;
  }
  Window* w = wm.Find(hwnd);
  if (!w || (w->style & WS_DISABLED)) return nullptr;
  if (CallHooks(WH_CBT, HCBT_SETFOCUS, WPARAM(hwnd), LPARAM(old))) return nullptr;
  // The answer is the focus as the caller saw it, even when activating moved it meanwhile.
  HWND callerSaw = old;
  HWND root = RootOf(hwnd);
  if (wm.active != root && !ActivateWindow(root, false)) return nullptr;
  if (!wm.Find(hwnd)) return nullptr;
  old = wm.focus;
  if (old == hwnd) return callerSaw;
  if (old && wm.Find(old)) SendMessageW(old, WM_KILLFOCUS, WPARAM(hwnd), 0);
  if (!wm.Find(hwnd)) return callerSaw;
  wm.focus = hwnd;
  SendMessageW(hwnd, WM_SETFOCUS, WPARAM(old && wm.Find(old) ? old : nullptr), 0);
  return callerSaw;
}

HWND GetFocus() { return Wm().focus; }

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = Wm().Find(hwnd);
  if (!w) return FALSE;
  bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  if (!enable) {
    HWND cap = Wm().capture;
    if (cap && (cap == hwnd || IsChild(hwnd, cap))) SendMessageW(cap, WM_CANCELMODE, 0, 0);
    if (!(w = Wm().Find(hwnd))) return FALSE;
    w->style |= WS_DISABLED;
    HWND f = Wm().focus;
    if (f && (f == hwnd || IsChild(hwnd, f))) SetFocus(nullptr);
    if (Wm().capture && (Wm().capture == hwnd || IsChild(hwnd, Wm().capture))) ReleaseCapture();
  } else {
    w->style &= ~DWORD(WS_DISABLED);
  }
  SendMessageW(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

// ---------------------------------------------------------------------------------------------
// Capture, tracking and the cursor

HWND SetCapture(HWND hwnd) {
  WindowManager& wm = Wm();
  HWND old = wm.capture;
  if (!wm.Find(hwnd)) return nullptr;
  if (old == hwnd) return old;
  wm.capture = hwnd;
  wm.GetBackend().CaptureChanged(RootOf(hwnd));
  if (old && wm.Find(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, LPARAM(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  WindowManager& wm = Wm();
  HWND old = wm.capture;
  if (!old) return TRUE;
  wm.capture = nullptr;
  wm.GetBackend().CaptureChanged(nullptr);
  if (wm.Find(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  // The window under the cursor learns about it as if the mouse had moved.
  SynthesizeMouseMove();
  return TRUE;
}

HWND GetCapture() { return Wm().capture; }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme || tme->cbSize != sizeof(TRACKMOUSEEVENT)) return FALSE;
  WindowManager& wm = Wm();
  MouseTracking& tr = wm.tracking;
  if (tme->dwFlags & TME_QUERY) {
    tme->dwFlags = 0;
    if (tr.hwnd) {
      tme->dwFlags = (tr.leave ? DWORD(TME_LEAVE) : 0u) | (tr.hover ? DWORD(TME_HOVER) : 0u) |
                     (tr.nonClient ? DWORD(TME_NONCLIENT) : 0u);
      tme->hwndTrack = tr.hwnd;
      tme->dwHoverTime = tr.hoverTime;
    }
    return TRUE;
  }
  if (!wm.Find(tme->hwndTrack)) return FALSE;
  bool nonClient = (tme->dwFlags & TME_NONCLIENT) != 0;
  if (tme->dwFlags & TME_CANCEL) {
    if (tr.hwnd == tme->hwndTrack && tr.nonClient == nonClient) {
      if (tme->dwFlags & TME_LEAVE) tr.leave = false;
      if (tme->dwFlags & TME_HOVER) tr.hover = false;
      if (!tr.leave && !tr.hover) tr = MouseTracking{};
    }
    return TRUE;
  }
  bool over = wm.lastMouseWindow == tme->hwndTrack &&
              ((wm.lastMouseHit != HTCLIENT) == nonClient);
  if (wm.capture == tme->hwndTrack) over = true;
  if (!over) {
    // Not over the window (any more): the leave comes at once.
    if (tme->dwFlags & TME_LEAVE) {
      MSG m;
      m.hwnd = tme->hwndTrack;
      m.message = nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE;
      m.time = DWORD(CurrentClock().NowMs());
      m.pt = wm.cursor;
      PushCooked(m);
    }
    return TRUE;
  }
  if (tr.hwnd != tme->hwndTrack || tr.nonClient != nonClient) tr = MouseTracking{};
  tr.hwnd = tme->hwndTrack;
  tr.nonClient = nonClient;
  if (tme->dwFlags & TME_LEAVE) tr.leave = true;
  if (tme->dwFlags & TME_HOVER) {
    tr.hover = true;
    tr.hoverTime = tme->dwHoverTime == HOVER_DEFAULT ? 400 : std::max<DWORD>(tme->dwHoverTime, 1);
    tr.hoverPoint = wm.cursor;
    tr.hoverDue = CurrentClock().NowMs() + tr.hoverTime;
  }
  return TRUE;
}

BOOL GetCursorPos(POINT* p) {
  if (!p) return FALSE;
  *p = Wm().cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  Wm().GetBackend().SetCursorPos(POINT{x, y});
  Wm().cursor = POINT{x, y};
  SynthesizeMouseMove();
  return TRUE;
}

HCURSOR LoadCursorW(HINSTANCE instance, const char16_t* name) {
  if (instance || !IS_INTRESOURCE(name)) return nullptr;
  int id = int(reinterpret_cast<uintptr_t>(name));
  switch (id) {
    case IDC_ARROW: case IDC_IBEAM: case IDC_WAIT: case IDC_CROSS: case IDC_UPARROW:
    case IDC_SIZENWSE: case IDC_SIZENESW: case IDC_SIZEWE: case IDC_SIZENS: case IDC_SIZEALL:
    case IDC_NO: case IDC_HAND: case IDC_APPSTARTING: case IDC_HELP:
      return reinterpret_cast<HCURSOR>(kCursorBase + uintptr_t(id));
    default:
      return nullptr;
  }
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = Wm().currentCursor;
  Wm().currentCursor = cursor;
  if (old != cursor) Wm().GetBackend().SetCursorShape(ShapeOf(cursor));
  return old;
}

HCURSOR GetCursor() { return Wm().currentCursor; }

// ---------------------------------------------------------------------------------------------
// Keyboard state

int16_t GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  uint8_t k = Wm().syncKeys[size_t(vk)];
  return int16_t(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

int16_t GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return int16_t((Wm().asyncKeys[size_t(vk)] & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* state) {
  if (!state) return FALSE;
  std::copy(Wm().syncKeys.begin(), Wm().syncKeys.end(), state);
  return TRUE;
}

BOOL SetKeyboardState(const BYTE* state) {
  if (!state) return FALSE;
  std::copy(state, state + 256, Wm().syncKeys.begin());
  // Events still to come continue from the new toggles.
  for (uint32_t vk : {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL, VK_INSERT})
    SetToggle(Wm().cookKeys, vk, (state[vk] & 1) != 0);
  return TRUE;
}

void MessageBeep(UINT) { Wm().GetBackend().Beep(); }

}  // namespace win
