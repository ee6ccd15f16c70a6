#pragma once
// Port-voltage clouds: the physical port voltages v each block meets when the
// reference chain plays guitar-like signals at every Gain position over the whole
// Input range. A training pair for any rate and position follows exactly from a
// cloud point: i = f(v) (the block's triode laws) and p = v - K i (that setting's
// K), so the targets need no further nonlinear solve.
#include <array>
#include <cstdint>
#include <vector>

#include "Signals.h"
#include "circuit/ValveSets.h"

namespace ravlin::modelgen {

struct PortCloud
{
    int ports = 0;
    std::vector<double> v; ///< ports values per point, point after point

    std::size_t size() const { return ports > 0 ? v.size() / static_cast<std::size_t>(ports) : 0; }
    const double* point(std::size_t k) const { return &v[k * static_cast<std::size_t>(ports)]; }
    void add(const double* x) { v.insert(v.end(), x, x + ports); }
    void append(const PortCloud& other) { v.insert(v.end(), other.v.begin(), other.v.end()); }
};

/// Clouds of one chain run (one Gain position).
struct GainClouds
{
    std::array<PortCloud, 4> block; ///< blocks 1..4
    long solveFailures = 0;         ///< reference steps that did not converge
};

struct CloudOptions
{
    double seconds = 0.6;  ///< length of the training signal per Gain position
    double maxInput = 4.0; ///< largest block-1 input, V
    int keepEvery = 3;     ///< keep every n-th step's port voltages
};

/// The training signal for one Gain position: plucked notes, strummed chords, a
/// sweep and tone bursts at levels from a soft touch up to `maxInput` volts.
Signal trainingSignal(double sampleRate, const CloudOptions& options, std::uint64_t seed);

/// Runs the reference chain (44100 Hz) at one Gain position; block 4 runs at a tone
/// position that changes with the Gain position so the clouds see many tone loads.
GainClouds collectClouds(ValveSet set, unsigned gain, const CloudOptions& options);

/// Adds `copies` perturbed copies of every `stride`-th point: each port moved by a
/// normal deviate of `spread` times that port's extent in the cloud. Deterministic.
PortCloud withMargin(const PortCloud& cloud, std::size_t stride, int copies, double spread, std::uint64_t seed);

/// Every `stride`-th point of a cloud.
PortCloud thinned(const PortCloud& cloud, std::size_t stride);

} // namespace ravlin::modelgen
