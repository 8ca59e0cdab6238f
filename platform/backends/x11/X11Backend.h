#pragma once
// The backend that shows the window system's top-level windows on an X server. Each top-level
// window is one undecorated X window showing the window's retained surface; X input becomes the
// backend events the window manager turns into messages.

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/backends/x11/X11Clipboard.h"
#include "platform/backends/x11/X11Display.h"
#include "platform/backends/x11/X11Keyboard.h"
#include "platform/backends/x11/X11Window.h"
#include "platform/windows/Backend.h"

namespace win {

// Registers the X11 backend under "x11" (see CreateBackend).
void RegisterX11Backend();

namespace x11 {

class X11Backend final : public Backend {
 public:
  // Connects to $DISPLAY; throws Exception when there is no X server.
  X11Backend();
  ~X11Backend() override;

  std::string_view Name() const override { return "x11"; }
  void Attach(BackendSink* sink) override { FSink = sink; }

  void WindowCreated(HWND hwnd, const TopLevelInfo& info, const Bitmap& surface) override;
  void WindowDestroyed(HWND hwnd) override;
  void WindowMoved(HWND hwnd, const RECT& bounds) override;
  void WindowShown(HWND hwnd, bool activate) override;
  void WindowHidden(HWND hwnd) override;
  void WindowTitleChanged(HWND hwnd, StringView title) override;
  void ZOrderChanged(const std::vector<HWND>& topToBottom) override;
  void RegionChanged(HWND hwnd, const std::vector<RECT>* bounding,
                     const std::vector<RECT>* input) override;
  void LayeredChanged(HWND hwnd, const LayeredPicture& layered) override;
  void SurfaceDamaged(HWND hwnd, const RECT& rect) override;
  void ActivateWindow(HWND hwnd) override;
  void CaptureChanged(HWND hwnd) override;

  void SetCursorShape(CursorShape shape) override;
  POINT CursorPos() const override;
  void SetCursorPos(POINT p) override;

  LockStates QueryLockStates() const override;

  void PollEvents() override;
  WaitResult WaitForEvents(std::optional<uint64_t> timeoutMs) override;
  void Wake() override { FDisplay->Wake(); }
  Clock& GetClock() override { return FClock; }

  ClipboardData GetClipboard() override;
  void SetClipboard(const ClipboardData& data) override;

  SIZE ScreenSize() const override;
  RECT WorkArea() const override;
  bool LayeredWindowsAvailable() const override;
  void Beep() override;

  // For tests and tools that look at the real windows.
  X11Display& Connection() { return *FDisplay; }
  XWindow XWindowOf(HWND hwnd) const;

 private:
  struct Top {
    HWND hwnd = nullptr;
    TopLevelInfo info;
    const Bitmap* surface = nullptr;
    std::unique_ptr<X11Window> window;
    bool shown = false;
    std::optional<Bitmap> picture;  // premultiplied, constant alpha applied
    uint8_t constantAlpha = 255;
    bool layered = false;
    std::optional<std::vector<RECT>> bounding, input;
    RECT exposed{};  // gathered until the last Expose of a series
    struct Request { RECT bounds; uint64_t timeMs; };
    std::deque<Request> requests;  // bounds we asked for and the server has not confirmed yet
  };

  Top* Find(HWND hwnd);
  Top* FindX(XWindow window);
  void MakeWindow(Top& top);
  void Present(Top& top, const RECT& rect);
  int DeliverPending();
  void Deliver(BackendEvent& event);
  void Dispatch(XEvent& event);
  void OnConfigure(Top& top, const XEvent& event);
  void OnButton(Top& top, const XEvent& event);
  void OnKey(Top& top, XEvent& event);
  void FillPointer(BackendEvent& e, Top& top, int rootX, int rootY, unsigned int state);
  bool NextIsFocusInOfOurs();
  void Restack();

  std::unique_ptr<X11Display> FDisplay;
  std::unique_ptr<LockReader> FLocks;
  std::unique_ptr<X11Clipboard> FClipboard;
  RealClock FClock;
  BackendSink* FSink = nullptr;
  std::map<HWND, std::unique_ptr<Top>> FTops;
  std::map<XWindow, Top*> FByX;
  std::vector<HWND> FZOrder;  // the window system's stacking, topmost first
  std::map<CursorShape, unsigned long> FCursors;
  unsigned long FCursor = 0;
  HWND FCapture = nullptr;
  std::set<unsigned int> FKeysDown;
  unsigned long FLastTime = 0;
  std::optional<POINT> FWarped;
  Bitmap FStaging;
  int FDelivered = 0;
};

}  // namespace x11
}  // namespace win
