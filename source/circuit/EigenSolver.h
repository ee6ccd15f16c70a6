#pragma once
// Common base of the block models: state, signal vectors and the coefficient
// matrices of the discretised nonlinear state-space system
//   p = G x + H u,  v = p + K i,  i = f(v),  x' = A x + B u + C i,  y = D x' + E u + F i.
#include <Eigen/Dense>

#include "circuit/SolverTraits.h"

namespace ravlin {

template <class Traits>
class EigenSolver;

template <int NX, int NU, int NV, int NI, int NY>
class EigenSolver<SolverTraits<NX, NU, NV, NI, NY>>
{
public:
    using Traits = SolverTraits<NX, NU, NV, NI, NY>;
    template <int R, int C>
    using Mat = Eigen::Matrix<double, R, C>;

    Eigen::Matrix<double, NV, 1> p = Eigen::Matrix<double, NV, 1>::Zero();
    Eigen::Matrix<double, NU, 1> u = Eigen::Matrix<double, NU, 1>::Zero();
    Eigen::Matrix<double, NX, 1> x = Eigen::Matrix<double, NX, 1>::Zero();
    Eigen::Matrix<double, NI, 1> i = Eigen::Matrix<double, NI, 1>::Zero();
    Eigen::Matrix<double, NY, 1> y = Eigen::Matrix<double, NY, 1>::Zero();
    Mat<NV, NX> G = Mat<NV, NX>::Zero();
    Mat<NV, NU> H = Mat<NV, NU>::Zero();
    Mat<NX, NX> A = Mat<NX, NX>::Zero();
    Mat<NX, NU> B = Mat<NX, NU>::Zero();
    Mat<NX, NI> C = Mat<NX, NI>::Zero();
    Mat<NY, NX> D = Mat<NY, NX>::Zero();
    Mat<NY, NU> E = Mat<NY, NU>::Zero();
    Mat<NY, NI> F = Mat<NY, NI>::Zero();
    Mat<NV, NI> K = Mat<NV, NI>::Zero();
    /// The operating point stored for the current position and rate, which a reset puts p, i
    /// and x back to (FastModelEigen::applyOperatingPoint).
    Eigen::Matrix<double, NV, 1> storedP = Eigen::Matrix<double, NV, 1>::Zero();
    Eigen::Matrix<double, NX, 1> storedX = Eigen::Matrix<double, NX, 1>::Zero();
    Eigen::Matrix<double, NI, 1> storedI = Eigen::Matrix<double, NI, 1>::Zero();
    double sampleRate = 44100.0;    ///< the rate the coefficients are computed for, Hz
    unsigned char resetPending = 0; ///< 1: the next operating-point application resets p, i and x
    /// New states of a step before they replace x.
    Eigen::Matrix<double, NX, 1> xNext = Eigen::Matrix<double, NX, 1>::Zero();
    /// Full port voltages p + K i of the offline port solve (PortSolver.h); the network step never
    /// forms them.
    Eigen::Matrix<double, NV, 1> v = Eigen::Matrix<double, NV, 1>::Zero();
    /// di/dv at v, written by fillJacobian (offline solve and small-signal analysis only).
    Mat<NI, NV> J = Mat<NI, NV>::Zero();

    EigenSolver() = default;
    EigenSolver(const EigenSolver&) = default;
    EigenSolver& operator=(const EigenSolver&) = default;
    virtual ~EigenSolver() = default;

    /// Evaluates every triode at the port voltages v.
    virtual void evaluateNonlinearity() {}
    /// Writes J = di/dv from the triodes' last evaluation.
    virtual void fillJacobian() {}
    /// Copies the triodes' currents into i.
    virtual void storeCurrents() {}

    EIGEN_MAKE_ALIGNED_OPERATOR_NEW
};

} // namespace ravlin
