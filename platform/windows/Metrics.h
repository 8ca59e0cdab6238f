#pragma once
// System metrics from one fixed 96-dpi table, system parameters, monitors and the version the
// system reports.

#include "platform/base/Colors.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Fonts.h"
#include "platform/windows/Windows.h"

namespace win {

enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,
  SM_CYHSCROLL = 3,
  SM_CYCAPTION = 4,
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CXDLGFRAME = 7,
  SM_CYDLGFRAME = 8,
  SM_CYVTHUMB = 9,
  SM_CXHTHUMB = 10,
  SM_CXICON = 11,
  SM_CYICON = 12,
  SM_CXCURSOR = 13,
  SM_CYCURSOR = 14,
  SM_CYMENU = 15,
  SM_CXFULLSCREEN = 16,
  SM_CYFULLSCREEN = 17,
  SM_CYVSCROLL = 20,
  SM_CXHSCROLL = 21,
  SM_CXMIN = 28,
  SM_CYMIN = 29,
  SM_CXSIZE = 30,
  SM_CYSIZE = 31,
  SM_CXFRAME = 32,
  SM_CYFRAME = 33,
  SM_CXMINTRACK = 34,
  SM_CYMINTRACK = 35,
  SM_CXDOUBLECLK = 36,
  SM_CYDOUBLECLK = 37,
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
  SM_CXSMICON = 49,
  SM_CYSMICON = 50,
  SM_CYSMCAPTION = 51,
  SM_CXSMSIZE = 52,
  SM_CYSMSIZE = 53,
  SM_CXMENUSIZE = 54,
  SM_CYMENUSIZE = 55,
  SM_CXMINIMIZED = 57,
  SM_CYMINIMIZED = 58,
  SM_CXMAXTRACK = 59,
  SM_CYMAXTRACK = 60,
  SM_CXMAXIMIZED = 61,
  SM_CYMAXIMIZED = 62,
  SM_CXDRAG = 68,
  SM_CYDRAG = 69,
  SM_CXMENUCHECK = 71,
  SM_CYMENUCHECK = 72,
  SM_CMONITORS = 80,
  SM_CXFOCUSBORDER = 83,
  SM_CYFOCUSBORDER = 84,
  SM_MOUSEWHEELPRESENT = 75,
  SM_CXVIRTUALSCREEN = 78,
  SM_CYVIRTUALSCREEN = 79,
  SM_REMOTESESSION = 0x1000,
};
int GetSystemMetrics(int index);
UINT GetDoubleClickTime();

struct NONCLIENTMETRICSW;
enum : UINT {
  SPI_GETANIMATION = 0x0048,
  SPI_SETANIMATION = 0x0049,
  SPI_GETNONCLIENTMETRICS = 0x0029,
  SPI_GETWORKAREA = 0x0030,
  SPI_GETDRAGFULLWINDOWS = 0x0026,
  SPI_GETKEYBOARDCUES = 0x100A,
};
struct ANIMATIONINFO {
  UINT cbSize = sizeof(ANIMATIONINFO);
  int iMinAnimate = 0;
};
struct NONCLIENTMETRICSW {
  UINT cbSize = sizeof(NONCLIENTMETRICSW);
  int iBorderWidth = 0;
  int iScrollWidth = 0;
  int iScrollHeight = 0;
  int iCaptionWidth = 0;
  int iCaptionHeight = 0;
  LOGFONTW lfCaptionFont;
  int iSmCaptionWidth = 0;
  int iSmCaptionHeight = 0;
  LOGFONTW lfSmCaptionFont;
  int iMenuWidth = 0;
  int iMenuHeight = 0;
  LOGFONTW lfMenuFont;
  LOGFONTW lfStatusFont;
  LOGFONTW lfMessageFont;
  int iPaddedBorderWidth = 0;
};
// SPI_GETWORKAREA: RECT*; SPI_GETNONCLIENTMETRICS: NONCLIENTMETRICSW*; SPI_GET/SETANIMATION:
// ANIMATIONINFO*; SPI_GETDRAGFULLWINDOWS, SPI_GETKEYBOARDCUES: BOOL*.
BOOL SystemParametersInfoW(UINT action, UINT uiParam, void* pvParam, UINT winIni);

// One monitor: the backend's screen.
enum : DWORD { MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1,
               MONITOR_DEFAULTTONEAREST = 2 };
constexpr DWORD MONITORINFOF_PRIMARY = 1;
struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags = 0;
};
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
HMONITOR MonitorFromPoint(POINT p, DWORD flags);
HMONITOR MonitorFromRect(const RECT* r, DWORD flags);
BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info);

// The reported system: an NT-family 6.1 without desktop composition.
struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  char16_t szCSDVersion[128] = {};
};
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
BOOL GetVersionExW(OSVERSIONINFOW* info);
// Desktop composition is never present here.
BOOL IsCompositionEnabled();

}  // namespace win
