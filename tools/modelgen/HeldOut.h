#pragma once
// Choosing among candidate fits of block 2 by how the block plays, not by pointwise
// error. Fits with nearly the same error on the training pairs differ by a factor of
// ten in the error of the chain: a small error in V2's grid current is an offset at
// the grid of a high-gain stage, and the block's own states feed a pointwise error
// back. So each candidate steps the block as the run-time does, on a signal kept out
// of training, against the port solve on the same input.
#include <vector>

#include "Clouds.h"
#include "ModelData.h"

namespace ravlin::modelgen {

/// Block 2's input (block 1's output) and output, both by the port solve at 44.1 kHz,
/// over a training-like signal from a seed the clouds never use.
struct HeldOutRun
{
    unsigned gain = 0;
    std::vector<double> input, output;
    long failures = 0; ///< reference steps and operating points that did not converge
};

/// The run at Gain position `gain`, over `options.seconds`.
HeldOutRun heldOutRun(ValveSet set, unsigned gain, const CloudOptions& options);

/// Seconds of a held-out run before the error counts.
constexpr double kHeldOutSettle = 0.05;

/// ESR (sum of squared differences over sum of squared reference, after settling) of
/// block 2's output with `position`'s network. HUGE_VAL when the table has no 44.1 kHz
/// entry or the output is not finite.
double heldOutEsr(const BlockLayout& layout, const PositionData& position, const HeldOutRun& run);

} // namespace ravlin::modelgen
