#include "app/DemoPaint.h"

#include <string>

#include "platform/base/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Text.h"

namespace demo {

using namespace win;

namespace {

struct Swatch { COLORREF colour; const char16_t* name; };
constexpr Swatch kSwatches[kSwatchCount] = {
    {RGB(230, 125, 33), u"Amber"}, {RGB(46, 140, 87), u"Fern"},   {RGB(51, 102, 191), u"Cobalt"},
    {RGB(158, 64, 140), u"Plum"},  {RGB(204, 56, 64), u"Poppy"},  {RGB(89, 89, 97), u"Slate"},
};

constexpr COLORREF kPaper = RGB(242, 240, 235);
constexpr COLORREF kShadow = RGB(214, 211, 204);
constexpr COLORREF kInk = RGB(51, 56, 66);
constexpr COLORREF kHint = RGB(140, 140, 140);
constexpr COLORREF kFocus = RGB(242, 166, 38);

// The fonts the demo draws with, made once per paint and freed with it.
class Fonts {
 public:
  Fonts()
      : FCaption(Make(u"Tahoma", -13, FW_BOLD)), FPanelTitle(Make(u"Tahoma", -12, FW_BOLD)),
        FBody(Make(u"Tahoma", -17, FW_NORMAL)), FSmall(Make(u"Tahoma", -12, FW_NORMAL)),
        FHint(Make(u"Tahoma", -13, FW_NORMAL, true)), FNote(Make(u"Times New Roman", -16, FW_NORMAL)) {}
  ~Fonts() {
    for (HFONT f : {FCaption, FPanelTitle, FBody, FSmall, FHint, FNote}) DeleteObject(f);
  }
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  HFONT FCaption, FPanelTitle, FBody, FSmall, FHint, FNote;

 private:
  static HFONT Make(StringView face, LONG height, LONG weight, bool italic = false) {
    const LOGFONTW lf = MakeLogFont(face, height, weight, italic);
    return CreateFontIndirectW(&lf);
  }
};

void Fill(HDC dc, const RECT& r, COLORREF c) { FillSolidRect(dc, &r, c); }

void Frame(HDC dc, const RECT& r, COLORREF c, int width = 1) {
  Fill(dc, Rect(r.left, r.top, r.right, r.top + width), c);
  Fill(dc, Rect(r.left, r.bottom - width, r.right, r.bottom), c);
  Fill(dc, Rect(r.left, r.top, r.left + width, r.bottom), c);
  Fill(dc, Rect(r.right - width, r.top, r.right, r.bottom), c);
}

void Text(HDC dc, StringView text, RECT box, HFONT font, COLORREF colour, UINT format) {
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  const String copy(text);
  DrawTextW(dc, copy.c_str(), int(copy.size()), &box, format | DT_NOPREFIX);
  SelectObject(dc, old);
}

void VerticalGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
  const auto vertex = [](LONG x, LONG y, COLORREF c) {
    TRIVERTEX v;
    v.x = x;
    v.y = y;
    v.Red = COLOR16((c & 0xFF) << 8);
    v.Green = COLOR16(((c >> 8) & 0xFF) << 8);
    v.Blue = COLOR16(((c >> 16) & 0xFF) << 8);
    return v;
  };
  const TRIVERTEX vertices[2] = {vertex(r.left, r.top, top), vertex(r.right, r.bottom, bottom)};
  GRADIENT_RECT mesh{0, 1};
  GradientFill(dc, vertices, 2, &mesh, 1, GRADIENT_FILL_RECT_V);
}

void Grip(HDC dc, const RECT& r, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  for (int i = 1; i <= 3; ++i) {
    const int d = i * r.Width() / 4;
    MoveToEx(dc, r.right - d, r.bottom - 1, nullptr);
    LineTo(dc, r.right, r.bottom - 1 - d);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

COLORREF AccentOf(Panel::Kind kind) {
  switch (kind) {
    case Panel::Kind::Counter: return RGB(64, 107, 158);
    case Panel::Kind::Note: return RGB(115, 92, 140);
    case Panel::Kind::Swatch: return RGB(77, 128, 102);
  }
  return kInk;
}

void PaintPanelBody(HDC dc, const Fonts& fonts, const Panel& p, int width, int height, bool focused) {
  const RECT r = Bounds(0, 0, width, height);
  Fill(dc, r, RGB(255, 255, 255));
  Fill(dc, PanelCaption(width), AccentOf(p.kind));
  Text(dc, p.title, Rect(8, 0, width - 8, kPanelCaption), fonts.FPanelTitle, RGB(255, 255, 255),
       DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  Frame(dc, r, focused ? kFocus : RGB(140, 148, 161), focused ? 2 : 1);

  const RECT body = Rect(10, kPanelCaption + 8, width - 10, height - 10);
  switch (p.kind) {
    case Panel::Kind::Counter: {
      const String line = p.clicks == 0   ? String(u"Click me")
                          : p.clicks == 1 ? String(u"Clicked once")
                                          : u"Clicked " + IntToStr(p.clicks) + u" times";
      Text(dc, line, body, fonts.FBody, kInk, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
      break;
    }
    case Panel::Kind::Note:
      if (p.text.empty() && !focused)
        Text(dc, u"Click here and type. Ctrl+C copies the note, Ctrl+V pastes.", body, fonts.FHint,
             kHint, DT_WORDBREAK);
      else
        Text(dc, p.text + (focused ? u"\u258F" : u""), body, fonts.FNote, RGB(31, 31, 36),
             DT_WORDBREAK | DT_END_ELLIPSIS);
      break;
    case Panel::Kind::Swatch: {
      const Swatch& s = kSwatches[p.colour % kSwatchCount];
      Fill(dc, Rect(body.left, body.top, body.right, body.bottom - 20), s.colour);
      Text(dc, String(s.name) + u" \u2014 click to change", Rect(body.left, body.bottom - 18, body.right, body.bottom),
           fonts.FSmall, kInk, DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
  }
  Grip(dc, PanelGrip(width, height), RGB(140, 140, 140));
}

}  // namespace

void PaintFrame(HDC dc, const FrameView& view, const std::vector<RECT>& shadows) {
  const int w = view.width, h = view.height;
  const Fonts fonts;

  // Paper, caption and frame.
  Fill(dc, Bounds(0, 0, w, h), kPaper);
  if (view.active)
    VerticalGradient(dc, Bounds(0, 0, w, kCaption), RGB(69, 107, 158), RGB(48, 82, 128));
  else
    VerticalGradient(dc, Bounds(0, 0, w, kCaption), RGB(158, 163, 173), RGB(138, 143, 153));
  Text(dc, u"Quillet  \u00B7  platform demo", Rect(12, 0, w - 60, kCaption), fonts.FCaption,
       RGB(255, 255, 255), DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  Text(dc, u"\u2715", CloseBox(w), fonts.FCaption, RGB(255, 255, 255),
       DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  Frame(dc, Bounds(0, 0, w, h), RGB(41, 64, 97));

  // The desk, with the panels' shadows (the panels themselves are child windows).
  const RECT desk = Desk(w, h);
  SaveDC(dc);
  IntersectClipRect(dc, desk.left, desk.top, desk.right, desk.bottom);
  Text(dc, u"Drag a panel by its title and size it from its corner; drag the window by its caption.",
       Rect(desk.left + 16, desk.bottom - 26, desk.right - 16, desk.bottom - 6), fonts.FSmall,
       kHint, DT_SINGLELINE | DT_END_ELLIPSIS);
  for (RECT shadow : shadows) {
    OffsetRect(&shadow, 3, 3);
    Fill(dc, shadow, kShadow);
  }
  RestoreDC(dc, -1);

  // The status line shows what the keyboard reports.
  Fill(dc, Rect(1, h - 1 - kStatus, w - 1, h - 1), RGB(224, 222, 214));
  const auto onOff = [](bool on) { return on ? u"on" : u"off"; };
  const String status = String(u"Caps Lock ") + onOff(view.capsLock) + u"     Num Lock " +
                        onOff(view.numLock) + u"     Scroll Lock " + onOff(view.scrollLock);
  Text(dc, status, Rect(12, h - 1 - kStatus, w - 40, h - 1), fonts.FSmall, RGB(64, 64, 71),
       DT_SINGLELINE | DT_VCENTER);
  Grip(dc, FrameGrip(w, h), RGB(115, 115, 115));
}

void PaintPanel(HDC dc, const Panel& panel, int width, int height, bool focused) {
  const Fonts fonts;
  PaintPanelBody(dc, fonts, panel, width, height, focused);
}

}  // namespace demo
