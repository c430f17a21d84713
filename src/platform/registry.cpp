#include "platform/registry.h"

#include "rtl/sysutils.h"

using platform::Handle;
using platform::RegistryValue;
using platform::TheRegistry;

TRegistry::TRegistry(std::uint32_t access) : access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  const bool fromRoot = key.starts_with('\\') || currentKey_ == platform::kNoHandle;
  std::string path = fromRoot ? key : currentPath_ + '\\' + key;
  if (path.starts_with('\\')) path.erase(0, 1);
  Handle opened = platform::kNoHandle;
  const long status = canCreate ? TheRegistry().CreateKey(path, access_, opened)
                                : TheRegistry().OpenKey(path, access_, opened);
  if (status != platform::kRegSuccess) return false;
  CloseKey();
  currentKey_ = opened;
  currentPath_ = std::move(path);
  return true;
}

void TRegistry::CloseKey() {
  if (currentKey_ == platform::kNoHandle) return;
  TheRegistry().CloseKey(currentKey_);
  currentKey_ = platform::kNoHandle;
  currentPath_.clear();
}

std::optional<RegistryValue> TRegistry::Query(const std::string& name) {
  RegistryValue value;
  if (TheRegistry().QueryValue(currentKey_, name, value) != platform::kRegSuccess) {
    return std::nullopt;
  }
  return value;
}

bool TRegistry::ValueExists(const std::string& name) { return Query(name).has_value(); }

TRegDataType TRegistry::GetDataType(const std::string& name) {
  const auto value = Query(name);
  if (!value) return TRegDataType::rdUnknown;
  switch (value->type) {
    case platform::kRegSz: return TRegDataType::rdString;
    case platform::kRegExpandSz: return TRegDataType::rdExpandString;
    case platform::kRegDword: return TRegDataType::rdInteger;
    case platform::kRegBinary: return TRegDataType::rdBinary;
    default: return TRegDataType::rdUnknown;
  }
}

std::string TRegistry::ReadString(const std::string& name) {
  const auto value = Query(name);
  if (!value) return {};
  if (value->type != platform::kRegSz && value->type != platform::kRegExpandSz) {
    throw ERegistryException(Format("Invalid data type for '%s'", {name}));
  }
  return value->text;
}

std::int32_t TRegistry::ReadInteger(const std::string& name) {
  const auto value = Query(name);
  if (!value) return 0;
  if (value->type != platform::kRegDword) {
    throw ERegistryException(Format("Invalid data type for '%s'", {name}));
  }
  return static_cast<std::int32_t>(value->number);
}

void TRegistry::Write(const std::string& name, const RegistryValue& value) {
  if (TheRegistry().SetValue(currentKey_, name, value) != platform::kRegSuccess) {
    throw ERegistryException(Format("Failed to set data for '%s'", {name}));
  }
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  Write(name, {platform::kRegSz, value, 0});
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
  Write(name, {platform::kRegDword, {}, static_cast<std::uint32_t>(value)});
}
