#pragma once
// The ten parameters of the preamp: names, stable identifiers, the stored (quantised) value for a
// host value, the value reported back to the host, the display texts, and the output gain table.
// No framework code here, so all of it is tested on its own.
#include <array>
#include <string>

namespace ravlin::plugin {
inline constexpr int numParameters = 10;
inline constexpr int numPrograms = 12;

/** Parameter indices, as hosts and saved states know them. */
enum Parameter : int
{
    dualTriodes = 0,
    input = 1,
    gain = 2,
    treble = 3,
    middle = 4,
    bass = 5,
    output = 6,
    oversampling = 7,
    monoStereo = 8,
    showSettings = 9
};

inline constexpr bool isParameterIndex(int index) noexcept { return index >= 0 && index < numParameters; }

/** The ten stored values of one program, indexed by `Parameter`. */
using StoredValues = std::array<float, numParameters>;

/** How a parameter turns a host value 0..1 into its stored value. */
enum class ParameterKind
{
    continuous, ///< x times the maximum, not rounded (Input, Output)
    steps,      ///< x times the maximum, truncated to a whole step (Gain, tone, Oversampling)
    onOff       ///< 0 below x = 0.5, 1 from there on (Dual Triodes, Mono/Stereo, Show settings)
};

/** Kind of parameter `index` 0..9. */
ParameterKind parameterKind(int index) noexcept;

/** Largest stored value of parameter `index` 0..9: 49 for Input and Output, 16 for Gain, 14 for
    each tone control, 4 for Oversampling, 1 for the switches. The reported value is the stored
    value divided by it. */
float storedMaximum(int index) noexcept;

/** "Dual Triodes" ... "Show settings"; "" outside 0..9. */
const char* parameterName(int index) noexcept;

/** Stable identifier for hosts that key parameters by text (LV2 ports, VST3); "" outside 0..9. */
const char* parameterId(int index) noexcept;

/** Stored value for host value x. Host and saved values are limited to 0..1 first (NaN counts as 0),
    so every stored value lies in its listed range: switches 0/1, Gain 0..16, tone 0..14,
    Oversampling 0..4, Input and Output 0..49 (unrounded). Single-precision arithmetic throughout. */
float quantise(int index, float x) noexcept;

/** The host value 0..1 for a stored value (the inverse of `quantise` up to its steps). */
float reportedValue(int index, float stored) noexcept;

/** Word for the switches and Oversampling, "0.50=>8" style for Input .. Output; "" outside 0..9. */
std::string valueText(int index, float stored);

/** Output levels: entry i is 10^((0.46 i - 6.54) / 20), -6.54 dB .. +16 dB in 0.46 dB steps. */
extern const std::array<float, 50> outputGainTable;

/** Linear input factor 0..3: reported Input value times 3, in double. */
double inputGainFor(float storedInput) noexcept;

/** Linear output factor: table entry for the truncated stored Output, divided by 345 (the plate
    supply in volts, bringing block 4's output in volts back to full scale). The index is kept
    within the table whatever the stored value. */
double outputGainFor(float storedOutput) noexcept;

/** Converts a stored step value toward zero to an index within [0, last]; NaN gives 0. */
int storedIndex(float stored, int last) noexcept;

// What the signal path and the editor read from a program's stored values.
/** Valve set 0 ("eh", Fresh) or 1 ("rsd", Aged). */
int valveSet(const StoredValues& q) noexcept;
/** Gain position 0..16 of blocks 1 and 2. */
unsigned gainPosition(const StoredValues& q) noexcept;
/** Tone position of block 4: Treble x 225 + Bass x 15 + Middle, 0..3374. */
unsigned tonePosition(const StoredValues& q) noexcept;
/** Oversampling code 0..4 (factor 1 << code). */
int factorCode(const StoredValues& q) noexcept;
/** Mono/Stereo asks for the stereo loops. */
bool stereoRequested(const StoredValues& q) noexcept;
/** Show settings: the editor shows its settings panel. */
bool settingsShown(const StoredValues& q) noexcept;

/** `bytes` as well-formed UTF-8: every byte that does not start a complete, shortest-form sequence
    of a scalar value (no surrogates, nothing above U+10FFFF) becomes U+FFFD. Program names pass
    through it, so a name read from a chunk or given by a host is saved and read back unchanged. */
std::string validUtf8(const std::string& bytes);

/** A program name as a saved state can carry it: `validUtf8`, then every character an XML document
    cannot hold, even as a character reference (the control characters other than tab, line feed
    and carriage return; U+FFFE, U+FFFF), becomes U+FFFD. A host may name a program anything; a
    name with such a character would be saved as a reference the state reader refuses, and the
    whole bank would be lost with it. */
std::string storableName(const std::string& bytes);
} // namespace ravlin::plugin
