#pragma once
// Block 4: cathode follower V4 driving the Treble/Bass/Middle tone stack.
// Output: node trebleWiper (loaded by R13).
#include <array>
#include <cmath>

#include "circuit/EigenSolver.h"
#include "circuit/NodalSolver.h"
#include "circuit/PotLaws.h"
#include "circuit/TriodePort.h"

namespace ravlin {

template <class Valve, class STraits, class MTraits>
class Model_RAVLIN_b4 : public EigenSolver<STraits>
{
public:
    using Base = EigenSolver<STraits>;
    using ModelTraitsType = MTraits;
    enum Node
    {
        plate3,
        supplyBNode,
        cathode4,
        trebleTop,
        slope,
        trebleBottom,
        middleWiper,
        trebleWiper,
        bassBottom,
        nodeCount
    };

    Valve valve; ///< V4
    double supplyB = 345.0;
    double R11 = 100000.0, R12 = 47000.0, R13 = 1000000.0;
    double C9 = 470e-12, C10 = 22e-9, C11 = 22e-9;
    double trebleUpper = 220000.0, trebleLower = 1.0, bass = 1000000.0, middleUpper = 1.0, middleLower = 50000.0;
    static constexpr double positionStep = 1.0 / (MTraits::Positions - 1); ///< travel per tone position

    explicit Model_RAVLIN_b4(double rate)
    {
        this->sampleRate = rate;
        this->u << 0.0, supplyB;
        computeCoefficients();
    }

    /// Tone index Treble*225 + Bass*15 + Middle (each 0..14); an index of 3375 or
    /// more sets all three to 0. Call computeCoefficients() afterwards.
    void setPotPosition(unsigned index) noexcept
    {
        unsigned treble = 0, bassPos = 0, middle = 0;
        if (index < 3375u)
        {
            treble = index / 225u;
            bassPos = (index / 15u) % 15u;
            middle = index % 15u;
        }
        const double t = treble * positionStep, b = bassPos * positionStep, m = middle * positionStep;
        trebleLower = t * 219999.0 + 1.0;
        trebleUpper = 220000.0 - trebleLower;
        middleLower = m * 21999.0 + 1.0;
        middleUpper = 22000.0 - middleLower;
        bass = logTaper17(b) * 999999.0 + 1.0;
    }

    static constexpr NodalNetlist<nodeCount, 8, 3, 2, 2, 2> netlist{
        {{{cathode4, kGround},
          {cathode4, slope},
          {trebleTop, trebleWiper},
          {trebleWiper, trebleBottom},
          {trebleBottom, bassBottom},
          {bassBottom, middleWiper},
          {middleWiper, kGround},
          {trebleWiper, kGround}}},
        {{{trebleTop, cathode4}, {trebleBottom, slope}, {middleWiper, slope}}},
        {{plate3, supplyBNode}},
        {{{cathode4, plate3}, {supplyBNode, cathode4}}},
        {{{plate3, cathode4}, {supplyBNode, cathode4}}},
        trebleWiper};

    void computeCoefficients() noexcept
    {
        computeNodalCoefficients(netlist, {R11, R12, trebleUpper, trebleLower, bass, middleUpper, middleLower, R13},
                                 {C9, C10, C11}, this->sampleRate, *this);
        // Inputs reach the network only through V4; both currents enter at cathode4.
        this->H << -1.0, 0.0, 0.0, 1.0;
        this->B.setZero();
        this->E.setZero();
        this->G.row(1) = -this->G.row(0);
        this->C.col(1) = this->C.col(0);
        this->F(0, 1) = this->F(0, 0);
        this->K(0, 1) = this->K(0, 0);
        this->K(1, 0) = -this->K(0, 0);
        this->K(1, 1) = -this->K(0, 0);
    }

    using V4 = TriodePort<0, -1, 1, 1, 0, 1>;
    void evaluateNonlinearity() override { V4::evaluate(valve, *this); }
    void fillJacobian() override { V4::jacobian(valve, *this); }
    void storeCurrents() override { V4::store(valve, *this); }
};

} // namespace ravlin
