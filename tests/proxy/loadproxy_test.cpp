#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "http/IdHTTP.h"
#include "proxy/proxy.h"
#include "support/fake_platform.h"
#include "ui/scripted/ScriptedBackend.h"

namespace {

// The updater runs from <temp>/update/, so proxy.def lies in <temp>/.
class LoadProxyTest : public testing::Test {
 protected:
  LoadProxyTest() {
    std::filesystem::create_directory(folder_.File("update"));
    fake_.system.SetModuleFileName(folder_.File("update/update"));
  }

  void WriteProxyFile(const std::string& bytes) const {
    std::ofstream(folder_.File("proxy.def"), std::ios::binary) << bytes;
  }
  TIdProxyConnectionInfo& Params() { return http_.ProxyParams(); }
  const ui::ScriptedBackend& Script() { return session_.Script(); }

  ScopedFakePlatform fake_;
  ScopedTempFolder folder_;
  ui::ScriptedSession session_;
  TIdHTTP http_;
};

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\r\n";
  }
  return text;
}

std::string Stored(const std::string& credential) { return "$" + ScrambleText(credential); }

struct FileCase {
  std::string description;
  std::string content;
  std::string server;
  int port;
  std::string user;
  std::string password;
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.description; }

class LoadProxyFileShapes : public LoadProxyTest, public testing::WithParamInterface<FileCase> {};

TEST_P(LoadProxyFileShapes, ApplyTheSetting) {
  WriteProxyFile(GetParam().content);
  LoadProxy(&http_);
  EXPECT_EQ(Params().ProxyServer(), GetParam().server);
  EXPECT_EQ(Params().ProxyPort(), GetParam().port);
  EXPECT_EQ(Params().ProxyUsername(), GetParam().user);
  EXPECT_EQ(Params().ProxyPassword(), GetParam().password);
  EXPECT_TRUE(Params().BasicAuthentication());
  EXPECT_TRUE(Script().Boxes().empty()) << Script().Transcript();
}

INSTANTIATE_TEST_SUITE_P(Files, LoadProxyFileShapes, testing::Values(
    FileCase{"full setting",
             Lines({"1", "1", "4.3.6.4", "3128", Stored("alice"), Stored("secret"), "HTTP"}),
             "4.3.6.4", 3128, "alice", "secret"},
    FileCase{"switched off",
             Lines({"0", "1", "4.3.6.4", "3128", Stored("alice"), Stored("secret"), "HTTP"}), "",
             80, "", ""},
    FileCase{"fewer than six lines", Lines({"1", "0", "4.3.6.4", "3128", "$"}), "", 80, "", ""},
    FileCase{"empty file", "", "", 80, "", ""},
    FileCase{"six lines", Lines({"1", "0", "4.3.6.4", "3128", "$", "$"}), "4.3.6.4", 3128, "",
             ""},
    FileCase{"lone LF line ends", "1\n0\n4.3.6.4\n3128\n$\n$\nHTTP", "4.3.6.4", 3128, "", ""},
    FileCase{"socks5 in lower case",
             Lines({"1", "0", "4.3.6.4", "1080", "$", "$", "socks5"}), "4.3.6.4", 1080, "", ""},
    FileCase{"type FTP joins the host",
             Lines({"1", "0", "4.3.6.4", "21", "$", "$", "FTP"}), "FTP", 80, "", ""},
    FileCase{"type SOCKS is applied although rejected",
             Lines({"1", "0", "4.3.6.4", "45", "$", "$", "SOCKS"}), "SOCKS:4.3.6.4:45", 80, "",
             ""},
    FileCase{"authorisation off",
             Lines({"1", "0", "4.3.6.4", "3128", Stored("alice"), Stored("secret"), "HTTP"}),
             "4.3.6.4", 3128, "", ""},
    FileCase{"user line without $",
             Lines({"1", "1", "4.3.6.4", "3128", "alice", Stored("secret"), "HTTP"}), "4.3.6.4",
             3128, "", ""},
    FileCase{"user name with a colon",
             Lines({"1", "1", "4.3.6.4", "3128", Stored("ali:ce"), Stored("secret"), "HTTP"}),
             "4.3.6.4", 3128, "ali", "ce:secret"},
    FileCase{"password without user",
             Lines({"1", "1", "4.3.6.4", "3128", "$", Stored("secret"), "HTTP"}), "4.3.6.4",
             3128, "", ""},
    FileCase{"password line empty",
             Lines({"1", "1", "4.3.6.4", "3128", Stored("alice"), "", "HTTP"}), "4.3.6.4", 3128,
             "alice", ""},
    FileCase{"port with a colon", Lines({"1", "0", "4.3.6.4", "8080:", "$", "$", "HTTP"}),
             "4.3.6.4", 80, "", ""},
    FileCase{"port of letters", Lines({"1", "0", "4.3.6.4", "abc", "$", "$", "HTTP"}),
             "4.3.6.4", 80, "", ""},
    FileCase{"port empty", Lines({"1", "0", "4.3.6.4", "", "$", "$", "HTTP"}), "4.3.6.4", 80, "",
             ""},
    FileCase{"port in hexadecimal", Lines({"1", "0", "4.3.6.4", "$50", "$", "$", "HTTP"}),
             "4.3.6.4", 80, "", ""},
    FileCase{"HTTPS without port", Lines({"1", "0", "4.3.6.4", "", "$", "$", "HTTPS"}),
             "4.3.6.4", 80, "", ""},
    FileCase{"type word in the host line",
             Lines({"1", "0", "socks5:4.3.6.4", "45", "$", "$", "HTTP"}), "socks5", 80, "", ""},
    FileCase{"bracketed host", Lines({"1", "0", "[::1]", "8080", "$", "$", "HTTP"}), "[::1]",
             8080, "", ""},
    FileCase{"line 0 neither 0 nor 1 is on",
             Lines({"yes", "0", "4.3.6.4", "3128", "$", "$", "HTTP"}), "4.3.6.4", 3128, "",
             ""}));

TEST_F(LoadProxyTest, NoFileMeansNoProxy) {
  Params().SetProxyServer("old.proxy");
  Params().SetProxyPort(3128);
  Params().SetProxyUsername("old");
  Params().SetBasicAuthentication(false);
  LoadProxy(&http_);
  EXPECT_EQ(Params().ProxyServer(), "");
  EXPECT_EQ(Params().ProxyPort(), 80);
  EXPECT_EQ(Params().ProxyUsername(), "");
  EXPECT_EQ(Params().ProxyPassword(), "");
  EXPECT_TRUE(Params().BasicAuthentication());
  EXPECT_TRUE(Script().Boxes().empty()) << Script().Transcript();
}

TEST_F(LoadProxyTest, AnEnabledProxyWithoutHostIsReportedAndChangesNothing) {
  WriteProxyFile(Lines({"1", "1", "", "3128", Stored("alice"), Stored("secret"), "HTTP"}));
  Params().SetProxyServer("old.proxy");
  Params().SetProxyPort(3128);
  session_.Script().AnswerBox("in LoadProxy").AnswerBox("in LoadProxy");

  LoadProxy(&http_);
  LoadProxy(&http_);

  ASSERT_EQ(Script().Boxes().size(), 2u) << Script().Transcript();
  EXPECT_EQ(Script().Boxes()[0].text,
            "Exception: Text index out of range (1) in LoadProxy (458)");
  EXPECT_EQ(Script().Boxes()[0].caption, session_.App().Title());
  EXPECT_EQ(Params().ProxyServer(), "old.proxy");
  EXPECT_EQ(Params().ProxyPort(), 3128);
}

TEST_F(LoadProxyTest, AFileThatCannotBeOpenedIsReportedAtItsStep) {
  // Listed as present, yet nothing can be opened there.
  fake_.system.AddFile(folder_.File("update/../proxy.def"));
  session_.Script().AnswerBox("in LoadProxy");
  LoadProxy(&http_);
  ASSERT_EQ(Script().Boxes().size(), 1u) << Script().Transcript();
  EXPECT_EQ(Script().Boxes()[0].text,
            "Exception: Cannot open file " + folder_.File("update/../proxy.def") +
                " in LoadProxy (458)");
}

TEST_F(LoadProxyTest, WithoutAClientOnlyTheFileIsRead) {
  WriteProxyFile(Lines({"1", "1", "", "3128", "$", "$", "HTTP"}));
  session_.Script().AnswerBox("in LoadProxy");
  LoadProxy(nullptr);
  EXPECT_EQ(Script().Boxes().size(), 1u) << Script().Transcript();
}

TEST(ProxyFileNames, LoadProxyUsesTheExecutablesFolderAndTheDialogTheFirstArgument) {
  ScopedFakePlatform fake;
  fake.system.SetModuleFileName("/opt/quorvane/update/update");
  EXPECT_EQ(LoadProxyFileName(), "/opt/quorvane/update/../proxy.def");
  EXPECT_EQ(DialogProxyFileName(), "/opt/quorvane/update/../proxy.def");
  fake.system.SetCommandLine({"/opt/quorvane/update/update", "/home/user/suite/quorvane"});
  EXPECT_EQ(LoadProxyFileName(), "/opt/quorvane/update/../proxy.def");
  EXPECT_EQ(DialogProxyFileName(), "/home/user/suite/../proxy.def");
  fake.system.SetCommandLine({"/opt/quorvane/update/update", "quorvane"});
  EXPECT_EQ(DialogProxyFileName(), "../proxy.def");

  fake.system.SetPathDelimiter('\\');
  fake.system.SetModuleFileName(R"(C:\Quorvane\Update\update.exe)");
  fake.system.SetCommandLine({R"(C:\Quorvane\Update\update.exe)", R"(D:quorvane.exe)"});
  EXPECT_EQ(LoadProxyFileName(), R"(C:\Quorvane\Update\..\proxy.def)");
  EXPECT_EQ(DialogProxyFileName(), R"(D:..\proxy.def)");
}

}  // namespace
