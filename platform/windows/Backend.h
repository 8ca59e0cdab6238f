#pragma once
// The interface between the window manager and a backend that puts top-level windows on a
// screen. The window manager owns every window, its geometry, its z-order and its retained
// 32-bit surface; a backend only mirrors top-level windows onto its screen and feeds input back.
//
// Rules every backend follows:
// - All calls are made on the user-interface thread, except Wake(), which any thread may call.
// - Top-level windows are named by their HWND. Child windows never reach a backend.
// - Rectangles of a window (damage, regions) are in window coordinates: (0, 0) is the top-left
//   corner of the window's bounds, the same space as the surface. Bounds and mouse points are in
//   screen coordinates.
// - Input is delivered only from inside PollEvents() and WaitForEvents(), through the sink that
//   Attach() installed; a backend never calls into the window manager at any other time.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"
#include "platform/graphics/Bitmap.h"
#include "platform/windows/WinDef.h"

namespace win {

// What a backend needs to know about a new top-level window.
struct TopLevelInfo {
  RECT bounds;            // screen coordinates
  String title;           // the window text (useful to a window manager; may be empty)
  HWND owner = nullptr;   // owner top-level window, if any (transient-for)
  bool popup = false;     // WS_POPUP: menus, tips, border windows - no decoration, no taskbar
  bool toolWindow = false;
  bool topmost = false;
  bool noActivate = false;  // never take the input focus on a click
  bool layered = false;     // shown from a premultiplied picture (see LayeredChanged)
};

// How a layered window is shown. With a picture (UpdateLayeredWindow), the picture replaces
// the surface; without one (SetLayeredWindowAttributes), the surface is shown with the
// constant alpha.
struct LayeredPicture {
  const Bitmap* picture = nullptr;  // premultiplied BGRA, the size of the window; not retained
  uint8_t constantAlpha = 255;
};

enum class CursorShape : uint8_t {
  Arrow, IBeam, Wait, Cross, SizeNWSE, SizeNESW, SizeWE, SizeNS, SizeAll, Hand, No, AppStarting,
  UpArrow, Help
};

enum class MouseButton : uint8_t { Left, Right, Middle, X1, X2 };

// Modifier keys held when an event happened.
struct Modifiers {
  bool shift = false;
  bool control = false;
  bool alt = false;
  friend bool operator==(const Modifiers&, const Modifiers&) = default;
};

// The toggles of the lock keys as the backend's keyboard reports them. The Insert toggle is kept
// by the window manager itself and is not part of this.
struct LockStates {
  bool capsLock = false;
  bool numLock = false;
  bool scrollLock = false;
  friend bool operator==(const LockStates&, const LockStates&) = default;
};

// One input or window event from the backend to the window manager.
struct BackendEvent {
  enum class Kind : uint8_t {
    MouseMove,     // point
    ButtonDown,    // point, button (the window manager detects double clicks itself)
    ButtonUp,      // point, button
    Wheel,         // point, wheelDelta (+120 per notch away from the user)
    KeyDown,       // virtualKey, scanCode, extended, repeat, text
    KeyUp,         // virtualKey, scanCode, extended
    FocusIn,       // window: the backend gave this top-level the keyboard focus
    FocusOut,      // window: the top-level lost the keyboard focus to another program
    Expose,        // window, rect: part of the window must be shown again from its surface
    Configure,     // window, rect: an outside agent (an X window manager) moved or resized
                   // the window; rect is its new bounds in screen coordinates
    CloseRequest,  // window: the user asked to close the window outside the system (WM_CLOSE)
  };
  Kind kind = Kind::MouseMove;
  HWND window = nullptr;   // the top-level concerned; for mouse events, the one under the pointer
                           // as the backend saw it (0 when unknown: the window manager hit-tests)
  POINT point;             // screen coordinates of the pointer (all mouse events)
  MouseButton button = MouseButton::Left;
  int wheelDelta = 0;
  uint32_t virtualKey = 0;  // VK_* code
  uint32_t scanCode = 0;    // hardware scan code, 0..255
  bool extended = false;    // an extended key (right Ctrl/Alt, arrows, Insert/Delete ...)
  bool repeat = false;      // auto-repeat of a held key
  String text;              // characters the key produced, in order (may be empty)
  Modifiers modifiers;      // as of this event, excluding its own key
  LockStates locks;         // as of this event, including its own key
  RECT rect;                // Expose and Configure
  uint64_t timeMs = 0;      // the backend clock's NowMs() when the event happened
};

// The window manager's side: receives events delivered by PollEvents()/WaitForEvents().
class BackendSink {
 public:
  virtual ~BackendSink() = default;
  virtual void OnBackendEvent(const BackendEvent& event) = 0;
};

enum class WaitResult : uint8_t {
  Events,    // at least one event was delivered (or a scripted step ran)
  Timeout,   // the timeout passed (with a virtual clock: the clock was moved to its end)
  Woken,     // Wake() was called (a hand-over from another thread is waiting)
  Starved,   // no event can ever arrive and no timeout was given: the caller must not wait
             // again (headless backend with an empty script; the X connection lost)
};

// Clipboard contents as the system sees them. Empty optionals mean "format not present".
struct ClipboardData {
  std::optional<String> text;
  std::optional<std::string> rtf;  // the bytes of an RTF document
};

class Backend {
 public:
  virtual ~Backend() = default;

  // "headless" or "x11".
  virtual std::string_view Name() const = 0;
  // Installs the receiver of input (the window manager), or nullptr before it goes away.
  virtual void Attach(BackendSink* sink) = 0;

  // --- Top-level windows, mirrored from the window manager ---
  // A top-level window came into being (not yet shown). The surface is the window's retained
  // surface and stays valid, at the window's size, until WindowDestroyed.
  virtual void WindowCreated(HWND hwnd, const TopLevelInfo& info, const Bitmap& surface) = 0;
  virtual void WindowDestroyed(HWND hwnd) = 0;
  // New bounds in screen coordinates. When the size changed, the surface has already been
  // resized; a full SurfaceDamaged follows once the window has been repainted.
  virtual void WindowMoved(HWND hwnd, const RECT& bounds) = 0;
  virtual void WindowShown(HWND hwnd, bool activate) = 0;
  virtual void WindowHidden(HWND hwnd) = 0;
  virtual void WindowTitleChanged(HWND hwnd, StringView title) = 0;
  // The whole stacking order of the top-level windows, topmost first (hidden ones included).
  virtual void ZOrderChanged(const std::vector<HWND>& topToBottom) = 0;
  // The window's shape: nullptr means unshaped (the whole bounds). bounding limits what is shown,
  // input limits where the window takes mouse input (the input area of a layered window leaves
  // out its alpha-0 pixels). Rectangles are in window coordinates and do not overlap.
  virtual void RegionChanged(HWND hwnd, const std::vector<RECT>* bounding,
                             const std::vector<RECT>* input) = 0;
  // The window became layered, changed its picture or constant alpha. The picture is copied.
  virtual void LayeredChanged(HWND hwnd, const LayeredPicture& layered) = 0;
  // Part of the surface (window coordinates, clipped to it) changed and should be presented.
  virtual void SurfaceDamaged(HWND hwnd, const RECT& rect) = 0;
  // The window manager made this top-level the active one (give it the keyboard focus).
  virtual void ActivateWindow(HWND hwnd) = 0;
  // The mouse capture moved to this top-level (nullptr: released): grab the pointer.
  virtual void CaptureChanged(HWND hwnd) = 0;

  // --- Pointer ---
  virtual void SetCursorShape(CursorShape shape) = 0;
  virtual POINT CursorPos() const = 0;
  // Warps the pointer. The window manager synthesizes the mouse move itself; a backend whose
  // server reports the warp as motion may deliver it too (moves are coalesced).
  virtual void SetCursorPos(POINT p) = 0;

  // --- Keyboard ---
  virtual LockStates QueryLockStates() const = 0;

  // --- Waiting and time ---
  // Delivers the events already pending, without waiting.
  virtual void PollEvents() = 0;
  // The user-interface thread's idle wait: returns when at least one event was delivered, the
  // timeout (milliseconds; nullopt = none) passed, or Wake() was called. The headless backend
  // runs its next scripted step here, or else moves its virtual clock to the end of the timeout.
  virtual WaitResult WaitForEvents(std::optional<uint64_t> timeoutMs) = 0;
  // Ends a WaitForEvents in progress, or makes the next one return at once. Thread-safe.
  virtual void Wake() = 0;
  // The clock every timer reads; installed as CurrentClock() while the backend is active.
  virtual Clock& GetClock() = 0;

  // --- Clipboard ---
  virtual ClipboardData GetClipboard() = 0;
  virtual void SetClipboard(const ClipboardData& data) = 0;

  // --- Screen ---
  virtual SIZE ScreenSize() const = 0;
  // The part of the screen not covered by panels and docks, in screen coordinates.
  virtual RECT WorkArea() const = 0;
  // Whether per-pixel alpha windows can be shown (a compositing screen).
  virtual bool LayeredWindowsAvailable() const = 0;
  virtual void Beep() = 0;
};

// --- Selection ---
// Backends register a factory under their name; the window manager creates the selected one on
// first use. Backend libraries are static, so a registration made by a static object only takes
// effect when that object file is linked: each backend library therefore also offers a plain
// function (RegisterHeadlessBackend(), RegisterX11Backend()) that programs and tests call.

using BackendFactory = std::function<std::unique_ptr<Backend>()>;

// Registers (or replaces) the factory for a name.
void RegisterBackend(std::string name, BackendFactory factory);
bool IsBackendRegistered(std::string_view name);
// QUILLET_BACKEND when set ("headless" or "x11"); else "x11" when DISPLAY is set; else
// "headless".
std::string SelectedBackendName();
// Creates the named backend; throws Exception ("Unknown window backend "<name>"") when no
// factory is registered under that name.
std::unique_ptr<Backend> CreateBackend(std::string_view name);

// The window manager's current backend: the one installed by InstallBackend, else one created
// from SelectedBackendName() on first use.
Backend& CurrentBackend();
// Replaces the current backend (destroying every window first) and installs its clock as
// CurrentClock(). nullptr uninstalls it.
void InstallBackend(std::unique_ptr<Backend> backend);

}  // namespace win
