#include "ProgressBar.h"

#include <unistd.h>

namespace ravlin::render {

ProgressBar::ProgressBar(bool enabled) : active(enabled && isatty(fileno(stderr)) != 0) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(long long done, long long total)
{
    if (!active || total <= 0)
        return;
    const int percent = static_cast<int>(100 * done / total);
    if (percent == lastPercent)
        return;
    lastPercent = percent;
    constexpr int width = 40;
    const int filled = percent * width / 100;
    char bar[width + 1];
    for (int k = 0; k < width; ++k)
        bar[k] = k < filled ? '#' : '.';
    bar[width] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
    std::fflush(stderr);
}

void ProgressBar::finish()
{
    if (active && lastPercent >= 0)
    {
        std::fprintf(stderr, "\r%60s\r", "");
        std::fflush(stderr);
    }
    lastPercent = -1;
}

} // namespace ravlin::render
