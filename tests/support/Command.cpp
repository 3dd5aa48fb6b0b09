// SPDX-License-Identifier: GPL-3.0-or-later
#include "Command.h"

#include <cstdio>
#include <sys/wait.h>

namespace pomelu::test
{

std::string commandOutput(const std::string& command, int* status)
{
    std::string text;
    int result = -1;
    if (std::FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            text += buffer;
        const int wait = ::pclose(pipe);
        if (wait != -1 && WIFEXITED(wait))
            result = WEXITSTATUS(wait);
    }
    if (status != nullptr)
        *status = result;
    return text;
}

std::string shellQuoted(const std::string& path)
{
    std::string quoted = "'";
    for (const char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace pomelu::test
