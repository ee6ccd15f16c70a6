#include <chrono>
#include <cstdio>
#include "ReferenceChain.h"
#include "Signals.h"
using namespace ravlin;
using namespace ravlin::modelgen;
int main()
{
    for (unsigned g : {0u, 8u, 16u}) for (double lvl : {0.3, 1.5, 4.0}) {
    ReferenceChain chain;
    ChainSetting s; s.gain = g;
    chain.configure(s);
    Signal sig = pluckedPhrase(44100, 0.5, lvl, 7);
    double lo[4][4], hi[4][4];
    for (auto& a : lo) for (double& v : a) v = 1e9;
    for (auto& a : hi) for (double& v : a) v = -1e9;
    auto t0 = std::chrono::steady_clock::now();
    double ymin = 1e9, ymax = -1e9;
    for (double x : sig) {
        double y1 = chain.b1.step(x); double y2 = chain.b2.step(y1); double y = chain.b4.step(chain.b3.step(y2));
        ymin = std::min(ymin, y); ymax = std::max(ymax, y);
        for (int k = 0; k < 4; ++k) { lo[0][k] = std::min(lo[0][k], chain.b1.model.v[k]); hi[0][k] = std::max(hi[0][k], chain.b1.model.v[k]); }
        for (int k = 0; k < 4; ++k) { lo[1][k] = std::min(lo[1][k], chain.b2.model.v[k]); hi[1][k] = std::max(hi[1][k], chain.b2.model.v[k]); }
        for (int k = 0; k < 4; ++k) { lo[2][k] = std::min(lo[2][k], chain.b3.model.v[k]); hi[2][k] = std::max(hi[2][k], chain.b3.model.v[k]); }
        for (int k = 0; k < 2; ++k) { lo[3][k] = std::min(lo[3][k], chain.b4.model.v[k]); hi[3][k] = std::max(hi[3][k], chain.b4.model.v[k]); }
    }
    std::printf("calls %ld iters %ld cont %ld halv %ld\n", gSolveCalls, gSolveIters, gContinuations, gHalvings);
    double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("gain %u lvl %g settled %d rest %g %g %g %g fail %ld %ld %ld %ld  %zu samples %.3f s y %g..%g\n", g, lvl, chain.settled, chain.restOutput[0], chain.restOutput[1], chain.restOutput[2], chain.restOutput[3],
        chain.b1.failures, chain.b2.failures, chain.b3.failures, chain.b4.failures, sig.size(), sec, ymin, ymax);
    for (int b = 0; b < 4; ++b) { for (int k = 0; k < 4; ++k) std::printf(" [%g %g]", lo[b][k], hi[b][k]); std::printf("\n"); }
    }
}
