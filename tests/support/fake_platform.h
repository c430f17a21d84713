#pragma once
// Test doubles of the platform: every answer can be set, every failure injected, every call
// that changes something is recorded. ScopedFakePlatform puts all three in place.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/registry_file.h"

struct FakeMessageBox {
  std::string text;
  std::string caption;
  std::uint32_t flags = 0;
};

class FakeSystem final : public platform::System {
 public:
  // ---- What a test sets ----
  void SetModuleFileName(std::string path) { moduleFileName_ = std::move(path); }
  // Without one, the command line is the module file name alone.
  void SetCommandLine(std::vector<std::string> arguments) { commandLine_ = std::move(arguments); }
  void SetPathDelimiter(char delimiter) { pathDelimiter_ = delimiter; }
  void SetCurrentDirValue(std::string folder) { currentDir_ = std::move(folder); }
  // Every later SetCurrentDir fails with this error (0 lets them succeed again).
  void FailSetCurrentDir(std::uint32_t error) { setCurrentDirError_ = error; }
  // A file that exists only here; DeleteFile removes it.
  void AddFile(const std::string& path) { files_.insert(path); }
  // DeleteFile of this path fails with this error.
  void FailDeleteFile(const std::string& path, std::uint32_t error) { deleteErrors_[path] = error; }
  // Overrides the native table's text for a code.
  void SetErrorText(std::uint32_t code, std::string text) { errorTexts_[code] = std::move(text); }
  void SetLanguage(std::uint16_t languageId) { languageId_ = languageId; }
  void SetLanguageName(std::uint16_t languageId, std::string name) {
    languageNames_[languageId] = std::move(name);
  }
  // The button a message box returns when no presenter is installed.
  void SetMessageBoxAnswer(int button) { messageBoxAnswer_ = button; }

  // ---- What a test reads ----
  // Every path DeleteFile was asked for, in order, whether or not it succeeded.
  const std::vector<std::string>& DeletedPaths() const { return deletedPaths_; }
  // Every folder SetCurrentDir was asked for, in order.
  const std::vector<std::string>& SetCurrentDirCalls() const { return setCurrentDirCalls_; }
  const std::vector<FakeMessageBox>& MessageBoxes() const { return messageBoxes_; }

  // ---- platform::System ----
  std::string ModuleFileName() override { return moduleFileName_; }
  std::vector<std::string> CommandLine() override;
  char PathDelimiter() override { return pathDelimiter_; }
  std::string GetCurrentDir() override { return currentDir_; }
  bool SetCurrentDir(const std::string& folder) override;
  // Deletes the fake file of that path, else the real file when there is one.
  bool DeleteFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::uint32_t GetLastError() override { return lastError_; }
  void SetLastError(std::uint32_t code) override { lastError_ = code; }
  std::string SystemErrorText(std::uint32_t code) override;
  std::uint16_t GetSystemDefaultLangID() override { return languageId_; }
  std::string VerLanguageName(std::uint16_t languageId) override;
  // Recorded, then shown through the installed presenter when there is one.
  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t flags) override;

 private:
  std::string moduleFileName_ = "/opt/quorvane/update/update";
  std::optional<std::vector<std::string>> commandLine_;
  char pathDelimiter_ = '/';
  std::string currentDir_ = "/opt/quorvane/update";
  std::uint32_t setCurrentDirError_ = 0;
  std::set<std::string> files_;
  std::map<std::string, std::uint32_t> deleteErrors_;
  std::map<std::uint32_t, std::string> errorTexts_;
  std::uint16_t languageId_ = 0x0409;
  std::map<std::uint16_t, std::string> languageNames_;
  int messageBoxAnswer_ = platform::kIdOk;
  std::uint32_t lastError_ = 0;
  std::vector<std::string> deletedPaths_;
  std::vector<std::string> setCurrentDirCalls_;
  std::vector<FakeMessageBox> messageBoxes_;
};

struct FakeProcess {
  std::uint32_t pid = 0;
  std::string executableName;  // what GetModuleBaseName gives, e.g. "alderon.exe"
  bool canOpen = true;         // OpenProcess fails with access denied when false
  bool modulesListable = true; // EnumProcessModules fails when false
  bool nameReadable = true;    // GetModuleBaseName fails when false
  bool canTerminate = true;    // TerminateProcess fails with access denied when false
};

struct FakeTermination {
  std::uint32_t pid = 0;
  std::uint32_t exitCode = 0;
};

// How a CreateProcess ends. A started process runs until it is waited for, then has ended with
// `exitCode`.
struct FakeStartOutcome {
  bool starts = true;
  std::uint32_t startError = platform::kErrorFileNotFound;  // the last error when it does not
  std::uint32_t exitCode = 0;
  bool exitCodeReadable = true;  // GetExitCodeProcess fails (access denied) when false
};

struct FakeWait {
  platform::Handle handle = platform::kNoHandle;
  std::uint32_t milliseconds = 0;
  bool forInputIdle = false;
};

// Failures set the last error through platform::TheSystem().
class FakeProcesses final : public platform::Processes {
 public:
  // ---- What a test sets ----
  void AddProcess(FakeProcess process) { processes_.push_back(std::move(process)); }
  void FailEnumProcesses(std::uint32_t error) { enumError_ = error; }
  void SetStartOutcome(FakeStartOutcome outcome) { outcome_ = outcome; }
  // Runs at every CreateProcess with the request, before the outcome applies; it may throw.
  std::function<void(const platform::ProcessStart&)> OnCreateProcess;
  // Runs at every WaitForInputIdle and WaitForSingleObject; it may throw.
  std::function<void(platform::Handle)> OnWait;

  // ---- What a test reads ----
  // The processes still running: a successful termination removes one.
  const std::vector<FakeProcess>& Running() const { return processes_; }
  const std::vector<FakeTermination>& Terminations() const { return terminations_; }
  const std::vector<platform::ProcessStart>& Starts() const { return starts_; }
  const std::vector<FakeWait>& Waits() const { return waits_; }
  // Handles opened or created and not closed yet.
  std::size_t OpenHandleCount() const { return handles_.size(); }

  // ---- platform::Processes ----
  bool EnumProcesses(std::vector<std::uint32_t>& ids) override;
  platform::Handle OpenProcess(std::uint32_t access, bool inheritHandle,
                               std::uint32_t processId) override;
  bool EnumProcessModules(platform::Handle process, platform::Handle& firstModule) override;
  std::optional<std::string> GetModuleBaseName(platform::Handle process,
                                               platform::Handle module) override;
  bool TerminateProcess(platform::Handle process, std::uint32_t exitCode) override;
  bool CloseHandle(platform::Handle handle) override;
  bool CreateProcess(const platform::ProcessStart& start,
                     platform::ProcessInformation& started) override;
  std::uint32_t WaitForInputIdle(platform::Handle process, std::uint32_t milliseconds) override;
  std::uint32_t WaitForSingleObject(platform::Handle handle, std::uint32_t milliseconds) override;
  bool GetExitCodeProcess(platform::Handle process, std::uint32_t& exitCode) override;

 private:
  struct HandleTarget {
    std::uint32_t pid = 0;
    bool started = false;  // a process of CreateProcess (its process or thread handle)
  };
  struct StartedProcess {
    FakeStartOutcome outcome;
    bool ended = false;
  };

  const FakeProcess* Process(std::uint32_t pid) const;
  // The target of a handle; the last error is set when there is none.
  const HandleTarget* Target(platform::Handle handle) const;
  platform::Handle NewHandle(HandleTarget target);
  std::uint32_t Wait(platform::Handle handle, std::uint32_t milliseconds, bool forInputIdle);

  std::vector<FakeProcess> processes_;
  std::uint32_t enumError_ = 0;
  FakeStartOutcome outcome_;
  std::vector<FakeTermination> terminations_;
  std::vector<platform::ProcessStart> starts_;
  std::vector<FakeWait> waits_;
  std::map<platform::Handle, HandleTarget> handles_;
  std::map<std::uint32_t, StartedProcess> started_;
  platform::Handle nextHandle_ = 0x100;
  std::uint32_t nextPid_ = 5000;
};

// HKEY_CURRENT_USER in memory, with the same names rule as the native registry.
class FakeRegistry final : public platform::Registry {
 public:
  // ---- What a test sets ----
  // Every later call of that kind returns the status (kRegSuccess lets them succeed again).
  void FailCreateKey(long status) { createKeyStatus_ = status; }
  void FailOpenKey(long status) { openKeyStatus_ = status; }
  void FailSetValue(long status) { setValueStatus_ = status; }
  // Puts a value in place, creating its key.
  void Put(const std::string& key, const std::string& name, platform::RegistryValue value);

  // ---- What a test reads ----
  bool KeyExists(const std::string& key) const;
  // The key's values in the order they were first set; empty for a missing key.
  std::vector<std::string> ValueNames(const std::string& key) const;
  std::optional<platform::RegistryValue> Value(const std::string& key,
                                               const std::string& name) const;
  std::size_t OpenKeyCount() const { return openKeys_.size(); }
  // Everything as a REGEDIT4 export, for a failure message.
  std::string Text() const { return file_.Text(); }

  // ---- platform::Registry ----
  long CreateKey(const std::string& subKey, std::uint32_t access, platform::Handle& key) override;
  long OpenKey(const std::string& subKey, std::uint32_t access, platform::Handle& key) override;
  long QueryValue(platform::Handle key, const std::string& name,
                  platform::RegistryValue& value) override;
  long SetValue(platform::Handle key, const std::string& name,
                const platform::RegistryValue& value) override;
  long CloseKey(platform::Handle key) override;

 private:
  struct OpenKeyEntry {
    std::vector<std::string> names;
    std::uint32_t access = 0;
  };
  const OpenKeyEntry* Entry(platform::Handle key) const;
  platform::Handle NewHandle(std::vector<std::string> names, std::uint32_t access);

  platform::RegistryFile file_;
  std::map<platform::Handle, OpenKeyEntry> openKeys_;
  platform::Handle nextHandle_ = 0x200;
  long createKeyStatus_ = platform::kRegSuccess;
  long openKeyStatus_ = platform::kRegSuccess;
  long setValueStatus_ = platform::kRegSuccess;
};

// Puts the three fakes in place for its lifetime; the native ones return afterwards.
class ScopedFakePlatform {
 public:
  ScopedFakePlatform();
  ~ScopedFakePlatform();
  ScopedFakePlatform(const ScopedFakePlatform&) = delete;
  ScopedFakePlatform& operator=(const ScopedFakePlatform&) = delete;

  FakeSystem system;
  FakeProcesses processes;
  FakeRegistry registry;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScopedTempFolder {
 public:
  ScopedTempFolder();
  ~ScopedTempFolder();
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The path of a name inside the folder, as text.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for its lifetime and restores the old state afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::optional<std::string>& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};
