#include <gtest/gtest.h>

#include "skin/data/acSkinPaths.h"
#include "skin/data/acSkinStore.h"
#include "SkinFixtures.h"

namespace {

using skintest::Text;

TEST(SkinPaths, EnsureDirSlash) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"", u""},
      {u"D:\\Out\\", u"D:\\Out\\"},
      {u"D:\\Out/", u"D:\\Out\\"},
      {u"D", u"D:\\"},
      {u"D:\\Out", u"D:\\Out\\"},
      {u"/tmp/skins", u"/tmp/skins\\"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(EnsureDirSlash(in), out) << StringToUtf8(in);
}

TEST(SkinPaths, GetFullSkinDirectory) {
  struct Case {
    const char16_t *dir, *app, *expected;
  } cases[] = {
      {u"..\\Skins", u"C:\\Apps\\Editor\\", u"C:\\Apps\\Skins"},
      {u"../Skins", u"/opt/quillet/bin/", u"/opt/quillet/Skins"},
      {u".\\Skins", u"C:\\Apps\\Editor\\", u"C:\\Apps\\Editor\\Skins"},
      {u"./Skins", u"/opt/q/", u"/opt/q/Skins"},
      {u"Skins", u"/opt/q/", u"/opt/q/Skins"},
      {u"c:\\Skins", u"/opt/q/", u"c:\\Skins"},
      {u"\\\\server\\Skins", u"/opt/q/", u"\\\\server\\Skins"},
      {u"/usr/share/skins", u"/opt/q/", u"/usr/share/skins"},
      {u"..", u"/opt/q/", u"/opt/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetFullSkinDirectory(c.dir, c.app), c.expected) << StringToUtf8(c.dir);
  }
}

TEST(SkinPaths, FilesAreFoundWithoutRegardToCase) {
  skintest::TempDir dir;
  ASSERT_TRUE(ForceDirectories(dir / u"Blue"));
  skintest::WriteFile(dir / u"Blue/Master.bmp", Text("x"));
  EXPECT_EQ(FindSkinFile(dir / u"Blue/Master.bmp"), dir / u"Blue/Master.bmp");
  EXPECT_EQ(FindSkinFile(dir / u"BLUE\\MASTER.BMP"), dir / u"Blue/Master.bmp");
  EXPECT_EQ(FindSkinFile(dir / u"Blue/Other.bmp"), u"");
  EXPECT_EQ(FindSkinFile(dir / u"Blue"), u"");  // a directory is not a file
  EXPECT_EQ(FindSkinDirectory(dir / u"blue"), dir / u"Blue");
}

struct Listing : ::testing::Test {
  void SetUp() override {
    skintest::WriteFile(dir / u"Blue.asz", Text("a"));
    skintest::WriteFile(dir / u"blue.ASZ", Text("a"));
    skintest::WriteFile(dir / u"My.Skin.asz", Text("a"));
    skintest::WriteFile(dir / u".hidden.asz", Text("a"));
    skintest::WriteFile(dir / u"notes.txt", Text("a"));
    ASSERT_TRUE(ForceDirectories(dir / u"Green"));
    skintest::WriteFile(dir / u"Green/OPTIONS.DAT", Text("[GLOBALINFO]"));
    ASSERT_TRUE(ForceDirectories(dir / u"Red"));  // no options text: not a skin
    ASSERT_TRUE(ForceDirectories(dir / u".git"));
    skintest::WriteFile(dir / u".git/Options.dat", Text(""));
    skins.Add().Name = u"zeta (internal)";
    skins.Add().Name = u"Alpha (internal)";
  }
  skintest::TempDir dir;
  TsStoredSkins skins;
};

TEST_F(Listing, NamesByKind) {
  struct Case {
    TacSkinTypes type;
    std::vector<String> external;
  } cases[] = {
      {stAllSkins, {u"Blue", u"Green", u"My.Skin"}},
      {stPacked, {u"Blue", u"My.Skin"}},
      {stUnpacked, {u"Green"}},
  };
  for (const Case& c : cases) {
    std::vector<String> list{u"stale"};
    GetExternalSkinNames(dir.Path, list, c.type);
    EXPECT_EQ(list, c.external);
  }
  // The skin directory itself is found without regard to case, as when a skin is loaded.
  ASSERT_TRUE(ForceDirectories(dir / u"Skins/Green"));
  skintest::WriteFile(dir / u"Skins/Green/Options.dat", Text("[GLOBALINFO]"));
  std::vector<String> list;
  GetExternalSkinNames(dir / u"SKINS", list, stAllSkins);
  EXPECT_EQ(list, (std::vector<String>{u"Green"}));
  std::vector<String> all;
  // The result is the first name found: the first built-in skin, before sorting.
  EXPECT_EQ(GetSkinNames(skins, dir.Path, all, stUnpacked), u"zeta (internal)");
  EXPECT_EQ(all, (std::vector<String>{u"Alpha (internal)", u"Green", u"zeta (internal)"}));

  std::vector<String> none;
  TsStoredSkins empty;
  EXPECT_EQ(GetSkinNames(empty, dir / u"missing", none), u"");
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(GetRandomSkin(empty, dir / u"missing"), u"");
  const String pick = GetRandomSkin(skins, dir.Path);
  GetSkinNames(skins, dir.Path, all);
  EXPECT_NE(std::find(all.begin(), all.end(), pick), all.end());
}

TEST(StoredSkins, IndexOfAndAssign) {
  TsStoredSkins skins;
  TsStoredSkin& a = skins.Add();
  a.Name = u"VarnelWhite (internal)";
  a.PackedData = Text("ASzf");
  a.Shadow1Blur = 3;
  a.Author = u"me";
  EXPECT_EQ(skins.IndexOf(u"VarnelWhite (internal)"), 0);
  EXPECT_EQ(skins.IndexOf(u"varnelwhite (internal)"), -1);

  TsStoredSkin& b = skins.Add();
  b.Assign(&a);
  EXPECT_EQ(b.Name, a.Name);
  EXPECT_EQ(b.PackedData, a.PackedData);
  EXPECT_EQ(b.Shadow1Blur, 3);
  EXPECT_EQ(b.Author, u"me");
  b.Assign(nullptr);
  EXPECT_EQ(b.Name, a.Name);
  EXPECT_EQ(skins.IndexOf(a.Name), 0);  // the first of equal names

  TsStoredSkins other;
  other.Assign(skins);
  EXPECT_EQ(other.Count(), 0);
}

TEST(StoredSkins, Extraction) {
  skintest::TempDir dir;
  TsStoredSkins skins;
  TsStoredSkin& s = skins.Add();
  s.Name = u"VarnelWhite (internal)";
  for (int i = 0; i < 300; ++i) s.PackedData.push_back(uint8_t(i));
  std::vector<String> errors;
  auto show = [&errors](StringView m) { errors.emplace_back(m); };

  ExtractInternalSkin(skins, u"VarnelWhite (internal)", dir.Path, show);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(ReadWholeFile(dir / u"VarnelWhite (internal) extracted.asz"), s.PackedData);

  ExtractInternalSkin(skins, u"VarnelWhite (internal)", dir / u"missing", show);
  ExtractInternalSkin(skins, u"Nothing", dir.Path, show);
  EXPECT_EQ(errors, (std::vector<String>{u"Directory does not exists.", u"Skin does not exists."}));
  EXPECT_FALSE(DirectoryExists(dir / u"missing"));

  // ExtractByIndex creates the directory, and reports a directory it cannot create.
  errors.clear();
  ExtractByIndex(skins, 0, dir / u"new/sub", show);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(ReadWholeFile(dir / u"new/sub/VarnelWhite (internal) extracted.asz"), s.PackedData);
  ExtractByIndex(skins, 1, dir / u"other", show);  // no such skin: nothing happens
  EXPECT_TRUE(errors.empty());
  EXPECT_FALSE(DirectoryExists(dir / u"other"));
  skintest::WriteFile(dir / u"file", Text("x"));
  ExtractByIndex(skins, 0, dir / u"file/sub", show);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], u"Directory " + EnsureDirSlash(dir / u"file/sub") + u" creation error.");
}

}  // namespace
