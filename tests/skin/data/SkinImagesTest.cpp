#include <gtest/gtest.h>

#include "platform/base/Errors.h"
#include "skin/data/acSkinImages.h"
#include "skin/data/acSkinOptions.h"
#include "SkinFixtures.h"

namespace {

using skintest::MakeBmp;
using skintest::MakePng;
using skintest::Solid;
using skintest::Text;

const win::Bgra kKey = Solid(255, 0, 255);

TacSkinContent FromArchive(std::string_view options, std::vector<TacArchiveEntry> pictures = {}) {
  pictures.insert(pictures.begin(), TacArchiveEntry{u"Options.dat", Text(options)});
  const Bytes archive = PackSkinArchive(pictures);
  return LoadSkinArchive(std::span<const uint8_t>(archive));
}

const TsMaskData* Mask(const TacSkinContent& c, StringView section, StringView key) {
  const int i = c.GetMaskIndex(section, key);
  return i < 0 ? nullptr : &c.ma[size_t(i)];
}

struct Geometry {
  win::RECT R;
  int ImageCount, MaskType, BorderWidth, DrawMode;
  TacImgType ImgType;
  int WL, WT, WR, WB;
};

void ExpectGeometry(const TsMaskData* m, const Geometry& g, const std::string& what) {
  ASSERT_NE(m, nullptr) << what;
  EXPECT_EQ(m->R, g.R) << what;
  EXPECT_EQ(m->ImageCount, g.ImageCount) << what;
  EXPECT_EQ(m->MaskType, g.MaskType) << what;
  EXPECT_EQ(m->BorderWidth, g.BorderWidth) << what;
  EXPECT_EQ(m->DrawMode, g.DrawMode) << what;
  EXPECT_EQ(m->ImgType, g.ImgType) << what;
  EXPECT_EQ((std::array<int, 4>{m->WL, m->WT, m->WR, m->WB}), (std::array<int, 4>{g.WL, g.WT, g.WR, g.WB}))
      << what;
}

TEST(SkinImages, PictureFilesWithParameters) {
  const auto white = [](int, int) { return Solid(255, 255, 255); };
  const std::vector<TacArchiveEntry> files = {{u"Border.png", MakePng(90, 60, white)},
                                              {u"A.bmp", MakeBmp(30, 12, white)}};
  struct Case {
    const char* value;
    Geometry g;
  } cases[] = {
      {"!BORDER.PNG!3!1", {{0, 0, 90, 60}, 3, 1, 0, 4, itisaBorder, 10, 10, 10, 10}},
      {"!A.BMP!1!0!9", {{0, 0, 30, 12}, 1, 0, 0, 4, itisaPngGlyph, 10, 4, 10, 4}},
      {"!A.BMP!2!0!3!0043!0068!0044!0043", {{0, 0, 30, 12}, 2, 0, 0, 4, itisaGlow, 43, 68, 44, 43}},
      {"!A.BMP!1!0!1!1!2!3!4!7", {{0, 0, 30, 12}, 1, 0, 0, 7, itisaTexture, 1, 2, 3, 4}},
      {"!!A.BMP!!x!0!-2", {{0, 0, 30, 12}, 0, 0, 0, 4, itisaBorder, 0, 0, 0, 0}},
  };
  std::string options = "[S]\n";
  for (size_t i = 0; i < std::size(cases); ++i) {
    options += "K" + std::to_string(i) + "=" + cases[i].value + "\n";
  }
  // "!!A.BMP!!x!0!-2" has fewer than five words and ImageCount 0: it cannot be laid out.
  EXPECT_THROW(FromArchive(options, files), EConvertError);
  options.resize(options.rfind("K4="));
  options += "lower=!border.png!3!1\nmissing=!NONE.BMP!1!0\nnotpicture=!TEXT.TXT!1\n";
  const TacSkinContent c = FromArchive(options, files);
  for (size_t i = 0; i + 1 < std::size(cases); ++i) {
    const String key = u"K" + IntToStr(int64_t(i));
    ExpectGeometry(Mask(c, u"S", key), cases[i].g, cases[i].value);
    EXPECT_TRUE(Mask(c, u"S", key)->Bmp);
  }
  EXPECT_EQ(c.ma.size(), 4u);  // the lower-case, missing and non-picture values give nothing

  for (const char* bad : {"!BORDER.PNG!0!1", "!BORDER.PNG!1!-1"}) {
    EXPECT_THROW(FromArchive(std::string("[S]\nK=") + bad + "\n", files), EConvertError) << bad;
  }
}

TEST(SkinImages, PicturePixelsGetTheirAlpha) {
  const auto pattern = [](int x, int) {
    return x == 0 ? Solid(255, 0, 255) : x == 1 ? Solid(255, 255, 255, 0) : Solid(10, 20, 30, 128);
  };
  const TacSkinContent c = FromArchive(
      "[S]\nP=!P.PNG!1!0\nB24=!B24.BMP!1!0\nB32=!B32.BMP!1!0\n",
      {{u"P.png", MakePng(3, 1, pattern)},
       {u"B24.bmp", MakeBmp(3, 1, pattern, 24)},
       {u"B32.bmp", MakeBmp(3, 1, pattern, 32)}});
  const win::Bitmap& png = *Mask(c, u"S", u"P")->Bmp;
  EXPECT_EQ(png.Pixel32(0, 0), kKey);                        // PNG alpha is its own
  EXPECT_EQ(png.Pixel32(1, 0), (win::Bgra{0, 0, 0, 0}));     // transparent white -> zero
  EXPECT_EQ(png.Pixel32(2, 0), Solid(10, 20, 30, 128));
  const win::Bitmap& b24 = *Mask(c, u"S", u"B24")->Bmp;
  EXPECT_EQ(b24.Pixel32(0, 0), Solid(255, 0, 255, 0));       // key colour transparent
  EXPECT_EQ(b24.Pixel32(1, 0), Solid(255, 255, 255, 255));
  EXPECT_EQ(b24.Pixel32(2, 0), Solid(10, 20, 30, 255));
  const win::Bitmap& b32 = *Mask(c, u"S", u"B32")->Bmp;
  EXPECT_EQ(b32.Pixel32(2, 0).a, 128);                       // a 32-bit BMP keeps its alpha
}

TEST(SkinImages, MasterBitmapRectangles) {
  struct Case {
    const char* value;
    Geometry g;
  } cases[] = {
      {"@0133@0000@0217@0015@3@0", {{133, 0, 217, 15}, 3, 0, 0, 0, itisaGlyph, 0, 0, 0, 0}},
      {"^0003^0039^0006^0040^0001^0000^0000^0000^1^0^1^1",
       {{3, 39, 6, 40}, 1, 0, 1, 1, itisaBorder, 1, 0, 0, 0}},
      {"^0000^0000^0030^0030^0000^0000^0000^0000^1^0^0^2",
       {{0, 0, 30, 30}, 1, 0, 2, 0, itisaBorder, 2, 2, 2, 2}},
      {"^0000^0000^0030^0030^0000^0000^0000^0000^1^0^0^0",
       {{0, 0, 30, 30}, 1, 0, 0, 0, itisaBorder, 10, 10, 10, 10}},
      {"~0029~0034~0032~0040~10~1", {{29, 34, 32, 40}, 1, 1, 0, 10, itisaTexture, 0, 0, 0, 0}},
      {"~0000^0000^0030^0030^05", {{0, 0, 30, 30}, 1, 0, 0, 5, itisaTexture, 0, 0, 0, 0}},
      {"OLD#(0,0,30,60)(3,1)", {{0, 0, 30, 60}, 3, 1, 0, 1, itisaBorder, 3, 10, 3, 10}},
      {"OLD# (0,0,x,60) (0,-2,4,2)", {{0, 0, 0, 60}, 1, 0, 4, 2, itisaBorder, 4, 4, 4, 4}},
  };
  std::string options = "[GLOBALINFO]\nMASTERBITMAP=MASTER.BMP\n[S]\nHASH=#\n";
  for (size_t i = 0; i < std::size(cases); ++i) {
    options += "K" + std::to_string(i) + "=" + cases[i].value + "\n";
  }
  const TacSkinContent c = FromArchive(
      options, {{u"Master.bmp", MakeBmp(4, 2, [](int x, int) { return x ? Solid(1, 2, 3) : kKey; })}});
  ASSERT_EQ(c.ma.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const String key = u"K" + IntToStr(int64_t(i));
    const TsMaskData* m = Mask(c, u"S", key);
    ExpectGeometry(m, cases[i].g, cases[i].value);
    EXPECT_FALSE(m->Bmp);
  }
  ASSERT_EQ(c.MasterBitmap->Width(), 4);
  EXPECT_EQ(c.MasterBitmap->Pixel32(0, 0).a, 0);
  EXPECT_EQ(c.MasterBitmap->Pixel32(1, 1), Solid(1, 2, 3, 255));
}

TEST(SkinImages, MalformedFixedLayoutsAbortTheLoad) {
  const char* bad[] = {
      "@01x3@0000@0217@0015@3@0",                           // not a digit
      "@+133@0000@0217@0015@3@0",                           // a sign is not a digit either
      "@0133@0000@0217@0015@3",                             // too short
      "^0000^0000^0030^0030^0000^0000^0000^0000^0^0^0^0",   // no frames to divide by
      "^0000^0000^0030^0030^0000^0000^0000^0000^1^0^0",     // too short
      "~0029~0034~0032~0040~1",                             // too short
      "~0029~0034~0032~0040~10~x",                          // not a digit
      "OLD#(0,0,30,60)(3,1,x)",                             // strict third number
  };
  for (const char* value : bad) {
    EXPECT_THROW(FromArchive(std::string("[S]\nK=") + value + "\n"), EConvertError) << value;
  }
}

TEST(SkinImages, OldStyleBorderFiles) {
  const TacSkinContent c = FromArchive(
      "[Btn]\nBordersMask=border.bmp\nNA=N/A\nNUM=15461355\nBordersMask=@0000@0000@0001@0001@1@0\n"
      "[Btn]\nOTHER=border.bmp\n",
      {{u"Border.BMP", MakeBmp(90, 60, [](int, int) { return Solid(0, 0, 0); })}});
  ASSERT_EQ(c.ma.size(), 1u);  // a repeated key or section reads as its first occurrence
  ExpectGeometry(Mask(c, u"BTN", u"BORDERSMASK"),
                 {{0, 0, 90, 60}, 3, 1, 0, 0, itisaBorder, 10, 10, 10, 10}, "border.bmp");
}

TEST(SkinImages, JpegSizeDecidesPatternOrTexture) {
  const TacSkinContent c = FromArchive(
      "[FORM]\nPATTERN=big.jpg\nHOTPATTERN=SMALL.JPEG\n",
      {{u"BIG.JPG", skintest::MakeJpeg(1000, 900)}, {u"SMALL.JPEG", skintest::MakeJpeg(1000, 899)}});
  ASSERT_EQ(c.pa.size(), 1u);
  EXPECT_EQ(c.pa[0].ClassName, u"FORM");
  EXPECT_EQ(c.pa[0].PropertyName, u"PATTERN");
  EXPECT_EQ(c.pa[0].Img->Width, 1000);
  EXPECT_EQ(c.pa[0].Img->Decode().Height(), 900);
  EXPECT_EQ(c.GetPatternIndex(c.GetSkinIndex(u"FORM"), u"FORM", u"PATTERN"), 0);

  const TsMaskData* small = Mask(c, u"FORM", u"HOTPATTERN");
  ExpectGeometry(small, {{0, 0, 1000, 899}, 1, 0, 0, 0, itisaTexture, 0, 0, 0, 0}, "small");
  EXPECT_EQ(small->Bmp->Pixel32(5, 5).a, 255);
}

TEST(SkinImages, UnpackedSkinFindsFilesWithoutRegardToCase) {
  skintest::TempDir dir;
  skintest::WriteFile(dir / u"options.dat",
                      Text("[GLOBALINFO]\nMASTERBITMAP=MASTER.BMP\n[S]\nA=!GLYPH.PNG!1!0\nB=OLD.BMP\n"
                           "C=!NOTHERE.PNG!1!0\n"));
  skintest::WriteFile(dir / u"master.bmp", MakeBmp(8, 8, [](int, int) { return Solid(9, 9, 9); }));
  skintest::WriteFile(dir / u"Glyph.png", MakePng(6, 3, [](int, int) { return Solid(1, 1, 1); }));
  skintest::WriteFile(dir / u"old.bmp", MakeBmp(9, 6, [](int, int) { return Solid(1, 1, 1); }));
  const TacSkinContent c = LoadSkinDirectory(dir.Path);
  EXPECT_FALSE(c.SkinIsPacked);
  EXPECT_EQ(c.MasterBitmap->Width(), 8);
  ASSERT_NE(Mask(c, u"S", u"A"), nullptr);
  EXPECT_EQ(Mask(c, u"S", u"A")->Bmp->Width(), 6);
  EXPECT_NE(Mask(c, u"S", u"B"), nullptr);
  EXPECT_EQ(c.ma.size(), 2u);

  skintest::WriteFile(dir / u"Glyph.png", Text("\x89PNG broken"));
  EXPECT_THROW(LoadSkinDirectory(dir.Path), EInvalidGraphic);
  EXPECT_THROW(LoadSkinDirectory(dir / u"none"), EFOpenError);
}

TEST(SkinImages, LookupsFollowParents) {
  TacSkinContent c = FromArchive(
      "[A]\nPARENTCLASS=B\n[B]\nPARENTCLASS=C\nBORDERSMASK=@0000@0000@0010@0010@1@0\n"
      "PATTERN=~0000~0000~0004~0004~01\nGLYPHMASK=@0000@0000@0004@0004@1@0\n"
      "[C]\nGLYPHMASK=~0000~0000~0004~0004~01\n"
      "[L1]\nPARENTCLASS=L2\n[L2]\nPARENTCLASS=L1\n[Self]\nPARENTCLASS=Self\n");
  const int a = c.GetSkinIndex(u"A");
  const int b = c.GetSkinIndex(u"B");
  EXPECT_EQ(c.GetMaskIndex(a, u"A", u"BORDERSMASK"), c.GetMaskIndex(u"B", u"BORDERSMASK"));
  EXPECT_EQ(c.GetMaskIndex(u"A", u"BORDERSMASK"), -1);  // the exact form has no fallback
  EXPECT_EQ(c.GetMaskIndex(-1, u"B", u"BORDERSMASK"), -1);
  EXPECT_EQ(c.GetMaskIndex(b, u"", u"BORDERSMASK"), -1);
  EXPECT_EQ(c.GetMaskIndex(a, u"A", u"bordersmask"), -1);
  EXPECT_EQ(c.GetMaskIndex(c.GetSkinIndex(u"L1"), u"L1", u"X"), -1);
  EXPECT_EQ(c.GetMaskIndex(c.GetSkinIndex(u"Self"), u"Self", u"X"), -1);
  // Textures only: B's GLYPHMASK is a glyph, so the search goes on to C's texture.
  EXPECT_EQ(c.GetTextureIndex(a, u"A", u"GLYPHMASK"), c.GetMaskIndex(u"C", u"GLYPHMASK"));
  EXPECT_EQ(c.GetTextureIndex(a, u"A", u"PATTERN"), c.GetMaskIndex(u"B", u"PATTERN"));
  EXPECT_EQ(c.GetPatternIndex(a, u"A", u"PATTERN"), -1);  // no patterns at all
  EXPECT_EQ(c.gd[size_t(a)].BorderIndex, c.GetMaskIndex(u"B", u"BORDERSMASK"));
  EXPECT_TRUE(c.IsValidImgIndex(0));
  EXPECT_FALSE(c.IsValidImgIndex(int(c.ma.size())));
}

TEST(SkinImages, BorderWidthsAndFrames) {
  TacSkinContent c;
  auto add = [&c](win::RECT r, int ic, int mt, int bw, int wl, int wt) {
    TsMaskData& m = c.ma.emplace_back();
    m.R = r;
    m.ImageCount = int16_t(ic);
    m.MaskType = int16_t(mt);
    m.BorderWidth = int16_t(bw);
    m.WL = m.WR = int16_t(wl);
    m.WT = m.WB = int16_t(wt);
    return int(c.ma.size() - 1);
  };
  struct Case {
    int index, left, top, frameW, frameH;
  } cases[] = {
      {add({0, 0, 30, 20}, 0, 1, 0, 0, 0), 30, 10, 30, 10},  // ImageCount 0 becomes 1 for the left
      {add({0, 0, 30, 20}, 3, 0, 0, 0, 0), 10, 20, 10, 20},
      {add({0, 0, 30, 21}, 3, 2, 5, 0, 0), 5, 5, 10, 7},
      {add({0, 0, 30, 20}, 3, -1, 0, 4, 0), 4, 0, 10, 0},
      {add({10, 10, 40, 30}, 2, 1, 3, 0, 6), 3, 6, 15, 10},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(c.MaskWidthLeft(k.index), k.left) << k.index;
    EXPECT_EQ(c.MaskWidthRight(k.index), k.left) << k.index;
    EXPECT_EQ(c.MaskWidthTop(k.index), k.top) << k.index;
    EXPECT_EQ(c.MaskWidthBottom(k.index), k.top) << k.index;
    EXPECT_EQ(MaskFrameWidth(c.ma[size_t(k.index)]), k.frameW) << k.index;
    EXPECT_EQ(MaskFrameHeight(c.ma[size_t(k.index)]), k.frameH) << k.index;
  }
  EXPECT_EQ(c.MaskWidthLeft(99), 0);
  EXPECT_EQ(c.MaskWidthTop(-1), 0);
}

TEST(SkinImages, ConstantIndexes) {
  const char* glyph = "@0000@0000@0004@0004@1@0";
  const char* texture = "~0000~0000~0004~0004~01";
  std::string text = "[GLOBALINFO]\nEXBORDER=^0000^0000^0030^0030^0000^0000^0000^0000^1^0^0^2\n";
  for (const char* k : {"BOXCHECKED", "BOXUNCHECKED", "BOXGRAYED", "RADIOCHECKED", "RADIOUNCHECKED",
                        "RADIOGRAYED", "SMALLCHECKED", "SMALLUNCHECKED", "SMALLGRAYED"}) {
    text += std::string(k) + "=" + glyph + "\n";
  }
  text += std::string("[SCROLLBASE]\nGLYPHMASK=") + glyph + "\nBORDERSMASK=" + glyph + "\n" +
          "[SCROLLBTNTOP]\nPARENTCLASS=SCROLLBASE\nPATTERN=" + texture + "\n" +
          "[SCROLLSLIDERH]\nHOTPATTERN=" + texture + "\n" +
          "[COMBOBTN]\nPARENTCLASS=SCROLLBASE\nPATTERN=" + texture + "\nHOTPATTERN=" + glyph + "\n" +
          "[COMBOBOX]\nGLYPHMASK=" + glyph + "\n[TABTOP]\n[SCROLLBAR2V]\nBORDERSMASK=" + glyph + "\n";
  const TacSkinContent c = FromArchive(text);
  const TConstantSkinData& d = c.ConstData;
  EXPECT_EQ(d.IndexGLobalInfo, 0);
  EXPECT_EQ(d.ExBorder, c.GetMaskIndex(u"GLOBALINFO", u"EXBORDER"));
  EXPECT_GE(d.CheckBoxChecked, 0);
  EXPECT_EQ(d.SmallCheckBoxGrayed, c.GetMaskIndex(u"GLOBALINFO", u"SMALLGRAYED"));
  EXPECT_EQ(d.IndexScrollTop, c.GetSkinIndex(u"SCROLLBTNTOP"));
  EXPECT_EQ(d.MaskArrowTop, c.GetMaskIndex(u"SCROLLBASE", u"GLYPHMASK"));  // through the parent
  EXPECT_EQ(d.MaskScrollTop, c.GetMaskIndex(u"SCROLLBASE", u"BORDERSMASK"));
  EXPECT_EQ(d.IndexBGScrollTop, c.GetMaskIndex(u"SCROLLBTNTOP", u"PATTERN"));
  EXPECT_EQ(d.IndexBGHotScrollTop, -1);
  EXPECT_EQ(d.IndexScrollBottom, -1);
  EXPECT_EQ(d.MaskArrowBottom, -1);
  EXPECT_EQ(d.MaskSliderGlyphVert, -1);
  EXPECT_EQ(d.ScrollSliderBGHotHorz, c.GetMaskIndex(u"SCROLLSLIDERH", u"HOTPATTERN"));
  EXPECT_EQ(d.IndexTabTop, c.GetSkinIndex(u"TABTOP"));
  EXPECT_EQ(d.MaskTabTop, -1);
  EXPECT_EQ(d.MaskScrollBar2V, c.GetMaskIndex(u"SCROLLBAR2V", u"BORDERSMASK"));
  EXPECT_EQ(d.ComboBtnIndex, c.GetSkinIndex(u"COMBOBTN"));
  EXPECT_EQ(d.ComboBtnBorder, -1);  // the plain lookup does not climb to SCROLLBASE
  EXPECT_EQ(d.ComboBtnBG, c.GetMaskIndex(u"COMBOBTN", u"PATTERN"));
  EXPECT_EQ(d.ComboBtnBGHot, -1);  // a glyph, not a texture
  EXPECT_EQ(d.ComboGlyph, c.GetMaskIndex(u"COMBOBOX", u"GLYPHMASK"));
  EXPECT_EQ(c.gd[0].BorderIndex, -1);  // GLOBALINFO gets no per-section indexes
  EXPECT_EQ(c.gd[size_t(c.GetSkinIndex(u"COMBOBTN"))].BorderIndex,
            c.GetMaskIndex(u"SCROLLBASE", u"BORDERSMASK"));

  const TacSkinContent none = FromArchive(std::string("[FORM]\nBOXCHECKED=") + glyph + "\n");
  EXPECT_EQ(none.ConstData.IndexGLobalInfo, -1);
  EXPECT_EQ(none.ConstData.ExBorder, -1);
  EXPECT_EQ(none.ConstData.CheckBoxChecked, -1);
}

TEST(SkinImages, CommonSectionsNamePictureFiles) {
  skintest::TempDir dir;
  skintest::WriteFile(dir / u"Options.dat", Text("[GLOBALINFO]\n"));
  skintest::WriteFile(dir / u"EXTRA.BMP", MakeBmp(18, 12, [](int, int) { return Solid(1, 1, 1); }));
  const TacSkinContent c = LoadSkinDirectory(
      dir.Path, {u"[GLOBALINFO]", u"X=extra.bmp", u"[Mine]", u"Border=extra.bmp", u"Rect=M#(0,0,9,6)(1,0)"});
  EXPECT_EQ(c.GetMaskIndex(u"GLOBALINFO", u"X"), -1);
  ASSERT_NE(Mask(c, u"MINE", u"BORDER"), nullptr);
  EXPECT_EQ(Mask(c, u"MINE", u"BORDER")->Bmp->Width(), 18);
  EXPECT_NE(Mask(c, u"MINE", u"RECT"), nullptr);
  EXPECT_GE(c.GetSkinIndex(u"Mine"), 0);
}

}  // namespace
