#pragma once
// The exchange between the editor's controls and the plug-in's parameters: what a control sends
// (a host value 0..1) when it moves, and what a control shows for a stored parameter value.
// Stored values are those of the current program (Input and Output 0..49, Gain 0..16, tone 0..14,
// Oversampling 0..4); control values are those of the bars (Input 0..12.25 in quarter steps,
// Output -37..12 in whole steps).
#include <array>

namespace ravlin::editor
{
/** Parameter indices of the plug-in. */
enum Parameter : int
{
    dualTriodes = 0,
    input = 1,
    gain = 2,
    treble = 3,
    middle = 4,
    bass = 5,
    output = 6,
    oversampling = 7,
    monoStereo = 8,
    showSettings = 9,
    numParameters = 10
};

/** The ten stored values of the current program, indexed by `Parameter`. */
using StoredValues = std::array<float, numParameters>;

// Control -> host value.
inline float inputHostValue(double bar) noexcept { return static_cast<float>(bar * 4.0 / 49.0); }
inline float gainHostValue(double bar) noexcept { return static_cast<float>(bar) * 0.0625f; }
inline float toneHostValue(double bar) noexcept { return static_cast<float>(bar) / 14.0f; }
inline float outputHostValue(double bar) noexcept { return static_cast<float>((bar + 37.0) / 49.0); }
inline float oversamplingHostValue(double selector) noexcept { return static_cast<float>(selector) * 0.25f; }
inline float switchHostValue(bool on) noexcept { return on ? 1.0f : 0.0f; }

// Stored value -> control value (before the slider snaps it to its step and range).
inline float inputBarValue(float stored) noexcept { return stored * 0.25f; }
inline float outputBarValue(float stored) noexcept { return stored - 37.0f; }

/** "Aged  12ax7" selected (Dual Triodes stored as 1). */
inline bool agedValvesSelected(const StoredValues& q) noexcept { return q[dualTriodes] == 1.0f; }
/** Stereo selected: Mono/Stereo truncated to an integer is not 0. */
inline bool stereoSelected(const StoredValues& q) noexcept { return static_cast<int>(q[monoStereo]) != 0; }
/** Settings panel shown: Show settings is not 0. */
inline bool settingsShown(const StoredValues& q) noexcept { return q[showSettings] != 0.0f; }
} // namespace ravlin::editor
