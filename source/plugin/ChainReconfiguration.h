#pragma once
// What each kind of change does to the two channel chains: which model files are read (chosen per
// effective rate, checked first and loaded all or nothing), the rate the chains run at, and the
// control position every affected block selects. No framework code: the processor suspends the
// audio thread around it, selects the sample loop and the rate, and passes the folder and the
// program's positions in. Runs on the reconfiguring thread only.
//
//   change        files read                          rate set  positions selected  starts at rest
//   all           blocks 1, 2, 4, then 3 (per rate)    yes       blocks 1, 2, 3, 4    yes
//   rateOrMode    blocks 1, 2, then 3 (per rate)       yes       blocks 1, 2, 3       yes
//   gain          none                                 no        blocks 1, 2          follows
//   tone          none                                 no        block 4              follows
//
// "Starts at rest": every block at the rest of its own step for the new setting (processing
// resumes from silence after a reload anyway). "Follows": the rests move to the new positions'
// and the blocks keep their motion about them, so what is playing goes on without a thump.
#include "fast/ModelFileNames.h"
#include "plugin/ModelDataProblem.h"
#include "plugin/ParameterTable.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace ravlin::plugin {
/** A change of the program (or of the valve set), of the rate or channel mode, of Gain, of tone. */
enum class Change
{
    all,
    rateOrMode,
    gain,
    tone
};

/** The change a new stored value of `parameter` asks for; none for Input, Output (the gains
    follow them) and Show settings. */
inline std::optional<Change> changeFor(int parameter) noexcept
{
    switch (parameter)
    {
    case dualTriodes: return Change::all;
    case gain: return Change::gain;
    case treble:
    case middle:
    case bass: return Change::tone;
    case oversampling:
    case monoStereo: return Change::rateOrMode;
    default: return std::nullopt;
    }
}

/** True for the changes that read model files. */
inline constexpr bool readsFiles(Change change) noexcept
{
    return change == Change::all || change == Change::rateOrMode;
}

/** What the chains are to be configured for: the program's positions at the effective rate. */
struct ChainTarget
{
    int valveSet = 0;
    unsigned gainPosition = 0;
    unsigned tonePosition = 0;
    long effectiveRate = 44100;
};

/** How a file-reading change ended. */
struct ReconfigurationOutcome
{
    /** Nothing was loaded although the chains held model data before: the processor puts its
        previous sample loop and rate back, so they keep matching what the chains run. */
    bool keepPrevious = false;
    /** Files that could not be used, then per-rate files set aside for the plain ones. */
    std::vector<ModelFileFailure> failures;
};

/** `Chain` offers checkModelFile(block, path) (static) and loadModelFile(block, path), each giving
    a bool or a result with `explicit operator bool` and a `message`; selectPosition(block,
    index); setSampleRate(rate); startAtRest(); keepMotion() and followRests(). */
template <class Chain>
class ChainReconfiguration
{
public:
    ChainReconfiguration(Chain& leftChain, Chain& rightChain) noexcept : chains{&leftChain, &rightChain} {}

    /** A rate or mode change while the chains hold another valve set than `valveSet` (its files
        failed to load) would put blocks of two sets side by side: the whole set is tried instead. */
    Change widen(Change change, int valveSet) const noexcept
    {
        return change == Change::rateOrMode && loadedValveSet != valveSet ? Change::all : change;
    }

    /** Carries out `change` for `target`, reading files from `folder`. The gain and tone changes
        read nothing and always succeed. */
    ReconfigurationOutcome apply(Change change, const ChainTarget& target, const std::string& folder)
    {
        ReconfigurationOutcome outcome;
        if (!readsFiles(change))
        {
            // The new positions rest elsewhere: the chains keep what they play and follow.
            for (Chain* chain : chains)
            {
                chain->keepMotion();
                selectPositions(*chain, change, target);
                chain->followRests();
            }
            return outcome;
        }
        std::vector<ModelFileFailure> setAside;
        LoadPlan plan(2);
        for (int block : change == Change::all ? std::vector<int>{1, 2, 4} : std::vector<int>{1, 2})
            plan[0].push_back(planFor(block, target, folder, setAside));
        plan[1].push_back(planFor(3, target, folder, setAside));
        const std::vector<Chain*> loaded = loadAllOrNothing(plan, folder, outcome.failures);
        outcome.keepPrevious = loaded.empty() && configured;
        for (Chain* chain : loaded)
            chain->setSampleRate(static_cast<double>(target.effectiveRate));
        for (Chain* chain : loaded)
        {
            selectPositions(*chain, change, target);
            // Processing resumes from silence after a reload anyway: start where the chain rests
            // for its new program and rate (both chains, so a later switch to stereo finds the
            // right one at rest too), or the move from the old state plays as a thump.
            chain->startAtRest();
        }
        if (!loaded.empty())
        {
            configured = true;
            loadedValveSet = target.valveSet;
        }
        outcome.failures.insert(outcome.failures.end(), setAside.begin(), setAside.end());
        return outcome;
    }

    /** True once a change has loaded model data into at least one chain. */
    bool isConfigured() const noexcept { return configured; }

private:
    /** One model file to read: block 1..4 and file name (no folder). */
    struct PlannedLoad
    {
        int block;
        std::string fileName;
    };
    /** Files loaded group by group, each group into the left chain, then into the right one. */
    using LoadPlan = std::vector<std::vector<PlannedLoad>>;

    static std::string pathOf(const std::string& folder, const std::string& fileName)
    {
        if (folder.empty() || folder.back() == '/')
            return folder + fileName;
        return folder + "/" + fileName;
    }

    static bool isFile(const std::string& path)
    {
        std::error_code ec;
        return std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec);
    }

    /** The loader's message for a chain whose loads return a bool (no message) or a result. */
    static std::string loaderMessage(bool) { return {}; }
    template <class Result>
    static auto loaderMessage(const Result& r) -> decltype(std::string(r.message))
    {
        return r.message;
    }

    /** The file `block` reads for the target's valve set and rate: the rate's own file when the
        folder holds one that passes the check, else the file that serves every rate. A rate's
        file that is there but damaged is listed in `setAside` (the block still plays, from the
        plain file). */
    static PlannedLoad planFor(int block, const ChainTarget& target, const std::string& folder,
                               std::vector<ModelFileFailure>& setAside)
    {
        const std::vector<std::string> names = modelFileCandidates(block, target.valveSet, target.effectiveRate);
        for (std::size_t k = 0; k + 1 < names.size(); ++k)
        {
            const std::string path = pathOf(folder, names[k]);
            if (!isFile(path))
                continue;
            const auto r = Chain::checkModelFile(block, path.c_str());
            if (static_cast<bool>(r))
                return {block, names[k]};
            setAside.push_back(
                {path, failureReason(path, loaderMessage(r)) + "; the file for all rates plays instead"});
        }
        return {block, names.back()};
    }

    /** Loads the planned files into both chains all or nothing: every file is read and checked
        first, and the blocks are only replaced when all of them are usable, so a chain never runs
        blocks of two valve sets or two rates. Returns the chains that now hold the new files; a
        chain whose load fails after a good check (the file changed meanwhile) is left out, so it
        gets no position and stays silent rather than mixing. Failures land in `found`. */
    std::vector<Chain*> loadAllOrNothing(const LoadPlan& plan, const std::string& folder,
                                         std::vector<ModelFileFailure>& found)
    {
        for (const auto& group : plan)
            for (const auto& l : group)
            {
                const std::string path = pathOf(folder, l.fileName);
                const auto r = Chain::checkModelFile(l.block, path.c_str());
                if (!static_cast<bool>(r))
                    found.push_back({path, failureReason(path, loaderMessage(r))});
            }
        if (!found.empty())
            return {};
        bool whole[2] = {true, true};
        for (const auto& group : plan)
            for (int c = 0; c < 2; ++c)
                for (const auto& l : group)
                {
                    const std::string path = pathOf(folder, l.fileName);
                    const auto r = chains[c]->loadModelFile(l.block, path.c_str());
                    if (!static_cast<bool>(r))
                    {
                        whole[c] = false;
                        found.push_back({path, failureReason(path, loaderMessage(r))});
                    }
                }
        std::vector<Chain*> loaded;
        for (int c = 0; c < 2; ++c)
            if (whole[c])
                loaded.push_back(chains[c]);
        return loaded;
    }

    /** The positions `change` selects, block by block in order 1..4 (block 3 has one position). */
    static void selectPositions(Chain& chain, Change change, const ChainTarget& target)
    {
        const bool gainBlocks = change != Change::tone;
        const bool rateBlock = readsFiles(change);
        const bool toneBlock = change == Change::all || change == Change::tone;
        if (gainBlocks)
        {
            chain.selectPosition(1, target.gainPosition);
            chain.selectPosition(2, target.gainPosition);
        }
        if (rateBlock)
            chain.selectPosition(3, 0);
        if (toneBlock)
            chain.selectPosition(4, target.tonePosition);
    }

    Chain* chains[2];
    bool configured = false; ///< a change has loaded model data at least once
    int loadedValveSet = -1; ///< the valve set whose files the chains hold (-1: none yet)
};
} // namespace ravlin::plugin
