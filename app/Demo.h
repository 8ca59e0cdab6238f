#pragma once
// The program's stand-in until the editor exists: one top-level window that draws its own frame,
// holding a few panels that can be moved, resized, clicked and typed into. It talks to the
// backend directly and paints its retained surface with the drawing layer; everything is
// composed in that surface and then presented in one piece, as the system's windows are.

#include "app/DemoScene.h"
#include "platform/graphics/Bitmap.h"
#include "platform/windows/Backend.h"

namespace demo {

class Demo final : public win::BackendSink {
 public:
  explicit Demo(win::Backend& backend);
  ~Demo() override;

  // Runs until the window is closed; answers the exit code.
  int Run();
  void OnBackendEvent(const win::BackendEvent& event) override;

 private:
  enum class Drag { None, MoveWindow, SizeWindow, MovePanel, SizePanel };

  void Repaint();
  void OnButtonDown(win::POINT local);
  void OnMouseMove(win::POINT screen);
  void OnKey(const win::BackendEvent& event);
  void SetBounds(const win::RECT& bounds);
  void Close();

  win::Backend& FBackend;
  win::HWND FWindow;
  win::RECT FBounds;
  win::Bitmap FSurface;
  Scene FScene;
  bool FClosed = false;

  Drag FDrag = Drag::None;
  int FDragPanel = -1;
  win::POINT FDragStart;  // screen point where the drag began
  win::RECT FDragRect;    // the dragged thing's rectangle then
};

}  // namespace demo
