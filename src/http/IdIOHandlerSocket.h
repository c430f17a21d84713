#pragma once
// The socket handler of a connection: opens its socket to a host and port, reporting
// stResolving and stConnecting, and moves bytes through it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "http/IdComponent.h"
#include "http/IdSocketHandle.h"

class TIdIOHandlerSocket : public TIdComponent {
 public:
  bool UseNagle() const { return useNagle_; }
  void SetUseNagle(bool value) { useNagle_ = value; }

  // Null until the first Open.
  TIdSocketHandle* Binding() { return binding_.get(); }

  // Makes the socket handle, or resets the one there is.
  void Open();
  // Creates, binds and connects the socket. `idle` runs between the slices of the wait; the
  // status handlers and `idle` may close the socket, which ends the connect with
  // EIdNotConnected. Any failure leaves the socket closed.
  void ConnectClient(const std::string& host, std::uint16_t port, const std::string& boundIP,
                     std::uint16_t boundPort, int timeoutMs, const std::function<void()>& idle);
  // Closes the socket without events.
  void Close();
  bool Connected() const { return binding_ && binding_->HandleAllocated(); }

  // 1 readable, 0 not within the timeout, -1 a failed wait; EIdConnClosedGracefully when the
  // socket is closed.
  int Readable(int timeoutMs);
  // EIdClosedSocket "Disconnected." when the socket is closed.
  int Recv(char* buffer, int length);
  int Send(const char* buffer, int length);

 private:
  void CheckStillOpen() const;
  TIdSocketHandle& OpenBinding() const;

  bool useNagle_ = true;
  std::unique_ptr<TIdSocketHandle> binding_;
};
