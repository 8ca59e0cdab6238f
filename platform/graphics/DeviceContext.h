#pragma once
// Device contexts: a 32-bit target, coordinate origins, a clip made of rectangles and the
// drawing state (colours, modes, selected objects).
//
// Three coordinate spaces:
//   logical  what callers pass to drawing calls;
//   device   logical - window origin + viewport origin (the only mapping mode is MM_TEXT);
//   target   pixels of the target bitmap: device + the DC's surface origin. For a memory DC
//            the surface origin is (0, 0); a window's DC sets it to where the window's client
//            area sits in the top-level surface.
// Clip regions (SelectClipRgn, GetClipRgn) are in device space; clip boxes in logical space.
// A drawing call reaches only pixels inside the visible region (set by whoever made the DC)
// and the clip region, and inside the target.

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "platform/graphics/GdiObjects.h"
#include "platform/graphics/Region.h"

namespace win {

enum : int { TRANSPARENT = 1, OPAQUE = 2 };

enum : UINT {
  TA_NOUPDATECP = 0,
  TA_UPDATECP = 1,
  TA_LEFT = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_TOP = 0,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
  TA_RTLREADING = 256,
  GDI_ERROR = 0xFFFFFFFF,
};

enum : int {
  R2_BLACK = 1,
  R2_NOTMERGEPEN = 2,
  R2_MASKNOTPEN = 3,
  R2_NOTCOPYPEN = 4,
  R2_MASKPENNOT = 5,
  R2_NOT = 6,
  R2_XORPEN = 7,
  R2_NOTMASKPEN = 8,
  R2_MASKPEN = 9,
  R2_NOTXORPEN = 10,
  R2_NOP = 11,
  R2_MERGENOTPEN = 12,
  R2_COPYPEN = 13,
  R2_MERGEPENNOT = 14,
  R2_MERGEPEN = 15,
  R2_WHITE = 16,
};

enum : int {
  BLACKONWHITE = 1,
  WHITEONBLACK = 2,
  COLORONCOLOR = 3,
  HALFTONE = 4,
  STRETCH_ANDSCANS = BLACKONWHITE,
  STRETCH_ORSCANS = WHITEONBLACK,
  STRETCH_DELETESCANS = COLORONCOLOR,
  STRETCH_HALFTONE = HALFTONE,
};

// A selected object: its handle (as GetCurrentObject reports it) and a share that keeps the
// object alive while selected, even after DeleteObject.
struct DcSelection {
  HGDIOBJ FHandle = nullptr;
  std::shared_ptr<GdiObject> FObject;
};

// Everything SaveDC saves and RestoreDC restores.
struct DcState {
  POINT FViewportOrg;
  POINT FWindowOrg;
  std::optional<Region> FClip;  // device space; none = no clip region
  COLORREF FTextColor = 0x000000;
  COLORREF FBkColor = 0xFFFFFF;
  int FBkMode = OPAQUE;
  UINT FTextAlign = TA_LEFT | TA_TOP;
  int FRop2 = R2_COPYPEN;
  int FStretchMode = BLACKONWHITE;
  int FPolyFillMode = ALTERNATE;
  POINT FCurrentPos;  // logical
  POINT FBrushOrg;    // device
  COLORREF FDCBrushColor = 0xFFFFFF;
  COLORREF FDCPenColor = 0x000000;
  DcSelection FBitmap;
  DcSelection FBrush;
  DcSelection FPen;
  DcSelection FFont;
};

class DeviceContext : public GdiObject {
 public:
  // A memory DC (OBJ_MEMDC): the target is the selected bitmap.
  DeviceContext();
  // A DC over a surface (OBJ_DC): `visible` is the visible region in device space.
  DeviceContext(Bitmap* surface, POINT surfaceOrigin, std::vector<RECT> visible);

  bool IsMemoryDC() const { return Type() == OBJ_MEMDC; }

  // The pixels drawing goes to (null: draws nothing). 32-bit only.
  Bitmap* Target();
  // Where device (0, 0) is in the target.
  POINT SurfaceOrigin() const { return FSurfaceOrigin; }
  // Points a surface DC elsewhere (the window system, when a window moves or its surface is
  // replaced). `visible` is in device space.
  void SetSurface(Bitmap* surface, POINT surfaceOrigin, std::vector<RECT> visible);
  // Replaces the visible region (device space) of a surface DC.
  void SetVisible(std::vector<RECT> visible);

  DcState& State() { return FState; }
  const DcState& State() const { return FState; }

  // Coordinate mapping.
  POINT LogicalToDevice(POINT p) const;
  RECT LogicalToDevice(const RECT& r) const;
  POINT DeviceToLogical(POINT p) const;
  RECT DeviceToLogical(const RECT& r) const;
  POINT DeviceToTarget(POINT p) const {
    return POINT{p.x + FSurfaceOrigin.x, p.y + FSurfaceOrigin.y};
  }
  POINT LogicalToTarget(POINT p) const { return DeviceToTarget(LogicalToDevice(p)); }

  // The region drawing may reach, in device space: visible region, clip region and target.
  const Region& EffectiveClip();
  // Calls fn(const RECT& targetRect) for every part of `deviceRect` that drawing may reach,
  // in target pixels (never outside the target bitmap).
  template <class F>
  void ForEachClipRect(const RECT& deviceRect, F&& fn);

  // Selects an object of the right kind; returns the previous handle of that kind or null.
  HGDIOBJ Select(HGDIOBJ object);
  HGDIOBJ Current(DWORD type) const;

  // SaveDC/RestoreDC: the stack depth after saving (1-based), or 0 on failure.
  int Save();
  bool Restore(int level);

  // Call after changing FState.FClip directly.
  void ClipChanged() { FClipValid = false; }

 private:
  void InitState();

  DcState FState;
  std::vector<DcState> FSaved;
  Bitmap* FSurface = nullptr;
  POINT FSurfaceOrigin;
  std::optional<Region> FVisible;  // none: all of the target (memory DCs)
  Region FEffective;
  bool FClipValid = false;
  const Bitmap* FClipTarget = nullptr;  // target the cached clip was computed for
  int FClipTargetWidth = 0;
  int FClipTargetHeight = 0;
};

template <class F>
void DeviceContext::ForEachClipRect(const RECT& deviceRect, F&& fn) {
  if (deviceRect.left >= deviceRect.right || deviceRect.top >= deviceRect.bottom) return;
  const Region& clip = EffectiveClip();
  for (const RECT& c : clip.Rects()) {
    if (c.top >= deviceRect.bottom) break;
    RECT r{std::max(c.left, deviceRect.left), std::max(c.top, deviceRect.top),
           std::min(c.right, deviceRect.right), std::min(c.bottom, deviceRect.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) continue;
    r.left += FSurfaceOrigin.x;
    r.right += FSurfaceOrigin.x;
    r.top += FSurfaceOrigin.y;
    r.bottom += FSurfaceOrigin.y;
    fn(static_cast<const RECT&>(r));
  }
}

// The DC behind a handle, or null.
DeviceContext* LookupDC(HDC dc);
// A DC over any 32-bit bitmap (the window system's GetDC/BeginPaint): device (0, 0) is target
// pixel `deviceOrigin`; drawing stays within `visible` (device space). Freed by DeleteDC.
HDC CreateDCForSurface(Bitmap* surface, POINT deviceOrigin, const std::vector<RECT>& visible);

// The target position of device (0, 0).
BOOL GetDCOrgEx(HDC dc, POINT* origin);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);

int SaveDC(HDC dc);
// level > 0: that saved state (and drops those above it); level < 0: relative to the top.
BOOL RestoreDC(HDC dc, int level);

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* origin);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);

COLORREF SetTextColor(HDC dc, COLORREF color);  // CLR_INVALID on failure
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);  // 0 on failure
int GetBkMode(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);  // GDI_ERROR on failure
UINT GetTextAlign(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
// The colours the stock DC_BRUSH and DC_PEN draw with in this DC; CLR_INVALID on failure.
COLORREF SetDCBrushColor(HDC dc, COLORREF color);
COLORREF GetDCBrushColor(HDC dc);
COLORREF SetDCPenColor(HDC dc, COLORREF color);
COLORREF GetDCPenColor(HDC dc);
int SetPolyFillMode(HDC dc, int mode);  // ALTERNATE or WINDING
int GetPolyFillMode(HDC dc);
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC dc, POINT* position);

// Clipping. Rectangles are logical; the results are region complexities (ERROR on failure).
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
// A null region removes the clip region (RGN_COPY only). The region is in device space and is
// copied, so the caller still owns it.
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int OffsetClipRgn(HDC dc, int dx, int dy);
// The logical bounding box of what drawing may reach (visible region and clip region).
int GetClipBox(HDC dc, RECT* box);
// 1 and the clip region copied into `region` (device space), 0 when there is none, -1 on error.
int GetClipRgn(HDC dc, HRGN region);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* rect);

enum : int {
  TECHNOLOGY = 2,
  HORZSIZE = 4,
  VERTSIZE = 6,
  HORZRES = 8,
  VERTRES = 10,
  BITSPIXEL = 12,
  PLANES = 14,
  NUMCOLORS = 24,
  RASTERCAPS = 38,
  LOGPIXELSX = 88,
  LOGPIXELSY = 90,
  SIZEPALETTE = 104,
  SHADEBLENDCAPS = 120,
};
enum : int { DT_RASDISPLAY = 1 };
enum : int { RC_BITBLT = 1, RC_DI_BITMAP = 0x80, RC_STRETCHBLT = 0x800, RC_STRETCHDIB = 0x2000 };
enum : int { SB_CONST_ALPHA = 1, SB_PIXEL_ALPHA = 2, SB_GRAD_RECT = 0x10, SB_GRAD_TRI = 0x20 };
// A 96-dpi, 32-bit raster device; the resolution is the DC's target size (0 without one) and
// the physical size follows from it at 96 dpi. 0 for unknown indexes and dead DCs.
int GetDeviceCaps(HDC dc, int index);

}  // namespace win
