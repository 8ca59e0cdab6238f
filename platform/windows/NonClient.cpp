#include "platform/windows/NonClient.h"

#include "platform/windows/Metrics.h"

namespace win {

NcGeometry ComputeNcGeometry(const Window& w, int width, int height, bool useReserved) {
  NcGeometry g;
  RECT r{0, 0, width, height};
  DWORD style = w.style;
  DWORD ex = w.exStyle;
  // DS_MODALFRAME is a dialog style; other classes use the low word for their own styles.
  bool modal = (ex & WS_EX_DLGMODALFRAME) ||
               (w.cls && w.cls->atom == kDialogClassAtom && (style & DS_MODALFRAME));
  g.thick = (style & WS_THICKFRAME) != 0;
  if (g.thick) g.frame = GetSystemMetrics(SM_CXFRAME);
  else if ((style & (WS_BORDER | WS_DLGFRAME)) || modal)
    g.frame = GetSystemMetrics(SM_CXDLGFRAME);
  InflateRect(&r, -g.frame, -g.frame);

  if ((style & WS_CAPTION) == WS_CAPTION) {
    bool tool = (ex & WS_EX_TOOLWINDOW) != 0;
    int h = GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION);
    g.caption = RECT{r.left, r.top, r.right, r.top + h};
    r.top += h;
    if (style & WS_SYSMENU) {
      // Buttons sit 2 pixels inside the caption; min and max touch, close stands apart.
      int bh = h - 4;
      int bw = bh + 2;
      int top = g.caption.top + 2;
      int right = g.caption.right - 2;
      g.closeButton = RECT{right - bw, top, right, top + bh};
      if ((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) && !tool) {
        g.maxButton = RECT{g.closeButton.left - 2 - bw, top, g.closeButton.left - 2, top + bh};
        g.minButton = RECT{g.maxButton.left - bw, top, g.maxButton.left, top + bh};
      } else if (ex & WS_EX_CONTEXTHELP) {
        g.helpButton = RECT{g.closeButton.left - 2 - bw, top, g.closeButton.left - 2, top + bh};
      }
      if (!tool && !modal) g.sysMenu = RECT{g.caption.left, g.caption.top, g.caption.left + h, g.caption.bottom};
    }
  }
  if (w.menuRows > 0 && !(style & WS_CHILD)) {
    int h = w.menuRows * (GetSystemMetrics(SM_CYMENU) - 1) + 1;
    g.menu = RECT{r.left, r.top, r.right, r.top + h};
    r.top += h;
  }
  if (ex & WS_EX_CLIENTEDGE) InflateRect(&r, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  if (ex & WS_EX_STATICEDGE) InflateRect(&r, -GetSystemMetrics(SM_CXBORDER), -GetSystemMetrics(SM_CYBORDER));

  int sx = GetSystemMetrics(SM_CXVSCROLL);
  int sy = GetSystemMetrics(SM_CYHSCROLL);
  bool wantV = useReserved ? w.ncReserved.vscroll : ((style & WS_VSCROLL) && r.right - r.left >= sx);
  if (wantV) {
    r.right -= sx;
    g.vscroll = RECT{r.right, r.top, r.right + sx, r.bottom};
  }
  bool wantH = useReserved ? w.ncReserved.hscroll : ((style & WS_HSCROLL) && r.bottom - r.top >= sy);
  if (wantH) {
    r.bottom -= sy;
    g.hscroll = RECT{r.left, r.bottom, r.right, r.bottom + sy};
    if (wantV) {
      g.vscroll.bottom = r.bottom;
      g.grip = RECT{r.right, r.bottom, r.right + sx, r.bottom + sy};
    }
  }
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  g.client = r;
  return g;
}

void DefaultNcCalcSize(Window& w, RECT* rect) {
  NcGeometry g = ComputeNcGeometry(w, rect->Width(), rect->Height(), false);
  w.ncReserved.vscroll = !IsRectEmpty(&g.vscroll);
  w.ncReserved.hscroll = !IsRectEmpty(&g.hscroll);
  RECT c = g.client;
  OffsetRect(&c, rect->left, rect->top);
  *rect = c;
}

int DefaultNcHitTest(Window& w, POINT screen) {
  POINT o = WindowOrigin(w);
  POINT p{screen.x - o.x, screen.y - o.y};
  int width = w.rect.Width(), height = w.rect.Height();
  RECT whole{0, 0, width, height};
  if (!PtInRect(&whole, p)) return HTNOWHERE;
  if (w.style & WS_MINIMIZE) return HTCAPTION;
  if (PtInRect(&w.client, p)) return HTCLIENT;
  NcGeometry g = ComputeNcGeometry(w, width, height, true);
  RECT inner = whole;
  InflateRect(&inner, -g.frame, -g.frame);
  if (!PtInRect(&inner, p)) {
    if (!g.thick) return HTBORDER;
    // Corners reach a caption's height along each edge.
    int k = GetSystemMetrics(SM_CYCAPTION);
    bool left = p.x < g.frame, right = p.x >= width - g.frame;
    bool top = p.y < g.frame, bottom = p.y >= height - g.frame;
    bool nearLeft = p.x < k, nearRight = p.x >= width - k;
    bool nearTop = p.y < k, nearBottom = p.y >= height - k;
    if (left) return nearTop ? HTTOPLEFT : nearBottom ? HTBOTTOMLEFT : HTLEFT;
    if (right) return nearTop ? HTTOPRIGHT : nearBottom ? HTBOTTOMRIGHT : HTRIGHT;
    if (top) return nearLeft ? HTTOPLEFT : nearRight ? HTTOPRIGHT : HTTOP;
    if (bottom) return nearLeft ? HTBOTTOMLEFT : nearRight ? HTBOTTOMRIGHT : HTBOTTOM;
  }
  if (PtInRect(&g.caption, p)) {
    if (PtInRect(&g.sysMenu, p)) return HTSYSMENU;
    if (PtInRect(&g.closeButton, p)) return HTCLOSE;
    if (PtInRect(&g.maxButton, p)) return HTMAXBUTTON;
    if (PtInRect(&g.minButton, p)) return HTMINBUTTON;
    if (PtInRect(&g.helpButton, p)) return HTHELP;
    return HTCAPTION;
  }
  if (PtInRect(&g.menu, p)) return HTMENU;
  if (PtInRect(&g.vscroll, p)) return HTVSCROLL;
  if (PtInRect(&g.hscroll, p)) return HTHSCROLL;
  if (PtInRect(&g.grip, p)) return HTGROWBOX;
  return HTBORDER;
}

}  // namespace win
