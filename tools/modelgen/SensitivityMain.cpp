// What an ESR means: the Newton-solved chain against itself with one small physical change
// (input level, every triode's mu or perveance, the other valve set), measured the way the
// accuracy tool measures the trained chain (the same signals, settling and length).
// Prints a Markdown table.
// Usage: ravlin-sensitivity [--rate HZ] [--tone N]
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Accuracy.h"
#include "CommandLine.h"
#include "circuit/ReferenceChain.h"

using namespace ravlin;
using namespace ravlin::modelgen;

namespace {

struct Change
{
    std::string name;
    double inputGain = 1.0;
    std::function<void(ValveParameters&)> valves = [](ValveParameters&) {};
};

struct Column
{
    std::string name;
    unsigned gain;
    std::string signal;
};

/// ESR of the changed chain against the standard one (Fresh set), after the settling time.
double changeEsr(const Change& change, const Column& column, double rate, unsigned tone, long& failures)
{
    const double seconds = kSettleSeconds + 0.5;
    const Signal in = accuracySignal(column.signal, rate, seconds);
    const ChainSetting setting{ValveSet::fresh, rate, column.gain, tone};
    ReferenceChain standard, changed;
    standard.configure(setting);
    ValveParameters valves = valveParameters(ValveSet::fresh);
    change.valves(valves);
    changed.configure(setting, valves);
    const std::size_t settle = static_cast<std::size_t>(kSettleSeconds * rate);
    double num = 0.0, den = 0.0;
    for (std::size_t n = 0; n < in.size(); ++n)
    {
        const double a = standard.step(in[n]);
        const double b = changed.step(change.inputGain * in[n]);
        if (n < settle)
            continue;
        num += (b - a) * (b - a);
        den += a * a;
    }
    failures += standard.failures() + changed.failures() + (standard.settled && changed.settled ? 0 : 1);
    return den > 0.0 ? num / den : HUGE_VAL;
}

} // namespace

int main(int argc, char** argv)
{
    double rate = 48000.0;
    unsigned tone = 1687;
    CLI::App app("ESR of the Newton-solved chain against itself with one small physical change.", "ravlin-sensitivity");
    app.add_option("--rate", rate, "sample rate, Hz")->check(CLI::Range(8000.0, 3072000.0));
    app.add_option("--tone", tone, "block 4's tone position")->check(CLI::Range(0, 3374));
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    const auto dB = [](double d) { return std::pow(10.0, d / 20.0); };
    const std::vector<Change> changes = {
        {"input level +0.01 dB", dB(0.01)},
        {"input level +0.1 dB", dB(0.1)},
        {"every triode's mu +1 %", 1.0, [](ValveParameters& v) { v.mu *= 1.01; }},
        {"every triode's perveance Gk +10 %", 1.0, [](ValveParameters& v) { v.Gk *= 1.10; }},
        {"input level +1 dB", dB(1.0)},
        {"the Fresh valve set -> the Aged set", 1.0, [](ValveParameters& v) { v = valveParameters(ValveSet::aged); }},
    };
    const std::vector<Column> columns = {
        {"Gain 0, pluck", 0, "pluck-6"}, {"Gain 16, loud pluck", 16, "pluck-6max"}, {"Gain 16, sweep", 16, "sweep"}};
    std::printf("| change to the circuit |");
    for (const Column& c : columns)
        std::printf(" %s |", c.name.c_str());
    std::printf("\n|---|");
    for (std::size_t k = 0; k < columns.size(); ++k)
        std::printf("---|");
    std::printf("\n");
    long failures = 0;
    for (const Change& change : changes)
    {
        std::printf("| %s |", change.name.c_str());
        for (const Column& c : columns)
            std::printf(" %.1e |", changeEsr(change, c, rate, tone, failures));
        std::printf("\n");
    }
    if (failures > 0)
    {
        std::fprintf(stderr, "ravlin-sensitivity: %ld reference steps or operating points did not converge\n",
                     failures);
        return 1;
    }
    return 0;
}
