// ravlin-render's command line: every malformed option is refused with a message naming it.
#include <gtest/gtest.h>

#include "RenderOptions.h"

using ravlin::render::parseRenderOptions;
using ravlin::render::RenderOptions;

namespace {

std::optional<RenderOptions> parse(std::vector<std::string> args, std::string& error)
{
    return parseRenderOptions(args, error);
}

} // namespace

TEST(RenderOptions, DefaultsRenderTheBuiltInRiff)
{
    std::string error;
    const auto o = parse({}, error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_TRUE(o->inputPath.empty());
    EXPECT_EQ(o->outputPath, ravlin::render::defaultOutputPath);
    EXPECT_EQ(o->program, -1);
    EXPECT_EQ(o->blockSize, 512);
    EXPECT_EQ(o->sampleRate, 0.0);
    EXPECT_FALSE(o->list);
}

TEST(RenderOptions, ReadsEveryOption)
{
    std::string error;
    const auto o = parse({"--in",      "a.flac",
                          "--out",     "b.wav",
                          "--program", "12",
                          "--state",   "s.bin",
                          "--set",     "Gain=1",
                          "--set",     " Mono/Stereo = 0.5 ",
                          "--set",     "Dual Triodes=0",
                          "--block",   "64",
                          "--rate",    "96000",
                          "--models",  "/m",
                          "--list",    "--quiet"},
                         error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->inputPath, "a.flac");
    EXPECT_EQ(o->outputPath, "b.wav");
    EXPECT_EQ(o->program, 11); // 1-based on the command line
    EXPECT_EQ(o->statePath, "s.bin");
    ASSERT_EQ(o->settings.size(), 3u);
    EXPECT_EQ(o->settings[0].name, "Gain");
    EXPECT_EQ(o->settings[0].value, 1.0f);
    EXPECT_EQ(o->settings[1].name, "Mono/Stereo");
    EXPECT_EQ(o->settings[1].value, 0.5f);
    EXPECT_EQ(o->settings[2].name, "Dual Triodes");
    EXPECT_EQ(o->blockSize, 64);
    EXPECT_EQ(o->sampleRate, 96000.0);
    EXPECT_EQ(o->modelDirectory, "/m");
    EXPECT_TRUE(o->list);
    EXPECT_TRUE(o->quiet);
}

TEST(RenderOptions, RefusesMalformedValuesWithTheirName)
{
    struct Case
    {
        std::vector<std::string> args;
        std::string mentions;
    };
    const std::vector<Case> cases = {
        {{"--set", "Gain=1.5"}, "outside 0..1"},
        {{"--set", "Gain=-0.1"}, "outside 0..1"},
        {{"--set", "Gain=loud"}, "not a number"},
        {{"--set", "Gain=nan"}, "not a number"},
        {{"--set", "Gain"}, "NAME=VALUE"},
        {{"--set", "=0.5"}, "NAME=VALUE"},
        {{"--program", "0"}, "1..12"},
        {{"--program", "13"}, "1..12"},
        {{"--program", "2x"}, "1..12"},
        {{"--block", "0"}, "--block"},
        {{"--block", "100000"}, "--block"},
        {{"--rate", "44100.5"}, "--rate"},
        {{"--rate", "100"}, "--rate"},
        {{"--jobs", "0"}, "--jobs must be 1..256"},
        {{"--jobs", "many"}, "--jobs must be 1..256"},
        {{"--in"}, "needs a value"},
        {{"--out", ""}, "non-empty"},
        {{"--loud"}, "unknown option '--loud'"},
        {{"input.wav"}, "unknown option 'input.wav'"},
    };
    for (const auto& c : cases)
    {
        std::string error;
        EXPECT_FALSE(parse(c.args, error).has_value()) << c.args[0];
        EXPECT_NE(error.find(c.mentions), std::string::npos)
            << "message '" << error << "' lacks '" << c.mentions << "'";
    }
}

TEST(RenderOptions, SeveralInputsAreKeptInOrder)
{
    std::string error;
    const auto o = parse({"--in", "takes/", "--in", "b.wav", "--in", "a.flac", "--jobs", "3", "--out", "amped"}, error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->inputs, (std::vector<std::string>{"takes/", "b.wav", "a.flac"}));
    EXPECT_EQ(o->inputPath, "takes/");
    EXPECT_EQ(o->jobs, 3);
    EXPECT_EQ(o->outputPath, "amped");
}

TEST(RenderOptions, BoundaryValuesAreAccepted)
{
    std::string error;
    const auto o =
        parse({"--set", "Output=0", "--set", "Output=1", "--program", "1", "--block", "1", "--rate", "8000"}, error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->settings[0].value, 0.0f);
    EXPECT_EQ(o->settings[1].value, 1.0f);
    EXPECT_EQ(o->program, 0);
    EXPECT_NE(ravlin::render::renderUsage().find("--models"), std::string::npos);
}

#include "ModelFiles.h"

TEST(ModelFiles, NamesPerValveSetAndEffectiveRate)
{
    using ravlin::render::requiredModelFiles;
    EXPECT_EQ(requiredModelFiles(0, 44100),
              (std::vector<std::string>{"ravlinpre_eh_b1_pca.dat", "ravlinpre_eh_b2_pca.dat", "ravlinpre_eh_b4_std.dat",
                                        "ravlinpre_eh_b3_pca.dat.44100"}));
    EXPECT_EQ(requiredModelFiles(1, 768000).back(), "ravlinpre_rsd_b3_pca.dat.768000");
    EXPECT_EQ(requiredModelFiles(1, 48000).front(), "ravlinpre_rsd_b1_pca.dat");
}

TEST(ModelFiles, LoopName)
{
    EXPECT_EQ(ravlin::render::sampleLoopName(true, 16), "processStereoX16");
    EXPECT_EQ(ravlin::render::sampleLoopName(false, 1), "processMonoX1");
}
