#pragma once
// Cookie records and their store: groups keyed by domain and path, cookies keyed by name.

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

// One attribute of a cookie text: "NAME=value" with the name upper-cased, or a bare word
// upper-cased as a whole.
struct TIdCookieAttribute {
  std::string name;
  std::string value;
};

// A cookie of the original form.
class TIdNetscapeCookie {
 public:
  TIdNetscapeCookie() = default;
  virtual ~TIdNetscapeCookie() = default;

  // The cookie text last parsed.
  const std::string& CookieText() const { return cookieText_; }
  // Parses a "Set-cookie" style value; a text equal to the one held is not parsed again.
  void SetCookieText(const std::string& text);

  const std::string& CookieName() const { return name_; }
  void SetCookieName(std::string value) { name_ = std::move(value); }
  const std::string& Value() const { return value_; }
  void SetValue(std::string value) { value_ = std::move(value); }
  const std::string& Domain() const { return domain_; }
  void SetDomain(std::string value) { domain_ = std::move(value); }
  const std::string& Path() const { return path_; }
  void SetPath(std::string value) { path_ = std::move(value); }
  // The expiry as its text; empty when the cookie does not expire.
  const std::string& Expires() const { return expires_; }
  void SetExpires(std::string value) { expires_ = std::move(value); }
  bool Secure() const { return secure_; }
  void SetSecure(bool value) { secure_ = value; }

  // True when the expiry text is a date before `unixNow`; a text that is no date never expires.
  bool IsExpired(std::int64_t unixNow) const;

 protected:
  // Reads the attributes this class knows; derived classes read theirs after the base's.
  virtual void LoadProperties(const std::vector<TIdCookieAttribute>& attributes);

 private:
  std::string cookieText_;
  std::string name_;
  std::string value_;
  std::string domain_;
  std::string path_;
  std::string expires_;
  bool secure_ = false;
};

// A cookie from "Set-cookie".
class TIdCookieRFC2109 : public TIdNetscapeCookie {
 public:
  // -1 when the text had none or an invalid one.
  std::int64_t MaxAge() const { return maxAge_; }
  void SetMaxAge(std::int64_t value) { maxAge_ = value; }
  const std::string& Version() const { return version_; }
  void SetVersion(std::string value) { version_ = std::move(value); }
  const std::string& Comment() const { return comment_; }
  void SetComment(std::string value) { comment_ = std::move(value); }

 protected:
  void LoadProperties(const std::vector<TIdCookieAttribute>& attributes) override;

 private:
  std::int64_t maxAge_ = -1;
  std::string version_;
  std::string comment_;
};

// A cookie from "Set-cookie2".
class TIdCookieRFC2965 : public TIdCookieRFC2109 {
 public:
  const std::string& CommentURL() const { return commentURL_; }
  void SetCommentURL(std::string value) { commentURL_ = std::move(value); }
  bool Discard() const { return discard_; }
  void SetDiscard(bool value) { discard_ = value; }
  const std::vector<int>& PortList() const { return portList_; }
  void SetPortList(std::vector<int> value) { portList_ = std::move(value); }

 protected:
  // A "Port" list item that is not a decimal number raises EConvertError
  // "'%s' is not a valid integer value".
  void LoadProperties(const std::vector<TIdCookieAttribute>& attributes) override;

 private:
  std::string commentURL_;
  bool discard_ = false;
  std::vector<int> portList_{80};
};

// The cookies of one domain and path, keyed by name.
class TIdCookieList {
 public:
  TIdCookieList(std::string domain, std::string path);

  const std::string& Domain() const { return domain_; }
  const std::string& Path() const { return path_; }
  int Count() const { return static_cast<int>(cookies_.size()); }
  const TIdCookieRFC2109& Cookies(int index) const;

  // A cookie of the same name (exact case) gives its place to the new one; otherwise the new
  // one joins at the end.
  void AddOrReplace(std::unique_ptr<TIdCookieRFC2109> cookie);
  void RemoveExpired(std::int64_t unixNow);

 private:
  std::string domain_;
  std::string path_;
  std::vector<std::unique_ptr<TIdCookieRFC2109>> cookies_;
};

// A cookie chosen for a request.
struct TIdCookieChoice {
  std::string name;
  std::string value;
  std::string path;
};

// All cookies, held in their groups. Several readers may build cookie values while one writer
// adds or purges.
class TIdCookies {
 public:
  // The number of cookies in all groups.
  int Count() const;
  int GroupCount() const;

  // Puts the cookie into the group of its domain and path, creating the group when needed.
  void AddCookie(std::unique_ptr<TIdCookieRFC2109> cookie);
  // Removes the expired cookies and the groups left empty.
  void RemoveExpired(std::int64_t unixNow);
  // The cookies to send to `host` for the directory `path`, in group order: the group's
  // domain is the host or ends it on a label boundary (without regard to case), the group's
  // path (its cookies' path) is a prefix of `path` (exact case), the value is not empty, and
  // a secure cookie goes only over a secure connection.
  std::vector<TIdCookieChoice> Matching(std::string_view host, std::string_view path,
                                        bool secure) const;

 private:
  mutable std::shared_mutex lock_;
  std::vector<std::unique_ptr<TIdCookieList>> groups_;
};
