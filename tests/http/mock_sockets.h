#pragma once
// A socket library that answers like the native one unless a test says otherwise, so a test can
// fail exactly one call with a chosen Windows socket error number.

#include <gmock/gmock.h>

#include "platform/sockets.h"

class MockSockets : public platform::Sockets {
 public:
  MockSockets() : native_(platform::TheSockets()) {
    using ::testing::_;
    using ::testing::Invoke;
    auto& n = native_;
    ON_CALL(*this, Startup(_)).WillByDefault(Invoke(&n, &platform::Sockets::Startup));
    ON_CALL(*this, Cleanup()).WillByDefault(Invoke(&n, &platform::Sockets::Cleanup));
    ON_CALL(*this, CreateSocket(_, _, _)).WillByDefault(Invoke(&n, &platform::Sockets::CreateSocket));
    ON_CALL(*this, Bind(_, _, _)).WillByDefault(Invoke(&n, &platform::Sockets::Bind));
    ON_CALL(*this, Connect(_, _, _)).WillByDefault(Invoke(&n, &platform::Sockets::Connect));
    ON_CALL(*this, ConnectResult(_)).WillByDefault(Invoke(&n, &platform::Sockets::ConnectResult));
    ON_CALL(*this, WaitForReadable(_, _))
        .WillByDefault(Invoke(&n, &platform::Sockets::WaitForReadable));
    ON_CALL(*this, WaitForWritable(_, _))
        .WillByDefault(Invoke(&n, &platform::Sockets::WaitForWritable));
    ON_CALL(*this, Recv(_, _, _)).WillByDefault(Invoke(&n, &platform::Sockets::Recv));
    ON_CALL(*this, Send(_, _, _)).WillByDefault(Invoke(&n, &platform::Sockets::Send));
    ON_CALL(*this, Shutdown(_, _)).WillByDefault(Invoke(&n, &platform::Sockets::Shutdown));
    ON_CALL(*this, CloseSocket(_)).WillByDefault(Invoke(&n, &platform::Sockets::CloseSocket));
    ON_CALL(*this, SetTcpNoDelay(_, _)).WillByDefault(Invoke(&n, &platform::Sockets::SetTcpNoDelay));
    ON_CALL(*this, GetSockName(_, _)).WillByDefault(Invoke(&n, &platform::Sockets::GetSockName));
    ON_CALL(*this, GetPeerName(_, _)).WillByDefault(Invoke(&n, &platform::Sockets::GetPeerName));
    ON_CALL(*this, ResolveHost(_, _)).WillByDefault(Invoke(&n, &platform::Sockets::ResolveHost));
    ON_CALL(*this, LastError()).WillByDefault(Invoke(&n, &platform::Sockets::LastError));
    platform::UseSockets(this);
  }
  ~MockSockets() override { platform::UseSockets(nullptr); }

  MOCK_METHOD(int, Startup, (std::uint16_t), (override));
  MOCK_METHOD(int, Cleanup, (), (override));
  MOCK_METHOD(platform::Socket, CreateSocket, (int, int, int), (override));
  MOCK_METHOD(int, Bind, (platform::Socket, const std::string&, std::uint16_t), (override));
  MOCK_METHOD(int, Connect, (platform::Socket, const std::string&, std::uint16_t), (override));
  MOCK_METHOD(int, ConnectResult, (platform::Socket), (override));
  MOCK_METHOD(int, WaitForReadable, (platform::Socket, int), (override));
  MOCK_METHOD(int, WaitForWritable, (platform::Socket, int), (override));
  MOCK_METHOD(int, Recv, (platform::Socket, char*, int), (override));
  MOCK_METHOD(int, Send, (platform::Socket, const char*, int), (override));
  MOCK_METHOD(int, Shutdown, (platform::Socket, int), (override));
  MOCK_METHOD(int, CloseSocket, (platform::Socket), (override));
  MOCK_METHOD(int, SetTcpNoDelay, (platform::Socket, bool), (override));
  MOCK_METHOD(int, GetSockName, (platform::Socket, platform::SocketAddress&), (override));
  MOCK_METHOD(int, GetPeerName, (platform::Socket, platform::SocketAddress&), (override));
  MOCK_METHOD(int, ResolveHost, (const std::string&, std::string&), (override));
  MOCK_METHOD(int, LastError, (), (override));

  // From now on the last error reads `error`, as after a failed call.
  void SetLastError(int error) {
    ON_CALL(*this, LastError()).WillByDefault(::testing::Return(error));
  }

 private:
  platform::Sockets& native_;
};
