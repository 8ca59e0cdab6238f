#pragma once
// One connection to the X server and what the rest of the X11 backend needs to know about it:
// the atoms it uses, which extensions answer, whether a compositing manager runs (the condition
// for translucent top-level windows), and a wait on the connection that other threads can cut
// short.
//
// Xlib's headers are kept out of this header on purpose: they define macros (None, Bool, True,
// KeyPress, Status ...) that collide with the names of the window system above.

#include <cstdint>
#include <string>

typedef struct _XDisplay Display;
typedef struct _XIM* XIM;

namespace win::x11 {

using XWindow = unsigned long;
using XAtom = unsigned long;
using XVisualPtr = void*;  // Visual*, opaque here

// The atoms the backend interns once at connection time.
struct AtomSet {
  XAtom WM_PROTOCOLS = 0, WM_DELETE_WINDOW = 0;
  XAtom MOTIF_WM_HINTS = 0;
  XAtom NET_WM_NAME = 0, NET_WM_WINDOW_TYPE = 0, NET_WM_WINDOW_TYPE_NORMAL = 0,
        NET_WM_WINDOW_TYPE_DIALOG = 0, NET_WM_WINDOW_TYPE_UTILITY = 0,
        NET_WM_WINDOW_TYPE_POPUP_MENU = 0;
  XAtom NET_WM_STATE = 0, NET_WM_STATE_ABOVE = 0, NET_WM_STATE_SKIP_TASKBAR = 0;
  XAtom NET_WM_PID = 0, NET_WORKAREA = 0, NET_ACTIVE_WINDOW = 0;
  XAtom UTF8_STRING = 0, STRING = 0, TEXT = 0, TARGETS = 0, TIMESTAMP = 0, INCR = 0;
  XAtom CLIPBOARD = 0, PRIMARY = 0;
  XAtom TEXT_PLAIN_UTF8 = 0, TEXT_PLAIN = 0, TEXT_RTF = 0, RICH_TEXT_FORMAT = 0,
        APPLICATION_RTF = 0;
  XAtom QUILLET_SELECTION = 0;  // where selections we ask for are delivered on our window
  XAtom QUILLET_TIMESTAMP = 0;  // touched to learn the server's time
};

class X11Display {
 public:
  // Opens the display named by $DISPLAY (or the given name); throws Exception when there is none.
  explicit X11Display(const char* name = nullptr);
  ~X11Display();
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  Display* Dpy() const { return FDisplay; }
  int Screen() const { return FScreen; }
  XWindow Root() const { return FRoot; }
  const AtomSet& Atoms() const { return FAtoms; }
  // A hidden window that owns selections and receives selection data.
  XWindow HelperWindow() const { return FHelper; }

  int ScreenWidth() const;
  int ScreenHeight() const;
  // The work area the desktop announces (_NET_WORKAREA), or the whole screen without one.
  void WorkArea(int* x, int* y, int* width, int* height) const;

  bool HasShm() const { return FHasShm; }
  int ShmCompletionType() const { return FShmCompletion; }
  bool HasShape() const { return FHasShape; }
  // True while a compositing manager owns _NET_WM_CM_S<screen>: only then do 32-bit visuals show
  // translucency. Asked afresh each time because compositors come and go.
  bool CompositorRunning() const;
  // The 32-bit TrueColor visual with an alpha channel, or nullptr.
  XVisualPtr ArgbVisual() const { return FArgbVisual; }

  // The input method for composed text, or nullptr when none opens.
  XIM InputMethod() const { return FInputMethod; }

  // What ended a wait: bits of kEventsReady and kWoken, or neither when the time ran out.
  static constexpr int kEventsReady = 1;
  static constexpr int kWoken = 2;
  // Waits until events are queued or arrive, Wake() is called, or timeoutMs passes
  // (negative: no limit).
  int WaitForEvents(int timeoutMs);
  // May be called from any thread: ends a WaitForEvents in progress (or the next one).
  void Wake();

  // A server time stamp from now, for selection ownership when no event supplies one.
  unsigned long ServerTime();

  // The error code of the last X protocol error caught since ResetError(); Xlib reports
  // protocol errors asynchronously, so callers that expect one call Sync() first.
  void ResetError();
  int LastError() const;
  void Sync();

 private:
  void InternAtoms();
  void QueryExtensions();
  void FindArgbVisual();

  Display* FDisplay = nullptr;
  int FScreen = 0;
  XWindow FRoot = 0;
  XWindow FHelper = 0;
  AtomSet FAtoms;
  bool FHasShm = false;
  int FShmCompletion = -1;
  bool FHasShape = false;
  XVisualPtr FArgbVisual = nullptr;
  XIM FInputMethod = nullptr;
  XAtom FCompositorSelection = 0;
  int FWakeFd[2] = {-1, -1};
};

}  // namespace win::x11
