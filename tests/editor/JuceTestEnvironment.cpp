#include "JuceTestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>

namespace ravlin::test {
namespace {
class JuceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { juce = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
    void TearDown() override
    {
        deliverPendingMessages();
        juce.reset();
    }

private:
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> juce;
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new JuceEnvironment);
} // namespace

void deliverPendingMessages() { juce::MessageManager::getInstance()->runDispatchLoopUntil(30); }

juce::Image paintToImage(juce::Component& component)
{
    juce::Image image(juce::Image::ARGB, juce::jmax(1, component.getWidth()), juce::jmax(1, component.getHeight()),
                      true);
    juce::Graphics g(image);
    component.paintEntireComponent(g, true);
    return image;
}
} // namespace ravlin::test
