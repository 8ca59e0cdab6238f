#pragma once
// The program's stand-in until the editor exists: one top-level window that draws its own frame,
// holding a few panels that can be moved, resized, clicked and typed into. It talks to the
// backend directly and paints its retained surface itself; everything it draws is composed in
// that surface and then presented in one piece, as the system's windows are.

#include <memory>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"
#include "platform/graphics/Bitmap.h"
#include "platform/windows/Backend.h"

namespace demo {

struct Panel {
  enum class Kind { Counter, Note, Swatch };
  Kind kind = Kind::Counter;
  String title;
  win::RECT rect;  // in the window's coordinates
  int clicks = 0;
  String text;
  int colour = 0;
};

class Demo final : public win::BackendSink {
 public:
  explicit Demo(win::Backend& backend);
  ~Demo() override;

  // Runs until the window is closed; answers the exit code.
  int Run();
  void OnBackendEvent(const win::BackendEvent& event) override;

  const win::Bitmap& Surface() const { return FSurface; }
  const std::vector<Panel>& Panels() const { return FPanels; }
  bool Closed() const { return FClosed; }

 private:
  enum class Drag { None, MoveWindow, SizeWindow, MovePanel, SizePanel };

  void Paint();
  void PaintPanel(void* cairo, const Panel& panel, bool focused);
  void Present();
  void OnButtonDown(win::POINT local);
  void OnMouseMove(win::POINT screen);
  void OnKey(const win::BackendEvent& event);
  void SetBounds(const win::RECT& bounds);
  void Close();
  win::RECT CloseBox() const;
  win::RECT Client() const;

  win::Backend& FBackend;
  win::HWND FWindow;
  win::RECT FBounds;
  win::Bitmap FSurface;
  std::vector<Panel> FPanels;  // the last one is on top
  int FFocus = -1;             // index of the panel taking keys
  bool FActive = false;
  bool FClosed = false;

  Drag FDrag = Drag::None;
  int FDragPanel = -1;
  win::POINT FDragStart;   // screen point where the drag began
  win::RECT FDragRect;     // the dragged thing's rectangle then
};

}  // namespace demo
