#include "GuitarRiff.h"

#include <algorithm>
#include <cmath>

namespace ravlin::riff {

int openStringMidiNote(int string) noexcept
{
    static constexpr int open[6] = {40, 45, 50, 55, 59, 64};
    return open[std::clamp(string, 0, 5)];
}

int midiNoteOf(const RiffNote& note) noexcept { return openStringMidiNote(note.string) + std::clamp(note.fret, 0, 24); }

double frequencyOf(const RiffNote& note) noexcept { return 440.0 * std::pow(2.0, (midiNoteOf(note) - 69) / 12.0); }

std::vector<RiffNote> defaultRiff()
{
    const double eighth = 60.0 / defaultRiffTempo / 2.0;
    std::vector<RiffNote> notes;
    auto chord = [&](double step, double steps, int rootString, int rootFret, double velocity) {
        // Power chord: root and fifth (next string, two frets up) plus the octave above.
        notes.push_back({step * eighth, steps * eighth, rootString, rootFret, velocity});
        notes.push_back({step * eighth + 0.006, steps * eighth, rootString + 1, rootFret + 2, velocity * 0.95});
        notes.push_back({step * eighth + 0.012, steps * eighth, rootString + 2, rootFret + 2, velocity * 0.9});
    };
    auto single = [&](double step, double steps, int string, int fret, double velocity) {
        notes.push_back({step * eighth, steps * eighth, string, fret, velocity});
    };
    // Bar 1: E5 chugs, then a run up on the low strings.
    chord(0, 2, 0, 0, 0.95);
    single(2, 1, 0, 0, 0.6);
    single(3, 1, 0, 0, 0.6);
    chord(4, 1.5, 0, 3, 0.85);
    single(5.5, 0.5, 0, 0, 0.55);
    chord(6, 2, 0, 5, 0.9);
    // Bar 2: a single-note phrase on the A and D strings.
    single(8, 1, 1, 2, 0.8);
    single(9, 1, 2, 2, 0.75);
    single(10, 1, 2, 4, 0.8);
    single(11, 1, 1, 2, 0.7);
    single(12, 1, 2, 0, 0.75);
    single(13, 1, 1, 0, 0.7);
    chord(14, 2, 0, 3, 0.9);
    // Bar 3 opens with a ringing open E5 chord that decays.
    chord(16, 8, 0, 0, 1.0);
    std::stable_sort(notes.begin(), notes.end(),
                     [](const RiffNote& a, const RiffNote& b) { return a.startSeconds < b.startSeconds; });
    return notes;
}

double riffDurationSeconds(const std::vector<RiffNote>& riff, double releaseSeconds) noexcept
{
    double end = 0.0;
    for (const auto& n : riff)
        end = std::max(end, n.startSeconds + n.lengthSeconds);
    return end + releaseSeconds;
}

} // namespace ravlin::riff
