#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/Files.h"
#include "platform/richedit/RichFiles.h"
#include "tests/tools/ToolRun.h"

namespace {

TEST(RtfConv, ConvertsBothWaysAndReportsUnreadableFiles) {
  char tmpl[] = "/tmp/quillet-rtfconv-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  const std::string in = dir + "/in.rtf";
  const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Caf\\'e9 {\\b bold}\\par second}";
  WriteFileAtomic(Utf8ToString(in), Bytes(rtf.begin(), rtf.end()));
  const std::string exe = RTFCONV_EXE;

  ToolRun txt = Exec(exe + " '" + in + "'");
  ASSERT_EQ(txt.status, 0) << txt.out;
  EXPECT_EQ(txt.out, "Caf\xC3\xA9 bold\r\nsecond");

  ToolRun toFile = Exec(exe + " '" + in + "' --to=rtf -o '" + dir + "/out.rtf'");
  ASSERT_EQ(toFile.status, 0) << toFile.out;
  TRichDocument again;
  LoadRichFile(again, Utf8ToString(dir + "/out.rtf"));
  EXPECT_EQ(again.GetText(), u"Caf\u00e9 bold\r\nsecond");
  EXPECT_TRUE(again.CharFormatAt(5).Bold);
  EXPECT_FALSE(again.CharFormatAt(0).Bold);

  ToolRun missing = Exec(exe + " '" + dir + "/none.rtf'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("Cannot open file"), std::string::npos) << missing.out;
  EXPECT_EQ(Exec(exe + " '" + in + "' --to=doc").status, 2);

  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
