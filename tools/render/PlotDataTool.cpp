// ravlin-plotdata: writes the data files behind the report plots (gnuplot reads them).
//   ravlin-plotdata tone OUT.dat        tone-stack small-signal response, one column per setting
//   ravlin-plotdata transfer OUT.dat    transfer curves at Gain 0, 8, 16 (input, three outputs)
//   ravlin-plotdata spectrum IN OUT.dat spectrum of a sound file's first channel
//   ravlin-plotdata riff-spectrum OUT.dat spectrum of the built-in DI riff at 48 kHz
#include <cmath>
#include <cstdio>
#include <string>

#include "CommandLine.h"
#include "PlotData.h"
#include "RiffSynth.h"
#include "SmallSignal.h"

using namespace ravlin::render;

namespace {

constexpr double analysisRate = 48000.0;

std::FILE* openOutput(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr)
        std::fprintf(stderr, "ravlin-plotdata: cannot write %s\n", path.c_str());
    return f;
}

int finish(std::FILE* f, const std::string& path)
{
    if (std::fclose(f) != 0)
    {
        std::fprintf(stderr, "ravlin-plotdata: writing %s failed\n", path.c_str());
        std::remove(path.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app("Writes the data files behind the report plots (gnuplot reads them).", "ravlin-plotdata");
    app.require_subcommand(1);
    std::string out, in;
    auto* tone = app.add_subcommand("tone", "tone-stack small-signal response, one column per setting");
    tone->add_option("OUT", out, "data file to write")->required();
    auto* transfer = app.add_subcommand("transfer", "transfer curves at Gain 0, 8, 16 (input, three outputs)");
    transfer->add_option("OUT", out, "data file to write")->required();
    auto* fileSpectrum = app.add_subcommand("spectrum", "spectrum of a sound file's first channel");
    fileSpectrum->add_option("IN", in, "sound file to analyse")->required();
    fileSpectrum->add_option("OUT", out, "data file to write")->required();
    auto* riffSpectrum = app.add_subcommand("riff-spectrum", "spectrum of the built-in DI riff at 48 kHz");
    riffSpectrum->add_option("OUT", out, "data file to write")->required();
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;

    if (tone->parsed())
    {
        const auto freqs = logFrequencies(20.0, 20000.0, 200);
        const auto settings = reportToneSettings();
        std::vector<std::vector<double>> columns;
        for (const auto& s : settings)
            columns.push_back(toneStackResponseDb(s, freqs, analysisRate));
        std::FILE* f = openOutput(out);
        if (f == nullptr)
            return 1;
        std::fprintf(f, "frequency_Hz");
        for (const auto& s : settings)
            std::fprintf(f, "\t\"%s\"", s.label().c_str());
        std::fprintf(f, "\n");
        for (std::size_t k = 0; k < freqs.size(); ++k)
        {
            std::fprintf(f, "%.6g", freqs[k]);
            for (const auto& c : columns)
                std::fprintf(f, "\t%.6f", c[k]);
            std::fprintf(f, "\n");
        }
        return finish(f, out);
    }
    if (transfer->parsed())
    {
        const unsigned gains[] = {0, 8, 16};
        std::vector<std::vector<TransferPoint>> curves;
        for (unsigned g : gains)
            curves.push_back(transferCurve(g, -48.0, 0.0, 25, analysisRate));
        std::FILE* f = openOutput(out);
        if (f == nullptr)
            return 1;
        std::fprintf(f, "input_peak_dBFS\t\"Gain 0\"\t\"Gain 8\"\t\"Gain 16\"\n");
        for (std::size_t k = 0; k < curves[0].size(); ++k)
            std::fprintf(f, "%.3f\t%.3f\t%.3f\t%.3f\n", curves[0][k].inputDb, curves[0][k].outputDb,
                         curves[1][k].outputDb, curves[2][k].outputDb);
        return finish(f, out);
    }
    std::vector<double> freqs, levels;
    std::string error;
    if (riffSpectrum->parsed())
        spectrum(ravlin::riff::renderDefaultRiff(analysisRate), analysisRate, 8192, freqs, levels);
    else if (!soundFileSpectrum(in, 8192, freqs, levels, error))
    {
        std::fprintf(stderr, "ravlin-plotdata: %s\n", error.c_str());
        return 1;
    }
    std::FILE* f = openOutput(out);
    if (f == nullptr)
        return 1;
    std::fprintf(f, "frequency_Hz\tlevel_dBFS\n");
    for (std::size_t k = 1; k < freqs.size(); ++k)
        std::fprintf(f, "%.3f\t%.3f\n", freqs[k], levels[k]);
    return finish(f, out);
}
