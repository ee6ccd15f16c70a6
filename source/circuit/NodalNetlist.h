#pragma once
// Description of a block circuit for the nodal coefficient solver: node indices
// 0..NN-1, ground = kGround. Element values are passed separately at solve time.
#include <array>

namespace ravlin {

constexpr int kGround = -1;

/// Two terminals: for capacitors first -> second, for port voltages plus - minus,
/// for port current sources from -> to.
struct Terminals
{
    int a;
    int b;
};

template <int NN, int NR, int NX, int NU, int NV, int NI>
struct NodalNetlist
{
    static constexpr int nodes = NN;
    std::array<Terminals, NR> resistors;
    std::array<Terminals, NX> capacitors; ///< capacitor k is state x[k]
    std::array<int, NU> inputs;           ///< node driven by ideal source u[m]
    std::array<Terminals, NV> ports;      ///< v[k] = V(a) - V(b)
    std::array<Terminals, NI> currents;   ///< i[k] drawn out of a, into b
    int output;                           ///< y = V(output)
};

} // namespace ravlin
