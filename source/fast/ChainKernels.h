#pragma once
// The block loops of the vector chain step, one table per instruction set. The table is chosen
// once, at first use: the AVX2 build where the processor has AVX2, the baseline x86-64 build
// otherwise. Every table gives the same samples as the scalar chain, bit for bit.
#include "fast/ChainView.h"

namespace ravlin {

struct ChainKernels
{
    /// n samples in place: float → double × inputGain → chain at the factor → × outputGain → float.
    using Mono = void (*)(ChainView&, float*, int, double, double) noexcept;
    /// n base-rate doubles through the chain at the factor, no gains.
    using MonoDouble = void (*)(ChainView&, const double*, double*, int) noexcept;
    /// Two channels in lockstep, one vector lane each; same contract as Mono per channel.
    using Stereo = void (*)(ChainView&, ChainView&, float*, float*, int, double, double) noexcept;
    using StereoDouble = void (*)(ChainView&, ChainView&, const double*, const double*, double*, double*, int) noexcept;

    const char* name;
    Mono mono[5]; ///< factors 1, 2, 4, 8, 16
    MonoDouble monoDouble[5];
    Stereo stereo[5];
    StereoDouble stereoDouble[5];
};

/// Factor 1, 2, 4, 8, 16 → table index 0..4.
constexpr int factorSlot(unsigned factor) noexcept
{
    return factor == 1 ? 0 : factor == 2 ? 1 : factor == 4 ? 2 : factor == 8 ? 3 : 4;
}

/// The baseline x86-64 build (always present).
const ChainKernels& baselineChainKernels() noexcept;
/// The AVX2 build, or null when this build has none or the processor lacks AVX2.
const ChainKernels* avx2ChainKernels() noexcept;
/// The table the chains use: AVX2 when available, else baseline. Chosen once.
const ChainKernels& chainKernels() noexcept;

} // namespace ravlin
