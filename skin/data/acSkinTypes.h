#pragma once
// The records one skin load produces: section data (gd), global values (SkinData), the indexes
// of well-known sections and pictures (ConstData), pictures (ma) and patterns (pa).

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/Colors.h"
#include "platform/base/Files.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Bitmap.h"
#include "skin/render/sGraphUtils.h"

class TsSkinManager;

// Text colours of one state; -1 on a side means no outline there.
struct TsFontColor {
  TColor Color = 0;
  TColor Left = 0;
  TColor Top = 0;
  TColor Right = 0;
  TColor Bottom = 0;
  friend bool operator==(const TsFontColor&, const TsFontColor&) = default;
};

// The visual properties of one state.
struct TsGenState {
  TColor Color = 0;
  TsFontColor FontColor;
  int GradientPercent = 0;
  String GradientData;
  TsGradArray GradientArray;
  int ImagePercent = 0;
  TColor GlowColor = 0;
  uint8_t GlowSize = 0;
  int Transparency = 0;
};

using TsProps = std::array<TsGenState, 2>;

// One skin section.
struct TsGeneralData {
  String ParentClass;
  String ClassName;
  int States = 0;
  TsProps Props;  // [0] normal, [1] hot (every state above 0)
  bool GiveOwnFont = false;
  bool ReservedBoolean = false;
  bool ShowFocus = false;
  int GlowCount = 0;
  int GlowMargin = 0;
  int BorderIndex = -1;
  int ImgTL = -1;
  int ImgTR = -1;
  int ImgBL = -1;
  int ImgBR = -1;
  TColor Color = 0;
  int Transparency = 0;
  int GradientPercent = 0;
  String GradientData;
  TsGradArray GradientArray;
  int ImagePercent = 0;
  TsFontColor FontColor;
  TColor HotColor = 0;
  int HotTransparency = 0;
  int HotGradientPercent = 0;
  String HotGradientData;
  TsGradArray HotGradientArray;
  int HotImagePercent = 0;
  TsFontColor HotFontColor;
  bool FadingEnabled = false;
  int FadingIterations = 0;
  TColor HotGlowColor = 0;
  TColor GlowColor = 0;
  uint8_t HotGlowSize = 0;
  uint8_t GlowSize = 0;
};

// The skin's global values from [GLOBALINFO].
struct TsSkinData {
  String SkinPath;  // directory of the skin's files with a trailing separator; empty if built in
  bool Active = false;
  double Version = 0;
  String Author;
  String Description;
  TColor Shadow1Color = 0;
  int16_t Shadow1Offset = 0;
  int16_t Shadow1Blur = 0;
  int16_t Shadow1Transparency = 0;
  int16_t ExBorderWidth = 0;
  int16_t ExTitleHeight = 0;
  int16_t ExMaxHeight = 0;
  int16_t ExContentOffs = 0;
  int16_t ExShadowOffs = 0;
  int16_t ExCenterOffs = 0;
  int16_t ExDrawMode = 0;
  TColor FXColor = 0;
  TColor BorderColor = 0;
  int16_t BISpacing = 0;
  int16_t BIVAlign = 0;
  int16_t BIRightMargin = 0;
  int16_t BILeftMargin = 0;
  int16_t BITopMargin = 0;
  int16_t BIKeepHUE = 0;
  int16_t BICloseGlow = 0;
  int16_t BICloseGlowMargin = 0;
  int16_t BIMaxGlow = 0;
  int16_t BIMaxGlowMargin = 0;
  int16_t BIMinGlow = 0;
  int16_t BIMinGlowMargin = 0;
};

// Indexes of well-known sections (into gd) and pictures (into ma); -1 where absent.
struct TConstantSkinData {
  int16_t IndexGLobalInfo = -1;
  int16_t ExBorder = -1;
  int16_t IndexTabTop = -1, IndexTabBottom = -1, IndexTabLeft = -1, IndexTabRight = -1;
  int16_t MaskTabTop = -1, MaskTabBottom = -1, MaskTabLeft = -1, MaskTabRight = -1;
  int16_t IndexScrollTop = -1, IndexScrollBottom = -1, IndexScrollLeft = -1, IndexScrollRight = -1;
  int16_t MaskScrollTop = -1, MaskScrollBottom = -1, MaskScrollLeft = -1, MaskScrollRight = -1;
  int16_t IndexBGScrollTop = -1, IndexBGScrollBottom = -1, IndexBGScrollLeft = -1,
          IndexBGScrollRight = -1;
  int16_t IndexBGHotScrollTop = -1, IndexBGHotScrollBottom = -1, IndexBGHotScrollLeft = -1,
          IndexBGHotScrollRight = -1;
  int16_t MaskArrowTop = -1, MaskArrowBottom = -1, MaskArrowLeft = -1, MaskArrowRight = -1;
  int16_t IndexSliderVert = -1, IndexSliderHorz = -1;
  int16_t MaskSliderVert = -1, MaskSliderHorz = -1;
  int16_t MaskSliderGlyphVert = -1, MaskSliderGlyphHorz = -1;
  int16_t ScrollSliderBGHorz = -1, ScrollSliderBGHotHorz = -1;
  int16_t ScrollSliderBGVert = -1, ScrollSliderBGHotVert = -1;
  int16_t IndexScrollBar1H = -1, IndexScrollBar1V = -1, IndexScrollBar2H = -1,
          IndexScrollBar2V = -1;
  int16_t MaskScrollBar1H = -1, MaskScrollBar1V = -1, MaskScrollBar2H = -1, MaskScrollBar2V = -1;
  int16_t BGScrollBar1H = -1, BGScrollBar1V = -1, BGScrollBar2H = -1, BGScrollBar2V = -1;
  int16_t BGHotScrollBar1H = -1, BGHotScrollBar1V = -1, BGHotScrollBar2H = -1,
          BGHotScrollBar2V = -1;
  int16_t CheckBoxChecked = -1, CheckBoxUnChecked = -1, CheckBoxGrayed = -1;
  int16_t RadioButtonChecked = -1, RadioButtonUnChecked = -1, RadioButtonGrayed = -1;
  int16_t SmallCheckBoxChecked = -1, SmallCheckBoxUnChecked = -1, SmallCheckBoxGrayed = -1;
  int32_t ComboBtnIndex = -1;
  int32_t ComboBtnBorder = -1;
  int32_t ComboBtnBG = -1, ComboBtnBGHot = -1;
  int32_t ComboGlyph = -1;
};

enum class TacImgType : uint8_t { itisaBorder, itisaTexture, itisaGlyph, itisaGlow, itisaPngGlyph };
using enum TacImgType;

// One picture entry.
struct TsMaskData {
  std::unique_ptr<win::Bitmap> Bmp;  // none when the picture is a rectangle of the master bitmap
  String ClassName;
  String PropertyName;
  win::RECT R;
  int16_t ImageCount = 0;  // state frames side by side
  int16_t MaskType = 0;    // extra rows below the picture row; -1 no height
  int16_t BorderWidth = 0;
  int16_t DrawMode = 0;
  TacImgType ImgType = itisaBorder;
  TsSkinManager* Manager = nullptr;
  int16_t WL = 0, WT = 0, WR = 0, WB = 0;
};

// A JPEG background kept compressed; decoded when drawn.
struct TacJpegImage {
  Bytes Data;
  int Width = 0;
  int Height = 0;
  win::Bitmap Decode() const;
};

struct TsPatternData {
  std::unique_ptr<TacJpegImage> Img;
  String ClassName;
  String PropertyName;
};

// Converts a colour of the options text: a system colour becomes the current colour of its
// index, anything else stays as it is.
TColor ConvertSkinColor(TColor color);

// Frame geometry of a mask: one state frame's width and height.
int MaskFrameWidth(const TsMaskData& mask);
int MaskFrameHeight(const TsMaskData& mask);
