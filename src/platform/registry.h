#pragma once
// The toolkit's registry class over TheRegistry(): keys under HKEY_CURRENT_USER, opened with
// the access given (KEY_ALL_ACCESS by default).

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry {
 public:
  explicit TRegistry(std::uint32_t access = platform::kKeyAllAccess);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  std::uint32_t Access() const { return access_; }
  platform::Handle CurrentKey() const { return currentKey_; }
  // The open key's path from the root, without a leading "\"; empty when none is open.
  const std::string& CurrentPath() const { return currentPath_; }

  // A key starting with "\" is taken from the root, any other from the open key when one is
  // open. On success the new key replaces the open one; false leaves everything as it was.
  bool OpenKey(const std::string& key, bool canCreate);
  void CloseKey();

  bool ValueExists(const std::string& name);
  // rdUnknown for a missing value or a type without a class of its own.
  TRegDataType GetDataType(const std::string& name);

  // A missing value reads as the empty text / 0; a value of another type raises
  // ERegistryException "Invalid data type for '%s'".
  std::string ReadString(const std::string& name);
  std::int32_t ReadInteger(const std::string& name);

  // ERegistryException "Failed to set data for '%s'" when the write fails.
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, std::int32_t value);

 private:
  // nullopt when the value does not exist (or no key is open).
  std::optional<platform::RegistryValue> Query(const std::string& name);
  void Write(const std::string& name, const platform::RegistryValue& value);

  std::uint32_t access_;
  platform::Handle currentKey_ = platform::kNoHandle;
  std::string currentPath_;
};
