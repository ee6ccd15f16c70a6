// The lockstep data of two chains: coefficients interleaved per lane and the parts the two chains
// share. Rebuilt on the audio thread at the start of a stereo block, only after either chain changed
// (a selection, a load, a rate change); allocation-free.
#include <cstring>

#include "fast/ChainView.h"

namespace ravlin {

namespace {

template <int R, int C>
double* interleave(const MatrixView<R, C>& left, const MatrixView<R, C>& right, double* at) noexcept
{
    for (int n = 0; n < R * C; ++n)
    {
        at[2 * n] = left.d[n];
        at[2 * n + 1] = right.d[n];
    }
    return at + 2 * R * C;
}

template <class View>
double* interleaveBlock(const View& l, const View& r, double* at) noexcept
{
    at = interleave(l.G, r.G, at);
    at = interleave(l.H, r.H, at);
    at = interleave(l.A, r.A, at);
    at = interleave(l.B, r.B, at);
    at = interleave(l.C, r.C, at);
    at = interleave(l.D, r.D, at);
    at = interleave(l.E, r.E, at);
    return interleave(l.F, r.F, at);
}

bool sameValues(const double* a, const double* b, std::size_t n) noexcept
{
    return n == 0 || std::memcmp(a, b, n * sizeof(double)) == 0;
}

/// Equal in every value the evaluation reads, bit for bit.
bool sameNetwork(const NetworkLayout& a, const NetworkLayout& b) noexcept
{
    if (a.inputCount != b.inputCount || a.groupCount != b.groupCount || a.outputSteps != b.outputSteps
        || a.usedOutputs != b.usedOutputs || a.form != b.form)
        return false;
    if (!sameValues(&a.hiddenGain, &b.hiddenGain, 1) || !sameValues(&a.outputGain, &b.outputGain, 1)
        || !sameValues(&a.clampLow, &b.clampLow, 1))
        return false;
    const std::size_t lanes = NetworkLayout::lanes;
    const std::size_t groups = static_cast<std::size_t>(a.groupCount);
    return sameValues(a.outputBias, b.outputBias, lanes) && sameValues(a.outputScale, b.outputScale, lanes)
           && sameValues(a.outputMin, b.outputMin, lanes) && std::memcmp(a.slot, b.slot, sizeof a.slot) == 0
           && sameValues(a.regionLow, b.regionLow, static_cast<std::size_t>(a.inputCount))
           && sameValues(a.regionHigh, b.regionHigh, static_cast<std::size_t>(a.inputCount))
           && sameValues(a.hiddenWeights, b.hiddenWeights, groups * static_cast<std::size_t>(a.inputCount) * lanes)
           && sameValues(a.hiddenBias, b.hiddenBias, groups * lanes)
           && sameValues(a.outputWeights, b.outputWeights, static_cast<std::size_t>(a.outputSteps) * lanes);
}

template <class View>
bool sameProjection(const View& a, const View& b) noexcept
{
    if (a.projectionEnabled != b.projectionEnabled || a.componentCount != b.componentCount)
        return false;
    if (!a.projectionEnabled)
        return true;
    unsigned features = 0;
    for (int k = 0; k < 4; ++k)
    {
        if (a.featureEnabled[k] != b.featureEnabled[k])
            return false;
        features += a.featureEnabled[k] == 1 ? 1u : 0u;
    }
    return sameValues(a.projection, b.projection, static_cast<std::size_t>(a.componentCount) * features);
}

} // namespace

const StereoPair& refreshStereoPair(ChainView& left, const ChainView& right) noexcept
{
    StereoPair& pair = left.pair;
    if (pair.partner == &right && pair.leftGeneration == left.generation && pair.rightGeneration == right.generation)
        return pair;
    double* at = pair.storage;
    pair.coefficients[0] = at;
    at = interleaveBlock(left.b1, right.b1, at);
    pair.coefficients[1] = at;
    at = interleaveBlock(left.b2, right.b2, at);
    pair.coefficients[2] = at;
    at = interleaveBlock(left.b3, right.b3, at);
    pair.coefficients[3] = at;
    interleaveBlock(left.b4, right.b4, at);

    PairSharing& s = pair.sharing;
    s = PairSharing{};
    s.projection[0] = sameProjection(left.b1, right.b1);
    s.projection[1] = sameProjection(left.b2, right.b2);
    s.projection[2] = sameProjection(left.b3, right.b3);
    s.network[0] = sameNetwork(left.b1.layouts[0], right.b1.layouts[0]);
    s.network[1] = sameNetwork(left.b2.layouts[0], right.b2.layouts[0]);
    s.network[3] = sameNetwork(left.b4.layouts[0], right.b4.layouts[0]);
    if (left.b3.networkCount == right.b3.networkCount)
        for (unsigned n = 0; n < left.b3.networkCount && n < PairSharing::maxRegionNetworks; ++n)
            s.region[n] = sameNetwork(left.b3.layouts[n], right.b3.layouts[n]);
    pair.partner = &right;
    pair.leftGeneration = left.generation;
    pair.rightGeneration = right.generation;
    return pair;
}

} // namespace ravlin
