#include "http/IdCoderMIME.h"

#include <cstdint>

std::string TIdEncoderMIME::EncodeString(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string result;
  result.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t count = bytes.size() - i < 3 ? bytes.size() - i : 3;
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::uint32_t byte = k < count ? static_cast<unsigned char>(bytes[i + k]) : 0U;
      group = (group << 8) | byte;
    }
    for (std::size_t k = 0; k < 4; ++k) {
      // Three bytes give four characters; a short group fills the missing ones with "=".
      result += k <= count ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
  }
  return result;
}
