#pragma once
// Marks small per-sample functions that must always be expanded in their caller. The chain's step
// code is compiled once per instruction set (baseline x86-64 and AVX2); a header function it uses
// must never exist as one shared out-of-line copy, or the linker could hand the AVX2 build of it to
// baseline callers.
#if defined(__GNUC__) || defined(__clang__)
#define RAVLIN_FORCE_INLINE inline __attribute__((always_inline))
#else
#define RAVLIN_FORCE_INLINE inline
#endif
