// End-to-end runs of the built httpget against the loopback server.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using support::LoopbackServer;
using support::Script;

struct ToolRun {
  int status = -1;
  std::string out;
  std::vector<std::string> err;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class HttpgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("httpget_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs httpget with the arguments (none of which holds a single quote).
  ToolRun Httpget(const std::vector<std::string>& arguments) {
    std::string command = std::string("'") + HTTPGET_PATH + "'";
    for (const auto& argument : arguments) command += " '" + argument + "'";
    command += " > '" + (dir_ / "out").string() + "' 2> '" + (dir_ / "err").string() + "'";
    const int raw = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadFile(dir_ / "out");
    std::istringstream lines(ReadFile(dir_ / "err"));
    for (std::string line; std::getline(lines, line);) run.err.push_back(line);
    return run;
  }

  std::filesystem::path dir_;
};

std::string Ok(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST_F(HttpgetTest, FetchesEveryUrlOnOneClientAndReportsItsEvents) {
  LoopbackServer server({Script().ExpectHead().Send(Ok("one")).ExpectHead().Send(Ok("two"))});
  const auto run = Httpget({"--events", "--show-response", server.Url("/a/first"), "second"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "onetwo");
  EXPECT_THAT(run.err, ElementsAre("status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                                   "begin read 3", "work read 3", "end read",
                                   "response 200 HTTP/1.1 200 OK", "begin read 3",
                                   "work read 3", "end read", "response 200 HTTP/1.1 200 OK"));
  EXPECT_THAT(server.Received(0), HasSubstr("GET /a/second HTTP/1.1\r\n"));
}

TEST_F(HttpgetTest, DownloadsIntoAFileThroughAProxy) {
  LoopbackServer proxy({Script::Answer(Ok("installer"))});
  const auto file = (dir_ / "setup.exe").string();
  std::ofstream(file) << "old content that is longer";
  const auto run = Httpget({"-o", file, "--proxy", "127.0.0.1:" + std::to_string(proxy.Port()),
                            "--proxy-user", "user", "--proxy-pass", "pass",
                            "http://updates.example/quorvane.exe"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(file), "installer");
  EXPECT_EQ(proxy.Received(0),
            "GET http://updates.example:80/quorvane.exe HTTP/1.1\r\nHost: updates.example\r\n"
            "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0\r\n"
            "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
}

TEST_F(HttpgetTest, ReportsFailuresOnOneLineAndGoesOn) {
  LoopbackServer server({Script()
                             .ExpectHead()
                             .Send("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone")
                             .ExpectHead()
                             .Send(Ok("fine"))});
  const auto refused = "http://127.0.0.1:" + std::to_string(support::UnusedPort()) + "/x";
  const auto run = Httpget({server.Url("/missing"), server.Url("/present"), refused});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "fine");
  EXPECT_THAT(run.err,
              ElementsAre("error EIdHTTPProtocolException: HTTP/1.1 404 Not Found",
                          "error-code 404",
                          "error EIdSocketError: Socket Error # 10061\\r\\nConnection refused."));
}

TEST_F(HttpgetTest, DisconnectAtAWorkCountEndsACountedBodyEarly) {
  LoopbackServer server({Script()
                             .ExpectHead()
                             .Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nfirst")
                             .Pause(100)
                             .Send("second")
                             .Stall()});
  const auto file = (dir_ / "partial").string();
  const auto run = Httpget({"-o", file, "--disconnect-at", "work:5", server.Url("/big")});
  server.Release();
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(file), "first");
}

TEST_F(HttpgetTest, DisconnectAtChunkFailsTheGet) {
  LoopbackServer server({Script()
                             .ExpectHead()
                             .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
                             .Pause(50)
                             .Send("3\r\nabc\r\n0\r\n\r\n")});
  const auto run = Httpget({"--events", "--disconnect-at", "chunk", server.Url("/c")});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, ElementsAre("status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                                   "status 5 Chunk Started", "status 3 Disconnecting.",
                                   "status 4 Disconnected.", "error EIdNotConnected: Not Connected"));
}

TEST_F(HttpgetTest, UsageErrorsExitWithTwo) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {}, {"--bogus", "http://x/"}, {"--proxy", "nohost", "http://x/"},
           {"--redirect-max", "many", "http://x/"}, {"--disconnect-at", "soon", "http://x/"},
           {"-o"}}) {
    EXPECT_EQ(Httpget(arguments).status, 2);
  }
}

}  // namespace
