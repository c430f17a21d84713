#pragma once
// The HTTP client: GET into a stream or as text, with redirects, credentials, cookies, a proxy
// and keep-alive connections.

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "http/IdCookieManager.h"
#include "http/IdHTTPHeaderInfo.h"
#include "http/IdTCPClient.h"
#include "http/IdURI.h"
#include "rtl/classes.h"

class TIdHTTP;

enum class TIdHTTPOption { hoInProcessAuth, hoKeepOrigProtocol, hoForceEncodeParams };
using TIdHTTPOptions = std::set<TIdHTTPOption>;

// How a request reaches its server: directly, or through the HTTP proxy.
enum class TIdHTTPConnectionType { ctNormal, ctProxy };

class TIdHTTPRequest : public TIdRequestHeaderInfo {
 public:
  // The text to fetch; after preparing, the path, document and params of the target.
  std::string URL;
  std::string Method = "GET";
  TIdHTTPConnectionType UseProxy = TIdHTTPConnectionType::ctNormal;
};

class TIdHTTPResponse : public TIdResponseHeaderInfo {
 public:
  explicit TIdHTTPResponse(TIdHTTP& owner) : owner_(owner) {}

  // Evaluated from the response held now: false when the connection is not open (a peer close
  // is noticed first); with HTTP/1.1 true unless "Connection" or "Proxy-Connection" says
  // close, with HTTP/1.0 true only when one of them says keep-alive.
  bool KeepAlive();

  // The stream that receives the body; not owned.
  TStream* ContentStream() const { return contentStream_; }
  void SetContentStream(TStream* stream) { contentStream_ = stream; }

 private:
  TIdHTTP& owner_;
  TStream* contentStream_ = nullptr;
};

// The request and the response of a client, reused by every request, and the steps of one
// message exchange.
class TIdHTTPProtocol {
 public:
  explicit TIdHTTPProtocol(TIdHTTP& owner);

  TIdHTTPRequest& Request() { return request_; }
  TIdHTTPResponse& Response() { return response_; }

  // Rebuilds the request head and sends it in one write; `requestTarget` is the text of the
  // request line.
  void BuildAndSendRequest(const std::string& requestTarget);
  // Reads the status line and the header lines into the response, skipping interim 100
  // responses, and stores their cookies.
  void RetrieveHeaders();
  // Reads the body the response announces into `stream`.
  void ReadResult(TStream& stream);

 private:
  void ReadChunked(TStream& stream);

  TIdHTTP& owner_;
  TIdHTTPRequest request_;
  TIdHTTPResponse response_;
};

class TIdHTTP : public TIdTCPClient {
 public:
  // The most lines and bytes of a response head (interim heads included) or of a chunked
  // body's trailer; past them the response fails with EIdException.
  static constexpr int kMaxHeadLines = 1000;
  static constexpr std::int64_t kMaxHeadBytes = 1 << 20;
  // The longest line accepted when MaxLineLength is 0.
  static constexpr std::int64_t kLineLimitWithoutMax = 1 << 20;
  // The most bytes of a redirect or error body that are read before the rest is abandoned
  // with the connection.
  static constexpr std::int64_t kScratchBodyLimit = 1 << 20;

  TIdHTTP();
  ~TIdHTTP() override;

  bool HandleRedirects() const { return handleRedirects_; }
  void SetHandleRedirects(bool value) { handleRedirects_ = value; }
  int RedirectMaximum() const { return redirectMaximum_; }
  void SetRedirectMaximum(int value) { redirectMaximum_ = value; }
  int AuthRetries() const { return authRetries_; }
  void SetAuthRetries(int value) { authRetries_ = value; }
  bool AllowCookies() const { return allowCookies_; }
  void SetAllowCookies(bool value) { allowCookies_ = value; }
  TIdHTTPProtocolVersion ProtocolVersion() const { return protocolVersion_; }
  void SetProtocolVersion(TIdHTTPProtocolVersion value) { protocolVersion_ = value; }
  const TIdHTTPOptions& HTTPOptions() const { return httpOptions_; }
  void SetHTTPOptions(TIdHTTPOptions value) { httpOptions_ = std::move(value); }
  int ConnectTimeout() const { return connectTimeout_; }
  void SetConnectTimeout(int value) { connectTimeout_ = value; }

  // The cookie store, or nullptr; one set from outside is not owned.
  TIdCookieManager* CookieManager() const { return cookieManager_; }
  void SetCookieManager(TIdCookieManager* manager);

  TIdProxyConnectionInfo& ProxyParams() { return proxyParams_; }
  TIdHTTPRequest& Request() { return protocol_.Request(); }
  TIdHTTPResponse& Response() { return protocol_.Response(); }
  // The current target: relative URLs resolve against it.
  const TIdURI& URL() const { return target_; }
  // Attempts of the Get under way, or of the last one.
  int RedirectCount() const { return redirectCount_; }

  // GETs `url` and writes the body into `stream` from its position on.
  void Get(const std::string& url, TStream& stream);
  // The same into a memory stream of its own; the body's bytes as they are.
  std::string Get(const std::string& url);

 private:
  friend class TIdHTTPProtocol;
  enum class TWhatsNext { wnGoToURL, wnJustExit };

  void DoRequest(const std::string& url, TStream& stream);
  void ConnectToTarget();
  std::string RequestLineTarget();
  TWhatsNext ProcessResponse();
  void DiscardRedirectBody();
  [[noreturn]] void RaiseProtocolException();
  void RefuseUnauthorized();
  void RefuseProxyUnauthorized();
  void StoreCookies();
  // A line of the protocol: under MaxLineLength, or kLineLimitWithoutMax when that is 0.
  std::string ReadProtocolLine();

  bool handleRedirects_ = false;
  int redirectMaximum_ = 15;
  int authRetries_ = 3;
  bool allowCookies_ = true;
  TIdHTTPProtocolVersion protocolVersion_ = TIdHTTPProtocolVersion::pv1_1;
  TIdHTTPOptions httpOptions_{TIdHTTPOption::hoForceEncodeParams};
  int connectTimeout_ = 0;
  TIdCookieManager* cookieManager_ = nullptr;
  std::unique_ptr<TIdCookieManager> ownedCookieManager_;
  TIdProxyConnectionInfo proxyParams_;
  TIdURI target_;
  int redirectCount_ = 0;
  // Between sending a request and having read all of its response.
  bool responsePending_ = false;
  TIdHTTPProtocol protocol_;
};
