#pragma once
// Deterministic pseudo-random numbers for the model builder (splitmix64).
// Library distributions differ between standard libraries; these do not, so a
// given seed produces the same signals and data on every build.
#include <cmath>
#include <cstdint>

namespace ravlin::modelgen {

class Rng
{
public:
    explicit Rng(std::uint64_t seed) noexcept : state(seed) {}

    std::uint64_t next() noexcept
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    /// Uniform in [0, 1).
    double uniform() noexcept { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    /// Uniform in [lo, hi).
    double uniform(double lo, double hi) noexcept { return lo + (hi - lo) * uniform(); }
    /// Uniform integer in [0, n).
    std::uint64_t below(std::uint64_t n) noexcept { return n == 0 ? 0 : next() % n; }
    /// Standard normal (Box-Muller, one value per call).
    double normal() noexcept
    {
        double a = uniform();
        if (a < 1e-300)
            a = 1e-300;
        return std::sqrt(-2.0 * std::log(a)) * std::cos(6.283185307179586 * uniform());
    }

private:
    std::uint64_t state;
};

} // namespace ravlin::modelgen
