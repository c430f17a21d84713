#pragma once
// A URL taken apart into its pieces and put back together, and the merging of a relative path
// into the current one.

#include <string>
#include <string_view>

class TIdURI {
 public:
  TIdURI() = default;
  explicit TIdURI(const std::string& uri);

  // The full URI text: the one last parsed, or the one stored by GetProxyRequestURI.
  const std::string& URI() const { return uri_; }
  // Parses the text into the pieces; every other field is emptied first.
  void SetURI(const std::string& uri);

  const std::string& Protocol() const { return protocol_; }
  void SetProtocol(std::string value) { protocol_ = std::move(value); }
  const std::string& Host() const { return host_; }
  void SetHost(std::string value) { host_ = std::move(value); }
  const std::string& Port() const { return port_; }
  void SetPort(std::string value) { port_ = std::move(value); }
  // Empty or ending with "/" after a parse.
  const std::string& Path() const { return path_; }
  void SetPath(std::string value) { path_ = std::move(value); }
  const std::string& Document() const { return document_; }
  void SetDocument(std::string value) { document_ = std::move(value); }
  // Begins with its separator, "?" or "=", when present.
  const std::string& Params() const { return params_; }
  void SetParams(std::string value) { params_ = std::move(value); }
  const std::string& Bookmark() const { return bookmark_; }
  void SetBookmark(std::string value) { bookmark_ = std::move(value); }
  const std::string& Username() const { return username_; }
  void SetUsername(std::string value) { username_ = std::move(value); }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string value) { password_ = std::move(value); }

  // Protocol "://" [user [":" password] "@"] host [":" port] path document params ["#" bookmark].
  // EIdURIException "Protocol field is empty" / "Host field is empty".
  std::string GetFullURI(bool withUserInfo = true, bool withBookmark = true) const;
  // The absolute form of a request line sent through a proxy: stores the full form in URI()
  // and returns the form without user information and bookmark.
  std::string GetProxyRequestURI();
  // Path, document and params joined: the target of a direct request line.
  std::string GetPathAndParams() const;

  // Resolves `path` against `base`: "." segments stay, ".." removes the previous segment,
  // doubled slashes collapse, and a trailing slash survives only when `path` has one or is
  // empty.
  static std::string MergePath(const std::string& base, const std::string& path);

  // Bytes 0x00-0x1F and 0x7F as "%XX" (upper-case hex), so that no text taken from a URL can
  // end a line of a request head.
  static std::string PercentEncodeControls(std::string_view text);

 private:
  std::string uri_;
  std::string protocol_;
  std::string host_;
  std::string port_;
  std::string path_;
  std::string document_;
  std::string params_;
  std::string bookmark_;
  std::string username_;
  std::string password_;
};
