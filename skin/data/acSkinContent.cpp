#include "skin/data/acSkinContent.h"

#include <cerrno>
#include <cstdint>

#include "platform/base/Errors.h"
#include "platform/framework/IniFiles.h"
#include "skin/data/acSkinImages.h"
#include "skin/data/acSkinOptions.h"
#include "skin/data/acSkinPack.h"
#include "skin/data/acSkinPaths.h"

int TacSkinContent::GetSkinIndex(StringView SkinSection) const {
  for (size_t i = 0; i < gd.size(); ++i) {
    if (gd[i].ClassName == SkinSection) return static_cast<int>(i);
  }
  return -1;
}

bool TacSkinContent::IsValidSkinIndex(int SkinIndex) const {
  return SkinIndex >= 0 && size_t(SkinIndex) < gd.size();
}

void TacSkinContent::GetSkinSections(std::vector<String>& List) const {
  List.clear();
  if (!SkinData.Active) return;
  for (const TsGeneralData& d : gd) List.push_back(d.ClassName);
}

template <class Match>
int TacSkinContent::SearchWithParents(int SkinIndex, StringView SkinSection, Match match) const {
  if (SkinIndex < 0 || SkinSection.empty()) return -1;
  String section(SkinSection);
  int index = SkinIndex;
  // Each step climbs to another record, so gd.size() steps cover every chain without a loop.
  for (size_t step = 0; step <= gd.size(); ++step) {
    const int found = match(section);
    if (found >= 0) return found;
    if (!IsValidSkinIndex(index)) return -1;
    const String& parent = gd[size_t(index)].ParentClass;
    if (parent.empty() || parent == section) return -1;
    index = GetSkinIndex(parent);
    if (index < 0) return -1;
    section = parent;
  }
  return -1;
}

int TacSkinContent::GetMaskIndex(int SkinIndex, StringView SkinSection,
                                 StringView PropertyName) const {
  return SearchWithParents(SkinIndex, SkinSection, [&](const String& section) {
    return GetMaskIndex(section, PropertyName);
  });
}

int TacSkinContent::GetMaskIndex(StringView SkinSection, StringView PropertyName) const {
  if (SkinSection.empty()) return -1;
  for (size_t i = 0; i < ma.size(); ++i) {
    if (ma[i].ClassName == SkinSection && ma[i].PropertyName == PropertyName) return int(i);
  }
  return -1;
}

int TacSkinContent::GetTextureIndex(int SkinIndex, StringView SkinSection,
                                    StringView PropName) const {
  if (ma.empty()) return -1;
  return SearchWithParents(SkinIndex, SkinSection, [&](const String& section) {
    for (size_t i = 0; i < ma.size(); ++i) {
      if (ma[i].ImgType == itisaTexture && ma[i].ClassName == section &&
          ma[i].PropertyName == PropName) {
        return int(i);
      }
    }
    return -1;
  });
}

int TacSkinContent::GetPatternIndex(int SkinIndex, StringView SkinSection,
                                    StringView PropName) const {
  if (pa.empty()) return -1;
  return SearchWithParents(SkinIndex, SkinSection, [&](const String& section) {
    for (size_t i = 0; i < pa.size(); ++i) {
      if (pa[i].ClassName == section && pa[i].PropertyName == PropName) return int(i);
    }
    return -1;
  });
}

int TacSkinContent::MaskWidthLeft(int MaskIndex) {
  if (!IsValidImgIndex(MaskIndex)) return 0;
  TsMaskData& m = ma[size_t(MaskIndex)];
  if (m.WL > 0) return m.WL;
  if (m.BorderWidth > 0) return m.BorderWidth;
  if (m.ImageCount == 0) m.ImageCount = 1;
  return MaskFrameWidth(m);
}

int TacSkinContent::MaskWidthTop(int MaskIndex) const {
  if (!IsValidImgIndex(MaskIndex)) return 0;
  const TsMaskData& m = ma[size_t(MaskIndex)];
  return m.WT > 0 ? m.WT : m.BorderWidth > 0 ? m.BorderWidth : MaskFrameHeight(m);
}

int TacSkinContent::MaskWidthRight(int MaskIndex) const {
  if (!IsValidImgIndex(MaskIndex)) return 0;
  const TsMaskData& m = ma[size_t(MaskIndex)];
  return m.WR > 0 ? m.WR : m.BorderWidth > 0 ? m.BorderWidth : MaskFrameWidth(m);
}

int TacSkinContent::MaskWidthBottom(int MaskIndex) const {
  if (!IsValidImgIndex(MaskIndex)) return 0;
  const TsMaskData& m = ma[size_t(MaskIndex)];
  return m.WB > 0 ? m.WB : m.BorderWidth > 0 ? m.BorderWidth : MaskFrameHeight(m);
}

void TacSkinContent::InitMaskIndexes() {
  for (size_t i = 0; i < gd.size(); ++i) {
    if (int(i) == ConstData.IndexGLobalInfo) continue;
    TsGeneralData& d = gd[i];
    const int index = int(i);
    d.BorderIndex = GetMaskIndex(index, d.ClassName, u"BORDERSMASK");
    d.ImgTL = GetMaskIndex(index, d.ClassName, u"IMGTOPLEFT");
    d.ImgTR = GetMaskIndex(index, d.ClassName, u"IMGTOPRIGHT");
    d.ImgBL = GetMaskIndex(index, d.ClassName, u"IMGBTMLEFT");
    d.ImgBR = GetMaskIndex(index, d.ClassName, u"IMGBTMRIGHT");
  }
}

namespace {

// The 16-bit fields cannot hold every index; one that does not fit counts as absent rather than
// wrapping round to some other picture.
int16_t Index16(int index) { return index > INT16_MAX ? int16_t(-1) : int16_t(index); }

}  // namespace

void TacSkinContent::InitConstantIndexes() {
  TConstantSkinData& c = ConstData;
  auto section = [this](StringView s) { return Index16(GetSkinIndex(s)); };
  auto mask = [this](StringView s, StringView k) {
    return Index16(GetMaskIndex(GetSkinIndex(s), s, k));
  };
  c.IndexGLobalInfo = section(u"GLOBALINFO");
  c.ExBorder = mask(u"GLOBALINFO", u"EXBORDER");

  c.IndexTabTop = section(u"TABTOP");
  c.IndexTabBottom = section(u"TABBOTTOM");
  c.IndexTabLeft = section(u"TABLEFT");
  c.IndexTabRight = section(u"TABRIGHT");
  c.MaskTabTop = mask(u"TABTOP", u"BORDERSMASK");
  c.MaskTabBottom = mask(u"TABBOTTOM", u"BORDERSMASK");
  c.MaskTabLeft = mask(u"TABLEFT", u"BORDERSMASK");
  c.MaskTabRight = mask(u"TABRIGHT", u"BORDERSMASK");

  struct TScrollButton {
    const char16_t* Name;
    int16_t &Index, &Mask, &BG, &BGHot, &Arrow;
  } buttons[] = {
      {u"SCROLLBTNTOP", c.IndexScrollTop, c.MaskScrollTop, c.IndexBGScrollTop,
       c.IndexBGHotScrollTop, c.MaskArrowTop},
      {u"SCROLLBTNBOTTOM", c.IndexScrollBottom, c.MaskScrollBottom, c.IndexBGScrollBottom,
       c.IndexBGHotScrollBottom, c.MaskArrowBottom},
      {u"SCROLLBTNLEFT", c.IndexScrollLeft, c.MaskScrollLeft, c.IndexBGScrollLeft,
       c.IndexBGHotScrollLeft, c.MaskArrowLeft},
      {u"SCROLLBTNRIGHT", c.IndexScrollRight, c.MaskScrollRight, c.IndexBGScrollRight,
       c.IndexBGHotScrollRight, c.MaskArrowRight},
  };
  for (TScrollButton& b : buttons) {
    b.Index = section(b.Name);
    b.Mask = mask(b.Name, u"BORDERSMASK");
    b.BG = mask(b.Name, u"PATTERN");
    b.BGHot = mask(b.Name, u"HOTPATTERN");
    if (b.Index >= 0) b.Arrow = mask(b.Name, u"GLYPHMASK");
  }

  c.IndexSliderVert = section(u"SCROLLSLIDERV");
  c.IndexSliderHorz = section(u"SCROLLSLIDERH");
  c.MaskSliderVert = mask(u"SCROLLSLIDERV", u"BORDERSMASK");
  c.MaskSliderHorz = mask(u"SCROLLSLIDERH", u"BORDERSMASK");
  if (c.IndexSliderVert >= 0) c.MaskSliderGlyphVert = mask(u"SCROLLSLIDERV", u"GLYPHMASK");
  if (c.IndexSliderHorz >= 0) c.MaskSliderGlyphHorz = mask(u"SCROLLSLIDERH", u"GLYPHMASK");
  c.ScrollSliderBGHorz = mask(u"SCROLLSLIDERH", u"PATTERN");
  c.ScrollSliderBGHotHorz = mask(u"SCROLLSLIDERH", u"HOTPATTERN");
  c.ScrollSliderBGVert = mask(u"SCROLLSLIDERV", u"PATTERN");
  c.ScrollSliderBGHotVert = mask(u"SCROLLSLIDERV", u"HOTPATTERN");

  struct TScrollBar {
    const char16_t* Name;
    int16_t &Index, &Mask, &BG, &BGHot;
  } bars[] = {
      {u"SCROLLBAR1H", c.IndexScrollBar1H, c.MaskScrollBar1H, c.BGScrollBar1H, c.BGHotScrollBar1H},
      {u"SCROLLBAR1V", c.IndexScrollBar1V, c.MaskScrollBar1V, c.BGScrollBar1V, c.BGHotScrollBar1V},
      {u"SCROLLBAR2H", c.IndexScrollBar2H, c.MaskScrollBar2H, c.BGScrollBar2H, c.BGHotScrollBar2H},
      {u"SCROLLBAR2V", c.IndexScrollBar2V, c.MaskScrollBar2V, c.BGScrollBar2V, c.BGHotScrollBar2V},
  };
  for (TScrollBar& b : bars) {
    b.Index = section(b.Name);
    b.Mask = mask(b.Name, u"BORDERSMASK");
    b.BG = mask(b.Name, u"PATTERN");
    b.BGHot = mask(b.Name, u"HOTPATTERN");
  }

  c.CheckBoxChecked = mask(u"GLOBALINFO", u"BOXCHECKED");
  c.CheckBoxUnChecked = mask(u"GLOBALINFO", u"BOXUNCHECKED");
  c.CheckBoxGrayed = mask(u"GLOBALINFO", u"BOXGRAYED");
  c.RadioButtonChecked = mask(u"GLOBALINFO", u"RADIOCHECKED");
  c.RadioButtonUnChecked = mask(u"GLOBALINFO", u"RADIOUNCHECKED");
  c.RadioButtonGrayed = mask(u"GLOBALINFO", u"RADIOGRAYED");
  c.SmallCheckBoxChecked = mask(u"GLOBALINFO", u"SMALLCHECKED");
  c.SmallCheckBoxUnChecked = mask(u"GLOBALINFO", u"SMALLUNCHECKED");
  c.SmallCheckBoxGrayed = mask(u"GLOBALINFO", u"SMALLGRAYED");

  c.ComboBtnIndex = GetSkinIndex(u"COMBOBTN");
  c.ComboBtnBorder = GetMaskIndex(u"COMBOBTN", u"BORDERSMASK");
  c.ComboBtnBG = GetTextureIndex(c.ComboBtnIndex, u"COMBOBTN", u"PATTERN");
  c.ComboBtnBGHot = GetTextureIndex(c.ComboBtnIndex, u"COMBOBTN", u"HOTPATTERN");
  c.ComboGlyph = GetMaskIndex(u"COMBOBOX", u"GLYPHMASK");

  InitMaskIndexes();
}

void TacSkinContent::ClearMasks() {
  ma.clear();
  MasterBitmap.reset();
}

void TacSkinContent::ClearPatterns() { pa.clear(); }

void LoadOptionsDocument(const Bytes& optionsEntry, TMemIniFile& document) {
  document.SetCaseSensitive(true);
  document.LoadFromBytes(optionsEntry.data(), optionsEntry.size());
}

TacSkinContent LoadSkinContent(const TMemIniFile& Options, const TacSkinConvertor* Archive,
                               StringView skinPath, const std::vector<String>& CommonSections) {
  TacSkinContent content;
  content.SkinIsPacked = Archive != nullptr;
  content.SkinData.SkinPath = String(skinPath);
  LoadMaskImages(content, Options, Archive, CommonSections);
  LoadPatternImages(content, Options, Archive, CommonSections);
  LoadAllGeneralData(content, Options, CommonSections);
  content.InitConstantIndexes();
  return content;
}

TacSkinContent LoadSkinDirectory(StringView directory, const std::vector<String>& CommonSections) {
  String dir(directory);
  if (!dir.empty() && dir.back() != u'/' && dir.back() != u'\\') dir.push_back(u'/');
  const String optionsFile = FindSkinFile(dir + u"Options.dat");
  if (optionsFile.empty()) {
    throw EFOpenError(dir + u"Options.dat", SystemErrorText(ENOENT));
  }
  TMemIniFile options(optionsFile, true);
  return LoadSkinContent(options, nullptr, dir, CommonSections);
}

TacSkinContent LoadSkinArchive(std::span<const uint8_t> archive,
                               const std::vector<String>& CommonSections) {
  std::unique_ptr<TacSkinConvertor> conv = ReadSkinArchive(archive);
  TMemIniFile options;
  LoadOptionsDocument(*conv->Options, options);
  return LoadSkinContent(options, conv.get(), u"", CommonSections);
}
