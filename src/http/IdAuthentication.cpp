#include "http/IdAuthentication.h"

#include <algorithm>
#include <array>

#include "http/IdCoderMIME.h"
#include "rtl/sysutils.h"

void TIdAuthentication::Reset() {
  authRetries_ = 0;
  currentStep_ = 0;
}

std::string TIdAuthentication::Authentication() {
  std::string text = CredentialText();
  currentStep_ = std::min(currentStep_ + 1, Steps());
  return text;
}

std::string TIdBasicAuthentication::CredentialText() const {
  return "Basic " + TIdEncoderMIME::EncodeString(Username() + ":" + Password());
}

namespace {

struct RegisteredScheme {
  const char* name;
  std::unique_ptr<TIdAuthentication> (*create)();
};

std::unique_ptr<TIdAuthentication> CreateBasic() {
  return std::make_unique<TIdBasicAuthentication>();
}

constexpr std::array<RegisteredScheme, 1> kSchemes = {{{"Basic", CreateBasic}}};

}  // namespace

std::string AuthenticationScheme(std::string_view challenge) {
  return std::string(challenge.substr(0, challenge.find(' ')));
}

std::unique_ptr<TIdAuthentication> CreateAuthentication(std::string_view scheme) {
  for (const auto& registered : kSchemes) {
    if (SameText(scheme, registered.name)) return registered.create();
  }
  return nullptr;
}

std::unique_ptr<TIdAuthentication> CreateAuthenticationForChallenges(
    const TStringList& challenges) {
  for (const auto& challenge : challenges.Lines()) {
    if (auto authentication = CreateAuthentication(AuthenticationScheme(challenge))) {
      return authentication;
    }
  }
  return nullptr;
}
