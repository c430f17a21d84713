#include "http/IdAuthentication.h"

#include <gtest/gtest.h>

#include "http/IdCoderMIME.h"

namespace {

TEST(TIdEncoderMIME, EncodesWithTheStandardAlphabetAndFill) {
  const struct {
    std::string bytes, encoded;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xff\xfe\x00", 3), "//4A"},
      {std::string("\xfb\xef\xbe", 3), "++++"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.encoded);
    EXPECT_EQ(TIdEncoderMIME::EncodeString(c.bytes), c.encoded);
  }
}

TEST(TIdEncoderMIME, LongInputStaysOnOneLine) {
  const std::string encoded = TIdEncoderMIME::EncodeString(std::string(300, 'x'));
  EXPECT_EQ(encoded.size(), 400U);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
}

TEST(TIdBasicAuthentication, CredentialText) {
  TIdBasicAuthentication empty;
  EXPECT_EQ(empty.Authentication(), "Basic Og==");

  TIdBasicAuthentication pair;
  pair.SetUsername("Aladdin");
  pair.SetPassword("open sesame");
  EXPECT_EQ(pair.Authentication(), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

TEST(TIdBasicAuthentication, ParamsAreReadBackWithoutRegardToCase) {
  TIdBasicAuthentication basic;
  basic.Params().SetValues("USERNAME", "user");
  basic.Params().SetValues("password", "a:b");
  EXPECT_EQ(basic.Username(), "user");
  EXPECT_EQ(basic.Password(), "a:b");
  EXPECT_EQ(basic.Authentication(), "Basic dXNlcjphOmI=");
  basic.SetUsername("other");
  EXPECT_EQ(basic.Params().Values("username"), "other");
  EXPECT_EQ(basic.Params().Count(), 2);
}

TEST(TIdBasicAuthentication, ResetStartsOverAndKeepsTheParams) {
  TIdBasicAuthentication basic;
  basic.SetUsername("u");
  EXPECT_EQ(basic.Steps(), 1);
  EXPECT_EQ(basic.CurrentStep(), 0);
  static_cast<void>(basic.Authentication());
  static_cast<void>(basic.Authentication());
  EXPECT_EQ(basic.CurrentStep(), 1);
  basic.SetAuthRetries(3);
  basic.Reset();
  EXPECT_EQ(basic.AuthRetries(), 0);
  EXPECT_EQ(basic.CurrentStep(), 0);
  EXPECT_EQ(basic.Username(), "u");
}

TEST(AuthenticationRegistry, FindsOnlyBasic) {
  EXPECT_EQ(AuthenticationScheme("Basic realm=\"x\""), "Basic");
  EXPECT_EQ(AuthenticationScheme("Basic"), "Basic");
  EXPECT_NE(dynamic_cast<TIdBasicAuthentication*>(CreateAuthentication("basic").get()), nullptr);
  EXPECT_EQ(CreateAuthentication("Digest"), nullptr);
  EXPECT_EQ(CreateAuthentication(""), nullptr);

  TStringList challenges;
  challenges.Add("Digest realm=\"x\", nonce=\"1\"");
  challenges.Add("Negotiate");
  EXPECT_EQ(CreateAuthenticationForChallenges(challenges), nullptr);
  challenges.Add("BASIC realm=\"y\"");
  EXPECT_NE(dynamic_cast<TIdBasicAuthentication*>(
                CreateAuthenticationForChallenges(challenges).get()),
            nullptr);
}

}  // namespace
