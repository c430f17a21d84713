#pragma once
// Command lines split the way Windows programs split theirs.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Element 0 is the program's name (quotes group, no backslash rules); the arguments follow,
// separated by blanks and tabs, where quotes group and toggle, "" inside quotes is a quote,
// and backslashes count only before a quote (2n give n and a toggling quote, 2n+1 give n and a
// literal quote).
std::vector<std::string> CommandLineToArgs(std::string_view commandLine);

}  // namespace platform
