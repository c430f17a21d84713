// The Registry interface on POSIX: HKEY_CURRENT_USER in one REGEDIT4 file that the suite's
// programs share, $UPDATE_REGISTRY when set, else $XDG_CONFIG_HOME/quorvane/registry.reg
// (~/.config when XDG_CONFIG_HOME is not set). Reads take the file as it stands; a write takes
// the lock file beside it, reads the file afresh, and replaces it by renaming a complete,
// synced copy over it, so that neither a crash nor a second writer can lose it. A file that is
// no such export is never overwritten: reading sees no keys, and writing fails.

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>

#include "platform/platform.h"
#include "platform/posix/files.h"
#include "platform/posix/last_error.h"
#include "platform/registry_file.h"
#include "platform/posix/unique_fd.h"

namespace platform {

namespace {

using posix::UniqueFd;

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  const passwd* user = ::getpwuid(::getuid());
  return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

std::string RegistryPath() {
  std::string path = EnvironmentValue("UPDATE_REGISTRY");
  if (!path.empty()) return path;
  std::string config = EnvironmentValue("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') config = HomeFolder() + "/.config";
  return config + "/quorvane/registry.reg";
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; errno is set when it fails.
bool MakeFolders(const std::string& folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  if (errno != ENOENT) return false;
  const std::string parent = FolderOf(folder);
  if (parent != folder && !MakeFolders(parent)) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// A temporary file beside the registry that is removed unless it has been renamed into place.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::string& target) : path_(target + ".XXXXXX") {
    file_ = UniqueFd(::mkostemp(path_.data(), O_CLOEXEC));
    if (!file_.Valid()) path_.clear();
  }
  ~ReplacementFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Writes, syncs and renames over the target, keeping the target's permissions.
  bool Replace(const std::string& target, std::string_view bytes) {
    if (!file_.Valid()) return false;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && ::fchmod(file_.Get(), old.st_mode & 07777) != 0) {
      return false;
    }
    if (!WriteAll(file_.Get(), bytes) || ::fsync(file_.Get()) != 0) return false;
    file_.Reset();
    if (::rename(path_.c_str(), target.c_str()) != 0) return false;
    path_.clear();
    const UniqueFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) ::fsync(folder.Get());
    return true;
  }

 private:
  std::string path_;
  UniqueFd file_;
};

struct ReadOutcome {
  long status = kRegSuccess;
  std::optional<RegistryFile> file;  // empty with success: the file cannot be parsed
};

ReadOutcome ReadRegistry(const std::string& path) {
  const auto bytes = posix::ReadFileBytes(path);
  if (!bytes) {
    if (errno == ENOENT) return {kRegSuccess, RegistryFile()};
    return {static_cast<long>(posix::WindowsErrorOf(errno)), std::nullopt};
  }
  return {kRegSuccess, RegistryFile::Parse(*bytes)};
}

// The file as it stands, or no keys at all when it is missing, unreadable or cannot be parsed.
RegistryFile CurrentRegistry() {
  auto outcome = ReadRegistry(RegistryPath());
  return outcome.file ? std::move(*outcome.file) : RegistryFile();
}

// Applies a change to the file under its lock; the change returns a Windows status.
long ChangeRegistry(const std::function<long(RegistryFile&)>& change) {
  const std::string path = RegistryPath();
  if (!MakeFolders(FolderOf(path))) return static_cast<long>(posix::WindowsErrorOf(errno));
  const UniqueFd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock.Valid()) return static_cast<long>(posix::WindowsErrorOf(errno));
  while (::flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) return static_cast<long>(posix::WindowsErrorOf(errno));
  }
  auto outcome = ReadRegistry(path);
  if (outcome.status != kRegSuccess) return outcome.status;
  if (!outcome.file) return static_cast<long>(kErrorBadDb);
  if (const long status = change(*outcome.file); status != kRegSuccess) return status;
  ReplacementFile replacement(path);
  if (!replacement.Replace(path, outcome.file->Text())) {
    return static_cast<long>(posix::WindowsErrorOf(errno));
  }
  return kRegSuccess;
}

// A line of the file cannot carry a line break.
bool Storable(std::string_view name) { return name.find_first_of("\r\n") == std::string_view::npos; }

bool StorableNames(const std::vector<std::string>& names) {
  for (const auto& name : names) {
    if (!Storable(name)) return false;
  }
  return true;
}

struct OpenKeyEntry {
  std::vector<std::string> names;  // as spelled in the file
  std::uint32_t access = 0;
};

class PosixRegistry final : public Registry {
 public:
  long CreateKey(const std::string& subKey, std::uint32_t access, Handle& key) override {
    const auto names = KeyPathNames(subKey);
    if (!StorableNames(names)) return static_cast<long>(kErrorInvalidParameter);
    if (names.empty()) return Open({}, access, key);
    auto current = CurrentRegistry();
    if (const auto* existing = current.FindKey(names)) return Open(existing->names, access, key);
    std::vector<std::string> spelled;
    const long status = ChangeRegistry([&](RegistryFile& file) {
      spelled = file.CreateKey(names).names;
      return kRegSuccess;
    });
    if (status != kRegSuccess) return status;
    return Open(spelled, access, key);
  }

  long OpenKey(const std::string& subKey, std::uint32_t access, Handle& key) override {
    const auto names = KeyPathNames(subKey);
    if (names.empty()) return Open({}, access, key);
    auto current = CurrentRegistry();
    const auto* existing = current.FindKey(names);
    if (existing == nullptr) return kRegFileNotFound;
    return Open(existing->names, access, key);
  }

  long QueryValue(Handle key, const std::string& name, RegistryValue& value) override {
    const auto entry = Find(key);
    if (!entry) return static_cast<long>(kErrorInvalidHandle);
    auto current = CurrentRegistry();
    const RegistryKeyRecord* record = current.FindKey(entry->names);
    const RegistryValue* found = record != nullptr ? RegistryFile::FindValue(*record, name) : nullptr;
    if (found == nullptr) return kRegFileNotFound;
    value = *found;
    return kRegSuccess;
  }

  long SetValue(Handle key, const std::string& name, const RegistryValue& value) override {
    const auto entry = Find(key);
    if (!entry) return static_cast<long>(kErrorInvalidHandle);
    if ((entry->access & kKeySetValue) == 0) return static_cast<long>(kErrorAccessDenied);
    if (!Storable(name)) return static_cast<long>(kErrorInvalidParameter);
    return ChangeRegistry([&](RegistryFile& file) {
      RegistryFile::SetValue(file.CreateKey(entry->names), name, value);
      return kRegSuccess;
    });
  }

  long CloseKey(Handle key) override {
    const std::lock_guard lock(mutex_);
    return keys_.erase(key) == 1 ? kRegSuccess : static_cast<long>(kErrorInvalidHandle);
  }

 private:
  long Open(std::vector<std::string> names, std::uint32_t access, Handle& key) {
    const std::lock_guard lock(mutex_);
    nextKey_ += 4;
    keys_.emplace(nextKey_, OpenKeyEntry{std::move(names), access});
    key = nextKey_;
    return kRegSuccess;
  }

  std::optional<OpenKeyEntry> Find(Handle key) {
    const std::lock_guard lock(mutex_);
    const auto found = keys_.find(key);
    if (found == keys_.end()) return std::nullopt;
    return found->second;
  }

  std::mutex mutex_;
  std::map<Handle, OpenKeyEntry> keys_;
  Handle nextKey_ = 0;
};

}  // namespace

Registry& NativeRegistry() {
  static PosixRegistry registry;
  return registry;
}

}  // namespace platform
