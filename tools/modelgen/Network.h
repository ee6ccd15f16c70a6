#pragma once
// A trained one-hidden-layer softsign network as the model files store it:
// inputs normalised from [inputMin, inputMax] to [-1, 1], hidden unit
// a = g*s/(1+|g*s|), output v = g_o*(bias + W a), clamped ([-1,1] bipolar or
// [0,1] unipolar) and mapped to amperes as outputScale*v + outputMin with
// outputScale = outputMax - outputMin.
//
// Weights are kept in file order: per hidden unit its n input weights then its
// bias, then per output its h weights then its bias.
#include <cstddef>
#include <vector>

namespace ravlin::modelgen {

enum class Clamp
{
    bipolar,
    unipolar
};

struct TrainedNet
{
    int inputs = 0;
    int hidden = 0;
    int outputs = 0;
    Clamp clamp = Clamp::bipolar;
    double hiddenGain = 1.0;
    double outputGain = 1.0;
    std::vector<double> weights;
    std::vector<double> inputMin, inputMax;    // size inputs
    std::vector<double> outputMin, outputMax;  // size outputs
    std::vector<double> regionLow, regionHigh; // size inputs

    static std::size_t weightCount(int n, int h, int m) { return static_cast<std::size_t>((n + 1) * h + (h + 1) * m); }

    /// Sizes every array for the given shape; weights zero, ranges [-1, 1],
    /// region unbounded.
    void shape(int n, int h, int m, Clamp c);

    /// Network output in amperes for raw input x (size inputs), written to out (size outputs).
    void evaluate(const double* x, double* out) const;
    /// Same without the clamp: the mapping the trainer fits.
    void evaluateUnclamped(const double* x, double* out) const;

    /// Gives the network the input and output ranges of `ranges` (same shape) and
    /// changes the weights so that the un-clamped mapping stays the same function of
    /// the raw input. A warm start after new ranges begins where the neighbour ended,
    /// not at the neighbour's weights read through other ranges.
    void adoptRanges(const TrainedNet& ranges);

    /// Rounds every stored value to single precision, as the model file keeps it.
    void roundToFloat();

    double normaliseInput(int k, double x) const;
    /// Output value in amperes -> network output before mapping.
    double normaliseOutput(int o, double y) const;
    double scale(int o) const;

private:
    void run(const double* x, double* out, bool clampOutputs) const;
};

} // namespace ravlin::modelgen
