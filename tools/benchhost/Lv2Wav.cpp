// ravlin-lv2wav: runs a sound file through an LV2 plug-in and writes what comes out, as a host's
// offline bounce would: the same instance (urid map, options, bounded block length) that the bench
// host times, fed block by block.
//   ravlin-lv2wav [--bundle DIR]... --uri URI --in FILE --out FILE [--set SYMBOL=VALUE]... [--block N]
// Input channel i feeds plug-in input i (a mono file feeds every input); the output file has one
// channel per plug-in output, 32-bit float, at the input's rate. Prints one summary line; exits
// non-zero when the plug-in cannot be loaded or a file cannot be read or written. Whether the
// result is sound (finite, not silent) is for the caller to judge, e.g. with ravlin-wavcheck.
#include <lilv/lilv.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Lv2Instance.h"

namespace {

struct SoundFile
{
    explicit SoundFile(SNDFILE* f) : file(f) {}
    ~SoundFile()
    {
        if (file != nullptr)
            sf_close(file);
    }
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;
    SNDFILE* file;
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> bundles;
    std::string uri, inPath, outPath;
    std::vector<std::pair<std::string, float>> controls;
    int block = 256;
    std::vector<std::string> settings;
    CLI::App app("Runs a sound file through an LV2 plug-in and writes what comes out, as a host's offline "
                 "bounce would.",
                 "ravlin-lv2wav");
    app.add_option("--bundle", bundles, "load an LV2 bundle directory in addition to LV2_PATH")
        ->allow_extra_args(false);
    app.add_option("--uri", uri, "the plug-in")->required();
    app.add_option("--in", inPath, "sound file to process (any format libsndfile reads)")->required();
    app.add_option("--out", outPath, "WAV file written, 32-bit float, one channel per plug-in output")->required();
    app.add_option("--set", settings, "control port value")
        ->allow_extra_args(false)
        ->check(ravlin::cli::symbolEqualsNumber());
    app.add_option("--block", block, "frames per run call (default 256)")->check(ravlin::cli::wholeIn(1, 65536));
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    for (const auto& s : settings)
        controls.push_back(ravlin::cli::symbolAndValue(s));

    SF_INFO inInfo{};
    SoundFile in(sf_open(inPath.c_str(), SFM_READ, &inInfo));
    if (in.file == nullptr || inInfo.channels < 1 || inInfo.frames < 1)
    {
        std::fprintf(stderr, "ravlin-lv2wav: cannot read %s: %s\n", inPath.c_str(),
                     in.file == nullptr ? sf_strerror(nullptr) : "no audio in it");
        return 1;
    }
    const auto frames = static_cast<std::size_t>(inInfo.frames);
    const auto inChannels = static_cast<std::size_t>(inInfo.channels);
    std::vector<float> interleaved(frames * inChannels);
    if (sf_readf_float(in.file, interleaved.data(), inInfo.frames) != inInfo.frames)
    {
        std::fprintf(stderr, "ravlin-lv2wav: short read from %s\n", inPath.c_str());
        return 1;
    }

    LilvWorld* world = ravlin::benchhost::loadWorld(bundles);
    std::string error;
    auto instance = ravlin::benchhost::Lv2Instance::create(world, uri, inInfo.samplerate, block, controls, error);
    if (!instance || instance->audioOutputs() == 0 || instance->audioInputs() == 0)
    {
        std::fprintf(stderr, "ravlin-lv2wav: %s\n",
                     instance ? "the plug-in has no audio input or output" : error.c_str());
        instance.reset();
        lilv_world_free(world);
        return 1;
    }

    const auto outChannels = static_cast<std::size_t>(instance->audioOutputs());
    std::vector<std::vector<float>> blockIn(inChannels, std::vector<float>(static_cast<std::size_t>(block)));
    std::vector<const float*> inputs(inChannels);
    for (std::size_t c = 0; c < inChannels; ++c)
        inputs[c] = blockIn[c].data();
    std::vector<float> output(frames * outChannels);
    for (std::size_t pos = 0; pos < frames; pos += static_cast<std::size_t>(block))
    {
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(block), frames - pos);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t c = 0; c < inChannels; ++c)
                blockIn[c][i] = interleaved[(pos + i) * inChannels + c];
        instance->run(inputs.data(), static_cast<int>(inChannels), static_cast<int>(n));
        for (std::size_t c = 0; c < outChannels; ++c)
        {
            const float* out = instance->output(static_cast<int>(c));
            for (std::size_t i = 0; i < n; ++i)
                output[(pos + i) * outChannels + c] = out[i];
        }
    }
    const std::string name = instance->name();
    const int pluginInputs = instance->audioInputs();
    instance.reset();
    lilv_world_free(world);

    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = static_cast<int>(outChannels);
    outInfo.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SoundFile out(sf_open(outPath.c_str(), SFM_WRITE, &outInfo));
    if (out.file == nullptr
        || sf_writef_float(out.file, output.data(), static_cast<sf_count_t>(frames)) != static_cast<sf_count_t>(frames))
    {
        std::fprintf(stderr, "ravlin-lv2wav: cannot write %s: %s\n", outPath.c_str(), sf_strerror(out.file));
        return 1;
    }
    std::printf("lv2wav: %s: %zu frames at %d Hz, %zu channel(s) into %d in / %zu out, block %d -> %s\n", name.c_str(),
                frames, inInfo.samplerate, inChannels, pluginInputs, outChannels, block, outPath.c_str());
    return 0;
}
