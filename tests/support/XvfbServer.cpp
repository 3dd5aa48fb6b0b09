// SPDX-License-Identifier: GPL-3.0-or-later
#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace pomelu::test
{

namespace
{
// Xvfb announces its display number once it accepts connections; a loaded machine may need a while.
constexpr int kStartTimeoutMs = 20000;
} // namespace

XvfbServer::XvfbServer()
{
    int fds[2];
    if (pipe(fds) != 0)
    {
        reason = "no pipe for Xvfb";
        return;
    }
    pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0)
    {
        close(fds[0]);
        reason = "cannot start Xvfb";
        return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, kStartTimeoutMs) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (c == '\n' && !number.empty())
        displayName = ":" + number;
    else
        reason = "Xvfb is not installed or did not start (install the xvfb package)";
}

XvfbServer::~XvfbServer()
{
    if (pid > 0)
    {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

} // namespace pomelu::test
