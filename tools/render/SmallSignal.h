#pragma once
// Small-signal frequency response of a block around its present state. With the triode
// currents linearised, di = J dv, and v = p + K i, the step becomes linear:
//   di = M (G dx + H du),  M = (I - J K)^-1 J
//   x' = Ã x + B̃ u,  Ã = A + C M G,  B̃ = B + C M H
//   y  = D x' + E u + F di
// so for u = e^{jωn}: X = (zI - Ã)^-1 B̃, Y = D (Ã X + B̃) + E + F M (G X + H), z = e^{jω}.
// This is the discretised (trapezoidal) system's own response, with its frequency warping.
#include <cmath>
#include <complex>
#include <vector>

#include <Eigen/Dense>

namespace ravlin::render {

/// |Y/U| of signal input 0 at each frequency (Hz), for a model whose v and i hold the
/// operating point. Evaluates the triode Jacobian at model.v.
template <class Model>
std::vector<std::complex<double>> smallSignalResponse(Model& model, const std::vector<double>& frequencies,
                                                      double sampleRate)
{
    constexpr int NX = decltype(model.x)::RowsAtCompileTime;
    constexpr int NI = decltype(model.i)::RowsAtCompileTime;
    constexpr int NY = decltype(model.y)::RowsAtCompileTime;
    using Complex = std::complex<double>;
    using MatXc = Eigen::Matrix<Complex, NX, NX>;
    using VecXc = Eigen::Matrix<Complex, NX, 1>;

    model.evaluateNonlinearity();
    model.fillJacobian();
    const Eigen::Matrix<double, NI, NI> IminusJK = Eigen::Matrix<double, NI, NI>::Identity() - model.J * model.K;
    const auto M = IminusJK.partialPivLu().solve(model.J).eval();
    const auto At = (model.A + model.C * M * model.G).eval();
    const auto Bt = (model.B.col(0) + model.C * M * model.H.col(0)).eval();
    const auto MH = (M * model.H.col(0)).eval();
    const auto MG = (M * model.G).eval();

    std::vector<Complex> out;
    out.reserve(frequencies.size());
    for (double f : frequencies)
    {
        const Complex z = std::polar(1.0, 2.0 * M_PI * f / sampleRate);
        const MatXc zIminusA = z * MatXc::Identity() - At.template cast<Complex>();
        const VecXc X = zIminusA.partialPivLu().solve(Bt.template cast<Complex>());
        const VecXc Xnext = At.template cast<Complex>() * X + Bt.template cast<Complex>();
        const Eigen::Matrix<Complex, NI, 1> di = MG.template cast<Complex>() * X + MH.template cast<Complex>();
        const Eigen::Matrix<Complex, NY, 1> Y = model.D.template cast<Complex>() * Xnext
                                                + model.E.col(0).template cast<Complex>()
                                                + model.F.template cast<Complex>() * di;
        out.push_back(Y[0]);
    }
    return out;
}

/// n frequencies spaced logarithmically from lo to hi Hz inclusive.
inline std::vector<double> logFrequencies(double lo, double hi, int n)
{
    std::vector<double> f(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        f[static_cast<std::size_t>(k)] = lo * std::pow(hi / lo, n > 1 ? static_cast<double>(k) / (n - 1) : 0.0);
    return f;
}

} // namespace ravlin::render
