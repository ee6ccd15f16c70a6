#pragma once
// Compile-time dimensions of a block's state-space system and of its model.

namespace ravlin {

/// NX capacitor states, NU inputs, NV port voltages, NI port currents, NY outputs.
template <int NX_, int NU_, int NV_, int NI_, int NY_>
struct SolverTraits
{
    static constexpr int NX = NX_;
    static constexpr int NU = NU_;
    static constexpr int NV = NV_;
    static constexpr int NI = NI_;
    static constexpr int NY = NY_;
};

/// Positions of each of the block's potentiometers, end stops included (0: the block has none).
/// Position k of n sets the potentiometer to the fraction k / (n - 1) of its travel.
template <int Positions_>
struct ModelTraits
{
    static constexpr int Positions = Positions_;
};

} // namespace ravlin
