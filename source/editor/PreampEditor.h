#pragma once
// The plug-in window: a fixed 460 x 368 picture of two glowing preamp valves with a Settings tab
// that shows or hides a translucent settings panel (six bars, the oversampling selector, the two
// valve-set buttons); the mono/stereo switch sits in the top right corner. All drawing comes from
// images, except a plain notice over the panel while the model data is missing or damaged. The editor talks to its processor only through the parameters (setParameterNotifyingHost),
// the processor's change messages, and the reads of EditorLink<Processor> taken under the callback
// lock. Everything here runs on the message thread.
#include "editor/ControlMapping.h"
#include "editor/EditorImages.h"
#include "editor/EditorLink.h"
#include "editor/FilmStripKnob.h"
#include "editor/GlowMeter.h"
#include "editor/ImageToggleButton.h"
#include "editor/ModelDataNotice.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <utility>

namespace ravlin
{
/** `Processor` derives from juce::AudioProcessor and juce::ChangeBroadcaster and has an
    EditorLink specialisation. */
template <class Processor>
class PreampEditor : public juce::AudioProcessorEditor,
                     public juce::ChangeListener,
                     public juce::Timer,
                     public juce::Slider::Listener,
                     public juce::Button::Listener
{
public:
    static constexpr int windowWidth = 460;
    static constexpr int windowHeight = 368;
    static constexpr int glowPeriodMs = 50;

    explicit PreampEditor(Processor& p);
    ~PreampEditor() override;

    void resized() override;
    void sliderValueChanged(juce::Slider* slider) override;
    void buttonClicked(juce::Button* button) override;
    /** Refresh: brings every control up to the current program's stored values. */
    void changeListenerCallback(juce::ChangeBroadcaster* source) override;
    /** Glow update from block 4's statistics. */
    void timerCallback() override;

    bool isShowingSettings() const noexcept { return showSettings; }
    float getLastGlowValue() const noexcept { return lastGlowValue; }

    // The controls, for tests and the snapshot renderer.
    FilmStripKnob& getValveGlow() noexcept { return *valveGlow; }
    FilmStripKnob& getValveGlowBlurred() noexcept { return *valveGlowBlurred; }
    ImageToggleButton& getPanelBackground() noexcept { return *panelBackground; }
    juce::ImageButton& getFreshValvesButton() noexcept { return *freshValvesButton; }
    juce::ImageButton& getAgedValvesButton() noexcept { return *agedValvesButton; }
    juce::ImageButton& getSettingsButton() noexcept { return *settingsButton; }
    ImageToggleButton& getMonoStereoButton() noexcept { return *monoStereoButton; }
    FilmStripKnob& getInputBar() noexcept { return *inputBar; }
    FilmStripKnob& getGainBar() noexcept { return *gainBar; }
    FilmStripKnob& getTrebleBar() noexcept { return *trebleBar; }
    FilmStripKnob& getMiddleBar() noexcept { return *middleBar; }
    FilmStripKnob& getBassBar() noexcept { return *bassBar; }
    FilmStripKnob& getOutputBar() noexcept { return *outputBar; }
    FilmStripKnob& getOversamplingSelector() noexcept { return *oversamplingSelector; }
    ModelDataNotice& getModelDataNotice() noexcept { return *modelDataNotice; }

private:
    using Link = EditorLink<Processor>;

    void sendParameter(int index, float hostValue);
    void showPanel(bool shown);
    void setValveSetOutlines(bool aged);
    /** Takes the processor's model-data notice when it has changed since the last look. */
    void refreshModelDataNotice();
    static void setButtonImages(juce::ImageButton& button, const juce::Image& normal, float normalOpacity,
                                const juce::Image& over);

    Processor& processor;
    // Images first: they are destroyed after the controls that point at them.
    EditorImages images;

    std::unique_ptr<FilmStripKnob> valveGlow;
    std::unique_ptr<FilmStripKnob> valveGlowBlurred;
    std::unique_ptr<ImageToggleButton> panelBackground;
    std::unique_ptr<juce::ImageButton> freshValvesButton;
    std::unique_ptr<juce::ImageButton> agedValvesButton;
    std::unique_ptr<juce::ImageButton> settingsButton;
    std::unique_ptr<ImageToggleButton> monoStereoButton;
    std::unique_ptr<FilmStripKnob> inputBar;
    std::unique_ptr<FilmStripKnob> gainBar;
    std::unique_ptr<FilmStripKnob> trebleBar;
    std::unique_ptr<FilmStripKnob> middleBar;
    std::unique_ptr<FilmStripKnob> bassBar;
    std::unique_ptr<FilmStripKnob> outputBar;
    std::unique_ptr<FilmStripKnob> oversamplingSelector;
    std::unique_ptr<ModelDataNotice> modelDataNotice;

    bool showSettings = true;
    unsigned noticeGeneration = 0;
    bool noticeRead = false;
    float lastGlowValue = 0.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PreampEditor)
};

//==============================================================================
template <class Processor>
PreampEditor<Processor>::PreampEditor(Processor& p) : juce::AudioProcessorEditor(p), processor(p)
{
    auto strip = [this](std::unique_ptr<FilmStripKnob>& knob, juce::Image& image, int frames, const char* name) {
        knob = std::make_unique<FilmStripKnob>(&image, frames);
        if (name != nullptr)
            knob->setName(name);
        addAndMakeVisible(*knob);
    };
    auto imageButton = [this](std::unique_ptr<juce::ImageButton>& button) {
        button = std::make_unique<juce::ImageButton>("new button");
        addAndMakeVisible(*button);
        button->addListener(this);
    };

    // Controls in stacking order: later ones lie in front.
    strip(valveGlow, images.valveGlowStrip, 24, nullptr);
    strip(valveGlowBlurred, images.valveGlowBlurredStrip, 24, nullptr);
    panelBackground = std::make_unique<ImageToggleButton>(&images.backgroundImage, false);
    panelBackground->setName("new component");
    addAndMakeVisible(*panelBackground);
    imageButton(freshValvesButton);
    imageButton(agedValvesButton);
    imageButton(settingsButton);
    monoStereoButton = std::make_unique<ImageToggleButton>(&images.monoStereoImage, true);
    monoStereoButton->setName("new component");
    addAndMakeVisible(*monoStereoButton);
    monoStereoButton->addListener(this);
    strip(inputBar, images.barStrip50, 50, "new component");
    strip(gainBar, images.barStrip17, 17, "new component");
    strip(trebleBar, images.barStrip15, 15, "new component");
    strip(middleBar, images.barStrip15, 15, "new component");
    strip(bassBar, images.barStrip15, 15, "new component");
    strip(outputBar, images.barStrip50, 50, "new component");
    strip(oversamplingSelector, images.oversamplingStrip, 5, "new component");
    modelDataNotice = std::make_unique<ModelDataNotice>(); // in front of everything, hidden until needed
    addChildComponent(*modelDataNotice);

    setButtonImages(*freshValvesButton, images.freshFrameNormal, 0.0f, images.freshFrameOver);
    setButtonImages(*agedValvesButton, images.agedFrameNormal, 0.0f, images.agedFrameOver);
    setButtonImages(*settingsButton, {}, 1.0f, {});

    setSize(windowWidth, windowHeight);

    valveGlow->setRange(0.0, 23.0, 1.0);
    valveGlowBlurred->setRange(0.0, 23.0, 1.0);
    struct BarSetUp
    {
        FilmStripKnob* bar;
        const editor::ControlScale& scale;
        juce::Slider::SliderStyle style;
    };
    const BarSetUp setUps[] = {{inputBar.get(), editor::inputBarScale, juce::Slider::LinearBar},
                               {gainBar.get(), editor::gainBarScale, juce::Slider::LinearBar},
                               {trebleBar.get(), editor::trebleBarScale, juce::Slider::LinearBar},
                               {middleBar.get(), editor::middleBarScale, juce::Slider::LinearBar},
                               {bassBar.get(), editor::bassBarScale, juce::Slider::LinearBar},
                               {outputBar.get(), editor::outputBarScale, juce::Slider::LinearBar},
                               {oversamplingSelector.get(), editor::oversamplingScale, juce::Slider::LinearHorizontal}};
    for (const auto& s : setUps)
    {
        s.bar->setRange(s.scale.minimum(), s.scale.maximum(), s.scale.interval());
        s.bar->setSliderStyle(s.style);
        s.bar->addListener(this);
    }

    showSettings = true;
    lastGlowValue = 0.0f;
    changeListenerCallback(nullptr);
    processor.addChangeListener(this);
    startTimer(glowPeriodMs);
}

template <class Processor>
PreampEditor<Processor>::~PreampEditor()
{
    stopTimer();
    processor.removeChangeListener(this);
    modelDataNotice.reset();
    // Controls go before the images they point at (the images are members declared earlier).
    oversamplingSelector.reset();
    outputBar.reset();
    bassBar.reset();
    middleBar.reset();
    trebleBar.reset();
    gainBar.reset();
    inputBar.reset();
    monoStereoButton.reset();
    settingsButton.reset();
    agedValvesButton.reset();
    freshValvesButton.reset();
    panelBackground.reset();
    valveGlowBlurred.reset();
    valveGlow.reset();
}

template <class Processor>
void PreampEditor<Processor>::resized()
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

template <class Processor>
void PreampEditor<Processor>::sendParameter(int index, float hostValue)
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    processor.setParameterNotifyingHost(index, hostValue);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

template <class Processor>
void PreampEditor<Processor>::sliderValueChanged(juce::Slider* slider)
{
    const std::pair<juce::Slider*, const editor::ControlScale*> controls[] = {
        {inputBar.get(), &editor::inputBarScale},   {gainBar.get(), &editor::gainBarScale},
        {trebleBar.get(), &editor::trebleBarScale}, {middleBar.get(), &editor::middleBarScale},
        {bassBar.get(), &editor::bassBarScale},     {outputBar.get(), &editor::outputBarScale},
        {oversamplingSelector.get(), &editor::oversamplingScale}};
    for (const auto& [control, scale] : controls)
        if (slider == control)
            sendParameter(scale->parameter, scale->hostValue(slider->getValue()));
}

template <class Processor>
void PreampEditor<Processor>::buttonClicked(juce::Button* button)
{
    if (button == freshValvesButton.get())
    {
        sendParameter(plugin::dualTriodes, 0.0f);
        setValveSetOutlines(false);
        repaint();
    }
    else if (button == agedValvesButton.get())
    {
        sendParameter(plugin::dualTriodes, 1.0f);
        setValveSetOutlines(true);
        repaint();
    }
    else if (button == settingsButton.get())
    {
        showPanel(!showSettings);
        sendParameter(plugin::showSettings, editor::switchHostValue(showSettings));
        repaint();
    }
    else if (button == monoStereoButton.get())
    {
        sendParameter(plugin::monoStereo, editor::switchHostValue(monoStereoButton->getToggleState()));
    }
}

template <class Processor>
void PreampEditor<Processor>::showPanel(bool shown)
{
    showSettings = shown;
    juce::Component* const panelControls[] = {valveGlowBlurred.get(), inputBar.get(), gainBar.get(),
                                               trebleBar.get(), middleBar.get(), bassBar.get(),
                                               outputBar.get(), oversamplingSelector.get(),
                                               freshValvesButton.get(), agedValvesButton.get()};
    for (juce::Component* c : panelControls)
        c->setVisible(shown);
    panelBackground->setToggleState(shown, juce::dontSendNotification);
}

template <class Processor>
void PreampEditor<Processor>::setButtonImages(juce::ImageButton& button, const juce::Image& normal,
                                              float normalOpacity, const juce::Image& over)
{
    // No resizing to the image, images rescaled to the button with their proportions kept, no
    // overlay colours, and a hit-test threshold of 0 so the whole rectangle is clickable. Without a
    // down image the framework draws the over image while the button is held.
    button.setImages(false, true, true, normal, normalOpacity, juce::Colours::transparentBlack, over, 1.0f,
                     juce::Colours::transparentBlack, juce::Image(), 1.0f, juce::Colours::transparentBlack, 0.0f);
}

template <class Processor>
void PreampEditor<Processor>::setValveSetOutlines(bool aged)
{
    setButtonImages(*freshValvesButton, images.freshFrameNormal, aged ? 0.0f : 1.0f, images.freshFrameOver);
    setButtonImages(*agedValvesButton, images.agedFrameNormal, aged ? 1.0f : 0.0f, images.agedFrameOver);
}

template <class Processor>
void PreampEditor<Processor>::changeListenerCallback(juce::ChangeBroadcaster*)
{
    editor::StoredValues q{};
    {
        const juce::ScopedLock lock(processor.getCallbackLock());
        q = Link::storedValues(processor);
    }
    auto show = [&q](FilmStripKnob& control, const editor::ControlScale& scale) {
        control.setValue(scale.controlValue(q[scale.parameter]), juce::sendNotificationAsync);
    };

    showPanel(plugin::settingsShown(q));
    settingsButton->setToggleState(showSettings, juce::dontSendNotification);
    setValveSetOutlines(editor::agedValvesSelected(q));

    show(*gainBar, editor::gainBarScale);
    show(*trebleBar, editor::trebleBarScale);
    show(*middleBar, editor::middleBarScale);
    show(*bassBar, editor::bassBarScale);
    show(*inputBar, editor::inputBarScale);
    show(*outputBar, editor::outputBarScale);
    show(*oversamplingSelector, editor::oversamplingScale);

    monoStereoButton->setToggleState(plugin::stereoRequested(q), juce::dontSendNotification);
    refreshModelDataNotice();
    repaint();
}

template <class Processor>
void PreampEditor<Processor>::refreshModelDataNotice()
{
    const unsigned generation = Link::modelDataGeneration(processor);
    if (noticeRead && generation == noticeGeneration)
        return;
    noticeRead = true;
    noticeGeneration = generation;
    modelDataNotice->setText(Link::modelDataNotice(processor));
}

template <class Processor>
void PreampEditor<Processor>::timerCallback()
{
    editor::BlockStatistics left;
    editor::BlockStatistics right;
    bool stereo = false;
    {
        const juce::ScopedLock lock(processor.getCallbackLock());
        stereo = plugin::stereoRequested(Link::storedValues(processor));
        left = Link::block4Statistics(processor, 0);
        if (stereo)
            right = Link::block4Statistics(processor, 1);
    }
    // A reconfiguration from a program change sends no change message: look here as well.
    refreshModelDataNotice();
    const float v = editor::glowValue(left, right, stereo);
    if (v != lastGlowValue)
    {
        valveGlow->setValue(v, juce::sendNotificationAsync);
        valveGlowBlurred->setValue(v, juce::sendNotificationAsync);
        lastGlowValue = v;
    }
}
} // namespace ravlin
