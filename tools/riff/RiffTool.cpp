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

#include "CommandLine.h"
#include "GuitarRiff.h"
#include "RiffMidi.h"
#include "RiffSynth.h"

#if RAVLIN_RIFF_WAV
#include <sndfile.h>
#endif

namespace {

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
    CLI::App app("Writes the built-in guitar riff as a Standard MIDI File (for a sampled guitar) or as the "
                 "synthesized DI signal in a WAV file.",
                 "ravlin-riff");
    auto* midi = app.add_option("--midi", midiPath, "write the riff as a MIDI file");
    auto* wav = app.add_option("--wav", wavPath, "write the synthesized DI signal as a WAV file");
    midi->excludes(wav);
    wav->excludes(midi);
    app.add_option("--program", program, "General MIDI program of the MIDI file (default 27)")
        ->check(ravlin::cli::wholeIn(0, 127));
    app.add_option("--rate", rate, "sample rate of the WAV file in Hz (default 44100)")
        ->check(ravlin::cli::wholeIn(8000, 768000));
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    if (midiPath.empty() && wavPath.empty())
    {
        std::fprintf(stderr, "ravlin-riff: give --midi FILE or --wav FILE (see ravlin-riff --help)\n");
        return 2;
    }
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
