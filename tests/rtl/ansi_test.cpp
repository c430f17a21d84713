#include "rtl/ansi.h"

#include <gtest/gtest.h>

TEST(Ansi, ConvertsRussianLiteralToWindows1251AndBack) {
  const std::string ansi = Ansi("Обновить Ёё");
  EXPECT_EQ(ansi, "\xCE\xE1\xED\xEE\xE2\xE8\xF2\xFC \xA8\xB8");
  EXPECT_EQ(AnsiToUtf8(ansi), "Обновить Ёё");
}

TEST(Ansi, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Ansi(AnsiToUtf8(all)), all);
}

TEST(Ansi, CharacterOutsideTheCodePageBecomesQuestionMark) {
  EXPECT_EQ(Ansi("a\u4e2db"), "a?b");
}

TEST(Ansi, BrokenSequenceCostsOneByteAndTheRestIsReadAfresh) {
  EXPECT_EQ(Ansi("\xD0" "A\xD0\x91"), "?A\xC1");
  EXPECT_EQ(Ansi("\x91x"), "?x");
  EXPECT_EQ(Ansi("\xF8\x80\x80\x81"), "????");
  EXPECT_EQ(Ansi("ok\xE2\x80"), "ok?");
}
