#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/base/Files.h"
#include "platform/framework/IniFiles.h"

namespace {

TMemIniFile FromText(std::string_view text, bool caseSensitive = true) {
  TMemIniFile ini;
  ini.SetCaseSensitive(caseSensitive);
  ini.LoadFromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return ini;
}

TEST(MemIniFile, LineRulesTrimmingCommentsAndKeys) {
  TMemIniFile ini = FromText(
      "stray=before any section\r\n"
      "  [ Main ]  \r"
      "\tkey = value = more  \n"
      "; comment=not a key\n"
      "no equals sign\n"
      "\n"
      "empty=\n"
      "[Other]\r\n"
      "key=other\r\n");
  std::vector<String> sections, keys;
  ini.ReadSections(sections);
  EXPECT_EQ(sections, (std::vector<String>{u"Main", u"Other"}));
  ini.ReadSection(u"Main", keys);
  EXPECT_EQ(keys, (std::vector<String>{u"key", u"empty"}));
  EXPECT_EQ(ini.ReadString(u"Main", u"key", u"?"), u"value = more");
  EXPECT_EQ(ini.ReadString(u"Main", u"empty", u"?"), u"");
  EXPECT_EQ(ini.ReadString(u"Main", u"stray", u"?"), u"?");
  EXPECT_EQ(ini.ReadString(u"Main", u"; comment", u"?"), u"?");
  EXPECT_EQ(ini.ReadString(u"Other", u"key", u"?"), u"other");
}

TEST(MemIniFile, CaseSensitivityAndDuplicates) {
  const char* text = "[Button]\ncolor=1\nCOLOR=2\nCOLOR=3\n[Button]\nCOLOR=4\nextra=5\n";
  TMemIniFile sensitive = FromText(text, true);
  EXPECT_EQ(sensitive.ReadString(u"BUTTON", u"COLOR", u"?"), u"?");
  EXPECT_EQ(sensitive.ReadString(u"Button", u"COLOR", u"?"), u"2");  // first occurrence
  EXPECT_EQ(sensitive.ReadString(u"Button", u"extra", u"?"), u"?");  // only the first section
  std::vector<String> sections;
  sensitive.ReadSections(sections);
  EXPECT_EQ(sections.size(), 2u);

  TMemIniFile insensitive = FromText(text, false);
  EXPECT_EQ(insensitive.ReadString(u"BUTTON", u"COLOR", u"?"), u"1");
}

TEST(MemIniFile, Numbers) {
  TMemIniFile ini = FromText(
      "[S]\nhex=0x0000FF\ndollar=$10\nneg=-2147483633\nbad=12a\nshort=0x\nbig=99999999999\n"
      "syscolor=0x8000000F\nallbits=$FFFFFFFF\nhexbig=0x100000000\nbig32=2147483648\n"
      "f=7.25\nfbad=7,25\nt=TRUE\nf0=0\nfz=false\nb=yes\n");
  struct Case {
    const char16_t* key;
    int32_t expected;
  } cases[] = {{u"hex", 255}, {u"dollar", 16}, {u"neg", -2147483633}, {u"bad", 7},
               {u"short", 7}, {u"big", 7},     {u"missing", 7},
               {u"syscolor", -2147483633}, {u"allbits", -1}, {u"hexbig", 7}, {u"big32", 7}};
  for (const Case& c : cases) EXPECT_EQ(ini.ReadInteger(u"S", c.key, 7), c.expected) << StringToUtf8(c.key);
  EXPECT_DOUBLE_EQ(ini.ReadFloat(u"S", u"f", 0), 7.25);
  EXPECT_DOUBLE_EQ(ini.ReadFloat(u"S", u"fbad", -1), -1);
  EXPECT_TRUE(ini.ReadBool(u"S", u"t", false));
  EXPECT_FALSE(ini.ReadBool(u"S", u"f0", true));
  EXPECT_FALSE(ini.ReadBool(u"S", u"fz", true));
  EXPECT_TRUE(ini.ReadBool(u"S", u"b", true));  // not a Boolean: the default
}

TEST(MemIniFile, ByteOrderMarksPickTheEncoding) {
  // "[S]\nk=é" in each encoding.
  const std::vector<std::pair<Bytes, TMemIniFile::TEncoding>> cases = {
      {{'[', 'S', ']', '\n', 'k', '=', 0xE9}, TMemIniFile::TEncoding::Ansi},
      {{0xEF, 0xBB, 0xBF, '[', 'S', ']', '\n', 'k', '=', 0xC3, 0xA9}, TMemIniFile::TEncoding::Utf8},
      {{0xFF, 0xFE, '[', 0, 'S', 0, ']', 0, '\n', 0, 'k', 0, '=', 0, 0xE9, 0},
       TMemIniFile::TEncoding::Utf16LE},
      {{0xFE, 0xFF, 0, '[', 0, 'S', 0, ']', 0, '\n', 0, 'k', 0, '=', 0, 0xE9},
       TMemIniFile::TEncoding::Utf16BE},
  };
  for (const auto& [bytes, encoding] : cases) {
    TMemIniFile ini;
    ini.LoadFromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(ini.Encoding(), encoding);
    EXPECT_EQ(ini.ReadString(u"S", u"k", u"?"), u"\u00e9");
  }
}

TEST(MemIniFile, WritesRoundTripThroughTheFile) {
  char tmpl[] = "/tmp/quillet-ini-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const String dir = Utf8ToString(tmpl);
  const String file = PathJoin(dir, u"settings.ini");
  {
    const std::string original = "\xEF\xBB\xBF[Main]\r\n; keep me\r\nLeft=1\r\n\r\n[Other]\r\nx=1\r\n";
    WriteFileAtomic(file, Bytes(original.begin(), original.end()));
    TMemIniFile ini(file);
    ini.WriteInteger(u"main", u"LEFT", 20);  // case-insensitive: updates the existing key
    ini.WriteString(u"Main", u"Caption", u"Caf\u00e9");
    ini.WriteBool(u"New", u"Flag", true);
    ini.DeleteKey(u"Other", u"x");
    ini.UpdateFile();
  }
  TMemIniFile again(file);
  EXPECT_EQ(again.Encoding(), TMemIniFile::TEncoding::Utf8);
  EXPECT_EQ(again.ReadInteger(u"Main", u"Left", 0), 20);
  EXPECT_EQ(again.ReadString(u"Main", u"Caption", u""), u"Caf\u00e9");
  EXPECT_TRUE(again.ReadBool(u"New", u"Flag", false));
  EXPECT_FALSE(again.ValueExists(u"Other", u"x"));
  const std::vector<String> lines = again.GetStrings();
  EXPECT_EQ(lines, (std::vector<String>{u"[Main]", u"; keep me", u"Left=20", u"Caption=Caf\u00e9", u"",
                                        u"[Other]", u"[New]", u"Flag=1"}));
  again.EraseSection(u"Main");
  EXPECT_FALSE(again.SectionExists(u"Main"));
  std::system(("rm -rf '" + StringToUtf8(dir) + "'").c_str());
}

TEST(MemIniFile, SetStringsSplitsEmbeddedLineBreaks) {
  TMemIniFile ini;
  ini.SetCaseSensitive(true);
  ini.SetStrings({u"[A]", u"x=1\r\ny=2", u"[B]"});
  EXPECT_EQ(ini.ReadInteger(u"A", u"y", 0), 2);
  EXPECT_TRUE(ini.SectionExists(u"B"));
}

}  // namespace
