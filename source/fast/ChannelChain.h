#pragma once
// One audio channel's signal path: the four preamp blocks in series (composed as a Loki scatter
// hierarchy) and one interpolator/decimator pair per oversampling factor.
//
// While any block is inactive (never loaded, or loaded but no position selected since its last
// load) processSample returns 0: a chain that is not fully configured is silent rather than
// stepping networks that belong to another file. Should the output ever be NaN or infinite (a
// network driven far outside its training range), that sample is output as 0 and every block
// returns to its stored operating point, so the chain recovers instead of staying NaN.
// Nothing on the audio thread allocates or locks.
#include <cmath>

#include <loki/HierarchyGenerators.h>
#include <loki/Typelist.h>
#include <loki/TypelistMacros.h>

#include "circuit/BlockModels.h"
#include "dsp/Downsampler.h"
#include "dsp/Upsampler.h"
#include "fast/ChainKernels.h"
#include "fast/ChainView.h"
#include "fast/FastModelEigen.h"
#include "fast/FastModelEigenWithStat.h"

namespace ravlin {

/// The unit the scatter hierarchy wraps around each block type: none, the hierarchy derives from
/// the four blocks themselves.
template <class Block>
using BareBlock = Block;

using Block1 = FastModelEigen<Block1Circuit, SolverTraits<5, 2, 4, 4, 1>, 1, 1, net_node_eigen>;
using Block2 = FastModelEigen<Block2Circuit, SolverTraits<5, 3, 4, 4, 1>, 1, 1, net_node_eigen>;
using Block3 = FastModelEigen<Block3Circuit, SolverTraits<2, 2, 4, 4, 1>, 1, 0, net_node_eigen>;
using Block4 = FastModelEigenWithStat<Block4Circuit, SolverTraits<3, 2, 2, 2, 1>, 0, 1, net_node_eigen>;
using BlockList = LOKI_TYPELIST_4(Block1, Block2, Block3, Block4);

class ChannelChain
{
public:
    /// Builds the four blocks at 44100 Hz and the eight filters; throws std::bad_alloc.
    ChannelChain();
    ChannelChain(const ChannelChain&) = delete;
    ChannelChain& operator=(const ChannelChain&) = delete;

    Block1& block1() noexcept { return static_cast<Block1&>(blocks); }
    Block2& block2() noexcept { return static_cast<Block2&>(blocks); }
    Block3& block3() noexcept { return static_cast<Block3&>(blocks); }
    Block4& block4() noexcept { return static_cast<Block4&>(blocks); }
    const Block1& block1() const noexcept { return static_cast<const Block1&>(blocks); }
    const Block2& block2() const noexcept { return static_cast<const Block2&>(blocks); }
    const Block3& block3() const noexcept { return static_cast<const Block3&>(blocks); }
    /// Block 4, whose runningStatistics the editor reads (mean(), meanSquare(): any thread).
    const Block4& block4() const noexcept { return static_cast<const Block4&>(blocks); }

    /// Reconfiguring thread. Loads a model file into block k (1..4); on failure the block keeps its
    /// previous file, networks, position and states. The block stays silent until its next selection.
    LoadResult loadModelFile(int block, const char* path);
    /// Any thread. Whether loadModelFile(block, path) would succeed now; changes nothing.
    static LoadResult checkModelFile(int block, const char* path);
    /// Reconfiguring thread. Selects a control position of block k (block 3 always takes 0).
    void selectPosition(int block, unsigned index);
    /// Reconfiguring thread. Applies the effective rate to blocks 1 to 4 in order.
    void setSampleRate(double effectiveRate);
    /// Reconfiguring thread. Re-applies the stored operating point of every selected block.
    void applyOperatingPoint();
    /// Reconfiguring thread. Starts the chain at rest: block after block, each at the rest of its
    /// own step with the resting output of the block before it as input (silence into block 1),
    /// and the oversampling filters' histories cleared. The stored operating points become those
    /// rests, so a recovery from a non-finite output returns there. Nothing when not active().
    void startAtRest() noexcept;
    /// Reconfiguring thread, around a selection that moves the rests (Gain, tone) while the chain
    /// may be playing: keepMotion() records how far every block's states are from its rest (the
    /// signal it is playing); followRests() then finds the new rests, as startAtRest does, and puts
    /// that motion back on top of them. The chain keeps playing what it played, about its new rest,
    /// instead of sliding from the old rest to the new one (a thump); the filters are left alone.
    void keepMotion() noexcept;
    void followRests() noexcept;

    /// True when all four blocks are loaded and have a selected position.
    bool active() const noexcept { return ready; }

    /// Audio thread: one step of blocks 1 to 4 at the running rate; 0 while not active().
    double processSample(double x) noexcept
    {
        if (!ready)
            return 0.0;
        Block1& b1 = block1();
        Block2& b2 = block2();
        Block3& b3 = block3();
        Block4& b4 = block4();
        b1.u[0] = x;
        b1.step();
        b2.u[0] = b1.y[0];
        b2.step();
        b3.u[0] = b2.y[0];
        b3.step();
        b4.u[0] = b3.y[0];
        b4.step();
        const double out = b4.y[0];
        if (!std::isfinite(out))
        {
            recover();
            return 0.0;
        }
        return out;
    }

    /// Audio thread: one base-rate sample through the factor-L interpolator, L chain steps and the
    /// factor-L decimator (L = 2, 4, 8 or 16).
    template <unsigned L>
    double processOversampled(double x) noexcept
    {
        static_assert(L == 2 || L == 4 || L == 8 || L == 16, "oversampling factor 2, 4, 8 or 16");
        constexpr int k = L == 2 ? 0 : L == 4 ? 1 : L == 8 ? 2 : 3;
        Upsampler& up = upsamplers[k];
        Downsampler& down = downsamplers[k];
        up.push(x);
        for (unsigned n = 0; n < L; ++n)
            down.push(processSample(up.next()));
        return down.output();
    }

    /// Audio thread: n samples in place through the vector chain step at factor L (1, 2, 4, 8, 16):
    /// samples[k] = float(step(double(samples[k]) · inputGain) · outputGain), with step the scalar
    /// processSample / processOversampled<L> bit for bit. A chain that is not active takes the
    /// scalar path (silence through the filters).
    template <unsigned L>
    void processBlock(float* samples, int n, double inputGain, double outputGain) noexcept
    {
        ChainView& v = kernelView();
        if (v.active)
        {
            chainKernels().mono[factorSlot(L)](v, samples, n, inputGain, outputGain);
            return;
        }
        for (int k = 0; k < n; ++k)
            samples[k] = static_cast<float>(scalarStep<L>(static_cast<double>(samples[k]) * inputGain) * outputGain);
    }

    /// Audio thread: both channels of a stereo block; each channel's samples equal those of its
    /// chain's processBlock. The channels run one after the other, each through its own pipelined
    /// vector step: measured side by side (ravlin-network-bench), that is faster than the lockstep
    /// step with one lane per channel (ChainKernels::stereo), which stays available and tested.
    template <unsigned L>
    static void processBlockPair(ChannelChain& left, ChannelChain& right, float* l, float* r, int n, double inputGain,
                                 double outputGain) noexcept
    {
        left.processBlock<L>(l, n, inputGain, outputGain);
        right.processBlock<L>(r, n, inputGain, outputGain);
    }

    /// The scalar reference step at factor L: processSample or processOversampled<L>.
    template <unsigned L>
    double scalarStep(double x) noexcept
    {
        if constexpr (L == 1)
            return processSample(x);
        else
            return processOversampled<L>(x);
    }

    /// The pointers the vector step works on, refreshed whenever a block has changed since.
    ChainView& kernelView() noexcept
    {
        if (view.chain == nullptr || view.generation != generation())
            prepareView();
        return view;
    }

private:
    friend void recoverChain(ChannelChain& chain) noexcept;

    void updateReady() noexcept;
    /// Audio thread: puts x, p and i of every block back at its stored operating point.
    void recover() noexcept;
    std::uint64_t generation() const noexcept
    {
        return std::uint64_t(block1().generation()) + block2().generation() + block3().generation()
               + block4().generation();
    }
    void prepareView() noexcept;

    /// Settles blocks 1 to 4 in order, each on the resting output of the one before.
    void settleBlocks() noexcept;

    Loki::GenScatterHierarchy<BlockList, BareBlock> blocks;
    /// Each block's states minus its rest, from keepMotion().
    struct Motion
    {
        decltype(Block1::x) x1;
        decltype(Block2::x) x2;
        decltype(Block3::x) x3;
        decltype(Block4::x) x4;
    } motion;
    Upsampler upsamplers[4] = {Upsampler(2), Upsampler(4), Upsampler(8), Upsampler(16)};
    Downsampler downsamplers[4] = {Downsampler(2), Downsampler(4), Downsampler(8), Downsampler(16)};
    bool ready = false;
    ChainView view;
};

} // namespace ravlin
