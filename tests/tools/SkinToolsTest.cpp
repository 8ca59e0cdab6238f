#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/Files.h"
#include "skin/data/acSkinPack.h"
#include "tests/tools/ToolRun.h"

namespace {

TEST(SkinTools, PackThenDump) {
  char tmpl[] = "/tmp/quillet-tools-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  const String skin = Utf8ToString(dir + "/Demo");
  ASSERT_TRUE(ForceDirectories(skin));
  const std::string options =
      "[GLOBALINFO]\nVERSION=2.5\nBOXCHECKED=@0000@0000@0030@0015@2@0\n"
      "[BUTTON]\nSTATES=3\n[SPEEDBUTTON]\nPARENTCLASS=BUTTON\n";
  WriteFileAtomic(PathJoin(skin, u"Options.dat"), Bytes(options.begin(), options.end()));

  const std::string archive = dir + "/Demo.asz";
  ToolRun pack = Exec(std::string(SKINPACK_EXE) + " '" + dir + "/Demo' '" + archive + "'");
  ASSERT_EQ(pack.status, 0) << pack.out;
  const Bytes bytes = ReadWholeFile(Utf8ToString(archive));
  EXPECT_NO_THROW(ReadSkinArchive(std::span<const uint8_t>(bytes)));

  for (const std::string& target : {archive, dir + "/Demo"}) {
    ToolRun dump = Exec(std::string(SKINDUMP_EXE) + " '" + target + "'");
    ASSERT_EQ(dump.status, 0) << dump.out;
    EXPECT_NE(dump.out.find("version=2.5"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("[SPEEDBUTTON] parent=BUTTON states=3"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("GLOBALINFO/BOXCHECKED glyph rect=(0,0,30,15) frames=2"),
              std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("OUTSIDE the master bitmap"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("CheckBoxChecked          0"), std::string::npos) << dump.out;
  }

  EXPECT_EQ(Exec(std::string(SKINPACK_EXE)).status, 2);
  EXPECT_EQ(Exec(std::string(SKINPACK_EXE) + " '" + dir + "/none' '" + dir + "/x.asz'").status, 1);
  WriteFileAtomic(Utf8ToString(dir + "/bad.asz"), Bytes{'A', 'S', 'z', 'F'});
  ToolRun bad = Exec(std::string(SKINDUMP_EXE) + " '" + dir + "/bad.asz'");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("Loaded data is not a packed Ormisk file"), std::string::npos);
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
