#pragma once
// One network rearranged for vector evaluation, prepared once when a model file loads (control
// thread) and read-only afterwards. The evaluation it serves gives exactly the results of the scalar
// evaluateBipolar / evaluateUnipolar: every hidden unit's sum keeps its input order starting from
// the bias, every output's sum keeps its hidden order starting from the bias; only the order in
// which independent sums are formed changes, and terms whose weight is exactly zero at either end of
// an output's hidden range are left out.
//
// Layout (all sizes from the file; `lanes` is a compile-time width that fits both 2- and 4-wide
// vectors):
// - Hidden units in groups of `lanes`, input-major inside a group: weight of input k to the group's
//   unit j at hiddenWeights[(g * inputCount + k) * lanes + j]. Only units that feed a used output
//   are kept; the group tail holds idle units whose weights and bias are zero.
// - Output weights hidden-major, one lane per used output: outputWeights[s * lanes + u] is the
//   weight that step s adds to used output u. Two forms:
//   * shared: every used output reads the same run of hidden units (blocks whose units serve every
//     output). Step s reads hidden unit s of the kept order, broadcast to all lanes.
//   * split: the used outputs read disjoint runs (units fitted per output). Hidden units are
//     interleaved so that group s holds the s-th unit of every output's run, and step s reads group
//     s as a whole vector. A run shorter than the longest is padded with idle units whose product
//     is exactly -0, which leaves any sum unchanged.
// - Outputs no slot uses are not computed; `slot[u]` is the caller's slot that used output u fills.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "fast/net_node_eigen.h"

namespace ravlin {

struct NetworkLayout
{
    static constexpr int lanes = 4;
    static constexpr int maxInputs = 4;
    static constexpr int maxOutputs = 4;

    enum class OutputForm : std::uint8_t
    {
        shared,
        split
    };

    int inputCount = 0;
    int groupCount = 0;  ///< hidden groups of `lanes` units
    int outputSteps = 0; ///< steps of the output sums
    int usedOutputs = 0; ///< outputs that reach a slot, 0..4
    OutputForm form = OutputForm::shared;
    double hiddenGain = 0.0;
    double outputGain = 0.0;
    double clampLow = -1.0;                ///< -1 bipolar, 0 unipolar
    const double* hiddenWeights = nullptr; ///< groupCount × inputCount × lanes
    const double* hiddenBias = nullptr;    ///< groupCount × lanes
    const double* outputWeights = nullptr; ///< outputSteps × lanes
    alignas(32) double outputBias[lanes] = {};
    alignas(32) double outputScale[lanes] = {};
    alignas(32) double outputMin[lanes] = {};
    double regionLow[maxInputs] = {};
    double regionHigh[maxInputs] = {};
    std::uint8_t slot[maxOutputs] = {};
};

/// The layouts of every network of a block, in the order of its network records, with one aligned
/// store for all their weights. Built on the control thread; the audio thread only reads it.
class NetworkLayouts
{
public:
    /// `slotMaps[n]` lists, for network n, the caller's slot of each output the evaluation writes
    /// (output m goes to slotMaps[n][m]; outputs beyond the list are unused). `unipolar` selects the
    /// [0, 1] clamp. Throws std::bad_alloc.
    void build(const std::vector<net_node_eigen>& networks, const std::vector<std::vector<std::uint8_t>>& slotMaps,
               bool unipolar);

    const NetworkLayout* data() const noexcept { return layouts.data(); }
    std::size_t size() const noexcept { return layouts.size(); }
    const NetworkLayout& operator[](std::size_t n) const noexcept { return layouts[n]; }
    void swap(NetworkLayouts& other) noexcept
    {
        layouts.swap(other.layouts);
        store.swap(other.store);
    }

private:
    struct Store
    {
        double* values = nullptr;
        Store() = default;
        Store(const Store&) = delete;
        Store& operator=(const Store&) = delete;
        ~Store();
        void swap(Store& other) noexcept { std::swap(values, other.values); }
    };

    std::vector<NetworkLayout> layouts;
    Store store;
};

/// Slot map of a bipolar network: enabled slots (flag 1) receive outputs 0, 1, … in order.
std::vector<std::uint8_t> bipolarSlotMap(const std::int32_t* outputFlags, unsigned slotCount);
/// Slot map of a unipolar network: output q to slot q for every slot.
std::vector<std::uint8_t> unipolarSlotMap(unsigned slotCount);

} // namespace ravlin
