#include "platform/windows/Metrics.h"

#include <algorithm>
#include <cstring>

#include "platform/windows/WindowManager.h"

namespace win {

namespace {

constexpr int kDoubleClickTimeMs = 500;
bool gAnimation = true;
HMONITOR const kPrimaryMonitor = reinterpret_cast<HMONITOR>(uintptr_t(0x4D4F4E31));


}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
      return Wm().GetBackend().ScreenSize().cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return Wm().GetBackend().ScreenSize().cy;
    case SM_CXFULLSCREEN: return Wm().GetBackend().WorkArea().Width();
    case SM_CYFULLSCREEN: return Wm().GetBackend().WorkArea().Height() - 23;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL: return 17;
    case SM_CYVTHUMB: case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CYMENU: return 20;
    case SM_CYSMCAPTION: return 17;
    case SM_CXSIZE: case SM_CYSIZE: return 19;
    case SM_CXSMSIZE: case SM_CYSMSIZE: return 13;
    case SM_CXMENUSIZE: case SM_CYMENUSIZE: return 19;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXMINTRACK: return 112;
    case SM_CYMINTRACK: return 27;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 28;
    case SM_CXMAXTRACK: return Wm().GetBackend().ScreenSize().cx + 12;
    case SM_CYMAXTRACK: return Wm().GetBackend().ScreenSize().cy + 12;
    case SM_CXMAXIMIZED: return Wm().GetBackend().WorkArea().Width() + 8;
    case SM_CYMAXIMIZED: return Wm().GetBackend().WorkArea().Height() + 8;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK: case SM_CYMENUCHECK: return 13;
    case SM_CXFOCUSBORDER: case SM_CYFOCUSBORDER: return 1;
    case SM_CMONITORS: case SM_MOUSEWHEELPRESENT: return 1;
    default: return 0;
  }
}

UINT GetDoubleClickTime() { return kDoubleClickTimeMs; }

BOOL SystemParametersInfoW(UINT action, UINT, void* pv, UINT) {
  if (!pv) return FALSE;
  switch (action) {
    case SPI_GETWORKAREA:
      *static_cast<RECT*>(pv) = Wm().GetBackend().WorkArea();
      return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
      auto* m = static_cast<NONCLIENTMETRICSW*>(pv);
      if (m->cbSize != sizeof(NONCLIENTMETRICSW)) return FALSE;
      *m = NONCLIENTMETRICSW{};
      m->iBorderWidth = 1;
      m->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
      m->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
      m->iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
      // The metric includes the caption's one-pixel bottom line.
      m->iCaptionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
      m->iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
      m->iSmCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION) - 1;
      m->iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
      m->iMenuHeight = GetSystemMetrics(SM_CYMENU) - 1;
      m->lfCaptionFont = MakeLogFont(u"Tahoma", -11, 700);
      m->lfSmCaptionFont = MakeLogFont(u"Tahoma", -11, 700);
      m->lfMenuFont = MakeLogFont(u"Tahoma", -11, 400);
      m->lfStatusFont = MakeLogFont(u"Tahoma", -11, 400);
      m->lfMessageFont = MakeLogFont(u"Tahoma", -11, 400);
      return TRUE;
    }
    case SPI_GETANIMATION: {
      auto* a = static_cast<ANIMATIONINFO*>(pv);
      if (a->cbSize != sizeof(ANIMATIONINFO)) return FALSE;
      a->iMinAnimate = gAnimation ? 1 : 0;
      return TRUE;
    }
    case SPI_SETANIMATION: {
      auto* a = static_cast<ANIMATIONINFO*>(pv);
      if (a->cbSize != sizeof(ANIMATIONINFO)) return FALSE;
      gAnimation = a->iMinAnimate != 0;
      return TRUE;
    }
    case SPI_GETDRAGFULLWINDOWS:
    case SPI_GETKEYBOARDCUES:
      *static_cast<BOOL*>(pv) = TRUE;
      return TRUE;
    default:
      return FALSE;
  }
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return flags == MONITOR_DEFAULTTONULL ? nullptr : kPrimaryMonitor;
  return MonitorFromRect(&r, flags);
}

HMONITOR MonitorFromPoint(POINT p, DWORD flags) {
  RECT r{p.x, p.y, p.x + 1, p.y + 1};
  return MonitorFromRect(&r, flags);
}

HMONITOR MonitorFromRect(const RECT* r, DWORD flags) {
  SIZE s = Wm().GetBackend().ScreenSize();
  RECT screen{0, 0, s.cx, s.cy};
  RECT overlap;
  if (r && IntersectRect(&overlap, r, &screen)) return kPrimaryMonitor;
  return flags == MONITOR_DEFAULTTONULL ? nullptr : kPrimaryMonitor;
}

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
  if (monitor != kPrimaryMonitor || !info || info->cbSize < sizeof(MONITORINFO)) return FALSE;
  SIZE s = Wm().GetBackend().ScreenSize();
  info->rcMonitor = RECT{0, 0, s.cx, s.cy};
  info->rcWork = Wm().GetBackend().WorkArea();
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

BOOL GetVersionExW(OSVERSIONINFOW* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) return FALSE;
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 1;
  info->dwBuildNumber = 7601;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  return TRUE;
}

BOOL IsCompositionEnabled() { return FALSE; }

}  // namespace win
