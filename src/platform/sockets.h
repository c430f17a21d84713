#pragma once
// The socket library behind one narrow interface, in the shape of Windows Sockets 2.2: calls
// report failure by returning -1 (kSocketError) and leave the reason in LastError(), always in
// Windows socket numbering, so the messages above read the same on every system. Tests put a
// fake in place to reach every failure path.

#include <cstdint>
#include <string>

namespace platform {

using Socket = std::intptr_t;
inline constexpr Socket kInvalidSocket = -1;
inline constexpr int kSocketError = -1;

inline constexpr int kAfInet = 2;
inline constexpr int kSockStream = 1;
inline constexpr int kSdSend = 1;

// Windows socket error numbers that the layer above looks at.
inline constexpr int kWsaEInval = 10022;
inline constexpr int kWsaEWouldBlock = 10035;
inline constexpr int kWsaEAddrInUse = 10048;
inline constexpr int kWsaEConnAborted = 10053;
inline constexpr int kWsaEConnReset = 10054;
inline constexpr int kWsaEShutdown = 10058;
inline constexpr int kWsaETimedOut = 10060;
inline constexpr int kWsaHostNotFound = 11001;
inline constexpr int kWsaTryAgain = 11002;
inline constexpr int kWsaNoRecovery = 11003;

// An IPv4 address as dotted text and a port.
struct SocketAddress {
  std::string ip;
  std::uint16_t port = 0;
};

class Sockets {
 public:
  virtual ~Sockets() = default;

  // WSAStartup / WSACleanup: 0 on success, else an error number.
  virtual int Startup(std::uint16_t version) = 0;
  virtual int Cleanup() = 0;

  // kInvalidSocket on failure.
  virtual Socket CreateSocket(int family, int type, int protocol) = 0;
  // `ip` is a numeric IPv4 text; empty binds to any local address.
  virtual int Bind(Socket s, const std::string& ip, std::uint16_t port) = 0;
  // Begins a connect without blocking: 0 when it completed at once, else -1 with
  // kWsaEWouldBlock while it is under way (wait for writability, then ask ConnectResult) or
  // with the failure. The socket itself stays in blocking mode for every other call.
  virtual int Connect(Socket s, const std::string& ip, std::uint16_t port) = 0;
  // The outcome of a connect begun by Connect: 0, or -1 with its error.
  virtual int ConnectResult(Socket s) = 0;
  // 1 when ready (or in error, so that the next call reports it), 0 on timeout, -1 on failure.
  // A negative timeout waits without limit.
  virtual int WaitForReadable(Socket s, int timeoutMs) = 0;
  virtual int WaitForWritable(Socket s, int timeoutMs) = 0;
  // Bytes moved, 0 for a peer that closed (Recv), or -1.
  virtual int Recv(Socket s, char* buffer, int length) = 0;
  // Never raises a signal for a closed peer: that is an error (kWsaEShutdown) instead.
  virtual int Send(Socket s, const char* buffer, int length) = 0;
  virtual int Shutdown(Socket s, int how) = 0;
  virtual int CloseSocket(Socket s) = 0;
  virtual int SetTcpNoDelay(Socket s, bool noDelay) = 0;
  virtual int GetSockName(Socket s, SocketAddress& address) = 0;
  virtual int GetPeerName(Socket s, SocketAddress& address) = 0;
  // The first IPv4 address of a host name, as dotted text; thread-safe.
  virtual int ResolveHost(const std::string& name, std::string& ip) = 0;

  // WSAGetLastError of the calling thread.
  virtual int LastError() = 0;
};

// The implementation in use: the native one unless a test has put another in place.
Sockets& TheSockets();
// Puts an implementation in place (nullptr restores the native one). For tests.
void UseSockets(Sockets* sockets);
// The operating system's own sockets.
Sockets& NativeSockets();

}  // namespace platform
