// httpget: the command-line face of the HTTP client, configured as the update window's client.

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "http/IdException.h"
#include "http/IdHTTP.h"
#include "options.h"
#include "rtl/classes.h"
#include "rtl/sysutils.h"

namespace {

// One record is one line: CR and LF are written as \r and \n.
void Report(std::string_view text) {
  std::string line;
  for (char c : text) {
    if (c == '\r') {
      line += "\\r";
    } else if (c == '\n') {
      line += "\\n";
    } else {
      line += c;
    }
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
}

const char* ModeName(TWorkMode mode) { return mode == TWorkMode::wkRead ? "read" : "write"; }

void ConfigureAsUpdateWindow(TIdHTTP& http) {
  http.SetHandleRedirects(true);
  http.SetRedirectMaximum(15);
  http.SetAuthRetries(3);
  http.SetAllowCookies(true);
  http.SetProtocolVersion(TIdHTTPProtocolVersion::pv1_1);
  http.Request().SetAccept("text/html, */*");
  http.Request().SetUserAgent("Mozilla/3.0");
  http.Request().SetBasicAuthentication(false);
  http.ProxyParams().SetBasicAuthentication(true);
  http.ProxyParams().SetProxyPort(0);
  http.SetRecvBufferSize(128000);
  http.SetReadTimeout(0);
  http.SetMaxLineLength(16384);
  http.SetMaxLineAction(TIdMaxLineAction::maException);
  http.SetConnectTimeout(0);
}

void ApplyOptions(const Options& options, TIdHTTP& http) {
  if (options.proxyHost) {
    http.ProxyParams().SetProxyServer(*options.proxyHost);
    http.ProxyParams().SetProxyPort(options.proxyPort);
  }
  if (options.proxyUser) http.ProxyParams().SetProxyUsername(*options.proxyUser);
  if (options.proxyPass) http.ProxyParams().SetProxyPassword(*options.proxyPass);
  if (options.readTimeout) http.SetReadTimeout(*options.readTimeout);
  if (options.maxLine) http.SetMaxLineLength(*options.maxLine);
  if (options.splitLines) http.SetMaxLineAction(TIdMaxLineAction::maSplit);
  if (options.noRedirects) http.SetHandleRedirects(false);
  if (options.redirectMax) http.SetRedirectMaximum(*options.redirectMax);
  if (options.http10) http.SetProtocolVersion(TIdHTTPProtocolVersion::pv1_0);
  if (options.noCookies) http.SetAllowCookies(false);
  if (options.recvBuffer) http.SetRecvBufferSize(*options.recvBuffer);
}

// Calls Disconnect from inside the first event that matches, once.
class Canceller {
 public:
  Canceller(TIdHTTP& http, DisconnectAt at) : http_(http), at_(at) {}

  void OnStatus(TIdStatus status, const std::string& text) {
    const bool matches =
        (at_.kind == DisconnectAt::Kind::kStatus && static_cast<int>(status) == at_.statusValue) ||
        (at_.kind == DisconnectAt::Kind::kChunk && status == TIdStatus::stStatusText &&
         text == "Chunk Started");
    if (matches) Fire();
  }
  void OnWork(std::int64_t count) {
    if (at_.kind == DisconnectAt::Kind::kWork && count >= at_.workCount) Fire();
  }

 private:
  void Fire() {
    if (fired_) return;
    fired_ = true;
    http_.Disconnect();
  }

  TIdHTTP& http_;
  DisconnectAt at_;
  bool fired_ = false;
};

void AttachEvents(TIdHTTP& http, bool report, Canceller& canceller) {
  http.OnStatus = [report, &canceller](TIdComponent&, TIdStatus status, const std::string& text) {
    if (report) Report("status " + std::to_string(static_cast<int>(status)) + " " + text);
    canceller.OnStatus(status, text);
  };
  http.OnWorkBegin = [report](TIdComponent&, TWorkMode mode, std::int64_t max) {
    if (report) Report(std::string("begin ") + ModeName(mode) + " " + std::to_string(max));
  };
  http.OnWork = [report, &canceller](TIdComponent&, TWorkMode mode, std::int64_t count) {
    if (report) Report(std::string("work ") + ModeName(mode) + " " + std::to_string(count));
    canceller.OnWork(count);
  };
  http.OnWorkEnd = [report](TIdComponent&, TWorkMode mode) {
    if (report) Report(std::string("end ") + ModeName(mode));
  };
}

void ReportFailure() {
  try {
    throw;
  } catch (const EIdHTTPProtocolException& e) {
    Report(std::string("error ") + e.ClassName() + ": " + e.Message());
    Report("error-code " + std::to_string(e.ErrorCode()));
  } catch (const Exception& e) {
    Report(std::string("error ") + e.ClassName() + ": " + e.Message());
  } catch (const std::exception& e) {
    Report(std::string("error std::exception: ") + e.what());
  }
}

// True when the URL was fetched.
bool Fetch(TIdHTTP& http, const std::string& url, TStream* file) {
  try {
    if (file != nullptr) {
      http.Get(url, *file);
    } else {
      const auto body = http.Get(url);
      std::fwrite(body.data(), 1, body.size(), stdout);
      std::fflush(stdout);
    }
    return true;
  } catch (...) {
    ReportFailure();
    return false;
  }
}

int Run(const Options& options) {
  TIdHTTP http;
  ConfigureAsUpdateWindow(http);
  ApplyOptions(options, http);
  Canceller canceller(http, options.disconnectAt);
  AttachEvents(http, options.events, canceller);

  std::unique_ptr<TFileStream> file;
  if (options.outputFile) {
    try {
      file = std::make_unique<TFileStream>(*options.outputFile, TFileMode::fmCreate);
    } catch (...) {
      ReportFailure();
      return 1;
    }
  }
  bool allFetched = true;
  for (const auto& url : options.urls) {
    allFetched = Fetch(http, url, file.get()) && allFetched;
    if (options.showResponse) {
      Report("response " + std::to_string(http.Response().ResponseCode()) + " " +
             http.Response().ResponseText());
    }
  }
  return allFetched ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = ParseCommandLine(arguments);
  if (!parsed.options) {
    Report("httpget: " + parsed.error);
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    return Run(*parsed.options);
  } catch (...) {
    ReportFailure();
    return 1;
  }
}
