#pragma once
// The default non-client geometry: frame, caption and its buttons, menu rows, client edge and
// the standard scroll bars. Every rectangle is in window coordinates.

#include "platform/windows/WindowManager.h"

namespace win {

struct NcGeometry {
  int frame = 0;
  RECT caption;  // empty without a caption
  RECT sysMenu;  // empty when absent
  RECT minButton;
  RECT maxButton;
  RECT closeButton;
  RECT helpButton;
  RECT menu;
  RECT vscroll;
  RECT hscroll;
  RECT grip;    // the square between two scroll bars
  RECT client;
  bool thick = false;
};

// The geometry for a window of the given size, reserving scroll bars when there is room. The
// scroll bars that the last WM_NCCALCSIZE reserved are in w.ncReserved; with useReserved, only
// those are laid out (painting, hit testing and tracking use what calc-size reserved).
NcGeometry ComputeNcGeometry(const Window& w, int width, int height, bool useReserved);

}  // namespace win
