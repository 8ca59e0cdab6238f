#include "platform/backends/headless/HeadlessBackend.h"

#include <algorithm>

#include "platform/base/Colors.h"
#include "platform/windows/VirtualKeys.h"
#include "platform/windows/Windows.h"

namespace win {

namespace {

// The key and Shift state that types a character on a US layout; vk 0 when there is none.
struct KeyFor {
  uint32_t vk = 0;
  bool shift = false;
};

KeyFor KeyForChar(char16_t c) {
  if (c >= 'a' && c <= 'z') return {uint32_t(c - 'a' + 'A'), false};
  if (c >= 'A' && c <= 'Z') return {uint32_t(c), true};
  if (c >= '0' && c <= '9') return {uint32_t(c), false};
  static const char16_t* const kShiftedDigits = u")!@#$%^&*(";
  for (int i = 0; i < 10; ++i)
    if (kShiftedDigits[i] == c) return {uint32_t('0' + i), true};
  struct Punct {
    char16_t plain, shifted;
    uint32_t vk;
  };
  static const Punct kPunct[] = {
      {';', ':', VK_OEM_1},      {'=', '+', VK_OEM_PLUS},   {',', '<', VK_OEM_COMMA},
      {'-', '_', VK_OEM_MINUS},  {'.', '>', VK_OEM_PERIOD}, {'/', '?', VK_OEM_2},
      {'`', '~', VK_OEM_3},      {'[', '{', VK_OEM_4},      {'\\', '|', VK_OEM_5},
      {']', '}', VK_OEM_6},      {'\'', '"', VK_OEM_7},
  };
  for (const Punct& p : kPunct) {
    if (p.plain == c) return {p.vk, false};
    if (p.shifted == c) return {p.vk, true};
  }
  switch (c) {
    case ' ': return {VK_SPACE, false};
    case '\r': case '\n': return {VK_RETURN, false};
    case '\t': return {VK_TAB, false};
    case '\b': return {VK_BACK, false};
    default: return {};
  }
}

uint32_t ScanCodeFor(uint32_t vk) {
  // A plausible scan code is enough: nothing above reads them beyond passing them on.
  switch (vk) {
    case VK_ESCAPE: return 0x01;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL: return 0x1D;
    case VK_SHIFT: return 0x2A;
    case VK_MENU: return 0x38;
    case VK_SPACE: return 0x39;
    case VK_CAPITAL: return 0x3A;
    default: return vk & 0x7F;
  }
}

uint8_t BlendChannel(uint8_t src, uint8_t dst, uint8_t alpha) {
  return uint8_t(src + (dst * (255 - alpha) + 127) / 255);
}

bool InsideAny(const std::vector<RECT>& rects, POINT p) {
  return std::any_of(rects.begin(), rects.end(), [&](const RECT& r) { return PtInRect(&r, p); });
}

}  // namespace

HeadlessBackend::HeadlessBackend() = default;

void HeadlessBackend::SetScreenSize(SIZE size) {
  FScreen = SIZE{std::clamp(size.cx, 1, kMaxBitmapSide), std::clamp(size.cy, 1, kMaxBitmapSide)};
  FWorkArea = RECT{0, 0, FScreen.cx, FScreen.cy};
}

void HeadlessBackend::WindowCreated(HWND hwnd, const TopLevelInfo& info, const Bitmap& surface) {
  Mirror& m = FWindows[hwnd];
  m.bounds = info.bounds;
  m.surface = &surface;
  m.layered = info.layered;
  m.title = info.title;
}

void HeadlessBackend::WindowDestroyed(HWND hwnd) {
  FWindows.erase(hwnd);
  FZOrder.erase(std::remove(FZOrder.begin(), FZOrder.end(), hwnd), FZOrder.end());
  if (FGrab == hwnd) FGrab = nullptr;
  if (FActivated == hwnd) FActivated = nullptr;
}

void HeadlessBackend::WindowMoved(HWND hwnd, const RECT& bounds) {
  if (auto it = FWindows.find(hwnd); it != FWindows.end()) it->second.bounds = bounds;
}

void HeadlessBackend::WindowShown(HWND hwnd, bool) {
  if (auto it = FWindows.find(hwnd); it != FWindows.end()) it->second.visible = true;
}

void HeadlessBackend::WindowHidden(HWND hwnd) {
  if (auto it = FWindows.find(hwnd); it != FWindows.end()) it->second.visible = false;
}

void HeadlessBackend::WindowTitleChanged(HWND hwnd, StringView title) {
  if (auto it = FWindows.find(hwnd); it != FWindows.end()) it->second.title = String(title);
}

void HeadlessBackend::ZOrderChanged(const std::vector<HWND>& topToBottom) { FZOrder = topToBottom; }

void HeadlessBackend::RegionChanged(HWND hwnd, const std::vector<RECT>* bounding,
                                    const std::vector<RECT>*) {
  auto it = FWindows.find(hwnd);
  if (it == FWindows.end()) return;
  if (bounding) it->second.bounding = *bounding;
  else it->second.bounding.reset();
}

void HeadlessBackend::LayeredChanged(HWND hwnd, const LayeredPicture& layered) {
  auto it = FWindows.find(hwnd);
  if (it == FWindows.end()) return;
  Mirror& m = it->second;
  m.layered = true;
  m.constantAlpha = layered.constantAlpha;
  m.hasPicture = layered.picture != nullptr;
  if (layered.picture) m.picture = *layered.picture;
}

void HeadlessBackend::SurfaceDamaged(HWND, const RECT&) { ++FDamageCount; }

bool HeadlessBackend::IsShown(HWND hwnd) const {
  auto it = FWindows.find(hwnd);
  return it != FWindows.end() && it->second.visible;
}

Bitmap HeadlessBackend::Screenshot() const {
  Bitmap screen(FScreen.cx, FScreen.cy);
  COLORREF desk = GetSysColor(COLOR_BACKGROUND);
  Bgra deskPixel{GetBValue(desk), GetGValue(desk), GetRValue(desk), 255};
  for (int y = 0; y < screen.Height(); ++y)
    std::fill_n(screen.Row32(y), screen.Width(), deskPixel);
  for (auto it = FZOrder.rbegin(); it != FZOrder.rend(); ++it) {
    auto found = FWindows.find(*it);
    if (found == FWindows.end() || !found->second.visible) continue;
    const Mirror& m = found->second;
    const Bitmap* src = m.hasPicture ? &m.picture : m.surface;
    if (!src || src->Empty()) continue;
    int x0 = std::max(0, int(m.bounds.left)), y0 = std::max(0, int(m.bounds.top));
    int x1 = std::min({int(FScreen.cx), int(m.bounds.left) + src->Width()});
    int y1 = std::min({int(FScreen.cy), int(m.bounds.top) + src->Height()});
    for (int y = y0; y < y1; ++y) {
      Bgra* out = screen.Row32(y);
      const Bgra* in = src->Row32(y - m.bounds.top);
      for (int x = x0; x < x1; ++x) {
        POINT local{x - m.bounds.left, y - m.bounds.top};
        if (m.bounding && !InsideAny(*m.bounding, local)) continue;
        Bgra s = in[local.x];
        if (!m.layered) {
          out[x] = Bgra{s.b, s.g, s.r, 255};
          continue;
        }
        // Premultiplied picture, or the surface (straight alpha, taken as opaque) with the
        // constant alpha.
        uint8_t ca = m.constantAlpha;
        uint8_t sb = s.b, sg = s.g, sr = s.r;
        uint8_t sa = m.hasPicture ? s.a : 255;
        sb = uint8_t((sb * ca + 127) / 255);
        sg = uint8_t((sg * ca + 127) / 255);
        sr = uint8_t((sr * ca + 127) / 255);
        sa = uint8_t((sa * ca + 127) / 255);
        out[x] = Bgra{BlendChannel(sb, out[x].b, sa), BlendChannel(sg, out[x].g, sa),
                      BlendChannel(sr, out[x].r, sa), 255};
      }
    }
  }
  return screen;
}

Bgra HeadlessBackend::ScreenPixel(int x, int y) const {
  Bitmap s = Screenshot();
  if (x < 0 || y < 0 || x >= s.Width() || y >= s.Height()) return Bgra{};
  return s.Pixel32(x, y);
}

// ---------------------------------------------------------------------------------------------
// Events and the script

void HeadlessBackend::Queue(BackendEvent ev) { FEvents.push_back(std::move(ev)); }

Modifiers HeadlessBackend::HeldModifiers() const {
  auto held = [&](uint32_t vk) {
    auto it = FHeldKeys.find(vk);
    return it != FHeldKeys.end() && it->second;
  };
  return Modifiers{held(VK_SHIFT), held(VK_CONTROL), held(VK_MENU)};
}

BackendEvent HeadlessBackend::MakeEvent(BackendEvent::Kind kind) {
  BackendEvent ev;
  ev.kind = kind;
  ev.point = FCursor;
  ev.modifiers = HeldModifiers();
  ev.locks = FLocks;
  ev.timeMs = FClock.NowMs();
  return ev;
}

void HeadlessBackend::MoveTo(POINT p) {
  FCursor = p;
  Queue(MakeEvent(BackendEvent::Kind::MouseMove));
}

void HeadlessBackend::Press(MouseButton button) {
  BackendEvent ev = MakeEvent(BackendEvent::Kind::ButtonDown);
  ev.button = button;
  Queue(ev);
}

void HeadlessBackend::Release(MouseButton button) {
  BackendEvent ev = MakeEvent(BackendEvent::Kind::ButtonUp);
  ev.button = button;
  Queue(ev);
}

void HeadlessBackend::Click(POINT p, MouseButton button) {
  MoveTo(p);
  Press(button);
  Release(button);
}

void HeadlessBackend::DoubleClick(POINT p, MouseButton button) {
  Click(p, button);
  FClock.Advance(50);
  Press(button);
  Release(button);
}

void HeadlessBackend::Wheel(int delta) {
  BackendEvent ev = MakeEvent(BackendEvent::Kind::Wheel);
  ev.wheelDelta = delta;
  Queue(ev);
}

void HeadlessBackend::KeyDown(uint32_t vk, StringView text, bool extended) {
  if (vk == VK_CAPITAL && !FHeldKeys[vk]) FLocks.capsLock = !FLocks.capsLock;
  if (vk == VK_NUMLOCK && !FHeldKeys[vk]) FLocks.numLock = !FLocks.numLock;
  if (vk == VK_SCROLL && !FHeldKeys[vk]) FLocks.scrollLock = !FLocks.scrollLock;
  BackendEvent ev = MakeEvent(BackendEvent::Kind::KeyDown);
  ev.virtualKey = vk;
  ev.scanCode = ScanCodeFor(vk);
  ev.extended = extended;
  ev.repeat = FHeldKeys[vk];
  ev.text = String(text);
  FHeldKeys[vk] = true;
  Queue(ev);
}

void HeadlessBackend::KeyUp(uint32_t vk, bool extended) {
  FHeldKeys[vk] = false;
  BackendEvent ev = MakeEvent(BackendEvent::Kind::KeyUp);
  ev.virtualKey = vk;
  ev.scanCode = ScanCodeFor(vk);
  ev.extended = extended;
  Queue(ev);
}

void HeadlessBackend::Key(uint32_t vk, StringView text) {
  KeyDown(vk, text);
  KeyUp(vk);
}

void HeadlessBackend::TypeText(StringView text) {
  for (char16_t c : text) {
    KeyFor k = KeyForChar(c);
    String typed(1, c == '\n' ? u'\r' : c);
    if (!k.vk) {
      Key(VK_PACKET, typed);
      continue;
    }
    bool needShift = k.shift && !HeldModifiers().shift;
    if (needShift) KeyDown(VK_SHIFT);
    Key(k.vk, typed);
    if (needShift) KeyUp(VK_SHIFT);
  }
}

void HeadlessBackend::Script(std::function<void()> step) {
  if (step) FSteps.push_back(std::move(step));
}

void HeadlessBackend::ScriptWait(uint64_t ms) {
  FSteps.push_back([this, ms] { FHoldUntil = FClock.NowMs() + ms; });
}

void HeadlessBackend::PollEvents() {
  while (!FEvents.empty() && FSink) {
    BackendEvent ev = std::move(FEvents.front());
    FEvents.pop_front();
    FSink->OnBackendEvent(ev);
  }
}

WaitResult HeadlessBackend::WaitForEvents(std::optional<uint64_t> timeoutMs) {
  if (FWoken.exchange(false)) return WaitResult::Woken;
  if (!FEvents.empty()) {
    PollEvents();
    return WaitResult::Events;
  }
  if (FHoldUntil) {
    uint64_t now = FClock.NowMs();
    if (now < *FHoldUntil) {
      uint64_t step = timeoutMs ? std::min(*timeoutMs, *FHoldUntil - now) : *FHoldUntil - now;
      FClock.Advance(step);
      return WaitResult::Timeout;
    }
    FHoldUntil.reset();
  }
  if (!FSteps.empty()) {
    std::function<void()> step = std::move(FSteps.front());
    FSteps.pop_front();
    step();
    PollEvents();
    return WaitResult::Events;
  }
  if (timeoutMs) {
    FClock.Advance(*timeoutMs);
    return WaitResult::Timeout;
  }
  return WaitResult::Starved;
}

// ---------------------------------------------------------------------------------------------
// Installation and helpers

void RegisterHeadlessBackend() {
  RegisterBackend("headless", [] { return std::make_unique<HeadlessBackend>(); });
}

HeadlessBackend& InstallHeadlessBackend() {
  RegisterHeadlessBackend();
  auto backend = std::make_unique<HeadlessBackend>();
  HeadlessBackend& ref = *backend;
  InstallBackend(std::move(backend));
  return ref;
}

namespace {

HWND FindInTree(HWND start, const std::function<bool(HWND)>& match) {
  for (HWND h = start; h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (match(h)) return h;
    if (HWND inner = FindInTree(GetWindow(h, GW_CHILD), match)) return inner;
  }
  return nullptr;
}

HWND FirstTopLevel() {
  HWND first = nullptr;
  EnumWindows([&](HWND h, LPARAM) {
    first = h;
    return FALSE;
  }, 0);
  return first;
}

}  // namespace

HWND FindWindowByClass(StringView className) {
  return FindInTree(FirstTopLevel(), [&](HWND h) { return SameTextAscii(GetClassName(h), className); });
}

HWND FindWindowByText(StringView text) {
  return FindInTree(FirstTopLevel(), [&](HWND h) { return GetWindowText(h) == text; });
}

POINT WindowCenter(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool ClickChildByText(HeadlessBackend& backend, HWND parent, StringView text) {
  HWND child = FindInTree(GetWindow(parent, GW_CHILD), [&](HWND h) { return GetWindowText(h) == text; });
  if (!child) return false;
  backend.Click(WindowCenter(child));
  return true;
}

}  // namespace win
