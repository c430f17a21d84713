#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "host/versioninfo.h"
#include "rtl/ansi.h"
#include "support/fake_platform.h"
#include "ui/scripted/ScriptedBackend.h"

namespace {

// The updater runs from <temp>/bin/, so its working folder is <temp>/.
class BuildDate : public testing::Test {
 protected:
  BuildDate() { fake_.system.SetModuleFileName(folder_.File("bin/update")); }

  std::string DateFile() const { return folder_.File("lastupd.dat"); }
  void WriteDateFile(const std::string& bytes) const {
    std::ofstream(DateFile(), std::ios::binary) << bytes;
  }

  ScopedFakePlatform fake_;
  ScopedTempFolder folder_;
  ui::ScriptedSession session_;
};

struct BuildDateCase {
  std::string content;
  std::string date;
};

class BuildDateOfFile : public BuildDate, public testing::WithParamInterface<BuildDateCase> {};

TEST_P(BuildDateOfFile, ComesFromTheFirstLine) {
  WriteDateFile(GetParam().content);
  EXPECT_EQ(GetCurrentBuildDate(), GetParam().date);
  EXPECT_TRUE(session_.Script().Boxes().empty()) << session_.Script().Transcript();
}

INSTANTIATE_TEST_SUITE_P(FirstLines, BuildDateOfFile, testing::Values(
    BuildDateCase{"build#2008-03-14", "2008-03-14"},
    BuildDateCase{"build#2008-03-14\r\nbuild#1999-01-01\r\n", "2008-03-14"},
    BuildDateCase{"a#b#c", "b#c"},
    BuildDateCase{"2008-03-14", "2008-03-14"},
    BuildDateCase{"#" + std::string(100, 'd') + std::string(50, 'x'), std::string(100, 'd')},
    BuildDateCase{"build#", ""},
    BuildDateCase{"build#2008\rnext", "2008"},
    BuildDateCase{"build#2008\nnext", "2008"},
    // A NUL byte ends the text.
    BuildDateCase{std::string("build#20\0" "08", 11), "20"},
    BuildDateCase{Ansi("сборка#14 марта"), Ansi("14 марта")},
    BuildDateCase{"", "WRONG DATE"},
    BuildDateCase{"\r\n", ""},
    BuildDateCase{"\n#2008", ""}));

TEST_F(BuildDate, MissingFileIsReportedAtEveryCall) {
  session_.Script().AnswerBox("Detect current date").AnswerBox("Detect current date");
  EXPECT_EQ(GetCurrentBuildDate(), "");
  EXPECT_EQ(GetCurrentBuildDate(), "");

  const std::string expected = "Detect current date of build failed!\r\nException message: "
                               "Cannot open file " + DateFile() +
                               "\r\nCommon App Data Folder: " + DateFile();
  ASSERT_EQ(session_.Script().Boxes().size(), 2u) << session_.Script().Transcript();
  for (const ui::ShownBox& box : session_.Script().Boxes()) {
    EXPECT_EQ(box.text, expected);
    EXPECT_EQ(box.caption, session_.App().Title());
  }
}

TEST_F(BuildDate, WorkFolderFollowsTheRunningExecutable) {
  EXPECT_EQ(GetWorkFolder(), folder_.Path().string() + "/");
  fake_.system.SetModuleFileName(folder_.File("update-qvr/update"));
  EXPECT_EQ(GetWorkFolder(), folder_.File("update-qvr/"));
}

}  // namespace
