#include "platform/backends/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/base/Errors.h"

namespace win::x11 {

namespace {

constexpr long kEventMask = ExposureMask | StructureNotifyMask | FocusChangeMask | ButtonPressMask |
                            ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                            LeaveWindowMask | KeyPressMask | KeyReleaseMask | PropertyChangeMask;

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr long kMwmHintsDecorations = 1L << 1;

Visual* AsVisual(XVisualPtr v) { return static_cast<Visual*>(v); }

// Pixels the server takes straight from B, G, R, A bytes in memory.
bool IsDirectBgra(const XImage* image) {
  return image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
         image->red_mask == 0xFF0000 && image->green_mask == 0x00FF00 &&
         image->blue_mask == 0x0000FF;
}

int MaskShift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int MaskBits(unsigned long mask) {
  int bits = 0;
  for (; mask; mask >>= 1) bits += mask & 1;
  return bits;
}

unsigned long ScaleChannel(uint8_t value, unsigned long mask) {
  const int bits = MaskBits(mask);
  if (bits == 0) return 0;
  const unsigned long v = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8)
                                    : static_cast<unsigned long>(value) >> (8 - bits);
  return (v << MaskShift(mask)) & mask;
}

std::vector<XRectangle> ToXRects(const std::vector<RECT>& rects) {
  std::vector<XRectangle> out;
  out.reserve(rects.size());
  for (const RECT& r : rects) {
    if (r.right <= r.left || r.bottom <= r.top) continue;
    const auto clampPos = [](int32_t v) { return static_cast<short>(std::clamp(v, -32768, 32767)); };
    const auto clampLen = [](int32_t v) { return static_cast<unsigned short>(std::clamp(v, 0, 65535)); };
    out.push_back({clampPos(r.left), clampPos(r.top), clampLen(r.right - r.left),
                   clampLen(r.bottom - r.top)});
  }
  return out;
}

}  // namespace

struct X11Window::ShmState {
  XShmSegmentInfo info{};
  XImage* image = nullptr;
};

X11Window::X11Window(X11Display& display, const WindowOptions& options)
    : FDisplay(display), FKind(options.kind) {
  Display* dpy = FDisplay.Dpy();
  FBounds = options.bounds;
  const int width = std::max(1, FBounds.Width());
  const int height = std::max(1, FBounds.Height());

  XSetWindowAttributes attrs{};
  unsigned long mask = CWBackPixmap | CWBorderPixel | CWEventMask | CWBitGravity | CWColormap;
  // No background: the server would otherwise clear exposed parts before we repaint them.
  attrs.background_pixmap = 0;
  attrs.border_pixel = 0;
  attrs.bit_gravity = NorthWestGravity;
  attrs.event_mask = kEventMask;
  if (options.layered && FDisplay.ArgbVisual() && FDisplay.CompositorRunning()) {
    FVisual = FDisplay.ArgbVisual();
    FDepth = 32;
    FTranslucent = true;
    FColormap = XCreateColormap(dpy, FDisplay.Root(), AsVisual(FVisual), AllocNone);
  } else {
    FVisual = DefaultVisual(dpy, FDisplay.Screen());
    FDepth = DefaultDepth(dpy, FDisplay.Screen());
    FColormap = DefaultColormap(dpy, FDisplay.Screen());
  }
  attrs.colormap = FColormap;
  if (FKind == WindowKind::Popup) {
    attrs.override_redirect = True;
    attrs.save_under = True;
    mask |= CWOverrideRedirect | CWSaveUnder;
  }
  FWindow = XCreateWindow(dpy, FDisplay.Root(), FBounds.left, FBounds.top, width, height, 0,
                          FDepth, InputOutput, AsVisual(FVisual), mask, &attrs);
  if (!FWindow) throw EOutOfResources(u"Cannot create an X window.");
  FGc = XCreateGC(dpy, FWindow, 0, nullptr);

  ApplyKindHints(options);
  ApplySizeHints();
  SetTitle(options.title);
  if (options.transientFor) XSetTransientForHint(dpy, FWindow, options.transientFor);

  if (XIM im = FDisplay.InputMethod()) {
    FInputContext = XCreateIC(im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
                              XNClientWindow, FWindow, XNFocusWindow, FWindow, nullptr);
    long imEvents = 0;
    if (FInputContext && !XGetICValues(FInputContext, XNFilterEvents, &imEvents, nullptr) &&
        (imEvents & ~kEventMask))
      XSelectInput(dpy, FWindow, kEventMask | imEvents);
  }
}

X11Window::~X11Window() {
  Display* dpy = FDisplay.Dpy();
  ReleaseShmImage();
  if (FInputContext) XDestroyIC(FInputContext);
  if (FGc) XFreeGC(dpy, FGc);
  XDestroyWindow(dpy, FWindow);
  if (FTranslucent) XFreeColormap(dpy, FColormap);
  XFlush(dpy);
}

void X11Window::ApplyKindHints(const WindowOptions& options) {
  Display* dpy = FDisplay.Dpy();
  const AtomSet& a = FDisplay.Atoms();

  // The system draws its own frame, so the window manager is asked for none at all; the window
  // stays managed (focus, stacking, task bar), which override-redirect would give up.
  const long motif[5] = {kMwmHintsDecorations, 0, 0, 0, 0};
  XChangeProperty(dpy, FWindow, a.MOTIF_WM_HINTS, a.MOTIF_WM_HINTS, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(motif), 5);

  ::Atom protocols[] = {a.WM_DELETE_WINDOW};
  XSetWMProtocols(dpy, FWindow, protocols, 1);

  XWMHints hints{};
  hints.flags = InputHint | StateHint;
  hints.input = FKind != WindowKind::Popup;
  hints.initial_state = NormalState;
  XSetWMHints(dpy, FWindow, &hints);

  XClassHint classHint{const_cast<char*>("quillet"), const_cast<char*>("Quillet")};
  XSetClassHint(dpy, FWindow, &classHint);

  const long pid = getpid();
  XChangeProperty(dpy, FWindow, a.NET_WM_PID, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);

  ::Atom type = options.transientFor ? a.NET_WM_WINDOW_TYPE_DIALOG : a.NET_WM_WINDOW_TYPE_NORMAL;
  if (FKind == WindowKind::Tool) type = a.NET_WM_WINDOW_TYPE_UTILITY;
  if (FKind == WindowKind::Popup) type = a.NET_WM_WINDOW_TYPE_POPUP_MENU;
  XChangeProperty(dpy, FWindow, a.NET_WM_WINDOW_TYPE, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&type), 1);

  std::vector<::Atom> states;
  if (FKind == WindowKind::Tool) states.push_back(a.NET_WM_STATE_SKIP_TASKBAR);
  if (options.topmost) states.push_back(a.NET_WM_STATE_ABOVE);
  if (!states.empty())
    XChangeProperty(dpy, FWindow, a.NET_WM_STATE, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()),
                    static_cast<int>(states.size()));
}

void X11Window::ApplySizeHints() {
  // The window system places and sizes its windows itself; static gravity makes the position
  // that of the client window, which without decorations is the whole window.
  XSizeHints hints{};
  hints.flags = USPosition | PPosition | USSize | PSize | PWinGravity;
  hints.x = FBounds.left;
  hints.y = FBounds.top;
  hints.width = std::max(1, FBounds.Width());
  hints.height = std::max(1, FBounds.Height());
  hints.win_gravity = StaticGravity;
  XSetWMNormalHints(FDisplay.Dpy(), FWindow, &hints);
}

void X11Window::SetBounds(const RECT& bounds) {
  FBounds = bounds;
  XMoveResizeWindow(FDisplay.Dpy(), FWindow, bounds.left, bounds.top, std::max(1, bounds.Width()),
                    std::max(1, bounds.Height()));
  ApplySizeHints();
}

RECT X11Window::ReportedBounds(int x, int y, int width, int height, bool synthetic) const {
  if (!synthetic) {
    ::Window child = 0;
    XTranslateCoordinates(FDisplay.Dpy(), FWindow, FDisplay.Root(), 0, 0, &x, &y, &child);
  }
  return win::Bounds(x, y, width, height);
}

void X11Window::Show(bool activate) {
  Display* dpy = FDisplay.Dpy();
  FWantFocus = activate && FKind != WindowKind::Popup;
  // Where it goes in the stacking order is the window system's to say (see ZOrderChanged).
  XMapWindow(dpy, FWindow);
  XFlush(dpy);
}

void X11Window::Hide() {
  FWantFocus = false;
  Display* dpy = FDisplay.Dpy();
  // Withdrawing (rather than only unmapping) tells a window manager the window is gone, not
  // iconified.
  XWithdrawWindow(dpy, FWindow, FDisplay.Screen());
  XFlush(dpy);
}

void X11Window::NoteMapped(bool mapped) {
  FMapped = mapped;
  if (mapped && FWantFocus) {
    FWantFocus = false;
    Activate();
  }
}

void X11Window::Activate() {
  if (FKind == WindowKind::Popup) return;
  if (!FMapped) {
    FWantFocus = true;
    return;
  }
  Display* dpy = FDisplay.Dpy();
  const AtomSet& a = FDisplay.Atoms();
  // Ask a window manager politely and set the focus directly for a server without one; a
  // refusal arrives as an error that is caught and ignored.
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = FWindow;
  ev.xclient.message_type = a.NET_ACTIVE_WINDOW;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 1;  // from an application
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, FDisplay.Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  XSetInputFocus(dpy, FWindow, RevertToParent, CurrentTime);
  XFlush(dpy);
}

void X11Window::SetTitle(StringView title) {
  Display* dpy = FDisplay.Dpy();
  const std::string utf8 = StringToUtf8(title);
  XChangeProperty(dpy, FWindow, FDisplay.Atoms().NET_WM_NAME, FDisplay.Atoms().UTF8_STRING, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()),
                  static_cast<int>(utf8.size()));
  char* list[] = {const_cast<char*>(utf8.c_str())};
  XTextProperty prop{};
  if (Xutf8TextListToTextProperty(dpy, list, 1, XStdICCTextStyle, &prop) >= Success) {
    XSetWMName(dpy, FWindow, &prop);
    XFree(prop.value);
  }
}

bool X11Window::EnsureShmImage(int width, int height) {
  if (!FDisplay.HasShm() || FShmBroken) return false;
  if (FShm && FShm->image->width >= width && FShm->image->height >= height) return true;
  ReleaseShmImage();
  Display* dpy = FDisplay.Dpy();
  auto shm = std::make_unique<ShmState>();
  shm->image = XShmCreateImage(dpy, AsVisual(FVisual), FDepth, ZPixmap, nullptr, &shm->info,
                               width, height);
  if (!shm->image) {
    FShmBroken = true;
    return false;
  }
  const size_t bytes = static_cast<size_t>(shm->image->bytes_per_line) * height;
  shm->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (shm->info.shmid < 0) {
    XDestroyImage(shm->image);
    FShmBroken = true;
    return false;
  }
  shm->info.shmaddr = static_cast<char*>(shmat(shm->info.shmid, nullptr, 0));
  shm->image->data = shm->info.shmaddr;
  shm->info.readOnly = False;
  FDisplay.ResetError();
  const bool attached = shm->info.shmaddr != reinterpret_cast<char*>(-1) &&
                        XShmAttach(dpy, &shm->info);
  if (attached) FDisplay.Sync();
  // Marked for removal at once: the segment then goes away with the last detach, even if the
  // process dies.
  shmctl(shm->info.shmid, IPC_RMID, nullptr);
  if (!attached || FDisplay.LastError() != 0) {
    if (shm->info.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm->info.shmaddr);
    shm->image->data = nullptr;
    XDestroyImage(shm->image);
    FShmBroken = true;
    return false;
  }
  FShm = std::move(shm);
  return true;
}

void X11Window::ReleaseShmImage() {
  if (!FShm) return;
  WaitShmIdle();
  XShmDetach(FDisplay.Dpy(), &FShm->info);
  XSync(FDisplay.Dpy(), False);
  shmdt(FShm->info.shmaddr);
  FShm->image->data = nullptr;
  XDestroyImage(FShm->image);
  FShm.reset();
}

void X11Window::WaitShmIdle() {
  if (!FShmBusy) return;
  struct Match { int type; XWindow window; } match{FDisplay.ShmCompletionType(), FWindow};
  XEvent ev;
  XIfEvent(
      FDisplay.Dpy(), &ev,
      [](Display*, XEvent* e, XPointer arg) -> Bool {
        const Match* m = reinterpret_cast<const Match*>(arg);
        return e->type == m->type &&
               reinterpret_cast<XShmCompletionEvent*>(e)->drawable == m->window;
      },
      reinterpret_cast<XPointer>(&match));
  FShmBusy = false;
}

void X11Window::CopyPixels(const Bitmap& surface, const RECT& r, XImage* image, int imageX,
                           int imageY) {
  const int width = r.right - r.left;
  if (IsDirectBgra(image)) {
    for (int y = r.top; y < r.bottom; ++y) {
      char* dst = image->data + static_cast<size_t>(imageY + y - r.top) * image->bytes_per_line +
                  static_cast<size_t>(imageX) * 4;
      std::memcpy(dst, surface.Row32(y) + r.left, static_cast<size_t>(width) * 4);
    }
    return;
  }
  const unsigned long alphaMask =
      FDepth == 32 ? ~(image->red_mask | image->green_mask | image->blue_mask) & 0xFFFFFFFFUL : 0;
  for (int y = r.top; y < r.bottom; ++y) {
    const Bgra* src = surface.Row32(y) + r.left;
    for (int x = 0; x < width; ++x) {
      const Bgra p = src[x];
      unsigned long pixel = ScaleChannel(p.r, image->red_mask) |
                            ScaleChannel(p.g, image->green_mask) |
                            ScaleChannel(p.b, image->blue_mask);
      if (alphaMask) pixel |= ScaleChannel(p.a, alphaMask);
      XPutPixel(image, imageX + x, imageY + y - r.top, pixel);
    }
  }
}

void X11Window::Present(const Bitmap& surface, const RECT& damage) {
  if (surface.Format() != PixelFormat::Bgra32 || surface.Empty()) return;
  RECT r{std::max(damage.left, 0), std::max(damage.top, 0),
         std::min({damage.right, surface.Width(), std::max(1, FBounds.Width())}),
         std::min({damage.bottom, surface.Height(), std::max(1, FBounds.Height())})};
  if (r.right <= r.left || r.bottom <= r.top) return;
  Display* dpy = FDisplay.Dpy();

  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (EnsureShmImage(surface.Width(), surface.Height())) {
    WaitShmIdle();
    CopyPixels(surface, r, FShm->image, r.left, r.top);
    XShmPutImage(dpy, FWindow, FGc, FShm->image, r.left, r.top, r.left, r.top, width, height, True);
    FShmBusy = true;
    XFlush(dpy);
    return;
  }

  // The plain path sends the surface's own rows when their layout is the server's.
  XImage* image = XCreateImage(dpy, AsVisual(FVisual), FDepth, ZPixmap, 0,
                               const_cast<char*>(reinterpret_cast<const char*>(surface.Bits())),
                               surface.Width(), surface.Height(), 32, surface.Stride());
  if (!image) return;
  if (IsDirectBgra(image)) {
    XPutImage(dpy, FWindow, FGc, image, r.left, r.top, r.left, r.top, width, height);
    image->data = nullptr;
    XDestroyImage(image);
  } else {
    image->data = nullptr;
    XDestroyImage(image);
    image = XCreateImage(dpy, AsVisual(FVisual), FDepth, ZPixmap, 0, nullptr, width, height, 32, 0);
    if (!image) return;
    image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * height));
    if (image->data) {
      CopyPixels(surface, r, image, 0, 0);
      XPutImage(dpy, FWindow, FGc, image, 0, 0, r.left, r.top, width, height);
    }
    XDestroyImage(image);  // frees the data as well
  }
  XFlush(dpy);
}

void X11Window::SetBoundingShape(const std::vector<RECT>* rects) {
  FRegionShape = rects ? std::make_unique<std::vector<RECT>>(*rects) : nullptr;
  ApplyShapes();
}

void X11Window::SetInputShape(const std::vector<RECT>* rects) {
  FInputShape = rects ? std::make_unique<std::vector<RECT>>(*rects) : nullptr;
  ApplyShapes();
}

void X11Window::SetAlphaShape(const std::vector<RECT>* rects) {
  FAlphaShape = rects ? std::make_unique<std::vector<RECT>>(*rects) : nullptr;
  ApplyShapes();
}

void X11Window::ApplyShapes() {
  if (!FDisplay.HasShape()) return;
  Display* dpy = FDisplay.Dpy();
  const auto combine = [&](int kind, const std::vector<RECT>* first, const std::vector<RECT>* second) {
    if (!first && !second) {
      XShapeCombineMask(dpy, FWindow, kind, 0, 0, 0, ShapeSet);
      return;
    }
    if (!first) std::swap(first, second);
    std::vector<XRectangle> xr = ToXRects(*first);
    XShapeCombineRectangles(dpy, FWindow, kind, 0, 0, xr.data(), static_cast<int>(xr.size()),
                            ShapeSet, Unsorted);
    if (second) {
      xr = ToXRects(*second);
      XShapeCombineRectangles(dpy, FWindow, kind, 0, 0, xr.data(), static_cast<int>(xr.size()),
                              ShapeIntersect, YXBanded);
    }
  };
  combine(ShapeBounding, FRegionShape.get(), FAlphaShape.get());
  combine(ShapeInput, FInputShape.get(), nullptr);
}

std::vector<RECT> OpaqueRects(const Bitmap& picture) {
  std::vector<RECT> rects;
  if (picture.Format() != PixelFormat::Bgra32) return rects;
  std::vector<std::pair<int, int>> previousRuns, runs;
  size_t bandStart = 0;  // index of the first rectangle of the previous row's band
  for (int y = 0; y < picture.Height(); ++y) {
    runs.clear();
    const Bgra* row = picture.Row32(y);
    for (int x = 0; x < picture.Width();) {
      if (row[x].a == 0) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < picture.Width() && row[x].a != 0) ++x;
      runs.emplace_back(start, x);
    }
    if (!runs.empty() && runs == previousRuns) {
      for (size_t i = bandStart; i < rects.size(); ++i) rects[i].bottom = y + 1;
    } else {
      bandStart = rects.size();
      for (const auto& [x0, x1] : runs) rects.push_back(Rect(x0, y, x1, y + 1));
    }
    previousRuns.swap(runs);
  }
  return rects;
}

}  // namespace win::x11
