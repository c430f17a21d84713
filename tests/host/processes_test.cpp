#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/processes.h"
#include "support/fake_platform.h"

namespace {

using platform::Handle;

// Records which processes were opened, and passes everything on to the fake.
class OpenRecordingProcesses final : public platform::Processes {
 public:
  explicit OpenRecordingProcesses(FakeProcesses& fake) : fake_(fake) {}

  const std::vector<std::uint32_t>& Opened() const { return opened_; }

  bool EnumProcesses(std::vector<std::uint32_t>& ids) override { return fake_.EnumProcesses(ids); }
  Handle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t pid) override {
    opened_.push_back(pid);
    return fake_.OpenProcess(access, inherit, pid);
  }
  bool EnumProcessModules(Handle process, Handle& firstModule) override {
    return fake_.EnumProcessModules(process, firstModule);
  }
  std::optional<std::string> GetModuleBaseName(Handle process, Handle module) override {
    return fake_.GetModuleBaseName(process, module);
  }
  bool TerminateProcess(Handle process, std::uint32_t exitCode) override {
    return fake_.TerminateProcess(process, exitCode);
  }
  bool CloseHandle(Handle handle) override { return fake_.CloseHandle(handle); }
  bool CreateProcess(const platform::ProcessStart& start,
                     platform::ProcessInformation& started) override {
    return fake_.CreateProcess(start, started);
  }
  std::uint32_t WaitForInputIdle(Handle process, std::uint32_t milliseconds) override {
    return fake_.WaitForInputIdle(process, milliseconds);
  }
  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override {
    return fake_.WaitForSingleObject(handle, milliseconds);
  }
  bool GetExitCodeProcess(Handle process, std::uint32_t& exitCode) override {
    return fake_.GetExitCodeProcess(process, exitCode);
  }

 private:
  FakeProcesses& fake_;
  std::vector<std::uint32_t> opened_;
};

class FindProcessTest : public testing::Test {
 protected:
  ~FindProcessTest() override { EXPECT_EQ(fake_.processes.OpenHandleCount(), 0u); }

  void Add(std::uint32_t pid, std::string name) {
    fake_.processes.AddProcess({.pid = pid, .executableName = std::move(name)});
  }
  std::vector<std::uint32_t> TerminatedPids() const {
    std::vector<std::uint32_t> pids;
    for (const FakeTermination& termination : fake_.processes.Terminations()) {
      EXPECT_EQ(termination.exitCode, 0u);
      pids.push_back(termination.pid);
    }
    return pids;
  }
  const std::vector<FakeMessageBox>& Boxes() const { return fake_.system.MessageBoxes(); }

  ScopedFakePlatform fake_;
};

TEST_F(FindProcessTest, TerminatesEveryInstance) {
  Add(10, "quorvane.exe");
  Add(11, "alderon.exe");
  Add(12, "alderon.exe");
  EXPECT_TRUE(FindProcess("alderon.exe", true));
  EXPECT_EQ(TerminatedPids(), (std::vector<std::uint32_t>{11, 12}));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(FindProcessTest, AFailedTerminationIsShownAndTheScanGoesOn) {
  fake_.processes.AddProcess({.pid = 11, .executableName = "alderon.exe", .canTerminate = false});
  Add(12, "alderon.exe");
  EXPECT_TRUE(FindProcess("alderon.exe", true));
  EXPECT_EQ(TerminatedPids(), (std::vector<std::uint32_t>{12}));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Cannot terminate process 'alderon.exe' !");
  EXPECT_EQ(Boxes()[0].caption, "Error!");
  EXPECT_EQ(Boxes()[0].flags, 0x10u);
}

TEST_F(FindProcessTest, EveryTerminationFailingGivesFalse) {
  fake_.processes.AddProcess({.pid = 11, .executableName = "alderon.exe", .canTerminate = false});
  fake_.processes.AddProcess({.pid = 12, .executableName = "alderon.exe", .canTerminate = false});
  EXPECT_FALSE(FindProcess("alderon.exe", true));
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(FindProcessTest, WithoutTerminateStopsAtTheFirstInstance) {
  OpenRecordingProcesses recording(fake_.processes);
  platform::UseProcesses(&recording);
  Add(10, "quorvane.exe");
  Add(11, "alderon.exe");
  Add(12, "alderon.exe");
  const bool found = FindProcess("alderon.exe", false);
  platform::UseProcesses(&fake_.processes);
  EXPECT_TRUE(found);
  EXPECT_EQ(recording.Opened(), (std::vector<std::uint32_t>{10, 11}));
  EXPECT_TRUE(fake_.processes.Terminations().empty());
}

struct NameCase {
  std::string running;
  std::string asked;
  bool found;
};

class FindProcessNames : public FindProcessTest, public testing::WithParamInterface<NameCase> {};

TEST_P(FindProcessNames, LowerCaseOnlyTheProcessName) {
  Add(20, GetParam().running);
  EXPECT_EQ(FindProcess(GetParam().asked, false), GetParam().found);
  EXPECT_EQ(FindProcess(GetParam().asked, true), GetParam().found);
  EXPECT_EQ(fake_.processes.Terminations().size(), GetParam().found ? 1u : 0u);
  EXPECT_TRUE(Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Names, FindProcessNames, testing::Values(
    NameCase{"alderon.exe", "alderon.exe", true},
    NameCase{"ALDERON.EXE", "alderon.exe", true},
    NameCase{"Alderon.Exe", "alderon.exe", true},
    NameCase{"alderon.exe", "Alderon.exe", false},
    NameCase{"ALDERON.EXE", "ALDERON.EXE", false},
    NameCase{"quorvane.exe", "alderon.exe", false},
    NameCase{"alderon.exe.bak", "alderon.exe", false}));

TEST_F(FindProcessTest, SkipsProcessesThatCannotBeRead) {
  fake_.processes.AddProcess({.pid = 30, .executableName = "alderon.exe", .canOpen = false});
  fake_.processes.AddProcess(
      {.pid = 31, .executableName = "alderon.exe", .modulesListable = false});
  fake_.processes.AddProcess({.pid = 32, .executableName = "alderon.exe", .nameReadable = false});
  EXPECT_FALSE(FindProcess("alderon.exe", false));
  EXPECT_FALSE(FindProcess("alderon.exe", true));
  EXPECT_FALSE(FindProcess("<unknown>", false));
  EXPECT_TRUE(fake_.processes.Terminations().empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(FindProcessTest, AFailedListingFindsNothing) {
  Add(40, "alderon.exe");
  fake_.processes.FailEnumProcesses(platform::kErrorAccessDenied);
  EXPECT_FALSE(FindProcess("alderon.exe", false));
  EXPECT_FALSE(FindProcess("alderon.exe", true));
  EXPECT_TRUE(fake_.processes.Terminations().empty());
}

TEST_F(FindProcessTest, ExaminesProcessesBeyondTheFirstThousand) {
  for (std::uint32_t pid = 1; pid <= 3000; ++pid) {
    Add(pid, "svchost.exe");
  }
  Add(3001, "alderon.exe");
  EXPECT_TRUE(FindProcess("alderon.exe", false));
}

TEST(SystemErrorText, OfAMissingFileIsTheSystemsSentence) {
  EXPECT_EQ(SystemErrorText(2), "The system cannot find the file specified.\r\n");
}

// A real program named like a suite module, found and terminated through the native layer.
class RealProcess : public testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path program = folder_.Path() / "kavrel.exe";
    std::filesystem::copy_file("/bin/sleep", program);
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      execl(program.c_str(), "kavrel.exe", "30", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // The child's fate within a few seconds: the signal that ended it, or 0 while it runs.
  int EndingSignal() {
    for (int attempt = 0; attempt < 100; ++attempt) {
      int status = 0;
      const pid_t ended = waitpid(pid_, &status, WNOHANG);
      if (ended == pid_) {
        pid_ = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
      }
      usleep(50'000);
    }
    return 0;
  }

  ScopedTempFolder folder_;
  pid_t pid_ = -1;
};

TEST_F(RealProcess, IsFoundAndTerminated) {
  bool found = false;
  for (int attempt = 0; attempt < 100 && !found; ++attempt) {
    found = FindProcess("kavrel.exe", false);
    if (!found) usleep(20'000);
  }
  ASSERT_TRUE(found);
  EXPECT_TRUE(FindProcess("kavrel.exe", true));
  EXPECT_EQ(EndingSignal(), SIGKILL);
  EXPECT_FALSE(FindProcess("kavrel.exe", false));
}

}  // namespace
