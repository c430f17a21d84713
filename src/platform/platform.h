#pragma once
// The operating system behind one narrow interface. posix/ and win32/ implement it; tests put a
// fake in its place (tests/support/) to reach every failure path. The operations keep the shape
// and the numbers of the Windows calls they stand for, so the code above reads the same on
// every system.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Windows error codes used across the layer.
inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorBadExeFormat = 193;
inline constexpr std::uint32_t kErrorDirectory = 267;
inline constexpr std::uint32_t kErrorBadDb = 1009;

// Files and folders, the program's own path and command line, error texts, language and the
// system message box.
class System {
 public:
  virtual ~System() = default;

  // GetModuleFileNameA(nullptr, …): the full path of the running executable.
  virtual std::string ModuleFileName() = 0;
  // Argument 0 (the program) followed by the arguments.
  virtual std::vector<std::string> CommandLine() = 0;
  // The folder separator of the platform: '\\' on Windows, '/' on POSIX.
  virtual char PathDelimiter() = 0;

  virtual std::string GetCurrentDir() = 0;
  // False (with the last error set) when the folder cannot be made current.
  virtual bool SetCurrentDir(const std::string& folder) = 0;
  // DeleteFileA: false (with the last error set) when nothing was deleted, a missing file too.
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;

  // GetLastError / SetLastError of the calling thread, in Windows numbering.
  virtual std::uint32_t GetLastError() = 0;
  virtual void SetLastError(std::uint32_t code) = 0;
  // FormatMessageA with flags 0x1100 and language 0x0400: the system's text for the code with
  // its trailing CR LF; the empty text when there is none or it holds insert placeholders.
  virtual std::string SystemErrorText(std::uint32_t code) = 0;

  // GetSystemDefaultLangID and VerLanguageNameA (a buffer of 100 characters).
  virtual std::uint16_t GetSystemDefaultLangID() = 0;
  virtual std::string VerLanguageName(std::uint16_t languageId) = 0;

  // MessageBoxA without owner window; returns the button pressed (IDOK = 1).
  virtual int MessageBox(const std::string& text, const std::string& caption,
                         std::uint32_t flags) = 0;
};

inline constexpr std::uint32_t kMbIconStop = 0x10;
inline constexpr int kIdOk = 1;

// A handle of the process interfaces; 0 is no handle.
using Handle = std::uintptr_t;
inline constexpr Handle kNoHandle = 0;

inline constexpr std::uint32_t kProcessQueryInformation = 0x0400;
inline constexpr std::uint32_t kProcessVmRead = 0x0010;
inline constexpr std::uint32_t kProcessTerminate = 0x0001;

inline constexpr std::uint32_t kCreateDefaultErrorMode = 0x04000000;
inline constexpr std::uint32_t kStartfUseShowWindow = 0x01;
inline constexpr std::uint32_t kStartfForceOffFeedback = 0x40;
inline constexpr std::uint16_t kSwHide = 0;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
inline constexpr std::uint32_t kStillActive = 259;

// The fields of STARTUPINFOA that a caller sets; all others are zero.
struct StartupInfo {
  std::uint32_t cb = 68;
  std::uint32_t dwFlags = 0;
  std::uint16_t wShowWindow = 0;
};

struct ProcessStart {
  std::string applicationName;
  std::string commandLine;
  bool inheritHandles = false;
  std::uint32_t creationFlags = 0;
  std::string currentDirectory;  // empty: the caller's own
  StartupInfo startupInfo;
};

struct ProcessInformation {
  Handle hProcess = kNoHandle;
  Handle hThread = kNoHandle;
  std::uint32_t processId = 0;
  std::uint32_t threadId = 0;
};

// Process status and control. On POSIX (Linux 5.3 or later, through /proc and pidfds):
// - TerminateProcess sends SIGKILL; the exit code asked for is what GetExitCodeProcess reports
//   for a process we started and killed that way. Another process's exit code cannot be set.
// - WaitForInputIdle returns 0 at once: POSIX programs have no input-idle state.
// - WaitForSingleObject and the exit code work on the handles CreateProcess returns (process
//   and thread alike); another process's end is its parent's to see, so waiting for it fails
//   and its exit code reads STILL_ACTIVE while it runs and fails afterwards.
// - GetExitCodeProcess gives STILL_ACTIVE (259) while the process runs, else its exit status;
//   a process ended by a signal (other than our own termination) gets 128 + the signal number,
//   as shells report it.
// - CreateProcess makes the application file executable for its owner, splits the command line
//   the Windows way (its first word is the program's name and is not passed on), starts the
//   file with stdin from /dev/null in the current directory asked for, and inherits our
//   environment and the descriptors not marked close-on-exec. Show-window values and creation
//   flags have no POSIX meaning.
class Processes {
 public:
  virtual ~Processes() = default;

  // EnumProcesses: the identifiers of every running process; false when listing fails.
  virtual bool EnumProcesses(std::vector<std::uint32_t>& ids) = 0;
  virtual Handle OpenProcess(std::uint32_t access, bool inheritHandle, std::uint32_t processId) = 0;
  // EnumProcessModules with room for one module: the process's executable.
  virtual bool EnumProcessModules(Handle process, Handle& firstModule) = 0;
  // GetModuleBaseNameA into 260 characters; nullopt when it fails.
  virtual std::optional<std::string> GetModuleBaseName(Handle process, Handle module) = 0;
  virtual bool TerminateProcess(Handle process, std::uint32_t exitCode) = 0;
  virtual bool CloseHandle(Handle handle) = 0;

  // CreateProcessA; false with the last error set when the start fails.
  virtual bool CreateProcess(const ProcessStart& start, ProcessInformation& started) = 0;
  virtual std::uint32_t WaitForInputIdle(Handle process, std::uint32_t milliseconds) = 0;
  virtual std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) = 0;
  virtual bool GetExitCodeProcess(Handle process, std::uint32_t& exitCode) = 0;
};

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr long kRegSuccess = 0;
inline constexpr long kRegFileNotFound = 2;

struct RegistryValue {
  std::uint32_t type = 0;
  // REG_SZ and REG_EXPAND_SZ: the text without its NUL; REG_DWORD: the number; any other
  // type: its bytes in `text`.
  std::string text;
  std::uint32_t number = 0;
};

// The registry under HKEY_CURRENT_USER. Key and value names are case-insensitive. Results are
// Windows status codes (0 = success).
class Registry {
 public:
  virtual ~Registry() = default;

  // RegCreateKeyExA (creating the key and its parents when missing) and RegOpenKeyExA
  // (kRegFileNotFound when missing). A key keeps the spelling it was created with.
  virtual long CreateKey(const std::string& subKey, std::uint32_t access, Handle& key) = 0;
  virtual long OpenKey(const std::string& subKey, std::uint32_t access, Handle& key) = 0;
  // kRegFileNotFound when the value does not exist.
  virtual long QueryValue(Handle key, const std::string& name, RegistryValue& value) = 0;
  virtual long SetValue(Handle key, const std::string& name, const RegistryValue& value) = 0;
  virtual long CloseKey(Handle key) = 0;
};

// The names of a key path such as \software\VELMORIA: separators at either end or doubled
// are ignored.
std::vector<std::string> KeyPathNames(const std::string& path);

// The implementations in use: the native ones unless a test has put others in place.
System& TheSystem();
Processes& TheProcesses();
Registry& TheRegistry();

// The native implementations, whatever is in use.
System& NativeSystem();
Processes& NativeProcesses();
Registry& NativeRegistry();

// Puts an implementation in place (nullptr restores the native one). For tests.
void UseSystem(System* system);
void UseProcesses(Processes* processes);
void UseRegistry(Registry* registry);

// Where the POSIX system shows its message boxes: the window toolkit installs its active
// backend here. Without one the box is written to standard error and answered with OK.
using MessageBoxPresenter =
    std::function<int(const std::string& text, const std::string& caption, std::uint32_t flags)>;
void SetMessageBoxPresenter(MessageBoxPresenter presenter);
// The presenter installed; empty when none.
MessageBoxPresenter CurrentMessageBoxPresenter();

}  // namespace platform
