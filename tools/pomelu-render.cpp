// SPDX-License-Identifier: GPL-3.0-or-later
// pomelu-render: runs an audio file through Pomelu Rarorud Izad offline. See --help.
#include "PomeluEffect.h"
#include "RenderSession.h"
#include "TemporaryFiles.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    pomelu::tools::installInterruptCleanup();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const pomelu::tools::ToolEnvironment environment{
        std::cout, std::cerr, stderr, ::isatty(STDERR_FILENO) == 1, pomelu::tools::makePomeluEffect};
    const int status = pomelu::tools::runRenderTool(arguments, environment);
    std::cout.flush();
    return status;
}
