#include "Accuracy.h"

#include <utility>

#include <cmath>
#include <fstream>
#include <iterator>

#include "NetworkBlock.h"
#include "circuit/ReferenceChain.h"
#include "fast/ModelFileNames.h"

namespace ravlin::modelgen {

const BlockFileData* SetFiles::block3At(double rate) const
{
    for (const auto& [r, f] : block3)
        if (r == rate)
            return &f;
    return nullptr;
}

const BlockFileData& SetFiles::gainBlockAt(int block, double rate) const
{
    for (const auto& [r, f] : block == 1 ? block1Rates : block2Rates)
        if (r == rate)
            return f;
    return block == 1 ? block1 : block2;
}

namespace {

bool readFile(const std::filesystem::path& path, int block, BlockFileData& data, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot open " + path.string();
        return false;
    }
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!decodeModelFile(bytes, block, data))
    {
        error = "malformed model file " + path.string();
        return false;
    }
    return true;
}

} // namespace

bool loadSetFiles(const std::filesystem::path& dir, ValveSet set, const std::vector<double>& rates, SetFiles& files,
                  std::string& error)
{
    files = {};
    files.set = set;
    const int index = set == ValveSet::aged ? 1 : 0;
    if (!readFile(dir / plainModelFileName(1, index), 1, files.block1, error)
        || !readFile(dir / plainModelFileName(2, index), 2, files.block2, error)
        || !readFile(dir / plainModelFileName(4, index), 4, files.block4, error))
        return false;
    for (double r : rates)
    {
        const long rate = static_cast<long>(r);
        for (int block : {1, 2})
        {
            const std::filesystem::path path = dir / rateModelFileName(block, index, rate);
            if (!std::filesystem::exists(path))
                continue;
            auto& list = block == 1 ? files.block1Rates : files.block2Rates;
            list.emplace_back(r, BlockFileData{});
            if (!readFile(path, block, list.back().second, error))
                return false;
        }
        files.block3.emplace_back(r, BlockFileData{});
        if (!readFile(dir / rateModelFileName(3, index, rate), 3, files.block3.back().second, error))
            return false;
    }
    return true;
}

namespace {
Signal riffSamples;
double riffRate = 44100.0;
} // namespace

void setRiffSignal(Signal samples, double rate)
{
    riffSamples = std::move(samples);
    riffRate = rate;
}

Signal accuracySignal(const std::string& name, double rate, double seconds)
{
    if (name == "riff")
    {
        Signal s = riffRate == rate ? riffSamples : resampleLinear(riffSamples, riffRate, rate);
        s.resize(static_cast<std::size_t>(seconds * rate), 0.0);
        for (double& v : s)
            v *= 1.5; // Input at its default
        return s;
    }
    const double dbfs = name.rfind("pluck-20", 0) == 0 ? 0.1 : 0.5011872336272722;
    const double input = name.size() > 3 && name.compare(name.size() - 3, 3, "max") == 0 ? 3.0 : 1.5;
    if (name == "sweep")
        return sineSweep(rate, seconds, 100.0, 5000.0, 0.5011872336272722 * 1.5);
    // The same phrase at every rate and level: generated at 44.1 kHz and resampled.
    Signal base = pluckedPhrase(44100.0, seconds, 1.0, 20261209);
    Signal s = rate == 44100.0 ? base : resampleLinear(base, 44100.0, rate);
    for (double& v : s)
        v *= dbfs * input;
    return s;
}

EsrResult measureEsr(const SetFiles& files, const EsrCase& c, double seconds)
{
    EsrResult result;
    double& peakOut = result.peak;
    const Signal in = accuracySignal(c.signal, c.rate, seconds);
    const std::size_t settle = static_cast<std::size_t>(kSettleSeconds * c.rate);
    // Blocks 1-3 do not depend on the tone: run them once for every tone.
    ReferenceChain ref;
    ChainSetting s;
    s.set = c.set;
    s.rate = c.rate;
    s.gain = c.gain;
    s.tone = c.tones.empty() ? 0 : c.tones[0];
    ref.configure(s);
    NetworkBlock<Block1Circuit> n1;
    NetworkBlock<Block2Circuit> n2;
    NetworkBlock<Block3Circuit> n3;
    const BlockFileData* f3 = files.block3At(c.rate);
    n1.configure(files.gainBlockAt(1, c.rate), c.gain, c.rate);
    n2.configure(files.gainBlockAt(2, c.rate), c.gain, c.rate);
    if (f3)
        n3.configure(*f3, 0, c.rate);
    ReferenceChain exact; // the blocks of the network chain that `exactBlocks` hands to Newton
    if (c.exactBlocks != 0)
        exact.configure(s);
    const auto uses = [&c](int block) { return (c.exactBlocks >> (block - 1) & 1u) != 0; };
    std::vector<double> refMid(in.size()), netMid(in.size());
    for (std::size_t n = 0; n < in.size(); ++n)
    {
        refMid[n] = ref.b3.step(ref.b2.step(ref.b1.step(in[n])));
        if (!f3)
            continue;
        const double y1 = uses(1) ? exact.b1.step(in[n]) : n1.step(in[n]);
        const double y2 = uses(2) ? exact.b2.step(y1) : n2.step(y1);
        netMid[n] = uses(3) ? exact.b3.step(y2) : n3.step(y2);
    }
    std::vector<double>& esr = result.esr;
    result.unconverged = ref.failures() + (ref.settled ? 0 : 1);
    for (unsigned tone : c.tones)
    {
        ChainSetting t = s;
        t.tone = tone;
        ReferenceChain ref4; // block 4 alone, at the chain's resting input
        ref4.configure(t);
        NetworkBlock<Block4Circuit> n4;
        n4.configure(files.block4, tone, c.rate);
        ReferenceChain exact4;
        if (uses(4))
            exact4.configure(t);
        double num = 0.0, den = 0.0;
        for (std::size_t n = 0; n < in.size(); ++n)
        {
            const double yr = ref4.b4.step(refMid[n]);
            const double yn = uses(4) ? exact4.b4.step(netMid[n]) : n4.step(netMid[n]);
            peakOut = std::max(peakOut, std::fabs(yn));
            if (!std::isfinite(yn))
                peakOut = HUGE_VAL;
            if (n >= settle)
            {
                num += (yn - yr) * (yn - yr);
                den += yr * yr;
            }
        }
        esr.push_back(f3 && den > 0.0 && std::isfinite(num) ? num / den : HUGE_VAL);
        result.unconverged += ref4.failures() + (ref4.settled ? 0 : 1);
    }
    return result;
}

} // namespace ravlin::modelgen
