// The Sockets interface on Windows: Windows Sockets 2.2 through the library loaded at run time.

#include <array>
#include <cstring>

#include "platform/sockets.h"
#include "platform/win32/winsock2_library.h"

namespace platform {

namespace {

constexpr int kWsaNoData = 11004;
constexpr char kBroadcastAddress[] = "255.255.255.255";

thread_local int lastError = 0;

win32::Winsock2Library& Ws2() { return win32::Winsock2(); }

int Fail(int winsockError) {
  lastError = winsockError;
  return kSocketError;
}

int FailWithLastError() { return Fail(Ws2().wsaGetLastError()); }

int Checked(int result) { return result == SOCKET_ERROR ? FailWithLastError() : result; }

SOCKET AsSocket(Socket s) { return static_cast<SOCKET>(s); }

std::uint16_t NetworkOrder(std::uint16_t port) {
  const std::array<unsigned char, 2> bytes{static_cast<unsigned char>(port >> 8),
                                           static_cast<unsigned char>(port & 0xFF)};
  std::uint16_t value = 0;
  std::memcpy(&value, bytes.data(), bytes.size());
  return value;
}

std::uint16_t HostOrder(std::uint16_t networkPort) {
  std::array<unsigned char, 2> bytes{};
  std::memcpy(bytes.data(), &networkPort, bytes.size());
  return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

// The dotted text of four address bytes in network order.
std::string DottedText(const void* addressBytes) {
  std::array<unsigned char, 4> bytes{};
  std::memcpy(bytes.data(), addressBytes, bytes.size());
  return IntToStr(bytes[0]) + "." + IntToStr(bytes[1]) + "." + IntToStr(bytes[2]) + "." +
         IntToStr(bytes[3]);
}

// inet_addr takes the short numeric forms too ("10.1", one 32-bit number); its failure value
// is also the broadcast address.
bool ToSockaddr(const std::string& ip, std::uint16_t port, sockaddr_in& address) {
  address = sockaddr_in{};
  address.sin_family = AF_INET;
  address.sin_port = NetworkOrder(port);
  if (ip.empty()) {
    address.sin_addr.s_addr = INADDR_ANY;
    return true;
  }
  address.sin_addr.s_addr = Ws2().inet_addr(ip.c_str());
  return address.sin_addr.s_addr != INADDR_NONE || ip == kBroadcastAddress;
}

sockaddr* AsGeneric(sockaddr_in& address) { return reinterpret_cast<sockaddr*>(&address); }

// A set that holds one socket; select leaves it empty when the socket is not ready.
fd_set SetOf(Socket s) {
  fd_set set{};
  set.fd_count = 1;
  set.fd_array[0] = AsSocket(s);
  return set;
}

int Select(fd_set* readable, fd_set* writable, fd_set* failed, int timeoutMs) {
  timeval limit{timeoutMs / 1000, timeoutMs % 1000 * 1000};
  const int ready = Ws2().select(0, readable, writable, failed, timeoutMs < 0 ? nullptr : &limit);
  if (ready == SOCKET_ERROR) return FailWithLastError();
  return ready > 0 ? 1 : 0;
}

int SetNonBlocking(Socket s, bool on) {
  u_long mode = on ? 1 : 0;
  return Ws2().ioctlsocket(AsSocket(s), static_cast<long>(FIONBIO), &mode);
}

class PlatformSockets final : public Sockets {
 public:
  int Startup(std::uint16_t version) override {
    WSADATA data{};
    return Ws2().wsaStartup(version, &data);
  }

  int Cleanup() override {
    return Ws2().wsaCleanup() == SOCKET_ERROR ? Ws2().wsaGetLastError() : 0;
  }

  Socket CreateSocket(int family, int type, int protocol) override {
    const SOCKET s = Ws2().socket(family, type, protocol);
    if (s == INVALID_SOCKET) {
      FailWithLastError();
      return kInvalidSocket;
    }
    // An installer started with inherited handles must not hold our connections open.
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return static_cast<Socket>(s);
  }

  int Bind(Socket s, const std::string& ip, std::uint16_t port) override {
    sockaddr_in address;
    if (!ToSockaddr(ip, port, address)) return Fail(kWsaEInval);
    return Checked(Ws2().bind(AsSocket(s), AsGeneric(address), sizeof address));
  }

  int Connect(Socket s, const std::string& ip, std::uint16_t port) override {
    sockaddr_in address;
    if (!ToSockaddr(ip, port, address)) return Fail(kWsaEInval);
    if (SetNonBlocking(s, true) == SOCKET_ERROR) return FailWithLastError();
    const int result = Ws2().connect(AsSocket(s), AsGeneric(address), sizeof address);
    const int error = result == SOCKET_ERROR ? Ws2().wsaGetLastError() : 0;
    // Only the connect itself runs without blocking; a pending one goes on regardless.
    if (SetNonBlocking(s, false) == SOCKET_ERROR) return FailWithLastError();
    if (result == 0) return 0;
    return Fail(error == WSAEINPROGRESS ? kWsaEWouldBlock : error);
  }

  int ConnectResult(Socket s) override {
    int error = 0;
    int length = sizeof error;
    if (Ws2().getsockopt(AsSocket(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                         &length) == SOCKET_ERROR) {
      return FailWithLastError();
    }
    if (error != 0) return Fail(error);
    sockaddr_in peer;
    int peerLength = sizeof peer;
    return Checked(Ws2().getpeername(AsSocket(s), AsGeneric(peer), &peerLength));
  }

  int WaitForReadable(Socket s, int timeoutMs) override {
    fd_set readable = SetOf(s);
    return Select(&readable, nullptr, nullptr, timeoutMs);
  }

  // A connect that failed shows in the exception set, not in the writable one.
  int WaitForWritable(Socket s, int timeoutMs) override {
    fd_set writable = SetOf(s);
    fd_set failed = SetOf(s);
    return Select(nullptr, &writable, &failed, timeoutMs);
  }

  int Recv(Socket s, char* buffer, int length) override {
    return Checked(Ws2().recv(AsSocket(s), buffer, length, 0));
  }

  int Send(Socket s, const char* buffer, int length) override {
    return Checked(Ws2().send(AsSocket(s), buffer, length, 0));
  }

  int Shutdown(Socket s, int how) override { return Checked(Ws2().shutdown(AsSocket(s), how)); }

  int CloseSocket(Socket s) override { return Checked(Ws2().closesocket(AsSocket(s))); }

  int SetTcpNoDelay(Socket s, bool noDelay) override {
    const int value = noDelay ? 1 : 0;
    return Checked(Ws2().setsockopt(AsSocket(s), IPPROTO_TCP, TCP_NODELAY,
                                    reinterpret_cast<const char*>(&value), sizeof value));
  }

  int GetSockName(Socket s, SocketAddress& address) override {
    return ReadName(s, address, Ws2().getsockname);
  }

  int GetPeerName(Socket s, SocketAddress& address) override {
    return ReadName(s, address, Ws2().getpeername);
  }

  // gethostbyname keeps its answer per thread, so concurrent lookups do not meet.
  int ResolveHost(const std::string& name, std::string& ip) override {
    const hostent* host = Ws2().gethostbyname(name.c_str());
    if (host == nullptr) return FailWithLastError();
    if (host->h_addrtype != AF_INET || host->h_addr_list[0] == nullptr) return Fail(kWsaNoData);
    ip = DottedText(host->h_addr_list[0]);
    return 0;
  }

  int LastError() override { return lastError; }

 private:
  template <typename NameCall>
  static int ReadName(Socket s, SocketAddress& out, NameCall call) {
    sockaddr_in address;
    int length = sizeof address;
    if (call(AsSocket(s), AsGeneric(address), &length) == SOCKET_ERROR) {
      return FailWithLastError();
    }
    out.ip = DottedText(&address.sin_addr);
    out.port = HostOrder(address.sin_port);
    return 0;
  }
};

}  // namespace

Sockets& NativeSockets() {
  static PlatformSockets native;
  return native;
}

}  // namespace platform
