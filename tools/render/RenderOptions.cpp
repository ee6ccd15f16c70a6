#include "RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace ravlin::render {

namespace {

bool parseInteger(const std::string& text, long& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool parseReal(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(out);
}

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

} // namespace

std::string renderUsage()
{
    return "usage: ravlin-render [options]\n"
           "Renders an audio file (or the built-in DI guitar riff) through RAVLIN Preamp offline.\n"
           "  --in FILE|FOLDER   input audio (WAV, FLAC, AIFF; mono or stereo). Default: built-in riff.\n"
           "                     Repeat it, or name a folder, to render several takes in one call\n"
           "  --out FILE         output file (.wav 32-bit float, .flac/.aiff 24-bit). Default: "
           + std::string(defaultOutputPath)
           + "\n"
             "                     With several inputs: a folder; each output is named after its input\n"
             "  --jobs N           renders at once with several inputs, 1..256 (default: one per core)\n"
             "  --program N        program 1..12\n"
             "  --state FILE       load a saved state chunk (the whole bank) before anything else\n"
             "  --set NAME=VALUE   set a parameter by name in host units 0..1 (repeatable),\n"
             "                     e.g. --set Gain=1 --set \"Mono/Stereo=1\"\n"
             "  --block N          samples per processing block, 1..65536 (default 512)\n"
             "  --rate R           processing rate in Hz; the input is resampled to it\n"
             "  --models DIR       folder with the model data files (default: beside the renderer)\n"
             "  --list             print parameters, programs and value texts, then exit\n"
             "  --quiet            no progress bar\n"
             "  --help             this text\n";
}

std::optional<RenderOptions> parseRenderOptions(const std::vector<std::string>& args, std::string& error)
{
    RenderOptions o;
    for (std::size_t a = 0; a < args.size(); ++a)
    {
        const std::string& arg = args[a];
        if (arg == "--help" || arg == "-h")
        {
            o.help = true;
            continue;
        }
        if (arg == "--list")
        {
            o.list = true;
            continue;
        }
        if (arg == "--quiet")
        {
            o.quiet = true;
            continue;
        }
        const bool takesValue = arg == "--in" || arg == "--out" || arg == "--program" || arg == "--state"
                                || arg == "--set" || arg == "--block" || arg == "--rate" || arg == "--models"
                                || arg == "--jobs";
        if (!takesValue)
        {
            error = "unknown option '" + arg + "' (see --help)";
            return std::nullopt;
        }
        if (a + 1 >= args.size())
        {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++a];
        if (value.empty())
        {
            error = arg + " needs a non-empty value";
            return std::nullopt;
        }
        long integer = 0;
        double real = 0.0;
        if (arg == "--in")
        {
            if (o.inputs.empty())
                o.inputPath = value;
            o.inputs.push_back(value);
        }
        else if (arg == "--out")
            o.outputPath = value;
        else if (arg == "--state")
            o.statePath = value;
        else if (arg == "--models")
            o.modelDirectory = value;
        else if (arg == "--program")
        {
            if (!parseInteger(value, integer) || integer < 1 || integer > 12)
            {
                error = "--program must be 1..12, got '" + value + "'";
                return std::nullopt;
            }
            o.program = static_cast<int>(integer - 1);
        }
        else if (arg == "--jobs")
        {
            if (!parseInteger(value, integer) || integer < 1 || integer > 256)
            {
                error = "--jobs must be 1..256, got '" + value + "'";
                return std::nullopt;
            }
            o.jobs = static_cast<int>(integer);
        }
        else if (arg == "--block")
        {
            if (!parseInteger(value, integer) || integer < 1 || integer > 65536)
            {
                error = "--block must be 1..65536, got '" + value + "'";
                return std::nullopt;
            }
            o.blockSize = static_cast<int>(integer);
        }
        else if (arg == "--rate")
        {
            if (!parseReal(value, real) || real < 8000.0 || real > 384000.0 || real != std::floor(real))
            {
                error = "--rate must be a whole number of Hz in 8000..384000, got '" + value + "'";
                return std::nullopt;
            }
            o.sampleRate = real;
        }
        else // --set
        {
            const auto eq = value.rfind('=');
            if (eq == std::string::npos || eq == 0)
            {
                error = "--set needs NAME=VALUE, got '" + value + "'";
                return std::nullopt;
            }
            const std::string name = trim(value.substr(0, eq));
            const std::string number = trim(value.substr(eq + 1));
            if (!parseReal(number, real))
            {
                error = "--set " + name + ": '" + number + "' is not a number";
                return std::nullopt;
            }
            if (real < 0.0 || real > 1.0)
            {
                error = "--set " + name + ": value " + number + " is outside 0..1 (parameters take host units)";
                return std::nullopt;
            }
            o.settings.push_back({name, static_cast<float>(real)});
        }
    }
    if (o.outputPath.empty())
        o.outputPath = defaultOutputPath;
    return o;
}

} // namespace ravlin::render
