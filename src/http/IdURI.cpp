#include "http/IdURI.h"

#include "http/IdException.h"
#include "http/IdHeaderList.h"
#include "rtl/sysutils.h"

namespace {

// Cuts `text` at its first "#"; the part after goes to `bookmark`.
void SplitBookmark(std::string& text, std::string& bookmark) {
  const auto hash = text.find('#');
  if (hash == std::string::npos) return;
  bookmark = text.substr(hash + 1);
  text.erase(hash);
}

}  // namespace

TIdURI::TIdURI(const std::string& uri) { SetURI(uri); }

void TIdURI::SetURI(const std::string& uri) {
  // Windows-1251 has no double-byte characters, so every backslash is a separator.
  std::string text = ReplaceAll(uri, "\\", "/");
  *this = TIdURI();
  uri_ = text;

  const auto scheme = text.find("://");
  const bool absolute = scheme != std::string::npos;
  if (absolute) {
    protocol_ = text.substr(0, scheme);
    text.erase(0, scheme + 3);
    std::string authority = Fetch(text, '/');
    std::string hostPart = authority;
    if (const auto at = authority.find('@'); at != std::string::npos) {
      std::string userInfo = authority.substr(0, at);
      hostPart = authority.substr(at + 1);
      username_ = Fetch(userInfo, ':');
      password_ = username_.empty() ? std::string() : userInfo;
    }
    host_ = Fetch(hostPart, ':');
    port_ = hostPart;
  }

  auto query = text.find('?');
  if (query == std::string::npos) query = text.find('=');
  const auto slash = query == std::string::npos ? text.rfind('/') : text.rfind('/', query);
  const std::size_t documentStart = slash == std::string::npos ? 0 : slash + 1;
  path_ = (absolute ? "/" : "") + text.substr(0, documentStart);
  if (query == std::string::npos) {
    document_ = text.substr(documentStart);
  } else {
    document_ = text.substr(documentStart, query - documentStart);
    params_ = text.substr(query);
  }

  if (absolute) SplitBookmark(document_, bookmark_);
  if (bookmark_.empty()) SplitBookmark(params_, bookmark_);
}

std::string TIdURI::GetFullURI(bool withUserInfo, bool withBookmark) const {
  if (protocol_.empty()) throw EIdURIException("Protocol field is empty");
  if (host_.empty()) throw EIdURIException("Host field is empty");
  std::string result = protocol_ + "://";
  if (withUserInfo && !username_.empty()) {
    result += username_;
    if (!password_.empty()) result += ":" + password_;
    result += "@";
  }
  result += host_;
  if (!port_.empty()) result += ":" + port_;
  result += GetPathAndParams();
  if (withBookmark && !bookmark_.empty()) result += "#" + bookmark_;
  return result;
}

std::string TIdURI::GetProxyRequestURI() {
  uri_ = GetFullURI(true, true);
  return GetFullURI(false, false);
}

std::string TIdURI::GetPathAndParams() const { return path_ + document_ + params_; }

std::string TIdURI::MergePath(const std::string& base, const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  const bool keepTrailingSlash = path.empty() || path.back() == '/';
  std::string work = base;
  if (!work.empty() && work.back() != '/') work += '/';
  work += path;

  std::string result;
  for (std::size_t i = 0; i < work.size(); ++i) {
    const char c = work[i];
    const bool endsWithSlash = !result.empty() && result.back() == '/';
    if (c == '/') {
      if (!endsWithSlash) result += '/';
    } else if (c == '.' && endsWithSlash && i + 1 < work.size() && work[i + 1] == '.') {
      result.pop_back();
      while (!result.empty() && result.back() != '/') result.pop_back();
      ++i;
    } else {
      result += c;
    }
  }
  if (result != "/" && !keepTrailingSlash && !result.empty() && result.back() == '/') {
    result.pop_back();
  }
  return result;
}

std::string TIdURI::PercentEncodeControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      result += '%';
      result += kHex[byte >> 4];
      result += kHex[byte & 0x0F];
    } else {
      result += c;
    }
  }
  return result;
}
