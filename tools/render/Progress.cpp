// SPDX-License-Identifier: GPL-3.0-or-later
#include "Progress.h"

namespace pomelu::tools
{

namespace
{
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::FILE* out, bool on, std::int64_t totalWork)
    : stream(out), enabled(on && out != nullptr && totalWork > 0), total(totalWork)
{
}

ProgressBar::~ProgressBar()
{
    abandon();
}

void ProgressBar::update(std::int64_t done)
{
    if (!enabled)
        return;
    if (done > total)
        done = total;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent != lastPercent)
        draw(percent);
}

void ProgressBar::finish()
{
    if (!enabled)
        return;
    if (lastPercent != 100)
        draw(100);
    std::fputc('\n', stream);
    std::fflush(stream);
    open = false;
    enabled = false;
}

void ProgressBar::abandon()
{
    if (!enabled || !open)
        return;
    std::fputs("\r\033[K", stream);
    std::fflush(stream);
    open = false;
    enabled = false;
}

void ProgressBar::draw(int percent)
{
    char bar[kBarWidth + 1];
    const int filled = percent * kBarWidth / 100;
    for (int i = 0; i < kBarWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[kBarWidth] = '\0';
    std::fprintf(stream, "\rrendering [%s] %3d%%", bar, percent);
    std::fflush(stream);
    lastPercent = percent;
    open = true;
}

} // namespace pomelu::tools
