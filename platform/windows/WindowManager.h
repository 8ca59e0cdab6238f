#pragma once
// The window manager's own state, shared by the units of platform/windows. Not for use above
// the platform: the layers above see only the win API.

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Region.h"
#include "platform/windows/Backend.h"
#include "platform/windows/Windows.h"

namespace win {

struct WindowClass {
  ATOM atom = 0;
  String name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  bool system = false;  // a reserved class still holding its placeholder procedure
};

// What the default non-client processing reserved in the last WM_NCCALCSIZE.
struct NcReserved {
  bool vscroll = false;
  bool hscroll = false;
};

struct ScrollBarState {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  bool disabled = false;  // shown but disabled (SIF_DISABLENOSCROLL or EnableScrollBar)
  UINT arrowsDisabled = 0;  // ESB_* bits
};

struct Window {
  uintptr_t handle = 0;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // children only
  HWND owner = nullptr;   // top-level windows only
  std::vector<HWND> children;  // top of the z-order first
  RECT rect;    // children: parent's client coordinates; top-level windows: screen
  RECT client;  // window coordinates (relative to rect's top-left corner)
  String text;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  std::vector<uint8_t> extra;
  std::vector<std::pair<String, void*>> props;
  bool destroying = false;
  bool sizeMoveSent = false;  // WM_SIZE/WM_MOVE reached the window at least once
  // Placement.
  RECT normalRect;        // the restored bounds (same space as rect)
  bool maximizedBeforeMinimize = false;
  bool hiddenByOwnerMinimize = false;
  NcReserved ncReserved;
  ScrollBarState vbar;
  ScrollBarState hbar;
  int menuRows = 0;
  HICON iconSmall = nullptr;
  HICON iconBig = nullptr;
  // Top-level windows: the retained surface the backend presents.
  std::unique_ptr<Bitmap> surface;
  // Painting: the update region in window coordinates and what it still asks for.
  Region update;
  bool needErase = false;
  bool needNcPaint = false;
  bool internalPaint = false;
  bool redrawOff = false;  // WM_SETREDRAW FALSE
  bool ncActive = false;
  bool shown = false;      // top-level windows: shown by the backend (SetWindowPos show/hide)   // the frame shows the active state (the last WM_NCACTIVATE)
  // SetWindowRgn: the region (window coordinates) and the handle the system now owns.
  std::optional<Region> windowRgn;
  HRGN windowRgnHandle = nullptr;
  // Layered windows.
  bool layeredPicture = false;  // shown from the UpdateLayeredWindow picture
  Bitmap layeredBits;           // premultiplied
  BYTE layeredAlpha = 255;
  DWORD layeredFlags = 0;       // LWA_* given to SetLayeredWindowAttributes
  COLORREF layeredKey = 0;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  uint64_t due = 0;
  TIMERPROC proc = nullptr;
  uint64_t serial = 0;  // creation order, to keep ties stable
};

struct Hook {
  uintptr_t handle = 0;
  int kind = 0;
  std::shared_ptr<HookMethod> proc;
};

struct MouseTracking {
  HWND hwnd = nullptr;
  bool leave = false;
  bool nonClient = false;
  bool hover = false;
  DWORD hoverTime = 400;
  uint64_t hoverDue = 0;
  POINT hoverPoint;
};

struct HandOver {
  std::function<void()> fn;
  bool done = false;
};

class WindowManager final : public BackendSink {
 public:
  static WindowManager& Get();

  // --- Window table ---
  Window* Find(HWND hwnd);  // nullptr when dead
  Window& Add(std::unique_ptr<Window> window);
  void Remove(HWND hwnd);
  HWND NewHandle() { return HandleToHwnd(FNextHandle += 4); }
  std::vector<HWND>& TopLevels() { return FTopLevels; }  // top of the z-order first
  std::vector<HWND>& SiblingsOf(Window& w);

  // --- Classes ---
  std::shared_ptr<WindowClass> FindClass(const char16_t* nameOrAtom);
  std::map<ATOM, std::shared_ptr<WindowClass>>& Classes() { return FClasses; }
  ATOM NextAtom() { return FNextAtom++; }

  // --- Backend ---
  Backend& GetBackend();
  bool HasBackend() const { return FBackend != nullptr; }
  void SetBackend(std::unique_ptr<Backend> backend);
  void OnBackendEvent(const BackendEvent& event) override;

  // --- Queues ---
  std::deque<MSG> posted;
  std::deque<BackendEvent> rawInput;
  struct CookedInput {
    MSG msg;
    std::array<uint8_t, 256> keys;  // the keyboard as of this message
  };
  std::deque<CookedInput> cookedInput;
  std::array<uint8_t, 256> cookKeys{};  // the keyboard as of the last cooked event
  std::optional<int> quitCode;
  std::vector<Timer> timers;
  uint64_t timerSerial = 0;
  std::vector<Hook> hooks;  // the most recently installed first
  uintptr_t nextHook = 0x7E000000;
  DWORD messageTime = 0;
  POINT messagePos;
  // Texts of key-downs handed to TranslateMessage, by the MSG's lPrivate serial.
  std::map<DWORD, String> keyTexts;
  DWORD keyTextSerial = 0;

  std::mutex handOverMutex;
  std::deque<std::shared_ptr<HandOver>> handOvers;
  std::condition_variable handOverDone;
  std::thread::id uiThread;

  // --- Input state ---
  HWND active = nullptr;
  HWND focus = nullptr;
  HWND capture = nullptr;
  POINT cursor;
  HCURSOR currentCursor = nullptr;
  std::array<uint8_t, 256> syncKeys{};
  std::array<uint8_t, 256> asyncKeys{};
  MouseTracking tracking;
  HWND lastMouseWindow = nullptr;  // the window the last mouse message went to
  int lastMouseHit = HTNOWHERE;
  // Double-click detection.
  struct LastClick {
    HWND hwnd = nullptr;
    MouseButton button = MouseButton::Left;
    uint64_t time = 0;
    POINT point;
    bool nonClient = false;
    bool valid = false;
  } lastClick;

  bool menuKeyAlone = false;  // Alt or F10 went down with no other key since

 private:
  WindowManager() = default;

  std::unordered_map<uintptr_t, std::unique_ptr<Window>> FWindows;
  std::vector<HWND> FTopLevels;
  std::map<ATOM, std::shared_ptr<WindowClass>> FClasses;
  uintptr_t FNextHandle = 0x10000;
  ATOM FNextAtom = 0xC000;
  std::unique_ptr<Backend> FBackend;
};

inline WindowManager& Wm() { return WindowManager::Get(); }

// --- Shared helpers between the units ---
// The window's top-left corner in screen coordinates.
POINT WindowOrigin(const Window& w);
// The client area's top-left corner in screen coordinates.
POINT ClientOrigin(const Window& w);
RECT ScreenWindowRect(const Window& w);
bool IsTopLevel(const Window& w);
HWND RootOf(HWND hwnd);
bool ReallyVisible(const Window* w);
// Calls the hooks of a kind, most recent first, each deciding whether to call the next.
LRESULT CallHooks(int kind, int code, WPARAM wParam, LPARAM lParam);
// Recomputes the z-order rules of top-level windows (topmost band, owned above owner) and tells
// the backend.
void SyncZOrder();
// Input: turns the next raw event into a queued message (may send hit tests and cursor
// messages). Answers false when there was nothing to cook.
bool CookNextInput();
// Timers and hover: the next due time, if any.
std::optional<uint64_t> NextTimerDue();
// The next due WM_TIMER or WM_MOUSEHOVER for a filter, rescheduling it when removed.
bool TakeDueTimer(MSG* msg, HWND filter, UINT min, UINT max, bool remove);
// Called when a window dies: drops its timers, capture, focus and tracking.
void ForgetWindowInput(HWND hwnd);
void ForgetWindowTimers(HWND hwnd);
// Activation used by focus changes, clicks and ShowWindow.
bool ActivateWindow(HWND hwnd, bool byMouse);
void DeactivateAll();
// A mouse move at the cursor, as if the mouse had moved (after a window moved under it).
void SynthesizeMouseMove();
// Default non-client geometry.
void DefaultNcCalcSize(Window& w, RECT* r);
int DefaultNcHitTest(Window& w, POINT screen);
// The modal move and size loops of SC_MOVE/SC_SIZE, and the press of a title button.
void RunMoveSizeLoop(HWND hwnd, WPARAM command, LPARAM lParam);
void TrackTitleButton(HWND hwnd, int hit);
// Painting: whether the point (screen) is inside the window's shape (region, layered alpha).
bool ShapeContains(const Window& w, POINT screen);
// The first window (from the top-level ones in z-order, parents first) needing WM_PAINT that
// matches the filter; sends a pending WM_NCPAINT on the way.
HWND NextWindowToPaint(HWND filter);
// Invalidates whatever a geometry change uncovered or resized.
void InvalidateAfterPositionChange(HWND hwnd, const RECT& oldScreen, bool sized, bool shown,
                                   bool hidden, UINT flags);
// Invalidates the non-client area only (the frame repaints through WM_NCPAINT).
void InvalidateNonClient(HWND hwnd);
// Drops what painting keeps for a dying window.
void ForgetWindowPainting(Window& w);
// The default WM_NCPAINT / WM_NCACTIVATE painting and WM_PRINT.
void DefaultNcPaint(HWND hwnd, HRGN region);
LRESULT DefaultPrint(HWND hwnd, HDC dc, LPARAM flags);
LRESULT DefaultEraseBackground(HWND hwnd, HDC dc);
// The standard scroll bars of the non-client area: painting and the tracking loop.
struct NcGeometry;
void PaintScrollBars(HDC dc, Window& w, const NcGeometry& g);
void TrackScrollBar(HWND hwnd, bool vertical, POINT screen);
// Minimum and maximum tracking sizes of a window after WM_GETMINMAXINFO.
MINMAXINFO QueryMinMaxInfo(HWND hwnd);

}  // namespace win
