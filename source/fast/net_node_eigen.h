#pragma once
// One trained network in evaluation form: one softsign hidden layer, a clamped output layer mapped
// back to amperes. The input normalisation is folded into the first layer by setRanges(), so the
// evaluation takes raw port voltages. Built on the reconfiguring thread, evaluated on the audio thread.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ravlin {

struct alignas(16) net_node_eigen
{
    double* outputWeights = nullptr; ///< outputCount × hiddenCount, row o: weights into output o
    double* hiddenWeights = nullptr; ///< hiddenCount × inputCount, row h: weights into hidden unit h
    std::uint8_t hiddenCount = 0;
    std::uint8_t inputCount = 0;
    std::uint8_t outputCount = 0;
    std::uint8_t slotCount = 0; ///< output slots written to the caller's array; 0 until built
    double hiddenLayerGain = 0.0;
    double outputLayerGain = 0.0;
    const std::uint8_t* slotEnabled = nullptr; ///< 1 = slot written; bytes owned by the block
    double* hiddenBias = nullptr;
    double* hiddenOut = nullptr; ///< scratch of the last evaluation
    double* outputBias = nullptr;
    double* outputValue = nullptr; ///< scratch of the last evaluation (clamped)
    double* regionHigh = nullptr;
    double* regionLow = nullptr;
    double* outputMax = nullptr;
    double* outputMin = nullptr;
    double* outputScale = nullptr;

    net_node_eigen() = default;
    net_node_eigen(const net_node_eigen&) = delete;
    net_node_eigen& operator=(const net_node_eigen&) = delete;
    net_node_eigen(net_node_eigen&& other) noexcept;
    net_node_eigen& operator=(net_node_eigen&& other) noexcept;
    ~net_node_eigen();

    /// Frees the arrays (one 16-byte-aligned block holding all eleven, each array 16-byte aligned).
    void release() noexcept;

private:
    friend void allocate(net_node_eigen&, unsigned, unsigned, unsigned, double, double);
    void* storage = nullptr;
};

/// Stores the counts and gains and allocates the eleven arrays (zero-filled); slotCount becomes 0.
/// Counts must be 1..255. Throws std::bad_alloc when memory runs out.
void allocate(net_node_eigen& record, unsigned inputCount, unsigned outputCount, unsigned hiddenCount,
              double hiddenLayerGain, double outputLayerGain);

/// Copies the region and output ranges and folds x' = 2(x − lo)/(hi − lo) − 1 into the first layer
/// (an input with hi = lo counts as −1). Call after the weights are stored. A scale below 1e-8 (as
/// single precision) on a non-empty output range is raised to that floor.
void setRanges(net_node_eigen& record, const double* regionLow, const double* regionHigh, const double* inputMin,
               const double* inputMax, const double* outputMin, const double* outputMax);

/// Copies weights in file order: per hidden unit its inputCount weights then its bias; then per
/// output its hiddenCount weights then its bias.
void storeWeights(net_node_eigen& record, const double* weights) noexcept;

/// Builds a complete record from vectors (weights in file order, ranges as in setRanges), for tools
/// that must evaluate a network exactly as the run-time does. slotEnabled is left to the caller.
void buildNetwork(net_node_eigen& record, unsigned inputCount, unsigned outputCount, unsigned hiddenCount,
                  double hiddenLayerGain, double outputLayerGain, const std::vector<double>& weights,
                  const std::vector<double>& regionLow, const std::vector<double>& regionHigh,
                  const std::vector<double>& inputMin, const std::vector<double>& inputMax,
                  const std::vector<double>& outputMin, const std::vector<double>& outputMax);

namespace detail {
inline void evaluateLayers(net_node_eigen& n, const double* x, double low) noexcept
{
    const unsigned ni = n.inputCount, nh = n.hiddenCount, no = n.outputCount;
    for (unsigned h = 0; h < nh; ++h)
    {
        const double* w = n.hiddenWeights + h * ni;
        double s = n.hiddenBias[h];
        for (unsigned k = 0; k < ni; ++k)
            s += x[k] * w[k];
        const double t = n.hiddenLayerGain * s;
        n.hiddenOut[h] = t / ((t < 0.0 ? -t : t) + 1.0);
    }
    for (unsigned o = 0; o < no; ++o)
    {
        const double* w = n.outputWeights + o * nh;
        double s = n.outputBias[o];
        for (unsigned h = 0; h < nh; ++h)
            s += n.hiddenOut[h] * w[h];
        const double v = n.outputLayerGain * s;
        n.outputValue[o] = v < low ? low : (v > 1.0 ? 1.0 : v);
    }
}
} // namespace detail

/// Blocks 1 to 3: outputs clamped to [−1, 1]; enabled slots receive network outputs 0, 1, … in
/// order, disabled slots keep their contents.
inline void evaluateBipolar(net_node_eigen& n, const double* x, double* out) noexcept
{
    detail::evaluateLayers(n, x, -1.0);
    unsigned m = 0;
    for (unsigned q = 0; q < n.slotCount; ++q)
    {
        if (n.slotEnabled[q] == 1)
        {
            out[q] = n.outputScale[m] * n.outputValue[m] + n.outputMin[m];
            ++m;
        }
    }
}

/// Block 4: outputs clamped to [0, 1]; every slot is written, the enable bytes are not consulted.
inline void evaluateUnipolar(net_node_eigen& n, const double* x, double* out) noexcept
{
    detail::evaluateLayers(n, x, 0.0);
    for (unsigned q = 0; q < n.slotCount; ++q)
        out[q] = n.outputScale[q] * n.outputValue[q] + n.outputMin[q];
}

} // namespace ravlin
