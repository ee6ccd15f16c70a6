#pragma once
// Levenberg-Marquardt fit (Ceres Solver) of a TrainedNet to (input, current) pairs.
// The fit works on the un-clamped mapping with the output ranges chosen to hold
// every target, so the clamp of the run-time can only move a prediction towards
// its target; accuracy is then measured through the clamped evaluation.
#include <cstdint>
#include <vector>

#include "Network.h"

namespace ravlin::modelgen {

/// Raw training pairs: x is count x inputs, y is count x outputs (amperes), row by row.
struct Dataset
{
    int inputs = 0;
    int outputs = 0;
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> weight; ///< per-pair residual weight; empty means 1

    std::size_t size() const { return inputs > 0 ? x.size() / static_cast<std::size_t>(inputs) : 0; }
    void add(const double* xi, const double* yi, double w = 1.0);
};

struct FitOptions
{
    int maxIterations = 200;
    std::uint64_t seed = 1;
    double functionTolerance = 1e-12;
    /// Relative margin added around the data when the ranges are set from it.
    double inputMargin = 0.05;
    /// Share of the data at each end of an input's range left out when the range is set.
    double inputQuantile = 0.002;
    double outputMargin = 0.05;
    /// Steepest hidden-unit knee of a fresh start, in normalised input units.
    double steepest = 50.0;
};

struct FitReport
{
    double rms = 0.0;      ///< rms error of the clamped network, normalised by each output's target range
    double maxError = 0.0; ///< largest such error
    int iterations = 0;
};

/// Sets the input ranges of `net` from the bulk of the data (quantiles, with a margin)
/// and the output ranges from the targets of the points inside them.
/// Bipolar outputs are centred: outputMin is the middle of the targets, so the
/// clamp limits [-1, 1] lie just outside both ends.
void setRangesFromData(TrainedNet& net, const Dataset& data, const FitOptions& options);

/// True when every input of x lies within the network's training range.
bool insideInputs(const TrainedNet& net, const double* x);

/// The pairs whose inputs lie in the network's input range and whose targets lie in
/// its clamped output range: the ones the run-time mapping can represent.
Dataset restrictToRanges(const TrainedNet& net, const Dataset& data);

/// Fits the weights. With `warmStart` the current weights are the starting point,
/// otherwise a seeded random hidden layer with a least-squares output layer.
FitReport fitNetwork(TrainedNet& net, const Dataset& data, const FitOptions& options, bool warmStart);

/// Fits each output with its own share of the hidden units: `units[o]` units serve
/// output o alone (its weights to the other outputs stay 0), so the fit splits into
/// one small least-squares problem per output, which converges far better than one
/// problem for all outputs together. The result is one ordinary network of
/// sum(units) hidden units. `net` must have that shape and its ranges set.
FitReport fitNetworkPerOutput(TrainedNet& net, const Dataset& data, const FitOptions& options, bool warmStart,
                              const std::vector<int>& units);

/// Error of the clamped network on a data set, normalised per output by the target range.
FitReport measure(const TrainedNet& net, const Dataset& data);

} // namespace ravlin::modelgen
