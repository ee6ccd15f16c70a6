#include "HeldOut.h"

#include <cmath>

#include "NetworkBlock.h"
#include "circuit/ReferenceChain.h"

namespace ravlin::modelgen {

HeldOutRun heldOutRun(ValveSet set, unsigned gain, const CloudOptions& options)
{
    ReferenceChain chain;
    chain.configure(ChainSetting{set, 44100.0, gain});
    // A seed family apart from the clouds' (0x5EED...), so no phrase of training recurs.
    const Signal signal =
        trainingSignal(44100.0, options, 0xC0FFEEull * 977u + gain * 104729u + static_cast<unsigned>(set) * 7u);
    HeldOutRun run;
    run.gain = gain;
    run.input.reserve(signal.size());
    run.output.reserve(signal.size());
    for (double x : signal)
    {
        const double y1 = chain.b1.step(x);
        run.input.push_back(y1);
        run.output.push_back(chain.b2.step(y1));
    }
    run.failures = chain.b1.failures + chain.b2.failures + (chain.settled ? 0 : 1);
    return run;
}

double heldOutEsr(const BlockLayout& layout, const PositionData& position, const HeldOutRun& run)
{
    BlockFileData file;
    file.layout = layout;
    file.positions.assign(1, position);
    NetworkBlock<Block2Circuit> block;
    if (!block.configure(file, run.gain, 44100.0))
        return HUGE_VAL;
    const std::size_t settle = static_cast<std::size_t>(kHeldOutSettle * 44100.0);
    double num = 0.0, den = 0.0;
    for (std::size_t n = 0; n < run.input.size(); ++n)
    {
        const double y = block.step(run.input[n]);
        if (n < settle)
            continue;
        const double e = y - run.output[n];
        num += e * e;
        den += run.output[n] * run.output[n];
    }
    return den > 0.0 && std::isfinite(num) ? num / den : HUGE_VAL;
}

} // namespace ravlin::modelgen
