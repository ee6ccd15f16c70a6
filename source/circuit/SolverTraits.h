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

/// Positions of the block's potentiometer (0: none), signal inputs, supply inputs,
/// and an identifier with no effect on behaviour.
template <int Positions_, int SignalInputs_, int SupplyInputs_, int Id_>
struct ModelTraits
{
    static constexpr int Positions = Positions_;
    static constexpr int SignalInputs = SignalInputs_;
    static constexpr int SupplyInputs = SupplyInputs_;
    static constexpr int Id = Id_;
};

} // namespace ravlin
