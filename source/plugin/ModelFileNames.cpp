#include "plugin/ModelFileNames.h"

namespace ravlin::plugin
{
std::string modelFileName(int block, int valveSet, long effectiveRate)
{
    std::string name = std::string("ravlinpre_") + (valveSet == 1 ? "rsd" : "eh") + "_b" + std::to_string(block);
    if (block == 4)
        return name + "_std.dat";
    name += "_pca.dat";
    if (block == 3)
        name += "." + std::to_string(effectiveRate);
    return name;
}
} // namespace ravlin::plugin
