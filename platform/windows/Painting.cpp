// Painting: update regions, device contexts over the retained surfaces, WM_PAINT and its
// relatives, the default frame, WM_PRINT, window regions and layered windows.

#include <algorithm>

#include "platform/graphics/DeviceContext.h"
#include "platform/graphics/Drawing.h"
#include "platform/graphics/Text.h"
#include "platform/windows/Metrics.h"
#include "platform/windows/NonClient.h"
#include "platform/windows/WindowManager.h"

namespace win {

namespace {

struct DcOwner {
  HWND hwnd = nullptr;   // null: the screen DC
  HWND root = nullptr;
  RECT bounds;           // what drawing may have reached, root window coordinates
};

std::map<HDC, DcOwner>& DcOwners() {
  static std::map<HDC, DcOwner> owners;
  return owners;
}

Bitmap& ScreenBitmap() {
  static Bitmap screen;
  return screen;
}

RECT WholeRect(const Window& w) { return RECT{0, 0, w.rect.Width(), w.rect.Height()}; }

// Where a window's top-left corner lies in its top-level window's coordinates.
POINT OffsetInRoot(const Window& w) {
  Window* root = Wm().Find(RootOf(HandleToHwnd(w.handle)));
  POINT o = WindowOrigin(w);
  POINT r = root ? WindowOrigin(*root) : o;
  return POINT{o.x - r.x, o.y - r.y};
}

// Painting stops for a window whose WS_VISIBLE bit (or an ancestor's) is clear, or whose redraw
// is off. With retained, a hidden top-level window's surface stays reachable through its DCs;
// a top-level window whose bit was cleared while it stays on the screen does not.
bool PaintingStopped(const Window* w, bool retained = false) {
  for (; w; w = w->parent ? Wm().Find(w->parent) : nullptr) {
    if (w->redrawOff) return true;
    if (!(w->style & WS_VISIBLE) && !(retained && !w->parent && !w->shown)) return true;
  }
  return false;
}

Region Shifted(Region r, POINT by) {
  r.Offset(by.x, by.y);
  return r;
}

Region RectIn(const RECT& r, POINT by) {
  RECT s = r;
  OffsetRect(&s, by.x, by.y);
  return Region(s);
}

// The pixels of the top-level surface a window may paint, in top-level window coordinates.
Region VisibleRegion(const Window& w, bool whole, bool clipChildren, bool clipSiblings,
                     bool retained = false) {
  if (PaintingStopped(&w, retained)) return Region();
  POINT o = OffsetInRoot(w);
  Region vis = RectIn(whole ? WholeRect(w) : w.client, o);
  if (w.windowRgn) vis = vis.Intersected(Shifted(*w.windowRgn, o));
  const Window* cur = &w;
  bool siblings = clipSiblings;
  while (cur->parent) {
    Window* p = Wm().Find(cur->parent);
    if (!p) return Region();
    POINT po = OffsetInRoot(*p);
    vis = vis.Intersected(RectIn(p->client, po));
    if (p->windowRgn) vis = vis.Intersected(Shifted(*p->windowRgn, po));
    if (siblings) {
      for (HWND s : p->children) {
        if (s == HandleToHwnd(cur->handle)) break;
        Window* sw = Wm().Find(s);
        if (!sw || !(sw->style & WS_VISIBLE)) continue;
        Region area = RectIn(WholeRect(*sw), OffsetInRoot(*sw));
        if (sw->windowRgn) area = area.Intersected(Shifted(*sw->windowRgn, OffsetInRoot(*sw)));
        vis = vis.Subtracted(area);
      }
    }
    siblings = (p->style & WS_CLIPSIBLINGS) != 0;
    cur = p;
  }
  if (clipChildren)
    for (HWND c : w.children) {
      Window* cw = Wm().Find(c);
      if (!cw || !(cw->style & WS_VISIBLE)) continue;
      Region area = RectIn(WholeRect(*cw), OffsetInRoot(*cw));
      if (cw->windowRgn) area = area.Intersected(Shifted(*cw->windowRgn, OffsetInRoot(*cw)));
      vis = vis.Subtracted(area);
    }
  return vis;
}

HDC MakeDC(Window& w, bool whole, const Region& vis) {
  HWND hwnd = HandleToHwnd(w.handle);
  HWND root = RootOf(hwnd);
  Window* r = Wm().Find(root);
  if (!r || !r->surface) return nullptr;
  POINT o = OffsetInRoot(w);
  if (!whole) {
    o.x += w.client.left;
    o.y += w.client.top;
  }
  Region device = Shifted(vis, POINT{-o.x, -o.y});
  HDC dc = CreateDCForSurface(r->surface.get(), o, device.Rects());
  if (dc) DcOwners()[dc] = DcOwner{hwnd, root, vis.Box()};
  return dc;
}

void Present(HWND root, const RECT& bounds) {
  Window* r = Wm().Find(root);
  if (!r || !r->surface || IsRectEmpty(&bounds)) return;
  RECT s{0, 0, r->surface->Width(), r->surface->Height()}, clipped;
  if (IntersectRect(&clipped, &bounds, &s)) Wm().GetBackend().SurfaceDamaged(root, clipped);
}

bool HasPaint(const Window& w) {
  return w.internalPaint || w.update.Intersects(w.client);
}

void SendNcPaint(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (!w || !w->needNcPaint) return;
  w->needNcPaint = false;
  Region nc = Region(WholeRect(*w)).Subtracted(Region(w->client));
  Region part = w->update.Intersected(nc);
  w->update = w->update.Subtracted(nc);
  if (nc.Empty() || PaintingStopped(w)) return;
  if (part == nc || part.Empty()) {
    SendMessageW(hwnd, WM_NCPAINT, 1, 0);
    return;
  }
  POINT o = WindowOrigin(*w);
  HRGN rgn = CreateRegionHandle(Shifted(part, o));
  SendMessageW(hwnd, WM_NCPAINT, WPARAM(reinterpret_cast<uintptr_t>(rgn)), 0);
  DeleteObject(rgn);
}

void ApplyRedraw(Window& w, const Region& area, UINT flags) {
  if (flags & RDW_INVALIDATE) {
    if (!PaintingStopped(&w)) {
      w.update = w.update.United(area.Intersected(WholeRect(w)));
      if (flags & RDW_ERASE) w.needErase = true;
      if ((flags & RDW_FRAME) && !Region(WholeRect(w)).Subtracted(Region(w.client)).Intersected(area).Empty())
        w.needNcPaint = true;
    }
    if (flags & RDW_INTERNALPAINT) w.internalPaint = true;
  }
  if (flags & RDW_VALIDATE) {
    w.update = w.update.Subtracted(area);
    if (flags & RDW_NOERASE) w.needErase = false;
    if (flags & RDW_NOFRAME) w.needNcPaint = false;
    if (flags & RDW_NOINTERNALPAINT) w.internalPaint = false;
    if (w.update.Empty()) w.needErase = false;
  }
  bool children = (flags & RDW_ALLCHILDREN) ||
                  (!(flags & RDW_NOCHILDREN) && !(w.style & WS_CLIPCHILDREN));
  if (!children) return;
  for (HWND c : std::vector<HWND>(w.children)) {
    Window* cw = Wm().Find(c);
    if (!cw) continue;
    Region sub = Shifted(area, POINT{-(w.client.left + cw->rect.left), -(w.client.top + cw->rect.top)});
    sub = sub.Intersected(WholeRect(*cw));
    if (!sub.Empty()) ApplyRedraw(*cw, sub, flags | ((flags & RDW_INVALIDATE) ? RDW_FRAME : 0u));
  }
}

void PaintNow(HWND hwnd, bool eraseOnly, bool children) {
  Window* w = Wm().Find(hwnd);
  if (!w) return;
  SendNcPaint(hwnd);
  if (!(w = Wm().Find(hwnd))) return;
  if (eraseOnly) {
    if (w->needErase && !PaintingStopped(w)) {
      w->needErase = false;
      HDC dc = MakeDC(*w, false, VisibleRegion(*w, false, (w->style & WS_CLIPCHILDREN) != 0, true)
                                     .Intersected(Shifted(w->update, OffsetInRoot(*w))));
      SendMessageW(hwnd, WM_ERASEBKGND, WPARAM(reinterpret_cast<uintptr_t>(dc)), 0);
      ReleaseDC(hwnd, dc);
    }
  } else if (HasPaint(*w)) {
    SendMessageW(hwnd, WM_PAINT, 0, 0);
  }
  if (!children || !(w = Wm().Find(hwnd))) return;
  for (HWND c : std::vector<HWND>(w->children)) PaintNow(c, eraseOnly, true);
}

HWND FindPaint(const std::vector<HWND>& list, HWND filter) {
  for (HWND h : std::vector<HWND>(list)) {
    Window* w = Wm().Find(h);
    if (!w || PaintingStopped(w)) continue;
    bool matches = !filter || h == filter || IsChild(filter, h);
    if (matches && w->needNcPaint) {
      SendNcPaint(h);
      if (!(w = Wm().Find(h))) continue;
    }
    if (matches && HasPaint(*w)) return h;
    if (HWND inner = FindPaint(w->children, filter)) return inner;
  }
  return nullptr;
}

HBRUSH ClassBrush(const Window& w) {
  uintptr_t b = reinterpret_cast<uintptr_t>(w.cls->background);
  if (b == 0) return nullptr;
  // A system colour index + 1 stands for that colour's brush.
  if (b <= uintptr_t(kSysColorCount)) return GetSysColorBrush(int(b) - 1);
  return w.cls->background;
}

void Fill(HDC dc, RECT r, int color) {
  if (!IsRectEmpty(&r)) FillSolidRect(dc, &r, GetSysColor(color));
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

void PaintButton(HDC dc, RECT r, int hit) {
  if (IsRectEmpty(&r)) return;
  Fill(dc, r, COLOR_BTNFACE);
  RECT e = r;
  DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
  HGDIOBJ old = SelectObject(dc, pen);
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  switch (hit) {
    case HTCLOSE:
      Line(dc, cx - 4, cy - 4, cx + 5, cy + 5);
      Line(dc, cx + 4, cy - 4, cx - 5, cy + 5);
      break;
    case HTMINBUTTON:
      Line(dc, cx - 4, cy + 3, cx + 4, cy + 3);
      break;
    case HTMAXBUTTON: {
      RECT box{cx - 4, cy - 4, cx + 5, cy + 4};
      FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNTEXT));
      Line(dc, cx - 4, cy - 3, cx + 5, cy - 3);
      break;
    }
    case HTHELP:
      Line(dc, cx, cy + 2, cx, cy + 4);
      Line(dc, cx - 2, cy - 3, cx + 3, cy - 3);
      break;
    default:
      break;
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

HFONT CaptionFont(bool small) {
  static HFONT fonts[2] = {};
  HFONT& f = fonts[small ? 1 : 0];
  if (!f) {
    NONCLIENTMETRICSW ncm;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    f = CreateFontIndirectW(small ? &ncm.lfSmCaptionFont : &ncm.lfCaptionFont);
  }
  return f;
}

void PaintCaptionText(HDC dc, const Window& w, const NcGeometry& g) {
  if (w.text.empty()) return;
  RECT r = g.caption;
  r.left = (IsRectEmpty(&g.sysMenu) ? r.left : g.sysMenu.right) + 2;
  for (const RECT* b : {&g.minButton, &g.helpButton, &g.closeButton})
    if (!IsRectEmpty(b)) {
      r.right = std::min(r.right, b->left - 2);
    }
  if (r.right <= r.left) return;
  HGDIOBJ old = SelectObject(dc, CaptionFont((w.exStyle & WS_EX_TOOLWINDOW) != 0));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(w.ncActive ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  DrawTextW(dc, w.text.c_str(), int(w.text.size()), &r,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT);
  SelectObject(dc, old);
}

// The plain default frame, into a DC whose logical (0, 0) is the window's top-left corner.
void PaintFrameInto(HDC dc, Window& w) {
  NcGeometry g = ComputeNcGeometry(w, w.rect.Width(), w.rect.Height(), true);
  RECT whole = WholeRect(w);
  if (g.frame > 0) {
    RECT inner = whole;
    InflateRect(&inner, -g.frame, -g.frame);
    Fill(dc, RECT{whole.left, whole.top, whole.right, inner.top}, COLOR_BTNFACE);
    Fill(dc, RECT{whole.left, inner.bottom, whole.right, whole.bottom}, COLOR_BTNFACE);
    Fill(dc, RECT{whole.left, inner.top, inner.left, inner.bottom}, COLOR_BTNFACE);
    Fill(dc, RECT{inner.right, inner.top, whole.right, inner.bottom}, COLOR_BTNFACE);
    RECT e = whole;
    DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
  }
  if (!IsRectEmpty(&g.caption)) {
    Fill(dc, g.caption, w.ncActive ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    PaintCaptionText(dc, w, g);
    PaintButton(dc, g.closeButton, HTCLOSE);
    PaintButton(dc, g.maxButton, HTMAXBUTTON);
    PaintButton(dc, g.minButton, HTMINBUTTON);
    PaintButton(dc, g.helpButton, HTHELP);
  }
  Fill(dc, g.menu, COLOR_MENU);
  RECT edge = RECT{g.client.left, g.client.top, g.client.right, g.client.bottom};
  if (!IsRectEmpty(&g.vscroll)) edge.right = g.vscroll.right;
  if (!IsRectEmpty(&g.hscroll)) edge.bottom = g.hscroll.bottom;
  if (w.exStyle & WS_EX_STATICEDGE) {
    InflateRect(&edge, 1, 1);
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
  if (w.exStyle & WS_EX_CLIENTEDGE) {
    InflateRect(&edge, 2, 2);
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  }
  PaintScrollBars(dc, w, g);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared with the other units

bool ShapeContains(const Window& w, POINT screen) {
  POINT o = WindowOrigin(w);
  POINT p{screen.x - o.x, screen.y - o.y};
  if (w.windowRgn && !w.windowRgn->Contains(p)) return false;
  if (w.layeredPicture && (w.layeredFlags & ULW_ALPHA)) {
    if (p.x < 0 || p.y < 0 || p.x >= w.layeredBits.Width() || p.y >= w.layeredBits.Height())
      return false;
    return w.layeredBits.Pixel32(p.x, p.y).a != 0;
  }
  return true;
}

HWND NextWindowToPaint(HWND filter) { return FindPaint(Wm().TopLevels(), filter); }

void InvalidateAfterPositionChange(HWND hwnd, const RECT& oldScreen, bool sized, bool shown,
                                   bool hidden, UINT flags) {
  Window* w = Wm().Find(hwnd);
  if (!w || (flags & SWP_NOREDRAW)) return;
  bool moved = !(flags & SWP_NOMOVE);
  if (shown || sized || (flags & SWP_FRAMECHANGED) || (moved && w->parent))
    ApplyRedraw(*w, Region(WholeRect(*w)), RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  if (w->parent && (hidden || moved || sized)) {
    // What the child covered before shows its parent (and the siblings there) again.
    Window* p = Wm().Find(w->parent);
    if (!p) return;
    POINT po = WindowOrigin(*p);
    RECT old = oldScreen;
    OffsetRect(&old, -po.x, -po.y);
    Region uncovered(old);
    if (!hidden)
      uncovered = uncovered.Subtracted(
          RectIn(WholeRect(*w), POINT{p->client.left + w->rect.left, p->client.top + w->rect.top}));
    ApplyRedraw(*p, uncovered, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  }
}

void InvalidateNonClient(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (!w) return;
  ApplyRedraw(*w, Region(WholeRect(*w)).Subtracted(Region(w->client)),
              RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
}

void ForgetWindowPainting(Window& w) {
  if (w.windowRgnHandle) DeleteObject(w.windowRgnHandle);
  w.windowRgnHandle = nullptr;
  w.windowRgn.reset();
}

LRESULT DefaultEraseBackground(HWND hwnd, HDC dc) {
  Window* w = Wm().Find(hwnd);
  if (!w || !dc) return 0;
  HBRUSH brush = ClassBrush(*w);
  if (!brush) return 0;
  RECT r{0, 0, w->client.Width(), w->client.Height()};
  FillRect(dc, &r, brush);
  return 1;
}

void DefaultNcPaint(HWND hwnd, HRGN region) {
  Window* w = Wm().Find(hwnd);
  // A window whose WS_VISIBLE bit is clear keeps whatever its frame showed.
  if (!w || !(w->style & WS_VISIBLE)) return;
  bool isRegion = reinterpret_cast<uintptr_t>(region) > 1;
  HDC dc = GetDCEx(hwnd, isRegion ? region : nullptr, DCX_WINDOW | (isRegion ? DCX_INTERSECTRGN : 0u));
  if (!dc) return;
  PaintFrameInto(dc, *w);
  ReleaseDC(hwnd, dc);
}

LRESULT DefaultPrint(HWND hwnd, HDC dc, LPARAM flags) {
  Window* w = Wm().Find(hwnd);
  if (!w || !LookupDC(dc)) return 0;
  if ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(hwnd)) return 0;
  int saved = SaveDC(dc);
  if (flags & PRF_NONCLIENT) PaintFrameInto(dc, *w);
  OffsetViewportOrgEx(dc, w->client.left, w->client.top, nullptr);
  if (flags & PRF_ERASEBKGND) SendMessageW(hwnd, WM_ERASEBKGND, WPARAM(reinterpret_cast<uintptr_t>(dc)), 0);
  if (flags & PRF_CLIENT) SendMessageW(hwnd, WM_PRINTCLIENT, WPARAM(reinterpret_cast<uintptr_t>(dc)), flags);
  if ((flags & PRF_CHILDREN) && (w = Wm().Find(hwnd))) {
    std::vector<HWND> children = w->children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      Window* c = Wm().Find(*it);
      if (!c || !(c->style & WS_VISIBLE)) continue;
      int s = SaveDC(dc);
      OffsetViewportOrgEx(dc, c->rect.left, c->rect.top, nullptr);
      IntersectClipRect(dc, 0, 0, c->rect.Width(), c->rect.Height());
      SendMessageW(*it, WM_PRINT, WPARAM(reinterpret_cast<uintptr_t>(dc)), flags);
      RestoreDC(dc, s);
    }
  }
  RestoreDC(dc, saved);
  if ((flags & PRF_OWNED) && (w = Wm().Find(hwnd)) && !w->parent) {
    for (HWND h : std::vector<HWND>(Wm().TopLevels())) {
      Window* o = Wm().Find(h);
      if (!o || o->owner != hwnd || !(o->style & WS_VISIBLE)) continue;
      int s = SaveDC(dc);
      OffsetViewportOrgEx(dc, o->rect.left - w->rect.left, o->rect.top - w->rect.top, nullptr);
      SendMessageW(h, WM_PRINT, WPARAM(reinterpret_cast<uintptr_t>(dc)), flags);
      RestoreDC(dc, s);
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Invalidation

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  if (!hwnd) {
    for (HWND h : std::vector<HWND>(Wm().TopLevels())) RedrawWindow(h, nullptr, nullptr, flags);
    return TRUE;
  }
  Window* w = Wm().Find(hwnd);
  if (!w) return FALSE;
  Region area;
  POINT c{w->client.left, w->client.top};
  if (region) {
    const Region* r = LookupRegion(region);
    if (!r) return FALSE;
    area = Shifted(*r, c);
  } else if (rect) {
    area = RectIn(*rect, c);
  } else {
    area = Region((flags & RDW_FRAME) ? WholeRect(*w) : w->client);
  }
  ApplyRedraw(*w, area, flags);
  bool children = (flags & RDW_ALLCHILDREN) != 0;
  if (flags & RDW_UPDATENOW) PaintNow(hwnd, false, children);
  else if (flags & RDW_ERASENOW) PaintNow(hwnd, true, children);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0u));
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0u));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  if (!hwnd) return FALSE;
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
  if (!hwnd) return FALSE;
  return RedrawWindow(hwnd, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  Window* w = Wm().Find(hwnd);
  if (!w) return FALSE;
  Region part = w->update.Intersected(w->client);
  part.Offset(-w->client.left, -w->client.top);
  RECT box = part.Box();
  if (rect) *rect = box;
  if (erase && w->needErase && !part.Empty()) PaintNow(hwnd, true, false);
  return !part.Empty();
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  Window* w = Wm().Find(hwnd);
  Region* out = LookupRegion(region);
  if (!w || !out) return ERROR;
  Region part = w->update.Intersected(w->client);
  part.Offset(-w->client.left, -w->client.top);
  *out = part;
  if (erase && w->needErase && !part.Empty()) PaintNow(hwnd, true, false);
  return part.Complexity();
}

BOOL UpdateWindow(HWND hwnd) {
  if (!Wm().Find(hwnd)) return FALSE;
  PaintNow(hwnd, false, false);
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Device contexts

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = Wm().Find(hwnd);
  if (!w || !ps) return nullptr;
  SendNcPaint(hwnd);
  if (!(w = Wm().Find(hwnd))) return nullptr;
  Region paint = w->update.Intersected(w->client);
  bool erase = w->needErase;
  w->update = Region();
  w->needErase = false;
  w->internalPaint = false;
  Region vis = VisibleRegion(*w, false, (w->style & WS_CLIPCHILDREN) != 0, true)
                   .Intersected(Shifted(paint, OffsetInRoot(*w)));
  *ps = PAINTSTRUCT{};
  HDC dc = MakeDC(*w, false, vis);
  if (!dc) return nullptr;
  ps->hdc = dc;
  paint.Offset(-w->client.left, -w->client.top);
  ps->rcPaint = paint.Box();
  if (erase) {
    ps->fErase = SendMessageW(hwnd, WM_ERASEBKGND, WPARAM(reinterpret_cast<uintptr_t>(dc)), 0) ? FALSE : TRUE;
  }
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return FALSE;
  return ReleaseDC(hwnd, ps->hdc) ? TRUE : FALSE;
}

HDC GetDCEx(HWND hwnd, HRGN region, DWORD flags) {
  if (!hwnd) {
    // The screen: a picture of the visible top-level windows as they are now.
    SIZE s = Wm().GetBackend().ScreenSize();
    Bitmap& screen = ScreenBitmap();
    screen = Bitmap(s.cx, s.cy);
    const auto& list = Wm().TopLevels();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      Window* w = Wm().Find(*it);
      if (!w || !w->surface || !(w->style & WS_VISIBLE)) continue;
      for (int y = std::max(0, int(w->rect.top)); y < std::min(s.cy, w->rect.top + w->surface->Height()); ++y)
        for (int x = std::max(0, int(w->rect.left)); x < std::min(s.cx, w->rect.left + w->surface->Width()); ++x)
          if (ShapeContains(*w, POINT{x, y}))
            screen.Pixel32(x, y) = w->surface->Pixel32(x - w->rect.left, y - w->rect.top);
    }
    HDC dc = CreateDCForSurface(&screen, POINT{0, 0}, {RECT{0, 0, s.cx, s.cy}});
    if (dc) DcOwners()[dc] = DcOwner{nullptr, nullptr, RECT{}};
    return dc;
  }
  Window* w = Wm().Find(hwnd);
  if (!w) return nullptr;
  bool whole = (flags & DCX_WINDOW) != 0;
  bool clipChildren = (flags & DCX_CLIPCHILDREN) || (w->style & WS_CLIPCHILDREN);
  bool clipSiblings = (flags & DCX_CLIPSIBLINGS) || (w->style & WS_CLIPSIBLINGS) || !w->parent;
  Region vis = VisibleRegion(*w, whole, clipChildren, clipSiblings, true);
  Window* root = Wm().Find(RootOf(hwnd));
  POINT rootOrigin = root ? WindowOrigin(*root) : POINT{};
  if (region && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    if (const Region* r = LookupRegion(region)) {
      Region inRoot = Shifted(*r, POINT{-rootOrigin.x, -rootOrigin.y});
      vis = (flags & DCX_INTERSECTRGN) ? vis.Intersected(inRoot) : vis.Subtracted(inRoot);
    }
  }
  if (flags & DCX_INTERSECTUPDATE) vis = vis.Intersected(Shifted(w->update, OffsetInRoot(*w)));
  if (flags & DCX_VALIDATE) w->update = Region();
  return MakeDC(*w, whole, vis);
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, 0); }

HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW); }

int ReleaseDC(HWND, HDC dc) {
  auto& owners = DcOwners();
  auto it = owners.find(dc);
  if (it == owners.end()) return 0;
  DcOwner owner = it->second;
  owners.erase(it);
  DeleteDC(dc);
  if (owner.root) Present(owner.root, owner.bounds);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  auto it = DcOwners().find(dc);
  return it == DcOwners().end() ? nullptr : it->second.hwnd;
}

const Bitmap* GetWindowSurface(HWND hwnd) {
  Window* r = Wm().Find(RootOf(hwnd));
  return r ? r->surface.get() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Regions and layered windows

namespace {

void TellShape(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (!w || !w->surface) return;
  std::optional<std::vector<RECT>> bounding;
  if (w->windowRgn) bounding = w->windowRgn->Rects();
  std::optional<std::vector<RECT>> input = bounding;
  if (w->layeredPicture && (w->layeredFlags & ULW_ALPHA)) {
    // Where the picture is fully transparent the mouse reaches the windows below.
    std::vector<RECT> runs;
    const Bitmap& b = w->layeredBits;
    for (int y = 0; y < b.Height(); ++y) {
      const Bgra* row = b.Row32(y);
      for (int x = 0; x < b.Width();) {
        if (!row[x].a) {
          ++x;
          continue;
        }
        int start = x;
        while (x < b.Width() && row[x].a) ++x;
        runs.push_back(RECT{start, y, x, y + 1});
      }
    }
    Region opaque = Region::FromRects(runs);
    if (w->windowRgn) opaque = opaque.Intersected(*w->windowRgn);
    input = opaque.Rects();
  }
  Wm().GetBackend().RegionChanged(hwnd, bounding ? &*bounding : nullptr, input ? &*input : nullptr);
}

}  // namespace

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  Window* w = Wm().Find(hwnd);
  if (!w) return 0;
  const Region* r = region ? LookupRegion(region) : nullptr;
  if (region && !r) return 0;
  if (w->windowRgnHandle && w->windowRgnHandle != region) DeleteObject(w->windowRgnHandle);
  w->windowRgnHandle = region;
  if (r) w->windowRgn = *r;
  else w->windowRgn.reset();
  TellShape(hwnd);
  if (redraw && ReallyVisible(w)) {
    ApplyRedraw(*w, Region(WholeRect(*w)), RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    if (w->parent)
      if (Window* p = Wm().Find(w->parent))
        ApplyRedraw(*p, RectIn(WholeRect(*w), POINT{p->client.left + w->rect.left, p->client.top + w->rect.top}),
                    RDW_INVALIDATE | RDW_ERASE);
  }
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
  Window* w = Wm().Find(hwnd);
  Region* out = LookupRegion(region);
  if (!w || !out || !w->windowRgn) return ERROR;
  *out = *w->windowRgn;
  return out->Complexity();
}

BOOL UpdateLayeredWindow(HWND hwnd, HDC, const POINT* dstPoint, const SIZE* size, HDC src,
                         const POINT* srcPoint, COLORREF, const BLENDFUNCTION* blend, DWORD flags) {
  Window* w = Wm().Find(hwnd);
  if (!w || w->parent || !(w->exStyle & WS_EX_LAYERED)) return FALSE;
  if (size && (size->cx <= 0 || size->cy <= 0 || size->cx > kMaxBitmapSide || size->cy > kMaxBitmapSide))
    return FALSE;
  if (dstPoint || size) {
    int cx = size ? size->cx : w->rect.Width(), cy = size ? size->cy : w->rect.Height();
    SetWindowPos(hwnd, nullptr, dstPoint ? dstPoint->x : 0, dstPoint ? dstPoint->y : 0, cx, cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | (dstPoint ? 0u : UINT(SWP_NOMOVE)) |
                     (size ? 0u : UINT(SWP_NOSIZE)));
    if (!(w = Wm().Find(hwnd))) return FALSE;
  }
  if (src) {
    DeviceContext* dc = LookupDC(src);
    Bitmap* bits = dc ? dc->Target() : nullptr;
    if (!bits) return FALSE;
    int cx = w->rect.Width(), cy = w->rect.Height();
    POINT s = dc->LogicalToTarget(srcPoint ? *srcPoint : POINT{0, 0});
    Bitmap picture(cx, cy);
    for (int y = 0; y < cy; ++y) {
      int sy = s.y + y;
      if (sy < 0 || sy >= bits->Height()) continue;
      for (int x = 0; x < cx; ++x) {
        int sx = s.x + x;
        if (sx < 0 || sx >= bits->Width()) continue;
        Bgra p = bits->Pixel32(sx, sy);
        if (flags & ULW_OPAQUE || !(flags & ULW_ALPHA)) p.a = 255;
        picture.Pixel32(x, y) = p;
      }
    }
    w->layeredBits = std::move(picture);
    // The surface keeps the same picture with straight alpha, so the window's DCs read it.
    if (w->surface) {
      Bitmap& surf = *w->surface;
      for (int y = 0; y < std::min(cy, surf.Height()); ++y)
        for (int x = 0; x < std::min(cx, surf.Width()); ++x) {
          Bgra p = w->layeredBits.Pixel32(x, y);
          if (p.a && p.a != 255)
            p = Bgra{uint8_t(std::min(255, p.b * 255 / p.a)), uint8_t(std::min(255, p.g * 255 / p.a)),
                     uint8_t(std::min(255, p.r * 255 / p.a)), p.a};
          else if (!p.a)
            p = Bgra{};
          surf.Pixel32(x, y) = p;
        }
    }
    w->layeredPicture = true;
  }
  w->layeredFlags = flags & ULW_ALPHA;
  w->layeredAlpha = blend ? blend->SourceConstantAlpha : 255;
  LayeredPicture lp;
  lp.picture = w->layeredPicture ? &w->layeredBits : nullptr;
  lp.constantAlpha = w->layeredAlpha;
  if (w->surface) Wm().GetBackend().LayeredChanged(hwnd, lp);
  TellShape(hwnd);
  return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
  Window* w = Wm().Find(hwnd);
  if (!w || w->parent || !(w->exStyle & WS_EX_LAYERED)) return FALSE;
  w->layeredPicture = false;
  w->layeredBits = Bitmap();
  w->layeredFlags = flags & (LWA_ALPHA | LWA_COLORKEY);
  w->layeredKey = key;
  w->layeredAlpha = (flags & LWA_ALPHA) ? alpha : 255;
  LayeredPicture lp;
  lp.constantAlpha = w->layeredAlpha;
  if (w->surface) Wm().GetBackend().LayeredChanged(hwnd, lp);
  TellShape(hwnd);
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  Window* w = Wm().Find(hwnd);
  if (!w || !(w->exStyle & WS_EX_LAYERED) || w->layeredPicture) return FALSE;
  if (key) *key = w->layeredKey;
  if (alpha) *alpha = w->layeredAlpha;
  if (flags) *flags = w->layeredFlags;
  return TRUE;
}

BOOL LayeredWindowsAvailable() { return Wm().GetBackend().LayeredWindowsAvailable() ? TRUE : FALSE; }

}  // namespace win
