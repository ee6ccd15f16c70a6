// ravlin-render with several inputs: planning (names, folders, refusals before any work), renders
// on several threads that equal one-at-a-time renders, a failed take among good ones, and the exit
// status of the command line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "BatchRender.h"
#include "RenderProcessor.h"
#include "RenderSession.h"

using namespace ravlin::render;

namespace {

const juce::File modelDir{juce::String(RAVLIN_TEST_MODEL_DIR)};

bool haveModels() { return modelDir.getChildFile("ravlinpre_eh_b3_pca.dat.48000").existsAsFile(); }

class BatchRenderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = juce::File::createTempFile("ravlin-batch-test");
        ASSERT_TRUE(dir.createDirectory().wasOk());
        options.quiet = true;
        options.modelDirectory = modelDir.getFullPathName().toStdString();
        options.outputPath = path("amped");
        options.settings = {{"Gain", 0.75f}};
    }
    void TearDown() override { dir.deleteRecursively(); }

    std::string path(const std::string& name) const { return dir.getChildFile(name).getFullPathName().toStdString(); }

    /// A WAV take of `samples` samples: a decaying pluck-like tone whose pitch depends on `seed`.
    void writeTake(const std::string& file, int channels, int samples, int seed)
    {
        juce::File(file).getParentDirectory().createDirectory();
        juce::WavAudioFormat wav;
        auto stream = std::make_unique<juce::FileOutputStream>(juce::File(file));
        ASSERT_TRUE(stream->openedOk());
        std::unique_ptr<juce::AudioFormatWriter> writer(
            wav.createWriterFor(stream.get(), 48000.0, static_cast<unsigned>(channels), 24, {}, 0));
        ASSERT_NE(writer, nullptr);
        stream.release();
        juce::AudioBuffer<float> b(channels, samples);
        for (int c = 0; c < channels; ++c)
            for (int n = 0; n < samples; ++n)
                b.setSample(c, n,
                            0.3f * std::exp(-n / 9000.0f)
                                * std::sin(0.02f * static_cast<float>((seed + 1) * (c + 1) * n)));
        ASSERT_TRUE(writer->writeFromAudioSampleBuffer(b, 0, samples));
    }

    static juce::AudioBuffer<float> readSound(const std::string& file)
    {
        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        std::unique_ptr<juce::AudioFormatReader> reader(formats.createReaderFor(juce::File(file)));
        juce::AudioBuffer<float> b;
        if (reader != nullptr)
        {
            b.setSize(static_cast<int>(reader->numChannels), static_cast<int>(reader->lengthInSamples));
            reader->read(&b, 0, b.getNumSamples(), 0, true, true);
        }
        return b;
    }

    /// The same take rendered alone, as a single-input call would.
    juce::AudioBuffer<float> renderAlone(const std::string& input)
    {
        RenderOptions one = options;
        one.inputPath = input;
        one.inputs = {input};
        one.outputPath = path("alone.wav");
        auto processor = createRenderProcessor();
        RenderSession session(*processor, renderProcessorHooks(*processor));
        RenderSummary summary;
        std::string error;
        EXPECT_TRUE(session.render(one, summary, error)) << error;
        return readSound(one.outputPath);
    }

    juce::File dir;
    RenderOptions options;
};

} // namespace

TEST_F(BatchRenderTest, PlanNamesOutputsAfterInputsAndRefusesBeforeWork)
{
    writeTake(path("takes/b.wav"), 1, 100, 0);
    writeTake(path("takes/a.wav"), 1, 100, 1);
    std::ofstream(path("takes/notes.txt")) << "not a take";
    writeTake(path("extra.wav"), 2, 100, 2);
    options.inputs = {path("takes"), path("extra.wav")};
    ASSERT_TRUE(isBatch(options));
    std::vector<BatchItem> items;
    std::string error;
    ASSERT_TRUE(planBatch(options, items, error)) << error;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].input, path("takes/a.wav")); // a folder's takes in name order
    EXPECT_EQ(items[1].input, path("takes/b.wav"));
    EXPECT_EQ(items[2].input, path("extra.wav"));
    EXPECT_EQ(items[0].output, path("amped/a.wav"));
    EXPECT_EQ(items[2].output, path("amped/extra.wav"));
    EXPECT_TRUE(juce::File(path("amped")).isDirectory());

    RenderOptions single;
    single.inputs = {path("extra.wav")};
    EXPECT_FALSE(isBatch(single)) << "one file is an ordinary render";

    struct Refusal
    {
        std::vector<std::string> inputs;
        std::string out;
        std::string mentions;
    };
    writeTake(path("other/a.wav"), 1, 100, 3);
    juce::File(path("empty")).createDirectory();
    const std::vector<Refusal> refusals = {
        {{path("takes"), path("other")}, path("out1"), "would both write"},
        {{path("takes"), path("extra.wav")}, path("takes"), "would overwrite"},
        {{path("takes"), path("missing.wav")}, path("out2"), "does not exist"},
        {{path("empty"), path("extra.wav")}, path("out3"), "holds no WAV"},
        {{path("takes"), path("extra.wav")}, path("extra.wav"), "is a file"},
        {{path("takes"), path("extra.wav")}, defaultOutputPath, "need --out FOLDER"},
    };
    for (const auto& r : refusals)
    {
        options.inputs = r.inputs;
        options.outputPath = r.out;
        EXPECT_FALSE(planBatch(options, items, error)) << r.mentions;
        EXPECT_NE(error.find(r.mentions), std::string::npos) << error;
    }
    for (const char* never : {"out1", "out2", "out3"})
        EXPECT_FALSE(juce::File(path(never)).exists()) << "refused plans create nothing";
}

TEST_F(BatchRenderTest, SeveralTakesOnSeveralThreadsEqualRendersOneAtATime)
{
    if (!haveModels())
        GTEST_SKIP() << "no model data in " << RAVLIN_TEST_MODEL_DIR;
    writeTake(path("takes/one.wav"), 1, 30000, 0);
    writeTake(path("takes/two.wav"), 2, 20000, 1);
    writeTake(path("takes/three.wav"), 1, 10000, 2);
    writeTake(path("four.wav"), 1, 15000, 3);
    options.inputs = {path("takes"), path("four.wav")};
    std::vector<BatchItem> items;
    std::string error;
    ASSERT_TRUE(planBatch(options, items, error)) << error;
    std::vector<double> fractions;
    const auto results = renderBatch(options, items, 3, [&fractions](double f) { fractions.push_back(f); });
    ASSERT_EQ(results.size(), 4u);
    for (const auto& r : results)
    {
        ASSERT_TRUE(r.ok) << r.item.input << ": " << r.error;
        const auto batch = readSound(r.item.output);
        const auto alone = renderAlone(r.item.input);
        ASSERT_EQ(batch.getNumChannels(), alone.getNumChannels()) << r.item.input;
        ASSERT_EQ(batch.getNumSamples(), alone.getNumSamples()) << r.item.input;
        double energy = 0.0;
        for (int c = 0; c < batch.getNumChannels(); ++c)
            for (int n = 0; n < batch.getNumSamples(); ++n)
            {
                ASSERT_EQ(batch.getSample(c, n), alone.getSample(c, n)) << r.item.input << " sample " << n;
                energy += batch.getSample(c, n) * batch.getSample(c, n);
            }
        EXPECT_GT(energy, 1e-3) << r.item.input << " is silent";
    }
    ASSERT_FALSE(fractions.empty());
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    const std::string report = formatBatchReport(results);
    EXPECT_NE(report.find("4 of 4 takes rendered"), std::string::npos) << report;
}

TEST_F(BatchRenderTest, AnUnreadableTakeFailsAloneAndTheExitStatusSaysSo)
{
    if (!haveModels())
        GTEST_SKIP() << "no model data in " << RAVLIN_TEST_MODEL_DIR;
    writeTake(path("takes/good1.wav"), 1, 8000, 0);
    std::ofstream(path("takes/broken.wav")) << "this is not audio";
    writeTake(path("takes/good2.wav"), 2, 8000, 1);
    options.inputs = {path("takes")};
    std::vector<BatchItem> items;
    std::string error;
    ASSERT_TRUE(planBatch(options, items, error)) << error;
    const auto results = renderBatch(options, items, 0);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_FALSE(results[0].ok); // broken.wav comes first by name
    EXPECT_NE(results[0].error.find("not a readable"), std::string::npos) << results[0].error;
    EXPECT_TRUE(results[1].ok) << results[1].error;
    EXPECT_TRUE(results[2].ok) << results[2].error;
    EXPECT_FALSE(juce::File(path("amped/broken.wav")).exists());
    EXPECT_GT(readSound(path("amped/good1.wav")).getNumSamples(), 0);
    EXPECT_GT(readSound(path("amped/good2.wav")).getNumSamples(), 0);
    const std::string report = formatBatchReport(results);
    EXPECT_NE(report.find("2 of 3 takes rendered, 1 failed"), std::string::npos) << report;
    EXPECT_NE(report.find("FAILED  " + path("takes/broken.wav")), std::string::npos) << report;

    // The command line: status 1 with the failure named, the good takes written all the same.
    const std::string exe = RAVLIN_RENDER_EXE;
    juce::File(path("amped")).deleteRecursively();
    const std::string base = exe + " --quiet --models " + options.modelDirectory + " --out " + path("amped");
    const int failed = std::system((base + " --in " + path("takes") + " 2>" + path("stderr.txt")).c_str());
    ASSERT_TRUE(WIFEXITED(failed));
    EXPECT_EQ(WEXITSTATUS(failed), 1);
    EXPECT_TRUE(juce::File(path("stderr.txt")).loadFileAsString().contains("broken.wav"));
    EXPECT_TRUE(juce::File(path("amped/good1.wav")).existsAsFile());
    EXPECT_TRUE(juce::File(path("amped/good2.wav")).existsAsFile());
    const int good = std::system(
        (base + " --in " + path("takes/good1.wav") + " --in " + path("takes/good2.wav") + " >/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(good));
    EXPECT_EQ(WEXITSTATUS(good), 0);
}
