#include "Builder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sstream>

#include "HeldOut.h"
#include "Jobs.h"
#include "OperatingTable.h"
#include "Pairs.h"
#include "Rates.h"
#include "RegionSplit.h"
#include "RestTables.h"
#include "Trainer.h"
#include "circuit/ReferenceChain.h"
#include "fast/ModelFileNames.h"

namespace ravlin::modelgen {

std::string BuildOptions::describe() const
{
    std::ostringstream s;
    s.precision(17);
    s << "cloud " << cloud.seconds << ' ' << cloud.maxInput << ' ' << cloud.keepEvery << " points " << pointsPerNet
      << ' ' << pointsBlock1 << ' ' << pointsBlock4 << " iterations " << iterationsCold << ' ' << iterationsWarm << ' '
      << iterationsBlock2 << ' ' << iterationsBlock4 << " sets";
    for (ValveSet v : sets)
        s << ' ' << valveSetName(v);
    s << " rates";
    for (double r : rates)
        s << ' ' << r;
    s << " rate-iterations " << iterationsRate;
    s << " block4 " << block4Positions;
    s << " candidates " << candidates << ' ' << heldOutSeconds;
    s << " loop " << loop.window << ' ' << loop.windows << ' ' << loop.every << ' ' << loop.iterations << ' '
      << loop.stateWeight << ' ' << loop.localFloor << ' ' << loopSeconds << " loop-rates";
    for (double r : loopRates)
        s << ' ' << r;
    if (!blocks.empty())
    {
        s << " blocks";
        for (int b : blocks)
            s << ' ' << b;
    }
    return s.str();
}

namespace {

constexpr unsigned kGains = 17;
static_assert(kSampleGain == kRestGain, "a sample holds the Gain position blocks 3 and 4 rest on");

/// Rates the file shared by all rates (block 4) is trained on, with weights.
/// The base rates carry the accuracy goal; the higher ones only pull the fit
/// towards the middle of the spread their different capacitor companions cause.
const std::array<std::pair<double, double>, 2> kSharedFileRates{{{44100.0, 1.0}, {48000.0, 1.0}}};

/// The rate the plain files of blocks 1 and 2 are trained for.
constexpr double kPlainRate = 44100.0;

struct SetWork
{
    ValveSet set = ValveSet::fresh;
    std::array<GainClouds, kGains> clouds;
    std::array<PortCloud, 4> pooled; ///< all Gain positions together, per block
    /// Blocks 1 and 2 per rate of `gainRates` (the first, 44.1 kHz, is the plain file).
    std::vector<BlockFileData> block1, block2;
    BlockFileData block4;
    std::vector<BlockFileData> block3;           ///< one per rate
    std::vector<std::vector<double>> restOutput; ///< [rate][block] resting outputs at Gain 8
    std::vector<std::vector<double>> block1Rest; ///< [gain][rate] block-1 resting output
    std::array<HeldOutRun, kGains> heldOut2;     ///< block 2's held-out run per Gain position
};

std::uint64_t seedOf(ValveSet set, int block, unsigned position)
{
    return 0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(set) << 40) ^ (static_cast<std::uint64_t>(block) << 32)
           ^ position;
}

PortCloud trainingCloud(const PortCloud& cloud, int points, std::uint64_t seed)
{
    const std::size_t stride = std::max<std::size_t>(1, cloud.size() / static_cast<std::size_t>(std::max(1, points)));
    const PortCloud base = thinned(cloud, stride);
    return withMargin(base, 4, 1, 0.003, seed);
}

std::string fitLine(const char* set, int block, const std::string& where, const FitReport& r)
{
    char buf[200];
    std::snprintf(buf, sizeof buf, "fit set=%s block=%d %s rms=%.3g max=%.3g iterations=%d", set, block, where.c_str(),
                  r.rms, r.maxError, r.iterations);
    return buf;
}

/// Fits `net` to the data: from scratch (seeded) or from its current weights.
FitReport fit(TrainedNet& net, const Dataset& data, const BlockLayout& layout, bool warm, int iterations,
              std::uint64_t seed)
{
    if (!warm)
        net.shape(layout.featureCount, layout.hidden, layout.outputCount, layout.clamp);
    FitOptions o;
    o.maxIterations = iterations;
    o.seed = seed;
    o.steepest = layout.steepest;
    TrainedNet ranges = net;
    setRangesFromData(ranges, data, o);
    ranges.roundToFloat(); // ranges as the file keeps them, before the weights adapt to them
    if (warm)
        net.adoptRanges(ranges); // the neighbour's function, expressed in the new ranges
    else
        net = ranges;
    const Dataset inside = restrictToRanges(net, data);
    const std::vector<int> units(layout.unitsPerOutput.begin(), layout.unitsPerOutput.begin() + layout.outputCount);
    FitReport r = layout.unitsPerOutput[0] > 0 ? fitNetworkPerOutput(net, inside, o, warm, units)
                                               : fitNetwork(net, inside, o, warm);
    net.roundToFloat();
    const int its = r.iterations;
    r = measure(net, inside);
    r.iterations = its;
    return r;
}

template <class Model>
void addSharedRatePairs(ValveSet set, unsigned position, const PortCloud& cloud, const BlockLayout& layout,
                        Dataset& data)
{
    Model m(44100.0);
    for (const auto& [rate, weight] : kSharedFileRates)
    {
        configureBlock(m, set, rate, position);
        addPairs(m, cloud, layout, data, weight);
    }
}

/// Refines one position's network of block 1 or 2 in the block's loop at `rate` and keeps the
/// result when the block, played freely on a check run, comes closer to the port solve.
/// Returns the report text (" loop-esr=before->after", "kept" or "not kept").
template <class Model>
std::string refinePosition(PositionData& pos, const BlockLayout& layout, ValveSet set, unsigned gain, double rate,
                           const BuildOptions& options, long& failures)
{
    const ChainSetting setting{set, rate, gain, 1687};
    const std::uint64_t seed = 0x100Bull * 6151u + gain * 3571u + static_cast<unsigned>(set) * 13u
                               + static_cast<std::uint64_t>(rate) * 7u + static_cast<unsigned>(layout.block);
    const BlockRun train = referenceBlockRun(
        layout.block, setting, loopSignal(rate, options.loopSeconds, options.cloud.maxInput, seed), &failures);
    const BlockRun check =
        referenceBlockRun(layout.block, setting,
                          loopSignal(rate, options.loopSeconds, options.cloud.maxInput, seed ^ 0xC4EC4ull), &failures);
    const std::size_t settle = static_cast<std::size_t>(kHeldOutSettle * rate);
    const double before = freeRunEsr<Model>(layout, pos, gain, rate, check, settle);
    const double* entry = tableEntry<Model>(pos.table, rate);
    if (entry == nullptr)
        return " loop=no-table";
    Model m(rate);
    configureBlock(m, ValveSet::fresh, rate, gain); // the linear part as the run-time builds it
    PositionData trial = pos;
    refineInLoop(trial.nets[0], layout, m, train, entry + 1 + Model::Traits::NV, options.loop);
    trial.nets[0].roundToFloat();
    const double after = freeRunEsr<Model>(layout, trial, gain, rate, check, settle);
    const bool keep = after < before;
    if (keep)
        pos.nets[0] = trial.nets[0];
    char buf[80];
    std::snprintf(buf, sizeof buf, " loop-esr=%.3g->%.3g%s", before, after, keep ? "" : "(not kept)");
    return buf;
}

} // namespace

std::vector<BuiltFile> buildModelFiles(const BuildOptions& options, BuildReport& report)
{
    const auto inSample = [&options](unsigned gain) { return !options.sample || gain == kSampleGain; };
    const auto wanted = [&options](int block) {
        return options.blocks.empty()
               || std::find(options.blocks.begin(), options.blocks.end(), block) != options.blocks.end();
    };
    const std::vector<double> rates = effectiveRates();
    const std::vector<double> block3Rates = options.rates.empty() ? rates : options.rates;
    // Blocks 1 and 2: the plain file (44.1 kHz) first, then every other rate ascending,
    // each fitted from the next lower rate's networks.
    std::vector<double> gainRates{kPlainRate};
    for (double r : block3Rates)
        if (r != kPlainRate)
            gainRates.push_back(r);
    std::sort(gainRates.begin() + 1, gainRates.end());
    std::vector<std::unique_ptr<SetWork>> work;
    for (ValveSet set : options.sets)
    {
        work.push_back(std::make_unique<SetWork>());
        work.back()->set = set;
    }
    std::mutex reportLock;
    auto note = [&](const std::string& line) {
        std::lock_guard<std::mutex> lock(reportLock);
        report.lines.push_back(line);
    };

    // Stage 1: reference chain runs and resting voltages.
    std::vector<Job> jobs;
    for (auto& w : work)
    {
        SetWork* sw = w.get();
        for (unsigned g = 0; g < kGains; ++g)
            jobs.push_back(
                {"clouds", 3.0, [sw, g, &options] { sw->clouds[g] = collectClouds(sw->set, g, options.cloud); }});
        for (unsigned g = 0; g < kGains && wanted(2) && options.candidates > 1; ++g)
            if (inSample(g))
                jobs.push_back({"held-out", 0.5, [sw, g, &options] {
                                    CloudOptions o = options.cloud;
                                    o.seconds = options.heldOutSeconds;
                                    sw->heldOut2[g] = heldOutRun(sw->set, g, o);
                                }});
        jobs.push_back({"rest", 0.5, [sw, &rates] {
                            sw->restOutput.assign(rates.size(), std::vector<double>(4, 0.0));
                            for (std::size_t k = 0; k < rates.size(); ++k)
                            {
                                ReferenceChain chain;
                                ChainSetting s;
                                s.set = sw->set;
                                s.rate = rates[k];
                                chain.configure(s);
                                for (int b = 0; b < 4; ++b)
                                    sw->restOutput[k][static_cast<std::size_t>(b)] = chain.restOutput[b];
                            }
                            sw->block1Rest.assign(kGains, std::vector<double>(rates.size(), 0.0));
                            Block1Circuit m(44100.0);
                            for (unsigned g = 0; g < kGains; ++g)
                                for (std::size_t k = 0; k < rates.size(); ++k)
                                {
                                    configureBlock(m, sw->set, rates[k], g);
                                    m.x.setZero();
                                    operatingPoint(m, 0.0);
                                    sw->block1Rest[g][k] = m.y[0];
                                }
                        }});
    }
    runJobs(jobs, options.threads, "reference", &report.timings);
    for (auto& w : work)
    {
        for (int b = 0; b < 4; ++b)
            w->pooled[static_cast<std::size_t>(b)].ports = b == 3 ? 2 : 4;
        for (unsigned g = 0; g < kGains; ++g)
        {
            report.solveFailures += w->clouds[g].solveFailures + w->heldOut2[g].failures;
            for (std::size_t b = 0; b < 4; ++b)
                w->pooled[b].append(w->clouds[g].block[b]);
        }
    }

    // Stage 2: training and operating-point tables.
    jobs.clear();
    for (auto& w : work)
    {
        SetWork* sw = w.get();
        const char* setName = valveSetName(sw->set);
        // Gain blocks: one file per rate, 17 positions each.
        for (int block : {1, 2})
        {
            std::vector<BlockFileData>& files = block == 1 ? sw->block1 : sw->block2;
            files.resize(gainRates.size());
            for (BlockFileData& file : files)
            {
                file.layout = blockLayout(block);
                file.positions.resize(kGains);
            }
        }
        // One Gain position of block 1 or 2 at every rate: the plain file's fit (from
        // scratch, or for block 1 warm from the previous position when `warm`), then each
        // higher rate from the next lower one. The pairs come from the same cloud of port
        // voltages; only the rate's K, and so the map from p to i, differs.
        auto gainFit = [sw, setName, &options, &rates, &gainRates, &note, &report, &reportLock](int block, unsigned g,
                                                                                                bool warm) {
            std::vector<BlockFileData>& files = block == 1 ? sw->block1 : sw->block2;
            const BlockLayout& layout = files[0].layout;
            const PortCloud cloud =
                trainingCloud(sw->clouds[g].block[static_cast<std::size_t>(block - 1)],
                              block == 1 ? options.pointsBlock1 : options.pointsPerNet, seedOf(sw->set, block, g));
            std::vector<double> table;
            const bool ok = block == 1 ? operatingTable<Block1Circuit>(sw->set, g, rates,
                                                                       std::vector<double>(rates.size(), 0.0), table)
                                       : operatingTable<Block2Circuit>(sw->set, g, rates, sw->block1Rest[g], table);
            if (!ok)
            {
                std::lock_guard<std::mutex> lock(reportLock);
                ++report.solveFailures;
            }
            for (std::size_t k = 0; k < gainRates.size(); ++k)
            {
                PositionData& pos = files[k].positions[g];
                pos.table = table;
                pos.nets.resize(1);
                const bool fromLower = k > 0;
                const bool start = fromLower || warm;
                if (fromLower)
                    pos.nets[0] = files[k - 1].positions[g].nets[0];
                else if (warm)
                    pos.nets[0] = files[0].positions[g - 1].nets[0];
                Dataset data;
                if (block == 1)
                {
                    Block1Circuit m(44100.0);
                    configureBlock(m, sw->set, gainRates[k], g);
                    addPairs(m, cloud, layout, data);
                }
                else
                {
                    Block2Circuit m(44100.0);
                    configureBlock(m, sw->set, gainRates[k], g);
                    addPairs(m, cloud, layout, data);
                }
                const int iterations = fromLower    ? options.iterationsRate
                                       : warm       ? options.iterationsWarm
                                       : block == 2 ? options.iterationsBlock2
                                                    : options.iterationsCold;
                std::string where =
                    "gain=" + std::to_string(g) + " rate=" + std::to_string(static_cast<long>(gainRates[k]));
                FitReport r = fit(pos.nets[0], data, layout, start, iterations, seedOf(sw->set, block, g));
                if (block == 2 && k == 0 && options.candidates > 1)
                {
                    // Further candidates from scratch with seeds of their own; the one that
                    // plays best on the held-out run stays (and starts the higher rates).
                    const HeldOutRun& run = sw->heldOut2[g];
                    const auto score = [&layout, &run](const PositionData& p) { return heldOutEsr(layout, p, run); };
                    double best = score(pos);
                    char buf[40];
                    std::snprintf(buf, sizeof buf, " held-out-esr=%.3g", best);
                    where += buf;
                    PositionData trial = pos;
                    for (int c = 1; c < options.candidates; ++c)
                    {
                        const FitReport rc = fit(trial.nets[0], data, layout, false, options.iterationsBlock2,
                                                 seedOf(sw->set, block, g) ^ (static_cast<std::uint64_t>(c) << 48));
                        const double esr = score(trial);
                        std::snprintf(buf, sizeof buf, ",%.3g", esr);
                        where += buf;
                        if (esr < best)
                        {
                            best = esr;
                            r = rc;
                            pos.nets[0] = trial.nets[0];
                        }
                    }
                }
                if (options.loop.iterations > 0
                    && std::find(options.loopRates.begin(), options.loopRates.end(), gainRates[k])
                           != options.loopRates.end())
                {
                    long failures = 0;
                    where +=
                        block == 1
                            ? refinePosition<Block1Circuit>(pos, layout, sw->set, g, gainRates[k], options, failures)
                            : refinePosition<Block2Circuit>(pos, layout, sw->set, g, gainRates[k], options, failures);
                    std::lock_guard<std::mutex> lock(reportLock);
                    report.solveFailures += failures;
                }
                note(fitLine(setName, block, where, r));
            }
        };
        // Block 1 walks the Gain positions as one chain of warm starts at 44.1 kHz
        // (positions 0 and 8 start two halves so two threads share the work).
        // Block 2 fits every position from a fresh start in its own job: its per-output
        // fits converge to a far better fit from the data-placed start than from the
        // neighbouring position's weights in a few iterations.
        const double rateShare = static_cast<double>(gainRates.size() - 1);
        if (wanted(1))
        {
            if (!options.sample)
                jobs.push_back({"block 1", 10.0 + 4.0 * rateShare, [gainFit] {
                                    for (unsigned g = 0; g < kGains / 2; ++g)
                                        gainFit(1, g, g > 0);
                                }});
            jobs.push_back({"block 1", 10.0 + 4.0 * rateShare, [gainFit, &options] {
                                for (unsigned g = kGains / 2; g < (options.sample ? kSampleGain + 1 : kGains); ++g)
                                    gainFit(1, g, g > kGains / 2);
                            }});
        }
        if (wanted(2))
            for (unsigned g = 0; g < kGains; ++g)
                if (inSample(g))
                    jobs.push_back({"block 2", 12.0 + 3.0 * rateShare, [gainFit, g] { gainFit(2, g, false); }});
        sw->block3.resize(block3Rates.size());
        // Block 3: one file per rate; neighbouring rates start from each other, in two chains.
        const std::size_t half = (block3Rates.size() + 1) / 2;
        for (std::size_t part = 0; part < 2 && wanted(3); ++part)
        {
            const std::size_t from = part == 0 ? 0 : half, to = part == 0 ? half : block3Rates.size();
            if (from >= to)
                continue;
            jobs.push_back(
                {"block 3", 30.0, [sw, from, to, setName, &options, &rates, &block3Rates, &note, &report, &reportLock] {
                     const BlockLayout layout = blockLayout(3);
                     const PortCloud cloud = trainingCloud(sw->pooled[2], options.pointsPerNet, seedOf(sw->set, 3, 0));
                     std::vector<double> inputs(rates.size());
                     for (std::size_t k = 0; k < rates.size(); ++k)
                         inputs[k] = sw->restOutput[k][1];
                     std::vector<double> table;
                     const bool ok = operatingTable<Block3Circuit>(sw->set, 0, rates, inputs, table);
                     if (!ok)
                     {
                         std::lock_guard<std::mutex> lock(reportLock);
                         ++report.solveFailures;
                     }
                     for (std::size_t k = from; k < to; ++k)
                     {
                         BlockFileData& file = sw->block3[k];
                         file.layout = layout;
                         file.positions.resize(1);
                         PositionData& pos = file.positions[0];
                         pos.table = table;
                         const bool warm = k > from;
                         if (warm)
                             pos.nets = sw->block3[k - 1].positions[0].nets;
                         else
                             pos.nets.resize(static_cast<std::size_t>(layout.regions));
                         Block3Circuit m(44100.0);
                         configureBlock(m, sw->set, block3Rates[k], 0);
                         Dataset data;
                         addPairs(m, cloud, layout, data);
                         // The resting port voltages p follow the rate in the table's entry.
                         const double* rest = tableEntry<Block3Circuit>(table, block3Rates[k]);
                         double restX[4] = {};
                         for (int f = 0; rest != nullptr && f < layout.featureCount; ++f)
                             restX[f] = rest[1 + layout.features[static_cast<std::size_t>(f)]];
                         weightAround(data, restX, layout.restBoost, layout.restWidth);
                         const std::vector<double> cuts = regionCuts(data, layout.regions, restX[0]);
                         for (int region = 0; region < layout.regions; ++region)
                         {
                             const double lo = region == 0 ? -kUnbounded : cuts[static_cast<std::size_t>(region - 1)];
                             const double hi =
                                 region + 1 == layout.regions ? kUnbounded : cuts[static_cast<std::size_t>(region)];
                             const double pad = cuts.size() > 1 ? 0.1 * (cuts.back() - cuts.front()) : 0.0;
                             const Dataset regionPairs = regionData(data, lo, hi, pad);
                             TrainedNet& net = pos.nets[static_cast<std::size_t>(region)];
                             const FitReport r = fit(
                                 net, regionPairs, layout, warm, warm ? options.iterationsWarm : options.iterationsCold,
                                 seedOf(sw->set, 3, static_cast<unsigned>(k * 8 + static_cast<std::size_t>(region))));
                             net.regionLow[0] = lo;
                             net.regionHigh[0] = hi;
                             net.roundToFloat();
                             note(fitLine(setName, 3,
                                          "rate=" + std::to_string(static_cast<long>(block3Rates[k]))
                                              + " region=" + std::to_string(region),
                                          r));
                         }
                     }
                 }});
        }
        // Block 4: one chain of warm starts per Treble value, Bass and Middle walked as a snake.
        sw->block4.layout = blockLayout(4);
        sw->block4.positions.resize(options.block4Positions);
        const unsigned tones =
            options.sample ? std::min(kSampleTones, options.block4Positions) : options.block4Positions;
        const unsigned trebles = (tones + 224) / 225;
        for (unsigned treble = 0; treble < (wanted(4) ? trebles : 0u); ++treble)
            jobs.push_back({"block 4", 8.0, [sw, treble, tones, setName, &options, &rates, &note] {
                                const BlockLayout layout = blockLayout(4);
                                const PortCloud cloud =
                                    trainingCloud(sw->pooled[3], options.pointsBlock4, seedOf(sw->set, 4, treble));
                                std::vector<double> inputs(rates.size());
                                for (std::size_t k = 0; k < rates.size(); ++k)
                                    inputs[k] = sw->restOutput[k][2];
                                const TrainedNet* previous = nullptr;
                                double worst = 0.0, sum = 0.0;
                                int count = 0, failed = 0;
                                for (unsigned b = 0; b < 15; ++b)
                                    for (unsigned mm = 0; mm < 15; ++mm)
                                    {
                                        const unsigned middle = b % 2 == 0 ? mm : 14 - mm;
                                        const unsigned index = treble * 225 + b * 15 + middle;
                                        if (index >= tones)
                                            continue;
                                        PositionData& pos = sw->block4.positions[index];
                                        pos.nets.resize(1);
                                        if (previous)
                                            pos.nets[0] = *previous;
                                        Dataset data;
                                        addSharedRatePairs<Block4Circuit>(sw->set, index, cloud, layout, data);
                                        const FitReport r =
                                            fit(pos.nets[0], data, layout, previous != nullptr,
                                                previous ? options.iterationsBlock4 : options.iterationsCold,
                                                seedOf(sw->set, 4, index));
                                        if (!operatingTable<Block4Circuit>(sw->set, index, rates, inputs, pos.table))
                                            ++failed;
                                        worst = std::max(worst, r.maxError);
                                        sum += r.rms;
                                        ++count;
                                        previous = &pos.nets[0];
                                    }
                                char buf[160];
                                std::snprintf(buf, sizeof buf,
                                              "fit set=%s block=4 treble=%u mean_rms=%.3g max=%.3g op_failures=%d",
                                              setName, treble, count ? sum / count : 0.0, worst, failed);
                                note(buf);
                            }});
    }
    runJobs(jobs, options.threads, "training", &report.timings);

    // Stage 3: the tables hold where the trained chain rests, not the circuit's operating point.
    for (auto& w : work)
    {
        SetFilesToRest rest;
        rest.block1 = wanted(1) ? &w->block1 : nullptr;
        rest.block2 = wanted(2) ? &w->block2 : nullptr;
        rest.gainRates = gainRates;
        rest.block3 = wanted(3) ? &w->block3 : nullptr;
        rest.block3Rates = block3Rates;
        rest.block4 = wanted(4) ? &w->block4 : nullptr;
        rest.circuitRest = w->restOutput;
        const RestReport r = restTables(rest, rates, options.threads, &report.timings);
        report.solveFailures += r.unconverged;
        note(restLine(valveSetName(w->set), r));
    }

    // Stage 4: files, in a fixed order; a sample holds only the positions it built.
    std::vector<BuiltFile> files;
    const auto encoded = [&options](std::string name, const BlockFileData& data) {
        if (!options.sample)
            return BuiltFile{data.layout.block, std::move(name), encodeModelFile(data), {}};
        std::vector<unsigned> built;
        for (unsigned k = 0; k < data.positions.size(); ++k)
            if (!data.positions[k].nets.empty())
                built.push_back(k);
        return BuiltFile{data.layout.block, std::move(name), encodeModelFile(positionsOf(data, built)), built};
    };
    for (auto& w : work)
    {
        const int set = w->set == ValveSet::aged ? 1 : 0;
        for (int block : {1, 2})
        {
            if (!wanted(block))
                continue;
            const std::vector<BlockFileData>& data = block == 1 ? w->block1 : w->block2;
            files.push_back(encoded(plainModelFileName(block, set), data[0]));
            for (std::size_t k = 1; k < gainRates.size(); ++k)
                files.push_back(encoded(rateModelFileName(block, set, static_cast<long>(gainRates[k])), data[k]));
        }
        for (std::size_t k = 0; k < block3Rates.size() && wanted(3); ++k)
            files.push_back(encoded(rateModelFileName(3, set, static_cast<long>(block3Rates[k])), w->block3[k]));
        if (wanted(4))
            files.push_back(encoded(plainModelFileName(4, set), w->block4));
    }
    std::sort(report.lines.begin(), report.lines.end());
    return files;
}

} // namespace ravlin::modelgen
