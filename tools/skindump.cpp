// skindump FILE.asz|DIR: loads a skin as the engine does and prints what the engine sees:
// sections with their parents and states, pictures with their geometry, patterns and the
// indexes of the well-known sections and pictures.

#include <cstdio>
#include <string>

#include "platform/base/Errors.h"
#include "skin/data/acSkinContent.h"
#include "skin/data/acSkinPack.h"

namespace {

std::string U(StringView s) { return StringToUtf8(s); }

const char* KindName(TacImgType t) {
  switch (t) {
    case itisaBorder: return "border";
    case itisaTexture: return "texture";
    case itisaGlyph: return "glyph";
    case itisaGlow: return "glow";
    case itisaPngGlyph: return "png-glyph";
  }
  return "?";
}

void PrintState(const char* name, const TsGenState& s) {
  std::printf("      %s: color=%d font=%d outline=%d,%d,%d,%d transparency=%d gradient=%d%% \"%s\" "
              "image=%d%% glow=%d/%d\n",
              name, s.Color, s.FontColor.Color, s.FontColor.Left, s.FontColor.Top,
              s.FontColor.Right, s.FontColor.Bottom, s.Transparency, s.GradientPercent,
              U(s.GradientData).c_str(), s.ImagePercent, s.GlowColor, s.GlowSize);
}

void PrintGlobal(const TsSkinData& d, const win::Bitmap* master) {
  std::printf("Global:\n");
  std::printf("  version=%g author=\"%s\" description=\"%s\"\n", d.Version, U(d.Author).c_str(),
              U(d.Description).c_str());
  std::printf("  shadow color=%d offset=%d blur=%d transparency=%d border color=%d\n",
              d.Shadow1Color, d.Shadow1Offset, d.Shadow1Blur, d.Shadow1Transparency, d.BorderColor);
  std::printf("  extended borders: width=%d title=%d max=%d content=%d shadow=%d center=%d mode=%d\n",
              d.ExBorderWidth, d.ExTitleHeight, d.ExMaxHeight, d.ExContentOffs, d.ExShadowOffs,
              d.ExCenterOffs, d.ExDrawMode);
  std::printf("  title buttons: spacing=%d valign=%d right=%d left=%d top=%d keep-hue=%d\n",
              d.BISpacing, d.BIVAlign, d.BIRightMargin, d.BILeftMargin, d.BITopMargin, d.BIKeepHUE);
  std::printf("  button glows: close=%d/%d max=%d/%d min=%d/%d\n", d.BICloseGlow,
              d.BICloseGlowMargin, d.BIMaxGlow, d.BIMaxGlowMargin, d.BIMinGlow, d.BIMinGlowMargin);
  if (master && !master->Empty()) {
    std::printf("  master bitmap: %d x %d\n", master->Width(), master->Height());
  } else {
    std::printf("  master bitmap: none\n");
  }
}

void PrintSections(const TacSkinContent& c) {
  std::printf("Sections (%zu):\n", c.gd.size());
  for (size_t i = 0; i < c.gd.size(); ++i) {
    const TsGeneralData& d = c.gd[i];
    std::printf("  %3zu [%s]", i, U(d.ClassName).c_str());
    if (!d.ParentClass.empty()) std::printf(" parent=%s", U(d.ParentClass).c_str());
    std::printf(" states=%d border=%d corners=%d,%d,%d,%d glow=%d margin=%d fading=%s/%d%s%s\n",
                d.States, d.BorderIndex, d.ImgTL, d.ImgTR, d.ImgBL, d.ImgBR, d.GlowCount,
                d.GlowMargin, d.FadingEnabled ? "on" : "off", d.FadingIterations,
                d.ShowFocus ? " focus" : "", d.GiveOwnFont ? " own-font" : "");
    PrintState("normal", d.Props[0]);
    PrintState("hot   ", d.Props[1]);
  }
}

void PrintPictures(TacSkinContent& c) {
  const win::Bitmap* master = c.MasterBitmap.get();
  std::printf("Pictures (%zu):\n", c.ma.size());
  for (size_t i = 0; i < c.ma.size(); ++i) {
    const int index = int(i);
    // The widths as painting will see them (this may turn an ImageCount of 0 into 1).
    const int l = c.MaskWidthLeft(index), t = c.MaskWidthTop(index),
              r = c.MaskWidthRight(index), b = c.MaskWidthBottom(index);
    const TsMaskData& m = c.ma[i];
    std::printf("  %3zu %s/%s %s rect=(%d,%d,%d,%d) frames=%d masktype=%d frame=%dx%d "
                "borders=%d,%d,%d,%d (given %d,%d,%d,%d width %d) drawmode=%d",
                i, U(m.ClassName).c_str(), U(m.PropertyName).c_str(), KindName(m.ImgType),
                m.R.left, m.R.top, m.R.right, m.R.bottom, m.ImageCount, m.MaskType,
                MaskFrameWidth(m), MaskFrameHeight(m), l, t, r, b, m.WL, m.WT, m.WR, m.WB,
                m.BorderWidth, m.DrawMode);
    if (m.Bmp) {
      std::printf(" own bitmap %dx%d\n", m.Bmp->Width(), m.Bmp->Height());
    } else if (!master || m.R.left < 0 || m.R.top < 0 || m.R.right > master->Width() ||
               m.R.bottom > master->Height() || m.R.right < m.R.left || m.R.bottom < m.R.top) {
      std::printf(" in master, OUTSIDE the master bitmap\n");
    } else {
      std::printf(" in master\n");
    }
  }
  std::printf("Patterns (%zu):\n", c.pa.size());
  for (size_t i = 0; i < c.pa.size(); ++i) {
    const TsPatternData& p = c.pa[i];
    std::printf("  %3zu %s/%s jpeg %dx%d (%zu bytes)\n", i, U(p.ClassName).c_str(),
                U(p.PropertyName).c_str(), p.Img->Width, p.Img->Height, p.Img->Data.size());
  }
}

void PrintConstData(const TConstantSkinData& d) {
  std::printf("ConstData:\n");
#define F(name) std::printf("  %-24s %d\n", #name, int(d.name));
  F(IndexGLobalInfo) F(ExBorder)
  F(IndexTabTop) F(IndexTabBottom) F(IndexTabLeft) F(IndexTabRight)
  F(MaskTabTop) F(MaskTabBottom) F(MaskTabLeft) F(MaskTabRight)
  F(IndexScrollTop) F(IndexScrollBottom) F(IndexScrollLeft) F(IndexScrollRight)
  F(MaskScrollTop) F(MaskScrollBottom) F(MaskScrollLeft) F(MaskScrollRight)
  F(IndexBGScrollTop) F(IndexBGScrollBottom) F(IndexBGScrollLeft) F(IndexBGScrollRight)
  F(IndexBGHotScrollTop) F(IndexBGHotScrollBottom) F(IndexBGHotScrollLeft) F(IndexBGHotScrollRight)
  F(MaskArrowTop) F(MaskArrowBottom) F(MaskArrowLeft) F(MaskArrowRight)
  F(IndexSliderVert) F(IndexSliderHorz) F(MaskSliderVert) F(MaskSliderHorz)
  F(MaskSliderGlyphVert) F(MaskSliderGlyphHorz)
  F(ScrollSliderBGHorz) F(ScrollSliderBGHotHorz) F(ScrollSliderBGVert) F(ScrollSliderBGHotVert)
  F(IndexScrollBar1H) F(IndexScrollBar1V) F(IndexScrollBar2H) F(IndexScrollBar2V)
  F(MaskScrollBar1H) F(MaskScrollBar1V) F(MaskScrollBar2H) F(MaskScrollBar2V)
  F(BGScrollBar1H) F(BGScrollBar1V) F(BGScrollBar2H) F(BGScrollBar2V)
  F(BGHotScrollBar1H) F(BGHotScrollBar1V) F(BGHotScrollBar2H) F(BGHotScrollBar2V)
  F(CheckBoxChecked) F(CheckBoxUnChecked) F(CheckBoxGrayed)
  F(RadioButtonChecked) F(RadioButtonUnChecked) F(RadioButtonGrayed)
  F(SmallCheckBoxChecked) F(SmallCheckBoxUnChecked) F(SmallCheckBoxGrayed)
  F(ComboBtnIndex) F(ComboBtnBorder) F(ComboBtnBG) F(ComboBtnBGHot) F(ComboGlyph)
#undef F
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skindump FILE.asz|DIR\n");
    return 2;
  }
  const String path = Utf8ToString(argv[1]);
  try {
    const bool packed = FileExists(path);
    TacSkinContent content;
    if (packed) {
      const Bytes archive = ReadWholeFile(path);
      content = LoadSkinArchive(archive);
    } else {
      content = LoadSkinDirectory(path);
    }
    std::printf("Skin: %s (%s)\n", argv[1], packed ? "packed" : "unpacked");
    PrintGlobal(content.SkinData, content.MasterBitmap.get());
    PrintSections(content);
    PrintPictures(content);
    PrintConstData(content.ConstData);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skindump: %s\n", e.what());
    return 1;
  }
  return 0;
}
