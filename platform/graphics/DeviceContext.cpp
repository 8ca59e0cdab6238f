#include "platform/graphics/DeviceContext.h"

namespace win {

namespace {

// Clip operations that start from "no clip region" start from this plane, far beyond any
// bitmap yet small enough that offsets never overflow.
constexpr int32_t kPlane = 1 << 26;
const RECT kPlaneRect{-kPlane, -kPlane, kPlane, kPlane};

RECT Normalized(int left, int top, int right, int bottom) {
  return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
              std::max(top, bottom)};
}

}  // namespace

DeviceContext::DeviceContext() : GdiObject(OBJ_MEMDC) {
  InitState();
}

DeviceContext::DeviceContext(Bitmap* surface, POINT surfaceOrigin, std::vector<RECT> visible)
    : GdiObject(OBJ_DC) {
  InitState();
  SetSurface(surface, surfaceOrigin, std::move(visible));
}

void DeviceContext::InitState() {
  FState = DcState{};
  FState.FBrush =
      DcSelection{GetStockObject(WHITE_BRUSH), LookupShared(GetStockObject(WHITE_BRUSH))};
  FState.FPen = DcSelection{GetStockObject(BLACK_PEN), LookupShared(GetStockObject(BLACK_PEN))};
  if (HGDIOBJ font = GetStockObject(SYSTEM_FONT))
    FState.FFont = DcSelection{font, LookupShared(font)};
  if (IsMemoryDC()) FState.FBitmap.FHandle = DefaultDCBitmap();
}

Bitmap* DeviceContext::Target() {
  Bitmap* target = nullptr;
  if (IsMemoryDC()) {
    if (FState.FBitmap.FObject)
      target = &static_cast<BitmapObject*>(FState.FBitmap.FObject.get())->Pixels();
  } else {
    target = FSurface;
  }
  return target && target->Format() == PixelFormat::Bgra32 ? target : nullptr;
}

void DeviceContext::SetSurface(Bitmap* surface, POINT surfaceOrigin, std::vector<RECT> visible) {
  FSurface = surface;
  FSurfaceOrigin = surfaceOrigin;
  SetVisible(std::move(visible));
}

void DeviceContext::SetVisible(std::vector<RECT> visible) {
  FVisible = Region::FromRects(visible);
  FClipValid = false;
}

namespace {

// Mapped coordinates saturate far outside any bitmap instead of overflowing.
constexpr int64_t kCoordLimit = int64_t(1) << 30;

int32_t Saturate(int64_t v) {
  return int32_t(std::clamp(v, -kCoordLimit, kCoordLimit));
}

}  // namespace

POINT DeviceContext::LogicalToDevice(POINT p) const {
  return POINT{Saturate(int64_t(p.x) - FState.FWindowOrg.x + FState.FViewportOrg.x),
               Saturate(int64_t(p.y) - FState.FWindowOrg.y + FState.FViewportOrg.y)};
}

RECT DeviceContext::LogicalToDevice(const RECT& r) const {
  const POINT a = LogicalToDevice(POINT{r.left, r.top});
  const POINT b = LogicalToDevice(POINT{r.right, r.bottom});
  return RECT{a.x, a.y, b.x, b.y};
}

POINT DeviceContext::DeviceToLogical(POINT p) const {
  return POINT{Saturate(int64_t(p.x) + FState.FWindowOrg.x - FState.FViewportOrg.x),
               Saturate(int64_t(p.y) + FState.FWindowOrg.y - FState.FViewportOrg.y)};
}

RECT DeviceContext::DeviceToLogical(const RECT& r) const {
  const POINT a = DeviceToLogical(POINT{r.left, r.top});
  const POINT b = DeviceToLogical(POINT{r.right, r.bottom});
  return RECT{a.x, a.y, b.x, b.y};
}

const Region& DeviceContext::EffectiveClip() {
  const Bitmap* target = Target();
  const int w = target ? target->Width() : 0;
  const int h = target ? target->Height() : 0;
  if (FClipValid && target == FClipTarget && w == FClipTargetWidth && h == FClipTargetHeight)
    return FEffective;
  FEffective = Region();
  if (target) {
    FEffective = Region(
        RECT{-FSurfaceOrigin.x, -FSurfaceOrigin.y, w - FSurfaceOrigin.x, h - FSurfaceOrigin.y});
    if (FVisible) FEffective = FEffective.Intersected(*FVisible);
    if (FState.FClip) FEffective = FEffective.Intersected(*FState.FClip);
  }
  FClipValid = true;
  FClipTarget = target;
  FClipTargetWidth = w;
  FClipTargetHeight = h;
  return FEffective;
}

HGDIOBJ DeviceContext::Select(HGDIOBJ object) {
  std::shared_ptr<GdiObject> shared = LookupShared(object);
  if (!shared) return nullptr;
  DcSelection* slot = nullptr;
  switch (shared->Type()) {
    case OBJ_BITMAP: {
      if (!IsMemoryDC()) return nullptr;
      auto* bitmap = static_cast<BitmapObject*>(shared.get());
      if (bitmap->Pixels().Format() != PixelFormat::Bgra32) return nullptr;
      slot = &FState.FBitmap;
      // The default bitmap stands for "no bitmap".
      if (object == DefaultDCBitmap()) shared.reset();
      FClipValid = false;
      break;
    }
    case OBJ_BRUSH:
      slot = &FState.FBrush;
      break;
    case OBJ_PEN:
      slot = &FState.FPen;
      break;
    case OBJ_FONT:
      slot = &FState.FFont;
      break;
    default:
      return nullptr;
  }
  HGDIOBJ previous = slot->FHandle;
  *slot = DcSelection{object, std::move(shared)};
  return previous;
}

HGDIOBJ DeviceContext::Current(DWORD type) const {
  switch (type) {
    case OBJ_BITMAP:
      return FState.FBitmap.FHandle;
    case OBJ_BRUSH:
      return FState.FBrush.FHandle;
    case OBJ_PEN:
      return FState.FPen.FHandle;
    case OBJ_FONT:
      return FState.FFont.FHandle;
    default:
      return nullptr;
  }
}

int DeviceContext::Save() {
  FSaved.push_back(FState);
  return static_cast<int>(FSaved.size());
}

bool DeviceContext::Restore(int level) {
  const int depth = static_cast<int>(FSaved.size());
  if (level < 0) level = depth + level + 1;
  if (level < 1 || level > depth) return false;
  FState = std::move(FSaved[static_cast<size_t>(level - 1)]);
  FSaved.resize(static_cast<size_t>(level - 1));
  FClipValid = false;
  return true;
}

// ---- Handles -------------------------------------------------------------------------------

DeviceContext* LookupDC(HDC dc) {
  return Lookup<DeviceContext>(dc);
}

HDC CreateDCForSurface(Bitmap* surface, POINT deviceOrigin, const std::vector<RECT>& visible) {
  return HandleCast<HDC>(
      AllocHandle(std::make_unique<DeviceContext>(surface, deviceOrigin, visible)));
}

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !LookupDC(dc)) return nullptr;
  return HandleCast<HDC>(AllocHandle(std::make_unique<DeviceContext>()));
}

BOOL DeleteDC(HDC dc) {
  return LookupDC(dc) && FreeHandle(dc) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return nullptr;
  if (GetObjectType(object) == OBJ_REGION) {
    const int result = SelectClipRgn(dc, HandleCast<HRGN>(object));
    return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(result));
  }
  return d->Select(object);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->Current(type) : nullptr;
}

BOOL GetDCOrgEx(HDC dc, POINT* origin) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !origin) return FALSE;
  *origin = d->SurfaceOrigin();
  return TRUE;
}

int SaveDC(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->Save() : 0;
}

BOOL RestoreDC(HDC dc, int level) {
  DeviceContext* d = LookupDC(dc);
  return d && d->Restore(level) ? TRUE : FALSE;
}

// ---- Origins -------------------------------------------------------------------------------

namespace {

BOOL SetOrigin(HDC dc, POINT DcState::*field, int x, int y, bool relative, POINT* old) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return FALSE;
  POINT& origin = d->State().*field;
  if (old) *old = origin;
  origin = relative ? POINT{Saturate(int64_t(origin.x) + x), Saturate(int64_t(origin.y) + y)}
                    : POINT{x, y};
  return TRUE;
}

BOOL GetOrigin(HDC dc, POINT DcState::*field, POINT* origin) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !origin) return FALSE;
  *origin = d->State().*field;
  return TRUE;
}

}  // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
  return SetOrigin(dc, &DcState::FViewportOrg, x, y, false, old);
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  return SetOrigin(dc, &DcState::FViewportOrg, dx, dy, true, old);
}
BOOL GetViewportOrgEx(HDC dc, POINT* origin) {
  return GetOrigin(dc, &DcState::FViewportOrg, origin);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
  return SetOrigin(dc, &DcState::FWindowOrg, x, y, false, old);
}
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old) {
  return SetOrigin(dc, &DcState::FWindowOrg, dx, dy, true, old);
}
BOOL GetWindowOrgEx(HDC dc, POINT* origin) {
  return GetOrigin(dc, &DcState::FWindowOrg, origin);
}
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
  return SetOrigin(dc, &DcState::FBrushOrg, x, y, false, old);
}

BOOL LPtoDP(HDC dc, POINT* points, int count) {
  DeviceContext* d = LookupDC(dc);
  if (!d || (!points && count > 0)) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = d->LogicalToDevice(points[i]);
  return TRUE;
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
  DeviceContext* d = LookupDC(dc);
  if (!d || (!points && count > 0)) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = d->DeviceToLogical(points[i]);
  return TRUE;
}

// ---- Colours and modes ---------------------------------------------------------------------

COLORREF SetTextColor(HDC dc, COLORREF color) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return CLR_INVALID;
  return std::exchange(d->State().FTextColor, color & 0xFFFFFF);
}
COLORREF GetTextColor(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FTextColor : CLR_INVALID;
}
COLORREF SetBkColor(HDC dc, COLORREF color) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return CLR_INVALID;
  return std::exchange(d->State().FBkColor, color & 0xFFFFFF);
}
COLORREF GetBkColor(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FBkColor : CLR_INVALID;
}
int SetBkMode(HDC dc, int mode) {
  DeviceContext* d = LookupDC(dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(d->State().FBkMode, mode);
}
int GetBkMode(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FBkMode : 0;
}
UINT SetTextAlign(HDC dc, UINT align) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return GDI_ERROR;
  return std::exchange(d->State().FTextAlign, align);
}
UINT GetTextAlign(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FTextAlign : GDI_ERROR;
}
int SetROP2(HDC dc, int rop2) {
  DeviceContext* d = LookupDC(dc);
  if (!d || rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  return std::exchange(d->State().FRop2, rop2);
}
int GetROP2(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FRop2 : 0;
}
int SetStretchBltMode(HDC dc, int mode) {
  DeviceContext* d = LookupDC(dc);
  if (!d || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return std::exchange(d->State().FStretchMode, mode);
}
int GetStretchBltMode(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FStretchMode : 0;
}
COLORREF SetDCBrushColor(HDC dc, COLORREF color) {
  DeviceContext* d = LookupDC(dc);
  return d ? std::exchange(d->State().FDCBrushColor, color & 0xFFFFFF) : CLR_INVALID;
}
COLORREF GetDCBrushColor(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FDCBrushColor : CLR_INVALID;
}
COLORREF SetDCPenColor(HDC dc, COLORREF color) {
  DeviceContext* d = LookupDC(dc);
  return d ? std::exchange(d->State().FDCPenColor, color & 0xFFFFFF) : CLR_INVALID;
}
COLORREF GetDCPenColor(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FDCPenColor : CLR_INVALID;
}

int SetPolyFillMode(HDC dc, int mode) {
  DeviceContext* d = LookupDC(dc);
  if (!d || (mode != ALTERNATE && mode != WINDING)) return 0;
  return std::exchange(d->State().FPolyFillMode, mode);
}
int GetPolyFillMode(HDC dc) {
  DeviceContext* d = LookupDC(dc);
  return d ? d->State().FPolyFillMode : 0;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
  return SetOrigin(dc, &DcState::FCurrentPos, x, y, false, old);
}
BOOL GetCurrentPositionEx(HDC dc, POINT* position) {
  return GetOrigin(dc, &DcState::FCurrentPos, position);
}

// ---- Clipping ------------------------------------------------------------------------------

namespace {

int ClipResult(DeviceContext* d) {
  d->ClipChanged();
  return d->EffectiveClip().Complexity();
}

int CombineClip(DeviceContext* d, const Region& region, int mode) {
  DcState& s = d->State();
  if (mode == RGN_COPY) {
    s.FClip = region;
  } else {
    const Region current = s.FClip ? *s.FClip : Region(kPlaneRect);
    s.FClip = current.Combined(region, mode);
  }
  return ClipResult(d);
}

}  // namespace

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return ERROR;
  return CombineClip(d, Region(d->LogicalToDevice(Normalized(left, top, right, bottom))), RGN_AND);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return ERROR;
  return CombineClip(d, Region(d->LogicalToDevice(Normalized(left, top, right, bottom))), RGN_DIFF);
}

int SelectClipRgn(HDC dc, HRGN region) {
  return ExtSelectClipRgn(dc, region, RGN_COPY);
}

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
  DeviceContext* d = LookupDC(dc);
  if (!d || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (!region) {
    if (mode != RGN_COPY) return ERROR;
    d->State().FClip.reset();
    return ClipResult(d);
  }
  const Region* r = LookupRegion(region);
  if (!r) return ERROR;
  return CombineClip(d, *r, mode);
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return ERROR;
  if (d->State().FClip) d->State().FClip->Offset(dx, dy);
  return ClipResult(d);
}

int GetClipBox(HDC dc, RECT* box) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !box) return ERROR;
  const Region& clip = d->EffectiveClip();
  *box = clip.Empty() ? RECT{} : d->DeviceToLogical(clip.Box());
  return clip.Complexity();
}

int GetClipRgn(HDC dc, HRGN region) {
  DeviceContext* d = LookupDC(dc);
  Region* r = LookupRegion(region);
  if (!d || !r) return -1;
  if (!d->State().FClip) return 0;
  *r = *d->State().FClip;
  return 1;
}

int GetDeviceCaps(HDC dc, int index) {
  DeviceContext* d = LookupDC(dc);
  if (!d) return 0;
  const Bitmap* t = d->Target();
  const int w = t ? t->Width() : 0, h = t ? t->Height() : 0;
  // Millimetres at 96 dpi, rounded.
  auto mm = [](int pixels) { return int((int64_t(pixels) * 254 + 480) / 960); };
  switch (index) {
    case TECHNOLOGY:
      return DT_RASDISPLAY;
    case HORZSIZE:
      return mm(w);
    case VERTSIZE:
      return mm(h);
    case HORZRES:
      return w;
    case VERTRES:
      return h;
    case BITSPIXEL:
      return 32;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case SIZEPALETTE:
      return 0;
    case SHADEBLENDCAPS:
      return SB_CONST_ALPHA | SB_PIXEL_ALPHA | SB_GRAD_RECT | SB_GRAD_TRI;
    default:
      return 0;
  }
}

BOOL PtVisible(HDC dc, int x, int y) {
  DeviceContext* d = LookupDC(dc);
  return d && d->EffectiveClip().Contains(d->LogicalToDevice(POINT{x, y})) ? TRUE : FALSE;
}

BOOL RectVisible(HDC dc, const RECT* rect) {
  DeviceContext* d = LookupDC(dc);
  if (!d || !rect) return FALSE;
  const RECT r = d->LogicalToDevice(Normalized(rect->left, rect->top, rect->right, rect->bottom));
  return d->EffectiveClip().Intersects(r) ? TRUE : FALSE;
}

}  // namespace win
