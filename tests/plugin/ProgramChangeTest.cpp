// What follows a program change or a state load besides the reconfiguration: the open editor shows
// the new program (so a control moved afterwards writes into that program only), and the host is
// told that the program and the parameter values changed. An ignored call tells nobody anything.
#include "TestProcessor.h"
#include "editor/PreampEditor.h"
#include "plugin/RavlinPreampAudioProcessor.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ravlin;
using namespace ravlin::test;

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace {
void deliverMessages() { juce::MessageManager::getInstance()->runDispatchLoopUntil(50); }

/** What the framework passes on to the host's wrapper. */
struct HostView : juce::AudioProcessorListener
{
    int programAndValues = 0; ///< "the program and the parameter values changed"
    int automated = 0;
    void audioProcessorParameterChanged(juce::AudioProcessor*, int, float) override { ++automated; }
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails& d) override
    {
        if (d.programChanged && d.parameterInfoChanged)
            ++programAndValues;
    }
};

/** Every control of `e` against the stored values `q` (the editor's own mapping). */
void expectEditorShows(PreampEditor<RavlinPreampAudioProcessor>& e, const plugin::StoredValues& q, const char* which)
{
    const std::pair<juce::Slider*, const editor::ControlScale*> controls[] = {
        {&e.getInputBar(), &editor::inputBarScale},
        {&e.getGainBar(), &editor::gainBarScale},
        {&e.getTrebleBar(), &editor::trebleBarScale},
        {&e.getMiddleBar(), &editor::middleBarScale},
        {&e.getBassBar(), &editor::bassBarScale},
        {&e.getOutputBar(), &editor::outputBarScale},
        {&e.getOversamplingSelector(), &editor::oversamplingScale}};
    for (const auto& [control, scale] : controls)
        EXPECT_EQ(control->getValue(), scale->controlValue(q[scale->parameter]))
            << which << ", parameter " << scale->parameter;
    EXPECT_EQ(e.getMonoStereoButton().getToggleState(), plugin::stereoRequested(q)) << which;
    EXPECT_EQ(e.isShowingSettings(), plugin::settingsShown(q)) << which;
}
} // namespace

TEST(ProgramChange, TheOpenEditorFollowsAndAMovedControlStoresIntoTheNewProgramOnly)
{
    std::unique_ptr<juce::AudioProcessor> base(createPluginFilter());
    auto& p = dynamic_cast<RavlinPreampAudioProcessor&>(*base);
    p.setModelDirectory(juce::File(RAVLIN_TEST_MODEL_DIR));
    // Program B (index 1) with other values than program A (index 0) in every control, each one
    // the controls can show exactly (Input and Output on their bars' steps).
    const std::pair<int, float> valuesOfA[] = {{1, editor::inputBarScale.hostValue(6.0)},
                                               {6, editor::outputBarScale.hostValue(-12.0)}};
    const std::pair<int, float> valuesOfB[] = {
        {1, editor::inputBarScale.hostValue(9.75)},   {2, 1.0f},  {3, 0.1f}, {4, 0.9f}, {5, 0.25f},
        {6, editor::outputBarScale.hostValue(-27.0)}, {7, 0.25f}, {8, 1.0f}};
    p.setCurrentProgram(1);
    for (const auto& [index, value] : valuesOfB)
        p.setParameter(index, value);
    p.setCurrentProgram(0);
    for (const auto& [index, value] : valuesOfA)
        p.setParameter(index, value);
    const plugin::StoredValues a = p.getProgram(0).values;
    const plugin::StoredValues b = p.getProgram(1).values;
    for (const auto& [index, value] : valuesOfB)
        ASSERT_NE(a[static_cast<std::size_t>(index)], b[static_cast<std::size_t>(index)]) << index;

    std::unique_ptr<juce::AudioProcessorEditor> window(p.createEditor());
    auto& e = dynamic_cast<PreampEditor<RavlinPreampAudioProcessor>&>(*window);
    deliverMessages();
    expectEditorShows(e, a, "program A");

    p.setCurrentProgram(1); // the host selects B
    deliverMessages();
    expectEditorShows(e, b, "program B");
    EXPECT_EQ(p.getProgram(0).values, a) << "the refresh wrote nothing into A";
    EXPECT_EQ(p.getProgram(1).values, b) << "the refresh wrote nothing into B";

    // One step up on the Treble bar, as a drag would leave it.
    const float trebleOfB = b[plugin::treble];
    e.getTrebleBar().setValue(editor::trebleBarScale.controlValue(trebleOfB + 1.0f), juce::sendNotificationSync);
    deliverMessages();
    plugin::StoredValues expected = b;
    expected[plugin::treble] = trebleOfB + 1.0f;
    EXPECT_EQ(p.getProgram(1).values, expected);
    EXPECT_EQ(p.getProgram(0).values, a);
    window.reset();
}

TEST(ProgramChange, HostAndEditorAreToldAfterProgramChangesAndStateLoadsOnly)
{
    TestProcessor p;
    HostView host;
    ChangeCounter editor;
    p.addListener(&host);
    p.addChangeListener(&editor);

    p.setCurrentProgram(3);
    p.dispatchPendingMessages();
    EXPECT_EQ(host.programAndValues, 1);
    EXPECT_EQ(editor.count, 1);

    p.setCurrentProgram(12);
    p.setCurrentProgram(-1);
    p.dispatchPendingMessages();
    EXPECT_EQ(host.programAndValues, 1) << "an ignored index tells nobody";
    EXPECT_EQ(editor.count, 1);
    EXPECT_EQ(p.getCurrentProgram(), 3);

    juce::MemoryBlock state;
    p.getStateInformation(state);
    p.setStateInformation(state.getData(), static_cast<int>(state.getSize()));
    p.dispatchPendingMessages();
    EXPECT_EQ(host.programAndValues, 2);
    EXPECT_EQ(editor.count, 2);

    const char garbage[] = "not a state";
    p.setStateInformation(garbage, sizeof garbage);
    p.dispatchPendingMessages();
    EXPECT_EQ(host.programAndValues, 2) << "a chunk that changes nothing tells nobody";
    EXPECT_EQ(editor.count, 2);
    EXPECT_EQ(host.automated, 0) << "a program change is not automation";

    juce::MemoryBlock after;
    p.getStateInformation(after);
    EXPECT_EQ(after, state) << "names and chunk unchanged";
    p.removeChangeListener(&editor);
    p.removeListener(&host);
}
