#pragma once
// Loads a whole chain from synthetic files (17 Gain positions, one block 3 position, a few tone
// positions) and selects a position in every block.
#include <string>

#include "SyntheticModelFiles.h"
#include "fast/ChannelChain.h"

namespace ravlin::synthetic {

inline bool loadSyntheticChain(ChannelChain& chain, unsigned tonePositions = 8, const std::string& tag = "chain")
{
    PcaShape gain;
    gain.networksPerPosition.assign(17, 1);
    gain.rates = {44100.0, 88200.0, 705600.0};
    PcaShape b3;
    b3.networksPerPosition = {2};
    b3.entryLength = 11;
    b3.rates = gain.rates;
    StdShape tone;
    tone.positions = tonePositions;
    tone.rates = gain.rates;
    const bool ok = chain.loadModelFile(1, writeTempFile(pcaBytes(gain), tag + "_b1.pca").c_str()).ok
                    && chain.loadModelFile(2, writeTempFile(pcaBytes(gain), tag + "_b2.pca").c_str()).ok
                    && chain.loadModelFile(3, writeTempFile(pcaBytes(b3), tag + "_b3.pca").c_str()).ok
                    && chain.loadModelFile(4, writeTempFile(stdBytes(tone), tag + "_b4.std").c_str()).ok;
    chain.setSampleRate(44100.0);
    chain.selectPosition(1, 8);
    chain.selectPosition(2, 8);
    chain.selectPosition(3, 0);
    chain.selectPosition(4, 1);
    return ok;
}

} // namespace ravlin::synthetic
