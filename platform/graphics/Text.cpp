#include "platform/graphics/Text.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace win {

namespace {

constexpr int kTabStopChars = 8;
constexpr char16_t kEllipsis[] = u"...";
// Stands for "no clip rectangle" in device space; the DC's own clip limits it to the target.
constexpr RECT kUnclipped{INT32_MIN / 4, INT32_MIN / 4, INT32_MAX / 4, INT32_MAX / 4};

// Positions of drawn text saturate far outside any bitmap (as the DC's mapping does), so that
// adding a width or a line height to them never overflows.
constexpr int64_t kCoordLimit = int64_t(1) << 30;

int32_t Saturate(int64_t v) { return int32_t(std::clamp(v, -kCoordLimit, kCoordLimit)); }

// A measure handed back to the caller: as exact as 32 bits allow.
int32_t ClampInt(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

StringView TextOf(const WCHAR* text, int count) {
  if (!text) return {};
  if (count < 0) return StringView(text);
  return StringView(text, size_t(count));
}

// Everything one drawing call needs from its DC.
struct TextTarget {
  DeviceContext& dc;
  Bitmap* bitmap;
  const TextFont& font;

  explicit TextTarget(DeviceContext& d) : dc(d), bitmap(d.Target()), font(SelectedFont(d)) {}

  // Clip rectangles in target pixels for a logical clip (or none).
  std::vector<RECT> Clip(const RECT* logicalClip) {
    std::vector<RECT> rects;
    if (!bitmap) return rects;
    const RECT device = logicalClip ? dc.LogicalToDevice(*logicalClip) : kUnclipped;
    dc.ForEachClipRect(device, [&](const RECT& r) { rects.push_back(r); });
    return rects;
  }

  void Fill(const RECT& logical, const std::vector<RECT>& clip, COLORREF color) {
    if (!bitmap) return;
    const RECT device = dc.LogicalToDevice(logical);
    const POINT a = dc.DeviceToTarget(POINT{device.left, device.top});
    const POINT b = dc.DeviceToTarget(POINT{device.right, device.bottom});
    const RECT area{a.x, a.y, b.x, b.y};
    const Bgra pixel{GetBValue(color), GetGValue(color), GetRValue(color), 255};
    for (const RECT& c : clip) {
      RECT r;
      if (!IntersectRect(&r, &c, &area)) continue;
      for (int y = r.top; y < r.bottom; ++y) std::fill(bitmap->Row32(y) + r.left, bitmap->Row32(y) + r.right, pixel);
    }
  }

  void Draw(POINT logicalTopLeft, StringView text, const std::vector<RECT>& clip, const TextPaint& paint) {
    if (!bitmap) return;
    font.Draw(*bitmap, clip, dc.LogicalToTarget(logicalTopLeft), text, paint);
  }

  TextPaint Paint(bool rightToLeft = false) const {
    TextPaint p;
    p.FColor = dc.State().FTextColor & 0xFFFFFF;
    p.FRightToLeft = rightToLeft;
    return p;
  }
};

// The top-left corner of a line of `width` placed at (x, y) by a text alignment.
POINT AlignedTopLeft(UINT align, int x, int y, int64_t width, const TEXTMETRICW& tm) {
  int64_t px = x, py = y;
  if ((align & TA_CENTER) == TA_CENTER)
    px -= width / 2;
  else if (align & TA_RIGHT)
    px -= width;
  if ((align & TA_BASELINE) == TA_BASELINE)
    py -= tm.tmAscent;
  else if (align & TA_BOTTOM)
    py -= tm.tmHeight;
  return POINT{Saturate(px), Saturate(py)};
}

// ---- DrawTextW's lines ---------------------------------------------------------------------

// A line as it will be drawn: its characters and the ones to underline.
struct Line {
  String text;
  std::vector<int> underlined;  // indexes into text
};

bool IsBreakSpace(char16_t c) { return c == u' ' || c == u'\t'; }

// Removes the prefix marks: "&&" becomes "&", "&x" becomes an underlined x, a lone "&" at the
// end is dropped.
Line StripPrefixes(StringView s, bool underline) {
  Line line;
  line.text.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != u'&') {
      line.text += s[i];
      continue;
    }
    if (++i >= s.size()) break;
    if (s[i] != u'&' && underline) line.underlined.push_back(int(line.text.size()));
    line.text += s[i];
  }
  return line;
}

Line Slice(const Line& line, size_t first, size_t last) {
  Line out;
  out.text = line.text.substr(first, last - first);
  for (int u : line.underlined)
    if (u >= int(first) && u < int(last)) out.underlined.push_back(u - int(first));
  return out;
}

Line Concat(const Line& a, const Line& b) {
  Line out = a;
  out.text += b.text;
  for (int u : b.underlined) out.underlined.push_back(u + int(a.text.size()));
  return out;
}

const Line& EllipsisLine() {
  static const Line line{kEllipsis, {}};
  return line;
}

class LineFormatter {
 public:
  LineFormatter(const TextFont& font, UINT format)
      : FFont(font), FExpandTabs(format & DT_EXPANDTABS),
        FTabWidth(std::max(1, int(font.Metrics().tmAveCharWidth) * kTabStopChars)),
        FRightToLeft(format & DT_RTLREADING) {}

  // Width of a whole line: tab-free runs measured by the engine, tabs jumping to stops.
  int Width(StringView s) const {
    if (!FExpandTabs) return FFont.Measure(s, FRightToLeft).cx;
    int end = 0;
    ForEachRun(s, [](size_t, size_t, int) {}, &end);
    return end;
  }

  // Calls fn(first, last, x) for each tab-free run of a line; `end` receives the x after the
  // last tab when the line ends with one.
  template <class F>
  void ForEachRun(StringView s, F&& fn, int* end = nullptr) const {
    int x = 0;
    size_t first = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
      if (i < s.size() && !(FExpandTabs && s[i] == u'\t')) continue;
      if (i > first) {
        fn(first, i, x);
        x += FFont.Measure(s.substr(first, i - first), FRightToLeft).cx;
      }
      if (i < s.size()) x = (x / FTabWidth + 1) * FTabWidth;
      first = i + 1;
    }
    if (end) *end = std::max(*end, x);
  }

  // Breaks a paragraph between words so that lines fit `width` where they can.
  std::vector<Line> WordBreak(const Line& paragraph, int width) const {
    const String& p = paragraph.text;
    // Advances from one layout of the whole paragraph keep breaking linear in its length.
    String spaced = p;
    std::replace(spaced.begin(), spaced.end(), u'\t', u' ');
    const std::vector<int> caret = FFont.CaretPositions(spaced);
    auto widthOf = [&](size_t first, size_t last) {
      int x = 0;
      for (size_t i = first; i < last; ++i) {
        if (FExpandTabs && p[i] == u'\t')
          x = (x / FTabWidth + 1) * FTabWidth;
        else
          x += caret[i + 1] - caret[i];
      }
      return x;
    };
    std::vector<Line> lines;
    size_t start = 0;
    const size_t n = p.size();
    do {
      size_t end = start, next = start, k = start;
      bool taken = false;
      while (k < n) {
        while (k < n && IsBreakSpace(p[k]) && !taken) ++k;  // leading spaces belong to the first word
        while (k < n && !IsBreakSpace(p[k])) ++k;
        if (taken && widthOf(start, k) > width) break;
        taken = true;
        end = k;
        while (k < n && IsBreakSpace(p[k])) ++k;
        next = k;
      }
      lines.push_back(Slice(paragraph, start, end));
      start = next;
    } while (start < n);
    return lines;
  }

  // The longest head of `line` that fits `width` together with `tail`.
  size_t FittingHead(const Line& line, size_t limit, const Line& tail, int width) const {
    size_t lo = 0, hi = limit;
    while (lo < hi) {
      const size_t mid = (lo + hi + 1) / 2;
      if (Width(line.text.substr(0, mid) + tail.text) <= width)
        lo = mid;
      else
        hi = mid - 1;
    }
    // Never split a surrogate pair.
    if (lo > 0 && lo < line.text.size() && line.text[lo] >= 0xDC00 && line.text[lo] < 0xE000) --lo;
    return lo;
  }

  Line EndEllipsis(const Line& line, int width) const {
    if (Width(line.text) <= width) return line;
    return Concat(Slice(line, 0, FittingHead(line, line.text.size(), EllipsisLine(), width)), EllipsisLine());
  }

  Line PathEllipsis(const Line& line, int width) const {
    if (Width(line.text) <= width) return line;
    const size_t sep = line.text.find_last_of(u"\\/");
    if (sep != String::npos && sep > 0) {
      const Line tail = Concat(EllipsisLine(), Slice(line, sep, line.text.size()));
      if (Width(tail.text) > width) return EndEllipsis(tail, width);
      return Concat(Slice(line, 0, FittingHead(line, sep, tail, width)), tail);
    }
    // No folder part: keep both ends, as much as fits.
    size_t lo = 0, hi = line.text.size();
    auto keep = [&](size_t kept) {
      const size_t head = (kept + 1) / 2, tail = kept / 2;
      return Concat(Concat(Slice(line, 0, head), EllipsisLine()), Slice(line, line.text.size() - tail, line.text.size()));
    };
    while (lo < hi) {
      const size_t mid = (lo + hi + 1) / 2;
      if (Width(keep(mid).text) <= width)
        lo = mid;
      else
        hi = mid - 1;
    }
    return keep(lo);
  }

 private:
  const TextFont& FFont;
  bool FExpandTabs;
  int FTabWidth;
  bool FRightToLeft;
};

std::vector<StringView> Paragraphs(StringView text) {
  std::vector<StringView> out;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    out.push_back(text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) out.push_back(text.substr(start));
  return out;
}

}  // namespace

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count,
                 const int* dx) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  TextTarget t(*dc);
  const StringView s = TextOf(text, text ? int(count) : 0);
  const bool clipped = (options & ETO_CLIPPED) && rect;
  const std::vector<RECT> clip = t.Clip(clipped ? rect : nullptr);
  if ((options & ETO_OPAQUE) && rect) t.Fill(*rect, t.Clip(nullptr), dc->State().FBkColor);
  if (s.empty()) return TRUE;

  const TEXTMETRICW& tm = t.font.Metrics();
  int64_t width = 0;
  if (dx) {
    for (size_t i = 0; i < s.size(); ++i) width += dx[i];
  } else {
    width = t.font.Measure(s).cx;
  }
  DcState& state = dc->State();
  const bool updateCp = state.FTextAlign & TA_UPDATECP;
  if (updateCp) {
    x = state.FCurrentPos.x;
    y = state.FCurrentPos.y;
  }
  const POINT at = AlignedTopLeft(state.FTextAlign, x, y, width, tm);
  // Centred text leaves the current position where it was.
  if (updateCp && (state.FTextAlign & TA_CENTER) != TA_CENTER)
    state.FCurrentPos.x =
        Saturate(state.FCurrentPos.x + ((state.FTextAlign & TA_RIGHT) ? -width : width));
  if (state.FBkMode == OPAQUE && !(options & ETO_OPAQUE))
    t.Fill(RECT{at.x, at.y, Saturate(at.x + width), at.y + tm.tmHeight}, clip, state.FBkColor);
  const TextPaint paint = t.Paint(state.FTextAlign & TA_RTLREADING);
  if (!dx) {
    t.Draw(at, s, clip, paint);
    return TRUE;
  }
  int64_t cx = at.x;
  for (size_t i = 0; i < s.size();) {
    const bool pair = s[i] >= 0xD800 && s[i] < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000;
    const size_t n = pair ? 2 : 1;
    t.Draw(POINT{Saturate(cx), at.y}, s.substr(i, n), clip, paint);
    for (size_t k = 0; k < n; ++k) cx += dx[i + k];
    i += n;
  }
  return TRUE;
}

BOOL TextOutW(HDC dc, int x, int y, const WCHAR* text, int count) {
  const StringView s = TextOf(text, count);
  return ExtTextOutW(dc, x, y, 0, nullptr, s.data(), UINT(s.size()), nullptr);
}

int DrawTextW(HDC hdc, const WCHAR* text, int count, RECT* rect, UINT format) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !rect) return 0;
  TextTarget t(*dc);
  const TEXTMETRICW& tm = t.font.Metrics();
  const StringView s = TextOf(text, count);
  const LineFormatter formatter(t.font, format);
  const bool singleLine = format & DT_SINGLELINE;
  const bool calc = format & DT_CALCRECT;
  const int boxWidth = ClampInt(int64_t(rect->right) - rect->left);

  std::vector<Line> lines;
  auto addParagraph = [&](StringView paragraph) {
    const Line line = (format & DT_NOPREFIX) ? Line{String(paragraph), {}}
                                             : StripPrefixes(paragraph, !(format & DT_HIDEPREFIX));
    if ((format & DT_WORDBREAK) && !singleLine) {
      for (Line& l : formatter.WordBreak(line, boxWidth)) lines.push_back(std::move(l));
    } else {
      lines.push_back(line);
    }
  };
  if (singleLine) {
    String joined;
    for (char16_t c : s)
      if (c != u'\r' && c != u'\n') joined += c;
    if (!s.empty()) addParagraph(joined);
  } else {
    for (StringView p : Paragraphs(s)) addParagraph(p);
  }
  if (!calc) {
    for (Line& line : lines) {
      if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))
        line = formatter.EndEllipsis(line, boxWidth);
      else if (format & DT_PATH_ELLIPSIS)
        line = formatter.PathEllipsis(line, boxWidth);
    }
  }

  const int lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const int total = lineHeight * int(lines.size());
  std::vector<int> widths;
  widths.reserve(lines.size());
  for (const Line& line : lines) widths.push_back(formatter.Width(line.text));

  if (calc) {
    const int widest = widths.empty() ? 0 : *std::max_element(widths.begin(), widths.end());
    rect->right = ClampInt(int64_t(rect->left) + widest);
    rect->bottom = ClampInt(int64_t(rect->top) + total);
    return total;
  }

  int64_t top = rect->top;
  if (singleLine && (format & DT_VCENTER))
    top = rect->top + (int64_t(rect->bottom) - rect->top - total) / 2;
  else if (singleLine && (format & DT_BOTTOM))
    top = int64_t(rect->bottom) - total;

  const std::vector<RECT> clip = t.Clip((format & DT_NOCLIP) ? nullptr : rect);
  const DcState& state = dc->State();
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    const int w = widths[i];
    int64_t x = rect->left;
    if (format & DT_CENTER)
      x = rect->left + (int64_t(rect->right) - rect->left - w) / 2;
    else if (format & DT_RIGHT)
      x = int64_t(rect->right) - w;
    const int left = Saturate(x);
    const int y = Saturate(top + int64_t(lineHeight) * int64_t(i));
    if (state.FBkMode == OPAQUE) t.Fill(RECT{left, y, left + w, y + lineHeight}, clip, state.FBkColor);
    formatter.ForEachRun(line.text, [&](size_t first, size_t last, int runX) {
      TextPaint paint = t.Paint(format & DT_RTLREADING);
      for (int u : line.underlined)
        if (u >= int(first) && u < int(last)) paint.FUnderlines.emplace_back(u - int(first), u - int(first) + 1);
      t.Draw(POINT{left + runX, y}, StringView(line.text).substr(first, last - first), clip, paint);
    });
  }
  if (singleLine && (format & (DT_VCENTER | DT_BOTTOM))) return ClampInt(top + total - rect->top);
  return total;
}

BOOL GetTextExtentExPointW(HDC hdc, const WCHAR* text, int count, int maxExtent, int* fit, int* dx,
                           SIZE* size) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || (count < 0 && !text)) return FALSE;
  const TextFont& font = SelectedFont(*dc);
  const StringView s = TextOf(text, count);
  if (fit || dx) {
    const std::vector<int> caret = font.CaretPositions(s);
    int fitting = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      if (dx) dx[i] = caret[i + 1];
      if (caret[i + 1] <= maxExtent && fitting == int(i)) fitting = int(i) + 1;
    }
    if (fit) *fit = fitting;
  }
  if (size) *size = font.Measure(s);
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, const WCHAR* text, int count, SIZE* size) {
  if (!size) return FALSE;
  return GetTextExtentExPointW(dc, text, count, 0, nullptr, nullptr, size);
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !metrics) return FALSE;
  *metrics = SelectedFont(*dc).Metrics();
  return TRUE;
}

int GetTextFaceW(HDC hdc, int count, WCHAR* face) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return 0;
  const String name = FaceName(SelectedFont(*dc).LogFont());
  if (!face) return int(name.size()) + 1;
  if (count <= 0) return 0;
  const size_t n = std::min(name.size(), size_t(count - 1));
  std::copy(name.begin(), name.begin() + n, face);
  face[n] = u'\0';
  return int(n) + 1;
}

}  // namespace win
