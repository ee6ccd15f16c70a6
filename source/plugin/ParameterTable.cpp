#include "plugin/ParameterTable.h"

#include <cmath>
#include <cstdio>

namespace ravlin::plugin {
namespace {
struct ParameterRow
{
    const char* name;
    const char* id;
    ParameterKind kind;
    float maximum;
};

// One row per parameter, in index order.
constexpr ParameterRow rows[numParameters] = {{"Dual Triodes", "dualTriodes", ParameterKind::onOff, 1.0f},
                                              {"Input", "input", ParameterKind::continuous, 49.0f},
                                              {"Gain", "gain", ParameterKind::steps, 16.0f},
                                              {"Treble", "treble", ParameterKind::steps, 14.0f},
                                              {"Middle", "middle", ParameterKind::steps, 14.0f},
                                              {"Bass", "bass", ParameterKind::steps, 14.0f},
                                              {"Output", "output", ParameterKind::continuous, 49.0f},
                                              {"Oversampling", "oversampling", ParameterKind::steps, 4.0f},
                                              {"Mono/Stereo", "monoStereo", ParameterKind::onOff, 1.0f},
                                              {"Show settings", "showSettings", ParameterKind::onOff, 1.0f}};

const ParameterRow& row(int index) noexcept { return rows[isParameterIndex(index) ? index : 0]; }

/** x within 0..1. Zero of either sign, NaN and anything below give +0, so a stored value never
    carries a sign its text would lose ("-0" reads back as 0). */
float limitHostValue(float x) noexcept
{
    if (!(x > 0.0f))
        return 0.0f;
    return x > 1.0f ? 1.0f : x;
}

/** The reported value with two decimals, halves rounded up on the magnitude ("0.125" gives "0.13"). */
std::string twoDecimals(float reported)
{
    const double magnitude = std::floor(std::fabs(static_cast<double>(reported)) * 100.0 + 0.5) / 100.0;
    char text[48];
    std::snprintf(text, sizeof text, "%s%.2f", reported < 0.0f && magnitude > 0.0 ? "-" : "", magnitude);
    return text;
}
} // namespace

const char* parameterName(int index) noexcept { return isParameterIndex(index) ? row(index).name : ""; }

const char* parameterId(int index) noexcept { return isParameterIndex(index) ? row(index).id : ""; }

ParameterKind parameterKind(int index) noexcept { return row(index).kind; }

float storedMaximum(int index) noexcept { return row(index).maximum; }

float quantise(int index, float x) noexcept
{
    x = limitHostValue(x);
    const ParameterRow& r = row(index);
    switch (r.kind)
    {
    case ParameterKind::continuous: return x * r.maximum;
    case ParameterKind::steps: return std::trunc(x * r.maximum);
    case ParameterKind::onOff: break;
    }
    return std::trunc(x + 0.5f);
}

float reportedValue(int index, float stored) noexcept
{
    // Exact for the switches (maximum 1) and for Gain and Oversampling (powers of two).
    return stored / row(index).maximum;
}

std::string valueText(int index, float stored)
{
    switch (index)
    {
    case dualTriodes: return storedIndex(stored, 1) == 0 ? "Fresh 12ax7" : "Aged  12ax7";
    case oversampling:
    {
        static constexpr const char* words[] = {"none", "x2", "x4", "x8", "x16"};
        return words[storedIndex(stored, 4)];
    }
    case monoStereo: return storedIndex(stored, 1) == 0 ? "Mono" : "Stereo";
    case showSettings: return storedIndex(stored, 1) == 0 ? "false" : "true";
    case input:
    case gain:
    case treble:
    case middle:
    case bass:
    case output:
    {
        char g[32];
        std::snprintf(g, sizeof g, "%g", static_cast<double>(stored));
        return twoDecimals(reportedValue(index, stored)) + "=>" + g;
    }
    default: return {};
    }
}

std::string validUtf8(const std::string& bytes)
{
    static constexpr char replacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;)
    {
        const unsigned lead = p[i];
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        bool ok = length != 0 && i + length <= n;
        for (std::size_t k = 1; ok && k < length; ++k)
            ok = (p[i + k] & 0xC0) == 0x80;
        if (ok && length >= 3)
        {
            // Second byte limits: no overlong forms, no surrogates, nothing above U+10FFFF.
            const unsigned second = p[i + 1];
            ok = !(lead == 0xE0 && second < 0xA0) && !(lead == 0xED && second > 0x9F)
                 && !(lead == 0xF0 && second < 0x90) && !(lead == 0xF4 && second > 0x8F);
        }
        if (ok)
        {
            out.append(bytes, i, length);
            i += length;
        }
        else
        {
            out += replacement;
            ++i;
        }
    }
    return out;
}

std::string storableName(const std::string& bytes)
{
    static constexpr char replacement[] = "\xEF\xBF\xBD";
    const std::string utf8 = validUtf8(bytes);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            out += replacement;
        else if (c == 0xEF && i + 2 < utf8.size() && utf8[i + 1] == '\xBF'
                 && (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF'))
        {
            out += replacement;
            i += 2;
        }
        else
            out += utf8[i];
    }
    return out;
}

const std::array<float, 50> outputGainTable = [] {
    std::array<float, 50> t{};
    for (int i = 0; i < 50; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<float>(std::pow(10.0, (0.46 * i - 6.54) / 20.0));
    return t;
}();

double inputGainFor(float storedInput) noexcept { return static_cast<double>(reportedValue(input, storedInput)) * 3.0; }

double outputGainFor(float storedOutput) noexcept
{
    return static_cast<double>(outputGainTable[static_cast<std::size_t>(storedIndex(storedOutput, 49))]) / 345.0;
}

int storedIndex(float stored, int last) noexcept
{
    if (!(stored >= 0.0f))
        return 0;
    if (stored >= static_cast<float>(last))
        return last;
    return static_cast<int>(stored);
}

namespace {
int stepOf(const StoredValues& q, Parameter p) noexcept
{
    return storedIndex(q[static_cast<std::size_t>(p)], static_cast<int>(storedMaximum(p)));
}
} // namespace

int valveSet(const StoredValues& q) noexcept { return stepOf(q, dualTriodes); }

unsigned gainPosition(const StoredValues& q) noexcept { return static_cast<unsigned>(stepOf(q, gain)); }

unsigned tonePosition(const StoredValues& q) noexcept
{
    return static_cast<unsigned>(stepOf(q, treble) * 225 + stepOf(q, bass) * 15 + stepOf(q, middle));
}

int factorCode(const StoredValues& q) noexcept { return stepOf(q, oversampling); }

bool stereoRequested(const StoredValues& q) noexcept { return stepOf(q, monoStereo) != 0; }

bool settingsShown(const StoredValues& q) noexcept { return stepOf(q, showSettings) != 0; }
} // namespace ravlin::plugin
