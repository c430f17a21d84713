#include "http/IdHTTPHeaderInfo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "http/IdException.h"
#include "rtl/sysutils.h"

namespace {

using ::testing::ElementsAre;

constexpr std::int64_t kSample = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT

// ---- Request ------------------------------------------------------------------------------

TEST(TIdRequestHeaderInfo, StartsCleared) {
  const TIdRequestHeaderInfo request;
  EXPECT_EQ(request.Accept(), "text/html, */*");
  EXPECT_EQ(request.UserAgent(), TIdRequestHeaderInfo::kDefaultUserAgent);
  EXPECT_FALSE(request.BasicAuthentication());
  EXPECT_EQ(request.ContentLength(), -1);
  EXPECT_FALSE(request.HasContentLength());
  EXPECT_EQ(request.RawHeaders().FoldLength(), TIdHeaderList::kRawHeadersFoldWidth);
}

TEST(TIdRequestHeaderInfo, UpdateWindowRequestWritesHostAcceptAndUserAgentOnly) {
  TIdRequestHeaderInfo request;
  request.SetAccept("text/html, */*");
  request.SetUserAgent("Mozilla/3.0");
  request.SetBasicAuthentication(false);
  request.SetContentLength(0);
  TIdURI target;
  std::string url = "http://www.example.com/newupd.dat";
  PrepareRequest(target, request, url);
  request.SetHeaders();
  EXPECT_EQ(url, "/newupd.dat");
  EXPECT_THAT(request.RawHeaders().Lines(),
              ElementsAre("Host: www.example.com", "Accept: text/html, */*",
                          "User-Agent: Mozilla/3.0"));
}

TEST(TIdRequestHeaderInfo, WritesEveryFieldInTheFixedOrder) {
  TIdRequestHeaderInfo request;
  request.SetConnection("keep-alive");
  request.SetContentVersion("1");
  request.SetContentEncoding("gzip");
  request.SetContentLanguage("ru");
  request.SetContentType("text/plain");
  request.SetContentLength(5000000000);
  request.SetCacheControl("no-cache");
  request.SetDate(UnixToDateTime(kSample));
  request.SetExpires(UnixToDateTime(kSample + 60));
  request.SetLastModified(UnixToDateTime(kSample - 60));
  request.SetPragma("no-cache");
  request.CustomHeaders().Add("X-Custom: 1");
  request.SetProxyConnection("close");
  request.SetHost("h:81");
  request.SetAcceptCharSet("windows-1251");
  request.SetAcceptEncoding("identity");
  request.SetAcceptLanguage("ru");
  request.SetFrom("a@b");
  request.SetReferer("http://r/");
  request.SetUserAgent("Mozilla/3.0");
  request.SetContentRangeStart(5000000000);
  request.SetContentRangeEnd(6000000000);
  request.SetBasicAuthentication(true);
  request.SetUsername("user");
  request.SetPassword("pw");
  request.SetHeaders();
  EXPECT_THAT(request.RawHeaders().Lines(),
              ElementsAre("Connection: keep-alive", "Content-Version: 1",
                          "Content-Encoding: gzip", "Content-Language: ru",
                          "Content-Type: text/plain", "Content-Length: 5000000000",
                          "Cache-control: no-cache", "Date: Sun, 06 Nov 1994 08:49:37 GMT",
                          "Expires: Sun, 06 Nov 1994 08:50:37 GMT",
                          "Last-Modified: Sun, 06 Nov 1994 08:48:37 GMT", "Pragma: no-cache",
                          "X-Custom: 1", "Proxy-Connection: close", "Host: h:81",
                          "Accept: text/html, */*", "Accept-Charset: windows-1251",
                          "Accept-Encoding: identity", "Accept-Language: ru", "From: a@b",
                          "Referer: http://r/", "User-Agent: Mozilla/3.0",
                          "If-Modified-Since: Sun, 06 Nov 1994 08:48:37 GMT",
                          "Range: bytes=5000000000-6000000000",
                          "Authorization: Basic dXNlcjpwdw=="));
  ASSERT_NE(request.Authentication(), nullptr);
  EXPECT_EQ(request.Authentication()->Username(), "user");
}

TEST(TIdRequestHeaderInfo, RangeWithoutEndAndAnUnsetRangeLeaveItOpenOrOut) {
  const struct {
    std::uint64_t start, end;
    std::string range;
  } cases[] = {{100, 0, "bytes=100-"}, {0, 500, "bytes=0-500"}, {0, 0, ""}};
  for (const auto& c : cases) {
    TIdRequestHeaderInfo request;
    request.SetContentRangeStart(c.start);
    request.SetContentRangeEnd(c.end);
    request.SetHeaders();
    EXPECT_EQ(request.RawHeaders().Values("Range"), c.range);
  }
}

TEST(TIdRequestHeaderInfo, AnAttachedCredentialIsUsedAndKeptAcrossRequests) {
  TIdRequestHeaderInfo request;
  request.SetAuthentication(std::make_unique<TIdBasicAuthentication>());
  request.SetHeaders();
  EXPECT_EQ(request.RawHeaders().Values("Authorization"), "Basic Og==");
  request.SetUsername("late");
  request.SetBasicAuthentication(true);
  request.SetHeaders();
  EXPECT_EQ(request.RawHeaders().Values("Authorization"), "Basic Og==");
}

TEST(TIdRequestHeaderInfo, EmptyFieldsDoNotRemoveCustomLines) {
  TIdRequestHeaderInfo request;
  request.SetAccept("");
  request.CustomHeaders().Add("Accept: image/png");
  request.SetHeaders();
  EXPECT_EQ(request.RawHeaders().Values("Accept"), "image/png");
}

// ---- Preparing a request ------------------------------------------------------------------

struct PrepareCase {
  std::vector<std::string> earlier;  // URLs prepared before, on the same target
  std::string url;
  std::string requestUrl, host, protocol, port;
};

TEST(PrepareRequest, MergesTheUrlIntoTheCurrentTarget) {
  const PrepareCase cases[] = {
      {{}, "http://www.example.com/newupd.dat", "/newupd.dat", "www.example.com", "http", "80"},
      {{}, "http://host:8080/a/b?x=1", "/a/b?x=1", "host:8080", "http", "8080"},
      {{}, "HTTP://h/x", "/x", "h", "HTTP", "80"},
      {{}, "https://h/x", "/x", "h:443", "https", "443"},
      {{"http://h/a/b/c"}, "../x", "/a/x", "h", "http", "80"},
      {{"http://h:81/newupd.dat"}, "", "/", "h:81", "http", "81"},
      {{"http://h/a/"}, "http://g/z", "/z", "g", "http", "80"},
      {{"http://h/a/"}, "/abs/p?q", "/abs/p?q", "h", "http", "80"},
      {{"https://h/a/"}, "b", "/a/b", "h:443", "http", "443"},
      {{"http://h:81/"}, "ftp://g/x", "/x", "g:81", "ftp", "81"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    TIdURI target;
    TIdRequestHeaderInfo request;
    for (auto earlier : c.earlier) PrepareRequest(target, request, earlier);
    request.SetContentLength(0);
    std::string url = c.url;
    PrepareRequest(target, request, url);
    EXPECT_EQ(url, c.requestUrl);
    EXPECT_EQ(request.Host(), c.host);
    EXPECT_EQ(target.Protocol(), c.protocol);
    EXPECT_EQ(target.Port(), c.port);
    EXPECT_EQ(request.ContentLength(), -1);
  }
}

TEST(PrepareRequest, WithoutProtocolOrPortTheProtocolIsUnknown) {
  for (const std::string text : {"/x", "ftp://g/x", "relative"}) {
    SCOPED_TRACE(text);
    TIdURI target;
    TIdRequestHeaderInfo request;
    std::string url = text;
    try {
      PrepareRequest(target, request, url);
      ADD_FAILURE() << "no exception";
    } catch (const EIdUnknownProtocol& e) {
      EXPECT_EQ(e.Message(), "");
    }
  }
}

TEST(PrepareRequest, UserInformationBecomesTheRequestsCredential) {
  TIdURI target;
  TIdRequestHeaderInfo request;
  std::string url = "http://user:pw@h/x";
  PrepareRequest(target, request, url);
  EXPECT_EQ(request.Username(), "user");
  EXPECT_EQ(request.Password(), "pw");
  EXPECT_EQ(target.Username(), "user");
  url = "/y";
  PrepareRequest(target, request, url);
  EXPECT_EQ(request.Username(), "user");
  EXPECT_EQ(target.Password(), "pw");
}

TEST(PrepareRequest, ControlCharactersCannotInjectHeaderLines) {
  TIdURI target;
  TIdRequestHeaderInfo request;
  std::string url = "http://h\r\nX-Host: 1/a\r\nX-Evil: 1?q=\x01";
  PrepareRequest(target, request, url);
  EXPECT_EQ(url, "/a%0D%0AX-Evil: 1?q=%01");
  EXPECT_EQ(request.Host(), "h%0D%0AX-Host: 1");
  std::string location = "/p\nq";
  PrepareRequest(target, request, location);
  EXPECT_EQ(location, "/p%0Aq");
  target.SetPort("80");
  EXPECT_EQ(target.GetProxyRequestURI(), "http://h%0D%0AX-Host:80/p%0Aq");
  request.SetHeaders();
  for (const auto& line : request.RawHeaders().Lines()) {
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
  }
}

// ---- Response -----------------------------------------------------------------------------

std::unique_ptr<TIdResponseHeaderInfo> ResponseWith(std::vector<std::string> lines) {
  auto response = std::make_unique<TIdResponseHeaderInfo>();
  for (auto& line : lines) response->RawHeaders().Add(std::move(line));
  response->ProcessHeaders();
  return response;
}

TEST(TIdResponseHeaderInfo, ContentLengthFromSampleHeads) {
  const struct {
    std::vector<std::string> head;
    std::int64_t length;
  } cases[] = {
      {{}, -1},
      {{"Content-Length: 0"}, 0},
      {{"content-length:   1234  "}, 1234},
      {{"Content-Length: 5000000000"}, 5000000000},
      {{"Content-Length: 9223372036854775807"}, 9223372036854775807},
      {{"Content-Length: 9223372036854775808"}, -1},
      {{"Content-Length: 99999999999999999999"}, -1},
      {{"Content-Length: -5"}, -1},
      {{"Content-Length: +5"}, -1},
      {{"Content-Length: 0x10"}, -1},
      {{"Content-Length: abc"}, -1},
      {{"Content-Length: 12 34"}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.head.empty() ? "absent" : c.head.front());
    const auto response = ResponseWith(c.head);
    EXPECT_EQ(response->ContentLength(), c.length);
    EXPECT_EQ(response->HasContentLength(), c.length >= 0);
  }
}

TEST(TIdResponseHeaderInfo, ContentRangeReadsBothNumbers) {
  const struct {
    std::string range;
    std::uint64_t start, end;
  } cases[] = {
      {"", 0, 0},
      {"bytes 0-499/1234", 0, 499},
      {"bytes 5000000000-5999999999/6000000000", 5000000000, 5999999999},
      {"bytes 10-20", 10, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range);
    const auto response =
        c.range.empty() ? ResponseWith({}) : ResponseWith({"Content-Range: " + c.range});
    EXPECT_EQ(response->ContentRangeStart(), c.start);
    EXPECT_EQ(response->ContentRangeEnd(), c.end);
  }
}

TEST(TIdResponseHeaderInfo, ContentRangeNumberThatIsNotDecimalFailsTheConversion) {
  const struct {
    std::string range, message;
  } cases[] = {
      {"bytes x-5/10", "'x' is not a valid integer value"},
      {"bytes 1-a/5", "'a' is not a valid integer value"},
      {"bytes */1234", "'*/1234' is not a valid integer value"},
      {"bytes", "'' is not a valid integer value"},
      {"bytes 0x1-2/3", "'0x1' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range);
    TIdResponseHeaderInfo response;
    response.RawHeaders().Add("Content-Range: " + c.range);
    try {
      response.ProcessHeaders();
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(TIdResponseHeaderInfo, RefreshesFieldsAndEmptiesThoseOfAbsentHeaders) {
  TIdResponseHeaderInfo response;
  response.RawHeaders().SetText(
      "Location: http://elsewhere/x\r\nServer: test\r\nProxy-Connection: close\r\n"
      "Connection: keep-alive\r\nContent-Type: text/plain\r\nContent-Encoding: gzip\r\n"
      "Content-Language: ru\r\nContent-Version: 2\r\nPragma: no-cache\r\n"
      "WWW-Authenticate: Digest realm=x\r\nwww-authenticate: Basic realm=\"y\"\r\n"
      "Proxy-Authenticate: Basic realm=p\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
      "Last-Modified: Sunday, 06-Nov-94 08:49:37 GMT\r\nContent-Range: bytes 1-2/3\r\n");
  response.ProcessHeaders();
  EXPECT_EQ(response.Location(), "http://elsewhere/x");
  EXPECT_EQ(response.Server(), "test");
  EXPECT_EQ(response.ProxyConnection(), "close");
  EXPECT_EQ(response.Connection(), "keep-alive");
  EXPECT_EQ(response.ContentType(), "text/plain");
  EXPECT_EQ(response.ContentEncoding(), "gzip");
  EXPECT_EQ(response.ContentLanguage(), "ru");
  EXPECT_EQ(response.ContentVersion(), "2");
  EXPECT_EQ(response.Pragma(), "no-cache");
  EXPECT_THAT(response.WWWAuthenticate().Lines(),
              ElementsAre("Digest realm=x", "Basic realm=\"y\""));
  EXPECT_THAT(response.ProxyAuthenticate().Lines(), ElementsAre("Basic realm=p"));
  EXPECT_EQ(DateTimeToUnix(response.Date()), kSample);
  EXPECT_EQ(DateTimeToUnix(response.LastModified()), kSample);

  response.RawHeaders().Clear();
  response.RawHeaders().Add("Date: not a date");
  response.ProcessHeaders();
  EXPECT_EQ(response.Location(), "");
  EXPECT_EQ(response.Server(), "");
  EXPECT_EQ(response.ProxyConnection(), "");
  EXPECT_EQ(response.Connection(), "");
  EXPECT_EQ(response.ContentType(), "");
  EXPECT_EQ(response.WWWAuthenticate().Count(), 0);
  EXPECT_EQ(response.ProxyAuthenticate().Count(), 0);
  EXPECT_EQ(response.ContentRangeStart(), 0U);
  EXPECT_EQ(response.ContentRangeEnd(), 0U);
  EXPECT_EQ(response.Date(), 0);
  EXPECT_EQ(response.LastModified(), 0);
}

TEST(TIdResponseHeaderInfo, ExpiresIsSecondsFromNowOrADate) {
  const auto expiresOf = [](const std::string& value) {
    return ResponseWith({"Expires: " + value})->Expires();
  };
  const TDateTime now = NowUTC();
  const double hour = 1.0 / 24;
  EXPECT_NEAR(expiresOf("3600"), now + hour, 2.0 / 86400);
  EXPECT_NEAR(expiresOf("-7200"), now - 2 * hour, 2.0 / 86400);
  EXPECT_NEAR(expiresOf("0"), now, 2.0 / 86400);
  EXPECT_EQ(DateTimeToUnix(expiresOf("Sun, 06 Nov 1994 08:49:37 GMT")), kSample);
  EXPECT_EQ(DateTimeToUnix(expiresOf("Sun Nov  6 08:49:37 1994")), kSample);
  EXPECT_EQ(expiresOf("-1"), 0);
  EXPECT_EQ(expiresOf("garbage"), 0);
  EXPECT_EQ(ResponseWith({})->Expires(), 0);
  EXPECT_EQ(FormatHTTPDate(DateTimeToUnix(expiresOf("999999999999999999999999"))),
            "Fri, 31 Dec 9999 23:59:59 GMT");
  EXPECT_EQ(FormatHTTPDate(DateTimeToUnix(expiresOf("-999999999999999999999999"))),
            "Mon, 01 Jan 0001 00:00:00 GMT");
  EXPECT_TRUE(std::isfinite(expiresOf("9223372036854775807")));
}

TEST(TIdResponseHeaderInfo, ResponseCodeAndVersionFromTheStatusLine) {
  const struct {
    std::string line;
    int code;
    std::optional<TIdHTTPProtocolVersion> version;
  } cases[] = {
      {"HTTP/1.1 200 OK", 200, TIdHTTPProtocolVersion::pv1_1},
      {"HTTP/1.0 404 Not Found", 404, TIdHTTPProtocolVersion::pv1_0},
      {"HTTP/1.1   302   Found", 302, TIdHTTPProtocolVersion::pv1_1},
      {"HTTP/1.1 204", 204, TIdHTTPProtocolVersion::pv1_1},
      {"HTTP/1.1", -1, TIdHTTPProtocolVersion::pv1_1},
      {"HTTP/1.1 ", -1, TIdHTTPProtocolVersion::pv1_1},
      {"HTTP/1.1 abc", -1, TIdHTTPProtocolVersion::pv1_1},
      {"HTTP/1.1 0x1F Odd", -1, TIdHTTPProtocolVersion::pv1_1},
      {"HTTP/1.1 99999999999 Big", -1, TIdHTTPProtocolVersion::pv1_1},
      {"HTTP/2.0 200 OK", 200, std::nullopt},
      {"ICY 200 OK", 200, std::nullopt},
      {"", -1, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TIdResponseHeaderInfo response;
    response.SetResponseText(c.line);
    EXPECT_EQ(response.ResponseText(), c.line);
    EXPECT_EQ(response.ResponseCode(), c.code);
    EXPECT_EQ(response.ResponseVersion(), c.version);
  }
}

// ---- Proxy settings -----------------------------------------------------------------------

class ProxyParams : public ::testing::Test {
 protected:
  ProxyParams() {
    proxy.SetBasicAuthentication(true);
    proxy.SetProxyServer("proxy.local");
    proxy.SetProxyPort(3128);
    proxy.SetProxyUsername("u");
    proxy.SetProxyPassword("p");
  }

  std::string SentCredential(bool toProxy) {
    TIdHeaderList headers(TIdHeaderList::kRawHeadersFoldWidth);
    proxy.SetHeaders(headers, toProxy);
    return headers.Values("Proxy-Authorization");
  }

  TIdProxyConnectionInfo proxy;
};

TEST_F(ProxyParams, KeepsTheCredentialUntilServerOrPortChange) {
  EXPECT_EQ(SentCredential(true), "Basic dTpw");
  proxy.SetProxyPassword("new");
  EXPECT_EQ(SentCredential(true), "Basic dTpw");
  proxy.SetProxyServer("PROXY.local");
  EXPECT_EQ(SentCredential(true), "Basic dTpw");
  proxy.SetProxyPort(3128);
  EXPECT_EQ(SentCredential(true), "Basic dTpw");
  proxy.SetProxyPort(8080);
  EXPECT_EQ(proxy.Authentication(), nullptr);
  EXPECT_EQ(SentCredential(true), "Basic dTpuZXc=");
  proxy.SetProxyServer("other");
  EXPECT_EQ(proxy.Authentication(), nullptr);
}

TEST_F(ProxyParams, TheServerItselfGetsOnlyTheEmptyCredential) {
  EXPECT_EQ(SentCredential(false), "Basic Og==");
  EXPECT_EQ(proxy.Authentication(), nullptr);
  EXPECT_EQ(SentCredential(true), "Basic dTpw");
  EXPECT_EQ(SentCredential(false), "Basic Og==");
  ASSERT_NE(proxy.Authentication(), nullptr);
  EXPECT_EQ(proxy.Authentication()->Username(), "u");
  EXPECT_EQ(proxy.Authentication()->Password(), "p");
}

TEST_F(ProxyParams, NoLineWithoutCredentialOrBasicAuthentication) {
  proxy.SetBasicAuthentication(false);
  EXPECT_EQ(SentCredential(true), "");
  EXPECT_EQ(SentCredential(false), "");
  proxy.SetAuthentication(std::make_unique<TIdBasicAuthentication>());
  EXPECT_EQ(SentCredential(true), "Basic Og==");
}

}  // namespace
