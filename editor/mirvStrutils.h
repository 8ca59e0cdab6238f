#pragma once
// The editor's word rules: which characters separate words, scanning a text into alternating runs
// of separators and words, counting, and the word-aware case conversions of Change Case.
//
// A character is one UTF-16 code unit. Indexes are 1-based (S[1] is the first character), as the
// callers of these functions count. Case changes touch the ASCII letters only, so every result
// has the length of its input.

#include <string_view>

#include "platform/base/Strings.h"

// The 17 characters that separate words: tab, line feed, carriage return, space and
// ! " ( ) , . : ; ? [ ] { }. Every other character, control characters and everything from
// U+0080 upwards included, is a word character.
inline constexpr std::u16string_view WordSeparators = u"\t\n\r !\"(),.:;?[]{}";

// True when c is one of WordSeparators.
bool IsWordSeparator(char16_t c);

// Index <= Length(S) and S[Index] is (is not) a separator; false for any index outside S.
bool IsSeparatorAt(const String& S, int Index);
bool IsWordCharAt(const String& S, int Index);

// Run receives the run of separators (word characters) starting at Index; Index ends on the first
// character after it. The run is empty when S[Index] is not of that kind or Index is past the end.
void ScanSeparators(const String& S, String& Run, int& Index);
void ScanWord(const String& S, String& Word, int& Index);

// Number of words (maximal runs of word characters); SeparatorChars + WordChars = Length(S).
int CountWordsAndChars(const String& S, int& SeparatorChars, int& WordChars);
// The same count in one pass, without collecting any run.
int WordCount(StringView S);

char16_t LowerChar(char16_t C);
// "a".."z" raised, "A".."Z" lowered, everything else kept.
String ToggleCase(const String& S);
// The first character of each word raised when it is "a".."z"; with LowerRest the rest of each
// word is lowered first. Separator runs are copied unchanged.
String CapitaliseWords(const String& S, bool LowerRest);
String InitialCaps(const String& S);  // CapitaliseWords(S, false)
String TitleCase(const String& S);    // CapitaliseWords(S, true)
// All ASCII letters lowered, then the very first character of the text raised when it is "a".."z"
// in the input. No sentence ends are looked for.
String SentenceCase(const String& S);
