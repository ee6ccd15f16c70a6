#pragma once
// Guitar-like test and training signals at the instrument's level (volts at the
// preamp input before the Input gain): plucked and strummed strings from a
// Karplus-Strong string model, sine sweeps and tone bursts. Deterministic per seed.
#include <cstdint>
#include <string>
#include <vector>

namespace ravlin::modelgen {

using Signal = std::vector<double>;

/// One plucked note: Karplus-Strong string at `frequency` Hz, peak `peak` V,
/// decaying over `seconds`. `brightness` in (0, 1] sets the pluck's high-frequency content.
Signal pluckedNote(double sampleRate, double frequency, double peak, double seconds, double brightness,
                   std::uint64_t seed);

/// A sequence of single plucked notes in a guitar's range, each normalised to `peak` V.
Signal pluckedPhrase(double sampleRate, double seconds, double peak, std::uint64_t seed);

/// Strummed six-string chords (strings a few ms apart), normalised to `peak` V.
Signal strummedChords(double sampleRate, double seconds, double peak, std::uint64_t seed);

/// Exponential sine sweep from f0 to f1 Hz, amplitude `peak` V.
Signal sineSweep(double sampleRate, double seconds, double f0, double f1, double peak);

/// Sine bursts at random frequencies and levels up to `peak` V, with silences between.
Signal toneBursts(double sampleRate, double seconds, double peak, std::uint64_t seed);

/// Scales the signal so that its largest magnitude is `peak`.
void normalisePeak(Signal& s, double peak);

/// Appends `b` to `a`.
void append(Signal& a, const Signal& b);

/// Linear-interpolation resampling from rate `from` to rate `to` (for driving
/// blocks at oversampled rates; the content stays far below the new Nyquist rate).
Signal resampleLinear(const Signal& s, double from, double to);

} // namespace ravlin::modelgen
