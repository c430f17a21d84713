#pragma once
// HKEY_CURRENT_USER in memory, and as the text of a REGEDIT4 export: "REGEDIT4", a blank
// line, then each key as "[HKEY_CURRENT_USER\Software\Velmoria]" followed by its values and a
// blank line, every line ending with CR LF. Values: "Name"="text" (with \\ and \" escaped),
// "Name"=dword:00000008, REG_EXPAND_SZ as "Name"=hex(2):41,00 (the bytes with their NUL),
// REG_BINARY as hex:, other types as hex(N):, and a REG_SZ holding CR, LF or NUL as hex(1):
// so that it stays on one line. "@" names the default value.

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace platform {

struct RegistryKeyRecord {
  std::vector<std::string> names;  // from the root; empty for HKEY_CURRENT_USER itself
  std::vector<std::pair<std::string, RegistryValue>> values;
};

class RegistryFile {
 public:
  // nullopt when the text is not such an export, or holds a NUL byte.
  static std::optional<RegistryFile> Parse(std::string_view text);
  std::string Text() const;

  // Names compare without regard to case (Windows-1251).
  RegistryKeyRecord* FindKey(const std::vector<std::string>& names);
  const RegistryKeyRecord* FindKey(const std::vector<std::string>& names) const;
  // The key, created with its missing parents in the spelling given.
  RegistryKeyRecord& CreateKey(const std::vector<std::string>& names);

  static const RegistryValue* FindValue(const RegistryKeyRecord& key, std::string_view name);
  // Replaces the value of that name, which keeps its first spelling, or adds it.
  static void SetValue(RegistryKeyRecord& key, const std::string& name, RegistryValue value);

 private:
  std::deque<RegistryKeyRecord> keys_;  // deque: a record stays put while others are added
};

}  // namespace platform
