#include <gtest/gtest.h>

#include "platform/base/Errors.h"
#include "skin/data/acSkinOptions.h"
#include "skin/data/acSkinPack.h"
#include "SkinFixtures.h"

namespace {

TMemIniFile Doc(std::string_view text) {
  TMemIniFile ini;
  ini.SetCaseSensitive(true);
  ini.LoadFromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return ini;
}

TacSkinContent Sections(std::string_view text, const std::vector<String>& common = {}) {
  TacSkinContent content;
  LoadAllGeneralData(content, Doc(text), common);
  return content;
}

const TsGeneralData& Section(const TacSkinContent& c, StringView name) {
  const int i = c.GetSkinIndex(name);
  EXPECT_GE(i, 0) << StringToUtf8(name);
  return c.gd.at(size_t(i < 0 ? 0 : i));
}

void ExpectSameState(const TsGenState& a, const TsGenState& b) {
  EXPECT_EQ(a.Color, b.Color);
  EXPECT_EQ(a.FontColor, b.FontColor);
  EXPECT_EQ(a.GradientPercent, b.GradientPercent);
  EXPECT_EQ(a.GradientData, b.GradientData);
  EXPECT_EQ(a.GradientArray.size(), b.GradientArray.size());
  EXPECT_EQ(a.ImagePercent, b.ImagePercent);
  EXPECT_EQ(a.GlowColor, b.GlowColor);
  EXPECT_EQ(a.GlowSize, b.GlowSize);
  EXPECT_EQ(a.Transparency, b.Transparency);
}

const TColor kButtonFace = TColor(win::GetSysColor(win::COLOR_BTNFACE));

TEST(SkinOptions, Inheritance) {
  const TMemIniFile doc = Doc(
      "[A]\nPARENTCLASS=B\nFONTCOLOR=-2147483633\nMARK=?\nNUM=-1\n"
      "[B]\nPARENTCLASS=C\nCOLOR=-2147483633\nMARK=from B\n"
      "[C]\nCOLOR=1\nMARK=from C\nNUM=12\nDEEP=c\n"
      "[Self]\nPARENTCLASS=Self\n"
      "[Loop1]\nPARENTCLASS=Loop2\n[Loop2]\nPARENTCLASS=Loop1\n"
      "[Orphan]\nPARENTCLASS=Missing\n");
  EXPECT_EQ(ReadInheritedString(doc, u"A", u"MARK", u"d"), u"from B");  // "?" counts as absent
  EXPECT_EQ(ReadInheritedString(doc, u"A", u"DEEP", u"d"), u"c");
  EXPECT_EQ(ReadInheritedString(doc, u"A", u"NONE", u"d"), u"d");
  EXPECT_EQ(ReadInheritedInt(doc, u"A", u"NUM", 5), 12);             // -1 counts as absent
  EXPECT_EQ(ReadInheritedInt(doc, u"A", u"COLOR", 5), kButtonFace);  // converted when inherited
  EXPECT_EQ(ReadInheritedInt(doc, u"A", u"FONTCOLOR", 5), -2147483633);  // own value as written
  EXPECT_EQ(ReadInheritedInt(doc, u"A", u"NONE", -2147483633), -2147483633);  // default as given
  EXPECT_EQ(ReadInheritedString(doc, u"Self", u"COLOR", u"d"), u"d");
  EXPECT_EQ(ReadInheritedString(doc, u"Loop1", u"COLOR", u"d"), u"d");
  EXPECT_EQ(ReadInheritedInt(doc, u"Loop2", u"COLOR", 7), 7);
  EXPECT_EQ(ReadInheritedInt(doc, u"Orphan", u"COLOR", 7), 7);

  const TacSkinContent c = Sections(
      "[A]\nPARENTCLASS=B\nFONTCOLOR=-2147483633\n[B]\nCOLOR=-2147483633\n[S]\nPARENTCLASS=S\n"
      "[Loop1]\nPARENTCLASS=Loop2\n[Loop2]\nPARENTCLASS=Loop1\n");
  EXPECT_EQ(Section(c, u"A").Color, kButtonFace);
  EXPECT_EQ(Section(c, u"A").FontColor.Color, -2147483633);
  EXPECT_EQ(Section(c, u"B").Color, kButtonFace);  // COLOR is converted also when own
  EXPECT_EQ(Section(c, u"S").Color, clWhite);
  EXPECT_EQ(Section(c, u"Loop1").Color, clWhite);
}

TEST(SkinOptions, SectionDefaultsAndConversions) {
  const TacSkinContent c = Sections(
      "[Empty]\n"
      "[Button]\ncolor=5\n"
      "[Vals]\nCOLOR=0x0000FF\nGSIZE=300\nHGSIZE=257\nTRANSPARENCY=150\nIMAGEPERCENT=-3\n"
      "SHOWFOCUS=true\nFADINGENABLED=1\nGIVEOWNFONT=yes\nRESERVEDBOOLEAN=TRUE\n"
      "GRADIENTPERCENT=50\nGRADIENTDATA=x\nHOTGRADIENTPERCENT=40\nHOTGRADIENTDATA=N/A\n"
      "GLOW=2\nGLOWMARGIN=6\nGCOL=-2147483633\nHOTCOLOR=-2147483633\n");
  EXPECT_EQ(c.GetSkinIndex(u"BUTTON"), -1);
  EXPECT_EQ(Section(c, u"Button").Color, clWhite);  // "color" is not COLOR

  const TsGeneralData& e = Section(c, u"Empty");
  EXPECT_EQ(e.Color, clWhite);
  EXPECT_EQ(e.States, 4);
  EXPECT_EQ(e.FadingIterations, 5);
  EXPECT_EQ(e.FontColor, (TsFontColor{0, -1, -1, -1, -1}));
  EXPECT_EQ(e.GradientData, u" ");
  EXPECT_EQ(e.HotColor, clWhite);
  EXPECT_EQ(e.HotFontColor, (TsFontColor{0, -1, -1, -1, -1}));
  EXPECT_EQ(e.GlowColor, clWhite);
  EXPECT_EQ(e.BorderIndex, -1);
  EXPECT_EQ(e.ImgTL, -1);
  EXPECT_EQ(e.Props[0].Color, clWhite);
  EXPECT_EQ(e.Props[1].Color, clWhite);

  const TsGeneralData& v = Section(c, u"Vals");
  EXPECT_EQ(v.Color, 255);
  EXPECT_EQ(v.GlowSize, 44);
  EXPECT_EQ(v.HotGlowSize, 1);
  EXPECT_EQ(v.Transparency, 100);
  EXPECT_EQ(v.ImagePercent, 0);
  EXPECT_TRUE(v.ShowFocus);
  EXPECT_TRUE(v.FadingEnabled);
  EXPECT_FALSE(v.GiveOwnFont);
  EXPECT_TRUE(v.ReservedBoolean);
  EXPECT_EQ(v.GradientPercent, 0);  // one character is no gradient
  EXPECT_EQ(v.GradientData, u"x");
  EXPECT_EQ(v.HotGradientPercent, 40);  // "N/A" is text of more than one character
  EXPECT_TRUE(v.HotGradientArray.empty());
  EXPECT_EQ(v.GlowCount, 2);
  EXPECT_EQ(v.GlowMargin, 6);
  EXPECT_EQ(v.GlowColor, kButtonFace);
  EXPECT_EQ(v.HotColor, -2147483633);  // HOTCOLOR is not converted
  EXPECT_EQ(v.Props[0].GlowSize, 44);
  EXPECT_EQ(v.Props[1].Color, -2147483633);
  EXPECT_EQ(v.Props[1].GradientPercent, 40);
}

TEST(SkinOptions, HotStateOnlyWithTwoOrMoreStates) {
  const TacSkinContent c = Sections(
      "[One]\nSTATES=1\nCOLOR=10\nHOTCOLOR=255\nHOTFONTCOLOR=7\n"
      "[Two]\nSTATES=2\nCOLOR=10\nHOTCOLOR=255\nHOTFONTCOLOR=7\nHOTTCLEFT=3\n");
  const TsGeneralData& one = Section(c, u"One");
  EXPECT_EQ(one.HotColor, 0);
  EXPECT_EQ(one.HotFontColor, TsFontColor{});
  ExpectSameState(one.Props[1], one.Props[0]);
  const TsGeneralData& two = Section(c, u"Two");
  EXPECT_EQ(two.HotColor, 255);
  EXPECT_EQ(two.Props[1].Color, 255);
  EXPECT_EQ(two.Props[1].FontColor, (TsFontColor{7, 3, -1, -1, -1}));
  EXPECT_EQ(two.Props[0].Color, 10);
}

TEST(SkinOptions, GradientsAreParsedForBothStates) {
  const TacSkinContent c = Sections(
      "[G]\nGRADIENTPERCENT=60\nGRADIENTDATA=255;65280;100;1;0\nSTATES=2\n"
      "HOTGRADIENTPERCENT=30\nHOTGRADIENTDATA=1;2;50;0;0;3;4;50;0;0\n"
      "[Bad]\nGRADIENTPERCENT=60\nGRADIENTDATA=red;green;100;1;0\n");
  const TsGeneralData& g = Section(c, u"G");
  ASSERT_EQ(g.GradientArray.size(), 1u);
  EXPECT_EQ(g.GradientArray[0].Color1, 255);
  EXPECT_EQ(g.GradientArray[0].Color2, 65280);
  EXPECT_EQ(g.GradientArray[0].Mode1, 1);
  EXPECT_EQ(g.Props[0].GradientArray.size(), 1u);
  EXPECT_EQ(g.HotGradientArray.size(), 2u);
  EXPECT_EQ(g.Props[1].GradientArray.size(), 2u);
  EXPECT_EQ(g.Props[1].GradientPercent, 30);
  // A gradient that does not parse paints as none; the skin still loads.
  EXPECT_TRUE(Section(c, u"Bad").GradientArray.empty());
  EXPECT_EQ(Section(c, u"Bad").GradientPercent, 60);
}

TEST(SkinOptions, GlobalInfo) {
  const TacSkinContent c = Sections(
      "[GLOBALINFO]\nVERSION=7.0\nAUTHOR=Us\nDESCRIPTION=Test skin\nBORDERWIDTH=two\n"
      "TITLEHEIGHT=28\nFORMOFFSET=65537\nSHADOW1COLOR=6705944\nSHADOW1OFFSET=1\nSHADOW1BLUR=2\n"
      "BISPACE=2\nBIKEEPHUE=2\nBORDERCOLOR=15592941\nBICONCLOSEGLOW=1\nBICONCLOSEGLOWMARGIN=20\n"
      "CAPTIONHEIGHT=99\n");
  const TsSkinData& s = c.SkinData;
  EXPECT_DOUBLE_EQ(s.Version, 7.0);
  EXPECT_EQ(s.Author, u"Us");
  EXPECT_EQ(s.Description, u"Test skin");
  EXPECT_EQ(s.ExBorderWidth, 4);  // not a number: the default
  EXPECT_EQ(s.ExTitleHeight, 28);
  EXPECT_EQ(s.ExMaxHeight, 28);  // absent: the title height
  EXPECT_EQ(s.ExContentOffs, 1);  // low 16 bits
  EXPECT_EQ(s.Shadow1Color, 6705944);
  EXPECT_EQ(s.Shadow1Offset, 1);
  EXPECT_EQ(s.Shadow1Blur, 2);
  EXPECT_EQ(s.Shadow1Transparency, 0);
  EXPECT_EQ(s.BISpacing, 2);
  EXPECT_EQ(s.BIKeepHUE, 2);
  EXPECT_EQ(s.BorderColor, 15592941);
  EXPECT_EQ(s.BICloseGlow, 1);
  EXPECT_EQ(s.BICloseGlowMargin, 20);
  EXPECT_EQ(c.ConstData.IndexGLobalInfo, 0);

  const TacSkinContent d = Sections("[GLOBALINFO]\nVERSION=7,5\nMAXHEIGHT=34\n");
  EXPECT_DOUBLE_EQ(d.SkinData.Version, 0);
  EXPECT_EQ(d.SkinData.ExMaxHeight, 34);
  EXPECT_EQ(d.SkinData.Shadow1Blur, -1);
  EXPECT_EQ(d.SkinData.ExBorderWidth, 4);
  EXPECT_EQ(d.SkinData.ExTitleHeight, 30);
  EXPECT_EQ(d.SkinData.ExContentOffs, 8);
}

TEST(SkinOptions, StrictGlobalKeysAbortTheLoad) {
  const char* keys[] = {"SHADOW1OFFSET",        "SHADOW1BLUR",    "SHADOW1TRANSPARENCY",
                        "BICONCLOSEGLOW",       "BICONMAXGLOW",   "BICONMINGLOW",
                        "BICONCLOSEGLOWMARGIN", "BICONMAXGLOWMARGIN", "BICONMINGLOWMARGIN"};
  for (const char* key : keys) {
    const std::string text = std::string("[GLOBALINFO]\n") + key + "=two\n";
    EXPECT_THROW(Sections(text), EConvertError) << key;
  }
  EXPECT_NO_THROW(Sections("[GLOBALINFO]\nSHADOW1OFFSET=0x10\n"));
}

TEST(SkinOptions, SectionListAndValidity) {
  TacSkinContent c = Sections("[GLOBALINFO]\n[FORM]\n[FORM]\n[EDIT]\n");
  EXPECT_EQ(c.gd.size(), 4u);
  EXPECT_EQ(c.GetSkinIndex(u"FORM"), 1);
  EXPECT_EQ(c.GetSkinIndex(u""), -1);
  EXPECT_TRUE(c.IsValidSkinIndex(3));
  EXPECT_FALSE(c.IsValidSkinIndex(4));
  EXPECT_FALSE(c.IsValidSkinIndex(-1));
  std::vector<String> names{u"stale"};
  c.GetSkinSections(names);
  EXPECT_TRUE(names.empty());  // no skin active yet
  c.SkinData.Active = true;
  c.GetSkinSections(names);
  EXPECT_EQ(names, (std::vector<String>{u"GLOBALINFO", u"FORM", u"FORM", u"EDIT"}));
}

TEST(SkinOptions, CommonSectionsAppendNewSectionsOnly) {
  const TacSkinContent c = Sections(
      "[BUTTON]\nCOLOR=100\nFONTCOLOR=7\nSTATES=3\nHOTCOLOR=200\n[MYBTN]\nSTATES=1\n",
      {u"[BUTTON]", u"COLOR=1", u"[MyBtn]", u"PARENTCLASS=button", u"COLOR=50",
       u"[MYBTN]", u"COLOR=9", u"[Plain]", u"[MyBtn]", u"COLOR=60"});
  ASSERT_EQ(c.gd.size(), 4u);  // a repeated common section appends nothing more
  EXPECT_EQ(Section(c, u"BUTTON").Color, 100);  // a skin section keeps its own record
  EXPECT_EQ(Section(c, u"MYBTN").Color, clWhite);
  const TsGeneralData& mine = Section(c, u"MyBtn");
  EXPECT_EQ(mine.ParentClass, u"BUTTON");
  EXPECT_EQ(mine.Color, 50);
  EXPECT_EQ(mine.FontColor.Color, 7);  // from the parent record
  EXPECT_EQ(mine.HotColor, 200);
  EXPECT_EQ(mine.States, 4);  // read again from the skin document
  EXPECT_EQ(mine.Props[1].Color, 200);
  const TsGeneralData& plain = Section(c, u"Plain");
  EXPECT_EQ(plain.ParentClass, u"-1");
  EXPECT_EQ(plain.Color, clWhite);
}

}  // namespace
