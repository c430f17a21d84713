#include "http/IdHTTPHeaderInfo.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "http/IdException.h"
#include "rtl/sysutils.h"

// ---- Date-times ----------------------------------------------------------------------------

namespace {

constexpr double kUnixEpochDay = 25569.0;  // 1970-01-01
constexpr double kSecondsPerDay = 86400.0;
constexpr TDateTime kFirstDateTime = -693593.0;  // 0001-01-01 00:00:00
constexpr TDateTime kLastDateTime = 2958465.0 + 86399.0 / 86400.0;  // 9999-12-31 23:59:59

TDateTime ClampDateTime(TDateTime value) {
  if (std::isnan(value)) return 0;
  return std::clamp(value, kFirstDateTime, kLastDateTime);
}

// 0 for a text that is no HTTP date.
TDateTime HTTPDateToDateTime(std::string_view text) {
  const auto seconds = ParseHTTPDate(text);
  return seconds ? UnixToDateTime(*seconds) : 0;
}

std::string DateTimeToHTTPDate(TDateTime value) { return FormatHTTPDate(DateTimeToUnix(value)); }

// Sets a line only for a field that is set, so that an empty field never removes a line
// that CustomHeaders brought in.
void SetWhenPresent(TIdHeaderList& headers, std::string_view name, const std::string& value) {
  if (!value.empty()) headers.SetValues(name, value);
}

void SetDateWhenPresent(TIdHeaderList& headers, std::string_view name, TDateTime value) {
  if (value != 0) headers.SetValues(name, DateTimeToHTTPDate(value));
}


bool IsWholeNumber(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

TDateTime UnixToDateTime(std::int64_t unixSeconds) {
  return ClampDateTime(kUnixEpochDay + static_cast<double>(unixSeconds) / kSecondsPerDay);
}

std::int64_t DateTimeToUnix(TDateTime value) {
  return std::llround((ClampDateTime(value) - kUnixEpochDay) * kSecondsPerDay);
}

TDateTime NowUTC() { return UnixToDateTime(UnixNow()); }

// ---- TIdEntityHeaderInfo -------------------------------------------------------------------

void TIdEntityHeaderInfo::Clear() {
  cacheControl_.clear();
  connection_.clear();
  contentEncoding_.clear();
  contentLanguage_.clear();
  contentLength_ = -1;
  contentRangeStart_ = 0;
  contentRangeEnd_ = 0;
  contentType_.clear();
  contentVersion_.clear();
  date_ = 0;
  expires_ = 0;
  lastModified_ = 0;
  pragma_.clear();
  rawHeaders_.Clear();
}

void TIdEntityHeaderInfo::SetEntityHeaders() {
  auto& headers = rawHeaders_;
  SetWhenPresent(headers, "Connection", connection_);
  SetWhenPresent(headers, "Content-Version", contentVersion_);
  SetWhenPresent(headers, "Content-Encoding", contentEncoding_);
  SetWhenPresent(headers, "Content-Language", contentLanguage_);
  SetWhenPresent(headers, "Content-Type", contentType_);
  if (HasContentLength()) headers.SetValues("Content-Length", IntToStr(contentLength_));
  SetWhenPresent(headers, "Cache-control", cacheControl_);
  SetDateWhenPresent(headers, "Date", date_);
  SetDateWhenPresent(headers, "Expires", expires_);
  SetDateWhenPresent(headers, "Last-Modified", lastModified_);
  SetWhenPresent(headers, "Pragma", pragma_);
}

// ---- TIdRequestHeaderInfo ------------------------------------------------------------------

TIdRequestHeaderInfo::TIdRequestHeaderInfo() { TIdRequestHeaderInfo::Clear(); }

void TIdRequestHeaderInfo::Clear() {
  accept_ = kDefaultAccept;
  acceptCharSet_.clear();
  userAgent_ = kDefaultUserAgent;
  basicAuthentication_ = false;
  TIdEntityHeaderInfo::Clear();
}

std::string TIdRequestHeaderInfo::AuthorizationText() {
  if (!authentication_ && basicAuthentication_) {
    auto basic = std::make_unique<TIdBasicAuthentication>();
    basic->SetUsername(username_);
    basic->SetPassword(password_);
    authentication_ = std::move(basic);
  }
  return authentication_ ? authentication_->Authentication() : std::string();
}

void TIdRequestHeaderInfo::SetHeaders() {
  auto& headers = RawHeaders();
  headers.Clear();
  SetEntityHeaders();
  headers.AddStrings(CustomHeaders());
  SetWhenPresent(headers, "Proxy-Connection", proxyConnection_);
  SetWhenPresent(headers, "Host", host_);
  SetWhenPresent(headers, "Accept", accept_);
  SetWhenPresent(headers, "Accept-Charset", acceptCharSet_);
  SetWhenPresent(headers, "Accept-Encoding", acceptEncoding_);
  SetWhenPresent(headers, "Accept-Language", acceptLanguage_);
  SetWhenPresent(headers, "From", from_);
  SetWhenPresent(headers, "Referer", referer_);
  SetWhenPresent(headers, "User-Agent", userAgent_);
  SetDateWhenPresent(headers, "If-Modified-Since", LastModified());
  if (ContentRangeStart() != 0 || ContentRangeEnd() != 0) {
    std::string range = "bytes=" + std::to_string(ContentRangeStart()) + "-";
    if (ContentRangeEnd() != 0) range += std::to_string(ContentRangeEnd());
    headers.SetValues("Range", range);
  }
  SetWhenPresent(headers, "Authorization", AuthorizationText());
}

// ---- TIdResponseHeaderInfo -----------------------------------------------------------------

void TIdResponseHeaderInfo::Clear() {
  TIdEntityHeaderInfo::Clear();
  location_.clear();
  proxyConnection_.clear();
  server_.clear();
  wwwAuthenticate_.Clear();
  proxyAuthenticate_.Clear();
  responseText_.clear();
  responseCode_ = -1;
  responseVersion_.reset();
}

void TIdResponseHeaderInfo::SetResponseText(std::string value) {
  responseText_ = std::move(value);
  std::string rest = responseText_;
  Fetch(rest, ' ');
  rest = Trim(rest);
  const auto code = TryDecimalToInt64(Fetch(rest, ' '));
  responseCode_ = code && *code >= std::numeric_limits<int>::min() &&
                          *code <= std::numeric_limits<int>::max()
                      ? static_cast<int>(*code)
                      : -1;
  const std::string version = Copy(responseText_, 6, 3);
  if (version == "1.0") {
    responseVersion_ = TIdHTTPProtocolVersion::pv1_0;
  } else if (version == "1.1") {
    responseVersion_ = TIdHTTPProtocolVersion::pv1_1;
  } else {
    responseVersion_.reset();
  }
}

void TIdResponseHeaderInfo::ProcessHeaders() {
  const auto& headers = RawHeaders();
  location_ = headers.Values("Location");
  server_ = headers.Values("Server");
  proxyConnection_ = headers.Values("Proxy-Connection");
  ProcessContentRange();
  wwwAuthenticate_.Clear();
  headers.Extract("WWW-Authenticate", wwwAuthenticate_);
  proxyAuthenticate_.Clear();
  headers.Extract("Proxy-Authenticate", proxyAuthenticate_);
  SetConnection(headers.Values("Connection"));
  SetContentVersion(headers.Values("Content-Version"));
  SetContentEncoding(headers.Values("Content-Encoding"));
  SetContentLanguage(headers.Values("Content-Language"));
  SetContentType(headers.Values("Content-Type"));
  ProcessContentLength();
  SetDate(HTTPDateToDateTime(headers.Values("Date")));
  SetLastModified(HTTPDateToDateTime(headers.Values("Last-Modified")));
  ProcessExpires();
  SetPragma(headers.Values("Pragma"));
}

void TIdResponseHeaderInfo::ProcessContentRange() {
  std::string range = RawHeaders().Values("Content-Range");
  if (range.empty()) {
    SetContentRangeStart(0);
    SetContentRangeEnd(0);
    return;
  }
  Fetch(range, ' ');
  SetContentRangeStart(DecimalToUInt64(Fetch(range, '-')));
  SetContentRangeEnd(DecimalToUInt64(Fetch(range, '/')));
}

void TIdResponseHeaderInfo::ProcessContentLength() {
  const auto length = TryDecimalToUInt64(Trim(RawHeaders().Values("Content-Length")));
  const bool fits =
      length && *length <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  SetContentLength(fits ? static_cast<std::int64_t>(*length) : -1);
}

void TIdResponseHeaderInfo::ProcessExpires() {
  const std::string expires = RawHeaders().Values("Expires");
  if (!IsWholeNumber(expires)) {
    SetExpires(HTTPDateToDateTime(expires));
    return;
  }
  const auto seconds = TryDecimalToInt64(expires);
  if (seconds == -1) {
    SetExpires(HTTPDateToDateTime(expires));
    return;
  }
  // A number too large for 64 bits still means "very far" in its direction.
  const double offset = seconds ? static_cast<double>(*seconds)
                        : expires.front() == '-' ? -std::numeric_limits<double>::max()
                                                 : std::numeric_limits<double>::max();
  SetExpires(ClampDateTime(NowUTC() + offset / kSecondsPerDay));
}

// ---- TIdProxyConnectionInfo ----------------------------------------------------------------

void TIdProxyConnectionInfo::SetProxyServer(std::string value) {
  if (!SameText(value, proxyServer_)) authentication_.reset();
  proxyServer_ = std::move(value);
}

void TIdProxyConnectionInfo::SetProxyPort(int value) {
  if (value != proxyPort_) authentication_.reset();
  proxyPort_ = value;
}

std::string TIdProxyConnectionInfo::ProxyCredentialText() {
  if (!authentication_ && basicAuthentication_) {
    auto basic = std::make_unique<TIdBasicAuthentication>();
    basic->SetUsername(proxyUsername_);
    basic->SetPassword(proxyPassword_);
    authentication_ = std::move(basic);
  }
  return authentication_ ? authentication_->Authentication() : std::string();
}

void TIdProxyConnectionInfo::SetHeaders(TIdHeaderList& headers, bool toProxy) {
  std::string text;
  if (toProxy) {
    text = ProxyCredentialText();
  } else if (authentication_ || basicAuthentication_) {
    text = TIdBasicAuthentication().Authentication();
  }
  SetWhenPresent(headers, "Proxy-Authorization", text);
}

// ---- Preparing a request -------------------------------------------------------------------

void PrepareRequest(TIdURI& target, TIdRequestHeaderInfo& request, std::string& url) {
  const TIdURI next(url);
  if (!next.Username().empty()) {
    request.SetUsername(next.Username());
    request.SetPassword(next.Password());
  }
  target.SetUsername(request.Username());
  target.SetPassword(request.Password());

  target.SetPath(TIdURI::MergePath(target.Path(), next.Path()));
  target.SetDocument(next.Document());
  target.SetParams(next.Params());
  if (!next.Host().empty()) target.SetHost(next.Host());
  target.SetProtocol(next.Protocol().empty() ? "http" : next.Protocol());
  if (!next.Port().empty()) {
    target.SetPort(next.Port());
  } else if (SameText(next.Protocol(), "http")) {
    target.SetPort("80");
  } else if (SameText(next.Protocol(), "https")) {
    target.SetPort("443");
  } else if (target.Port().empty()) {
    throw EIdUnknownProtocol("");
  }

  // Every piece that reaches the request line or the "Host" line.
  for (const auto& [get, set] : {std::pair{&TIdURI::Host, &TIdURI::SetHost},
                                 std::pair{&TIdURI::Port, &TIdURI::SetPort},
                                 std::pair{&TIdURI::Path, &TIdURI::SetPath},
                                 std::pair{&TIdURI::Document, &TIdURI::SetDocument},
                                 std::pair{&TIdURI::Params, &TIdURI::SetParams}}) {
    (target.*set)(TIdURI::PercentEncodeControls((target.*get)()));
  }

  url = target.GetPathAndParams();
  request.SetContentLength(-1);
  request.SetHost(target.Port() == "80" ? target.Host() : target.Host() + ":" + target.Port());
}
