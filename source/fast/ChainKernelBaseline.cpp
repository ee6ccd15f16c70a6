// The chain's block loops for baseline x86-64 (SSE2 pairs).
#define RAVLIN_KERNEL_NS baseline
#define RAVLIN_KERNEL_NAME "baseline"
#include "fast/ChainKernel.h"
#include "fast/ChainKernels.h"
#include "fast/StereoKernel.h"

// Last: the table names the loops of both kernels above.
#include "fast/ChainKernelTable.inc"

namespace ravlin {

const ChainKernels& baselineChainKernels() noexcept { return baseline::table; }

} // namespace ravlin
