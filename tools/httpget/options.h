#pragma once
// The command line of httpget.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "http/IdComponent.h"

// When the tool calls Disconnect from inside an event.
struct DisconnectAt {
  enum class Kind { kNever, kWork, kStatus, kChunk };
  Kind kind = Kind::kNever;
  std::int64_t workCount = 0;
  int statusValue = 0;
};

struct Options {
  std::optional<std::string> outputFile;
  std::optional<std::string> proxyHost;
  int proxyPort = 0;
  std::optional<std::string> proxyUser;
  std::optional<std::string> proxyPass;
  std::optional<int> readTimeout;
  std::optional<int> maxLine;
  bool splitLines = false;
  bool noRedirects = false;
  std::optional<int> redirectMax;
  bool http10 = false;
  bool noCookies = false;
  std::optional<int> recvBuffer;
  bool events = false;
  bool showResponse = false;
  DisconnectAt disconnectAt;
  std::vector<std::string> urls;
};

// Either the options or the reason the command line is not usable.
struct ParsedCommandLine {
  std::optional<Options> options;
  std::string error;
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char* const kUsage;
