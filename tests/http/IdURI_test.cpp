#include "http/IdURI.h"

#include <gtest/gtest.h>

#include "http/IdException.h"

namespace {

struct ParseCase {
  std::string uri;
  std::string protocol, host, port, path, document, params, bookmark, username, password;
};

TEST(TIdURI, ParsesIntoItsPieces) {
  const ParseCase cases[] = {
      {"http://www.example.com/a/b/c.html?x=1#top", "http", "www.example.com", "", "/a/b/",
       "c.html", "?x=1", "top", "", ""},
      {"http://host:8080", "http", "host", "8080", "/", "", "", "", "", ""},
      {"http://user:pw@host/x", "http", "host", "", "/", "x", "", "", "user", "pw"},
      {"http://user@host/x", "http", "host", "", "/", "x", "", "", "user", ""},
      {"http://:pw@host/x", "http", "host", "", "/", "x", "", "", "", ""},
      {"http://u:p:q@host@x:81/", "http", "host@x", "81", "/", "", "", "", "u", "p:q"},
      {"http:\\\\host\\dir\\file.txt", "http", "host", "", "/dir/", "file.txt", "", "", "", ""},
      {"http://host/doc#frag?x", "http", "host", "", "/", "doc", "?x", "frag", "", ""},
      {"http://host/a=b/c", "http", "host", "", "/", "a", "=b/c", "", "", ""},
      {"/dir/page?q=a/b", "", "", "", "/dir/", "page", "?q=a/b", "", "", ""},
      {"a=b", "", "", "", "", "a", "=b", "", "", ""},
      {"../x", "", "", "", "../", "x", "", "", "", ""},
      {"x#y", "", "", "", "", "x#y", "", "", "", ""},
      {"page?x#b", "", "", "", "", "page", "?x", "b", "", ""},
      {"", "", "", "", "", "", "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uri);
    const TIdURI uri(c.uri);
    EXPECT_EQ(uri.Protocol(), c.protocol);
    EXPECT_EQ(uri.Host(), c.host);
    EXPECT_EQ(uri.Port(), c.port);
    EXPECT_EQ(uri.Path(), c.path);
    EXPECT_EQ(uri.Document(), c.document);
    EXPECT_EQ(uri.Params(), c.params);
    EXPECT_EQ(uri.Bookmark(), c.bookmark);
    EXPECT_EQ(uri.Username(), c.username);
    EXPECT_EQ(uri.Password(), c.password);
  }
}

TEST(TIdURI, ReparsingForgetsThePreviousPiecesAndKeepsTheSlashedText) {
  TIdURI uri("http://u:p@old:81/a/b?c#d");
  uri.SetURI("x\\y");
  EXPECT_EQ(uri.URI(), "x/y");
  EXPECT_EQ(uri.Protocol(), "");
  EXPECT_EQ(uri.Host(), "");
  EXPECT_EQ(uri.Port(), "");
  EXPECT_EQ(uri.Username(), "");
  EXPECT_EQ(uri.Bookmark(), "");
  EXPECT_EQ(uri.Path(), "x/");
  EXPECT_EQ(uri.Document(), "y");
}

TEST(TIdURI, RelativeQueryJoinsBackToTheSameText) {
  for (const std::string text : {"a=b", "dir/a=b", "../p?q=1=2", "x/y/z"}) {
    const TIdURI uri(text);
    EXPECT_EQ(uri.GetPathAndParams(), text);
  }
}

TEST(TIdURI, ComposesWithAndWithoutUserInformationAndBookmark) {
  const TIdURI uri("http://user:pw@host:8080/a/b.html?x=1#top");
  EXPECT_EQ(uri.GetFullURI(), "http://user:pw@host:8080/a/b.html?x=1#top");
  EXPECT_EQ(uri.GetFullURI(false, true), "http://host:8080/a/b.html?x=1#top");
  EXPECT_EQ(uri.GetFullURI(true, false), "http://user:pw@host:8080/a/b.html?x=1");
  EXPECT_EQ(uri.GetFullURI(false, false), "http://host:8080/a/b.html?x=1");

  EXPECT_EQ(TIdURI("http://user@host/").GetFullURI(), "http://user@host/");
  EXPECT_EQ(TIdURI("http://:pw@host/").GetFullURI(), "http://host/");
}

TEST(TIdURI, ComposingNeedsProtocolAndHost) {
  const struct {
    std::string uri;
    std::string message;
  } cases[] = {
      {"/only/a/path", "Protocol field is empty"},
      {"://host/x", "Protocol field is empty"},
      {"http:///x", "Host field is empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uri);
    try {
      static_cast<void>(TIdURI(c.uri).GetFullURI());
      ADD_FAILURE() << "no exception";
    } catch (const EIdURIException& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(TIdURI, ProxyRequestFormDropsUserInformationAndBookmarkButStoresTheFullForm) {
  TIdURI uri("http://user:pw@host/a?b#c");
  uri.SetPort("80");
  EXPECT_EQ(uri.GetProxyRequestURI(), "http://host:80/a?b");
  EXPECT_EQ(uri.URI(), "http://user:pw@host:80/a?b#c");
}

TEST(TIdURI, MergePath) {
  const struct {
    std::string base, path, merged;
  } cases[] = {
      {"/a/b/", "../x/", "/a/x/"},
      {"/a/", "", "/a/"},
      {"/a/", "./b/", "/a/./b/"},
      {"/a/b/", "/abs", "/abs"},
      {"/a//b/", "c", "/a/b/c"},
      {"/a/b", "c", "/a/b/c"},
      {"/a/b/", "c/", "/a/b/c/"},
      {"/a/b/", "c/../d", "/a/b/d"},
      {"/a/b/", "..", "/a"},
      {"/a/b/", "../../../x", "/x"},
      {"/", "../x", "/x"},
      {"/", "", "/"},
      {"", "x/", "x/"},
      {"", "../x", "../x"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base + " + " + c.path);
    EXPECT_EQ(TIdURI::MergePath(c.base, c.path), c.merged);
  }
}

TEST(TIdURI, PercentEncodesControlCharactersOnly) {
  EXPECT_EQ(TIdURI::PercentEncodeControls("/a\r\nX-Evil: 1"), "/a%0D%0AX-Evil: 1");
  EXPECT_EQ(TIdURI::PercentEncodeControls(std::string("\x00\x1f\x7f", 3)), "%00%1F%7F");
  EXPECT_EQ(TIdURI::PercentEncodeControls("/%20 ~\xe9?a=b"), "/%20 ~\xe9?a=b");
}

}  // namespace
