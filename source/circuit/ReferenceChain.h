#pragma once
// The four blocks in series with the offline port solve in place of the networks:
// the reference the networks are trained on and measured against. Each block's
// output voltage is the next block's signal input, exactly as in the run-time chain.
#include <type_traits>

#include "circuit/BlockModels.h"
#include "circuit/OperatingPoint.h"
#include "circuit/ReferenceStepper.h"
#include "circuit/ValveSets.h"

namespace ravlin {

struct ChainSetting
{
    ValveSet set = ValveSet::fresh;
    double rate = 44100.0;
    unsigned gain = 8;    ///< 0..16
    unsigned tone = 1687; ///< 0..3374
};

/// Writes valve parameters into every triode of a block model.
template <class Model>
void applyValves(Model& m, const ValveParameters& p)
{
    if constexpr (std::is_same_v<Model, Block4Circuit>)
        applyValve(m.valve, p);
    else
    {
        applyValve(m.valve1, p);
        applyValve(m.valve2, p);
    }
}

/// Writes a valve set's parameters into every triode of a block model.
template <class Model>
void applyValveSet(Model& m, ValveSet set)
{
    applyValves(m, valveParameters(set));
}

/// Sets a block model to valve parameters, rate and control position and recomputes its
/// coefficients (position ignored by block 3).
template <class Model>
void configureBlock(Model& m, const ValveParameters& valves, double rate, unsigned position)
{
    applyValves(m, valves);
    m.sampleRate = rate;
    if constexpr (!std::is_same_v<Model, Block3Circuit>)
        m.setPotPosition(position);
    m.computeCoefficients();
}

/// The same with a valve set's parameters.
template <class Model>
void configureBlock(Model& m, ValveSet set, double rate, unsigned position)
{
    configureBlock(m, valveParameters(set), rate, position);
}

class ReferenceChain
{
public:
    ReferenceStepper<Block1Circuit> b1{44100.0};
    ReferenceStepper<Block2Circuit> b2{44100.0};
    ReferenceStepper<Block3Circuit> b3{44100.0};
    ReferenceStepper<Block4Circuit> b4{44100.0};
    double restOutput[4] = {0, 0, 0, 0}; ///< resting output voltage of each block, V
    bool settled = false;                ///< every operating point converged

    /// Configures valves, rate, positions and coefficients, then puts every block at
    /// its DC operating point (each with the resting output of the block before).
    void configure(const ChainSetting& s) { configure(s, valveParameters(s.set)); }

    /// The same with every triode given `valves` instead of the setting's valve set (the
    /// circuit's sensitivity to its valves).
    void configure(const ChainSetting& s, const ValveParameters& valves)
    {
        configureBlock(b1.model, valves, s.rate, s.gain);
        configureBlock(b2.model, valves, s.rate, s.gain);
        configureBlock(b3.model, valves, s.rate, 0);
        configureBlock(b4.model, valves, s.rate, s.tone);
        settled = operatingPoint(b1.model, 0.0).converged;
        restOutput[0] = b1.model.y[0];
        settled = operatingPoint(b2.model, restOutput[0]).converged && settled;
        restOutput[1] = b2.model.y[0];
        settled = operatingPoint(b3.model, restOutput[1]).converged && settled;
        restOutput[2] = b3.model.y[0];
        settled = operatingPoint(b4.model, restOutput[2]).converged && settled;
        restOutput[3] = b4.model.y[0];
        b1.restart();
        b2.restart();
        b3.restart();
        b4.restart();
    }

    /// One sample through all four blocks; returns block 4's output, V.
    double step(double input) noexcept
    {
        const double y1 = b1.step(input);
        const double y2 = b2.step(y1);
        const double y3 = b3.step(y2);
        return b4.step(y3);
    }

    long failures() const noexcept { return b1.failures + b2.failures + b3.failures + b4.failures; }
};

} // namespace ravlin
