#pragma once
// The two valve sets that the model data is trained for. Only the trained port
// currents differ between them; the linear parts of the block circuits (and the
// run-time's circuit models) keep the standard triode parameters.
//
// "eh"  (shown as "Fresh 12ax7"): the standard parameter set of the circuit models.
// "rsd" (shown as "Aged  12ax7"): a worn valve. Cathode emission has dropped, so
//       the perveance Gk is 25 % lower and the grid-current scale Gg (which follows
//       the cathode's emission) 30 % lower; the amplification factor mu is 8 %
//       lower (grid-to-cathode spacing grown by heat cycling); the knee of the
//       cathode law is slightly softer (Ck 3.1 instead of 3.4). The stage bias
//       moves up, the gain drops by about 2 dB and the stage breaks up later and
//       more softly.
#include <string>

namespace ravlin {

struct ValveParameters
{
    double Gk, Ck, mu, gamma, Gg, Cg, xi, Ig0;
};

enum class ValveSet
{
    fresh,
    aged
};

inline ValveParameters valveParameters(ValveSet set)
{
    if (set == ValveSet::aged)
        return {0.002242 * 0.75, 3.1, 103.2 * 0.92, 1.26, 6.177e-4 * 0.70, 9.901, 1.314, 0.0};
    return {0.002242, 3.4, 103.2, 1.26, 6.177e-4, 9.901, 1.314, 0.0};
}

inline const char* valveSetName(ValveSet set) { return set == ValveSet::aged ? "rsd" : "eh"; }

/// Writes the parameters (and their stored reciprocals) into a circuit model's Triode.
template <class Triode>
void applyValve(Triode& t, const ValveParameters& v)
{
    t.Gk = v.Gk;
    t.Ck = v.Ck;
    t.mu = v.mu;
    t.invCk = 1.0 / v.Ck;
    t.invMu = 1.0 / v.mu;
    t.gamma = v.gamma;
    t.Gg = v.Gg;
    t.Cg = v.Cg;
    t.xi = v.xi;
    t.Ig0 = v.Ig0;
    t.invCg = 1.0 / v.Cg;
}

} // namespace ravlin
