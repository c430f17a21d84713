#pragma once
// A connection that opens itself to a host and port.

#include <cstdint>
#include <string>

#include "http/IdTCPConnection.h"

class TIdTCPClient : public TIdTCPConnection {
 public:
  const std::string& Host() const { return host_; }
  void SetHost(const std::string& value) { host_ = value; }
  int Port() const { return port_; }
  void SetPort(int value) { port_ = value; }
  const std::string& BoundIP() const { return boundIP_; }
  void SetBoundIP(const std::string& value) { boundIP_ = value; }
  int BoundPort() const { return boundPort_; }
  void SetBoundPort(int value) { boundPort_ = value; }

  TIdNotifyEvent OnConnected;

  // Opens the connection to Host:Port: stResolving (for a name), stConnecting, stConnected.
  // `timeoutMs` 0 leaves the bound of the connect to the system. A Disconnect from a status
  // handler or the idle hook while connecting leaves the client closed and raises
  // EIdNotConnected.
  void Connect(int timeoutMs);

 private:
  std::string host_;
  int port_ = 0;
  std::string boundIP_;
  int boundPort_ = 0;
};
