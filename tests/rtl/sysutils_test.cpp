#include "rtl/sysutils.h"

#include <gtest/gtest.h>

#include "rtl/ansi.h"

TEST(StrToInt, RaisesConvertErrorWithTheText) {
  try {
    StrToInt("12x");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12x' is not a valid integer value");
  }
}

TEST(AnsiCase, MapsCyrillicIncludingYo) {
  EXPECT_EQ(AnsiLowerCase(Ansi("ОБНОВИТЬ Ё Update")), Ansi("обновить ё update"));
  EXPECT_EQ(AnsiUpperCase(Ansi("обновить ё")), Ansi("ОБНОВИТЬ Ё"));
}
