#pragma once
// Valve glow from the running statistics of block 4 (the cathode-follower/tone-stack block) of each
// channel: the louder the recent signal swings around its mean, the brighter the heaters are drawn.
// Runs on the message thread every 50 ms; plain arithmetic, no allocation.
#include <array>
#include <cmath>

namespace ravlin::editor {
/** Block 4's statistics over its window: mean = inverseLength * sum,
    mean square = inverseLength * sumOfSquares (volts, volts squared). */
struct BlockStatistics
{
    double inverseLength = 0.0;
    double sum = 0.0;
    double sumOfSquares = 0.0;
};

/** Number of glow levels. */
inline constexpr int glowLevels = 50;

/** Brightness per level: 0 for level 0, exp(2.5 (i - 49) / 49) rounded to six decimals above. */
inline constexpr std::array<float, glowLevels> glowTable{
    0.000000f, 0.086382f, 0.090903f, 0.095662f, 0.100669f, 0.105938f, 0.111484f, 0.117319f, 0.123460f, 0.129923f,
    0.136723f, 0.143880f, 0.151411f, 0.159337f, 0.167677f, 0.176454f, 0.185691f, 0.195410f, 0.205639f, 0.216403f,
    0.227731f, 0.239651f, 0.252195f, 0.265396f, 0.279288f, 0.293908f, 0.309292f, 0.325482f, 0.342519f, 0.360448f,
    0.379315f, 0.399170f, 0.420065f, 0.442053f, 0.465192f, 0.489542f, 0.515166f, 0.542132f, 0.570510f, 0.600373f,
    0.631799f, 0.664870f, 0.699673f, 0.736296f, 0.774837f, 0.815396f, 0.858077f, 0.902993f, 0.950259f, 1.000000f};

/** Level (volts) at which the glow is full: 4 sigma above the mean reaching 7 mV. */
inline constexpr double fullGlowLevel = 0.007;

/** Index into `glowTable` for a glow quotient x: clamped to 0..49 and truncated. A quotient that is
    not a number (0/0 when the level equals the mean and the mean is 7 mV) shows the dark frame
    instead of indexing the table with an undefined value. */
inline int glowIndex(float x) noexcept
{
    if (!(x > 0.0f)) // also false for NaN
        return 0;
    if (x >= static_cast<float>(glowLevels - 1))
        return glowLevels - 1;
    return static_cast<int>(x);
}

/** Glow quotient: 50 (level - mean) / (0.007 - mean) of the louder channel, level = 4 sigma + mean.
    The right channel counts only in stereo. */
inline float glowQuotient(const BlockStatistics& left, const BlockStatistics& right, bool stereo) noexcept
{
    const double muL = left.inverseLength * left.sum;
    const double sigmaL = std::sqrt(std::fabs(left.inverseLength * left.sumOfSquares - muL * muL));
    double muR = 0.0;
    double sigmaR = 0.0;
    if (stereo)
    {
        muR = right.inverseLength * right.sum;
        sigmaR = std::sqrt(std::fabs(right.inverseLength * right.sumOfSquares - muR * muR));
    }
    const double levelL = 4.0 * sigmaL + muL;
    const double levelR = 4.0 * sigmaR + muR;
    const bool leftLouder = levelL > levelR;
    const double level = static_cast<double>(static_cast<float>(leftLouder ? levelL : levelR));
    const double mu = leftLouder ? muL : muR;
    return static_cast<float>(50.0 * (level - mu) / (fullGlowLevel - mu));
}

/** Value for the two glow strips (range 0..23): 24 * glowTable[index], as float. */
inline float glowValue(const BlockStatistics& left, const BlockStatistics& right, bool stereo) noexcept
{
    return 24.0f * glowTable[static_cast<size_t>(glowIndex(glowQuotient(left, right, stereo)))];
}
} // namespace ravlin::editor
