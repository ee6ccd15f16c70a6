#pragma once
// Names of the model data files in a model folder, the one place they are composed (the plug-in,
// the renderer, the model builder and the accuracy tool all ask here). Per valve set ("eh" Fresh,
// "rsd" Aged) and block: blocks 1, 2 and 3 are "pca" files, block 4 a "std" file. A file trained
// for one effective sample rate carries the rate in Hz after the plain name
// ("ravlinpre_eh_b1_pca.dat.88200"). Block 3 exists only per rate; blocks 1 and 2 have a file per
// rate and the plain file (trained for 44.1 kHz), which a folder of the plain layout holds alone;
// block 4 has the plain file only.
#include <string>
#include <vector>

namespace ravlin {
/** "eh" for valve set 0, "rsd" for 1. */
const char* valveSetFileTag(int valveSet);

/** Plain name of `block` 1..4 for valve set 0 or 1, no rate: "ravlinpre_eh_b1_pca.dat". */
std::string plainModelFileName(int block, int valveSet);

/** Name of the file trained for one effective rate: the plain name, '.', the rate in Hz. */
std::string rateModelFileName(int block, int valveSet, long effectiveRate);

/** True when `block` has files per effective rate (blocks 1, 2 and 3). */
bool hasRateFiles(int block);

/** True when `block` also has a plain file that serves every rate without its own file. */
bool hasPlainFile(int block);

/** The files a block tries at `effectiveRate`, most preferred first: the rate's own file, then
    the plain one where the block has both. The last name is the one a folder must hold. */
std::vector<std::string> modelFileCandidates(int block, int valveSet, long effectiveRate);

/** The file a full folder must hold for the block at the rate (the last candidate). */
std::string modelFileName(int block, int valveSet, long effectiveRate);
} // namespace ravlin
