// The default window procedure.

#include <algorithm>

#include "platform/windows/Metrics.h"
#include "platform/windows/NonClient.h"
#include "platform/windows/WindowManager.h"

namespace win {

namespace {

HCURSOR SizingCursor(int hit) {
  switch (hit) {
    case HTLEFT: case HTRIGHT: return LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_SIZEWE));
    case HTTOP: case HTBOTTOM: return LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_SIZENS));
    case HTTOPLEFT: case HTBOTTOMRIGHT: case HTGROWBOX:
      return LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_SIZENWSE));
    case HTTOPRIGHT: case HTBOTTOMLEFT: return LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_SIZENESW));
    default: return nullptr;
  }
}

bool IsSizingHit(int hit) { return (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) || hit == HTGROWBOX; }

// The frame may need repainting: asked through the procedure chain, never drawn here.
void RequestNcPaint(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (w && ReallyVisible(w)) SendMessageW(hwnd, WM_NCPAINT, 1, 0);
}

LRESULT OnSysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  switch (wParam & 0xFFF0) {
    case SC_CLOSE:
      return SendMessageW(hwnd, WM_CLOSE, 0, 0);
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
      ShowWindow(hwnd, SW_MAXIMIZE);
      return 0;
    case SC_RESTORE:
      ShowWindow(hwnd, SW_RESTORE);
      return 0;
    case SC_MOVE:
    case SC_SIZE:
      RunMoveSizeLoop(hwnd, wParam, lParam);
      return 0;
    case SC_VSCROLL:
    case SC_HSCROLL:
      TrackScrollBar(hwnd, (wParam & 0xFFF0) == SC_VSCROLL,
                     POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    default:
      return 0;
  }
}

}  // namespace

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Wm().Find(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                       : reinterpret_cast<RECT*>(lParam);
      if (r) DefaultNcCalcSize(*w, r);
      return 0;
    }
    case WM_NCHITTEST:
      return DefaultNcHitTest(*w, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_SETTEXT: {
      const char16_t* text = reinterpret_cast<const char16_t*>(lParam);
      w->text = text ? String(text) : String();
      if (w->surface) Wm().GetBackend().WindowTitleChanged(hwnd, w->text);
      if ((w->style & WS_CAPTION) == WS_CAPTION) RequestNcPaint(hwnd);
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char16_t*>(lParam);
      if (!buffer || wParam == 0) return 0;
      size_t n = std::min(w->text.size(), size_t(wParam) - 1);
      std::copy_n(w->text.data(), n, buffer);
      buffer[n] = 0;
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(w->text.size());
    case WM_SETICON: {
      HICON& slot = wParam == 0 ? w->iconSmall : w->iconBig;  // ICON_SMALL = 0, ICON_BIG = 1
      HICON old = slot;
      slot = reinterpret_cast<HICON>(lParam);
      RequestNcPaint(hwnd);
      return LRESULT(reinterpret_cast<uintptr_t>(old));
    }
    case WM_GETICON:
      return LRESULT(reinterpret_cast<uintptr_t>(wParam == 0 || wParam == 2 ? w->iconSmall : w->iconBig));
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      return OnSysCommand(hwnd, wParam, lParam);
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOMOVE))
        SendMessageW(hwnd, WM_MOVE, 0,
                     MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
      if (!(w = Wm().Find(hwnd))) return 0;
      if (!(wp->flags & SWP_NOSIZE)) {
        WPARAM type = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED
                      : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessageW(hwnd, WM_SIZE, type, MAKELPARAM(w->client.Width(), w->client.Height()));
      }
      return 0;
    }
    case WM_SETCURSOR: {
      int hit = int(int16_t(LOWORD(LPARAM(lParam))));
      if (w->parent && SendMessageW(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (!(w = Wm().Find(hwnd))) return FALSE;
      // Asked on behalf of a descendant: only its own default picks the cursor, so a parent's
      // class cursor never overrides the child's.
      if (reinterpret_cast<HWND>(wParam) != hwnd) return FALSE;
      if (hit == HTCLIENT) {
        if (!w->cls->cursor) return FALSE;
        SetCursor(w->cls->cursor);
        return TRUE;
      }
      if (hit == HTERROR) {
        UINT mouseMsg = HIWORD(LPARAM(lParam));
        if (mouseMsg == WM_LBUTTONDOWN || mouseMsg == WM_RBUTTONDOWN) MessageBeep(0);
      }
      HCURSOR c = SizingCursor(hit);
      SetCursor(c ? c : LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_ARROW)));
      return TRUE;
    }
    case WM_MOUSEACTIVATE:
      if (w->parent) {
        if (LRESULT r = SendMessageW(w->parent, WM_MOUSEACTIVATE, wParam, lParam)) return r;
      }
      return MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(hwnd);
      return 0;
    case WM_NCACTIVATE:
      w->ncActive = wParam != FALSE;
      DefaultNcPaint(hwnd, reinterpret_cast<HRGN>(uintptr_t(1)));
      return TRUE;
    case WM_NCPAINT:
      DefaultNcPaint(hwnd, reinterpret_cast<HRGN>(wParam));
      return 0;
    case WM_PAINT: {
      // A DC in wParam is painted into as it is; otherwise the window is validated.
      if (wParam) return 0;
      PAINTSTRUCT ps;
      if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return DefaultEraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_PRINT:
      return DefaultPrint(hwnd, reinterpret_cast<HDC>(wParam), lParam);
    case WM_SETREDRAW:
      if (wParam) {
        w->redrawOff = false;
      } else {
        w->redrawOff = true;
        w->update = Region();
        w->needErase = w->needNcPaint = w->internalPaint = false;
      }
      return 0;
    case WM_CANCELMODE:
      if (Wm().capture == hwnd) ReleaseCapture();
      return 0;
    case WM_MOUSEWHEEL:
      if (w->parent) return SendMessageW(w->parent, msg, wParam, lParam);
      return 0;
    case WM_CONTEXTMENU:
      if (w->parent) return SendMessageW(w->parent, msg, wParam, lParam);
      return 0;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &p);
      SendMessageW(hwnd, WM_CONTEXTMENU, WPARAM(hwnd), MAKELPARAM(p.x, p.y));
      return 0;
    }
    case WM_NCRBUTTONUP:
      SendMessageW(hwnd, WM_CONTEXTMENU, WPARAM(hwnd), lParam);
      return 0;
    case WM_NCLBUTTONDOWN: {
      int hit = int(wParam);
      if (hit == HTCAPTION) {
        if (!w->parent) SendMessageW(hwnd, WM_SYSCOMMAND, WPARAM(SC_MOVE) | WPARAM(HTCAPTION), lParam);
      } else if (IsSizingHit(hit)) {
        // A grip in a child sizes the top-level window that holds it.
        HWND target = w->parent ? RootOf(hwnd) : hwnd;
        int edge = hit == HTGROWBOX ? HTBOTTOMRIGHT : hit;
        if (w->parent && hit != HTBOTTOMRIGHT && hit != HTGROWBOX) return 0;
        SendMessageW(target, WM_SYSCOMMAND, SC_SIZE + WPARAM(edge - HTLEFT + 1), lParam);
      } else if (hit == HTMINBUTTON || hit == HTMAXBUTTON || hit == HTCLOSE || hit == HTHELP) {
        TrackTitleButton(hwnd, hit);
      } else if (hit == HTVSCROLL || hit == HTHSCROLL) {
        SendMessageW(hwnd, WM_SYSCOMMAND, (hit == HTVSCROLL ? SC_VSCROLL : SC_HSCROLL) + WPARAM(hit),
                     lParam);
      }
      return 0;
    }
    case WM_NCLBUTTONDBLCLK: {
      int hit = int(wParam);
      if (hit == HTCAPTION && (w->style & WS_MAXIMIZEBOX) && !w->parent)
        SendMessageW(hwnd, WM_SYSCOMMAND, (w->style & (WS_MAXIMIZE | WS_MINIMIZE)) ? SC_RESTORE : SC_MAXIMIZE, lParam);
      else if (hit == HTSYSMENU)
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      return 0;
    }
    case WM_SYSKEYDOWN:
      // Alt pressed and released alone, or F10, asks for the menu bar.
      if (!(lParam & (1 << 30))) Wm().menuKeyAlone = wParam == VK_MENU || wParam == VK_F10;
      // Alt+F4 closes whatever the frame shows.
      if (wParam == VK_F4 && (lParam & (1 << 29)))
        SendMessageW(RootOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSKEYUP:
    case WM_KEYUP:
      if ((wParam == VK_MENU || wParam == VK_F10) && Wm().menuKeyAlone) {
        Wm().menuKeyAlone = false;
        SendMessageW(RootOf(hwnd), WM_SYSCOMMAND, SC_KEYMENU, 0);
      }
      return 0;
    case WM_KEYDOWN:
      Wm().menuKeyAlone = false;
      return 0;
    case WM_SYSCHAR:
      if (lParam & (1 << 29))
        SendMessageW(RootOf(hwnd), WM_SYSCOMMAND, SC_KEYMENU, LPARAM(wParam));
      return 0;
    case WM_GETMINMAXINFO:
    case WM_SHOWWINDOW:
    case WM_PARENTNOTIFY:
    default:
      return 0;
  }
}

}  // namespace win
