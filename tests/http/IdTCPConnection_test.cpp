#include "http/IdTCPConnection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "http/IdException.h"
#include "http/IdStack.h"
#include "http/IdTCPClient.h"
#include "http/mock_sockets.h"
#include "support/loopback_server.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::NiceMock;
using ::testing::Return;
using support::LoopbackServer;
using support::Script;
using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// ---- The socket library's texts and addresses -----------------------------------------------

struct ErrorTextCase {
  int number;
  std::string message;
};

class SocketErrorMessage : public ::testing::TestWithParam<ErrorTextCase> {};

TEST_P(SocketErrorMessage, CarriesTheNumberAndItsText) {
  try {
    TIdStack::RaiseSocketError(GetParam().number);
    FAIL() << "nothing raised";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), GetParam().number);
    EXPECT_EQ(e.Message(), GetParam().message);
    EXPECT_STREQ(e.ClassName(), "EIdSocketError");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SocketErrorMessage,
    ::testing::Values(ErrorTextCase{10061, "Socket Error # 10061\r\nConnection refused."},
                      ErrorTextCase{10060, "Socket Error # 10060\r\nConnection timed out."},
                      ErrorTextCase{10054, "Socket Error # 10054\r\nConnection reset by peer."},
                      ErrorTextCase{10035, "Socket Error # 10035\r\nOperation would block. "},
                      ErrorTextCase{10066, "Socket Error # 10066\r\nDirectory not empty"},
                      ErrorTextCase{11001, "Socket Error # 11001\r\nHost not found."},
                      ErrorTextCase{11002, "Socket Error # 11002\r\n"},
                      ErrorTextCase{10000, "Socket Error # 10000\r\n"}));

TEST(NumericAddress, AcceptsTheDottedAndTheShortForms) {
  for (const char* ip : {"127.0.0.1", "0.0.0.0", "255.255.255.255", "10.1.65535", "10.16777215",
                         "4294967295", "1"}) {
    EXPECT_TRUE(TIdStack::IsIP(ip)) << ip;
  }
  for (const char* text : {"", "LOCALHOST", "256.0.0.1", "1.2.3.4.5", "1..2.3", "1.2.3.",
                           "10.1.65536", "10.16777216", "4294967296", "1.2.3.-4", "1.2.3.4 ",
                           "0x7f.0.0.1"}) {
    EXPECT_FALSE(TIdStack::IsIP(text)) << text;
  }
}

TEST(ResolveHost, LocalhostAndNumericAddressesNeedNoLookup) {
  NiceMock<MockSockets> sockets;
  EXPECT_CALL(sockets, ResolveHost(_, _)).Times(0);
  TIdStack stack;
  EXPECT_EQ(stack.ResolveHost("LocalHost"), "127.0.0.1");
  EXPECT_EQ(stack.ResolveHost("10.1"), "10.1");
}

TEST(ResolveHost, AMissingNameIsHostNotFound) {
  TIdStack stack;
  try {
    stack.ResolveHost("nonexistent.invalid");
    FAIL() << "the name was resolved";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_EQ(e.Message(), "Socket Error # 11001\r\nHost not found.");
  }
}

// ---- The receive buffer -----------------------------------------------------------------------

TEST(InputBuffer, CompactsOnlyAfter32768ConsumedBytes) {
  TIdBuffer buffer;
  buffer.Append(std::string(40000, 'a') + "tail");
  buffer.Remove(32767);
  EXPECT_EQ(buffer.ReadOffset(), 32767u);
  buffer.Remove(1);
  EXPECT_EQ(buffer.ReadOffset(), 0u);
  EXPECT_EQ(buffer.Size(), 40004u - 32768u);
  EXPECT_EQ(buffer.Extract(buffer.Size() - 4), std::string(40000 - 32768, 'a'));
  EXPECT_EQ(buffer.View(), "tail");
  try {
    buffer.Extract(5);
    FAIL() << "extracted more than held";
  } catch (const EIdNotEnoughDataInBuffer& e) {
    EXPECT_EQ(e.Message(), "Not enough data in buffer.");
  }
  buffer.Remove(4);
  EXPECT_EQ(buffer.Size(), 0u);
  EXPECT_EQ(buffer.ReadOffset(), 0u);
}

// ---- A client against the loopback server -----------------------------------------------------

class Events {
 public:
  void Attach(TIdTCPClient& client) {
    client.OnStatus = [this](TIdComponent& sender, TIdStatus status, const std::string& text) {
      const bool fromHandler = dynamic_cast<TIdIOHandlerSocket*>(&sender) != nullptr;
      log.push_back(std::string(fromHandler ? "handler " : "") + "status " +
                    std::to_string(static_cast<int>(status)) + " " + text);
      if (onStatus) onStatus(status);
    };
    client.OnWorkBegin = [this](TIdComponent&, TWorkMode, std::int64_t max) {
      log.push_back("begin " + std::to_string(max));
    };
    client.OnWork = [this](TIdComponent&, TWorkMode, std::int64_t count) {
      log.push_back("work " + std::to_string(count));
      if (onWork) onWork(count);
    };
    client.OnWorkEnd = [this](TIdComponent&, TWorkMode) { log.push_back("end"); };
    client.OnDisconnected = [this](TIdTCPConnection&) { log.push_back("disconnected"); };
  }

  std::vector<std::string> log;
  std::function<void(TIdStatus)> onStatus;
  std::function<void(std::int64_t)> onWork;
};

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override { descriptorsBefore_ = support::OpenDescriptorCount(); }
  void TearDown() override {
    client_.reset();
    server_.reset();
    EXPECT_EQ(support::OpenDescriptorCount(), descriptorsBefore_) << "a descriptor leaked";
  }

  TIdTCPClient& Serve(std::vector<Script> scripts) {
    server_ = std::make_unique<LoopbackServer>(std::move(scripts));
    client_ = std::make_unique<TIdTCPClient>();
    client_->SetHost("127.0.0.1");
    client_->SetPort(server_->Port());
    events_.Attach(*client_);
    return *client_;
  }

  TIdTCPClient& Connected(std::vector<Script> scripts) {
    auto& client = Serve(std::move(scripts));
    client.Connect(0);
    events_.log.clear();
    return client;
  }

  std::unique_ptr<LoopbackServer> server_;
  std::unique_ptr<TIdTCPClient> client_;
  Events events_;

 private:
  int descriptorsBefore_ = 0;
};

TEST_F(ClientTest, ConnectToANameReportsResolvingConnectingConnected) {
  auto& client = Serve({Script()});
  client.SetHost("LOCALHOST");
  client.Connect(0);
  EXPECT_TRUE(client.Connected());
  EXPECT_THAT(events_.log, ElementsAre("handler status 0 Resolving hostname LOCALHOST.",
                                       "handler status 1 Connecting to 127.0.0.1.",
                                       "status 2 Connected."));
  EXPECT_EQ(client.IOHandler()->Binding()->PeerPort(), server_->Port());
  EXPECT_EQ(client.IOHandler()->Binding()->IP(), "127.0.0.1");
  try {
    client.Connect(0);
    FAIL() << "connected twice";
  } catch (const EIdAlreadyConnected& e) {
    EXPECT_EQ(e.Message(), "Already connected.");
  }
}

TEST_F(ClientTest, DisconnectReportsBothStatusesAndFreesTheHandler) {
  auto& client = Connected({Script()});
  client.Disconnect();
  EXPECT_THAT(events_.log,
              ElementsAre("status 3 Disconnecting.", "disconnected", "status 4 Disconnected."));
  EXPECT_EQ(client.IOHandler(), nullptr);
  EXPECT_FALSE(client.Connected());
  events_.log.clear();
  client.Disconnect();
  EXPECT_TRUE(events_.log.empty());
}

TEST_F(ClientTest, RefusedConnectEndsAfterConnecting) {
  auto& client = Serve({});
  client.SetHost("localhost");
  client.SetPort(support::UnusedPort());
  try {
    client.Connect(0);
    FAIL() << "connected to a closed port";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
    EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_THAT(events_.log, ElementsAre("handler status 0 Resolving hostname localhost.",
                                       "handler status 1 Connecting to 127.0.0.1."));
  EXPECT_FALSE(client.Connected());
}

TEST_F(ClientTest, UnknownHostEndsAfterResolving) {
  auto& client = Serve({});
  client.SetHost("nonexistent.invalid");
  try {
    client.Connect(0);
    FAIL() << "connected to a name that does not exist";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.Message(), "Socket Error # 11001\r\nHost not found.");
  }
  EXPECT_THAT(events_.log, ElementsAre("handler status 0 Resolving hostname nonexistent.invalid."));
}

TEST_F(ClientTest, ReadLineDropsTheLineEnd) {
  auto& client = Connected({Script().Send("first\r\nsecond\nthird\r\r\n\r\n")});
  EXPECT_EQ(client.ReadLine(), "first");
  EXPECT_EQ(client.ReadLine(), "second");
  EXPECT_EQ(client.ReadLine(), "third\r");
  EXPECT_EQ(client.ReadLine(), "");
}

struct LineLimitCase {
  int lineLength;
  TIdMaxLineAction action;
  bool rejected;
  std::size_t returned;
};

class LineLimit : public ClientTest, public ::testing::WithParamInterface<LineLimitCase> {};

TEST_P(LineLimit, CountsTheCarriageReturn) {
  constexpr int kMax = 64;
  const auto& param = GetParam();
  auto& client = Connected({Script().Send(std::string(static_cast<std::size_t>(param.lineLength), 'x') +
                                          "\r\nnext\r\n")});
  client.SetMaxLineLength(kMax);
  client.SetMaxLineAction(param.action);
  if (param.rejected) {
    try {
      client.ReadLine();
      FAIL() << "an over-long line was accepted";
    } catch (const EIdReadLnMaxLineLengthExceeded& e) {
      EXPECT_EQ(e.Message(), "Max line length exceeded.");
    }
    EXPECT_TRUE(client.Connected());
    return;
  }
  EXPECT_EQ(client.ReadLine().size(), param.returned);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, LineLimit,
    ::testing::Values(LineLimitCase{63, TIdMaxLineAction::maException, false, 63},
                      LineLimitCase{64, TIdMaxLineAction::maException, true, 0},
                      LineLimitCase{5000, TIdMaxLineAction::maException, true, 0},
                      LineLimitCase{64, TIdMaxLineAction::maSplit, false, 64},
                      LineLimitCase{5000, TIdMaxLineAction::maSplit, false, 64}));

TEST_F(ClientTest, ReadTimeoutLeavesTheConnectionOpen) {
  auto& client = Connected({Script().Send("partial").Stall().Send("\r\n")});
  client.SetReadTimeout(150);
  const auto start = Clock::now();
  try {
    client.ReadLine();
    FAIL() << "no timeout";
  } catch (const EIdReadTimeout& e) {
    EXPECT_EQ(e.Message(), "Read Timeout");
  }
  EXPECT_GE(MillisecondsSince(start), 140);
  EXPECT_TRUE(client.Connected());
  server_->Release();
  client.SetReadTimeout(0);
  EXPECT_EQ(client.ReadLine(), "partial");
}

TEST_F(ClientTest, PeerCloseDuringALineIsAGracefulClose) {
  auto& client = Connected({Script().Send("no line end").Close()});
  try {
    client.ReadLine();
    FAIL() << "the line was completed";
  } catch (const EIdConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(), "Connection Closed Gracefully.");
  }
  EXPECT_THAT(events_.log, ElementsAre("status 4 Disconnected.", "disconnected"));
  EXPECT_FALSE(client.Connected());
  EXPECT_NE(client.IOHandler(), nullptr);
  try {
    client.ReadLine();
    FAIL() << "read from a closed connection";
  } catch (const EIdConnClosedGracefully&) {
  }
}

TEST_F(ClientTest, OneMillisecondPollKeepsWaitingBytesAndNoticesAPeerClose) {
  auto& client = Connected({Script().Send("early").Pause(100).Close()});
  while (client.InputBuffer().Size() == 0) client.PollForPeerClose();
  EXPECT_EQ(client.InputBuffer().View(), "early");
  EXPECT_TRUE(client.Connected());
  ASSERT_TRUE(server_->WaitForFinished(1, 2000));
  client.PollForPeerClose();
  EXPECT_THAT(events_.log, ElementsAre("status 4 Disconnected.", "disconnected"));
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.InputBuffer().View(), "early");
}

// A stream that counts how often its size is set.
class CountingStream : public TMemoryStream {
 public:
  void SetSize(std::int64_t size) override {
    ++sizeChanges;
    TMemoryStream::SetSize(size);
  }
  int sizeChanges = 0;
};

TEST_F(ClientTest, CountedCopyGrowsOnceAndCountsEveryBlock) {
  constexpr std::size_t kHead = 10;
  constexpr std::size_t kBlock = 1000;
  const std::string body(kHead + 2 * kBlock + 500, 'b');
  auto& client = Connected({Script()
                                .Send(body.substr(0, kHead))
                                .Pause(100)
                                .Send(body.substr(kHead))});
  client.SetRecvBufferSize(static_cast<int>(kBlock));
  client.ReadExact(1);  // the first bytes have arrived before the copy starts
  CountingStream stream;
  stream.WriteBuffer("x");
  client.ReadToStream(stream, static_cast<std::int64_t>(body.size() - 1));
  EXPECT_EQ(stream.sizeChanges, 1);
  EXPECT_EQ(stream.DataString(), "x" + body.substr(1));
  EXPECT_THAT(events_.log, ElementsAre("begin 2509", "work 9", "work 1009", "work 2009",
                                       "work 2509", "end"));
}

TEST_F(ClientTest, CountedCopyCutShortKeepsWhatArrived) {
  auto& client = Connected({Script().Send("12345").Close()});
  TMemoryStream stream;
  EXPECT_THROW(client.ReadToStream(stream, 100), EIdConnClosedGracefully);
  EXPECT_EQ(stream.DataString(), "12345");
  EXPECT_EQ(stream.Size(), 5);
}

TEST_F(ClientTest, CopyUntilCloseDoesNotReportTheLastPartialBlock) {
  auto& client = Connected({Script().Send(std::string(250, 'u')).Pause(50).Send("tail").Close()});
  client.SetRecvBufferSize(100);
  TMemoryStream stream;
  client.ReadToStream(stream, TIdTCPConnection::kUntilClose);
  EXPECT_EQ(stream.DataString(), std::string(250, 'u') + "tail");
  EXPECT_EQ(events_.log.front(), "begin 0");
  EXPECT_EQ(events_.log.back(), "end");
  EXPECT_THAT(events_.log, ::testing::Contains("work 200"));
  EXPECT_THAT(events_.log, ::testing::Not(::testing::Contains("work 254")));
}

TEST_F(ClientTest, CancelFromAWorkEventDuringACountedCopy) {
  auto& client = Connected({Script().Send(std::string(100, 'c')).Pause(100).Send(std::string(100, 'd'))});
  client.SetRecvBufferSize(100);
  TMemoryStream stream;
  events_.onWork = [&](std::int64_t count) {
    if (count >= 100) client.Disconnect();
  };
  client.ReadToStream(stream, 1000);
  EXPECT_EQ(stream.Size(), 100);
  EXPECT_EQ(events_.log.back(), "end");
  EXPECT_FALSE(client.Connected());
}

TEST_F(ClientTest, IdleHookRunsWhileWaitingAndItsDisconnectEndsTheWait) {
  auto& client = Connected({Script().Send("part").Stall()});
  TMemoryStream stream;
  int idles = 0;
  Clock::time_point cancelledAt;
  client.OnIdle = [&](TIdTCPConnection& sender) {
    if (++idles == 3) {
      cancelledAt = Clock::now();
      sender.Disconnect();
    }
  };
  client.ReadToStream(stream, 1000);
  EXPECT_LT(MillisecondsSince(cancelledAt), 100);
  EXPECT_EQ(idles, 3);
  EXPECT_EQ(stream.DataString(), "part");
  EXPECT_FALSE(client.Connected());
}

TEST_F(ClientTest, IdleHookDisconnectDuringALineIsNotConnected) {
  auto& client = Connected({Script().Send("no end").Stall()});
  client.OnIdle = [](TIdTCPConnection& sender) { sender.Disconnect(); };
  try {
    client.ReadLine();
    FAIL() << "the line was completed";
  } catch (const EIdNotConnected& e) {
    EXPECT_EQ(e.Message(), "Not Connected");
  }
}

TEST_F(ClientTest, IdleHookDisconnectEndsAHangingConnect) {
  auto& client = Serve({});
  const support::StalledListener stalled;
  client.SetPort(stalled.Port());
  int idles = 0;
  client.OnIdle = [&](TIdTCPConnection& sender) {
    if (++idles == 2) sender.Disconnect();
  };
  const auto start = Clock::now();
  EXPECT_THROW(client.Connect(0), EIdNotConnected);
  EXPECT_LT(MillisecondsSince(start), 1000);
  EXPECT_EQ(idles, 2);
  EXPECT_EQ(client.IOHandler(), nullptr);
  EXPECT_FALSE(client.Connected());
}

TEST_F(ClientTest, ConnectTimeoutIsATimedOutConnect) {
  auto& client = Serve({});
  const support::StalledListener stalled;
  client.SetPort(stalled.Port());
  try {
    client.Connect(120);
    FAIL() << "connected to a full queue";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10060);
  }
  EXPECT_FALSE(client.Connected());
}

class DisconnectWhileConnecting : public ClientTest,
                                  public ::testing::WithParamInterface<TIdStatus> {};

TEST_P(DisconnectWhileConnecting, LeavesTheClientClosed) {
  auto& client = Serve({Script()});
  client.SetHost("localhost");
  events_.onStatus = [&](TIdStatus status) {
    if (status == GetParam()) client.Disconnect();
  };
  EXPECT_THROW(client.Connect(0), EIdNotConnected);
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.IOHandler(), nullptr);
  events_.onStatus = nullptr;
  client.Connect(0);
  EXPECT_TRUE(client.Connected());
}

INSTANTIATE_TEST_SUITE_P(Statuses, DisconnectWhileConnecting,
                         ::testing::Values(TIdStatus::stResolving, TIdStatus::stConnecting));

TEST_F(ClientTest, WritingAfterADisconnectFromConnectedIsNotConnected) {
  auto& client = Serve({Script()});
  events_.onStatus = [&](TIdStatus status) {
    if (status == TIdStatus::stConnected) client.Disconnect();
  };
  client.Connect(0);
  client.OpenWriteBuffer();
  try {
    client.WriteLine("GET / HTTP/1.1");
    FAIL() << "wrote to a closed connection";
  } catch (const EIdNotConnected& e) {
    EXPECT_EQ(e.Message(), "Not Connected");
  }
}

TEST_F(ClientTest, BufferedWritesLeaveInOneSend) {
  NiceMock<MockSockets> sockets;
  auto& client = Connected({Script().ExpectHead().Send("ok\r\n")});
  EXPECT_CALL(sockets, Send(_, _, 14)).Times(1);
  client.OpenWriteBuffer();
  client.WriteLine("one");
  client.WriteLine("two");
  client.WriteLine("");
  client.Write("xx");
  client.CloseWriteBuffer();
  EXPECT_EQ(client.ReadLine(), "ok");
  EXPECT_EQ(server_->Received(0), "one\r\ntwo\r\n\r\nxx");
}

TEST_F(ClientTest, SendingToAResetPeerFailsWithoutASignal) {
  try {
    // The reset may already be noticed while connecting; either way it is an error, not a signal.
    auto& client = Connected({Script().Reset()});
    ASSERT_TRUE(server_->WaitForFinished(1, 2000));
    for (int i = 0; i < 3; ++i) client.Write(std::string(100000, 's'));
    FAIL() << "the writes went through";
  } catch (const EIdSocketError& e) {
    EXPECT_THAT(e.LastError(), ::testing::AnyOf(10054, 10058));
  } catch (const EIdConnClosedGracefully&) {
  }
}

struct FailedCall {
  std::string what;
  int error;
  std::string className;
  std::string message;
};

class SocketCallFailure : public ClientTest, public ::testing::WithParamInterface<FailedCall> {};

TEST_P(SocketCallFailure, RaisesItsOwnMessage) {
  NiceMock<MockSockets> sockets;
  auto& client = Serve({Script().Send("data\r\n")});
  const auto& param = GetParam();
  if (param.what == "socket") {
    ON_CALL(sockets, CreateSocket(_, _, _)).WillByDefault(Return(platform::kInvalidSocket));
  } else if (param.what == "bind") {
    ON_CALL(sockets, Bind(_, _, _)).WillByDefault(Return(platform::kSocketError));
  } else if (param.what == "recv") {
    ON_CALL(sockets, Recv(_, _, _)).WillByDefault(Return(platform::kSocketError));
  }
  if (param.what == "boundip") client.SetBoundIP("my.host");
  try {
    if (param.what != "recv") {
      sockets.SetLastError(param.error);
      client.Connect(0);
    } else {
      client.Connect(0);
      sockets.SetLastError(param.error);
      client.ReadLine();
    }
    FAIL() << "nothing raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), param.className);
    EXPECT_EQ(e.Message(), param.message);
  }
  if (param.what != "recv") {
    EXPECT_FALSE(client.Connected());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SocketCallFailure,
    ::testing::Values(
        FailedCall{"socket", 10024, "EIdInvalidSocket", "Cannot allocate socket."},
        FailedCall{"bind", 10048, "EIdCouldNotBindSocket",
                   "Could not bind socket. Address and port are already in use."},
        FailedCall{"bind", 10013, "EIdSocketError", "Socket Error # 10013\r\nAccess denied."},
        FailedCall{"boundip", 0, "EIdInvalidIPAddress", "my.host is not a valid IP address."},
        FailedCall{"recv", 10054, "EIdSocketError", "Socket Error # 10054\r\nConnection reset by peer."},
        FailedCall{"recv", 10053, "EIdSocketError",
                   "Socket Error # 10053\r\nSoftware caused connection abort."},
        FailedCall{"recv", 12345, "EIdSocketError", "Socket Error # 12345\r\n"}));

}  // namespace
