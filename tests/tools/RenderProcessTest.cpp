// SPDX-License-Identifier: GPL-3.0-or-later
// The pomelu-render program as a process: interrupted by real signals and writing into a full disk.
#include "ToolTestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pomelu::tools::test;

namespace
{
struct Finished
{
    int status = 0;
    std::string err;
};

// Runs the program with arguments; fileSizeLimit > 0 caps the size of any file it writes (as a full
// disk would); when signalNumber is set it is sent once an entry starting with ".out." shows in dir.
Finished runProgram(const std::vector<std::string>& arguments, const TempDir& dir, long fileSizeLimit,
                    int signalNumber)
{
    int errPipe[2];
    EXPECT_EQ(::pipe(errPipe), 0);
    const pid_t child = ::fork();
    if (child == 0)
    {
        ::dup2(errPipe[1], STDERR_FILENO);
        ::close(errPipe[0]);
        if (fileSizeLimit > 0)
        {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv{const_cast<char*>(POMELU_RENDER_BINARY)};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(errPipe[1]);
    if (signalNumber != 0)
    {
        // Wait (bounded) for the temporary output, then interrupt the render while it writes.
        for (int i = 0; i < 6000; ++i)
        {
            bool writing = false;
            for (const std::string& name : dir.entries())
                writing = writing || name.rfind(".out.", 0) == 0;
            if (writing)
                break;
            ::usleep(5000);
        }
        ::kill(child, signalNumber);
    }
    Finished finished;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(errPipe[0], buffer, sizeof(buffer))) > 0)
        finished.err.append(buffer, static_cast<std::size_t>(n));
    ::close(errPipe[0]);
    ::waitpid(child, &finished.status, 0);
    return finished;
}
} // namespace

TEST(RenderProcess, SignalsAndAFullDiskLeaveNoFileBehind)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> options;
        long fileSizeLimit;
        int signalNumber;
    };
    const std::vector<Case> cases = {
        {"Ctrl-C while writing", {"--block", "16"}, 0, SIGINT},
        {"SIGTERM while delivering to a target", {"--block", "16", "--target", "podcast"}, 0, SIGTERM},
        {"a full disk", {}, 300000, 0},
        {"a full disk under the render kept for a target", {"--target", "podcast"}, 300000, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeAudio(dir.file("in.wav"), testProgramme(48000, 2, 20.0), SF_FORMAT_PCM_16); // 3.8 MB as float
        std::vector<std::string> arguments{dir.file("in.wav"), dir.file("out.wav")};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const Finished finished = runProgram(arguments, dir, c.fileSizeLimit, c.signalNumber);
        if (c.signalNumber != 0)
        {
            ASSERT_TRUE(WIFSIGNALED(finished.status)) << "status " << finished.status << ": " << finished.err;
            EXPECT_EQ(WTERMSIG(finished.status), c.signalNumber);
        }
        else
        {
            ASSERT_TRUE(WIFEXITED(finished.status));
            EXPECT_EQ(WEXITSTATUS(finished.status), 1);
            EXPECT_EQ(finished.err,
                      "pomelu-render: cannot write '" + dir.file("out.wav") + "': File too large\n");
        }
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});
    }
}
