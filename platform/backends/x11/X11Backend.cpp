#include "platform/backends/x11/X11Backend.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>

#include <algorithm>

#include "platform/windows/VirtualKeys.h"

// Xlib's event and cursor macros share names with the backend interface; the event numbers are
// kept as constants and the macros dropped.
namespace {
constexpr int kXFocusIn = FocusIn;
constexpr int kXFocusOut = FocusOut;
constexpr int kXExpose = Expose;
}  // namespace
#undef FocusIn
#undef FocusOut
#undef Expose
#undef CursorShape

namespace win {

void RegisterX11Backend() {
  RegisterBackend("x11", [] { return std::make_unique<x11::X11Backend>(); });
}

namespace x11 {

namespace {

// A confirmation of our own move that has not come back within this time is taken as lost, so
// that later changes by the desktop's window manager are not mistaken for echoes.
constexpr uint64_t kRequestLifetimeMs = 1000;

// X has no empty windows: one of zero width or height is one pixel wide on the server.
bool SameGeometry(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && std::max(1, a.Width()) == std::max(1, b.Width()) &&
         std::max(1, a.Height()) == std::max(1, b.Height());
}

bool IsRealFocusChange(const XFocusChangeEvent& e) {
  // Pointer-root and grab traffic is not a change of the focused top-level window.
  return (e.mode == NotifyNormal || e.mode == NotifyWhileGrabbed) && e.detail != NotifyPointer &&
         e.detail != NotifyInferior;
}

Modifiers ModifiersOf(unsigned int state) {
  return {(state & ShiftMask) != 0, (state & ControlMask) != 0, (state & Mod1Mask) != 0};
}

unsigned int CursorFontShape(CursorShape shape) {
  switch (shape) {
    case CursorShape::Arrow: return XC_left_ptr;
    case CursorShape::IBeam: return XC_xterm;
    case CursorShape::Wait: return XC_watch;
    case CursorShape::Cross: return XC_crosshair;
    case CursorShape::SizeNWSE: return XC_bottom_right_corner;
    case CursorShape::SizeNESW: return XC_bottom_left_corner;
    case CursorShape::SizeWE: return XC_sb_h_double_arrow;
    case CursorShape::SizeNS: return XC_sb_v_double_arrow;
    case CursorShape::SizeAll: return XC_fleur;
    case CursorShape::Hand: return XC_hand2;
    case CursorShape::No: return XC_X_cursor;
    case CursorShape::AppStarting: return XC_watch;
    case CursorShape::UpArrow: return XC_sb_up_arrow;
    case CursorShape::Help: return XC_question_arrow;
  }
  return XC_left_ptr;
}

// Premultiplies the surface by a constant alpha for a translucent X window; the surface's own
// alpha is not shown (only a layered picture carries per-pixel alpha).
void ComposeConstantAlpha(const Bitmap& surface, const RECT& r, uint8_t alpha, Bitmap& out) {
  for (int y = r.top; y < r.bottom; ++y) {
    const Bgra* src = surface.Row32(y);
    Bgra* dst = out.Row32(y);
    for (int x = r.left; x < r.right; ++x) {
      const Bgra p = src[x];
      dst[x] = {uint8_t((p.b * alpha + 127) / 255), uint8_t((p.g * alpha + 127) / 255),
                uint8_t((p.r * alpha + 127) / 255), alpha};
    }
  }
}

}  // namespace

X11Backend::X11Backend()
    : FDisplay(std::make_unique<X11Display>()),
      FLocks(std::make_unique<LockReader>(*FDisplay)),
      FClipboard(std::make_unique<X11Clipboard>(*FDisplay)) {
  // Held keys then repeat as presses only, without a release before each one.
  Bool supported = False;
  XkbSetDetectableAutoRepeat(FDisplay->Dpy(), True, &supported);
}

X11Backend::~X11Backend() {
  FTops.clear();
  for (const auto& [shape, cursor] : FCursors) XFreeCursor(FDisplay->Dpy(), cursor);
}

X11Backend::Top* X11Backend::Find(HWND hwnd) {
  auto it = FTops.find(hwnd);
  return it == FTops.end() ? nullptr : it->second.get();
}

X11Backend::Top* X11Backend::FindX(XWindow window) {
  auto it = FByX.find(window);
  return it == FByX.end() ? nullptr : it->second;
}

XWindow X11Backend::XWindowOf(HWND hwnd) const {
  auto it = FTops.find(hwnd);
  return it == FTops.end() ? 0 : it->second->window->Id();
}

void X11Backend::MakeWindow(Top& top) {
  WindowOptions options;
  options.bounds = top.info.bounds;
  options.title = top.info.title;
  options.topmost = top.info.topmost;
  options.layered = top.layered;
  // Menus, tips and shadow borders are placed exactly and never take the focus, which only
  // windows outside the desktop's window manager can count on. Other popups (dialogs, bare
  // forms) stay managed.
  if (top.info.popup && (top.info.toolWindow || top.info.noActivate))
    options.kind = WindowKind::Popup;
  else if (top.info.toolWindow)
    options.kind = WindowKind::Tool;
  if (Top* owner = Find(top.info.owner)) options.transientFor = owner->window->Id();

  if (top.window) FByX.erase(top.window->Id());
  top.window = std::make_unique<X11Window>(*FDisplay, options);
  FByX[top.window->Id()] = &top;
  if (top.bounding || top.input)
    top.window->SetBoundingShape(top.bounding ? &*top.bounding : nullptr);
  if (top.input) top.window->SetInputShape(&*top.input);
  if (FCursor) XDefineCursor(FDisplay->Dpy(), top.window->Id(), FCursor);
}

void X11Backend::WindowCreated(HWND hwnd, const TopLevelInfo& info, const Bitmap& surface) {
  auto top = std::make_unique<Top>();
  top->hwnd = hwnd;
  top->info = info;
  top->surface = &surface;
  top->layered = info.layered;
  MakeWindow(*top);
  FTops[hwnd] = std::move(top);
}

void X11Backend::WindowDestroyed(HWND hwnd) {
  auto it = FTops.find(hwnd);
  if (it == FTops.end()) return;
  if (FCapture == hwnd) CaptureChanged(nullptr);
  FByX.erase(it->second->window->Id());
  FTops.erase(it);
}

void X11Backend::WindowMoved(HWND hwnd, const RECT& bounds) {
  Top* top = Find(hwnd);
  if (!top) return;
  top->info.bounds = bounds;
  if (SameGeometry(top->window->Bounds(), bounds)) {
    top->window->NoteBounds(bounds);
    return;
  }
  top->requests.push_back({bounds, FClock.NowMs()});
  top->window->SetBounds(bounds);
  XFlush(FDisplay->Dpy());
}

void X11Backend::WindowShown(HWND hwnd, bool activate) {
  Top* top = Find(hwnd);
  if (!top) return;
  top->shown = true;
  top->window->Show(activate && !top->info.noActivate);
  // A window comes up at the top of the server's stack; the window system may have placed it
  // lower (a window shown behind others, or below a topmost one).
  Restack();
}

void X11Backend::WindowHidden(HWND hwnd) {
  Top* top = Find(hwnd);
  if (!top) return;
  top->shown = false;
  top->window->Hide();
}

void X11Backend::WindowTitleChanged(HWND hwnd, StringView title) {
  if (Top* top = Find(hwnd)) {
    top->info.title = String(title);
    top->window->SetTitle(title);
  }
}

void X11Backend::ZOrderChanged(const std::vector<HWND>& topToBottom) {
  FZOrder = topToBottom;
  Restack();
}

void X11Backend::Restack() {
  std::vector<::Window> order;
  for (HWND h : FZOrder)
    if (Top* top = Find(h)) order.push_back(top->window->Id());
  // Under a reparenting window manager the windows are no longer siblings; the refusal is
  // caught, and that manager keeps its own stacking of transient and above-others windows.
  if (order.size() > 1) XRestackWindows(FDisplay->Dpy(), order.data(), static_cast<int>(order.size()));
  XFlush(FDisplay->Dpy());
}

void X11Backend::RegionChanged(HWND hwnd, const std::vector<RECT>* bounding,
                               const std::vector<RECT>* input) {
  Top* top = Find(hwnd);
  if (!top) return;
  top->bounding = bounding ? std::optional(*bounding) : std::nullopt;
  top->input = input ? std::optional(*input) : std::nullopt;
  top->window->SetBoundingShape(bounding);
  top->window->SetInputShape(input);
  XFlush(FDisplay->Dpy());
}

void X11Backend::LayeredChanged(HWND hwnd, const LayeredPicture& layered) {
  Top* top = Find(hwnd);
  if (!top) return;
  top->constantAlpha = layered.constantAlpha;
  if (layered.picture && layered.picture->Format() == PixelFormat::Bgra32) {
    Bitmap picture = *layered.picture;
    if (layered.constantAlpha != 255) {
      const unsigned a = layered.constantAlpha;
      for (int y = 0; y < picture.Height(); ++y)
        for (Bgra* p = picture.Row32(y), *end = p + picture.Width(); p != end; ++p)
          *p = {uint8_t((p->b * a + 127) / 255), uint8_t((p->g * a + 127) / 255),
                uint8_t((p->r * a + 127) / 255), uint8_t((p->a * a + 127) / 255)};
    }
    top->picture = std::move(picture);
  } else {
    top->picture.reset();
  }

  // A window that becomes layered after it was made needs a visual with an alpha channel, which
  // an X window cannot change: it is made again.
  if (!top->layered) {
    top->layered = true;
    if (LayeredWindowsAvailable()) {
      MakeWindow(*top);
      if (top->shown) top->window->Show(false);
      Restack();
    }
  }
  if (!top->window->Translucent()) {
    // No compositor: fully transparent pixels are cut out, the rest shows unblended.
    if (top->picture) {
      const std::vector<RECT> opaque = OpaqueRects(*top->picture);
      top->window->SetAlphaShape(&opaque);
    } else {
      top->window->SetAlphaShape(nullptr);
    }
  }
  Present(*top, Bounds(0, 0, top->info.bounds.Width(), top->info.bounds.Height()));
}

void X11Backend::Present(Top& top, const RECT& rect) {
  X11Window& w = *top.window;
  if (top.picture) {
    w.Present(*top.picture, rect);
    return;
  }
  const Bitmap& surface = *top.surface;
  if (!w.Translucent()) {
    w.Present(surface, rect);
    return;
  }
  if (FStaging.Width() < surface.Width() || FStaging.Height() < surface.Height())
    FStaging = Bitmap(std::max(FStaging.Width(), surface.Width()),
                      std::max(FStaging.Height(), surface.Height()));
  RECT r{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, surface.Width()),
         std::min(rect.bottom, surface.Height())};
  if (r.right <= r.left || r.bottom <= r.top) return;
  ComposeConstantAlpha(surface, r, top.constantAlpha, FStaging);
  w.Present(FStaging, r);
}

void X11Backend::SurfaceDamaged(HWND hwnd, const RECT& rect) {
  Top* top = Find(hwnd);
  // A layered picture replaces the surface, so painting into the surface shows nothing new.
  if (!top || top->picture) return;
  Present(*top, rect);
}

void X11Backend::ActivateWindow(HWND hwnd) {
  if (Top* top = Find(hwnd); top && !top->info.noActivate) top->window->Activate();
}

void X11Backend::CaptureChanged(HWND hwnd) {
  Display* dpy = FDisplay->Dpy();
  Top* top = Find(hwnd);
  FCapture = top ? hwnd : nullptr;
  if (top) {
    // Our own windows still report the pointer over them; elsewhere the captor gets it.
    XGrabPointer(dpy, top->window->Id(), True,
                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, 0, FCursor, CurrentTime);
  } else {
    XUngrabPointer(dpy, CurrentTime);
  }
  XFlush(dpy);
}

void X11Backend::SetCursorShape(CursorShape shape) {
  Display* dpy = FDisplay->Dpy();
  auto it = FCursors.find(shape);
  if (it == FCursors.end()) it = FCursors.emplace(shape, XCreateFontCursor(dpy, CursorFontShape(shape))).first;
  if (FCursor == it->second) return;
  FCursor = it->second;
  for (const auto& [hwnd, top] : FTops) XDefineCursor(dpy, top->window->Id(), FCursor);
  XFlush(dpy);
}

POINT X11Backend::CursorPos() const {
  ::Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  XQueryPointer(FDisplay->Dpy(), FDisplay->Root(), &root, &child, &rx, &ry, &wx, &wy, &mask);
  return {rx, ry};
}

void X11Backend::SetCursorPos(POINT p) {
  XWarpPointer(FDisplay->Dpy(), 0, FDisplay->Root(), 0, 0, 0, 0, p.x, p.y);
  XFlush(FDisplay->Dpy());
  FWarped = p;
}

LockStates X11Backend::QueryLockStates() const {
  FLocks->Refresh();
  return {FLocks->Caps(), FLocks->Num(), FLocks->Scroll()};
}

void X11Backend::Deliver(BackendEvent& event) {
  event.timeMs = FClock.NowMs();
  event.locks = {FLocks->Caps(), FLocks->Num(), FLocks->Scroll()};
  ++FDelivered;
  if (FSink) FSink->OnBackendEvent(event);
}

void X11Backend::FillPointer(BackendEvent& e, Top& top, int rootX, int rootY, unsigned int state) {
  e.point = {rootX, rootY};
  // During a grab the pointer may be far from the window the event names; the window manager
  // then finds the window under it itself.
  const RECT& b = top.window->Bounds();
  e.window = PtInRect(&b, e.point) ? top.hwnd : nullptr;
  e.modifiers = ModifiersOf(state);
  FLocks->FromState(state);
}

bool X11Backend::NextIsFocusInOfOurs() {
  Display* dpy = FDisplay->Dpy();
  if (XEventsQueued(dpy, QueuedAfterReading) == 0) return false;
  XEvent next;
  XPeekEvent(dpy, &next);
  return next.type == kXFocusIn && FindX(next.xfocus.window) && IsRealFocusChange(next.xfocus);
}

void X11Backend::OnConfigure(Top& top, const XEvent& event) {
  const XConfigureEvent& c = event.xconfigure;
  X11Window& w = *top.window;
  const RECT reported = w.ReportedBounds(c.x, c.y, c.width, c.height, c.send_event);
  const uint64_t now = FClock.NowMs();
  while (!top.requests.empty() && now - top.requests.front().timeMs > kRequestLifetimeMs)
    top.requests.pop_front();
  // The server confirms our own requests in order; an echo of one of them is no news.
  for (size_t i = 0; i < top.requests.size(); ++i) {
    if (SameGeometry(top.requests[i].bounds, reported)) {
      top.requests.erase(top.requests.begin(), top.requests.begin() + long(i) + 1);
      return;
    }
  }
  if (SameGeometry(reported, w.Bounds())) return;
  // Otherwise the window manager answered the oldest request its own way; only its answer to
  // the last one is the window's real place.
  if (!top.requests.empty()) {
    top.requests.pop_front();
    if (!top.requests.empty()) return;
  }
  w.NoteBounds(reported);
  top.info.bounds = reported;
  BackendEvent e;
  e.kind = BackendEvent::Kind::Configure;
  e.window = top.hwnd;
  e.rect = reported;
  Deliver(e);
}

void X11Backend::OnButton(Top& top, const XEvent& event) {
  const XButtonEvent& b = event.xbutton;
  FLastTime = b.time;
  BackendEvent e;
  FillPointer(e, top, b.x_root, b.y_root, b.state);
  const bool down = event.type == ButtonPress;
  switch (b.button) {
    case Button4:
    case Button5:
      if (!down) return;
      e.kind = BackendEvent::Kind::Wheel;
      e.wheelDelta = b.button == Button4 ? 120 : -120;
      Deliver(e);
      return;
    case 6:
    case 7:
      return;  // sideways scrolling has no message here
    case Button1: e.button = MouseButton::Left; break;
    case Button2: e.button = MouseButton::Middle; break;
    case Button3: e.button = MouseButton::Right; break;
    case 8: e.button = MouseButton::X1; break;
    case 9: e.button = MouseButton::X2; break;
    default: return;
  }
  e.kind = down ? BackendEvent::Kind::ButtonDown : BackendEvent::Kind::ButtonUp;
  Deliver(e);
}

void X11Backend::OnKey(Top& top, XEvent& event) {
  XKeyEvent& k = event.xkey;
  FLastTime = k.time;
  const bool down = event.type == KeyPress;
  Display* dpy = FDisplay->Dpy();

  if (!down && XEventsQueued(dpy, QueuedAfterReading) > 0) {
    // Servers without detectable auto-repeat send a release right before each repeated press.
    XEvent next;
    XPeekEvent(dpy, &next);
    if (next.type == KeyPress && next.xkey.keycode == k.keycode && next.xkey.time == k.time) return;
  }

  BackendEvent e;
  e.window = top.hwnd;
  e.modifiers = ModifiersOf(k.state);
  FLocks->FromState(k.state);

  KeySym effective = 0;
  if (down) {
    char buffer[64];
    std::string text;
    if (XIC ic = top.window->InputContext()) {
      Status status = 0;
      int n = Xutf8LookupString(ic, &k, buffer, sizeof buffer, &effective, &status);
      if (status == XBufferOverflow) {
        text.resize(static_cast<size_t>(n));
        n = Xutf8LookupString(ic, &k, text.data(), n, &effective, &status);
      } else if (status == XLookupChars || status == XLookupBoth) {
        text.assign(buffer, static_cast<size_t>(std::max(n, 0)));
      }
      if (status != XLookupKeySym && status != XLookupBoth) effective = 0;
      if (status != XLookupChars && status != XLookupBoth && status != XBufferOverflow) text.clear();
      e.text = Utf8ToString(text);
    } else {
      const int n = XLookupString(&k, buffer, sizeof buffer, &effective, nullptr);
      for (int i = 0; i < n; ++i) e.text.push_back(static_cast<unsigned char>(buffer[i]));
    }
  } else {
    char ignored[8];
    XLookupString(&k, ignored, sizeof ignored, &effective, nullptr);
  }

  if (k.keycode == 0) {
    // Text an input method composed (a dead key sequence, say) belongs to no physical key.
    if (!down || e.text.empty()) return;
    e.kind = BackendEvent::Kind::KeyDown;
    e.virtualKey = VK_PACKET;
    Deliver(e);
    e.kind = BackendEvent::Kind::KeyUp;
    e.text.clear();
    Deliver(e);
    return;
  }

  const KeySym plain = XLookupKeysym(&k, 0);
  const KeyIdentity id = IdentifyKey(plain, effective ? effective : plain, k.keycode);
  if (id.virtualKey == 0) return;
  e.virtualKey = id.virtualKey;
  e.scanCode = id.scanCode;
  e.extended = id.extended;
  // The key's own modifier is not yet (or no longer) part of the state it reports.
  if (id.virtualKey == VK_SHIFT) e.modifiers.shift = false;
  if (id.virtualKey == VK_CONTROL) e.modifiers.control = false;
  if (id.virtualKey == VK_MENU) e.modifiers.alt = false;
  // Delete produces DEL in X but no character in the window system.
  std::erase(e.text, u'\x7f');

  if (down) {
    e.kind = BackendEvent::Kind::KeyDown;
    e.repeat = !FKeysDown.insert(k.keycode).second;
    if (id.virtualKey == VK_CAPITAL || id.virtualKey == VK_NUMLOCK || id.virtualKey == VK_SCROLL)
      FLocks->Refresh();  // the toggle this press made
  } else {
    e.kind = BackendEvent::Kind::KeyUp;
    FKeysDown.erase(k.keycode);
    e.text.clear();
  }
  Deliver(e);
}

void X11Backend::Dispatch(XEvent& event) {
  Display* dpy = FDisplay->Dpy();
  if (event.type == FDisplay->ShmCompletionType()) {
    const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
    if (Top* top = FindX(done.drawable)) top->window->NoteShmCompletion();
    return;
  }
  if (event.type == MappingNotify) {
    XRefreshKeyboardMapping(&event.xmapping);
    return;
  }
  if (FClipboard->HandleEvent(event)) return;
  Top* top = FindX(event.xany.window);
  if (!top) return;

  switch (event.type) {
    case kXExpose: {
      const XExposeEvent& x = event.xexpose;
      const RECT r = Bounds(x.x, x.y, x.width, x.height);
      UnionRect(&top->exposed, &top->exposed, &r);
      if (x.count == 0) {
        Present(*top, top->exposed);
        top->exposed = {};
      }
      return;
    }
    case ConfigureNotify:
      OnConfigure(*top, event);
      return;
    case MapNotify:
      top->window->NoteMapped(true);
      return;
    case UnmapNotify:
      top->window->NoteMapped(false);
      return;
    case kXFocusIn:
    case kXFocusOut: {
      if (!IsRealFocusChange(event.xfocus)) return;
      const bool in = event.type == kXFocusIn;
      if (XIC ic = top->window->InputContext()) in ? XSetICFocus(ic) : XUnsetICFocus(ic);
      // Keys released while the focus was elsewhere never sent their release to us; a new
      // press of them is no repeat.
      FKeysDown.clear();
      // Focus moving between two of our windows is the window manager's own business.
      if (!in && NextIsFocusInOfOurs()) return;
      if (in) FLocks->Refresh();  // the locks may have changed while another program had the keys
      BackendEvent e;
      e.kind = in ? BackendEvent::Kind::FocusIn : BackendEvent::Kind::FocusOut;
      e.window = top->hwnd;
      Deliver(e);
      return;
    }
    case ClientMessage: {
      const XClientMessageEvent& c = event.xclient;
      if (c.message_type == FDisplay->Atoms().WM_PROTOCOLS && c.format == 32 &&
          XAtom(c.data.l[0]) == FDisplay->Atoms().WM_DELETE_WINDOW) {
        BackendEvent e;
        e.kind = BackendEvent::Kind::CloseRequest;
        e.window = top->hwnd;
        Deliver(e);
      }
      return;
    }
    case MotionNotify: {
      // Only the latest of a run of motions matters.
      XEvent next;
      while (XEventsQueued(dpy, QueuedAlready) > 0) {
        XPeekEvent(dpy, &next);
        if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window) break;
        XNextEvent(dpy, &event);
      }
      const XMotionEvent& m = event.xmotion;
      BackendEvent e;
      e.kind = BackendEvent::Kind::MouseMove;
      FillPointer(e, *top, m.x_root, m.y_root, m.state);
      Deliver(e);
      return;
    }
    case EnterNotify:
    case LeaveNotify: {
      const XCrossingEvent& c = event.xcrossing;
      if (c.mode != NotifyNormal || c.detail == NotifyInferior) return;
      BackendEvent e;
      e.kind = BackendEvent::Kind::MouseMove;
      FillPointer(e, *top, c.x_root, c.y_root, c.state);
      if (event.type == LeaveNotify) e.window = nullptr;
      Deliver(e);
      return;
    }
    case ButtonPress:
    case ButtonRelease:
      OnButton(*top, event);
      return;
    case KeyPress:
    case KeyRelease:
      OnKey(*top, event);
      return;
    default:
      return;
  }
}

int X11Backend::DeliverPending() {
  Display* dpy = FDisplay->Dpy();
  FDelivered = 0;
  if (FWarped) {
    BackendEvent e;
    e.kind = BackendEvent::Kind::MouseMove;
    e.point = *FWarped;
    FWarped.reset();
    Deliver(e);
  }
  while (XPending(dpy) > 0) {
    XEvent event;
    XNextEvent(dpy, &event);
    // The input method may take keys for composing.
    if (XFilterEvent(&event, 0)) continue;
    Dispatch(event);
  }
  return FDelivered;
}

void X11Backend::PollEvents() { DeliverPending(); }

WaitResult X11Backend::WaitForEvents(std::optional<uint64_t> timeoutMs) {
  const uint64_t start = FClock.NowMs();
  for (;;) {
    if (DeliverPending() > 0) return WaitResult::Events;
    int wait = -1;
    if (timeoutMs) {
      const uint64_t spent = FClock.NowMs() - start;
      if (spent >= *timeoutMs) return WaitResult::Timeout;
      wait = static_cast<int>(std::min<uint64_t>(*timeoutMs - spent, 1u << 30));
    }
    const int why = FDisplay->WaitForEvents(wait);
    if (why & X11Display::kWoken) return WaitResult::Woken;
  }
}

ClipboardData X11Backend::GetClipboard() { return FClipboard->Get(FLastTime); }

void X11Backend::SetClipboard(const ClipboardData& data) { FClipboard->Set(data, FLastTime); }

SIZE X11Backend::ScreenSize() const { return {FDisplay->ScreenWidth(), FDisplay->ScreenHeight()}; }

RECT X11Backend::WorkArea() const {
  int x = 0, y = 0, w = 0, h = 0;
  FDisplay->WorkArea(&x, &y, &w, &h);
  return Bounds(x, y, w, h);
}

bool X11Backend::LayeredWindowsAvailable() const {
  return FDisplay->ArgbVisual() != nullptr && FDisplay->CompositorRunning();
}

void X11Backend::Beep() {
  XBell(FDisplay->Dpy(), 0);
  XFlush(FDisplay->Dpy());
}

}  // namespace x11
}  // namespace win
