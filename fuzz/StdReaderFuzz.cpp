// libFuzzer target: arbitrary bytes as a "std" model data file (block 4).
#include "ReaderFuzz.h"

#include "fast/ModelFileF.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return ravlin::fuzz::fuzzReader<ravlin::ModelFileF>(data, size);
}
