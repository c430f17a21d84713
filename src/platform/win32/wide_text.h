#pragma once
// Windows-1251 texts for the wide (UTF-16) calls, so that they show the same on a system of
// any ANSI code page.

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring WideFromAnsi(std::string_view ansi);

}  // namespace platform::win32
