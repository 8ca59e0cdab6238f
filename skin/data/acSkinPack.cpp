#include "skin/data/acSkinPack.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/base/Errors.h"
#include "skin/data/acSkinPaths.h"

namespace {

// Deflate cannot expand data by more than this factor, so a larger unpacked size than
// remaining input x ratio can only come from a corrupt header.
constexpr int64_t kMaxDeflateRatio = 1032;

[[noreturn]] void BadArchive() { throw EReadError(kNotPackedSkinMessage); }

class TArchiveReader {
 public:
  explicit TArchiveReader(std::span<const uint8_t> data) : FData(data) {}

  size_t Remaining() const { return FData.size() - FPos; }

  int32_t ReadInt32() {
    if (Remaining() < 4) BadArchive();
    const uint8_t* p = FData.data() + FPos;
    FPos += 4;
    return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                   (uint32_t(p[3]) << 24));
  }

  std::span<const uint8_t> ReadBytes(size_t n) {
    if (Remaining() < n) BadArchive();
    std::span<const uint8_t> out = FData.subspan(FPos, n);
    FPos += n;
    return out;
  }

  // Inflates one zlib stream that must yield exactly 'size' bytes and end with a valid checksum.
  Bytes Inflate(size_t size) {
    Bytes out(size);
    z_stream strm{};
    if (inflateInit(&strm) != Z_OK) BadArchive();
    strm.next_in = const_cast<Bytef*>(FData.data() + FPos);
    strm.avail_in = static_cast<uInt>(std::min<size_t>(Remaining(), UINT_MAX));
    strm.next_out = out.data();
    strm.avail_out = static_cast<uInt>(size);
    uint8_t probe = 0;
    bool probing = false;
    for (;;) {
      if (strm.avail_out == 0) {
        // Room for one more byte: a stream that still produces output is longer than declared.
        if (probing) break;
        probing = true;
        strm.next_out = &probe;
        strm.avail_out = 1;
      }
      const int rc = inflate(&strm, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) break;
      if (rc != Z_OK) {
        // No progress possible (input ended early), a checksum or data error, or a dictionary.
        inflateEnd(&strm);
        BadArchive();
      }
    }
    const bool overflow = probing && strm.avail_out == 0;
    const uLong consumed = strm.total_in;
    const uLong produced = strm.total_out;
    inflateEnd(&strm);
    if (overflow || produced != size) BadArchive();
    FPos += consumed;
    return out;
  }

 private:
  std::span<const uint8_t> FData;
  size_t FPos = 0;
};

bool IsBitmapName(StringView name) { return UpperCaseAscii(ExtractFileExt(name)) == u".BMP"; }

void ParseArchive(std::span<const uint8_t> data, TacSkinConvertor& conv) {
  TArchiveReader reader(data);
  std::span<const uint8_t> magic = reader.ReadBytes(4);
  if (std::memcmp(magic.data(), "ASzf", 4) != 0) BadArchive();
  const int32_t entryCount = reader.ReadInt32();
  if (entryCount < 1) BadArchive();
  int64_t total = 0;
  for (int32_t i = 0; i < entryCount; ++i) {
    const int32_t nameLength = reader.ReadInt32();
    if (nameLength < 0) BadArchive();
    std::span<const uint8_t> nameBytes = reader.ReadBytes(size_t(nameLength));
    String name = AnsiToString(
        std::string_view(reinterpret_cast<const char*>(nameBytes.data()), nameBytes.size()));
    const int32_t unpacked = reader.ReadInt32();
    if (unpacked < 0 || unpacked > kMaxArchiveEntrySize) BadArchive();
    if (int64_t(unpacked) > int64_t(reader.Remaining()) * kMaxDeflateRatio + 64) BadArchive();
    total += unpacked;
    if (total > kMaxArchiveUnpackedSize) BadArchive();
    Bytes content = reader.Inflate(size_t(unpacked));
    if (SameTextAscii(name, u"Options.dat")) {
      if (conv.Options) BadArchive();  // two options texts: which one would be the skin?
      conv.Options = std::make_unique<Bytes>(std::move(content));
    } else {
      TacImageItem item;
      item.IsBitmap = IsBitmapName(name);
      item.FileName = std::move(name);
      item.FileStream = std::make_unique<Bytes>(std::move(content));
      conv.Files.push_back(std::move(item));
    }
  }
  if (!conv.Options) BadArchive();
  conv.ImageCount = static_cast<int>(conv.Files.size());
}

}  // namespace

void TacSkinConvertor::Clear() {
  while (!Files.empty()) Files.pop_back();
  ImageCount = 0;
  Options.reset();
  PackedData.reset();
}

const TacImageItem* TacSkinConvertor::FindImage(StringView name) const {
  const size_t n = std::min(Files.size(), size_t(std::max(ImageCount, 0)));
  for (size_t i = 0; i < n; ++i) {
    if (UpperCaseAscii(Files[i].FileName) == name) return &Files[i];
  }
  return nullptr;
}

void ReadSkinArchive(std::unique_ptr<TacSkinConvertor>& Convertor) {
  if (!Convertor) BadArchive();
  try {
    // What a previous parse left behind would otherwise mix with this archive's entries.
    Convertor->Files.clear();
    Convertor->Options.reset();
    Convertor->ImageCount = 0;
    std::span<const uint8_t> data;
    if (Convertor->PackedData) data = *Convertor->PackedData;
    ParseArchive(data, *Convertor);
  } catch (...) {
    Convertor.reset();
    throw;
  }
}

std::unique_ptr<TacSkinConvertor> ReadSkinArchive(std::span<const uint8_t> data) {
  auto conv = std::make_unique<TacSkinConvertor>();
  ParseArchive(data, *conv);
  return conv;
}

void LoadSkinArchiveFile(StringView fileName, std::unique_ptr<TacSkinConvertor>& Convertor,
                         bool dropRaw) {
  const String path = FindSkinFile(fileName);
  if (path.empty()) return;
  if (Convertor) {
    Convertor->Clear();
  } else {
    Convertor = std::make_unique<TacSkinConvertor>();
  }
  Convertor->PackedData = std::make_unique<Bytes>(ReadWholeFile(path));
  ReadSkinArchive(Convertor);
  if (dropRaw) Convertor->PackedData.reset();
}

Bytes PackSkinArchive(const std::vector<TacArchiveEntry>& entries, int level) {
  Bytes out = {'A', 'S', 'z', 'f'};
  auto putInt = [&out](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  };
  putInt(uint32_t(entries.size()));
  int64_t total = 0;
  for (const TacArchiveEntry& e : entries) {
    // Refuse what the reader would not load back instead of writing an archive that fails later.
    for (char16_t c : e.Name) {
      if (!CharToAnsi(c)) {
        throw EConvertError(u"The name \"" + e.Name +
                            u"\" has characters a skin archive cannot store");
      }
    }
    total += int64_t(e.Data.size());
    if (int64_t(e.Data.size()) > kMaxArchiveEntrySize || total > kMaxArchiveUnpackedSize) {
      throw EConvertError(u"\"" + e.Name + u"\" makes the skin archive too large");
    }
    const std::string name = StringToAnsi(e.Name);
    putInt(uint32_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    putInt(uint32_t(e.Data.size()));
    uLongf packedSize = compressBound(uLong(e.Data.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, e.Data.data(), uLong(e.Data.size()), level) != Z_OK) {
      throw EOutOfResources(u"Cannot compress skin entry \"" + e.Name + u"\"");
    }
    out.insert(out.end(), packed.begin(), packed.begin() + static_cast<ptrdiff_t>(packedSize));
  }
  return out;
}

Bytes PackSkinDirectory(StringView directory, int level) {
  std::vector<TacArchiveEntry> entries;
  const String options = FindSkinFile(PathJoin(directory, u"Options.dat"));
  if (options.empty()) {
    throw EFOpenError(PathJoin(directory, u"Options.dat"), SystemErrorText(ENOENT));
  }
  entries.push_back({u"Options.dat", ReadWholeFile(options)});
  for (const DirEntry& e : ListDirectory(directory)) {
    if (e.isDirectory || e.name.empty() || e.name[0] == u'.') continue;
    if (SameTextAscii(e.name, u"Options.dat")) continue;
    entries.push_back({e.name, ReadWholeFile(PathJoin(directory, e.name))});
  }
  return PackSkinArchive(entries, level);
}
