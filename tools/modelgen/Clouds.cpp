#include "Clouds.h"

#include <algorithm>
#include <cmath>

#include "Rng.h"
#include "circuit/ReferenceChain.h"

namespace ravlin::modelgen {

Signal trainingSignal(double sampleRate, const CloudOptions& options, std::uint64_t seed)
{
    Rng rng(seed);
    const double piece = options.seconds / 8.0;
    const double top = options.maxInput;
    Signal s;
    append(s, pluckedPhrase(sampleRate, piece, 0.05 * top, rng.next()));
    append(s, strummedChords(sampleRate, piece, 0.2 * top, rng.next()));
    append(s, pluckedPhrase(sampleRate, piece, 0.5 * top, rng.next()));
    append(s, sineSweep(sampleRate, piece, 100.0, 5000.0, 0.3 * top));
    append(s, toneBursts(sampleRate, piece, top, rng.next()));
    append(s, strummedChords(sampleRate, piece, 0.8 * top, rng.next()));
    append(s, pluckedPhrase(sampleRate, piece, top, rng.next()));
    append(s, sineSweep(sampleRate, piece, 60.0, 3000.0, top));
    return s;
}

GainClouds collectClouds(ValveSet set, unsigned gain, const CloudOptions& options)
{
    ReferenceChain chain;
    // Block 4's tone walks the tone space across the runs.
    const ChainSetting setting{set, 44100.0, gain, (gain * 211u + 7u * 225u) % 3375u};
    chain.configure(setting);
    const Signal signal =
        trainingSignal(setting.rate, options, 0x5EEDull * 131u + gain * 7919u + static_cast<unsigned>(set));
    GainClouds out;
    out.block[0].ports = out.block[1].ports = out.block[2].ports = 4;
    out.block[3].ports = 2;
    for (std::size_t n = 0; n < signal.size(); ++n)
    {
        chain.step(signal[n]);
        if (n % static_cast<std::size_t>(options.keepEvery) != 0)
            continue;
        out.block[0].add(chain.b1.model.v.data());
        out.block[1].add(chain.b2.model.v.data());
        out.block[2].add(chain.b3.model.v.data());
        out.block[3].add(chain.b4.model.v.data());
    }
    out.solveFailures = chain.failures();
    return out;
}

PortCloud thinned(const PortCloud& cloud, std::size_t stride)
{
    PortCloud out;
    out.ports = cloud.ports;
    for (std::size_t k = 0; k < cloud.size(); k += std::max<std::size_t>(1, stride))
        out.add(cloud.point(k));
    return out;
}

PortCloud withMargin(const PortCloud& cloud, std::size_t stride, int copies, double spread, std::uint64_t seed)
{
    PortCloud out = cloud;
    std::vector<double> lo(static_cast<std::size_t>(cloud.ports), HUGE_VAL),
        hi(static_cast<std::size_t>(cloud.ports), -HUGE_VAL);
    for (std::size_t k = 0; k < cloud.size(); ++k)
        for (int c = 0; c < cloud.ports; ++c)
        {
            lo[static_cast<std::size_t>(c)] = std::min(lo[static_cast<std::size_t>(c)], cloud.point(k)[c]);
            hi[static_cast<std::size_t>(c)] = std::max(hi[static_cast<std::size_t>(c)], cloud.point(k)[c]);
        }
    Rng rng(seed);
    std::vector<double> x(static_cast<std::size_t>(cloud.ports));
    for (std::size_t k = 0; k < cloud.size(); k += std::max<std::size_t>(1, stride))
        for (int copy = 0; copy < copies; ++copy)
        {
            for (int c = 0; c < cloud.ports; ++c)
                x[static_cast<std::size_t>(c)] =
                    cloud.point(k)[c]
                    + spread * (hi[static_cast<std::size_t>(c)] - lo[static_cast<std::size_t>(c)]) * rng.normal();
            out.add(x.data());
        }
    return out;
}

} // namespace ravlin::modelgen
