// The built-in demo riff: pitch and level of the plucked-string synthesis, and the MIDI encoding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "GuitarRiff.h"
#include "PluckedString.h"
#include "RiffMidi.h"
#include "RiffSynth.h"

using namespace ravlin::riff;

namespace {

/// Period in samples by the first autocorrelation peak after the zero-lag lobe.
double estimatePeriod(const std::vector<double>& x, int minLag, int maxLag)
{
    int best = minLag;
    double bestValue = -1e300;
    for (int lag = minLag; lag <= maxLag; ++lag)
    {
        double s = 0.0;
        for (std::size_t n = 0; n + static_cast<std::size_t>(lag) < x.size(); ++n)
            s += x[n] * x[n + static_cast<std::size_t>(lag)];
        if (s > bestValue)
        {
            bestValue = s;
            best = lag;
        }
    }
    // Parabolic refinement around the best integer lag.
    auto corr = [&](int lag) {
        double s = 0.0;
        for (std::size_t n = 0; n + static_cast<std::size_t>(lag) < x.size(); ++n)
            s += x[n] * x[n + static_cast<std::size_t>(lag)];
        return s;
    };
    const double a = corr(best - 1), b = corr(best), c = corr(best + 1);
    const double denom = a - 2.0 * b + c;
    return best + (denom != 0.0 ? 0.5 * (a - c) / denom : 0.0);
}

} // namespace

TEST(PluckedString, TunedToTheRequestedPitchIncludingFractionalPeriods)
{
    const double rate = 48000.0;
    for (double f : {82.4069, 110.0, 146.832, 196.0, 246.942, 329.628, 440.0})
    {
        PluckedString s(f, rate, 0.8, 3.0, 7);
        std::vector<double> x(8192);
        for (int n = 0; n < 2000; ++n)
            s.next(); // let the pluck transient pass
        for (auto& v : x)
            v = s.next();
        const double period = rate / f;
        const double measured = estimatePeriod(x, static_cast<int>(period * 0.8), static_cast<int>(period * 1.2));
        EXPECT_NEAR(measured, period, period * 0.003) << "at " << f << " Hz";
    }
}

TEST(PluckedString, DecaysAndStaysFinite)
{
    PluckedString s(110.0, 44100.0, 1.0, 0.5, 3);
    double early = 0.0, late = 0.0;
    for (int n = 0; n < 44100 * 2; ++n)
    {
        const double v = s.next();
        ASSERT_TRUE(std::isfinite(v));
        if (n < 4410)
            early = std::max(early, std::abs(v));
        if (n >= 44100 + 22050)
            late = std::max(late, std::abs(v));
    }
    EXPECT_GT(early, 0.1);
    // 0.5 s decay time: after 1.5 s the level is far below -60 dB of the start.
    EXPECT_LT(late, early * 1e-3);
}

TEST(RiffSynth, DefaultRiffIsAFewSecondsAtPickupLevel)
{
    const auto riff = defaultRiff();
    ASSERT_FALSE(riff.empty());
    for (std::size_t i = 1; i < riff.size(); ++i)
        EXPECT_LE(riff[i - 1].startSeconds, riff[i].startSeconds);
    const auto x = renderDefaultRiff(48000.0);
    const double seconds = static_cast<double>(x.size()) / 48000.0;
    EXPECT_GT(seconds, 3.0);
    EXPECT_LT(seconds, 8.0);
    double peak = 0.0, energy = 0.0;
    for (float v : x)
    {
        ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, static_cast<double>(std::abs(v)));
        energy += static_cast<double>(v) * v;
    }
    EXPECT_NEAR(peak, defaultPickupPeak, 1e-6);
    const double rms = std::sqrt(energy / static_cast<double>(x.size()));
    EXPECT_GT(rms, 0.01 * defaultPickupPeak); // a riff, not a click followed by silence
}

TEST(RiffSynth, ReproducibleAndScalesWithRate)
{
    const auto a = renderDefaultRiff(44100.0);
    const auto b = renderDefaultRiff(44100.0);
    EXPECT_EQ(a, b);
    const auto c = renderDefaultRiff(88200.0);
    EXPECT_NEAR(static_cast<double>(c.size()), 2.0 * static_cast<double>(a.size()), 2.0);
    EXPECT_TRUE(renderRiff(defaultRiff(), 0.0).empty());
}

TEST(RiffSynth, NotesAreDampedAfterTheirLength)
{
    const std::vector<RiffNote> riff = {{0.0, 0.2, 0, 0, 1.0}};
    const auto x = renderRiff(riff, 48000.0, 0.5);
    ASSERT_GT(x.size(), static_cast<std::size_t>(0.4 * 48000));
    double held = 0.0, damped = 0.0;
    for (std::size_t n = 0; n < x.size(); ++n)
    {
        const double v = std::abs(x[n]);
        if (n > 4800 && n < 9600)
            held = std::max(held, v);
        if (n > static_cast<std::size_t>(0.4 * 48000))
            damped = std::max(damped, v);
    }
    EXPECT_GT(held, 0.1);
    EXPECT_LT(damped, held * 0.01);
}

namespace {

struct ParsedEvent
{
    std::uint32_t tick;
    int status;
    int data1;
    int data2;
};

std::uint32_t readVariableLength(const std::vector<std::uint8_t>& b, std::size_t& p)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
    {
        const std::uint8_t byte = b.at(p++);
        v = (v << 7) | (byte & 0x7Fu);
        if ((byte & 0x80u) == 0)
            break;
    }
    return v;
}

} // namespace

TEST(RiffMidi, EncodesAReadableFormatZeroFile)
{
    const auto riff = defaultRiff();
    const auto bytes = riffToMidi(riff, 140.0, gmNylonGuitar);
    ASSERT_GT(bytes.size(), 22u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "MThd");
    EXPECT_EQ(bytes[9], 0);  // format 0
    EXPECT_EQ(bytes[11], 1); // one track
    EXPECT_EQ((bytes[12] << 8) | bytes[13], midiTicksPerQuarter);
    EXPECT_EQ(std::string(bytes.begin() + 14, bytes.begin() + 18), "MTrk");
    const std::uint32_t length = (std::uint32_t{bytes[18]} << 24) | (std::uint32_t{bytes[19]} << 16)
                                 | (std::uint32_t{bytes[20]} << 8) | bytes[21];
    ASSERT_EQ(length, bytes.size() - 22);

    std::size_t p = 22;
    std::uint32_t tick = 0;
    std::vector<ParsedEvent> events;
    bool ended = false;
    std::uint32_t tempo = 0;
    while (p < bytes.size())
    {
        tick += readVariableLength(bytes, p);
        const int status = bytes.at(p++);
        if (status == 0xFF)
        {
            const int type = bytes.at(p++);
            const std::uint32_t len = readVariableLength(bytes, p);
            if (type == 0x51)
                tempo = (std::uint32_t{bytes[p]} << 16) | (std::uint32_t{bytes[p + 1]} << 8) | bytes[p + 2];
            if (type == 0x2F)
                ended = true;
            p += len;
        }
        else if ((status & 0xF0) == 0xC0)
            events.push_back({tick, status, bytes.at(p++), 0});
        else
        {
            const int d1 = bytes.at(p++);
            const int d2 = bytes.at(p++);
            events.push_back({tick, status, d1, d2});
        }
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(tempo, 428571u); // 60e6 / 140 microseconds per quarter
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].status, 0xC0);
    EXPECT_EQ(events[0].data1, gmNylonGuitar);

    // Every note appears as an on/off pair with its pitch, and on-times follow the riff.
    int ons = 0, offs = 0;
    std::vector<int> sounding(128, 0);
    for (const auto& e : events)
    {
        if (e.status == 0x90)
        {
            ++ons;
            EXPECT_GT(e.data2, 0);
            ++sounding[static_cast<std::size_t>(e.data1)];
        }
        if (e.status == 0x80)
        {
            ++offs;
            EXPECT_GT(sounding[static_cast<std::size_t>(e.data1)], 0) << "note-off before its note-on";
            --sounding[static_cast<std::size_t>(e.data1)];
        }
    }
    EXPECT_EQ(ons, static_cast<int>(riff.size()));
    EXPECT_EQ(offs, ons);
    const double ticksPerSecond = 140.0 / 60.0 * midiTicksPerQuarter;
    int k = 0;
    for (const auto& e : events)
        if (e.status == 0x90)
        {
            EXPECT_NEAR(e.tick, riff[static_cast<std::size_t>(k)].startSeconds * ticksPerSecond, 0.5);
            EXPECT_EQ(e.data1, midiNoteOf(riff[static_cast<std::size_t>(k)]));
            ++k;
        }
}

TEST(RiffMidi, LongDeltasUseMultiByteLengths)
{
    // A note after 100 s needs a four-byte variable-length delta.
    const std::vector<RiffNote> riff = {{100.0, 1.0, 0, 0, 0.5}};
    const auto bytes = riffToMidi(riff, 120.0, 0);
    std::size_t p = 22 + 7 + 3; // tempo event (delta + 6 bytes), program change (delta + 2 bytes)
    std::size_t q = p;
    EXPECT_EQ(readVariableLength(bytes, q), 96000u); // 100 s at 960 ticks per second
    EXPECT_EQ(q - p, 3u);
    EXPECT_EQ(midiNoteOf(riff[0]), 40);
    EXPECT_NEAR(frequencyOf({0, 0, 5, 5, 0}), 440.0, 1e-9); // high E string, fifth fret = A4
}
