#pragma once
// The in-memory backend for tests: a screen composed from the top-level surfaces, scripted
// input, a virtual clock and an in-process clipboard. When the user-interface thread would wait
// for input, the next scripted step runs, so a test can drive a modal loop as a person would.

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/windows/Backend.h"

namespace win {

class HeadlessBackend final : public Backend {
 public:
  HeadlessBackend();

  // --- Backend ---
  std::string_view Name() const override { return "headless"; }
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
  void ActivateWindow(HWND hwnd) override { FActivated = hwnd; }
  void CaptureChanged(HWND hwnd) override { FGrab = hwnd; }
  void SetCursorShape(CursorShape shape) override { FCursorShape = shape; }
  POINT CursorPos() const override { return FCursor; }
  void SetCursorPos(POINT p) override { FCursor = p; }
  LockStates QueryLockStates() const override { return FLocks; }
  void PollEvents() override;
  WaitResult WaitForEvents(std::optional<uint64_t> timeoutMs) override;
  void Wake() override { FWoken = true; }
  Clock& GetClock() override { return FClock; }
  ClipboardData GetClipboard() override { return FClipboard; }
  void SetClipboard(const ClipboardData& data) override { FClipboard = data; }
  SIZE ScreenSize() const override { return FScreen; }
  RECT WorkArea() const override { return FWorkArea; }
  bool LayeredWindowsAvailable() const override { return FLayeredAvailable; }
  void Beep() override { ++FBeeps; }

  // --- Set up by the test ---
  // A new screen size; the work area becomes the whole screen unless set afterwards.
  void SetScreenSize(SIZE size);
  void SetWorkArea(const RECT& area) { FWorkArea = area; }
  void SetLayeredWindowsAvailable(bool available) { FLayeredAvailable = available; }
  VirtualClock& VClock() { return FClock; }

  // --- Input, queued for the window manager's next look at the backend ---
  void MoveTo(POINT p);
  void Press(MouseButton button = MouseButton::Left);
  void Release(MouseButton button = MouseButton::Left);
  void Click(POINT p, MouseButton button = MouseButton::Left);
  // Two clicks 50 ms apart on the virtual clock.
  void DoubleClick(POINT p, MouseButton button = MouseButton::Left);
  void Wheel(int delta);
  // A key by virtual-key code; the text is what the key types (may be empty).
  void KeyDown(uint32_t vk, StringView text = {}, bool extended = false);
  void KeyUp(uint32_t vk, bool extended = false);
  // Presses and releases a key.
  void Key(uint32_t vk, StringView text = {});
  // Types text: letters, digits and common punctuation through their keys (with Shift where
  // needed), anything else as a key event carrying the character alone.
  void TypeText(StringView text);
  void SetLockStates(const LockStates& locks) { FLocks = locks; }

  // --- The script ---
  // A step runs when the user-interface thread would wait for input; steps run in order.
  void Script(std::function<void()> step);
  // A step that lets the virtual clock run for ms before the next step (timers fire meanwhile).
  void ScriptWait(uint64_t ms);
  size_t PendingSteps() const { return FSteps.size(); }

  // --- Looking at the screen ---
  // The composed screen: desktop colour, then every visible top-level window bottom to top,
  // clipped to its region; layered windows blended from their pictures. Alpha is 255.
  Bitmap Screenshot() const;
  Bgra ScreenPixel(int x, int y) const;
  CursorShape CurrentCursorShape() const { return FCursorShape; }
  HWND ActivatedWindow() const { return FActivated; }
  HWND GrabWindow() const { return FGrab; }
  int BeepCount() const { return FBeeps; }
  size_t DamageCount() const { return FDamageCount; }
  const std::vector<HWND>& ZOrder() const { return FZOrder; }
  bool IsShown(HWND hwnd) const;

 private:
  struct Mirror {
    RECT bounds;
    bool visible = false;
    const Bitmap* surface = nullptr;
    std::optional<std::vector<RECT>> bounding;
    bool layered = false;
    bool hasPicture = false;
    Bitmap picture;  // premultiplied
    uint8_t constantAlpha = 255;
    String title;
  };

  void Queue(BackendEvent ev);
  BackendEvent MakeEvent(BackendEvent::Kind kind);
  Modifiers HeldModifiers() const;

  BackendSink* FSink = nullptr;
  VirtualClock FClock;
  SIZE FScreen{1280, 800};
  RECT FWorkArea{0, 0, 1280, 800};
  bool FLayeredAvailable = true;
  std::map<HWND, Mirror> FWindows;
  std::vector<HWND> FZOrder;
  std::deque<BackendEvent> FEvents;
  std::deque<std::function<void()>> FSteps;
  std::optional<uint64_t> FHoldUntil;
  std::atomic<bool> FWoken{false};
  POINT FCursor{640, 400};
  LockStates FLocks;
  std::map<uint32_t, bool> FHeldKeys;
  ClipboardData FClipboard;
  CursorShape FCursorShape = CursorShape::Arrow;
  HWND FActivated = nullptr;
  HWND FGrab = nullptr;
  int FBeeps = 0;
  size_t FDamageCount = 0;
};

// Registers the "headless" factory.
void RegisterHeadlessBackend();
// Installs a fresh headless backend as the current one (destroying every window) and returns it.
HeadlessBackend& InstallHeadlessBackend();

// --- Test helpers ---
// The first window (top-level or child, in z-order, depth first) of a class or with a text.
HWND FindWindowByClass(StringView className);
HWND FindWindowByText(StringView text);
// The screen point at the centre of a window.
POINT WindowCenter(HWND hwnd);
// Queues a click at the centre of the descendant of parent whose text is text; false when there
// is none.
bool ClickChildByText(HeadlessBackend& backend, HWND parent, StringView text);

}  // namespace win
