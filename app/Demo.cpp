#include "app/Demo.h"

#include <algorithm>
#include <vector>

#include "app/DemoPaint.h"
#include "platform/base/Errors.h"
#include "platform/windows/Backend.h"
#include "platform/windows/Metrics.h"

namespace demo {

using namespace win;

namespace {

constexpr const char16_t* kFrameClass = u"QuilletDemoFrame";
constexpr const char16_t* kPanelClass = u"QuilletDemoPanel";
constexpr int kMinWidth = 360, kMinHeight = 240;
constexpr int kMinPanel = 90;
constexpr int kShadow = 3;  // how far a panel's shadow reaches right and down

POINT ClientPoint(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

bool Inside(const RECT& r, POINT p) { return PtInRect(&r, p); }

SIZE ClientSize(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return {r.Width(), r.Height()};
}

bool IsLockKey(WPARAM vk) { return vk == VK_CAPITAL || vk == VK_NUMLOCK || vk == VK_SCROLL; }

// Removes the last character, both halves of a surrogate pair together.
void Backspace(String& text) {
  if (text.empty()) return;
  const bool pair = text.size() >= 2 && text.back() >= 0xDC00 && text.back() <= 0xDFFF &&
                    text[text.size() - 2] >= 0xD800 && text[text.size() - 2] <= 0xDBFF;
  text.resize(text.size() - (pair ? 2 : 1));
}

Panel MakePanel(Panel::Kind kind, String title) {
  Panel p;
  p.kind = kind;
  p.title = std::move(title);
  return p;
}

}  // namespace

Demo::Demo()
    : FFrameProc([this](HWND h, UINT m, WPARAM w, LPARAM l) { return FrameProc(h, m, w, l); }),
      FPanelProc([this](HWND h, UINT m, WPARAM w, LPARAM l) { return PanelProc(h, m, w, l); }) {
  WNDCLASSEXW frame;
  frame.lpfnWndProc = FFrameProc.Get();
  frame.lpszClassName = kFrameClass;
  frame.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_ARROW));
  WNDCLASSEXW panel;
  panel.style = CS_DBLCLKS;
  panel.lpfnWndProc = FPanelProc.Get();
  panel.lpszClassName = kPanelClass;
  panel.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_ARROW));
  if (!RegisterClassExW(&frame) || !RegisterClassExW(&panel))
    throw Exception(u"Cannot register the demo's window classes.");

  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = std::min(760, work.Width()), height = std::min(520, work.Height());
  FFrame = CreateWindowExW(WS_EX_APPWINDOW, kFrameClass, u"Quillet",
                           WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX,
                           work.left + (work.Width() - width) / 2,
                           work.top + (work.Height() - height) / 2, width, height, nullptr,
                           nullptr, nullptr, nullptr);
  if (!FFrame) throw Exception(u"Cannot create the demo's window.");

  struct Spec { Panel::Kind kind; const char16_t* title; RECT rect; };
  const Spec specs[] = {
      {Panel::Kind::Counter, u"Button", Bounds(24, kCaption + 24, 200, 130)},
      {Panel::Kind::Note, u"Note", Bounds(250, kCaption + 24, 300, 200)},
      {Panel::Kind::Swatch, u"Colour", Bounds(80, kCaption + 190, 180, 140)},
  };
  for (const Spec& s : specs) {
    HWND hwnd = CreateWindowExW(0, kPanelClass, s.title, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                s.rect.left, s.rect.top, s.rect.Width(), s.rect.Height(), FFrame,
                                nullptr, nullptr, nullptr);
    if (!hwnd) throw Exception(u"Cannot create the demo's panels.");
    FPanels[hwnd] = MakePanel(s.kind, s.title);
    // Each panel lies on the ones made before it.
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

Demo::~Demo() {
  if (IsWindow(FFrame)) DestroyWindow(FFrame);
  UnregisterClassW(kPanelClass, nullptr);
  UnregisterClassW(kFrameClass, nullptr);
}

int Demo::Run() {
  ShowWindow(FFrame, SW_SHOWNORMAL);
  UpdateWindow(FFrame);
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return int(msg.wParam);
    if (got < 0) return 1;  // no input can ever arrive any more
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

RECT Demo::PanelRect(HWND hwnd) const {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, FFrame, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Demo::InvalidateStatus() {
  const SIZE size = ClientSize(FFrame);
  const RECT status = Rect(0, size.cy - 1 - kStatus, size.cx, size.cy);
  InvalidateRect(FFrame, &status, FALSE);
}

void Demo::PanelMoved(HWND hwnd) {
  // The window system repaints what a moved child uncovers; its shadow lies outside it, so the
  // old and the new shadow are asked for here.
  RECT now = PanelRect(hwnd);
  now.right += kShadow;
  now.bottom += kShadow;
  auto it = FShadowed.find(hwnd);
  if (it != FShadowed.end()) InvalidateRect(FFrame, &it->second, FALSE);
  InvalidateRect(FFrame, &now, FALSE);
  FShadowed[hwnd] = now;
}

LRESULT Demo::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCHITTEST: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(hwnd, &p);
      const SIZE size = ClientSize(hwnd);
      if (Inside(CloseBox(size.cx), p)) return HTCLIENT;
      if (p.y >= 0 && p.y < kCaption) return HTCAPTION;
      if (Inside(FrameGrip(size.cx, size.cy), p)) return HTBOTTOMRIGHT;
      return HTCLIENT;
    }
    case WM_LBUTTONDOWN:
      if (Inside(CloseBox(ClientSize(hwnd).cx), ClientPoint(lParam))) {
        PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
      }
      SetFocus(hwnd);  // a click on the desk takes the keys away from the note
      return 0;
    case WM_GETMINMAXINFO: {
      auto* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
      mmi->ptMinTrackSize = {kMinWidth, kMinHeight};
      return 0;
    }
    case WM_ACTIVATE:
      FActive = LOWORD(wParam) != WA_INACTIVE;
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (IsLockKey(wParam)) InvalidateStatus();
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      const SIZE size = ClientSize(hwnd);
      FrameView view;
      view.width = size.cx;
      view.height = size.cy;
      view.active = FActive;
      view.capsLock = GetKeyState(VK_CAPITAL) & 1;
      view.numLock = GetKeyState(VK_NUMLOCK) & 1;
      view.scrollLock = GetKeyState(VK_SCROLL) & 1;
      std::vector<RECT> shadows;
      for (const auto& [panel, state] : FPanels) shadows.push_back(PanelRect(panel));
      PaintFrame(dc, view, shadows);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Demo::PanelClicked(HWND hwnd, Panel& panel, POINT client) {
  // A clicked panel comes to the top of the desk.
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const SIZE size = ClientSize(hwnd);
  const bool onTitle = Inside(PanelCaption(size.cx), client);
  const bool onGrip = Inside(PanelGrip(size.cx, size.cy), client);
  if (onTitle || onGrip) {
    FDrag.panel = hwnd;
    FDrag.sizing = onGrip;
    FDrag.start = client;
    ClientToScreen(hwnd, &FDrag.start);
    FDrag.from = PanelRect(hwnd);
    SetCapture(hwnd);
    return;
  }
  switch (panel.kind) {
    case Panel::Kind::Counter:
      ++panel.clicks;
      break;
    case Panel::Kind::Swatch:
      panel.colour = (panel.colour + 1) % kSwatchCount;
      break;
    case Panel::Kind::Note:
      SetFocus(hwnd);
      return;
  }
  SetFocus(FFrame);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void Demo::PanelChar(HWND hwnd, Panel& panel, char16_t c) {
  if (panel.kind != Panel::Kind::Note) return;
  switch (c) {
    case 0x03: {  // Ctrl+C
      ClipboardData data;
      data.text = panel.text;
      CurrentBackend().SetClipboard(data);
      return;
    }
    case 0x16:  // Ctrl+V
      if (std::optional<String> text = CurrentBackend().GetClipboard().text) panel.text += *text;
      break;
    case 0x08:
      Backspace(panel.text);
      break;
    case 0x0D:
      panel.text += u'\n';
      break;
    case 0x1B:
      SetFocus(FFrame);
      return;
    default:
      if (c < 0x20 && c != u'\t') return;
      panel.text += c;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT Demo::PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto it = FPanels.find(hwnd);
  if (it == FPanels.end()) return DefWindowProcW(hwnd, msg, wParam, lParam);
  Panel& panel = it->second;
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      PanelClicked(hwnd, panel, ClientPoint(lParam));
      return 0;
    case WM_MOUSEMOVE: {
      if (FDrag.panel != hwnd || GetCapture() != hwnd) return 0;
      POINT p = ClientPoint(lParam);  // may be negative while captured
      ClientToScreen(hwnd, &p);
      const int dx = p.x - FDrag.start.x, dy = p.y - FDrag.start.y;
      if (FDrag.sizing) {
        SetWindowPos(hwnd, nullptr, 0, 0, std::max(kMinPanel, FDrag.from.Width() + dx),
                     std::max(kMinPanel, FDrag.from.Height() + dy),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        // The title strip stays on the desk, so the panel can always be caught again.
        const SIZE frame = ClientSize(FFrame);
        const RECT desk = Desk(frame.cx, frame.cy);
        const int x = std::clamp(FDrag.from.left + dx, desk.left - FDrag.from.Width() + 40, desk.right - 40);
        const int y = std::clamp(FDrag.from.top + dy, desk.top, desk.bottom - kPanelCaption);
        SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
    }
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      FDrag = Drag{};
      return 0;
    case WM_WINDOWPOSCHANGED:
      PanelMoved(hwnd);
      break;
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CHAR:
      PanelChar(hwnd, panel, char16_t(wParam));
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (IsLockKey(wParam)) InvalidateStatus();
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      const SIZE size = ClientSize(hwnd);
      PaintPanel(dc, panel, size.cx, size.cy, GetFocus() == hwnd);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace demo
