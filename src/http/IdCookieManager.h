#pragma once
// The client's cookie store: accepts the cookies of response heads and builds the "Cookie"
// value of a request.

#include <functional>
#include <string>

#include "http/IdCookie.h"

class TIdURI;

class TIdCookieManager {
 public:
  using TOnManagerEvent = std::function<void(TIdCookieManager& sender, TIdCookies& cookies)>;
  // Clearing `accept` drops the cookie.
  using TOnNewCookieEvent =
      std::function<void(TIdCookieManager& sender, TIdCookieRFC2109& cookie, bool& accept)>;

  TIdCookieManager() = default;
  // Raises OnDestroy; its handler must not throw.
  ~TIdCookieManager();
  TIdCookieManager(const TIdCookieManager&) = delete;
  TIdCookieManager& operator=(const TIdCookieManager&) = delete;

  // Raised by Loaded(), once the owner has set the events up.
  TOnManagerEvent OnCreate;
  TOnManagerEvent OnDestroy;
  // Unassigned: every cookie is accepted.
  TOnNewCookieEvent OnNewCookie;

  // Called by the owner after it has assigned the events; raises OnCreate.
  void Loaded();

  // A "Set-cookie" value received from `host`.
  void AddCookie(const std::string& cookie, const std::string& host);
  // A "Set-cookie2" value received from `host`; EConvertError for a bad "Port" list item.
  void AddCookie2(const std::string& cookie, const std::string& host);

  // The "Cookie" value for a request to `target`; expired cookies are purged first. Empty
  // when no cookie matches.
  std::string CookieString(const TIdURI& target, bool secure);

  TIdCookies& CookieCollection() { return cookies_; }
  const TIdCookies& CookieCollection() const { return cookies_; }

 private:
  void AddParsed(std::unique_ptr<TIdCookieRFC2109> cookie, const std::string& cookieText,
                 const std::string& host);

  TIdCookies cookies_;
};
