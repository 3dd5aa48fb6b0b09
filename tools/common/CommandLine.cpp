// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "Errors.h"

#include <algorithm>
#include <exception>
#include <new>

namespace pomelu::tools
{

namespace
{
bool listed(std::initializer_list<std::string_view> names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}
} // namespace

CommandLine splitCommandLine(const std::vector<std::string>& arguments,
                             std::initializer_list<std::string_view> valueOptions,
                             std::initializer_list<std::string_view> flags)
{
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
        {
            line.positional.push_back(argument);
            continue;
        }
        if (argument == "--")
        {
            optionsEnded = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        const std::size_t equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos)
        {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (listed(flags, name))
        {
            if (value)
                throwUsageError(name + " takes no value");
            line.options.push_back({name, {}, true});
            continue;
        }
        if (!listed(valueOptions, name))
            throwUsageError("unknown option '" + name + "' (see --help)");
        if (!value)
        {
            if (i + 1 >= arguments.size())
                throwUsageError(name + " needs a value");
            value = arguments[++i];
        }
        line.options.push_back({name, *value});
    }
    return line;
}

std::string versionText(const std::string& program)
{
    return program + " (Pomelu Rarorud Izad) " POMELU_VERSION "\n"
                     "Copyright (C) Pomelu ZEZ\n"
                     "License GPL-3.0-or-later <https://gnu.org/licenses/gpl.html>.\n"
                     "This is free software: you are free to change and redistribute it.\n"
                     "There is NO WARRANTY, to the extent permitted by law.\n";
}

int runReportingErrors(const char* program, std::ostream& err, const std::function<int()>& body)
{
    try
    {
        return body();
    }
    catch (const ToolError& error)
    {
        err << program << ": " << error.what() << '\n';
        return error.exitCode();
    }
    catch (const std::bad_alloc&)
    {
        err << program << ": out of memory\n";
        return kExitIoError;
    }
    catch (const std::exception& error)
    {
        err << program << ": " << error.what() << '\n';
        return kExitIoError;
    }
}

} // namespace pomelu::tools
