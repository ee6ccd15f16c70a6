#include "RiffMidi.h"

#include <algorithm>
#include <cmath>

namespace ravlin::riff {

namespace {

struct Event
{
    std::uint32_t tick;
    bool on;
    std::uint8_t key;
    std::uint8_t velocity;
};

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int b = bytes - 1; b >= 0; --b)
        out.push_back(static_cast<std::uint8_t>((value >> (8 * b)) & 0xFFu));
}

void putVariableLength(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t groups[5];
    int count = 0;
    do
    {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7Fu);
        value >>= 7;
    } while (value != 0 && count < 5);
    for (int g = count - 1; g >= 0; --g)
        out.push_back(static_cast<std::uint8_t>(groups[g] | (g > 0 ? 0x80u : 0u)));
}

} // namespace

std::vector<std::uint8_t> riffToMidi(const std::vector<RiffNote>& riff, double tempoBpm, int gmProgram)
{
    const double bpm = tempoBpm > 0.0 ? tempoBpm : 120.0;
    const double ticksPerSecond = bpm / 60.0 * midiTicksPerQuarter;
    auto toTick = [&](double seconds) {
        return static_cast<std::uint32_t>(std::lround(std::max(0.0, seconds) * ticksPerSecond));
    };

    std::vector<Event> events;
    events.reserve(riff.size() * 2);
    for (const auto& n : riff)
    {
        const auto key = static_cast<std::uint8_t>(std::clamp(midiNoteOf(n), 0, 127));
        const auto velocity = static_cast<std::uint8_t>(std::clamp(std::lround(n.velocity * 127.0), 1L, 127L));
        const std::uint32_t on = toTick(n.startSeconds);
        const std::uint32_t off = std::max(on + 1, toTick(n.startSeconds + n.lengthSeconds));
        events.push_back({on, true, key, velocity});
        events.push_back({off, false, key, 0});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
    });

    std::vector<std::uint8_t> track;
    const auto microsPerQuarter = static_cast<std::uint32_t>(std::lround(60'000'000.0 / bpm));
    putVariableLength(track, 0); // tempo
    track.insert(track.end(), {0xFF, 0x51, 0x03});
    putBigEndian(track, microsPerQuarter, 3);
    putVariableLength(track, 0); // program change, channel 1
    track.push_back(0xC0);
    track.push_back(static_cast<std::uint8_t>(std::clamp(gmProgram, 0, 127)));
    std::uint32_t last = 0;
    for (const auto& e : events)
    {
        putVariableLength(track, e.tick - last);
        last = e.tick;
        track.push_back(e.on ? 0x90 : 0x80);
        track.push_back(e.key);
        track.push_back(e.on ? e.velocity : 0x40);
    }
    putVariableLength(track, midiTicksPerQuarter); // a beat of room for the last decay
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd'};
    putBigEndian(file, 6, 4);
    putBigEndian(file, 0, 2); // format 0
    putBigEndian(file, 1, 2); // one track
    putBigEndian(file, midiTicksPerQuarter, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    putBigEndian(file, static_cast<std::uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

} // namespace ravlin::riff
