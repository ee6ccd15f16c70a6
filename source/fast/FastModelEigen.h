#pragma once
// A preamp block whose triode currents come from a trained network instead of a Newton solve:
// the circuit model (coefficients, states) plus the parsed model file, its networks, the selected
// position and the per-sample step. P = 1: "pca" file with projection; S = 1: always the first
// network of the position, S = 0: search by input region (block 3).
//
// Threads: step() runs on the audio thread only. loadModelFile, selectPosition, applyOperatingPoint
// and changeSampleRate run on the reconfiguring thread and must not overlap a step of this block.
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "fast/BlockKind.h"
#include "fast/LoadResult.h"
#include "fast/ModelFileChecks.h"
#include "fast/ModelFileF.h"
#include "fast/NetworkBuilders.h"
#include "fast/NetworkLayout.h"
#include "fast/OperatingPointTable.h"
#include "fast/PCAModelFileF.h"
#include "fast/ProjectionCopy.h"
#include "fast/RestPoint.h"
#include "fast/RunningStatistics.h"
#include "fast/ScalarBlockStep.h"
#include "fast/net_node_eigen.h"

namespace ravlin {

template <class Model, class STraits, int P, int S, class Net = net_node_eigen>
class FastModelEigen : public Model
{
public:
    static constexpr int block = BlockNumber<Model>::value;
    static constexpr int NV = STraits::NV;
    static constexpr int NI = STraits::NI;
    static constexpr int NX = STraits::NX;
    /// Values per operating-point entry: rate, then p, i and x.
    static constexpr unsigned entryLength = 1 + NV + NI + NX;
    using Reader = std::conditional_t<P == 1, PCAModelFileF, ModelFileF>;
    static_assert(std::is_same_v<Net, net_node_eigen>, "the fast step evaluates net_node_eigen records");
    static_assert(NV <= 4, "at most four ports");

    Reader reader;
    std::uint32_t positionCount = 0;
    std::uint8_t featureEnabled[NV] = {};
    std::uint8_t outputEnabled[NV] = {};
    std::vector<Net> networks;
    Net* positionNetworks = nullptr;
    std::uint32_t positionNetworkCount = 0;
    std::uint32_t position = 0;
    Net* lastNetwork = nullptr;
    std::uint32_t projectionInputs = NV;
    std::uint32_t componentCount = NV;
    std::uint32_t outputProjectionColumns = NV;
    double networkInput[NV] = {};
    double projectionMatrix[NV * NV] = {};
    std::uint8_t projectionEnabled = 0;
    std::uint8_t loaded = 0;
    std::uint8_t positionSelected = 0;

    FastModelEigen() : Model(44100.0) { this->resetPending = 1; }
    ~FastModelEigen() override = default;

    /// True when the block may be stepped: a file is loaded and a position of that file selected
    /// since the load (the networks the step reads belong to the current file).
    bool active() const noexcept { return loaded == 1 && positionSelected == 1 && bound; }

    /// Reads, checks and builds everything into fresh objects first; only a complete success
    /// replaces the tree and networks. Selects nothing: the block stays inactive until the next
    /// selectPosition. `position` is clamped to the new file's positions.
    LoadResult loadModelFile(const char* path)
    {
        LoadResult result;
        try
        {
            auto fresh = std::make_unique<Reader>();
            std::string why = readChecked(*fresh, path);
            if (!why.empty())
            {
                result.message = why;
                return result;
            }
            std::vector<Net> built;
            buildNetworks(*fresh, built, outputEnabled);
            NetworkLayouts builtLayouts;
            builtLayouts.build(built, slotMaps(*fresh), P == 0);
            // Commit: nothing below can fail.
            reader.sets.swap(fresh->sets);
            reader.setCount = fresh->setCount;
            networks.swap(built);
            layouts.swap(builtLayouts);
        }
        catch (const std::bad_alloc&)
        {
            result.message = "out of memory while loading the model file";
            return result;
        }
        positionCount = reader.sets[0].positionCount;
        if (position >= positionCount)
            position = positionCount - 1;
        positionNetworks = lastNetwork = nullptr;
        positionNetworkCount = 0;
        bound = false;
        loaded = 1;
        ++changes;
        result.ok = true;
        return result;
    }

    /// Reads and checks the file at `path` as loadModelFile does, without touching any block, so
    /// a caller can make sure every file of a set loads before it replaces any.
    static LoadResult checkModelFile(const char* path)
    {
        LoadResult result;
        try
        {
            auto fresh = std::make_unique<Reader>();
            result.message = readChecked(*fresh, path);
        }
        catch (const std::bad_alloc&)
        {
            result.message = "out of memory while loading the model file";
        }
        result.ok = result.message.empty();
        return result;
    }

    /// Configures the block for control position `index` (clamped to the file's positions), moves
    /// the circuit model's potentiometers there, recomputes the coefficients and applies the stored
    /// operating point. Without a loaded file nothing changes.
    void selectPosition(unsigned index)
    {
        if (positionCount > 0 && index >= positionCount)
            index = positionCount - 1;
        if (loaded != 1)
            return;
        const auto& set = reader.sets[0];
        const auto& pos = set.positions[index];
        if constexpr (P == 1)
        {
            for (int k = 0; k < NV; ++k)
            {
                featureEnabled[k] = pos.inputFlags[static_cast<std::size_t>(k)] == 1 ? 1 : 0;
                outputEnabled[k] = pos.outputFlags[static_cast<std::size_t>(k)] == 1 ? 1 : 0;
            }
            outputProjectionColumns = pos.outputProjectionColumns;
            projectionInputs = pos.projectionInputs;
            componentCount = pos.networkInputs;
            projectionEnabled =
                copyProjection(pos.projection.data(), componentCount, projectionInputs, projectionMatrix) ? 1 : 0;
        }
        else
        {
            for (int k = 0; k < NV; ++k)
                featureEnabled[k] = outputEnabled[k] = 1;
            projectionEnabled = 0;
            projectionInputs = componentCount = outputProjectionColumns = NV;
        }
        std::size_t first = 0;
        for (unsigned k = 0; k < index; ++k)
            first += set.positions[k].networks.size();
        positionSelected = 1;
        position = index;
        positionNetworks = networks.data() + first;
        positionNetworkCount = pos.networkCount;
        lastNetwork = positionNetworks;
        bound = true;
        ++changes;
        if constexpr (block != 3)
            this->setPotPosition(index);
        this->computeCoefficients();
        applyOperatingPoint();
    }

    /// Block 3 has a single position.
    void selectPosition() { selectPosition(0); }

    /// Takes the current position's entry for `sampleRate` (if any) as the stored operating point;
    /// on a pending reset puts p, i and x there, otherwise refreshes only the port currents that the
    /// network does not produce.
    void applyOperatingPoint() noexcept
    {
        ++changes;
        if (loaded == 1 && position < reader.sets[0].positions.size())
        {
            const auto& table = reader.sets[0].positions[position].operatingPoints;
            if (const double* entry = operatingPointFor(table, this->sampleRate, entryLength))
            {
                for (int q = 0; q < NV; ++q)
                    this->storedP[q] = entry[q];
                for (int q = 0; q < NI; ++q)
                    this->storedI[q] = entry[NV + q];
                for (int q = 0; q < NX; ++q)
                    this->storedX[q] = entry[NV + NI + q];
            }
        }
        if (this->resetPending == 1)
        {
            this->resetPending = 0;
            this->p = this->storedP;
            this->i = this->storedI;
            this->x = this->storedX;
        }
        else
        {
            for (int q = 0; q < NI; ++q)
                if (outputEnabled[q] == 0)
                    this->i[q] = this->storedI[q];
        }
    }

    /// A changed rate (or a NaN on either side) recomputes the coefficients and requests a full reset,
    /// performed at once when a position is selected.
    void changeSampleRate(double rate)
    {
        if (this->sampleRate == rate)
            return;
        this->sampleRate = rate;
        this->resetPending = 1;
        ++changes;
        this->computeCoefficients();
        if (positionSelected == 1)
            applyOperatingPoint();
    }

    /// Reconfiguring thread. Puts the block where its own step rests with its input held at
    /// `blockInput` (findRest, from the stored operating point) and keeps that rest as the stored
    /// operating point, so a recovery returns there too. Returns the resting output. When no rest
    /// is found (or the block is not active), x, p and i are put at the stored point and the output
    /// of one step from there is returned. Allocates nothing; block 4's statistics see none of it.
    double settle(double blockInput) noexcept
    {
        using States = Eigen::Matrix<double, NX, 1>;
        if (!active())
            return 0.0;
        this->u[0] = blockInput;
        const auto stepFrom = [this](const States& at) {
            this->x = at;
            scalarstep::step<block, S == 0>(*this, nullptr);
            return States(this->x);
        };
        States rest = this->storedX;
        int steps = 0;
        if (!findRest<NX>(rest, stepFrom, steps))
            rest = this->storedX;
        stepFrom(rest); // p, i and y at the rest (or at the stored point)
        this->x = rest;
        this->storedX = rest;
        this->storedP = this->p;
        this->storedI = this->i;
        ++changes;
        return this->y[0];
    }

    /// One step at the running rate (ScalarBlockStep.h). Requires active().
    void step() noexcept { scalarstep::step<block, S == 0>(*this, statistics); }

    /// The vector layouts of `networks`, same order (built with them at load).
    const NetworkLayouts& networkLayouts() const noexcept { return layouts; }
    /// Incremented by every load, selection, rate change and operating-point application, so a
    /// caller that keeps data derived from this block knows when to refresh it.
    std::uint32_t generation() const noexcept { return changes; }

protected:
    /// Block 4's running statistics of i1, owned by FastModelEigenWithStat; null otherwise.
    RunningStatistics* statistics = nullptr;

private:
    /// Reads the file at `path` into `fresh` and checks it for this block; the reason it cannot be
    /// used, or empty. Trailing bytes after the last set are harmless and pass.
    static std::string readChecked(Reader& fresh, const char* path)
    {
        if (fresh.openForReading(path) == nullptr)
            return fresh.lastError();
        const unsigned values = fresh.read();
        fresh.close();
        if (values == 0)
            return fresh.lastError().empty() ? std::string("no model data in the file") : fresh.lastError();
        return checkForBlock(fresh, entryLength);
    }

    /// Per network, the slots its outputs fill: the enabled slots of its position in order
    /// ("pca"), or every slot ("std").
    static std::vector<std::vector<std::uint8_t>> slotMaps(const Reader& file)
    {
        std::vector<std::vector<std::uint8_t>> maps;
        for (const auto& pos : file.sets[0].positions)
            for (std::size_t n = 0; n < pos.networks.size(); ++n)
            {
                if constexpr (P == 1)
                    maps.push_back(bipolarSlotMap(pos.outputFlags.data(), 4));
                else
                    maps.push_back(unipolarSlotMap(NV));
            }
        return maps;
    }

    NetworkLayouts layouts;
    std::uint32_t changes = 0;
    bool bound = false;
};

} // namespace ravlin
