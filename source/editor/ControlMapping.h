#pragma once
// The exchange between the editor's controls and the plug-in's parameters. Every bar and the
// oversampling selector shows one parameter's stored value on a scale of its own (Input in
// quarter steps 0..12.25, Output in whole steps -37..12, the stepped parameters one to one); a
// moved control sends the parameter table's reported value for the stored value it shows, so
// the processor's quantisation gives that stored value back. Ranges come from the table too.
#include "plugin/ParameterTable.h"

namespace ravlin::editor {
using plugin::Parameter;
using plugin::StoredValues;

/** How one control shows a parameter: control value = stored value x `scale` + `offset`. */
struct ControlScale
{
    Parameter parameter;
    double scale;
    double offset;

    double minimum() const noexcept { return offset; }
    double maximum() const noexcept { return static_cast<double>(plugin::storedMaximum(parameter)) * scale + offset; }
    /** One step of the control: one stored step, or a quarter of a stored unit for Input. */
    double interval() const noexcept { return scale; }

    /** Control value for a stored value (before the slider snaps it to its step and range). */
    float controlValue(float stored) const noexcept
    {
        return stored * static_cast<float>(scale) + static_cast<float>(offset);
    }
    /** Host value 0..1 that a control at `value` sends. */
    float hostValue(double value) const noexcept
    {
        return plugin::reportedValue(parameter, static_cast<float>((value - offset) / scale));
    }
};

inline constexpr ControlScale inputBarScale{plugin::input, 0.25, 0.0};
inline constexpr ControlScale outputBarScale{plugin::output, 1.0, -37.0};
inline constexpr ControlScale gainBarScale{plugin::gain, 1.0, 0.0};
inline constexpr ControlScale trebleBarScale{plugin::treble, 1.0, 0.0};
inline constexpr ControlScale middleBarScale{plugin::middle, 1.0, 0.0};
inline constexpr ControlScale bassBarScale{plugin::bass, 1.0, 0.0};
inline constexpr ControlScale oversamplingScale{plugin::oversampling, 1.0, 0.0};

/** Host value a switch sends. */
inline float switchHostValue(bool on) noexcept { return on ? 1.0f : 0.0f; }

/** "Aged  12ax7" selected. */
inline bool agedValvesSelected(const StoredValues& q) noexcept { return plugin::valveSet(q) == 1; }
} // namespace ravlin::editor
