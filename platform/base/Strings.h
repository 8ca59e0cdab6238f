#pragma once
// Text as the whole system sees it: UTF-16 strings, with UTF-8 only at the edges (files, Pango,
// X11) and Windows-1252 as the single-byte "system code page".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using String = std::u16string;
using StringView = std::u16string_view;

// UTF-8 to UTF-16. Malformed sequences (stray continuation bytes, overlong forms, surrogates,
// values past U+10FFFF, truncated sequences) become U+FFFD, one per offending sequence.
String Utf8ToString(std::string_view utf8);
// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string StringToUtf8(StringView text);

// Windows-1252, the single-byte code page. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no
// assigned character and map to the C1 control of the same value, so every byte survives a
// round trip.
String AnsiToString(std::string_view bytes);
// Characters without a Windows-1252 byte become '?'.
std::string StringToAnsi(StringView text);
// The Windows-1252 byte for one character, or nothing when the page has none.
std::optional<unsigned char> CharToAnsi(char16_t c);

// Shorthand for literals of plain ASCII in code: u"..." is preferred; this helps with std::string.
String AsciiToString(std::string_view ascii);

// ASCII-only case mapping: other characters are left as they are.
char16_t UpCaseAscii(char16_t c);
char16_t LowCaseAscii(char16_t c);
String UpperCaseAscii(StringView s);
String LowerCaseAscii(StringView s);
// Case-insensitive comparison over ASCII letters; <0, 0, >0 like a three-way compare.
int CompareTextAscii(StringView a, StringView b);
bool SameTextAscii(StringView a, StringView b);

String Trim(StringView s);  // removes characters <= ' ' at both ends

// Number parsing shared by every reader in the system.
// Integers: optional '+' or '-', then decimal digits; or hexadecimal after "0x"/"0X" (only when
// the text is longer than two characters) or after "$". Surrounding blanks are not accepted.
// Overflow of the target type is an error, never a wrap-around.
std::optional<int64_t> ParseInt64(StringView s);
std::optional<int32_t> ParseInt32(StringView s);
// Decimal floating point with '.' as the separator whatever the locale; optional sign and
// exponent. Infinity, NaN and overflow are errors.
std::optional<double> ParseFloat(StringView s);

// Throwing and defaulting forms; StrToInt raises EConvertError ("'%s' is not a valid integer value").
int32_t StrToInt(StringView s);
int32_t StrToIntDef(StringView s, int32_t def);
String IntToStr(int64_t v);
