#include "http/IdHTTP.h"

#include <algorithm>
#include <limits>

#include "http/IdException.h"
#include "rtl/sysutils.h"

namespace {

// Sets a connection's ReadTimeout for a block and puts the old value back on every way out.
class ReadTimeoutScope {
 public:
  ReadTimeoutScope(TIdTCPConnection& connection, int timeout)
      : connection_(connection), saved_(connection.ReadTimeout()) {
    connection_.SetReadTimeout(timeout);
  }
  ~ReadTimeoutScope() { connection_.SetReadTimeout(saved_); }
  ReadTimeoutScope(const ReadTimeoutScope&) = delete;
  ReadTimeoutScope& operator=(const ReadTimeoutScope&) = delete;

 private:
  TIdTCPConnection& connection_;
  int saved_;
};

// Raised by a ScratchStream that is full.
DECLARE_EXCEPTION(EScratchFull, Exception);

// Keeps at most a limit of bytes; a body that would pass it fails the read with EScratchFull.
// A limit of 0 keeps nothing at all: only the position and size are tracked.
class ScratchStream : public TStream {
 public:
  ScratchStream(std::int64_t limit, bool keep) : limit_(limit), keep_(keep) {}

  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (count <= 0) return 0;
    if (written_ + count > limit_) throw EScratchFull("scratch body limit");
    if (keep_) kept_.Write(buffer, count);
    written_ += count;
    position_ += count;
    size_ = std::max(size_, position_);
    return count;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? position_
                                                                 : size_;
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
  }
  void SetSize(std::int64_t size) override {
    size_ = std::max<std::int64_t>(0, size);
    position_ = std::min(position_, size_);
  }

  std::string Text() const { return kept_.DataString(); }

 private:
  std::int64_t limit_;
  bool keep_;
  TMemoryStream kept_;
  std::int64_t written_ = 0;
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
};

// Counts the lines and bytes of a head against the limits.
class HeadBudget {
 public:
  void Count(const std::string& line) {
    ++lines_;
    bytes_ += static_cast<std::int64_t>(line.size()) + 2;
    if (lines_ > TIdHTTP::kMaxHeadLines || bytes_ > TIdHTTP::kMaxHeadBytes) {
      throw EIdException("Response head too large.");
    }
  }

 private:
  int lines_ = 0;
  std::int64_t bytes_ = 0;
};

std::int64_t ChunkSize(const std::string& line) {
  const auto blank = line.find(' ');
  return TryHexToInt64(line.substr(0, blank)).value_or(0);
}

}  // namespace

// ---- TIdHTTPResponse ------------------------------------------------------------------------

bool TIdHTTPResponse::KeepAlive() {
  if (!owner_.Connected()) return false;
  const auto connection = Trim(Connection());
  const auto proxyConnection = Trim(ProxyConnection());
  if (owner_.ProtocolVersion() == TIdHTTPProtocolVersion::pv1_1) {
    return !SameText(connection, "CLOSE") && !SameText(proxyConnection, "CLOSE");
  }
  return SameText(connection, "KEEP-ALIVE") || SameText(proxyConnection, "KEEP-ALIVE");
}

// ---- TIdHTTPProtocol ------------------------------------------------------------------------

TIdHTTPProtocol::TIdHTTPProtocol(TIdHTTP& owner) : owner_(owner), response_(owner) {}

void TIdHTTPProtocol::BuildAndSendRequest(const std::string& requestTarget) {
  request_.SetHeaders();
  owner_.ProxyParams().SetHeaders(request_.RawHeaders(),
                                  request_.UseProxy == TIdHTTPConnectionType::ctProxy);
  if (auto* cookies = owner_.CookieManager()) {
    const auto value = cookies->CookieString(owner_.URL(), false);
    if (!value.empty()) request_.RawHeaders().SetValues("Cookie", value);
  }
  const bool http11 = owner_.ProtocolVersion() == TIdHTTPProtocolVersion::pv1_1;
  owner_.OpenWriteBuffer();
  try {
    owner_.WriteLine(request_.Method + " " + requestTarget + " HTTP/" + (http11 ? "1.1" : "1.0"));
    for (const auto& line : request_.RawHeaders().Lines()) {
      if (!line.empty()) owner_.WriteLine(line);
    }
    owner_.WriteLine("");
  } catch (...) {
    owner_.CancelWriteBuffer();
    throw;
  }
  owner_.CloseWriteBuffer();
}

void TIdHTTPProtocol::RetrieveHeaders() {
  HeadBudget budget;
  do {
    const auto statusLine = owner_.ReadProtocolLine();
    budget.Count(statusLine);
    response_.SetResponseText(statusLine);
    response_.RawHeaders().Clear();
    try {
      for (;;) {
        auto line = owner_.ReadProtocolLine();
        budget.Count(line);
        if (line.empty()) break;
        response_.RawHeaders().Add(std::move(line));
      }
    } catch (const EIdConnClosedGracefully&) {
      // The lines read before the close are the whole head.
      owner_.Disconnect();
    }
    response_.ProcessHeaders();
    owner_.StoreCookies();
  } while (response_.ResponseCode() == 100);
}

void TIdHTTPProtocol::ReadResult(TStream& stream) {
  // A chunked body is framed by its chunks whatever "Content-Length" claims.
  if (Pos("chunked", response_.RawHeaders().Values("Transfer-Encoding")) > 0) {
    ReadChunked(stream);
  } else if (response_.ContentLength() > 0) {
    try {
      owner_.ReadToStream(stream, response_.ContentLength());
    } catch (const EIdConnClosedGracefully&) {
      // A counted body cut short keeps what arrived.
    }
  } else if (!response_.HasContentLength()) {
    owner_.ReadToStream(stream, TIdTCPConnection::kUntilClose);
  }
}

void TIdHTTPProtocol::ReadChunked(TStream& stream) {
  owner_.DoStatus(TIdStatus::stStatusText, "Chunk Started");
  auto size = ChunkSize(owner_.ReadProtocolLine());
  while (size > 0) {
    owner_.ReadToStream(stream, size);
    owner_.ReadProtocolLine();
    size = ChunkSize(owner_.ReadProtocolLine());
  }
  // The trailer, up to its empty line, so that a kept connection is left at the next response.
  HeadBudget budget;
  for (;;) {
    const auto line = owner_.ReadProtocolLine();
    budget.Count(line);
    if (line.empty()) break;
  }
}

// ---- TIdHTTP --------------------------------------------------------------------------------

TIdHTTP::TIdHTTP() : protocol_(*this) { SetPort(80); }

TIdHTTP::~TIdHTTP() = default;

void TIdHTTP::SetCookieManager(TIdCookieManager* manager) {
  if (manager == cookieManager_) return;
  cookieManager_ = manager;
  if (ownedCookieManager_.get() != manager) ownedCookieManager_.reset();
}

std::string TIdHTTP::ReadProtocolLine() {
  // A Disconnect (the Cancel button) ends a framed body at its next line, even when the rest
  // of it already waits in the buffer.
  if (IOHandler() == nullptr) throw EIdNotConnected("Not Connected");
  if (MaxLineLength() > 0) return ReadLine();
  return ReadLine(kLineLimitWithoutMax, TIdMaxLineAction::maException);
}

std::string TIdHTTP::Get(const std::string& url) {
  TMemoryStream stream;
  Get(url, stream);
  return stream.DataString();
}

void TIdHTTP::Get(const std::string& url, TStream& stream) { DoRequest(url, stream); }

void TIdHTTP::DoRequest(const std::string& url, TStream& stream) {
  auto& request = Request();
  auto& response = Response();
  const auto startPosition = stream.Position();
  // Every Get has the whole redirect budget, whatever the last one spent.
  redirectCount_ = 0;
  responsePending_ = false;
  request.URL = url;
  request.Method = "GET";
  response.SetContentStream(&stream);
  try {
    for (;;) {
      ++redirectCount_;
      PrepareRequest(target_, request, request.URL);
      ConnectToTarget();
      responsePending_ = true;
      protocol_.BuildAndSendRequest(RequestLineTarget());
      protocol_.RetrieveHeaders();
      if (ProcessResponse() == TWhatsNext::wnJustExit) break;
      stream.SetSize(startPosition);
      stream.SetPosition(startPosition);
    }
  } catch (...) {
    // A failure in the middle of a response leaves the rest of it on the connection, where
    // it would be read as the next response.
    if (responsePending_ || !response.KeepAlive()) Disconnect();
    throw;
  }
  if (!response.KeepAlive()) Disconnect();
}

void TIdHTTP::ConnectToTarget() {
  auto& request = Request();
  if (proxyParams_.ProxyServer().empty()) {
    const int port = StrToInt(target_.Port());
    if (!SameText(Host(), target_.Host()) || Port() != port) {
      Disconnect();
      SetHost(target_.Host());
      SetPort(port);
    }
    request.UseProxy = TIdHTTPConnectionType::ctNormal;
  } else {
    if ((!SameText(Host(), proxyParams_.ProxyServer()) || Port() != proxyParams_.ProxyPort()) &&
        Connected()) {
      Disconnect();
    }
    SetHost(proxyParams_.ProxyServer());
    SetPort(proxyParams_.ProxyPort());
    request.UseProxy = TIdHTTPConnectionType::ctProxy;
  }
  if (request.UseProxy == TIdHTTPConnectionType::ctNormal && SameText(target_.Protocol(), "https")) {
    throw EIdIOHandlerPropInvalid("IOHandler value is not valid");
  }
  if (protocolVersion_ == TIdHTTPProtocolVersion::pv1_0 && request.Connection().empty()) {
    if (request.UseProxy == TIdHTTPConnectionType::ctNormal) {
      request.SetConnection("keep-alive");
    } else {
      request.SetProxyConnection("keep-alive");
    }
  }
  if (!Response().KeepAlive()) Disconnect();
  PollForPeerClose();
  if (!Connected()) Connect(connectTimeout_);
}

std::string TIdHTTP::RequestLineTarget() {
  if (Request().UseProxy == TIdHTTPConnectionType::ctNormal) return Request().URL;
  return TIdURI::PercentEncodeControls(target_.GetProxyRequestURI());
}

TIdHTTP::TWhatsNext TIdHTTP::ProcessResponse() {
  auto& response = Response();
  const int code = response.ResponseCode();
  const int kind = code / 100;
  if ((kind == 3 && code != 304) || !response.Location().empty()) {
    // A chain that outlives its budget is a failure, not an empty success.
    if (!handleRedirects_ || redirectCount_ >= redirectMaximum_) RaiseProtocolException();
    if (Connected()) DiscardRedirectBody();
    responsePending_ = false;
    Request().URL = response.Location();
    return TWhatsNext::wnGoToURL;
  }
  if (kind != 2) {
    if (code == 401) RefuseUnauthorized();
    if (code == 407) RefuseProxyUnauthorized();
    RaiseProtocolException();
  }
  if (!Connected()) throw EIdException("Undefined situation");
  if (code != 204) protocol_.ReadResult(*response.ContentStream());
  responsePending_ = false;
  return TWhatsNext::wnJustExit;
}

void TIdHTTP::DiscardRedirectBody() {
  const ReadTimeoutScope timeout(*this, 4000);
  ScratchStream scratch(kScratchBodyLimit, false);
  try {
    protocol_.ReadResult(scratch);
  } catch (...) {
    // The body is not needed; but what is left of it must not be read as the next response.
    Disconnect();
  }
}

void TIdHTTP::RaiseProtocolException() {
  auto& response = Response();
  std::string body;
  {
    const ReadTimeoutScope timeout(*this, 2000);
    ScratchStream scratch(kScratchBodyLimit, true);
    try {
      protocol_.ReadResult(scratch);
    } catch (const EScratchFull&) {
      // Enough of the error text; the rest goes with the connection.
      Disconnect();
    }
    body = scratch.Text();
  }
  responsePending_ = false;
  throw EIdHTTPProtocolException(response.ResponseText(), response.ResponseCode(), body);
}

void TIdHTTP::RefuseUnauthorized() {
  auto& request = Request();
  if (request.Authentication() != nullptr &&
      request.Authentication()->AuthRetries() >= authRetries_) {
    return;
  }
  if (request.Authentication() == nullptr) {
    request.SetAuthentication(CreateAuthenticationForChallenges(Response().WWWAuthenticate()));
  }
  if (auto* credential = request.Authentication()) credential->Reset();
}

void TIdHTTP::RefuseProxyUnauthorized() {
  auto* credential = proxyParams_.Authentication();
  if (credential != nullptr && credential->AuthRetries() >= authRetries_) return;
  if (credential == nullptr) {
    proxyParams_.SetAuthentication(
        CreateAuthenticationForChallenges(Response().ProxyAuthenticate()));
  }
  if (auto* kept = proxyParams_.Authentication()) {
    kept->Reset();
    proxyParams_.SetProxyUsername("");
    proxyParams_.SetProxyPassword("");
  }
}

void TIdHTTP::StoreCookies() {
  if (allowCookies_ && cookieManager_ == nullptr) {
    ownedCookieManager_ = std::make_unique<TIdCookieManager>();
    ownedCookieManager_->Loaded();
    cookieManager_ = ownedCookieManager_.get();
  }
  if (cookieManager_ == nullptr) return;
  const auto& headers = Response().RawHeaders();
  TStringList values;
  headers.Extract("Set-cookie", values);
  for (const auto& value : values.Lines()) cookieManager_->AddCookie(value, target_.Host());
  values.Clear();
  headers.Extract("Set-cookie2", values);
  for (const auto& value : values.Lines()) cookieManager_->AddCookie2(value, target_.Host());
}
