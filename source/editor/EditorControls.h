#pragma once
// The fourteen controls of the plug-in window and the notice over its panel, with the images they
// draw: built in stacking order (later ones lie in front), laid out at their fixed bounds, and
// brought up to a program's stored values. What the controls send is the editor's business.
// Message thread only.
#include "editor/ControlMapping.h"
#include "editor/EditorImages.h"
#include "editor/FilmStripKnob.h"
#include "editor/ImageToggleButton.h"
#include "editor/ModelDataNotice.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace ravlin {
class EditorControls
{
public:
    /** Adds every control to `window`; the bars, the selector and the four buttons report to the
        listeners. */
    EditorControls(juce::Component& window, juce::Slider::Listener& sliders, juce::Button::Listener& buttons);

    /** The fixed bounds of every control in the 460 x 368 window. */
    void layOut();

    /** Shows or hides the settings panel (the blurred glow, the bars, the selector, the valve-set
        buttons) and turns the panel background's half to match. */
    void showPanel(bool shown);
    bool isShowingSettings() const noexcept { return showSettings; }

    /** The chosen valve set shows its outline; the other one only under the mouse. */
    void setValveSetOutlines(bool aged);

    /** The refresh: panel, outlines, every bar and the selector (notifying asynchronously, so a
        value between two steps is answered with the nearest one) and the mono/stereo switch. */
    void show(const plugin::StoredValues& q);

    /** How `slider` shows its parameter; null for the glow strips. */
    const editor::ControlScale* scaleOf(const juce::Slider* slider) const noexcept;

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

private:
    static void setButtonImages(juce::ImageButton& button, const juce::Image& normal, float normalOpacity,
                                const juce::Image& over);

    bool showSettings = true;
};
} // namespace ravlin
