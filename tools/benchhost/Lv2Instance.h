#pragma once
// One LV2 plug-in instance driven block by block, as a small real host would: every port is
// connected (audio and CV to float buffers, controls to their defaults, atom sequences to empty
// buffers), and the host features urid:map/unmap, options (sample rate, block lengths) and
// bounded block length are provided. A plug-in that requires anything else is refused with a
// message naming the feature.
#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UridMap.h"

namespace ravlin::benchhost {

/// A lilv world with every installed plug-in plus the given bundle folders (relative
/// paths allowed: lilv needs absolute file URIs). The caller frees it with lilv_world_free.
LilvWorld* loadWorld(const std::vector<std::string>& bundles);

class Lv2Instance
{
public:
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;
    ~Lv2Instance();

    /// Finds `uri` in `world` and instantiates it at `sampleRate` for blocks of at most
    /// `maxBlock` frames. `controls` sets input control ports by symbol (others keep their
    /// default); a name that is no port symbol may name a writable parameter (patch:writable) by
    /// the end of its URI (after ':', '#' or '/'), which the first run sends as a patch:Set. Returns
    /// nullptr and fills `error` when the plug-in is unknown, needs a feature this host lacks,
    /// names an unknown control, or fails to instantiate.
    static std::unique_ptr<Lv2Instance> create(LilvWorld* world, const std::string& uri, double sampleRate,
                                               int maxBlock, const std::vector<std::pair<std::string, float>>& controls,
                                               std::string& error);

    int audioInputs() const noexcept { return static_cast<int>(audioIn.size()); }
    int audioOutputs() const noexcept { return static_cast<int>(audioOut.size()); }
    const std::string& name() const noexcept { return pluginName; }

    /// Processes `frames` (at most the block size) frames: every audio input receives `input`,
    /// outputs land in the instance's buffers. Real-time path: no allocation.
    void run(const float* input, int frames) noexcept;

    /// Processes `frames` (at most the block size) frames: audio input i receives
    /// inputs[min(i, channels - 1)], so a mono signal feeds every input. Real-time path.
    void run(const float* const* inputs, int channels, int frames) noexcept;

    /// Output channel `channel` of the last run.
    const float* output(int channel) const noexcept { return audioOut[static_cast<std::size_t>(channel)]->data(); }

private:
    Lv2Instance() = default;
    void resetAtomPorts() noexcept;
    /// Writes the pending parameter values as patch:Set events into the first input atom port.
    void sendParameters() noexcept;

    struct AtomPort
    {
        std::vector<std::uint64_t> storage; ///< 8-byte aligned atom buffer
        bool input = true;
    };

    std::string pluginName;
    UridMap urids;
    LilvInstance* instance = nullptr;
    int maxFrames = 0;
    std::vector<std::unique_ptr<std::vector<float>>> audioIn, audioOut, cvBuffers;
    std::vector<std::unique_ptr<float>> controlValues;
    std::vector<std::unique_ptr<AtomPort>> atomPorts;
    std::uint32_t atomSequenceUrid = 0, atomChunkUrid = 0, atomFrameTimeUrid = 0;
    std::vector<std::pair<std::uint32_t, float>> pendingParameters; ///< parameter URID, value
    LV2_Atom_Forge forge{};
    std::uint32_t patchSetUrid = 0, patchPropertyUrid = 0, patchValueUrid = 0;

    // Storage that the feature structs point into; kept alive as long as the instance.
    std::vector<std::uint32_t> optionInts;
    float optionRate = 0.0f;
    std::vector<LV2_Options_Option> options;
    std::vector<LV2_Feature> featureStorage;
    std::vector<const LV2_Feature*> features;
};

} // namespace ravlin::benchhost
