// The Registry interface on Windows: the advapi32 calls under HKEY_CURRENT_USER.

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "platform/win32/windows_api.h"

namespace platform {

namespace {

HKEY AsKey(Handle key) { return reinterpret_cast<HKEY>(key); }
Handle FromKey(HKEY key) { return reinterpret_cast<Handle>(key); }

// The registry calls refuse a path that starts with "\", which the callers may write.
std::string RegistryPath(const std::string& subKey) {
  std::string path;
  for (const std::string& name : KeyPathNames(subKey)) {
    if (!path.empty()) path += '\\';
    path += name;
  }
  return path;
}

bool IsText(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

// A string value ends at its first NUL, whether or not the writer stored one.
std::string TextUpToNul(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

class Win32Registry final : public Registry {
 public:
  long CreateKey(const std::string& subKey, std::uint32_t access, Handle& key) override {
    HKEY opened = nullptr;
    const LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, RegistryPath(subKey).c_str(), 0,
                                        nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                        &opened, nullptr);
    if (status == ERROR_SUCCESS) key = FromKey(opened);
    return status;
  }

  long OpenKey(const std::string& subKey, std::uint32_t access, Handle& key) override {
    HKEY opened = nullptr;
    const LONG status =
        RegOpenKeyExA(HKEY_CURRENT_USER, RegistryPath(subKey).c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS) key = FromKey(opened);
    return status;
  }

  long QueryValue(Handle key, const std::string& name, RegistryValue& value) override {
    DWORD type = 0;
    std::string data;
    const LONG status = ReadData(AsKey(key), name, type, data);
    if (status != ERROR_SUCCESS) return status;
    value = RegistryValue{};
    value.type = type;
    if (IsText(type)) {
      value.text = TextUpToNul(data);
    } else if (type == kRegDword) {
      std::memcpy(&value.number, data.data(), std::min(data.size(), sizeof value.number));
    } else {
      value.text = data;
    }
    return ERROR_SUCCESS;
  }

  long SetValue(Handle key, const std::string& name, const RegistryValue& value) override {
    if (value.type == kRegDword) {
      const DWORD number = value.number;
      return RegSetValueExA(AsKey(key), name.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    // A string value is stored with its NUL, as every reader of the registry expects.
    const std::size_t size = value.text.size() + (IsText(value.type) ? 1 : 0);
    return RegSetValueExA(AsKey(key), name.c_str(), 0, value.type,
                          reinterpret_cast<const BYTE*>(value.text.c_str()),
                          static_cast<DWORD>(size));
  }

  long CloseKey(Handle key) override { return RegCloseKey(AsKey(key)); }

 private:
  // The value's type and bytes; asks again while the value grows between the calls.
  static LONG ReadData(HKEY key, const std::string& name, DWORD& type, std::string& data) {
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
      data.assign(size, '\0');
      DWORD filled = size;
      status = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &filled);
      if (status == ERROR_SUCCESS) {
        data.resize(filled);
        return status;
      }
      size = filled;
    }
    return status;
  }
};

}  // namespace

Registry& NativeRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace platform
