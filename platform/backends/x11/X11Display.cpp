#include "platform/backends/x11/X11Display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/base/Errors.h"

namespace win::x11 {

namespace {

// Xlib has one error handler per process; the backend keeps one display, so one slot is enough.
std::atomic<int> gLastError{0};

int CatchError(Display*, XErrorEvent* e) {
  gLastError = e->error_code;
  return 0;
}

}  // namespace

X11Display::X11Display(const char* name) {
  // The input method reads the locale; keep the user's character set rather than plain C.
  if (std::setlocale(LC_CTYPE, nullptr) == nullptr || std::string(std::setlocale(LC_CTYPE, nullptr)) == "C")
    std::setlocale(LC_CTYPE, "");
  XInitThreads();
  // A busy server refuses connections for a moment when its queue of new clients is full
  // (EAGAIN on the socket); that is worth a few retries before giving up.
  for (int attempt = 0; attempt < 10 && !FDisplay; ++attempt) {
    if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
    FDisplay = XOpenDisplay(name);
  }
  if (!FDisplay) {
    const char* shown = name ? name : std::getenv("DISPLAY");
    throw Exception(u"Cannot open the X display \"" + Utf8ToString(shown ? shown : "") + u"\".");
  }
  XSetErrorHandler(CatchError);
  FScreen = DefaultScreen(FDisplay);
  FRoot = RootWindow(FDisplay, FScreen);
  InternAtoms();
  QueryExtensions();
  FindArgbVisual();

  XSetWindowAttributes attrs{};
  attrs.event_mask = PropertyChangeMask;
  FHelper = XCreateWindow(FDisplay, FRoot, -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                          CopyFromParent, CWEventMask, &attrs);

  if (XSupportsLocale() && XSetLocaleModifiers("") != nullptr)
    FInputMethod = XOpenIM(FDisplay, nullptr, nullptr, nullptr);
  if (!FInputMethod) {
    XSetLocaleModifiers("@im=none");
    FInputMethod = XOpenIM(FDisplay, nullptr, nullptr, nullptr);
  }

  if (pipe2(FWakeFd, O_CLOEXEC | O_NONBLOCK) != 0)
    throw EOutOfResources(u"Cannot create the wake-up pipe: " + SystemErrorText(errno));
}

X11Display::~X11Display() {
  if (FInputMethod) XCloseIM(FInputMethod);
  if (FHelper) XDestroyWindow(FDisplay, FHelper);
  XCloseDisplay(FDisplay);
  for (int fd : FWakeFd)
    if (fd >= 0) close(fd);
}

void X11Display::InternAtoms() {
  struct Entry { const char* name; XAtom* slot; };
  AtomSet& a = FAtoms;
  const Entry entries[] = {
      {"WM_PROTOCOLS", &a.WM_PROTOCOLS},
      {"WM_DELETE_WINDOW", &a.WM_DELETE_WINDOW},
      {"_MOTIF_WM_HINTS", &a.MOTIF_WM_HINTS},
      {"_NET_WM_NAME", &a.NET_WM_NAME},
      {"_NET_WM_WINDOW_TYPE", &a.NET_WM_WINDOW_TYPE},
      {"_NET_WM_WINDOW_TYPE_NORMAL", &a.NET_WM_WINDOW_TYPE_NORMAL},
      {"_NET_WM_WINDOW_TYPE_DIALOG", &a.NET_WM_WINDOW_TYPE_DIALOG},
      {"_NET_WM_WINDOW_TYPE_UTILITY", &a.NET_WM_WINDOW_TYPE_UTILITY},
      {"_NET_WM_WINDOW_TYPE_POPUP_MENU", &a.NET_WM_WINDOW_TYPE_POPUP_MENU},
      {"_NET_WM_STATE", &a.NET_WM_STATE},
      {"_NET_WM_STATE_ABOVE", &a.NET_WM_STATE_ABOVE},
      {"_NET_WM_STATE_SKIP_TASKBAR", &a.NET_WM_STATE_SKIP_TASKBAR},
      {"_NET_WM_PID", &a.NET_WM_PID},
      {"_NET_WORKAREA", &a.NET_WORKAREA},
      {"_NET_ACTIVE_WINDOW", &a.NET_ACTIVE_WINDOW},
      {"UTF8_STRING", &a.UTF8_STRING},
      {"STRING", &a.STRING},
      {"TEXT", &a.TEXT},
      {"TARGETS", &a.TARGETS},
      {"TIMESTAMP", &a.TIMESTAMP},
      {"INCR", &a.INCR},
      {"CLIPBOARD", &a.CLIPBOARD},
      {"PRIMARY", &a.PRIMARY},
      {"text/plain;charset=utf-8", &a.TEXT_PLAIN_UTF8},
      {"text/plain", &a.TEXT_PLAIN},
      {"text/rtf", &a.TEXT_RTF},
      {"Rich Text Format", &a.RICH_TEXT_FORMAT},
      {"application/rtf", &a.APPLICATION_RTF},
      {"QUILLET_SELECTION", &a.QUILLET_SELECTION},
      {"QUILLET_TIMESTAMP", &a.QUILLET_TIMESTAMP},
  };
  constexpr int kCount = sizeof(entries) / sizeof(entries[0]);
  char* names[kCount];
  ::Atom values[kCount];
  for (int i = 0; i < kCount; ++i) names[i] = const_cast<char*>(entries[i].name);
  XInternAtoms(FDisplay, names, kCount, False, values);
  for (int i = 0; i < kCount; ++i) *entries[i].slot = values[i];

  const std::string cm = "_NET_WM_CM_S" + std::to_string(FScreen);
  FCompositorSelection = XInternAtom(FDisplay, cm.c_str(), False);
}

void X11Display::QueryExtensions() {
  int major = 0, minor = 0;
  Bool pixmaps = False;
  // Shared memory only helps a server on this machine; a remote one refuses the attach, which
  // the surface notices on its first use and then falls back to plain images.
  // QUILLET_X11_NO_SHM=1 turns it off by hand, for servers that claim it but fail at it.
  const char* noShm = std::getenv("QUILLET_X11_NO_SHM");
  const bool shmAllowed = !(noShm && std::string(noShm) == "1");
  if (shmAllowed && XShmQueryExtension(FDisplay) &&
      XShmQueryVersion(FDisplay, &major, &minor, &pixmaps)) {
    FHasShm = true;
    FShmCompletion = XShmGetEventBase(FDisplay) + ShmCompletion;
  }
  int eventBase = 0, errorBase = 0;
  FHasShape = XShapeQueryExtension(FDisplay, &eventBase, &errorBase) &&
              XShapeQueryVersion(FDisplay, &major, &minor);
}

void X11Display::FindArgbVisual() {
  XVisualInfo tmpl{};
  tmpl.screen = FScreen;
  tmpl.depth = 32;
  tmpl.c_class = TrueColor;
  int count = 0;
  XVisualInfo* infos =
      XGetVisualInfo(FDisplay, VisualScreenMask | VisualDepthMask | VisualClassMask, &tmpl, &count);
  for (int i = 0; i < count; ++i) {
    const XVisualInfo& v = infos[i];
    if (v.red_mask == 0xFF0000 && v.green_mask == 0x00FF00 && v.blue_mask == 0x0000FF) {
      FArgbVisual = v.visual;
      break;
    }
  }
  if (infos) XFree(infos);
}

int X11Display::ScreenWidth() const { return DisplayWidth(FDisplay, FScreen); }
int X11Display::ScreenHeight() const { return DisplayHeight(FDisplay, FScreen); }

void X11Display::WorkArea(int* x, int* y, int* width, int* height) const {
  *x = 0;
  *y = 0;
  *width = ScreenWidth();
  *height = ScreenHeight();
  ::Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(FDisplay, FRoot, FAtoms.NET_WORKAREA, 0, 4, False, XA_CARDINAL, &type,
                         &format, &count, &after, &data) == Success &&
      data && type == XA_CARDINAL && format == 32 && count >= 4) {
    // Format-32 properties arrive as longs whatever the size of long.
    const long* v = reinterpret_cast<const long*>(data);
    if (v[2] > 0 && v[3] > 0) {
      *x = static_cast<int>(v[0]);
      *y = static_cast<int>(v[1]);
      *width = static_cast<int>(v[2]);
      *height = static_cast<int>(v[3]);
    }
  }
  if (data) XFree(data);
}

bool X11Display::CompositorRunning() const {
  return XGetSelectionOwner(FDisplay, FCompositorSelection) != 0;
}

int X11Display::WaitForEvents(int timeoutMs) {
  if (XPending(FDisplay) > 0) return kEventsReady;
  pollfd fds[2] = {{ConnectionNumber(FDisplay), POLLIN, 0}, {FWakeFd[0], POLLIN, 0}};
  int rc;
  do {
    rc = poll(fds, 2, timeoutMs < 0 ? -1 : timeoutMs);
  } while (rc < 0 && errno == EINTR);
  int result = 0;
  if (fds[1].revents & POLLIN) {
    char drain[64];
    while (read(FWakeFd[0], drain, sizeof drain) > 0) {
    }
    result |= kWoken;
  }
  // XPending reads what arrived on the socket into Xlib's queue.
  if (XPending(FDisplay) > 0) result |= kEventsReady;
  return result;
}

void X11Display::Wake() {
  const char byte = 1;
  // A full pipe already holds a pending wake-up, so a failed write loses nothing.
  [[maybe_unused]] ssize_t n = write(FWakeFd[1], &byte, 1);
}

unsigned long X11Display::ServerTime() {
  // A zero-length append to a property produces a PropertyNotify that carries the time.
  XChangeProperty(FDisplay, FHelper, FAtoms.QUILLET_TIMESTAMP, XA_STRING, 8, PropModeAppend, nullptr, 0);
  struct Match { XWindow window; XAtom atom; } match{FHelper, FAtoms.QUILLET_TIMESTAMP};
  XEvent ev;
  XIfEvent(
      FDisplay, &ev,
      [](Display*, XEvent* e, XPointer arg) -> Bool {
        const Match* m = reinterpret_cast<const Match*>(arg);
        return e->type == PropertyNotify && e->xproperty.window == m->window &&
               e->xproperty.atom == m->atom;
      },
      reinterpret_cast<XPointer>(&match));
  return ev.xproperty.time;
}

void X11Display::ResetError() { gLastError = 0; }
int X11Display::LastError() const { return gLastError; }
void X11Display::Sync() { XSync(FDisplay, False); }

}  // namespace win::x11
