#include "platform/registry_file.h"

#include <algorithm>
#include <utility>

#include "rtl/classes.h"
#include "rtl/sysutils.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
constexpr std::string_view kLineEnd = "\r\n";

bool SameNames(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
           return AnsiSameText(x, y);
         });
}

// ---- Writing --------------------------------------------------------------------------------

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

// Lower-case hexadecimal digits, at least `width` of them.
std::string Hex(std::uint32_t number, std::size_t width) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[number & 0x0F]);
    number >>= 4;
  } while (number != 0 || digits.size() < width);
  return digits;
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += ',';
    out += Hex(static_cast<unsigned char>(bytes[i]), 2);
  }
  return out;
}

std::string HexType(std::uint32_t type) {
  return type == kRegBinary ? std::string("hex:") : "hex(" + Hex(type, 1) + "):";
}

std::string Data(const RegistryValue& value) {
  switch (value.type) {
    case kRegSz:
      if (value.text.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos) {
        return Quoted(value.text);
      }
      return HexType(kRegSz) + HexBytes(value.text + '\0');
    case kRegExpandSz:
      return HexType(kRegExpandSz) + HexBytes(value.text + '\0');
    case kRegDword:
      return "dword:" + Hex(value.number, 8);
    default:
      return HexType(value.type) + HexBytes(value.text);
  }
}

// ---- Reading --------------------------------------------------------------------------------

// A quoted text at `at`, with \\ and \" as its only escapes; `at` moves past it.
std::optional<std::string> ParseQuoted(std::string_view line, std::size_t& at) {
  if (at >= line.size() || line[at] != '"') return std::nullopt;
  std::string text;
  for (++at; at < line.size(); ++at) {
    const char c = line[at];
    if (c == '"') {
      ++at;
      return text;
    }
    if (c == '\\') {
      if (++at == line.size() || (line[at] != '\\' && line[at] != '"')) return std::nullopt;
    }
    text += line[at];
  }
  return std::nullopt;
}

std::optional<std::string> ParseHexBytes(std::string_view list) {
  std::string bytes;
  std::size_t at = 0;
  while (at < list.size()) {
    if (at > 0 && list[at++] != ',') return std::nullopt;
    if (at + 2 > list.size()) return std::nullopt;
    const auto byte = TryHexToInt64(list.substr(at, 2));
    if (!byte) return std::nullopt;
    bytes += static_cast<char>(*byte);
    at += 2;
  }
  return bytes;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view digits, std::size_t maxDigits) {
  if (digits.size() > maxDigits) return std::nullopt;
  const auto number = TryHexToInt64(digits);
  if (!number) return std::nullopt;
  return static_cast<std::uint32_t>(*number);
}

std::string WithoutFinalNul(std::string bytes) {
  if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return bytes;
}

std::optional<RegistryValue> ParseData(std::string_view data) {
  RegistryValue value;
  if (data.starts_with('"')) {
    std::size_t at = 0;
    auto text = ParseQuoted(data, at);
    if (!text || at != data.size()) return std::nullopt;
    value.type = kRegSz;
    value.text = std::move(*text);
    return value;
  }
  if (data.starts_with("dword:")) {
    const auto number = ParseHexNumber(data.substr(6), 8);
    if (!number) return std::nullopt;
    value.type = kRegDword;
    value.number = *number;
    return value;
  }
  std::string_view list;
  if (data.starts_with("hex:")) {
    value.type = kRegBinary;
    list = data.substr(4);
  } else if (data.starts_with("hex(")) {
    const auto close = data.find("):");
    if (close == std::string_view::npos) return std::nullopt;
    const auto type = ParseHexNumber(data.substr(4, close - 4), 8);
    if (!type) return std::nullopt;
    value.type = *type;
    list = data.substr(close + 2);
  } else {
    return std::nullopt;
  }
  auto bytes = ParseHexBytes(list);
  if (!bytes) return std::nullopt;
  if (value.type == kRegDword) {
    if (bytes->size() != 4) return std::nullopt;
    for (int i = 3; i >= 0; --i) {
      value.number = (value.number << 8) | static_cast<unsigned char>((*bytes)[static_cast<std::size_t>(i)]);
    }
    return value;
  }
  value.text = value.type == kRegSz || value.type == kRegExpandSz ? WithoutFinalNul(std::move(*bytes))
                                                                 : std::move(*bytes);
  return value;
}

// "[HKEY_CURRENT_USER\…]" → the key's names.
std::optional<std::vector<std::string>> ParseSection(std::string_view line) {
  if (!line.ends_with(']')) return std::nullopt;
  const std::string path(line.substr(1, line.size() - 2));
  const auto rootEnd = std::min(path.find('\\'), path.size());
  if (!SameText(std::string_view(path).substr(0, rootEnd), kRoot)) return std::nullopt;
  return KeyPathNames(path.substr(rootEnd));
}

struct ValueLine {
  std::string name;
  RegistryValue value;
};

std::optional<ValueLine> ParseValueLine(std::string_view line) {
  ValueLine parsed;
  std::size_t at = 0;
  if (line.starts_with('@')) {
    at = 1;
  } else {
    auto name = ParseQuoted(line, at);
    if (!name) return std::nullopt;
    parsed.name = std::move(*name);
  }
  if (at == line.size() || line[at] != '=') return std::nullopt;
  auto value = ParseData(line.substr(at + 1));
  if (!value) return std::nullopt;
  parsed.value = std::move(*value);
  return parsed;
}

}  // namespace

std::optional<RegistryFile> RegistryFile::Parse(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  const auto lines = SplitLines(text);
  if (lines.empty() || lines.front() != kHeader) return std::nullopt;
  RegistryFile file;
  RegistryKeyRecord* current = nullptr;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string line = TrimRight(lines[i]);
    // Long hex data continues on the next lines after a final backslash.
    while (line.ends_with('\\') && line.find("=hex") != std::string::npos && i + 1 < lines.size()) {
      line.pop_back();
      line += Trim(lines[++i]);
    }
    if (line.empty()) continue;
    if (line.front() == '[') {
      const auto names = ParseSection(line);
      if (!names) return std::nullopt;
      current = &file.CreateKey(*names);
      continue;
    }
    const auto parsed = ParseValueLine(line);
    if (!parsed || current == nullptr) return std::nullopt;
    SetValue(*current, parsed->name, parsed->value);
  }
  return file;
}

std::string RegistryFile::Text() const {
  std::string text(kHeader);
  text += kLineEnd;
  text += kLineEnd;
  for (const auto& key : keys_) {
    text += '[';
    text += kRoot;
    for (const auto& name : key.names) text += '\\' + name;
    text += ']';
    text += kLineEnd;
    for (const auto& [name, value] : key.values) {
      text += name.empty() ? std::string("@") : Quoted(name);
      text += '=' + Data(value);
      text += kLineEnd;
    }
    text += kLineEnd;
  }
  return text;
}

const RegistryKeyRecord* RegistryFile::FindKey(const std::vector<std::string>& names) const {
  const auto found = std::find_if(keys_.begin(), keys_.end(),
                                  [&names](const auto& key) { return SameNames(key.names, names); });
  return found == keys_.end() ? nullptr : &*found;
}

RegistryKeyRecord* RegistryFile::FindKey(const std::vector<std::string>& names) {
  return const_cast<RegistryKeyRecord*>(std::as_const(*this).FindKey(names));
}

RegistryKeyRecord& RegistryFile::CreateKey(const std::vector<std::string>& names) {
  if (auto* existing = FindKey(names)) return *existing;
  // The root is no key of the file; its children need no record of it.
  std::vector<std::string> spelled;
  if (names.size() > 1) spelled = CreateKey({names.begin(), names.end() - 1}).names;
  if (!names.empty()) spelled.push_back(names.back());
  keys_.push_back({std::move(spelled), {}});
  return keys_.back();
}

const RegistryValue* RegistryFile::FindValue(const RegistryKeyRecord& key, std::string_view name) {
  for (const auto& [existing, value] : key.values) {
    if (AnsiSameText(existing, name)) return &value;
  }
  return nullptr;
}

void RegistryFile::SetValue(RegistryKeyRecord& key, const std::string& name, RegistryValue value) {
  for (auto& [existing, old] : key.values) {
    if (AnsiSameText(existing, name)) {
      old = std::move(value);
      return;
    }
  }
  key.values.emplace_back(name, std::move(value));
}

}  // namespace platform
