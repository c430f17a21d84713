#pragma once
// The runtime library's exceptions, formatting, conversions and 1-based text helpers.

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// Every failure of the system is an Exception (or derived) carrying a message.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  // The class name as the system spells it ("EIdReadTimeout"), for reports.
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

// Declares an exception class that only adds its own name.
#define DECLARE_EXCEPTION(Name, Base)                                          \
  class Name : public Base {                                                   \
   public:                                                                     \
    using Base::Base;                                                          \
    const char* ClassName() const noexcept override { return #Name; }          \
  }

DECLARE_EXCEPTION(EConvertError, Exception);
DECLARE_EXCEPTION(EStringListError, Exception);
DECLARE_EXCEPTION(ERangeError, Exception);
DECLARE_EXCEPTION(EStreamError, Exception);
DECLARE_EXCEPTION(EFOpenError, EStreamError);
DECLARE_EXCEPTION(EFCreateError, EStreamError);
DECLARE_EXCEPTION(EReadError, EStreamError);
DECLARE_EXCEPTION(EWriteError, EStreamError);
DECLARE_EXCEPTION(ERegistryException, Exception);

// ---- Formatting ----------------------------------------------------------------------------

using FormatArg = std::variant<std::int64_t, std::string_view>;

// Fills "%s" and "%d" (and "%%") from the arguments in order; a missing argument leaves the
// placeholder as it is.
std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

std::string IntToStr(std::int64_t value);

// ---- Integer conversion ----------------------------------------------------------------------
// Decimal with optional leading blanks and sign, or hexadecimal after "$" or "0x". A number
// that does not fit the result type is not a number.

std::optional<std::int32_t> TryStrToInt(std::string_view text);
std::optional<std::int64_t> TryStrToInt64(std::string_view text);
// Raises EConvertError "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);
std::int64_t StrToInt64(std::string_view text);
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

// Plain hexadecimal digits only (no prefix, no sign); empty or overflowing text is no number.
std::optional<std::int64_t> TryHexToInt64(std::string_view text);

// ---- 1-based text helpers -------------------------------------------------------------------

// Position of the first occurrence of `sub` in `text` at or after `from`, 0 when none.
std::size_t Pos(std::string_view sub, std::string_view text, std::size_t from = 1);
// Last occurrence, 0 when none.
std::size_t LastPos(std::string_view sub, std::string_view text);
// `count` characters from `index` on; an index below 1 counts as 1, a negative count or an index
// past the end gives the empty text.
std::string Copy(std::string_view text, std::int64_t index, std::int64_t count);
// Everything from `index` on.
std::string CopyFrom(std::string_view text, std::int64_t index);
// Removes `count` characters from `index` on; out-of-range parts are ignored.
void Delete(std::string& text, std::int64_t index, std::int64_t count);
// The character at a 1-based index; raises ERangeError past either end.
char CharAt(std::string_view text, std::int64_t index);

// Blanks and control characters (bytes up to 0x20) removed at the ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// ASCII case mapping: only "A".."Z" / "a".."z" change.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Case mapping of ANSI text on a Russian system (Windows-1251), Cyrillic and "Ё"/"ё" included.
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// Equal under AnsiUpperCase.
bool AnsiSameText(std::string_view a, std::string_view b);

// Every occurrence of `from` replaced by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
