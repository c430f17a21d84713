#pragma once
// Header lines "Name: value" with case-insensitive names, continuation lines unfolded on
// reading and long lines folded on writing; and the numbers and dates that header values carry.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/classes.h"

class TIdHeaderList : public TStringList {
 public:
  static constexpr int kDefaultFoldWidth = 78;
  // The width of the request's and the response's RawHeaders.
  static constexpr int kRawHeadersFoldWidth = 1024;

  explicit TIdHeaderList(int foldWidth = kDefaultFoldWidth);

  int FoldLength() const { return foldLength_; }
  void SetFoldLength(int width) { foldLength_ = width; }

  // Names(index) and IndexOfName(name) are the base's, with ":" as the separator: a name is
  // the text before the first ":", blanks kept, compared without regard to case.

  // The value of the first line named `name`, unfolded and trimmed; empty when absent.
  std::string Values(std::string_view name) const;
  // Replaces the line named `name` and its continuation lines, or adds a line at the end;
  // the new line is folded. An empty value deletes the line and its continuation lines.
  void SetValues(std::string_view name, std::string_view value);
  // The value of the line at `index`: its text after the ":" with the continuation lines
  // below it joined by single blanks, each piece trimmed.
  std::string ValueFromIndex(int index) const;
  // Adds the value of every line named `name`, in order.
  void Extract(std::string_view name, TStringList& into) const;

  // Splits `line` into pieces of at most FoldLength() characters where it can: after a
  // blank, a tab or a comma outside double quotes. Later pieces begin with a blank; trailing
  // blanks are removed. A stretch without a break point stays whole.
  void FoldLine(std::string_view line, TStringList& into) const;

 private:
  // The base's setter would bypass folding and the ": " separator.
  using TStringList::SetValue;

  // Index just past the line at `index` and its continuation lines.
  int EndOfEntry(int index) const;

  int foldLength_;
};

// ---- Numbers and dates of header values ----------------------------------------------------

// Cuts `text` at its first `separator`: returns the part before and leaves the part after
// in `text`; without the separator returns all of it and leaves `text` empty.
std::string Fetch(std::string& text, char separator);
// Every piece between the separators; a text without one is a single piece.
std::vector<std::string> SplitAt(std::string_view text, char separator);

// Decimal digits with an optional sign, nothing else; nullopt when the text is anything else
// or does not fit.
std::optional<std::int64_t> TryDecimalToInt64(std::string_view text);
// Decimal digits only.
std::optional<std::uint64_t> TryDecimalToUInt64(std::string_view text);
// The same, raising EConvertError "'%s' is not a valid integer value" for anything else.
int DecimalToInt(std::string_view text);
std::uint64_t DecimalToUInt64(std::string_view text);

// Seconds since 1970-01-01 00:00:00 UTC of an HTTP date: RFC 1123 ("Sun, 06 Nov 1994
// 08:49:37 GMT"), RFC 850 ("Sunday, 06-Nov-94 08:49:37 GMT"; years 70-99 are 19xx, others
// 20xx; a four-digit year is taken as it is) or asctime ("Sun Nov  6 08:49:37 1994").
// nullopt for any other text.
std::optional<std::int64_t> ParseHTTPDate(std::string_view text);
// The RFC 1123 form; instants outside the years 1 to 9999 are held at those bounds.
std::string FormatHTTPDate(std::int64_t unixSeconds);
// The current time in seconds since 1970-01-01 00:00:00 UTC.
std::int64_t UnixNow();
