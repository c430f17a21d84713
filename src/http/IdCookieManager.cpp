#include "http/IdCookieManager.h"

#include <algorithm>

#include "http/IdHeaderList.h"
#include "http/IdURI.h"
#include "rtl/sysutils.h"

namespace {

// Four decimal parts of 0 to 255 joined by dots.
bool IsIPv4Address(std::string_view host) {
  const auto parts = SplitAt(host, '.');
  return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](const auto& part) {
           const auto number = TryDecimalToUInt64(part);
           return part.size() <= 3 && number && *number <= 255;
         });
}

// Whether a cookie for `domain` may be set by a response from `host`.
bool IsCookieDomainAcceptable(const std::string& domain, const std::string& host) {
  if (IsIPv4Address(host)) return domain == host;
  if (!host.empty() && host.front() == '.') return SameText(domain, host);
  if (domain.empty() || domain.front() != '.') {
    // The tail must be the whole host or start after a dot: "badexample.com" does not own
    // "example.com".
    return host.ends_with(domain) &&
           (host.size() == domain.size() || host[host.size() - domain.size() - 1] == '.');
  }
  const auto firstDot = host.find('.');
  return firstDot != std::string::npos &&
         std::string_view(host).substr(firstDot).ends_with(domain);
}

}  // namespace

TIdCookieManager::~TIdCookieManager() {
  if (OnDestroy) OnDestroy(*this, cookies_);
}

void TIdCookieManager::Loaded() {
  if (OnCreate) OnCreate(*this, cookies_);
}

void TIdCookieManager::AddCookie(const std::string& cookie, const std::string& host) {
  AddParsed(std::make_unique<TIdCookieRFC2109>(), cookie, host);
}

void TIdCookieManager::AddCookie2(const std::string& cookie, const std::string& host) {
  AddParsed(std::make_unique<TIdCookieRFC2965>(), cookie, host);
}

void TIdCookieManager::AddParsed(std::unique_ptr<TIdCookieRFC2109> cookie,
                                 const std::string& cookieText, const std::string& host) {
  cookie->SetCookieText(cookieText);
  if (cookie->Domain().empty()) cookie->SetDomain(host);
  if (!IsCookieDomainAcceptable(cookie->Domain(), host)) return;
  bool accept = true;
  if (OnNewCookie) OnNewCookie(*this, *cookie, accept);
  if (accept) cookies_.AddCookie(std::move(cookie));
}

std::string TIdCookieManager::CookieString(const TIdURI& target, bool secure) {
  cookies_.RemoveExpired(UnixNow());
  auto chosen = cookies_.Matching(target.Host(), target.Path(), secure);
  std::stable_sort(chosen.begin(), chosen.end(),
                   [](const auto& a, const auto& b) { return a.path < b.path; });
  std::string result;
  for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
    if (!result.empty()) result += "; ";
    result += it->name + "=" + it->value;
  }
  return result;
}
