// libFuzzer target: arbitrary bytes as a "pca" model data file (blocks 1 to 3).
#include "ReaderFuzz.h"

#include "fast/PCAModelFileF.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return ravlin::fuzz::fuzzReader<ravlin::PCAModelFileF>(data, size);
}
