#include "Signals.h"

#include <algorithm>
#include <cmath>

#include "Rng.h"

namespace ravlin::modelgen {

namespace {
constexpr double kTwoPi = 6.283185307179586;

// Fundamental frequencies of the open strings of a guitar in standard tuning, Hz.
constexpr double kOpenStrings[6] = {82.41, 110.0, 146.83, 196.0, 246.94, 329.63};

void addInto(Signal& dst, const Signal& src, std::size_t at, double gain)
{
    if (at >= dst.size())
        return;
    const std::size_t n = std::min(src.size(), dst.size() - at);
    for (std::size_t k = 0; k < n; ++k)
        dst[at + k] += gain * src[k];
}
} // namespace

Signal pluckedNote(double sampleRate, double frequency, double peak, double seconds, double brightness,
                   std::uint64_t seed)
{
    Rng rng(seed);
    const std::size_t total = static_cast<std::size_t>(seconds * sampleRate);
    const std::size_t period = std::max<std::size_t>(2, static_cast<std::size_t>(sampleRate / frequency));
    // Excitation: noise through a one-pole low-pass; brightness near 1 keeps the edge of a pick.
    std::vector<double> line(period);
    double lp = 0.0;
    for (auto& v : line)
    {
        lp += brightness * (rng.uniform(-1.0, 1.0) - lp);
        v = lp;
    }
    // Decay: loop gain so that the note falls by 60 dB over `seconds`, with the
    // two-point average giving the frequency-dependent loss of a real string.
    const double loopGain = std::pow(10.0, -3.0 / (seconds * frequency));
    Signal out(total);
    std::size_t idx = 0;
    double pickup = 0.0;
    for (std::size_t n = 0; n < total; ++n)
    {
        const std::size_t nextIdx = (idx + 1) % period;
        const double v = line[idx];
        line[idx] = loopGain * 0.5 * (v + line[nextIdx]);
        idx = nextIdx;
        // A magnetic pickup responds to string velocity: first difference, lightly smoothed.
        pickup += 0.5 * ((v - lp) - pickup);
        lp = v;
        out[n] = pickup;
    }
    normalisePeak(out, peak);
    return out;
}

Signal pluckedPhrase(double sampleRate, double seconds, double peak, std::uint64_t seed)
{
    Rng rng(seed);
    Signal out(static_cast<std::size_t>(seconds * sampleRate), 0.0);
    double t = 0.0;
    while (t < seconds)
    {
        const int string = static_cast<int>(rng.below(6));
        const int fret = static_cast<int>(rng.below(15));
        const double f = kOpenStrings[string] * std::pow(2.0, fret / 12.0);
        const double length = rng.uniform(0.3, 1.2);
        const Signal note =
            pluckedNote(sampleRate, f, rng.uniform(0.3, 1.0), length, rng.uniform(0.3, 1.0), rng.next());
        addInto(out, note, static_cast<std::size_t>(t * sampleRate), 1.0);
        t += rng.uniform(0.12, 0.5);
    }
    normalisePeak(out, peak);
    return out;
}

Signal strummedChords(double sampleRate, double seconds, double peak, std::uint64_t seed)
{
    Rng rng(seed);
    Signal out(static_cast<std::size_t>(seconds * sampleRate), 0.0);
    double t = 0.0;
    while (t < seconds)
    {
        const int shape = static_cast<int>(rng.below(5));
        const bool down = rng.uniform() < 0.6;
        const double spread = rng.uniform(0.004, 0.015); // seconds between strings
        for (int s = 0; s < 6; ++s)
        {
            const int str = down ? s : 5 - s;
            const int fret = (shape + str * 2) % 5;
            const double f = kOpenStrings[str] * std::pow(2.0, fret / 12.0);
            const Signal note = pluckedNote(sampleRate, f, rng.uniform(0.5, 1.0), rng.uniform(0.8, 1.6),
                                            rng.uniform(0.4, 1.0), rng.next());
            addInto(out, note, static_cast<std::size_t>((t + s * spread) * sampleRate), 1.0);
        }
        t += rng.uniform(0.25, 0.7);
    }
    normalisePeak(out, peak);
    return out;
}

Signal sineSweep(double sampleRate, double seconds, double f0, double f1, double peak)
{
    const std::size_t total = static_cast<std::size_t>(seconds * sampleRate);
    Signal out(total);
    const double k = std::log(f1 / f0);
    for (std::size_t n = 0; n < total; ++n)
    {
        const double t = n / sampleRate;
        const double phase = kTwoPi * f0 * seconds / k * (std::exp(t / seconds * k) - 1.0);
        // 5 ms fades at both ends avoid a step at the start and the end.
        const double fade = std::min({1.0, t / 0.005, (seconds - t) / 0.005});
        out[n] = peak * std::max(0.0, fade) * std::sin(phase);
    }
    return out;
}

Signal toneBursts(double sampleRate, double seconds, double peak, std::uint64_t seed)
{
    Rng rng(seed);
    Signal out(static_cast<std::size_t>(seconds * sampleRate), 0.0);
    double t = 0.0;
    while (t < seconds)
    {
        const double f = 60.0 * std::pow(2.0, rng.uniform(0.0, 6.5)); // 60 Hz to about 5.4 kHz
        const double len = rng.uniform(0.02, 0.15);
        const double amp = peak * rng.uniform(0.05, 1.0);
        const std::size_t start = static_cast<std::size_t>(t * sampleRate);
        const std::size_t n = static_cast<std::size_t>(len * sampleRate);
        for (std::size_t k = 0; k < n && start + k < out.size(); ++k)
        {
            const double tk = k / sampleRate;
            const double env = std::sin(0.5 * kTwoPi * tk / len); // half-sine envelope
            out[start + k] += amp * env * std::sin(kTwoPi * f * tk);
        }
        t += len + rng.uniform(0.0, 0.08);
    }
    return out;
}

void normalisePeak(Signal& s, double peak)
{
    double m = 0.0;
    for (double v : s)
        m = std::max(m, std::fabs(v));
    if (m > 0.0)
        for (double& v : s)
            v *= peak / m;
}

void append(Signal& a, const Signal& b) { a.insert(a.end(), b.begin(), b.end()); }

Signal resampleLinear(const Signal& s, double from, double to)
{
    if (s.empty())
        return {};
    const std::size_t n = static_cast<std::size_t>(static_cast<double>(s.size()) * to / from);
    Signal out(n);
    for (std::size_t k = 0; k < n; ++k)
    {
        const double pos = k * from / to;
        const std::size_t i0 = static_cast<std::size_t>(pos);
        const double f = pos - static_cast<double>(i0);
        const double a = s[std::min(i0, s.size() - 1)];
        const double b = s[std::min(i0 + 1, s.size() - 1)];
        out[k] = a + f * (b - a);
    }
    return out;
}

} // namespace ravlin::modelgen
