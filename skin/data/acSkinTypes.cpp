#include "skin/data/acSkinTypes.h"

TColor ConvertSkinColor(TColor color) {
  return color < 0 ? TColor(win::GetSysColor(color & 0xFF)) : color;
}

int MaskFrameWidth(const TsMaskData& mask) {
  switch (mask.ImageCount) {
    case 0: return 0;
    case 1: return mask.R.Width();
    default: return mask.R.Width() / mask.ImageCount;
  }
}

int MaskFrameHeight(const TsMaskData& mask) {
  switch (mask.MaskType) {
    case -1: return 0;
    case 0: return mask.R.Height();
    case 1: return mask.R.Height() / 2;
    default: return mask.R.Height() / (mask.MaskType + 1);
  }
}
