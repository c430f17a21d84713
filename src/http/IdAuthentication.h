#pragma once
// Credentials for "Authorization" and "Proxy-Authorization", and the registry of the schemes
// the client can answer.

#include <memory>
#include <string>
#include <string_view>

#include "http/IdHeaderList.h"

class TIdAuthentication {
 public:
  TIdAuthentication() = default;
  virtual ~TIdAuthentication() = default;
  TIdAuthentication(const TIdAuthentication&) = delete;
  TIdAuthentication& operator=(const TIdAuthentication&) = delete;

  // "Username" and "Password" live here; further values a scheme may need too.
  TIdHeaderList& Params() { return params_; }
  const TIdHeaderList& Params() const { return params_; }

  std::string Username() const { return params_.Values("Username"); }
  void SetUsername(std::string_view value) { params_.SetValues("Username", value); }
  std::string Password() const { return params_.Values("Password"); }
  void SetPassword(std::string_view value) { params_.SetValues("Password", value); }

  // How often this credential has been answered with another challenge.
  int AuthRetries() const { return authRetries_; }
  void SetAuthRetries(int value) { authRetries_ = value; }
  // The exchanges answered so far, at most Steps().
  int CurrentStep() const { return currentStep_; }
  // The number of exchanges the scheme needs.
  virtual int Steps() const = 0;

  // Starts over: retry count and step back to 0; the parameters stay.
  void Reset();

  // The credential text of the header line; answering counts as a step.
  std::string Authentication();

 protected:
  virtual std::string CredentialText() const = 0;

 private:
  TIdHeaderList params_;
  int authRetries_ = 0;
  int currentStep_ = 0;
};

class TIdBasicAuthentication : public TIdAuthentication {
 public:
  const std::string& Realm() const { return realm_; }
  void SetRealm(std::string value) { realm_ = std::move(value); }

  int Steps() const override { return 1; }

 protected:
  // "Basic " and the Base64 form of user name, ":" and password.
  std::string CredentialText() const override;

 private:
  std::string realm_;
};

// The scheme word of a challenge: its text before the first blank.
std::string AuthenticationScheme(std::string_view challenge);
// A new credential object for a registered scheme (compared without regard to case), or
// nullptr. "Basic" is the only one.
std::unique_ptr<TIdAuthentication> CreateAuthentication(std::string_view scheme);
// A credential object for the first challenge whose scheme is registered, or nullptr.
std::unique_ptr<TIdAuthentication> CreateAuthenticationForChallenges(const TStringList& challenges);
