#include "platform/commandline.h"

namespace platform {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

std::string ProgramName(std::string_view line, std::size_t& at) {
  std::string name;
  bool quoted = false;
  for (; at < line.size(); ++at) {
    const char c = line[at];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && IsSeparator(c)) {
      break;
    } else {
      name += c;
    }
  }
  return name;
}

std::string Argument(std::string_view line, std::size_t& at) {
  std::string argument;
  bool quoted = false;
  while (at < line.size()) {
    std::size_t backslashes = 0;
    while (at < line.size() && line[at] == '\\') {
      ++backslashes;
      ++at;
    }
    bool literal = true;
    if (at < line.size() && line[at] == '"') {
      if (backslashes % 2 == 0) {
        if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
          ++at;
        } else {
          literal = false;
          quoted = !quoted;
        }
      }
      backslashes /= 2;
    }
    argument.append(backslashes, '\\');
    if (at == line.size() || (!quoted && IsSeparator(line[at]))) break;
    if (literal) argument += line[at];
    ++at;
  }
  return argument;
}

}  // namespace

std::vector<std::string> CommandLineToArgs(std::string_view commandLine) {
  std::size_t at = 0;
  std::vector<std::string> args{ProgramName(commandLine, at)};
  for (;;) {
    while (at < commandLine.size() && IsSeparator(commandLine[at])) ++at;
    if (at == commandLine.size()) break;
    args.push_back(Argument(commandLine, at));
  }
  return args;
}

}  // namespace platform
