// SPDX-License-Identifier: GPL-3.0-or-later
// pomelu-snapshot: draws the plug-in's editor to PNG without a display. See --help.
#include "Snapshot.h"

#include <iostream>

int main(int argc, char** argv)
{
    const int status = pomelu::tools::runSnapshotTool({argv + 1, argv + argc}, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
