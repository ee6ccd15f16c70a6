#include "ModelFiles.h"

#include <algorithm>

#include "fast/ModelFileNames.h"

namespace ravlin::render {

std::vector<std::string> requiredModelFiles(int valveSet, long effectiveRate)
{
    // Blocks 1 and 2 play from their per-rate files where the folder has them; the plain
    // files are the ones every folder holds.
    return {modelFileName(1, valveSet, effectiveRate), modelFileName(2, valveSet, effectiveRate),
            modelFileName(4, valveSet, effectiveRate), modelFileName(3, valveSet, effectiveRate)};
}

int oversamplingFactorFor(float hostValue) noexcept
{
    // Stored as trunc(x * 4) in single precision, codes 0..4 give factors 1..16.
    const int code = static_cast<int>(hostValue * 4.0f);
    return 1 << std::clamp(code, 0, 4);
}

std::string sampleLoopName(bool stereo, int factor)
{
    return std::string(stereo ? "processStereoX" : "processMonoX") + std::to_string(factor);
}

} // namespace ravlin::render
