#pragma once
// What the demo window shows: its size, its panels and their states, and the layout rules that
// both the painting and the hit testing follow.

#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"

namespace demo {

constexpr int kCaption = 30;       // height of the window's caption
constexpr int kGrip = 16;          // side of the window's sizing grip
constexpr int kPanelCaption = 22;  // height of a panel's title strip
constexpr int kPanelGrip = 12;
constexpr int kStatus = 24;        // height of the status line at the bottom
constexpr int kSwatchCount = 6;

struct Panel {
  enum class Kind { Counter, Note, Swatch };
  Kind kind = Kind::Counter;
  String title;
  win::RECT rect;  // in the window's coordinates
  int clicks = 0;
  String text;
  int colour = 0;
};

struct Scene {
  int width = 0;
  int height = 0;
  std::vector<Panel> panels;  // the last one is on top
  int focus = -1;             // index of the panel taking keys
  bool active = false;
  bool capsLock = false, numLock = false, scrollLock = false;
};

inline win::RECT CloseBox(const Scene& s) { return win::Bounds(s.width - 41, 1, 40, kCaption - 1); }
inline win::RECT ClientArea(const Scene& s) {
  return win::Rect(1, kCaption, s.width - 1, s.height - 1 - kStatus);
}
inline win::RECT WindowGrip(const Scene& s) {
  return win::Rect(s.width - 1 - kGrip, s.height - 1 - kGrip, s.width - 1, s.height - 1);
}
inline win::RECT PanelCaption(const Panel& p) {
  return win::Bounds(p.rect.left, p.rect.top, p.rect.Width(), kPanelCaption);
}
inline win::RECT PanelGrip(const Panel& p) {
  return win::Rect(p.rect.right - kPanelGrip, p.rect.bottom - kPanelGrip, p.rect.right, p.rect.bottom);
}

}  // namespace demo
