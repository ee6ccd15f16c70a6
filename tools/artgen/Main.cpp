// ravlin_artgen <output folder>: draws every picture of the editor and writes it into the folder,
// PNG for the pictures with transparency and JPEG for the two full-window glow strips.
#include "CommandLine.h"
#include "ControlArt.h"
#include "PanelArt.h"
#include "ValveScene.h"

#include <juce_events/juce_events.h>
#include <juce_graphics/juce_graphics.h>

#include <iostream>
#include <string>

namespace {
bool write(const juce::Image& image, const juce::File& file, juce::ImageFileFormat& format)
{
    file.deleteFile();
    juce::FileOutputStream out(file);
    if (!out.openedOk() || !format.writeImageToStream(image, out))
    {
        std::cerr << "ravlin_artgen: cannot write " << file.getFullPathName() << '\n';
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    std::string output;
    CLI::App app("Draws every picture of the editor and writes it into a folder: PNG for the pictures with "
                 "transparency, JPEG for the two full-window glow strips.",
                 "ravlin_artgen");
    app.add_option("FOLDER", output, "output folder (made when missing)")->required();
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    juce::ScopedJuceInitialiser_GUI juce;
    const juce::File folder =
        juce::File::getCurrentWorkingDirectory().getChildFile(juce::String::fromUTF8(output.c_str()));
    if (!folder.createDirectory())
    {
        std::cerr << "ravlin_artgen: cannot create " << folder.getFullPathName() << '\n';
        return 1;
    }
    using namespace ravlin::art;
    juce::PNGImageFormat png;
    juce::JPEGImageFormat jpeg;
    jpeg.setQuality(0.92f);

    const juce::Image glow = makeValveGlowStrip();
    bool ok = write(glow, folder.getChildFile("valve_glow.jpg"), jpeg);
    ok = write(makeBlurredStrip(glow), folder.getChildFile("valve_glow_blurred.jpg"), jpeg) && ok;
    ok = write(makeBackground(), folder.getChildFile("background.png"), png) && ok;
    ok = write(makeMonoStereoImage(), folder.getChildFile("mono_stereo.png"), png) && ok;
    ok = write(makeBarStrip(50), folder.getChildFile("bar_strip_50.png"), png) && ok;
    ok = write(makeBarStrip(17), folder.getChildFile("bar_strip_17.png"), png) && ok;
    ok = write(makeBarStrip(15), folder.getChildFile("bar_strip_15.png"), png) && ok;
    ok = write(makeOversamplingStrip(), folder.getChildFile("oversampling_strip.png"), png) && ok;
    ok = write(makeButtonFrame(74, false), folder.getChildFile("fresh_frame_normal.png"), png) && ok;
    ok = write(makeButtonFrame(74, true), folder.getChildFile("fresh_frame_over.png"), png) && ok;
    ok = write(makeButtonFrame(76, false), folder.getChildFile("aged_frame_normal.png"), png) && ok;
    ok = write(makeButtonFrame(76, true), folder.getChildFile("aged_frame_over.png"), png) && ok;
    return ok ? 0 : 1;
}
