// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>

namespace pomelu::tools
{

// A one-line "[#####.....]  48%" bar redrawn in place with '\r'. Silent when disabled (stderr is not a
// terminal) or when the total is unknown. Draws only when the whole percentage changes.
class ProgressBar
{
public:
    ProgressBar(std::FILE* stream, bool enabled, std::int64_t total);
    ~ProgressBar();

    void update(std::int64_t done);
    // Draws 100 % and ends the line; called once the work is complete.
    void finish();
    // Clears the bar without claiming completion (on an error).
    void abandon();

private:
    void draw(int percent);

    std::FILE* stream;
    bool enabled;
    std::int64_t total;
    int lastPercent = -1;
    bool open = false;
};

} // namespace pomelu::tools
