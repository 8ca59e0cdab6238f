// Loading a packed skin the size of the built-in one: reading the archive, inflating eleven
// entries, decoding two BMPs and eight PNGs, and building sections, pictures and indexes.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/graphics/ImageCodecs.h"
#include "skin/data/acSkinContent.h"
#include "skin/data/acSkinPack.h"
#include "tests/skin/data/SkinFixtures.h"

namespace {

// Smooth shading with a little noise: compresses about as well as real skin pictures.
win::Bitmap Picture(int w, int h, uint32_t seed, bool alpha) {
  win::Bitmap bmp(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      const uint8_t noise = (x & 3) ? 0 : uint8_t((seed >> 16) & 3);
      win::Bgra& p = bmp.Pixel32(x, y);
      p.b = uint8_t(200 + (x * 40) / w + noise);
      p.g = uint8_t(180 + (y * 60) / h + noise);
      p.r = uint8_t(190 + ((x + y) * 50) / (w + h) + noise);
      p.a = alpha ? uint8_t(((x * 255) / w + noise) & 0xFF) : 255;
      if (!alpha && (x + y) % 37 == 0) p = {255, 0, 255, 255};  // key-coloured pixels
    }
  }
  return bmp;
}

// The picture as a 24-bit BMP file, as skins store their bitmaps.
Bytes Bmp24(const win::Bitmap& src) {
  return skintest::MakeBmp(src.Width(), src.Height(), [&src](int x, int y) { return src.Pixel32(x, y); });
}

std::string Options() {
  static const char* sections[] = {
      "DIVIDER", "GRIPH", "GROUPBOX", "ICOLINE", "MAINMENU", "MDIAREA", "MENUITEM", "MENULINE",
      "PANEL", "PANEL_LOW", "STATUSBAR", "DIVIDERV", "GAUGE", "SPLITTER", "SCROLLSLIDERV",
      "CHECKBOX", "RADIOBUTTON", "TRACKBAR", "WEBBUTTON", "BARPANEL", "BUTTON_HUGE",
      "PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT", "EXTRALINE", "SCROLLSLIDERH",
      "BAR", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLBTNTOP", "COMBOBTN",
      "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR1H", "SCROLLBAR2V", "FORM", "FORMTITLE",
      "SPEEDBUTTON_SMALL", "SPEEDBUTTON", "EDIT", "DRAGBAR", "UPDOWNBTN", "TOOLBUTTON",
      "TABBOTTOM", "TABLEFT", "TABRIGHT", "GRIPV", "HINT", "TOOLBAR", "BARTITLE", "TABTOP",
      "COMBOBOX", "COLHEADER", "BUTTON", "BUTTON_BIG", "PROGRESSV", "DIALOG", "PROGRESSH",
      "PAGECONTROL", "SELECTION", "ALPHAEDIT", "ALPHACOMBOBOX"};
  std::string s =
      "[GLOBALINFO]\nVERSION=7.0\nMASTERBITMAP=MASTER.BMP\nBORDERWIDTH=26\nTITLEHEIGHT=51\n"
      "MAXHEIGHT=34\nFORMOFFSET=16\nSHADOW1COLOR=6705944\nSHADOW1OFFSET=1\nSHADOW1BLUR=2\n"
      "COLOR=15461355\nHOTCOLOR=16119285\nFONTCOLOR=2171169\n"
      "EXBORDER=!EXBOR.PNG!2!0!3!0043!0068!0044!0043\n"
      "BICONCLOSE=@0133@0000@0217@0015@3@0\nBICONMAX=@0000@0015@0084@0030@3@0\n"
      "BICONMIN=@0084@0015@0168@0030@3@0\nBICONCLOSEGLOW0=!GLOWCLOSE.PNG!1!0!3!0010!0010!0010!0010\n"
      "BICONMAXGLOW0=!GLOWMAX.PNG!1!0!3!0010!0010!0010!0010\n"
      "BICONMINGLOW0=!GLOWMIN.PNG!1!0!3!0010!0010!0010!0010\n"
      "BOXCHECKED=@0000@0030@0052@0043@4@0\nBOXUNCHECKED=@0000@0043@0052@0056@4@0\n";
  int n = 0;
  for (const char* name : sections) {
    s += std::string("[") + name + "]\n";
    if (n % 3 == 0) s += "PARENTCLASS=BUTTON\n";
    s += "COLOR=" + std::to_string(15461355 + n) + "\nFONTCOLOR=2171169\nTRANSPARENCY=0\n"
         "GRADIENTPERCENT=40\nGRADIENTDATA=N/A\nSTATES=3\nHOTCOLOR=16119285\nHOTFONTCOLOR=0\n"
         "GCOL=16777215\nGSIZE=4\nFADINGENABLED=1\nFADINGITERATIONS=5\n";
    s += "BORDERSMASK=^0" + std::to_string(100 + n) +
         "^0039^0" + std::to_string(130 + n) + "^0069^0003^0003^0003^0003^3^1^0^0\n";
    if (n % 4 == 0) s += "PATTERN=~0029~0034~0032~0040~10~1\n";
    if (n % 8 == 0) s += "GLOW0=!GLOWH.PNG!1!0!3!0058!0058!0058!0058\n";
    ++n;
  }
  s += "[BUTTON_HUGE]\nBORDERSMASK=!BUTTONHUGE.BMP!3!1\n[BUTTON]\nGLOW0=!GLOWBTN.PNG!1!0!3\n"
       "[FORM]\nGLOW1=!GLOWNORM.PNG!1!0!3\nGLOW2=!GLOWWHITE.PNG!1!0!3\n";
  return s;
}

Bytes BuildArchive() {
  const std::string options = Options();
  std::vector<TacArchiveEntry> entries = {
      {u"Options.dat", Bytes(options.begin(), options.end())},
      {u"ButtonHuge.bmp", Bmp24(Picture(288, 192, 1, false))},
      {u"Master.bmp", Bmp24(Picture(561, 71, 2, false))},
  };
  const std::pair<const char16_t*, int> pngs[] = {
      {u"Exbor.png", 180}, {u"GlowBtn.png", 60}, {u"GlowClose.png", 40}, {u"GlowH.png", 120},
      {u"GlowMax.png", 40}, {u"GlowMin.png", 40}, {u"GlowNorm.png", 40}, {u"GlowWhite.png", 60}};
  uint32_t seed = 3;
  for (const auto& [name, side] : pngs) {
    entries.push_back({name, win::EncodePng(Picture(side, side, seed++, true))});
  }
  return PackSkinArchive(entries);
}

void BM_LoadSkin(benchmark::State& state) {
  const Bytes archive = BuildArchive();
  for (auto _ : state) {
    TacSkinContent content = LoadSkinArchive(archive);
    benchmark::DoNotOptimize(content.ma.data());
  }
  state.counters["archive_bytes"] = double(archive.size());
}
BENCHMARK(BM_LoadSkin)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
