#pragma once
// One socket and its local and peer addresses.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/sockets.h"

// The longest single wait on a socket: between two slices the caller's idle hook runs, so a
// window that pumps its messages there stays alive and a Cancel can end the wait.
inline constexpr int kIdleSliceMs = 50;

enum class TIdWaitResult { wrReady, wrTimedOut, wrAbandoned };

// Waits with `waitOnce(ms)` (1 ready, 0 not yet, anything else a failed wait, which ends the
// wait as timed out) in slices of at most kIdleSliceMs until `timeoutMs` has passed (negative:
// no limit). After each slice without an answer `idle()` runs; when it answers false the wait
// is abandoned.
TIdWaitResult WaitInSlices(int timeoutMs, const std::function<int(int)>& waitOnce,
                           const std::function<bool()>& idle);

class TIdSocketHandle {
 public:
  TIdSocketHandle() = default;
  ~TIdSocketHandle();
  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

  // A new stream socket; EIdInvalidSocket "Cannot allocate socket." when none can be made.
  void AllocateSocket();
  // Empty `ip`: any local address; port 0: any port. EIdInvalidIPAddress for a text that is
  // not a numeric address, EIdCouldNotBindSocket when the address is in use.
  void Bind(const std::string& ip, std::uint16_t port);
  void SetPeer(const std::string& ip, std::uint16_t port);
  // TCP_NODELAY on or off.
  void SetNoDelay(bool noDelay);
  // Connects to the peer, waiting in slices (see WaitInSlices); `timeoutMs` 0 leaves the
  // bound to the system. EIdSocketError for a failure (10060 when `timeoutMs` passed);
  // EIdNotConnected when the socket was closed from `idle`.
  void Connect(int timeoutMs, const std::function<void()>& idle);

  // Shuts sending down and closes, without events; nothing when no socket is open.
  void CloseSocket();
  // Closes and forgets the addresses.
  void Reset();

  bool HandleAllocated() const { return handle_ != platform::kInvalidSocket; }

  // 1 readable, 0 not within the timeout, -1 a failed wait.
  int Readable(int timeoutMs);
  int Recv(char* buffer, int length);
  int Send(const char* buffer, int length);

  const std::string& IP() const { return ip_; }
  std::uint16_t Port() const { return port_; }
  const std::string& PeerIP() const { return peerIP_; }
  std::uint16_t PeerPort() const { return peerPort_; }

 private:
  void UpdateBindings();

  platform::Socket handle_ = platform::kInvalidSocket;
  std::string ip_;
  std::uint16_t port_ = 0;
  std::string peerIP_;
  std::uint16_t peerPort_ = 0;
};
