#pragma once
// Which of the ten sample loops runs: one per oversampling factor (1, 2, 4, 8, 16) and channel
// mode, chosen once per reconfiguration and called once per block through a plain function
// pointer, with the factor that goes with it and the latency hosts compensate. Before the first
// choice, a loop that leaves the buffer untouched.
#include "plugin/SampleLoops.h"

#include <string>

namespace ravlin::plugin {
/** Delay in base-rate samples added by the oversampling filters at every factor from 2 to 16. */
inline constexpr int oversamplingLatency = 15;

template <class Chain>
struct SampleLoopChoice
{
    using Loop = void (*)(Chain& left, Chain& right, float* const* channels, int numChannels, int numInputChannels,
                          int numSamples, const LoopGains& gains) noexcept;

    Loop loop = &runNothing;
    bool stereo = false;
    int factor = 1;

    /** The loop for oversampling code 0..4 (factor 1 << code); stereo only when asked for and the
        host gives two inputs. */
    static SampleLoopChoice select(int factorCode, bool stereoRequested, int numInputChannels) noexcept
    {
        static constexpr Loop mono[] = {&runMono<1>, &runMono<2>, &runMono<4>, &runMono<8>, &runMono<16>};
        static constexpr Loop both[] = {&runStereo<1>, &runStereo<2>, &runStereo<4>, &runStereo<8>, &runStereo<16>};
        const int code = factorCode < 0 || factorCode > 4 ? 0 : factorCode;
        const bool useStereo = stereoRequested && numInputChannels >= 2;
        return {useStereo ? both[code] : mono[code], useStereo, 1 << code};
    }

    /** Delay in base-rate samples that the host compensates. */
    int latency() const noexcept { return factor == 1 ? 0 : oversamplingLatency; }

    /** "processMonoX1" ... "processStereoX16". */
    std::string name() const { return (stereo ? "processStereoX" : "processMonoX") + std::to_string(factor); }

private:
    template <unsigned Factor>
    static void runMono(Chain& left, Chain&, float* const* channels, int numChannels, int numInputChannels,
                        int numSamples, const LoopGains& gains) noexcept
    {
        processMono<Factor>(left, channels, numChannels, numInputChannels, numSamples, gains);
    }
    template <unsigned Factor>
    static void runStereo(Chain& left, Chain& right, float* const* channels, int numChannels, int numInputChannels,
                          int numSamples, const LoopGains& gains) noexcept
    {
        processStereo<Factor>(left, right, channels, numChannels, numInputChannels, numSamples, gains);
    }
    static void runNothing(Chain&, Chain&, float* const*, int, int, int, const LoopGains&) noexcept {}
};
} // namespace ravlin::plugin
