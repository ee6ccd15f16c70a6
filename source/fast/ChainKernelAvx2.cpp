// The chain's block loops for processors with AVX2 (four doubles per register). This unit alone is
// compiled with -mavx2; its code runs only after the processor has been asked for AVX2.
#define RAVLIN_KERNEL_NS avx2
#define RAVLIN_KERNEL_NAME "avx2"
#include "fast/ChainKernel.h"
#include "fast/ChainKernels.h"
#include "fast/StereoKernel.h"

// Last: the table names the loops of both kernels above.
#include "fast/ChainKernelTable.inc"

namespace ravlin {

const ChainKernels* avx2BuildChainKernels() noexcept { return &avx2::table; }

} // namespace ravlin
