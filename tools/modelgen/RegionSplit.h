#pragma once
// Block 3's networks each serve a range of the first network input. The ranges are cut
// so that the middle network gets its equal share of the training data centred on the
// resting input, away from any cut, and the networks on either side share the rest.
#include <vector>

#include "Trainer.h"

namespace ravlin::modelgen {

/// Region bounds beyond every input (as single precision, the file's type).
constexpr double kUnbounded = 3.4028234663852886e38;

/// Cuts along the first input (ascending, regions - 1 of them, single-precision
/// values): the middle region holds 1/regions of the data, centred (by share) on the
/// resting input `rest` as far as the side regions keep at least half a share each;
/// the regions on each side split their side's data evenly. Small signals then stay inside one
/// network: a cut near the resting point makes a quiet signal cross between two
/// networks every cycle, and the small step where they meet becomes an error at the
/// signal's own rate.
std::vector<double> regionCuts(const Dataset& data, int regions, double rest);

/// The pairs (with their weights) whose first input lies in (lo, hi), widened by `pad`
/// at each bounded side so that neighbouring networks agree where they meet.
Dataset regionData(const Dataset& data, double lo, double hi, double pad);

} // namespace ravlin::modelgen
