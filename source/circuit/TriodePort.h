#pragma once
// Wiring of one triode into a block's port vectors: grid port g with sign sg,
// plate port a with sign sa (+1: grid/plate minus cathode, -1: negated), grid
// current index q and cathode current index r.
namespace ravlin {

template <int g, int sg, int a, int sa, int q, int r>
struct TriodePort
{
    template <class Triode, class Solver>
    static void evaluate(Triode& t, const Solver& s) noexcept
    {
        t.evaluate(sg * s.v[g], sa * s.v[a]);
    }
    template <class Triode, class Solver>
    static void jacobian(const Triode& t, Solver& s) noexcept
    {
        s.J(q, g) = sg * t.dIgdVgk;
        s.J(q, a) = 0.0;
        s.J(r, g) = sg * t.dIkdVgk;
        s.J(r, a) = sa * t.dIkdVak;
    }
    template <class Triode, class Solver>
    static void store(const Triode& t, Solver& s) noexcept
    {
        s.i[q] = t.ig;
        s.i[r] = t.ik;
    }
};

} // namespace ravlin
