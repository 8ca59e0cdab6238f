#pragma once
// What the demo's windows show, and the layout rules that both their painting and their hit
// testing follow. Rectangles are in the coordinates of the window they belong to.

#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"

namespace demo {

constexpr int kCaption = 30;       // height of the main window's caption
constexpr int kGrip = 16;          // side of the main window's sizing grip
constexpr int kStatus = 24;        // height of the status line at the bottom
constexpr int kPanelCaption = 22;  // height of a panel's title strip
constexpr int kPanelGrip = 12;
constexpr int kSwatchCount = 6;

// The main window: a caption with a close box, the panels' desk, a status line and a grip.
struct FrameView {
  int width = 0;
  int height = 0;
  bool active = false;
  bool capsLock = false, numLock = false, scrollLock = false;
};

// One of the child windows on the desk.
struct Panel {
  enum class Kind { Counter, Note, Swatch };
  Kind kind = Kind::Counter;
  String title;
  int clicks = 0;
  String text;
  int colour = 0;
};

inline win::RECT CloseBox(int width) { return win::Bounds(width - 41, 1, 40, kCaption - 1); }
inline win::RECT Desk(int width, int height) {
  return win::Rect(1, kCaption, width - 1, height - 1 - kStatus);
}
inline win::RECT FrameGrip(int width, int height) {
  return win::Rect(width - 1 - kGrip, height - 1 - kGrip, width - 1, height - 1);
}
inline win::RECT PanelCaption(int width) { return win::Bounds(0, 0, width, kPanelCaption); }
inline win::RECT PanelGrip(int width, int height) {
  return win::Rect(width - kPanelGrip, height - kPanelGrip, width, height);
}

}  // namespace demo
