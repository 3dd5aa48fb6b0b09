// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pomelu::tools
{

// Half-written files that must not outlive an interrupted run. Writers register their temporary
// file while it exists; on SIGINT or SIGTERM the handler removes every registered file and ends the
// process by the same signal, so the shell sees the conventional status (130 for Ctrl-C).
// Registration is thread-safe and lock-free; the handler only calls unlink and raise.

// Returns a slot for unregisterTemporaryFile, or -1 when the path is too long or every slot is taken
// (the file is then simply not cleaned up on a signal).
int registerTemporaryFile(const std::string& path);
void unregisterTemporaryFile(int slot);

// Installs the SIGINT and SIGTERM handlers; also ignores SIGXFSZ, so writing past a file-size limit
// fails with an error (EFBIG) that the writer reports instead of killing the process.
void installInterruptCleanup();

} // namespace pomelu::tools
