#pragma once
// Data behind the report plots, computed from the circuit models with the Newton solve (no model
// data files needed) and from rendered sound files.
#include <string>
#include <vector>

namespace ravlin::render {

struct ToneSetting
{
    unsigned treble = 7, middle = 7, bass = 7; ///< positions 0..14
    unsigned index() const noexcept { return treble * 225u + bass * 15u + middle; }
    std::string label() const;
};

/// Settings shown in the tone-stack plot: centre, each control at both ends, all flat.
std::vector<ToneSetting> reportToneSettings();

/// Small-signal gain in dB of block 4 (cathode follower and tone stack, V3 plate to Treble wiper)
/// at `frequencies` Hz, around the operating point of the preamp at rest.
std::vector<double> toneStackResponseDb(const ToneSetting& tone, const std::vector<double>& frequencies,
                                        double sampleRate);

/// Input-to-output level curve of the processor's signal path at its default Input and Output
/// (input gain 1.5, output gain 0.0048660987) with the Newton-solved circuit at Gain position
/// `gain` and the tone controls centred: a 1 kHz sine stepped up in level, one point per level
/// with the input and output peak in dBFS, measured after the level has settled.
struct TransferPoint
{
    double inputDb;
    double outputDb;
};
std::vector<TransferPoint> transferCurve(unsigned gain, double fromDb, double toDb, int points, double sampleRate);

/// Welch power spectrum of channel 0 of a sound file: Hann frames of `frameSize`, half overlap,
/// in dB relative to a full-scale sine. Fills `frequencies` and `levelsDb`; returns false with
/// `error` set when the file cannot be read or is shorter than one frame.
bool soundFileSpectrum(const std::string& path, int frameSize, std::vector<double>& frequencies,
                       std::vector<double>& levelsDb, std::string& error);

/// The same on samples in memory at `sampleRate`.
void spectrum(const std::vector<float>& samples, double sampleRate, int frameSize, std::vector<double>& frequencies,
              std::vector<double>& levelsDb);

} // namespace ravlin::render
