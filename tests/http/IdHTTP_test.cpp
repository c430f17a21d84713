#include "http/IdHTTP.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "http/IdException.h"
#include "support/loopback_server.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using support::LoopbackServer;
using support::Script;
using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Ok(const std::string& body, const std::string& extra = "") {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra +
         "\r\n" + body;
}

std::string Redirect(const std::string& location, const std::string& extra = "") {
  return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n" + extra +
         "\r\n";
}

// The update window's client, with every event written down.
class HttpTest : public ::testing::Test {
 protected:
  void SetUp() override { descriptorsBefore_ = support::OpenDescriptorCount(); }
  void TearDown() override {
    http_.reset();
    server_.reset();
    EXPECT_EQ(support::OpenDescriptorCount(), descriptorsBefore_) << "a descriptor leaked";
  }

  TIdHTTP& Serve(std::vector<Script> scripts) {
    server_ = std::make_unique<LoopbackServer>(std::move(scripts));
    http_ = std::make_unique<TIdHTTP>();
    auto& http = *http_;
    http.SetHandleRedirects(true);
    http.ProxyParams().SetBasicAuthentication(true);
    http.ProxyParams().SetProxyPort(0);
    http.Request().SetAccept("text/html, */*");
    http.Request().SetUserAgent("Mozilla/3.0");
    http.SetRecvBufferSize(128000);
    http.OnStatus = [this](TIdComponent&, TIdStatus status, const std::string& text) {
      log.push_back("status " + std::to_string(static_cast<int>(status)) + " " + text);
      if (onStatus) onStatus(status, text);
    };
    http.OnWorkBegin = [this](TIdComponent&, TWorkMode, std::int64_t max) {
      log.push_back("begin " + std::to_string(max));
    };
    http.OnWork = [this](TIdComponent&, TWorkMode, std::int64_t count) {
      log.push_back("work " + std::to_string(count));
      if (onWork) onWork(count);
    };
    http.OnWorkEnd = [this](TIdComponent&, TWorkMode) { log.push_back("end"); };
    return http;
  }

  std::string Url(const std::string& path) const { return server_->Url(path); }
  std::string HostLine() const { return "Host: 127.0.0.1:" + std::to_string(server_->Port()); }
  std::string Head(const std::string& requestLine, const std::string& extra = "") const {
    return requestLine + "\r\n" + HostLine() +
           "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0\r\n"
           "Proxy-Authorization: Basic Og==\r\n" +
           extra + "\r\n";
  }

  std::unique_ptr<LoopbackServer> server_;
  std::unique_ptr<TIdHTTP> http_;
  std::vector<std::string> log;
  std::function<void(TIdStatus, const std::string&)> onStatus;
  std::function<void(std::int64_t)> onWork;

 private:
  int descriptorsBefore_ = 0;
};

// ---- Request heads --------------------------------------------------------------------------

TEST_F(HttpTest, DirectHeadKeepsTheProxySecretsHome) {
  auto& http = Serve({Script::Answer(Ok("list"))});
  http.ProxyParams().SetProxyUsername("user");
  http.ProxyParams().SetProxyPassword("secret");
  EXPECT_EQ(http.Get(Url("/newupd.dat")), "list");
  EXPECT_EQ(server_->Received(0), Head("GET /newupd.dat HTTP/1.1"));
}

TEST_F(HttpTest, ProxyHeadCarriesTheAbsoluteTargetAndTheCredential) {
  auto& http = Serve({Script::Answer(Ok("via proxy"))});
  http.ProxyParams().SetProxyServer("127.0.0.1");
  http.ProxyParams().SetProxyPort(server_->Port());
  http.ProxyParams().SetProxyUsername("user");
  http.ProxyParams().SetProxyPassword("pass");
  EXPECT_EQ(http.Get("http://updates.example/newupd.dat"), "via proxy");
  EXPECT_EQ(server_->Received(0),
            "GET http://updates.example:80/newupd.dat HTTP/1.1\r\nHost: updates.example\r\n"
            "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0\r\n"
            "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
  EXPECT_THAT(log, ::testing::Not(::testing::Contains(HasSubstr("Resolving"))));
}

TEST_F(HttpTest, Http10AsksForKeepAlive) {
  auto& http = Serve({Script::Answer(Ok("x"))});
  http.SetProtocolVersion(TIdHTTPProtocolVersion::pv1_0);
  http.Get(Url("/a"));
  EXPECT_EQ(server_->Received(0),
            "GET /a HTTP/1.0\r\nConnection: keep-alive\r\n" + HostLine() +
                "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0\r\n"
                "Proxy-Authorization: Basic Og==\r\n\r\n");
}

TEST_F(HttpTest, ControlCharactersNeverReachTheHeadRaw) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send(Redirect("/next\r\nX-Injected: 1"))
                          .ExpectHead()
                          .Send(Ok("done"))});
  EXPECT_EQ(http.Get(Url("/a\rb\x01\x7f")), "done");
  const auto received = server_->Received(0);
  EXPECT_THAT(received, HasSubstr("GET /a%0Db%01%7F HTTP/1.1\r\n"));
  EXPECT_THAT(received, ::testing::Not(HasSubstr("X-Injected: 1\r\n")));
}

// ---- Body framings ---------------------------------------------------------------------------

struct FramingCase {
  std::string name;
  std::string response;
  std::string body;
};

class Framing : public HttpTest, public ::testing::WithParamInterface<FramingCase> {};

TEST_P(Framing, DeliversTheBody) {
  auto& http = Serve({Script().ExpectHead().Send(GetParam().response).Pause(30).Close()});
  EXPECT_EQ(http.Get(Url("/f")), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Framing,
    ::testing::Values(
        FramingCase{"Counted", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", "hello"},
        FramingCase{"Chunked",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n"
                    "6 ignored\r\n world\r\n0\r\n\r\n",
                    "hello world"},
        FramingCase{"ChunkedWinsOverLength",
                    "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"
                    "5\r\nhello\r\n0\r\n\r\n",
                    "hello"},
        FramingCase{"CapitalChunkedIsNotRecognised",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
                    "5\r\nhello\r\n0\r\n\r\n"},
        FramingCase{"ChunkExtensionEndsTheBody",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a;name=value\r\n"
                    "abcdefghijklmnopqrstuvwxyz\r\n0\r\n\r\n",
                    ""},
        FramingCase{"UntilClose", "HTTP/1.1 200 OK\r\n\r\nuntil the end", "until the end"},
        FramingCase{"NegativeLengthIsUntilClose",
                    "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nrest", "rest"},
        FramingCase{"OverflowingLengthIsUntilClose",
                    "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nrest", "rest"},
        FramingCase{"ZeroLength", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nignored", ""},
        FramingCase{"NoContent", "HTTP/1.1 204 No Content\r\n\r\n", ""},
        FramingCase{"CutShort", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nshort", "short"},
        FramingCase{"HugeLengthCutShort",
                    "HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\nshort", "short"},
        FramingCase{"NulBytes", std::string("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\na\0b", 41),
                    std::string("a\0b", 3)},
        FramingCase{"InterimContinueIsSkipped",
                    "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
                    "ok"}),
    [](const auto& testCase) { return testCase.param.name; });

TEST_F(HttpTest, ChunkedTrailerIsReadSoTheKeptConnectionServesTheNextGet) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\none\r\n"
                                "0\r\nX-Trailer: a\r\nX-More: b\r\n\r\n")
                          .ExpectHead()
                          .Send(Ok("two"))});
  EXPECT_EQ(http.Get(Url("/1")), "one");
  EXPECT_EQ(http.Get(Url("/2")), "two");
  EXPECT_EQ(server_->Connections(), 1u);
}

TEST_F(HttpTest, StreamFormWritesFromThePositionAndEndsWhereTheBodyEnds) {
  auto& http = Serve({Script::Answer(Ok("body"))});
  TMemoryStream stream;
  stream.WriteBuffer("prefix-and-old-tail");
  stream.SetPosition(7);
  http.Get(Url("/s"), stream);
  EXPECT_EQ(stream.DataString(), "prefix-body");
}

// ---- Redirects --------------------------------------------------------------------------------

TEST_F(HttpTest, RelativeAndEmptyLocationsResolveAgainstTheTarget) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send(Redirect("../x"))
                          .ExpectHead()
                          .Send("HTTP/1.1 301 Moved\r\nContent-Length: 4\r\n\r\nbody")
                          .ExpectHead()
                          .Send(Ok("final", "Location: /y\r\n"))
                          .ExpectHead()
                          .Send(Ok("after"))});
  TMemoryStream stream;
  http.Get(Url("/a/b/c"), stream);
  EXPECT_EQ(stream.DataString(), "after");
  EXPECT_EQ(server_->Received(0),
            Head("GET /a/b/c HTTP/1.1") + Head("GET /a/x HTTP/1.1") + Head("GET /a/ HTTP/1.1") +
                Head("GET /y HTTP/1.1"));
  EXPECT_EQ(http.URL().Path(), "/");
  EXPECT_EQ(http.URL().Document(), "y");
}

TEST_F(HttpTest, RedirectBudgetThatRunsOutFailsWithTheLastRedirect) {
  Script endless;
  for (int i = 0; i < 8; ++i) endless.ExpectHead().Send(Redirect("/loop"));
  auto& http = Serve({endless});
  http.SetRedirectMaximum(4);
  TMemoryStream stream;
  try {
    http.Get(Url("/loop"), stream);
    FAIL() << "an endless chain ended as a success";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.Message(), "HTTP/1.1 302 Found");
    EXPECT_EQ(e.ErrorCode(), 302);
  }
  EXPECT_EQ(http.RedirectCount(), 4);
  EXPECT_EQ(stream.Size(), 0);
  // The failed Get does not shrink the budget of the next.
  try {
    http.Get(Url("/loop"), stream);
    FAIL() << "an endless chain ended as a success";
  } catch (const EIdHTTPProtocolException&) {
  }
  EXPECT_EQ(http.RedirectCount(), 4);
}

TEST_F(HttpTest, WithoutRedirectHandlingARedirectFails) {
  auto& http = Serve({Script::Answer(Redirect("/elsewhere"))});
  http.SetHandleRedirects(false);
  try {
    http.Get(Url("/a"));
    FAIL() << "the redirect was accepted";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 302);
  }
  EXPECT_EQ(http.Response().Location(), "/elsewhere");
}

TEST_F(HttpTest, CookiesOfARedirectTravelWithTheRedirectedRequest) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send(Redirect("/second", "Set-Cookie: session=42; path=/\r\n"))
                          .ExpectHead()
                          .Send(Ok("ok"))});
  http.Get(Url("/first"));
  EXPECT_EQ(server_->Received(0),
            Head("GET /first HTTP/1.1") + Head("GET /second HTTP/1.1", "Cookie: session=42\r\n"));
  ASSERT_NE(http.CookieManager(), nullptr);
}

TEST_F(HttpTest, WithoutCookiesNoStoreIsMade) {
  auto& http = Serve({Script::Answer(Ok("x", "Set-Cookie: a=1\r\n"))});
  http.SetAllowCookies(false);
  http.Get(Url("/"));
  EXPECT_EQ(http.CookieManager(), nullptr);
}

// ---- The protocol exception and credentials -------------------------------------------------

struct RefusalCase {
  std::string name;
  std::string response;
  std::string message;
  int code;
  std::string body;
};

class Refusal : public HttpTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, RaisesTheProtocolExceptionWithTheErrorBody) {
  auto& http = Serve({Script().ExpectHead().Send(GetParam().response).Close()});
  try {
    http.Get(Url("/missing"));
    FAIL() << "the status was accepted";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.Message(), GetParam().message);
    EXPECT_EQ(e.ErrorCode(), GetParam().code);
    EXPECT_EQ(e.ErrorMessage(), GetParam().body);
    EXPECT_STREQ(e.ClassName(), "EIdHTTPProtocolException");
  }
  EXPECT_EQ(http.ReadTimeout(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusal,
    ::testing::Values(
        RefusalCase{"NotFound", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nno such x",
                    "HTTP/1.1 404 Not Found", 404, "no such x"},
        RefusalCase{"NoCode", "HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1", -1, ""},
        RefusalCase{"NotModified", "HTTP/1.1 304 Not Modified\r\n\r\n", "HTTP/1.1 304 Not Modified",
                    304, ""},
        RefusalCase{"ServerError",
                    "HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nbad!\r\n0\r\n\r\n",
                    "HTTP/1.1 500 Oops", 500, "bad!"}),
    [](const auto& testCase) { return testCase.param.name; });

TEST_F(HttpTest, ErrorBodyThatStallsFailsWithReadTimeoutAfterTwoSeconds) {
  auto& http = Serve({Script().ExpectHead().Send("HTTP/1.1 404 Not Found\r\nContent-Length: 10\r\n\r\n").Stall()});
  const auto start = Clock::now();
  try {
    http.Get(Url("/x"));
    FAIL() << "no timeout";
  } catch (const EIdReadTimeout& e) {
    EXPECT_EQ(e.Message(), "Read Timeout");
  }
  EXPECT_GE(MillisecondsSince(start), 1900);
  EXPECT_LT(MillisecondsSince(start), 3500);
  EXPECT_EQ(http.ReadTimeout(), 0);
  server_->Release();
}

TEST_F(HttpTest, BasicChallengeAttachesAnEmptyCredentialToLaterRequests) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest x\r\n"
                                "WWW-Authenticate: Basic realm=\"r\"\r\nContent-Length: 0\r\n\r\n")
                          .ExpectHead()
                          .Send(Ok("ok"))});
  EXPECT_THROW(http.Get(Url("/secret")), EIdHTTPProtocolException);
  ASSERT_NE(http.Request().Authentication(), nullptr);
  http.Get(Url("/open"));
  EXPECT_THAT(server_->Received(0),
              HasSubstr("GET /open HTTP/1.1\r\n" + HostLine() +
                        "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0\r\n"
                        "Authorization: Basic Og==\r\nProxy-Authorization: Basic Og==\r\n\r\n"));
}

TEST_F(HttpTest, ProxyRefusalEmptiesTheProxySecretsButKeepsTheCredential) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 407 Proxy Authentication Required\r\n"
                                "Proxy-Authenticate: Basic realm=\"p\"\r\nContent-Length: 0\r\n\r\n")
                          .ExpectHead()
                          .Send(Ok("ok"))});
  http.ProxyParams().SetProxyServer("127.0.0.1");
  http.ProxyParams().SetProxyPort(server_->Port());
  http.ProxyParams().SetProxyUsername("user");
  http.ProxyParams().SetProxyPassword("pass");
  try {
    http.Get("http://site.example/file");
    FAIL() << "the proxy refusal was accepted";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.Message(), "HTTP/1.1 407 Proxy Authentication Required");
  }
  EXPECT_EQ(http.ProxyParams().ProxyUsername(), "");
  EXPECT_EQ(http.ProxyParams().ProxyPassword(), "");
  http.Get("http://site.example/file");
  const auto received = server_->Received(0);
  const std::string credential = "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n";
  const auto first = received.find(credential);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(received.find(credential, first + 1), std::string::npos);
}

// ---- Keep-alive --------------------------------------------------------------------------------

TEST_F(HttpTest, KeptConnectionServesTheNextGetWithoutConnecting) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send(Ok("one"))
                          .ExpectHead()
                          .Send(Ok("two"))});
  http.Get(Url("/1"));
  EXPECT_TRUE(http.Response().KeepAlive());
  log.clear();
  EXPECT_EQ(http.Get(Url("/2")), "two");
  EXPECT_THAT(log, ElementsAre("begin 3", "work 3", "end"));
  EXPECT_EQ(server_->Connections(), 1u);
}

TEST_F(HttpTest, PollNoticesAServerThatClosedTheKeptConnection) {
  auto& http = Serve({Script().ExpectHead().Send(Ok("one")).Close(), Script::Answer(Ok("two"))});
  http.Get(Url("/1"));
  ASSERT_TRUE(server_->WaitForFinished(1, 2000));
  log.clear();
  EXPECT_EQ(http.Get(Url("/2")), "two");
  EXPECT_THAT(log, ElementsAre("status 4 Disconnected.", "status 1 Connecting to 127.0.0.1.",
                               "status 2 Connected.", "begin 3", "work 3", "end"));
}

TEST_F(HttpTest, ConnectionCloseEndsTheGetWithADisconnect) {
  auto& http = Serve({Script::Answer(Ok("bye", "Connection: close\r\n"))});
  http.Get(Url("/1"));
  EXPECT_THAT(log, ElementsAre("status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                               "begin 3", "work 3", "end", "status 3 Disconnecting.",
                               "status 4 Disconnected."));
  EXPECT_FALSE(http.Connected());
}

// ---- Event sequences ----------------------------------------------------------------------------

TEST_F(HttpTest, CountedBodyReportsEveryReceiveBlock) {
  const std::size_t kHeadPart = 1000;
  const std::size_t kLength = kHeadPart + 2 * 128000 + 5000;
  const std::string body(kLength, 'z');
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kLength) +
                                "\r\n\r\n" + body.substr(0, kHeadPart))
                          .Pause(100)
                          .Send(body.substr(kHeadPart))});
  TMemoryStream stream;
  http.Get(Url("/setup.exe"), stream);
  EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(kLength));
  EXPECT_THAT(log, ElementsAre("status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                               "begin 262000", "work 1000", "work 129000", "work 257000",
                               "work 262000", "end"));
}

TEST_F(HttpTest, ChunkedBodyBracketsEveryChunk) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
                          .Pause(50)
                          .Send("5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n")});
  http.Get(Url("/c"));
  EXPECT_THAT(log, ElementsAre("status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                               "status 5 Chunk Started", "begin 5", "work 5", "end", "begin 6",
                               "work 6", "end"));
}

TEST_F(HttpTest, BodyUntilCloseStartsWithZeroAndNoticesTheClose) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 200 OK\r\n\r\n")
                          .Pause(50)
                          .Send("0123456789")
                          .Pause(50)
                          .Close()});
  http.SetRecvBufferSize(4);
  EXPECT_EQ(http.Get(Url("/u")), "0123456789");
  EXPECT_THAT(log, ElementsAre("status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                               "begin 0", "work 4", "work 8", "status 4 Disconnected.", "end"));
}

// Keeps only the size and the last byte written, so a huge body costs no memory.
class SizeOnlyStream : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (count <= 0) return 0;
    last = static_cast<const char*>(buffer)[count - 1];
    position_ += count;
    size_ = std::max(size_, position_);
    return count;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? position_
                                                                 : size_;
    position_ = base + offset;
    return position_;
  }
  void SetSize(std::int64_t size) override {
    ++sizeChanges;
    size_ = size;
    position_ = std::min(position_, size_);
  }
  char last = 0;
  int sizeChanges = 0;

 private:
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
};

TEST_F(HttpTest, BodyOverTwoGibibytesArrivesWhole) {
  constexpr std::int64_t kLength = (std::int64_t{1} << 31) + 4096;
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kLength) +
                                "\r\n\r\n")
                          .SendFill('g', kLength - 1)
                          .Send("!")});
  http.OnWork = nullptr;
  SizeOnlyStream stream;
  http.Get(Url("/big"), stream);
  EXPECT_EQ(stream.Size(), kLength);
  EXPECT_EQ(stream.last, '!');
  EXPECT_EQ(stream.sizeChanges, 1);
  EXPECT_EQ(log.front(), "status 1 Connecting to 127.0.0.1.");
  EXPECT_EQ(log[2], "begin " + std::to_string(kLength));
}

// ---- Failures --------------------------------------------------------------------------------

TEST_F(HttpTest, RefusedConnectionAfterResolvingLocalhost) {
  auto& http = Serve({});
  const auto port = support::UnusedPort();
  try {
    http.Get("http://LOCALHOST:" + std::to_string(port) + "/newupd.dat");
    FAIL() << "connected to a closed port";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_THAT(log, ElementsAre("status 0 Resolving hostname LOCALHOST.",
                               "status 1 Connecting to 127.0.0.1."));
}

TEST_F(HttpTest, UnknownHostFailsAfterResolvingOnly) {
  auto& http = Serve({});
  try {
    http.Get("http://nonexistent.invalid/newupd.dat");
    FAIL() << "resolved a name that does not exist";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.Message(), "Socket Error # 11001\r\nHost not found.");
  }
  EXPECT_THAT(log, ElementsAre("status 0 Resolving hostname nonexistent.invalid."));
}

struct FailureCase {
  std::string name;
  Script script;
  std::string url;  // empty: "/x" on the server
  std::string className;
  std::string message;
};

class Failure : public HttpTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Failure, RaisesItsMessage) {
  auto& http = Serve({GetParam().script});
  http.SetReadTimeout(300);
  try {
    http.Get(GetParam().url.empty() ? Url("/x") : GetParam().url);
    FAIL() << "the Get succeeded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), GetParam().className);
    EXPECT_EQ(e.Message(), GetParam().message);
  }
}

std::string ManyHeaders(int count) {
  std::string head = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < count; ++i) head += "X-H" + std::to_string(i) + ": v\r\n";
  return head + "\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Table, Failure,
    ::testing::Values(
        FailureCase{"ClosedBeforeStatus", Script().ExpectHead().Close(), "",
                    "EIdConnClosedGracefully", "Connection Closed Gracefully."},
        FailureCase{"ClosedDuringHead", Script().ExpectHead().Send("HTTP/1.1 200 OK\r\nA: b\r\n").Close(),
                    "", "EIdException", "Undefined situation"},
        FailureCase{"LongStatusLine",
                    Script().ExpectHead().Send("HTTP/1.1 200 " + std::string(20000, 'x') + "\r\n"),
                    "", "EIdReadLnMaxLineLengthExceeded", "Max line length exceeded."},
        FailureCase{"SilentServer", Script().ExpectHead().Stall(), "", "EIdReadTimeout",
                    "Read Timeout"},
        FailureCase{"NoProtocolNoPort", Script(), "/relative/only", "EIdUnknownProtocol", ""},
        FailureCase{"HttpsWithoutProxy", Script(), "https://127.0.0.1/x", "EIdIOHandlerPropInvalid",
                    "IOHandler value is not valid"},
        FailureCase{"BadContentRange",
                    Script::Answer("HTTP/1.1 200 OK\r\nContent-Range: bytes x-2/3\r\n\r\n"), "",
                    "EConvertError", "'x' is not a valid integer value"},
        FailureCase{"ThousandsOfHeaders", Script::Answer(ManyHeaders(5000)), "", "EIdException",
                    "Response head too large."},
        FailureCase{"EndlessContinues",
                    Script().ExpectHead().Send([] {
                      std::string s;
                      for (int i = 0; i < 600; ++i) s += "HTTP/1.1 100 Continue\r\n\r\n";
                      return s;
                    }()),
                    "", "EIdException", "Response head too large."},
        FailureCase{"ResetMidBody",
                    Script().ExpectHead().Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nab").Pause(50).Reset(),
                    "", "EIdSocketError", "Socket Error # 10054\r\nConnection reset by peer."},
        FailureCase{"HugeChunkCutShort",
                    Script()
                        .ExpectHead()
                        .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                              "7fffffffffffffff\r\nabc")
                        .Close(),
                    "", "EIdConnClosedGracefully", "Connection Closed Gracefully."}),
    [](const auto& testCase) { return testCase.param.name; });

TEST_F(HttpTest, FailureInTheMiddleOfAResponseDropsTheConnection) {
  auto& http = Serve({Script().ExpectHead().Send("HTTP/1.1 200 OK\r\nContent-Le").Stall(),
                      Script::Answer(Ok("fresh"))});
  http.SetReadTimeout(200);
  EXPECT_THROW(http.Get(Url("/slow")), EIdReadTimeout);
  EXPECT_FALSE(http.Connected());
  server_->Release();
  EXPECT_EQ(http.Get(Url("/next")), "fresh");
  EXPECT_EQ(server_->Connections(), 2u);
}

TEST_F(HttpTest, EndlessHeaderLineWithoutALineLimitIsBounded) {
  Script script;
  script.ExpectHead().Send("HTTP/1.1 200 OK\r\nX-Endless: ");
  for (int i = 0; i < 20; ++i) script.Send(std::string(64 * 1024, 'e'));
  auto& http = Serve({script});
  http.SetMaxLineLength(0);
  try {
    http.Get(Url("/"));
    FAIL() << "an endless line was accepted";
  } catch (const EIdReadLnMaxLineLengthExceeded& e) {
    EXPECT_EQ(e.Message(), "Max line length exceeded.");
  }
}

// ---- Cancel: Disconnect from a handler -------------------------------------------------------

TEST_F(HttpTest, CancelDuringACountedBodyEndsTheGetNormally) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n" +
                                std::string(1000, 'a'))
                          .Pause(50)
                          .Send(std::string(200000, 'b'))
                          .Stall()});
  TMemoryStream stream;
  onWork = [&](std::int64_t count) {
    if (count > 1000) http.Disconnect();
  };
  http.Get(Url("/setup.exe"), stream);
  EXPECT_GT(stream.Size(), 1000);
  EXPECT_LT(stream.Size(), 300000);
  EXPECT_FALSE(http.Connected());
  server_->Release();
}

TEST_F(HttpTest, CancelDuringAChunkedBodyIsNotConnected) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
                          .Pause(50)
                          .Send("5\r\nhello\r\n5\r\nworld\r\n0\r\n\r\n")});
  onWork = [&](std::int64_t) { http.Disconnect(); };
  EXPECT_THROW(http.Get(Url("/c")), EIdNotConnected);
  EXPECT_FALSE(http.Connected());
}

class CancelAtStatus : public HttpTest, public ::testing::WithParamInterface<TIdStatus> {};

TEST_P(CancelAtStatus, EndsTheGetWithNotConnected) {
  auto& http = Serve({Script::Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                     "5\r\nhello\r\n0\r\n\r\n")});
  bool once = false;
  onStatus = [&](TIdStatus status, const std::string&) {
    if (status == GetParam() && !once) {
      once = true;
      http.Disconnect();
    }
  };
  try {
    http.Get("http://localhost:" + std::to_string(server_->Port()) + "/c");
    FAIL() << "the Get went on after the Cancel";
  } catch (const EIdNotConnected& e) {
    EXPECT_EQ(e.Message(), "Not Connected");
  }
  EXPECT_TRUE(once);
  EXPECT_FALSE(http.Connected());
}

INSTANTIATE_TEST_SUITE_P(Statuses, CancelAtStatus,
                         ::testing::Values(TIdStatus::stResolving, TIdStatus::stConnecting,
                                           TIdStatus::stConnected, TIdStatus::stStatusText));

TEST_F(HttpTest, CancelFromTheIdleHookEndsAStalledBodyQuickly) {
  auto& http = Serve({Script()
                          .ExpectHead()
                          .Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\npart")
                          .Stall()});
  Clock::time_point cancelledAt;
  int idles = 0;
  http.OnIdle = [&](TIdTCPConnection& sender) {
    if (++idles == 4) {
      cancelledAt = Clock::now();
      sender.Disconnect();
    }
  };
  EXPECT_EQ(http.Get(Url("/setup.exe")), "part");
  EXPECT_LT(MillisecondsSince(cancelledAt), 100);
  server_->Release();
}

TEST_F(HttpTest, CancelFromTheIdleHookDuringTheHeadIsNotConnected) {
  auto& http = Serve({Script().ExpectHead().Stall()});
  http.OnIdle = [](TIdTCPConnection& sender) { sender.Disconnect(); };
  EXPECT_THROW(http.Get(Url("/x")), EIdNotConnected);
  server_->Release();
}

}  // namespace
