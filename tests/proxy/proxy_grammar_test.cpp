#include <gtest/gtest.h>

#include <string>

#include "proxy/proxy.h"
#include "rtl/ansi.h"
#include "rtl/sysutils.h"

namespace {

struct GrammarCase {
  std::string text;
  bool valid;
  std::string type;
  std::string host;
  std::string port;
  std::string user;
  std::string passw;
};

void PrintTo(const GrammarCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ProxyGrammar : public testing::TestWithParam<GrammarCase> {};

TEST_P(ProxyGrammar, SplitsTheTextForm) {
  const GrammarCase& c = GetParam();
  const ProxyData record(c.text);
  EXPECT_EQ(record.IsValid, c.valid);
  EXPECT_EQ(record.Type, c.type);
  EXPECT_EQ(record.Host, c.host);
  EXPECT_EQ(record.Port, c.port);
  EXPECT_EQ(record.User, c.user);
  EXPECT_EQ(record.Passw, c.passw);
}

INSTANTIATE_TEST_SUITE_P(AcceptedAndRejectedForms, ProxyGrammar, testing::Values(
    GrammarCase{"4.3.6.4:45", true, "HTTP", "4.3.6.4", "45", "", ""},
    GrammarCase{"http:4.3.6.4:45", true, "HTTP", "4.3.6.4", "45", "", ""},
    GrammarCase{"HTTP:4.3.6.4:45", true, "HTTP", "4.3.6.4", "45", "", ""},
    GrammarCase{"https:4.3.6.4:345", true, "HTTPS", "4.3.6.4", "345", "", ""},
    GrammarCase{"socks4:4.3.6.4:45", true, "SOCKS4", "4.3.6.4", "45", "", ""},
    GrammarCase{"socks5:4.3.6.4:45", true, "SOCKS5", "4.3.6.4", "45", "", ""},
    GrammarCase{"[4.3.6.4]:45", true, "HTTP", "[4.3.6.4]", "45", "", ""},
    GrammarCase{"4.3.6.4", true, "HTTP", "4.3.6.4", "80", "", ""},
    GrammarCase{"http:4.3.6.4", true, "HTTP", "4.3.6.4", "80", "", ""},
    GrammarCase{"https:4.3.6.4", true, "HTTPS", "4.3.6.4", "443", "", ""},
    GrammarCase{"4.3.6.4:", true, "HTTP", "4.3.6.4", "", "", ""},
    GrammarCase{"socks:4.3.6.4:45", false, "", "socks:4.3.6.4:45", "80", "", ""},
    GrammarCase{"[4.3.6.4:45]", false, "HTTP", "[4.3.6.4:45]", "80", "", ""},
    GrammarCase{"[4.3.6.4]", false, "HTTP", "[4.3.6.4]", "80", "", ""},
    GrammarCase{"[4.3.6.4]x45", false, "HTTP", "[4.3.6.4]x45", "80", "", ""},
    GrammarCase{"", false, "", "", "", "", ""}));

INSTANTIATE_TEST_SUITE_P(Credentials, ProxyGrammar, testing::Values(
    GrammarCase{"4.3.6.4:45@alice:secret", true, "HTTP", "4.3.6.4", "45", "alice", "secret"},
    GrammarCase{"http:4.3.6.4:45@alice:secret", true, "HTTP", "4.3.6.4", "45", "alice", "secret"},
    GrammarCase{"socks4:4.3.6.4:45@alice:secret", true, "SOCKS4", "4.3.6.4", "45", "alice",
                "secret"},
    GrammarCase{"socks5:4.3.6.4:45@alice:secret", true, "SOCKS5", "4.3.6.4", "45", "alice",
                "secret"},
    GrammarCase{"https:4.3.6.4:345@alice", true, "HTTPS", "4.3.6.4", "345", "alice", ""},
    // Only the first "@" splits; a user name ends at its first ":".
    GrammarCase{"4.3.6.4:45@a@b:c@d:e", true, "HTTP", "4.3.6.4", "45", "a@b", "c@d:e"},
    GrammarCase{"4.3.6.4:45@:secret", true, "HTTP", "4.3.6.4", "45", "", "secret"},
    // A rejected type word stops before the credentials are split.
    GrammarCase{"socks:4.3.6.4:45@alice:secret", false, "", "socks:4.3.6.4:45", "80",
                "alice:secret", ""},
    // A bracket failure comes after the split.
    GrammarCase{"[4.3.6.4]@alice:secret", false, "HTTP", "[4.3.6.4]", "80", "alice", "secret"}));

INSTANTIATE_TEST_SUITE_P(EdgeCases, ProxyGrammar, testing::Values(
    // The first five characters decide the type even where none was meant.
    GrammarCase{"httpsproxy:8080", true, "HTTPS", "8080", "443", "", ""},
    GrammarCase{"socksproxy:1080", false, "", "socksproxy:1080", "80", "", ""},
    GrammarCase{"HTTPSX:4.3.6.4:1", true, "HTTPS", "4.3.6.4", "1", "", ""},
    GrammarCase{"Socks4:4.3.6.4:45", true, "SOCKS4", "4.3.6.4", "45", "", ""},
    GrammarCase{"SOCKS4:4.3.6.4:45", true, "SOCKS4", "4.3.6.4", "45", "", ""},
    // "http" without its colon is part of the host.
    GrammarCase{"httpproxy:3128", true, "HTTP", "httpproxy", "3128", "", ""},
    GrammarCase{"4.3.6.4:45:67", true, "HTTP", "4.3.6.4", "45:67", "", ""},
    GrammarCase{"[4.3.6.4]:", false, "HTTP", "[4.3.6.4]:", "80", "", ""},
    GrammarCase{"[4.3.6.4]:4", true, "HTTP", "[4.3.6.4]", "4", "", ""},
    GrammarCase{"[::1]:8080", true, "HTTP", "[::1]", "8080", "", ""},
    GrammarCase{"https:[4.3.6.4]", false, "HTTPS", "[4.3.6.4]", "443", "", ""}));

class ProxyGrammarEmptyHost : public testing::TestWithParam<std::string> {};

TEST_P(ProxyGrammarEmptyHost, RaisesTheOutOfRangeError) {
  EXPECT_THROW(ProxyData{GetParam()}, ERangeError);
}

INSTANTIATE_TEST_SUITE_P(Texts, ProxyGrammarEmptyHost,
                         testing::Values("@alice", "@alice:secret", "http:@alice", "HTTP:",
                                         "https:", "socks5:"));

TEST(ProxyData, EmptyRecordHoldsNothing) {
  const ProxyData record;
  EXPECT_EQ(record.ToString(), "");
  EXPECT_FALSE(record.IsValid);
}

TEST(ProxyData, SetTypeUpperCasesWithTheCodePage) {
  ProxyData record;
  record.SetType("socks5");
  EXPECT_EQ(record.Type, "SOCKS5");
  record.SetType(Ansi("прокси"));
  EXPECT_EQ(record.Type, Ansi("ПРОКСИ"));
}

TEST(ProxyData, ToStringLeavesOutTheTypeAndAPasswordWithoutUser) {
  ProxyData record;
  record.Type = "SOCKS5";
  record.Host = "4.3.6.4";
  record.Port = "45";
  record.Passw = "secret";
  EXPECT_EQ(record.ToString(), "4.3.6.4:45");
  record.User = "alice";
  EXPECT_EQ(record.ToString(), "4.3.6.4:45@alice:secret");
  record.Host.clear();
  EXPECT_EQ(record.ToString(), "");
}

TEST(ProxyData, ToStringReadsBackToTheSameRecord) {
  const ProxyData record("socks4:[::1]:1080@alice:p@ss:word");
  const ProxyData again(record.Type + ":" + record.ToString());
  EXPECT_TRUE(again.IsValid);
  EXPECT_EQ(again.Type, "SOCKS4");
  EXPECT_EQ(again.Host, "[::1]");
  EXPECT_EQ(again.Port, "1080");
  EXPECT_EQ(again.User, "alice");
  EXPECT_EQ(again.Passw, "p@ss:word");
}

}  // namespace
