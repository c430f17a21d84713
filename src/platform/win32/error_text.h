#pragma once
// The system's message texts, shared by the Win32 implementations.

#include <cstdint>
#include <string>

namespace platform::win32 {

// FormatMessageA with flags 0x1100 (allocated buffer, system table) and language 0x0400: the
// text unchanged, with its trailing CR LF; empty when the system has none or it needs inserts.
std::string SystemMessageText(std::uint32_t code);

}  // namespace platform::win32
