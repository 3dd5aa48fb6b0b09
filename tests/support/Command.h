// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pomelu::test
{

// What a shell command printed on stdout (add 2>&1 for stderr too). Its exit status goes to
// *status when given (-1 when it could not run or did not exit).
std::string commandOutput(const std::string& command, int* status = nullptr);

// A path quoted for the shell.
std::string shellQuoted(const std::string& path);

} // namespace pomelu::test
