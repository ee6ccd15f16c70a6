#pragma once
// A copy of a model folder in the plain layout: without the per-rate files of blocks 1 and 2, so
// their plain files play at every rate. Tests that damage a plain file need it, or a rate's own
// file would play instead and hide the damage.
#include <juce_core/juce_core.h>

namespace ravlin::test {
/** Copies `models` to `to` and deletes the copy's per-rate files of blocks 1 and 2. */
inline bool copyInPlainLayout(const juce::File& models, const juce::File& to)
{
    if (!models.copyDirectoryTo(to))
        return false;
    for (const char* pattern : {"*_b1_pca.dat.*", "*_b2_pca.dat.*"})
        for (const auto& f : to.findChildFiles(juce::File::findFiles, false, pattern))
            if (!f.deleteFile())
                return false;
    return true;
}
} // namespace ravlin::test
