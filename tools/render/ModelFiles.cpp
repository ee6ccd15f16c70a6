#include "ModelFiles.h"

#include "fast/ModelFileNames.h"

namespace ravlin::render {

std::vector<std::string> requiredModelFiles(int valveSet, long effectiveRate)
{
    // Blocks 1 and 2 play from their per-rate files where the folder has them; the plain
    // files are the ones every folder holds.
    return {modelFileName(1, valveSet, effectiveRate), modelFileName(2, valveSet, effectiveRate),
            modelFileName(4, valveSet, effectiveRate), modelFileName(3, valveSet, effectiveRate)};
}

std::string sampleLoopName(bool stereo, int factor)
{
    return std::string(stereo ? "processStereoX" : "processMonoX") + std::to_string(factor);
}

} // namespace ravlin::render
