#include "skin/data/acSkinOptions.h"

#include <algorithm>
#include <cstdint>

#include "platform/base/Errors.h"

namespace {

constexpr char16_t kGlobalInfo[] = u"GLOBALINFO";
constexpr char16_t kParentClass[] = u"PARENTCLASS";

bool IsTrueText(StringView value) {
  const String v = UpperCaseAscii(value);
  return v == u"1" || v == u"TRUE";
}

int Percent(int v) { return std::clamp(v, 0, 100); }

// The next section of an inheritance chain, or empty when the chain ends here.
String NextAncestor(const TMemIniFile& Options, const String& section,
                    std::vector<String>& visited) {
  String parent = Options.ReadString(section, kParentClass, u"?");
  if (parent.empty() || parent == u"?" || parent == section) return String();
  visited.push_back(section);
  if (std::find(visited.begin(), visited.end(), parent) != visited.end()) return String();
  return parent;
}

// A gradient text that does not parse paints as no gradient, like "N/A", rather than taking the
// whole skin down with it.
TsGradArray ParseGradient(const String& text) {
  try {
    return ParseGradientData(text);
  } catch (const EConvertError&) {
    return {};
  }
}

int16_t Low16(int32_t v) { return static_cast<int16_t>(v); }

int16_t StrictInt(const TMemIniFile& Options, StringView key, StringView def) {
  return Low16(StrToInt(Options.ReadString(kGlobalInfo, key, def)));
}

void CopyState(TsGenState& state, TColor color, const TsFontColor& font, TColor glowColor,
               uint8_t glowSize, int gradientPercent, const String& gradientData,
               const TsGradArray& gradientArray, int imagePercent, int transparency) {
  state.Color = color;
  state.FontColor = font;
  state.GlowColor = glowColor;
  state.GlowSize = glowSize;
  state.GradientPercent = gradientPercent;
  state.GradientData = gradientData;
  state.GradientArray = gradientArray;
  state.ImagePercent = imagePercent;
  state.Transparency = transparency;
}

// Key values of one section; 'read' supplies each key's value as the section-key table says.
struct TKeyReader {
  virtual ~TKeyReader() = default;
  virtual String Str(StringView key, StringView def) const = 0;
  virtual int32_t Int(StringView key, int32_t def) const = 0;
};

struct TSkinKeys final : TKeyReader {
  TSkinKeys(const TMemIniFile& o, const String& s) : Options(o), Section(s) {}
  String Str(StringView key, StringView def) const override {
    return ReadInheritedString(Options, Section, key, def);
  }
  int32_t Int(StringView key, int32_t def) const override {
    return ReadInheritedInt(Options, Section, key, def);
  }
  const TMemIniFile& Options;
  const String& Section;
};

void FillProps0(TsGeneralData& d) {
  CopyState(d.Props[0], d.Color, d.FontColor, d.GlowColor, d.GlowSize, d.GradientPercent,
            d.GradientData, d.GradientArray, d.ImagePercent, d.Transparency);
}

void FillProps1(TsGeneralData& d) {
  if (d.States < 2) {
    d.Props[1] = d.Props[0];
  } else {
    CopyState(d.Props[1], d.HotColor, d.HotFontColor, d.HotGlowColor, d.HotGlowSize,
              d.HotGradientPercent, d.HotGradientData, d.HotGradientArray, d.HotImagePercent,
              d.HotTransparency);
  }
}

void ReadHotKeys(TsGeneralData& d, const TKeyReader& k) {
  d.HotFontColor.Color = k.Int(u"HOTFONTCOLOR", 0);
  d.HotFontColor.Left = k.Int(u"HOTTCLEFT", -1);
  d.HotFontColor.Top = k.Int(u"HOTTCTOP", -1);
  d.HotFontColor.Right = k.Int(u"HOTTCRIGHT", -1);
  d.HotFontColor.Bottom = k.Int(u"HOTTCBOTTOM", -1);
  d.HotGlowColor = ConvertSkinColor(k.Int(u"HGCOL", 0xFFFFFF));
  d.HotGlowSize = uint8_t(k.Int(u"HGSIZE", 0));
  d.HotColor = k.Int(u"HOTCOLOR", 0xFFFFFF);
  d.HotTransparency = Percent(k.Int(u"HOTTRANSPARENCY", 0));
  d.HotGradientPercent = Percent(k.Int(u"HOTGRADIENTPERCENT", 0));
  d.HotGradientData = k.Str(u"HOTGRADIENTDATA", u"");
  d.HotImagePercent = Percent(k.Int(u"HOTIMAGEPERCENT", 0));
  if (d.HotGradientData.size() < 2) {
    d.HotGradientPercent = 0;
  } else {
    d.HotGradientArray = ParseGradient(d.HotGradientData);
  }
}

void ReadSectionKeys(TsGeneralData& d, const TKeyReader& k) {
  d.Color = ConvertSkinColor(k.Int(u"COLOR", 0xFFFFFF));
  d.ReservedBoolean = IsTrueText(k.Str(u"RESERVEDBOOLEAN", u"0"));
  d.GiveOwnFont = IsTrueText(k.Str(u"GIVEOWNFONT", u"0"));
  d.GlowCount = k.Int(u"GLOW", 0);
  d.GlowMargin = k.Int(u"GLOWMARGIN", 0);
  d.FontColor.Color = k.Int(u"FONTCOLOR", 0);
  d.FontColor.Left = k.Int(u"TCLEFT", -1);
  d.FontColor.Top = k.Int(u"TCTOP", -1);
  d.FontColor.Right = k.Int(u"TCRIGHT", -1);
  d.FontColor.Bottom = k.Int(u"TCBOTTOM", -1);
  d.Transparency = Percent(k.Int(u"TRANSPARENCY", 0));
  d.GradientPercent = Percent(k.Int(u"GRADIENTPERCENT", 0));
  d.ImagePercent = Percent(k.Int(u"IMAGEPERCENT", 0));
  d.GradientData = k.Str(u"GRADIENTDATA", u" ");
  d.ShowFocus = IsTrueText(k.Str(u"SHOWFOCUS", u"0"));
  d.FadingEnabled = IsTrueText(k.Str(u"FADINGENABLED", u"0"));
  d.FadingIterations = k.Int(u"FADINGITERATIONS", 5);
  d.GlowColor = ConvertSkinColor(k.Int(u"GCOL", 0xFFFFFF));
  d.GlowSize = uint8_t(k.Int(u"GSIZE", 0));
  if (d.GradientData.size() < 2) {
    d.GradientPercent = 0;
  } else {
    d.GradientArray = ParseGradient(d.GradientData);
  }
}

// A common section's keys: its own value, else the parent record's field, else the default.
struct TCommonKeys final : TKeyReader {
  TCommonKeys(const TMemIniFile& o, const String& s, const TsGeneralData* p)
      : Options(o), Section(s), Parent(p) {}
  String Str(StringView key, StringView def) const override {
    if (Options.ValueExists(Section, key)) return Options.ReadString(Section, key, def);
    if (Parent) {
      if (key == u"GRADIENTDATA") return Parent->GradientData;
      if (key == u"HOTGRADIENTDATA") return Parent->HotGradientData;
      if (key == u"RESERVEDBOOLEAN") return Parent->ReservedBoolean ? u"1" : u"0";
      if (key == u"GIVEOWNFONT") return Parent->GiveOwnFont ? u"1" : u"0";
      if (key == u"SHOWFOCUS") return Parent->ShowFocus ? u"1" : u"0";
      if (key == u"FADINGENABLED") return Parent->FadingEnabled ? u"1" : u"0";
    }
    return String(def);
  }
  int32_t Int(StringView key, int32_t def) const override {
    if (Options.ValueExists(Section, key)) return Options.ReadInteger(Section, key, def);
    if (!Parent) return def;
    const TsGeneralData& p = *Parent;
    const struct {
      const char16_t* Key;
      int32_t Value;
    } fields[] = {
        {u"COLOR", p.Color},
        {u"GLOW", p.GlowCount},
        {u"GLOWMARGIN", p.GlowMargin},
        {u"FONTCOLOR", p.FontColor.Color},
        {u"TCLEFT", p.FontColor.Left},
        {u"TCTOP", p.FontColor.Top},
        {u"TCRIGHT", p.FontColor.Right},
        {u"TCBOTTOM", p.FontColor.Bottom},
        {u"TRANSPARENCY", p.Transparency},
        {u"GRADIENTPERCENT", p.GradientPercent},
        {u"IMAGEPERCENT", p.ImagePercent},
        {u"FADINGITERATIONS", p.FadingIterations},
        {u"GCOL", p.GlowColor},
        {u"GSIZE", p.GlowSize},
        {u"STATES", p.States},
        {u"HOTFONTCOLOR", p.HotFontColor.Color},
        {u"HOTTCLEFT", p.HotFontColor.Left},
        {u"HOTTCTOP", p.HotFontColor.Top},
        {u"HOTTCRIGHT", p.HotFontColor.Right},
        {u"HOTTCBOTTOM", p.HotFontColor.Bottom},
        {u"HGCOL", p.HotGlowColor},
        {u"HGSIZE", p.HotGlowSize},
        {u"HOTCOLOR", p.HotColor},
        {u"HOTTRANSPARENCY", p.HotTransparency},
        {u"HOTGRADIENTPERCENT", p.HotGradientPercent},
        {u"HOTIMAGEPERCENT", p.HotImagePercent},
    };
    for (const auto& f : fields) {
      if (key == f.Key) return f.Value;
    }
    return def;
  }
  const TMemIniFile& Options;
  const String& Section;
  const TsGeneralData* Parent;
};

void MergeCommonSections(TacSkinContent& content, const TMemIniFile& skinOptions,
                         const std::vector<String>& commonSections) {
  TMemIniFile common;
  common.SetCaseSensitive(true);
  common.SetStrings(commonSections);
  std::vector<String> sections;
  common.ReadSections(sections);
  for (const String& name : sections) {
    // Records appended from earlier common sections count as loaded too.
    if (content.GetSkinIndex(name) >= 0) continue;
    TsGeneralData d;
    d.ClassName = name;
    d.ParentClass = UpperCaseAscii(common.ReadString(name, kParentClass, u"-1"));
    const TsGeneralData* parent = nullptr;
    for (const TsGeneralData& g : content.gd) {
      if (UpperCaseAscii(g.ClassName) == d.ParentClass) {
        parent = &g;
        break;
      }
    }
    // Copy the parent first: appending below may move the records.
    std::unique_ptr<TsGeneralData> parentCopy;
    if (parent) parentCopy = std::make_unique<TsGeneralData>(*parent);
    TCommonKeys keys(common, name, parentCopy.get());
    ReadSectionKeys(d, keys);
    ReadHotKeys(d, keys);
    d.States = ReadInheritedInt(skinOptions, name, u"STATES", 4);
    FillProps0(d);
    FillProps1(d);
    content.gd.push_back(std::move(d));
  }
}

}  // namespace

String ReadInheritedString(const TMemIniFile& Options, StringView Section, StringView Key,
                           StringView Default) {
  std::vector<String> visited;
  for (String section(Section); !section.empty();
       section = NextAncestor(Options, section, visited)) {
    String value = Options.ReadString(section, Key, u"?");
    if (value != u"?") return value;
  }
  return String(Default);
}

int32_t ReadInheritedInt(const TMemIniFile& Options, StringView Section, StringView Key,
                         int32_t Default) {
  std::vector<String> visited;
  for (String section(Section); !section.empty();
       section = NextAncestor(Options, section, visited)) {
    const int32_t value = Options.ReadInteger(section, Key, -1);
    if (value != -1) return visited.empty() ? value : ConvertSkinColor(value);
  }
  return Default;
}

void ReadSkinData(const TMemIniFile& o, TsSkinData& s) {
  auto num = [&o](StringView key, int32_t def) { return Low16(o.ReadInteger(kGlobalInfo, key, def)); };
  s.Version = o.ReadFloat(kGlobalInfo, u"VERSION", 0);
  s.Author = o.ReadString(kGlobalInfo, u"AUTHOR", u"");
  s.Description = o.ReadString(kGlobalInfo, u"DESCRIPTION", u"");
  s.ExBorderWidth = num(u"BORDERWIDTH", 4);
  s.ExTitleHeight = num(u"TITLEHEIGHT", 30);
  s.ExMaxHeight = num(u"MAXHEIGHT", 0);
  if (s.ExMaxHeight == 0) s.ExMaxHeight = s.ExTitleHeight;
  s.ExContentOffs = num(u"FORMOFFSET", 8);
  s.ExShadowOffs = num(u"ALIGNOFFSET", 0);
  s.ExCenterOffs = num(u"CENTEROFFSET", 0);
  s.ExDrawMode = num(u"BORDERMODE", 0);
  s.Shadow1Color = o.ReadInteger(kGlobalInfo, u"SHADOW1COLOR", 0);
  s.Shadow1Offset = StrictInt(o, u"SHADOW1OFFSET", u"0");
  s.Shadow1Blur = StrictInt(o, u"SHADOW1BLUR", u"-1");
  s.Shadow1Transparency = StrictInt(o, u"SHADOW1TRANSPARENCY", u"0");
  s.BISpacing = num(u"BISPACE", 0);
  s.BIVAlign = num(u"BIVALIGN", 0);
  s.BIRightMargin = num(u"BIRIGHT", 0);
  s.BILeftMargin = num(u"BILEFT", 0);
  s.BITopMargin = num(u"BITOP", 0);
  s.BorderColor = o.ReadInteger(kGlobalInfo, u"BORDERCOLOR", 0);
  s.BIKeepHUE = num(u"BIKEEPHUE", 0);
  s.BICloseGlow = StrictInt(o, u"BICONCLOSEGLOW", u"0");
  s.BICloseGlowMargin = StrictInt(o, u"BICONCLOSEGLOWMARGIN", u"0");
  s.BIMaxGlow = StrictInt(o, u"BICONMAXGLOW", u"0");
  s.BIMaxGlowMargin = StrictInt(o, u"BICONMAXGLOWMARGIN", u"0");
  s.BIMinGlow = StrictInt(o, u"BICONMINGLOW", u"0");
  s.BIMinGlowMargin = StrictInt(o, u"BICONMINGLOWMARGIN", u"0");
}

void LoadAllGeneralData(TacSkinContent& Content, const TMemIniFile& Options,
                        const std::vector<String>& CommonSections) {
  ReadSkinData(Options, Content.SkinData);
  Content.gd.clear();
  std::vector<String> sections;
  Options.ReadSections(sections);
  Content.gd.reserve(sections.size());
  for (const String& name : sections) {
    TsGeneralData d;
    d.ClassName = name;
    d.ParentClass = Options.ReadString(name, kParentClass, u"");
    TSkinKeys keys(Options, name);
    ReadSectionKeys(d, keys);
    d.States = keys.Int(u"STATES", 4);
    FillProps0(d);
    if (d.States >= 2) ReadHotKeys(d, keys);
    FillProps1(d);
    Content.gd.push_back(std::move(d));
  }
  if (!CommonSections.empty()) MergeCommonSections(Content, Options, CommonSections);
  const int globalInfo = Content.GetSkinIndex(kGlobalInfo);
  Content.ConstData.IndexGLobalInfo = globalInfo > INT16_MAX ? int16_t(-1) : int16_t(globalInfo);
  Content.InitMaskIndexes();
}
