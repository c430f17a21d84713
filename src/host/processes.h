#pragma once
// The suite's running modules, and the system's texts for error codes.

#include <cstdint>
#include <string>

// Whether a process runs whose executable's file name, lower-cased (ASCII), equals `name`;
// `name` itself is compared as given, so it must be lower case. With `terminate` every such
// process is terminated with exit code 0, each failure shown in an "Error!" box, and the result
// tells whether at least one termination succeeded. Terminated processes are not waited for.
bool FindProcess(const std::string& name, bool terminate);

// The system's message for a Windows error code, with its trailing CR LF.
std::string SystemErrorText(std::uint32_t code);
