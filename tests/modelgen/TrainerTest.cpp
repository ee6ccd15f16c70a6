// The trainer fits known functions through the clamped mapping the run-time evaluates.
#include <cmath>

#include <gtest/gtest.h>

#include "Network.h"
#include "Rng.h"
#include "Trainer.h"

using namespace ravlin::modelgen;

namespace {

Dataset smoothTwoInputData(int count)
{
    Dataset d;
    d.inputs = 2;
    d.outputs = 2;
    Rng rng(11);
    for (int k = 0; k < count; ++k)
    {
        const double x[2] = {rng.uniform(-3.0, 5.0), rng.uniform(100.0, 300.0)};
        // A valve-like pair: a softplus power law and a smooth cross term, in amperes.
        const double t = x[0] + x[1] / 100.0;
        const double y[2] = {1e-3 * std::pow(std::log1p(std::exp(t)), 1.3),
                             2e-4 * std::tanh(0.5 * x[0]) * (x[1] / 200.0)};
        d.add(x, y);
    }
    return d;
}

/// Two stages in series, as in block 2: the second valve's current switches from
/// cut-off to full conduction within 2 % of the first input's range, the first
/// valve's current follows a soft knee.
Dataset switchingStageData(int count, std::uint64_t seed)
{
    Dataset d;
    d.inputs = 2;
    d.outputs = 2;
    Rng rng(seed);
    for (int k = 0; k < count; ++k)
    {
        const double x[2] = {rng.uniform(-20.0, 80.0), rng.uniform(300.0, 340.0)};
        const double drive = 2.0 * (x[0] - 1.0) + 0.02 * (x[1] - 320.0);
        const double y[2] = {1e-3 * std::log1p(std::exp(-0.3 * x[0])), 2.5e-3 / (1.0 + std::exp(-drive))};
        d.add(x, y);
    }
    return d;
}

} // namespace

TEST(Trainer, PerOutputFitFollowsASwitchingStageAndAssemblesOneNetwork)
{
    const Dataset data = switchingStageData(1500, 3), check = switchingStageData(800, 4);
    FitOptions o;
    o.maxIterations = 150;
    o.steepest = 300.0;
    TrainedNet split;
    split.shape(2, 16, 2, Clamp::bipolar);
    setRangesFromData(split, data, o);
    const FitReport r = fitNetworkPerOutput(split, data, o, false, {6, 10});
    EXPECT_LT(r.rms, 2e-2);
    EXPECT_LT(measure(split, check).rms, 2e-2); // between the training points too
    // One ordinary network: output 0 reads only units 0-5, output 1 only units 6-15.
    const std::size_t outBase = 3 * 16;
    for (int j = 0; j < 16; ++j)
    {
        EXPECT_EQ(split.weights[outBase + static_cast<std::size_t>(j)] == 0.0, j >= 6) << j;
        EXPECT_EQ(split.weights[outBase + 17 + static_cast<std::size_t>(j)] == 0.0, j < 6) << j;
    }
    // A warm start from the assembled network keeps its fit.
    o.maxIterations = 5;
    EXPECT_LE(fitNetworkPerOutput(split, data, o, true, {6, 10}).rms, r.rms * 1.01);
}

TEST(Trainer, CurrentsThatAreExactlyZeroComeOutExactlyZero)
{
    // A grid current: zero below the cathode voltage, a power law above it.
    Dataset data;
    data.inputs = 2;
    data.outputs = 1;
    Rng rng(21);
    for (int k = 0; k < 800; ++k)
    {
        const double x[2] = {rng.uniform(-10.0, 2.0), rng.uniform(0.0, 1.0)};
        const double y = x[0] > 0.0 ? 1e-4 * std::pow(x[0], 1.5) * (1.0 + 0.2 * x[1]) : 0.0;
        data.add(x, &y);
    }
    TrainedNet net;
    net.shape(2, 8, 1, Clamp::bipolar);
    FitOptions o;
    o.maxIterations = 150;
    setRangesFromData(net, data, o);
    net.roundToFloat();
    // The lower clamp maps to exactly 0 A the way the run-time computes it.
    const double scale = net.outputMax[0] - net.outputMin[0];
    EXPECT_EQ(-1.0 * scale + net.outputMin[0], 0.0);
    const FitReport r = fitNetwork(net, data, o, false);
    net.roundToFloat();
    EXPECT_LT(r.rms, 5e-3);
    int zeros = 0, exact = 0;
    for (std::size_t s = 0; s < data.size(); ++s)
    {
        if (data.y[s] != 0.0)
            continue;
        double out = 1.0;
        net.evaluate(&data.x[2 * s], &out);
        ++zeros;
        exact += out == 0.0 ? 1 : 0;
        EXPECT_LT(std::fabs(out), 2e-6); // never a stray current where the valve is cut off
    }
    EXPECT_GT(exact, zeros * 9 / 10);
}

TEST(Trainer, FitsASmoothFunctionWithBothClampMappings)
{
    const Dataset data = smoothTwoInputData(600);
    for (Clamp clamp : {Clamp::bipolar, Clamp::unipolar})
    {
        TrainedNet net;
        net.shape(2, 10, 2, clamp);
        FitOptions o;
        o.maxIterations = 200;
        setRangesFromData(net, data, o);
        const FitReport r = fitNetwork(net, data, o, false);
        EXPECT_LT(r.rms, 2e-3) << "clamp " << static_cast<int>(clamp);
        EXPECT_LT(r.maxError, 2e-2);
    }
}

TEST(Trainer, WarmStartKeepsAGoodFitAndRoundingToFloatCostsLittle)
{
    const Dataset data = smoothTwoInputData(400);
    TrainedNet net;
    net.shape(2, 8, 2, Clamp::bipolar);
    FitOptions o;
    setRangesFromData(net, data, o);
    const FitReport cold = fitNetwork(net, data, o, false);
    o.maxIterations = 5;
    const FitReport warm = fitNetwork(net, data, o, true);
    EXPECT_LE(warm.rms, cold.rms * 1.01);
    net.roundToFloat();
    EXPECT_LT(measure(net, data).rms, cold.rms * 1.5 + 1e-6);
    for (double w : net.weights)
        EXPECT_EQ(w, static_cast<double>(static_cast<float>(w)));
}

TEST(Trainer, NewRangesKeepTheFunctionAWarmStartBeginsFrom)
{
    // A fitted network moved to the ranges of another data set (as a warm start across
    // Gain positions, rates or tones does) computes the same currents from the same raw
    // inputs, so the warm fit starts where the neighbour ended.
    const Dataset data = smoothTwoInputData(400);
    TrainedNet net;
    net.shape(2, 8, 2, Clamp::bipolar);
    FitOptions o;
    o.maxIterations = 60;
    setRangesFromData(net, data, o);
    fitNetwork(net, data, o, false);
    Dataset shifted = data;
    for (std::size_t s = 0; s < shifted.size(); ++s)
    {
        shifted.x[2 * s] = 1.7 * shifted.x[2 * s] - 4.0; // other input ranges
        shifted.y[2 * s + 1] *= 3.0;                     // other output ranges
    }
    TrainedNet ranges = net;
    setRangesFromData(ranges, shifted, o);
    ASSERT_NE(ranges.inputMin[0], net.inputMin[0]);
    ASSERT_NE(ranges.outputMax[1], net.outputMax[1]);
    TrainedNet moved = net;
    moved.adoptRanges(ranges);
    EXPECT_EQ(moved.inputMin, ranges.inputMin);
    EXPECT_EQ(moved.outputMax, ranges.outputMax);
    Rng rng(5);
    for (int trial = 0; trial < 200; ++trial)
    {
        const double x[2] = {rng.uniform(-6.0, 8.0), rng.uniform(50.0, 350.0)};
        double before[2], after[2];
        net.evaluateUnclamped(x, before);
        moved.evaluateUnclamped(x, after);
        for (int o2 = 0; o2 < 2; ++o2)
            EXPECT_NEAR(after[o2], before[o2], 1e-12 + 1e-9 * std::fabs(before[o2])) << trial;
    }
    // Keeping the weights with the new ranges (the old warm start) is another function.
    TrainedNet kept = net;
    kept.inputMin = ranges.inputMin;
    kept.inputMax = ranges.inputMax;
    kept.outputMin = ranges.outputMin;
    kept.outputMax = ranges.outputMax;
    EXPECT_GT(measure(kept, data).rms, 10.0 * measure(moved, data).rms);
}

TEST(Network, ClampedEvaluationMapsOutputsAsTheRunTime)
{
    TrainedNet net;
    net.shape(1, 1, 1, Clamp::bipolar);
    net.inputMin = {0.0};
    net.inputMax = {2.0};
    net.outputMin = {1.0};
    net.outputMax = {3.0};
    // hidden: w=1, b=0 on the normalised input; output: w=0, bias=b.
    net.weights = {1.0, 0.0, 0.0, 1.7};
    double x = 1.0, y = 0.0;
    net.evaluate(&x, &y);
    EXPECT_DOUBLE_EQ(y, 3.0); // 1.7 clamps to 1: outputMax
    net.weights[3] = -5.0;
    net.evaluate(&x, &y);
    EXPECT_DOUBLE_EQ(y, -1.0); // clamps to -1: outputMin - scale
    net.clamp = Clamp::unipolar;
    net.evaluate(&x, &y);
    EXPECT_DOUBLE_EQ(y, 1.0); // clamps to 0: outputMin
    net.weights = {2.0, 0.0, 1.0, 0.0};
    net.clamp = Clamp::bipolar;
    x = 2.0; // normalised +1, hidden sum 2 -> softsign 2/3
    net.evaluate(&x, &y);
    EXPECT_NEAR(y, 2.0 * (2.0 / 3.0) + 1.0, 1e-15);
}
