#include "dsp/Upsampler.h"

#include "dsp/PrototypeFilters.h"

namespace ravlin {

Upsampler::Upsampler(unsigned factor)
{
    const std::vector<double> h = prototypeFor(factor); // rejects unsupported factors first
    const unsigned rows = historyLength * factor;
    rowMask = static_cast<std::uint16_t>(rows - 1u);
    row = rowMask;
    coefficients.resize(rows, historyLength);
    for (unsigned j = 0; j < historyLength; ++j)
        for (unsigned p = 0; p < factor; ++p)
            for (unsigned m = 0; m < historyLength; ++m)
                coefficients(factor * j + p, m) =
                    factor * h[p + factor * ((j + historyLength - 1u - m) & (historyLength - 1u))];
}

} // namespace ravlin
