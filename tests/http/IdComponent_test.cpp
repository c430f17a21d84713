#include "http/IdComponent.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "http/IdException.h"
#include "http/mock_sockets.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::NiceMock;
using ::testing::Return;

struct StatusCase {
  TIdStatus status;
  std::string argument;
  std::string text;
};

class StatusTextTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusTextTest, IsFormattedWithTheArgument) {
  TIdComponent component;
  std::vector<std::string> seen;
  component.OnStatus = [&](TIdComponent& sender, TIdStatus status, const std::string& text) {
    EXPECT_EQ(&sender, &component);
    EXPECT_EQ(status, GetParam().status);
    seen.push_back(text);
  };
  component.DoStatus(GetParam().status, GetParam().argument);
  EXPECT_THAT(seen, ElementsAre(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    EveryValue, StatusTextTest,
    ::testing::Values(StatusCase{TIdStatus::stResolving, "example.org", "Resolving hostname example.org."},
                      StatusCase{TIdStatus::stConnecting, "10.0.0.1", "Connecting to 10.0.0.1."},
                      StatusCase{TIdStatus::stConnected, "ignored", "Connected."},
                      StatusCase{TIdStatus::stDisconnecting, "", "Disconnecting."},
                      StatusCase{TIdStatus::stDisconnected, "x", "Disconnected."},
                      StatusCase{TIdStatus::stStatusText, "Chunk Started", "Chunk Started"},
                      StatusCase{TIdStatus::stReserved8, "100%s", "100%s"},
                      StatusCase{TIdStatus::stResolving, "", "Resolving hostname ."}));

TEST(StatusEventTest, UnassignedHandlerIsNotRaised) {
  TIdComponent component;
  EXPECT_NO_THROW(component.DoStatus(TIdStatus::stConnected));
}

// Records the work events as text lines.
class WorkEvents : public ::testing::Test {
 protected:
  WorkEvents() {
    component.OnWorkBegin = [this](TIdComponent&, TWorkMode mode, std::int64_t max) {
      log.push_back("begin " + Mode(mode) + " " + std::to_string(max));
    };
    component.OnWork = [this](TIdComponent&, TWorkMode mode, std::int64_t count) {
      log.push_back("work " + Mode(mode) + " " + std::to_string(count));
    };
    component.OnWorkEnd = [this](TIdComponent&, TWorkMode mode) {
      log.push_back("end " + Mode(mode));
    };
  }
  static std::string Mode(TWorkMode mode) { return mode == TWorkMode::wkRead ? "read" : "write"; }

  TIdComponent component;
  std::vector<std::string> log;
};

TEST_F(WorkEvents, CountIsTheRunningTotalSinceTheBegin) {
  component.BeginWork(TWorkMode::wkRead, 10);
  component.DoWork(TWorkMode::wkRead, 4);
  component.DoWork(TWorkMode::wkRead, 6);
  component.EndWork(TWorkMode::wkRead);
  component.BeginWork(TWorkMode::wkRead, 0);
  component.DoWork(TWorkMode::wkRead, 1);
  component.EndWork(TWorkMode::wkRead);
  EXPECT_THAT(log, ElementsAre("begin read 10", "work read 4", "work read 10", "end read",
                               "begin read 0", "work read 1", "end read"));
}

TEST_F(WorkEvents, NestedBracketsRaiseOnlyTheOutermostPair) {
  component.BeginWork(TWorkMode::wkRead, 100);
  component.BeginWork(TWorkMode::wkRead, 5);
  component.DoWork(TWorkMode::wkRead, 5);
  component.EndWork(TWorkMode::wkRead);
  component.DoWork(TWorkMode::wkRead, 1);
  component.EndWork(TWorkMode::wkRead);
  EXPECT_THAT(log, ElementsAre("begin read 100", "work read 5", "work read 6", "end read"));
  EXPECT_EQ(component.WorkInfo(TWorkMode::wkRead).level, 0);
}

TEST_F(WorkEvents, WorkOutsideABracketRaisesNothingAndModesAreSeparate) {
  component.DoWork(TWorkMode::wkWrite, 50);
  component.BeginWork(TWorkMode::wkRead, 3);
  component.DoWork(TWorkMode::wkWrite, 50);
  component.DoWork(TWorkMode::wkRead, 3);
  component.EndWork(TWorkMode::wkRead);
  component.EndWork(TWorkMode::wkWrite);
  EXPECT_THAT(log, ElementsAre("begin read 3", "work read 3", "end read"));
  EXPECT_EQ(component.WorkInfo(TWorkMode::wkWrite).level, 0);
}

TEST_F(WorkEvents, CountsBeyondTwoGibibytesDoNotOverflow) {
  constexpr std::int64_t kBlock = 2'000'000'000;
  component.BeginWork(TWorkMode::wkRead, 3 * kBlock);
  component.DoWork(TWorkMode::wkRead, kBlock);
  component.DoWork(TWorkMode::wkRead, 2 * kBlock);
  component.EndWork(TWorkMode::wkRead);
  EXPECT_THAT(log, ElementsAre("begin read 6000000000", "work read 2000000000",
                               "work read 6000000000", "end read"));
}

TEST_F(WorkEvents, BeginAndEndAreRaisedWithoutAWorkHandler) {
  component.OnWork = nullptr;
  component.BeginWork(TWorkMode::wkRead, 7);
  component.DoWork(TWorkMode::wkRead, 7);
  component.EndWork(TWorkMode::wkRead);
  EXPECT_THAT(log, ElementsAre("begin read 7", "end read"));
  EXPECT_EQ(component.WorkInfo(TWorkMode::wkRead).position, 7);
}

TEST_F(WorkEvents, BracketEndsTheWorkWhenTheBracketedCodeFails) {
  EXPECT_THROW(
      {
        TIdWorkBracket bracket(component, TWorkMode::wkRead, 9);
        component.DoWork(TWorkMode::wkRead, 2);
        throw std::runtime_error("read failed");
      },
      std::runtime_error);
  EXPECT_THAT(log, ElementsAre("begin read 9", "work read 2", "end read"));
  EXPECT_EQ(component.WorkInfo(TWorkMode::wkRead).level, 0);
}

TEST(SocketLibraryLifetime, StartsWithTheFirstComponentAndEndsWithTheLast) {
  NiceMock<MockSockets> sockets;
  EXPECT_CALL(sockets, Startup(0x0202)).Times(1);
  EXPECT_CALL(sockets, Cleanup()).Times(0);
  auto first = std::make_unique<TIdComponent>();
  auto second = std::make_unique<TIdComponent>();
  first.reset();
  ::testing::Mock::VerifyAndClearExpectations(&sockets);
  EXPECT_CALL(sockets, Cleanup()).Times(1);
  second.reset();
}

TEST(SocketLibraryLifetime, RefusedStartUpFailsTheComponentAndALaterOneRetries) {
  NiceMock<MockSockets> sockets;
  EXPECT_CALL(sockets, Startup(_)).WillOnce(Return(10091)).WillOnce(Return(0));
  try {
    TIdComponent refused;
    FAIL() << "the component was made without a socket library";
  } catch (const EIdStackInitializationFailed& e) {
    EXPECT_EQ(e.Message(), "Winsock Initialization Error.");
  }
  EXPECT_CALL(sockets, Cleanup()).Times(1);
  TIdComponent accepted;
  EXPECT_NO_THROW(GStack());
}

}  // namespace
