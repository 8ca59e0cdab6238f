#include "app/Demo.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/windows/VirtualKeys.h"

namespace demo {

using win::Bounds;
using win::POINT;
using win::RECT;

namespace {

constexpr int kCaption = 30;       // height of the window's caption
constexpr int kGrip = 16;          // side of the window's sizing grip
constexpr int kPanelCaption = 22;  // height of a panel's title strip
constexpr int kPanelGrip = 12;
constexpr int kStatus = 24;        // height of the status line at the bottom
constexpr int kMinWidth = 360, kMinHeight = 240;
constexpr int kMinPanel = 90;

struct Colour { double r, g, b; const char* name; };
constexpr Colour kSwatches[] = {
    {0.90, 0.49, 0.13, "Amber"}, {0.18, 0.55, 0.34, "Fern"},   {0.20, 0.40, 0.75, "Cobalt"},
    {0.62, 0.25, 0.55, "Plum"},  {0.80, 0.22, 0.25, "Poppy"},  {0.35, 0.35, 0.38, "Slate"},
};
constexpr int kSwatchCount = sizeof(kSwatches) / sizeof(kSwatches[0]);

bool Inside(const RECT& r, POINT p) { return win::PtInRect(&r, p); }

void SetColour(cairo_t* cr, double r, double g, double b, double a = 1.0) {
  cairo_set_source_rgba(cr, r, g, b, a);
}

void FillRect(cairo_t* cr, const RECT& r) {
  cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
  cairo_fill(cr);
}

// Lays text out in a box: wrapped to its width, aligned as asked, cut at its height.
void Text(cairo_t* cr, const std::string& utf8, const RECT& box, const char* font,
          PangoAlignment align = PANGO_ALIGN_LEFT, bool centreVertically = false) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* desc = pango_font_description_from_string(font);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_width(layout, std::max(1, box.Width()) * PANGO_SCALE);
  pango_layout_set_height(layout, std::max(1, box.Height()) * PANGO_SCALE);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  pango_layout_set_alignment(layout, align);
  pango_layout_set_text(layout, utf8.c_str(), int(utf8.size()));
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  const double y = centreVertically ? box.top + (box.Height() - h) / 2.0 : box.top;
  cairo_save(cr);
  cairo_rectangle(cr, box.left, box.top, box.Width(), box.Height());
  cairo_clip(cr);
  cairo_move_to(cr, box.left, y);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  g_object_unref(layout);
}

void Grip(cairo_t* cr, const RECT& r, double shade) {
  SetColour(cr, shade, shade, shade);
  cairo_set_line_width(cr, 1);
  for (int i = 1; i <= 3; ++i) {
    const double d = i * r.Width() / 4.0;
    cairo_move_to(cr, r.right - d, r.bottom - 0.5);
    cairo_line_to(cr, r.right - 0.5, r.bottom - d);
  }
  cairo_stroke(cr);
}

RECT PanelCaption(const Panel& p) { return Bounds(p.rect.left, p.rect.top, p.rect.Width(), kPanelCaption); }
RECT PanelGrip(const Panel& p) {
  return win::Rect(p.rect.right - kPanelGrip, p.rect.bottom - kPanelGrip, p.rect.right, p.rect.bottom);
}

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
  FPanels = {panel(Panel::Kind::Counter, u"Button", Bounds(24, kCaption + 24, 200, 130)),
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
  Paint();
  FBackend.WindowShown(FWindow, true);
  Present();
  while (!FClosed) {
    if (FBackend.WaitForEvents(std::nullopt) == win::WaitResult::Starved) return 1;
  }
  return 0;
}

RECT Demo::CloseBox() const { return Bounds(FBounds.Width() - 1 - 40, 1, 40, kCaption - 1); }

RECT Demo::Client() const {
  return win::Rect(1, kCaption, FBounds.Width() - 1, FBounds.Height() - 1 - kStatus);
}

void Demo::Close() {
  FClosed = true;
  FBackend.Wake();
}

void Demo::Present() { FBackend.SurfaceDamaged(FWindow, Bounds(0, 0, FSurface.Width(), FSurface.Height())); }

void Demo::PaintPanel(void* cairo, const Panel& p, bool focused) {
  cairo_t* cr = static_cast<cairo_t*>(cairo);
  const RECT& r = p.rect;
  // A soft shadow, then the body and its outline.
  for (int i = 4; i >= 1; --i) {
    SetColour(cr, 0, 0, 0, 0.05);
    cairo_rectangle(cr, r.left + i, r.top + i, r.Width(), r.Height());
    cairo_fill(cr);
  }
  SetColour(cr, 1, 1, 1);
  FillRect(cr, r);
  const double accent[3] = {p.kind == Panel::Kind::Counter ? 0.25 : p.kind == Panel::Kind::Note ? 0.45 : 0.30,
                            p.kind == Panel::Kind::Counter ? 0.42 : p.kind == Panel::Kind::Note ? 0.36 : 0.50,
                            p.kind == Panel::Kind::Counter ? 0.62 : p.kind == Panel::Kind::Note ? 0.55 : 0.40};
  SetColour(cr, accent[0], accent[1], accent[2]);
  FillRect(cr, PanelCaption(p));
  SetColour(cr, 1, 1, 1);
  Text(cr, StringToUtf8(p.title), win::Rect(r.left + 8, r.top, r.right - 8, r.top + kPanelCaption),
       "Sans Bold 9", PANGO_ALIGN_LEFT, true);
  if (focused) SetColour(cr, 0.95, 0.65, 0.15);
  else SetColour(cr, 0.55, 0.58, 0.63);
  cairo_set_line_width(cr, focused ? 2 : 1);
  const double inset = focused ? 1 : 0.5;
  cairo_rectangle(cr, r.left + inset, r.top + inset, r.Width() - 2 * inset, r.Height() - 2 * inset);
  cairo_stroke(cr);

  const RECT body = win::Rect(r.left + 10, r.top + kPanelCaption + 8, r.right - 10, r.bottom - 10);
  switch (p.kind) {
    case Panel::Kind::Counter: {
      SetColour(cr, 0.20, 0.22, 0.26);
      const std::string line = p.clicks == 0   ? "Click me"
                               : p.clicks == 1 ? "Clicked once"
                                               : "Clicked " + std::to_string(p.clicks) + " times";
      Text(cr, line, body, "Sans 13", PANGO_ALIGN_CENTER, true);
      break;
    }
    case Panel::Kind::Note: {
      if (p.text.empty() && !focused) {
        SetColour(cr, 0.6, 0.6, 0.62);
        Text(cr, "Click here and type. Ctrl+C copies the note, Ctrl+V pastes.", body, "Sans Italic 10");
      } else {
        SetColour(cr, 0.12, 0.12, 0.14);
        Text(cr, StringToUtf8(p.text) + (focused ? "\u258F" : ""), body, "Serif 12");
      }
      break;
    }
    case Panel::Kind::Swatch: {
      const Colour& c = kSwatches[p.colour % kSwatchCount];
      SetColour(cr, c.r, c.g, c.b);
      FillRect(cr, win::Rect(body.left, body.top, body.right, body.bottom - 20));
      SetColour(cr, 0.20, 0.22, 0.26);
      Text(cr, std::string(c.name) + " \u2014 click to change",
           win::Rect(body.left, body.bottom - 18, body.right, body.bottom), "Sans 9");
      break;
    }
  }
  Grip(cr, PanelGrip(p), 0.55);
}

void Demo::Paint() {
  const int w = FSurface.Width(), h = FSurface.Height();
  if (w == 0 || h == 0) return;
  cairo_surface_t* target = cairo_image_surface_create_for_data(
      FSurface.Bits(), CAIRO_FORMAT_ARGB32, w, h, FSurface.Stride());
  cairo_t* cr = cairo_create(target);

  // Paper, frame and caption.
  SetColour(cr, 0.95, 0.94, 0.92);
  cairo_paint(cr);
  cairo_pattern_t* band = cairo_pattern_create_linear(0, 0, 0, kCaption);
  if (FActive) {
    cairo_pattern_add_color_stop_rgb(band, 0, 0.27, 0.42, 0.62);
    cairo_pattern_add_color_stop_rgb(band, 1, 0.19, 0.32, 0.50);
  } else {
    cairo_pattern_add_color_stop_rgb(band, 0, 0.62, 0.64, 0.68);
    cairo_pattern_add_color_stop_rgb(band, 1, 0.54, 0.56, 0.60);
  }
  cairo_set_source(cr, band);
  cairo_rectangle(cr, 0, 0, w, kCaption);
  cairo_fill(cr);
  cairo_pattern_destroy(band);
  SetColour(cr, 1, 1, 1);
  Text(cr, "Quillet  \u00B7  platform demo", win::Rect(12, 0, w - 60, kCaption), "Sans Bold 10",
       PANGO_ALIGN_LEFT, true);
  Text(cr, "\u2715", CloseBox(), "Sans 11", PANGO_ALIGN_CENTER, true);
  SetColour(cr, 0.16, 0.25, 0.38);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
  cairo_stroke(cr);

  const RECT client = Client();
  cairo_save(cr);
  cairo_rectangle(cr, client.left, client.top, client.Width(), client.Height());
  cairo_clip(cr);
  SetColour(cr, 0.55, 0.55, 0.55);
  Text(cr, "Drag a panel by its title and size it from its corner; drag the window by its caption.",
       win::Rect(client.left + 16, client.bottom - 26, client.right - 16, client.bottom - 6), "Sans 9");
  for (size_t i = 0; i < FPanels.size(); ++i) PaintPanel(cr, FPanels[i], int(i) == FFocus);
  cairo_restore(cr);

  // The status line shows what the keyboard reports.
  SetColour(cr, 0.88, 0.87, 0.84);
  FillRect(cr, win::Rect(1, h - 1 - kStatus, w - 1, h - 1));
  const win::LockStates locks = FBackend.QueryLockStates();
  std::string status = "Caps Lock " + std::string(locks.capsLock ? "on" : "off") + "   Num Lock " +
                       (locks.numLock ? "on" : "off") + "   Scroll Lock " + (locks.scrollLock ? "on" : "off");
  SetColour(cr, 0.25, 0.25, 0.28);
  Text(cr, status, win::Rect(12, h - 1 - kStatus, w - 40, h - 1), "Sans 9", PANGO_ALIGN_LEFT, true);
  Grip(cr, win::Rect(w - 1 - kGrip, h - 1 - kGrip, w - 1, h - 1), 0.45);

  cairo_destroy(cr);
  cairo_surface_flush(target);
  cairo_surface_destroy(target);
}

void Demo::SetBounds(const RECT& bounds) {
  const bool sized = bounds.Width() != FBounds.Width() || bounds.Height() != FBounds.Height();
  FBounds = bounds;
  if (sized) FSurface.Resize(bounds.Width(), bounds.Height());
  FBackend.WindowMoved(FWindow, bounds);
  if (sized) {
    Paint();
    Present();
  }
}

void Demo::OnButtonDown(POINT local) {
  if (Inside(CloseBox(), local)) {
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
  if (local.x >= FBounds.Width() - 1 - kGrip && local.y >= FBounds.Height() - 1 - kGrip) {
    startDrag(Drag::SizeWindow, -1, FBounds);
    return;
  }
  for (int i = int(FPanels.size()) - 1; i >= 0; --i) {
    if (!Inside(FPanels[size_t(i)].rect, local)) continue;
    // The clicked panel comes to the top, keeping the keyboard focus where it belongs.
    const Panel clicked = FPanels[size_t(i)];
    const bool hadFocus = FFocus == i;
    FPanels.erase(FPanels.begin() + i);
    FPanels.push_back(clicked);
    Panel& p = FPanels.back();
    const int top = int(FPanels.size()) - 1;
    if (FFocus > i) --FFocus;
    if (hadFocus) FFocus = top;
    if (Inside(PanelCaption(p), local)) {
      startDrag(Drag::MovePanel, top, p.rect);
    } else if (Inside(PanelGrip(p), local)) {
      startDrag(Drag::SizePanel, top, p.rect);
    } else if (p.kind == Panel::Kind::Counter) {
      ++p.clicks;
    } else if (p.kind == Panel::Kind::Swatch) {
      p.colour = (p.colour + 1) % kSwatchCount;
    }
    FFocus = p.kind == Panel::Kind::Note ? top : -1;
    Paint();
    Present();
    return;
  }
  FFocus = -1;
  Paint();
  Present();
}

void Demo::OnMouseMove(POINT screen) {
  if (FDrag == Drag::None) return;
  const int dx = screen.x - FDragStart.x, dy = screen.y - FDragStart.y;
  const RECT client = Client();
  switch (FDrag) {
    case Drag::MoveWindow:
      SetBounds(Bounds(FDragRect.left + dx, FDragRect.top + dy, FDragRect.Width(), FDragRect.Height()));
      return;
    case Drag::SizeWindow:
      SetBounds(Bounds(FDragRect.left, FDragRect.top, std::max(kMinWidth, FDragRect.Width() + dx),
                       std::max(kMinHeight, FDragRect.Height() + dy)));
      return;
    case Drag::MovePanel: {
      Panel& p = FPanels[size_t(FDragPanel)];
      // The title strip stays inside the client area, so a panel can always be caught again.
      const int x = std::clamp(FDragRect.left + dx, client.left - FDragRect.Width() + 40, client.right - 40);
      const int y = std::clamp(FDragRect.top + dy, client.top, client.bottom - kPanelCaption);
      p.rect = Bounds(x, y, FDragRect.Width(), FDragRect.Height());
      break;
    }
    case Drag::SizePanel: {
      Panel& p = FPanels[size_t(FDragPanel)];
      p.rect = Bounds(FDragRect.left, FDragRect.top, std::max(kMinPanel, FDragRect.Width() + dx),
                      std::max(kMinPanel, FDragRect.Height() + dy));
      break;
    }
    case Drag::None:
      return;
  }
  Paint();
  Present();
}

void Demo::OnKey(const win::BackendEvent& e) {
  if (e.virtualKey == win::VK_F4 && e.modifiers.alt) {
    Close();
    return;
  }
  if (e.virtualKey == win::VK_CAPITAL || e.virtualKey == win::VK_NUMLOCK || e.virtualKey == win::VK_SCROLL) {
    Paint();
    Present();
    return;
  }
  if (FFocus < 0 || FPanels[size_t(FFocus)].kind != Panel::Kind::Note) return;
  Panel& note = FPanels[size_t(FFocus)];
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
    FFocus = -1;
  } else if (!e.modifiers.control && !e.modifiers.alt) {
    for (char16_t c : e.text)
      if (c >= 0x20 || c == u'\t') note.text += c;
  } else {
    return;
  }
  Paint();
  Present();
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
      FActive = e.kind == K::FocusIn;
      Paint();
      Present();
      return;
    case K::Configure:
      // The desktop's window manager placed or sized the window.
      if (e.rect.Width() != FBounds.Width() || e.rect.Height() != FBounds.Height()) {
        FBounds = e.rect;
        FSurface.Resize(FBounds.Width(), FBounds.Height());
        Paint();
        Present();
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
