// ravlin-riff: writes the built-in guitar riff as a Standard MIDI File, so fluidsynth can render
// a sampled guitar version of the same notes that the renderer synthesizes itself.
//   ravlin-riff --midi FILE [--program N]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "GuitarRiff.h"
#include "RiffMidi.h"

namespace {

int usage(std::FILE* to, int code)
{
    std::fprintf(to, "usage: ravlin-riff --midi FILE [--program N]\n"
                     "  --midi FILE   write the built-in riff as a Standard MIDI File\n"
                     "  --program N   General MIDI program 0..127 (default %d, clean electric guitar)\n",
                 ravlin::riff::gmCleanElectricGuitar);
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    std::string midiPath;
    int program = ravlin::riff::gmCleanElectricGuitar;
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
    if (midiPath.empty())
        return usage(stderr, 2);

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
