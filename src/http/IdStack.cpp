#include "http/IdStack.h"

#include <array>
#include <cstdint>
#include <utility>

#include "http/IdException.h"
#include "rtl/sysutils.h"

namespace {

constexpr std::uint16_t kWinsockVersion = 0x0202;

constexpr std::array<std::pair<int, const char*>, 39> kErrorTexts{{
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
    {11001, "Host not found."},
}};

// A decimal number of at most `limit`; no sign, no blanks, no other base.
bool IsNumberUpTo(std::string_view digits, std::uint64_t limit) {
  if (digits.empty() || digits.size() > 10) return false;
  std::uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value <= limit;
}

platform::Sockets& Api() { return platform::TheSockets(); }

}  // namespace

TIdStack::TIdStack() {
  if (Api().Startup(kWinsockVersion) != 0) {
    throw EIdStackInitializationFailed("Winsock Initialization Error.");
  }
}

TIdStack::~TIdStack() { Api().Cleanup(); }

platform::Socket TIdStack::CreateSocketHandle() {
  return Api().CreateSocket(platform::kAfInet, platform::kSockStream, 0);
}

int TIdStack::WSBind(platform::Socket s, const std::string& ip, std::uint16_t port) {
  return Api().Bind(s, ip, port);
}

int TIdStack::WSConnect(platform::Socket s, const std::string& ip, std::uint16_t port) {
  return Api().Connect(s, ip, port);
}

int TIdStack::WSConnectResult(platform::Socket s) { return Api().ConnectResult(s); }

int TIdStack::WSWaitForReadable(platform::Socket s, int timeoutMs) {
  return Api().WaitForReadable(s, timeoutMs);
}

int TIdStack::WSWaitForWritable(platform::Socket s, int timeoutMs) {
  return Api().WaitForWritable(s, timeoutMs);
}

int TIdStack::WSRecv(platform::Socket s, char* buffer, int length) {
  return Api().Recv(s, buffer, length);
}

int TIdStack::WSSend(platform::Socket s, const char* buffer, int length) {
  return Api().Send(s, buffer, length);
}

int TIdStack::WSShutdown(platform::Socket s, int how) { return Api().Shutdown(s, how); }

int TIdStack::WSCloseSocket(platform::Socket s) { return Api().CloseSocket(s); }

int TIdStack::WSSetNoDelay(platform::Socket s, bool noDelay) {
  return Api().SetTcpNoDelay(s, noDelay);
}

int TIdStack::WSGetSockName(platform::Socket s, platform::SocketAddress& address) {
  return Api().GetSockName(s, address);
}

int TIdStack::WSGetPeerName(platform::Socket s, platform::SocketAddress& address) {
  return Api().GetPeerName(s, address);
}

int TIdStack::WSGetLastError() { return Api().LastError(); }

std::string TIdStack::ResolveHost(const std::string& host) {
  if (SameText(host, "LOCALHOST")) return "127.0.0.1";
  if (IsIP(host)) return host;
  std::string ip;
  CheckForSocketError(Api().ResolveHost(host, ip));
  return ip;
}

bool TIdStack::IsIP(std::string_view text) {
  std::array<std::string_view, 4> parts;
  std::size_t count = 0;
  std::size_t start = 0;
  for (;;) {
    const auto dot = text.find('.', start);
    if (count == parts.size()) return false;
    parts[count++] = text.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  // The last part fills whatever bits the parts before it leave.
  constexpr std::array<std::uint64_t, 4> kLastLimits{0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
  for (std::size_t i = 0; i + 1 < count; ++i) {
    if (!IsNumberUpTo(parts[i], 0xFF)) return false;
  }
  return IsNumberUpTo(parts[count - 1], kLastLimits[count - 1]);
}

std::string TIdStack::WSTranslateSocketErrorMsg(int error) {
  for (const auto& [number, text] : kErrorTexts) {
    if (number == error) return text;
  }
  return {};
}

void TIdStack::RaiseSocketError(int error) {
  throw EIdSocketError(error,
                       Format("Socket Error # %d\r\n%s", {error, WSTranslateSocketErrorMsg(error)}));
}

int TIdStack::CheckForSocketError(int result) {
  if (result == platform::kSocketError) RaiseSocketError(WSGetLastError());
  return result;
}
