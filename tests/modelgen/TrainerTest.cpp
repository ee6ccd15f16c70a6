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
        const double y[2] = {1e-3 * std::pow(std::log1p(std::exp(t)), 1.3), 2e-4 * std::tanh(0.5 * x[0]) * (x[1] / 200.0)};
        d.add(x, y);
    }
    return d;
}

} // namespace

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
