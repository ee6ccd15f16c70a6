#pragma once
// The plug-in window: a fixed 460 x 368 picture of two glowing preamp valves with a Settings tab
// that shows or hides a translucent settings panel (six bars, the oversampling selector, the two
// valve-set buttons); the mono/stereo switch sits in the top right corner. All drawing comes from
// images (EditorControls), except a plain notice over the panel while the model data is missing
// or damaged. The editor talks to its processor only through the parameters
// (setParameterNotifyingHost), the processor's change messages, and the reads of
// EditorLink<Processor> taken under the callback lock. Everything here runs on the message thread.
#include "editor/ControlMapping.h"
#include "editor/EditorControls.h"
#include "editor/EditorLink.h"
#include "editor/GlowMeter.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace ravlin {
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

    bool isShowingSettings() const noexcept { return controls.isShowingSettings(); }
    float getLastGlowValue() const noexcept { return lastGlowValue; }

    // The controls, for tests and the snapshot renderer.
    FilmStripKnob& getValveGlow() noexcept { return *controls.valveGlow; }
    FilmStripKnob& getValveGlowBlurred() noexcept { return *controls.valveGlowBlurred; }
    ImageToggleButton& getPanelBackground() noexcept { return *controls.panelBackground; }
    juce::ImageButton& getFreshValvesButton() noexcept { return *controls.freshValvesButton; }
    juce::ImageButton& getAgedValvesButton() noexcept { return *controls.agedValvesButton; }
    juce::ImageButton& getSettingsButton() noexcept { return *controls.settingsButton; }
    ImageToggleButton& getMonoStereoButton() noexcept { return *controls.monoStereoButton; }
    FilmStripKnob& getInputBar() noexcept { return *controls.inputBar; }
    FilmStripKnob& getGainBar() noexcept { return *controls.gainBar; }
    FilmStripKnob& getTrebleBar() noexcept { return *controls.trebleBar; }
    FilmStripKnob& getMiddleBar() noexcept { return *controls.middleBar; }
    FilmStripKnob& getBassBar() noexcept { return *controls.bassBar; }
    FilmStripKnob& getOutputBar() noexcept { return *controls.outputBar; }
    FilmStripKnob& getOversamplingSelector() noexcept { return *controls.oversamplingSelector; }
    ModelDataNotice& getModelDataNotice() noexcept { return *controls.modelDataNotice; }

private:
    using Link = EditorLink<Processor>;

    void sendParameter(int index, float hostValue);
    /** Takes the processor's model-data notice when it has changed since the last look. */
    void refreshModelDataNotice();

    Processor& processor;
    EditorControls controls;
    unsigned noticeGeneration = 0;
    bool noticeRead = false;
    float lastGlowValue = 0.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PreampEditor)
};

//==============================================================================
template <class Processor>
PreampEditor<Processor>::PreampEditor(Processor& p)
    : juce::AudioProcessorEditor(p), processor(p), controls(*this, *this, *this)
{
    setSize(windowWidth, windowHeight);
    changeListenerCallback(nullptr);
    processor.addChangeListener(this);
    startTimer(glowPeriodMs);
}

template <class Processor>
PreampEditor<Processor>::~PreampEditor()
{
    stopTimer();
    processor.removeChangeListener(this);
}

template <class Processor>
void PreampEditor<Processor>::resized()
{
    controls.layOut();
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
    if (const editor::ControlScale* scale = controls.scaleOf(slider))
        sendParameter(scale->parameter, scale->hostValue(slider->getValue()));
}

template <class Processor>
void PreampEditor<Processor>::buttonClicked(juce::Button* button)
{
    if (button == controls.freshValvesButton.get() || button == controls.agedValvesButton.get())
    {
        const bool aged = button == controls.agedValvesButton.get();
        sendParameter(plugin::dualTriodes, editor::switchHostValue(aged));
        controls.setValveSetOutlines(aged);
        repaint();
    }
    else if (button == controls.settingsButton.get())
    {
        controls.showPanel(!controls.isShowingSettings());
        sendParameter(plugin::showSettings, editor::switchHostValue(controls.isShowingSettings()));
        repaint();
    }
    else if (button == controls.monoStereoButton.get())
    {
        sendParameter(plugin::monoStereo, editor::switchHostValue(controls.monoStereoButton->getToggleState()));
    }
}

template <class Processor>
void PreampEditor<Processor>::changeListenerCallback(juce::ChangeBroadcaster*)
{
    plugin::StoredValues q{};
    {
        const juce::ScopedLock lock(processor.getCallbackLock());
        q = Link::storedValues(processor);
    }
    controls.show(q);
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
    controls.modelDataNotice->setText(Link::modelDataNotice(processor));
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
        controls.valveGlow->setValue(v, juce::sendNotificationAsync);
        controls.valveGlowBlurred->setValue(v, juce::sendNotificationAsync);
        lastGlowValue = v;
    }
}
} // namespace ravlin
