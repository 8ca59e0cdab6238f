#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/base/Errors.h"
#include "skin/data/acSkinPack.h"
#include "SkinFixtures.h"

namespace {

using skintest::Text;

// Archive bytes written field by field, so that each field can be made wrong.
struct RawArchive {
  Bytes b;
  RawArchive& Magic(std::string_view m = "ASzf") {
    b.insert(b.end(), m.begin(), m.end());
    return *this;
  }
  RawArchive& Int(int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
    return *this;
  }
  RawArchive& Name(std::string_view n) {
    Int(int32_t(n.size()));
    b.insert(b.end(), n.begin(), n.end());
    return *this;
  }
  RawArchive& Zlib(const Bytes& data) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes z(size);
    compress2(z.data(), &size, data.data(), uLong(data.size()), 9);
    b.insert(b.end(), z.begin(), z.begin() + long(size));
    return *this;
  }
  // One well-formed entry.
  RawArchive& Entry(std::string_view name, const Bytes& data) {
    return Name(name).Int(int32_t(data.size())).Zlib(data);
  }
};

void ExpectRejected(const Bytes& archive, const std::string& what) {
  try {
    ReadSkinArchive(std::span<const uint8_t>(archive));
    ADD_FAILURE() << what << ": accepted";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), kNotPackedSkinMessage) << what;
  }
}

const Bytes kOptions = Text("[GLOBALINFO]\nVERSION=1\n");

TEST(SkinArchive, OptionsEntryAnywhereAndImagesInOrder) {
  const Bytes archive = PackSkinArchive({{u"Master.bmp", Text("bmp")},
                                         {u"options.DAT", kOptions},
                                         {u"Glow.png", Text("png")},
                                         {u"Empty.BMP", {}}});
  auto conv = ReadSkinArchive(std::span<const uint8_t>(archive));
  ASSERT_TRUE(conv->Options);
  EXPECT_EQ(*conv->Options, kOptions);
  EXPECT_EQ(conv->ImageCount, 3);
  ASSERT_EQ(conv->Files.size(), 3u);
  const std::pair<const char16_t*, bool> expected[] = {
      {u"Master.bmp", true}, {u"Glow.png", false}, {u"Empty.BMP", true}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(conv->Files[i].FileName, expected[i].first);
    EXPECT_EQ(conv->Files[i].IsBitmap, expected[i].second);
  }
  EXPECT_EQ(*conv->Files[1].FileStream, Text("png"));
  EXPECT_TRUE(conv->Files[2].FileStream->empty());

  // Pictures are looked up by the upper-cased entry name, as the options text writes them.
  EXPECT_EQ(conv->FindImage(u"MASTER.BMP"), &conv->Files[0]);
  EXPECT_EQ(conv->FindImage(u"Master.bmp"), nullptr);
}

TEST(SkinArchive, BadMagicAndMissingOrDoubledOptions) {
  ExpectRejected(RawArchive().Magic("ASzF").Int(1).Entry("Options.dat", kOptions).b, "ASzF");
  ExpectRejected(RawArchive().Magic("PK\x03\x04").Int(1).Entry("Options.dat", kOptions).b, "zip");
  ExpectRejected(Bytes{}, "empty");
  ExpectRejected(RawArchive().Int(0).b, "zero entries");
  ExpectRejected(RawArchive().Magic().Int(1).Entry("Master.bmp", Text("x")).b, "no options");
  ExpectRejected(
      RawArchive().Magic().Int(2).Entry("Options.dat", kOptions).Entry("OPTIONS.DAT", kOptions).b,
      "two options entries");
}

TEST(SkinArchive, EveryTruncationIsRejected) {
  const Bytes archive = RawArchive()
                            .Magic()
                            .Int(2)
                            .Entry("Options.dat", kOptions)
                            .Entry("A.bmp", Text("some picture bytes"))
                            .b;
  ASSERT_NO_THROW(ReadSkinArchive(std::span<const uint8_t>(archive)));
  for (size_t n = 0; n < archive.size(); ++n) {
    ExpectRejected(Bytes(archive.begin(), archive.begin() + long(n)), "cut at " + std::to_string(n));
  }
}

TEST(SkinArchive, FieldsInconsistentWithTheDataAreRejected) {
  auto withOptions = [](RawArchive a) { return a.Entry("Options.dat", kOptions); };
  struct Case {
    const char* what;
    Bytes archive;
  } cases[] = {
      {"negative entry count", RawArchive().Magic().Int(-1).Entry("Options.dat", kOptions).b},
      {"entry count past the data", withOptions(RawArchive().Magic().Int(1000)).b},
      {"negative name length", RawArchive().Magic().Int(1).Int(-5).b},
      {"name past the data", RawArchive().Magic().Int(1).Int(0x7FFFFFFF).b},
      {"negative unpacked size",
       RawArchive().Magic().Int(1).Name("Options.dat").Int(-1).Zlib(kOptions).b},
      {"unpacked size over the entry limit",
       RawArchive().Magic().Int(1).Name("Options.dat").Int(int32_t(kMaxArchiveEntrySize + 1)).Zlib(kOptions).b},
      {"unpacked size beyond any deflate ratio",
       RawArchive().Magic().Int(1).Name("Options.dat").Int(60 << 20).Zlib(kOptions).b},
      {"stream longer than declared",
       RawArchive().Magic().Int(1).Name("Options.dat").Int(int32_t(kOptions.size() - 1)).Zlib(kOptions).b},
      {"stream shorter than declared",
       RawArchive().Magic().Int(1).Name("Options.dat").Int(int32_t(kOptions.size() + 1)).Zlib(kOptions).b},
      {"not a zlib stream", RawArchive().Magic().Int(1).Name("Options.dat").Int(3).Int(0x12345678).b},
  };
  for (const Case& c : cases) ExpectRejected(c.archive, c.what);

  Bytes badChecksum = RawArchive().Magic().Int(1).Entry("Options.dat", kOptions).b;
  badChecksum.back() ^= 0x01;  // the Adler-32 trailer
  ExpectRejected(badChecksum, "bad checksum");
}

TEST(SkinArchive, EntriesFollowEachOtherWithoutALengthField) {
  // Incompressible data makes stored blocks: the reader must still find the stream's end.
  Bytes noise(200000);
  uint32_t seed = 1;
  for (uint8_t& v : noise) v = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
  const Bytes archive = PackSkinArchive({{u"Noise.png", noise}, {u"Options.dat", kOptions}, {u"B.bmp", Text("b")}}, 1);
  auto conv = ReadSkinArchive(std::span<const uint8_t>(archive));
  EXPECT_EQ(*conv->Files[0].FileStream, noise);
  EXPECT_EQ(*conv->Files[1].FileStream, Text("b"));
}

TEST(SkinArchive, OwnedConvertorIsFreedOnFailureAndBorrowedBytesStayIntact) {
  auto conv = std::make_unique<TacSkinConvertor>();
  conv->PackedData = std::make_unique<Bytes>(Text("ASzF...."));
  EXPECT_THROW(ReadSkinArchive(conv), EReadError);
  EXPECT_EQ(conv, nullptr);

  Bytes stored = PackSkinArchive({{u"Options.dat", kOptions}});
  Bytes broken = stored;
  broken.back() ^= 0xFF;
  const Bytes storedCopy = stored, brokenCopy = broken;
  auto good = ReadSkinArchive(std::span<const uint8_t>(stored));
  good.reset();
  EXPECT_THROW(ReadSkinArchive(std::span<const uint8_t>(broken)), EReadError);
  EXPECT_EQ(stored, storedCopy);
  EXPECT_EQ(broken, brokenCopy);
}

TEST(SkinArchive, LoadFromFile) {
  skintest::TempDir dir;
  const Bytes archive = PackSkinArchive({{u"Options.dat", kOptions}, {u"A.bmp", Text("a")}});
  skintest::WriteFile(dir / u"Blue.asz", archive);

  // A missing file leaves the convertor as it was.
  auto conv = std::make_unique<TacSkinConvertor>();
  conv->ImageCount = 42;
  TacSkinConvertor* before = conv.get();
  LoadSkinArchiveFile(dir / u"Nothing.asz", conv, true);
  EXPECT_EQ(conv.get(), before);
  EXPECT_EQ(conv->ImageCount, 42);

  // Found without regard to letter case; the raw bytes are kept or dropped as asked.
  LoadSkinArchiveFile(dir / u"BLUE.asz", conv, false);
  ASSERT_TRUE(conv);
  EXPECT_EQ(conv->ImageCount, 1);
  ASSERT_TRUE(conv->PackedData);
  EXPECT_EQ(*conv->PackedData, archive);
  // Reading the same convertor again gives this archive's entries, not those plus the last ones.
  ReadSkinArchive(conv);
  ASSERT_TRUE(conv);
  EXPECT_EQ(conv->ImageCount, 1);
  EXPECT_EQ(conv->Files.size(), 1u);
  std::unique_ptr<TacSkinConvertor> fresh;
  LoadSkinArchiveFile(dir / u"Blue.asz", fresh, true);
  ASSERT_TRUE(fresh);
  EXPECT_FALSE(fresh->PackedData);
  EXPECT_EQ(*fresh->Options, kOptions);

  skintest::WriteFile(dir / u"Bad.asz", Text("not an archive"));
  EXPECT_THROW(LoadSkinArchiveFile(dir / u"Bad.asz", fresh, true), EReadError);
  EXPECT_EQ(fresh, nullptr);
}

TEST(SkinArchive, PackingADirectory) {
  skintest::TempDir dir;
  skintest::WriteFile(dir / u"b.png", Text("b"));
  skintest::WriteFile(dir / u"OPTIONS.DAT", kOptions);
  skintest::WriteFile(dir / u"A.bmp", Text("a"));
  skintest::WriteFile(dir / u".hidden", Text("h"));
  ASSERT_TRUE(ForceDirectories(dir / u"sub"));
  const Bytes archive = PackSkinDirectory(dir.Path);
  // The options text comes first, under its canonical name.
  EXPECT_EQ(Bytes(archive.begin() + 12, archive.begin() + 23), Text("Options.dat"));
  auto conv = ReadSkinArchive(std::span<const uint8_t>(archive));
  EXPECT_EQ(*conv->Options, kOptions);
  ASSERT_EQ(conv->Files.size(), 2u);
  EXPECT_EQ(conv->Files[0].FileName, u"A.bmp");
  EXPECT_EQ(conv->Files[1].FileName, u"b.png");
  EXPECT_THROW(PackSkinDirectory(dir / u"sub"), EFOpenError);

  // What the reader would refuse or misname is not written at all.
  const std::vector<TacArchiveEntry> refused[] = {
      {{u"Options.dat", kOptions}, {u"\u0416.bmp", Text("x")}},
      {{u"Options.dat", Bytes(size_t(kMaxArchiveEntrySize) + 1)}},
  };
  for (const auto& entries : refused) EXPECT_THROW(PackSkinArchive(entries), EConvertError);
  EXPECT_NO_THROW(PackSkinArchive({{u"Options.dat", kOptions}, {u"Caf\u00e9.bmp", Text("x")}}));
}

}  // namespace
