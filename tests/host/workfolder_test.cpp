#include <gtest/gtest.h>

#include <string>

#include "host/versioninfo.h"
#include "rtl/ansi.h"

namespace {

struct WorkFolderCase {
  std::string executable;
  char delimiter;
  std::string folder;
};

void PrintTo(const WorkFolderCase& c, std::ostream* os) { *os << c.executable; }

class WorkFolder : public testing::TestWithParam<WorkFolderCase> {};

TEST_P(WorkFolder, IsDerivedFromTheExecutablesPath) {
  EXPECT_EQ(WorkFolderOf(GetParam().executable, GetParam().delimiter), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(WindowsPaths, WorkFolder, testing::Values(
    WorkFolderCase{R"(C:\Programs\Quorvane\update\update.exe)", '\\', R"(C:\Programs\Quorvane\)"},
    WorkFolderCase{R"(C:\Programs\Quorvane\Update-QVR\update.exe)", '\\',
                   R"(C:\Programs\Quorvane\Update-QVR\)"},
    WorkFolderCase{R"(D:\update-qvr-old\bin\update.exe)", '\\', R"(D:\update-qvr-old\bin\)"},
    WorkFolderCase{R"(C:\Quorvane\update.exe)", '\\', R"(C:\Quorvane\)"},
    WorkFolderCase{R"(C:\update.exe)", '\\', R"(C:\)"},
    // A drive's colon ends the folder part too.
    WorkFolderCase{R"(C:update.exe)", '\\', R"(C:)"},
    // Cyrillic names pass through unchanged.
    WorkFolderCase{Ansi(R"(C:\Программы\UPDATE-QVR\update.exe)"), '\\',
                   Ansi(R"(C:\Программы\UPDATE-QVR\)")},
    WorkFolderCase{Ansi(R"(C:\Программы\Кворвейн\update.exe)"), '\\',
                   Ansi(R"(C:\Программы\)")}));

INSTANTIATE_TEST_SUITE_P(PosixPaths, WorkFolder, testing::Values(
    WorkFolderCase{"/opt/Quorvane/update/update", '/', "/opt/Quorvane/"},
    WorkFolderCase{"/opt/Quorvane/Update-QVR/update", '/', "/opt/Quorvane/Update-QVR/"},
    WorkFolderCase{"/srv/update-qvr-old/bin/update", '/', "/srv/update-qvr-old/bin/"},
    WorkFolderCase{"/Quorvane/update", '/', "/Quorvane/"},
    WorkFolderCase{"/q/update", '/', "/q/"},
    WorkFolderCase{"/update", '/', "/"},
    // A colon is an ordinary character of a POSIX name.
    WorkFolderCase{"/opt/a:b/update", '/', "/opt/"}));

}  // namespace
