#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/fake_platform.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using platform::Handle;
using platform::NativeProcesses;
using platform::ProcessInformation;
using platform::ProcessStart;

constexpr std::uint32_t kFindAccess = 0x0411;
constexpr std::uint32_t kWaitLimitMs = 10000;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t OpenDescriptorCount() {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// A program as a download leaves it: no executable bit.
void PlaceProgram(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
}

void PlaceCopyOfSleep(const std::string& path) {
  fs::copy_file("/bin/sleep", path);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
}

// The name GetModuleBaseName gives for a process, through the calls FindProcess makes.
std::optional<std::string> BaseNameOf(std::uint32_t pid) {
  auto& processes = NativeProcesses();
  const Handle handle = processes.OpenProcess(kFindAccess, false, pid);
  if (handle == platform::kNoHandle) return std::nullopt;
  Handle module = platform::kNoHandle;
  std::optional<std::string> name;
  if (processes.EnumProcessModules(handle, module)) name = processes.GetModuleBaseName(handle, module);
  processes.CloseHandle(handle);
  return name;
}

std::vector<std::uint32_t> ProcessesNamed(const std::string& name) {
  std::vector<std::uint32_t> ids;
  EXPECT_TRUE(NativeProcesses().EnumProcesses(ids));
  std::vector<std::uint32_t> found;
  for (auto id : ids) {
    if (BaseNameOf(id) == name) found.push_back(id);
  }
  return found;
}

// Starts programs and, whatever a test does, leaves no process or handle behind.
class ProcessTest : public ::testing::Test {
 protected:
  ~ProcessTest() override {
    for (const auto& started : started_) {
      NativeProcesses().TerminateProcess(started.hProcess, 0);
      NativeProcesses().WaitForSingleObject(started.hProcess, kWaitLimitMs);
      NativeProcesses().CloseHandle(started.hThread);
      NativeProcesses().CloseHandle(started.hProcess);
    }
  }

  ProcessInformation Start(const std::string& program, const std::string& commandLine,
                           const std::string& folder = "") {
    ProcessStart start;
    start.applicationName = program;
    start.commandLine = commandLine;
    start.inheritHandles = true;
    start.creationFlags = platform::kCreateDefaultErrorMode;
    start.currentDirectory = folder;
    start.startupInfo.dwFlags = platform::kStartfUseShowWindow | platform::kStartfForceOffFeedback;
    ProcessInformation started;
    EXPECT_TRUE(NativeProcesses().CreateProcess(start, started))
        << "last error " << platform::NativeSystem().GetLastError();
    started_.push_back(started);
    return started;
  }

  std::uint32_t ExitCodeAfterEnd(Handle process) {
    EXPECT_EQ(NativeProcesses().WaitForSingleObject(process, platform::kInfinite),
              platform::kWaitObject0);
    std::uint32_t code = 0;
    EXPECT_TRUE(NativeProcesses().GetExitCodeProcess(process, code));
    return code;
  }

  const ScopedTempFolder folder_;

 private:
  std::vector<ProcessInformation> started_;
};

TEST_F(ProcessTest, AStartedModuleIsFoundByNameAndTerminated) {
  const std::string program = folder_.File("alderon.exe");
  PlaceCopyOfSleep(program);
  const auto started = Start(program, " 30");

  EXPECT_EQ(ProcessesNamed("alderon.exe"), std::vector<std::uint32_t>{started.processId});
  // An executable replaced by the installer still answers to its name.
  fs::remove(program);
  EXPECT_EQ(BaseNameOf(started.processId), "alderon.exe");

  auto& processes = NativeProcesses();
  EXPECT_EQ(processes.WaitForInputIdle(started.hProcess, platform::kInfinite), 0u);
  const Handle found = processes.OpenProcess(kFindAccess, false, started.processId);
  ASSERT_NE(found, platform::kNoHandle);
  EXPECT_TRUE(processes.TerminateProcess(found, 7));
  EXPECT_TRUE(processes.CloseHandle(found));
  EXPECT_EQ(processes.WaitForSingleObject(started.hProcess, kWaitLimitMs), platform::kWaitObject0);
  EXPECT_TRUE(ProcessesNamed("alderon.exe").empty());
  EXPECT_FALSE(processes.TerminateProcess(started.hProcess, 0));
  EXPECT_EQ(platform::NativeSystem().GetLastError(), platform::kErrorAccessDenied);
}

TEST_F(ProcessTest, TerminationThroughTheStartHandleSetsTheExitCode) {
  const std::string program = folder_.File("setup.exe");
  PlaceCopyOfSleep(program);
  const auto started = Start(program, " 30");
  auto& processes = NativeProcesses();
  EXPECT_EQ(processes.WaitForSingleObject(started.hProcess, 50), platform::kWaitTimeout);
  std::uint32_t code = 0;
  EXPECT_TRUE(processes.GetExitCodeProcess(started.hProcess, code));
  EXPECT_EQ(code, platform::kStillActive);
  EXPECT_TRUE(processes.TerminateProcess(started.hProcess, 0xC0000005));
  EXPECT_EQ(ExitCodeAfterEnd(started.hProcess), 0xC0000005u);
}

TEST_F(ProcessTest, ExitStatusAndSignalsBecomeExitCodes) {
  const std::string exits = folder_.File("exits.sh");
  const std::string killed = folder_.File("killed.sh");
  PlaceProgram(exits, "#!/bin/sh\nexit 3\n");
  PlaceProgram(killed, "#!/bin/sh\nkill -TERM $$\nsleep 5\n");
  EXPECT_EQ(ExitCodeAfterEnd(Start(exits, "").hProcess), 3u);
  EXPECT_EQ(ExitCodeAfterEnd(Start(killed, "").hProcess), 128u + SIGTERM);
  // The thread handle waits for the same end.
  const auto again = Start(exits, "");
  EXPECT_EQ(NativeProcesses().WaitForSingleObject(again.hThread, kWaitLimitMs),
            platform::kWaitObject0);
}

TEST_F(ProcessTest, TheInstallerGetsItsArgumentsFolderAndNoInput) {
  const std::string program = folder_.File("setup.exe");
  PlaceProgram(program,
               "#!/bin/sh\n"
               "printf '%s\\n' \"$#\" \"$@\" > args.txt\n"
               "pwd >> args.txt\n"
               "if read line; then echo input >> args.txt; else echo none >> args.txt; fi\n");
  const std::string work = folder_.File("update");
  fs::create_directory(work);
  const auto started = Start(program, " /VERYSILENT /LOG=auto_update.log", work);
  EXPECT_EQ(ExitCodeAfterEnd(started.hProcess), 0u);
  EXPECT_EQ(ReadFile(work + "/args.txt"),
            "2\n/VERYSILENT\n/LOG=auto_update.log\n" + fs::canonical(work).string() + "\nnone\n");
}

TEST_F(ProcessTest, QuotedArgumentsArriveWhole) {
  const std::string program = folder_.File("echo.sh");
  PlaceProgram(program, "#!/bin/sh\nprintf '[%s]' \"$@\" > \"$0.out\"\n");
  EXPECT_EQ(ExitCodeAfterEnd(Start(program, "setup.exe \"/DIR=C:\\Program Files\" a\\\"b").hProcess),
            0u);
  EXPECT_EQ(ReadFile(program + ".out"), "[/DIR=C:\\Program Files][a\"b]");
}

TEST_F(ProcessTest, StartFailuresGiveTheWindowsError) {
  const std::string notAProgram = folder_.File("setup.exe");
  PlaceProgram(notAProgram, std::string("MZ\x90\0\x03\0\0\0", 8));
  const std::string script = folder_.File("ok.sh");
  PlaceProgram(script, "#!/bin/sh\n");
  const struct {
    std::string program;
    std::string folder;
    std::uint32_t error;
  } cases[] = {
      {folder_.File("missing.exe"), "", 2},
      {notAProgram, "", 193},
      {folder_.Path().string(), "", 5},
      {script, folder_.File("no-such-folder"), 267},
  };
  const std::size_t descriptors = OpenDescriptorCount();
  for (const auto& c : cases) {
    ProcessStart start;
    start.applicationName = c.program;
    start.commandLine = " /VERYSILENT";
    start.currentDirectory = c.folder;
    ProcessInformation started;
    platform::NativeSystem().SetLastError(0);
    EXPECT_FALSE(NativeProcesses().CreateProcess(start, started)) << c.program;
    EXPECT_EQ(platform::NativeSystem().GetLastError(), c.error) << c.program;
    EXPECT_EQ(started.hProcess, platform::kNoHandle);
  }
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST_F(ProcessTest, EndedProgramsLeaveNoZombieAndNoDescriptor) {
  const std::string program = folder_.File("exits.sh");
  PlaceProgram(program, "#!/bin/sh\nexit 0\n");
  const std::size_t descriptors = OpenDescriptorCount();
  auto& processes = NativeProcesses();
  ProcessStart start;
  start.applicationName = program;
  ProcessInformation started;
  ASSERT_TRUE(processes.CreateProcess(start, started));
  EXPECT_EQ(processes.WaitForSingleObject(started.hProcess, kWaitLimitMs), platform::kWaitObject0);
  EXPECT_FALSE(fs::exists("/proc/" + std::to_string(started.processId)));
  EXPECT_TRUE(processes.CloseHandle(started.hThread));
  EXPECT_TRUE(processes.CloseHandle(started.hProcess));
  EXPECT_EQ(OpenDescriptorCount(), descriptors);

  // Handles closed while it runs: it is reaped all the same when it ends.
  const std::string sleeper = folder_.File("sleeper");
  PlaceCopyOfSleep(sleeper);
  start.applicationName = sleeper;
  start.commandLine = " 30";
  ASSERT_TRUE(processes.CreateProcess(start, started));
  processes.CloseHandle(started.hThread);
  processes.CloseHandle(started.hProcess);
  const std::string entry = "/proc/" + std::to_string(started.processId);
  ::kill(static_cast<pid_t>(started.processId), SIGKILL);
  for (int i = 0; i < 500 && fs::exists(entry); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST(Processes, AWindowsProgramUnderItsLoaderIsKnownByItsExeName) {
  const ScopedTempFolder folder;
  const std::string loader = folder.File("wine64-preloader");
  fs::copy_file("/bin/sleep", loader);
  const auto spawn = [&](const char* argument0) {
    const char* argv[] = {argument0, "30", nullptr};
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, loader.c_str(), nullptr, nullptr, const_cast<char**>(argv),
                            environ),
              0);
    return pid;
  };
  const pid_t windowsProgram = spawn("C:\\Program Files\\Quorvane\\ALDERON.EXE");
  const pid_t loaderItself = spawn("wine64-preloader");
  // Until the kernel has set up its arguments a starting program cannot be named.
  for (pid_t pid : {windowsProgram, loaderItself}) {
    const std::string arguments = "/proc/" + std::to_string(pid) + "/cmdline";
    for (int i = 0; i < 500 && ReadFile(arguments).empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  const auto windowsName = BaseNameOf(static_cast<std::uint32_t>(windowsProgram));
  const auto loaderName = BaseNameOf(static_cast<std::uint32_t>(loaderItself));
  for (pid_t pid : {windowsProgram, loaderItself}) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  EXPECT_EQ(windowsName, "ALDERON.EXE");
  EXPECT_EQ(loaderName, "wine64-preloader");
}

TEST(Processes, ListsEveryProcessAndRefusesWhatIsNotThere) {
  auto& processes = NativeProcesses();
  std::vector<std::uint32_t> ids;
  ASSERT_TRUE(processes.EnumProcesses(ids));
  EXPECT_NE(std::find(ids.begin(), ids.end(), static_cast<std::uint32_t>(::getpid())), ids.end());
  EXPECT_NE(std::find(ids.begin(), ids.end(), 1u), ids.end());
  EXPECT_EQ(BaseNameOf(static_cast<std::uint32_t>(::getpid())), "platform_tests");

  auto& system = platform::NativeSystem();
  EXPECT_EQ(processes.OpenProcess(kFindAccess, false, 0), platform::kNoHandle);
  EXPECT_EQ(system.GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(processes.OpenProcess(kFindAccess, false, 0x7FFFFFF0), platform::kNoHandle);
  EXPECT_EQ(system.GetLastError(), platform::kErrorInvalidParameter);

  const Handle bogus = 0x7777;
  EXPECT_FALSE(processes.CloseHandle(bogus));
  EXPECT_EQ(system.GetLastError(), platform::kErrorInvalidHandle);
  EXPECT_EQ(processes.WaitForSingleObject(bogus, 0), platform::kWaitFailed);
  std::uint32_t code = 0;
  EXPECT_FALSE(processes.GetExitCodeProcess(bogus, code));
  EXPECT_FALSE(processes.TerminateProcess(bogus, 0));
  EXPECT_EQ(system.GetLastError(), platform::kErrorInvalidHandle);
}

TEST(Processes, AHandleOfAnotherProcessIsUsedOnlyAsOpened) {
  auto& processes = NativeProcesses();
  const Handle self = processes.OpenProcess(platform::kProcessQueryInformation, false,
                                            static_cast<std::uint32_t>(::getpid()));
  ASSERT_NE(self, platform::kNoHandle);
  std::uint32_t code = 0;
  EXPECT_TRUE(processes.GetExitCodeProcess(self, code));
  EXPECT_EQ(code, platform::kStillActive);
  EXPECT_FALSE(processes.TerminateProcess(self, 0));
  EXPECT_EQ(platform::NativeSystem().GetLastError(), platform::kErrorAccessDenied);
  EXPECT_EQ(processes.WaitForSingleObject(self, 0), platform::kWaitFailed);
  EXPECT_TRUE(processes.CloseHandle(self));
  EXPECT_FALSE(processes.CloseHandle(self));
}

}  // namespace
