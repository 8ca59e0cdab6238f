#include <gtest/gtest.h>

#include "editor/mirvStrutils.h"

namespace {

TEST(WordRules, SeparatorSetIsExactlyTheSeventeen) {
  int separators = 0;
  for (int c = 0; c < 0x10000; ++c) {
    const bool expected = String(WordSeparators).find(char16_t(c)) != String::npos;
    EXPECT_EQ(IsWordSeparator(char16_t(c)), expected) << c;
    separators += expected;
  }
  EXPECT_EQ(separators, 17);
}

TEST(WordRules, IndexesAreOneBasedAndBounded) {
  const String s = u"a b";
  EXPECT_TRUE(IsWordCharAt(s, 1));
  EXPECT_TRUE(IsSeparatorAt(s, 2));
  EXPECT_TRUE(IsWordCharAt(s, 3));
  EXPECT_FALSE(IsWordCharAt(s, 4));
  EXPECT_FALSE(IsSeparatorAt(s, 4));
  EXPECT_FALSE(IsWordCharAt(s, 0));
}

TEST(WordRules, ScansStopAtTheOtherKindAndAtTheEnd) {
  const String s = u"  ab.";
  String run;
  int index = 1;
  ScanSeparators(s, run, index);
  EXPECT_EQ(run, u"  ");
  EXPECT_EQ(index, 3);
  ScanSeparators(s, run, index);  // already on a word: empty run, index kept
  EXPECT_EQ(run, u"");
  EXPECT_EQ(index, 3);
  ScanWord(s, run, index);
  EXPECT_EQ(run, u"ab");
  EXPECT_EQ(index, 5);
  ScanWord(s, run, index);
  EXPECT_EQ(run, u"");
  ScanSeparators(s, run, index);
  EXPECT_EQ(run, u".");
  EXPECT_EQ(index, 6);
  ScanWord(s, run, index);  // past the end
  EXPECT_EQ(run, u"");
  EXPECT_EQ(index, 6);
}

TEST(WordRules, CountsWordsAndCharacters) {
  struct Case { String text; int words, separators, wordChars; };
  const Case cases[] = {
      {u"", 0, 0, 0},
      {u"   ", 0, 3, 0},
      {u"Hello, world!", 2, 3, 10},
      {u"don't", 1, 0, 5},
      {u"well-known", 1, 0, 10},
      {u"e-mail", 1, 0, 6},
      {u"A+B", 1, 0, 3},
      {u"a - b", 3, 2, 3},
      {u"3.14", 2, 1, 3},
      {u"Mr.Smith", 2, 1, 7},
      {u"tab\tseparated", 2, 1, 12},
      {u"one\r\ntwo", 2, 2, 6},
      {u"\u201Chello\u201D", 1, 0, 7},  // curly quotes belong to the word
      {u"\"hello\"", 1, 2, 5},          // straight quotes separate
      {u"caf\u00E9\u00A0bar", 1, 0, 8}, // no-break space is a word character
      {u"x\u0001y", 1, 0, 3},           // so is a control character other than tab, LF, CR
      {u"\U0001F600 a", 2, 1, 3},       // both halves of a surrogate pair are word characters
      {u"(quote) [x] {y}; z?", 4, 11, 8},
  };
  for (const Case& c : cases) {
    int separators = -1, wordChars = -1;
    EXPECT_EQ(CountWordsAndChars(c.text, separators, wordChars), c.words) << StringToUtf8(c.text);
    EXPECT_EQ(separators, c.separators) << StringToUtf8(c.text);
    EXPECT_EQ(wordChars, c.wordChars) << StringToUtf8(c.text);
    EXPECT_EQ(WordCount(c.text), c.words) << StringToUtf8(c.text);
  }
}

TEST(WordRules, CaseConversionsKeepLengthAndTouchAsciiOnly) {
  using Fn = String (*)(const String&);
  struct Case { const char* name; Fn fn; String in, out; };
  const Case cases[] = {
      {"TitleCase", TitleCase, u"hELLO wORLD", u"Hello World"},
      {"TitleCase", TitleCase, u"o'neil mcdonald-smith", u"O'neil Mcdonald-smith"},
      {"TitleCase", TitleCase, u"3rd PLACE", u"3rd Place"},
      {"TitleCase", TitleCase, u"(quote)", u"(Quote)"},
      {"TitleCase", TitleCase, u"'twas \u00E9LAN", u"'twas \u00E9lan"},
      {"InitialCaps", InitialCaps, u"hELLO wORLD", u"HELLO WORLD"},
      {"InitialCaps", InitialCaps, u"the cat", u"The Cat"},
      {"ToggleCase", ToggleCase, u"Hello World 123", u"hELLO wORLD 123"},
      {"ToggleCase", ToggleCase, u"\u00C4rger", u"\u00C4RGER"},
      {"SentenceCase", SentenceCase, u"hELLO. wORLD", u"Hello. world"},
      {"SentenceCase", SentenceCase, u"  indented", u"  indented"},
      {"SentenceCase", SentenceCase, u"\u00C9COLE", u"\u00C9cole"},
      {"SentenceCase", SentenceCase, u"Already", u"Already"},
      {"SentenceCase", SentenceCase, u"", u""},
      {"TitleCase", TitleCase, u"", u""},
  };
  for (const Case& c : cases) {
    const String out = c.fn(c.in);
    EXPECT_EQ(out, c.out) << c.name << " " << StringToUtf8(c.in);
    EXPECT_EQ(out.size(), c.in.size()) << c.name;
  }
  EXPECT_EQ(LowerChar(u'Q'), u'q');
  EXPECT_EQ(LowerChar(u'['), u'[');  // the character after 'Z' is not a letter
  EXPECT_EQ(LowerChar(u'@'), u'@');
  EXPECT_EQ(LowerChar(u'\u00C9'), u'\u00C9');
}

}  // namespace
