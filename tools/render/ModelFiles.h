#pragma once
// Names of the model data files a configuration reads, so the renderer can name a missing file
// before it starts instead of rendering silence: per valve set the three plain files and one
// block-3 file per effective sample rate (host rate times oversampling factor).
#include <string>
#include <vector>

namespace ravlin::render {

/// File names (no folder) for valve set 0 ("eh", Fresh 12ax7) or 1 ("rsd", Aged 12ax7) at the
/// effective rate in Hz: blocks 1, 2, 4, then block 3's per-rate file.
std::vector<std::string> requiredModelFiles(int valveSet, long effectiveRate);

/// Name of the sample loop the processor selects: "processMonoX1" ... "processStereoX16".
std::string sampleLoopName(bool stereo, int factor);

} // namespace ravlin::render
