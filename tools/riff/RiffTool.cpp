// ravlin-riff: writes the built-in guitar riff as a Standard MIDI File, so fluidsynth can render
// a sampled guitar version of the same notes that the renderer synthesizes itself, or as the
// synthesized DI signal in a WAV file (a test signal for host runs).
//   ravlin-riff --midi FILE [--program N]
//   ravlin-riff --wav FILE [--rate HZ]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "GuitarRiff.h"
#include "RiffMidi.h"
#include "RiffSynth.h"

#if RAVLIN_RIFF_WAV
#include <sndfile.h>
#endif

namespace {

int usage(std::FILE* to, int code)
{
    std::fprintf(to, "usage: ravlin-riff --midi FILE [--program N]\n"
                     "       ravlin-riff --wav FILE [--rate HZ]\n"
                     "  --midi FILE   write the built-in riff as a Standard MIDI File\n"
                     "  --program N   General MIDI program 0..127 (default %d, clean electric guitar)\n"
                     "  --wav FILE    write the synthesized DI riff (mono, 32-bit float WAV)\n"
                     "  --rate HZ     sample rate of the WAV (default 44100)\n",
                 ravlin::riff::gmCleanElectricGuitar);
    return code;
}

/// The synthesized riff as a mono 32-bit float WAV file; false (and a message) on failure.
bool writeRiffWav(const std::string& path, int rate)
{
#if RAVLIN_RIFF_WAV
    const std::vector<float> signal = ravlin::riff::renderDefaultRiff(rate);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr)
    {
        std::fprintf(stderr, "ravlin-riff: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const auto frames = static_cast<sf_count_t>(signal.size());
    const bool ok = sf_writef_float(f, signal.data(), frames) == frames;
    if (sf_close(f) != 0 || !ok)
    {
        std::fprintf(stderr, "ravlin-riff: writing %s failed\n", path.c_str());
        std::remove(path.c_str());
        return false;
    }
    return true;
#else
    std::fprintf(stderr, "ravlin-riff: built without libsndfile, cannot write %s\n", path.c_str());
    return false;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    std::string midiPath, wavPath;
    int program = ravlin::riff::gmCleanElectricGuitar;
    int rate = 44100;
    for (int a = 1; a < argc; ++a)
    {
        const std::string arg = argv[a];
        if (arg == "--help" || arg == "-h")
            return usage(stdout, 0);
        if (a + 1 >= argc)
        {
            std::fprintf(stderr, "ravlin-riff: %s needs a value\n", arg.c_str());
            return usage(stderr, 2);
        }
        const std::string value = argv[++a];
        if (arg == "--midi")
            midiPath = value;
        else if (arg == "--wav")
            wavPath = value;
        else if (arg == "--rate")
        {
            char* end = nullptr;
            const long r = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || r < 8000 || r > 768000)
            {
                std::fprintf(stderr, "ravlin-riff: --rate must be 8000..768000, got '%s'\n", value.c_str());
                return 2;
            }
            rate = static_cast<int>(r);
        }
        else if (arg == "--program")
        {
            char* end = nullptr;
            const long p = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || p < 0 || p > 127)
            {
                std::fprintf(stderr, "ravlin-riff: --program must be 0..127, got '%s'\n", value.c_str());
                return 2;
            }
            program = static_cast<int>(p);
        }
        else
        {
            std::fprintf(stderr, "ravlin-riff: unknown option %s\n", arg.c_str());
            return usage(stderr, 2);
        }
    }
    if (midiPath.empty() == wavPath.empty())
        return usage(stderr, 2);
    if (!wavPath.empty())
        return writeRiffWav(wavPath, rate) ? 0 : 1;

    const auto bytes = ravlin::riff::riffToMidi(ravlin::riff::defaultRiff(), ravlin::riff::defaultRiffTempo, program);
    std::FILE* f = std::fopen(midiPath.c_str(), "wb");
    if (f == nullptr)
    {
        std::fprintf(stderr, "ravlin-riff: cannot write %s: %s\n", midiPath.c_str(), std::strerror(errno));
        return 1;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
    {
        std::fprintf(stderr, "ravlin-riff: writing %s failed\n", midiPath.c_str());
        std::remove(midiPath.c_str());
        return 1;
    }
    return 0;
}
