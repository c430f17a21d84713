#include "http/IdTCPClient.h"

#include <functional>
#include <utility>

#include "http/IdException.h"
#include "http/IdStack.h"

namespace {

// A port outside 0 to 65535 cannot be addressed.
constexpr int kAddressNotAvailable = 10049;

std::uint16_t PortNumber(int port) {
  if (port < 0 || port > 0xFFFF) TIdStack::RaiseSocketError(kAddressNotAvailable);
  return static_cast<std::uint16_t>(port);
}

// Marks the connection as connecting while the handler is on the stack.
class ConnectingMark {
 public:
  explicit ConnectingMark(std::function<void(bool)> set) : set_(std::move(set)) { set_(true); }
  ~ConnectingMark() { set_(false); }
  ConnectingMark(const ConnectingMark&) = delete;
  ConnectingMark& operator=(const ConnectingMark&) = delete;

 private:
  std::function<void(bool)> set_;
};

}  // namespace

void TIdTCPClient::Connect(int timeoutMs) {
  auto& handler = CreatedIOHandler();
  PrepareToConnect();
  try {
    const ConnectingMark mark([this](bool connecting) { SetConnecting(connecting); });
    handler.ConnectClient(host_, PortNumber(port_), boundIP_, PortNumber(boundPort_), timeoutMs,
                          [this] {
                            if (OnIdle) OnIdle(*this);
                          });
  } catch (...) {
    FreeIOHandlerLeftByDisconnect();
    throw;
  }
  DoStatus(TIdStatus::stConnected);
  if (OnConnected) OnConnected(*this);
}
