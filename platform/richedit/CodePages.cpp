#include "platform/richedit/CodePages.h"

#include <errno.h>
#include <iconv.h>

#include <string>

struct TCodePageDecoder::TPage {
  bool DoubleByte = false;
  std::array<char16_t, 128> High{};       // bytes 0x80..0xFF of a single-byte page
  std::array<bool, 256> LeadByte{};       // double-byte pages: bytes that start a pair
  iconv_t Converter = iconv_t(-1);        // double-byte pages: pairs are converted one by one

  ~TPage() {
    if (Converter != iconv_t(-1)) iconv_close(Converter);
  }

  // True when the byte alone is an incomplete sequence of the page.
  bool StartsSequence(char byte) const {
    char in[1] = {byte};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1, outLeft = sizeof out;
    iconv(Converter, nullptr, nullptr, nullptr, nullptr);
    return iconv(Converter, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) && errno == EINVAL;
  }

  // Converts bytes to one UTF-16 unit; U+FFFD when the page has no single character for them.
  char16_t Convert(const char* bytes, size_t count) const {
    char in[2] = {bytes[0], count > 1 ? bytes[1] : char(0)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = count, outLeft = sizeof out;
    iconv(Converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(Converter, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0 ||
        sizeof out - outLeft != 2)
      return u'\uFFFD';
    return char16_t(uint8_t(out[0]) | uint8_t(out[1]) << 8);
  }
};

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 77: return 10000;   // Mac
    case 128: return 932;    // Shift JIS
    case 129: return 949;    // Hangul
    case 134: return 936;    // GB2312
    case 136: return 950;    // Big5
    case 161: return 1253;   // Greek
    case 162: return 1254;   // Turkish
    case 163: return 1258;   // Vietnamese
    case 177: return 1255;   // Hebrew
    case 178: return 1256;   // Arabic
    case 186: return 1257;   // Baltic
    case 204: return 1251;   // Cyrillic
    case 222: return 874;    // Thai
    case 238: return 1250;   // Eastern Europe
    case 254: return 437;    // PC 437
    default: return 0;
  }
}

TCodePageDecoder::TCodePageDecoder() { SetCodePage(1252); }

TCodePageDecoder::~TCodePageDecoder() = default;

const TCodePageDecoder::TPage& TCodePageDecoder::Page(int codePage) {
  auto it = FPages.find(codePage);
  if (it != FPages.end()) return *it->second;
  auto page = std::make_unique<TPage>();
  for (int b = 0x80; b < 0x100; ++b) page->High[size_t(b - 0x80)] = AnsiToString(std::string(1, char(b)))[0];
  if (codePage != 1252) {
    const std::string name = codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
    page->Converter = iconv_open("UTF-16LE", name.c_str());
    if (page->Converter != iconv_t(-1)) {
      page->DoubleByte = codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
      for (int b = 0x80; b < 0x100; ++b) {
        const char byte = char(b);
        char16_t c = page->Convert(&byte, 1);
        if (page->DoubleByte && c == u'\uFFFD') page->LeadByte[size_t(b)] = page->StartsSequence(byte);
        page->High[size_t(b - 0x80)] = c;
      }
    }
  }
  return *FPages.emplace(codePage, std::move(page)).first->second;
}

void TCodePageDecoder::SetCodePage(int codePage) {
  if (codePage <= 0) codePage = 1252;
  FLead = -1;
  if (FCurrent && codePage == FCodePage) return;
  FCodePage = codePage;
  FCurrent = &Page(codePage);
}

std::optional<char16_t> TCodePageDecoder::Feed(uint8_t byte) {
  if (FLead >= 0) {
    const char pair[2] = {char(FLead), char(byte)};
    FLead = -1;
    return FCurrent->Convert(pair, 2);
  }
  if (byte < 0x80) return char16_t(byte);
  if (FCurrent->DoubleByte && FCurrent->LeadByte[byte]) {
    FLead = byte;
    return std::nullopt;
  }
  return FCurrent->High[size_t(byte - 0x80)];
}
