#include "platform/win32/wide_text.h"

#include "platform/win32/windows_api.h"
#include "rtl/ansi.h"

namespace platform::win32 {

std::wstring WideFromAnsi(std::string_view ansi) {
  const std::string utf8 = AnsiToUtf8(ansi);
  if (utf8.empty()) return {};
  const int length = static_cast<int>(utf8.size());
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wideLength);
  return wide;
}

}  // namespace platform::win32
