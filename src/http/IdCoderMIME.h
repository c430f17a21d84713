#pragma once
// Base64 with the standard alphabet and "=" fill, on one line.

#include <string>
#include <string_view>

class TIdEncoderMIME {
 public:
  static std::string EncodeString(std::string_view bytes);
};
