#pragma once
// The program's stand-in until the editor exists: one top-level window of the window system that
// draws its own frame (caption, close box, status line, grip), holding a few child windows that
// can be moved, resized, clicked and typed into. Everything is painted with the drawing layer in
// WM_PAINT; the window system's own move and size loops move and size the main window.

#include <map>

#include "app/DemoScene.h"
#include "platform/windows/Windows.h"

namespace demo {

class Demo {
 public:
  // Registers the window classes and creates the windows (not yet shown).
  Demo();
  ~Demo();
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;

  // Shows the main window and runs the message loop until it is closed; answers the exit code.
  int Run();

  win::HWND MainWindow() const { return FFrame; }

 private:
  // A panel being dragged by its title or sized from its grip, with the mouse captured.
  struct Drag {
    win::HWND panel = nullptr;
    bool sizing = false;
    win::POINT start;  // screen point where it began
    win::RECT from;    // the panel's rectangle then, in the main window's client coordinates
  };

  win::LRESULT FrameProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
  win::LRESULT PanelProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
  void PanelClicked(win::HWND hwnd, Panel& panel, win::POINT client);
  void PanelChar(win::HWND hwnd, Panel& panel, char16_t c);
  void PanelMoved(win::HWND hwnd);
  void InvalidateStatus();
  win::RECT PanelRect(win::HWND hwnd) const;  // in the main window's client coordinates

  win::ScopedWndProc FFrameProc;
  win::ScopedWndProc FPanelProc;
  win::HWND FFrame = nullptr;
  std::map<win::HWND, Panel> FPanels;
  std::map<win::HWND, win::RECT> FShadowed;  // where each panel's shadow was last painted
  bool FActive = false;
  Drag FDrag;
};

}  // namespace demo
