#pragma once
// The same bytes on every x86-64 processor. glibc chooses its exp, log, pow, sin, cos and tanh at
// start-up by the processor's features (variants for FMA and AVX2), and those variants differ in
// the last bit of some results; the circuit solve and the training carry such a difference into
// other networks (two machines gave data a fifth apart in accuracy). So the builder always runs
// on the baseline variants, which every x86-64 processor has.
namespace ravlin::modelgen {

/// The tunable that masks the features the variants are chosen by.
inline constexpr const char* kBaselineMathTunable = "glibc.cpu.hwcaps=-AVX2,-FMA,-FMA4";

/// When the process does not run with kBaselineMathTunable yet, starts it again with the tunable
/// added to GLIBC_TUNABLES (the choice is made before main, so only a new start changes it).
/// Returns only when it already runs with it, or when the new start failed (with a warning on
/// stderr: the files may then differ in their last bits from another machine's).
void runOnBaselineMath(char** argv);

} // namespace ravlin::modelgen
