#include "http/IdHeaderList.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <limits>

#include "rtl/sysutils.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

bool IsFoldPoint(char c) { return c == ' ' || c == '\t' || c == ','; }

// The index of the last place within `width` characters of `text` after which it may be
// broken, or npos. A break must leave something other than blanks before it, so that every
// piece carries text and every break shortens what is left.
std::size_t FindFoldPoint(std::string_view text, std::size_t width) {
  const auto firstText = static_cast<std::size_t>(
      std::find_if_not(text.begin(), text.end(), IsBlank) - text.begin());
  std::size_t found = std::string_view::npos;
  bool quoted = false;
  for (std::size_t i = 0; i < std::min(width, text.size()); ++i) {
    if (text[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && IsFoldPoint(text[i]) && i >= std::max<std::size_t>(1, firstText)) {
      found = i;
    }
  }
  return found;
}

}  // namespace

TIdHeaderList::TIdHeaderList(int foldWidth) : foldLength_(foldWidth) {
  SetNameValueSeparator(':');
}

int TIdHeaderList::EndOfEntry(int index) const {
  int end = index + 1;
  while (end < Count() && IsContinuation(Strings(end))) ++end;
  return end;
}

std::string TIdHeaderList::ValueFromIndex(int index) const {
  const std::string& line = Strings(index);
  const auto colon = line.find(':');
  std::string value = colon == std::string::npos ? std::string() : Trim(line.substr(colon + 1));
  const int end = EndOfEntry(index);
  for (int i = index + 1; i < end; ++i) value += " " + Trim(Strings(i));
  return Trim(value);
}

std::string TIdHeaderList::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TIdHeaderList::SetValues(std::string_view name, std::string_view value) {
  int index = IndexOfName(name);
  if (index >= 0) {
    for (int end = EndOfEntry(index); end > index; --end) Delete(index);
  }
  if (value.empty()) return;
  TStringList pieces;
  FoldLine(std::string(name) + ": " + std::string(value), pieces);
  if (index < 0) index = Count();
  for (const auto& piece : pieces.Lines()) Insert(index++, piece);
}

void TIdHeaderList::Extract(std::string_view name, TStringList& into) const {
  for (int i = 0; i < Count(); ++i) {
    if (Strings(i).find(':') != std::string::npos && SameText(Names(i), name)) {
      into.Add(ValueFromIndex(i));
    }
  }
}

void TIdHeaderList::FoldLine(std::string_view line, TStringList& into) const {
  const auto width = static_cast<std::size_t>(std::max(foldLength_, 0));
  std::string rest = TrimRight(line);
  while (rest.size() > width) {
    const auto fold = FindFoldPoint(rest, width);
    if (fold == std::string_view::npos) break;
    into.Add(TrimRight(std::string_view(rest).substr(0, fold + 1)));
    rest = " " + TrimLeft(std::string_view(rest).substr(fold + 1));
  }
  into.Add(rest);
}

// ---- Numbers and dates of header values ----------------------------------------------------

std::string Fetch(std::string& text, char separator) {
  const auto at = text.find(separator);
  std::string head = text.substr(0, at);
  text = at == std::string::npos ? std::string() : text.substr(at + 1);
  return head;
}

namespace {

bool AccumulateDigits(std::string_view digits, std::uint64_t limit, std::uint64_t& value) {
  if (digits.empty()) return false;
  value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (limit - digit) / 10) return false;
    value = value * 10 + digit;
  }
  return true;
}

}  // namespace

std::optional<std::uint64_t> TryDecimalToUInt64(std::string_view text) {
  std::uint64_t value = 0;
  if (!AccumulateDigits(text, std::numeric_limits<std::uint64_t>::max(), value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int64_t> TryDecimalToInt64(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  const auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  std::uint64_t magnitude = 0;
  if (!AccumulateDigits(text, negative ? max + 1 : max, magnitude)) return std::nullopt;
  if (!negative) return static_cast<std::int64_t>(magnitude);
  if (magnitude == max + 1) return std::numeric_limits<std::int64_t>::min();
  return -static_cast<std::int64_t>(magnitude);
}

std::vector<std::string> SplitAt(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (auto end = text.find(separator); end != std::string_view::npos;
       end = text.find(separator, start)) {
    pieces.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  pieces.emplace_back(text.substr(start));
  return pieces;
}

namespace {

[[noreturn]] void RaiseNotAnInteger(std::string_view text) {
  throw EConvertError(Format("'%s' is not a valid integer value", {text}));
}

}  // namespace

int DecimalToInt(std::string_view text) {
  const auto number = TryDecimalToInt64(text);
  if (!number || *number < std::numeric_limits<int>::min() ||
      *number > std::numeric_limits<int>::max()) {
    RaiseNotAnInteger(text);
  }
  return static_cast<int>(*number);
}

std::uint64_t DecimalToUInt64(std::string_view text) {
  if (const auto number = TryDecimalToUInt64(text)) return *number;
  RaiseNotAnInteger(text);
}

namespace {

namespace chr = std::chrono;

constexpr std::int64_t kSecondsPerDay = 86400;

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed",
                                                   "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

// Reads the pieces of a date text from left to right; every step fails without harm at the end.
class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return at_ == text_.size(); }

  bool Literal(std::string_view literal) {
    if (text_.substr(at_).substr(0, literal.size()) != literal) return false;
    at_ += literal.size();
    return true;
  }

  bool Blanks() {
    const auto start = at_;
    while (at_ < text_.size() && text_[at_] == ' ') ++at_;
    return at_ > start;
  }

  // `minCount` to `maxCount` digits.
  bool Number(std::size_t minCount, std::size_t maxCount, int& value) {
    std::size_t count = 0;
    value = 0;
    while (count < maxCount && at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
      value = value * 10 + (text_[at_] - '0');
      ++at_;
      ++count;
    }
    return count >= minCount;
  }

  std::string_view Word() {
    const auto start = at_;
    while (at_ < text_.size() && ((text_[at_] >= 'A' && text_[at_] <= 'Z') ||
                                  (text_[at_] >= 'a' && text_[at_] <= 'z'))) {
      ++at_;
    }
    return text_.substr(start, at_ - start);
  }

  bool WeekDay() {
    const auto word = Word();
    const auto named = [word](const char* day) { return SameText(word, day); };
    return std::any_of(kShortDays.begin(), kShortDays.end(), named) ||
           std::any_of(kLongDays.begin(), kLongDays.end(), named);
  }

  bool Month(unsigned& month) {
    const auto word = Word();
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
      if (SameText(word, kMonths[i])) {
        month = static_cast<unsigned>(i + 1);
        return true;
      }
    }
    return false;
  }

  bool TimeOfDay(int& seconds) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!Number(2, 2, hour) || !Literal(":") || !Number(2, 2, minute) || !Literal(":") ||
        !Number(2, 2, second)) {
      return false;
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
    seconds = (hour * 60 + minute) * 60 + second;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

struct DateParts {
  int year = 0;
  unsigned month = 0;
  int day = 0;
  int seconds = 0;
};

std::optional<std::int64_t> ToUnix(const DateParts& parts) {
  const chr::year_month_day date{chr::year(parts.year), chr::month(parts.month),
                                 chr::day(static_cast<unsigned>(parts.day))};
  if (parts.year < 1 || parts.year > 9999 || parts.day < 1 || !date.ok()) return std::nullopt;
  const auto days = chr::sys_days(date).time_since_epoch().count();
  return static_cast<std::int64_t>(days) * kSecondsPerDay + parts.seconds;
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::optional<DateParts> ScanRfc1123(std::string_view text) {
  DateScanner scan(text);
  DateParts parts;
  if (scan.WeekDay() && scan.Literal(",") && scan.Blanks() && scan.Number(1, 2, parts.day) &&
      scan.Blanks() && scan.Month(parts.month) && scan.Blanks() && scan.Number(4, 4, parts.year) &&
      scan.Blanks() && scan.TimeOfDay(parts.seconds) && scan.Blanks() && scan.Literal("GMT") &&
      scan.AtEnd()) {
    return parts;
  }
  return std::nullopt;
}

// "Sunday, 06-Nov-94 08:49:37 GMT"
std::optional<DateParts> ScanRfc850(std::string_view text) {
  DateScanner scan(text);
  DateParts parts;
  if (scan.WeekDay() && scan.Literal(",") && scan.Blanks() && scan.Number(1, 2, parts.day) &&
      scan.Literal("-") && scan.Month(parts.month) && scan.Literal("-") &&
      scan.Number(2, 4, parts.year) && scan.Blanks() && scan.TimeOfDay(parts.seconds) &&
      scan.Blanks() && scan.Literal("GMT") && scan.AtEnd()) {
    if (parts.year < 100) parts.year += parts.year >= 70 ? 1900 : 2000;
    return parts;
  }
  return std::nullopt;
}

// "Sun Nov  6 08:49:37 1994"
std::optional<DateParts> ScanAsctime(std::string_view text) {
  DateScanner scan(text);
  DateParts parts;
  if (scan.WeekDay() && scan.Blanks() && scan.Month(parts.month) && scan.Blanks() &&
      scan.Number(1, 2, parts.day) && scan.Blanks() && scan.TimeOfDay(parts.seconds) &&
      scan.Blanks() && scan.Number(4, 4, parts.year) && scan.AtEnd()) {
    return parts;
  }
  return std::nullopt;
}

std::int64_t DaysToUnix(chr::year_month_day date) {
  return static_cast<std::int64_t>(chr::sys_days(date).time_since_epoch().count()) *
         kSecondsPerDay;
}

}  // namespace

std::optional<std::int64_t> ParseHTTPDate(std::string_view text) {
  const std::string trimmed = Trim(text);
  for (const auto scan : {ScanRfc1123, ScanRfc850, ScanAsctime}) {
    if (const auto parts = scan(trimmed)) return ToUnix(*parts);
  }
  return std::nullopt;
}

std::string FormatHTTPDate(std::int64_t unixSeconds) {
  const std::int64_t earliest = DaysToUnix(chr::year(1) / chr::January / 1);
  const std::int64_t latest = DaysToUnix(chr::year(9999) / chr::December / 31) + kSecondsPerDay - 1;
  const std::int64_t clamped = std::clamp(unixSeconds, earliest, latest);
  std::int64_t days = clamped / kSecondsPerDay;
  std::int64_t seconds = clamped % kSecondsPerDay;
  if (seconds < 0) {
    seconds += kSecondsPerDay;
    --days;
  }
  const chr::sys_days day{chr::days(days)};
  const chr::year_month_day date{day};
  const chr::weekday weekDay{day};
  std::array<char, 40> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%s, %02u %s %04d %02d:%02d:%02d GMT",
                kShortDays[weekDay.c_encoding()], static_cast<unsigned>(date.day()),
                kMonths[static_cast<unsigned>(date.month()) - 1], static_cast<int>(date.year()),
                static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  return buffer.data();
}

std::int64_t UnixNow() {
  return chr::duration_cast<chr::seconds>(chr::system_clock::now().time_since_epoch()).count();
}
