#pragma once
// Block 4 with the running statistics of its port current i1, which the editor's valve glow reads.
#include "fast/FastModelEigen.h"
#include "fast/RunningStatistics.h"

namespace ravlin {

template <class Model, class STraits, int P, int S, class Net = net_node_eigen>
class FastModelEigenWithStat : public FastModelEigen<Model, STraits, P, S, Net>
{
public:
    FastModelEigenWithStat() { this->statistics = &runningStatistics; }
    FastModelEigenWithStat(const FastModelEigenWithStat&) = delete;
    FastModelEigenWithStat& operator=(const FastModelEigenWithStat&) = delete;
    ~FastModelEigenWithStat() override = default;

    RunningStatistics runningStatistics;
};

} // namespace ravlin
