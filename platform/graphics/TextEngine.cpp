#include "platform/graphics/TextEngine.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <optional>
#include <string>

namespace win {

namespace {

constexpr double kDpi = 96.0;
constexpr double kDefaultCharHeight = 11.0;
constexpr double kReferenceSize = 1000.0;  // pixels, for measuring a family's cell-to-em ratio
// Sizes beyond any bitmap are drawn at this size, which keeps every metric well inside 32 bits
// and within what the rasteriser accepts.
constexpr double kMaxFontPixels = kMaxBitmapSide;
constexpr size_t kFontCacheLimit = 256;

// Owners for the C libraries' objects.
struct GObjectUnref {
  void operator()(void* p) const { if (p) g_object_unref(p); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
struct DescriptionFree {
  void operator()(PangoFontDescription* p) const { pango_font_description_free(p); }
};
struct MetricsUnref {
  void operator()(PangoFontMetrics* p) const { pango_font_metrics_unref(p); }
};
struct CairoDestroy {
  void operator()(cairo_t* p) const { cairo_destroy(p); }
  void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
};
struct FcPatternFree {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, FcPatternFree>;

int Round(double v) { return static_cast<int>(std::lround(v)); }

bool WantsFixedPitch(BYTE pitchAndFamily) {
  return (pitchAndFamily & 0x03) == FIXED_PITCH || (pitchAndFamily & 0xF0) == FF_MODERN;
}

struct Engine {
  GObjectPtr<PangoFontMap> fontMap;
  std::array<GObjectPtr<PangoContext>, 2> contexts;  // left-to-right, right-to-left
  PangoLanguage* language = pango_language_from_string("en");
  std::map<std::string, std::shared_ptr<const TextFont>> fonts;
  std::map<std::pair<String, bool>, String> families;

  Engine() : fontMap(pango_cairo_font_map_new()) {
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap.get()), kDpi);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    for (size_t i = 0; i < contexts.size(); ++i) {
      PangoContext* c = pango_font_map_create_context(fontMap.get());
      pango_cairo_context_set_font_options(c, options);
      pango_cairo_context_set_resolution(c, kDpi);
      pango_context_set_language(c, language);
      pango_context_set_base_dir(c, i == 0 ? PANGO_DIRECTION_LTR : PANGO_DIRECTION_RTL);
      pango_context_set_round_glyph_positions(c, TRUE);
      contexts[i].reset(c);
    }
    cairo_font_options_destroy(options);
  }
};

Engine& TheEngine() {
  static Engine engine;
  return engine;
}

// The UTF-8 offset of every UTF-16 index (and of the end), matching StringToUtf8, which turns
// an unpaired surrogate into the three bytes of U+FFFD.
std::vector<int> Utf8Offsets(StringView text) {
  std::vector<int> offsets(text.size() + 1);
  int at = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    offsets[i] = at;
    const char16_t c = text[i];
    if (c < 0x80) {
      at += 1;
    } else if (c < 0x800) {
      at += 2;
    } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] < 0xE000) {
      at += 4;
      offsets[i + 1] = offsets[i];
      ++i;
    } else {
      at += 3;
    }
  }
  offsets[text.size()] = at;
  return offsets;
}

// The description with its face name ended and everything past it cleared, so that equal
// fonts give equal bytes.
LOGFONTW Normalized(const LOGFONTW& lf) {
  LOGFONTW n = lf;
  std::fill(std::begin(n.lfFaceName), std::end(n.lfFaceName), u'\0');
  const String face = FaceName(lf);
  std::copy(face.begin(), face.end(), n.lfFaceName);
  return n;
}

// Our window-button glyphs, drawn into a cell of `em` pixels by `height` at (x, 0).
void DrawSymbol(cairo_t* cr, char16_t c, double x, double em, double height) {
  const int side = std::max(5, Round(em * 0.56));
  const int t = std::max(1, Round(em / 10.0));
  const double left = std::floor(x + (em - side) / 2.0);
  const double top = std::floor((height - side) / 2.0);
  switch (c) {
    case u'0':  // minimise: a bar along the bottom
      cairo_rectangle(cr, left, top + side - 2 * t, side, 2 * t);
      cairo_fill(cr);
      break;
    case u'1':  // maximise: a window with a thick title bar
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_rectangle(cr, left, top, side, side);
      cairo_rectangle(cr, left + t, top + 2 * t, side - 2 * t, side - 3 * t);
      cairo_fill(cr);
      break;
    case u'2': {  // restore: a window in front of another
      const int small = std::max(3, Round(side * 0.72));
      const double backLeft = left + side - small;
      const double frontTop = top + side - small;
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_rectangle(cr, backLeft, top, small, small);
      cairo_rectangle(cr, backLeft + t, top + 2 * t, small - 2 * t, small - 3 * t);
      cairo_fill(cr);
      cairo_save(cr);
      cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
      cairo_rectangle(cr, left, frontTop, small, small);
      cairo_fill(cr);
      cairo_restore(cr);
      cairo_rectangle(cr, left, frontTop, small, small);
      cairo_rectangle(cr, left + t, frontTop + 2 * t, small - 2 * t, small - 3 * t);
      cairo_fill(cr);
      break;
    }
    case u'r':  // close: a cross
      cairo_set_line_width(cr, t * 1.5);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
      cairo_move_to(cr, left + t, top + t);
      cairo_line_to(cr, left + side - t, top + side - t);
      cairo_move_to(cr, left + side - t, top + t);
      cairo_line_to(cr, left + t, top + side - t);
      cairo_stroke(cr);
      break;
    default:
      break;
  }
}

uint8_t Blend(uint8_t d, uint8_t s, unsigned a) { return uint8_t((d * (255 - a) + s * a + 127) / 255); }

void Composite(Bitmap& target, const RECT& r, const uint8_t* mask, int maskStride, POINT maskOrigin,
               COLORREF color) {
  const uint8_t cr = GetRValue(color), cg = GetGValue(color), cb = GetBValue(color);
  const uint8_t grey = uint8_t((cr * 77 + cg * 150 + cb * 29 + 128) >> 8);
  const int bpp = BytesPerPixel(target.Format());
  for (int y = r.top; y < r.bottom; ++y) {
    const uint8_t* m = mask + (y - maskOrigin.y) * maskStride + (r.left - maskOrigin.x);
    uint8_t* d = target.Row(y) + r.left * bpp;
    for (int x = r.left; x < r.right; ++x, ++m, d += bpp) {
      const unsigned a = *m;
      if (a == 0) continue;
      if (bpp == 1) {
        d[0] = Blend(d[0], grey, a);
        continue;
      }
      d[0] = Blend(d[0], cb, a);
      d[1] = Blend(d[1], cg, a);
      d[2] = Blend(d[2], cr, a);
      if (bpp == 4) d[3] = 255;
    }
  }
}

}  // namespace

struct TextFont::Impl {
  LOGFONTW logFont;
  String family;
  bool symbol = false;
  std::unique_ptr<PangoFontDescription, DescriptionFree> description;
  TEXTMETRICW metrics;
  double em = kDefaultCharHeight;
  double xScale = 1.0;
  double angle = 0.0;  // radians, counter-clockwise on screen
  mutable std::array<GObjectPtr<PangoLayout>, 2> layouts;
  struct LayoutKey {
    bool valid = false;
    String text;
    std::vector<std::pair<int, int>> underlines;
  };
  mutable std::array<LayoutKey, 2> lastText;

  PangoLayout* Prepare(StringView text, bool rightToLeft, const TextPaint* paint) const {
    auto& slot = layouts[rightToLeft ? 1 : 0];
    if (!slot) {
      slot.reset(pango_layout_new(TheEngine().contexts[rightToLeft ? 1 : 0].get()));
      pango_layout_set_font_description(slot.get(), description.get());
      pango_layout_set_single_paragraph_mode(slot.get(), TRUE);
      pango_layout_set_auto_dir(slot.get(), FALSE);
    }
    PangoLayout* layout = slot.get();
    // Measuring a line and then drawing it is the common pattern: keep the shaped layout when
    // nothing changed.
    LayoutKey& cached = lastText[rightToLeft ? 1 : 0];
    const std::vector<std::pair<int, int>> noUnderlines;
    const auto& underlines = paint ? paint->FUnderlines : noUnderlines;
    if (cached.valid && cached.text == text && cached.underlines == underlines) return layout;
    cached.valid = false;
    const std::string utf8 = StringToUtf8(text);
    pango_layout_set_text(layout, utf8.data(), int(utf8.size()));
    PangoAttrList* attrs = pango_attr_list_new();
    if (logFont.lfUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (logFont.lfStrikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    if (!underlines.empty()) {
      const std::vector<int> offsets = Utf8Offsets(text);
      for (auto [first, last] : underlines) {
        first = std::clamp(first, 0, int(text.size()));
        last = std::clamp(last, first, int(text.size()));
        PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        a->start_index = unsigned(offsets[first]);
        a->end_index = unsigned(offsets[last]);
        pango_attr_list_insert(attrs, a);
      }
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    cached.text.assign(text);
    cached.underlines = underlines;
    cached.valid = true;
    return layout;
  }

  int CodePoints(StringView text) const {
    int n = 0;
    for (size_t i = 0; i < text.size(); ++i, ++n)
      if (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) ++i;
    return n;
  }

  int SymbolAdvance() const { return Round(em); }
};

TextFont::TextFont(std::unique_ptr<Impl> impl) : FImpl(std::move(impl)) {}
TextFont::~TextFont() = default;

const LOGFONTW& TextFont::LogFont() const { return FImpl->logFont; }
const String& TextFont::Family() const { return FImpl->family; }
const TEXTMETRICW& TextFont::Metrics() const { return FImpl->metrics; }
bool TextFont::IsSymbolFont() const { return FImpl->symbol; }

std::shared_ptr<const TextFont> TextFont::ForLogFont(const LOGFONTW& logFont) {
  Engine& engine = TheEngine();
  const LOGFONTW lf = Normalized(logFont);
  std::string key(reinterpret_cast<const char*>(&lf), sizeof lf);
  if (auto it = engine.fonts.find(key); it != engine.fonts.end()) return it->second;

  auto impl = std::make_unique<Impl>();
  impl->logFont = lf;
  const String face = FaceName(lf);
  impl->symbol = SameTextAscii(face, u"Webdings");
  impl->angle = lf.lfEscapement / 10.0 * std::numbers::pi / 180.0;
  const LONG weight = lf.lfWeight == 0 ? FW_NORMAL : std::clamp<LONG>(lf.lfWeight, 100, 1000);
  TEXTMETRICW& tm = impl->metrics;
  tm.tmWeight = weight;
  tm.tmItalic = lf.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = LONG(kDpi);
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFC;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? BYTE(ANSI_CHARSET) : lf.lfCharSet;

  if (impl->symbol) {
    impl->family = u"Webdings";
    impl->em = lf.lfHeight < 0 ? -double(lf.lfHeight) : lf.lfHeight > 0 ? lf.lfHeight : kDefaultCharHeight;
    impl->em = std::min(impl->em, kMaxFontPixels);
    tm.tmHeight = std::max(1, Round(impl->em));
    tm.tmAscent = Round(impl->em * 0.8);
    tm.tmDescent = tm.tmHeight - tm.tmAscent;
    tm.tmAveCharWidth = tm.tmMaxCharWidth = impl->SymbolAdvance();
    tm.tmCharSet = SYMBOL_CHARSET;
    tm.tmPitchAndFamily = TMPF_VECTOR | TMPF_TRUETYPE | FF_DECORATIVE;
  } else {
    impl->family = ResolveFontFamily(face, lf.lfPitchAndFamily);
    impl->description.reset(pango_font_description_new());
    PangoFontDescription* d = impl->description.get();
    pango_font_description_set_family(d, StringToUtf8(impl->family).c_str());
    pango_font_description_set_weight(d, PangoWeight(weight));
    pango_font_description_set_style(d, lf.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    PangoContext* context = engine.contexts[0].get();
    auto metricsAt = [&](double px) {
      pango_font_description_set_absolute_size(d, px * PANGO_SCALE);
      GObjectPtr<PangoFont> font(pango_font_map_load_font(engine.fontMap.get(), context, d));
      return std::pair(std::move(font), std::unique_ptr<PangoFontMetrics, MetricsUnref>(
                                            pango_font_get_metrics(font.get(), engine.language)));
    };
    if (lf.lfHeight > 0) {
      auto [font, m] = metricsAt(kReferenceSize);
      const double cell = double(pango_font_metrics_get_ascent(m.get()) + pango_font_metrics_get_descent(m.get())) / PANGO_SCALE;
      impl->em = cell > 0 ? lf.lfHeight * kReferenceSize / cell : lf.lfHeight;
    } else {
      impl->em = lf.lfHeight < 0 ? -double(lf.lfHeight) : kDefaultCharHeight;
    }
    impl->em = std::min(impl->em, kMaxFontPixels);
    auto [font, m] = metricsAt(impl->em);
    tm.tmAscent = Round(double(pango_font_metrics_get_ascent(m.get())) / PANGO_SCALE);
    tm.tmDescent = Round(double(pango_font_metrics_get_descent(m.get())) / PANGO_SCALE);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - Round(impl->em));
    tm.tmExternalLeading = std::max(0, Round(double(pango_font_metrics_get_height(m.get())) / PANGO_SCALE) - tm.tmHeight);
    const double average = double(pango_font_metrics_get_approximate_char_width(m.get())) / PANGO_SCALE;
    if (lf.lfWidth > 0 && average > 0) impl->xScale = std::min<double>(lf.lfWidth, kMaxFontPixels) / average;
    tm.tmAveCharWidth = std::max(1, Round(average * impl->xScale));
    cairo_font_extents_t extents{};
    if (cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font.get())))
      cairo_scaled_font_extents(scaled, &extents);
    tm.tmMaxCharWidth = std::max(tm.tmAveCharWidth, LONG(std::ceil(extents.max_x_advance * impl->xScale)));
    bool mono = false;
    if (PangoFontFace* fontFace = pango_font_get_face(font.get()))
      mono = pango_font_family_is_monospace(pango_font_face_get_family(fontFace));
    BYTE family = lf.lfPitchAndFamily & 0xF0;
    if (family == 0) family = mono ? FF_MODERN : FF_SWISS;
    tm.tmPitchAndFamily = BYTE(TMPF_VECTOR | TMPF_TRUETYPE | (mono ? 0 : TMPF_FIXED_PITCH) | family);
    pango_font_description_set_absolute_size(d, impl->em * PANGO_SCALE);
  }

  // Fonts stay cached while they are in use elsewhere; past the limit the cache starts over.
  if (engine.fonts.size() >= kFontCacheLimit) engine.fonts.clear();
  std::shared_ptr<const TextFont> result(new TextFont(std::move(impl)));
  engine.fonts.emplace(std::move(key), result);
  return result;
}

SIZE TextFont::Measure(StringView text, bool rightToLeft) const {
  const Impl& f = *FImpl;
  SIZE size{0, f.metrics.tmHeight};
  if (text.empty()) return size;
  if (f.symbol) {
    size.cx = f.CodePoints(text) * f.SymbolAdvance();
    return size;
  }
  PangoRectangle logical;
  pango_layout_get_extents(f.Prepare(text, rightToLeft, nullptr), nullptr, &logical);
  size.cx = Round(double(logical.width) * f.xScale / PANGO_SCALE);
  return size;
}

std::vector<int> TextFont::CaretPositions(StringView text) const {
  const Impl& f = *FImpl;
  std::vector<int> positions(text.size() + 1, 0);
  if (text.empty()) return positions;
  if (f.symbol) {
    int x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      positions[i] = x;
      if (text[i] >= 0xDC00 && text[i] < 0xE000 && i > 0) positions[i] = positions[i - 1];
      else x += f.SymbolAdvance();
    }
    positions[text.size()] = x;
    return positions;
  }
  PangoLayout* layout = f.Prepare(text, false, nullptr);
  const std::vector<int> offsets = Utf8Offsets(text);
  for (size_t i = 0; i < text.size(); ++i) {
    if (i > 0 && offsets[i] == offsets[i - 1]) {
      positions[i] = positions[i - 1];
      continue;
    }
    PangoRectangle pos;
    pango_layout_index_to_pos(layout, offsets[i], &pos);
    positions[i] = Round(double(pos.x) * f.xScale / PANGO_SCALE);
  }
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  positions[text.size()] = Round(double(logical.width) * f.xScale / PANGO_SCALE);
  return positions;
}

void TextFont::Draw(Bitmap& target, const std::vector<RECT>& clip, POINT origin, StringView text,
                    const TextPaint& paint) const {
  const Impl& f = *FImpl;
  if (clip.empty() || text.empty() || target.Empty()) return;

  // The area the line may cover, in its own unturned, unstretched pixels.
  double boxLeft = 0, boxTop = 0, boxRight = 0, boxBottom = f.metrics.tmHeight;
  double layoutTop = 0;
  PangoLayout* layout = nullptr;
  if (f.symbol) {
    boxRight = f.CodePoints(text) * f.SymbolAdvance();
  } else {
    layout = f.Prepare(text, paint.FRightToLeft, &paint);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    layoutTop = f.metrics.tmAscent - double(pango_layout_get_baseline(layout)) / PANGO_SCALE;
    boxLeft = std::min(ink.x, logical.x);
    boxRight = std::max(ink.x + ink.width, logical.x + logical.width);
    boxTop = std::min<double>(ink.y, logical.y) + layoutTop;
    boxBottom = std::max<double>(ink.y + ink.height, logical.y + logical.height) + layoutTop;
    boxBottom = std::max<double>(boxBottom, f.metrics.tmHeight);
  }
  boxLeft -= 1;
  boxTop -= 1;
  boxRight += 1;
  boxBottom += 1;

  // Where that area lands in the target: stretched, then turned about the origin.
  const double cosA = std::cos(f.angle), sinA = std::sin(f.angle);
  double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
  for (double cx : {boxLeft, boxRight}) {
    for (double cy : {boxTop, boxBottom}) {
      const double sx = cx * f.xScale;
      const double tx = origin.x + sx * cosA + cy * sinA;
      const double ty = origin.y - sx * sinA + cy * cosA;
      minX = std::min(minX, tx); maxX = std::max(maxX, tx);
      minY = std::min(minY, ty); maxY = std::max(maxY, ty);
    }
  }
  RECT box{int(std::floor(minX)), int(std::floor(minY)), int(std::ceil(maxX)), int(std::ceil(maxY))};
  RECT bounds{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const RECT& c : clip) {
    bounds.left = std::min(bounds.left, c.left); bounds.top = std::min(bounds.top, c.top);
    bounds.right = std::max(bounds.right, c.right); bounds.bottom = std::max(bounds.bottom, c.bottom);
  }
  RECT area;
  if (!IntersectRect(&area, &box, &bounds)) return;

  std::unique_ptr<cairo_surface_t, CairoDestroy> surface(
      cairo_image_surface_create(CAIRO_FORMAT_A8, area.Width(), area.Height()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return;
  {
    std::unique_ptr<cairo_t, CairoDestroy> cr(cairo_create(surface.get()));
    cairo_translate(cr.get(), origin.x - area.left, origin.y - area.top);
    cairo_rotate(cr.get(), -f.angle);
    cairo_scale(cr.get(), f.xScale, 1.0);
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    if (f.symbol) {
      int i = 0;
      for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] >= 0xDC00 && text[k] < 0xE000 && k > 0) continue;
        cairo_save(cr.get());
        DrawSymbol(cr.get(), text[k], double(i++) * f.SymbolAdvance(), f.em, f.metrics.tmHeight);
        cairo_restore(cr.get());
      }
    } else {
      cairo_translate(cr.get(), 0, layoutTop);
      pango_cairo_show_layout(cr.get(), layout);
    }
  }
  cairo_surface_flush(surface.get());
  const uint8_t* mask = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (const RECT& c : clip) {
    RECT r;
    if (IntersectRect(&r, &c, &area)) Composite(target, r, mask, stride, POINT{area.left, area.top}, paint.FColor);
  }
}

String ResolveFontFamily(StringView face, BYTE pitchAndFamily) {
  Engine& engine = TheEngine();
  const bool fixed = WantsFixedPitch(pitchAndFamily);
  const auto key = std::pair(LowerCaseAscii(face), fixed);
  if (auto it = engine.families.find(key); it != engine.families.end()) return it->second;

  auto match = [](const std::string& name, bool* mono) -> std::optional<String> {
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr found(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* family = nullptr;
    if (!found || FcPatternGetString(found.get(), FC_FAMILY, 0, &family) != FcResultMatch) return std::nullopt;
    int spacing = FC_PROPORTIONAL;
    FcPatternGetInteger(found.get(), FC_SPACING, 0, &spacing);
    *mono = spacing == FC_MONO;
    return Utf8ToString(reinterpret_cast<const char*>(family));
  };

  std::string name;
  if (face.empty()) {
    name = fixed ? "monospace" : (pitchAndFamily & 0xF0) == FF_ROMAN ? "serif" : "sans-serif";
  } else {
    name = StringToUtf8(face);
  }
  bool mono = false;
  std::optional<String> family = match(name, &mono);
  if (family && fixed && !mono && !SameTextAscii(*family, face)) {
    bool ignored = false;
    if (std::optional<String> monospace = match("monospace", &ignored)) family = monospace;
  }
  String resolved = family ? *family : String(face);
  engine.families.emplace(key, resolved);
  return resolved;
}

std::vector<String> InstalledFontFamilies() {
  std::vector<String> names;
  PatternPtr pattern(FcPatternCreate());
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern.get(), objects);
  FcObjectSetDestroy(objects);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
        names.push_back(Utf8ToString(reinterpret_cast<const char*>(family)));
    }
    FcFontSetDestroy(set);
  }
  std::sort(names.begin(), names.end(), [](const String& a, const String& b) {
    const int c = CompareTextAscii(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  names.erase(std::unique(names.begin(), names.end(),
                          [](const String& a, const String& b) { return SameTextAscii(a, b); }),
              names.end());
  return names;
}

}  // namespace win
