#pragma once
// The processor ravlin-render hosts, and the hooks that reach beyond juce::AudioProcessor.
#include <memory>

#include "RenderSession.h"

namespace ravlin::render {

/// A new instance of the plug-in's processor, as the plug-in wrapper would create it.
std::unique_ptr<juce::AudioProcessor> createRenderProcessor();

/// Model-folder access for a processor made by createRenderProcessor().
ProcessorHooks renderProcessorHooks(juce::AudioProcessor& processor);

} // namespace ravlin::render
