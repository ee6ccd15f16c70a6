#pragma once
// Block 2: series network and Gain potentiometer VR1 driven by couple1, second
// stage V2, coupling capacitor C6, divider R7/R8 into V3 with V3's cathode network.
// Output: node couple2. CX (state x[3]) has one terminal open and never changes.
#include <array>

#include "circuit/EigenSolver.h"
#include "circuit/NodalSolver.h"
#include "circuit/PotLaws.h"
#include "circuit/TriodePort.h"

namespace ravlin {

template <class Valve1, class Valve2, class STraits, class MTraits>
class Model_RAVLIN_b2 : public EigenSolver<STraits>
{
public:
    using Base = EigenSolver<STraits>;
    using ModelTraitsType = MTraits;
    enum Node
    {
        couple1,
        potTop,
        wiper,
        cathode2,
        supplyANode,
        plate2,
        couple2,
        grid3,
        cathode3,
        supplyBNode,
        plate3,
        cxOpen,
        nodeCount
    };

    Valve1 valve1; ///< V2
    Valve2 valve2; ///< V3
    double supplyA = 334.0;
    double supplyB = 345.0;
    double R4 = 470000.0, R5 = 4700.0, R6 = 100000.0, RL2 = 4000000.0, R7 = 470000.0, R8 = 470000.0, R9 = 820.0,
           R10 = 100000.0;
    double C4 = 470e-12, C5 = 1e-9, C6 = 22e-9, CX = 470e-12, C8 = 0.68e-6;
    double gainUpper = 0.0, gainLower = 999999.0;
    static constexpr double positionStep = 1.0 / (MTraits::Positions - 1); ///< travel per Gain position

    explicit Model_RAVLIN_b2(double rate)
    {
        this->sampleRate = rate;
        this->u << 0.0, supplyA, supplyB;
        setPotPosition(16);
        computeCoefficients();
    }

    /// Gain position 0..16 (same taper as block 1); call computeCoefficients() afterwards.
    void setPotPosition(unsigned position) noexcept
    {
        gainLower = gainLowerAt(position * positionStep);
        gainUpper = 999999.0 - gainLower;
    }

    static constexpr NodalNetlist<nodeCount, 10, 5, 3, 4, 4> netlist{
        {{{couple1, potTop},
          {potTop, wiper},
          {wiper, kGround},
          {cathode2, kGround},
          {supplyANode, plate2},
          {couple2, grid3},
          {grid3, kGround},
          {cathode3, kGround},
          {supplyBNode, plate3},
          {plate3, kGround}}},
        {{{couple1, potTop}, {potTop, wiper}, {plate2, couple2}, {cxOpen, kGround}, {cathode3, kGround}}},
        {{couple1, supplyANode, supplyBNode}},
        {{{cathode2, wiper}, {plate2, cathode2}, {cathode3, grid3}, {cathode3, plate3}}},
        {{{wiper, cathode2}, {plate2, cathode2}, {grid3, cathode3}, {plate3, cathode3}}},
        couple2};

    void computeCoefficients() noexcept
    {
        computeNodalCoefficients(netlist, {R4, gainUpper, gainLower, R5, R6, R7, R8, R9, R10, RL2},
                                 {C4, C5, C6, CX, C8}, this->sampleRate, *this);
        keepOnly(this->G, std::array<Terminals, 6>{{{0, 0}, {0, 1}, {1, 2}, {2, 2}, {2, 4}, {3, 4}}});
        keepOnly(this->H, std::array<Terminals, 4>{{{0, 0}, {1, 1}, {2, 1}, {3, 2}}});
        keepOnly(this->A, std::array<Terminals, 7>{{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}});
        keepOnly(this->B, std::array<Terminals, 3>{{{0, 0}, {1, 0}, {2, 1}}});
        keepOnly(this->C, std::array<Terminals, 6>{{{0, 0}, {1, 0}, {2, 1}, {2, 2}, {4, 2}, {4, 3}}});
        keepOnly(this->D, std::array<Terminals, 1>{{{0, 2}}});
        keepOnly(this->E, std::array<Terminals, 1>{{{0, 1}}});
        keepOnly(this->F, std::array<Terminals, 2>{{{0, 1}, {0, 2}}});
        keepOnly(this->K, std::array<Terminals, 10>{
                              {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 1}, {2, 2}, {2, 3}, {3, 2}, {3, 3}}});
        this->A(3, 3) = 1.0; // CX carries no current
        this->C(4, 3) = this->C(4, 2);
        this->K(0, 1) = R5;
        this->K(1, 0) = -R5;
    }

    using V2 = TriodePort<0, -1, 1, 1, 0, 1>;
    using V3 = TriodePort<2, -1, 3, -1, 2, 3>;
    void evaluateNonlinearity() override
    {
        V2::evaluate(valve1, *this);
        V3::evaluate(valve2, *this);
    }
    void fillJacobian() override
    {
        V2::jacobian(valve1, *this);
        V3::jacobian(valve2, *this);
    }
    void storeCurrents() override
    {
        V2::store(valve1, *this);
        V3::store(valve2, *this);
    }
};

} // namespace ravlin
