// The processor as hosts see it: identity, buses, parameters, block processing rules, and the
// real plug-in processor without model data.
#include "PlainLayoutCopy.h"
#include "TestProcessor.h"
#include "plugin/RavlinPreampAudioProcessor.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ravlin;
using namespace ravlin::test;

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace {
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

namespace {
/** 40 blocks of a 0.3 V sine through `p` (mono, 48 kHz, blocks of 256), the output in one buffer. */
std::vector<float> sineThrough(juce::AudioProcessor& p)
{
    std::vector<float> out;
    juce::MidiBuffer midi;
    for (int block = 0; block < 40; ++block)
    {
        juce::AudioBuffer<float> b(1, 256);
        for (int i = 0; i < 256; ++i)
            b.setSample(0, i, 0.3f * std::sin(0.0576f * static_cast<float>(block * 256 + i)));
        p.processBlock(b, midi);
        out.insert(out.end(), b.getReadPointer(0), b.getReadPointer(0) + 256);
    }
    return out;
}

std::unique_ptr<juce::AudioProcessor> preampOn(const juce::File& models)
{
    std::unique_ptr<juce::AudioProcessor> base(createPluginFilter());
    auto& p = dynamic_cast<RavlinPreampAudioProcessor&>(*base);
    p.setModelDirectory(models);
    p.setPlayConfigDetails(1, 1, 48000.0, 256);
    p.prepareToPlay(48000.0, 256);
    p.setCurrentProgram(0);
    return base;
}
} // namespace

// The damaged copy of a model folder: the Aged set's block-2 file cut to 1000 bytes, block 4's file
// missing, and a folder that does not exist. A valve-set switch onto them must leave every block on
// the Fresh set (the output stays bit for bit what it was), name the file, and clear once the
// data loads again.
TEST(PluginProcessor, DamagedModelDataLeavesTheChainOnWhatItHad)
{
    const juce::File models(RAVLIN_TEST_MODEL_DIR);
    if (!models.getChildFile("ravlinpre_rsd_b2_pca.dat").existsAsFile())
        GTEST_SKIP() << "no model data in " << RAVLIN_TEST_MODEL_DIR;
    const juce::File copy = juce::File::createTempFile("ravlin-damaged-models");
    ASSERT_TRUE(test::copyInPlainLayout(models, copy));
    const juce::File b2 = copy.getChildFile("ravlinpre_rsd_b2_pca.dat");
    juce::MemoryBlock bytes;
    ASSERT_TRUE(b2.loadFileAsData(bytes));
    ASSERT_TRUE(b2.replaceWithData(bytes.getData(), 1000));
    ASSERT_TRUE(copy.getChildFile("ravlinpre_rsd_b4_std.dat").deleteFile());

    auto reference = preampOn(copy);
    auto switched = preampOn(copy);
    auto& p = dynamic_cast<RavlinPreampAudioProcessor&>(*switched);
    ASSERT_TRUE(p.getModelFileFailures().empty());
    const unsigned generation = p.getModelDataGeneration();
    p.setParameter(0, 1.0f); // Aged
    const auto failures = p.getModelFileFailures();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].path, b2.getFullPathName().toStdString());
    EXPECT_EQ(failures[0].reason.rfind("damaged: ", 0), 0u) << failures[0].reason;
    EXPECT_TRUE(juce::String(failures[1].path).endsWith("ravlinpre_rsd_b4_std.dat"));
    EXPECT_EQ(failures[1].reason, "missing");
    EXPECT_NE(p.getModelDataGeneration(), generation);
    EXPECT_TRUE(p.getModelDataNotice().contains(copy.getFullPathName()));
    EXPECT_TRUE(p.getModelDataNotice().contains("ravlinpre_rsd_b2_pca.dat (damaged"));

    // A rate change on the broken set changes nothing either.
    p.setParameter(7, 0.25f);
    EXPECT_EQ(p.getSampleLoopName(), "processMonoX1");

    const auto expected = sineThrough(*reference);
    const auto got = sineThrough(*switched);
    ASSERT_EQ(expected.size(), got.size());
    for (std::size_t n = 0; n < got.size(); ++n)
        ASSERT_EQ(got[n], expected[n]) << "sample " << n << ": the chain mixes blocks of two valve sets";
    double energy = 0.0;
    for (float v : got)
        energy += static_cast<double>(v) * v;
    EXPECT_GT(energy, 1e-6);

    // A folder that does not exist.
    p.setModelDirectory(copy.getChildFile("nowhere"));
    p.setCurrentProgram(0);
    ASSERT_EQ(p.getModelFileFailures().size(), 4u);
    EXPECT_EQ(p.getModelFileFailures()[0].reason, "missing (the model folder does not exist)");

    // The good folder again: everything loads and the notice clears.
    p.setModelDirectory(models);
    p.setParameter(7, 0.0f);
    p.setCurrentProgram(0);
    EXPECT_TRUE(p.getModelFileFailures().empty());
    EXPECT_TRUE(p.getModelDataNotice().isEmpty());
    copy.deleteRecursively();
}
