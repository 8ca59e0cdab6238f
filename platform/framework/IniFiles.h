#pragma once
// The framework's in-memory INI document. The whole text is held in memory: reads never touch
// the disk again, writes change the memory copy and reach the file only through UpdateFile.
//
// Text rules: a byte-order mark picks UTF-8 or UTF-16 (either byte order), otherwise the bytes
// are Windows-1252; lines end at CR, LF or CR LF and are trimmed; empty lines and lines starting
// with ';' are skipped by reads; "[name]" starts a section; "key=value" lines before the first
// section are ignored. When a section or a key occurs twice, reads use the first occurrence, but
// ReadSections lists every section occurrence.

#include <cstdint>
#include <vector>

#include "platform/base/Files.h"
#include "platform/base/Strings.h"

class TMemIniFile {
 public:
  enum class TEncoding : uint8_t { Ansi, Utf8, Utf16LE, Utf16BE };

  TMemIniFile() = default;
  // Reads the file when it exists; a missing file gives an empty document.
  explicit TMemIniFile(StringView fileName, bool caseSensitive = false);

  const String& FileName() const { return FFileName; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value) { FCaseSensitive = value; }
  TEncoding Encoding() const { return FEncoding; }

  // Replaces the whole document.
  void SetStrings(const std::vector<String>& lines);
  void SetText(StringView text);
  void LoadFromBytes(const uint8_t* data, size_t size);
  // The document as lines, as it would be written.
  std::vector<String> GetStrings() const;

  void ReadSections(std::vector<String>& sections) const;
  // Key names of the first section of that name, in text order.
  void ReadSection(StringView section, std::vector<String>& keys) const;
  bool SectionExists(StringView section) const;
  bool ValueExists(StringView section, StringView key) const;

  String ReadString(StringView section, StringView key, StringView def) const;
  // Decimal, "0x..." or "$..." hexadecimal; anything else gives the default. Hexadecimal text
  // of up to 32 bits gives those bits, so "0xFFFFFFFF" is -1.
  int32_t ReadInteger(StringView section, StringView key, int32_t def) const;
  // '.' is the decimal separator whatever the locale; anything invalid gives the default.
  double ReadFloat(StringView section, StringView key, double def) const;
  // A non-zero integer, or "TRUE" in any case, is true; "FALSE" and 0 are false.
  bool ReadBool(StringView section, StringView key, bool def) const;

  void WriteString(StringView section, StringView key, StringView value);
  void WriteInteger(StringView section, StringView key, int32_t value);
  void WriteBool(StringView section, StringView key, bool value);
  void EraseSection(StringView section);
  void DeleteKey(StringView section, StringView key);
  void Clear();

  // Writes the document to FileName in the encoding it was read with (Windows-1252 for a new
  // document), replacing the file as a whole; raises EFCreateError on failure.
  void UpdateFile() const;

 private:
  struct TLine {
    String Text;       // the trimmed line as written
    String Key;        // for key lines: the trimmed text before the first '='
    String Value;      // for key lines: the trimmed text after it
    bool IsKey = false;
  };
  struct TSection {
    String Name;
    std::vector<TLine> Lines;
  };

  bool SameName(StringView a, StringView b) const;
  const TSection* FindSection(StringView name) const;
  TSection* FindSection(StringView name);
  const TLine* FindKey(StringView section, StringView key) const;
  void AddLine(StringView raw);

  String FFileName;
  bool FCaseSensitive = false;
  TEncoding FEncoding = TEncoding::Ansi;
  std::vector<String> FPreamble;  // lines before the first section, kept for writing
  std::vector<TSection> FSections;
};
