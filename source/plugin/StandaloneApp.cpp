// The Standalone application: the framework's plug-in window around the processor, with its
// settings file (audio device set-up, window position, the last saved state) checked before the
// framework parses it. The settings file lives in the user's ~/.config and can be damaged like any
// file; the framework's XML parser can loop forever on some damaged texts, and the application
// would then hang at every start. A settings file that fails the strict XML check is set aside
// (renamed, never deleted) and the application starts with default settings.
#include "plugin/XmlCheck.h"

#include <juce_audio_plugin_client/juce_audio_plugin_client.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>

#include <cstdio>

namespace ravlin::plugin {
namespace {
/** Well-formed XML text, or an empty value (absent settings are the framework's default). */
bool readableXmlValue(const juce::String& value)
{
    if (value.isEmpty())
        return true;
    const auto utf8 = value.toStdString();
    return isWellFormedXml(utf8);
}

class StandaloneApp : public juce::JUCEApplication
{
public:
    StandaloneApp()
    {
        juce::PropertiesFile::Options options;
        options.applicationName = getApplicationName();
        options.filenameSuffix = ".settings";
        options.osxLibrarySubFolder = "Application Support";
        options.folderName = "~/.config";
        // When a damaged file cannot be moved aside, the framework is pointed at another file so
        // it never parses the damaged one.
        if (!setAsideDamagedSettings(options.getDefaultFile()))
            options.filenameSuffix = ".fresh.settings";
        appProperties.setStorageParameters(options);
    }

    const juce::String getApplicationName() override { return juce::CharPointer_UTF8(JucePlugin_Name); }
    const juce::String getApplicationVersion() override { return JucePlugin_VersionString; }
    bool moreThanOneInstanceAllowed() override { return true; }
    void anotherInstanceStarted(const juce::String&) override {}

    void initialise(const juce::String&) override
    {
        auto* settings = appProperties.getUserSettings();
        // The device set-up is stored as XML text inside the settings and parsed again on its own.
        if (settings != nullptr && !readableXmlValue(settings->getValue("audioSetup")))
            settings->removeValue("audioSetup");
        mainWindow = std::make_unique<juce::StandaloneFilterWindow>(
            getApplicationName(),
            juce::LookAndFeel::getDefaultLookAndFeel().findColour(juce::ResizableWindow::backgroundColourId), settings,
            false);
        mainWindow->setVisible(true);
    }

    void shutdown() override
    {
        mainWindow = nullptr;
        appProperties.saveIfNeeded();
    }

    void systemRequestedQuit() override
    {
        if (mainWindow != nullptr)
            mainWindow->pluginHolder->savePluginState();
        if (juce::ModalComponentManager::getInstance()->cancelAllModalComponents())
        {
            juce::Timer::callAfterDelay(100, [] {
                if (auto* app = JUCEApplicationBase::getInstance())
                    app->systemRequestedQuit();
            });
        }
        else
        {
            quit();
        }
    }

private:
    /** Renames a settings file whose text is not well-formed XML to "<name>.damaged" (replacing an
        older one), so the framework starts from defaults and the user keeps the bytes. False when
        the file is damaged and stays where it is. */
    static bool setAsideDamagedSettings(const juce::File& file)
    {
        juce::MemoryBlock bytes;
        if (!file.existsAsFile() || !file.loadFileAsData(bytes))
            return true;
        if (isWellFormedXml(std::string_view(static_cast<const char*>(bytes.getData()), bytes.getSize())))
            return true;
        const auto aside = file.withFileExtension(file.getFileExtension() + ".damaged");
        const bool moved = file.moveFileTo(aside);
        std::fprintf(stderr, "RAVLIN Preamp: the settings file %s is damaged; %s, starting with default settings\n",
                     file.getFullPathName().toRawUTF8(),
                     moved ? ("it was moved to " + aside.getFullPathName()).toRawUTF8() : "it could not be moved");
        return moved;
    }

    juce::ApplicationProperties appProperties;
    std::unique_ptr<juce::StandaloneFilterWindow> mainWindow;
};
} // namespace
} // namespace ravlin::plugin

juce::JUCEApplicationBase* juce_CreateApplication() { return new ravlin::plugin::StandaloneApp(); }
