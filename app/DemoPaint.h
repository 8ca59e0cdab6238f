#pragma once
// Paints the demo's windows with the drawing layer.

#include <vector>

#include "app/DemoScene.h"
#include "platform/graphics/DeviceContext.h"

namespace demo {

// The main window's client area; `shadows` are the panels' rectangles, whose shadows fall on the
// desk.
void PaintFrame(win::HDC dc, const FrameView& view, const std::vector<win::RECT>& shadows);
// A panel's client area of the given size.
void PaintPanel(win::HDC dc, const Panel& panel, int width, int height, bool focused);

}  // namespace demo
