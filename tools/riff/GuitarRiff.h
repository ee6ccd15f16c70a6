#pragma once
// The demo riff: a short rock figure on a six-string guitar in standard tuning.
// One note list feeds both the built-in plucked-string synthesis (the renderer's default input)
// and the MIDI file that fluidsynth turns into a second, sampled guitar signal.
#include <vector>

namespace ravlin::riff {

/// One plucked note. Strings are numbered 0 (low E, 82.4 Hz) to 5 (high E, 329.6 Hz).
struct RiffNote
{
    double startSeconds = 0.0;
    double lengthSeconds = 0.0; ///< time until the string is damped
    int string = 0;             ///< 0..5
    int fret = 0;               ///< 0..24
    double velocity = 0.8;      ///< pick strength, 0..1
};

/// MIDI note number of the open string, standard tuning E2 A2 D3 G3 B3 E4.
int openStringMidiNote(int string) noexcept;

/// MIDI note number of a string and fret.
int midiNoteOf(const RiffNote& note) noexcept;

/// Fundamental frequency in Hz of a string and fret (equal temperament, A4 = 440 Hz).
double frequencyOf(const RiffNote& note) noexcept;

/// The built-in riff: about four seconds of power chords and single notes at 140 beats per minute,
/// ending on a ringing chord. Notes are sorted by start time.
std::vector<RiffNote> defaultRiff();

/// Tempo of the built-in riff in beats per minute (used for the MIDI file's tempo).
constexpr double defaultRiffTempo = 140.0;

/// Time in seconds after the last note ends (including its decay) of a riff.
double riffDurationSeconds(const std::vector<RiffNote>& riff, double releaseSeconds = 0.25) noexcept;

} // namespace ravlin::riff
