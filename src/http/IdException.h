#pragma once
// The HTTP client's exception family. Every failure of the client is one of these, with a fixed
// English message.

#include <cstdint>
#include <string>

#include "rtl/sysutils.h"

DECLARE_EXCEPTION(EIdException, Exception);

DECLARE_EXCEPTION(EIdURIException, EIdException);
DECLARE_EXCEPTION(EIdUnknownProtocol, EIdException);
DECLARE_EXCEPTION(EIdIOHandlerPropInvalid, EIdException);

DECLARE_EXCEPTION(EIdConnClosedGracefully, EIdException);
DECLARE_EXCEPTION(EIdReadLnMaxLineLengthExceeded, EIdException);
DECLARE_EXCEPTION(EIdReadTimeout, EIdException);
DECLARE_EXCEPTION(EIdNotConnected, EIdException);
DECLARE_EXCEPTION(EIdAlreadyConnected, EIdException);
DECLARE_EXCEPTION(EIdInvalidSocket, EIdException);
DECLARE_EXCEPTION(EIdCouldNotBindSocket, EIdException);
DECLARE_EXCEPTION(EIdClosedSocket, EIdException);
DECLARE_EXCEPTION(EIdInvalidIPAddress, EIdException);
DECLARE_EXCEPTION(EIdNotEnoughDataInBuffer, EIdException);
DECLARE_EXCEPTION(EIdStackInitializationFailed, EIdException);
DECLARE_EXCEPTION(EIdWS2StubError, EIdException);

// A socket call failed: "Socket Error # %d\r\n%s" with the Windows socket error number.
class EIdSocketError : public EIdException {
 public:
  EIdSocketError(int lastError, std::string message)
      : EIdException(std::move(message)), lastError_(lastError) {}
  const char* ClassName() const noexcept override { return "EIdSocketError"; }
  int LastError() const noexcept { return lastError_; }

 private:
  int lastError_;
};

// A status the client does not accept: the message is the status line as received.
class EIdHTTPProtocolException : public EIdException {
 public:
  EIdHTTPProtocolException(std::string statusLine, int errorCode, std::string errorMessage)
      : EIdException(std::move(statusLine)),
        errorCode_(errorCode),
        errorMessage_(std::move(errorMessage)) {}
  const char* ClassName() const noexcept override { return "EIdHTTPProtocolException"; }
  int ErrorCode() const noexcept { return errorCode_; }
  // The body of the error response.
  const std::string& ErrorMessage() const noexcept { return errorMessage_; }

 private:
  int errorCode_;
  std::string errorMessage_;
};
