#include "support/fake_platform.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <system_error>

using platform::Handle;
using platform::kNoHandle;
using platform::RegistryValue;

namespace {

// What Windows gives for a process whose memory cannot be read any more.
constexpr std::uint32_t kErrorPartialCopy = 299;
constexpr Handle kExecutableModule = 1;

bool Fail(std::uint32_t error) {
  platform::TheSystem().SetLastError(error);
  return false;
}

}  // namespace

// ---- FakeSystem -----------------------------------------------------------------------------

std::vector<std::string> FakeSystem::CommandLine() {
  return commandLine_.value_or(std::vector<std::string>{moduleFileName_});
}

bool FakeSystem::SetCurrentDir(const std::string& folder) {
  setCurrentDirCalls_.push_back(folder);
  if (setCurrentDirError_ != 0) {
    lastError_ = setCurrentDirError_;
    return false;
  }
  currentDir_ = folder;
  return true;
}

bool FakeSystem::DeleteFile(const std::string& path) {
  deletedPaths_.push_back(path);
  if (const auto error = deleteErrors_.find(path); error != deleteErrors_.end()) {
    lastError_ = error->second;
    return false;
  }
  if (files_.erase(path) == 1) return true;
  if (platform::NativeSystem().DeleteFile(path)) return true;
  lastError_ = platform::NativeSystem().GetLastError();
  return false;
}

bool FakeSystem::FileExists(const std::string& path) {
  return files_.contains(path) || platform::NativeSystem().FileExists(path);
}

std::string FakeSystem::SystemErrorText(std::uint32_t code) {
  const auto text = errorTexts_.find(code);
  return text != errorTexts_.end() ? text->second : platform::NativeSystem().SystemErrorText(code);
}

std::string FakeSystem::VerLanguageName(std::uint16_t languageId) {
  const auto name = languageNames_.find(languageId);
  return name != languageNames_.end() ? name->second
                                      : platform::NativeSystem().VerLanguageName(languageId);
}

int FakeSystem::MessageBox(const std::string& text, const std::string& caption,
                           std::uint32_t flags) {
  messageBoxes_.push_back({text, caption, flags});
  if (const auto presenter = platform::CurrentMessageBoxPresenter()) {
    return presenter(text, caption, flags);
  }
  return messageBoxAnswer_;
}

// ---- FakeProcesses --------------------------------------------------------------------------

const FakeProcess* FakeProcesses::Process(std::uint32_t pid) const {
  const auto found = std::find_if(processes_.begin(), processes_.end(),
                                  [pid](const FakeProcess& p) { return p.pid == pid; });
  return found == processes_.end() ? nullptr : &*found;
}

const FakeProcesses::HandleTarget* FakeProcesses::Target(Handle handle) const {
  const auto found = handles_.find(handle);
  if (found != handles_.end()) return &found->second;
  Fail(platform::kErrorInvalidHandle);
  return nullptr;
}

Handle FakeProcesses::NewHandle(HandleTarget target) {
  nextHandle_ += 4;
  handles_.emplace(nextHandle_, target);
  return nextHandle_;
}

bool FakeProcesses::EnumProcesses(std::vector<std::uint32_t>& ids) {
  if (enumError_ != 0) return Fail(enumError_);
  ids.clear();
  for (const auto& process : processes_) ids.push_back(process.pid);
  return true;
}

Handle FakeProcesses::OpenProcess(std::uint32_t, bool, std::uint32_t processId) {
  const FakeProcess* process = Process(processId);
  if (process == nullptr) {
    Fail(platform::kErrorInvalidParameter);
    return kNoHandle;
  }
  if (!process->canOpen) {
    Fail(platform::kErrorAccessDenied);
    return kNoHandle;
  }
  return NewHandle({processId, false});
}

bool FakeProcesses::EnumProcessModules(Handle process, Handle& firstModule) {
  const HandleTarget* target = Target(process);
  if (target == nullptr) return false;
  const FakeProcess* running = Process(target->pid);
  if (running == nullptr || !running->modulesListable) return Fail(kErrorPartialCopy);
  firstModule = kExecutableModule;
  return true;
}

std::optional<std::string> FakeProcesses::GetModuleBaseName(Handle process, Handle) {
  const HandleTarget* target = Target(process);
  if (target == nullptr) return std::nullopt;
  const FakeProcess* running = Process(target->pid);
  if (running == nullptr || !running->nameReadable) {
    Fail(kErrorPartialCopy);
    return std::nullopt;
  }
  return running->executableName;
}

bool FakeProcesses::TerminateProcess(Handle process, std::uint32_t exitCode) {
  const HandleTarget* target = Target(process);
  if (target == nullptr) return false;
  const std::uint32_t pid = target->pid;
  if (target->started) {
    auto& started = started_.at(pid);
    if (started.ended) return Fail(platform::kErrorAccessDenied);
    started.ended = true;
    started.outcome.exitCode = exitCode;
  } else {
    const FakeProcess* running = Process(pid);
    if (running == nullptr || !running->canTerminate) return Fail(platform::kErrorAccessDenied);
    std::erase_if(processes_, [pid](const FakeProcess& p) { return p.pid == pid; });
  }
  terminations_.push_back({pid, exitCode});
  return true;
}

bool FakeProcesses::CloseHandle(Handle handle) {
  if (handles_.erase(handle) == 1) return true;
  return Fail(platform::kErrorInvalidHandle);
}

bool FakeProcesses::CreateProcess(const platform::ProcessStart& start,
                                  platform::ProcessInformation& started) {
  starts_.push_back(start);
  if (OnCreateProcess) OnCreateProcess(start);
  if (!outcome_.starts) return Fail(outcome_.startError);
  const std::uint32_t pid = nextPid_++;
  started_[pid] = {outcome_, false};
  started.hProcess = NewHandle({pid, true});
  started.hThread = NewHandle({pid, true});
  started.processId = pid;
  started.threadId = pid;
  return true;
}

std::uint32_t FakeProcesses::Wait(Handle handle, std::uint32_t milliseconds, bool forInputIdle) {
  waits_.push_back({handle, milliseconds, forInputIdle});
  if (OnWait) OnWait(handle);
  const HandleTarget* target = Target(handle);
  if (target == nullptr) return platform::kWaitFailed;
  if (!target->started) {
    Fail(platform::kErrorAccessDenied);
    return platform::kWaitFailed;
  }
  if (!forInputIdle) started_.at(target->pid).ended = true;
  return platform::kWaitObject0;
}

std::uint32_t FakeProcesses::WaitForInputIdle(Handle process, std::uint32_t milliseconds) {
  return Wait(process, milliseconds, true);
}

std::uint32_t FakeProcesses::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
  return Wait(handle, milliseconds, false);
}

bool FakeProcesses::GetExitCodeProcess(Handle process, std::uint32_t& exitCode) {
  const HandleTarget* target = Target(process);
  if (target == nullptr) return false;
  if (!target->started) {
    if (Process(target->pid) == nullptr) return Fail(platform::kErrorAccessDenied);
    exitCode = platform::kStillActive;
    return true;
  }
  const auto& started = started_.at(target->pid);
  if (!started.outcome.exitCodeReadable) return Fail(platform::kErrorAccessDenied);
  exitCode = started.ended ? started.outcome.exitCode : platform::kStillActive;
  return true;
}

// ---- FakeRegistry ---------------------------------------------------------------------------

void FakeRegistry::Put(const std::string& key, const std::string& name, RegistryValue value) {
  platform::RegistryFile::SetValue(file_.CreateKey(platform::KeyPathNames(key)), name,
                                   std::move(value));
}

bool FakeRegistry::KeyExists(const std::string& key) const {
  return file_.FindKey(platform::KeyPathNames(key)) != nullptr;
}

std::vector<std::string> FakeRegistry::ValueNames(const std::string& key) const {
  std::vector<std::string> names;
  if (const auto* record = file_.FindKey(platform::KeyPathNames(key))) {
    for (const auto& [name, value] : record->values) names.push_back(name);
  }
  return names;
}

std::optional<RegistryValue> FakeRegistry::Value(const std::string& key,
                                                 const std::string& name) const {
  const auto* record = file_.FindKey(platform::KeyPathNames(key));
  const RegistryValue* value =
      record != nullptr ? platform::RegistryFile::FindValue(*record, name) : nullptr;
  if (value == nullptr) return std::nullopt;
  return *value;
}

const FakeRegistry::OpenKeyEntry* FakeRegistry::Entry(Handle key) const {
  const auto found = openKeys_.find(key);
  return found == openKeys_.end() ? nullptr : &found->second;
}

Handle FakeRegistry::NewHandle(std::vector<std::string> names, std::uint32_t access) {
  nextHandle_ += 4;
  openKeys_.emplace(nextHandle_, OpenKeyEntry{std::move(names), access});
  return nextHandle_;
}

long FakeRegistry::CreateKey(const std::string& subKey, std::uint32_t access, Handle& key) {
  if (createKeyStatus_ != platform::kRegSuccess) return createKeyStatus_;
  const auto names = platform::KeyPathNames(subKey);
  key = NewHandle(names.empty() ? names : file_.CreateKey(names).names, access);
  return platform::kRegSuccess;
}

long FakeRegistry::OpenKey(const std::string& subKey, std::uint32_t access, Handle& key) {
  if (openKeyStatus_ != platform::kRegSuccess) return openKeyStatus_;
  const auto names = platform::KeyPathNames(subKey);
  if (names.empty()) {
    key = NewHandle(names, access);
    return platform::kRegSuccess;
  }
  const auto* record = file_.FindKey(names);
  if (record == nullptr) return platform::kRegFileNotFound;
  key = NewHandle(record->names, access);
  return platform::kRegSuccess;
}

long FakeRegistry::QueryValue(Handle key, const std::string& name, RegistryValue& value) {
  const OpenKeyEntry* entry = Entry(key);
  if (entry == nullptr) return static_cast<long>(platform::kErrorInvalidHandle);
  const auto* record = file_.FindKey(entry->names);
  const RegistryValue* found =
      record != nullptr ? platform::RegistryFile::FindValue(*record, name) : nullptr;
  if (found == nullptr) return platform::kRegFileNotFound;
  value = *found;
  return platform::kRegSuccess;
}

long FakeRegistry::SetValue(Handle key, const std::string& name, const RegistryValue& value) {
  const OpenKeyEntry* entry = Entry(key);
  if (entry == nullptr) return static_cast<long>(platform::kErrorInvalidHandle);
  if ((entry->access & platform::kKeySetValue) == 0) {
    return static_cast<long>(platform::kErrorAccessDenied);
  }
  if (setValueStatus_ != platform::kRegSuccess) return setValueStatus_;
  platform::RegistryFile::SetValue(file_.CreateKey(entry->names), name, value);
  return platform::kRegSuccess;
}

long FakeRegistry::CloseKey(Handle key) {
  return openKeys_.erase(key) == 1 ? platform::kRegSuccess
                                   : static_cast<long>(platform::kErrorInvalidHandle);
}

// ---- Scoped helpers -------------------------------------------------------------------------

ScopedFakePlatform::ScopedFakePlatform() {
  platform::UseSystem(&system);
  platform::UseProcesses(&processes);
  platform::UseRegistry(&registry);
}

ScopedFakePlatform::~ScopedFakePlatform() {
  platform::UseRegistry(nullptr);
  platform::UseProcesses(nullptr);
  platform::UseSystem(nullptr);
}

ScopedTempFolder::ScopedTempFolder() {
  std::random_device entropy;
  std::mt19937_64 random(entropy());
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("update-test-" + std::to_string(random() % 1000000000000ULL));
    if (std::filesystem::create_directory(path_)) return;
  }
}

ScopedTempFolder::~ScopedTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) old_ = old;
  if (value) {
    ::setenv(name_.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

ScopedEnvironment::~ScopedEnvironment() {
  if (old_) {
    ::setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}
