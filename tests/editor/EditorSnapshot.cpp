// ravlin_editor_snapshot <folder>: renders the editor into PNG files without opening a window, for
// looking at the artwork and the layout:
//   panel_hidden_glow0.png    settings hidden, heaters at their dimmest frame
//   panel_hidden_glow23.png   settings hidden, heaters at full glow
//   panel_default.png         settings shown over the default program
//   panel_aged_x16_stereo.png settings shown, aged valves, x16 oversampling, stereo
//   model_data_missing.png    settings shown, with the notice for a damaged model data file
#include "EditorTestProcessor.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>
#include <memory>

namespace {
using ravlin::test::EditorTestProcessor;
using ravlin::test::TestEditor;

void deliverPendingMessages() { juce::MessageManager::getInstance()->runDispatchLoopUntil(50); }

bool render(EditorTestProcessor& processor, const juce::File& file)
{
    TestEditor window(processor);
    deliverPendingMessages();
    window.timerCallback();
    deliverPendingMessages();
    const juce::Image picture = window.createComponentSnapshot(window.getLocalBounds(), true, 1.0f);
    file.deleteFile();
    juce::FileOutputStream out(file);
    juce::PNGImageFormat png;
    if (!out.openedOk() || !png.writeImageToStream(picture, out))
    {
        std::cerr << "ravlin_editor_snapshot: cannot write " << file.getFullPathName() << '\n';
        return false;
    }
    std::cout << file.getFullPathName() << '\n';
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
    {
        std::cerr << "usage: ravlin_editor_snapshot <output folder>\n";
        return 2;
    }
    juce::ScopedJuceInitialiser_GUI juceRuntime;
    const juce::File folder = juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]);
    if (!folder.createDirectory())
    {
        std::cerr << "ravlin_editor_snapshot: cannot create " << folder.getFullPathName() << '\n';
        return 1;
    }
    namespace editor = ravlin::editor;
    bool ok = true;
    {
        EditorTestProcessor processor; // default program: settings hidden
        processor.block4 = {ravlin::test::statisticsWith(0.0012, 0.0), {}};
        ok = render(processor, folder.getChildFile("panel_hidden_glow0.png")) && ok;
        processor.block4[0] = ravlin::test::statisticsWith(0.0, 0.01);
        ok = render(processor, folder.getChildFile("panel_hidden_glow23.png")) && ok;
    }
    {
        EditorTestProcessor processor;
        processor.current()[ravlin::plugin::showSettings] = 1.0f;
        processor.block4 = {ravlin::test::statisticsWith(0.0, 0.0009), {}};
        ok = render(processor, folder.getChildFile("panel_default.png")) && ok;
        auto& q = processor.current();
        q[ravlin::plugin::dualTriodes] = 1.0f;
        q[ravlin::plugin::oversampling] = 4.0f;
        q[ravlin::plugin::monoStereo] = 1.0f;
        processor.block4[1] = ravlin::test::statisticsWith(0.0, 0.0016);
        ok = render(processor, folder.getChildFile("panel_aged_x16_stereo.png")) && ok;
    }
    {
        EditorTestProcessor processor;
        processor.current()[ravlin::plugin::showSettings] = 1.0f;
        processor.current()[ravlin::plugin::dualTriodes] = 1.0f;
        processor.setModelDataNotice("Model data missing or damaged\n"
                                     "Folder: /home/guitarist/.lv2/RavlinPreamp.lv2/libRavlinPreamp.so.dat\n"
                                     "File: ravlinpre_rsd_b2_pca.dat (damaged: the file ends inside a network record)\n"
                                     "The preamp keeps its previous model data, or stays silent if it has none. "
                                     "Copy the complete model folder beside the plug-in.");
        ok = render(processor, folder.getChildFile("model_data_missing.png")) && ok;
    }
    return ok ? 0 : 1;
}
