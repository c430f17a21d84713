#include "http/IdCookie.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <mutex>

#include "http/IdHeaderList.h"
#include "rtl/sysutils.h"

namespace {

std::vector<std::string> SplitItems(std::string_view text) {
  auto items = SplitAt(text, ';');
  for (auto& item : items) item = Trim(item);
  if (items.size() > 1 && items.back().empty()) items.pop_back();
  return items;
}

TIdCookieAttribute ToAttribute(const std::string& item) {
  const auto equals = item.find('=');
  if (equals == std::string::npos) return {UpperCase(item), std::string()};
  return {UpperCase(item.substr(0, equals)), item.substr(equals + 1)};
}

const TIdCookieAttribute* FindAttribute(const std::vector<TIdCookieAttribute>& attributes,
                                        std::string_view name) {
  const auto found = std::find_if(attributes.begin(), attributes.end(),
                                  [name](const auto& a) { return SameText(a.name, name); });
  return found == attributes.end() ? nullptr : &*found;
}

std::string AttributeValue(const std::vector<TIdCookieAttribute>& attributes,
                           std::string_view name) {
  const auto* attribute = FindAttribute(attributes, name);
  return attribute ? attribute->value : std::string();
}

std::string Unquote(std::string text) {
  if (!text.empty() && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  return text;
}

// A double-quoted, comma-separated list of decimal ports; any other form gives no ports.
std::vector<int> ParsePortList(const std::string& text) {
  std::vector<int> ports;
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return ports;
  for (const auto& item : SplitAt(std::string_view(text).substr(1, text.size() - 2), ',')) {
    ports.push_back(DecimalToInt(Trim(item)));
  }
  return ports;
}

// The host itself, or a domain that ends the host on a label boundary.
bool DomainCovers(std::string_view domain, std::string_view host) {
  if (SameText(domain, host)) return true;
  if (domain.empty() || host.size() <= domain.size()) return false;
  const auto tailStart = host.size() - domain.size();
  return SameText(host.substr(tailStart), domain) &&
         (domain.front() == '.' || host[tailStart - 1] == '.');
}

}  // namespace

// ---- TIdNetscapeCookie ---------------------------------------------------------------------

void TIdNetscapeCookie::SetCookieText(const std::string& text) {
  if (text == cookieText_) return;
  cookieText_ = text;
  const auto items = SplitItems(text);
  const auto equals = items.front().find('=');
  name_ = items.front().substr(0, equals);
  value_ = equals == std::string::npos ? std::string() : items.front().substr(equals + 1);
  std::vector<TIdCookieAttribute> attributes;
  std::transform(items.begin() + 1, items.end(), std::back_inserter(attributes), ToAttribute);
  LoadProperties(attributes);
}

void TIdNetscapeCookie::LoadProperties(const std::vector<TIdCookieAttribute>& attributes) {
  path_ = Unquote(AttributeValue(attributes, "PATH"));
  expires_ = AttributeValue(attributes, "EXPIRES");
  domain_ = AttributeValue(attributes, "DOMAIN");
  secure_ = FindAttribute(attributes, "SECURE") != nullptr;
}

bool TIdNetscapeCookie::IsExpired(std::int64_t unixNow) const {
  if (expires_.empty()) return false;
  const auto expiry = ParseHTTPDate(expires_);
  return expiry && *expiry < unixNow;
}

// ---- TIdCookieRFC2109 ----------------------------------------------------------------------

void TIdCookieRFC2109::LoadProperties(const std::vector<TIdCookieAttribute>& attributes) {
  TIdNetscapeCookie::LoadProperties(attributes);
  maxAge_ = TryDecimalToInt64(Trim(AttributeValue(attributes, "MAX-AGE"))).value_or(-1);
  version_ = AttributeValue(attributes, "VERSION");
  comment_ = AttributeValue(attributes, "COMMENT");
  if (Expires().empty() && maxAge_ >= 0) {
    const std::int64_t now = UnixNow();
    constexpr auto kLatest = std::numeric_limits<std::int64_t>::max();
    // A huge age means the far future, never an overflow.
    SetExpires(FormatHTTPDate(maxAge_ > kLatest - now ? kLatest : now + maxAge_));
  }
}

// ---- TIdCookieRFC2965 ----------------------------------------------------------------------

void TIdCookieRFC2965::LoadProperties(const std::vector<TIdCookieAttribute>& attributes) {
  TIdCookieRFC2109::LoadProperties(attributes);
  commentURL_ = AttributeValue(attributes, "CommentURL");
  discard_ = FindAttribute(attributes, "DISCARD") != nullptr;
  const auto* port = FindAttribute(attributes, "Port");
  portList_ = port ? ParsePortList(port->value) : std::vector<int>{80};
}

// ---- TIdCookieList -------------------------------------------------------------------------

TIdCookieList::TIdCookieList(std::string domain, std::string path)
    : domain_(std::move(domain)), path_(std::move(path)) {}

const TIdCookieRFC2109& TIdCookieList::Cookies(int index) const {
  if (index < 0 || index >= Count()) {
    throw EStringListError(Format("List index out of bounds (%d)", {index}));
  }
  return *cookies_[static_cast<std::size_t>(index)];
}

void TIdCookieList::AddOrReplace(std::unique_ptr<TIdCookieRFC2109> cookie) {
  const auto found = std::find_if(cookies_.begin(), cookies_.end(), [&cookie](const auto& c) {
    return c->CookieName() == cookie->CookieName();
  });
  if (found == cookies_.end()) {
    cookies_.push_back(std::move(cookie));
  } else {
    *found = std::move(cookie);
  }
}

void TIdCookieList::RemoveExpired(std::int64_t unixNow) {
  std::erase_if(cookies_, [unixNow](const auto& c) { return c->IsExpired(unixNow); });
}

// ---- TIdCookies ----------------------------------------------------------------------------

int TIdCookies::Count() const {
  std::shared_lock guard(lock_);
  int count = 0;
  for (const auto& group : groups_) count += group->Count();
  return count;
}

int TIdCookies::GroupCount() const {
  std::shared_lock guard(lock_);
  return static_cast<int>(groups_.size());
}

void TIdCookies::AddCookie(std::unique_ptr<TIdCookieRFC2109> cookie) {
  std::unique_lock guard(lock_);
  auto group = std::find_if(groups_.begin(), groups_.end(), [&cookie](const auto& g) {
    return g->Domain() == cookie->Domain() && g->Path() == cookie->Path();
  });
  if (group == groups_.end()) {
    groups_.push_back(std::make_unique<TIdCookieList>(cookie->Domain(), cookie->Path()));
    group = groups_.end() - 1;
  }
  (*group)->AddOrReplace(std::move(cookie));
}

void TIdCookies::RemoveExpired(std::int64_t unixNow) {
  std::unique_lock guard(lock_);
  for (auto& group : groups_) group->RemoveExpired(unixNow);
  std::erase_if(groups_, [](const auto& g) { return g->Count() == 0; });
}

std::vector<TIdCookieChoice> TIdCookies::Matching(std::string_view host, std::string_view path,
                                                  bool secure) const {
  std::shared_lock guard(lock_);
  std::vector<TIdCookieChoice> chosen;
  for (const auto& group : groups_) {
    if (!DomainCovers(group->Domain(), host) || !path.starts_with(group->Path())) continue;
    for (int i = 0; i < group->Count(); ++i) {
      const auto& cookie = group->Cookies(i);
      if (cookie.Value().empty() || (cookie.Secure() && !secure)) continue;
      chosen.push_back({cookie.CookieName(), cookie.Value(), cookie.Path()});
    }
  }
  return chosen;
}
