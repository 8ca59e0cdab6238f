#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>

#include "platform/base/Errors.h"
#include "platform/base/Files.h"

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quillet-files-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = Utf8ToString(tmpl);
  }
  void TearDown() override {
    std::system(("chmod -R u+w '" + StringToUtf8(dir) + "' && rm -rf '" + StringToUtf8(dir) + "'").c_str());
  }
  String dir;
};

TEST_F(FilesTest, AtomicWriteReplacesAndKeepsNoTemporary) {
  String file = PathJoin(dir, u"doc.rtf");
  WriteFileAtomic(file, Bytes{'o', 'l', 'd'});
  WriteFileAtomic(file, Bytes{'n', 'e', 'w', '!'});
  EXPECT_EQ(ReadWholeFile(file), (Bytes{'n', 'e', 'w', '!'}));
  EXPECT_EQ(ListDirectory(dir).size(), 1u);
  // A name as long as the system allows leaves no room for a suffix on the temporary's name.
  const String longest = PathJoin(dir, String(NAME_MAX, u'n'));
  WriteFileAtomic(longest, Bytes{'l'});
  WriteFileAtomic(longest, Bytes{'L'});
  EXPECT_EQ(ReadWholeFile(longest), (Bytes{'L'}));
  EXPECT_EQ(ListDirectory(dir).size(), 2u);
}

TEST_F(FilesTest, FailedWriteLeavesOldFileByteIdentical) {
  if (::geteuid() == 0) {
    // root ignores directory permissions; use a target that cannot be renamed over instead.
    String sub = PathJoin(dir, u"target");
    ASSERT_TRUE(ForceDirectories(PathJoin(sub, u"inner")));
    EXPECT_THROW(WriteFileAtomic(sub, Bytes{'x'}), EFCreateError);
    EXPECT_TRUE(DirectoryExists(PathJoin(sub, u"inner")));
    EXPECT_EQ(ListDirectory(dir).size(), 1u);  // no temporary file left behind
    return;
  }
  String file = PathJoin(dir, u"doc.rtf");
  const Bytes old{'k', 'e', 'e', 'p', 0, 255};
  WriteFileAtomic(file, old);
  ::chmod(StringToUtf8(dir).c_str(), 0555);
  EXPECT_THROW(WriteFileAtomic(file, Bytes{'n', 'e', 'w'}), EFCreateError);
  ::chmod(StringToUtf8(dir).c_str(), 0755);
  EXPECT_EQ(ReadWholeFile(file), old);
  EXPECT_EQ(ListDirectory(dir).size(), 1u);
}

// Caps the size of files this process may write, for as long as it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &FSaved);
    rlimit capped = FSaved;
    capped.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &capped);
    FHandler = std::signal(SIGXFSZ, SIG_IGN);  // report EFBIG instead of ending the process
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FHandler);
  }

 private:
  rlimit FSaved{};
  void (*FHandler)(int) = nullptr;
};

// A write that fails part-way (also for root, unlike a read-only directory): the reason is
// the system's, the old contents stay and the temporary file goes.
TEST_F(FilesTest, WriteFailingPartWayKeepsTheOldFileAndNoTemporary) {
  String file = PathJoin(dir, u"doc.rtf");
  const Bytes old{'k', 'e', 'e', 'p', 0, 255};
  WriteFileAtomic(file, old);
  try {
    FileSizeLimit limit(4);
    WriteFileAtomic(file, Bytes(100, 'n'));
    ADD_FAILURE() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), u"Cannot create file \"" + file + u"\". File too large");
  }
  EXPECT_EQ(ReadWholeFile(file), old);
  EXPECT_EQ(ListDirectory(dir).size(), 1u);
}

TEST_F(FilesTest, OpenErrorNamesFileAndReason) {
  String missing = PathJoin(dir, u"missing.rtf");
  try {
    ReadWholeFile(missing);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), u"Cannot open file \"" + missing + u"\". No such file or directory");
  }
}

TEST_F(FilesTest, DirectoriesListingAndCaseInsensitiveLookup) {
  ASSERT_TRUE(ForceDirectories(dir + u"\\a\\b/c"));
  EXPECT_TRUE(DirectoryExists(PathJoin(dir, u"a/b/c")));
  EXPECT_FALSE(FileExists(PathJoin(dir, u"a")));
  WriteFileAtomic(PathJoin(dir, u"a/OPTIONS.DAT"), Bytes{'1'});
  auto entries = ListDirectory(PathJoin(dir, u"a"));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, u"OPTIONS.DAT");
  EXPECT_FALSE(entries[0].isDirectory);
  EXPECT_EQ(entries[1].name, u"b");
  EXPECT_TRUE(entries[1].isDirectory);
  EXPECT_EQ(FindFileCaseInsensitive(PathJoin(dir, u"a"), u"Options.dat"), PathJoin(dir, u"a/OPTIONS.DAT"));
  EXPECT_EQ(FindFileCaseInsensitive(PathJoin(dir, u"a"), u"none"), u"");
}

TEST(Paths, Parts) {
  EXPECT_EQ(PathJoin(u"c:\\Skins", u"My.Skin.asz"), u"c:/Skins/My.Skin.asz");
  EXPECT_EQ(PathJoin(u"/a/", u"/b"), u"/b");
  EXPECT_EQ(ExtractFileName(u"/x/y\\My.Skin.asz"), u"My.Skin.asz");
  EXPECT_EQ(ExtractFileDir(u"/x/y/z.rtf"), u"/x/y");
  EXPECT_EQ(ExtractFileExt(u"/x.d/y"), u"");
  EXPECT_EQ(ExtractFileExt(u"My.Skin.asz"), u".asz");
  EXPECT_EQ(ChangeFileExt(u"/p/quillet", u".ini"), u"/p/quillet.ini");
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"/p"), u"/p/");
  String dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), u'/');
  EXPECT_EQ(ProgramPath().substr(0, dir.size()), dir);
}

}  // namespace
