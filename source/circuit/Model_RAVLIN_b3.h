#pragma once
// Block 3: divider R7/C7 + R8 into V3, third stage, and cathode follower V4's grid
// on V3's plate with a simplified cathode load. Output: node plate3.
#include <array>

#include "circuit/EigenSolver.h"
#include "circuit/NodalSolver.h"
#include "circuit/TriodePort.h"

namespace ravlin {

template <class Valve1, class Valve2, class STraits, class MTraits>
class Model_RAVLIN_b3 : public EigenSolver<STraits>
{
public:
    using Base = EigenSolver<STraits>;
    using ModelTraitsType = MTraits;
    enum Node
    {
        couple2,
        grid3,
        cathode3,
        supplyBNode,
        plate3,
        cathode4,
        nodeCount
    };

    Valve1 valve1; ///< V3
    Valve2 valve2; ///< V4
    double supplyB = 345.0;
    double R7 = 470000.0, R8 = 470000.0, R9 = 820.0, R11 = 100000.0, R10 = 100000.0;
    double C7 = 470e-12, C8 = 0.68e-6;
    double RL3 = 2000000.0;

    explicit Model_RAVLIN_b3(double rate)
    {
        this->sampleRate = rate;
        this->u << 0.0, supplyB;
        computeCoefficients();
    }

    static constexpr NodalNetlist<nodeCount, 6, 2, 2, 4, 4> netlist{
        {{{couple2, grid3},
          {grid3, kGround},
          {cathode3, kGround},
          {supplyBNode, plate3},
          {cathode4, kGround},
          {cathode4, kGround}}},
        {{{couple2, grid3}, {cathode3, kGround}}},
        {{couple2, supplyBNode}},
        {{{cathode3, grid3}, {plate3, cathode3}, {plate3, cathode4}, {supplyBNode, cathode4}}},
        {{{grid3, cathode3}, {plate3, cathode3}, {plate3, cathode4}, {supplyBNode, cathode4}}},
        plate3};

    void computeCoefficients() noexcept
    {
        computeNodalCoefficients(netlist, {R7, R8, R9, R10, R11, RL3}, {C7, C8}, this->sampleRate, *this);
        keepOnly(this->G, std::array<Terminals, 3>{{{0, 0}, {0, 1}, {1, 1}}});
        keepOnly(this->H, std::array<Terminals, 1>{{{0, 0}}});
        keepOnly(this->A, std::array<Terminals, 2>{{{0, 0}, {1, 1}}});
        keepOnly(this->B, std::array<Terminals, 1>{{{0, 0}}});
        keepOnly(this->C, std::array<Terminals, 3>{{{0, 0}, {1, 0}, {1, 1}}});
        this->D.setZero();
        this->E.setZero();
        this->F.setZero();
        keepOnly(this->K, std::array<Terminals, 10>{
                              {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 1}, {2, 2}, {2, 3}, {3, 2}, {3, 3}}});
        // The plate, V4's grid and V4's plate sit directly on supplyB / plate3.
        this->H(1, 1) = this->H(2, 1) = this->H(3, 1) = 1.0;
        this->E(0, 1) = 1.0;
        this->F(0, 1) = this->F(0, 2) = -R10;
        this->C(1, 1) = this->C(1, 0);
        this->G(1, 1) = -this->G(0, 1);
    }

    using V3 = TriodePort<0, -1, 1, 1, 0, 1>;
    using V4 = TriodePort<2, 1, 3, 1, 2, 3>;
    void evaluateNonlinearity() override
    {
        V3::evaluate(valve1, *this);
        V4::evaluate(valve2, *this);
    }
    void fillJacobian() override
    {
        V3::jacobian(valve1, *this);
        V4::jacobian(valve2, *this);
    }
    void storeCurrents() override
    {
        V3::store(valve1, *this);
        V4::store(valve2, *this);
    }
};

} // namespace ravlin
