// SPDX-License-Identifier: GPL-3.0-or-later
// pomelu-standalone: the plug-in as a program, with its editor and JACK or a looped file. See --help.
#include "Standalone.h"

#include <iostream>

int main(int argc, char** argv)
{
    const int status = pomelu::tools::runStandalone({argv + 1, argv + argc}, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
