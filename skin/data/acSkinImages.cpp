#include "skin/data/acSkinImages.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/base/Errors.h"
#include "platform/graphics/ImageCodecs.h"
#include "skin/data/acSkinPaths.h"

namespace {

constexpr char16_t kGlobalInfo[] = u"GLOBALINFO";

bool Contains(StringView s, StringView part) { return s.find(part) != StringView::npos; }

// Where one load finds its picture files.
struct TPictureSource {
  const TacSkinConvertor* Archive;
  const String& SkinPath;
  bool FilesOnly = false;  // common sections always name files

  std::optional<Bytes> Find(StringView name) const {
    if (Archive && !FilesOnly) {
      const TacImageItem* item = Archive->FindImage(name);
      if (!item) return std::nullopt;
      return *item->FileStream;
    }
    const bool absolute = Contains(name, u":") || name.starts_with(u"/");
    const String path = FindSkinFile(absolute ? String(name) : SkinPath + String(name));
    if (path.empty()) return std::nullopt;
    return ReadWholeFile(path);
  }
};

bool IsPng(const Bytes& b) { return b.size() >= 4 && std::memcmp(b.data(), "\x89PNG", 4) == 0; }

// A BMP file that brings its own alpha channel.
bool IsBmp32(const Bytes& b) {
  return b.size() >= 30 && b[0] == 'B' && b[1] == 'M' && (b[28] | (b[29] << 8)) == 32;
}

// Key-coloured pixels become transparent, every other pixel opaque.
void SetKeyTransparency(win::Bitmap& bmp) {
  for (int y = 0; y < bmp.Height(); ++y) {
    win::Bgra* row = bmp.Row32(y);
    for (int x = 0; x < bmp.Width(); ++x) {
      win::Bgra& p = row[x];
      p.a = (p.r == 0xFF && p.g == 0 && p.b == 0xFF) ? 0 : 0xFF;
    }
  }
}

// PNG pictures mark their empty pixels as transparent white; painting expects transparent black.
void ClearTransparentWhite(win::Bitmap& bmp) {
  for (int y = 0; y < bmp.Height(); ++y) {
    win::Bgra* row = bmp.Row32(y);
    for (int x = 0; x < bmp.Width(); ++x) {
      win::Bgra& p = row[x];
      if (p.a == 0 && p.r == 0xFF && p.g == 0xFF && p.b == 0xFF) p = win::Bgra{};
    }
  }
}

// A picture file as a 32-bit bitmap: PNG with its alpha, BMP with the key colour transparent
// unless it has an alpha channel of its own.
win::Bitmap DecodePicture(const Bytes& data) {
  if (IsPng(data)) {
    win::Bitmap bmp = win::DecodePng(data.data(), data.size());
    ClearTransparentWhite(bmp);
    return bmp;
  }
  win::Bitmap bmp = win::DecodeBmp(data.data(), data.size());
  if (!IsBmp32(data)) SetKeyTransparency(bmp);
  return bmp;
}

[[noreturn]] void BadValue(StringView section, StringView key, StringView value) {
  throw EConvertError(u"Invalid picture value \"" + String(value) + u"\" of " + String(key) +
                      u" in [" + String(section) + u"]");
}

// Digits read strictly at a 1-based position of a fixed-layout value.
int StrictDigits(StringView value, size_t pos, size_t count) {
  StringView part = value.substr(pos - 1, count);
  int v = 0;
  for (char16_t c : part) {
    if (c < u'0' || c > u'9') {
      throw EConvertError(u"'" + String(part) + u"' is not a valid integer value");
    }
    v = v * 10 + (c - u'0');
  }
  return v;
}

std::vector<String> Split(StringView s, StringView separators) {
  std::vector<String> words;
  String word;
  for (char16_t c : s) {
    if (separators.find(c) != StringView::npos) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// Word n (1-based) as an integer; missing or not a number counts as 0.
int WordInt(const std::vector<String>& words, size_t n) {
  return n <= words.size() ? ParseInt32(words[n - 1]).value_or(0) : 0;
}

int16_t I16(int v) { return static_cast<int16_t>(v); }

// Border widths from the frame layout: a third of one frame each way.
void FrameBorders(TsMaskData& m, StringView section, StringView key, StringView value) {
  const int across = m.ImageCount * 3;
  const int down = (m.MaskType + 1) * 3;
  if (across == 0 || down == 0) BadValue(section, key, value);
  m.WL = m.WR = I16(m.R.Width() / across);
  m.WT = m.WB = I16(m.R.Height() / down);
}

void ReadRect(TsMaskData& m, StringView value) {
  m.R = win::RECT{StrictDigits(value, 2, 4), StrictDigits(value, 7, 4), StrictDigits(value, 12, 4),
                  StrictDigits(value, 17, 4)};
}

class TMaskLoader {
 public:
  TMaskLoader(TacSkinContent& content, const TPictureSource& source)
      : FContent(content), FSource(source) {}

  void Load(const String& section, const String& key, const String& value) {
    if (value.empty()) return;
    switch (value[0]) {
      case u'!': LoadFileWithParams(section, key, value); return;
      case u'@': LoadGlyph(section, key, value); return;
      case u'^': LoadBorder(section, key, value); return;
      case u'~': LoadTexture(section, key, value); return;
      default: break;
    }
    if (!Contains(value, u"#")) {
      LoadOldBorderFile(section, key, value);
    } else if (value != u"#") {
      LoadOldRect(section, key, value);
    }
  }

  void LoadOldBorderFile(const String& section, const String& key, const String& value) {
    const String name = UpperCaseAscii(value);
    if (!Contains(name, u".BMP")) return;
    std::optional<Bytes> data = FSource.Find(name);
    if (!data) return;
    auto bmp = std::make_unique<win::Bitmap>(DecodePicture(*data));
    if (bmp->Width() == 0) return;
    TsMaskData& m = FContent.ma.emplace_back();
    m.ClassName = UpperCaseAscii(section);
    m.PropertyName = UpperCaseAscii(key);
    m.R = win::RECT{0, 0, bmp->Width(), bmp->Height()};
    m.ImageCount = 3;
    m.MaskType = 1;
    m.WL = m.WR = I16(bmp->Width() / 9);
    m.WT = m.WB = I16(bmp->Height() / 6);
    m.ImgType = itisaBorder;
    m.DrawMode = 0;
    m.Bmp = std::move(bmp);
  }

  void LoadOldRect(const String& section, const String& key, const String& value) {
    const std::vector<String> words = Split(value, u" ()");
    std::vector<String> rect, params;
    if (words.size() >= 2) rect = Split(words[1], u" ,");
    if (words.size() >= 3) params = Split(words[2], u" ,");
    TsMaskData m;
    m.R = win::RECT{WordInt(rect, 1), WordInt(rect, 2), WordInt(rect, 3), WordInt(rect, 4)};
    m.ImageCount = std::max<int16_t>(I16(WordInt(params, 1)), 1);
    m.MaskType = std::max<int16_t>(I16(WordInt(params, 2)), 0);
    m.BorderWidth = params.size() >= 3 ? std::max<int16_t>(I16(StrToInt(params[2])), 0) : 0;
    m.DrawMode = params.size() >= 4 ? I16(StrToInt(params[3])) : 1;
    m.ImgType = itisaBorder;
    if (m.BorderWidth != 0) {
      m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
    } else {
      FrameBorders(m, section, key, value);
    }
    m.ClassName = UpperCaseAscii(section);
    m.PropertyName = UpperCaseAscii(key);
    FContent.ma.push_back(std::move(m));
  }

 private:
  void LoadFileWithParams(const String& section, const String& key, const String& value) {
    const std::vector<String> words = Split(value, u"!");
    if (words.empty()) return;
    const String& file = words[0];
    if (!Contains(file, u".BMP") && !Contains(file, u".PNG")) return;
    std::optional<Bytes> data = FSource.Find(file);
    if (!data) return;
    auto bmp = std::make_unique<win::Bitmap>(DecodePicture(*data));
    if (bmp->Width() == 0) return;
    TsMaskData m;
    m.ImgType = static_cast<TacImgType>(std::clamp(WordInt(words, 4), 0, 4));
    m.ImageCount = I16(WordInt(words, 2));
    m.MaskType = I16(WordInt(words, 3));
    m.R = win::RECT{0, 0, bmp->Width(), bmp->Height()};
    if (words.size() < 5) {
      FrameBorders(m, section, key, value);
    } else {
      m.WL = I16(WordInt(words, 5));
      m.WT = I16(WordInt(words, 6));
      m.WR = I16(WordInt(words, 7));
      m.WB = I16(WordInt(words, 8));
    }
    m.DrawMode = I16(words.size() >= 9 ? WordInt(words, 9) : 4);
    m.Bmp = std::move(bmp);
    m.ClassName = section;
    m.PropertyName = key;
    FContent.ma.push_back(std::move(m));
  }

  void LoadGlyph(const String& section, const String& key, const String& value) {
    if (value.size() < 24) BadValue(section, key, value);
    TsMaskData m;
    ReadRect(m, value);
    m.ImageCount = I16(StrictDigits(value, 22, 1));
    m.MaskType = I16(StrictDigits(value, 24, 1));
    m.ImgType = itisaGlyph;
    m.ClassName = section;
    m.PropertyName = key;
    FContent.ma.push_back(std::move(m));
  }

  void LoadBorder(const String& section, const String& key, const String& value) {
    if (value.size() < 48) BadValue(section, key, value);
    TsMaskData m;
    ReadRect(m, value);
    m.WL = I16(StrictDigits(value, 22, 4));
    m.WT = I16(StrictDigits(value, 27, 4));
    m.WR = I16(StrictDigits(value, 32, 4));
    m.WB = I16(StrictDigits(value, 37, 4));
    m.ImageCount = I16(StrictDigits(value, 42, 1));
    m.MaskType = I16(StrictDigits(value, 44, 1));
    m.DrawMode = I16(StrictDigits(value, 46, 1));
    m.BorderWidth = I16(StrictDigits(value, 48, 1));
    m.ImgType = itisaBorder;
    if (m.WL + m.WT + m.WR + m.WB == 0) {
      if (m.BorderWidth != 0) {
        m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
      } else {
        FrameBorders(m, section, key, value);
      }
    }
    m.ClassName = section;
    m.PropertyName = key;
    FContent.ma.push_back(std::move(m));
  }

  void LoadTexture(const String& section, const String& key, const String& value) {
    if (value.size() < 23) BadValue(section, key, value);
    TsMaskData m;
    ReadRect(m, value);
    m.ImageCount = 1;
    m.DrawMode = I16(StrictDigits(value, 22, 2));
    m.MaskType = I16(value.size() >= 25 ? StrictDigits(value, 25, 1) : 0);
    m.ImgType = itisaTexture;
    m.ClassName = section;
    m.PropertyName = key;
    FContent.ma.push_back(std::move(m));
  }

  TacSkinContent& FContent;
  const TPictureSource& FSource;
};

// Every section once, in text order (a repeated section name reads as its first occurrence).
std::vector<String> UniqueSections(const TMemIniFile& options) {
  std::vector<String> sections, unique;
  options.ReadSections(sections);
  for (String& s : sections) {
    if (std::find(unique.begin(), unique.end(), s) == unique.end()) unique.push_back(std::move(s));
  }
  return unique;
}

// The keys of a section once each, in text order (a repeated key reads as its first value).
void UniqueKeys(const TMemIniFile& options, const String& section, std::vector<String>& keys) {
  options.ReadSection(section, keys);
  std::vector<String> unique;
  for (String& k : keys) {
    if (std::find(unique.begin(), unique.end(), k) == unique.end()) unique.push_back(std::move(k));
  }
  keys = std::move(unique);
}

TMemIniFile CommonDocument(const std::vector<String>& lines) {
  TMemIniFile doc;
  doc.SetCaseSensitive(true);
  doc.SetStrings(lines);
  return doc;
}

void LoadMasterBitmap(TacSkinContent& content, const TMemIniFile& options,
                      const TPictureSource& source) {
  const String name = options.ReadString(kGlobalInfo, u"MASTERBITMAP", u"");
  content.MasterBitmap = std::make_unique<win::Bitmap>();
  if (name.empty()) return;
  std::optional<Bytes> data = source.Find(name);
  if (!data) return;
  win::Bitmap bmp = win::DecodeBmp(data->data(), data->size());
  if (!IsBmp32(*data)) SetKeyTransparency(bmp);
  *content.MasterBitmap = std::move(bmp);
}

// A JPEG value: large pictures stay compressed as patterns, small ones become textures.
void LoadJpeg(TacSkinContent& content, const TPictureSource& source, const String& section,
              const String& key, const String& value) {
  std::optional<Bytes> data = source.Find(value);
  if (!data) return;
  win::Bitmap bmp = win::DecodeJpeg(data->data(), data->size());
  if (bmp.Width() == 0) return;
  if (int64_t(bmp.Width()) * int64_t(bmp.Height()) >= kPatternMinPixels) {
    TsPatternData& p = content.pa.emplace_back();
    p.Img = std::make_unique<TacJpegImage>(TacJpegImage{std::move(*data), bmp.Width(), bmp.Height()});
    p.ClassName = UpperCaseAscii(section);
    p.PropertyName = UpperCaseAscii(key);
    return;
  }
  SetKeyTransparency(bmp);
  TsMaskData& m = content.ma.emplace_back();
  m.ImgType = itisaTexture;
  m.ImageCount = 1;
  m.R = win::RECT{0, 0, bmp.Width(), bmp.Height()};
  m.ClassName = UpperCaseAscii(section);
  m.PropertyName = UpperCaseAscii(key);
  m.Bmp = std::make_unique<win::Bitmap>(std::move(bmp));
}

bool IsJpegName(StringView upper) { return Contains(upper, u".JPG") || Contains(upper, u".JPEG"); }

}  // namespace

win::Bitmap TacJpegImage::Decode() const { return win::DecodeJpeg(Data.data(), Data.size()); }

void LoadMaskImages(TacSkinContent& Content, const TMemIniFile& Options,
                    const TacSkinConvertor* Archive, const std::vector<String>& CommonSections) {
  Content.ClearMasks();
  const TPictureSource source{Archive, Content.SkinData.SkinPath};
  LoadMasterBitmap(Content, Options, source);
  TMaskLoader loader(Content, source);
  std::vector<String> keys;
  for (const String& section : UniqueSections(Options)) {
    UniqueKeys(Options, section, keys);
    for (const String& key : keys) {
      if (section == kGlobalInfo && key == u"MASTERBITMAP") continue;
      loader.Load(section, key, Options.ReadString(section, key, u""));
    }
  }
  if (CommonSections.empty()) return;
  const TMemIniFile common = CommonDocument(CommonSections);
  const TPictureSource files{Archive, Content.SkinData.SkinPath, true};
  TMaskLoader commonLoader(Content, files);
  const bool noMaster = Content.MasterBitmap->Empty();
  for (const String& section : UniqueSections(common)) {
    if (SameTextAscii(section, kGlobalInfo)) continue;
    UniqueKeys(common, section, keys);
    for (const String& key : keys) {
      const String value = common.ReadString(section, key, u"");
      const bool hash = Contains(value, u"#");
      if (Contains(UpperCaseAscii(value), u".BMP") && (!hash || noMaster)) {
        commonLoader.LoadOldBorderFile(section, key, value);
      } else if (hash && value != u"#") {
        commonLoader.LoadOldRect(section, key, value);
      }
    }
  }
}

void LoadPatternImages(TacSkinContent& Content, const TMemIniFile& Options,
                       const TacSkinConvertor* Archive,
                       const std::vector<String>& CommonSections) {
  Content.ClearPatterns();
  std::vector<String> keys;
  auto loadAll = [&](const TMemIniFile& doc, const TPictureSource& source) {
    for (const String& section : UniqueSections(doc)) {
      UniqueKeys(doc, section, keys);
      for (const String& key : keys) {
        const String value = UpperCaseAscii(doc.ReadString(section, key, u"-"));
        if (IsJpegName(value)) LoadJpeg(Content, source, section, key, value);
      }
    }
  };
  loadAll(Options, TPictureSource{Archive, Content.SkinData.SkinPath});
  if (!CommonSections.empty()) {
    loadAll(CommonDocument(CommonSections), TPictureSource{Archive, Content.SkinData.SkinPath, true});
  }
}
