#pragma once
// Modified nodal analysis with trapezoidal capacitor companions: from a netlist,
// its element values and the sample rate, fills G, H, A, B, C, D, E, F, K of a
// block. Fixed-size storage only, so a recomputation allocates nothing.
//
// Companion conductance of capacitor k: Gc = 2 C fs. State x[k](n) = 2 Gc vC(n) - x[k](n-1).
// Resistors of exactly 0 ohm merge their nodes (no 1/0 is ever formed); a capacitor
// with merged terminals gets A(k,k) = -1, one with a terminal touching nothing else
// (open) gets A(k,k) = 1, and the rest of their rows and columns are 0.
#include <array>

#include <Eigen/Dense>

#include "circuit/NodalNetlist.h"

namespace ravlin {

template <int NN, int NR, int NX, int NU, int NV, int NI, class Solver>
void computeNodalCoefficients(const NodalNetlist<NN, NR, NX, NU, NV, NI>& net, const std::array<double, NR>& resistance,
                              const std::array<double, NX>& capacitance, double fs, Solver& s) noexcept
{
    constexpr int M = NN + NU;
    constexpr int ground = NN;
    using Mat = Eigen::Matrix<double, M, M>;
    using Vec = Eigen::Matrix<double, M, 1>;

    // Union of nodes joined by 0-ohm resistors; ground (index NN) always wins.
    std::array<int, NN + 1> parent{};
    for (int n = 0; n <= NN; ++n)
        parent[static_cast<std::size_t>(n)] = n;
    auto idx = [](int node) { return node == kGround ? NN : node; };
    auto find = [&parent](int n) {
        while (parent[static_cast<std::size_t>(n)] != n)
            n = parent[static_cast<std::size_t>(n)];
        return n;
    };
    for (int r = 0; r < NR; ++r)
        if (resistance[static_cast<std::size_t>(r)] == 0.0)
        {
            const int ra = find(idx(net.resistors[static_cast<std::size_t>(r)].a));
            const int rb = find(idx(net.resistors[static_cast<std::size_t>(r)].b));
            if (ra != rb)
                parent[static_cast<std::size_t>(ra < rb ? ra : rb)] = (ra < rb ? rb : ra);
        }
    auto rep = [&](int node) { return find(idx(node)); };

    // Element count per merged node, to find capacitors with an open terminal.
    std::array<int, NN + 1> degree{};
    auto touch = [&](int node) { ++degree[static_cast<std::size_t>(rep(node))]; };
    for (int r = 0; r < NR; ++r)
        if (resistance[static_cast<std::size_t>(r)] != 0.0)
        {
            touch(net.resistors[static_cast<std::size_t>(r)].a);
            touch(net.resistors[static_cast<std::size_t>(r)].b);
        }
    for (const auto& c : net.capacitors)
    {
        touch(c.a);
        touch(c.b);
    }
    for (int n : net.inputs)
        touch(n);
    for (const auto& c : net.currents)
    {
        touch(c.a);
        touch(c.b);
    }

    enum class CapKind
    {
        Normal,
        Shorted,
        Open
    };
    std::array<CapKind, NX> kind{};
    std::array<double, NX> gc{};
    for (int k = 0; k < NX; ++k)
    {
        const auto& c = net.capacitors[static_cast<std::size_t>(k)];
        const int ra = rep(c.a), rb = rep(c.b);
        gc[static_cast<std::size_t>(k)] = 2.0 * capacitance[static_cast<std::size_t>(k)] * fs;
        if (ra == rb)
            kind[static_cast<std::size_t>(k)] = CapKind::Shorted;
        else if ((ra != ground && degree[static_cast<std::size_t>(ra)] == 1)
                 || (rb != ground && degree[static_cast<std::size_t>(rb)] == 1))
            kind[static_cast<std::size_t>(k)] = CapKind::Open;
        else
            kind[static_cast<std::size_t>(k)] = CapKind::Normal;
    }

    Mat S = Mat::Zero();
    auto stamp = [&](int na, int nb, double g) {
        const int a = rep(na), b = rep(nb);
        if (a != ground)
            S(a, a) += g;
        if (b != ground)
            S(b, b) += g;
        if (a != ground && b != ground)
        {
            S(a, b) -= g;
            S(b, a) -= g;
        }
    };
    for (int r = 0; r < NR; ++r)
        if (resistance[static_cast<std::size_t>(r)] != 0.0)
            stamp(net.resistors[static_cast<std::size_t>(r)].a, net.resistors[static_cast<std::size_t>(r)].b,
                  1.0 / resistance[static_cast<std::size_t>(r)]);
    for (int k = 0; k < NX; ++k)
        if (kind[static_cast<std::size_t>(k)] == CapKind::Normal)
            stamp(net.capacitors[static_cast<std::size_t>(k)].a, net.capacitors[static_cast<std::size_t>(k)].b,
                  gc[static_cast<std::size_t>(k)]);
    for (int m = 0; m < NU; ++m)
    {
        const int n = rep(net.inputs[static_cast<std::size_t>(m)]);
        S(n, NN + m) += 1.0;
        S(NN + m, n) += 1.0;
    }
    // Rows of nodes merged into others, or touched by nothing, are decoupled unit rows.
    for (int n = 0; n < NN; ++n)
        if (find(n) != n || S.row(n).cwiseAbs().maxCoeff() == 0.0)
        {
            S.row(n).setZero();
            S.col(n).setZero();
            S(n, n) = 1.0;
        }

    const Eigen::PartialPivLU<Mat> lu(S);

    auto volt = [&](const Vec& z, int node) {
        const int r = rep(node);
        return r == ground ? 0.0 : z(r);
    };
    auto inject = [&](Vec& r, int node, double amount) {
        const int n = rep(node);
        if (n != ground)
            r(n) += amount;
    };
    auto capTerms = [&](const Vec& z, int j) {
        if (kind[static_cast<std::size_t>(j)] != CapKind::Normal)
            return 0.0;
        const auto& c = net.capacitors[static_cast<std::size_t>(j)];
        return 2.0 * gc[static_cast<std::size_t>(j)] * (volt(z, c.a) - volt(z, c.b));
    };
    // The node response z to one unit excitation gives column k of the matrices to the states, to
    // the output and to the port voltages.
    auto column = [&](const Vec& z, int k, auto& toStates, auto& toOutput, auto& toPorts) {
        for (int j = 0; j < NX; ++j)
            toStates(j, k) = capTerms(z, j);
        toOutput(0, k) = volt(z, net.output);
        for (int q = 0; q < NV; ++q)
            toPorts(q, k) =
                volt(z, net.ports[static_cast<std::size_t>(q)].a) - volt(z, net.ports[static_cast<std::size_t>(q)].b);
    };

    for (int k = 0; k < NX; ++k)
    {
        Vec r = Vec::Zero();
        if (kind[static_cast<std::size_t>(k)] == CapKind::Normal)
        {
            inject(r, net.capacitors[static_cast<std::size_t>(k)].a, 1.0);
            inject(r, net.capacitors[static_cast<std::size_t>(k)].b, -1.0);
        }
        column(lu.solve(r), k, s.A, s.D, s.G);
        s.A(k, k) -= 1.0;
        if (kind[static_cast<std::size_t>(k)] == CapKind::Open)
            s.A(k, k) = 1.0;
    }
    for (int m = 0; m < NU; ++m)
    {
        Vec r = Vec::Zero();
        r(NN + m) = 1.0;
        column(lu.solve(r), m, s.B, s.E, s.H);
    }
    for (int k = 0; k < NI; ++k)
    {
        Vec r = Vec::Zero();
        inject(r, net.currents[static_cast<std::size_t>(k)].b, 1.0);
        inject(r, net.currents[static_cast<std::size_t>(k)].a, -1.0);
        column(lu.solve(r), k, s.C, s.F, s.K);
    }
}

/// Sets to exactly 0 every entry of m not listed in keep (structural zeros).
template <class Matrix, std::size_t N>
void keepOnly(Matrix& m, const std::array<Terminals, N>& keep) noexcept
{
    for (int r = 0; r < m.rows(); ++r)
        for (int c = 0; c < m.cols(); ++c)
        {
            bool listed = false;
            for (const auto& e : keep)
                listed = listed || (e.a == r && e.b == c);
            if (!listed)
                m(r, c) = 0.0;
        }
}

} // namespace ravlin
