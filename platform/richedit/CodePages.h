#pragma once
// Decoding the bytes of RTF's \'hh escapes and raw 8-bit text through a document's code page.
//
// Windows-1252 is built in (through platform/base); every other page is taken from the system's
// iconv tables on first use. Single-byte pages decode byte by byte; double-byte pages (932, 936,
// 949, 950) join a lead byte with the byte after it. A page the system does not know decodes as
// Windows-1252, and a byte the page has no character for becomes U+FFFD.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/base/Strings.h"

// The code page of an RTF \fcharset value, or 0 when the charset says nothing of its own
// (ANSI and default: the document's \ansicpg applies).
int CodePageOfCharset(int charset);

class TCodePageDecoder {
 public:
  TCodePageDecoder();
  ~TCodePageDecoder();

  // Selects the page for the following bytes; a pending lead byte is dropped.
  void SetCodePage(int codePage);
  int CodePage() const { return FCodePage; }
  // Feeds one byte: the character it completes, or nothing when it is the lead byte of a
  // double-byte character. Bytes below 0x80 decode as ASCII.
  std::optional<char16_t> Feed(uint8_t byte);
  // True when a lead byte waits for its trail byte, which may be any byte, ASCII included.
  bool Pending() const { return FLead >= 0; }

 private:
  struct TPage;
  const TPage& Page(int codePage);

  std::map<int, std::unique_ptr<TPage>> FPages;
  const TPage* FCurrent = nullptr;
  int FCodePage = 1252;
  int FLead = -1;
};
