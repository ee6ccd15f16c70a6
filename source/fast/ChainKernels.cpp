#include "fast/ChainKernels.h"

namespace ravlin {

#if RAVLIN_HAVE_AVX2_KERNEL
const ChainKernels* avx2BuildChainKernels() noexcept;
#endif

const ChainKernels* avx2ChainKernels() noexcept
{
#if RAVLIN_HAVE_AVX2_KERNEL && (defined(__GNUC__) || defined(__clang__))
    static const bool available = __builtin_cpu_supports("avx2");
    return available ? avx2BuildChainKernels() : nullptr;
#else
    return nullptr;
#endif
}

const ChainKernels& chainKernels() noexcept
{
    static const ChainKernels* chosen = avx2ChainKernels() != nullptr ? avx2ChainKernels() : &baselineChainKernels();
    return *chosen;
}

} // namespace ravlin
