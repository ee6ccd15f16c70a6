#pragma once
// What the editor reads from its processor besides the framework's AudioProcessor interface:
// the stored values of the current program and block 4's running statistics of each channel chain
// (called with the processor's callback lock held), and the model-data notice with its generation
// count (called without it; they must never wait for a reconfiguration). Specialise EditorLink for
// a processor type; every function runs on the message thread and must only read.
#include "editor/ControlMapping.h"
#include "editor/GlowMeter.h"

namespace ravlin {
template <class Processor>
struct EditorLink; // static editor::StoredValues storedValues(const Processor&);
                   // static editor::BlockStatistics block4Statistics(const Processor&, int channel);
                   // static unsigned modelDataGeneration(const Processor&);
                   // static juce::String modelDataNotice(const Processor&);
} // namespace ravlin
