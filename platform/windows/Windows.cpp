// Classes, windows, their properties, the hierarchy, geometry, z-order and showing.

#include "platform/windows/Windows.h"

#include <algorithm>
#include <cstring>

#include "platform/base/Errors.h"
#include "platform/windows/Metrics.h"
#include "platform/windows/WindowManager.h"

namespace win {

// ---------------------------------------------------------------------------------------------
// The manager and its tables

WindowManager& WindowManager::Get() {
  static WindowManager* manager = [] {
    auto* m = new WindowManager();
    m->uiThread = std::this_thread::get_id();
    return m;
  }();
  return *manager;
}

Window* WindowManager::Find(HWND hwnd) {
  auto it = FWindows.find(HwndToHandle(hwnd));
  return it == FWindows.end() ? nullptr : it->second.get();
}

Window& WindowManager::Add(std::unique_ptr<Window> window) {
  Window& w = *window;
  FWindows.emplace(window->handle, std::move(window));
  return w;
}

void WindowManager::Remove(HWND hwnd) { FWindows.erase(HwndToHandle(hwnd)); }

std::vector<HWND>& WindowManager::SiblingsOf(Window& w) {
  if (w.parent)
    if (Window* p = Find(w.parent)) return p->children;
  return FTopLevels;
}

std::shared_ptr<WindowClass> WindowManager::FindClass(const char16_t* nameOrAtom) {
  if (!nameOrAtom) return nullptr;
  if (IS_INTRESOURCE(nameOrAtom)) {
    auto it = FClasses.find(ATOM(reinterpret_cast<uintptr_t>(nameOrAtom)));
    return it == FClasses.end() ? nullptr : it->second;
  }
  for (auto& [atom, cls] : FClasses)
    if (SameTextAscii(cls->name, nameOrAtom)) return cls;
  return nullptr;
}

Backend& WindowManager::GetBackend() {
  if (!FBackend) SetBackend(CreateBackend(SelectedBackendName()));
  return *FBackend;
}

void WindowManager::SetBackend(std::unique_ptr<Backend> backend) {
  // Every window belongs to the screen it was made on.
  for (HWND h : std::vector<HWND>(FTopLevels)) DestroyWindow(h);
  if (FBackend) FBackend->Attach(nullptr);
  FBackend = std::move(backend);
  rawInput.clear();
  cookedInput.clear();
  if (FBackend) {
    FBackend->Attach(this);
    SetCurrentClock(&FBackend->GetClock());
    cursor = FBackend->CursorPos();
  } else {
    SetCurrentClock(nullptr);
  }
}

Backend& CurrentBackend() { return Wm().GetBackend(); }

void InstallBackend(std::unique_ptr<Backend> backend) { Wm().SetBackend(std::move(backend)); }

// ---------------------------------------------------------------------------------------------
// Shared helpers

bool IsTopLevel(const Window& w) { return w.parent == nullptr; }

POINT WindowOrigin(const Window& w) {
  if (w.parent)
    if (Window* p = Wm().Find(w.parent)) {
      POINT o = ClientOrigin(*p);
      return POINT{o.x + w.rect.left, o.y + w.rect.top};
    }
  return POINT{w.rect.left, w.rect.top};
}

POINT ClientOrigin(const Window& w) {
  POINT o = WindowOrigin(w);
  return POINT{o.x + w.client.left, o.y + w.client.top};
}

RECT ScreenWindowRect(const Window& w) {
  POINT o = WindowOrigin(w);
  return Bounds(o.x, o.y, w.rect.Width(), w.rect.Height());
}

HWND RootOf(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  while (w && w->parent) {
    hwnd = w->parent;
    w = Wm().Find(hwnd);
  }
  return w ? hwnd : nullptr;
}

bool ReallyVisible(const Window* w) {
  while (w) {
    if (!(w->style & WS_VISIBLE)) return false;
    w = w->parent ? Wm().Find(w->parent) : nullptr;
  }
  return true;
}

namespace {

constexpr uintptr_t kDesktopHandle = 0x10000;
constexpr size_t kMaxExtraBytes = 1024;
constexpr size_t kMaxWindowText = 1 << 20;

// Surfaces are bounded by the largest picture the system accepts.
int SurfaceSide(int v) { return std::clamp(v, 0, kMaxBitmapSide); }

TopLevelInfo InfoOf(const Window& w) {
  TopLevelInfo info;
  info.bounds = w.rect;
  info.title = w.text;
  info.owner = w.owner;
  info.popup = (w.style & WS_POPUP) != 0;
  info.toolWindow = (w.exStyle & WS_EX_TOOLWINDOW) != 0;
  info.topmost = (w.exStyle & WS_EX_TOPMOST) != 0;
  info.noActivate = (w.exStyle & WS_EX_NOACTIVATE) != 0;
  info.layered = (w.exStyle & WS_EX_LAYERED) != 0;
  return info;
}

void MakeTopLevelMirror(Window& w) {
  w.surface = std::make_unique<Bitmap>(SurfaceSide(w.rect.Width()), SurfaceSide(w.rect.Height()));
  Wm().GetBackend().WindowCreated(HandleToHwnd(w.handle), InfoOf(w), *w.surface);
}

void DropTopLevelMirror(Window& w) {
  if (!w.surface) return;
  Wm().GetBackend().WindowDestroyed(HandleToHwnd(w.handle));
  w.surface.reset();
}

void Unlink(Window& w) {
  auto& siblings = Wm().SiblingsOf(w);
  siblings.erase(std::remove(siblings.begin(), siblings.end(), HandleToHwnd(w.handle)),
                 siblings.end());
}

bool ClassMatches(const Window& w, const char16_t* className) {
  if (!className) return true;
  if (IS_INTRESOURCE(className)) return w.cls->atom == ATOM(reinterpret_cast<uintptr_t>(className));
  return SameTextAscii(w.cls->name, className);
}

void SendSizeAndMove(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (!w) return;
  w->sizeMoveSent = true;
  WPARAM type = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED
                : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
  SendMessageW(hwnd, WM_SIZE, type, MAKELPARAM(w->client.Width(), w->client.Height()));
  if ((w = Wm().Find(hwnd)))
    SendMessageW(hwnd, WM_MOVE, 0,
                 MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
}

// Children, then the window itself: WM_DESTROY first, the children, WM_NCDESTROY last.
void DestroyTree(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (!w) return;
  for (HWND owned : std::vector<HWND>(Wm().TopLevels()))
    if (Window* o = Wm().Find(owned); o && o->owner == hwnd && !o->destroying) {
      if (!CallHooks(WH_CBT, HCBT_DESTROYWND, WPARAM(owned), 0)) {
        o->destroying = true;
        DestroyTree(owned);
      }
    }
  if (!(w = Wm().Find(hwnd))) return;
  if (w->style & WS_VISIBLE) {
    w->style &= ~DWORD(WS_VISIBLE);
    if (w->surface) Wm().GetBackend().WindowHidden(hwnd);
  }
  if (Wm().capture && (Wm().capture == hwnd || IsChild(hwnd, Wm().capture))) ReleaseCapture();
  if (Wm().focus && (Wm().focus == hwnd || IsChild(hwnd, Wm().focus))) SetFocus(nullptr);
  if (!(w = Wm().Find(hwnd))) return;
  if (Wm().active == hwnd) {
    DeactivateAll();
    if (Window* o = Wm().Find(w->owner); o && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED))
      ActivateWindow(w->owner, false);
  }
  if (w->parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY))
    if (Window* p = Wm().Find(w->parent); p && !p->destroying)
      SendMessageW(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, int(w->id)), LPARAM(hwnd));
  SendMessageW(hwnd, WM_DESTROY, 0, 0);
  if (!(w = Wm().Find(hwnd))) return;
  for (HWND child : std::vector<HWND>(w->children)) {
    Window* c = Wm().Find(child);
    if (!c || c->destroying) continue;
    CallHooks(WH_CBT, HCBT_DESTROYWND, WPARAM(child), 0);
    c->destroying = true;
    DestroyTree(child);
  }
  SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
  if (!(w = Wm().Find(hwnd))) return;
  ForgetWindowInput(hwnd);
  ForgetWindowTimers(hwnd);
  w->props.clear();
  ForgetWindowPainting(*w);
  DropTopLevelMirror(*w);
  Unlink(*w);
  Wm().Remove(hwnd);
}

struct DeferredPos {
  HWND hwnd;
  HWND insertAfter;
  int x, y, cx, cy;
  UINT flags;
};
std::map<uintptr_t, std::vector<DeferredPos>> gDeferred;
uintptr_t gNextDefer = 0x6D000000;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Classes

namespace {

void EnsureSystemClasses() {
  auto& classes = Wm().Classes();
  if (classes.count(kPopupMenuClassAtom)) return;
  for (auto [atom, name] : {std::pair{kPopupMenuClassAtom, u"#32768"},
                            std::pair{kDialogClassAtom, u"#32770"}}) {
    auto cls = std::make_shared<WindowClass>();
    cls->atom = atom;
    cls->name = name;
    cls->proc = ProcToken(&DefWindowProcW);
    cls->style = atom == kPopupMenuClassAtom ? (CS_SAVEBITS | CS_DBLCLKS) : CS_DBLCLKS;
    cls->wndExtra = atom == kDialogClassAtom ? 30 : 0;
    cls->system = true;
    classes.emplace(atom, cls);
  }
}

}  // namespace

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  EnsureSystemClasses();
  if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !wc->lpszClassName[0])
    return 0;
  if (wc->cbWndExtra < 0 || wc->cbClsExtra < 0 || size_t(wc->cbWndExtra) > kMaxExtraBytes ||
      size_t(wc->cbClsExtra) > kMaxExtraBytes)
    return 0;
  std::shared_ptr<WindowClass> existing = Wm().FindClass(wc->lpszClassName);
  if (existing && !existing->system) return 0;
  auto cls = existing ? existing : std::make_shared<WindowClass>();
  if (!existing) {
    cls->atom = Wm().NextAtom();
    cls->name = wc->lpszClassName;
    Wm().Classes().emplace(cls->atom, cls);
  }
  cls->style = wc->style;
  cls->proc = wc->lpfnWndProc ? wc->lpfnWndProc : ProcToken(&DefWindowProcW);
  cls->clsExtra = wc->cbClsExtra;
  cls->wndExtra = wc->cbWndExtra;
  cls->instance = wc->hInstance;
  cls->icon = wc->hIcon;
  cls->iconSmall = wc->hIconSm;
  cls->cursor = wc->hCursor;
  cls->background = wc->hbrBackground;
  cls->system = false;
  return cls->atom;
}

BOOL UnregisterClassW(const char16_t* className, HINSTANCE) {
  std::shared_ptr<WindowClass> cls = Wm().FindClass(className);
  if (!cls || cls->atom == kPopupMenuClassAtom || cls->atom == kDialogClassAtom) return FALSE;
  // Windows keep their class alive through their own reference.
  Wm().Classes().erase(cls->atom);
  return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, const char16_t* className, WNDCLASSEXW* out) {
  EnsureSystemClasses();
  std::shared_ptr<WindowClass> cls = Wm().FindClass(className);
  if (!cls || !out) return FALSE;
  out->style = cls->style;
  out->lpfnWndProc = cls->proc;
  out->cbClsExtra = cls->clsExtra;
  out->cbWndExtra = cls->wndExtra;
  out->hInstance = cls->instance;
  out->hIcon = cls->icon;
  out->hIconSm = cls->iconSmall;
  out->hCursor = cls->cursor;
  out->hbrBackground = cls->background;
  out->lpszClassName = cls->name.c_str();
  return cls->atom;
}

String GetClassName(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  return w ? w->cls->name : String();
}

int GetClassNameW(HWND hwnd, char16_t* buffer, int maxCount) {
  Window* w = Wm().Find(hwnd);
  if (!w || !buffer || maxCount <= 0) return 0;
  int n = std::min<int>(int(w->cls->name.size()), maxCount - 1);
  std::copy_n(w->cls->name.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

uintptr_t GetClassLongPtrW(HWND hwnd, int index) {
  Window* w = Wm().Find(hwnd);
  if (!w) return 0;
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<uintptr_t>(w->cls->background);
    case GCLP_HCURSOR: return reinterpret_cast<uintptr_t>(w->cls->cursor);
    case GCL_STYLE: return w->cls->style;
    case GCW_ATOM: return w->cls->atom;
    default: return 0;
  }
}

// ---------------------------------------------------------------------------------------------
// Creation and destruction

HWND CreateWindowExW(DWORD exStyle, const char16_t* className, const char16_t* windowName,
                     DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* param) {
  EnsureSystemClasses();
  std::shared_ptr<WindowClass> cls = Wm().FindClass(className);
  if (!cls) return nullptr;
  if (parent == HWND_MESSAGE) parent = nullptr;
  Window* parentWindow = parent ? Wm().Find(parent) : nullptr;
  if (parent && !parentWindow) return nullptr;
  if ((style & WS_CHILD) && !parentWindow) return nullptr;
  if (parentWindow && parentWindow->destroying) return nullptr;

  if (x == CW_USEDEFAULT) {
    RECT work = Wm().GetBackend().WorkArea();
    x = work.left + 24;
    y = work.top + 24;
  }
  if (width == CW_USEDEFAULT) {
    RECT work = Wm().GetBackend().WorkArea();
    width = work.Width() * 3 / 5;
    height = work.Height() * 3 / 5;
  }

  auto owned = std::make_unique<Window>();
  Window* w = owned.get();
  HWND hwnd = Wm().NewHandle();
  w->handle = HwndToHandle(hwnd);
  w->cls = cls;
  w->proc = cls->proc;
  w->style = style & ~DWORD(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  // A top-level window always has a caption bit pair unless it is a popup.
  if (!(style & (WS_CHILD | WS_POPUP))) w->style |= WS_CAPTION | WS_CLIPSIBLINGS;
  w->exStyle = exStyle;
  w->instance = instance;
  w->extra.assign(size_t(cls->wndExtra), 0);
  w->rect = Bounds(x, y, std::max(0, width), std::max(0, height));
  w->client = RECT{0, 0, w->rect.Width(), w->rect.Height()};
  w->normalRect = w->rect;
  if (style & WS_CHILD) {
    w->parent = parent;
    w->id = LONG_PTR(reinterpret_cast<uintptr_t>(menu));
    parentWindow->children.push_back(hwnd);  // new children go to the bottom
  } else {
    w->owner = parent ? RootOf(parent) : nullptr;
    Wm().TopLevels().insert(Wm().TopLevels().begin(), hwnd);
  }
  Wm().Add(std::move(owned));
  if (!w->parent) {
    MakeTopLevelMirror(*w);
    SyncZOrder();
  }

  CREATESTRUCTW cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.x = w->rect.left;
  cs.y = w->rect.top;
  cs.cx = w->rect.Width();
  cs.cy = w->rect.Height();
  cs.style = LONG(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  CBT_CREATEWNDW cbt{&cs, HWND_TOP};

  auto abandon = [&](bool sendNcDestroy) -> HWND {
    if (Window* dead = Wm().Find(hwnd)) {
      if (sendNcDestroy) {
        dead->destroying = true;
        SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
        dead = Wm().Find(hwnd);
      }
      if (dead) {
        ForgetWindowInput(hwnd);
        ForgetWindowTimers(hwnd);
        ForgetWindowPainting(*dead);
        DropTopLevelMirror(*dead);
        Unlink(*dead);
        Wm().Remove(hwnd);
      }
    }
    return nullptr;
  };

  if (CallHooks(WH_CBT, HCBT_CREATEWND, WPARAM(hwnd), LPARAM(&cbt))) return abandon(false);
  if (!(w = Wm().Find(hwnd))) return nullptr;
  // The hook may have moved or resized the window.
  w->rect = Bounds(cs.x, cs.y, std::max(0, cs.cx), std::max(0, cs.cy));
  w->normalRect = w->rect;
  if (w->surface) {
    w->surface->Resize(SurfaceSide(w->rect.Width()), SurfaceSide(w->rect.Height()));
    Wm().GetBackend().WindowMoved(hwnd, w->rect);
  }

  if (!SendMessageW(hwnd, WM_NCCREATE, 0, LPARAM(&cs))) return abandon(true);
  if (!(w = Wm().Find(hwnd))) return nullptr;
  RECT r = w->rect;
  SendMessageW(hwnd, WM_NCCALCSIZE, FALSE, LPARAM(&r));
  if (!(w = Wm().Find(hwnd))) return nullptr;
  w->client = RECT{r.left - w->rect.left, r.top - w->rect.top, r.right - w->rect.left,
                   r.bottom - w->rect.top};
  if (w->client.right < w->client.left) w->client.right = w->client.left;
  if (w->client.bottom < w->client.top) w->client.bottom = w->client.top;
  if (SendMessageW(hwnd, WM_CREATE, 0, LPARAM(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!(w = Wm().Find(hwnd))) return nullptr;
  if (!w->sizeMoveSent) SendSizeAndMove(hwnd);
  if (!(w = Wm().Find(hwnd))) return nullptr;
  if (w->parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY))
    SendMessageW(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, int(w->id)), LPARAM(hwnd));
  if (!(w = Wm().Find(hwnd))) return nullptr;
  if (style & WS_VISIBLE) {
    if (style & WS_MAXIMIZE) ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    else if (style & WS_MINIMIZE) ShowWindow(hwnd, SW_SHOWMINIMIZED);
    else if (w->parent) SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                                     SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                                         SWP_NOACTIVATE);
    else ShowWindow(hwnd, SW_SHOW);
  }
  return Wm().Find(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (!w || w->destroying) return FALSE;
  if (CallHooks(WH_CBT, HCBT_DESTROYWND, WPARAM(hwnd), 0)) return FALSE;
  if (!(w = Wm().Find(hwnd)) || w->destroying) return FALSE;
  w->destroying = true;
  DestroyTree(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Wm().Find(hwnd) != nullptr; }

// ---------------------------------------------------------------------------------------------
// Window longs and properties

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
  Window* w = Wm().Find(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return LONG_PTR(reinterpret_cast<uintptr_t>(w->proc));
    case GWLP_HINSTANCE: return LONG_PTR(reinterpret_cast<uintptr_t>(w->instance));
    case GWLP_HWNDPARENT: return LONG_PTR(HwndToHandle(w->parent ? w->parent : w->owner));
    case GWLP_ID: return w->id;
    case GWL_STYLE: return LONG_PTR(int32_t(w->style));
    case GWL_EXSTYLE: return LONG_PTR(int32_t(w->exStyle));
    case GWLP_USERDATA: return w->userData;
    default:
      if (index >= 0 && size_t(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        LONG_PTR v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
      }
      return 0;
  }
}

namespace {

LONG_PTR ChangeStyle(HWND hwnd, int index, DWORD value) {
  Window* w = Wm().Find(hwnd);
  DWORD& field = index == GWL_STYLE ? w->style : w->exStyle;
  STYLESTRUCT ss{field, value};
  SendMessageW(hwnd, WM_STYLECHANGING, WPARAM(index), LPARAM(&ss));
  if (!(w = Wm().Find(hwnd))) return 0;
  DWORD& f = index == GWL_STYLE ? w->style : w->exStyle;
  DWORD old = f;
  f = ss.styleNew;
  ss.styleOld = old;
  if (index == GWL_EXSTYLE && (old & WS_EX_LAYERED) && !(f & WS_EX_LAYERED)) {
    // No longer layered: the surface is shown as it is, and painted again.
    w->layeredPicture = false;
    w->layeredBits = Bitmap();
    w->layeredAlpha = 255;
    w->layeredFlags = 0;
    if (w->surface) {
      Wm().GetBackend().LayeredChanged(hwnd, LayeredPicture{});
      RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    if (!(w = Wm().Find(hwnd))) return LONG_PTR(int32_t(old));
  }
  // The frame is recalculated only by SWP_FRAMECHANGED; a cleared WS_VISIBLE leaves the screen
  // as it is and only stops painting.
  SendMessageW(hwnd, WM_STYLECHANGED, WPARAM(index), LPARAM(&ss));
  return LONG_PTR(int32_t(old));
}

}  // namespace

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  Window* w = Wm().Find(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      old = LONG_PTR(reinterpret_cast<uintptr_t>(w->proc));
      w->proc = reinterpret_cast<WNDPROC>(uintptr_t(value));
      return old;
    case GWLP_HINSTANCE:
      old = LONG_PTR(reinterpret_cast<uintptr_t>(w->instance));
      w->instance = reinterpret_cast<HINSTANCE>(uintptr_t(value));
      return old;
    case GWLP_HWNDPARENT: {
      if (w->parent) return 0;
      old = LONG_PTR(HwndToHandle(w->owner));
      HWND newOwner = RootOf(HandleToHwnd(uintptr_t(value)));
      if (newOwner == hwnd) return 0;
      w->owner = newOwner;
      SyncZOrder();
      return old;
    }
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    case GWL_STYLE:
    case GWL_EXSTYLE:
      return ChangeStyle(hwnd, index, DWORD(value));
    default:
      if (index >= 0 && size_t(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        std::memcpy(&old, w->extra.data() + index, sizeof old);
        std::memcpy(w->extra.data() + index, &value, sizeof value);
      }
      return old;
  }
}

LONG GetWindowLongW(HWND hwnd, int index) {
  Window* w = Wm().Find(hwnd);
  if (w && index >= 0) {
    if (size_t(index) + sizeof(LONG) > w->extra.size()) return 0;
    LONG v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  return LONG(GetWindowLongPtrW(hwnd, index));
}

LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
  Window* w = Wm().Find(hwnd);
  if (w && index >= 0) {
    if (size_t(index) + sizeof(LONG) > w->extra.size()) return 0;
    LONG old;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  LONG_PTR v = (index == GWL_STYLE || index == GWL_EXSTYLE) ? LONG_PTR(uint32_t(value))
                                                             : LONG_PTR(value);
  return LONG(SetWindowLongPtrW(hwnd, index, v));
}

BOOL SetPropW(HWND hwnd, const char16_t* name, void* data) {
  Window* w = Wm().Find(hwnd);
  if (!w || !name || w->destroying) return FALSE;
  for (auto& [key, value] : w->props)
    if (SameTextAscii(key, name)) {
      value = data;
      return TRUE;
    }
  w->props.emplace_back(name, data);
  return TRUE;
}

void* GetPropW(HWND hwnd, const char16_t* name) {
  Window* w = Wm().Find(hwnd);
  if (!w || !name) return nullptr;
  for (auto& [key, value] : w->props)
    if (SameTextAscii(key, name)) return value;
  return nullptr;
}

void* RemovePropW(HWND hwnd, const char16_t* name) {
  Window* w = Wm().Find(hwnd);
  if (!w || !name) return nullptr;
  for (auto it = w->props.begin(); it != w->props.end(); ++it)
    if (SameTextAscii(it->first, name)) {
      void* v = it->second;
      w->props.erase(it);
      return v;
    }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Hierarchy and geometry

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  Window* w = Wm().Find(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ScreenWindowRect(*w);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = Wm().Find(hwnd);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->client.Width(), w->client.Height()};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
  Window* w = Wm().Find(hwnd);
  if (!w || !p) return FALSE;
  POINT o = ClientOrigin(*w);
  p->x += o.x;
  p->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
  Window* w = Wm().Find(hwnd);
  if (!w || !p) return FALSE;
  POINT o = ClientOrigin(*w);
  p->x -= o.x;
  p->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from) {
    Window* w = Wm().Find(from);
    if (!w) return 0;
    a = ClientOrigin(*w);
  }
  if (to) {
    Window* w = Wm().Find(to);
    if (!w) return 0;
    b = ClientOrigin(*w);
  }
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return int(MAKELONG(WORD(dx), WORD(dy)));
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  Window* p = Wm().Find(parent);
  if (!p) return nullptr;
  if (!PtInRect(&p->client, POINT{pt.x + p->client.left, pt.y + p->client.top})) return nullptr;
  for (HWND h : p->children) {
    Window* c = Wm().Find(h);
    if (!c) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    if (PtInRect(&c->rect, pt)) return h;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) {
  return ChildWindowFromPointEx(parent, pt, CWP_ALL);
}

HWND GetParent(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  if (!w) return nullptr;
  if (w->parent) return w->parent;
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  Window* w = Wm().Find(hwnd);
  if (!w) return nullptr;
  Window* np = newParent ? Wm().Find(newParent) : nullptr;
  if (newParent && !np) return nullptr;
  if (newParent && (newParent == hwnd || IsChild(hwnd, newParent))) return nullptr;
  HWND old = w->parent;
  if (old == newParent) return old;
  bool wasTop = w->parent == nullptr;
  Unlink(*w);
  w->parent = newParent;
  if (newParent) {
    w->owner = nullptr;
    np->children.insert(np->children.begin(), hwnd);
    if (wasTop) {
      if (Wm().active == hwnd) DeactivateAll();
      DropTopLevelMirror(*w);
    }
  } else {
    Wm().TopLevels().insert(Wm().TopLevels().begin(), hwnd);
    if (!wasTop) MakeTopLevelMirror(*w);
    if ((w->style & WS_VISIBLE) && w->surface) {
      Wm().GetBackend().WindowShown(hwnd, false);
      w->shown = true;
    }
  }
  SyncZOrder();
  return old;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = Wm().Find(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER) return w->owner;
  auto& siblings = Wm().SiblingsOf(*w);
  auto it = std::find(siblings.begin(), siblings.end(), hwnd);
  if (it == siblings.end()) return nullptr;
  switch (cmd) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return it + 1 == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == siblings.begin() ? nullptr : *(it - 1);
    case GW_ENABLEDPOPUP:
      for (HWND h : Wm().TopLevels())
        if (Window* o = Wm().Find(h); o && o->owner == hwnd && (o->style & WS_VISIBLE) &&
                                      !(o->style & WS_DISABLED))
          return h;
      return nullptr;
    default: return nullptr;
  }
}

HWND GetDesktopWindow() { return HandleToHwnd(kDesktopHandle); }

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = Wm().Find(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent ? w->parent : GetDesktopWindow();
    case GA_ROOT: return RootOf(hwnd);
    case GA_ROOTOWNER: {
      HWND h = RootOf(hwnd);
      for (Window* r = Wm().Find(h); r && r->owner; r = Wm().Find(h)) h = r->owner;
      return h;
    }
    default: return nullptr;
  }
}

namespace {

bool EnumTree(const std::vector<HWND>& list, const WNDENUMPROC& fn, LPARAM lParam) {
  for (HWND h : std::vector<HWND>(list)) {
    if (!Wm().Find(h)) continue;
    if (!fn(h, lParam)) return false;
    if (Window* w = Wm().Find(h); w && !EnumTree(w->children, fn, lParam)) return false;
  }
  return true;
}

}  // namespace

BOOL EnumChildWindows(HWND parent, const WNDENUMPROC& fn, LPARAM lParam) {
  Window* p = Wm().Find(parent);
  if (!p || !fn) return FALSE;
  return EnumTree(p->children, fn, lParam) ? TRUE : FALSE;
}

BOOL EnumWindows(const WNDENUMPROC& fn, LPARAM lParam) {
  if (!fn) return FALSE;
  for (HWND h : std::vector<HWND>(Wm().TopLevels()))
    if (Wm().Find(h) && !fn(h, lParam)) return FALSE;
  return TRUE;
}

HWND FindWindowExW(HWND parent, HWND childAfter, const char16_t* className,
                   const char16_t* windowName) {
  std::vector<HWND>* list = &Wm().TopLevels();
  if (parent && parent != GetDesktopWindow()) {
    Window* p = Wm().Find(parent);
    if (!p) return nullptr;
    list = &p->children;
  }
  auto it = list->begin();
  if (childAfter) {
    it = std::find(list->begin(), list->end(), childAfter);
    if (it == list->end()) return nullptr;
    ++it;
  }
  for (; it != list->end(); ++it) {
    Window* w = Wm().Find(*it);
    if (!w || !ClassMatches(*w, className)) continue;
    if (windowName && !SameTextAscii(w->text, windowName)) continue;
    return *it;
  }
  return nullptr;
}

HWND FindWindowW(const char16_t* className, const char16_t* windowName) {
  return FindWindowExW(nullptr, nullptr, className, windowName);
}

BOOL IsChild(HWND parent, HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  while (w && w->parent) {
    if (w->parent == parent) return TRUE;
    w = Wm().Find(w->parent);
  }
  return FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  return w && ReallyVisible(w);
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  return w && !(w->style & WS_DISABLED);
}

BOOL IsIconic(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  return w && (w->style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  return w && (w->style & WS_MAXIMIZE);
}

int GetWindowTextW(HWND hwnd, char16_t* buffer, int maxCount) {
  if (!Wm().Find(hwnd) || !buffer || maxCount <= 0) return 0;
  buffer[0] = 0;
  return int(SendMessageW(hwnd, WM_GETTEXT, WPARAM(maxCount), LPARAM(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) {
  if (!Wm().Find(hwnd)) return 0;
  return int(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

String GetWindowText(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return String();
  n = std::min<int>(n, int(kMaxWindowText));
  String s(size_t(n) + 1, u'\0');
  int got = GetWindowTextW(hwnd, s.data(), n + 1);
  s.resize(size_t(std::clamp(got, 0, n)));
  return s;
}

BOOL SetWindowTextW(HWND hwnd, const char16_t* text) {
  if (!Wm().Find(hwnd)) return FALSE;
  return BOOL(SendMessageW(hwnd, WM_SETTEXT, 0, LPARAM(text ? text : u"")) != 0);
}

int GetDlgCtrlID(HWND hwnd) {
  Window* w = Wm().Find(hwnd);
  return w && w->parent ? int(w->id) : 0;
}

HWND GetDlgItem(HWND parent, int id) {
  Window* p = Wm().Find(parent);
  if (!p) return nullptr;
  for (HWND h : p->children)
    if (Window* c = Wm().Find(h); c && int(c->id) == id) return h;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Z-order

namespace {

bool IsTopmostWindow(HWND h) {
  Window* w = Wm().Find(h);
  return w && (w->exStyle & WS_EX_TOPMOST);
}

// Places hwnd in its sibling list as SetWindowPos asks.
void Reorder(Window& w, HWND insertAfter) {
  HWND hwnd = HandleToHwnd(w.handle);
  auto& list = Wm().SiblingsOf(w);
  bool top = IsTopLevel(w);
  if (top) {
    if (insertAfter == HWND_TOPMOST) w.exStyle |= WS_EX_TOPMOST;
    else if (insertAfter == HWND_NOTOPMOST) w.exStyle &= ~DWORD(WS_EX_TOPMOST);
    else if (insertAfter == HWND_BOTTOM) w.exStyle &= ~DWORD(WS_EX_TOPMOST);
  }
  list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
  auto bandStart = [&]() {
    if (!top || (w.exStyle & WS_EX_TOPMOST)) return list.begin();
    return std::find_if(list.begin(), list.end(), [](HWND h) { return !IsTopmostWindow(h); });
  };
  if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    list.insert(bandStart(), hwnd);
  } else if (insertAfter == HWND_BOTTOM) {
    list.push_back(hwnd);
  } else {
    auto it = std::find(list.begin(), list.end(), insertAfter);
    if (it == list.end()) list.insert(bandStart(), hwnd);
    else list.insert(it + 1, hwnd);
  }
}

// Moves the owned windows of hwnd (and theirs) directly above it, keeping their order.
void RaiseOwned(HWND hwnd) {
  auto& list = Wm().TopLevels();
  std::vector<HWND> owned;
  for (HWND h : list)
    if (Window* o = Wm().Find(h); o && o->owner == hwnd) owned.push_back(h);
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    list.erase(std::remove(list.begin(), list.end(), *it), list.end());
    list.insert(std::find(list.begin(), list.end(), hwnd), *it);
  }
  for (HWND h : owned) RaiseOwned(h);
}

}  // namespace

void SyncZOrder() {
  auto& list = Wm().TopLevels();
  // The topmost band first, keeping the order within each band.
  std::stable_partition(list.begin(), list.end(), IsTopmostWindow);
  // Owned windows above their owners: move each offender to just above its owner.
  for (size_t guard = 0; guard < list.size() * list.size() + 1; ++guard) {
    bool moved = false;
    for (size_t i = 0; i < list.size() && !moved; ++i) {
      Window* w = Wm().Find(list[i]);
      if (!w || !w->owner) continue;
      auto ownerIt = std::find(list.begin(), list.end(), w->owner);
      if (ownerIt == list.end() || size_t(ownerIt - list.begin()) > i) continue;
      HWND h = list[i];
      list.erase(list.begin() + long(i));
      list.insert(std::find(list.begin(), list.end(), w->owner), h);
      moved = true;
    }
    if (!moved) break;
  }
  if (Wm().HasBackend()) Wm().GetBackend().ZOrderChanged(list);
}

// ---------------------------------------------------------------------------------------------
// Placement

MINMAXINFO QueryMinMaxInfo(HWND hwnd) {
  MINMAXINFO mmi;
  Window* w = Wm().Find(hwnd);
  if (!w) return mmi;
  RECT work = Wm().GetBackend().WorkArea();
  int frame = (w->style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME)
              : (w->style & (WS_BORDER | WS_DLGFRAME)) ? GetSystemMetrics(SM_CXDLGFRAME) : 0;
  mmi.ptMaxSize = POINT{work.Width() + 2 * frame, work.Height() + 2 * frame};
  mmi.ptMaxPosition = POINT{-frame, -frame};
  bool framed = (w->style & WS_CAPTION) == WS_CAPTION || (w->style & WS_THICKFRAME);
  mmi.ptMinTrackSize = framed ? POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)}
                              : POINT{0, 0};
  mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  if (!w->parent) SendMessageW(hwnd, WM_GETMINMAXINFO, 0, LPARAM(&mmi));
  return mmi;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Window* w = Wm().Find(hwnd);
  if (!w || insertAfter == hwnd) return FALSE;
  if ((flags & SWP_SHOWWINDOW) && (flags & SWP_HIDEWINDOW)) flags &= ~UINT(SWP_HIDEWINDOW);
  if (flags & SWP_NOMOVE) {
    x = w->rect.left;
    y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    cx = w->rect.Width();
    cy = w->rect.Height();
  } else if (!w->parent && !(w->style & WS_MINIMIZE)) {
    MINMAXINFO mmi = QueryMinMaxInfo(hwnd);
    if (!(w = Wm().Find(hwnd))) return FALSE;
    cx = std::clamp(cx, int(mmi.ptMinTrackSize.x), std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
    cy = std::clamp(cy, int(mmi.ptMinTrackSize.y), std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
  }
  cx = std::max(0, cx);
  cy = std::max(0, cy);

  WINDOWPOS wp{hwnd, insertAfter, x, y, cx, cy, flags};
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessageW(hwnd, WM_WINDOWPOSCHANGING, 0, LPARAM(&wp));
    if (!(w = Wm().Find(hwnd))) return FALSE;
    cx = std::max(0, wp.cx);
    cy = std::max(0, wp.cy);
    flags = wp.flags;
    if (flags & SWP_NOMOVE) {
      wp.x = w->rect.left;
      wp.y = w->rect.top;
    }
    if (flags & SWP_NOSIZE) {
      cx = w->rect.Width();
      cy = w->rect.Height();
    }
  }
  RECT oldRect = w->rect;
  RECT oldScreen = ScreenWindowRect(*w);
  RECT newRect = Bounds(wp.x, wp.y, cx, cy);
  bool moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
  bool sized = newRect.Width() != oldRect.Width() || newRect.Height() != oldRect.Height();
  if (!moved) flags |= SWP_NOMOVE;
  if (!sized) flags |= SWP_NOSIZE;

  RECT oldClient = w->client;
  if (sized || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS p;
    p.rgrc[0] = newRect;
    p.rgrc[1] = oldRect;
    p.rgrc[2] = Bounds(oldRect.left + oldClient.left, oldRect.top + oldClient.top,
                       oldClient.Width(), oldClient.Height());
    WINDOWPOS calc = wp;
    calc.flags = flags;
    p.lppos = &calc;
    SendMessageW(hwnd, WM_NCCALCSIZE, TRUE, LPARAM(&p));
    if (!(w = Wm().Find(hwnd))) return FALSE;
    RECT c = p.rgrc[0];
    w->client = RECT{c.left - newRect.left, c.top - newRect.top,
                     std::max(c.left, c.right) - newRect.left,
                     std::max(c.top, c.bottom) - newRect.top};
  }
  w->rect = newRect;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = newRect;
  bool clientChanged = w->client.Width() != oldClient.Width() ||
                       w->client.Height() != oldClient.Height();
  bool clientMoved = moved || w->client.left != oldClient.left || w->client.top != oldClient.top;

  if (!(flags & SWP_NOZORDER)) {
    Reorder(*w, wp.hwndInsertAfter);
    if (IsTopLevel(*w)) {
      if (!(flags & SWP_NOOWNERZORDER)) RaiseOwned(hwnd);
      SyncZOrder();
    }
  }
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~DWORD(WS_VISIBLE);
  bool visible = (w->style & WS_VISIBLE) != 0;

  if (w->surface) {
    Backend& b = Wm().GetBackend();
    if (sized) w->surface->Resize(SurfaceSide(cx), SurfaceSide(cy));
    if (moved || sized) b.WindowMoved(hwnd, w->rect);
    if (visible && !wasVisible) b.WindowShown(hwnd, !(flags & SWP_NOACTIVATE));
    if (!visible && wasVisible) b.WindowHidden(hwnd);
    w->shown = visible;
  }
  InvalidateAfterPositionChange(hwnd, oldScreen, sized, visible && !wasVisible,
                                !visible && wasVisible, flags);
  if (!visible && wasVisible) {
    // A hidden window keeps neither the capture nor the focus.
    if (Wm().capture == hwnd || IsChild(hwnd, Wm().capture)) ReleaseCapture();
    if (Wm().focus == hwnd || IsChild(hwnd, Wm().focus)) SetFocus(nullptr);
  }

  if (!(w = Wm().Find(hwnd))) return TRUE;
  if (IsTopLevel(*w) && visible && !(flags & SWP_NOACTIVATE) &&
      ((flags & SWP_SHOWWINDOW) || !(flags & SWP_NOZORDER)) &&
      !(w->exStyle & WS_EX_NOACTIVATE) && !(w->style & WS_MINIMIZE))
    ActivateWindow(hwnd, false);
  if (!(w = Wm().Find(hwnd))) return TRUE;

  WINDOWPOS done{hwnd, wp.hwndInsertAfter, w->rect.left, w->rect.top, w->rect.Width(),
                 w->rect.Height(), flags};
  // The default WM_WINDOWPOSCHANGED reports a new client size or origin even when only the
  // frame changed.
  if (clientChanged) done.flags &= ~UINT(SWP_NOSIZE);
  if (clientMoved) done.flags &= ~UINT(SWP_NOMOVE);
  SendMessageW(hwnd, WM_WINDOWPOSCHANGED, 0, LPARAM(&done));

  if ((moved || sized || visible != wasVisible) && Wm().capture == nullptr) {
    POINT c = Wm().cursor;
    RECT now;
    GetWindowRect(hwnd, &now);
    if (PtInRect(&now, c) || PtInRect(&oldScreen, c)) SynthesizeMouseMove();
  }
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

BOOL SetMenuBarRows(HWND hwnd, int rows) {
  Window* w = Wm().Find(hwnd);
  if (!w || w->parent || rows < 0) return FALSE;
  w->menuRows = rows;
  return TRUE;
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

HDWP BeginDeferWindowPos(int count) {
  if (count < 0) return nullptr;
  uintptr_t id = gNextDefer += 4;
  gDeferred[id];
  return reinterpret_cast<HDWP>(id);
}

HDWP DeferWindowPos(HDWP dwp, HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy,
                    UINT flags) {
  auto it = gDeferred.find(reinterpret_cast<uintptr_t>(dwp));
  if (it == gDeferred.end()) return nullptr;
  if (!Wm().Find(hwnd)) {
    gDeferred.erase(it);
    return nullptr;
  }
  it->second.push_back(DeferredPos{hwnd, insertAfter, x, y, cx, cy, flags});
  return dwp;
}

BOOL EndDeferWindowPos(HDWP dwp) {
  auto it = gDeferred.find(reinterpret_cast<uintptr_t>(dwp));
  if (it == gDeferred.end()) return FALSE;
  std::vector<DeferredPos> list = std::move(it->second);
  gDeferred.erase(it);
  BOOL ok = TRUE;
  for (const DeferredPos& d : list)
    if (!SetWindowPos(d.hwnd, d.insertAfter, d.x, d.y, d.cx, d.cy, d.flags)) ok = FALSE;
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Showing, minimising, maximising

namespace {

RECT MinimizedRect() {
  return Bounds(-32000, -32000, GetSystemMetrics(SM_CXMINIMIZED),
                GetSystemMetrics(SM_CYMINIMIZED));
}

void ActivateAnotherThan(HWND hwnd) {
  if (Wm().active != hwnd) return;
  Window* w = Wm().Find(hwnd);
  HWND owner = w ? w->owner : nullptr;
  if (Window* o = Wm().Find(owner);
      o && (o->style & WS_VISIBLE) && !(o->style & (WS_DISABLED | WS_MINIMIZE))) {
    ActivateWindow(owner, false);
    return;
  }
  for (HWND h : std::vector<HWND>(Wm().TopLevels())) {
    Window* c = Wm().Find(h);
    if (h == hwnd || !c || !(c->style & WS_VISIBLE) || (c->style & (WS_DISABLED | WS_MINIMIZE)) ||
        (c->exStyle & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW)))
      continue;
    ActivateWindow(h, false);
    return;
  }
  DeactivateAll();
}

void ShowOwnedForOwner(HWND owner, bool opening) {
  for (HWND h : std::vector<HWND>(Wm().TopLevels())) {
    Window* o = Wm().Find(h);
    if (!o || o->owner != owner) continue;
    if (!opening && (o->style & WS_VISIBLE)) {
      SendMessageW(h, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
      if ((o = Wm().Find(h))) {
        o->hiddenByOwnerMinimize = true;
        SetWindowPos(h, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
    } else if (opening && o->hiddenByOwnerMinimize) {
      o->hiddenByOwnerMinimize = false;
      SendMessageW(h, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
      SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

RECT MaximizedRect(HWND hwnd) {
  MINMAXINFO mmi = QueryMinMaxInfo(hwnd);
  Window* w = Wm().Find(hwnd);
  RECT work = Wm().GetBackend().WorkArea();
  if (w && w->parent)
    if (Window* p = Wm().Find(w->parent)) work = RECT{0, 0, p->client.Width(), p->client.Height()};
  int cx = std::clamp(int(mmi.ptMaxSize.x), int(mmi.ptMinTrackSize.x),
                      std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
  int cy = std::clamp(int(mmi.ptMaxSize.y), int(mmi.ptMinTrackSize.y),
                      std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
  return Bounds(work.left + mmi.ptMaxPosition.x, work.top + mmi.ptMaxPosition.y, cx, cy);
}

}  // namespace

BOOL ShowWindow(HWND hwnd, int cmd) {
  Window* w = Wm().Find(hwnd);
  if (!w) return FALSE;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool child = w->parent != nullptr;
  auto showIfHidden = [&](UINT extra) {
    Window* cur = Wm().Find(hwnd);
    if (!cur) return;
    if (!(cur->style & WS_VISIBLE)) {
      SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | extra);
    } else if (!(extra & SWP_NOACTIVATE) && !child) {
      SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
  };
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      SendMessageW(hwnd, WM_SHOWWINDOW, FALSE, 0);
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      ActivateAnotherThan(hwnd);
      return TRUE;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      showIfHidden(SWP_NOACTIVATE | SWP_NOZORDER);
      if (cmd == SW_SHOWNOACTIVATE && (IsIconic(hwnd) || IsZoomed(hwnd))) break;
      return wasVisible;
    case SW_SHOW:
      showIfHidden(child ? UINT(SWP_NOACTIVATE | SWP_NOZORDER) : 0u);
      return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: {
      if (!(w->style & WS_MINIMIZE)) {
        w->maximizedBeforeMinimize = (w->style & WS_MAXIMIZE) != 0;
        w->style = (w->style | WS_MINIMIZE) & ~DWORD(WS_MAXIMIZE);
        if (!child) ShowOwnedForOwner(hwnd, false);
        if (!wasVisible) SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
        RECT r = MinimizedRect();
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.Width(), r.Height(),
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
        if (Wm().focus && (Wm().focus == hwnd || IsChild(hwnd, Wm().focus))) SetFocus(nullptr);
        ActivateAnotherThan(hwnd);
      } else {
        showIfHidden(SWP_NOACTIVATE | SWP_NOZORDER);
      }
      return wasVisible;
    }
    case SW_MAXIMIZE: {
      if (!(w->style & WS_MAXIMIZE)) {
        bool fromMin = (w->style & WS_MINIMIZE) != 0;
        w->style = (w->style | WS_MAXIMIZE) & ~DWORD(WS_MINIMIZE);
        if (!wasVisible) SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
        RECT r = MaximizedRect(hwnd);
        SetWindowPos(hwnd, HWND_TOP, r.left, r.top, r.Width(), r.Height(),
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW | (child ? UINT(SWP_NOACTIVATE) : 0u));
        if (fromMin && !child) ShowOwnedForOwner(hwnd, true);
      } else {
        showIfHidden(child ? UINT(SWP_NOACTIVATE | SWP_NOZORDER) : 0u);
      }
      return wasVisible;
    }
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
      break;
    default:
      return wasVisible;
  }
  // Restore: from minimised back to maximised or normal, from maximised to normal.
  if (!(w = Wm().Find(hwnd))) return wasVisible;
  UINT activation = (child || cmd == SW_SHOWNOACTIVATE) ? UINT(SWP_NOACTIVATE) : 0u;
  if (w->style & WS_MINIMIZE) {
    w->style &= ~DWORD(WS_MINIMIZE);
    if (w->maximizedBeforeMinimize && cmd == SW_RESTORE) {
      w->maximizedBeforeMinimize = false;
      w->style |= WS_MAXIMIZE;
      RECT r = MaximizedRect(hwnd);
      SetWindowPos(hwnd, HWND_TOP, r.left, r.top, r.Width(), r.Height(),
                   SWP_FRAMECHANGED | SWP_SHOWWINDOW | activation);
    } else {
      w->maximizedBeforeMinimize = false;
      RECT r = w->normalRect;
      SetWindowPos(hwnd, HWND_TOP, r.left, r.top, r.Width(), r.Height(),
                   SWP_FRAMECHANGED | SWP_SHOWWINDOW | activation);
    }
    if (!child) ShowOwnedForOwner(hwnd, true);
  } else if (w->style & WS_MAXIMIZE) {
    w->style &= ~DWORD(WS_MAXIMIZE);
    if (!wasVisible) SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
    if ((w = Wm().Find(hwnd))) {
      RECT r = w->normalRect;
      SetWindowPos(hwnd, HWND_TOP, r.left, r.top, r.Width(), r.Height(),
                   SWP_FRAMECHANGED | SWP_SHOWWINDOW | activation);
    }
  } else {
    showIfHidden(activation | (child ? UINT(SWP_NOZORDER) : 0u));
  }
  return wasVisible;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
  Window* w = Wm().Find(hwnd);
  if (!w || !placement) return FALSE;
  placement->flags = w->maximizedBeforeMinimize ? 2 : 0;  // WPF_RESTORETOMAXIMIZED
  placement->showCmd = (w->style & WS_MINIMIZE)   ? SW_SHOWMINIMIZED
                       : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                                  : SW_SHOWNORMAL;
  placement->ptMinPosition = POINT{-1, -1};
  placement->ptMaxPosition = POINT{-1, -1};
  placement->rcNormalPosition = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normalRect : w->rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement) {
  Window* w = Wm().Find(hwnd);
  if (!w || !placement) return FALSE;
  const RECT& r = placement->rcNormalPosition;
  w->normalRect = r;
  switch (placement->showCmd) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      ShowWindow(hwnd, int(placement->showCmd));
      break;
    case SW_SHOWMAXIMIZED:
      ShowWindow(hwnd, SW_SHOWMAXIMIZED);
      break;
    default:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        ShowWindow(hwnd, SW_RESTORE);
      } else {
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.Width(), r.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
      }
      if ((w = Wm().Find(hwnd))) w->normalRect = r;
      if (placement->showCmd != SW_HIDE) ShowWindow(hwnd, int(placement->showCmd));
      break;
  }
  return TRUE;
}

}  // namespace win
