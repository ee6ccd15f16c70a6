#pragma once
// The sample loops: one per oversampling factor (1, 2, 4, 8, 16) and channel mode, each a tight
// loop with the factor and mode fixed at compile time. Samples are widened to double, multiplied
// by the input gain, run through the channel chain, multiplied by the output gain and narrowed
// back to float, in place. Runs on the audio thread: no allocation, no lock, no virtual call.
// The gains are read once per block. A chain type with block steps of its own (processBlock,
// processBlockPair: the vector chain) runs them; any other chain is stepped sample by sample.
#include <atomic>
#include <type_traits>

namespace ravlin::plugin {
/** Gains shared between the parameter code (any thread) and the running loop, read once per block. */
struct LoopGains
{
    std::atomic<double> input{1.0};
    std::atomic<double> output{1.0};
};

/** One chain step at the base rate: processSample at factor 1, the oversampled step otherwise. */
template <unsigned Factor, class Chain>
inline double chainStep(Chain& chain, double x) noexcept
{
    if constexpr (Factor == 1)
        return chain.processSample(x);
    else
        return chain.template processOversampled<Factor>(x);
}

template <class Chain, class = void>
struct HasBlockSteps : std::false_type
{
};
template <class Chain>
struct HasBlockSteps<
    Chain, std::void_t<decltype(&Chain::template processBlock<1>), decltype(&Chain::template processBlockPair<1>)>>
    : std::true_type
{
};

template <unsigned Factor, class Chain>
inline void processChannel(Chain& chain, float* samples, int numSamples, double inputGain, double outputGain) noexcept
{
    if constexpr (HasBlockSteps<Chain>::value)
    {
        chain.template processBlock<Factor>(samples, numSamples, inputGain, outputGain);
    }
    else
    {
        for (int i = 0; i < numSamples; ++i)
            samples[i] =
                static_cast<float>(chainStep<Factor>(chain, static_cast<double>(samples[i]) * inputGain) * outputGain);
    }
}

/** Mono: channel 0 through `left`; with at least two input channels (and two in the buffer) the
    processed channel 0 is copied over channel 1, whose own samples are discarded. A block of 0
    samples touches nothing. */
template <unsigned Factor, class Chain>
void processMono(Chain& left, float* const* channels, int numChannels, int numInputChannels, int numSamples,
                 const LoopGains& gains) noexcept
{
    if (numSamples <= 0 || numChannels < 1)
        return;
    processChannel<Factor>(left, channels[0], numSamples, gains.input.load(std::memory_order_relaxed),
                           gains.output.load(std::memory_order_relaxed));
    if (numInputChannels >= 2 && numChannels >= 2)
        for (int i = 0; i < numSamples; ++i)
            channels[1][i] = channels[0][i];
}

/** Stereo: channel 0 through `left` and channel 1 through `right`, interleaved sample by sample
    (the chains are independent, so the vector chain runs one channel's block, then the other's,
    with the same samples). A buffer with one channel (layout reduced after the loop was chosen)
    runs the mono loop. */
template <unsigned Factor, class Chain>
void processStereo(Chain& left, Chain& right, float* const* channels, int numChannels, int numInputChannels,
                   int numSamples, const LoopGains& gains) noexcept
{
    if (numChannels < 2)
    {
        processMono<Factor>(left, channels, numChannels, numInputChannels, numSamples, gains);
        return;
    }
    float* const l = channels[0];
    float* const r = channels[1];
    if (numSamples <= 0)
        return;
    const double gi = gains.input.load(std::memory_order_relaxed);
    const double go = gains.output.load(std::memory_order_relaxed);
    if constexpr (HasBlockSteps<Chain>::value)
    {
        Chain::template processBlockPair<Factor>(left, right, l, r, numSamples, gi, go);
    }
    else
    {
        for (int i = 0; i < numSamples; ++i)
        {
            l[i] = static_cast<float>(chainStep<Factor>(left, static_cast<double>(l[i]) * gi) * go);
            r[i] = static_cast<float>(chainStep<Factor>(right, static_cast<double>(r[i]) * gi) * go);
        }
    }
}
} // namespace ravlin::plugin
