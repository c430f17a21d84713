#include "http/IdSocketHandle.h"

#include <algorithm>
#include <chrono>

#include "http/IdComponent.h"
#include "http/IdException.h"
#include "http/IdStack.h"
#include "rtl/sysutils.h"

TIdWaitResult WaitInSlices(int timeoutMs, const std::function<int(int)>& waitOnce,
                           const std::function<bool()>& idle) {
  using Clock = std::chrono::steady_clock;
  const bool limited = timeoutMs >= 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    int slice = kIdleSliceMs;
    if (limited) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      slice = static_cast<int>(std::clamp<std::int64_t>(left, 0, kIdleSliceMs));
    }
    const int answer = waitOnce(slice);
    if (answer == 1) return TIdWaitResult::wrReady;
    if (answer != 0) return TIdWaitResult::wrTimedOut;
    if (limited && Clock::now() >= deadline) return TIdWaitResult::wrTimedOut;
    if (!idle()) return TIdWaitResult::wrAbandoned;
  }
}

TIdSocketHandle::~TIdSocketHandle() { CloseSocket(); }

void TIdSocketHandle::AllocateSocket() {
  CloseSocket();
  handle_ = GStack().CreateSocketHandle();
  if (!HandleAllocated()) throw EIdInvalidSocket("Cannot allocate socket.");
}

void TIdSocketHandle::Bind(const std::string& ip, std::uint16_t port) {
  if (!ip.empty() && !TIdStack::IsIP(ip)) {
    throw EIdInvalidIPAddress(Format("%s is not a valid IP address.", {ip}));
  }
  auto& stack = GStack();
  if (stack.WSBind(handle_, ip, port) == platform::kSocketError) {
    const int error = stack.WSGetLastError();
    if (error == platform::kWsaEAddrInUse) {
      throw EIdCouldNotBindSocket("Could not bind socket. Address and port are already in use.");
    }
    TIdStack::RaiseSocketError(error);
  }
}

void TIdSocketHandle::SetPeer(const std::string& ip, std::uint16_t port) {
  peerIP_ = ip;
  peerPort_ = port;
}

void TIdSocketHandle::SetNoDelay(bool noDelay) {
  GStack().CheckForSocketError(GStack().WSSetNoDelay(handle_, noDelay));
}

void TIdSocketHandle::Connect(int timeoutMs, const std::function<void()>& idle) {
  auto& stack = GStack();
  if (stack.WSConnect(handle_, peerIP_, peerPort_) == platform::kSocketError) {
    const int error = stack.WSGetLastError();
    if (error != platform::kWsaEWouldBlock) TIdStack::RaiseSocketError(error);
    const auto outcome = WaitInSlices(
        timeoutMs > 0 ? timeoutMs : -1,
        [&](int slice) { return stack.WSWaitForWritable(handle_, slice); },
        [&] {
          idle();
          return HandleAllocated();
        });
    if (outcome == TIdWaitResult::wrAbandoned) throw EIdNotConnected("Not Connected");
    if (outcome == TIdWaitResult::wrTimedOut) TIdStack::RaiseSocketError(platform::kWsaETimedOut);
    stack.CheckForSocketError(stack.WSConnectResult(handle_));
  }
  UpdateBindings();
}

void TIdSocketHandle::UpdateBindings() {
  auto& stack = GStack();
  platform::SocketAddress local;
  stack.CheckForSocketError(stack.WSGetSockName(handle_, local));
  platform::SocketAddress peer;
  stack.CheckForSocketError(stack.WSGetPeerName(handle_, peer));
  ip_ = local.ip;
  port_ = local.port;
  peerIP_ = peer.ip;
  peerPort_ = peer.port;
}

void TIdSocketHandle::CloseSocket() {
  if (!HandleAllocated()) return;
  auto& stack = GStack();
  // A socket that never connected cannot be shut down; closing is what matters.
  stack.WSShutdown(handle_, platform::kSdSend);
  stack.WSCloseSocket(handle_);
  handle_ = platform::kInvalidSocket;
}

void TIdSocketHandle::Reset() {
  CloseSocket();
  ip_.clear();
  port_ = 0;
  peerIP_.clear();
  peerPort_ = 0;
}

int TIdSocketHandle::Readable(int timeoutMs) {
  return GStack().WSWaitForReadable(handle_, timeoutMs);
}

int TIdSocketHandle::Recv(char* buffer, int length) {
  return GStack().WSRecv(handle_, buffer, length);
}

int TIdSocketHandle::Send(const char* buffer, int length) {
  return GStack().WSSend(handle_, buffer, length);
}
