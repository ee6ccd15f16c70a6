#pragma once
// The operating-point tables of one valve set's trained files rewritten with the trained chain's
// own rest, block after block: block 1 rests at silence, each later block at the resting output
// of the block before it, every block with the file the run-time loads at that rate.
//
// The plain files (44.1 kHz, which also serve any rate whose own file is unusable) rest as a set
// of their own: block 2's plain file on block 1's plain file.
//
// Block 3 has one entry per rate for all 17 Gain positions, block 4 one per tone position: their
// inputs at rest differ a little from Gain to Gain (block 2's networks rest a little apart), so
// their entries rest on the default program's Gain position (8), and the report says how far apart
// block 3's rests are over the others.
#include <string>
#include <vector>

#include "ModelData.h"

namespace ravlin::modelgen {

/// The Gain position blocks 3 and 4 rest for: the default program's.
constexpr unsigned kRestGain = 8;

/// One valve set's files as built; empty vectors for blocks not built.
struct SetFilesToRest
{
    std::vector<BlockFileData>* block1 = nullptr; ///< the plain file, then one per `gainRates[k]`, k ≥ 1
    std::vector<BlockFileData>* block2 = nullptr;
    std::vector<double> gainRates;                ///< gainRates[0]: the rate the plain files are trained for
    std::vector<BlockFileData>* block3 = nullptr; ///< one per `block3Rates[k]`
    std::vector<double> block3Rates;
    BlockFileData* block4 = nullptr; ///< null when not built
    /// [rate][block] the circuit's resting outputs, the input a block takes when the one before it
    /// is not built.
    std::vector<std::vector<double>> circuitRest;
};

/// What the rewrite found.
struct RestReport
{
    long unconverged = 0; ///< entries left at the circuit's operating point
    /// Largest spread over the Gain positions, among the rates, of block 3's resting input and of
    /// its resting output (V), and the rate where the output's spread is largest.
    double block3InputSpread = 0.0, block3OutputSpread = 0.0, spreadRate = 0.0;
    /// Largest distance of a block's rest from the circuit's operating point over every state (V),
    /// per block.
    double moved[4] = {0, 0, 0, 0};
};

/// Rewrites, for each of `rates`, the entries the run-time applies there: blocks 1 and 2 in the
/// file for that rate and in the plain file (which serves a rate whose own file is unusable),
/// block 3 in the rate's file, block 4 in its one file. Entries no run-time path reads (a
/// per-rate file's entries at other rates) keep the circuit's point. `threads` as runJobs.
RestReport restTables(SetFilesToRest& files, const std::vector<double>& rates, unsigned threads,
                      std::vector<std::string>* timings = nullptr);

/// The report as one line for the builder's verbose output.
std::string restLine(const char* setName, const RestReport& r);

} // namespace ravlin::modelgen
