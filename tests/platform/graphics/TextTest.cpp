#include "platform/graphics/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace win;

namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);

// A memory DC over a white 32-bit bitmap, with a font of its own selected.
class TextCanvas {
 public:
  TextCanvas(int w, int h, const LOGFONTW& lf = MakeLogFont(u"DejaVu Sans", -16)) {
    FDc = CreateCompatibleDC(nullptr);
    FBitmap = CreateBitmap(w, h, 1, 32, nullptr);
    SelectObject(FDc, FBitmap);
    FFont = CreateFontIndirectW(&lf);
    SelectObject(FDc, FFont);
    SetBkMode(FDc, TRANSPARENT);
    SetTextColor(FDc, RGB(0, 0, 0));
    Clear();
  }
  ~TextCanvas() {
    DeleteDC(FDc);
    DeleteObject(FBitmap);
    DeleteObject(FFont);
  }
  HDC Dc() const { return FDc; }
  Bitmap& Pixels() const { return *LookupBitmap(FBitmap); }
  void Clear(COLORREF c = kPaper) {
    Bitmap& bm = Pixels();
    for (int y = 0; y < bm.Height(); ++y)
      for (int x = 0; x < bm.Width(); ++x) bm.Pixel32(x, y) = Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 0};
  }
  // The bounding box of every pixel that is no longer the paper.
  RECT Ink(COLORREF paper = kPaper) const {
    const Bitmap& bm = Pixels();
    RECT r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int y = 0; y < bm.Height(); ++y)
      for (int x = 0; x < bm.Width(); ++x) {
        const Bgra p = bm.Pixel32(x, y);
        if (p.r == GetRValue(paper) && p.g == GetGValue(paper) && p.b == GetBValue(paper)) continue;
        r = RECT{std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1), std::max(r.bottom, y + 1)};
      }
    return r.left == INT32_MAX ? RECT{} : r;
  }
  // The bounding box of pixels of exactly this colour.
  RECT Area(COLORREF c) const {
    const Bitmap& bm = Pixels();
    RECT r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int y = 0; y < bm.Height(); ++y)
      for (int x = 0; x < bm.Width(); ++x) {
        const Bgra p = bm.Pixel32(x, y);
        if (p.r != GetRValue(c) || p.g != GetGValue(c) || p.b != GetBValue(c)) continue;
        r = RECT{std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1), std::max(r.bottom, y + 1)};
      }
    return r.left == INT32_MAX ? RECT{} : r;
  }
  std::vector<Bgra> Snapshot() const {
    const Bitmap& bm = Pixels();
    std::vector<Bgra> out;
    for (int y = 0; y < bm.Height(); ++y) out.insert(out.end(), bm.Row32(y), bm.Row32(y) + bm.Width());
    return out;
  }
  SIZE Extent(StringView s) const {
    SIZE size;
    GetTextExtentPoint32W(FDc, s.data(), int(s.size()), &size);
    return size;
  }
  TEXTMETRICW Metrics() const {
    TEXTMETRICW tm;
    GetTextMetricsW(FDc, &tm);
    return tm;
  }
  // DrawTextW with DT_CALCRECT from a rectangle at the origin of the given width.
  RECT Calc(StringView s, UINT format, int width = 0) const {
    RECT r{0, 0, width, 0};
    const int height = DrawTextW(FDc, s.data(), int(s.size()), &r, format | DT_CALCRECT);
    EXPECT_EQ(height, r.bottom);
    return r;
  }
  std::vector<Bgra> Drawn(StringView s, RECT r, UINT format) {
    Clear();
    DrawTextW(FDc, s.data(), int(s.size()), &r, format);
    return Snapshot();
  }

 private:
  HDC FDc;
  HBITMAP FBitmap;
  HFONT FFont;
};

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// ---- Fonts ----------------------------------------------------------------------------------

TEST(Fonts, MissingFacesResolveToInstalledFamiliesButReportTheFaceAskedFor) {
  const std::vector<String> installed = InstalledFontFamilies();
  for (StringView face : {u"MS Sans Serif", u"Tahoma", u"MS Shell Dlg", u"Times New Roman"}) {
    SCOPED_TRACE(StringToUtf8(face));
    const LOGFONTW lf = MakeLogFont(face, -11);
    HFONT font = CreateFontIndirectW(&lf);
    ASSERT_NE(font, nullptr);
    const String family = LookupFont(font)->Font().Family();
    EXPECT_NE(std::find(installed.begin(), installed.end(), family), installed.end()) << StringToUtf8(family);

    LOGFONTW back;
    EXPECT_EQ(GetObjectW(font, sizeof back, &back), int(sizeof back));
    EXPECT_EQ(FaceName(back), face);
    EXPECT_EQ(back.lfHeight, -11);

    TextCanvas canvas(10, 10, lf);
    WCHAR name[LF_FACESIZE];
    EXPECT_EQ(GetTextFaceW(canvas.Dc(), LF_FACESIZE, name), int(face.size()) + 1);
    EXPECT_EQ(StringView(name), face);
    EXPECT_EQ(GetTextFaceW(canvas.Dc(), 0, nullptr), int(face.size()) + 1);
    EXPECT_EQ(GetTextFaceW(canvas.Dc(), 4, name), 4);
    EXPECT_EQ(StringView(name), face.substr(0, 3));
    DeleteObject(font);
  }
}

TEST(Fonts, FixedPitchRequestsGetAFixedPitchFamily) {
  LOGFONTW lf = MakeLogFont(u"MS Sans Serif", 15);
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  TextCanvas fixed(10, 10, lf);
  EXPECT_EQ(fixed.Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  EXPECT_EQ(fixed.Extent(u"iiii").cx, fixed.Extent(u"MMMM").cx);
  TextCanvas variable(10, 10, MakeLogFont(u"MS Sans Serif", 15));
  EXPECT_NE(variable.Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  EXPECT_LT(variable.Extent(u"iiii").cx, variable.Extent(u"MMMM").cx);
}

TEST(Fonts, HeightRules) {
  // Negative: the character (em) height; positive: the cell height; zero: the default.
  for (LONG h : {-8, -11, -16, -33}) {
    TextCanvas c(10, 10, MakeLogFont(u"Tahoma", h));
    const TEXTMETRICW tm = c.Metrics();
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -h) << h;
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight) << h;
  }
  for (LONG h : {13, 20, 41}) {
    TextCanvas c(10, 10, MakeLogFont(u"Tahoma", h));
    EXPECT_NEAR(c.Metrics().tmHeight, h, 1) << h;
  }
  TextCanvas zero(10, 10, MakeLogFont(u"Tahoma", 0));
  TextCanvas eleven(10, 10, MakeLogFont(u"Tahoma", -11));
  EXPECT_EQ(zero.Metrics().tmHeight, eleven.Metrics().tmHeight);
  EXPECT_LT(eleven.Extent(u"Hello").cx, TextCanvas(10, 10, MakeLogFont(u"Tahoma", -22)).Extent(u"Hello").cx);
}

TEST(Fonts, OversizedRequestsAreDrawnAtTheLargestSize) {
  const TEXTMETRICW largest = TextCanvas(10, 10, MakeLogFont(u"DejaVu Sans", -16384)).Metrics();
  EXPECT_GT(largest.tmHeight, 16384);
  for (LONG h : {LONG(INT32_MIN), LONG(-100000), LONG(INT32_MAX)}) {
    TextCanvas c(10, 10, MakeLogFont(u"DejaVu Sans", h));
    EXPECT_EQ(c.Metrics().tmHeight, largest.tmHeight) << h;
    EXPECT_EQ(c.Metrics().tmAveCharWidth, largest.tmAveCharWidth) << h;
  }
  LOGFONTW wide = MakeLogFont(u"DejaVu Sans", -12);
  wide.lfWidth = INT32_MAX;
  TextCanvas c(10, 10, wide);
  EXPECT_EQ(c.Metrics().tmAveCharWidth, 16384);
  LOGFONTW reported;
  GetObjectW(GetCurrentObject(c.Dc(), OBJ_FONT), sizeof reported, &reported);
  EXPECT_EQ(reported.lfWidth, INT32_MAX);
  // Tab stops of eight such characters still fit in 32 bits.
  EXPECT_EQ(c.Calc(u"\tx", DT_EXPANDTABS).right, 8 * 16384 + c.Extent(u"x").cx);
}

TEST(Fonts, StyleAttributesReachMetricsAndPixels) {
  TextCanvas plain(10, 10, MakeLogFont(u"Tahoma", -13));
  TextCanvas bold(10, 10, MakeLogFont(u"Tahoma", -13, FW_BOLD, true, true, true));
  const TEXTMETRICW p = plain.Metrics(), b = bold.Metrics();
  EXPECT_EQ(p.tmWeight, FW_NORMAL);
  EXPECT_EQ(b.tmWeight, FW_BOLD);
  EXPECT_EQ((int(b.tmItalic) << 2) | (int(b.tmUnderlined) << 1) | b.tmStruckOut, 7);
  EXPECT_EQ((int(p.tmItalic) << 2) | (int(p.tmUnderlined) << 1) | p.tmStruckOut, 0);
  EXPECT_GT(bold.Extent(u"Hello world").cx, plain.Extent(u"Hello world").cx);
  EXPECT_LE(p.tmAveCharWidth, p.tmMaxCharWidth);
  EXPECT_GT(p.tmAveCharWidth, 0);

  // lfWidth sets the average character width and stretches the text with it.
  LOGFONTW wide = MakeLogFont(u"Tahoma", -13);
  wide.lfWidth = p.tmAveCharWidth * 2;
  TextCanvas stretched(10, 10, wide);
  EXPECT_EQ(stretched.Metrics().tmAveCharWidth, p.tmAveCharWidth * 2);
  // The width asked for is twice the rounded average, so the stretch is about, not exactly, 2.
  EXPECT_NEAR(double(stretched.Extent(u"Hello world").cx) / plain.Extent(u"Hello world").cx, 2.0, 0.1);

  // Strike-out draws a line across the whole text: a row of ink as wide as it, which the
  // stems of plain "i"s never make.
  auto longestInkRow = [](const LOGFONTW& lf) {
    TextCanvas c(200, 40, lf);
    TextOutW(c.Dc(), 10, 5, u"iiiiiiii", 8);
    const Bitmap& bm = c.Pixels();
    int longest = 0;
    for (int y = 0; y < bm.Height(); ++y) {
      int run = 0;
      for (int x = 0; x < bm.Width(); ++x) run += bm.Pixel32(x, y).r < 250;
      longest = std::max(longest, run);
    }
    return longest;
  };
  const int width = plain.Extent(u"iiiiiiii").cx;
  EXPECT_GE(longestInkRow(MakeLogFont(u"Tahoma", -13, FW_NORMAL, false, false, true)), width - 2);
  EXPECT_GE(longestInkRow(MakeLogFont(u"Tahoma", -13, FW_NORMAL, false, true, false)), width - 2);
  EXPECT_LT(longestInkRow(MakeLogFont(u"Tahoma", -13)), width * 3 / 4);
}

TEST(Fonts, StockFontsAndTheDefaultDCFont) {
  LOGFONTW lf;
  ASSERT_EQ(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf), int(sizeof lf));
  EXPECT_EQ(FaceName(lf), u"MS Shell Dlg");
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(GetObjectType(GetStockObject(SYSTEM_FONT)), DWORD(OBJ_FONT));
  DeleteObject(GetStockObject(DEFAULT_GUI_FONT));  // stock objects stay
  EXPECT_EQ(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf), int(sizeof lf));

  HDC dc = CreateCompatibleDC(nullptr);
  WCHAR name[LF_FACESIZE];
  GetTextFaceW(dc, LF_FACESIZE, name);
  EXPECT_EQ(StringView(name), u"System");
  DeleteDC(dc);
}

TEST(Fonts, FamilyListIsSortedAndUnique) {
  const std::vector<String> families = InstalledFontFamilies();
  ASSERT_FALSE(families.empty());
  EXPECT_NE(std::find(families.begin(), families.end(), u"DejaVu Sans"), families.end());
  for (size_t i = 1; i < families.size(); ++i)
    EXPECT_LT(CompareTextAscii(families[i - 1], families[i]), 0) << StringToUtf8(families[i]);
}

TEST(Fonts, DeadHandlesFailSafely) {
  const LOGFONTW lf = MakeLogFont(u"Tahoma", -11);
  HFONT font = CreateFontIndirectW(&lf);
  ASSERT_TRUE(DeleteObject(font));
  LOGFONTW back;
  EXPECT_EQ(GetObjectW(font, sizeof back, &back), 0);
  EXPECT_EQ(LookupFont(font), nullptr);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  SIZE size;
  EXPECT_FALSE(GetTextExtentPoint32W(nullptr, u"a", 1, &size));
  RECT r{0, 0, 10, 10};
  EXPECT_EQ(DrawTextW(nullptr, u"a", 1, &r, 0), 0);
  EXPECT_FALSE(TextOutW(nullptr, 0, 0, u"a", 1));
}

// ---- Measuring and drawing lines -----------------------------------------------------------

TEST(TextOut, ExtentsAndFit) {
  TextCanvas c(10, 10);
  const TEXTMETRICW tm = c.Metrics();
  EXPECT_EQ(c.Extent(u""), (SIZE{0, tm.tmHeight}));
  const SIZE ab = c.Extent(u"ab");
  EXPECT_NEAR(ab.cx, c.Extent(u"a").cx + c.Extent(u"b").cx, 1);
  EXPECT_EQ(ab.cy, tm.tmHeight);

  int fit = -1;
  int dx[5];
  SIZE size;
  const int abc = c.Extent(u"abc").cx;
  ASSERT_TRUE(GetTextExtentExPointW(c.Dc(), u"abcde", 5, abc, &fit, dx, &size));
  EXPECT_EQ(fit, 3);
  EXPECT_EQ(dx[2], abc);
  EXPECT_EQ(dx[4], size.cx);
  EXPECT_TRUE(std::is_sorted(dx, dx + 5));
}

TEST(TextOut, DrawsInTheTextColourWithOpaqueAlpha) {
  TextCanvas c(120, 40, MakeLogFont(u"DejaVu Sans", -24, FW_BOLD));
  SetTextColor(c.Dc(), RGB(200, 30, 60));
  TextOutW(c.Dc(), 10, 5, u"HI", 2);
  const RECT ink = c.Ink();
  const SIZE e = c.Extent(u"HI");
  ASSERT_FALSE(Empty(ink));
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 10 + e.cx + 1);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.bottom, 5 + e.cy);
  const Bitmap& bm = c.Pixels();
  bool solid = false;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) {
      const Bgra p = bm.Pixel32(x, y);
      const bool touched = !(p.r == 255 && p.g == 255 && p.b == 255);
      EXPECT_EQ(p.a, touched ? 255 : 0) << x << "," << y;
      solid |= p == Bgra{60, 30, 200, 255};
    }
  EXPECT_TRUE(solid);
  // The same call draws the same pixels.
  const std::vector<Bgra> first = c.Snapshot();
  c.Clear();
  TextOutW(c.Dc(), 10, 5, u"HI", 2);
  EXPECT_EQ(c.Snapshot(), first);
}

TEST(TextOut, AlignmentPlacesTheOpaqueCell) {
  TextCanvas c(300, 120);
  SetBkMode(c.Dc(), OPAQUE);
  const COLORREF bk = RGB(10, 200, 10);
  SetBkColor(c.Dc(), bk);
  const TEXTMETRICW tm = c.Metrics();
  const SIZE e = c.Extent(u"Align");
  struct Case {
    UINT align;
    int dx, dy;  // the cell's top-left relative to the reference point
  };
  const Case cases[] = {
      {TA_LEFT | TA_TOP, 0, 0},
      {TA_CENTER | TA_TOP, -e.cx / 2, 0},
      {TA_RIGHT | TA_TOP, -e.cx, 0},
      {TA_LEFT | TA_BASELINE, 0, -tm.tmAscent},
      {TA_RIGHT | TA_BOTTOM, -e.cx, -tm.tmHeight},
      {TA_CENTER | TA_BASELINE, -e.cx / 2, -tm.tmAscent},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.align);
    c.Clear();
    SetTextAlign(c.Dc(), k.align);
    TextOutW(c.Dc(), 150, 60, u"Align", 5);
    EXPECT_EQ(c.Area(bk), (RECT{150 + k.dx, 60 + k.dy, 150 + k.dx + e.cx, 60 + k.dy + tm.tmHeight}));
  }
}

TEST(TextOut, UpdateCurrentPositionAdvances) {
  TextCanvas c(300, 40);
  SetTextAlign(c.Dc(), TA_UPDATECP);
  MoveToEx(c.Dc(), 7, 3, nullptr);
  TextOutW(c.Dc(), 0, 0, u"abc", 3);
  POINT p;
  GetCurrentPositionEx(c.Dc(), &p);
  EXPECT_EQ(p, (POINT{7 + c.Extent(u"abc").cx, 3}));
  EXPECT_GE(c.Ink().left, 7);
}

TEST(TextOut, OriginAndClipApply) {
  TextCanvas c(200, 60);
  SetBkMode(c.Dc(), OPAQUE);
  const COLORREF bk = RGB(0, 0, 255);
  SetBkColor(c.Dc(), bk);
  SetViewportOrgEx(c.Dc(), 20, 10, nullptr);
  TextOutW(c.Dc(), 5, 5, u"Origin", 6);
  const SIZE e = c.Extent(u"Origin");
  EXPECT_EQ(c.Area(bk), (RECT{25, 15, 25 + e.cx, 15 + e.cy}));

  c.Clear();
  IntersectClipRect(c.Dc(), 0, 0, 12, 100);  // logical, so device 20..32
  TextOutW(c.Dc(), 5, 5, u"Origin", 6);
  EXPECT_EQ(c.Ink(), (RECT{25, 15, 32, 15 + e.cy}));
}

TEST(ExtTextOut, OpaqueAndClippedRectangles) {
  TextCanvas c(200, 60);
  const COLORREF bk = RGB(250, 200, 0);
  SetBkColor(c.Dc(), bk);
  RECT r{10, 10, 60, 30};
  // With no text, ETO_OPAQUE is a fill.
  ExtTextOutW(c.Dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  EXPECT_EQ(c.Area(bk), r);

  c.Clear();
  ExtTextOutW(c.Dc(), 5, 5, ETO_CLIPPED, &r, u"Clipped text", 12, nullptr);
  const RECT ink = c.Ink();
  ASSERT_FALSE(Empty(ink));
  EXPECT_GE(ink.left, r.left);
  EXPECT_GE(ink.top, r.top);
  EXPECT_LE(ink.right, r.right);
  EXPECT_LE(ink.bottom, r.bottom);

  // Explicit advances place every character.
  c.Clear();
  const int dx[] = {30, 30, 30};
  ExtTextOutW(c.Dc(), 0, 0, 0, nullptr, u"lll", 3, dx);
  const RECT spaced = c.Ink();
  c.Clear();
  TextOutW(c.Dc(), 0, 0, u"lll", 3);
  EXPECT_GT(spaced.right - spaced.left, 60);
  EXPECT_LT(c.Ink().right - c.Ink().left, 30);
}

// Rectangles and positions at the ends of the coordinate range neither overflow nor lose
// what lies inside the bitmap.
TEST(TextOut, ExtremeCoordinatesStaySafe) {
  TextCanvas c(40, 40);
  const COLORREF bk = RGB(0, 200, 100);
  SetBkColor(c.Dc(), bk);
  RECT huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_TRUE(ExtTextOutW(c.Dc(), 0, 0, ETO_OPAQUE, &huge, nullptr, 0, nullptr));
  EXPECT_EQ(c.Area(bk), (RECT{0, 0, 40, 40}));

  // Centred in the whole plane, the cell straddles the origin.
  c.Clear();
  SetBkMode(c.Dc(), OPAQUE);
  const SIZE e = c.Extent(u"x");
  EXPECT_EQ(DrawTextW(c.Dc(), u"x", -1, &huge, DT_SINGLELINE | DT_CENTER | DT_VCENTER), INT32_MAX);
  const RECT cell = c.Area(bk);
  EXPECT_EQ(cell.left, 0);
  EXPECT_EQ(cell.top, 0);
  EXPECT_NEAR(cell.right, e.cx / 2, 1);
  EXPECT_NEAR(cell.bottom, e.cy / 2, 1);

  c.Clear();
  SetTextAlign(c.Dc(), TA_RIGHT | TA_UPDATECP);
  MoveToEx(c.Dc(), INT32_MIN, INT32_MIN, nullptr);
  const int dx[] = {INT32_MAX, INT32_MAX};
  EXPECT_TRUE(ExtTextOutW(c.Dc(), 0, 0, 0, nullptr, u"ab", 2, dx));
  EXPECT_TRUE(Empty(c.Ink()));
  SetTextAlign(c.Dc(), TA_LEFT | TA_TOP);

  RECT calc{INT32_MAX - 5, INT32_MAX - 5, INT32_MAX, INT32_MAX};
  EXPECT_EQ(DrawTextW(c.Dc(), u"x", -1, &calc, DT_CALCRECT), e.cy);
  EXPECT_EQ(calc, (RECT{INT32_MAX - 5, INT32_MAX - 5, INT32_MAX, INT32_MAX}));
}

TEST(TextOut, EscapementTurnsTheLine) {
  LOGFONTW lf = MakeLogFont(u"DejaVu Sans", -16);
  lf.lfEscapement = 900;  // straight up
  TextCanvas c(100, 200, lf);
  TextOutW(c.Dc(), 40, 180, u"MMMMMM", 6);
  const RECT ink = c.Ink();
  ASSERT_FALSE(Empty(ink));
  EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left));
  EXPECT_LE(ink.bottom, 181);
  EXPECT_GE(ink.left, 39);  // the text's top faces left
  EXPECT_LE(ink.right, 40 + c.Metrics().tmHeight + 1);
}

// ---- DrawTextW -----------------------------------------------------------------------------

TEST(DrawText, CalcRectMeasures) {
  TextCanvas c(10, 10);
  const int h = c.Metrics().tmHeight;
  const int ave = c.Metrics().tmAveCharWidth;
  struct Case {
    const char16_t* text;
    UINT format;
    int width;  // given width
    int expectRight, expectBottom;
  };
  const Case cases[] = {
      {u"Hello", DT_SINGLELINE, 0, c.Extent(u"Hello").cx, h},
      {u"Hello", DT_SINGLELINE, 500, c.Extent(u"Hello").cx, h},
      {u"a\nbb\r\nccc\rd", 0, 0, c.Extent(u"ccc").cx, 4 * h},
      {u"a\nbb", DT_SINGLELINE, 0, c.Extent(u"abb").cx, h},
      {u"last\n", 0, 0, c.Extent(u"last").cx, h},
      {u"\n", 0, 0, 0, h},
      {u"", 0, 100, 0, 0},
      {u"&File", 0, 0, c.Extent(u"File").cx, h},
      {u"&&File", 0, 0, c.Extent(u"&File").cx, h},
      {u"&File", DT_NOPREFIX, 0, c.Extent(u"&File").cx, h},
      {u"&File", DT_HIDEPREFIX, 0, c.Extent(u"File").cx, h},
      {u"end&", 0, 0, c.Extent(u"end").cx, h},
      {u"a\tb", DT_EXPANDTABS, 0, 8 * ave + c.Extent(u"b").cx, h},
      {u"ab\tc\td", DT_EXPANDTABS, 0, 16 * ave + c.Extent(u"d").cx, h},
      // Ellipses do not shorten what DT_CALCRECT measures.
      {u"A long caption", DT_SINGLELINE | DT_END_ELLIPSIS, 20, c.Extent(u"A long caption").cx, h},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(StringToUtf8(k.text));
    EXPECT_EQ(c.Calc(k.text, k.format, k.width), (RECT{0, 0, k.expectRight, k.expectBottom}));
  }
  RECT moved{5, 7, 5, 7};
  DrawTextW(c.Dc(), u"x", -1, &moved, DT_CALCRECT | DT_CENTER | DT_SINGLELINE);
  EXPECT_EQ(moved, (RECT{5, 7, 5 + c.Extent(u"x").cx, 7 + h}));
}

TEST(DrawText, WordBreak) {
  TextCanvas c(10, 10);
  const int h = c.Metrics().tmHeight;
  const int one = c.Extent(u"one two").cx;
  // Just wide enough for "one two": the third word moves to the next line.
  EXPECT_EQ(c.Calc(u"one two three", DT_WORDBREAK, one), (RECT{0, 0, one, 2 * h}));
  EXPECT_EQ(c.Calc(u"one two three", DT_WORDBREAK, one - 1).bottom, 3 * h);
  // A zero width puts every word on its own line; the widest word sets the width.
  EXPECT_EQ(c.Calc(u"a bb ccc", DT_WORDBREAK, 0), (RECT{0, 0, c.Extent(u"ccc").cx, 3 * h}));
  // A word wider than the rectangle overflows it instead of being split.
  EXPECT_EQ(c.Calc(u"x Extraordinary y", DT_WORDBREAK, 30), (RECT{0, 0, c.Extent(u"Extraordinary").cx, 3 * h}));
  // Breaks inside paragraphs and between them; the spaces at a break are dropped.
  EXPECT_EQ(c.Calc(u"aa bb\ncc", DT_WORDBREAK, c.Extent(u"aa").cx), (RECT{0, 0, c.Extent(u"aa").cx, 3 * h}));
  EXPECT_EQ(c.Calc(u"aa     bb", DT_WORDBREAK, c.Extent(u"aa ").cx).bottom, 2 * h);
  // Leading spaces of the first line stay.
  EXPECT_EQ(c.Calc(u"  aa", DT_WORDBREAK, 500).right, c.Extent(u"  aa").cx);
  // DT_SINGLELINE wins over DT_WORDBREAK.
  EXPECT_EQ(c.Calc(u"one two three", DT_WORDBREAK | DT_SINGLELINE, 10).bottom, h);

  // Drawn lines sit one cell below another.
  c.Clear();
  TextCanvas big(200, 100);
  RECT r{0, 0, big.Extent(u"one two").cx, 100};
  EXPECT_EQ(DrawTextW(big.Dc(), u"one two three", -1, &r, DT_WORDBREAK), 2 * big.Metrics().tmHeight);
  EXPECT_GE(big.Ink().bottom, big.Metrics().tmHeight + 1);
}

TEST(DrawText, AlignmentInTheRectangle) {
  TextCanvas c(300, 100);
  SetBkMode(c.Dc(), OPAQUE);
  const COLORREF bk = RGB(0, 128, 255);
  SetBkColor(c.Dc(), bk);
  const int h = c.Metrics().tmHeight;
  const int w = c.Extent(u"Text").cx;
  const RECT box{20, 10, 220, 90};
  struct Case {
    UINT format;
    RECT cell;
    int result;
  };
  const Case cases[] = {
      {DT_LEFT | DT_TOP, {20, 10, 20 + w, 10 + h}, h},
      {DT_CENTER, {20 + (200 - w) / 2, 10, 20 + (200 - w) / 2 + w, 10 + h}, h},
      {DT_RIGHT, {220 - w, 10, 220, 10 + h}, h},
      {DT_SINGLELINE | DT_VCENTER, {20, 10 + (80 - h) / 2, 20 + w, 10 + (80 - h) / 2 + h}, (80 - h) / 2 + h},
      {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, {220 - w, 90 - h, 220, 90}, 80},
      // Without DT_SINGLELINE, vertical placement stays at the top.
      {DT_VCENTER | DT_BOTTOM, {20, 10, 20 + w, 10 + h}, h},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.format);
    c.Clear();
    RECT r = box;
    EXPECT_EQ(DrawTextW(c.Dc(), u"Text", -1, &r, k.format), k.result);
    EXPECT_EQ(r, box);
    EXPECT_EQ(c.Area(bk), k.cell);
  }
}

TEST(DrawText, ClipsToTheRectangleUnlessNoClip) {
  TextCanvas c(200, 60);
  const RECT box{10, 10, 30, 40};
  RECT r = box;
  DrawTextW(c.Dc(), u"Wide words here", -1, &r, 0);
  EXPECT_LE(c.Ink().right, box.right);
  c.Clear();
  DrawTextW(c.Dc(), u"Wide words here", -1, &r, DT_NOCLIP);
  EXPECT_GT(c.Ink().right, box.right + 20);
}

// The picture of a single line drawn at the origin with no prefix handling.
std::vector<Bgra> Plain(TextCanvas& c, StringView s) { return c.Drawn(s, RECT{0, 0, 300, 30}, DT_NOPREFIX | DT_SINGLELINE); }

TEST(DrawText, PrefixUnderlinesTheMarkedCharacter) {
  TextCanvas c(300, 30);
  const std::vector<Bgra> marked = c.Drawn(u"&File", RECT{0, 0, 300, 30}, DT_SINGLELINE);
  const std::vector<Bgra> hidden = c.Drawn(u"&File", RECT{0, 0, 300, 30}, DT_SINGLELINE | DT_HIDEPREFIX);
  EXPECT_EQ(hidden, Plain(c, u"File"));
  EXPECT_NE(marked, hidden);
  // The underline lies under the "F" alone, below the baseline.
  c.Drawn(u"&File", RECT{0, 0, 300, 30}, DT_SINGLELINE);
  const Bitmap& bm = c.Pixels();
  const TEXTMETRICW tm = c.Metrics();
  const int fWidth = c.Extent(u"F").cx;
  bool underlineUnderF = false;
  for (int y = tm.tmAscent; y < tm.tmHeight; ++y) {
    int inked = 0, beyond = 0;
    for (int x = 0; x < 300; ++x) {
      if (bm.Pixel32(x, y).r == 255) continue;
      (x < fWidth + 1 ? inked : beyond)++;
    }
    underlineUnderF |= inked >= fWidth - 2 && beyond == 0;
  }
  EXPECT_TRUE(underlineUnderF);
  EXPECT_EQ(c.Drawn(u"a&&b", RECT{0, 0, 300, 30}, DT_SINGLELINE), Plain(c, u"a&b"));
  EXPECT_EQ(c.Drawn(u"a&b", RECT{0, 0, 300, 30}, DT_SINGLELINE | DT_NOPREFIX), Plain(c, u"a&b"));
}

// Finds the head length k for which `make(k)` draws exactly what DrawTextW drew.
int MatchingHead(TextCanvas& c, const std::vector<Bgra>& drawn, StringView text,
                 const std::function<String(StringView)>& make) {
  for (size_t k = 0; k <= text.size(); ++k)
    if (Plain(c, make(text.substr(0, k))) == drawn) return int(k);
  return -1;
}

TEST(DrawText, EndEllipsisKeepsTheLongestFittingHead) {
  TextCanvas c(300, 30);
  const StringView text = u"Caption that is too long";
  for (int width : {40, 77, 120}) {
    SCOPED_TRACE(width);
    const std::vector<Bgra> drawn = c.Drawn(text, RECT{0, 0, width, 30}, DT_SINGLELINE | DT_END_ELLIPSIS);
    const int k = MatchingHead(c, drawn, text, [](StringView head) { return String(head) + u"..."; });
    ASSERT_GE(k, 0);
    EXPECT_LE(c.Extent(String(text.substr(0, k)) + u"...").cx, width);
    EXPECT_GT(c.Extent(String(text.substr(0, k + 1)) + u"...").cx, width);
  }
  // Text that fits is left alone.
  EXPECT_EQ(c.Drawn(u"Short", RECT{0, 0, 300, 30}, DT_SINGLELINE | DT_END_ELLIPSIS), Plain(c, u"Short"));
  // Each line of a multi-line text is shortened on its own: even unclipped, both stay inside.
  TextCanvas tall(300, 60);
  const int w = tall.Extent(u"Second line").cx - 1;
  tall.Drawn(u"Short\nSecond line", RECT{0, 0, w, 60}, DT_END_ELLIPSIS | DT_NOCLIP);
  EXPECT_LE(tall.Ink().right, w);
  EXPECT_GT(tall.Ink().bottom, tall.Metrics().tmHeight);
}

TEST(DrawText, PathEllipsisKeepsTheFileName) {
  TextCanvas c(300, 30);
  const String path = u"C:\\Documents\\Letters\\Quarterly report.rtf";
  const String tail = u"...\\Quarterly report.rtf";
  const int width = c.Extent(u"C:\\Doc" + tail).cx + 2;
  const std::vector<Bgra> drawn = c.Drawn(path, RECT{0, 0, width, 30}, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  const int k = MatchingHead(c, drawn, path, [&](StringView head) { return String(head) + tail; });
  ASSERT_GE(k, 6);
  EXPECT_LE(c.Extent(path.substr(0, k) + tail).cx, width);
  EXPECT_GT(c.Extent(path.substr(0, k + 1) + tail).cx, width);

  // Too narrow even for the name: the name itself is shortened at its end.
  const std::vector<Bgra> narrow = c.Drawn(path, RECT{0, 0, 60, 30}, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  EXPECT_GE(MatchingHead(c, narrow, tail, [](StringView head) { return String(head) + u"..."; }), 3);

  // Without a folder part both ends are kept.
  const StringView word = u"abcdefghijklmnopqrstuvwxyz";
  const std::vector<Bgra> middle = c.Drawn(word, RECT{0, 0, 80, 30}, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  bool found = false;
  for (size_t kept = 0; kept <= word.size() && !found; ++kept) {
    const String s = String(word.substr(0, (kept + 1) / 2)) + u"..." + String(word.substr(word.size() - kept / 2));
    found = Plain(c, s) == middle && c.Extent(s).cx <= 80;
  }
  EXPECT_TRUE(found);
}

TEST(DrawText, TabsAndReadingOrder) {
  TextCanvas c(300, 30);
  const int ave = c.Metrics().tmAveCharWidth;
  // With DT_EXPANDTABS "b" starts at the first tab stop.
  c.Drawn(u"a\tb", RECT{0, 0, 300, 30}, DT_SINGLELINE | DT_EXPANDTABS);
  const std::vector<Bgra> tabbed = c.Snapshot();
  c.Clear();
  TextOutW(c.Dc(), 0, 0, u"a", 1);
  TextOutW(c.Dc(), 8 * ave, 0, u"b", 1);
  EXPECT_EQ(tabbed, c.Snapshot());

  // Right-to-left order moves the closing mark of a left-to-right word to its left.
  const std::vector<Bgra> ltr = c.Drawn(u"abc!", RECT{0, 0, 300, 30}, DT_SINGLELINE);
  const std::vector<Bgra> rtl = c.Drawn(u"abc!", RECT{0, 0, 300, 30}, DT_SINGLELINE | DT_RTLREADING);
  EXPECT_NE(ltr, rtl);
  EXPECT_EQ(c.Calc(u"abc!", DT_SINGLELINE | DT_RTLREADING), c.Calc(u"abc!", DT_SINGLELINE));
}

// ---- Webdings ------------------------------------------------------------------------------

TEST(Webdings, WindowButtonGlyphsAreOurOwnShapes) {
  TextCanvas c(40, 40, MakeLogFont(u"Webdings", -20, FW_NORMAL, false, false, false, SYMBOL_CHARSET));
  SetTextColor(c.Dc(), RGB(0, 0, 200));
  EXPECT_EQ(c.Extent(u"0").cx, 20);
  EXPECT_EQ(c.Extent(u"01r").cx, 60);
  std::vector<std::vector<Bgra>> pictures;
  for (char16_t g : {u'0', u'1', u'2', u'r'}) {
    SCOPED_TRACE(int(g));
    c.Clear();
    TextOutW(c.Dc(), 10, 10, &g, 1);
    const RECT ink = c.Ink();
    ASSERT_FALSE(Empty(ink));
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 30);
    EXPECT_GE(ink.top, 10);
    EXPECT_LE(ink.bottom, 30);
    EXPECT_NE(c.Area(RGB(0, 0, 200)), RECT{});  // solid in the text colour
    for (const auto& earlier : pictures) EXPECT_NE(c.Snapshot(), earlier);
    pictures.push_back(c.Snapshot());
  }
  // The minimise bar lies in the lower half of the cell.
  c.Clear();
  TextOutW(c.Dc(), 10, 10, u"0", 1);
  EXPECT_GE(c.Ink().top, 20);
  // Other characters are blank.
  c.Clear();
  TextOutW(c.Dc(), 10, 10, u"x", 1);
  EXPECT_TRUE(Empty(c.Ink()));
  // The glyphs grow with the font.
  TextCanvas small(40, 40, MakeLogFont(u"Webdings", -10));
  TextOutW(small.Dc(), 0, 0, u"1", 1);
  c.Clear();
  TextOutW(c.Dc(), 0, 0, u"1", 1);
  EXPECT_GT(c.Ink().right - c.Ink().left, small.Ink().right - small.Ink().left + 3);
}

}  // namespace
