#include "editor/mirvStrutils.h"

#include <array>

namespace {

// Separators all lie below U+0080, so one small table answers every lookup.
constexpr std::array<bool, 128> MakeSeparatorTable() {
  std::array<bool, 128> table{};
  for (char16_t c : WordSeparators) table[c] = true;
  return table;
}
constexpr std::array<bool, 128> kSeparator = MakeSeparatorTable();

char16_t UpperAsciiLetter(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

}  // namespace

bool IsWordSeparator(char16_t c) { return c < 128 && kSeparator[c]; }

bool IsSeparatorAt(const String& S, int Index) {
  return Index >= 1 && size_t(Index) <= S.size() && IsWordSeparator(S[Index - 1]);
}

bool IsWordCharAt(const String& S, int Index) {
  return Index >= 1 && size_t(Index) <= S.size() && !IsWordSeparator(S[Index - 1]);
}

void ScanSeparators(const String& S, String& Run, int& Index) {
  Run.clear();
  while (IsSeparatorAt(S, Index)) {
    Run += S[Index - 1];
    ++Index;
  }
}

void ScanWord(const String& S, String& Word, int& Index) {
  Word.clear();
  while (IsWordCharAt(S, Index)) {
    Word += S[Index - 1];
    ++Index;
  }
}

int CountWordsAndChars(const String& S, int& SeparatorChars, int& WordChars) {
  SeparatorChars = 0;
  WordChars = 0;
  int count = 0;
  int index = 1;
  String run, word;
  while (size_t(index) <= S.size()) {
    ScanSeparators(S, run, index);
    ScanWord(S, word, index);
    SeparatorChars += int(run.size());
    WordChars += int(word.size());
    if (!word.empty()) ++count;
  }
  return count;
}

int WordCount(StringView S) {
  // A word starts at every word character that follows a separator (or the start of the text).
  int count = 0;
  bool inWord = false;
  for (char16_t c : S) {
    const bool word = !IsWordSeparator(c);
    count += int(word & !inWord);
    inWord = word;
  }
  return count;
}

char16_t LowerChar(char16_t C) { return C >= u'A' && C <= u'Z' ? char16_t(C + 32) : C; }

String ToggleCase(const String& S) {
  String result(S.size(), u'\0');
  for (size_t i = 0; i < S.size(); ++i) {
    const char16_t c = S[i];
    result[i] = c >= u'a' && c <= u'z' ? char16_t(c - 32) : LowerChar(c);
  }
  return result;
}

String CapitaliseWords(const String& S, bool LowerRest) {
  String result;
  result.reserve(S.size());
  int index = 1;
  String run, word;
  while (size_t(index) <= S.size()) {
    ScanSeparators(S, run, index);
    result += run;
    ScanWord(S, word, index);
    if (!word.empty()) {
      if (LowerRest)
        for (char16_t& c : word) c = LowerChar(c);
      word[0] = UpperAsciiLetter(word[0]);
      result += word;
    }
  }
  return result;
}

String InitialCaps(const String& S) { return CapitaliseWords(S, false); }

String TitleCase(const String& S) { return CapitaliseWords(S, true); }

String SentenceCase(const String& S) {
  if (S.empty()) return String();
  String result = S;
  for (char16_t& c : result) c = LowerChar(c);
  result[0] = UpperAsciiLetter(S[0]);
  return result;
}
