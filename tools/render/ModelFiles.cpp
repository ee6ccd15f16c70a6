#include "ModelFiles.h"

#include <algorithm>

namespace ravlin::render {

std::vector<std::string> requiredModelFiles(int valveSet, long effectiveRate)
{
    const std::string set = valveSet == 1 ? "rsd" : "eh";
    const std::string stem = "ravlinpre_" + set + "_b";
    return {stem + "1_pca.dat", stem + "2_pca.dat", stem + "4_std.dat",
            stem + "3_pca.dat." + std::to_string(effectiveRate)};
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
