#include "platform/framework/IniFiles.h"

#include <cstdint>
#include <optional>

#include "platform/base/Errors.h"

namespace {

String DecodeUtf16(const uint8_t* p, size_t size, bool bigEndian) {
  String out;
  out.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2) {
    out.push_back(bigEndian ? char16_t((p[i] << 8) | p[i + 1]) : char16_t(p[i] | (p[i + 1] << 8)));
  }
  return out;
}

void AppendUtf16(Bytes& out, StringView text, bool bigEndian) {
  for (char16_t c : text) {
    uint8_t lo = uint8_t(c & 0xFF), hi = uint8_t(c >> 8);
    if (bigEndian) {
      out.push_back(hi);
      out.push_back(lo);
    } else {
      out.push_back(lo);
      out.push_back(hi);
    }
  }
}

// Hexadecimal text names the 32 bits of the value, as colours are written: "0x8000000F" is the
// negative number of a system colour rather than an overflow.
std::optional<int32_t> ParseIniInteger(StringView text) {
  if (std::optional<int32_t> v = ParseInt32(text)) return v;
  const bool hex = text.starts_with(u"$") ||
                   (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'));
  if (!hex) return std::nullopt;
  const std::optional<int64_t> v = ParseInt64(text);
  if (!v || *v < 0 || *v > int64_t(UINT32_MAX)) return std::nullopt;
  return static_cast<int32_t>(static_cast<uint32_t>(*v));
}

}  // namespace

TMemIniFile::TMemIniFile(StringView fileName, bool caseSensitive)
    : FFileName(fileName), FCaseSensitive(caseSensitive) {
  if (FileExists(fileName)) {
    Bytes data = ReadWholeFile(fileName);
    LoadFromBytes(data.data(), data.size());
  }
}

void TMemIniFile::LoadFromBytes(const uint8_t* data, size_t size) {
  String text;
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    FEncoding = TEncoding::Utf8;
    text = Utf8ToString(std::string_view(reinterpret_cast<const char*>(data + 3), size - 3));
  } else if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    FEncoding = TEncoding::Utf16LE;
    text = DecodeUtf16(data + 2, size - 2, false);
  } else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    FEncoding = TEncoding::Utf16BE;
    text = DecodeUtf16(data + 2, size - 2, true);
  } else {
    FEncoding = TEncoding::Ansi;
    text = AnsiToString(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  SetText(text);
}

void TMemIniFile::SetText(StringView text) {
  Clear();
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\r' || text[i] == u'\n') {
      if (i < text.size() || i > start) AddLine(text.substr(start, i - start));
      if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n') ++i;
      start = i + 1;
    }
  }
}

void TMemIniFile::SetStrings(const std::vector<String>& lines) {
  Clear();
  for (const String& line : lines) {
    // A list entry may itself hold line breaks (text pasted as one item).
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
      if (i == line.size() || line[i] == u'\r' || line[i] == u'\n') {
        AddLine(StringView(line).substr(start, i - start));
        if (i + 1 < line.size() && line[i] == u'\r' && line[i + 1] == u'\n') ++i;
        start = i + 1;
      }
    }
  }
}

void TMemIniFile::AddLine(StringView raw) {
  String text = Trim(raw);
  if (text.size() >= 2 && text.front() == u'[' && text.back() == u']') {
    FSections.push_back(TSection{Trim(StringView(text).substr(1, text.size() - 2)), {}});
    return;
  }
  if (FSections.empty()) {
    FPreamble.push_back(std::move(text));
    return;
  }
  TLine line;
  if (!text.empty() && text[0] != u';') {
    size_t eq = text.find(u'=');
    if (eq != String::npos) {
      line.IsKey = true;
      line.Key = Trim(StringView(text).substr(0, eq));
      line.Value = Trim(StringView(text).substr(eq + 1));
    }
  }
  line.Text = std::move(text);
  FSections.back().Lines.push_back(std::move(line));
}

std::vector<String> TMemIniFile::GetStrings() const {
  std::vector<String> out = FPreamble;
  for (const TSection& s : FSections) {
    out.push_back(u"[" + s.Name + u"]");
    for (const TLine& l : s.Lines) out.push_back(l.Text);
  }
  return out;
}

void TMemIniFile::Clear() {
  FPreamble.clear();
  FSections.clear();
}

bool TMemIniFile::SameName(StringView a, StringView b) const {
  return FCaseSensitive ? a == b : SameTextAscii(a, b);
}

const TMemIniFile::TSection* TMemIniFile::FindSection(StringView name) const {
  for (const TSection& s : FSections) {
    if (SameName(s.Name, name)) return &s;
  }
  return nullptr;
}

TMemIniFile::TSection* TMemIniFile::FindSection(StringView name) {
  return const_cast<TSection*>(static_cast<const TMemIniFile*>(this)->FindSection(name));
}

const TMemIniFile::TLine* TMemIniFile::FindKey(StringView section, StringView key) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  for (const TLine& l : s->Lines) {
    if (l.IsKey && SameName(l.Key, key)) return &l;
  }
  return nullptr;
}

void TMemIniFile::ReadSections(std::vector<String>& sections) const {
  sections.clear();
  for (const TSection& s : FSections) sections.push_back(s.Name);
}

void TMemIniFile::ReadSection(StringView section, std::vector<String>& keys) const {
  keys.clear();
  if (const TSection* s = FindSection(section)) {
    for (const TLine& l : s->Lines) {
      if (l.IsKey && !l.Key.empty()) keys.push_back(l.Key);
    }
  }
}

bool TMemIniFile::SectionExists(StringView section) const { return FindSection(section) != nullptr; }

bool TMemIniFile::ValueExists(StringView section, StringView key) const {
  return FindKey(section, key) != nullptr;
}

String TMemIniFile::ReadString(StringView section, StringView key, StringView def) const {
  const TLine* l = FindKey(section, key);
  return l ? l->Value : String(def);
}

int32_t TMemIniFile::ReadInteger(StringView section, StringView key, int32_t def) const {
  const TLine* l = FindKey(section, key);
  if (!l) return def;
  return ParseIniInteger(l->Value).value_or(def);
}

double TMemIniFile::ReadFloat(StringView section, StringView key, double def) const {
  const TLine* l = FindKey(section, key);
  if (!l) return def;
  return ParseFloat(l->Value).value_or(def);
}

bool TMemIniFile::ReadBool(StringView section, StringView key, bool def) const {
  const TLine* l = FindKey(section, key);
  if (!l) return def;
  if (SameTextAscii(l->Value, u"TRUE")) return true;
  if (SameTextAscii(l->Value, u"FALSE")) return false;
  std::optional<int32_t> v = ParseIniInteger(l->Value);
  return v ? *v != 0 : def;
}

void TMemIniFile::WriteString(StringView section, StringView key, StringView value) {
  TSection* s = FindSection(section);
  if (!s) {
    FSections.push_back(TSection{String(section), {}});
    s = &FSections.back();
  }
  TLine line;
  line.IsKey = true;
  line.Key = Trim(key);
  line.Value = Trim(value);
  line.Text = line.Key + u"=" + line.Value;
  for (TLine& l : s->Lines) {
    if (l.IsKey && SameName(l.Key, line.Key)) {
      line.Key = l.Key;  // keep the spelling the file already uses
      line.Text = line.Key + u"=" + line.Value;
      l = std::move(line);
      return;
    }
  }
  // New keys go after the section's last non-empty line, so blank separators stay between sections.
  size_t at = s->Lines.size();
  while (at > 0 && s->Lines[at - 1].Text.empty()) --at;
  s->Lines.insert(s->Lines.begin() + static_cast<ptrdiff_t>(at), std::move(line));
}

void TMemIniFile::WriteInteger(StringView section, StringView key, int32_t value) {
  WriteString(section, key, IntToStr(value));
}

void TMemIniFile::WriteBool(StringView section, StringView key, bool value) {
  WriteString(section, key, value ? u"1" : u"0");
}

void TMemIniFile::EraseSection(StringView section) {
  std::erase_if(FSections, [&](const TSection& s) { return SameName(s.Name, section); });
}

void TMemIniFile::DeleteKey(StringView section, StringView key) {
  if (TSection* s = FindSection(section)) {
    for (auto it = s->Lines.begin(); it != s->Lines.end(); ++it) {
      if (it->IsKey && SameName(it->Key, key)) {
        s->Lines.erase(it);
        return;
      }
    }
  }
}

void TMemIniFile::UpdateFile() const {
  Bytes out;
  const std::vector<String> lines = GetStrings();
  switch (FEncoding) {
    case TEncoding::Utf8: out = {0xEF, 0xBB, 0xBF}; break;
    case TEncoding::Utf16LE: out = {0xFF, 0xFE}; break;
    case TEncoding::Utf16BE: out = {0xFE, 0xFF}; break;
    case TEncoding::Ansi: break;
  }
  for (const String& line : lines) {
    const String text = line + u"\r\n";
    switch (FEncoding) {
      case TEncoding::Ansi: {
        std::string s = StringToAnsi(text);
        out.insert(out.end(), s.begin(), s.end());
        break;
      }
      case TEncoding::Utf8: {
        std::string s = StringToUtf8(text);
        out.insert(out.end(), s.begin(), s.end());
        break;
      }
      case TEncoding::Utf16LE: AppendUtf16(out, text, false); break;
      case TEncoding::Utf16BE: AppendUtf16(out, text, true); break;
    }
  }
  WriteFileAtomic(FFileName, out);
}
