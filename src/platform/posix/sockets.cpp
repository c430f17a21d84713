#include "platform/sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

thread_local int lastError = 0;

int WinsockNumber(int error) {
  switch (error) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE:
    case ENFILE: return 10024;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS:
    case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case EPIPE:
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    default: return error;
  }
}

int ResolverNumber(int error) {
  switch (error) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return kWsaHostNotFound;
    case EAI_AGAIN: return kWsaTryAgain;
    case EAI_MEMORY: return 10055;
    case EAI_SYSTEM: return WinsockNumber(errno);
    default: return kWsaNoRecovery;
  }
}

int Fail(int winsockError) {
  lastError = winsockError;
  return kSocketError;
}

int FailFromErrno() { return Fail(WinsockNumber(errno)); }

int Checked(int result) { return result < 0 ? FailFromErrno() : result; }

int Fd(Socket s) { return static_cast<int>(s); }

bool ToSockaddr(const std::string& ip, std::uint16_t port, sockaddr_in& address) {
  std::memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (ip.empty()) {
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return true;
  }
  // inet_aton takes the short numeric forms too ("10.1", one 32-bit number).
  return inet_aton(ip.c_str(), &address.sin_addr) != 0;
}

void FromSockaddr(const sockaddr_in& address, SocketAddress& out) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  out.ip = text;
  out.port = ntohs(address.sin_port);
}

// The generic address types of the socket calls, reached without reinterpret_cast spreading.
sockaddr* AsGeneric(sockaddr_in& address) {
  void* raw = &address;
  return static_cast<sockaddr*>(raw);
}

int WaitFor(Socket s, short events, int timeoutMs) {
  pollfd entry{Fd(s), events, 0};
  for (;;) {
    const int ready = ::poll(&entry, 1, timeoutMs < 0 ? -1 : timeoutMs);
    if (ready >= 0) return ready > 0 ? 1 : 0;
    if (errno != EINTR) return FailFromErrno();
  }
}

int SetNonBlocking(int fd, bool on) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return -1;
  return ::fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}

class PlatformSockets final : public Sockets {
 public:
  int Startup(std::uint16_t) override { return 0; }
  int Cleanup() override { return 0; }

  Socket CreateSocket(int family, int type, int protocol) override {
    const int domain = family == kAfInet ? AF_INET : family;
    const int kind = (type == kSockStream ? SOCK_STREAM : type) | SOCK_CLOEXEC;
    const int fd = ::socket(domain, kind, protocol);
    if (fd < 0) {
      FailFromErrno();
      return kInvalidSocket;
    }
    return fd;
  }

  int Bind(Socket s, const std::string& ip, std::uint16_t port) override {
    sockaddr_in address;
    if (!ToSockaddr(ip, port, address)) return Fail(kWsaEInval);
    return Checked(::bind(Fd(s), AsGeneric(address), sizeof address));
  }

  int Connect(Socket s, const std::string& ip, std::uint16_t port) override {
    sockaddr_in address;
    if (!ToSockaddr(ip, port, address)) return Fail(kWsaEInval);
    if (SetNonBlocking(Fd(s), true) < 0) return FailFromErrno();
    const int result = ::connect(Fd(s), AsGeneric(address), sizeof address);
    const int error = errno;
    // Only the connect itself runs without blocking; a pending one goes on regardless.
    if (SetNonBlocking(Fd(s), false) < 0) return FailFromErrno();
    if (result == 0) return 0;
    return Fail(error == EINPROGRESS || error == EINTR ? kWsaEWouldBlock : WinsockNumber(error));
  }

  int ConnectResult(Socket s) override {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(Fd(s), SOL_SOCKET, SO_ERROR, &error, &length) < 0) return FailFromErrno();
    if (error != 0) return Fail(WinsockNumber(error));
    sockaddr_in peer;
    socklen_t peerLength = sizeof peer;
    return Checked(::getpeername(Fd(s), AsGeneric(peer), &peerLength));
  }

  int WaitForReadable(Socket s, int timeoutMs) override { return WaitFor(s, POLLIN, timeoutMs); }
  int WaitForWritable(Socket s, int timeoutMs) override { return WaitFor(s, POLLOUT, timeoutMs); }

  int Recv(Socket s, char* buffer, int length) override {
    for (;;) {
      const auto n = ::recv(Fd(s), buffer, static_cast<std::size_t>(length), 0);
      if (n >= 0) return static_cast<int>(n);
      if (errno != EINTR) return FailFromErrno();
    }
  }

  int Send(Socket s, const char* buffer, int length) override {
    for (;;) {
      const auto n = ::send(Fd(s), buffer, static_cast<std::size_t>(length), MSG_NOSIGNAL);
      if (n >= 0) return static_cast<int>(n);
      if (errno != EINTR) return FailFromErrno();
    }
  }

  int Shutdown(Socket s, int how) override {
    const int mode = how == kSdSend ? SHUT_WR : how == 0 ? SHUT_RD : SHUT_RDWR;
    return Checked(::shutdown(Fd(s), mode));
  }

  int CloseSocket(Socket s) override { return Checked(::close(Fd(s))); }

  int SetTcpNoDelay(Socket s, bool noDelay) override {
    const int value = noDelay ? 1 : 0;
    return Checked(::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &value, sizeof value));
  }

  int GetSockName(Socket s, SocketAddress& address) override {
    return ReadName(s, address, ::getsockname);
  }

  int GetPeerName(Socket s, SocketAddress& address) override {
    return ReadName(s, address, ::getpeername);
  }

  int ResolveHost(const std::string& name, std::string& ip) override {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (result != 0) return Fail(ResolverNumber(result));
    const auto* first = static_cast<const void*>(found->ai_addr);
    SocketAddress address;
    FromSockaddr(*static_cast<const sockaddr_in*>(first), address);
    ::freeaddrinfo(found);
    ip = address.ip;
    return 0;
  }

  int LastError() override { return lastError; }

 private:
  template <typename NameCall>
  static int ReadName(Socket s, SocketAddress& out, NameCall call) {
    sockaddr_in address;
    socklen_t length = sizeof address;
    if (call(Fd(s), AsGeneric(address), &length) < 0) return FailFromErrno();
    FromSockaddr(address, out);
    return 0;
  }
};

}  // namespace

Sockets& NativeSockets() {
  static PlatformSockets native;
  return native;
}

}  // namespace platform
