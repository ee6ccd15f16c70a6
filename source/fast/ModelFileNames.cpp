#include "fast/ModelFileNames.h"

namespace ravlin {
const char* valveSetFileTag(int valveSet) { return valveSet == 1 ? "rsd" : "eh"; }

std::string plainModelFileName(int block, int valveSet)
{
    return std::string("ravlinpre_") + valveSetFileTag(valveSet) + "_b" + std::to_string(block)
           + (block == 4 ? "_std.dat" : "_pca.dat");
}

std::string rateModelFileName(int block, int valveSet, long effectiveRate)
{
    return plainModelFileName(block, valveSet) + "." + std::to_string(effectiveRate);
}

bool hasRateFiles(int block) { return block >= 1 && block <= 3; }

bool hasPlainFile(int block) { return block != 3; }

std::vector<std::string> modelFileCandidates(int block, int valveSet, long effectiveRate)
{
    std::vector<std::string> names;
    if (hasRateFiles(block))
        names.push_back(rateModelFileName(block, valveSet, effectiveRate));
    if (hasPlainFile(block))
        names.push_back(plainModelFileName(block, valveSet));
    return names;
}

std::string modelFileName(int block, int valveSet, long effectiveRate)
{
    return modelFileCandidates(block, valveSet, effectiveRate).back();
}
} // namespace ravlin
