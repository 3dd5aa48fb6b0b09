// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Errors.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pomelu::tools
{

// A command line split into options (in order) and positional arguments.
struct CommandLine
{
    struct Option
    {
        std::string name;  // "--set"
        std::string value; // empty for a flag
        bool isFlag = false;
    };
    std::vector<Option> options;
    std::vector<std::string> positional;
};

// Splits arguments (without argv[0]): "--name value" and "--name=value" for the options in
// valueOptions, bare flags for those in flags ("-h" included), "--" ends the options, and "-" or
// any argument not starting with '-' is positional. Throws ToolError (usage) for an unknown option,
// a missing value and a value given to a flag.
CommandLine splitCommandLine(const std::vector<std::string>& arguments,
                             std::initializer_list<std::string_view> valueOptions,
                             std::initializer_list<std::string_view> flags);

// Stores the value of an option that may be given once; throws ToolError (usage) the second time.
template <class T> void setOnce(std::optional<T>& slot, T value, const std::string& option)
{
    if (slot)
        throwUsageError(option + " given more than once");
    slot = std::move(value);
}

// What --version prints: "<program> (Pomelu Rarorud Izad) <version>", then the copyright and
// licence lines.
std::string versionText(const std::string& program);

// Runs body and returns its exit status. A ToolError ends it with its status and one line
// "program: message" on err; running out of memory or any other exception with status 1.
int runReportingErrors(const char* program, std::ostream& err, const std::function<int()>& body);

} // namespace pomelu::tools
