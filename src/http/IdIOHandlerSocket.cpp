#include "http/IdIOHandlerSocket.h"

#include "http/IdException.h"
#include "http/IdStack.h"

void TIdIOHandlerSocket::Open() {
  if (binding_) {
    binding_->Reset();
  } else {
    binding_ = std::make_unique<TIdSocketHandle>();
  }
}

void TIdIOHandlerSocket::ConnectClient(const std::string& host, std::uint16_t port,
                                       const std::string& boundIP, std::uint16_t boundPort,
                                       int timeoutMs, const std::function<void()>& idle) {
  try {
    Open();
    binding_->AllocateSocket();
    binding_->Bind(boundIP, boundPort);
    if (!TIdStack::IsIP(host)) {
      DoStatus(TIdStatus::stResolving, host);
      CheckStillOpen();
    }
    const std::string ip = GStack().ResolveHost(host);
    binding_->SetPeer(ip, port);
    binding_->SetNoDelay(!useNagle_);
    DoStatus(TIdStatus::stConnecting, ip);
    CheckStillOpen();
    binding_->Connect(timeoutMs, idle);
  } catch (...) {
    Close();
    throw;
  }
}

void TIdIOHandlerSocket::CheckStillOpen() const {
  if (!Connected()) throw EIdNotConnected("Not Connected");
}

void TIdIOHandlerSocket::Close() {
  if (binding_) binding_->CloseSocket();
}

TIdSocketHandle& TIdIOHandlerSocket::OpenBinding() const {
  if (!Connected()) throw EIdClosedSocket("Disconnected.");
  return *binding_;
}

int TIdIOHandlerSocket::Readable(int timeoutMs) {
  if (!Connected()) throw EIdConnClosedGracefully("Connection Closed Gracefully.");
  return binding_->Readable(timeoutMs);
}

int TIdIOHandlerSocket::Recv(char* buffer, int length) {
  return OpenBinding().Recv(buffer, length);
}

int TIdIOHandlerSocket::Send(const char* buffer, int length) {
  return OpenBinding().Send(buffer, length);
}
