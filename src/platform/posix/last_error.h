#pragma once
// The calling thread's last error in Windows numbering, shared by the POSIX implementations.

#include <cstdint>

namespace platform::posix {

std::uint32_t LastError();
void SetLastError(std::uint32_t code);

// The Windows error code that stands for an errno value.
std::uint32_t WindowsErrorOf(int errnoValue);
// SetLastError(WindowsErrorOf(errnoValue)).
void SetLastErrorFromErrno(int errnoValue);

}  // namespace platform::posix
