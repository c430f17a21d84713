#include "host/processes.h"

#include <optional>
#include <vector>

#include "platform/platform.h"
#include "rtl/sysutils.h"

namespace {

constexpr std::uint32_t kFindProcessAccess =
    platform::kProcessQueryInformation | platform::kProcessVmRead | platform::kProcessTerminate;

// Owns an open process handle and closes it on every way out.
class ProcessHandle {
 public:
  explicit ProcessHandle(platform::Handle handle) : handle_(handle) {}
  ~ProcessHandle() {
    if (handle_ != platform::kNoHandle) {
      platform::TheProcesses().CloseHandle(handle_);
    }
  }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;

  explicit operator bool() const { return handle_ != platform::kNoHandle; }
  platform::Handle Get() const { return handle_; }

 private:
  platform::Handle handle_;
};

// Whether the process's executable, its base file name lower-cased, is `name`. A process whose
// modules or name cannot be read is nobody.
bool IsProcessNamed(const ProcessHandle& process, const std::string& name) {
  platform::Processes& processes = platform::TheProcesses();
  platform::Handle firstModule = platform::kNoHandle;
  if (!processes.EnumProcessModules(process.Get(), firstModule)) {
    return false;
  }
  const std::optional<std::string> baseName =
      processes.GetModuleBaseName(process.Get(), firstModule);
  return baseName && LowerCase(*baseName) == name;
}

}  // namespace

bool FindProcess(const std::string& name, bool terminate) {
  platform::Processes& processes = platform::TheProcesses();
  std::vector<std::uint32_t> ids;
  if (!processes.EnumProcesses(ids)) {
    return false;
  }
  bool terminated = false;
  for (const std::uint32_t id : ids) {
    const ProcessHandle process(processes.OpenProcess(kFindProcessAccess, false, id));
    if (!process || !IsProcessNamed(process, name)) {
      continue;
    }
    if (!terminate) {
      return true;
    }
    if (processes.TerminateProcess(process.Get(), 0)) {
      terminated = true;
    } else {
      platform::TheSystem().MessageBox("Cannot terminate process '" + name + "' !", "Error!",
                                       platform::kMbIconStop);
    }
  }
  return terminated;
}

std::string SystemErrorText(std::uint32_t code) {
  return platform::TheSystem().SystemErrorText(code);
}
