#include "http/IdCookie.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "http/IdCookieManager.h"
#include "http/IdHeaderList.h"
#include "http/IdURI.h"
#include "rtl/sysutils.h"

namespace {

using ::testing::ElementsAre;

constexpr const char* kPast = "Sun, 06 Nov 1994 08:49:37 GMT";
constexpr const char* kFuture = "Fri, 31 Dec 9999 23:59:59 GMT";

TIdCookieRFC2109 Parsed(const std::string& text) {
  TIdCookieRFC2109 cookie;
  cookie.SetCookieText(text);
  return cookie;
}

TEST(Cookie, ReadsNameValueAndAttributesOfAnyCase) {
  const auto cookie = Parsed(
      "SID=31d4=x; path=\"/docs/\"; Domain=example.com; secure; Expires=" + std::string(kPast) +
      "; Version=1; comment=hello;");
  EXPECT_EQ(cookie.CookieName(), "SID");
  EXPECT_EQ(cookie.Value(), "31d4=x");
  EXPECT_EQ(cookie.Path(), "/docs/");
  EXPECT_EQ(cookie.Domain(), "example.com");
  EXPECT_TRUE(cookie.Secure());
  EXPECT_EQ(cookie.Expires(), kPast);
  EXPECT_EQ(cookie.Version(), "1");
  EXPECT_EQ(cookie.Comment(), "hello");
  EXPECT_EQ(cookie.MaxAge(), -1);
}

TEST(Cookie, MaxAgeWritesAnExpiryFromNowUnlessExpiresIsGiven) {
  const std::int64_t before = UnixNow();
  const auto cookie = Parsed("a=b; Max-Age=3600");
  const std::int64_t after = UnixNow();
  EXPECT_EQ(cookie.MaxAge(), 3600);
  const auto expiry = ParseHTTPDate(cookie.Expires());
  ASSERT_TRUE(expiry);
  EXPECT_GE(*expiry, before + 3600);
  EXPECT_LE(*expiry, after + 3600);

  EXPECT_EQ(Parsed("a=b; max-age=60; expires=" + std::string(kPast)).Expires(), kPast);
  EXPECT_EQ(Parsed("a=b; max-age=9223372036854775807").Expires(), kFuture);

  for (const char* invalid : {"a=b; max-age=abc", "a=b; max-age=-5", "a=b; max-age=0x10",
                              "a=b; max-age=99999999999999999999", "a=b; max-age"}) {
    SCOPED_TRACE(invalid);
    const auto other = Parsed(invalid);
    EXPECT_EQ(other.Expires(), "");
    EXPECT_LT(other.MaxAge(), 0);
  }
}

TEST(Cookie, Rfc2965ReadsItsAttributesAndThePortList) {
  TIdCookieRFC2965 cookie;
  cookie.SetCookieText("a=b; CommentURL=http://x/; Discard; Port=\"80, 8080\"");
  EXPECT_EQ(cookie.CommentURL(), "http://x/");
  EXPECT_TRUE(cookie.Discard());
  EXPECT_THAT(cookie.PortList(), ElementsAre(80, 8080));

  const struct {
    std::string text;
    std::vector<int> ports;
  } cases[] = {
      {"a=b", {80}},
      {"a=b; Port", {}},
      {"a=b; Port=80", {}},
      {"a=b; Port=\"", {}},
      {"a=b; Port=\"443\"", {443}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TIdCookieRFC2965 other;
    other.SetCookieText(c.text);
    EXPECT_EQ(other.PortList(), c.ports);
  }
}

TEST(Cookie, PortListItemThatIsNoNumberFailsTheConversion) {
  for (const auto& [text, message] :
       {std::pair{"a=b; Port=\"80,x81\"", "'x81' is not a valid integer value"},
        std::pair{"a=b; Port=\"80,,81\"", "'' is not a valid integer value"},
        std::pair{"a=b; Port=\"0x50\"", "'0x50' is not a valid integer value"}}) {
    SCOPED_TRACE(text);
    TIdCookieManager manager;
    try {
      manager.AddCookie2(text, "example.com");
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(manager.CookieCollection().Count(), 0);
  }
}

TEST(CookieManager, AcceptsADomainOnlyOnALabelBoundaryOfTheHost) {
  const struct {
    std::string domain;
    std::string host;
    bool accepted;
  } cases[] = {
      {"", "www.example.com", true},
      {"www.example.com", "www.example.com", true},
      {"example.com", "www.example.com", true},
      {"example.com", "badexample.com", false},
      {"ample.com", "example.com", false},
      {".example.com", "www.example.com", true},
      {".example.com", "example.com", false},
      {"other.com", "www.example.com", false},
      {"Example.com", "www.example.com", false},
      {"www.example.com", "example.com", false},
      {"127.0.0.1", "127.0.0.1", true},
      {"0.0.1", "127.0.0.1", false},
      {".EXAMPLE.com", ".example.com", true},
      {".example.com", "localhost", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.domain + " from " + c.host);
    TIdCookieManager manager;
    const std::string domain = c.domain.empty() ? "" : "; domain=" + c.domain;
    manager.AddCookie("n=v" + domain, c.host);
    EXPECT_EQ(manager.CookieCollection().Count(), c.accepted ? 1 : 0);
  }
}

TEST(CookieManager, OnNewCookieMayRefuse) {
  TIdCookieManager manager;
  std::vector<std::string> seen;
  manager.OnNewCookie = [&seen](TIdCookieManager&, TIdCookieRFC2109& cookie, bool& accept) {
    seen.push_back(cookie.CookieName() + "@" + cookie.Domain());
    accept = cookie.CookieName() != "refused";
  };
  manager.AddCookie("kept=1", "h.com");
  manager.AddCookie("refused=1", "h.com");
  manager.AddCookie("foreign=1; domain=other.com", "h.com");
  EXPECT_THAT(seen, ElementsAre("kept@h.com", "refused@h.com"));
  EXPECT_EQ(manager.CookieString(TIdURI("http://h.com/"), false), "kept=1");
}

TEST(CookieManager, SameNameDomainAndPathReplacesAnotherPathStaysBeside) {
  TIdCookieManager manager;
  manager.AddCookie("id=first; path=/", "h.com");
  manager.AddCookie("id=second; path=/", "h.com");
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
  EXPECT_EQ(manager.CookieString(TIdURI("http://h.com/"), false), "id=second");

  manager.AddCookie("id=deeper; path=/a/", "h.com");
  manager.AddCookie("ID=upper; path=/", "h.com");
  EXPECT_EQ(manager.CookieCollection().Count(), 3);
  EXPECT_EQ(manager.CookieCollection().GroupCount(), 2);
  EXPECT_EQ(manager.CookieString(TIdURI("http://h.com/a/"), false),
            "id=deeper; ID=upper; id=second");
}

TEST(CookieManager, WritesTheLongestPathFirstAndEqualPathsFromLastToFirst) {
  TIdCookieManager manager;
  manager.AddCookie("root=1; path=/", "h.com");
  manager.AddCookie("ab=3; path=/a/b/", "h.com");
  manager.AddCookie("a=2; path=/a/", "h.com");
  manager.AddCookie("a2=4; path=/a/", "h.com");
  EXPECT_EQ(manager.CookieString(TIdURI("http://h.com/a/b/page?x=1"), false),
            "ab=3; a2=4; a=2; root=1");
}

TEST(CookieManager, SendsAGroupOnlyToItsDomainAndBelowItsPath) {
  TIdCookieManager manager;
  manager.AddCookie("c=1; path=/a/", "a.com");
  const struct {
    std::string target;
    bool sent;
  } cases[] = {
      {"http://a.com/a/", true},
      {"http://A.COM/a/b/", true},
      {"http://www.a.com/a/", true},
      {"http://evila.com/a/", false},
      {"http://a.com.evil.net/a/", false},
      {"http://evil.net/xa.com/a/", false},
      {"http://evil.net/a.com/a/", false},
      {"http://a.com/", false},
      {"http://a.com/b/a/", false},
      {"http://a.com/A/", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(manager.CookieString(TIdURI(c.target), false), c.sent ? "c=1" : "");
  }
}

TEST(CookieManager, SecureCookieOnlyOverSecureConnectionsAndEmptyValueNever) {
  TIdCookieManager manager;
  manager.AddCookie("s=1; secure", "h.com");
  manager.AddCookie("empty=", "h.com");
  manager.AddCookie("bare", "h.com");
  EXPECT_EQ(manager.CookieCollection().Count(), 3);
  EXPECT_EQ(manager.CookieString(TIdURI("http://h.com/"), false), "");
  EXPECT_EQ(manager.CookieString(TIdURI("http://h.com/"), true), "s=1");
}

TEST(CookieManager, PurgesExpiredCookiesInEveryAcceptedDateForm) {
  const struct {
    std::string expires;
    bool kept;
  } cases[] = {
      {kPast, false},
      {"Sunday, 06-Nov-94 08:49:37 GMT", false},
      {"Sun Nov  6 08:49:37 1994", false},
      {kFuture, true},
      {"Friday, 31-Dec-60 23:59:59 GMT", true},
      {"Fri Dec 31 23:59:59 9999", true},
      {"last tuesday", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expires);
    TIdCookieManager manager;
    manager.AddCookie("e=1; expires=" + c.expires, "h.com");
    manager.AddCookie("plain=2", "h.com");
    EXPECT_EQ(manager.CookieCollection().Count(), 2);
    EXPECT_EQ(manager.CookieString(TIdURI("http://h.com/"), false),
              c.kept ? "plain=2; e=1" : "plain=2");
    EXPECT_EQ(manager.CookieCollection().Count(), c.kept ? 2 : 1);
  }
}

TEST(CookieManager, NeverFailsOnGarbage) {
  const std::string garbage[] = {
      "", ";", ";;;", "=", "==;==", "a", "a=b; expires=", "a=b; expires=;", "a=b; domain=",
      "a=b; path=\"", "a=b; path=", std::string("\0\xff;\r\n=\x01", 7),
      std::string(5000, ';'), "a=b; " + std::string(5000, '='),
      "a=b; expires=Sun, 99 Nov 1994 99:99:99 GMT", "a=b; max-age=-9223372036854775808",
      "a=b; domain=.", "a=b; domain=..", "a=b; Port=\"\"\"", "a=b; version; comment; secure=no"};
  for (const auto& text : garbage) {
    TIdCookieManager manager;
    EXPECT_NO_THROW(manager.AddCookie(text, "h.com"));
    EXPECT_NO_THROW(manager.AddCookie(text, "1.2.3.4"));
    EXPECT_NO_THROW(manager.AddCookie(text, ""));
    EXPECT_NO_THROW(static_cast<void>(manager.CookieString(TIdURI("http://h.com/"), false)));
    EXPECT_NO_THROW(static_cast<void>(manager.CookieString(TIdURI(""), false)));
  }
}

TEST(CookieManager, RaisesOnCreateWhenLoadedAndOnDestroyWhenFreed) {
  std::vector<std::string> events;
  {
    TIdCookieManager manager;
    manager.OnCreate = [&events](TIdCookieManager&, TIdCookies& cookies) {
      events.push_back("create " + IntToStr(cookies.Count()));
    };
    manager.OnDestroy = [&events](TIdCookieManager&, TIdCookies& cookies) {
      events.push_back("destroy " + IntToStr(cookies.Count()));
    };
    manager.Loaded();
    manager.AddCookie("a=1", "h.com");
    EXPECT_THAT(events, ElementsAre("create 0"));
  }
  EXPECT_THAT(events, ElementsAre("create 0", "destroy 1"));
}

TEST(CookieManager, ReadersAndAWriterMayWorkAtOnce) {
  TIdCookieManager manager;
  const TIdURI target("http://h.com/");
  std::thread writer([&manager] {
    for (int i = 0; i < 300; ++i) manager.AddCookie("c" + IntToStr(i) + "=1", "h.com");
  });
  std::thread reader([&manager, &target] {
    for (int i = 0; i < 300; ++i) static_cast<void>(manager.CookieString(target, false));
  });
  writer.join();
  reader.join();
  EXPECT_EQ(manager.CookieCollection().Count(), 300);
}

}  // namespace
