#pragma once
// A one-line progress bar on a terminal (stderr), redrawn at most a hundred times per run.
// Prints nothing when stderr is not a terminal or when disabled.
#include <cstdio>

namespace ravlin::render {

class ProgressBar
{
public:
    explicit ProgressBar(bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    /// done of total units finished.
    void update(long long done, long long total);
    /// Clears the line (call before printing anything else).
    void finish();

private:
    bool active = false;
    int lastPercent = -1;
};

} // namespace ravlin::render
