#pragma once
// One 12AX7-type triode section: grid and cathode currents as functions of the
// grid-to-cathode and plate-to-cathode voltages, with backward-difference slopes.
#include <cmath>

namespace ravlin {

/// Softplus ln(1 + e^z). Evaluated literally for z <= 30 (so that very negative
/// arguments give exactly 0, the valve cut-off), and as z + log1p(e^-z) above,
/// where the literal form would overflow (exp above ~709.78).
inline double softplus(double z) noexcept
{
    if (z > 30.0)
        return z + std::log1p(std::exp(-z));
    return std::log(1.0 + std::exp(z));
}

/// The valve law of every stage; all four blocks use the same 12AX7 constants.
class Triode
{
public:
    double Gk = 0.002242; ///< cathode-current scale, A
    double Ck = 3.4;      ///< cathode-law smoothing, 1/V
    double mu = 103.2;    ///< amplification factor
    double invCk = 1.0 / 3.4;
    double invMu = 1.0 / 103.2;
    double gamma = 1.26;  ///< cathode-law exponent
    double Gg = 6.177e-4; ///< grid-current scale, A
    double Cg = 9.901;    ///< grid-law smoothing, 1/V
    double xi = 1.314;    ///< grid-law exponent
    double Ig0 = 0.0;     ///< grid-current offset, A
    double invCg = 1.0 / 9.901;
    double vgk = 0.0;     ///< last grid-to-cathode voltage, V
    double vak = 0.0;     ///< last plate-to-cathode voltage, V
    double ig = 0.0;      ///< grid current, A
    double ik = 0.0;      ///< cathode current, A
    double dIgdVgk = 0.0; ///< d ig / d vgk, A/V
    double dIkdVgk = 0.0; ///< d ik / d vgk, A/V
    double dIkdVak = 0.0; ///< d ik / d vak, A/V

    /// Grid current law: Gg * (s(Cg*vg)/Cg)^xi + Ig0.
    double gridCurrent(double vg) const noexcept { return Gg * std::pow(invCg * softplus(Cg * vg), xi) + Ig0; }
    /// Cathode current law on the combined argument t = vak/mu + vgk.
    double cathodeCurrent(double t) const noexcept { return Gk * std::pow(invCk * softplus(Ck * t), gamma); }

    /// Evaluates both currents and the three slopes (step h = 0.5 mV, backward).
    void evaluate(double vgkIn, double vakIn) noexcept
    {
        constexpr double h = 0.0005;
        vgk = vgkIn;
        vak = vakIn;
        ig = gridCurrent(vgkIn);
        dIgdVgk = (ig - gridCurrent(vgkIn - h)) * 2000.0;
        const double t = invMu * vakIn + vgkIn;
        ik = cathodeCurrent(t);
        dIkdVgk = (ik - cathodeCurrent(t - h)) * 2000.0;
        dIkdVak = (ik - cathodeCurrent((vakIn - h) * invMu + vgkIn)) * 2000.0;
    }
};

} // namespace ravlin
