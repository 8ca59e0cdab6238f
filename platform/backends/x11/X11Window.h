#pragma once
// One X window standing for one top-level window of the window system. The system draws every
// frame itself, so the X window carries no decorations; its pixels come from the top-level
// window's retained 32-bit surface, copied to the server through shared memory where the server
// allows it and through plain images otherwise.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/backends/x11/X11Display.h"
#include "platform/base/Geometry.h"
#include "platform/base/Strings.h"
#include "platform/graphics/Bitmap.h"

typedef struct _XIC* XIC;
typedef struct _XImage XImage;
typedef struct _XGC* GC;

namespace win::x11 {

// How the desktop's window manager should treat the window.
enum class WindowKind : uint8_t {
  Normal,  // an application window: managed, in the task bar
  Tool,    // managed, kept out of the task bar (tool windows, owned windows)
  Popup,   // menus, drop-downs, tips, shadows: not managed, placed exactly, never decorated
};

struct WindowOptions {
  RECT bounds{0, 0, 1, 1};  // screen coordinates
  WindowKind kind = WindowKind::Normal;
  bool layered = false;     // per-pixel alpha through a 32-bit visual when a compositor runs
  bool topmost = false;
  XWindow transientFor = 0;  // the owner's X window, kept above it by the window manager
  String title;
};

class X11Window {
 public:
  X11Window(X11Display& display, const WindowOptions& options);
  ~X11Window();
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  XWindow Id() const { return FWindow; }
  XIC InputContext() const { return FInputContext; }
  // True when the window has an alpha channel the screen honours.
  bool Translucent() const { return FTranslucent; }

  // Screen bounds as last set or as last reported by the server.
  const RECT& Bounds() const { return FBounds; }
  void SetBounds(const RECT& bounds);
  // The screen bounds a ConfigureNotify tells of (`synthetic`: sent by a window manager, in root
  // coordinates; else relative to the parent, which may be a window manager's frame).
  RECT ReportedBounds(int x, int y, int width, int height, bool synthetic) const;
  // Takes bounds the desktop's window manager gave the window.
  void NoteBounds(const RECT& bounds) { FBounds = bounds; }

  void Show(bool activate);
  void Hide();
  void NoteMapped(bool mapped);
  void Activate();
  void SetTitle(StringView title);

  // Copies the damaged part of the top-level window's surface to the screen. The surface has the
  // window's size; alpha is ignored unless the window is translucent, where the surface must
  // hold premultiplied pixels. Parts of `damage` outside the surface are ignored.
  void Present(const Bitmap& surface, const RECT& damage);
  // Called when the server reports that a shared-memory copy finished.
  void NoteShmCompletion() { FShmBusy = false; }

  // The visible outline and the part that takes mouse input, as rectangles in window
  // coordinates; nullptr gives back the whole window.
  void SetBoundingShape(const std::vector<RECT>* rects);
  void SetInputShape(const std::vector<RECT>* rects);
  // A further cut of the visible outline: the opaque part of a layered window's picture where
  // no compositor can show translucency (nullptr: none).
  void SetAlphaShape(const std::vector<RECT>* rects);

 private:
  void ApplyKindHints(const WindowOptions& options);
  void ApplySizeHints();
  void ApplyShapes();
  bool EnsureShmImage(int width, int height);
  void ReleaseShmImage();
  void WaitShmIdle();
  void CopyPixels(const Bitmap& surface, const RECT& r, XImage* image, int imageX, int imageY);

  X11Display& FDisplay;
  XWindow FWindow = 0;
  unsigned long FColormap = 0;
  GC FGc = nullptr;
  XIC FInputContext = nullptr;
  XVisualPtr FVisual = nullptr;
  int FDepth = 0;
  WindowKind FKind = WindowKind::Normal;
  bool FTranslucent = false;
  bool FMapped = false;
  bool FWantFocus = false;
  RECT FBounds{};

  // Bounding shape set by the window system, and the one cut from alpha-0 pixels of a layered
  // window that has no compositor to show translucency; the two are intersected.
  std::unique_ptr<std::vector<RECT>> FRegionShape;
  std::unique_ptr<std::vector<RECT>> FAlphaShape;
  std::unique_ptr<std::vector<RECT>> FInputShape;

  struct ShmState;
  std::unique_ptr<ShmState> FShm;
  bool FShmBroken = false;
  bool FShmBusy = false;
};

// Rectangles covering the pixels of a 32-bit picture whose alpha is not zero, in rows of runs
// merged with the row above where they match (the usual banded form).
std::vector<RECT> OpaqueRects(const Bitmap& picture);

}  // namespace win::x11
