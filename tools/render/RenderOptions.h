#pragma once
// Command line of ravlin-render, parsed without touching any file or the processor, so every
// syntax error is reported before work starts. Names and ranges that need the processor
// (parameter names, model files) are checked by the render session.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ravlin::render {

struct ParameterSetting
{
    std::string name;   ///< as typed; matched against the processor's parameter names
    float value = 0.0f; ///< host units, checked to lie in 0..1
};

struct RenderOptions
{
    std::string inputPath;                  ///< empty: the built-in synthesized riff; else the first --in
    std::vector<std::string> inputs;        ///< every --in, in order: files or folders (batch when several or a folder)
    int jobs = 0;                           ///< renders at once in a batch; 0: one per core
    std::string outputPath;                 ///< empty: "ravlin-render-out.wav"
    std::string statePath;                  ///< a saved state chunk to load first
    std::string modelDirectory;             ///< empty: the processor's own model folder
    int program = -1;                       ///< 0-based program index, -1 keeps the state's current program
    std::vector<ParameterSetting> settings; ///< applied in order, after the state and program
    int blockSize = 512;
    double sampleRate = 0.0; ///< 0: the input file's rate (48000 for the built-in riff)
    bool list = false;
    bool help = false;
    bool quiet = false; ///< no progress bar
};

/// Default output file when --out is not given.
inline constexpr const char* defaultOutputPath = "ravlin-render-out.wav";

/// Parses argv[1..argc-1]. On failure returns nothing and sets `error` to a one-line message
/// naming the offending option and value.
std::optional<RenderOptions> parseRenderOptions(const std::vector<std::string>& args, std::string& error);

/// The --help text.
std::string renderUsage();

} // namespace ravlin::render
