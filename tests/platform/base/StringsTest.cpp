#include <gtest/gtest.h>

#include "platform/base/Errors.h"
#include "platform/base/Strings.h"

namespace {

TEST(Utf8, RoundTripsEveryPlane) {
  const String text = u"A\u00e9\u20ac\U0001F600z";
  EXPECT_EQ(StringToUtf8(text), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToString(StringToUtf8(text)), text);
}

TEST(Utf8, MalformedInputIsReplaced) {
  struct Case { std::string in; String out; };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},                      // stray continuation byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong lead bytes are never valid
      {"\xE0\x80\xAF", u"\uFFFD"},              // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD"},              // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},          // past U+10FFFF
      {"\xE2\x82", u"\uFFFD"},                  // truncated at the end
      {"\xE2\x82" "A", u"\uFFFDA"},             // truncated before a new character
      {"\xFF" "b", u"\uFFFDb"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToString(c.in), c.out) << c.in;
  // An unpaired surrogate on the way out.
  EXPECT_EQ(StringToUtf8(String(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(Ansi, Windows1252BothWays) {
  EXPECT_EQ(AnsiToString("\x80\x9F\xE9\x41"), u"\u20AC\u0178\u00E9A");
  EXPECT_EQ(StringToAnsi(u"\u20AC\u0178\u00E9A"), "\x80\x9F\xE9\x41");
  EXPECT_EQ(StringToAnsi(u"\u4E2D"), "?");
  // Every byte survives a round trip, the unassigned ones included.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(StringToAnsi(AnsiToString(all)), all);
}

TEST(Case, AsciiOnly) {
  EXPECT_EQ(UpperCaseAscii(u"abz\u00e9"), u"ABZ\u00e9");
  EXPECT_EQ(LowerCaseAscii(u"ABZ\u00c9"), u"abz\u00c9");
  EXPECT_TRUE(SameTextAscii(u"Options.DAT", u"options.dat"));
  EXPECT_FALSE(SameTextAscii(u"abc", u"abcd"));
  EXPECT_LT(CompareTextAscii(u"abc", u"ABD"), 0);
  EXPECT_GT(CompareTextAscii(u"b", u"A"), 0);
  EXPECT_LT(CompareTextAscii(u"ab", u"abc"), 0);
}

TEST(Numbers, IntegerRules) {
  struct Case { const char16_t* in; std::optional<int64_t> out; };
  const Case cases[] = {
      {u"0", 0},
      {u"42", 42},
      {u"+7", 7},
      {u"-13", -13},
      {u"0x1F", 31},
      {u"0XfF", 255},
      {u"$ff", 255},
      {u"-$10", -16},
      {u"0x", std::nullopt},  // only hexadecimal when longer than two characters
      {u"$", std::nullopt},
      {u"", std::nullopt},
      {u"-", std::nullopt},
      {u" 1", std::nullopt},
      {u"1 ", std::nullopt},
      {u"12a", std::nullopt},
      {u"9223372036854775807", INT64_MAX},
      {u"-9223372036854775808", INT64_MIN},
      {u"9223372036854775808", std::nullopt},
      {u"-9223372036854775809", std::nullopt},
      {u"0x8000000000000000", std::nullopt},
      {u"99999999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseInt64(c.in), c.out) << StringToUtf8(c.in);

  EXPECT_EQ(ParseInt32(u"2147483647"), 2147483647);
  EXPECT_EQ(ParseInt32(u"-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInt32(u"2147483648"), std::nullopt);
  EXPECT_EQ(ParseInt32(u"0xFFFFFFFF"), std::nullopt);  // overflow, not -1
  EXPECT_EQ(StrToIntDef(u"x", -5), -5);
  EXPECT_THROW(StrToInt(u"1.5"), EConvertError);
  EXPECT_EQ(IntToStr(-123), u"-123");
}

TEST(Numbers, FloatIgnoresLocale) {
  std::setlocale(LC_ALL, "de_DE.UTF-8");  // may not exist; the parser must not care either way
  EXPECT_EQ(ParseFloat(u"1.5"), 1.5);
  EXPECT_EQ(ParseFloat(u"-0.25"), -0.25);
  EXPECT_EQ(ParseFloat(u".5"), 0.5);
  EXPECT_EQ(ParseFloat(u"3."), 3.0);
  EXPECT_EQ(ParseFloat(u"2e3"), 2000.0);
  EXPECT_EQ(ParseFloat(u"1,5"), std::nullopt);
  EXPECT_EQ(ParseFloat(u"."), std::nullopt);
  EXPECT_EQ(ParseFloat(u"1e"), std::nullopt);
  EXPECT_EQ(ParseFloat(u"1e999"), std::nullopt);
  EXPECT_EQ(ParseFloat(u"inf"), std::nullopt);
  EXPECT_EQ(ParseFloat(u"nan"), std::nullopt);
  std::setlocale(LC_ALL, "C");
}

TEST(Strings, Trim) {
  EXPECT_EQ(Trim(u"  a b\t\r\n"), u"a b");
  EXPECT_EQ(Trim(u" \t "), u"");
}

}  // namespace
