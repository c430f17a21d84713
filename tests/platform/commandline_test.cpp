#include "platform/commandline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CommandLineCase {
  const char* line;
  std::vector<std::string> args;
};

class CommandLineTable : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTable, SplitsTheWindowsWay) {
  EXPECT_EQ(platform::CommandLineToArgs(GetParam().line), GetParam().args)
      << "line: " << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTable,
    ::testing::Values(
        CommandLineCase{" /VERYSILENT /LOG=auto_update.log", {"", "/VERYSILENT", "/LOG=auto_update.log"}},
        CommandLineCase{"", {""}},
        CommandLineCase{"update.exe", {"update.exe"}},
        CommandLineCase{"\"C:\\Program Files\\update.exe\" a\tb  ", {"C:\\Program Files\\update.exe", "a", "b"}},
        CommandLineCase{"C:\\a\\b.exe \"C:\\x y\\\\\" z", {"C:\\a\\b.exe", "C:\\x y\\", "z"}},
        CommandLineCase{"p a\\\\b c\\d", {"p", "a\\\\b", "c\\d"}},
        CommandLineCase{"p a\\\"b", {"p", "a\"b"}},
        CommandLineCase{"p a\\\\\\\"b", {"p", "a\\\"b"}},
        CommandLineCase{"p \"a \"\"quoted\"\" word\"", {"p", "a \"quoted\" word"}},
        CommandLineCase{"p \"\" x", {"p", "", "x"}},
        CommandLineCase{"p ab\"c d\"e", {"p", "abc de"}},
        CommandLineCase{"p \"unclosed arg", {"p", "unclosed arg"}}));

}  // namespace
