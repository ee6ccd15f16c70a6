#pragma once
// The sequences the reconfiguration logs for the Fresh set: every file checked before
// any load, both channels loaded, the rate set, the blocks selected at the default
// program's positions, each chain started at rest. The reconfiguration unit and the processor that drives it must
// both produce exactly these.
#include <string>
#include <vector>

inline std::vector<std::string> freshSetFullLoadAt44100()
{
    return {"check 1 ravlinpre_eh_b1_pca.dat",
            "check 2 ravlinpre_eh_b2_pca.dat",
            "check 4 ravlinpre_eh_b4_std.dat",
            "check 3 ravlinpre_eh_b3_pca.dat.44100",
            "load L1 ravlinpre_eh_b1_pca.dat",
            "load L2 ravlinpre_eh_b2_pca.dat",
            "load L4 ravlinpre_eh_b4_std.dat",
            "load R1 ravlinpre_eh_b1_pca.dat",
            "load R2 ravlinpre_eh_b2_pca.dat",
            "load R4 ravlinpre_eh_b4_std.dat",
            "load L3 ravlinpre_eh_b3_pca.dat.44100",
            "load R3 ravlinpre_eh_b3_pca.dat.44100",
            "rate L 44100",
            "rate R 44100",
            "select L1 8",
            "select L2 8",
            "select L3 0",
            "select L4 1687",
            "rest L",
            "select R1 8",
            "select R2 8",
            "select R3 0",
            "select R4 1687",
            "rest R"};
}

/// A change of rate to 96 kHz (no per-rate files for blocks 1 and 2 in the folder):
/// blocks 1 to 3 are checked and reloaded, block 4 is left alone.
inline std::vector<std::string> freshSetRateChangeTo96000()
{
    return {"check 1 ravlinpre_eh_b1_pca.dat",
            "check 2 ravlinpre_eh_b2_pca.dat",
            "check 3 ravlinpre_eh_b3_pca.dat.96000",
            "load L1 ravlinpre_eh_b1_pca.dat",
            "load L2 ravlinpre_eh_b2_pca.dat",
            "load R1 ravlinpre_eh_b1_pca.dat",
            "load R2 ravlinpre_eh_b2_pca.dat",
            "load L3 ravlinpre_eh_b3_pca.dat.96000",
            "load R3 ravlinpre_eh_b3_pca.dat.96000",
            "rate L 96000",
            "rate R 96000",
            "select L1 8",
            "select L2 8",
            "select L3 0",
            "rest L",
            "select R1 8",
            "select R2 8",
            "select R3 0",
            "rest R"};
}
