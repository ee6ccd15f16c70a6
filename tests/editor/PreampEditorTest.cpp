// The plug-in window against a stand-in processor: layout, the refresh from the stored values, the
// control -> parameter exchange, the Settings tab and the glow update.
#include "EditorTestProcessor.h"
#include "JuceTestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace ravlin::test {
namespace {
class PreampEditorTest : public ::testing::Test
{
protected:
    void open()
    {
        editorWindow = std::make_unique<TestEditor>(processor);
        deliverPendingMessages(); // the opening refresh's slider notifications
        processor.received.clear();
    }
    void TearDown() override
    {
        editorWindow.reset();
        deliverPendingMessages();
    }
    void click(juce::Button& button)
    {
        button.triggerClick();
        deliverPendingMessages();
    }
    /** Parameter calls received for `index`, in order. */
    std::vector<float> sent(int index) const
    {
        std::vector<float> values;
        for (const auto& [i, v] : processor.received)
            if (i == index)
                values.push_back(v);
        return values;
    }
    std::vector<juce::Component*> panelControls()
    {
        auto& e = *editorWindow;
        return {&e.getValveGlowBlurred(),  &e.getInputBar(),        &e.getGainBar(),   &e.getTrebleBar(),
                &e.getMiddleBar(),         &e.getBassBar(),         &e.getOutputBar(), &e.getOversamplingSelector(),
                &e.getFreshValvesButton(), &e.getAgedValvesButton()};
    }

    EditorTestProcessor processor;
    std::unique_ptr<TestEditor> editorWindow;
};
} // namespace

TEST_F(PreampEditorTest, WindowLayoutRangesAndStylesMatchTheDesign)
{
    open();
    auto& e = *editorWindow;
    EXPECT_EQ(e.getWidth(), 460);
    EXPECT_EQ(e.getHeight(), 368);

    struct Expected
    {
        juce::Component* control;
        juce::Rectangle<int> bounds;
        const char* name;
    };
    const Expected layout[] = {
        {&e.getValveGlow(), {0, 0, 460, 368}, "Slider"},
        {&e.getValveGlowBlurred(), {0, 0, 460, 368}, "Slider"},
        {&e.getPanelBackground(), {0, 0, 460, 368}, "new component"},
        {&e.getFreshValvesButton(), {155, 44, 74, 32}, "new button"},
        {&e.getAgedValvesButton(), {234, 44, 76, 32}, "new button"},
        {&e.getSettingsButton(), {176, 0, 112, 24}, "new button"},
        {&e.getMonoStereoButton(), {420, 4, 37, 22}, "new component"},
        {&e.getInputBar(), {127, 102, 208, 23}, "new component"},
        {&e.getGainBar(), {127, 132, 208, 23}, "new component"},
        {&e.getTrebleBar(), {127, 162, 208, 23}, "new component"},
        {&e.getMiddleBar(), {127, 192, 208, 23}, "new component"},
        {&e.getBassBar(), {127, 222, 208, 23}, "new component"},
        {&e.getOutputBar(), {127, 252, 208, 23}, "new component"},
        {&e.getOversamplingSelector(), {198, 287, 152, 29}, "new component"},
    };
    int previousIndex = -1;
    for (const auto& item : layout)
    {
        EXPECT_EQ(item.control->getBounds(), item.bounds) << item.name;
        EXPECT_EQ(item.control->getName(), item.name);
        const int index = e.getIndexOfChildComponent(item.control);
        EXPECT_GT(index, previousIndex) << "stacking order at " << item.bounds.toString();
        previousIndex = index;
    }

    struct Range
    {
        FilmStripKnob* knob;
        double minimum, maximum, interval;
        juce::Slider::SliderStyle style;
        int frames;
    };
    const Range ranges[] = {
        {&e.getValveGlow(), 0, 23, 1, juce::Slider::RotaryVerticalDrag, 24},
        {&e.getValveGlowBlurred(), 0, 23, 1, juce::Slider::RotaryVerticalDrag, 24},
        {&e.getInputBar(), 0, 12.25, 0.25, juce::Slider::LinearBar, 50},
        {&e.getGainBar(), 0, 16, 1, juce::Slider::LinearBar, 17},
        {&e.getTrebleBar(), 0, 14, 1, juce::Slider::LinearBar, 15},
        {&e.getMiddleBar(), 0, 14, 1, juce::Slider::LinearBar, 15},
        {&e.getBassBar(), 0, 14, 1, juce::Slider::LinearBar, 15},
        {&e.getOutputBar(), -37, 12, 1, juce::Slider::LinearBar, 50},
        {&e.getOversamplingSelector(), 0, 4, 1, juce::Slider::LinearHorizontal, 5},
    };
    for (const auto& r : ranges)
    {
        EXPECT_EQ(r.knob->getMinimum(), r.minimum);
        EXPECT_EQ(r.knob->getMaximum(), r.maximum);
        EXPECT_EQ(r.knob->getInterval(), r.interval);
        EXPECT_EQ(r.knob->getSliderStyle(), r.style);
        EXPECT_EQ(r.knob->getTextBoxPosition(), juce::Slider::NoTextBox);
        // Every strip has one frame per value of its control, and its picture is built in.
        EXPECT_EQ(r.knob->getNumFrames(), r.frames);
        EXPECT_GT(r.knob->getFrameHeight(), 0);
    }
    EXPECT_EQ(e.getInputBar().getFrameHeight(), 23);
    EXPECT_EQ(e.getOversamplingSelector().getFrameHeight(), 29);
    EXPECT_EQ(e.getValveGlow().getFrameHeight(), 368);
}

TEST_F(PreampEditorTest, RefreshShowsTheCurrentProgram)
{
    processor.current() = {1.0f, 49.0f, 16.0f, 3.0f, 4.0f, 5.0f, 0.0f, 4.0f, 1.0f, 1.0f};
    open();
    auto& e = *editorWindow;
    EXPECT_EQ(e.getInputBar().getValue(), 12.25);
    EXPECT_EQ(e.getGainBar().getValue(), 16.0);
    EXPECT_EQ(e.getTrebleBar().getValue(), 3.0);
    EXPECT_EQ(e.getMiddleBar().getValue(), 4.0);
    EXPECT_EQ(e.getBassBar().getValue(), 5.0);
    EXPECT_EQ(e.getOutputBar().getValue(), -37.0);
    EXPECT_EQ(e.getOversamplingSelector().getValue(), 4.0);
    EXPECT_TRUE(e.getMonoStereoButton().getToggleState());
    EXPECT_TRUE(e.isShowingSettings());
    EXPECT_TRUE(e.getPanelBackground().getToggleState());
    for (auto* c : panelControls())
        EXPECT_TRUE(c->isVisible());
    // Nothing moved away from a stored value, so nothing went back to the processor.
    EXPECT_TRUE(processor.received.empty());
}

TEST_F(PreampEditorTest, HalfwayInputIsAnsweredWithTheNearestStep)
{
    // Host value 0.5 for Input is stored as 24.5; the bar shows 6.25 and sends 0.5102041 once.
    processor.current()[plugin::input] = plugin::quantise(plugin::input, 0.5f);
    editorWindow = std::make_unique<TestEditor>(processor);
    EXPECT_EQ(editorWindow->getInputBar().getValue(), 6.25);
    deliverPendingMessages();
    const auto answers = sent(plugin::input);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_FLOAT_EQ(answers[0], 0.5102041f);
    EXPECT_FLOAT_EQ(processor.current()[plugin::input], 25.0f);
    // The change message of that answer refreshes the editor, which now agrees: the exchange stops.
    deliverPendingMessages();
    EXPECT_EQ(sent(plugin::input).size(), 1u);
}

TEST_F(PreampEditorTest, ControlsSendTheirParameters)
{
    open();
    auto& e = *editorWindow;
    e.getInputBar().setValue(12.25, juce::sendNotificationSync);
    e.getOutputBar().setValue(-37.0, juce::sendNotificationSync);
    e.getGainBar().setValue(4.0, juce::sendNotificationSync);
    e.getTrebleBar().setValue(14.0, juce::sendNotificationSync);
    e.getMiddleBar().setValue(1.0, juce::sendNotificationSync);
    e.getBassBar().setValue(2.0, juce::sendNotificationSync);
    e.getOversamplingSelector().setValue(3.0, juce::sendNotificationSync);
    EXPECT_EQ(sent(plugin::input), std::vector<float>{1.0f});
    EXPECT_EQ(sent(plugin::output), std::vector<float>{0.0f});
    EXPECT_EQ(sent(plugin::gain), std::vector<float>{0.25f});
    EXPECT_EQ(sent(plugin::treble), std::vector<float>{1.0f});
    EXPECT_EQ(sent(plugin::middle), std::vector<float>{1.0f / 14.0f});
    EXPECT_EQ(sent(plugin::bass), std::vector<float>{2.0f / 14.0f});
    EXPECT_EQ(sent(plugin::oversampling), std::vector<float>{0.75f});
    e.getOutputBar().setValue(12.0, juce::sendNotificationSync);
    EXPECT_EQ(sent(plugin::output).back(), 1.0f);
}

TEST_F(PreampEditorTest, SettingsTabShowsThePanelAndStoresShowSettings)
{
    ASSERT_EQ(processor.current()[plugin::showSettings], 0.0f);
    open();
    auto& e = *editorWindow;
    EXPECT_FALSE(e.isShowingSettings());
    EXPECT_FALSE(e.getPanelBackground().getToggleState());
    for (auto* c : panelControls())
        EXPECT_FALSE(c->isVisible());
    EXPECT_TRUE(e.getValveGlow().isVisible());
    EXPECT_TRUE(e.getMonoStereoButton().isVisible());
    EXPECT_TRUE(e.getSettingsButton().isVisible());

    click(e.getSettingsButton());
    EXPECT_EQ(sent(plugin::showSettings), std::vector<float>{1.0f});
    EXPECT_EQ(processor.current()[plugin::showSettings], 1.0f);
    EXPECT_TRUE(e.isShowingSettings());
    EXPECT_TRUE(e.getPanelBackground().getToggleState());
    for (auto* c : panelControls())
        EXPECT_TRUE(c->isVisible());

    click(e.getSettingsButton());
    EXPECT_EQ(sent(plugin::showSettings), (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(processor.current()[plugin::showSettings], 0.0f);
    EXPECT_FALSE(e.isShowingSettings());
    for (auto* c : panelControls())
        EXPECT_FALSE(c->isVisible());
}

TEST_F(PreampEditorTest, ClicksOnThePanelBackgroundDoNotToggleIt)
{
    processor.current()[plugin::showSettings] = 1.0f;
    open();
    click(editorWindow->getPanelBackground());
    EXPECT_TRUE(editorWindow->getPanelBackground().getToggleState());
    EXPECT_TRUE(editorWindow->isShowingSettings());
}

TEST_F(PreampEditorTest, ValveSetButtonsAlwaysSendTheirSet)
{
    processor.current()[plugin::showSettings] = 1.0f;
    open();
    auto& e = *editorWindow;
    click(e.getAgedValvesButton());
    click(e.getAgedValvesButton()); // already selected: still sent, the processor ignores it
    click(e.getFreshValvesButton());
    EXPECT_EQ(sent(plugin::dualTriodes), (std::vector<float>{1.0f, 1.0f, 0.0f}));
    EXPECT_EQ(processor.current()[plugin::dualTriodes], 0.0f);
}

TEST_F(PreampEditorTest, MonoStereoSwitchSendsItsNewState)
{
    open();
    auto& e = *editorWindow;
    click(e.getMonoStereoButton());
    EXPECT_TRUE(e.getMonoStereoButton().getToggleState());
    EXPECT_EQ(processor.current()[plugin::monoStereo], 1.0f);
    click(e.getMonoStereoButton());
    EXPECT_FALSE(e.getMonoStereoButton().getToggleState());
    EXPECT_EQ(sent(plugin::monoStereo), (std::vector<float>{1.0f, 0.0f}));
}

TEST_F(PreampEditorTest, ProgramChangeRefreshesEveryControl)
{
    processor.bank[5].values = {1.0f, 0.0f, 2.0f, 14.0f, 0.0f, 9.0f, 49.0f, 2.0f, 1.0f, 1.0f};
    open();
    processor.setCurrentProgram(5);
    deliverPendingMessages();
    auto& e = *editorWindow;
    EXPECT_EQ(e.getInputBar().getValue(), 0.0);
    EXPECT_EQ(e.getGainBar().getValue(), 2.0);
    EXPECT_EQ(e.getTrebleBar().getValue(), 14.0);
    EXPECT_EQ(e.getBassBar().getValue(), 9.0);
    EXPECT_EQ(e.getOutputBar().getValue(), 12.0);
    EXPECT_EQ(e.getOversamplingSelector().getValue(), 2.0);
    EXPECT_TRUE(e.getMonoStereoButton().getToggleState());
    EXPECT_TRUE(e.isShowingSettings());
}

TEST_F(PreampEditorTest, GlowFollowsBlockFourOfTheSelectedChains)
{
    open();
    auto& e = *editorWindow;
    auto frames = [&e] {
        return std::make_pair(e.getValveGlow().currentFrame(), e.getValveGlowBlurred().currentFrame());
    };

    processor.block4 = {statisticsWith(0.0012, 0.0), statisticsWith(0.0012, 0.0)};
    e.timerCallback();
    EXPECT_EQ(frames(), std::make_pair(0, 0));
    EXPECT_EQ(e.getLastGlowValue(), 0.0f);

    processor.block4[0] = statisticsWith(0.0, 0.002); // left chain swinging
    e.timerCallback();
    const float expected = editor::glowValue(processor.block4[0], {}, false);
    EXPECT_EQ(e.getLastGlowValue(), expected);
    EXPECT_GT(frames().first, 0);
    EXPECT_EQ(frames().first, frames().second);

    // Mono program: a loud right chain (left over from a stereo run) changes nothing.
    processor.block4[1] = statisticsWith(0.0, 0.01);
    e.timerCallback();
    EXPECT_EQ(e.getLastGlowValue(), expected);

    processor.current()[plugin::monoStereo] = 1.0f; // stereo: now the right chain counts
    e.timerCallback();
    EXPECT_EQ(frames(), std::make_pair(23, 23));
    EXPECT_EQ(e.getLastGlowValue(), 24.0f);

    // Statistics that are not numbers show the dark frame and break nothing.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    processor.block4 = {editor::BlockStatistics{nan, nan, nan}, editor::BlockStatistics{nan, nan, nan}};
    e.timerCallback();
    EXPECT_EQ(frames(), std::make_pair(0, 0));
}
} // namespace ravlin::test

namespace ravlin::test {
// The notice over the panel: shown with the processor's text when model data fails, in front of
// every control but letting clicks through, and gone once a reconfiguration loads again.
TEST_F(PreampEditorTest, ModelDataNoticeFollowsTheProcessor)
{
    processor.setModelDataNotice("Model data missing or damaged\nFolder: /x/RavlinPreamp.so.dat\n"
                                 "File: ravlinpre_eh_b2_pca.dat (missing)");
    open();
    auto& notice = editorWindow->getModelDataNotice();
    EXPECT_TRUE(notice.isVisible()) << "the opening refresh takes the notice";
    EXPECT_TRUE(notice.getText().contains("ravlinpre_eh_b2_pca.dat"));
    EXPECT_EQ(editorWindow->getIndexOfChildComponent(&notice), editorWindow->getNumChildComponents() - 1);
    bool selfClicks = true, childClicks = true;
    notice.getInterceptsMouseClicks(selfClicks, childClicks);
    EXPECT_FALSE(selfClicks);
    EXPECT_TRUE(editorWindow->getLocalBounds().contains(notice.getBounds()));

    // Cleared by a later successful reconfiguration; the timer picks it up without a change message.
    processor.setModelDataNotice({});
    editorWindow->timerCallback();
    EXPECT_FALSE(notice.isVisible());

    // A new failure (for example a valve-set switch whose files are damaged).
    processor.setModelDataNotice("Model data missing or damaged\nFolder: /y\nFile: ravlinpre_rsd_b1_pca.dat (damaged)");
    editorWindow->changeListenerCallback(nullptr);
    EXPECT_TRUE(notice.isVisible());
    EXPECT_TRUE(notice.getText().contains("/y"));
}
} // namespace ravlin::test
