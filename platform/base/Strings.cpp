#include "platform/base/Strings.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/base/Errors.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(String& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// 0x80..0x9F of Windows-1252; 0 marks the five unassigned bytes.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

String Utf8ToString(std::string_view s) {
  String out;
  out.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int len;
    char32_t cp;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2; cp = b & 0x1F; min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3; cp = b & 0x0F; min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4; cp = b & 0x07; min = 0x10000;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    int k = 1;
    for (; k < len && i + k < n; ++k) {
      unsigned char c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) break;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(kReplacement);
      i += k;  // skip the lead byte and the continuation bytes that belonged to it
      continue;
    }
    AppendCodePoint(out, cp);
    i += len;
  }
  return out;
}

std::string StringToUtf8(StringView s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

String AnsiToString(std::string_view bytes) {
  String out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] != 0) {
      out.push_back(kCp1252High[b - 0x80]);
    } else {
      out.push_back(b);
    }
  }
  return out;
}

std::optional<unsigned char> CharToAnsi(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  if (c >= 0x80 && c <= 0x9F) {
    // Only the unassigned bytes stand for themselves.
    if (kCp1252High[c - 0x80] == 0) return static_cast<unsigned char>(c);
    return std::nullopt;
  }
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::string StringToAnsi(StringView s) {
  std::string out;
  out.reserve(s.size());
  for (char16_t c : s) {
    auto b = CharToAnsi(c);
    out.push_back(b ? static_cast<char>(*b) : '?');
  }
  return out;
}

String AsciiToString(std::string_view ascii) {
  return String(ascii.begin(), ascii.end());
}

char16_t UpCaseAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? c - 32 : c; }
char16_t LowCaseAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }

String UpperCaseAscii(StringView s) {
  String out(s);
  for (auto& c : out) c = UpCaseAscii(c);
  return out;
}

String LowerCaseAscii(StringView s) {
  String out(s);
  for (auto& c : out) c = LowCaseAscii(c);
  return out;
}

int CompareTextAscii(StringView a, StringView b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = UpCaseAscii(a[i]);
    int cb = UpCaseAscii(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameTextAscii(StringView a, StringView b) {
  return a.size() == b.size() && CompareTextAscii(a, b) == 0;
}

String Trim(StringView s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return String(s.substr(b, e - b));
}

std::optional<int64_t> ParseInt64(StringView s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    ++i;
  }
  int base = 10;
  if (i < s.size() && s[i] == u'$') {
    base = 16;
    ++i;
  } else if (s.size() - i > 2 && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  // Accumulate as a negative number so that INT64_MIN parses without overflow.
  int64_t value = 0;
  const int64_t limit = std::numeric_limits<int64_t>::min();
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    int d;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') d = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') d = c - u'A' + 10;
    else return std::nullopt;
    if (value < (limit + d) / base) return std::nullopt;
    value = value * base - d;
  }
  if (!negative) {
    if (value == limit) return std::nullopt;
    value = -value;
  }
  return value;
}

std::optional<int32_t> ParseInt32(StringView s) {
  auto v = ParseInt64(s);
  if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::optional<double> ParseFloat(StringView s) {
  std::string ascii;
  ascii.reserve(s.size());
  size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    if (s[i] == u'-') ascii.push_back('-');
    ++i;
  }
  bool digits = false;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, digits = true) ascii.push_back(char(s[i]));
  if (i < s.size() && s[i] == u'.') {
    ascii.push_back('.');
    for (++i; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, digits = true)
      ascii.push_back(char(s[i]));
  }
  if (!digits) return std::nullopt;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    ascii.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ascii.push_back(char(s[i++]));
    bool expDigits = false;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, expDigits = true)
      ascii.push_back(char(s[i]));
    if (!expDigits) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ec != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

int32_t StrToInt(StringView s) {
  auto v = ParseInt32(s);
  if (!v) throw EConvertError(u"'" + String(s) + u"' is not a valid integer value");
  return *v;
}

int32_t StrToIntDef(StringView s, int32_t def) {
  auto v = ParseInt32(s);
  return v ? *v : def;
}

String IntToStr(int64_t v) {
  return AsciiToString(std::to_string(v));
}
