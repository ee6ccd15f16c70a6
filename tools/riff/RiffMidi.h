#pragma once
// Standard MIDI File (format 0) of a riff, for rendering a sampled guitar with a General MIDI
// sound font. Pure byte encoding; no file access.
#include <cstdint>
#include <vector>

#include "GuitarRiff.h"

namespace ravlin::riff {

/// General MIDI programs (0-based) that suit a DI guitar signal.
constexpr int gmNylonGuitar = 24;
constexpr int gmCleanElectricGuitar = 27;

/// Ticks per quarter note in the files written here.
constexpr int midiTicksPerQuarter = 480;

/// Encodes `riff` as a one-track Standard MIDI File on channel 1: tempo, program change to
/// `gmProgram` (0..127), then note-on/note-off pairs. A note-off sorts before a note-on at the
/// same tick so a repeated pitch restarts cleanly.
std::vector<std::uint8_t> riffToMidi(const std::vector<RiffNote>& riff, double tempoBpm, int gmProgram);

} // namespace ravlin::riff
