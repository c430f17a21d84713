#include <gtest/gtest.h>

#include <string>

#include "proxy/proxy.h"
#include "rtl/ansi.h"

namespace {

std::string AllBytesButNul() {
  std::string bytes;
  for (int b = 1; b < 256; ++b) {
    bytes += static_cast<char>(b);
  }
  return bytes;
}

struct ScrambleVector {
  std::string plain;
  std::string scrambled;
};

class ScrambleVectors : public testing::TestWithParam<ScrambleVector> {};

TEST_P(ScrambleVectors, MatchTheStoredForm) {
  EXPECT_EQ(ScrambleText(GetParam().plain), GetParam().scrambled);
  EXPECT_EQ(UnscrambleText(GetParam().scrambled), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Bytes, ScrambleVectors, testing::Values(
    ScrambleVector{"", ""},
    // A byte equal to its key byte is only shifted: 'A' + 40.
    ScrambleVector{"A", "i"},
    // 'a' XOR 'A' = 0x20, + 40.
    ScrambleVector{"a", "H"},
    // The key starts again after 16 bytes.
    ScrambleVector{"AryyhnHqnbtdtuxnA",
                   "i\x9a\xa1\xa1\x90\x96p\x99\x96\x8a\x9c\x8c\x9c\x9d\xa0\x96i"},
    // An 8-bit byte can become a line end, which the line file cannot carry.
    ScrambleVector{"\xa4", "\r"}));

class ScrambleRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(ScrambleRoundTrip, UnscrambleUndoesScramble) {
  const std::string scrambled = ScrambleText(GetParam());
  EXPECT_EQ(scrambled.size(), GetParam().size());
  EXPECT_EQ(UnscrambleText(scrambled), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Texts, ScrambleRoundTrip,
                         testing::Values("alice", "p@ss:word with blanks",
                                         "a credential longer than the sixteen key bytes",
                                         Ansi("Пароль-Ёлка"), AllBytesButNul()));

TEST(Scramble, SevenBitTextNeverBecomesALineEndNulOrDollar) {
  for (std::size_t position = 0; position < 16; ++position) {
    for (int b = 1; b < 128; ++b) {
      const std::string text = std::string(position, 'x') + static_cast<char>(b);
      const unsigned char scrambled = static_cast<unsigned char>(ScrambleText(text).back());
      EXPECT_GE(scrambled, 0x29) << "byte " << b << " at " << position;
      EXPECT_LE(scrambled, 0xA7) << "byte " << b << " at " << position;
    }
  }
}

TEST(Scramble, RussianLettersNeverBecomeALineEndOrNul) {
  std::string letters = Ansi("Ёё");
  for (int b = 0xC0; b <= 0xFF; ++b) {
    letters += static_cast<char>(b);
  }
  for (std::size_t position = 0; position < 16; ++position) {
    for (const char letter : letters) {
      const std::string text = std::string(position, 'x') + letter;
      const char scrambled = ScrambleText(text).back();
      EXPECT_NE(scrambled, '\0') << "byte " << static_cast<int>(static_cast<unsigned char>(letter));
      EXPECT_NE(scrambled, '\r') << "byte " << static_cast<int>(static_cast<unsigned char>(letter));
      EXPECT_NE(scrambled, '\n') << "byte " << static_cast<int>(static_cast<unsigned char>(letter));
    }
  }
}

}  // namespace
