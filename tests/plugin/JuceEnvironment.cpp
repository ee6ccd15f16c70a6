// The framework's message manager for the whole test program (change messages need it).
#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

namespace {
class JuceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { runtime = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
    void TearDown() override { runtime.reset(); }

private:
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> runtime;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new JuceEnvironment);
} // namespace
