// The Processes interface on Linux: /proc lists and names processes, pidfds signal them without
// the risk of a reused identifier, posix_spawn starts programs, and a waiter thread per started
// program reaps it the moment it ends, so no zombie is left whatever the caller does.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/commandline.h"
#include "platform/platform.h"
#include "platform/posix/files.h"
#include "platform/posix/last_error.h"
#include "platform/posix/unique_fd.h"
#include "rtl/sysutils.h"

extern char** environ;

namespace platform {

namespace {

using posix::SetLastError;
using posix::SetLastErrorFromErrno;
using posix::UniqueFd;

constexpr std::uint32_t kErrorNoChildren = 128;
constexpr std::uint32_t kErrorPartialCopy = 299;
// EnumProcessModules gives this for the executable; GetModuleBaseName also takes no module.
constexpr Handle kExecutableModule = 1;
constexpr std::size_t kModuleNameCharacters = 259;  // 260 with the NUL

// The end of a process we started, filled in by its waiter thread.
struct ChildState {
  std::mutex mutex;
  std::condition_variable endedSignal;
  bool ended = false;
  bool statusKnown = false;
  int status = 0;
  std::optional<std::uint32_t> terminationExitCode;
};

// What every handle of one process shares.
struct ProcessObject {
  pid_t pid = 0;
  UniqueFd pidfd;
  std::shared_ptr<ChildState> child;  // null when we did not start the process
};

struct HandleEntry {
  std::shared_ptr<ProcessObject> process;
  std::uint32_t access = 0;
  bool isThread = false;
};

// Through syscall(2): the C library's own wrappers are not usable from C++ everywhere yet.
int OpenPidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

int SendSignal(const ProcessObject& process, int signal) {
  return static_cast<int>(::syscall(SYS_pidfd_send_signal, process.pidfd.Get(), signal, nullptr, 0));
}

bool IsWindowsLoader(const std::string& baseName) {
  return baseName == "wine" || baseName == "wine64" || baseName == "wine-preloader" ||
         baseName == "wine64-preloader";
}

std::string AfterLast(const std::string& path, const char* separators) {
  const auto at = path.find_last_of(separators);
  return at == std::string::npos ? path : path.substr(at + 1);
}

// The executable's file name; for a Windows program run by a loader, the name of the Windows
// executable, which the loader keeps as argument 0. The last error is set when it fails.
std::optional<std::string> ExecutableBaseName(pid_t pid) {
  const std::string folder = "/proc/" + std::to_string(pid);
  auto target = posix::ReadLink(folder + "/exe");
  if (!target) {
    SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  constexpr std::string_view kDeleted = " (deleted)";
  if (target->ends_with(kDeleted)) target->resize(target->size() - kDeleted.size());
  const std::string name = AfterLast(*target, "/");
  if (!IsWindowsLoader(name)) return name;
  const auto arguments = posix::ReadFileBytes(folder + "/cmdline");
  if (!arguments) {
    SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  // A program that is still being started has no arguments yet, as Windows has no modules.
  if (arguments->empty()) {
    SetLastError(kErrorPartialCopy);
    return std::nullopt;
  }
  const std::string windowsName = AfterLast(arguments->substr(0, arguments->find('\0')), "\\/");
  return LowerCase(windowsName).ends_with(".exe") ? windowsName : name;
}

void WaitForEnd(pid_t pid, const std::shared_ptr<ChildState>& child) {
  int status = 0;
  pid_t reaped = 0;
  do {
    reaped = ::waitpid(pid, &status, 0);
  } while (reaped < 0 && errno == EINTR);
  const std::lock_guard lock(child->mutex);
  child->ended = true;
  child->statusKnown = reaped == pid;
  child->status = status;
  child->endedSignal.notify_all();
}

std::uint32_t ExitCodeOf(const ChildState& child) {
  if (WIFEXITED(child.status)) return static_cast<std::uint32_t>(WEXITSTATUS(child.status));
  const int signal = WTERMSIG(child.status);
  if (signal == SIGKILL && child.terminationExitCode) return *child.terminationExitCode;
  return static_cast<std::uint32_t>(128 + signal);
}

// The file to start, absolute so that a change of directory for the child does not move it.
std::string ProgramPath(const ProcessStart& start, const std::vector<std::string>& args) {
  std::string program = start.applicationName.empty() ? args.front() : start.applicationName;
  if (program.empty() || program.front() == '/') return program;
  return NativeSystem().GetCurrentDir() + "/" + program;
}

// A downloaded program has no executable bit; its owner may always start it.
bool PrepareProgram(const std::string& program) {
  struct stat status {};
  if (::stat(program.c_str(), &status) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  if (S_ISDIR(status.st_mode)) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  if ((status.st_mode & S_IXUSR) == 0) ::chmod(program.c_str(), status.st_mode | S_IXUSR);
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

class SpawnSettings {
 public:
  explicit SpawnSettings(const std::string& folder) {
    ::posix_spawn_file_actions_init(&actions_);
    ::posix_spawnattr_init(&attributes_);
    ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!folder.empty()) ::posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str());
    // The program starts as from a fresh session, not with what this one ignores or blocks.
    sigset_t none;
    sigset_t all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    ::posix_spawnattr_setsigmask(&attributes_, &none);
    ::posix_spawnattr_setsigdefault(&attributes_, &all);
    ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnSettings() {
    ::posix_spawnattr_destroy(&attributes_);
    ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  const posix_spawn_file_actions_t* Actions() const { return &actions_; }
  const posix_spawnattr_t* Attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_{};
  posix_spawnattr_t attributes_{};
};

// Ends a child we cannot keep track of, so it leaves no zombie.
void Abandon(pid_t pid) {
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

class PosixProcesses final : public Processes {
 public:
  bool EnumProcesses(std::vector<std::uint32_t>& ids) override {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir("/proc"), ::closedir);
    if (!folder) {
      SetLastErrorFromErrno(errno);
      return false;
    }
    ids.clear();
    while (const dirent* entry = ::readdir(folder.get())) {
      if (const auto id = ProcessIdOf(entry->d_name)) ids.push_back(*id);
    }
    return true;
  }

  Handle OpenProcess(std::uint32_t access, bool, std::uint32_t processId) override {
    const auto pid = static_cast<pid_t>(processId);
    if (pid <= 0 || static_cast<std::uint32_t>(pid) != processId) {
      SetLastError(kErrorInvalidParameter);
      return kNoHandle;
    }
    auto process = std::make_shared<ProcessObject>();
    process->pid = pid;
    process->pidfd = UniqueFd(OpenPidFd(pid));
    if (!process->pidfd.Valid()) {
      SetLastError(errno == ESRCH ? kErrorInvalidParameter : posix::WindowsErrorOf(errno));
      return kNoHandle;
    }
    if (SendSignal(*process, 0) != 0) {
      SetLastError(errno == ESRCH ? kErrorInvalidParameter : kErrorAccessDenied);
      return kNoHandle;
    }
    return Add({std::move(process), access, false});
  }

  bool EnumProcessModules(Handle process, Handle& firstModule) override {
    const auto entry = ProcessEntry(process, kProcessQueryInformation | kProcessVmRead);
    if (!entry) return false;
    if (!ExecutableBaseName(entry->process->pid)) return false;
    firstModule = kExecutableModule;
    return true;
  }

  std::optional<std::string> GetModuleBaseName(Handle process, Handle module) override {
    const auto entry = ProcessEntry(process, kProcessQueryInformation | kProcessVmRead);
    if (!entry) return std::nullopt;
    if (module != kExecutableModule && module != kNoHandle) {
      SetLastError(kErrorInvalidHandle);
      return std::nullopt;
    }
    auto name = ExecutableBaseName(entry->process->pid);
    if (!name) return std::nullopt;
    return name->substr(0, kModuleNameCharacters);
  }

  bool TerminateProcess(Handle process, std::uint32_t exitCode) override {
    const auto entry = ProcessEntry(process, kProcessTerminate);
    if (!entry) return false;
    const ProcessObject& target = *entry->process;
    if (!target.child) return Kill(target);
    const std::lock_guard lock(target.child->mutex);
    if (target.child->ended) {
      SetLastError(kErrorAccessDenied);
      return false;
    }
    if (!Kill(target)) return false;
    target.child->terminationExitCode = exitCode;
    return true;
  }

  bool CloseHandle(Handle handle) override {
    const std::lock_guard lock(tableMutex_);
    if (handles_.erase(handle) == 1) return true;
    SetLastError(kErrorInvalidHandle);
    return false;
  }

  bool CreateProcess(const ProcessStart& start, ProcessInformation& started) override {
    const auto args = CommandLineToArgs(start.commandLine);
    const std::string program = ProgramPath(start, args);
    if (!PrepareProgram(program)) return false;
    if (!start.currentDirectory.empty() && !IsFolder(start.currentDirectory)) {
      SetLastError(kErrorDirectory);
      return false;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (std::size_t i = 1; i < args.size(); ++i) argv.push_back(const_cast<char*>(args[i].c_str()));
    argv.push_back(nullptr);

    const SpawnSettings settings(start.currentDirectory);
    pid_t pid = 0;
    const int failure = ::posix_spawn(&pid, program.c_str(), settings.Actions(),
                                      settings.Attributes(), argv.data(), environ);
    if (failure != 0) {
      SetLastErrorFromErrno(failure);
      return false;
    }
    auto process = Track(pid);
    if (!process) return false;
    started.processId = static_cast<std::uint32_t>(pid);
    started.threadId = static_cast<std::uint32_t>(pid);
    started.hProcess = Add({process, kProcessAllAccess, false});
    started.hThread = Add({std::move(process), kProcessAllAccess, true});
    return true;
  }

  std::uint32_t WaitForInputIdle(Handle process, std::uint32_t) override {
    return ProcessEntry(process, 0) ? kWaitObject0 : kWaitFailed;
  }

  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override {
    const auto entry = Find(handle);
    if (!entry) return kWaitFailed;
    const auto& child = entry->process->child;
    if (!child) {
      SetLastError(kErrorAccessDenied);
      return kWaitFailed;
    }
    std::unique_lock lock(child->mutex);
    const auto hasEnded = [&child] { return child->ended; };
    if (milliseconds == kInfinite) {
      child->endedSignal.wait(lock, hasEnded);
      return kWaitObject0;
    }
    return child->endedSignal.wait_for(lock, std::chrono::milliseconds(milliseconds), hasEnded)
               ? kWaitObject0
               : kWaitTimeout;
  }

  bool GetExitCodeProcess(Handle process, std::uint32_t& exitCode) override {
    const auto entry = ProcessEntry(process, kProcessQueryInformation);
    if (!entry) return false;
    const ProcessObject& target = *entry->process;
    if (!target.child) {
      if (SendSignal(target, 0) != 0) {
        SetLastError(kErrorAccessDenied);
        return false;
      }
      exitCode = kStillActive;
      return true;
    }
    const std::lock_guard lock(target.child->mutex);
    if (!target.child->ended) {
      exitCode = kStillActive;
      return true;
    }
    if (!target.child->statusKnown) {
      SetLastError(kErrorNoChildren);
      return false;
    }
    exitCode = ExitCodeOf(*target.child);
    return true;
  }

 private:
  static constexpr std::uint32_t kProcessAllAccess = 0x1FFFFF;

  // The folders of /proc named by digits alone are the processes.
  static std::optional<std::uint32_t> ProcessIdOf(std::string_view name) {
    if (name.empty() || name.find_first_not_of("0123456789") != std::string_view::npos) {
      return std::nullopt;
    }
    const auto id = TryStrToInt(name);
    if (!id || *id <= 0) return std::nullopt;
    return static_cast<std::uint32_t>(*id);
  }

  static bool Kill(const ProcessObject& target) {
    if (SendSignal(target, SIGKILL) == 0) return true;
    SetLastError(kErrorAccessDenied);
    return false;
  }

  // A started child, with its pidfd taken while it cannot yet have been reaped, and its waiter.
  static std::shared_ptr<ProcessObject> Track(pid_t pid) {
    auto process = std::make_shared<ProcessObject>();
    process->pid = pid;
    process->pidfd = UniqueFd(OpenPidFd(pid));
    if (!process->pidfd.Valid()) {
      SetLastErrorFromErrno(errno);
      Abandon(pid);
      return nullptr;
    }
    process->child = std::make_shared<ChildState>();
    try {
      std::thread(WaitForEnd, pid, process->child).detach();
    } catch (const std::system_error&) {
      SetLastErrorFromErrno(ENOMEM);
      Abandon(pid);
      return nullptr;
    }
    return process;
  }

  Handle Add(HandleEntry entry) {
    const std::lock_guard lock(tableMutex_);
    nextHandle_ += 4;
    handles_.emplace(nextHandle_, std::move(entry));
    return nextHandle_;
  }

  std::optional<HandleEntry> Find(Handle handle) {
    const std::lock_guard lock(tableMutex_);
    const auto found = handles_.find(handle);
    if (found != handles_.end()) return found->second;
    SetLastError(kErrorInvalidHandle);
    return std::nullopt;
  }

  // A process handle (not a thread's) that was opened with at least one of the rights given.
  std::optional<HandleEntry> ProcessEntry(Handle handle, std::uint32_t anyOfRights) {
    auto entry = Find(handle);
    if (!entry) return std::nullopt;
    if (entry->isThread) {
      SetLastError(kErrorInvalidHandle);
      return std::nullopt;
    }
    if (anyOfRights != 0 && (entry->access & anyOfRights) == 0) {
      SetLastError(kErrorAccessDenied);
      return std::nullopt;
    }
    return entry;
  }

  std::mutex tableMutex_;
  std::map<Handle, HandleEntry> handles_;
  Handle nextHandle_ = 0;
};

}  // namespace

Processes& NativeProcesses() {
  static PosixProcesses processes;
  return processes;
}

}  // namespace platform
