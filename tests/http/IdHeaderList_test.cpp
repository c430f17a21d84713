#include "http/IdHeaderList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "rtl/sysutils.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TIdHeaderList ListOf(std::initializer_list<std::string> lines, int width = 78) {
  TIdHeaderList list(width);
  for (const auto& line : lines) list.Add(line);
  return list;
}

TEST(TIdHeaderList, FindsValuesWithoutRegardToCaseAndUnfoldsContinuations) {
  const auto list = ListOf({"Content-Type: text/html", "content-length:5", "Host : spaced",
                            "X-Long: part one  ", " part two", "\t part three ", "Next: v",
                            "Content-Type: second"});
  EXPECT_EQ(list.Values("CONTENT-LENGTH"), "5");
  EXPECT_EQ(list.Values("content-type"), "text/html");
  EXPECT_EQ(list.Values("Host"), "");
  EXPECT_EQ(list.Values("Host "), "spaced");
  EXPECT_EQ(list.Values("x-long"), "part one part two part three");
  EXPECT_EQ(list.Values("Next"), "v");
  EXPECT_EQ(list.Values("Missing"), "");
  EXPECT_EQ(list.ValueFromIndex(3), "part one part two part three");
  EXPECT_EQ(list.Names(1), "content-length");
}

TEST(TIdHeaderList, ExtractCollectsEveryValueInOrder) {
  const auto list = ListOf({"Set-Cookie: a=1", "Other: x", "set-cookie: b=2;", " path=/",
                            "no colon line", "SET-COOKIE:c=3"});
  TStringList values;
  list.Extract("Set-Cookie", values);
  EXPECT_THAT(values.Lines(), ElementsAre("a=1", "b=2; path=/", "c=3"));
}

TEST(TIdHeaderList, SettingReplacesTheEntryWithItsContinuationsInPlace) {
  auto list = ListOf({"A: 1", "B: old", " folded", "\tmore", "C: 3"});
  list.SetValues("b", "new");
  EXPECT_THAT(list.Lines(), ElementsAre("A: 1", "b: new", "C: 3"));
  list.SetValues("D", "4");
  EXPECT_THAT(list.Lines(), ElementsAre("A: 1", "b: new", "C: 3", "D: 4"));
}

TEST(TIdHeaderList, EmptyValueDeletesTheEntryWithItsContinuations) {
  auto list = ListOf({"A: 1", "B: old", " folded", "C: 3"});
  list.SetValues("B", "");
  EXPECT_THAT(list.Lines(), ElementsAre("A: 1", "C: 3"));
  list.SetValues("Absent", "");
  EXPECT_THAT(list.Lines(), ElementsAre("A: 1", "C: 3"));
}

TEST(TIdHeaderList, LongValueIsStoredFoldedAndReadsBackWhole) {
  TIdHeaderList list;
  std::string value;
  for (int i = 0; i < 30; ++i) value += (i ? " word" : "word") + IntToStr(i);
  list.SetValues("X-Long", value);
  ASSERT_GE(list.Count(), 2);
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_LE(list[i].size(), 78U);
    EXPECT_EQ(list[i].front() == ' ', i > 0);
  }
  EXPECT_EQ(list.Values("x-long"), value);

  TIdHeaderList wide(TIdHeaderList::kRawHeadersFoldWidth);
  wide.SetValues("X-Long", value);
  EXPECT_EQ(wide.Count(), 1);
}

TEST(TIdHeaderList, FoldLine) {
  const struct {
    int width;
    std::string line;
    std::vector<std::string> pieces;
  } cases[] = {
      {10, "aaaa bbbb cccc", {"aaaa bbbb", " cccc"}},
      {10, "aaaa bbbb cccc    ", {"aaaa bbbb", " cccc"}},
      {8, "ab,cd,ef,gh", {"ab,cd,", " ef,gh"}},
      {6, "abc\tdefgh", {"abc", " defgh"}},
      {10, "a \"b c d e\" f", {"a", " \"b c d e\" f"}},
      {5, "abcdefghij", {"abcdefghij"}},
      {4, "   abcdef ghi", {"   abcdef ghi"}},
      {0, "a b c", {"a b c"}},
      {-3, "a b c", {"a b c"}},
      {20, "short enough", {"short enough"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TIdHeaderList list(c.width);
    TStringList pieces;
    list.FoldLine(c.line, pieces);
    EXPECT_THAT(pieces.Lines(), ElementsAreArray(c.pieces));
  }
}

// Folding must end, never yield an empty piece and never lose a character other than blanks,
// whatever mixture of break points, quotes and blanks it meets.
TEST(TIdHeaderList, FoldLineEndsAndKeepsEveryCharacterOnAnyInput) {
  const std::string alphabet = "a ,\t\"b";
  const auto withoutBlanks = [](std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\t'; });
    return text;
  };
  unsigned state = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string line = "N:";
    const int length = 1 + round % 40;
    for (int i = 0; i < length; ++i) {
      state = state * 1103515245U + 12345U;
      line += alphabet[(state >> 16) % alphabet.size()];
    }
    TIdHeaderList list(round % 13);
    TStringList pieces;
    list.FoldLine(line, pieces);
    std::string joined;
    for (const auto& piece : pieces.Lines()) {
      ASSERT_FALSE(piece.empty()) << line;
      joined += piece;
    }
    ASSERT_EQ(withoutBlanks(joined), withoutBlanks(line)) << line;
  }
}

TEST(HeaderNumbers, DecimalOnly) {
  EXPECT_EQ(TryDecimalToInt64("123"), 123);
  EXPECT_EQ(TryDecimalToInt64("-42"), -42);
  EXPECT_EQ(TryDecimalToInt64("+7"), 7);
  EXPECT_EQ(TryDecimalToInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(TryDecimalToInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TryDecimalToUInt64("18446744073709551615"),
            std::numeric_limits<std::uint64_t>::max());
  for (const char* bad : {"", "-", "+", " 1", "1 ", "0x10", "$10", "1e3", "9223372036854775808"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(TryDecimalToInt64(bad));
  }
  for (const char* bad : {"", "-1", "+1", "18446744073709551616", "12a"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(TryDecimalToUInt64(bad));
  }
  try {
    DecimalToInt("2147483648");
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'2147483648' is not a valid integer value");
  }
}

TEST(HTTPDate, ReadsTheThreeForms) {
  constexpr std::int64_t kSample = 784111777;  // 1994-11-06 08:49:37 UTC
  const struct {
    std::string text;
    std::optional<std::int64_t> seconds;
  } cases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", kSample},
      {"  Sun, 06 Nov 1994 08:49:37 GMT ", kSample},
      {"Sunday, 06-Nov-94 08:49:37 GMT", kSample},
      {"Sun, 06-Nov-1994 08:49:37 GMT", kSample},
      {"Sun Nov  6 08:49:37 1994", kSample},
      {"Thursday, 01-Jan-70 00:00:00 GMT", 0},
      {"Wed, 01-Jan-69 00:00:00 GMT", 3124224000},  // 2069
      {"Fri, 31 Dec 9999 23:59:59 GMT", 253402300799},
      {"", std::nullopt},
      {"garbage", std::nullopt},
      {"Sun, 32 Nov 1994 08:49:37 GMT", std::nullopt},
      {"Wed, 29 Feb 1995 08:49:37 GMT", std::nullopt},
      {"Sun, 06 Nov 1994 24:00:00 GMT", std::nullopt},
      {"Sun, 06 Nov 1994 08:49:37 UTC", std::nullopt},
      {"Sun, 06 Nov 1994 08:49:37 GMT trailing", std::nullopt},
      {"Sun, 06 Foo 1994 08:49:37 GMT", std::nullopt},
      {"06 Nov 1994 08:49:37 GMT", std::nullopt},
      {"Sun, 06 Nov 0000 08:49:37 GMT", std::nullopt},
      {"Sun Nov  6 08:49:37", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseHTTPDate(c.text), c.seconds);
  }
}

TEST(HTTPDate, WritesRfc1123HeldWithinTheYearsItCanShow) {
  EXPECT_EQ(FormatHTTPDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(FormatHTTPDate(-1), "Wed, 31 Dec 1969 23:59:59 GMT");
  EXPECT_EQ(FormatHTTPDate(std::numeric_limits<std::int64_t>::max()),
            "Fri, 31 Dec 9999 23:59:59 GMT");
  EXPECT_EQ(FormatHTTPDate(std::numeric_limits<std::int64_t>::min()),
            "Mon, 01 Jan 0001 00:00:00 GMT");
  const std::int64_t now = UnixNow();
  EXPECT_EQ(ParseHTTPDate(FormatHTTPDate(now)), now);
}

}  // namespace
