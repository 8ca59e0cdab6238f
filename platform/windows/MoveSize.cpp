// The modal loops of the default non-client behaviour: moving and sizing a window with the
// mouse, and pressing a title button. Each pumps posted messages, timers and hand-overs while it
// runs, like every other modal loop.

#include <algorithm>

#include "platform/windows/Metrics.h"
#include "platform/windows/WindowManager.h"

namespace win {

namespace {

enum : int { WMSZ_LEFT = 1, WMSZ_RIGHT, WMSZ_TOP, WMSZ_TOPLEFT, WMSZ_TOPRIGHT, WMSZ_BOTTOM,
             WMSZ_BOTTOMLEFT, WMSZ_BOTTOMRIGHT };

bool MovesLeft(int e) { return e == WMSZ_LEFT || e == WMSZ_TOPLEFT || e == WMSZ_BOTTOMLEFT; }
bool MovesRight(int e) { return e == WMSZ_RIGHT || e == WMSZ_TOPRIGHT || e == WMSZ_BOTTOMRIGHT; }
bool MovesTop(int e) { return e == WMSZ_TOP || e == WMSZ_TOPLEFT || e == WMSZ_TOPRIGHT; }
bool MovesBottom(int e) { return e == WMSZ_BOTTOM || e == WMSZ_BOTTOMLEFT || e == WMSZ_BOTTOMRIGHT; }

// Waits for the next message of the loop; false when the loop must end (WM_QUIT is put back
// for the outer loop, or no input can arrive any more).
bool NextLoopMessage(MSG* msg) {
  BOOL r = GetMessageW(msg, nullptr, 0, 0);
  if (r == 0) {
    PostQuitMessage(int(msg->wParam));
    return false;
  }
  return r > 0;
}

bool IsMouseMessage(UINT m) {
  return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

}  // namespace

void RunMoveSizeLoop(HWND hwnd, WPARAM command, LPARAM lParam) {
  WindowManager& wm = Wm();
  Window* w = wm.Find(hwnd);
  if (!w) return;
  bool moving = (command & 0xFFF0) == SC_MOVE;
  int edge = int(command & 0x000F);
  if (moving && (w->style & WS_MAXIMIZE)) return;
  if (!moving && edge > WMSZ_BOTTOMRIGHT) return;
  // With a pressed button (as of the message that started it) the loop follows the mouse;
  // started without one (a menu command: SC_MOVE or SC_SIZE with no edge) it follows the arrow
  // keys, 8 pixels a press, and for sizing the first arrow picks the edge.
  bool keyboard = GetKeyState(VK_LBUTTON) >= 0;
  if (!keyboard && !moving && edge < WMSZ_LEFT) return;
  if (keyboard && !moving && edge != 0) return;

  POINT start = lParam ? POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)} : wm.cursor;
  RECT startRect = w->rect;
  SetCapture(hwnd);
  SendMessageW(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  MINMAXINFO mmi = QueryMinMaxInfo(hwnd);
  int minW = mmi.ptMinTrackSize.x, minH = mmi.ptMinTrackSize.y;
  int maxW = std::max(minW, int(mmi.ptMaxTrackSize.x));
  int maxH = std::max(minH, int(mmi.ptMaxTrackSize.y));

  auto apply = [&](int dx, int dy) {
    RECT r = startRect;
    if (moving) {
      OffsetRect(&r, dx, dy);
      SendMessageW(hwnd, WM_MOVING, 0, LPARAM(&r));
      SetWindowPos(hwnd, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return;
    }
    if (MovesLeft(edge)) r.left = std::clamp(startRect.left + dx, r.right - maxW, r.right - minW);
    if (MovesRight(edge)) r.right = std::clamp(startRect.right + dx, r.left + minW, r.left + maxW);
    if (MovesTop(edge)) r.top = std::clamp(startRect.top + dy, r.bottom - maxH, r.bottom - minH);
    if (MovesBottom(edge)) r.bottom = std::clamp(startRect.bottom + dy, r.top + minH, r.top + maxH);
    SendMessageW(hwnd, WM_SIZING, WPARAM(edge), LPARAM(&r));
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  };

  constexpr int kKeyStep = 8;
  int keyX = 0, keyY = 0;
  MSG msg;
  while (wm.Find(hwnd) && wm.capture == hwnd && NextLoopMessage(&msg)) {
    if (!keyboard && msg.message == WM_MOUSEMOVE && msg.hwnd == hwnd) {
      apply(msg.pt.x - start.x, msg.pt.y - start.y);
      continue;
    }
    if (!keyboard && msg.message == WM_LBUTTONUP) break;
    if (keyboard && (msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONUP)) break;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      SetWindowPos(hwnd, nullptr, startRect.left, startRect.top, startRect.Width(),
                   startRect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    if (keyboard && msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) break;
    if (keyboard && msg.message == WM_KEYDOWN &&
        (msg.wParam == VK_LEFT || msg.wParam == VK_RIGHT || msg.wParam == VK_UP || msg.wParam == VK_DOWN)) {
      if (!moving && edge == 0)
        edge = msg.wParam == VK_LEFT ? WMSZ_LEFT : msg.wParam == VK_RIGHT ? WMSZ_RIGHT
               : msg.wParam == VK_UP ? WMSZ_TOP : WMSZ_BOTTOM;
      if (msg.wParam == VK_LEFT) keyX -= kKeyStep;
      if (msg.wParam == VK_RIGHT) keyX += kKeyStep;
      if (msg.wParam == VK_UP) keyY -= kKeyStep;
      if (msg.wParam == VK_DOWN) keyY += kKeyStep;
      apply(keyX, keyY);
      continue;
    }
    if (IsMouseMessage(msg.message) || msg.message == WM_KEYDOWN || msg.message == WM_KEYUP)
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (wm.capture == hwnd) ReleaseCapture();
  if (wm.Find(hwnd)) SendMessageW(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

void TrackTitleButton(HWND hwnd, int hit) {
  WindowManager& wm = Wm();
  if (!wm.Find(hwnd) || GetKeyState(VK_LBUTTON) >= 0) return;
  SetCapture(hwnd);
  MSG msg;
  bool released = false;
  POINT at{};
  while (wm.Find(hwnd) && wm.capture == hwnd && NextLoopMessage(&msg)) {
    if (msg.message == WM_LBUTTONUP) {
      released = true;
      at = msg.pt;
      break;
    }
    if (IsMouseMessage(msg.message)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (wm.capture == hwnd) ReleaseCapture();
  Window* w = wm.Find(hwnd);
  if (!released || !w) return;
  // The command runs only when the button is released over the button that was pressed.
  if (SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) != hit) return;
  if (!(w = wm.Find(hwnd))) return;
  WPARAM cmd = hit == HTCLOSE       ? SC_CLOSE
               : hit == HTMINBUTTON ? SC_MINIMIZE
               : hit == HTHELP      ? SC_CONTEXTHELP
               : (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
  SendMessageW(hwnd, WM_SYSCOMMAND, cmd, MAKELPARAM(at.x, at.y));
}

}  // namespace win
