// The standard scroll bars in the non-client area: their state, geometry, painting and the
// tracking loop with arrow auto-repeat and thumb tracking.

#include <algorithm>
#include <cstdlib>

#include "platform/graphics/Drawing.h"
#include "platform/windows/Metrics.h"
#include "platform/windows/NonClient.h"
#include "platform/windows/WindowManager.h"

namespace win {

namespace {

constexpr UINT kRepeatDelayMs = 400;
constexpr UINT kRepeatMs = 50;
constexpr int kMinThumb = 8;

ScrollBarState* BarOf(Window* w, int bar) {
  if (!w) return nullptr;
  if (bar == SB_VERT) return &w->vbar;
  if (bar == SB_HORZ) return &w->hbar;
  return nullptr;
}

DWORD StyleBit(int bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

void Clamp(ScrollBarState& s) {
  int64_t span = int64_t(s.max) - s.min + 1;
  if (span < 0) span = 0;
  if (int64_t(s.page) > span) s.page = UINT(span);
  int64_t top = int64_t(s.max) - std::max<int64_t>(int64_t(s.page) - 1, 0);
  s.pos = int(std::clamp<int64_t>(s.pos, s.min, std::max<int64_t>(top, s.min)));
}

bool Needed(const ScrollBarState& s) {
  int64_t span = int64_t(s.max) - s.min + 1;
  return s.max > s.min && int64_t(s.page) < span;
}


void SetBarShown(HWND hwnd, int bar, bool show) {
  Window* w = Wm().Find(hwnd);
  if (!w) return;
  DWORD bits = bar == SB_BOTH ? (WS_VSCROLL | WS_HSCROLL) : StyleBit(bar);
  DWORD style = show ? (w->style | bits) : (w->style & ~bits);
  if (style == w->style) return;
  w->style = style;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

struct BarLayout {
  RECT rect;  // window coordinates; empty when the bar is not reserved
  bool vertical = true;
  int length = 0;
  int arrow = 0;
  int thumbTop = 0;  // from the bar's start; top == bottom: no thumb
  int thumbBottom = 0;
};

BarLayout Layout(Window& w, bool vertical) {
  NcGeometry g = ComputeNcGeometry(w, w.rect.Width(), w.rect.Height(), true);
  BarLayout l;
  l.vertical = vertical;
  l.rect = vertical ? g.vscroll : g.hscroll;
  if (IsRectEmpty(&l.rect)) return l;
  const ScrollBarState& s = vertical ? w.vbar : w.hbar;
  l.length = vertical ? l.rect.Height() : l.rect.Width();
  int breadth = vertical ? l.rect.Width() : l.rect.Height();
  l.arrow = std::min(breadth, l.length / 2);
  int track = l.length - 2 * l.arrow;
  int64_t span = int64_t(s.max) - s.min + 1;
  if (s.disabled || !Needed(s) || track <= 0) return l;
  int thumb = s.page ? std::max(kMinThumb, MulDiv(track, int(s.page), int(std::min<int64_t>(span, INT32_MAX))))
                     : GetSystemMetrics(vertical ? SM_CYVTHUMB : SM_CXHTHUMB);
  if (thumb > track) return l;
  int64_t room = span - std::max<int64_t>(s.page, 1);
  int offset = room > 0 ? MulDiv(track - thumb, int(std::min<int64_t>(int64_t(s.pos) - s.min, INT32_MAX)),
                                 int(std::min<int64_t>(room, INT32_MAX)))
                        : 0;
  l.thumbTop = l.arrow + std::clamp(offset, 0, track - thumb);
  l.thumbBottom = l.thumbTop + thumb;
  return l;
}

RECT Part(const BarLayout& l, int from, int to) {
  RECT r = l.rect;
  if (l.vertical) {
    r.top = l.rect.top + from;
    r.bottom = l.rect.top + to;
  } else {
    r.left = l.rect.left + from;
    r.right = l.rect.left + to;
  }
  return r;
}

void PaintOne(HDC dc, const ScrollBarState& s, const BarLayout& l) {
  if (IsRectEmpty(&l.rect)) return;
  RECT track = Part(l, l.arrow, l.length - l.arrow);
  FillSolidRect(dc, &track, GetSysColor(COLOR_SCROLLBAR));
  for (RECT arrow : {Part(l, 0, l.arrow), Part(l, l.length - l.arrow, l.length)}) {
    FillSolidRect(dc, &arrow, GetSysColor(COLOR_BTNFACE));
    DrawEdge(dc, &arrow, EDGE_RAISED, BF_RECT);
  }
  if (l.thumbBottom > l.thumbTop && !s.disabled) {
    RECT thumb = Part(l, l.thumbTop, l.thumbBottom);
    FillSolidRect(dc, &thumb, GetSysColor(COLOR_BTNFACE));
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
  }
}

}  // namespace

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t product = int64_t(a) * b;
  int64_t q = product / c;
  int64_t r = product % c;
  // Round half away from zero.
  if (std::llabs(r) * 2 >= std::llabs(int64_t(c))) q += ((product < 0) != (c < 0)) ? -1 : 1;
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return int(q);
}

void PaintScrollBars(HDC dc, Window& w, const NcGeometry& g) {
  PaintOne(dc, w.vbar, Layout(w, true));
  PaintOne(dc, w.hbar, Layout(w, false));
  if (!IsRectEmpty(&g.grip)) FillSolidRect(dc, &g.grip, GetSysColor(COLOR_BTNFACE));
}

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  Window* w = Wm().Find(hwnd);
  ScrollBarState* s = BarOf(w, bar);
  if (!s || !info || info->cbSize != sizeof(SCROLLINFO)) return 0;
  if (info->fMask & SIF_RANGE) {
    s->min = info->nMin;
    s->max = info->nMax;
  }
  if (info->fMask & SIF_PAGE) s->page = info->nPage;
  if (info->fMask & SIF_POS) s->pos = info->nPos;
  Clamp(*s);
  int pos = s->pos;
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
    if (Needed(*s)) {
      s->disabled = false;
      s->arrowsDisabled = ESB_ENABLE_BOTH;
      SetBarShown(hwnd, bar, true);
    } else if (info->fMask & SIF_DISABLENOSCROLL) {
      s->disabled = true;
      SetBarShown(hwnd, bar, true);
    } else {
      SetBarShown(hwnd, bar, false);
    }
  }
  if (redraw) InvalidateNonClient(hwnd);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  ScrollBarState* s = BarOf(Wm().Find(hwnd), bar);
  if (!s || !info || info->cbSize != sizeof(SCROLLINFO)) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = s->min;
    info->nMax = s->max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s->page;
  if (info->fMask & SIF_POS) info->nPos = s->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s->trackPos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  ScrollBarState* s = BarOf(Wm().Find(hwnd), bar);
  if (!s) return 0;
  int old = s->pos;
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  ScrollBarState* s = BarOf(Wm().Find(hwnd), bar);
  return s ? s->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
  if (!BarOf(Wm().Find(hwnd), bar)) return FALSE;
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = min;
  si.nMax = max;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!Wm().Find(hwnd) || (bar != SB_VERT && bar != SB_HORZ && bar != SB_BOTH)) return FALSE;
  SetBarShown(hwnd, bar, show != FALSE);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  Window* w = Wm().Find(hwnd);
  if (!w || bar > SB_BOTH || bar == SB_CTL) return FALSE;
  for (int b : {int(SB_HORZ), int(SB_VERT)}) {
    if (bar != SB_BOTH && int(bar) != b) continue;
    ScrollBarState* s = BarOf(w, b);
    s->arrowsDisabled = arrows & ESB_DISABLE_BOTH;
    s->disabled = s->arrowsDisabled == ESB_DISABLE_BOTH;
  }
  InvalidateNonClient(hwnd);
  return TRUE;
}

BOOL GetScrollBarInfo(HWND hwnd, LONG idObject, SCROLLBARINFO* info) {
  Window* w = Wm().Find(hwnd);
  if (!w || !info || info->cbSize != sizeof(SCROLLBARINFO)) return FALSE;
  if (idObject != OBJID_VSCROLL && idObject != OBJID_HSCROLL) return FALSE;
  bool vertical = idObject == OBJID_VSCROLL;
  BarLayout l = Layout(*w, vertical);
  const ScrollBarState& s = vertical ? w->vbar : w->hbar;
  DWORD size = info->cbSize;
  *info = SCROLLBARINFO{};
  info->cbSize = size;
  POINT o = WindowOrigin(*w);
  info->rcScrollBar = l.rect;
  OffsetRect(&info->rcScrollBar, o.x, o.y);
  info->dxyLineButton = l.arrow;
  info->xyThumbTop = l.thumbTop;
  info->xyThumbBottom = l.thumbBottom;
  if (IsRectEmpty(&l.rect)) info->rgstate[0] |= STATE_SYSTEM_INVISIBLE;
  if (s.disabled) info->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
  if (s.arrowsDisabled & ESB_DISABLE_LTUP) info->rgstate[1] |= STATE_SYSTEM_UNAVAILABLE;
  if (s.arrowsDisabled & ESB_DISABLE_RTDN) info->rgstate[5] |= STATE_SYSTEM_UNAVAILABLE;
  if (l.thumbBottom <= l.thumbTop) info->rgstate[3] |= STATE_SYSTEM_INVISIBLE;
  return TRUE;
}

void TrackScrollBar(HWND hwnd, bool vertical, POINT screen) {
  WindowManager& wm = Wm();
  Window* w = wm.Find(hwnd);
  if (!w || GetKeyState(VK_LBUTTON) >= 0) return;
  BarLayout l = Layout(*w, vertical);
  ScrollBarState& s = vertical ? w->vbar : w->hbar;
  if (IsRectEmpty(&l.rect) || s.disabled) return;
  UINT msgId = vertical ? WM_VSCROLL : WM_HSCROLL;
  POINT o = WindowOrigin(*w);
  auto along = [&](POINT p) {
    return vertical ? p.y - o.y - l.rect.top : p.x - o.x - l.rect.left;
  };
  int at = along(screen);
  int code;
  bool thumb = false;
  if (at < l.arrow) code = SB_LINEUP;
  else if (at >= l.length - l.arrow) code = SB_LINEDOWN;
  else if (l.thumbBottom > l.thumbTop && at >= l.thumbTop && at < l.thumbBottom) {
    code = SB_THUMBTRACK;
    thumb = true;
  } else if (l.thumbBottom > l.thumbTop && at < l.thumbTop) code = SB_PAGEUP;
  else code = SB_PAGEDOWN;
  if ((code == SB_LINEUP && (s.arrowsDisabled & ESB_DISABLE_LTUP)) ||
      (code == SB_LINEDOWN && (s.arrowsDisabled & ESB_DISABLE_RTDN)))
    return;

  SetCapture(hwnd);
  auto send = [&](int c, int pos) { SendMessageW(hwnd, msgId, MAKEWPARAM(c, pos), 0); };
  UINT_PTR repeat = 0;
  if (!thumb) {
    send(code, 0);
    repeat = SetTimer(nullptr, 0, kRepeatDelayMs, nullptr);
  }
  int grab = at - l.thumbTop;
  int lastTrack = s.pos;
  s.trackPos = s.pos;
  POINT cursor = screen;
  MSG msg;
  while (wm.Find(hwnd) && wm.capture == hwnd) {
    BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0) PostQuitMessage(int(msg.wParam));
    if (r <= 0) break;
    if (msg.message == WM_LBUTTONUP) break;
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == hwnd) {
      cursor = msg.pt;
      if (thumb && (w = wm.Find(hwnd))) {
        BarLayout now = Layout(*w, vertical);
        ScrollBarState& cur = vertical ? w->vbar : w->hbar;
        int track = now.length - 2 * now.arrow - (now.thumbBottom - now.thumbTop);
        int64_t room = int64_t(cur.max) - cur.min + 1 - std::max<int64_t>(cur.page, 1);
        int offset = std::clamp(along(cursor) - grab - now.arrow, 0, std::max(track, 0));
        int pos = track > 0 ? cur.min + MulDiv(offset, int(std::min<int64_t>(room, INT32_MAX)), track) : cur.min;
        if (pos != lastTrack) {
          lastTrack = pos;
          cur.trackPos = pos;
          send(SB_THUMBTRACK, pos);
        }
      }
      continue;
    }
    if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == repeat && repeat) {
      // Auto-repeat while the mouse stays over the part that was pressed.
      SetTimer(nullptr, repeat, kRepeatMs, nullptr);
      if (!(w = wm.Find(hwnd))) break;
      BarLayout now = Layout(*w, vertical);
      int a = along(cursor);
      bool over = code == SB_LINEUP     ? a < now.arrow
                  : code == SB_LINEDOWN ? a >= now.length - now.arrow
                  : code == SB_PAGEUP   ? a >= now.arrow && a < now.thumbTop
                                        : a >= now.thumbBottom && a < now.length - now.arrow;
      if (over) send(code, 0);
      continue;
    }
    if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
        (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK))
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (repeat) KillTimer(nullptr, repeat);
  if (wm.capture == hwnd) ReleaseCapture();
  if (!wm.Find(hwnd)) return;
  if (thumb) send(SB_THUMBPOSITION, lastTrack);
  send(SB_ENDSCROLL, 0);
}

}  // namespace win
