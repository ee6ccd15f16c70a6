// The data behind the report plots: the linearised block-4 response against the Newton-stepped
// circuit, the tone controls acting where they should, the level curve and the spectrum scale.
#include <gtest/gtest.h>

#include <cmath>

#include "PlotData.h"
#include "SmallSignal.h"
#include "circuit/ReferenceChain.h"

using namespace ravlin;
using namespace ravlin::render;

TEST(SmallSignal, MatchesTheNewtonSteppedBlockForASmallSine)
{
    const double rate = 48000.0;
    for (double f : {100.0, 1000.0, 6000.0})
    {
        ReferenceChain preamp;
        preamp.configure({ValveSet::fresh, rate, 8, 1687});
        auto probe = preamp.b4.model; // operating point copy for the linear prediction
        const double predicted = std::abs(smallSignalResponse(probe, {f}, rate)[0]);

        // Drive block 4 alone around its rest input (V3's plate voltage) with 10 mV.
        auto& b4 = preamp.b4;
        const double restIn = b4.model.u[0];
        const double restOut = b4.model.y[0];
        const double amplitude = 0.01;
        const long period = std::lround(rate / f * 10.0); // ten periods, an integer number of samples
        double sumSin = 0.0, sumCos = 0.0;
        const long settle = static_cast<long>(rate * 0.3);
        for (long n = 0; n < settle + period; ++n)
        {
            const double phase = 2.0 * M_PI * f * static_cast<double>(n) / rate;
            const double y = b4.step(restIn + amplitude * std::sin(phase)) - restOut;
            if (n >= settle)
            {
                sumSin += y * std::sin(phase);
                sumCos += y * std::cos(phase);
            }
        }
        const double measured = 2.0 * std::hypot(sumSin, sumCos) / static_cast<double>(period) / amplitude;
        EXPECT_NEAR(20.0 * std::log10(measured), 20.0 * std::log10(predicted), 0.05) << "at " << f << " Hz";
        EXPECT_EQ(b4.failures, 0);
    }
}

TEST(ToneResponse, ControlsActOnTheirBands)
{
    const double rate = 48000.0;
    const std::vector<double> f = {60.0, 500.0, 6000.0};
    const auto centre = toneStackResponseDb({7, 7, 7}, f, rate);
    const auto bassUp = toneStackResponseDb({7, 7, 14}, f, rate);
    const auto bassDown = toneStackResponseDb({7, 7, 0}, f, rate);
    const auto trebleUp = toneStackResponseDb({14, 7, 7}, f, rate);
    const auto trebleDown = toneStackResponseDb({0, 7, 7}, f, rate);
    const auto middleUp = toneStackResponseDb({7, 14, 7}, f, rate);
    const auto middleDown = toneStackResponseDb({7, 0, 7}, f, rate);
    EXPECT_GT(bassUp[0], centre[0] + 1.0);
    EXPECT_LT(bassDown[0], centre[0] - 3.0);
    EXPECT_GT(trebleUp[2], centre[2] + 2.0);
    EXPECT_LT(trebleDown[2], centre[2] - 3.0);
    EXPECT_GT(middleUp[1], centre[1] + 1.0);
    EXPECT_LT(middleDown[1], centre[1] - 1.0);
    for (const auto* curve : {&centre, &bassUp, &trebleUp, &middleUp})
        for (double db : *curve)
        {
            EXPECT_TRUE(std::isfinite(db));
            EXPECT_LT(db, 0.5); // a passive stack after a follower: no gain
        }
}

TEST(TransferCurve, LinearWhenQuietAndCompressedWhenLoud)
{
    const auto clean = transferCurve(0, -48.0, 0.0, 7, 48000.0);
    ASSERT_EQ(clean.size(), 7u);
    EXPECT_DOUBLE_EQ(clean.front().inputDb, -48.0);
    EXPECT_DOUBLE_EQ(clean.back().inputDb, 0.0);
    // 8 dB more input at low level gives about 8 dB more output.
    EXPECT_NEAR(clean[1].outputDb - clean[0].outputDb, 8.0, 0.5);
    // Near full scale the stages saturate: far less than 8 dB more.
    EXPECT_LT(clean[6].outputDb - clean[5].outputDb, 4.0);
    const auto hot = transferCurve(16, -48.0, -48.0, 1, 48000.0);
    EXPECT_GT(hot[0].outputDb, clean[0].outputDb + 20.0);
}

TEST(Spectrum, FullScaleSineReadsZeroDecibels)
{
    const double rate = 48000.0;
    const int frame = 4096;
    const double binFrequency = 64.0 * rate / frame;
    std::vector<float> x(48000);
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * binFrequency * static_cast<double>(n) / rate));
    std::vector<double> freqs, levels;
    spectrum(x, rate, frame, freqs, levels);
    ASSERT_EQ(freqs.size(), static_cast<std::size_t>(frame / 2 + 1));
    EXPECT_DOUBLE_EQ(freqs[64], binFrequency);
    EXPECT_NEAR(levels[64], -6.0206, 0.01);
    EXPECT_LT(levels[200], -100.0);

    std::string error;
    EXPECT_FALSE(soundFileSpectrum("/nonexistent/none.wav", 4096, freqs, levels, error));
    EXPECT_NE(error.find("/nonexistent/none.wav"), std::string::npos);
}
