#include "editor/EditorControls.h"

#include <utility>

namespace ravlin {
namespace {
// Component names the window's controls have always carried (the glow strips keep the knob's own
// "Slider"). Only code reads a component's name; what a screen reader says comes from its title.
constexpr const char* controlName = "new component";
constexpr const char* buttonName = "new button";
} // namespace

EditorControls::EditorControls(juce::Component& window, juce::Slider::Listener& sliders,
                               juce::Button::Listener& buttons)
{
    auto strip = [&window](std::unique_ptr<FilmStripKnob>& knob, juce::Image& image, int frames, const char* name) {
        knob = std::make_unique<FilmStripKnob>(&image, frames);
        if (name != nullptr)
            knob->setName(name);
        window.addAndMakeVisible(*knob);
    };
    auto imageButton = [&](std::unique_ptr<juce::ImageButton>& button) {
        button = std::make_unique<juce::ImageButton>(buttonName);
        window.addAndMakeVisible(*button);
        button->addListener(&buttons);
    };

    strip(valveGlow, images.valveGlowStrip, 24, nullptr);
    strip(valveGlowBlurred, images.valveGlowBlurredStrip, 24, nullptr);
    panelBackground = std::make_unique<ImageToggleButton>(&images.backgroundImage, false);
    panelBackground->setName(controlName);
    window.addAndMakeVisible(*panelBackground);
    imageButton(freshValvesButton);
    imageButton(agedValvesButton);
    imageButton(settingsButton);
    monoStereoButton = std::make_unique<ImageToggleButton>(&images.monoStereoImage, true);
    monoStereoButton->setName(controlName);
    window.addAndMakeVisible(*monoStereoButton);
    monoStereoButton->addListener(&buttons);
    strip(inputBar, images.barStrip50, 50, controlName);
    strip(gainBar, images.barStrip17, 17, controlName);
    strip(trebleBar, images.barStrip15, 15, controlName);
    strip(middleBar, images.barStrip15, 15, controlName);
    strip(bassBar, images.barStrip15, 15, controlName);
    strip(outputBar, images.barStrip50, 50, controlName);
    strip(oversamplingSelector, images.oversamplingStrip, 5, controlName);
    modelDataNotice = std::make_unique<ModelDataNotice>(); // in front of everything, hidden until needed
    window.addChildComponent(*modelDataNotice);

    setButtonImages(*freshValvesButton, images.freshFrameNormal, 0.0f, images.freshFrameOver);
    setButtonImages(*agedValvesButton, images.agedFrameNormal, 0.0f, images.agedFrameOver);
    setButtonImages(*settingsButton, {}, 1.0f, {});

    valveGlow->setRange(0.0, 23.0, 1.0);
    valveGlowBlurred->setRange(0.0, 23.0, 1.0);
    for (FilmStripKnob* bar : {inputBar.get(), gainBar.get(), trebleBar.get(), middleBar.get(), bassBar.get(),
                               outputBar.get(), oversamplingSelector.get()})
    {
        const editor::ControlScale& scale = *scaleOf(bar);
        bar->setRange(scale.minimum(), scale.maximum(), scale.interval());
        bar->setSliderStyle(bar == oversamplingSelector.get() ? juce::Slider::LinearHorizontal
                                                              : juce::Slider::LinearBar);
        bar->addListener(&sliders);
    }
}

void EditorControls::layOut()
{
    valveGlow->setBounds(0, 0, 460, 368);
    valveGlowBlurred->setBounds(0, 0, 460, 368);
    panelBackground->setBounds(0, 0, 460, 368);
    freshValvesButton->setBounds(155, 44, 74, 32);
    agedValvesButton->setBounds(234, 44, 76, 32);
    settingsButton->setBounds(176, 0, 112, 24);
    monoStereoButton->setBounds(420, 4, 37, 22);
    inputBar->setBounds(127, 102, 208, 23);
    gainBar->setBounds(127, 132, 208, 23);
    trebleBar->setBounds(127, 162, 208, 23);
    middleBar->setBounds(127, 192, 208, 23);
    bassBar->setBounds(127, 222, 208, 23);
    outputBar->setBounds(127, 252, 208, 23);
    oversamplingSelector->setBounds(198, 287, 152, 29);
    modelDataNotice->setBounds(30, 96, 400, 150);
}

void EditorControls::showPanel(bool shown)
{
    showSettings = shown;
    juce::Component* const panelControls[] = {
        valveGlowBlurred.get(),  inputBar.get(),        gainBar.get(),   trebleBar.get(),
        middleBar.get(),         bassBar.get(),         outputBar.get(), oversamplingSelector.get(),
        freshValvesButton.get(), agedValvesButton.get()};
    for (juce::Component* c : panelControls)
        c->setVisible(shown);
    panelBackground->setToggleState(shown, juce::dontSendNotification);
}

void EditorControls::setButtonImages(juce::ImageButton& button, const juce::Image& normal, float normalOpacity,
                                     const juce::Image& over)
{
    // No resizing to the image, images rescaled to the button with their proportions kept, no
    // overlay colours, and a hit-test threshold of 0 so the whole rectangle is clickable. Without a
    // down image the framework draws the over image while the button is held.
    button.setImages(false, true, true, normal, normalOpacity, juce::Colours::transparentBlack, over, 1.0f,
                     juce::Colours::transparentBlack, juce::Image(), 1.0f, juce::Colours::transparentBlack, 0.0f);
}

void EditorControls::setValveSetOutlines(bool aged)
{
    setButtonImages(*freshValvesButton, images.freshFrameNormal, aged ? 0.0f : 1.0f, images.freshFrameOver);
    setButtonImages(*agedValvesButton, images.agedFrameNormal, aged ? 1.0f : 0.0f, images.agedFrameOver);
}

void EditorControls::show(const plugin::StoredValues& q)
{
    showPanel(plugin::settingsShown(q));
    settingsButton->setToggleState(showSettings, juce::dontSendNotification);
    setValveSetOutlines(editor::agedValvesSelected(q));
    for (FilmStripKnob* control : {gainBar.get(), trebleBar.get(), middleBar.get(), bassBar.get(), inputBar.get(),
                                   outputBar.get(), oversamplingSelector.get()})
    {
        const editor::ControlScale& scale = *scaleOf(control);
        control->setValue(scale.controlValue(q[scale.parameter]), juce::sendNotificationAsync);
    }
    monoStereoButton->setToggleState(plugin::stereoRequested(q), juce::dontSendNotification);
}

const editor::ControlScale* EditorControls::scaleOf(const juce::Slider* slider) const noexcept
{
    const std::pair<const juce::Slider*, const editor::ControlScale*> scales[] = {
        {inputBar.get(), &editor::inputBarScale},
        {gainBar.get(), &editor::gainBarScale},
        {trebleBar.get(), &editor::trebleBarScale},
        {middleBar.get(), &editor::middleBarScale},
        {bassBar.get(), &editor::bassBarScale},
        {outputBar.get(), &editor::outputBarScale},
        {oversamplingSelector.get(), &editor::oversamplingScale}};
    for (const auto& [control, scale] : scales)
        if (slider == control)
            return scale;
    return nullptr;
}
} // namespace ravlin
