#include "rtl/sysutils.h"

#include <array>
#include <limits>

// ---- Formatting ----------------------------------------------------------------------------

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 16);
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 == format.size()) {
      out += c;
      continue;
    }
    const char kind = format[i + 1];
    if (kind == '%') {
      out += '%';
      ++i;
    } else if ((kind == 's' || kind == 'd') && next != args.end()) {
      if (const auto* number = std::get_if<std::int64_t>(&*next)) {
        out += IntToStr(*number);
      } else {
        out += std::get<std::string_view>(*next);
      }
      ++next;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

// ---- Integer conversion ----------------------------------------------------------------------

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Accumulates digits of `base` into a magnitude; false on a bad digit, no digit or overflow.
bool ParseMagnitude(std::string_view digits, int base, std::uint64_t limit, std::uint64_t& out) {
  if (digits.empty()) return false;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0 || d >= base) return false;
    const auto digit = static_cast<std::uint64_t>(d);
    if (value > (limit - digit) / static_cast<std::uint64_t>(base)) return false;
    value = value * static_cast<std::uint64_t>(base) + digit;
  }
  out = value;
  return true;
}

template <class Int>
std::optional<Int> ParseInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  const auto max = static_cast<std::uint64_t>(std::numeric_limits<Int>::max());
  std::uint64_t magnitude = 0;
  if (!ParseMagnitude(text.substr(i), base, negative ? max + 1 : max, magnitude)) {
    return std::nullopt;
  }
  if (negative) {
    if (magnitude == max + 1) return std::numeric_limits<Int>::min();
    return static_cast<Int>(-static_cast<Int>(magnitude));
  }
  return static_cast<Int>(magnitude);
}

[[noreturn]] void RaiseNotAnInteger(std::string_view text) {
  throw EConvertError(Format("'%s' is not a valid integer value", {text}));
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  return ParseInteger<std::int32_t>(text);
}

std::optional<std::int64_t> TryStrToInt64(std::string_view text) {
  return ParseInteger<std::int64_t>(text);
}

std::int32_t StrToInt(std::string_view text) {
  if (auto value = TryStrToInt(text)) return *value;
  RaiseNotAnInteger(text);
}

std::int64_t StrToInt64(std::string_view text) {
  if (auto value = TryStrToInt64(text)) return *value;
  RaiseNotAnInteger(text);
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback) {
  return TryStrToInt(text).value_or(fallback);
}

std::optional<std::int64_t> TryHexToInt64(std::string_view text) {
  std::uint64_t value = 0;
  const auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (!ParseMagnitude(text, 16, max, value)) return std::nullopt;
  return static_cast<std::int64_t>(value);
}

// ---- 1-based text helpers -------------------------------------------------------------------

std::size_t Pos(std::string_view sub, std::string_view text, std::size_t from) {
  if (from < 1 || sub.empty()) return 0;
  const auto found = text.find(sub, from - 1);
  return found == std::string_view::npos ? 0 : found + 1;
}

std::size_t LastPos(std::string_view sub, std::string_view text) {
  if (sub.empty()) return 0;
  const auto found = text.rfind(sub);
  return found == std::string_view::npos ? 0 : found + 1;
}

std::string Copy(std::string_view text, std::int64_t index, std::int64_t count) {
  if (index < 1) index = 1;
  const auto length = static_cast<std::int64_t>(text.size());
  if (count <= 0 || index > length) return {};
  const auto available = length - index + 1;
  return std::string(text.substr(static_cast<std::size_t>(index - 1),
                                 static_cast<std::size_t>(count < available ? count : available)));
}

std::string CopyFrom(std::string_view text, std::int64_t index) {
  return Copy(text, index, std::numeric_limits<std::int64_t>::max());
}

void Delete(std::string& text, std::int64_t index, std::int64_t count) {
  const auto length = static_cast<std::int64_t>(text.size());
  if (index < 1 || index > length || count <= 0) return;
  const auto available = length - index + 1;
  text.erase(static_cast<std::size_t>(index - 1),
             static_cast<std::size_t>(count < available ? count : available));
}

char CharAt(std::string_view text, std::int64_t index) {
  if (index < 1 || index > static_cast<std::int64_t>(text.size())) {
    throw ERangeError(Format("Text index out of range (%d)", {index}));
  }
  return text[static_cast<std::size_t>(index - 1)];
}

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::string TrimLeft(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Upper/lower pairs of Windows-1251 outside the ASCII range and the А..я block.
constexpr std::array<std::array<unsigned char, 2>, 15> kCyrillicPairs = {{
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E},
    {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA},
    {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
}};

char AnsiCase(char c, bool upper) {
  const auto b = static_cast<unsigned char>(c);
  if (b < 0x80) return upper ? AsciiUpper(c) : AsciiLower(c);
  if (upper && b >= 0xE0) return static_cast<char>(b - 0x20);
  if (!upper && b >= 0xC0 && b <= 0xDF) return static_cast<char>(b + 0x20);
  for (const auto& pair : kCyrillicPairs) {
    if (!upper && b == pair[0]) return static_cast<char>(pair[1]);
    if (upper && b == pair[1]) return static_cast<char>(pair[0]);
  }
  return c;
}

template <class Map>
std::string MapChars(std::string_view text, Map map) {
  std::string out(text);
  for (char& c : out) c = map(c);
  return out;
}

}  // namespace

std::string UpperCase(std::string_view text) { return MapChars(text, AsciiUpper); }
std::string LowerCase(std::string_view text) { return MapChars(text, AsciiLower); }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string AnsiUpperCase(std::string_view text) {
  return MapChars(text, [](char c) { return AnsiCase(c, true); });
}

std::string AnsiLowerCase(std::string_view text) {
  return MapChars(text, [](char c) { return AnsiCase(c, false); });
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AnsiCase(a[i], true) != AnsiCase(b[i], true)) return false;
  }
  return true;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  std::size_t start = 0;
  for (auto found = text.find(from); found != std::string_view::npos;
       found = text.find(from, start)) {
    out.append(text.substr(start, found - start)).append(to);
    start = found + from.size();
  }
  out.append(text.substr(start));
  return out;
}
