// Silence in, silence out, whatever the guitarist switches: the real processor on the shipped model
// data stays below -90 dBFS over the second after construction, a program change (Gain 0 <-> 16),
// a Gain or tone change, a valve-set switch, an Oversampling change, a host rate change and a
// recovery from a non-finite input, in both channel modes. A chain that starts away from where its networks rest plays that
// distance as a thump.
#include "plugin/RavlinPreampAudioProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace {
constexpr double kQuietDbfs = -90.0;
constexpr int kBlock = 256;

juce::File shippedModels() { return juce::File(RAVLIN_TEST_MODEL_DIR); }

bool haveModels()
{
    return shippedModels().getChildFile("ravlinpre_eh_b3_pca.dat.44100").existsAsFile()
           && shippedModels().getChildFile("ravlinpre_rsd_b3_pca.dat.48000").existsAsFile();
}

/** The plug-in's processor on the shipped data, `channels` in and out, at `rate`, program 0. */
struct Preamp
{
    std::unique_ptr<juce::AudioProcessor> base{createPluginFilter()};
    RavlinPreampAudioProcessor& p = dynamic_cast<RavlinPreampAudioProcessor&>(*base);
    int channels;

    Preamp(int channelCount, double rate) : channels(channelCount)
    {
        p.setModelDirectory(shippedModels());
        p.setPlayConfigDetails(channels, channels, rate, kBlock);
        p.prepareToPlay(rate, kBlock);
        p.setCurrentProgram(0);
    }

    /** Peak of every output channel over `seconds` of digital silence, in dBFS (-inf when all zero,
        +inf when any sample is not finite). */
    double silencePeakDbfs(double seconds = 1.0, float firstSample = 0.0f)
    {
        const int total = static_cast<int>(seconds * p.getSampleRate());
        double peak = 0.0;
        juce::MidiBuffer midi;
        for (int done = 0; done < total; done += kBlock)
        {
            juce::AudioBuffer<float> b(channels, kBlock);
            b.clear();
            if (done == 0)
                for (int c = 0; c < channels; ++c)
                    b.setSample(c, 0, firstSample);
            p.processBlock(b, midi);
            for (int c = 0; c < channels; ++c)
                for (int i = 0; i < kBlock; ++i)
                {
                    const float v = b.getSample(c, i);
                    if (!std::isfinite(v))
                        return std::numeric_limits<double>::infinity();
                    peak = std::max(peak, std::fabs(static_cast<double>(v)));
                }
        }
        return peak > 0.0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
    }

    /** Program `index` with Gain `gain` (host value) and the other stored values as they are. */
    void storeGain(int index, float gain)
    {
        p.setCurrentProgram(index);
        p.setParameter(2, gain);
    }
};

class SilenceAfterChange : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        if (!haveModels())
            GTEST_FAIL() << "no model data in " << RAVLIN_TEST_MODEL_DIR
                         << " (the folder models/ comes with the source)";
    }
    /** The channel count under test; stereo also asks for the stereo loops. */
    int channels() const { return GetParam(); }
    std::unique_ptr<Preamp> preampAt(double rate)
    {
        auto a = std::make_unique<Preamp>(channels(), rate);
        if (channels() == 2)
        {
            a->p.setParameter(8, 1.0f);
            EXPECT_TRUE(a->p.getSampleLoopName().startsWith("processStereo"));
        }
        return a;
    }
};
} // namespace

TEST_P(SilenceAfterChange, AfterConstruction)
{
    for (double rate : {44100.0, 48000.0})
    {
        auto a = preampAt(rate);
        EXPECT_LT(a->silencePeakDbfs(), kQuietDbfs) << rate << " Hz";
    }
}

TEST_P(SilenceAfterChange, AfterProgramChangesBetweenGainExtremes)
{
    auto a = preampAt(44100.0);
    a->storeGain(1, 1.0f); // Gain 16
    a->storeGain(2, 0.0f); // Gain 0
    a->p.setCurrentProgram(0);
    ASSERT_LT(a->silencePeakDbfs(), kQuietDbfs);
    for (int program : {1, 2, 1, 0})
    {
        a->p.setCurrentProgram(program);
        EXPECT_LT(a->silencePeakDbfs(), kQuietDbfs) << "to program " << program;
    }
}

TEST_P(SilenceAfterChange, AfterGainAndToneChanges)
{
    auto a = preampAt(48000.0);
    ASSERT_LT(a->silencePeakDbfs(), kQuietDbfs);
    for (const auto& [parameter, value] :
         {std::pair<int, float>{2, 1.0f}, {2, 0.0f}, {2, 0.5f}, {3, 0.0f}, {4, 1.0f}, {5, 0.3f}, {3, 1.0f}})
    {
        a->p.setParameter(parameter, value);
        EXPECT_LT(a->silencePeakDbfs(0.5), kQuietDbfs) << "parameter " << parameter << " to " << value;
    }
}

TEST_P(SilenceAfterChange, AfterValveSetSwitches)
{
    auto a = preampAt(48000.0);
    a->p.setParameter(2, 1.0f);
    ASSERT_LT(a->silencePeakDbfs(), kQuietDbfs);
    for (float set : {1.0f, 0.0f})
    {
        a->p.setParameter(0, set);
        ASSERT_TRUE(a->p.getMissingModelFiles().isEmpty());
        EXPECT_LT(a->silencePeakDbfs(), kQuietDbfs) << "to valve set " << set;
    }
}

TEST_P(SilenceAfterChange, AfterOversamplingAndHostRateChanges)
{
    auto a = preampAt(44100.0);
    a->p.setParameter(2, 0.75f);
    for (float factor : {0.25f, 1.0f, 0.0f})
    {
        a->p.setParameter(7, factor);
        ASSERT_TRUE(a->p.getMissingModelFiles().isEmpty());
        EXPECT_LT(a->silencePeakDbfs(), kQuietDbfs) << "Oversampling " << factor;
    }
    // A new host rate reaches the chains at the next reconfiguration.
    a->p.setPlayConfigDetails(channels(), channels(), 48000.0, kBlock);
    a->p.prepareToPlay(48000.0, kBlock);
    a->p.setParameter(7, 0.5f);
    ASSERT_EQ(a->p.getLeftChain().block3().sampleRate, 192000.0);
    EXPECT_LT(a->silencePeakDbfs(), kQuietDbfs) << "host rate 48000 Hz";
    a->p.setCurrentProgram(0); // Oversampling Off at the new host rate
    EXPECT_LT(a->silencePeakDbfs(), kQuietDbfs) << "program change at 48000 Hz";
}

TEST_P(SilenceAfterChange, AfterRecoveryFromANonFiniteInput)
{
    auto a = preampAt(48000.0);
    ASSERT_LT(a->silencePeakDbfs(), kQuietDbfs);
    // The non-finite sample's own output is silenced by the recovery; what follows must be quiet.
    EXPECT_LT(a->silencePeakDbfs(1.0, std::numeric_limits<float>::quiet_NaN()), kQuietDbfs);
    EXPECT_LT(a->silencePeakDbfs(1.0, std::numeric_limits<float>::infinity()), kQuietDbfs);
}

INSTANTIATE_TEST_SUITE_P(Channels, SilenceAfterChange, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& channelCount) {
                             return channelCount.param == 1 ? std::string("Mono") : std::string("Stereo");
                         });
