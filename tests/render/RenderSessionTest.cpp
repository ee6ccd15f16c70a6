// ravlin-render against the real processor: every error case leaves no output behind, and a
// render equals the processor driven directly, block for block, sample for sample.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "../plugin/PlainLayoutCopy.h"
#include "RenderProcessor.h"
#include "RenderSession.h"
#include "RiffSynth.h"
#include "plugin/StateChunk.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using namespace ravlin::render;

namespace {

/// The committed model data (models/), passed in by the build.
const juce::File modelDir{juce::String(RAVLIN_TEST_MODEL_DIR)};

class RenderSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = juce::File::createTempFile("ravlin-render-test");
        ASSERT_TRUE(dir.createDirectory().wasOk());
        options.quiet = true;
        options.modelDirectory = modelDir.getFullPathName().toStdString();
        options.outputPath = path("out.wav");
    }
    void TearDown() override { dir.deleteRecursively(); }

    std::string path(const char* name) const { return dir.getChildFile(name).getFullPathName().toStdString(); }

    bool render(std::string& error)
    {
        auto processor = createRenderProcessor();
        RenderSession session(*processor, renderProcessorHooks(*processor));
        return session.render(options, summary, error);
    }

    /// Renders expecting failure; checks the message and that no output (or partial) exists.
    void expectFailure(const std::string& mentions)
    {
        std::string error;
        EXPECT_FALSE(render(error));
        EXPECT_NE(error.find(mentions), std::string::npos) << "error '" << error << "' lacks '" << mentions << "'";
        EXPECT_FALSE(juce::File(options.outputPath).exists()) << "output left behind";
        EXPECT_EQ(dir.findChildFiles(juce::File::findFiles, false, ".*.partial").size(), 0);
    }

    void writeWav(const std::string& file, int channels, double rate, int samples, float amplitude = 0.2f)
    {
        juce::WavAudioFormat wav;
        auto stream = std::make_unique<juce::FileOutputStream>(juce::File(file));
        ASSERT_TRUE(stream->openedOk());
        std::unique_ptr<juce::AudioFormatWriter> writer(
            wav.createWriterFor(stream.get(), rate, static_cast<unsigned>(channels), 32, {}, 0));
        ASSERT_NE(writer, nullptr);
        stream.release();
        juce::AudioBuffer<float> b(channels, samples);
        for (int c = 0; c < channels; ++c)
            for (int n = 0; n < samples; ++n)
                b.setSample(c, n, amplitude * std::sin(0.05f * static_cast<float>(n) * static_cast<float>(c + 1)));
        ASSERT_TRUE(writer->writeFromAudioSampleBuffer(b, 0, samples));
    }

    static juce::AudioBuffer<float> readWav(const std::string& file, double& rate)
    {
        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        std::unique_ptr<juce::AudioFormatReader> reader(formats.createReaderFor(juce::File(file)));
        juce::AudioBuffer<float> b;
        if (reader == nullptr)
            return b;
        b.setSize(static_cast<int>(reader->numChannels), static_cast<int>(reader->lengthInSamples));
        reader->read(&b, 0, b.getNumSamples(), 0, true, true);
        rate = reader->sampleRate;
        return b;
    }

    /// The processor driven as a host would, without the renderer: same layout, rate, block
    /// size, model folder and parameter settings.
    static juce::AudioBuffer<float> driveDirectly(const juce::AudioBuffer<float>& input, double rate, int block,
                                                  const std::vector<std::pair<int, float>>& parameters)
    {
        auto processor = createRenderProcessor();
        const int channels = input.getNumChannels();
        processor->setPlayConfigDetails(channels, channels, rate, block);
        processor->prepareToPlay(rate, block);
        renderProcessorHooks(*processor).setModelDirectory(modelDir);
        for (const auto& [index, value] : parameters)
            processor->setParameter(index, value);
        processor->setCurrentProgram(processor->getCurrentProgram());
        juce::AudioBuffer<float> out(input);
        juce::MidiBuffer midi;
        for (int pos = 0; pos < out.getNumSamples(); pos += block)
        {
            const int n = std::min(block, out.getNumSamples() - pos);
            juce::AudioBuffer<float> view(out.getArrayOfWritePointers(), channels, pos, n);
            processor->processBlock(view, midi);
        }
        return out;
    }

    juce::File dir;
    RenderOptions options;
    RenderSummary summary;
};

} // namespace

TEST_F(RenderSessionTest, BuiltInRiffEqualsTheProcessorDrivenDirectly)
{
    options.blockSize = 256;
    options.sampleRate = 48000.0;
    std::string error;
    ASSERT_TRUE(render(error)) << error;
    double rate = 0.0;
    const auto rendered = readWav(options.outputPath, rate);
    ASSERT_EQ(rate, 48000.0);
    ASSERT_EQ(rendered.getNumChannels(), 1);

    const auto riff = ravlin::riff::renderDefaultRiff(48000.0);
    juce::AudioBuffer<float> input(1, static_cast<int>(riff.size()));
    std::copy(riff.begin(), riff.end(), input.getWritePointer(0));
    const auto direct = driveDirectly(input, 48000.0, 256, {});
    ASSERT_EQ(rendered.getNumSamples(), direct.getNumSamples());
    double peak = 0.0;
    for (int n = 0; n < direct.getNumSamples(); ++n)
    {
        ASSERT_EQ(rendered.getSample(0, n), direct.getSample(0, n)) << "sample " << n;
        peak = std::max(peak, static_cast<double>(std::abs(direct.getSample(0, n))));
    }
    EXPECT_GT(peak, 1e-3) << "the processor produced (near) silence: model data not loaded?";
    EXPECT_NEAR(summary.peakDb, 20.0 * std::log10(peak), 1e-6);
    EXPECT_EQ(summary.sampleLoop, "processMonoX1");
    EXPECT_EQ(summary.channels, 1);
    EXPECT_NEAR(summary.seconds, static_cast<double>(riff.size()) / 48000.0, 1e-12);
    EXPECT_GT(summary.realtimeFactor, 0.0);
}

// A take of digital silence through the first program: the preamp starts where its networks rest,
// so nothing comes out (no thump in the first samples).
TEST_F(RenderSessionTest, DigitalSilenceRendersSilence)
{
    for (int channels : {1, 2})
    {
        const std::string in = path(channels == 1 ? "silence-mono.wav" : "silence-stereo.wav");
        writeWav(in, channels, 44100.0, 44100, 0.0f);
        options.inputPath = in;
        if (channels == 2)
            options.settings = {{"mono/stereo", 1.0f}};
        std::string error;
        ASSERT_TRUE(render(error)) << error;
        double rate = 0.0;
        const auto rendered = readWav(options.outputPath, rate);
        ASSERT_EQ(rendered.getNumSamples(), 44100);
        ASSERT_EQ(rendered.getNumChannels(), channels);
        float peak = 0.0f;
        for (int c = 0; c < channels; ++c)
            peak = std::max(peak, rendered.getMagnitude(c, 0, rendered.getNumSamples()));
        EXPECT_LT(20.0 * std::log10(std::max(1e-30, static_cast<double>(peak))), -90.0) << channels << " channels";
        EXPECT_EQ(summary.channels, channels);
    }
}

TEST_F(RenderSessionTest, StereoFileWithSettingsEqualsTheProcessorDrivenDirectly)
{
    const std::string in = path("stereo-in.wav");
    writeWav(in, 2, 44100.0, 20000);
    options.inputPath = in;
    options.blockSize = 100; // not a power of two, last block partial
    options.settings = {{"Gain", 1.0f}, {"mono/stereo", 1.0f}, {"Treble", 0.2f}, {"Oversampling", 0.25f}};
    std::string error;
    ASSERT_TRUE(render(error)) << error;
    double rate = 0.0;
    const auto rendered = readWav(options.outputPath, rate);
    EXPECT_EQ(rate, 44100.0);
    double inRate = 0.0;
    const auto input = readWav(in, inRate);
    const auto direct = driveDirectly(input, 44100.0, 100, {{2, 1.0f}, {8, 1.0f}, {3, 0.2f}, {7, 0.25f}});
    ASSERT_EQ(rendered.getNumChannels(), 2);
    ASSERT_EQ(rendered.getNumSamples(), direct.getNumSamples());
    for (int c = 0; c < 2; ++c)
        for (int n = 0; n < direct.getNumSamples(); ++n)
            ASSERT_EQ(rendered.getSample(c, n), direct.getSample(c, n)) << "channel " << c << " sample " << n;
    EXPECT_EQ(summary.sampleLoop, "processStereoX2");
}

TEST_F(RenderSessionTest, ResamplesToTheRequestedRate)
{
    const std::string in = path("in-44k.wav");
    writeWav(in, 1, 44100.0, 44100);
    options.inputPath = in;
    options.sampleRate = 48000.0;
    std::string error;
    ASSERT_TRUE(render(error)) << error;
    double rate = 0.0;
    const auto rendered = readWav(options.outputPath, rate);
    EXPECT_EQ(rate, 48000.0);
    EXPECT_NEAR(rendered.getNumSamples(), 48000, 1);
    EXPECT_EQ(summary.sampleRate, 48000.0);
}

TEST_F(RenderSessionTest, InputErrorsLeaveNoOutput)
{
    options.inputPath = path("missing.wav");
    expectFailure("does not exist");

    const std::string text = path("text.wav");
    std::ofstream(text) << "not audio at all";
    options.inputPath = text;
    expectFailure("not a readable");

    const std::string wide = path("three.wav");
    writeWav(wide, 3, 48000.0, 1000);
    options.inputPath = wide;
    expectFailure("3 channels");
}

TEST_F(RenderSessionTest, SettingErrorsLeaveNoOutput)
{
    options.settings = {{"Gain", 0.5f}, {"Volume", 0.5f}};
    expectFailure("unknown parameter 'Volume'");

    options.settings.clear();
    const std::string junk = path("junk.state");
    std::ofstream(junk) << "0123456789abcdef";
    options.statePath = junk;
    expectFailure("not a saved RAVLIN Preamp state");
    // The chunk's frame is right but its document holds no bank: the processor would ignore it.
    juce::MemoryBlock foreign;
    ravlin::plugin::writeStateChunk(juce::XmlElement("other"), foreign);
    const std::string foreignPath = path("foreign.state");
    ASSERT_TRUE(juce::File(foreignPath).replaceWithData(foreign.getData(), foreign.getSize()));
    options.statePath = foreignPath;
    expectFailure("not a saved RAVLIN Preamp state");
    options.statePath = path("none.state");
    expectFailure("cannot read state file");
}

TEST_F(RenderSessionTest, ModelFolderErrorsNameEveryFileThatFailed)
{
    if (!modelDir.getChildFile("ravlinpre_eh_b3_pca.dat.48000").existsAsFile())
        GTEST_SKIP() << "no model data in " << RAVLIN_TEST_MODEL_DIR;
    options.modelDirectory = path("no-models");
    expectFailure("does not exist");

    // A folder with every file but the block-3 file for the effective rate 48000 x 4.
    const juce::File partialModels = dir.getChildFile("some-models");
    ASSERT_TRUE(partialModels.createDirectory().wasOk());
    for (const char* name : {"ravlinpre_eh_b1_pca.dat", "ravlinpre_eh_b2_pca.dat", "ravlinpre_eh_b4_std.dat",
                             "ravlinpre_eh_b3_pca.dat.48000"})
        ASSERT_TRUE(modelDir.getChildFile(name).copyFileTo(partialModels.getChildFile(name)));
    options.modelDirectory = partialModels.getFullPathName().toStdString();
    options.sampleRate = 48000.0;
    options.settings = {{"Oversampling", 0.5f}};
    expectFailure("ravlinpre_eh_b3_pca.dat.192000: missing");
    options.settings = {{"Dual Triodes", 1.0f}};
    for (const char* name : {"ravlinpre_rsd_b1_pca.dat: missing", "ravlinpre_rsd_b2_pca.dat: missing",
                             "ravlinpre_rsd_b4_std.dat: missing", "ravlinpre_rsd_b3_pca.dat.48000: missing"})
        expectFailure(name);

    // A copy whose block-2 file is cut to 1000 bytes: the render must not quietly keep the data
    // loaded from the folder beside the renderer.
    options.settings.clear();
    const juce::File cut = dir.getChildFile("cut-models");
    ASSERT_TRUE(ravlin::test::copyInPlainLayout(modelDir, cut));
    const juce::File b2 = cut.getChildFile("ravlinpre_eh_b2_pca.dat");
    juce::MemoryBlock bytes;
    ASSERT_TRUE(b2.loadFileAsData(bytes));
    ASSERT_GT(bytes.getSize(), 1000u);
    ASSERT_TRUE(b2.replaceWithData(bytes.getData(), 1000));
    options.modelDirectory = cut.getFullPathName().toStdString();
    expectFailure(b2.getFullPathName().toStdString() + ": damaged: ");
    std::string error;
    EXPECT_FALSE(render(error));
    EXPECT_EQ(error.find("ravlinpre_eh_b1_pca.dat"), std::string::npos) << "only the failed file is named: " << error;
}

TEST_F(RenderSessionTest, OutputErrorsAndFailedRendersKeepTheOldFile)
{
    options.outputPath = path("no-such-folder/out.wav");
    expectFailure("does not exist");
    const juce::File folder = dir.getChildFile("folder.wav");
    ASSERT_TRUE(folder.createDirectory().wasOk());
    options.outputPath = folder.getFullPathName().toStdString();
    std::string error;
    EXPECT_FALSE(render(error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    EXPECT_TRUE(folder.isDirectory());
    options.outputPath = path("out.mp3");
    expectFailure("unknown output format");
    options.outputPath = "/proc/ravlin-render-out.wav"; // cannot be created, even by root
    expectFailure("cannot write");

    // A good earlier output survives a failed render unchanged.
    options.outputPath = path("keep.wav");
    std::ofstream(options.outputPath) << "earlier render";
    options.settings = {{"Nope", 0.0f}};
    EXPECT_FALSE(render(error));
    juce::String kept = juce::File(options.outputPath).loadFileAsString();
    EXPECT_EQ(kept, "earlier render");
}

TEST(RenderCommandLine, ExitsNonZeroWithAMessage)
{
    const std::string exe = RAVLIN_RENDER_EXE;
    const std::string models = modelDir.getFullPathName().toStdString();
    struct Case
    {
        std::string args;
        int status;
    };
    for (const Case& c : {Case{"--set Gain=2", 2}, Case{"--set Gain=-1", 2}, Case{"--bogus", 2},
                          Case{"--in /nonexistent.wav --models " + models, 1}, Case{"--models /nonexistent-models", 1},
                          Case{"--models /proc/self", 1}, Case{"--set Loudness=1 --models " + models, 1}})
    {
        const std::string command = exe + " --quiet --out /tmp/ravlin-render-cli-test.wav " + c.args + " 2>/dev/null";
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw)) << c.args;
        EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.args;
        EXPECT_FALSE(juce::File("/tmp/ravlin-render-cli-test.wav").exists()) << c.args;
    }
    EXPECT_EQ(std::system((exe + " --help >/dev/null").c_str()), 0);
}
