#pragma once
// One program: its name and the ten stored (quantised) parameter values. The current program's
// record is the live parameter set of the processor.
#include "plugin/ParameterTable.h"

#include <array>
#include <string>

namespace ravlin::plugin {
struct ProgramRecord
{
    std::string name = "default"; ///< UTF-8
    StoredValues values{0.0f, 25.0f, 0.0f, 0.0f, 0.0f, 0.0f, 25.0f, 0.0f, 0.0f, 0.0f};

    /** Stores the quantised host value x; false (and nothing written) when it equals the stored one.
        Indices outside 0..9 change nothing. */
    bool setValue(int index, float x) noexcept
    {
        if (!isParameterIndex(index))
            return false;
        const float stored = quantise(index, x);
        float& slot = values[static_cast<std::size_t>(index)];
        if (stored == slot)
            return false;
        slot = stored;
        return true;
    }

    /** Host value 0..1 of parameter `index`; 0 outside 0..9. */
    float getValue(int index) const noexcept
    {
        return isParameterIndex(index) ? reportedValue(index, values[static_cast<std::size_t>(index)]) : 0.0f;
    }

    /** Display text of parameter `index`; "" outside 0..9. */
    std::string getValueText(int index) const
    {
        return isParameterIndex(index) ? valueText(index, values[static_cast<std::size_t>(index)]) : std::string();
    }

    /** Program "1 default": Fresh valves, Input and Output 24.5, Gain 8, tone 7, no oversampling,
        mono, settings hidden. */
    static ProgramRecord defaultProgram()
    {
        return {"1 default", {0.0f, 24.5f, 8.0f, 7.0f, 7.0f, 7.0f, 24.5f, 0.0f, 0.0f, 0.0f}};
    }

    float stored(Parameter p) const noexcept { return values[static_cast<std::size_t>(p)]; }

    int valveSet() const noexcept { return plugin::valveSet(values); }
    unsigned gainPosition() const noexcept { return plugin::gainPosition(values); }
    unsigned tonePosition() const noexcept { return plugin::tonePosition(values); }
    int factorCode() const noexcept { return plugin::factorCode(values); }
    bool stereoRequested() const noexcept { return plugin::stereoRequested(values); }
};
} // namespace ravlin::plugin
