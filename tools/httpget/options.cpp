#include "options.h"

#include <limits>

#include "http/IdHeaderList.h"
#include "rtl/sysutils.h"

const char* const kUsage =
    "usage: httpget [-o FILE] [--proxy HOST:PORT] [--proxy-user USER] [--proxy-pass PASS]\n"
    "               [--read-timeout MS] [--max-line N] [--split-lines] [--no-redirects]\n"
    "               [--redirect-max N] [--http10] [--no-cookies] [--recv-buffer N] [--events]\n"
    "               [--show-response] [--disconnect-at work:N|status:V|chunk] URL [URL ...]\n";

namespace {

std::optional<int> NonNegativeInt(const std::string& text) {
  const auto value = TryDecimalToInt64(text);
  if (!value || *value < 0 || *value > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(*value);
}

std::optional<DisconnectAt> ParseDisconnectAt(const std::string& text) {
  DisconnectAt at;
  if (text == "chunk") {
    at.kind = DisconnectAt::Kind::kChunk;
    return at;
  }
  const auto colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto what = text.substr(0, colon);
  const auto number = TryDecimalToInt64(text.substr(colon + 1));
  if (!number || *number < 0) return std::nullopt;
  if (what == "work") {
    at.kind = DisconnectAt::Kind::kWork;
    at.workCount = *number;
    return at;
  }
  if (what == "status" && *number <= static_cast<int>(TIdStatus::stReserved8)) {
    at.kind = DisconnectAt::Kind::kStatus;
    at.statusValue = static_cast<int>(*number);
    return at;
  }
  return std::nullopt;
}

bool ParseProxy(const std::string& text, Options& options) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  const auto port = NonNegativeInt(text.substr(colon + 1));
  if (!port || *port > 0xFFFF) return false;
  options.proxyHost = text.substr(0, colon);
  options.proxyPort = *port;
  return true;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const auto& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    const std::string value = hasValue ? arguments[i + 1] : std::string();
    auto takeInt = [&](std::optional<int>& into) {
      into = NonNegativeInt(value);
      return hasValue && into.has_value();
    };
    bool ok = true;
    bool tookValue = true;
    if (argument == "-o") {
      options.outputFile = value;
      ok = hasValue;
    } else if (argument == "--proxy") {
      ok = hasValue && ParseProxy(value, options);
    } else if (argument == "--proxy-user") {
      options.proxyUser = value;
      ok = hasValue;
    } else if (argument == "--proxy-pass") {
      options.proxyPass = value;
      ok = hasValue;
    } else if (argument == "--read-timeout") {
      ok = takeInt(options.readTimeout);
    } else if (argument == "--max-line") {
      ok = takeInt(options.maxLine);
    } else if (argument == "--redirect-max") {
      ok = takeInt(options.redirectMax);
    } else if (argument == "--recv-buffer") {
      ok = takeInt(options.recvBuffer) && *options.recvBuffer > 0;
    } else if (argument == "--disconnect-at") {
      const auto at = ParseDisconnectAt(value);
      ok = hasValue && at.has_value();
      if (ok) options.disconnectAt = *at;
    } else {
      tookValue = false;
      if (argument == "--split-lines") {
        options.splitLines = true;
      } else if (argument == "--no-redirects") {
        options.noRedirects = true;
      } else if (argument == "--http10") {
        options.http10 = true;
      } else if (argument == "--no-cookies") {
        options.noCookies = true;
      } else if (argument == "--events") {
        options.events = true;
      } else if (argument == "--show-response") {
        options.showResponse = true;
      } else if (argument.size() > 1 && argument[0] == '-') {
        return {std::nullopt, "unknown option " + argument};
      } else {
        options.urls.push_back(argument);
      }
    }
    if (!ok) return {std::nullopt, "bad or missing value for " + argument};
    if (tookValue) ++i;
  }
  if (options.urls.empty()) return {std::nullopt, "no URL given"};
  return {options, {}};
}
