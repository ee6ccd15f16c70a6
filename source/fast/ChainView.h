#pragma once
// Plain pointers into one channel chain's blocks, networks and oversampling filters: what the
// vector chain steps (ChainKernel.h) read and write. Built on the calling thread from the chain's
// own members (prepare), so the step code needs no accessor of the circuit or filter classes and can
// be compiled once per instruction set without sharing any out-of-line function with the rest.
#include <cstdint>

#include "dsp/ForceInline.h"

#include "fast/NetworkLayout.h"
#include "fast/RunningStatistics.h"
#include "fast/net_node_eigen.h"

namespace ravlin {

/// A fixed-size column-major matrix (Eigen's default storage) read in place.
template <int Rows, int Cols>
struct MatrixView
{
    const double* d = nullptr;
    RAVLIN_FORCE_INLINE double operator()(int r, int c) const noexcept { return d[c * Rows + r]; }
};

/// The coefficient matrices a block step reads (BlockStepFormulas.h), each as a view M<Rows, Cols>:
/// one chain's matrices in place (MatrixView) or two chains' interleaved per lane (StereoLanes.h).
template <template <int, int> class M, int NX, int NU, int NV, int NI>
struct StepCoefficients
{
    M<NV, NX> G;
    M<NV, NU> H;
    M<NX, NX> A;
    M<NX, NU> B;
    M<NX, NI> C;
    M<1, NX> D;
    M<1, NU> E;
    M<1, NI> F;
};

template <int NX, int NU, int NV, int NI>
struct BlockView : StepCoefficients<MatrixView, NX, NU, NV, NI>
{
    double* x = nullptr;
    double* u = nullptr;
    double* p = nullptr;
    double* i = nullptr;
    double* y = nullptr;
    double* z = nullptr; ///< the block's networkInput
    const double* projection = nullptr;
    const std::uint8_t* featureEnabled = nullptr;
    unsigned componentCount = 0;
    bool projectionEnabled = false;
    const NetworkLayout* layouts = nullptr; ///< the selected position's networks, as layouts
    net_node_eigen* networks = nullptr;     ///< the same networks as records
    net_node_eigen** lastNetwork = nullptr; ///< the block's lastNetwork (region search)
    unsigned networkCount = 0;
};

/// One oversampling factor's interpolator and decimator.
struct OversamplerView
{
    double* upHistory = nullptr;
    std::uint16_t* upWrite = nullptr;
    std::uint16_t* upRow = nullptr;
    const double* upCoefficients = nullptr;
    unsigned upMask = 0;
    double* downHistory = nullptr;
    std::uint16_t* downWrite = nullptr;
    std::uint16_t* downRow = nullptr;
    const double* downCoefficients = nullptr;
    unsigned downMask = 0;
};

class ChannelChain;

/// Which parts of two chains are equal, so that one vector evaluation serves both lanes.
struct PairSharing
{
    static constexpr int maxRegionNetworks = 16;
    bool projection[3] = {};             ///< blocks 1 to 3
    bool network[4] = {};                ///< the network of blocks 1, 2, 4 (index 2 unused)
    bool region[maxRegionNetworks] = {}; ///< block 3's networks of the position, one by one
};

/// Both chains' coefficients interleaved per lane, and what they share; rebuilt when either chain
/// changes (see refreshStereoPair).
struct StereoPair
{
    static constexpr int coefficientCount = 2 * (94 + 104 + 40 + 38);
    alignas(16) double storage[coefficientCount] = {};
    const double* coefficients[4] = {};
    PairSharing sharing;
    const void* partner = nullptr;
    std::uint64_t leftGeneration = ~std::uint64_t(0);
    std::uint64_t rightGeneration = ~std::uint64_t(0);
};

struct ChainView
{
    BlockView<5, 2, 4, 4> b1;
    BlockView<5, 3, 4, 4> b2;
    BlockView<2, 2, 4, 4> b3;
    BlockView<3, 2, 2, 2> b4;
    RunningStatistics* statistics = nullptr;
    OversamplerView oversamplers[4]; ///< factors 2, 4, 8, 16
    ChannelChain* chain = nullptr;   ///< for the recovery from a non-finite output
    bool active = false;
    std::uint64_t generation = 0; ///< the chain's generation this view was prepared at
    StereoPair pair;              ///< lockstep data when this chain is the left lane
};

/// Puts every block of the chain back at its stored operating point (after a non-finite output).
void recoverChain(ChannelChain& chain) noexcept;
/// The left view's pair data for lockstep with `right`, rebuilt only when either chain changed since.
const StereoPair& refreshStereoPair(ChainView& left, const ChainView& right) noexcept;

} // namespace ravlin
