#include "editor/EditorImages.h"

#include <RavlinResources.h>

namespace ravlin {
namespace {
juce::Image load(const char* data, int size) { return juce::ImageCache::getFromMemory(data, size); }
} // namespace

EditorImages::EditorImages()
    : backgroundImage(load(RavlinResources::background_png, RavlinResources::background_pngSize)),
      valveGlowStrip(load(RavlinResources::valve_glow_jpg, RavlinResources::valve_glow_jpgSize)),
      valveGlowBlurredStrip(load(RavlinResources::valve_glow_blurred_jpg, RavlinResources::valve_glow_blurred_jpgSize)),
      monoStereoImage(load(RavlinResources::mono_stereo_png, RavlinResources::mono_stereo_pngSize)),
      barStrip50(load(RavlinResources::bar_strip_50_png, RavlinResources::bar_strip_50_pngSize)),
      barStrip17(load(RavlinResources::bar_strip_17_png, RavlinResources::bar_strip_17_pngSize)),
      barStrip15(load(RavlinResources::bar_strip_15_png, RavlinResources::bar_strip_15_pngSize)),
      oversamplingStrip(load(RavlinResources::oversampling_strip_png, RavlinResources::oversampling_strip_pngSize)),
      freshFrameNormal(load(RavlinResources::fresh_frame_normal_png, RavlinResources::fresh_frame_normal_pngSize)),
      freshFrameOver(load(RavlinResources::fresh_frame_over_png, RavlinResources::fresh_frame_over_pngSize)),
      agedFrameNormal(load(RavlinResources::aged_frame_normal_png, RavlinResources::aged_frame_normal_pngSize)),
      agedFrameOver(load(RavlinResources::aged_frame_over_png, RavlinResources::aged_frame_over_pngSize))
{
}
} // namespace ravlin
