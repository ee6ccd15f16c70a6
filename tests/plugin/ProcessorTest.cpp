// The processor as hosts see it: identity, buses, parameters, block processing rules, and the
// real plug-in processor without model data.
#include "TestProcessor.h"
#include "plugin/RavlinPreampAudioProcessor.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ravlin;
using namespace ravlin::test;

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace
{
juce::AudioBuffer<float> ramp(int channels, int n)
{
    juce::AudioBuffer<float> b(channels, n);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < n; ++i)
            b.setSample(c, i, 0.01f * static_cast<float>(i + 1) * (c == 0 ? 1.0f : -2.0f));
    return b;
}
} // namespace

TEST(Processor, IdentityAndParameterInterface)
{
    TestProcessor p;
    EXPECT_EQ(p.getName(), "RAVLIN Preamp v1.3");
    EXPECT_EQ(p.getNumParameters(), 10);
    EXPECT_EQ(p.getNumPrograms(), 12);
    EXPECT_EQ(p.getParameterName(4), "Middle");
    EXPECT_EQ(p.getParameterName(10), "");
    EXPECT_EQ(p.getParameterID(8), "monoStereo");
    EXPECT_EQ(p.getParameter(10), 0.0f);
    EXPECT_EQ(p.getProgramName(12), "");
    EXPECT_EQ(p.getParameterDefaultValue(2), 0.5f);
    EXPECT_EQ(p.getParameterDefaultValue(0), 0.0f);
    EXPECT_EQ(p.getInputChannelName(1), "2");
    EXPECT_TRUE(p.isOutputChannelStereoPair(0));
    EXPECT_FALSE(p.acceptsMidi());
    EXPECT_FALSE(p.producesMidi());
    EXPECT_EQ(p.getTailLengthSeconds(), 0.0);
    p.setParameter(1, 0.3f);
    EXPECT_FLOAT_EQ(p.getParameter(1), 0.3f);
    EXPECT_EQ(p.getParameterText(1), "0.30=>14.7");
    p.setParameter(8, 0.5f);
    EXPECT_EQ(p.getParameter(8), 1.0f);
    p.setParameter(8, 0.49f);
    EXPECT_EQ(p.getParameter(8), 0.0f);
}

TEST(Processor, OnlyMonoAndStereoLayoutsWithEqualInsAndOuts)
{
    TestProcessor p;
    juce::AudioProcessor::BusesLayout l;
    l.inputBuses.add(juce::AudioChannelSet::mono());
    l.outputBuses.add(juce::AudioChannelSet::mono());
    EXPECT_TRUE(p.checkBusesLayoutSupported(l));
    l.inputBuses.getReference(0) = juce::AudioChannelSet::stereo();
    EXPECT_FALSE(p.checkBusesLayoutSupported(l));
    l.outputBuses.getReference(0) = juce::AudioChannelSet::stereo();
    EXPECT_TRUE(p.checkBusesLayoutSupported(l));
    l.inputBuses.getReference(0) = juce::AudioChannelSet::create5point1();
    l.outputBuses.getReference(0) = juce::AudioChannelSet::create5point1();
    EXPECT_FALSE(p.checkBusesLayoutSupported(l));
}

TEST(Processor, ProgramsSwitchAllParametersWithoutCopying)
{
    TestProcessor p;
    p.setParameter(2, 1.0f);
    p.setCurrentProgram(1);
    EXPECT_EQ(p.getParameter(2), 0.5f);
    p.setCurrentProgram(0);
    EXPECT_EQ(p.getParameter(2), 1.0f);
    p.changeProgramName(3, "Lead");
    p.changeProgramName(12, "ignored");
    EXPECT_EQ(p.getProgramName(3), "Lead");
}

TEST(Processor, MonoLoopCopiesAndStereoLoopRunsBothChannels)
{
    TestProcessor p;
    p.setPlayConfigDetails(2, 2, 44100.0, 64);
    p.setParameter(1, 1.0f / 6.0f * 49.0f / 49.0f); // any input gain
    juce::MidiBuffer midi;
    auto b = ramp(2, 64);
    p.processBlock(b, midi);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(b.getSample(1, i), b.getSample(0, i));
    EXPECT_EQ(p.getRightChain().steps, 0);

    p.setParameter(8, 1.0f);
    auto s = ramp(2, 64);
    p.processBlock(s, midi);
    EXPECT_EQ(p.getRightChain().steps, 64);
    EXPECT_LT(s.getSample(1, 10), 0.0f);
    EXPECT_GT(s.getSample(0, 10), 0.0f);
}

TEST(Processor, StereoLoopNeverTouchesAChannelTheBufferLacks)
{
    TestProcessor p;
    p.setPlayConfigDetails(2, 2, 44100.0, 64);
    p.setParameter(8, 1.0f);
    ASSERT_EQ(p.getSampleLoopName(), "processStereoX1");
    p.setPlayConfigDetails(1, 1, 44100.0, 64); // the host reduces the layout; the loop stays
    juce::AudioBuffer<float> one = ramp(1, 32);
    juce::MidiBuffer midi;
    p.processBlock(one, midi);
    EXPECT_EQ(p.getRightChain().steps, 0);
    EXPECT_GT(p.getLeftChain().steps, 0);
}

TEST(Processor, EmptyBlocksChangeNothing)
{
    TestProcessor p;
    p.setPlayConfigDetails(2, 2, 44100.0, 64);
    juce::MidiBuffer midi;
    const long before = p.getLeftChain().steps;
    juce::AudioBuffer<float> empty(2, 0);
    p.processBlock(empty, midi);
    EXPECT_EQ(p.getLeftChain().steps, before);
}

TEST(Processor, SuspendedProcessorOutputsSilence)
{
    TestProcessor p;
    p.setPlayConfigDetails(2, 2, 44100.0, 64);
    p.suspendProcessing(true);
    auto b = ramp(2, 8);
    juce::MidiBuffer midi;
    p.processBlock(b, midi);
    EXPECT_EQ(b.getMagnitude(0, 8), 0.0f);
    EXPECT_EQ(p.getLeftChain().steps, 0);
    p.suspendProcessing(false);
}

TEST(PluginProcessor, WithoutModelDataItIsSilentAndNamesTheMissingFiles)
{
    std::unique_ptr<juce::AudioProcessor> base(createPluginFilter());
    auto& p = dynamic_cast<RavlinPreampAudioProcessor&>(*base);
    EXPECT_EQ(p.getName(), "RAVLIN Preamp v1.3");
    const auto empty = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("ravlin-no-models");
    p.setModelDirectory(empty);
    p.setPlayConfigDetails(2, 2, 48000.0, 128);
    p.prepareToPlay(48000.0, 128);
    juce::MidiBuffer midi;
    for (int code = 0; code <= 4; ++code)
        for (float stereo : {0.0f, 1.0f})
        {
            p.setParameter(7, 0.25f * static_cast<float>(code));
            p.setParameter(8, stereo);
            p.setCurrentProgram(0);
            EXPECT_EQ(p.getMissingModelFiles().size(), 4);
            EXPECT_EQ(p.getLatencySamples(), code == 0 ? 0 : 15);
            auto b = ramp(2, 128);
            p.processBlock(b, midi);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 128; ++i)
                    ASSERT_EQ(b.getSample(c, i), 0.0f);
        }
    EXPECT_TRUE(p.getMissingModelFiles()[3].endsWith("ravlinpre_eh_b3_pca.dat.768000"));
    const auto stats = p.block4Statistics(0);
    EXPECT_TRUE(std::isfinite(stats.sum));
}

TEST(PluginProcessor, WithModelDataTheChainSoundsAndStaysFinite)
{
    const juce::File models(RAVLIN_TEST_MODEL_DIR);
    if (!models.getChildFile("ravlinpre_eh_b3_pca.dat.48000").existsAsFile())
        GTEST_SKIP() << "no model data in " << RAVLIN_TEST_MODEL_DIR;
    std::unique_ptr<juce::AudioProcessor> base(createPluginFilter());
    auto& p = dynamic_cast<RavlinPreampAudioProcessor&>(*base);
    p.setModelDirectory(models);
    p.setPlayConfigDetails(2, 2, 48000.0, 256);
    p.prepareToPlay(48000.0, 256);
    for (float stereo : {0.0f, 1.0f})
    {
        p.setParameter(8, stereo);
        p.setCurrentProgram(0);
        ASSERT_TRUE(p.getMissingModelFiles().isEmpty()) << p.getMissingModelFiles().joinIntoString(", ");
        juce::MidiBuffer midi;
        double energy = 0.0;
        for (int block = 0; block < 40; ++block)
        {
            juce::AudioBuffer<float> b(2, 256);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 256; ++i)
                    b.setSample(c, i, 0.3f * std::sin(0.0576f * static_cast<float>(block * 256 + i)));
            p.processBlock(b, midi);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 256; ++i)
                {
                    ASSERT_TRUE(std::isfinite(b.getSample(c, i)));
                    energy += static_cast<double>(b.getSample(c, i)) * b.getSample(c, i);
                }
        }
        EXPECT_GT(energy, 1e-6) << "stereo " << stereo;
    }
    EXPECT_TRUE(std::isfinite(p.block4Statistics(0).sumOfSquares));
}
