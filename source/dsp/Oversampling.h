#pragma once
// One base-rate sample through the factor-L oversampled path around any per-sample step.
#include <utility>

#include "dsp/Downsampler.h"
#include "dsp/Upsampler.h"

namespace ravlin {

/// Interpolates x by L with `up`, runs `step` (double -> double, e.g. a channel chain's
/// processSample) once per oversampled sample, decimates the results with `down` and returns the
/// base-rate output. `up` and `down` must be the filter pair built for the same factor L. The path
/// delays the signal by 15 base-rate samples for every factor. Allocates nothing and has no branch
/// on the data; noexcept whenever `step` is.
template <unsigned L, class Step>
double processOversampled(Upsampler& up, Downsampler& down, double x,
                          Step&& step) noexcept(noexcept(std::declval<Step&>()(0.0)))
{
    static_assert(L == 2 || L == 4 || L == 8 || L == 16, "oversampling factor must be 2, 4, 8 or 16");
    up.push(x);
    for (unsigned p = 0; p < L; ++p)
        down.push(step(up.next()));
    // Only the output after the last phase is formed; the other L - 1 decimator outputs are skipped.
    return down.output();
}

} // namespace ravlin
