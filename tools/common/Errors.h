// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace pomelu::tools
{

// Exit codes of pomelu-render.
inline constexpr int kExitOk = 0;
inline constexpr int kExitIoError = 1;    // a file cannot be read or written, or holds something unusable
inline constexpr int kExitUsageError = 2; // the command line names or values something wrong

// The one error type of the renderer: a one-line message (without the program prefix) and the exit
// code it ends the program with. Thrown by the command-line layers only, never from processing.
class ToolError : public std::runtime_error
{
public:
    ToolError(int exitCode, const std::string& message) : std::runtime_error(message), code(exitCode) {}
    int exitCode() const noexcept { return code; }

private:
    int code;
};

[[noreturn]] inline void throwUsageError(const std::string& message)
{
    throw ToolError(kExitUsageError, message);
}

[[noreturn]] inline void throwIoError(const std::string& message)
{
    throw ToolError(kExitIoError, message);
}

} // namespace pomelu::tools
