#pragma once
// Block 1: input stage V1, first coupling capacitor, series network and Gain
// potentiometer VR1, with V2 loading the wiper. Output: node couple1.
#include <array>

#include "circuit/EigenSolver.h"
#include "circuit/NodalSolver.h"
#include "circuit/PotLaws.h"
#include "circuit/TriodePort.h"

namespace ravlin {

template <class Valve1, class Valve2, class STraits, class MTraits>
class Model_RAVLIN_b1 : public EigenSolver<STraits>
{
public:
    using Base = EigenSolver<STraits>;
    using ModelTraitsType = MTraits;
    enum Node
    {
        input,
        grid1,
        cathode1,
        supplyANode,
        plate1,
        couple1,
        potTop,
        wiper,
        cathode2,
        plate2,
        nodeCount
    };

    Valve1 valve1;
    Valve2 valve2;
    double supplyA = 334.0;
    double R2 = 2700.0, R3 = 100000.0, R4 = 470000.0, R1 = 68000.0, R6 = 100000.0, R5 = 4700.0, RL1 = 4000000.0;
    double C2 = 0.47e-6, C3 = 22e-9, C4 = 470e-12, C5 = 1e-9, C1 = 330e-12;
    double gainUpper = 0.0, gainLower = 999999.0;
    static constexpr double positionStep = 1.0 / (MTraits::Positions - 1); ///< travel per Gain position

    explicit Model_RAVLIN_b1(double rate)
    {
        this->sampleRate = rate;
        this->u << 0.0, supplyA;
        setPotPosition(16);
        computeCoefficients();
    }

    /// Gain position 0..16 (logarithmic taper); call computeCoefficients() afterwards.
    void setPotPosition(unsigned position) noexcept
    {
        gainLower = gainLowerAt(position * positionStep);
        gainUpper = 999999.0 - gainLower;
    }

    static constexpr NodalNetlist<nodeCount, 9, 5, 2, 4, 4> netlist{
        {{{input, grid1},
          {cathode1, kGround},
          {supplyANode, plate1},
          {couple1, potTop},
          {potTop, wiper},
          {wiper, kGround},
          {cathode2, kGround},
          {supplyANode, plate2},
          {plate2, kGround}}},
        {{{cathode1, kGround}, {plate1, couple1}, {couple1, potTop}, {potTop, wiper}, {grid1, input}}},
        {{input, supplyANode}},
        {{{grid1, cathode1}, {plate1, cathode1}, {cathode2, wiper}, {cathode2, plate2}}},
        {{{grid1, cathode1}, {plate1, cathode1}, {wiper, cathode2}, {plate2, cathode2}}},
        couple1};

    void computeCoefficients() noexcept
    {
        computeNodalCoefficients(netlist, {R1, R2, R3, R4, gainUpper, gainLower, R5, R6, RL1}, {C2, C3, C4, C5, C1},
                                 this->sampleRate, *this);
        keepOnly(this->G,
                 std::array<Terminals, 9>{{{0, 0}, {0, 4}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}}});
        keepOnly(this->H, std::array<Terminals, 4>{{{0, 0}, {1, 1}, {2, 1}, {3, 1}}});
        keepOnly(this->A,
                 std::array<Terminals, 11>{
                     {{0, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 1}, {3, 2}, {3, 3}, {4, 4}}});
        keepOnly(this->B, std::array<Terminals, 3>{{{1, 1}, {2, 1}, {3, 1}}});
        keepOnly(this->C,
                 std::array<Terminals, 9>{{{0, 0}, {0, 1}, {1, 1}, {1, 2}, {2, 1}, {2, 2}, {3, 1}, {3, 2}, {4, 0}}});
        keepOnly(this->D, std::array<Terminals, 3>{{{0, 1}, {0, 2}, {0, 3}}});
        keepOnly(this->E, std::array<Terminals, 1>{{{0, 1}}});
        keepOnly(this->F, std::array<Terminals, 2>{{{0, 1}, {0, 2}}});
        keepOnly(this->K, std::array<Terminals, 10>{
                              {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 1}, {2, 2}, {2, 3}, {3, 2}, {3, 3}}});
        this->H(0, 0) = 1.0; // V1's grid port follows the input directly
        this->C(0, 1) = this->C(0, 0);
    }

    using V1 = TriodePort<0, 1, 1, 1, 0, 1>;
    using V2 = TriodePort<2, -1, 3, -1, 2, 3>;
    void evaluateNonlinearity() override
    {
        V1::evaluate(valve1, *this);
        V2::evaluate(valve2, *this);
    }
    void fillJacobian() override
    {
        V1::jacobian(valve1, *this);
        V2::jacobian(valve2, *this);
    }
    void storeCurrents() override
    {
        V1::store(valve1, *this);
        V2::store(valve2, *this);
    }
};

} // namespace ravlin
