#pragma once
// Small file helpers of the POSIX implementations. On failure they leave errno set.

#include <optional>
#include <string>

namespace platform::posix {

// The whole content of a file, read with read(2) so that /proc files come whole too.
std::optional<std::string> ReadFileBytes(const std::string& path);

// The target of a symbolic link.
std::optional<std::string> ReadLink(const std::string& path);

}  // namespace platform::posix
