#pragma once
// Packed skin archives (".asz"): the magic "ASzf", a 32-bit little-endian entry count, then per
// entry a 32-bit name length, the name in single-byte characters, the 32-bit unpacked size and
// one complete zlib stream. There is no compressed-size field, so the next entry starts where
// the zlib stream ends.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/base/Files.h"
#include "platform/base/Strings.h"

// The one message every malformed archive is reported with.
inline constexpr char16_t kNotPackedSkinMessage[] = u"Loaded data is not a packed Ormisk file";

// Limits that keep a hostile archive from making the reader allocate without bound.
inline constexpr int64_t kMaxArchiveEntrySize = int64_t(64) << 20;
inline constexpr int64_t kMaxArchiveUnpackedSize = int64_t(256) << 20;

struct TacImageItem {
  String FileName;   // the entry name as stored
  bool IsBitmap = false;  // the upper-cased extension is ".BMP"
  std::unique_ptr<Bytes> FileStream;
};

// One archive in memory while a skin is loaded.
class TacSkinConvertor {
 public:
  TacSkinConvertor() = default;
  ~TacSkinConvertor() { Clear(); }
  TacSkinConvertor(const TacSkinConvertor&) = delete;
  TacSkinConvertor& operator=(const TacSkinConvertor&) = delete;

  void Clear();

  // The first image entry whose upper-cased name equals 'name' as given, or none.
  const TacImageItem* FindImage(StringView name) const;

  int ImageCount = 0;  // the number of image entries read
  std::vector<TacImageItem> Files;
  std::unique_ptr<Bytes> Options;
  // The raw archive being read when it belongs to the convertor. Built-in skins are read from
  // their stored bytes without handing them over (see ReadSkinArchive below).
  std::unique_ptr<Bytes> PackedData;
};

// Parses Convertor->PackedData. On any malformed archive the convertor is freed (the reference
// becomes empty) and EReadError is raised with kNotPackedSkinMessage.
void ReadSkinArchive(std::unique_ptr<TacSkinConvertor>& Convertor);
// Parses archive bytes owned by someone else (a built-in skin): the bytes are only read, never
// kept, freed or changed, whether parsing succeeds or not.
std::unique_ptr<TacSkinConvertor> ReadSkinArchive(std::span<const uint8_t> data);

// Loads a whole archive file and parses it. When the file does not exist nothing happens and
// Convertor is left as it was. With dropRaw the raw bytes are freed after parsing.
void LoadSkinArchiveFile(StringView fileName, std::unique_ptr<TacSkinConvertor>& Convertor,
                         bool dropRaw);

// Writing, for the packer tool and for tests: entries are stored in the order given. Raises
// EConvertError for a name that has no single-byte form and for entries past the reader's
// size limits.
struct TacArchiveEntry {
  String Name;
  Bytes Data;
};
Bytes PackSkinArchive(const std::vector<TacArchiveEntry>& entries, int level = 9);
// A skin directory as an archive: its "Options.dat" (found without regard to case) first, then
// every other file in name order; sub-directories and names starting with '.' are left out.
// Raises EFOpenError when the directory holds no options text.
Bytes PackSkinDirectory(StringView directory, int level = 9);
