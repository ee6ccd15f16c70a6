#pragma once
// The four preamp blocks in series, each stepped with the Newton solve of its port equations:
// the circuit truth that the trained networks imitate. Offline only (analysis, plots, the
// network-vs-Newton benchmark); a step costs several triode evaluations per block.
#include "circuit/BlockModels.h"
#include "circuit/OperatingPoint.h"
#include "circuit/ReferenceSolver.h"

namespace ravlin::render {

class ReferencePreamp
{
public:
    /// Blocks at `sampleRate` Hz with Gain position `gain` (0..16) and tone index `tone`
    /// (Treble*225 + Bass*15 + Middle), settled at their DC operating points.
    ReferencePreamp(double sampleRate, unsigned gain, unsigned tone)
        : b1(sampleRate), b2(sampleRate), b3(sampleRate), b4(sampleRate)
    {
        b1.model.setPotPosition(gain);
        b1.model.computeCoefficients();
        b2.model.setPotPosition(gain);
        b2.model.computeCoefficients();
        b4.model.setPotPosition(tone);
        b4.model.computeCoefficients();
        findOperatingPoint(b1.model);
        findOperatingPoint(b2.model);
        findOperatingPoint(b3.model);
        findOperatingPoint(b4.model);
        // Block 4's input is V3's plate, a DC-coupled voltage near 200 V: let the chain settle
        // with no signal until every coupling and tone-stack capacitor has charged.
        const auto settle = static_cast<long>(sampleRate * 0.5);
        for (long n = 0; n < settle; ++n)
            step(0.0);
        restOutput = step(0.0);
    }

    /// One sample through blocks 1 to 4: input volts at the guitar jack, output volts at the
    /// Treble wiper (including its DC rest value).
    double step(double input) noexcept { return b4.step(b3.step(b2.step(b1.step(input)))); }

    /// Output at rest (no input), volts; subtract it for the signal part.
    double rest() const noexcept { return restOutput; }

    /// Steps whose Newton solve did not converge, over all blocks.
    long failures() const noexcept { return b1.failures + b2.failures + b3.failures + b4.failures; }

    ReferenceBlock<Block1Circuit> b1;
    ReferenceBlock<Block2Circuit> b2;
    ReferenceBlock<Block3Circuit> b3;
    ReferenceBlock<Block4Circuit> b4;

private:
    double restOutput = 0.0;
};

} // namespace ravlin::render
