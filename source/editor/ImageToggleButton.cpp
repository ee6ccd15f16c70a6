#include "editor/ImageToggleButton.h"

namespace ravlin {
ImageToggleButton::ImageToggleButton(juce::Image* img, bool togglesOnClick) : juce::Button("Button"), image(img)
{
    if (image != nullptr)
    {
        imageWidth = image->getWidth();
        halfHeight = image->getHeight() / 2;
    }
    setClickingTogglesState(togglesOnClick);
}

juce::Rectangle<int> ImageToggleButton::currentSourceArea() const noexcept
{
    return {0, getToggleState() ? halfHeight : 0, imageWidth, halfHeight};
}

void ImageToggleButton::paintButton(juce::Graphics& g, bool, bool)
{
    if (image == nullptr)
        return;
    const auto source = currentSourceArea();
    g.drawImage(*image, 0, 0, getWidth(), getHeight(), source.getX(), source.getY(), source.getWidth(),
                source.getHeight());
}
} // namespace ravlin
