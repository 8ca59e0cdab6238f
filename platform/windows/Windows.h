#pragma once
// The window system: classes, windows, procedures, messages and loops, timers, hooks, geometry,
// z-order, activation, focus, input, capture and the default window procedure. Everything runs
// on the user-interface thread; only RunOnUiThread may be called from other threads.

#include <functional>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"
#include "platform/graphics/Drawing.h"
#include "platform/graphics/GdiObjects.h"
#include "platform/windows/Messages.h"
#include "platform/windows/VirtualKeys.h"
#include "platform/windows/WinDef.h"
#include "platform/windows/WndProc.h"

namespace win {

// --- Classes ---
struct HMENU__;
using HMENU = HMENU__*;

struct WNDCLASSEXW {
  UINT cbSize = sizeof(WNDCLASSEXW);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  // A brush, or a system colour index + 1.
  HBRUSH hbrBackground = nullptr;
  const char16_t* lpszMenuName = nullptr;
  const char16_t* lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};

// The reserved system classes and their atoms.
constexpr ATOM kPopupMenuClassAtom = 0x8000;  // "#32768"
constexpr ATOM kDialogClassAtom = 0x8002;     // "#32770"

// Registers a class; the name may also be an atom made with MAKEINTATOM. Registering a reserved
// system class name replaces its procedure and keeps its atom. Answers the atom, 0 on failure
// (no name, a name already registered, extra bytes out of 0..1024).
ATOM RegisterClassExW(const WNDCLASSEXW* wc);
BOOL UnregisterClassW(const char16_t* className, HINSTANCE instance);
BOOL GetClassInfoExW(HINSTANCE instance, const char16_t* className, WNDCLASSEXW* out);
int GetClassNameW(HWND hwnd, char16_t* buffer, int maxCount);
String GetClassName(HWND hwnd);
uintptr_t GetClassLongPtrW(HWND hwnd, int index);

// --- Windows ---
HWND CreateWindowExW(DWORD exStyle, const char16_t* className, const char16_t* windowName,
                     DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
// Indexes >= 0 address the class's window-extra bytes (pointer-sized reads and writes).
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
LONG GetWindowLongW(HWND hwnd, int index);
LONG SetWindowLongW(HWND hwnd, int index, LONG value);
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

BOOL SetPropW(HWND hwnd, const char16_t* name, void* data);
void* GetPropW(HWND hwnd, const char16_t* name);
void* RemovePropW(HWND hwnd, const char16_t* name);

// --- Messages ---
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
DWORD GetCurrentThreadId();
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
// Answers 0 on WM_QUIT, -1 when no message can ever arrive (a headless run out of script).
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
void PostQuitMessage(int exitCode);
// Always FALSE: every send is made on the one user-interface thread.
BOOL InSendMessage();
// The message being handled (from the queue) and its time.
DWORD GetMessageTime();
LONG GetMessagePos();

// Runs one turn of a loop: hand-overs, then every queued message, translated and dispatched,
// without waiting. Answers false when WM_QUIT was seen (it is posted again for the outer loop).
bool ProcessPendingMessages();

// Runs a function on the user-interface thread. From that thread it runs at once; from another
// it is queued, the user-interface thread is woken, and with wait the caller blocks until it ran.
// The user-interface thread never waits on a worker.
void RunOnUiThread(std::function<void()> fn, bool wait);

// --- Timers ---
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
DWORD GetTickCount();
uint64_t GetTickCount64();

// --- Hooks ---
using HOOKPROC = LRESULT (*)(int code, WPARAM wParam, LPARAM lParam);
using HookMethod = std::function<LRESULT(int code, WPARAM wParam, LPARAM lParam)>;
HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
// The same for a bound method.
HHOOK SetWindowsHookExW(int idHook, HookMethod proc, HINSTANCE module, DWORD threadId);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
BOOL UnhookWindowsHookEx(HHOOK hook);

// --- Geometry and hierarchy ---
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* p);
BOOL ScreenToClient(HWND hwnd, POINT* p);
// Answers the offset packed as (dx, dy) in LOWORD/HIWORD; 0 on failure.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
HWND WindowFromPoint(POINT p);
HWND ChildWindowFromPointEx(HWND parent, POINT clientPoint, UINT flags);
HWND ChildWindowFromPoint(HWND parent, POINT clientPoint);
HWND GetParent(HWND hwnd);
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetDesktopWindow();
using WNDENUMPROC = std::function<BOOL(HWND, LPARAM)>;
BOOL EnumChildWindows(HWND parent, const WNDENUMPROC& fn, LPARAM lParam);
BOOL EnumWindows(const WNDENUMPROC& fn, LPARAM lParam);
HWND FindWindowW(const char16_t* className, const char16_t* windowName);
HWND FindWindowExW(HWND parent, HWND childAfter, const char16_t* className,
                   const char16_t* windowName);
BOOL IsChild(HWND parent, HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
int GetWindowTextW(HWND hwnd, char16_t* buffer, int maxCount);
int GetWindowTextLengthW(HWND hwnd);
BOOL SetWindowTextW(HWND hwnd, const char16_t* text);
String GetWindowText(HWND hwnd);
int GetDlgCtrlID(HWND hwnd);
HWND GetDlgItem(HWND parent, int id);

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
HDWP BeginDeferWindowPos(int count);
HDWP DeferWindowPos(HDWP dwp, HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy,
                    UINT flags);
BOOL EndDeferWindowPos(HDWP dwp);
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);
BOOL BringWindowToTop(HWND hwnd);

// How many rows the window's menu bar takes in the non-client area (0: no menu bar). Set by
// the menu code whenever the bar is laid out; the frame is recalculated on SWP_FRAMECHANGED.
BOOL SetMenuBarRows(HWND hwnd, int rows);

// --- Activation and focus ---
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
HWND SetFocus(HWND hwnd);
HWND GetFocus();
BOOL EnableWindow(HWND hwnd, BOOL enable);

// --- Mouse ---
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);
BOOL GetCursorPos(POINT* p);
BOOL SetCursorPos(int x, int y);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// Only the system cursors: IDC_ARROW, IDC_IBEAM, IDC_WAIT, IDC_CROSS, IDC_SIZENWSE,
// IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_HAND, IDC_NO, IDC_APPSTARTING, IDC_HELP.
HCURSOR LoadCursorW(HINSTANCE instance, const char16_t* name);
inline const char16_t* MAKEINTRESOURCEW(int id) {
  return reinterpret_cast<const char16_t*>(static_cast<uintptr_t>(uint16_t(id)));
}
enum : int {
  IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514, IDC_CROSS = 32515,
  IDC_UPARROW = 32516, IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643, IDC_SIZEWE = 32644,
  IDC_SIZENS = 32645, IDC_SIZEALL = 32646, IDC_NO = 32648, IDC_HAND = 32649,
  IDC_APPSTARTING = 32650, IDC_HELP = 32651,
};

// --- Keyboard ---
// As of the message being handled: bit 15 down, bit 0 toggled.
int16_t GetKeyState(int vk);
// The state now: bit 15 down.
int16_t GetAsyncKeyState(int vk);
// 256 entries: bit 7 down, bit 0 toggled.
BOOL GetKeyboardState(BYTE* state);
BOOL SetKeyboardState(const BYTE* state);

// --- Painting ---
struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // TRUE when the background still needs erasing
  RECT rcPaint;         // client coordinates
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};
enum : UINT {
  RDW_INVALIDATE = 0x0001,
  RDW_INTERNALPAINT = 0x0002,
  RDW_ERASE = 0x0004,
  RDW_VALIDATE = 0x0008,
  RDW_NOINTERNALPAINT = 0x0010,
  RDW_NOERASE = 0x0020,
  RDW_NOCHILDREN = 0x0040,
  RDW_ALLCHILDREN = 0x0080,
  RDW_UPDATENOW = 0x0100,
  RDW_ERASENOW = 0x0200,
  RDW_FRAME = 0x0400,
  RDW_NOFRAME = 0x0800,
};
enum : DWORD {
  DCX_WINDOW = 0x00000001,
  DCX_CACHE = 0x00000002,
  DCX_CLIPCHILDREN = 0x00000008,
  DCX_CLIPSIBLINGS = 0x00000010,
  DCX_PARENTCLIP = 0x00000020,
  DCX_EXCLUDERGN = 0x00000040,
  DCX_INTERSECTRGN = 0x00000080,
  DCX_INTERSECTUPDATE = 0x00000200,
  DCX_VALIDATE = 0x00200000,
};
// WM_PRINT flags.
enum : LPARAM {
  PRF_CHECKVISIBLE = 0x0001,
  PRF_NONCLIENT = 0x0002,
  PRF_CLIENT = 0x0004,
  PRF_ERASEBKGND = 0x0008,
  PRF_CHILDREN = 0x0010,
  PRF_OWNED = 0x0020,
};

// Rectangles and regions are in client coordinates; a null window means every top-level one.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN region);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
// Copies the update region (client coordinates) into region; answers its complexity.
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);
// Always validates the whole update region, whether or not anything was drawn.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// Null: a DC over the composed screen.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
// The region of DCX_INTERSECTRGN/DCX_EXCLUDERGN is in screen coordinates (as WM_NCPAINT's).
HDC GetDCEx(HWND hwnd, HRGN region, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);
// The window's retained surface (top-level windows; children answer their top-level's).
const Bitmap* GetWindowSurface(HWND hwnd);

// --- Regions and layered windows ---
// The region is in window coordinates and belongs to the system afterwards; null removes it.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
// Copies the window's region into region; ERROR when the window has none.
int GetWindowRgn(HWND hwnd, HRGN region);

enum : DWORD { ULW_COLORKEY = 0x1, ULW_ALPHA = 0x2, ULW_OPAQUE = 0x4 };
enum : DWORD { LWA_COLORKEY = 0x1, LWA_ALPHA = 0x2 };
// Copies the premultiplied picture of src at srcPoint (size), moves and resizes the window to
// dstPoint/size when given, and shows the picture with the blend's constant alpha.
BOOL UpdateLayeredWindow(HWND hwnd, HDC dst, const POINT* dstPoint, const SIZE* size, HDC src,
                         const POINT* srcPoint, COLORREF key, const BLENDFUNCTION* blend,
                         DWORD flags);
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags);
// Whether the screen can show per-pixel alpha windows.
BOOL LayeredWindowsAvailable();

// --- Standard scroll bars ---
enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
enum : int { SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2,
             SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4,
             SB_THUMBTRACK = 5, SB_TOP = 6, SB_LEFT = 6, SB_BOTTOM = 7, SB_RIGHT = 7,
             SB_ENDSCROLL = 8 };
enum : UINT { SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8,
              SIF_TRACKPOS = 0x10, SIF_ALL = 0x17 };
enum : UINT { ESB_ENABLE_BOTH = 0, ESB_DISABLE_LTUP = 1, ESB_DISABLE_RTDN = 2,
              ESB_DISABLE_BOTH = 3 };
struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
constexpr LONG OBJID_VSCROLL = -5;
constexpr LONG OBJID_HSCROLL = -6;
enum : DWORD { STATE_SYSTEM_UNAVAILABLE = 0x1, STATE_SYSTEM_PRESSED = 0x8,
               STATE_SYSTEM_INVISIBLE = 0x8000, STATE_SYSTEM_OFFSCREEN = 0x10000 };
struct SCROLLBARINFO {
  DWORD cbSize = sizeof(SCROLLBARINFO);  // 60
  RECT rcScrollBar;                      // screen coordinates
  int dxyLineButton = 0;
  int xyThumbTop = 0;                    // from the bar's top (left) edge
  int xyThumbBottom = 0;
  int reserved = 0;
  DWORD rgstate[6] = {};                 // the bar, up arrow, page up, thumb, page down, down arrow
};
// Answers the new position. A bar that is not needed is hidden, or shown disabled with
// SIF_DISABLENOSCROLL; with redraw the frame is invalidated, never drawn at once.
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollBarInfo(HWND hwnd, LONG idObject, SCROLLBARINFO* info);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);
// a * b / c with a 64-bit product, rounded half away from zero; -1 on a zero divisor or when the
// result does not fit.
int MulDiv(int a, int b, int c);

// --- System ---
void MessageBeep(UINT type);

}  // namespace win
