#pragma once
// Accuracy of the trained chain: the four blocks with the networks against the same
// blocks with the port solve (same matrices, same operating points), as the
// error-to-signal ratio ESR = sum (y_net - y_ref)^2 / sum y_ref^2 of the chain
// output after 0.1 s of settling.
#include <filesystem>
#include <string>
#include <vector>

#include "ModelData.h"
#include "Signals.h"
#include "circuit/ValveSets.h"

namespace ravlin::modelgen {

/// The model files of one valve set, read from a model folder.
struct SetFiles
{
    ValveSet set = ValveSet::fresh;
    BlockFileData block1, block2, block4;                                   ///< the plain files
    std::vector<std::pair<double, BlockFileData>> block1Rates, block2Rates; ///< per-rate files found, by rate
    std::vector<std::pair<double, BlockFileData>> block3;                   ///< by rate
    const BlockFileData* block3At(double rate) const;
    /// Block 1 or 2 as the run-time loads it at `rate`: the rate's own file, else the plain one.
    const BlockFileData& gainBlockAt(int block, double rate) const;
};

/// Reads and checks the files of `set` in `dir`; false (with `error`) when one is
/// missing or malformed. Block-3 files are read for `rates`, and blocks 1 and 2's
/// per-rate files where the folder has them (a damaged one is an error).
bool loadSetFiles(const std::filesystem::path& dir, ValveSet set, const std::vector<double>& rates, SetFiles& files,
                  std::string& error);

struct EsrCase
{
    ValveSet set = ValveSet::fresh;
    double rate = 44100.0;
    unsigned gain = 8;
    std::vector<unsigned> tones; ///< block 4 runs once per tone on the same blocks 1-3 output
    std::string signal;          ///< name, see accuracySignal
    /// Blocks (bit k-1 for block k) the network chain solves by Newton instead of with its
    /// networks: the error that remains belongs to the other blocks.
    unsigned exactBlocks = 0;
};

/// Input signal (volts at block 1) of a named test: "pluck-20", "pluck-6" at Input
/// default (x1.5), "pluck-20max", "pluck-6max" at Input maximum (x3), "sweep"
/// (100 Hz - 5 kHz at -6 dBFS, Input default).
/// "riff": the sampled riff given to setRiffSignal, at Input default, resampled.
Signal accuracySignal(const std::string& name, double rate, double seconds);

/// The sampled riff (mono, full scale 1) for the "riff" signal; call before any case runs.
void setRiffSignal(Signal samples, double rate);

/// Result of one case: ESR per tone, the largest |y| of the network chain
/// (boundedness) and the reference steps whose port solve did not converge (a case
/// with any is not a measurement: the reference itself is off there).
struct EsrResult
{
    std::vector<double> esr;
    double peak = 0.0;
    long unconverged = 0;
};

/// Seconds of settling before the error counts.
constexpr double kSettleSeconds = 0.1;

/// One case over `seconds` of signal (settling included).
EsrResult measureEsr(const SetFiles& files, const EsrCase& c, double seconds);

} // namespace ravlin::modelgen
