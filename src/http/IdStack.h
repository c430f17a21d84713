#pragma once
// The process-wide socket library object: the socket calls of the platform, the error texts of
// the Windows socket library and the raising of EIdSocketError.

#include <string>
#include <string_view>

#include "platform/sockets.h"

class TIdStack {
 public:
  // Starts the socket library in version 2.2; EIdStackInitializationFailed when it refuses.
  TIdStack();
  ~TIdStack();
  TIdStack(const TIdStack&) = delete;
  TIdStack& operator=(const TIdStack&) = delete;

  // A stream socket of the IPv4 family; kInvalidSocket when none can be made.
  platform::Socket CreateSocketHandle();
  int WSBind(platform::Socket s, const std::string& ip, std::uint16_t port);
  int WSConnect(platform::Socket s, const std::string& ip, std::uint16_t port);
  int WSConnectResult(platform::Socket s);
  int WSWaitForReadable(platform::Socket s, int timeoutMs);
  int WSWaitForWritable(platform::Socket s, int timeoutMs);
  int WSRecv(platform::Socket s, char* buffer, int length);
  int WSSend(platform::Socket s, const char* buffer, int length);
  int WSShutdown(platform::Socket s, int how);
  int WSCloseSocket(platform::Socket s);
  int WSSetNoDelay(platform::Socket s, bool noDelay);
  int WSGetSockName(platform::Socket s, platform::SocketAddress& address);
  int WSGetPeerName(platform::Socket s, platform::SocketAddress& address);
  int WSGetLastError();

  // "LOCALHOST" (any case) is 127.0.0.1 and a numeric address stays as it is; any other name is
  // looked up. EIdSocketError with the lookup's error number when it fails.
  std::string ResolveHost(const std::string& host);

  // Four dotted numbers of 0 to 255, or the short forms: three parts whose last is a 16-bit
  // number, two parts whose last is a 24-bit number, one 32-bit number.
  static bool IsIP(std::string_view text);

  // The text of a Windows socket error number; empty for a number outside the table.
  static std::string WSTranslateSocketErrorMsg(int error);
  [[noreturn]] static void RaiseSocketError(int error);
  // Raises EIdSocketError with the last error when `result` is the failure value.
  int CheckForSocketError(int result);
};
