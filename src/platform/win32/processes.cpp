// The Processes interface on Windows: the process status calls of psapi.dll and the kernel's
// process calls, with the arguments handed through unchanged.

#include <array>

#include "platform/platform.h"
#include "platform/win32/windows_api.h"

namespace platform {

namespace {

// Room for 1024 identifiers: a process beyond them is not listed.
constexpr std::size_t kProcessTableEntries = 1024;
constexpr DWORD kModuleNameCharacters = 260;

HANDLE AsHandle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
Handle FromHandle(HANDLE handle) { return reinterpret_cast<Handle>(handle); }

STARTUPINFOA StartupInfoOf(const StartupInfo& wanted) {
  STARTUPINFOA info{};
  // The size of the structure passed, whatever the caller counted (68 in a 32-bit program).
  info.cb = sizeof info;
  info.dwFlags = wanted.dwFlags;
  info.wShowWindow = wanted.wShowWindow;
  return info;
}

// nullptr for an empty text, which the calls read as "not given".
const char* OptionalText(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

class Win32Processes final : public Processes {
 public:
  bool EnumProcesses(std::vector<std::uint32_t>& ids) override {
    std::array<DWORD, kProcessTableEntries> table{};
    DWORD bytesFilled = 0;
    if (::EnumProcesses(table.data(), sizeof table, &bytesFilled) == FALSE) return false;
    ids.assign(table.begin(), table.begin() + bytesFilled / sizeof(DWORD));
    return true;
  }

  Handle OpenProcess(std::uint32_t access, bool inheritHandle, std::uint32_t processId) override {
    return FromHandle(::OpenProcess(access, inheritHandle ? TRUE : FALSE, processId));
  }

  bool EnumProcessModules(Handle process, Handle& firstModule) override {
    HMODULE module = nullptr;
    DWORD bytesNeeded = 0;
    if (::EnumProcessModules(AsHandle(process), &module, sizeof module, &bytesNeeded) == FALSE) {
      return false;
    }
    firstModule = FromHandle(module);
    return true;
  }

  std::optional<std::string> GetModuleBaseName(Handle process, Handle module) override {
    std::array<char, kModuleNameCharacters> name{};
    const DWORD length = GetModuleBaseNameA(AsHandle(process), reinterpret_cast<HMODULE>(module),
                                            name.data(), kModuleNameCharacters);
    if (length == 0) return std::nullopt;
    return std::string(name.data(), length);
  }

  bool TerminateProcess(Handle process, std::uint32_t exitCode) override {
    return ::TerminateProcess(AsHandle(process), exitCode) != FALSE;
  }

  bool CloseHandle(Handle handle) override { return ::CloseHandle(AsHandle(handle)) != FALSE; }

  bool CreateProcess(const ProcessStart& start, ProcessInformation& started) override {
    STARTUPINFOA startupInfo = StartupInfoOf(start.startupInfo);
    // CreateProcessA wants a command line it may write to.
    std::string commandLine = start.commandLine;
    PROCESS_INFORMATION information{};
    if (CreateProcessA(OptionalText(start.applicationName), commandLine.data(), nullptr, nullptr,
                       start.inheritHandles ? TRUE : FALSE, start.creationFlags, nullptr,
                       OptionalText(start.currentDirectory), &startupInfo,
                       &information) == FALSE) {
      return false;
    }
    started.hProcess = FromHandle(information.hProcess);
    started.hThread = FromHandle(information.hThread);
    started.processId = information.dwProcessId;
    started.threadId = information.dwThreadId;
    return true;
  }

  std::uint32_t WaitForInputIdle(Handle process, std::uint32_t milliseconds) override {
    return ::WaitForInputIdle(AsHandle(process), milliseconds);
  }

  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override {
    return ::WaitForSingleObject(AsHandle(handle), milliseconds);
  }

  bool GetExitCodeProcess(Handle process, std::uint32_t& exitCode) override {
    DWORD code = 0;
    if (::GetExitCodeProcess(AsHandle(process), &code) == FALSE) return false;
    exitCode = code;
    return true;
  }
};

}  // namespace

Processes& NativeProcesses() {
  static Win32Processes processes;
  return processes;
}

}  // namespace platform
