#include "InLoop.h"

#include "Rng.h"
#include "Signals.h"

namespace ravlin::modelgen {

namespace {

template <class Stepper>
void record(Stepper& stepper, double input, BlockRun& run)
{
    const auto& x = stepper.model.x;
    run.x.insert(run.x.end(), x.data(), x.data() + x.size());
    run.input.push_back(input);
    run.output.push_back(stepper.step(input));
}

} // namespace

std::vector<double> loopSignal(double sampleRate, double seconds, double top, std::uint64_t seed)
{
    Rng rng(seed);
    const double piece = seconds / 8.0;
    Signal s;
    append(s, pluckedPhrase(sampleRate, piece, 0.05 * top, rng.next()));
    append(s, strummedChords(sampleRate, piece, 0.1 * top, rng.next()));
    append(s, pluckedPhrase(sampleRate, piece, 0.025 * top, rng.next()));
    append(s, sineSweep(sampleRate, piece, 80.0, 4000.0, 0.08 * top));
    append(s, pluckedPhrase(sampleRate, piece, 0.2 * top, rng.next()));
    append(s, strummedChords(sampleRate, piece, 0.4 * top, rng.next()));
    append(s, toneBursts(sampleRate, piece, 0.6 * top, rng.next()));
    append(s, pluckedPhrase(sampleRate, piece, top, rng.next()));
    return s;
}

BlockRun referenceBlockRun(int block, const ChainSetting& setting, const std::vector<double>& signal, long* failures)
{
    ReferenceChain chain;
    chain.configure(setting);
    BlockRun run;
    run.states = block == 1 ? Block1Circuit::Traits::NX : Block2Circuit::Traits::NX;
    run.input.reserve(signal.size());
    run.output.reserve(signal.size());
    run.x.reserve((signal.size() + 1) * static_cast<std::size_t>(run.states));
    for (double s : signal)
    {
        if (block == 1)
            record(chain.b1, s, run);
        else
            record(chain.b2, chain.b1.step(s), run);
    }
    const auto& x = block == 1 ? chain.b1.model.x : chain.b2.model.x;
    run.x.insert(run.x.end(), x.data(), x.data() + x.size());
    if (failures)
        *failures += chain.b1.failures + chain.b2.failures + (chain.settled ? 0 : 1);
    return run;
}

std::vector<int> variableWeights(const TrainedNet& net, const BlockLayout& layout)
{
    const int n = net.inputs, h = net.hidden, m = net.outputs;
    std::vector<int> vary;
    for (int k = 0; k < (n + 1) * h; ++k)
        vary.push_back(k);
    const bool own = layout.unitsPerOutput[0] > 0;
    int first = 0;
    for (int o = 0; o < m; ++o)
    {
        const int units = own ? layout.unitsPerOutput[static_cast<std::size_t>(o)] : h;
        const int from = own ? first : 0;
        const int row = (n + 1) * h + o * (h + 1);
        for (int j = from; j < from + units; ++j)
            vary.push_back(row + j);
        vary.push_back(row + h);
        first += own ? units : 0;
    }
    return vary;
}

} // namespace ravlin::modelgen
