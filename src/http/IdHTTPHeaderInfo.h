#pragma once
// The header fields of HTTP requests and responses, the proxy settings with their credential,
// and the preparation of a request's target.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "http/IdAuthentication.h"
#include "http/IdHeaderList.h"
#include "http/IdURI.h"

// A point in time as days since 1899-12-30 00:00 with the time of day as the fraction; here
// always in UTC. 0 stands for none.
using TDateTime = double;

TDateTime UnixToDateTime(std::int64_t unixSeconds);
// Whole seconds, held within the years 1 to 9999.
std::int64_t DateTimeToUnix(TDateTime value);
// The current time as a TDateTime.
TDateTime NowUTC();

enum class TIdHTTPProtocolVersion { pv1_0, pv1_1 };

// The fields that requests and responses share.
class TIdEntityHeaderInfo {
 public:
  TIdEntityHeaderInfo() = default;
  virtual ~TIdEntityHeaderInfo() = default;
  TIdEntityHeaderInfo(const TIdEntityHeaderInfo&) = delete;
  TIdEntityHeaderInfo& operator=(const TIdEntityHeaderInfo&) = delete;

  // Texts emptied, ContentLength -1, ranges and dates 0, RawHeaders emptied.
  virtual void Clear();

  const std::string& CacheControl() const { return cacheControl_; }
  void SetCacheControl(std::string value) { cacheControl_ = std::move(value); }
  const std::string& Connection() const { return connection_; }
  void SetConnection(std::string value) { connection_ = std::move(value); }
  const std::string& ContentEncoding() const { return contentEncoding_; }
  void SetContentEncoding(std::string value) { contentEncoding_ = std::move(value); }
  const std::string& ContentLanguage() const { return contentLanguage_; }
  void SetContentLanguage(std::string value) { contentLanguage_ = std::move(value); }
  // -1 when there is none.
  std::int64_t ContentLength() const { return contentLength_; }
  void SetContentLength(std::int64_t value) { contentLength_ = value; }
  bool HasContentLength() const { return contentLength_ >= 0; }
  std::uint64_t ContentRangeStart() const { return contentRangeStart_; }
  void SetContentRangeStart(std::uint64_t value) { contentRangeStart_ = value; }
  std::uint64_t ContentRangeEnd() const { return contentRangeEnd_; }
  void SetContentRangeEnd(std::uint64_t value) { contentRangeEnd_ = value; }
  const std::string& ContentType() const { return contentType_; }
  void SetContentType(std::string value) { contentType_ = std::move(value); }
  const std::string& ContentVersion() const { return contentVersion_; }
  void SetContentVersion(std::string value) { contentVersion_ = std::move(value); }
  TIdHeaderList& CustomHeaders() { return customHeaders_; }
  const TIdHeaderList& CustomHeaders() const { return customHeaders_; }
  TDateTime Date() const { return date_; }
  void SetDate(TDateTime value) { date_ = value; }
  TDateTime Expires() const { return expires_; }
  void SetExpires(TDateTime value) { expires_ = value; }
  TDateTime LastModified() const { return lastModified_; }
  void SetLastModified(TDateTime value) { lastModified_ = value; }
  const std::string& Pragma() const { return pragma_; }
  void SetPragma(std::string value) { pragma_ = std::move(value); }

  TIdHeaderList& RawHeaders() { return rawHeaders_; }
  const TIdHeaderList& RawHeaders() const { return rawHeaders_; }

 protected:
  // Sets the entity lines in their fixed order, each only when its field is set.
  void SetEntityHeaders();

 private:
  std::string cacheControl_;
  std::string connection_;
  std::string contentEncoding_;
  std::string contentLanguage_;
  std::int64_t contentLength_ = -1;
  std::uint64_t contentRangeStart_ = 0;
  std::uint64_t contentRangeEnd_ = 0;
  std::string contentType_;
  std::string contentVersion_;
  TIdHeaderList customHeaders_;
  TDateTime date_ = 0;
  TDateTime expires_ = 0;
  TDateTime lastModified_ = 0;
  std::string pragma_;
  TIdHeaderList rawHeaders_{TIdHeaderList::kRawHeadersFoldWidth};
};

class TIdRequestHeaderInfo : public TIdEntityHeaderInfo {
 public:
  static constexpr const char* kDefaultAccept = "text/html, */*";
  static constexpr const char* kDefaultUserAgent = "Mozilla/3.0 (compatible; update)";

  TIdRequestHeaderInfo();

  // Accept "text/html, */*", AcceptCharSet empty, the default user agent, BasicAuthentication
  // off, and the entity fields cleared; the other request fields stay.
  void Clear() override;

  // Rebuilds RawHeaders from the fields, in the fixed order up to "Authorization".
  void SetHeaders();

  const std::string& Accept() const { return accept_; }
  void SetAccept(std::string value) { accept_ = std::move(value); }
  const std::string& AcceptCharSet() const { return acceptCharSet_; }
  void SetAcceptCharSet(std::string value) { acceptCharSet_ = std::move(value); }
  const std::string& AcceptEncoding() const { return acceptEncoding_; }
  void SetAcceptEncoding(std::string value) { acceptEncoding_ = std::move(value); }
  const std::string& AcceptLanguage() const { return acceptLanguage_; }
  void SetAcceptLanguage(std::string value) { acceptLanguage_ = std::move(value); }
  bool BasicAuthentication() const { return basicAuthentication_; }
  void SetBasicAuthentication(bool value) { basicAuthentication_ = value; }
  const std::string& Host() const { return host_; }
  void SetHost(std::string value) { host_ = std::move(value); }
  const std::string& From() const { return from_; }
  void SetFrom(std::string value) { from_ = std::move(value); }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string value) { password_ = std::move(value); }
  const std::string& Referer() const { return referer_; }
  void SetReferer(std::string value) { referer_ = std::move(value); }
  const std::string& UserAgent() const { return userAgent_; }
  void SetUserAgent(std::string value) { userAgent_ = std::move(value); }
  const std::string& Username() const { return username_; }
  void SetUsername(std::string value) { username_ = std::move(value); }
  const std::string& ProxyConnection() const { return proxyConnection_; }
  void SetProxyConnection(std::string value) { proxyConnection_ = std::move(value); }

  // The request's credential object, or nullptr.
  TIdAuthentication* Authentication() const { return authentication_.get(); }
  void SetAuthentication(std::unique_ptr<TIdAuthentication> value) {
    authentication_ = std::move(value);
  }

 private:
  // The text of the "Authorization" line; makes the Basic credential when it is asked for.
  std::string AuthorizationText();

  std::string accept_;
  std::string acceptCharSet_;
  std::string acceptEncoding_;
  std::string acceptLanguage_;
  bool basicAuthentication_ = false;
  std::string host_;
  std::string from_;
  std::string password_;
  std::string referer_;
  std::string userAgent_;
  std::string username_;
  std::string proxyConnection_;
  std::unique_ptr<TIdAuthentication> authentication_;
};

class TIdResponseHeaderInfo : public TIdEntityHeaderInfo {
 public:
  TIdResponseHeaderInfo() = default;

  // The response fields, ResponseText and the entity fields emptied.
  void Clear() override;

  // Refreshes the fields from RawHeaders; an absent header empties its field. A
  // "Content-Range" number that is not decimal raises EConvertError.
  void ProcessHeaders();

  const std::string& Location() const { return location_; }
  void SetLocation(std::string value) { location_ = std::move(value); }
  const std::string& ProxyConnection() const { return proxyConnection_; }
  void SetProxyConnection(std::string value) { proxyConnection_ = std::move(value); }
  const std::string& Server() const { return server_; }
  void SetServer(std::string value) { server_ = std::move(value); }
  TIdHeaderList& WWWAuthenticate() { return wwwAuthenticate_; }
  const TIdHeaderList& WWWAuthenticate() const { return wwwAuthenticate_; }
  TIdHeaderList& ProxyAuthenticate() { return proxyAuthenticate_; }
  const TIdHeaderList& ProxyAuthenticate() const { return proxyAuthenticate_; }

  // The status line; setting it also sets ResponseCode and ResponseVersion.
  const std::string& ResponseText() const { return responseText_; }
  void SetResponseText(std::string value);
  // The number after the first word of the status line; -1 when it is none.
  int ResponseCode() const { return responseCode_; }
  // The version the status line names, when it reads "1.0" or "1.1".
  std::optional<TIdHTTPProtocolVersion> ResponseVersion() const { return responseVersion_; }

 private:
  void ProcessContentRange();
  void ProcessContentLength();
  void ProcessExpires();

  std::string location_;
  std::string proxyConnection_;
  std::string server_;
  TIdHeaderList wwwAuthenticate_;
  TIdHeaderList proxyAuthenticate_;
  std::string responseText_;
  int responseCode_ = -1;
  std::optional<TIdHTTPProtocolVersion> responseVersion_;
};

// The HTTP proxy to go through, and its credential.
class TIdProxyConnectionInfo {
 public:
  TIdProxyConnectionInfo() = default;
  TIdProxyConnectionInfo(const TIdProxyConnectionInfo&) = delete;
  TIdProxyConnectionInfo& operator=(const TIdProxyConnectionInfo&) = delete;

  const std::string& ProxyServer() const { return proxyServer_; }
  // A server that differs ignoring case frees the credential object.
  void SetProxyServer(std::string value);
  int ProxyPort() const { return proxyPort_; }
  // A different port frees the credential object.
  void SetProxyPort(int value);
  const std::string& ProxyUsername() const { return proxyUsername_; }
  void SetProxyUsername(std::string value) { proxyUsername_ = std::move(value); }
  const std::string& ProxyPassword() const { return proxyPassword_; }
  void SetProxyPassword(std::string value) { proxyPassword_ = std::move(value); }
  bool BasicAuthentication() const { return basicAuthentication_; }
  void SetBasicAuthentication(bool value) { basicAuthentication_ = value; }

  // The proxy credential object, or nullptr.
  TIdAuthentication* Authentication() const { return authentication_.get(); }
  void SetAuthentication(std::unique_ptr<TIdAuthentication> value) {
    authentication_ = std::move(value);
  }

  // Sets "Proxy-Authorization" when there is a credential object or BasicAuthentication is
  // set. Towards a proxy: the kept credential, made from ProxyUsername and ProxyPassword on
  // first use. Towards the server itself the proxy's secrets stay home: the line carries the
  // Basic credential of empty texts and the kept credential is left as it is.
  void SetHeaders(TIdHeaderList& headers, bool toProxy);

 private:
  std::string ProxyCredentialText();

  std::string proxyServer_;
  int proxyPort_ = 0;
  std::string proxyUsername_;
  std::string proxyPassword_;
  bool basicAuthentication_ = false;
  std::unique_ptr<TIdAuthentication> authentication_;
};

// Merges `url` into the current target and sets `url` to the target's path, document and
// params, and the request's Host and ContentLength (-1). A user name in `url` becomes the
// request's and the target's credential. Control characters in the target are percent-encoded.
// EIdUnknownProtocol (empty message) when neither the URL nor the target gives a port.
void PrepareRequest(TIdURI& target, TIdRequestHeaderInfo& request, std::string& url);
