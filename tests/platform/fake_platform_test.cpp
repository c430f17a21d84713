#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/platform.h"

namespace {

TEST(ScopedFakePlatform, PutsTheFakesInPlaceAndTheNativesBack) {
  {
    ScopedFakePlatform fakes;
    EXPECT_EQ(&platform::TheSystem(), &fakes.system);
    EXPECT_EQ(&platform::TheProcesses(), &fakes.processes);
    EXPECT_EQ(&platform::TheRegistry(), &fakes.registry);
  }
  EXPECT_EQ(&platform::TheSystem(), &platform::NativeSystem());
  EXPECT_EQ(&platform::TheProcesses(), &platform::NativeProcesses());
  EXPECT_EQ(&platform::TheRegistry(), &platform::NativeRegistry());
}

TEST(FakeSystem, DeletesFakeAndRealFilesAndRecordsEveryRequest) {
  const ScopedTempFolder folder;
  const std::string real = folder.File("setup.exe");
  std::ofstream(real) << "x";
  FakeSystem system;
  system.AddFile("C:\\Quorvane\\setup.exe");
  system.FailDeleteFile("locked.exe", 32);

  EXPECT_TRUE(system.FileExists("C:\\Quorvane\\setup.exe"));
  EXPECT_TRUE(system.DeleteFile("C:\\Quorvane\\setup.exe"));
  EXPECT_FALSE(system.FileExists("C:\\Quorvane\\setup.exe"));
  EXPECT_TRUE(system.DeleteFile(real));
  EXPECT_FALSE(std::filesystem::exists(real));
  EXPECT_FALSE(system.DeleteFile(real));
  EXPECT_EQ(system.GetLastError(), 2u);
  EXPECT_FALSE(system.DeleteFile("locked.exe"));
  EXPECT_EQ(system.GetLastError(), 32u);
  EXPECT_EQ(system.DeletedPaths(),
            (std::vector<std::string>{"C:\\Quorvane\\setup.exe", real, real, "locked.exe"}));
}

TEST(FakeSystem, CurrentDirectoryAndItsFailure) {
  FakeSystem system;
  EXPECT_TRUE(system.SetCurrentDir("/q/update"));
  system.FailSetCurrentDir(3);
  EXPECT_FALSE(system.SetCurrentDir("/missing"));
  EXPECT_EQ(system.GetLastError(), 3u);
  EXPECT_EQ(system.GetCurrentDir(), "/q/update");
  EXPECT_EQ(system.SetCurrentDirCalls(), (std::vector<std::string>{"/q/update", "/missing"}));
}

TEST(FakeSystem, TextsDefaultToTheNativeOnesAndCanBeSet) {
  FakeSystem system;
  EXPECT_EQ(system.SystemErrorText(2), "The system cannot find the file specified.\r\n");
  system.SetErrorText(2, "Datei fehlt.\r\n");
  EXPECT_EQ(system.SystemErrorText(2), "Datei fehlt.\r\n");
  system.SetLanguage(0x0419);
  EXPECT_EQ(system.VerLanguageName(system.GetSystemDefaultLangID()), "Russian");
  system.SetLanguageName(0x0419, "Russian\n");
  EXPECT_EQ(system.VerLanguageName(0x0419), "Russian\n");
  system.SetModuleFileName("C:\\Quorvane\\update\\update.exe");
  EXPECT_EQ(system.CommandLine(), std::vector<std::string>{"C:\\Quorvane\\update\\update.exe"});
}

TEST(FakeSystem, MessageBoxesAreRecordedAndPresentedWhenAPresenterIsSet) {
  FakeSystem system;
  system.SetMessageBoxAnswer(2);
  EXPECT_EQ(system.MessageBox("text", "Error!", 0x10), 2);
  int presented = 0;
  platform::SetMessageBoxPresenter([&](const std::string&, const std::string&, std::uint32_t) {
    ++presented;
    return 1;
  });
  EXPECT_EQ(system.MessageBox("again", "Error!", 0x10), 1);
  platform::SetMessageBoxPresenter(nullptr);
  EXPECT_EQ(presented, 1);
  ASSERT_EQ(system.MessageBoxes().size(), 2u);
  EXPECT_EQ(system.MessageBoxes()[1].text, "again");
  EXPECT_EQ(system.MessageBoxes()[1].caption, "Error!");
  EXPECT_EQ(system.MessageBoxes()[1].flags, 0x10u);
}

TEST(FakeProcesses, FailuresSetTheLastErrorAndTerminationsAreRecorded) {
  ScopedFakePlatform fakes;
  auto& processes = fakes.processes;
  processes.AddProcess({10, "alderon.exe"});
  processes.AddProcess({11, "bexmoor.exe", true, true, true, false});
  processes.AddProcess({12, "calvint.exe", false});

  EXPECT_EQ(processes.OpenProcess(0x0411, false, 12), platform::kNoHandle);
  EXPECT_EQ(fakes.system.GetLastError(), platform::kErrorAccessDenied);
  const auto stubborn = processes.OpenProcess(0x0411, false, 11);
  EXPECT_FALSE(processes.TerminateProcess(stubborn, 0));
  EXPECT_EQ(fakes.system.GetLastError(), platform::kErrorAccessDenied);
  const auto alderon = processes.OpenProcess(0x0411, false, 10);
  platform::Handle module = platform::kNoHandle;
  EXPECT_TRUE(processes.EnumProcessModules(alderon, module));
  EXPECT_EQ(processes.GetModuleBaseName(alderon, module), "alderon.exe");
  EXPECT_TRUE(processes.TerminateProcess(alderon, 0));
  ASSERT_EQ(processes.Terminations().size(), 1u);
  EXPECT_EQ(processes.Terminations()[0].pid, 10u);
  EXPECT_EQ(processes.Running().size(), 2u);
  EXPECT_EQ(processes.OpenHandleCount(), 2u);
  processes.CloseHandle(alderon);
  processes.CloseHandle(stubborn);
  EXPECT_EQ(processes.OpenHandleCount(), 0u);

  processes.FailEnumProcesses(8);
  std::vector<std::uint32_t> ids;
  EXPECT_FALSE(processes.EnumProcesses(ids));
  EXPECT_EQ(fakes.system.GetLastError(), 8u);
}

TEST(FakeProcesses, AStartRunsUntilWaitedForAndEndsWithTheOutcome) {
  ScopedFakePlatform fakes;
  auto& processes = fakes.processes;
  processes.SetStartOutcome({true, 0, 0xC0000005, true});
  std::string seen;
  processes.OnCreateProcess = [&](const platform::ProcessStart& start) { seen = start.commandLine; };
  platform::ProcessStart start;
  start.applicationName = "/q/setup.exe";
  start.commandLine = " /VERYSILENT /LOG=auto_update.log";
  platform::ProcessInformation started;
  ASSERT_TRUE(processes.CreateProcess(start, started));
  EXPECT_EQ(seen, start.commandLine);
  std::uint32_t code = 0;
  EXPECT_TRUE(processes.GetExitCodeProcess(started.hProcess, code));
  EXPECT_EQ(code, platform::kStillActive);
  EXPECT_EQ(processes.WaitForSingleObject(started.hProcess, platform::kInfinite), 0u);
  EXPECT_TRUE(processes.GetExitCodeProcess(started.hProcess, code));
  EXPECT_EQ(code, 0xC0000005u);
  ASSERT_EQ(processes.Waits().size(), 1u);
  EXPECT_EQ(processes.Waits()[0].milliseconds, platform::kInfinite);

  processes.SetStartOutcome({false, 193, 0, true});
  EXPECT_FALSE(processes.CreateProcess(start, started));
  EXPECT_EQ(fakes.system.GetLastError(), 193u);
  EXPECT_EQ(processes.Starts().size(), 2u);
}

}  // namespace
