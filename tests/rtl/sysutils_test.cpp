#include "rtl/sysutils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "rtl/ansi.h"

namespace {

TEST(Format, FillsPlaceholdersInOrderAndLeavesTheRest) {
  EXPECT_EQ(Format("Cannot open file %s", {"C:\\a.txt"}), "Cannot open file C:\\a.txt");
  EXPECT_EQ(Format("%s=%d;%s", {"x", std::int64_t{-42}, "y"}), "x=-42;y");
  EXPECT_EQ(Format("100%% of %d", {std::int64_t{7}}), "100% of 7");
  EXPECT_EQ(Format("%s and %s", {"one"}), "one and %s");
  EXPECT_EQ(Format("%x %", {"unused"}), "%x %");
  EXPECT_EQ(Format("", {"unused"}), "");
}

TEST(IntToStr, WritesSignedDecimalsAcrossTheWholeRange) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-1073741819), "-1073741819");
  EXPECT_EQ(IntToStr(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

struct IntCase {
  const char* text;
  std::optional<std::int32_t> value;
};

class TryStrToIntTable : public ::testing::TestWithParam<IntCase> {};

TEST_P(TryStrToIntTable, ParsesOrRejects) {
  EXPECT_EQ(TryStrToInt(GetParam().text), GetParam().value) << "text: '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TryStrToIntTable,
    ::testing::Values(IntCase{"12", 12}, IntCase{"  12", 12}, IntCase{"-12", -12},
                      IntCase{"+7", 7}, IntCase{"$1F", 31}, IntCase{"0x1f", 31},
                      IntCase{"-$10", -16}, IntCase{"2147483647", 2147483647},
                      IntCase{"-2147483648", std::numeric_limits<std::int32_t>::min()},
                      IntCase{"2147483648", std::nullopt}, IntCase{"-2147483649", std::nullopt},
                      IntCase{"$80000000", std::nullopt}, IntCase{"", std::nullopt},
                      IntCase{"12 ", std::nullopt}, IntCase{"1e3", std::nullopt},
                      IntCase{"-", std::nullopt}, IntCase{"$", std::nullopt},
                      IntCase{"0x", std::nullopt}, IntCase{"8080:", std::nullopt},
                      IntCase{"99999999999999999999", std::nullopt}));

TEST(TryStrToInt64, KeepsTheSixtyFourBitLimits) {
  EXPECT_EQ(TryStrToInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TryStrToInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(TryStrToInt64("9223372036854775808"), std::nullopt);
  EXPECT_EQ(TryStrToInt64("4294967296"), 4294967296);
}

TEST(StrToInt, RaisesConvertErrorWithTheText) {
  for (const char* text : {"12x", "", "2147483648"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "no exception for '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), Format("'%s' is not a valid integer value", {text}));
      EXPECT_STREQ(e.ClassName(), "EConvertError");
    }
  }
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64("-5"), -5);
}

TEST(StrToIntDef, FallsBackOnlyWhenTheTextIsNoNumber) {
  EXPECT_EQ(StrToIntDef("8080", 80), 8080);
  EXPECT_EQ(StrToIntDef("8080:3128", 80), 80);
  EXPECT_EQ(StrToIntDef("", 80), 80);
  EXPECT_EQ(StrToIntDef("0", 80), 0);
}

TEST(TryHexToInt64, TakesPlainDigitsOnly) {
  EXPECT_EQ(TryHexToInt64("ff"), 255);
  EXPECT_EQ(TryHexToInt64("7FFFFFFFFFFFFFFF"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TryHexToInt64("8000000000000000"), std::nullopt);
  EXPECT_EQ(TryHexToInt64("00000000000000000001"), 1);
  for (const char* bad : {"", "$ff", "0x10", "-1", "1 ", "g"}) {
    EXPECT_EQ(TryHexToInt64(bad), std::nullopt) << bad;
  }
}

TEST(Pos, CountsFromOneAndGivesZeroWhenAbsent) {
  EXPECT_EQ(Pos("#", "build#2008#x"), 6u);
  EXPECT_EQ(Pos("#", "build#2008#x", 7), 11u);
  EXPECT_EQ(Pos("#", "build#2008#x", 12), 0u);
  EXPECT_EQ(Pos("#", "build#2008#x", 100), 0u);
  EXPECT_EQ(Pos("#", "#", 0), 0u);
  EXPECT_EQ(Pos("", "abc"), 0u);
  EXPECT_EQ(Pos("zz", "abc"), 0u);
  EXPECT_EQ(LastPos("\\", "C:\\a\\b"), 5u);
  EXPECT_EQ(LastPos("\\", "abc"), 0u);
  EXPECT_EQ(LastPos("", "abc"), 0u);
}

struct CopyCase {
  std::int64_t index;
  std::int64_t count;
  const char* expected;
};

class CopyTable : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyTable, CutsOneBasedAndClampsOutOfRangeParts) {
  EXPECT_EQ(Copy("abcdef", GetParam().index, GetParam().count), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyTable,
    ::testing::Values(CopyCase{2, 3, "bcd"}, CopyCase{1, 6, "abcdef"}, CopyCase{0, 2, "ab"},
                      CopyCase{-5, 2, "ab"}, CopyCase{6, 5, "f"}, CopyCase{7, 1, ""},
                      CopyCase{2, 0, ""}, CopyCase{2, -1, ""},
                      CopyCase{3, std::numeric_limits<std::int64_t>::max(), "cdef"}));

TEST(CopyFrom, TakesTheRest) {
  EXPECT_EQ(CopyFrom("build#2008", 7), "2008");
  EXPECT_EQ(CopyFrom("build#", 7), "");
  EXPECT_EQ(CopyFrom("abc", 0), "abc");
}

TEST(Delete, RemovesOneBasedAndIgnoresOutOfRangeParts) {
  const struct {
    std::int64_t index;
    std::int64_t count;
    const char* expected;
  } cases[] = {{1, 1, "bcdef"}, {3, 2, "abef"}, {5, 100, "abcd"}, {0, 2, "abcdef"},
               {7, 1, "abcdef"}, {2, 0, "abcdef"}, {2, -3, "abcdef"}};
  for (const auto& c : cases) {
    std::string text = "abcdef";
    Delete(text, c.index, c.count);
    EXPECT_EQ(text, c.expected) << "Delete(" << c.index << ", " << c.count << ")";
  }
}

TEST(CharAt, RaisesRangeErrorPastEitherEnd) {
  EXPECT_EQ(CharAt("abc", 1), 'a');
  EXPECT_EQ(CharAt("abc", 3), 'c');
  for (std::int64_t index : {0, 4, -1}) {
    try {
      CharAt("abc", index);
      ADD_FAILURE() << "no exception at " << index;
    } catch (const ERangeError& e) {
      EXPECT_EQ(e.Message(), Format("Text index out of range (%d)", {index}));
    }
  }
  EXPECT_THROW(CharAt("", 1), ERangeError);
}

TEST(Trim, RemovesBlanksAndControlCharactersAtTheEndsOnly) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \x01"), "  a");
  EXPECT_EQ(Trim(" \r\n\t"), "");
  EXPECT_EQ(Trim(Ansi(" Ёж ")), Ansi("Ёж"));
}

TEST(AsciiCase, ChangesOnlyLatinLetters) {
  EXPECT_EQ(UpperCase(Ansi("alderon.exe Ёж")), Ansi("ALDERON.EXE Ёж"));
  EXPECT_EQ(LowerCase(Ansi("ALDERON.EXE ЁЖ")), Ansi("alderon.exe ЁЖ"));
  EXPECT_TRUE(SameText("Software\\Velmoria", "SOFTWARE\\VELMORIA"));
  EXPECT_FALSE(SameText(Ansi("Ё"), Ansi("ё")));
  EXPECT_FALSE(SameText("abc", "abcd"));
}

TEST(AnsiCase, MapsEveryCyrillicLetterOfTheCodePage) {
  const std::string upper = Ansi("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЂЃЉЊЌЋЏЎЈҐЄЇІЅ");
  const std::string lower = Ansi("абвгдеёжзийклмнопрстуфхцчшщъыьэюяђѓљњќћџўјґєїіѕ");
  EXPECT_EQ(AnsiLowerCase(upper), lower);
  EXPECT_EQ(AnsiUpperCase(lower), upper);
  EXPECT_EQ(AnsiLowerCase(Ansi("ОБНОВИТЬ Update")), Ansi("обновить update"));
  EXPECT_TRUE(AnsiSameText(Ansi("Ёлка"), Ansi("ёЛКА")));
  EXPECT_FALSE(AnsiSameText(Ansi("Ёлка"), Ansi("Елка")));
}

TEST(AnsiCase, LeavesEveryOtherByteAlone) {
  const std::string letters = Ansi("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЂЃЉЊЌЋЏЎЈҐЄЇІЅ") +
                              Ansi("абвгдеёжзийклмнопрстуфхцчшщъыьэюяђѓљњќћџўјґєїіѕ");
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const bool isLetter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                          letters.find(one) != std::string::npos;
    if (isLetter) continue;
    EXPECT_EQ(AnsiUpperCase(one), one) << "byte " << b;
    EXPECT_EQ(AnsiLowerCase(one), one) << "byte " << b;
  }
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutRescanning) {
  EXPECT_EQ(ReplaceAll("Locale: a\nb\n", "\n", ""), "Locale: ab");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("abab", "ab", ""), "");
}

TEST(Exception, CarriesItsMessageAndClassName) {
  const ERegistryException e("Failed to set data for 'CurrentUpdate'");
  EXPECT_STREQ(e.what(), "Failed to set data for 'CurrentUpdate'");
  EXPECT_STREQ(e.ClassName(), "ERegistryException");
  const EFOpenError open("Cannot open file x");
  const EStreamError& asStream = open;
  EXPECT_STREQ(asStream.ClassName(), "EFOpenError");
}

}  // namespace
