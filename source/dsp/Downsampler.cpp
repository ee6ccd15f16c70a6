#include "dsp/Downsampler.h"

#include "dsp/PrototypeFilters.h"

namespace ravlin {

Downsampler::Downsampler(unsigned factor)
{
    const std::vector<double> h = prototypeFor(factor); // rejects unsupported factors first
    const unsigned n = static_cast<unsigned>(h.size());
    mask = static_cast<std::uint16_t>(n - 1u);
    writeIndex = mask;
    row = mask;
    history = Ring::Zero(n);
    coefficients.resize(n, n);
    for (unsigned r = 0; r < n; ++r)
        for (unsigned m = 0; m < n; ++m)
            coefficients(r, m) = h[(r + n - 1u - m) & mask];
}

} // namespace ravlin
