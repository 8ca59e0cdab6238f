#include "app/Demo.h"

#include <algorithm>

#include "app/DemoPaint.h"
#include "platform/windows/VirtualKeys.h"

namespace demo {

using win::Bounds;
using win::POINT;
using win::RECT;

namespace {

constexpr int kMinWidth = 360, kMinHeight = 240;
constexpr int kMinPanel = 90;

bool Inside(const RECT& r, POINT p) { return win::PtInRect(&r, p); }

// Removes the last character, both halves of a surrogate pair together.
void Backspace(String& text) {
  if (text.empty()) return;
  const bool pair = text.size() >= 2 && text.back() >= 0xDC00 && text.back() <= 0xDFFF &&
                    text[text.size() - 2] >= 0xD800 && text[text.size() - 2] <= 0xDBFF;
  text.resize(text.size() - (pair ? 2 : 1));
}

}  // namespace

Demo::Demo(win::Backend& backend)
    : FBackend(backend), FWindow(win::HandleToHwnd(1)) {
  const RECT work = FBackend.WorkArea();
  const int width = std::min(760, work.Width()), height = std::min(520, work.Height());
  FBounds = Bounds(work.left + (work.Width() - width) / 2, work.top + (work.Height() - height) / 2,
                   width, height);
  FSurface = win::Bitmap(width, height);
  const auto panel = [](Panel::Kind kind, String title, RECT rect) {
    Panel p;
    p.kind = kind;
    p.title = std::move(title);
    p.rect = rect;
    return p;
  };
  FScene.panels = {panel(Panel::Kind::Counter, u"Button", Bounds(24, kCaption + 24, 200, 130)),
             panel(Panel::Kind::Note, u"Note", Bounds(250, kCaption + 24, 300, 200)),
             panel(Panel::Kind::Swatch, u"Colour", Bounds(80, kCaption + 190, 180, 140))};
  FBackend.Attach(this);
  win::TopLevelInfo info;
  info.bounds = FBounds;
  info.title = u"Quillet";
  FBackend.WindowCreated(FWindow, info, FSurface);
}

Demo::~Demo() {
  FBackend.WindowDestroyed(FWindow);
  FBackend.Attach(nullptr);
}

int Demo::Run() {
  Repaint();
  FBackend.WindowShown(FWindow, true);
  while (!FClosed) {
    if (FBackend.WaitForEvents(std::nullopt) == win::WaitResult::Starved) return 1;
  }
  return 0;
}

void Demo::Close() {
  FClosed = true;
  FBackend.Wake();
}

void Demo::Repaint() {
  FScene.width = FSurface.Width();
  FScene.height = FSurface.Height();
  const win::LockStates locks = FBackend.QueryLockStates();
  FScene.capsLock = locks.capsLock;
  FScene.numLock = locks.numLock;
  FScene.scrollLock = locks.scrollLock;
  PaintScene(FSurface, FScene);
  FBackend.SurfaceDamaged(FWindow, Bounds(0, 0, FSurface.Width(), FSurface.Height()));
}

void Demo::SetBounds(const RECT& bounds) {
  const bool sized = bounds.Width() != FBounds.Width() || bounds.Height() != FBounds.Height();
  FBounds = bounds;
  if (sized) FSurface.Resize(bounds.Width(), bounds.Height());
  FBackend.WindowMoved(FWindow, bounds);
  if (sized) Repaint();
}

void Demo::OnButtonDown(POINT local) {
  if (Inside(CloseBox(FScene), local)) {
    Close();
    return;
  }
  const auto startDrag = [&](Drag kind, int panel, const RECT& rect) {
    FDrag = kind;
    FDragPanel = panel;
    FDragStart = {local.x + FBounds.left, local.y + FBounds.top};
    FDragRect = rect;
    // The pointer is followed even outside the window until the button comes up.
    FBackend.CaptureChanged(FWindow);
  };
  if (local.y < kCaption) {
    startDrag(Drag::MoveWindow, -1, FBounds);
    return;
  }
  if (Inside(WindowGrip(FScene), local)) {
    startDrag(Drag::SizeWindow, -1, FBounds);
    return;
  }
  for (int i = int(FScene.panels.size()) - 1; i >= 0; --i) {
    if (!Inside(FScene.panels[size_t(i)].rect, local)) continue;
    // The clicked panel comes to the top, keeping the keyboard focus where it belongs.
    const Panel clicked = FScene.panels[size_t(i)];
    const bool hadFocus = FScene.focus == i;
    FScene.panels.erase(FScene.panels.begin() + i);
    FScene.panels.push_back(clicked);
    Panel& p = FScene.panels.back();
    const int top = int(FScene.panels.size()) - 1;
    if (FScene.focus > i) --FScene.focus;
    if (hadFocus) FScene.focus = top;
    if (Inside(PanelCaption(p), local)) {
      startDrag(Drag::MovePanel, top, p.rect);
    } else if (Inside(PanelGrip(p), local)) {
      startDrag(Drag::SizePanel, top, p.rect);
    } else if (p.kind == Panel::Kind::Counter) {
      ++p.clicks;
    } else if (p.kind == Panel::Kind::Swatch) {
      p.colour = (p.colour + 1) % kSwatchCount;
    }
    FScene.focus = p.kind == Panel::Kind::Note ? top : -1;
    Repaint();
    return;
  }
  FScene.focus = -1;
  Repaint();
}

void Demo::OnMouseMove(POINT screen) {
  if (FDrag == Drag::None) return;
  const int dx = screen.x - FDragStart.x, dy = screen.y - FDragStart.y;
  const RECT client = ClientArea(FScene);
  switch (FDrag) {
    case Drag::MoveWindow:
      SetBounds(Bounds(FDragRect.left + dx, FDragRect.top + dy, FDragRect.Width(), FDragRect.Height()));
      return;
    case Drag::SizeWindow:
      SetBounds(Bounds(FDragRect.left, FDragRect.top, std::max(kMinWidth, FDragRect.Width() + dx),
                       std::max(kMinHeight, FDragRect.Height() + dy)));
      return;
    case Drag::MovePanel: {
      Panel& p = FScene.panels[size_t(FDragPanel)];
      // The title strip stays inside the client area, so a panel can always be caught again.
      const int x = std::clamp(FDragRect.left + dx, client.left - FDragRect.Width() + 40, client.right - 40);
      const int y = std::clamp(FDragRect.top + dy, client.top, client.bottom - kPanelCaption);
      p.rect = Bounds(x, y, FDragRect.Width(), FDragRect.Height());
      break;
    }
    case Drag::SizePanel: {
      Panel& p = FScene.panels[size_t(FDragPanel)];
      p.rect = Bounds(FDragRect.left, FDragRect.top, std::max(kMinPanel, FDragRect.Width() + dx),
                      std::max(kMinPanel, FDragRect.Height() + dy));
      break;
    }
    case Drag::None:
      return;
  }
  Repaint();
}

void Demo::OnKey(const win::BackendEvent& e) {
  if (e.virtualKey == win::VK_F4 && e.modifiers.alt) {
    Close();
    return;
  }
  if (e.virtualKey == win::VK_CAPITAL || e.virtualKey == win::VK_NUMLOCK || e.virtualKey == win::VK_SCROLL) {
    Repaint();
    return;
  }
  if (FScene.focus < 0 || FScene.panels[size_t(FScene.focus)].kind != Panel::Kind::Note) return;
  Panel& note = FScene.panels[size_t(FScene.focus)];
  if (e.modifiers.control && e.virtualKey == 'C') {
    win::ClipboardData data;
    data.text = note.text;
    FBackend.SetClipboard(data);
    return;
  }
  if (e.modifiers.control && e.virtualKey == 'V') {
    if (std::optional<String> text = FBackend.GetClipboard().text) note.text += *text;
  } else if (e.virtualKey == win::VK_BACK) {
    Backspace(note.text);
  } else if (e.virtualKey == win::VK_RETURN) {
    note.text += u'\n';
  } else if (e.virtualKey == win::VK_ESCAPE) {
    FScene.focus = -1;
  } else if (!e.modifiers.control && !e.modifiers.alt) {
    for (char16_t c : e.text)
      if (c >= 0x20 || c == u'\t') note.text += c;
  } else {
    return;
  }
  Repaint();
}

void Demo::OnBackendEvent(const win::BackendEvent& e) {
  using K = win::BackendEvent::Kind;
  switch (e.kind) {
    case K::ButtonDown:
      if (e.button == win::MouseButton::Left && FDrag == Drag::None)
        OnButtonDown({e.point.x - FBounds.left, e.point.y - FBounds.top});
      return;
    case K::ButtonUp:
      if (e.button == win::MouseButton::Left && FDrag != Drag::None) {
        FDrag = Drag::None;
        FBackend.CaptureChanged(nullptr);
      }
      return;
    case K::MouseMove:
      OnMouseMove(e.point);
      return;
    case K::KeyDown:
      OnKey(e);
      return;
    case K::FocusIn:
    case K::FocusOut:
      FScene.active = e.kind == K::FocusIn;
      Repaint();
      return;
    case K::Configure:
      // The desktop's window manager placed or sized the window.
      if (e.rect.Width() != FBounds.Width() || e.rect.Height() != FBounds.Height()) {
        FBounds = e.rect;
        FSurface.Resize(FBounds.Width(), FBounds.Height());
        Repaint();
      }
      FBounds = e.rect;
      return;
    case K::CloseRequest:
      Close();
      return;
    default:
      return;
  }
}

}  // namespace demo
