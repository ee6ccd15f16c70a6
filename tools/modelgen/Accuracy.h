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
#include "ValveSets.h"

namespace ravlin::modelgen {

/// The model files of one valve set, read from a model folder.
struct SetFiles
{
    ValveSet set = ValveSet::fresh;
    BlockFileData block1, block2, block4;
    std::vector<std::pair<double, BlockFileData>> block3; ///< by rate
    const BlockFileData* block3At(double rate) const;
};

/// Reads and checks the files of `set` in `dir`; false (with `error`) when one is
/// missing or malformed. Block-3 files are read for `rates`.
bool loadSetFiles(const std::filesystem::path& dir, ValveSet set, const std::vector<double>& rates, SetFiles& files,
                  std::string& error);

struct EsrCase
{
    ValveSet set = ValveSet::fresh;
    double rate = 44100.0;
    unsigned gain = 8;
    std::vector<unsigned> tones; ///< block 4 runs once per tone on the same blocks 1-3 output
    std::string signal;           ///< name, see accuracySignal
};

/// Input signal (volts at block 1) of a named test: "pluck-20", "pluck-6" at Input
/// default (x1.5), "pluck-20max", "pluck-6max" at Input maximum (x3), "sweep"
/// (100 Hz - 5 kHz at -6 dBFS, Input default).
/// "riff": the sampled riff given to setRiffSignal, at Input default, resampled.
Signal accuracySignal(const std::string& name, double rate, double seconds);

/// The sampled riff (mono, full scale 1) for the "riff" signal; call before any case runs.
void setRiffSignal(Signal samples, double rate);

/// ESR per tone of one case; also the largest |y| of the network chain (boundedness).
std::vector<double> measureEsr(const SetFiles& files, const EsrCase& c, double seconds, double& peakOut);

} // namespace ravlin::modelgen
